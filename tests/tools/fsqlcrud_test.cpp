// The table-access matrix as the running program reaches it: the tool menu
// of the main window, a logon whose client SQL trace is on, statements run
// on it, and the matrix of the schema's tables against them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QListWidget>

#include <algorithm>

#include "tests/tools/tracewindow_fixture.h"
#include "tools/core/fsqlcatchcore.h"
#include "tools/fsqlcrud.h"
#include "ui/ovcomctrls.h"

namespace {

using testing_sqlwork::Lines;

class AccessMatrix : public testing_tools::TraceWindows {
 protected:
  TfrmSQLCRUD* OpenFromMenu() {
    QAction* item = ToolItem("テーブルアクセス表(&A)");
    if (!item) return nullptr;
    env.Dialogs().QueueFile(Trace());
    item->trigger();
    return Opened<TfrmSQLCRUD>().empty() ? nullptr : Opened<TfrmSQLCRUD>().front();
  }
  static Lines RowTexts(const TfrmSQLCRUD& form) {
    Lines rows;
    for (const TAccessRow& row : form.Rows())
      rows.push_back(row.Table + "|" + row.C + "|" + row.R + "|" + row.U + "|" + row.D + "|" + row.SQL);
    // Sorted by table; the order of one table's rows is not fixed.
    std::sort(rows.begin(), rows.end());
    return rows;
  }
};

TEST_F(AccessMatrix, TracedStatementsGiveOneRowPerTableAndStatement) {
  TfrmObject* connection = Logon();
  for (const char* sql : {"CREATE SCHEMA ADMIN", "CREATE TABLE ADMIN.EMP (A INTEGER, B INTEGER)",
                          "CREATE TABLE ADMIN.DEPT (D INTEGER)", "CREATE INDEX ADMIN.EMP_A ON EMP (A)",
                          "INSERT INTO ADMIN.EMP VALUES (1, 2)", "INSERT INTO ADMIN.EMP VALUES (3, 4)",
                          "SELECT B FROM ADMIN.EMP WHERE A = 1", "SELECT D FROM ADMIN.DEPT",
                          "UPDATE ADMIN.EMP SET B = 5", "DELETE FROM ADMIN.DEPT", "COMMIT"})
    connection->ExecSQL(sql);

  TfrmSQLCRUD* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle().toStdString(), "テーブルアクセス表 - ADMIN @ ORVTEST");
  EXPECT_EQ(form->cmbOwner->currentText().toStdString(), "ADMIN") << "the login user's schema";
  EXPECT_EQ(form->TableEntries().size(), 3u);
  EXPECT_TRUE(form->TableEntries().front().Ticked);
  EXPECT_EQ(form->TableEntries().front().Name, "*");
  EXPECT_TRUE(form->chkPerseSQL->isChecked());

  form->actRefresh->trigger();
  EXPECT_EQ(RowTexts(*form), (Lines{"DEPT||F|||SELECT D FROM ADMIN.DEPT", "DEPT||||*|DELETE FROM ADMIN.DEPT",
                                    "EMP|*||||INSERT INTO ADMIN.EMP VALUES (0, 0)",
                                    "EMP||*|||SELECT B FROM ADMIN.EMP WHERE A = 0", "EMP|||*||UPDATE ADMIN.EMP SET B = 0"}))
      << "two inserts alike as one row, the read through the index marked *";
  form->chkPerseSQL->setChecked(false);
  form->actRefresh->trigger();
  EXPECT_EQ(form->Rows().size(), 6u) << "the two inserts differ in their values";
  // Files written before the moment chosen contribute nothing.
  form->dtpFromDate->setDate(QDate::currentDate().addDays(1));
  form->actRefresh->trigger();
  EXPECT_TRUE(form->Rows().empty());
  form->dtpFromDate->setDate(QDate::currentDate());
  form->actRefresh->trigger();

  // Only the ticked table once "*" is cleared; none ticked is refused.
  form->lstTable->item(0)->setCheckState(Qt::Unchecked);
  for (int i = 1; i < form->lstTable->count(); ++i)
    form->lstTable->item(i)->setCheckState(form->lstTable->item(i)->text() == "DEPT" ? Qt::Checked : Qt::Unchecked);
  form->actRefresh->trigger();
  EXPECT_EQ(form->Rows().size(), 2u);
  form->lstTable->findItems("DEPT", Qt::MatchExactly).front()->setCheckState(Qt::Unchecked);
  env.Dialogs().QueueMessage(IDOK);
  form->actRefresh->trigger();
  EXPECT_EQ(Boxes(), Lines{kNoTableTicked});
  EXPECT_EQ(form->Rows().size(), 2u) << "nothing read";

  for (int i = 0; i < form->lstCRUD->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = form->lstCRUD->topLevelItem(i);
    item->setSelected(item->text(5).startsWith("DELETE"));
  }
  form->actSQLCopy->trigger();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "DELETE FROM ADMIN.DEPT");
  env.Dialogs().QueueMessage(IDOK);
  form->actCopy->trigger();
  const std::string copied = QApplication::clipboard()->text().toStdString();
  EXPECT_NE(copied.find("DEPT\t\t\t\t*\tDELETE FROM ADMIN.DEPT\r\n"), std::string::npos) << copied;
  EXPECT_NE(copied.find("DEPT\t\tF\t\t\tSELECT D FROM ADMIN.DEPT\r\n"), std::string::npos) << copied;
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

}  // namespace
