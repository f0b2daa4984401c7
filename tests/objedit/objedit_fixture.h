// A running program on a stand-in data source for the object editor tests:
// the main window with the subsystems registered as the program does, the
// editors' windows among them, and logons of ADMIN, who owns schema S1.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>
#include <QAction>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTimer>

#include <memory>
#include <string>
#include <vector>

#include "app/core/zarur.h"
#include "app/fobject.h"
#include "editor/ovmemo.h"
#include "objedit/fddlexec.h"
#include "objedit/fddlpreview.h"
#include "objedit/objeditor.h"
#include "objedit/objregister.h"
#include "standin/symfoware/standin.h"
#include "tests/common/program_main.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tests/standin/odbc_fixture.h"

namespace testing_objedit {

using Lines = std::vector<std::string>;

class ObjEditTest : public ::testing::Test {
 protected:
  ObjEditTest() {
    main = testing_support::StartProgramMain();
    RegisterObjEdit();
    AppOption.Separator = separator_;
    AppOption.AutoCommit = true;
    AppOption.TempDir = env.Path("temp") + "/";
    odbc.CreateStandin("ADMIN", "secret");
  }
  ~ObjEditTest() override { testing_support::StopProgramMain(main); }

  // A logon with schema S1 made; the boxes of the logon are not the test's.
  TfrmObject* Logon() {
    auto* window = new TfrmObject(main.get(), "secret", "ADMIN", "ORVTEST");
    window->ExecSQL("CREATE SCHEMA S1");
    env.Dialogs().messages.clear();
    env.Dialogs().unanswered = 0;
    symfoware::ClearStatementJournal();
    return window;
  }
  // The texts of the message boxes shown so far.
  Lines Boxes() {
    Lines texts;
    for (const platform::MessageRequest& m : env.Dialogs().messages) texts.push_back(m.text);
    return texts;
  }
  // The statements other than queries the stand-in ran, failed ones marked.
  static Lines Journal() {
    Lines statements;
    for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
      if (UpperCase(TrimBlanks(e.Statement)).rfind("SELECT", 0) != 0)
      statements.push_back((e.Error.empty() ? "" : "failed: ") + TrimBlanks(e.Statement));
    return statements;
  }
  // One value of a query on the logon's connection.
  static std::string Value(TfrmObject& window, const std::string& sql) {
    TovSQLQuery& q = window.OpenSQL(sql);
    return q.Eof() ? std::string() : q.AsString(size_t{0});
  }
  // Types into an edit as the user does: the window hears of the change.
  static void Edit(QLineEdit& edit, const std::string& text) {
    edit.setText(QString::fromStdString(text));
    emit edit.textEdited(edit.text());
  }
  // Compiles through the preview, confirmed, and the execution window; the
  // lines the preview showed. A run that stops at an error is closed, and
  // its question answered, as a user does.
  Lines PreviewedCompile(TovObjectEditor& editor, bool stops = false) {
    AppOption.ShowDDL = true;
    AppOption.CloseDDL = true;
    Lines previewed;
    testing_support::WhenShown<TfrmDDLPreview>([&, stops](TfrmDDLPreview& preview) {
      for (int i = 0; i < preview.txtLog->Lines().GetCount(); ++i) previewed.push_back(preview.txtLog->Lines().Get(i));
      if (stops)
        QTimer::singleShot(0, [] {
          for (TfrmDDLExec* exec : TfrmDDLExec::Windows()) exec->close();
        });
      preview.btnOK->click();
    });
    if (stops) env.Dialogs().QueueMessage(IDYES);  // "処理を中断しますか？"
    editor.actCompile->trigger();
    QCoreApplication::processEvents();
    return previewed;
  }
  template <class T>
  std::vector<T*> Windows() const {
    std::vector<T*> windows;
    for (QWidget* w : main->ChildWindows())
      if (auto* form = qobject_cast<T*>(w)) windows.push_back(form);
    return windows;
  }

  const std::string separator_ = ";";
  testing_support::TempSettings env;
  testing_odbc::OdbcFixture odbc;
  std::unique_ptr<TfrmMain> main;
};

}  // namespace testing_objedit
