// The table editor's compile on the stand-in: comments and one added
// column altered, everything else re-created with its rows, storage,
// index and grants; a failure at any statement, at the definition report
// or at the copy's drop ends with the table as before or as after, and the
// rows somewhere a user is told of.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDirIterator>
#include <QTimer>

#include <algorithm>
#include <sstream>

#include "app/fmainact.h"
#include "app/fobjddl.h"
#include "objedit/core/ftablecompile.h"
#include "objedit/fddlexec.h"
#include "objedit/fddlpreview.h"
#include "objedit/ftable.h"
#include "objedit/rstorage.h"
#include "sqlwork/fsql.h"
#include "sqlwork/sqlregister.h"
#include "tests/objedit/tablecompile_fixture.h"
#include "tests/platform/whenshown.h"
#include "tests/standin/tools_sample.h"
#include "ui/ovgrid.h"

namespace testing_objedit {
namespace {

constexpr const char* kViewQuestion = "テーブルの再作成により、次のオブジェクトが削除されます。\r\nS1.V\r\n処理を続行しますか？";

// The files under a folder, at any depth.
int FilesUnder(const std::string& folder) {
  int count = 0;
  for (QDirIterator it(QString::fromStdString(folder), QDir::Files, QDirIterator::Subdirectories); it.hasNext();
       it.next())
    ++count;
  return count;
}

TEST_F(TableCompileTest, CommentsAndOneAddedColumnAreAltered) {
  AppOption.SaveBeforeSource = true;
  AppOption.SaveBeforeSrcDir = env.Path("before") + "/";
  AppOption.SaveAfterSource = true;
  AppOption.SaveAfterSrcDir = env.Path("after") + "/";
  TfrmObject* window = LogonWithTable();
  const TTableState before = State(*window);
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  Edit(*editor->txtComment, "表");
  editor->grdColumn->SetEditText(kColComment, 2, "件数");
  editor->grdColumn->SetEditText(kColName, 4, "C4");
  editor->grdColumn->SetEditText(kColType, 4, "DATE");
  ASSERT_FALSE(editor->NeedsRebuild());
  const Lines previewed = Compile(*editor);
  EXPECT_EQ(previewed.front(), "ALTER TABLE S1.T");
  EXPECT_EQ(Journal(), (Lines{"ALTER TABLE S1.T\r\nADD(C4                             DATE)",
                              "ALTER TABLE S1.T COMMENT '表'", "ALTER TABLE S1.T MODIFY C2 COMMENT '件数'"}));
  TTableState after = State(*window);
  EXPECT_EQ(after.Columns.back(), "C4 DT YES NULL");
  after.Columns.pop_back();
  EXPECT_EQ(after, before);
  EXPECT_EQ(editor->txtComment->text().toStdString(), "表");
  EXPECT_EQ(editor->grdColumn->Cells(kColComment, 2), "件数");
  EXPECT_FALSE(editor->Changed);
  EXPECT_EQ(FilesUnder(env.Path("before")), 1);
  EXPECT_EQ(FilesUnder(env.Path("after")), 1);

  Edit(*editor->txtComment, "");
  Compile(*editor);
  EXPECT_EQ(Journal().back(), "ALTER TABLE S1.T COMMENT OFF");
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_COMMENT WHERE COMMENT_TYPE = 'TV'"), "0");
  EXPECT_EQ(Boxes(), Lines{});
}

TEST_F(TableCompileTest, AMovedColumnRebuildsTheTableWithItsRowsStorageIndexAndGrants) {
  TfrmObject* window = LogonWithTable();
  const TTableState before = State(*window);
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->fraStorage->TableStorage().DsoName, "D1");
  MoveC3Up(*editor);
  const Lines previewed = Compile(*editor);
  ASSERT_FALSE(previewed.empty());
  EXPECT_EQ(Boxes(), Lines{});
  Lines journal = Journal();
  for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
    if (!e.Error.empty()) ADD_FAILURE() << e.Statement << " -> " << e.Error;
  ASSERT_GE(journal.size(), 12u) << ::testing::PrintToString(journal);
  EXPECT_EQ(journal[0].substr(0, 16), "CREATE TABLE S1.");
  EXPECT_EQ(journal[1].substr(0, 14), "INSERT INTO S1");
  EXPECT_EQ(journal[2], "DROP TABLE S1.T CASCADE");
  EXPECT_EQ(journal[3].substr(0, 19), "CREATE TABLE S1.T\r\n");
  EXPECT_EQ(journal[4], "DROP DSI T CASCADE");
  EXPECT_EQ(journal[5], "DROP DSO T CASCADE");
  EXPECT_EQ(journal[6].substr(0, 13), "CREATE DSO D1");
  EXPECT_EQ(journal.back().substr(0, 16), "DROP TABLE S1.T_");
  EXPECT_NE(std::find(journal.begin(), journal.end(), "GRANT INSERT ON TABLE S1.T TO ROLE R1"), journal.end());
  EXPECT_NE(std::find(journal.begin(), journal.end(), "GRANT SELECT ON TABLE S1.T TO U2 WITH GRANT OPTION"),
            journal.end());
  // The view the CASCADE took is made again by its own script writer.
  EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                          [](const std::string& s) { return s.rfind("CREATE VIEW S1.V AS\r\n", 0) == 0; }),
            1);

  const TTableState after = State(*window);
  EXPECT_EQ(after.Columns, (Lines{"C1 CH NO NULL", "C3 IN YES NULL", "C2 IN YES 0"}));
  EXPECT_EQ(after.Rows, before.Rows);
  EXPECT_EQ(after.Storage, before.Storage);
  EXPECT_EQ(after.Indexes, before.Indexes);
  // The grantee named like the schema is not granted again.
  EXPECT_EQ(before.Grants, (Lines{"ROLE R1 INSERT", "S1 SELECT NO", "U2 SELECT YES"}));
  EXPECT_EQ(after.Grants, (Lines{"ROLE R1 INSERT", "U2 SELECT YES"}));
  EXPECT_EQ(after.Views, Lines{"V"});
  EXPECT_EQ(Column(*window, "SELECT C1 FROM S1.V ORDER BY 1"), (Lines{"A", "B", "C"}));
  EXPECT_EQ(after.Copies, Lines{});
  // The window shows the table anew, its copy under a new time stamp.
  EXPECT_FALSE(editor->Changed);
  EXPECT_EQ(editor->grdColumn->Cells(kColName, 2), "C3");
  EXPECT_EQ(editor->grdColumn->Objects(kColName, 2).toInt(), 2);
}

