// The constraint editor's rebuild on the stand-in: a unique constraint
// added, its columns changed and deleted (the last one too), each time
// with the table's rows, storage, index, grants and view kept; a failure at
// any statement leaves the table as it was; and the editor opened and
// compiled through the running program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>

#include "app/fmainact.h"
#include "objedit/fconst.h"
#include "sqlwork/fsql.h"
#include "sqlwork/sqlregister.h"
#include "tests/objedit/tablecompile_fixture.h"
#include "ui/uiregister.h"

namespace testing_objedit {
namespace {

// Two unique constraints on S1.T, the second one last before ")".
constexpr const char* kTwoUniques = ", UNIQUE(C1, C2), UNIQUE(C3)";

class ConstraintRebuildTest : public TableCompileTest {
 protected:
  // The tree node of the unique constraint on `columns` ("(C1, C2)").
  static QTreeWidgetItem* UniqueNode(TfrmTable& table, const std::string& columns) {
    QTreeWidgetItem* root = table.lstConst->topLevelItem(0);
    for (int i = 0; i < root->childCount(); ++i)
      if (static_cast<TovTreeNode*>(root->child(i))->SubItem(1).toStdString() == columns) return root->child(i);
    return nullptr;
  }
  // The constraint editor on the unique constraint on `columns`, or on a
  // new one when `columns` is empty, opened from the table editor's tree.
  TfrmConst* OpenConstraint(TfrmTable& table, const std::string& columns) {
    const size_t before = Windows<TfrmConst>().size();
    if (columns.empty()) {
      table.lstConst->setCurrentItem(table.lstConst->topLevelItem(0));
      table.mnuConstNewClick();
    } else {
      QTreeWidgetItem* node = UniqueNode(table, columns);
      if (!node) return nullptr;
      table.lstConst->setCurrentItem(node);
      table.mnuConstOpenClick();
    }
    return Windows<TfrmConst>().size() == before + 1 ? Windows<TfrmConst>().back() : nullptr;
  }
  // Selects the named columns of a list.
  static void Select(QListWidget& list, const Lines& names) {
    list.clearSelection();
    for (const std::string& name : names)
      for (QListWidgetItem* item : list.findItems(QString::fromStdString(name), Qt::MatchExactly))
        item->setSelected(true);
  }
  // The state a successful rebuild leaves: `before` with other unique
  // constraints; the grantee named like the schema is not granted again.
  static TTableState Rebuilt(TTableState before, const Lines& uniques) {
    before.Uniques = uniques;
    std::erase(before.Grants, "S1 SELECT NO");
    return before;
  }
  static std::string CreateTableRun() {
    for (const std::string& statement : Journal())
      if (statement.rfind("CREATE TABLE S1.T\r\n", 0) == 0) return statement;
    return "";
  }
  static void ExpectNoFailedStatement() {
    for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
      if (!e.Error.empty()) ADD_FAILURE() << e.Statement << " -> " << e.Error;
  }
};

TEST_F(ConstraintRebuildTest, ANewUniqueConstraintRebuildsTheTableWithEverythingKept) {
  TfrmObject* window = LogonWithTable();
  const TTableState before = State(*window);
  ASSERT_EQ(before.Uniques, Lines{});
  TfrmTable* table = Open(*window);
  ASSERT_NE(table, nullptr);
  TfrmConst* editor = OpenConstraint(*table, "");
  ASSERT_NE(editor, nullptr);
  Select(*editor->lstTabCol, {"C2"});
  editor->btnInsClick();
  ASSERT_FALSE(Compile(*editor).empty());
  ExpectNoFailedStatement();
  EXPECT_EQ(Boxes(), Lines{});
  EXPECT_NE(CreateTableRun().find("PRIMARY KEY(C1),\r\n    UNIQUE(C2)\r\n)"), std::string::npos) << CreateTableRun();
  EXPECT_EQ(State(*window), Rebuilt(before, {"C2"}));
  EXPECT_FALSE(editor->IsNew);
  EXPECT_FALSE(editor->Changed);
  editor->Discard();
  table->Discard();
}

TEST_F(ConstraintRebuildTest, ChangedColumnsReplaceTheConstraintsLine) {
  TfrmObject* window = LogonWithTable(kTwoUniques);
  const TTableState before = State(*window);
  ASSERT_EQ(before.Uniques, (Lines{"C1,C2", "C3"}));
  TfrmTable* table = Open(*window);
  ASSERT_NE(table, nullptr);
  TfrmConst* editor = OpenConstraint(*table, "(C1, C2)");
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(editor->ConstraintColumns(), (Lines{"C1", "C2"}));
  Select(*editor->lstIdxCol, {"C2"});
  editor->btnDelClick();
  Select(*editor->lstTabCol, {"C3"});
  editor->btnInsClick();
  ASSERT_EQ(editor->ConstraintColumns(), (Lines{"C1", "C3"}));
  const Lines previewed = Compile(*editor);
  ASSERT_FALSE(previewed.empty());
  ExpectNoFailedStatement();
  EXPECT_EQ(Boxes(), Lines{});
  // The copy holds no constraint lines; the table's own script the new one.
  EXPECT_EQ(std::count_if(previewed.begin(), previewed.end(),
                          [](const std::string& l) { return l.find("UNIQUE(") != std::string::npos; }),
            2)
      << ::testing::PrintToString(previewed);
  EXPECT_NE(CreateTableRun().find("    UNIQUE(C1, C3),\r\n    UNIQUE(C3)\r\n)"), std::string::npos)
      << CreateTableRun();
  EXPECT_EQ(State(*window), Rebuilt(before, {"C1,C3", "C3"}));
  EXPECT_FALSE(editor->Changed);
  editor->Discard();
  table->Discard();
}

TEST_F(ConstraintRebuildTest, DeletingRebuildsWithoutTheLineAndTheLastOneLeavesAValidTable) {
  struct Case {
    const char* deleted;  // the tree's column text of the deleted constraint
    Lines left;
  };
  TfrmObject* window = LogonWithTable(kTwoUniques);
  const TTableState before = State(*window);
  for (const Case& c : {Case{"(C3)", {"C1,C2"}}, Case{"(C1, C2)", {}}}) {
    SCOPED_TRACE(c.deleted);
    symfoware::ClearStatementJournal();
    TfrmTable* table = Open(*window);
    ASSERT_NE(table, nullptr);
    TfrmConst* editor = OpenConstraint(*table, c.deleted);
    ASSERT_NE(editor, nullptr);
    ASSERT_TRUE(editor->actDelete->isEnabled());
    Run(*editor->actDelete);
    ExpectNoFailedStatement();
    EXPECT_EQ(Boxes(), Lines{});
    // The constraint was the last line before ")": the comma before it goes.
    EXPECT_NE(CreateTableRun().find(c.left.empty() ? "PRIMARY KEY(C1)\r\n)" : "UNIQUE(C1, C2)\r\n)"),
              std::string::npos)
        << CreateTableRun();
    EXPECT_EQ(State(*window), Rebuilt(before, c.left));
    QApplication::processEvents();
    EXPECT_EQ(Windows<TfrmConst>().size(), 0u) << "the window closes once the constraint is gone";
    table->Discard();
  }
}

// A failure at each statement of both stages, injected once: the table
// goes back with its constraint as it was and the editor keeps the change.
TEST_F(ConstraintRebuildTest, EveryFailureLeavesTheTableWithItsConstraintAsBefore) {
  struct Case {
    const char* pattern;
    bool dropped;  // the failure comes after the table's drop
  };
  const std::vector<Case> cases{
      {"^CREATE TABLE S1\\.T_", false},
      {"^INSERT INTO S1\\.T_", false},
      {"^DROP TABLE S1\\.T CASCADE", false},
      {"^CREATE TABLE S1\\.T\\s", true},
      {"^DROP DSI T ", true},
      {"^DROP DSO T ", true},
      {"^CREATE DSO D1", true},
      {"^CREATE DSI D1A", true},
      {"^CREATE (INDEX S1\\.T\\.IX|DSO IX)", true},
      {"^GRANT SELECT ON TABLE S1\\.T TO U2", true},
      {"^GRANT INSERT ON TABLE S1\\.T TO ROLE", true},
      {"^INSERT INTO S1\\.T\\s", true},
      {"^CREATE VIEW", true},
  };
  const std::string uniques = ", UNIQUE(C1, C2)";
  TfrmObject* window = LogonWithTable(uniques);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    const TTableState before = State(*window);
    ASSERT_EQ(before.Uniques, Lines{"C1,C2"});
    TfrmTable* table = Open(*window);
    ASSERT_NE(table, nullptr);
    TfrmConst* editor = OpenConstraint(*table, "(C1, C2)");
    ASSERT_NE(editor, nullptr);
    Select(*editor->lstIdxCol, {"C2"});
    editor->btnDelClick();
    Select(*editor->lstTabCol, {"C3"});
    editor->btnInsClick();
    symfoware::FailStatementsMatching(c.pattern, "JYP9999E injected", 1);
    Compile(*editor);
    symfoware::ClearStatementFailures();
    const Lines journal = Journal();
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const std::string& s) { return s.rfind("failed: ", 0) == 0; }),
              1)
        << ::testing::PrintToString(journal);
    TTableState now = State(*window);
    TTableState expected = before;
    if (c.dropped) {
      std::erase(now.Grants, "S1 SELECT NO");
      std::erase(expected.Grants, "S1 SELECT NO");
    }
    EXPECT_EQ(now, expected);
    EXPECT_TRUE(editor->Changed);
    editor->SetChanged(false);
    editor->Discard();
    table->Discard();
    window->ExecSQL("DROP TABLE S1.T CASCADE");
    for (const std::string& copy : Column(*window, std::string("SELECT TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE "
                                                               "WHERE ") + kCopyPattern))
      window->ExecSQL("DROP TABLE S1." + copy);
    env.Dialogs().messages.clear();
    MakeTable(*window, uniques);
  }
}

