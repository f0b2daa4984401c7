// The test-data generator on the stand-in: its statement port inserting,
// committing, asking about a failing row and rolling back at Esc; and the
// window as the running program opens it from a table editor's "生成(&W)",
// generating rows, testing them in a temporary copy and offering its
// settings again.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <QTreeWidget>

#include <algorithm>
#include <filesystem>

#include "app/appregister.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovoptions.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/core/ftablecore.h"
#include "objedit/ftable.h"
#include "objedit/objregister.h"
#include "standin/symfoware/standin.h"
#include "tests/platform/whenshown.h"
#include "tests/sqlwork/sqlwindow_fixture.h"
#include "tools/core/fdatagenport.h"
#include "tools/fdatagen.h"
#include "tools/toolsregister.h"
#include "ui/ovcomctrls.h"
#include "ui/ovstdctl.h"

namespace {

using testing_support::WhenShown;

constexpr uint64_t kSeed = 74;
constexpr int kIdNo = 7;
constexpr int kIdYes = 6;

class DataGenerate : public testing_sqlwork::SQLWindow {
 protected:
  DataGenerate() {
    // The registration routines of the main block, in its order.
    ClearActionHandlers();
    RegisterApp(*main);
    SetLogonProcedure(nullptr);  // the test logs on itself
    RegisterUi(*main);
    RegisterSqlWork();
    RegisterObjEdit();
    RegisterTools();
    AppOption.DataGenCommit = 50;
  }

  TfrmObject* LogonWithTable(const std::string& create) {
    TfrmObject* window = Logon();
    window->ExecSQL("CREATE SCHEMA S1");
    window->ExecSQL(create);
    window->ExecSQL("COMMIT");
    symfoware::ClearStatementJournal();
    return window;
  }

  static int Count(TfrmObject& window, const std::string& sql) {
    TovSQLQuery& q = window.OpenSQL(sql);
    return q.Eof() ? -1 : std::stoi(q.AsString(size_t{0}));
  }

  static int Inserts() {
    int rows = 0;
    for (const symfoware::TJournalEntry& entry : symfoware::StatementJournal())
      if (entry.Statement.rfind("INSERT INTO", 0) == 0 && entry.RowsAffected == 1) ++rows;
    return rows;
  }
};

// Rows: ID from 1 and CODE from 95, so the sixth row's CODE is 100, which a
// test may have taken.
std::vector<TColParams> Rules() {
  std::vector<TColParams> cols(2);
  cols[0].ColumnName = cols[0].Rule.Name = "ID";
  cols[0].TypeName = "INTEGER";
  cols[1].ColumnName = cols[1].Rule.Name = "CODE";
  cols[1].TypeName = "CHAR";
  cols[1].Length = 3;
  for (TColParams& col : cols) {
    col.Rule.SetType = dgSequence;
    col.Rule.Marume = 1;
    col.Rule.NumFrom = 1;
  }
  cols[1].Rule.NumFrom = 95;
  return cols;
}

// Sleeps past the Esc pace at one row, then lets Esc be pressed.
class TSlowPort : public TDataGenQueryPort {
 public:
  using TDataGenQueryPort::TDataGenQueryPort;
  int SlowRow = -1;
  bool EscNow = false;
  void Execute(const std::vector<TDataGenValue>& values) override {
    if (executed_++ == SlowRow) {
      QThread::msleep(2 * kProgressPaceMillis);
      EscNow = true;
    }
    TDataGenQueryPort::Execute(values);
  }