TEST_F(TableCompileTest, ARebuiltTableKeepsItsTriggerAndShowsEveryColumnOnItsDataPage) {
  TfrmObject* window = LogonWithTable();
  window->ExecSQL("CREATE TRIGGER S1.TR BEFORE INSERT ON S1.T REFERENCING NEW AS N FOR EACH ROW WHEN (N.C3 > 0)\r\n"
                  "INSERT INTO S1.T VALUES ('Z', 0, 0);");
  const std::string trigger =
      "SELECT TRIG_NAME || '|' || EVENT_OBJ_TBL_NAME || '|' || EVENT_MANIPURATION || '|' || COND_TIMING || '|' || "
      "ACTION_CONDITION || '|' || ACTION_STMT_LIST FROM RDBII_SYSTEM.RDBII_TRIGGER WHERE TRIG_NAME = 'TR'";
  const Lines before = Column(*window, trigger);
  ASSERT_EQ(before.size(), 1u);
  symfoware::ClearStatementJournal();
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  // A choice of the data page's columns ends with the compile.
  editor->DisplayColumns = {"C2"};
  MoveC3Up(*editor);
  ASSERT_FALSE(Compile(*editor).empty());
  EXPECT_EQ(editor->DisplayColumns, (Lines{"C1", "C3", "C2"}));
  for (const symfoware::TJournalEntry& e : symfoware::StatementJournal())
    if (!e.Error.empty()) ADD_FAILURE() << e.Statement << " -> " << e.Error;
  const Lines journal = Journal();
  EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                          [](const std::string& s) { return s.rfind("CREATE TRIGGER S1.TR\r\n", 0) == 0; }),
            1)
      << ::testing::PrintToString(journal);
  EXPECT_EQ(Column(*window, trigger), before);
  EXPECT_EQ(State(*window).Columns, (Lines{"C1 CH NO NULL", "C3 IN YES NULL", "C2 IN YES 0"}));
}

