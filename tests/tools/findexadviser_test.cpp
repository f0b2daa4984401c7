// The index adviser as the running program reaches it, on a stand-in table
// with its storage and one index: analyse, create a proposal through the
// DDL preview and execution windows, analyse again; the before/after test
// of an UPDATE; the statements it refuses; the existing index's deletion.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>

#include "app/core/odsql.h"
#include "editor/ovmemo.h"
#include "objedit/fddlexec.h"
#include "objedit/fddlpreview.h"
#include "tests/platform/whenshown.h"
#include "tests/tools/tracewindow_fixture.h"
#include "tools/core/fsqlcatchcore.h"
#include "tools/findexadviser.h"
#include "tools/fsqlcatch.h"
#include "ui/ovcomctrls.h"
#include "ui/ovstdctl.h"

namespace {

using testing_sqlwork::Lines;

class IndexAdviser : public testing_tools::TraceWindows {
 protected:
  // Schema S with table T (A, B, C) in its own storage, an index on A and
  // three rows; the trace folder kept for the data source.
  TfrmObject* Prepare() {
    TfrmObject* connection = Logon();
    for (const char* sql : {"CREATE SCHEMA S", "CREATE TABLE S.T (A INTEGER, B INTEGER, C INTEGER)",
                            "CREATE DSO TD FROM S.T TYPE SEQUENTIAL(PAGESIZE(4), ORDER(1))",
                            "CREATE DSI TDA DSO TD ALLOCATE DATA ON DBSPACE1 SIZE 1M", "CREATE INDEX S.T_A ON T (A)",
                            "INSERT INTO S.T VALUES (1, 2, 3)", "INSERT INTO S.T VALUES (1, 5, 6)",
                            "INSERT INTO S.T VALUES (7, 2, 9)", "COMMIT"})
      connection->ExecSQL(sql);
    TrcOption.Path = {"ORVTEST=" + Trace() + "/"};
    env.Dialogs().messages.clear();
    return connection;
  }
  TfrmIndexAdviser* OpenFromMenu() {
    QAction* item = ToolItem("インデックスアドバイザ(&I)");
    if (!item) return nullptr;
    item->trigger();
    return Opened<TfrmIndexAdviser>().empty() ? nullptr : Opened<TfrmIndexAdviser>().back();
  }
  static void Analyse(TfrmIndexAdviser& form, const std::string& sql) {
    form.txtSQL->Lines().SetTextStr(sql);
    form.txtSQL->SetModified(true);
    form.actExec->trigger();
  }
  // A tree as "<level>|<text>|<sub-items...>" lines.
  static Lines Tree(TovTreeView& tree) {
    Lines lines;
    for (int i = 0; i < tree.topLevelItemCount(); ++i) {
      auto* top = static_cast<TovTreeNode*>(tree.topLevelItem(i));
      lines.push_back(std::string("0|").append(top->text(0).toStdString()));
      for (int j = 0; j < top->childCount(); ++j) {
        auto* node = static_cast<TovTreeNode*>(top->child(j));
        std::string line = std::string("1|").append(node->text(0).toStdString());
        for (int k = 0; k < node->SubItemCount(); ++k) line.append("|").append(node->SubItem(k).toStdString());
        lines.push_back(line);
      }
    }
    return lines;
  }
  static void Select(TfrmIndexAdviser& form, TovTreeView& tree, const std::string& name) {
    tree.setFocus();
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
      for (int j = 0; j < tree.topLevelItem(i)->childCount(); ++j)
        if (tree.topLevelItem(i)->child(j)->text(0).toStdString() == name)
          tree.setCurrentItem(tree.topLevelItem(i)->child(j));
    (void)form;
  }
  static std::string Value(TfrmObject& connection, const std::string& sql) {
    TovSQLQuery& q = connection.OpenSQL(sql);
    return q.Eof() ? std::string() : q.AsString(size_t{0});
  }
  static std::string Rows(TfrmObject& connection) {
    std::string rows;
    for (TovSQLQuery& q = connection.OpenSQL("SELECT A, B, C FROM S.T ORDER BY A, B"); !q.Eof(); q.Next())
      rows.append(q.AsString(size_t{0})).append(q.AsString(size_t{1})).append(q.AsString(size_t{2})).append(" ");
    return rows;
  }
  static constexpr char kUpdate[] = "UPDATE S.T SET C = 0 WHERE A = 1 AND B = 2";
};

TEST_F(IndexAdviser, AnalyseCreateThroughThePreviewAndAnalyseAgain) {
  TfrmObject* connection = Prepare();
  TfrmIndexAdviser* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle().toStdString(), "インデックスアドバイザ - ADMIN @ ORVTEST");
  EXPECT_EQ(form->txtColCount->text(), "2");
  Analyse(*form, "SELECT * FROM S.T WHERE A = 1 AND B = 2");
  EXPECT_EQ(Boxes(), Lines{});
  EXPECT_EQ(Tree(*form->lstIndex), (Lines{"0|S.T", "1|T_A|NONUNIQUE INDEX|A|使用|S"}));
  EXPECT_EQ(Tree(*form->lstNewIndex),
            (Lines{"0|S.T", "1|IDX_T|NONUNIQUE INDEX|A, B|未作成", "1|IDX_T2|NONUNIQUE INDEX|B, A|未作成"}));
  EXPECT_EQ(SQLLogFiles.size(), 1u) << "the analysed text joins the history";