 private:
  int executed_ = 0;
};

TEST_F(DataGenerate, ThePortInsertsCommitsAsksAndRollsBackOnTheStandin) {
  TfrmObject* window = LogonWithTable("CREATE TABLE S1.T (ID INTEGER NOT NULL, CODE CHAR(3) UNIQUE)");
  TovSQLConnection& connection = window->Module().Connection;
  std::vector<std::string> log;
  int questions = 0;
  bool answer = true;
  TSlowPort* slow = nullptr;
  const TDataGenPortHooks hooks{[&slow] { return slow && slow->EscNow; },
                                [&log](const std::string& line) { log.push_back(line); },
                                [&](bool& ignore) {
                                  ++questions;
                                  ignore = true;
                                  return answer;
                                }};
  const auto run = [&](std::vector<TColParams> cols, int64_t count, int slowRow = -1) {
    TSeededRandom random(kSeed);
    TSlowPort port(connection, cols, {}, "", random, hooks);
    port.SlowRow = slowRow;
    slow = &port;
    const TDataGenRunResult result =
        RunNormal(cols, BuildInsertSQL(cols, "S1", "T", ""), count, AppOption.DataGenCommit, random, {}, port);
    slow = nullptr;
    return result;
  };

  // CODE left out: 120 rows, three commits.
  std::vector<TColParams> wide = Rules();
  wide[1].Rule.SetType = dgNone;
  EXPECT_EQ(run(wide, 120).Inserted, 120);
  EXPECT_EQ(Count(*window, "SELECT COUNT(*) FROM S1.T"), 120);
  EXPECT_EQ(Inserts(), 120) << "each row one INSERT of the journal";
  const std::vector<std::string> committed = {"50 件のデータを確定", "100 件のデータを確定", "120 件のデータを確定"};
  std::vector<std::string> commitLines;
  for (const std::string& line : log)
    if (line.find(kDataGenCommittedSuffix) != std::string::npos) commitLines.push_back(line);
  EXPECT_EQ(commitLines, committed);

  // The sixth row's key is taken: its error is logged, asked once, and
  // "No" commits the five before it.
  window->ExecSQL("DELETE FROM S1.T");
  window->ExecSQL("INSERT INTO S1.T VALUES (0, '100')");
  window->ExecSQL("COMMIT");
  log.clear();
  answer = false;
  EXPECT_EQ(run(Rules(), 120).Inserted, 5);
  EXPECT_EQ(questions, 1);
  EXPECT_EQ(Count(*window, "SELECT COUNT(*) FROM S1.T"), 6);
  EXPECT_NE(std::find_if(log.begin(), log.end(),
                         [](const std::string& line) { return line.find("T.CODE") != std::string::npos; }),
            log.end());
  EXPECT_EQ(log.back(), kDataGenFinishedLine);

  // Esc after 60 rows: the ten since the commit at 50 are rolled back.
  window->ExecSQL("DELETE FROM S1.T");
  window->ExecSQL("COMMIT");
  const TDataGenRunResult interrupted = run(wide, 120, 59);
  EXPECT_TRUE(interrupted.Interrupted);
  EXPECT_EQ(interrupted.Inserted, 60);
  EXPECT_EQ(Count(*window, "SELECT COUNT(*) FROM S1.T"), 50);
  EXPECT_TRUE(connection.InTransaction()) << "the connection keeps a transaction open";
}

TEST_F(DataGenerate, LinkAndParentRowsComeFromTheirTables) {
  TfrmObject* window = LogonWithTable("CREATE TABLE S1.C (P INTEGER NOT NULL, K INTEGER, L CHAR(3))");
  window->ExecSQL("CREATE TABLE S1.P (ID INTEGER NOT NULL, NAME CHAR(3))");
  window->ExecSQL("CREATE TABLE S1.EMPTY (X CHAR(3))");
  for (const char* row : {"(1, 'AAA')", "(2, 'BBB')", "(3, 'CCC')"})
    window->ExecSQL(std::string("INSERT INTO S1.P VALUES ") + row);
  window->ExecSQL("COMMIT");
  std::vector<TColParams> cols(3);
  for (TColParams& col : cols) col.TypeName = "INTEGER";
  cols[0].ColumnName = "P";
  cols[0].Rule.SetType = dgParent;
  cols[0].Rule.LinkColumn = "ID";
  cols[1].ColumnName = "K";
  cols[1].Rule.SetType = dgSequence;
  cols[1].Rule.Marume = 1;
  cols[2].ColumnName = "L";
  cols[2].TypeName = "CHAR";
  cols[2].Rule.SetType = dgLink;
  cols[2].Rule.LinkOwner = "S1";
  cols[2].Rule.LinkTable = "P";
  cols[2].Rule.LinkColumn = "NAME";
  const std::vector<std::string> links = BuildLinkQueries(cols);
  TSeededRandom random(kSeed);
  TDataGenQueryPort port(window->Module().Connection, cols, links, DataGenParentSQL("S1", "P"), random,
                         {[] { return false; }, [](const std::string&) {}, [](bool&) { return true; }});
  EXPECT_EQ(RunDependent(cols, BuildInsertSQL(cols, "S1", "C", ""), 2, 2, 0, random, {}, port).Inserted, 6);
  port.FreeQueries();
  TovSQLQuery& rows = window->OpenSQL("SELECT P, K, L FROM S1.C ORDER BY P, K");
  std::vector<std::string> got;
  for (rows.First(); !rows.Eof(); rows.Next()) {
    got.push_back(rows.AsString(size_t{0}) + "/" + rows.AsString(size_t{1}));
    EXPECT_NE(std::string("AAA BBB CCC").find(rows.AsString(size_t{2})), std::string::npos);
  }
  EXPECT_EQ(got, (std::vector<std::string>{"1/0", "1/1", "2/0", "2/1", "3/0", "3/1"}));

  // A link table without rows gives NULL in every row.
  cols[2].Rule.LinkTable = "EMPTY";
  cols[2].Rule.LinkColumn = "X";
  window->ExecSQL("DELETE FROM S1.C");
  TDataGenQueryPort empty(window->Module().Connection, cols, BuildLinkQueries(cols), DataGenParentSQL("S1", "P"),
                          random, {[] { return false; }, [](const std::string&) {}, [](bool&) { return true; }});
  EXPECT_EQ(RunDependent(cols, BuildInsertSQL(cols, "S1", "C", ""), 1, 1, 0, random, {}, empty).Inserted, 3);
  EXPECT_EQ(Count(*window, "SELECT COUNT(*) FROM S1.C WHERE L IS NULL"), 3);
}

TEST_F(DataGenerate, TheTableEditorsGenerateOpensTheGeneratorThroughTheProgram) {
  TfrmObject* window = LogonWithTable(
      "CREATE TABLE S1.T (CODE CHAR(5) NOT NULL PRIMARY KEY, NAME NCHAR VARYING(10), QTY INTEGER NOT NULL, "
      "DAY DATE)");
  window->ExecSQL("INSERT INTO S1.T VALUES ('ZZZZZ', NULL, 1, NULL)");
  // The third generated key is taken: that row fails and is asked about.
  window->ExecSQL("INSERT INTO S1.T VALUES ('00003', NULL, 1, NULL)");
  window->ExecSQL("COMMIT");
  auto* editor = qobject_cast<TfrmTable*>(OpenObject(*window, kTableKind, "S1", "T", 0, 0, 0));
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->actDataGenerate->isEnabled()) << "the generator's handler is registered";

