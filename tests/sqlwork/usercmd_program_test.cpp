// User commands and reports of the connection window reached as in the
// running program: the registration routines of the main block, the
// sample data source, and documents in the shared folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <algorithm>
#include <memory>

#include "app/appregister.h"
#include "app/flogon.h"
#include "app/fmain.h"
#include "app/fmainact.h"
#include "app/fobject.h"
#include "platform/qstr.h"
#include "editor/ovmemo.h"
#include "sqlwork/fsql.h"
#include "sqlwork/sqlregister.h"
#include "standin/symfoware/standin.h"
#include "tests/common/program_main.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/tools_sample.h"
#include "tests/ui/core/workbook_fixture.h"

namespace {

using Lines = std::vector<std::string>;

void WriteShared(const std::string& path, const std::string& text) {
  QDir().mkpath(QFileInfo(Q(ShareDir + path)).absolutePath());
  QFile file(Q(ShareDir + path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text.c_str());
}

// The tables of `schema` in the window's list, all selected.
void SelectTables(TfrmObject& window, const std::string& schema) {
  const QSignalBlocker blocker(window.lstTree);
  QTreeWidgetItem* root = window.lstTree->topLevelItem(0);
  for (int i = 0; i < root->childCount(); ++i)
    if (root->child(i)->text(0).toStdString() == schema)
      for (int k = 0; k < root->child(i)->childCount(); ++k)
        if (root->child(i)->child(k)->text(0) == "TABLE") window.lstTree->setCurrentItem(root->child(i)->child(k));
  window.FillObjectList(true);
  window.lstObject->selectAll();
}

QAction* MenuItem(const QMenu& menu, const std::string& caption) {
  for (QAction* item : menu.actions())
    if (item->text().toStdString() == caption) return item;
  return nullptr;
}

class UserCommandProgram : public testing_workbook::WorkbookFixture {};

TEST_F(UserCommandProgram, TheMainMenusCommandAndReportActOnTheCurrentConnectionWindow) {
  testing_tools::SampleDataSource sample;
  testing_support::TempSettings env;
  std::unique_ptr<TfrmMain> main = testing_support::StartProgramMain();
  RegisterApp(*main);
  RegisterSqlWork();
  SetLogonProcedure(nullptr);
  AppOption.TypeTable = true;
  AppOption.AutoCommit = true;
  WriteShared("USERCMD/drop.cmd", "<OVDOC OVDOC-VERSION=\"2\"><USERCMD SQL=\"DROP TABLE &amp;OWNER.&amp;NAME\"/></OVDOC>");
  WriteShared("USERCMD/look.cmd",
              "<OVDOC OVDOC-VERSION=\"2\"><USERCMD SQLWINDOW=\"1\" SQL=\"SELECT * FROM &amp;OWNER.&amp;NAME\"/></OVDOC>");
  WriteShared("xlsdef/list.def",
              "<OVDOC OVDOC-VERSION=\"2\"><XLSDEF XLSFILE=\"list.xlsx\" BODYTOP=\"2\" BODYCOUNT=\"5\">"
              "<HEADER NAME=\"SCHEMA\" ROW=\"1\" COL=\"1\"/><BODY NAME=\"OBJECTNAME\" ROW=\"1\" COL=\"1\"/>"
              "<BODY NAME=\"COMMENT\" ROW=\"1\" COL=\"2\"/></XLSDEF></OVDOC>");
  main->BuildUserCommandMenu();
  main->BuildReportMenu();
  auto* window = new TfrmObject(main.get(), testing_tools::kSamplePassword, testing_tools::kSampleUser,
                                testing_tools::kSampleDataSource);
  env.Dialogs().messages.clear();
  // The main window's menus copied into the connection window.
  ASSERT_NE(MenuItem(*window->mnuCommand, "drop"), nullptr);
  ASSERT_NE(MenuItem(*window->mnuCommand, "look"), nullptr);
  ASSERT_NE(MenuItem(*window->mnuReport, "list"), nullptr);
  const QMenu* mainCommands = main->findChild<QMenu*>("mnuUserCommand");
  const QMenu* mainReports = main->findChild<QMenu*>("mnuReport");
  ASSERT_NE(mainCommands, nullptr);
  ASSERT_NE(mainReports, nullptr);

  // The report from the main window's menu.
  SelectTables(*window, "SALES");
  const std::string target = Path("list.xlsx");
  env.Dialogs().QueueFile(target);
  env.Dialogs().QueueMessage(IDOK);
  QAction* report = MenuItem(*mainReports, "list");
  ASSERT_NE(report, nullptr);
  main->actMain->ApplyConnectionState();
  report->trigger();
  EXPECT_EQ(env.Dialogs().messages.back().text, "list の出力が完了しました。");
  EXPECT_EQ(Python("ws = openpyxl.load_workbook(p).active\nprint(ws.title, [[c.value for c in r] for r in "
                   "ws.iter_rows(min_row=1, max_row=3, max_col=2)])",
                   target),
            "TABLE.SALES [['SALES', None], ['CUSTOMER', '顧客マスタ'], ['ORDERS', '受注明細']]");

  // The SQL windows of a command, each holding and running its text.
  SelectTables(*window, "HR");
  MenuItem(*window->mnuCommand, "look")->trigger();
  Lines texts;
  for (QWidget* w : main->ChildWindows())
    if (auto* form = qobject_cast<TfrmSQL*>(w)) texts.push_back(form->txtSQL->Text());
  std::sort(texts.begin(), texts.end());
  EXPECT_EQ(texts, (Lines{"SELECT * FROM HR.DEPT", "SELECT * FROM HR.EMPLOYEE"}));

  // The main window's command drops two selected tables.
  main->activateWindow();
  SelectTables(*window, "STOCK");
  symfoware::ClearStatementJournal();
  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDOK);
  QAction* drop = MenuItem(*mainCommands, "drop");
  ASSERT_NE(drop, nullptr);
  main->actMain->ApplyConnectionState();
  ASSERT_TRUE(drop->isEnabled());
  drop->trigger();
  Lines drops;
  for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
    if (e.Statement.rfind("DROP", 0) == 0 && e.Error.empty()) drops.push_back(e.Statement);
  EXPECT_EQ(drops, (Lines{"DROP TABLE STOCK.INVENTORY", "DROP TABLE STOCK.ITEM"}));
  ASSERT_EQ(env.Dialogs().messages.size(), 1u);
  EXPECT_EQ(env.Dialogs().messages[0].text, "コマンドを実行しました。");

  SetLogonProcedure(nullptr);
  SetLogonReceiver(nullptr);
  testing_support::StopProgramMain(main);
}

}  // namespace
