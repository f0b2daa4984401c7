// The option dialogs reached as in the running program: the main window
// with the registration routines of the main block, the stand-in data
// source, and the dialogs opened from the tool menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QButtonGroup>
#include <QToolButton>
#include <QTreeWidgetItemIterator>
#include <QTest>

#include "app/appregister.h"
#include "app/flogon.h"
#include "editor/ovmemo.h"
#include "tests/platform/whenshown.h"
#include "tests/tools/option_clicks.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "app/core/ovshortcut.h"
#include "app/core/ovdoc.h"
#include "tools/feoption.h"
#include "tools/fusrcmd.h"
#include "tools/fxlssetup.h"
#include "tools/foption.h"
#include "ui/ovcomctrls.h"
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
  // The item `caption` of the sub-menu `sub` of the tool menu.
  QAction* SubMenuItem(const QString& sub, const QString& caption) {
    for (QAction* top : main->menuBar()->actions())
      if (top->menu() && top->text().startsWith("ツール"))
        for (QAction* entry : top->menu()->actions())
          if (entry->menu() && entry->text() == sub)
            for (QAction* item : entry->menu()->actions())
              if (item->text() == caption) return item;
    return nullptr;
  }
  // The document items of a sub-menu, in menu order.
  std::vector<std::string> DocumentItems(const char* menu) const {
    std::vector<std::string> names;
    for (QAction* item : main->findChildren<QMenu*>(menu).value(0)->actions())
      if (!item->isSeparator() && item->objectName().isEmpty()) names.push_back(item->text().toStdString());
    return names;
  }
};

TEST_F(ToolsProgram, TheUserCommandEditorOfTheToolMenuRebuildsTheMenuInItsOrder) {
  WriteUserCommandDocument(ShareDir, "ZETA", {1, 0, {false, false, false, "SELECT 1"}});
  WriteUserCommandDocument(ShareDir, "ALPHA", {2, 0, {false, false, false, "SELECT 2"}});
  main->BuildUserCommandMenu();
  QAction* item = SubMenuItem("ユーザー定義コマンド", "ユーザー定義コマンドの登録(&M)");
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(item->isEnabled()) << "no connection needed";
  std::vector<std::string> listed;
  WhenShown<TfrmUserCommand>([&listed](TfrmUserCommand& form) {
    form.txtName->setText("BETA");
    form.txtSeq->setText("1");
    QTest::keyClick(form.hotShortCut, Qt::Key_F8, Qt::ControlModifier);
    form.txtSQL->setFocus();
    QTest::keyClicks(form.txtSQL, "SELECT 3");
    form.actAdd->trigger();
    for (int i = 0; i < form.lstCommand->count(); ++i) listed.push_back(form.lstCommand->item(i)->text().toStdString());
    form.actExit->trigger();
  });
  item->trigger();
  EXPECT_EQ(listed, (std::vector<std::string>{"BETA", "ZETA", "ALPHA"}));
  EXPECT_EQ(DocumentItems("mnuUserCommand"), listed);
  QAction* beta = main->findChildren<QMenu*>("mnuUserCommand").value(0)->actions().value(0);
  EXPECT_EQ(beta->shortcut(), ShortCutToKeySequence(TextToShortCut("Ctrl+F8")));
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

TEST_F(ToolsProgram, TheReportDefinitionEditorOfTheToolMenuRebuildsTheReportMenu) {
  QAction* item = SubMenuItem("レポート出力", "レポート定義の登録(&R)");
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(item->isEnabled()) << "no connection needed";
  bool shown = false;
  WhenShown<TfrmXLSSetup>([&shown](TfrmXLSSetup& form) {
    shown = true;
    form.actAdd->trigger();
    form.cmbType->setCurrentIndex(0);
    form.txtBodyTop->setText("2");
    form.txtBodyCount->setText("1");
    form.actSave->trigger();
    form.actExit->trigger();
  });
  item->trigger();
  ASSERT_TRUE(shown);
  EXPECT_EQ(DocumentItems("mnuReport"), (std::vector<std::string>{"オブジェクト一覧"}));
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

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

TEST_F(ToolsProgram, TheProgramOptionsOfTheToolMenuReachTheMainWindowAndEveryConnectionWindow) {
  AppOption.TreeSort = 0;
  AppOption.Find = true;
  AppOption.RowSelect = false;
  TfrmObject* first = Logon();
  TfrmObject* second = Logon();
  ASSERT_TRUE(first->btnTree1->isChecked());
  ASSERT_TRUE(first->pnlFind->isVisibleTo(first));
  QAction* item = MenuItem("ツール", "オプション(&P)...");
  ASSERT_NE(item, nullptr);
  ASSERT_TRUE(item->isEnabled());
  EXPECT_FALSE(main->actMain->Action("actDBCommit")->isEnabled()) << "automatic commit";
  const std::string newKeys = "Shift+Ctrl+F7";
  bool shown = false;
  WhenShown<TfrmOption>([&](TfrmOption& form) {
    shown = true;
    form.rdoSort->button(1)->click();
    Tick(form.chkFind);
    Tick(form.chkRowSelect);
    Tick(form.ChkAutoCommit);
    // The SQL window's key and the object list's "開く".
    for (const char* action : {"actViewSQL", "actOpen"}) {
      for (QTreeWidgetItemIterator it(form.lstShortCut); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == action) form.lstShortCut->setCurrentItem(*it);
      QTest::keyClick(form.lstShortCut, Qt::Key_Space);
    }
    // F1 on the tree is a key to give, not a call for help.
    QTest::keyClick(form.lstShortCut, Qt::Key_F1);
    EXPECT_EQ(form.lstShortCut->currentItem()->text(1).toStdString(), "F1");
    QTest::keyClick(form.lstShortCut, Qt::Key_F7, Qt::ShiftModifier | Qt::ControlModifier);
    form.btnOk->click();
  });
  item->trigger();
  ASSERT_TRUE(shown);
  EXPECT_EQ(AppOption.TreeSort, 1);
  EXPECT_FALSE(AppOption.AutoCommit);
  EXPECT_TRUE(main->actMain->Action("actDBCommit")->isEnabled()) << "commit and rollback re-evaluated";
  EXPECT_TRUE(main->actMain->Action("actViewSQL")->shortcut().isEmpty());
  EXPECT_EQ(main->ActionShortCut("actOpen"), TextToShortCut(newKeys));
  for (TfrmObject* window : {first, second}) {
    EXPECT_TRUE(window->btnTree2->isChecked());
    EXPECT_FALSE(window->pnlFind->isVisibleTo(window));
    EXPECT_TRUE(window->lstObject->RowSelect());
    // The connection window's own "開く" took the new key.
    EXPECT_EQ(window->Action("actOpen")->shortcut(), ShortCutToKeySequence(TextToShortCut(newKeys)));
  }
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

}  // namespace
