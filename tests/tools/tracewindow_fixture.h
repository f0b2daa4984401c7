// The trace windows as the running program reaches them: the main window
// with the registration routines of the main block, the stand-in tools on
// the PATH (so the server is local), and a logon to the stand-in data
// source whose client SQL trace goes to its folder "trace".
#pragma once

#include <QDir>

#include <cstdlib>
#include <string>

#include "app/appregister.h"
#include "app/core/ovoptions.h"
#include "app/flogon.h"
#include "objedit/objregister.h"
#include "standin/symfoware/standin.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "tests/standin/tools_sample.h"
#include "tools/toolsregister.h"

namespace testing_tools {

class TraceWindows : public testing_sqlwork::SQLWindow {
 protected:
  TraceWindows() {
    path_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    UseStandinTools();
    RegisterApp(*main);
    SetLogonProcedure(nullptr);  // the test logs on itself
    RegisterObjEdit();
    RegisterTools();
    TrcOption.Path.clear();
    AppOption.PasteDialog = false;
    AppOption.PasteColumn = 0;
    AppOption.ExcelDir = env.Path("out") + "/";
    AppOption.ExcelExt = ".xlsx";
    // The data source traces once its folder exists, from the next logon.
    QDir().mkpath(QString::fromStdString(Trace()));
  }
  ~TraceWindows() override {
    setenv("PATH", path_.c_str(), 1);
    TrcOption.Path.clear();
    symfoware::ClearStatementFailures();
  }

  std::string Trace() const { return odbc.Path("trace"); }
  // The main menu's tool item of `caption`, checked enabled.
  QAction* ToolItem(const char* caption) {
    QAction* item = MenuItem("ツール", caption);
    EXPECT_NE(item, nullptr) << caption;
    if (item) {
      EXPECT_TRUE(item->isEnabled()) << caption;
    }
    return item;
  }
  template <class T>
  std::vector<T*> Opened() const {
    std::vector<T*> windows;
    for (QWidget* w : main->ChildWindows())
      if (auto* form = qobject_cast<T*>(w)) windows.push_back(form);
    return windows;
  }

  std::string path_;
};

}  // namespace testing_tools
