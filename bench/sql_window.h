// The program as the SQL-window benchmarks start it: its folders in the
// run's own, the Qt seams installed, and a new SQL window on a connection
// window of the shown main window, with the items table's SELECT typed in.
#pragma once

#include <QApplication>
#include <QString>

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
inline void StartProgramIn(const QString& root) {
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR"})
    qputenv(name, (root + "/" + name).toUtf8());
  platform::InstallQtPlatform();
  InitFolders();
}

inline TfrmSQL* OpenSelectWindow(TfrmMain& main, const QString& root) {
  main.resize(kWindowWidth, kWindowHeight);
  main.show();
  AppOption.TempDir = root.toStdString() + "/temp/";
  auto* connection = new TfrmObject(&main, kPassword, kUser, kDataSource);
  auto* form = new TfrmSQL(*connection);
  form->parentWidget()->resize(kWindowWidth, kWindowHeight);
  form->txtSQL->Lines().SetTextStr(kSelect);
  QApplication::processEvents();
  return form;
}

}  // namespace bench_grid
