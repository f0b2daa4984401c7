// The normal run over a recording port: commit points, log lines, errors,
// "No" and Esc.
#include "tools/core/fdatagenrun.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <stdexcept>

namespace {

constexpr uint64_t kSeed = 7;

class TRecordingPort : public TDataGenPort {
 public:
  std::vector<std::string> Events;
  std::vector<std::string> LogLines;
  std::set<int> FailingRows;
  int EscAtRow = -1;
  bool ContinueAnswer = true;
  bool CheckIgnore = false;
  int Questions = 0;
  int Attempts = 0;
  int Pending = 0;
  int Committed = 0;
  int ParentRows = 0;
  int ParentsRead = 0;

  void Prepare(const std::string& sql) override { Events.push_back("prepare " + sql); }
  void Execute(const std::vector<TDataGenValue>& values) override {
    const int row = Attempts++;
    if (FailingRows.count(row)) throw std::runtime_error("row " + std::to_string(row) + "\r\nfailed");
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0], std::to_string(row + 1));
    ++Pending;
  }
  void Commit() override {
    Committed += Pending;
    Pending = 0;
    Events.push_back("commit " + std::to_string(Committed));
  }
  void Rollback() override {
    Pending = 0;
    Events.push_back("rollback");
  }
  void AdvanceRow(TDataGenRowInput&) override {}
  bool NextParentRow(TDataGenRowInput& input) override {
    if (ParentRows-- <= 0) return false;
    input.ParentColumns = {"P"};
    input.ParentRow = {std::to_string(++ParentsRead)};
    return true;
  }
  bool EscapePressed() override { return Attempts == EscAtRow; }
  void Log(const std::string& line) override { LogLines.push_back(line); }
  bool AskContinue(bool& ignoreLater) override {
    ++Questions;
    ignoreLater = CheckIgnore;
    return ContinueAnswer;
  }
};

std::vector<TColParams> Columns() {
  TColParams col;
  col.ColumnName = "ID";
  col.TypeName = "INTEGER";
  col.Rule.SetType = dgSequence;
  col.Rule.NumFrom = 1;
  col.Rule.Marume = 1;
  return {col};
}

TDataGenRunResult RunRows(TRecordingPort& port, int64_t count, int64_t interval) {
  TSeededRandom random(kSeed);
  const std::vector<TColParams> cols = Columns();
  return RunNormal(cols, BuildInsertSQL(cols, "S", "T", ""), count, interval, random, {}, port);
}

std::vector<std::string> Committed(const TRecordingPort& port) {
  std::vector<std::string> lines;
  for (const std::string& line : port.LogLines)
    if (line.find(kDataGenCommittedSuffix) != std::string::npos) lines.push_back(line);
  return lines;
}

TEST(DataGenRun, CommitsAtEveryIntervalAndAtTheEnd) {
  TRecordingPort port;
  const TDataGenRunResult result = RunRows(port, 120, 50);
  EXPECT_EQ(result.Inserted, 120);
  EXPECT_EQ(port.Events, (std::vector<std::string>{"prepare INSERT INTO \"S\".\"T\"(\"ID\") VALUES (:COL0)",
                                                   "commit 0", "commit 50", "commit 100", "commit 120"}));
  EXPECT_EQ(port.LogLines, (std::vector<std::string>{kDataGenBuildingLine, kDataGenStartLine, "50 件のデータを確定",
                                                     "100 件のデータを確定", "120 件のデータを確定", "",
                                                     kDataGenFinishedLine}));

  TRecordingPort once;
  RunRows(once, 120, 0);
  EXPECT_EQ(Committed(once), std::vector<std::string>{"120 件のデータを確定"});
  EXPECT_EQ(once.Committed, 120);
}

TEST(DataGenRun, ErrorsAreLoggedAskedAndRepeatTheCommitLine) {
  TRecordingPort port;
  port.FailingRows = {50, 51};
  const TDataGenRunResult result = RunRows(port, 60, 50);
  EXPECT_EQ(result.Inserted, 58);
  EXPECT_EQ(port.Questions, 2);
  EXPECT_EQ(Committed(port), (std::vector<std::string>{"50 件のデータを確定", "50 件のデータを確定",
                                                       "50 件のデータを確定", "58 件のデータを確定"}));
  EXPECT_NE(std::find(port.LogLines.begin(), port.LogLines.end(), "failed"), port.LogLines.end())
      << "the error is logged line by line";

  TRecordingPort ignoring;
  ignoring.FailingRows = {3, 4, 5};
  ignoring.CheckIgnore = true;
  EXPECT_EQ(RunRows(ignoring, 10, 0).Inserted, 7);
  EXPECT_EQ(ignoring.Questions, 1) << "later errors are not asked";
}

