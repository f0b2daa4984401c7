// The main window as the program starts it, with every registration routine
// of the main block, logged on to the stand-in sample with its tools on the
// PATH and scripted dialogs.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "admin/adminregister.h"
#include "app/appregister.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/flogon.h"
#include "app/fmain.h"
#include "app/fobject.h"
#include "editor/ovmemo.h"
#include "objedit/fddlpreview.h"
#include "objedit/objeditor.h"
#include "objedit/objregister.h"
#include "standin/symfoware/standin.h"
#include "sqlwork/sqlregister.h"
#include "tests/common/program_main.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/whenshown.h"
#include "tests/standin/tools_sample.h"
#include "ui/uiregister.h"

namespace testing_admin {

using Lines = std::vector<std::string>;

class AdminProgram : public testing::Test {
 protected:
  AdminProgram() {
    unsetenv("SYMFOWARE_TOOL_FAIL");
    setenv("SYMFOWARE_TOOL_LOG", env.Path("calls.log").c_str(), 1);
    main = testing_support::StartProgramMain();
    RegisterApp(*main);
    RegisterUi(*main);
    RegisterSqlWork();
    RegisterObjEdit();
    RegisterAdmin();
    SetLogonProcedure(nullptr);  // the test logs on itself
    AppOption.TempDir = env.Path("temp") + "/";
  }
  ~AdminProgram() override {
    testing_support::StopProgramMain(main);
    unsetenv("SYMFOWARE_TOOL_FAIL");
    unsetenv("SYMFOWARE_TOOL_LOG");
  }

  TfrmObject* Logon() {
    auto* window = new TfrmObject(main.get(), testing_tools::kSamplePassword, testing_tools::kSampleUser,
                                  testing_tools::kSampleDataSource);
    env.Dialogs().messages.clear();
    env.Dialogs().unanswered = 0;
    return window;
  }
  // The item of the "管理(&A)" menu that runs the action `name`.
  QAction* AdminMenuItem(const char* name) {
    for (QAction* top : main->menuBar()->actions())
      if (top->menu() && top->text() == "管理(&A)")
        for (QAction* item : top->menu()->actions())
          if (item->objectName() == name) return item;
    return nullptr;
  }
  template <class T>
  std::vector<T*> Windows() const {
    std::vector<T*> windows;
    for (QWidget* w : main->ChildWindows())
      if (auto* form = qobject_cast<T*>(w)) windows.push_back(form);
    return windows;
  }
  // Opens the window of the action from the menu; the one open, or none.
  template <class T>
  T* OpenFromMenu(const char* action) {
    QAction* item = AdminMenuItem(action);
    if (!item || !item->isEnabled()) return nullptr;
    item->trigger();
    const std::vector<T*> windows = Windows<T>();
    return windows.size() == 1 ? windows.front() : nullptr;
  }
  Lines Boxes() {
    Lines texts;
    for (const platform::MessageRequest& m : env.Dialogs().messages) texts.push_back(m.text);
    return texts;
  }
  // The tool calls so far, one "tool<TAB>arg..." line each.
  Lines ToolCalls() const {
    Lines calls;
    std::ifstream file(env.Path("calls.log"));
    for (std::string line; std::getline(file, line);) calls.push_back(line);
    return calls;
  }

  // The statements other than queries the stand-in ran, failed ones marked.
  static Lines Journal() {
    Lines statements;
    for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
      if (UpperCase(TrimBlanks(e.Statement)).rfind("SELECT", 0) != 0)
        statements.push_back((e.Error.empty() ? "" : "failed: ") + TrimBlanks(e.Statement));
    return statements;
  }
  // Compiles through the preview, confirmed, and the execution window; the
  // lines the preview showed.
  static Lines CompileThroughPreview(TovObjectEditor& editor) {
    AppOption.ShowDDL = true;
    AppOption.CloseDDL = true;
    Lines previewed;
    testing_support::WhenShown<TfrmDDLPreview>([&](TfrmDDLPreview& preview) {
      for (int i = 0; i < preview.txtLog->Lines().GetCount(); ++i) previewed.push_back(preview.txtLog->Lines().Get(i));
      preview.btnOK->click();
    });
    editor.actCompile->trigger();
    QCoreApplication::processEvents();
    return previewed;
  }

  testing_support::TempSettings env;
  testing_tools::SampleDataSource sample;
  std::unique_ptr<TfrmMain> main;
};

}  // namespace testing_admin