  struct TSeen {
    bool Shown = false;
    std::string Caption;
    std::vector<std::string> Kinds;
    std::vector<std::string> Required;
    bool KeyImage = false;
    std::vector<std::string> OfferedForCode;
    std::string FirstCode;
    int TestRows = -1;
    std::vector<std::string> Log;
  } seen;
  WhenShown<TfrmDataGenerate>([&seen, this](TfrmDataGenerate& form) {
    seen.Shown = true;
    seen.Caption = form.windowTitle().toStdString();
    for (int i = 0; i < form.lstColumn->topLevelItemCount(); ++i) {
      seen.Kinds.push_back(form.lstColumn->topLevelItem(i)->text(3).toStdString());
      seen.Required.push_back(form.lstColumn->topLevelItem(i)->text(2).toStdString());
    }
    seen.KeyImage = !form.lstColumn->topLevelItem(0)->icon(0).isNull();
    form.lstColumn->setCurrentItem(form.lstColumn->topLevelItem(0));
    for (int i = 0; i < form.cmbSetType->count(); ++i) seen.OfferedForCode.push_back(form.cmbSetType->itemText(i).toStdString());
    form.txtCount->setText("500");
    // The test: 100 rows in a temporary copy, the table untouched.
    env.Dialogs().QueueMessage(kIdYes);
    form.actTest->trigger();
    if (form.fraData->Built()) seen.TestRows = static_cast<int>(form.fraData->cdsData.RecordCount());
    // The generation: 120 rows, one failing; commits at 50, 100 and 119.
    form.txtCount->setText("120");
    env.Dialogs().QueueMessage(kIdYes);
    env.Dialogs().QueueMessage(kIdYes, {true});
    form.actExecute->trigger();
    for (int i = 0; i < form.txtLog->Lines().GetCount(); ++i) seen.Log.push_back(form.txtLog->Lines().Get(i));
    form.actExit->trigger();
  });
  editor->actDataGenerate->trigger();
  ASSERT_TRUE(seen.Shown);
  EXPECT_EQ(seen.Caption, "データ生成ツール");
  EXPECT_EQ(seen.Kinds, (std::vector<std::string>{"連番", "乱数値(文字)", "乱数値(数値)", "未指定"}));
  EXPECT_EQ(seen.Required, (std::vector<std::string>{"Y", "", "Y", ""}));
  EXPECT_TRUE(seen.KeyImage);
  EXPECT_EQ(seen.OfferedForCode, (std::vector<std::string>{"連番", "固定値", "リンクテーブル値"}));
  EXPECT_EQ(seen.TestRows, 100);
  ASSERT_EQ(seen.Log.size(), 8u);
  EXPECT_NE(seen.Log[2].find("T.CODE"), std::string::npos) << seen.Log[2];
  seen.Log.erase(seen.Log.begin() + 2);
  EXPECT_EQ(seen.Log, (std::vector<std::string>{"SQL 文の生成中...", "データ生成開始", "50 件のデータを確定",
                                                "100 件のデータを確定", "119 件のデータを確定", "",
                                                "データ作成処理が終了しました。"}));
  const auto question = std::find_if(env.Dialogs().messages.begin(), env.Dialogs().messages.end(),
                                     [](const platform::MessageRequest& m) { return m.text == kDataGenErrorQuestion; });
  ASSERT_NE(question, env.Dialogs().messages.end());
  ASSERT_EQ(question->checks.size(), 1u);
  EXPECT_EQ(question->checks[0].caption, kDataGenIgnoreErrors);
  EXPECT_FALSE(question->checks[0].checked) << "unchecked at first";
  EXPECT_EQ(Count(*window, "SELECT COUNT(*) FROM S1.T"), 121);
  EXPECT_EQ(Count(*window, "SELECT COUNT(*) FROM S1.T WHERE CODE = '00001'"), 1);
  EXPECT_EQ(Count(*window, "SELECT COUNT(*) FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_TYPE = 'TD'"), 0)
      << "the temporary table is dropped";
  EXPECT_TRUE(std::filesystem::exists(DataGenPath(ShareDir, "T"))) << "settings saved before the runs";

  // The next opening offers them.
  std::string count;
  WhenShown<TfrmDataGenerate>([&count](TfrmDataGenerate& form) {
    count = form.txtCount->text().toStdString();
    form.actExit->trigger();
  });
  env.Dialogs().QueueMessage(kIdYes);
  editor->actDataGenerate->trigger();
  EXPECT_EQ(count, "120");
  EXPECT_EQ(Boxes().back(), "前回の設定値を読み込みますか？");
  EXPECT_EQ(env.Dialogs().unanswered, 0);
}

}  // namespace
