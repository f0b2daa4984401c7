// The SQL window on a shown main window, logged on to a stand-in data
// source, with scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QAction>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/core/fmainactcore.h"
#include "app/core/ovreg.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "app/fmain.h"
#include "app/fmainact.h"
#include "app/fobject.h"
#include "editor/ovmemo.h"
#include "sqlwork/fsql.h"
#include "sqlwork/sqlregister.h"
#include "tests/common/program_main.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/odbc_fixture.h"
#include "ui/ovprinter.h"
#include "ui/uiregister.h"
#include "ui/zarurctl.h"

namespace testing_sqlwork {

using Lines = std::vector<std::string>;

class SQLWindow : public testing::Test {
 protected:
  SQLWindow() {
    // As the program does: the editors take the main window's settings,
    // the reserved words of the completion list among them.
    main = testing_support::StartProgramMain();
    RegisterSqlWork();
    AppOption.Separator = separator_;
    AppOption.AutoCommit = true;
    AppOption.UsePartial = true;
    AppOption.SQLBuf = kHistorySize;
    AppOption.TempDir = env.Path("temp") + "/";
    odbc.CreateStandin("ADMIN", "secret");
    SQLLogFiles.clear();
  }
  ~SQLWindow() override {
    testing_support::StopProgramMain(main);
    // The runs' history is process-wide; the next suite starts without it.
    SQLLogFiles.clear();
  }

  // Boxes of the logon itself are not the window's.
  TfrmObject* Logon() {
    auto* window = new TfrmObject(main.get(), "secret", "ADMIN", "ORVTEST");
    env.Dialogs().messages.clear();
    env.Dialogs().unanswered = 0;
    return window;
  }
  // The SQL-window command of a user command run with `text` on a new
  // logon; the one window it opened, or none.
  TfrmSQL* RunSQLWindowCommand(const std::string& text) {
    TfrmObject* connection = Logon();
    const TActionHandler* handler = ActionHandler(kSQLWindowCommand);
    if (handler == nullptr) return nullptr;
    TActionRequest request;
    request.Connection = connection;
    request.Text = text;
    (*handler)(request);
    return Windows().size() == 1 ? Windows()[0] : nullptr;
  }
  // The SQL windows in the main window, the first opened first.
  std::vector<TfrmSQL*> Windows() const {
    std::vector<TfrmSQL*> windows;
    for (QWidget* w : main->ChildWindows())
      if (auto* form = qobject_cast<TfrmSQL*>(w)) windows.push_back(form);
    return windows;
  }
  TfrmSQL* OpenFromMain() {
    main->actMain->Action("actViewSQL")->trigger();
    return Windows().empty() ? nullptr : Windows().back();
  }
  static void CloseFrame(QWidget* window) {
    qobject_cast<QMdiSubWindow*>(window->parentWidget())->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
  static void SetText(TfrmSQL& form, const std::string& text) {
    form.txtSQL->Lines().SetTextStr(text);
    form.txtSQL->SetModified(true);
  }
  // The main menu's item of `caption` under the menu `menu`.
  QAction* MenuItem(const QString& menu, const QString& caption) {
    for (QAction* top : main->menuBar()->actions())
      if (top->menu() && top->text().startsWith(menu))
        for (QAction* item : top->menu()->actions())
          if (item->text() == caption) return item;
    return nullptr;
  }
  Lines Boxes() {
    Lines texts;
    for (const platform::MessageRequest& m : env.Dialogs().messages) texts.push_back(m.text);
    return texts;
  }
  std::string Panel2() const { return main->StatusPanel(kStatusMessagePanel)->text().toStdString(); }
  static std::string Editor(TfrmSQL& form) { return form.txtSQL->Text(); }
  void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(env.Path(name), std::ios::binary) << bytes;
  }

  static constexpr int kHistorySize = 32;
  const std::string separator_ = ";";
  testing_support::TempSettings env;
  testing_odbc::OdbcFixture odbc;
  std::unique_ptr<TfrmMain> main;
};

}  // namespace testing_sqlwork