TEST(DataGenRun, NoCommitsTheRowsSoFarAndEscRollsThemBack) {
  TRecordingPort no;
  no.FailingRows = {73};
  no.ContinueAnswer = false;
  const TDataGenRunResult stopped = RunRows(no, 200, 50);
  EXPECT_EQ(stopped.Inserted, 73);
  EXPECT_FALSE(stopped.Interrupted);
  EXPECT_EQ(no.Committed, 73);
  EXPECT_EQ(Committed(no).back(), "73 件のデータを確定");

  TRecordingPort esc;
  esc.EscAtRow = 73;
  const TDataGenRunResult interrupted = RunRows(esc, 200, 50);
  EXPECT_TRUE(interrupted.Interrupted);
  EXPECT_EQ(esc.Committed, 50);
  EXPECT_EQ(esc.Events.back(), "rollback");
  EXPECT_EQ(std::vector<std::string>(esc.LogLines.end() - 4, esc.LogLines.end()),
            (std::vector<std::string>{"", kDataGenInterruptedLine, "", kDataGenFinishedLine}));
}

// Rows of the dependent run: the sequence counts within each parent row.
class TParentPort : public TRecordingPort {
 public:
  std::vector<std::string> Rows;  // "<parent>:<value>"
  std::string Parent;
  void Execute(const std::vector<TDataGenValue>& values) override {
    const int row = Attempts++;
    if (FailingRows.count(row)) throw std::runtime_error("failed");
    Rows.push_back(*values.at(1) + ":" + *values.at(0));
    ++Pending;
  }
};

std::vector<TColParams> ChildColumns() {
  std::vector<TColParams> cols = Columns();
  TColParams parent;
  parent.ColumnName = "P";
  parent.TypeName = "INTEGER";
  parent.Rule.SetType = dgParent;
  parent.Rule.LinkColumn = "P";
  cols.push_back(parent);
  return cols;
}

TEST(DataGenRun, DependentRowsFollowEachParentRow) {
  const std::vector<TColParams> cols = ChildColumns();
  const std::string sql = BuildInsertSQL(cols, "S", "C", "");
  TParentPort port;
  port.ParentRows = 50;
  TSeededRandom random(kSeed);
  const TDataGenRunResult result = RunDependent(cols, sql, 2, 4, 25, random, {}, port);
  std::map<std::string, std::vector<std::string>> byParent;
  for (const std::string& row : port.Rows) {
    const size_t colon = row.find(':');
    byParent[row.substr(0, colon)].push_back(row.substr(colon + 1));
  }
  ASSERT_EQ(byParent.size(), 50u);
  std::set<size_t> counts;
  for (const auto& [parent, values] : byParent) {
    counts.insert(values.size());
    for (size_t k = 0; k < values.size(); ++k) EXPECT_EQ(values[k], std::to_string(k + 1)) << "numbered per parent";
  }
  EXPECT_EQ(counts, (std::set<size_t>{2, 3, 4})) << "between the least and the greatest count";
  EXPECT_EQ(result.Inserted, static_cast<int64_t>(port.Rows.size()));
  EXPECT_EQ(port.Committed, result.Inserted);
  EXPECT_EQ(port.LogLines.front(), kDataGenBuildingLine);
  EXPECT_EQ(port.LogLines.back(), kDataGenFinishedLine);

  // "No" ends the parent rows; Esc between parent rows rolls back.
  TParentPort no;
  no.ParentRows = 10;
  no.FailingRows = {3};
  no.ContinueAnswer = false;
  TSeededRandom again(kSeed);
  EXPECT_EQ(RunDependent(cols, sql, 2, 2, 0, again, {}, no).Inserted, 3);
  EXPECT_EQ(no.Committed, 3);
  EXPECT_EQ(no.ParentsRead, 2);

  TParentPort esc;
  esc.ParentRows = 10;
  esc.EscAtRow = 4;
  TSeededRandom third(kSeed);
  const TDataGenRunResult interrupted = RunDependent(cols, sql, 2, 2, 0, third, {}, esc);
  EXPECT_TRUE(interrupted.Interrupted);
  EXPECT_EQ(esc.Committed, 0);
  EXPECT_EQ(esc.Rows.size(), 4u);
}

TEST(DataGenRun, TestRunsStopAtAHundredRowsAndRaiseTheirFirstError) {
  const std::vector<TColParams> cols = Columns();
  const std::string sql = BuildInsertSQL(cols, "S", "T", "");
  TRecordingPort normal;
  TSeededRandom random(kSeed);
  EXPECT_EQ(RunTest(cols, sql, {false, 500, 0, 0}, random, {}, normal).Inserted, kDataGenTestRows);
  EXPECT_TRUE(normal.LogLines.empty());
  EXPECT_EQ(normal.Committed, 0) << "the caller reads the rows before anything commits";

  TRecordingPort few;
  EXPECT_EQ(RunTest(cols, sql, {false, 7, 0, 0}, random, {}, few).Inserted, 7);

  TRecordingPort failing;
  failing.FailingRows = {5};
  EXPECT_THROW(RunTest(cols, sql, {false, 50, 0, 0}, random, {}, failing), std::runtime_error);
  EXPECT_EQ(failing.Questions, 0);

  const std::vector<TColParams> child = ChildColumns();
  TParentPort dependent;
  dependent.ParentRows = 200;
  EXPECT_EQ(RunTest(child, BuildInsertSQL(child, "S", "C", ""), {true, 0, 3, 3}, random, {}, dependent).Inserted,
            kDataGenTestRows);
  EXPECT_EQ(dependent.ParentsRead, 34) << "the hundredth row ends the run within a parent row";
}

}  // namespace