TEST_F(TableCompileTest, RowsGivenUpAskFirstAndANoRunsNothing) {
  AppOption.BackupData = false;
  TfrmObject* window = LogonWithTable();
  const TTableState before = State(*window);
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  editor->grdColumn->SetEditText(kColName, 3, "C9");  // renamed
  env.Dialogs().QueueMessage(IDNO);
  editor->actCompile->trigger();
  EXPECT_EQ(Boxes(), Lines{"テーブルを再作成する為、既存のデータは全て失われます。\r\nまた、テーブルの作成に失敗しても、"
                           "テーブルは削除されますのでご注意ください。\r\n処理を続行しますか？"});
  EXPECT_EQ(Journal(), Lines{});
  EXPECT_EQ(State(*window), before);
  EXPECT_TRUE(editor->Changed);

  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDYES);
  Compile(*editor);
  const TTableState after = State(*window);
  EXPECT_EQ(after.Columns, (Lines{"C1 CH NO NULL", "C2 IN YES 0", "C9 IN YES NULL"}));
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM S1.T"), "0");
  EXPECT_EQ(after.Indexes, before.Indexes);
  EXPECT_EQ(after.Copies, Lines{});
}

TEST_F(TableCompileTest, ARenamedColumnKeepsItsRowsAndADeletedOneLosesThem) {
  TfrmObject* window = LogonWithTable();
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  editor->grdColumn->SetEditText(kColName, 3, "C9");
  editor->grdColumn->FocusCell(kColName, 2);
  editor->btnColDelete->trigger();
  Compile(*editor);
  const TTableState after = State(*window);
  EXPECT_EQ(after.Columns, (Lines{"C1 CH NO NULL", "C9 IN YES NULL"}));
  EXPECT_EQ(Column(*window, "SELECT C1 || '|' || IFNULL(C9, '-') FROM S1.T ORDER BY 1"),
            (Lines{"A|10", "B|-", "C|30"}));
  EXPECT_EQ(after.Copies, Lines{});
}

TEST_F(TableCompileTest, TheSourcePageSetsTheRowsAsideAndLeavesThemInTheCopy) {
  TfrmObject* window = LogonWithTable();
  const TTableState before = State(*window);
  const TOpenArgs args{"S1", "T", kTableKind, 1, 0, ""};
  auto* editor = qobject_cast<TfrmTable*>(TovObjectEditor::CreateEditor<TfrmTable>(*window, args));
  ASSERT_NE(editor, nullptr);
  env.Dialogs().QueueMessage(IDNO);
  editor->actCompile->trigger();
  const Lines question{"ソース修正時には、既存のデータは別テーブルに退避され、再作成後のテーブルは空になります。\r\n"
                       "処理を続行しますか？"};
  EXPECT_EQ(Boxes(), question);
  EXPECT_EQ(Journal(), Lines{});
  env.Dialogs().messages.clear();
  env.Dialogs().QueueMessage(IDYES);
  Compile(*editor);
  EXPECT_EQ(Boxes(), Lines{question[0]});
  const TTableState after = State(*window);
  EXPECT_EQ(after.Columns, before.Columns);
  EXPECT_EQ(after.Rows, Lines{});
  ASSERT_EQ(after.Copies.size(), 1u);
  EXPECT_EQ(Column(*window, "SELECT C1 || '|' || IFNULL(C2, '-') || '|' || IFNULL(C3, '-') FROM S1." +
                                after.Copies[0] + " ORDER BY 1"),
            before.Rows);
}

