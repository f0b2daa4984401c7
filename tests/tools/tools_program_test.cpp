// The option dialogs reached as in the running program: the main window
// with the registration routines of the main block, the stand-in data
// source, and the dialogs opened from the tool menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/appregister.h"
#include "app/flogon.h"
#include "editor/ovmemo.h"
#include "tests/platform/whenshown.h"
#include "tests/tools/option_clicks.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "tools/feoption.h"
#include "tools/toolsregister.h"

namespace {

using testing_support::WhenShown;
using testing_tools::Tick;

class ToolsProgram : public testing_sqlwork::SQLWindow {
 protected:
  ToolsProgram() {
    RegisterApp(*main);
    SetLogonProcedure(nullptr);  // the test logs on itself
    RegisterTools();
  }
  // The main menu's item of `caption` under the menu `menu`.
  QAction* MenuItem(const QString& menu, const QString& caption) {
    for (QAction* top : main->menuBar()->actions())
      if (top->menu() && top->text().startsWith(menu))
        for (QAction* item : top->menu()->actions())
          if (item->text() == caption) return item;
    return nullptr;
  }
};

TEST_F(ToolsProgram, TheEditorOptionsOfTheToolMenuReachEveryOpenSqlEditor) {
  Logon();
  TfrmSQL* sql = OpenFromMain();
  ASSERT_NE(sql, nullptr);
  const bool ruler = sql->txtSQL->Ruler().Values().Visible;
  QAction* item = MenuItem("ツール", "エディタオプション(&E)...");
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(item->isEnabled());
  bool shown = false;
  WhenShown<TfrmEditorOption>([&](TfrmEditorOption& form) {
    shown = true;
    Tick(form.chkRuler);
    form.spnTab->setValue(2);
    form.btnOk->click();
  });
  item->trigger();
  EXPECT_TRUE(shown);
  EXPECT_EQ(main->EditorProperties().Ruler().Values().Visible, !ruler);
  EXPECT_EQ(sql->txtSQL->Ruler().Values().Visible, !ruler);
  EXPECT_EQ(sql->txtSQL->Caret().TabSpaceCount(), 2);
  // A window opened afterwards takes them too.
  TfrmSQL* later = OpenFromMain();
  ASSERT_NE(later, nullptr);
  EXPECT_EQ(later->txtSQL->Caret().TabSpaceCount(), 2);
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

}  // namespace
