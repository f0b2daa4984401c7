// The SQL capture as the running program reaches it: the tool menu of the
// main window with the registration routines of the main block, a logon to
// the stand-in data source whose client SQL trace is on, and the capture's
// list, plan, outputs and failures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QTimeEdit>
#include <QCheckBox>
#include <QToolButton>

#include "sqlwork/rexplan.h"
#include "tests/tools/tracewindow_fixture.h"
#include "tests/ui/core/workbook_fixture.h"
#include "tools/core/fsqlcatchcore.h"
#include "tools/fsqlcatch.h"
#include "ui/ovcomctrls.h"

namespace {

using testing_sqlwork::Lines;

class SQLCatch : public testing_tools::TraceWindows {
 protected:
  static QString Q(const std::string& text) { return QString::fromStdString(text); }

  // The capture opened from the tool menu, the folder dialog answered with
  // the trace folder.
  TfrmSQLCatch* OpenFromMenu(bool asked = true) {
    QAction* item = ToolItem("SQLキャッチ(&C)");
    if (!item) return nullptr;
    if (asked) env.Dialogs().QueueFile(Trace());
    item->trigger();
    return Opened<TfrmSQLCatch>().empty() ? nullptr : Opened<TfrmSQLCatch>().front();
  }
  // The list's rows whose statement begins with `head`.
  static std::vector<Lines> Rows(TfrmSQLCatch& form, const std::string& head) {
    std::vector<Lines> rows;
    for (const std::vector<std::string>& row : form.ListTable().Rows)
      if (row[2].rfind(head, 0) == 0) rows.push_back(row);
    return rows;
  }
};

TEST_F(SQLCatch, StatementsRunOnTheConnectionAreListedFoldedAndOpenTheirPlan) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("CREATE SCHEMA S");
  connection->ExecSQL("CREATE TABLE S.T (A INTEGER, B INTEGER)");
  connection->ExecSQL("CREATE INDEX S.T_A ON T (A)");
  for (int i = 0; i < 3; ++i) connection->ExecSQL("SELECT B FROM S.T WHERE A = 1");
  connection->ExecSQL("COMMIT");

  TfrmSQLCatch* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle().toStdString(), "SQLキャッチ - ADMIN @ ORVTEST");
  EXPECT_EQ(TraceFolderOf(TrcOption.Path, "ORVTEST"), Trace() + "/") << "asked once and kept";
  ASSERT_EQ(env.Dialogs().files.size(), 1u);
  EXPECT_EQ(env.Dialogs().files[0].caption, "トレースファイル格納フォルダの選択");
  EXPECT_EQ(form->lstTrace->topLevelItemCount(), 0) << "empty until asked";
  EXPECT_FALSE(form->actExcel->isEnabled());
  EXPECT_EQ(form->dtpFromTime->time(), QTime(0, 0, 0));

  form->actRefresh->trigger();
  const std::vector<Lines> folded = Rows(*form, "SELECT B FROM S.T");
  ASSERT_EQ(folded.size(), 1u);
  EXPECT_EQ(folded[0][0], "3");
  EXPECT_EQ(Rows(*form, "CREATE TABLE S.T").size(), 1u);
  form->chkSummary->setChecked(false);
  form->actRefresh->trigger();
  EXPECT_EQ(Rows(*form, "SELECT B FROM S.T").size(), 3u);
  EXPECT_EQ(Boxes(), Lines{});

  // A later threshold leaves out the files written before it.
  form->dtpFromDate->setDate(QDate::currentDate().addDays(1));
  form->actRefresh->trigger();
  EXPECT_EQ(form->lstTrace->topLevelItemCount(), 0);
  EXPECT_EQ(Boxes(), Lines{}) << "files exist, so no warning";
  form->dtpFromDate->setDate(QDate::currentDate());
  form->actRefresh->trigger();

  // A double-click opens the statement's plan in a new SQL window.
  QTreeWidgetItem* row = form->lstTrace->findItems("SELECT B FROM S.T WHERE A = 1", Qt::MatchExactly, 2).value(0);
  ASSERT_NE(row, nullptr);
  form->lstTrace->setCurrentItem(row);
  EXPECT_TRUE(form->actExplan->isEnabled());
  emit form->lstTrace->itemDoubleClicked(row, 0);
  ASSERT_EQ(Windows().size(), 1u);
  TfrmSQL& sql = *Windows()[0];
  EXPECT_EQ(Editor(sql), "SELECT B FROM S.T WHERE A = 1");
  EXPECT_TRUE(sql.btnExplan->isChecked());
  EXPECT_GT(sql.fraExplan->lstPlan->topLevelItemCount(), 0) << "the plan is shown";

  form->actSQLCopy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "SELECT B FROM S.T WHERE A = 1");

  // Opening it again brings the same window forward.
  QAction* item = MenuItem("ツール", "SQLキャッチ(&C)");
  item->trigger();
  EXPECT_EQ(Opened<TfrmSQLCatch>().size(), 1u);
}