TEST_F(TableCompileTest, RowsThatWouldFindNoColumnStopTheCompileBeforeAnythingRuns) {
  TfrmObject* window = LogonWithTable();
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  // Made again behind the window's back: the same names under new codes.
  window->ExecSQL("DROP TABLE S1.T CASCADE");
  window->ExecSQL("CREATE TABLE S1.T (C1 CHAR(4) NOT NULL, C2 INTEGER, C3 INTEGER, PRIMARY KEY(C1))");
  window->ExecSQL("INSERT INTO S1.T VALUES ('Z', 9, 9)");
  symfoware::ClearStatementJournal();
  MoveC3Up(*editor);
  editor->actCompile->trigger();
  EXPECT_EQ(Boxes(), Lines{"定義情報を読み込めませんでした。"});
  EXPECT_EQ(Journal(), Lines{});
  EXPECT_EQ(Value(*window, "SELECT COUNT(*) FROM S1.T"), "1");
  EXPECT_TRUE(editor->Changed);
  editor->SetChanged(false);
}

TEST_F(TableCompileTest, ARemoteConnectionRunsOneStageWithoutTheReport) {
  TfrmObject* window = LogonWithTable();
  window->Remote = true;
  setenv("SYMFOWARE_TOOL_FAIL", "rdbprt:code", 1);
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  MoveC3Up(*editor);
  Compile(*editor);
  const Lines journal = Journal();
  EXPECT_EQ(std::count_if(journal.begin(), journal.end(), [](const std::string& s) { return s.find("DSI") != s.npos; }),
            0);
  EXPECT_EQ(State(*window).Columns, (Lines{"C1 CH NO NULL", "C3 IN YES NULL", "C2 IN YES 0"}));
  EXPECT_EQ(State(*window).Rows, (Lines{"A|1|10", "B|2|-", "C|-|30"}));
  EXPECT_EQ(Boxes(), Lines{});
}

// A failure at each statement of both stages (injected once), at the
// report, at the copy's drop and during the way back; the view taken by
// the CASCADE comes back through its own script writer.
using TableCompileFailureTest = TableCompileTest;

// Without a script of a view the rebuild names it in a question and a Yes
// gives it up.
class TableCompileUnwrittenViewTest : public TableCompileTest {
 protected:
  TableCompileUnwrittenViewTest() { RegisterObjectEditor(okView, nullptr, nullptr); }
};

TEST_F(TableCompileUnwrittenViewTest, TheViewIsNamedAndAYesDropsIt) {
  TfrmObject* window = LogonWithTable();
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  MoveC3Up(*editor);
  env.Dialogs().QueueMessage(IDNO);
  editor->actCompile->trigger();
  EXPECT_EQ(Boxes(), Lines{kViewQuestion});
  EXPECT_EQ(Journal(), Lines{});
  EXPECT_EQ(State(*window).Views, Lines{"V"});

  env.Dialogs().messages.clear();
  AcceptLosingTheView();
  Compile(*editor);
  EXPECT_EQ(Boxes(), Lines{kViewQuestion});
  EXPECT_EQ(State(*window).Columns, (Lines{"C1 CH NO NULL", "C3 IN YES NULL", "C2 IN YES 0"}));
  EXPECT_EQ(State(*window).Views, Lines{});
}

TEST_F(TableCompileFailureTest, EveryFailureLeavesTheTableAsBeforeOrAfter) {
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
  TfrmObject* window = LogonWithTable();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.pattern);
    const TTableState before = State(*window);
    TfrmTable* editor = Open(*window);
    ASSERT_NE(editor, nullptr);
    MoveC3Up(*editor);
    symfoware::FailStatementsMatching(c.pattern, "JYP9999E injected", 1);
    Compile(*editor);
    symfoware::ClearStatementFailures();
    TTableState now = State(*window);
    // The grantee named like the schema is never granted again.
    if (c.dropped) std::erase(now.Grants, "S1 SELECT NO");
    TTableState expected = before;
    if (c.dropped) std::erase(expected.Grants, "S1 SELECT NO");
    EXPECT_EQ(now, expected);
    EXPECT_TRUE(editor->NeedsRebuild() || c.dropped);
    editor->SetChanged(false);
    editor->Discard();
    window->ExecSQL("DROP TABLE S1.T CASCADE");
    for (const std::string& copy : Column(*window, std::string("SELECT TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE "
                                                               "WHERE ") + kCopyPattern))
      window->ExecSQL("DROP TABLE S1." + copy);
    env.Dialogs().messages.clear();
    MakeTable(*window);
  }
}

