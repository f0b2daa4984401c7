// The runner and the plan mode reached as in the running program: the main
// window with the registration routines of the main block, the stand-in
// data source and its tools.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolButton>

#include <fstream>

#include "app/appregister.h"
#include "app/flogon.h"
#include "editor/ovmemo.h"
#include "sqlwork/fexecscr.h"
#include "sqlwork/fsql.h"
#include "sqlwork/rexplan.h"
#include "standin/symfoware/standin.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "tests/standin/tools_sample.h"
#include "ui/ovcomctrls.h"

namespace {

using testing_sqlwork::Lines;

class SqlWorkProgram : public testing_sqlwork::SQLWindow {
 protected:
  SqlWorkProgram() {
    testing_tools::UseStandinTools();
    unsetenv("SYMFOWARE_TOOL_FAIL");
    RegisterApp(*main);
    SetLogonProcedure(nullptr);  // the test logs on itself
  }
};

TEST_F(SqlWorkProgram, TheViewMenuRunsScriptsAndTheSqlWindowShowsPlans) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE SCHEMA S");
  connection->ExecSQL("CREATE TABLE S.T (A INTEGER)");
  connection->ExecSQL("COMMIT");

  QAction* script = MenuItem("表示", "スクリプト実行");
  ASSERT_NE(script, nullptr);
  ASSERT_TRUE(script->isEnabled());
  script->trigger();
  TfrmExecScript* runner = nullptr;
  for (QWidget* w : main->ChildWindows())
    if (auto* form = qobject_cast<TfrmExecScript*>(w)) runner = form;
  ASSERT_NE(runner, nullptr);
  const std::string first = env.Path("1.sql");
  const std::string second = env.Path("2.sql");
  std::ofstream(first, std::ios::binary) << "INSERT INTO S.T VALUES (1)\r\n;\r\nINSERT INTO S.T VALUES (2)\r\n";
  std::ofstream(second, std::ios::binary) << "DELETE FROM S.T WHERE A = 1\r\n";
  runner->WMDropFiles({first, second});
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES);
  env.Dialogs().QueueMessage(IDOK);
  runner->actExec->trigger();
  Lines journal;
  for (const symfoware::TJournalEntry& entry : symfoware::StatementJournal()) journal.push_back(entry.Statement);
  EXPECT_EQ(journal, (Lines{"INSERT INTO S.T VALUES (1)", "INSERT INTO S.T VALUES (2)", "DELETE FROM S.T WHERE A = 1"}));
  EXPECT_EQ(Boxes().back(), "スクリプトの実行を終了しました。");

  TfrmSQL* sql = OpenFromMain();
  ASSERT_NE(sql, nullptr);
  ASSERT_TRUE(sql->btnExplan->isEnabled());
  sql->btnExplan->click();
  EXPECT_TRUE(sql->pagExplan->isVisible());
  SetText(*sql, "SELECT * FROM S.T WHERE A > 0");
  sql->actExec->trigger();
  TovTreeView& tree = *sql->fraExplan->lstPlan;
  ASSERT_EQ(tree.topLevelItemCount(), 1);
  EXPECT_EQ(tree.topLevelItem(0)->text(0).toStdString(), "SELECT STATEMENT");
  QTreeWidgetItem* scan = tree.topLevelItem(0)->child(0)->child(0);
  ASSERT_NE(scan, nullptr);
  EXPECT_EQ(scan->text(0).toStdString(), "TABLE ALL SCAN");
  EXPECT_EQ(static_cast<TovTreeNode*>(scan)->SubItem(0).toStdString(), "S.T");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

}  // namespace
