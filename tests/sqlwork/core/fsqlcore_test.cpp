#include "sqlwork/core/fsqlcore.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "platform/dialogs.h"
#include "platform/sqlmarkers.h"

namespace {

using Lines = std::vector<std::string>;

// The window of a run: records what the run asks of it, in order, and
// answers from what the test scripted.
class RecordingWindow : public TSQLWindowPort, public TTransactionPort {
 public:
  // ---- TTransactionPort ----
  bool InTransaction() const override { return inTransaction; }
  void BeginTrans() override {
    events.push_back("begin");
    inTransaction = true;
  }
  void CommitTrans() override {
    events.push_back("commit");
    inTransaction = false;
  }
  void RollbackTrans() override {
    events.push_back("rollback");
    inTransaction = false;
  }

  // ---- TSQLWindowPort ----
  TTransactionPort& Transactions() override { return *this; }
  void DiscardResults() override { events.push_back("discard"); }
  std::vector<std::string> PrepareStatement(int index, bool ownFrame, const std::string& text,
                                            bool paramCheck) override {
    frames.push_back(std::to_string(index) + (ownFrame ? " own" : " new"));
    text_ = text;
    return paramCheck ? platform::ConvertMarkers(text).names : std::vector<std::string>{};
  }
  void BindValues(const std::vector<std::string>& values) override { bound.push_back(values); }
  void OpenResult(const std::string& text) override {
    Run("open", text);
    EXPECT_EQ(text, text_);
  }
  void AddResultPage(const std::string& caption) override { pages.push_back(caption); }
  int ExecStatement() override {
    Run("exec", text_);
    return affected.count(text_) ? affected[text_] : 0;
  }
  void FinishStatement() override {}
  void ShowErrorPosition(int firstLine, int currentLine, const std::string& message) override {
    events.push_back("position " + std::to_string(firstLine) + "-" + std::to_string(currentLine) + " " + message);
  }
  void SetStatusText(const std::string& text) override { status.push_back(text); }
  TParamGrid ParamGrid() const override { return grid; }
  void ShowParamGrid(const TParamGrid& shown) override { grid = shown; }
  int LastLineIndex() const override { return lastLine; }

  // Statements opened or executed, as "open TEXT" / "exec TEXT".
  Lines Statements() const {
    Lines run;
    for (const std::string& e : events)
      if (e.rfind("open ", 0) == 0 || e.rfind("exec ", 0) == 0) run.push_back(e);
    return run;
  }

  Lines events;
  Lines frames;
  Lines pages;
  Lines status;
  std::vector<Lines> bound;
  std::map<std::string, std::string> failures;  // statement text -> driver message
  std::map<std::string, int> affected;
  TParamGrid grid;
  bool inTransaction = false;
  int lastLine = 0;

 private:
  void Run(const char* kind, const std::string& text) {
    events.push_back(std::string(kind) + " " + text);
    const auto failure = failures.find(text);
    if (failure != failures.end()) throw std::runtime_error(failure->second);
  }
  std::string text_;
};

class SQLRun : public testing::Test {
 protected:
  SQLRun() {
    saved_ = AppOption;
    AppOption.Separator = ";";
    AppOption.AutoCommit = true;
  }
  ~SQLRun() override { AppOption = saved_; }

  // Runs the lines as the whole editor text.
  void Run(const Lines& lines, const std::string& separatorEdit = "") {
    window.lastLine = static_cast<int>(lines.size()) - 1;
    runner.Run(lines, separatorEdit);
  }
  Lines Boxes() {
    Lines texts;
    for (const platform::MessageRequest& m : dialogs->messages) texts.push_back(m.text);
    return texts;
  }
  // The check items of the n-th box.
  Lines Checks(size_t n) {
    Lines items;
    for (const platform::DialogCheck& c : dialogs->messages.at(n).checks) items.push_back(c.caption);
    return items;
  }