class ConstraintProgramTest : public ConstraintRebuildTest {
 protected:
  ConstraintProgramTest() {
    ClearActionHandlers();
    RegisterUi(*main);
    RegisterSqlWork();
    RegisterObjEdit();
  }
};

TEST_F(ConstraintProgramTest, TheConstraintEditorFromATableOpenedThroughDefinitionRebuildsIt) {
  TfrmObject* window = LogonWithTable(kTwoUniques);
  const TTableState before = State(*window);
  main->actMain->Action("actViewSQL")->trigger();
  TfrmSQL* sql = Windows<TfrmSQL>().back();
  sql->txtSQL->Lines().SetTextStr("S1.T");
  sql->txtSQL->SelectAll();
  sql->txtSQL->clearFocus();
  sql->txtSQL->setFocus();
  QApplication::processEvents();
  main->actMain->Action("actEditOpen")->trigger();
  ASSERT_EQ(Windows<TfrmTable>().size(), 1u);
  TfrmTable* table = Windows<TfrmTable>().front();
  table->pagObject->setCurrentWidget(table->tabDefine);
  QTreeWidgetItem* node = UniqueNode(*table, "(C3)");
  ASSERT_NE(node, nullptr);
  table->lstConst->setCurrentItem(node);
  table->popConstPopup();
  ASSERT_TRUE(table->mnuConstOpen->isEnabled());
  table->mnuConstOpen->trigger();
  ASSERT_EQ(Windows<TfrmConst>().size(), 1u);
  TfrmConst* editor = Windows<TfrmConst>().front();
  EXPECT_EQ(editor->ConstraintColumns(), Lines{"C3"});
  Select(*editor->lstTabCol, {"C2"});
  editor->btnInsClick();
  ASSERT_TRUE(editor->actCompile->isEnabled());
  Compile(*editor);
  ExpectNoFailedStatement();
  EXPECT_EQ(Boxes(), Lines{});
  EXPECT_EQ(State(*window), Rebuilt(before, {"C1,C2", "C3,C2"}));
}

}  // namespace
}  // namespace testing_objedit