  // A proposal takes another name.
  Select(*form, *form->lstNewIndex, "IDX_T2");
  EXPECT_TRUE(form->actNameChange->isEnabled());
  env.Dialogs().QueueInput({true, "  ", {}});
  env.Dialogs().QueueInput({true, "IX_BA", {}});
  form->actNameChange->trigger();
  EXPECT_EQ(env.Dialogs().inputs.size(), 2u) << "a blank name is asked again";
  EXPECT_EQ(env.Dialogs().inputs[0].caption, "インデックス名の変更");

  // Created through the preview and the execution window.
  Select(*form, *form->lstNewIndex, "IDX_T");
  ASSERT_TRUE(form->actCreate->isEnabled());
  AppOption.ShowDDL = true;
  AppOption.CloseDDL = true;
  Lines previewed;
  testing_support::WhenShown<TfrmDDLPreview>([&](TfrmDDLPreview& preview) {
    for (int i = 0; i < preview.txtLog->Lines().GetCount(); ++i) previewed.push_back(preview.txtLog->Lines().Get(i));
    preview.btnOK->click();
  });
  form->actCreate->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(previewed, (Lines{"CREATE DSO IDX_T", "INDEX ON S.T(A, B)",
                              "TYPE BTREE (PAGESIZE1(4), PAGESIZE2(4), REALIGNMENT)", ";",
                              "CREATE DSI IDX_T INDEX DSO IDX_T", "OPTION(REALIGNMENT)",
                              "ALLOCATE BASE ON DBSPACE1 SIZE 64K", ",INDEX ON DBSPACE1 SIZE 64K", ",FORMAT EXPAND OFF",
                              ";"}));
  EXPECT_EQ(Value(*connection, "SELECT INDEX_DSO_NAME FROM RDBII_SYSTEM.RDBII_INDEX WHERE INDEX_DSO_NAME = 'IDX_T'"),
            "IDX_T");
  // Analysed again: the new index is the one the plan takes, and its
  // proposal shows it made.
  const Lines existing = Tree(*form->lstIndex);
  EXPECT_NE(std::find(existing.begin(), existing.end(), "1|IDX_T|NONUNIQUE INDEX|A, B|使用|S"), existing.end());
  const Lines proposals = Tree(*form->lstNewIndex);
  EXPECT_NE(std::find(proposals.begin(), proposals.end(), "1|IDX_T|NONUNIQUE INDEX|A, B|作成済"), proposals.end());
  EXPECT_NE(std::find(proposals.begin(), proposals.end(), "1|IDX_T2|NONUNIQUE INDEX|B, A|未作成"), proposals.end());
}

TEST_F(IndexAdviser, TestingAnUpdateKeepsTheRowsAndLeavesNoIndexAlsoWhenTheAfterRunFails) {
  TfrmObject* connection = Prepare();
  const std::string rows = Rows(*connection);
  TfrmIndexAdviser* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  Analyse(*form, kUpdate);
  Select(*form, *form->lstNewIndex, "IDX_T");
  ASSERT_TRUE(form->actTest->isEnabled());
  symfoware::ClearStatementJournal();
  env.Dialogs().QueueMessage(IDYES);
  form->actTest->trigger();
  ASSERT_FALSE(Boxes().empty());
  EXPECT_NE(Boxes().back().find("【テスト結果】"), std::string::npos) << Boxes().back();
  EXPECT_EQ(Boxes().back().find("[インデックス作成前]　　\r\n"), std::string::npos) << "the times were read";
  EXPECT_EQ(Rows(*connection), rows);
  const std::string indexes = "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_INDEX WHERE INDEX_DSO_NAME = 'IDX_T'";
  EXPECT_EQ(Value(*connection, indexes), "0");
  // The same test with its "after" run refused by the server.
  size_t after = 0;
  int updates = 0;
  const std::vector<symfoware::TJournalEntry> journal = symfoware::StatementJournal();
  for (size_t i = 0; i < journal.size(); ++i)
    if (journal[i].Statement == kUpdate && ++updates == 2) after = i;
  ASSERT_EQ(updates, 2);
  symfoware::ClearStatementJournal();
  symfoware::FailStatementAt(after, "JYP1234E forced failure");
  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDYES);
  form->actTest->trigger();
  symfoware::ClearStatementFailures();
  ASSERT_EQ(Boxes().size(), 2u);
  EXPECT_NE(Boxes()[1].find("forced failure"), std::string::npos) << Boxes()[1];
  EXPECT_EQ(Rows(*connection), rows);
  EXPECT_EQ(Value(*connection, indexes), "0") << "the index made goes again";
}