  platform::ScopedScriptedDialogs dialogs;
  RecordingWindow window;
  TSQLRunner runner{window};
  TovOption saved_;
};

TEST_F(SQLRun, StatementsEndAtSeparatorLinesAndOnlySelectsOpen) {
  struct Case {
    const char* name;
    Lines lines;
    std::string separatorEdit;
    Lines statements;
  };
  const Case cases[] = {
      {"separator line", {"SELECT * FROM A", ";", "SELECT * FROM B"}, "",
       {"open SELECT * FROM A", "open SELECT * FROM B"}},
      {"blanks around it", {"SELECT * FROM A", " \t;  ", "SELECT * FROM B"}, "",
       {"open SELECT * FROM A", "open SELECT * FROM B"}},
      {"comment after it", {"SELECT * FROM A", "; -- end", "SELECT * FROM B"}, "",
       {"open SELECT * FROM A\r\n; \r\nSELECT * FROM B"}},
      {"separator inside a line", {"SELECT 1 FROM T;"}, "", {"open SELECT 1 FROM T;"}},
      {"GO edit", {"UPDATE T SET A = 1", "GO", "DELETE FROM T"}, "GO",
       {"exec UPDATE T SET A = 1", "exec DELETE FROM T"}},
      {"go is no GO", {"UPDATE T SET A = 1", "go", "DELETE FROM T"}, "GO",
       {"exec UPDATE T SET A = 1\r\ngo\r\nDELETE FROM T"}},
      {"trailing separator", {"DELETE FROM T", ";"}, "", {"exec DELETE FROM T"}},
      {"two in a row", {"DELETE FROM T", ";", ";", "DELETE FROM U"}, "", {"exec DELETE FROM T", "exec DELETE FROM U"}},
      {"parenthesised select", {"(SELECT 1 FROM T)"}, "", {"exec (SELECT 1 FROM T)"}},
      {"WITH", {"WITH X AS (SELECT 1 FROM T)", "SELECT * FROM X"}, "",
       {"exec WITH X AS (SELECT 1 FROM T)\r\nSELECT * FROM X"}},
      {"comment-only statement", {"-- nothing here", "/* nor here */", ";", "  select 1 FROM T  "}, "",
       {"open select 1 FROM T"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppOption.Separator = ";";
    window.events.clear();
    Run(c.lines, c.separatorEdit);
    EXPECT_EQ(window.Statements(), c.statements);
  }
  EXPECT_EQ(AppOption.Separator, ";") << "the last run's empty edit left the option";
  EXPECT_EQ(dialogs->unanswered, static_cast<int>(dialogs->messages.size()));
}

TEST_F(SQLRun, SeparatorEditBecomesTheOption) {
  Run({"DELETE FROM T"}, "GO");
  EXPECT_EQ(AppOption.Separator, "GO");
  Run({"DELETE FROM T"}, "");
  EXPECT_EQ(AppOption.Separator, "GO");
}

TEST_F(SQLRun, TransactionsFollowAutoCommit) {
  struct Case {
    const char* name;
    bool autoCommit;
    bool openBefore;
    std::string statement;
    Lines events;
    bool openAfter;
  };
  const Case cases[] = {
      {"on, select", true, false, "SELECT 1 FROM T", {"begin", "open SELECT 1 FROM T", "commit"}, false},
      {"on, select, open before", true, true, "SELECT 1 FROM T",
       {"commit", "begin", "open SELECT 1 FROM T", "commit"}, false},
      {"on, dml", true, false, "DELETE FROM T", {"begin", "exec DELETE FROM T", "commit"}, false},
      {"on, failure", true, false, "DELETE FROM BAD",
       {"begin", "exec DELETE FROM BAD", "position 0-0 no table"}, true},
      {"off, select", false, false, "SELECT 1 FROM T", {"begin", "open SELECT 1 FROM T"}, true},
      {"off, dml, open before", false, true, "DELETE FROM T", {"exec DELETE FROM T"}, true},
      {"off, failure", false, true, "DELETE FROM BAD", {"exec DELETE FROM BAD", "position 0-0 no table"}, true},
  };
  window.failures["DELETE FROM BAD"] = "no table";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppOption.AutoCommit = c.autoCommit;
    window.inTransaction = c.openBefore;
    window.events.clear();
    Run({c.statement});
    Lines events(window.events.begin() + 1, window.events.end());  // after "discard"
    EXPECT_EQ(events, c.events);
    EXPECT_EQ(window.inTransaction, c.openAfter);
  }
}

TEST_F(SQLRun, BoxesOfferTheirCheckItemsExceptOnTheLastStatement) {
  window.affected["DELETE FROM A"] = 3;
  window.failures["DELETE FROM BAD"] = "[ODBC] 表が存在しません";
  dialogs->QueueMessage(IDOK);          // row count of A
  dialogs->QueueMessage(IDOK, {true});  // error: go on
  dialogs->QueueMessage(IDOK);          // row count of B, the last
  Run({"DELETE FROM A", ";", "DELETE FROM BAD", ";", "DELETE FROM B"});
  EXPECT_EQ(Boxes(), (Lines{" SQLを実行しました。\r\n(対象：3 レコード )", "[ODBC] 表が存在しません",
                            " SQLを実行しました。\r\n(対象：0 レコード )"}));
  EXPECT_EQ(Checks(0), Lines{kNoFurtherResultBoxes});
  EXPECT_EQ(Checks(1), Lines{kContinueAfterError});
  EXPECT_EQ(Checks(2), Lines{}) << "the last statement offers nothing";
  EXPECT_EQ(dialogs->messages[0].flags, static_cast<unsigned>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(dialogs->messages[1].flags, static_cast<unsigned>(MB_OK | MB_ICONWARNING));
  EXPECT_EQ(window.events[6], "position 2-2 [ODBC] 表が存在しません");
  EXPECT_EQ(window.Statements().size(), 3u);
  EXPECT_EQ(dialogs->unanswered, 0);
}

TEST_F(SQLRun, ErrorStopsUnlessContinueIsCheckedAndTheLastAlwaysEnds) {
  window.failures["DELETE FROM BAD"] = "bad";
  dialogs->QueueMessage(IDOK);  // error, continue left unchecked
  Run({"DELETE FROM BAD", ";", "DELETE FROM B"});
  EXPECT_EQ(window.Statements(), Lines{"exec DELETE FROM BAD"});

  window.events.clear();
  dialogs->QueueMessage(IDOK);  // row count of A
  Run({"DELETE FROM A", ";", "DELETE FROM BAD"});
  EXPECT_EQ(dialogs->messages.back().checks.size(), 0u);
  EXPECT_EQ(window.Statements(), (Lines{"exec DELETE FROM A", "exec DELETE FROM BAD"}));
}

TEST_F(SQLRun, NoFurtherBoxesHoldsForTheRunOnly) {
  dialogs->QueueMessage(IDOK, {true});
  Run({"DELETE FROM A", ";", "DELETE FROM B", ";", "DELETE FROM C"});
  EXPECT_EQ(dialogs->messages.size(), 1u);
  EXPECT_EQ(window.Statements().size(), 3u);
  dialogs->QueueMessage(IDOK);
  dialogs->QueueMessage(IDOK);
  Run({"DELETE FROM A", ";", "DELETE FROM B"});
  EXPECT_EQ(dialogs->messages.size(), 3u) << "the next run shows them again";
  EXPECT_FALSE(dialogs->messages[1].checks[0].checked);
}

TEST_F(SQLRun, SelectResultsGetPagesAndLaterStatementsNewFrames) {
  dialogs->QueueMessage(IDOK, {true});
  Run({"DELETE FROM A", ";", "SELECT * FROM A", ";", "DELETE FROM B", ";", "SELECT * FROM B", ";", "SELECT 1 FROM C"});
  EXPECT_EQ(window.frames, (Lines{"0 own", "1 own", "2 new", "3 new", "4 new"}));
  EXPECT_EQ(window.pages, (Lines{"結果2", "結果3"}));
  EXPECT_EQ(runner.ResultCount, 3);
  EXPECT_EQ(runner.StatementIndex, 5);
  EXPECT_EQ(window.status.back(), "処理時間：00:00:00");

  window.pages.clear();
  window.frames.clear();
  window.events.clear();
  Run({"SELECT 1 FROM C"});
  EXPECT_EQ(window.events.front(), "discard");
  EXPECT_EQ(window.frames, Lines{"0 own"}) << "a new run starts on the own frame";
  EXPECT_EQ(runner.ResultCount, 1);
}

TEST_F(SQLRun, ASelectWithoutResultSetCountsAsExecuted) {
  window.failures["SELECT NOTHING"] = "qryData: CommandText does not return a result set";
  Run({"SELECT NOTHING", ";", "SELECT 1 FROM T"});
  EXPECT_EQ(Boxes(), Lines{kExecutedMessage});
  EXPECT_EQ(Checks(0), Lines{kNoFurtherResultBoxes});
  EXPECT_EQ(dialogs->messages[0].flags, static_cast<unsigned>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(window.frames, (Lines{"0 own", "1 own"})) << "no result shown yet";
  EXPECT_TRUE(window.pages.empty());
  EXPECT_EQ(runner.ResultCount, 1);
  EXPECT_EQ(window.events.back(), "commit");
}

TEST_F(SQLRun, BindVariablesAskFirstThenBind) {
  const Lines statement = {"UPDATE T SET A = :A WHERE B = :B"};
  Run(statement);
  EXPECT_TRUE(window.Statements().empty());
  EXPECT_EQ(window.status, Lines{kEnterBindValues});
  EXPECT_EQ(window.grid, (TParamGrid{true, {"A", "B"}, {"", ""}}));
  EXPECT_EQ(dialogs->messages.size(), 0u);

  window.grid.Values = {"1", "x"};
  Run(statement);
  EXPECT_EQ(window.bound, std::vector<Lines>{(Lines{"1", "x"})});
  EXPECT_EQ(window.Statements(), Lines{"exec UPDATE T SET A = :A WHERE B = :B"});

  window.events.clear();
  Run({"UPDATE T SET A = :A WHERE C = :C"});
  EXPECT_TRUE(window.Statements().empty()) << "a changed name asks again";
  EXPECT_EQ(window.grid, (TParamGrid{true, {"A", "C"}, {"1", ""}}));

  Run({"CREATE TABLE T2 (A INT DEFAULT :X)"});
  EXPECT_EQ(window.Statements(), Lines{"exec CREATE TABLE T2 (A INT DEFAULT :X)"}) << "CREATE never asks";
  EXPECT_FALSE(window.grid.Visible);
}

TEST(ParamGridRule, HiddenGridOrOtherLengthAlwaysAsks) {
  struct Case {
    const char* name;
    TParamGrid before;
    Lines names;
    bool changed;
    TParamGrid after;
  };
  const Case cases[] = {
      {"hidden with the same names", {false, {"A"}, {"1"}}, {"A"}, true, {true, {"A"}, {"1"}}},
      {"same names shown", {true, {"A", "B"}, {"1", "2"}}, {"A", "B"}, false, {true, {"A", "B"}, {"1", "2"}}},
      {"longer", {true, {"A"}, {"1"}}, {"A", "B"}, true, {true, {"A", "B"}, {"1", ""}}},
      {"shorter", {true, {"A", "B"}, {"1", "2"}}, {"A"}, true, {true, {"A"}, {"1"}}},
      {"reordered", {true, {"A", "B"}, {"1", "2"}}, {"B", "A"}, true, {true, {"B", "A"}, {"", ""}}},
      {"no parameters", {true, {"A"}, {"1"}}, {}, false, {false, {"A"}, {"1"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TParamGrid grid = c.before;
    EXPECT_EQ(SyncParamRows(grid, c.names), c.changed);
    EXPECT_EQ(grid, c.after);
  }
}

TEST(RunText, PartialLinesEnablingAndTexts) {
  const Lines editor = {"A", "B"};
  EXPECT_EQ(ExecutedLines(editor, "x\r\ny\r\n", true), (Lines{"x", "y", ""}));
  EXPECT_EQ(ExecutedLines(editor, "x\r\ny", false), editor);
  EXPECT_EQ(ExecutedLines(editor, "", true), editor);
  EXPECT_FALSE(ExecEnabled(""));
  EXPECT_FALSE(ExecEnabled("\r\n"));
  EXPECT_TRUE(ExecEnabled(" "));
  EXPECT_TRUE(ExecEnabled("\r\n\r\n"));
  EXPECT_EQ(ElapsedText(std::chrono::seconds(3 * 3600 + 25 * 60 + 7)), "処理時間：03:25:07");
  EXPECT_EQ(ResultPageCaption(1), "結果");
  EXPECT_EQ(ResultPageCaption(12), "結果12");
}

}  // namespace

namespace {

// The plan frame of a plan-mode run: records the statement it was handed
// and fails when told to.
class RecordingPlanFrame : public TPlanFramePort {
 public:
  std::vector<std::string> SetPlanSQL(const std::string& text) override {
    statements.push_back(text);
    return platform::ConvertMarkers(text).names;
  }
  void ExecutePlan() override {
    ++executed;
    if (!failure.empty()) throw std::runtime_error(failure);
  }
  Lines statements;
  int executed = 0;
  std::string failure;
};

TEST_F(SQLRun, PlanModeHandsTheFirstStatementToTheFrameAndNothingRuns) {
  RecordingPlanFrame plan;
  window.lastLine = 4;
  runner.Run({"", "SELECT * FROM A", "  WHERE X = 1", ";", "SELECT * FROM B"}, "", &plan);
  EXPECT_EQ(plan.statements, Lines{"SELECT * FROM A\r\nWHERE X = 1"});
  EXPECT_EQ(plan.executed, 1);
  EXPECT_TRUE(window.Statements().empty());
  EXPECT_TRUE(window.pages.empty());
  EXPECT_EQ(window.events, Lines{"discard"}) << "no transaction of the window's own";
  EXPECT_TRUE(Boxes().empty());
  ASSERT_EQ(window.status.size(), 1u);
  EXPECT_EQ(window.status[0].rfind("処理時間：", 0), 0u);

  // Bind variables are asked for first; the run then ends silently.
  plan.statements.clear();
  runner.Run({"SELECT * FROM A WHERE X = :X"}, "", &plan);
  EXPECT_EQ(plan.executed, 1);
  EXPECT_TRUE(window.grid.Visible);
  EXPECT_EQ(window.status.back(), "バインド変数値を入力して下さい。");
  runner.Run({"SELECT * FROM A WHERE X = :X"}, "", &plan);
  EXPECT_EQ(plan.executed, 2);

  // A failure places the caret over the whole text and shows the message.
  plan.failure = "表がありません";
  dialogs->QueueMessage(IDOK);
  runner.Run({"SELECT * FROM A WHERE X = :X"}, "", &plan);
  EXPECT_EQ(window.events.back(), "position 0-4 表がありません");
  EXPECT_EQ(Boxes(), Lines{"表がありません"});
  EXPECT_EQ(dialogs->messages[0].flags & static_cast<unsigned>(MB_ICONERROR), static_cast<unsigned>(MB_ICONERROR));
}

}  // namespace