TEST_F(TableCompileFailureTest, AFailedCopyDropLeavesTheCopyAndNamesIt) {
  TfrmObject* window = LogonWithTable();
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  MoveC3Up(*editor);
  symfoware::FailStatementsMatching("^DROP TABLE S1\\.T_", "JYP9999E injected");
  Compile(*editor);
  const TTableState after = State(*window);
  EXPECT_EQ(after.Columns, (Lines{"C1 CH NO NULL", "C3 IN YES NULL", "C2 IN YES 0"}));
  ASSERT_EQ(after.Copies.size(), 1u);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("DROP TABLE S1." + after.Copies[0]), std::string::npos) << Boxes()[0];
  EXPECT_EQ(after.Views, Lines{"V"});
}

TEST_F(TableCompileFailureTest, AFailedWayBackKeepsEveryRowInTheCopyAndSaysSo) {
  TfrmObject* window = LogonWithTable();
  const TTableState before = State(*window);
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  MoveC3Up(*editor);
  symfoware::FailStatementsMatching("^CREATE DSO D1", "JYP9999E injected", 1);
  symfoware::FailStatementsMatching("^INSERT INTO S1\\.T SELECT", "JYP9999E injected");
  Compile(*editor);
  const TTableState after = State(*window);
  ASSERT_EQ(after.Copies.size(), 1u);
  EXPECT_EQ(Column(*window, "SELECT C1 || '|' || IFNULL(C2, '-') || '|' || IFNULL(C3, '-') FROM S1." +
                                after.Copies[0] + " ORDER BY 1"),
            before.Rows);
  ASSERT_FALSE(Boxes().empty());
  EXPECT_EQ(Boxes().back(), "テーブルを元に戻せませんでした。データは S1." + after.Copies[0] + " に残っています。");
}

TEST_F(TableCompileFailureTest, AnUnreadableReportGoesBackAndAgainKeepsTheRowsInTheCopy) {
  TfrmObject* window = LogonWithTable();
  const TTableState before = State(*window);
  TfrmTable* editor = Open(*window);
  ASSERT_NE(editor, nullptr);
  MoveC3Up(*editor);
  setenv("SYMFOWARE_TOOL_FAIL", "rdbprt:code", 1);
  Compile(*editor);
  const TTableState after = State(*window);
  ASSERT_EQ(after.Copies.size(), 1u);
  EXPECT_EQ(Column(*window, "SELECT C1 || '|' || IFNULL(C2, '-') || '|' || IFNULL(C3, '-') FROM S1." +
                                after.Copies[0] + " ORDER BY 1"),
            before.Rows);
  const Lines boxes = Boxes();
  EXPECT_NE(std::find(boxes.begin(), boxes.end(), "定義情報を読み込めませんでした。"), boxes.end());
  EXPECT_EQ(boxes.back(), "テーブルを元に戻せませんでした。データは S1." + after.Copies[0] + " に残っています。");
  EXPECT_TRUE(editor->Changed);
}

class TableCompileProgramTest : public TableCompileTest {
 protected:
  TableCompileProgramTest() {
    ClearActionHandlers();
    RegisterUi(*main);
    RegisterSqlWork();
    RegisterObjEdit();
  }
};

TEST_F(TableCompileProgramTest, ATableOpenedThroughDefinitionIsRebuiltThroughItsCompile) {
  TfrmObject* window = LogonWithTable();
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
  TfrmTable* editor = Windows<TfrmTable>().front();
  MoveC3Up(*editor);
  Compile(*editor);
  const TTableState after = State(*window);
  EXPECT_EQ(after.Columns, (Lines{"C1 CH NO NULL", "C3 IN YES NULL", "C2 IN YES 0"}));
  EXPECT_EQ(after.Rows, before.Rows);
  EXPECT_EQ(after.Indexes, before.Indexes);
  EXPECT_EQ(after.Storage, before.Storage);
  EXPECT_EQ(after.Grants, (Lines{"ROLE R1 INSERT", "U2 SELECT YES"}));
  EXPECT_EQ(after.Copies, Lines{});
  EXPECT_EQ(after.Views, Lines{"V"});
  EXPECT_EQ(Boxes(), Lines{});
}

}  // namespace
}  // namespace testing_objedit