TEST_F(SQLCatch, OutputsGoToTheClipboardAndAWorkbook) {
  TfrmObject* connection = Logon();
  connection->ExecSQL("SELECT 1,\r\n 2 FROM RDBII_SYSTEM.RDBII_DATABASE");
  TfrmSQLCatch* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  form->actRefresh->trigger();
  ASSERT_EQ(Rows(*form, "SELECT 1,").size(), 1u);
  const std::string time = Rows(*form, "SELECT 1,")[0][1];

  AppOption.PasteColumn = 1;
  form->actCopy->trigger();
  const std::string text = QApplication::clipboard()->text().toStdString();
  // The trace's lines are joined as they stand; the comma is quoted.
  EXPECT_NE(text.find("1," + time + ",\"SELECT 1, 2 FROM RDBII_SYSTEM.RDBII_DATABASE\"\r\n"), std::string::npos)
      << text;
  EXPECT_EQ(Boxes().back(), "クリップボードに出力しました。");

  const std::string book = env.Path("out/SQLCATCH.xlsx");
  env.Dialogs().QueueFile(book);
  form->actExcel->trigger();
  EXPECT_EQ(env.Dialogs().files.back().fileName, AppOption.ExcelDir + "SQLCATCH.xlsx");
  EXPECT_EQ(Boxes().back(), "ファイルに出力しました。");
  const std::string sheet = testing_workbook::RunPython(
      "ws = openpyxl.load_workbook(p).active\n"
      "print('|'.join(str(c.value) for c in ws[1]))\n"
      "print(sum(1 for r in ws.iter_rows(min_row=2, values_only=True) if str(r[2]).startswith('SELECT 1, 2 FROM')))",
      book);
  EXPECT_EQ(sheet, "COUNT|実行時間|SQL\n1");
}

TEST_F(SQLCatch, MissingFilesWarnAndAnUnreadableTimeLeavesTheListEmpty) {
  Logon();
  TrcOption.Path = {"ORVTEST=" + env.Path("empty")};
  QDir().mkpath(Q(env.Path("empty")));
  TfrmSQLCatch* form = OpenFromMenu(false);
  ASSERT_NE(form, nullptr);
  env.Dialogs().files.clear();
  form->actRefresh->trigger();
  EXPECT_EQ(Boxes(), (Lines{"Symfowareのトレースファイルが見つかりません。\r\nトレースファイル設定の確認の上、\r\n"
                            "トレースファイル格納フォルダを設定してください。"}));
  EXPECT_TRUE(env.Dialogs().files.empty()) << "the stored folder exists";

  QFile bad(Q(env.Path("empty/bad.TRC")));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("SQL statement :\nSELECT 1\nTotal Time   : 0x:00:01(000)\nSQL TRACE END\n");
  bad.close();
  env.Dialogs().messages.clear();
  form->actRefresh->trigger();
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("は正しい時刻ではありません"), std::string::npos);
  EXPECT_EQ(form->lstTrace->topLevelItemCount(), 0);

  // A folder that is gone is asked for again; cancelling ends quietly.
  TrcOption.Path = {"ORVTEST=" + env.Path("gone")};
  env.Dialogs().messages.clear();
  env.Dialogs().QueueFile(std::nullopt);
  form->actRefresh->trigger();
  EXPECT_EQ(Boxes(), Lines{});
  EXPECT_EQ(TraceFolderOf(TrcOption.Path, "ORVTEST"), env.Path("gone"));
}

}  // namespace
