// sql_window_run: what the SQL window benchmarks share: the program's
// folders inside the run's own, a shown main window with a connection
// window on the items table's data source, and new SQL windows on it,
// closed after their run so that runs do not pile up.
#pragma once

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QString>

#include <string>

#include "app/core/zarur.h"
#include "app/fmain.h"
#include "app/fobject.h"
#include "bench/grid_table.h"
#include "editor/ovmemo.h"
#include "platform/gui/qtplatform.h"
#include "sqlwork/fsql.h"

namespace bench_grid {

inline constexpr int kWindowWidth = 1200;
inline constexpr int kWindowHeight = 900;

// The program's settings and work files go to the run's own folder.
inline void UseProgramFolders(const QString& root) {
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR"})
    qputenv(name, (root + "/" + name).toUtf8());
  platform::InstallQtPlatform();
  InitFolders();
}

// Shows the main window and logs on to the items table's data source.
inline TfrmObject* ShowMainWindow(TfrmMain& main, const QString& root) {
  main.resize(kWindowWidth, kWindowHeight);
  main.show();
  AppOption.TempDir = root.toStdString() + "/temp/";
  return new TfrmObject(&main, kPassword, kUser, kDataSource);
}

// A new SQL window of the connection holding `text`, shown.
inline TfrmSQL* NewSqlWindow(TfrmObject& connection, const std::string& text) {
  auto* form = new TfrmSQL(connection);
  form->parentWidget()->resize(kWindowWidth, kWindowHeight);
  form->txtSQL->Lines().SetTextStr(text);
  QApplication::processEvents();
  return form;
}

// Closes the window and frees it with its result.
inline void CloseSqlWindow(TfrmSQL* form) {
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace bench_grid