TEST_F(IndexAdviser, RefusedStatementsAndTheDeletionOfAnExistingIndex) {
  TfrmObject* connection = Prepare();
  TfrmIndexAdviser* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  Analyse(*form, "INSERT INTO S.T VALUES (1, 1, 1)");
  Analyse(*form, "SELECT * FROM S.T WHERE (A = 1");
  EXPECT_EQ(Boxes(), (Lines{"この SQL を解析することが出来ません。", "この SQL を解析することは出来ません。"}));
  EXPECT_EQ(form->lstIndex->topLevelItemCount(), 0);

  env.Dialogs().messages.clear();
  Analyse(*form, "SELECT * FROM S.T WHERE C = 1");
  ASSERT_EQ(Tree(*form->lstIndex), (Lines{"0|S.T", "1|T_A|NONUNIQUE INDEX|A|未使用|S"}));
  Select(*form, *form->lstIndex, "T_A");
  env.Dialogs().QueueMessage(IDYES);
  form->mnuIndexDelete->trigger();
  ASSERT_GE(Boxes().size(), 2u);
  EXPECT_EQ(Boxes()[0], "このインデックスが他のSQLで使用される場合もありますが、\r\nインデックスを削除しますか？");
  EXPECT_EQ(env.Dialogs().messages[0].flags & MB_DEFBUTTON2, static_cast<unsigned>(MB_DEFBUTTON2));
  EXPECT_EQ(Boxes().back(), "インデックスが削除されました。");
  EXPECT_EQ(Tree(*form->lstIndex), (Lines{"0|S.T", "1|(インデックスがありません)"}));
  EXPECT_EQ(Value(*connection, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_INDEX WHERE INDEX_DSO_NAME = 'T_A'"), "0");
}

TEST_F(IndexAdviser, HistoryStepsAndTheColumnLimitIsKept) {
  Prepare();
  TfrmIndexAdviser* form = OpenFromMenu();
  ASSERT_NE(form, nullptr);
  Analyse(*form, "SELECT * FROM S.T WHERE A = 1");
  Analyse(*form, "SELECT * FROM S.T WHERE B = 2");
  EXPECT_EQ(form->LogIndex, 0);
  form->actPrev->trigger();
  EXPECT_EQ(form->txtSQL->Text(), "SELECT * FROM S.T WHERE A = 1\r\n");
  form->actPrev->trigger();
  EXPECT_EQ(form->LogIndex, 1) << "no older entry";
  form->actNext->trigger();
  EXPECT_EQ(form->txtSQL->Text(), "SELECT * FROM S.T WHERE B = 2\r\n");
  form->actNext->trigger();
  EXPECT_EQ(form->LogIndex, -1);
  EXPECT_EQ(form->txtSQL->Text(), "") << "past the newest the editor is empty";

  // A limit of 0 is refused; 3 columns make three-column proposals.
  form->txtColCount->setText("0");
  EXPECT_EQ(Boxes().back(), "作成するインデックス列の上限数は1以上の整数で入力して下さい。");
  form->txtColCount->setText("3");
  Analyse(*form, "SELECT * FROM S.T WHERE A = 1 AND B = 2 AND C = 3");
  EXPECT_EQ(Tree(*form->lstNewIndex)[1], "1|IDX_T|NONUNIQUE INDEX|A, B, C|未作成");
  qobject_cast<QWidget*>(form->parent())->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  TfrmIndexAdviser* again = OpenFromMenu();
  ASSERT_NE(again, nullptr);
  QCoreApplication::processEvents();
  EXPECT_EQ(again->txtColCount->text(), "3");
}

TEST_F(IndexAdviser, TheCaptureHandsItsStatementToTheAdviser) {
  TfrmObject* connection = Prepare();
  connection->ExecSQL("SELECT * FROM S.T WHERE B = 2");
  QAction* item = ToolItem("SQLキャッチ(&C)");
  ASSERT_NE(item, nullptr);
  item->trigger();
  ASSERT_EQ(Opened<TfrmSQLCatch>().size(), 1u);
  TfrmSQLCatch& capture = *Opened<TfrmSQLCatch>()[0];
  capture.actRefresh->trigger();
  QTreeWidgetItem* row = capture.lstTrace->findItems("SELECT * FROM S.T WHERE B = 2", Qt::MatchExactly, 2).value(0);
  ASSERT_NE(row, nullptr);
  capture.lstTrace->setCurrentItem(row);
  capture.actIndexAdviser->trigger();
  ASSERT_EQ(Opened<TfrmIndexAdviser>().size(), 1u);
  EXPECT_EQ(Tree(*Opened<TfrmIndexAdviser>()[0]->lstNewIndex), (Lines{"0|S.T", "1|IDX_T|NONUNIQUE INDEX|B|未作成"}));
}

}  // namespace
