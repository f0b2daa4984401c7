#include "objedit/core/ftablecompile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "objedit/core/fddlexeccore.h"
#include "objedit/core/ftablecore.h"

namespace {

using Lines = std::vector<std::string>;
constexpr const char* kSep = ";";
constexpr const char* kCopy = "T_0123153045";

// S1.T as loaded: C1 CHAR(4) key (code 11), C2 INTEGER (code 12), C3 (code
// 15), on DBS1 with a DSO of its own; the copy text as the editor makes it.
Lines LoadedCreate() {
  return {"CREATE TABLE S1.T", "(", "    C1 CHAR(4) NOT NULL,", "    C2 INTEGER,", "    C3 INTEGER,",
          "    PRIMARY KEY(C1)", ")", "ON DBS1", kSep, "CREATE DSO D1", "FROM S1.T", "TYPE SEQUENTIAL(PAGESIZE(4))",
          kSep};
}
Lines CopyDDL() {
  return {"CREATE TABLE S1.T_0123153045", "(", "    C1 CHAR(4) NOT NULL,", "    C2 INTEGER,", "    C3 INTEGER,",
          "    PRIMARY KEY(C1)", ")", "ON DBS1", kSep, "CREATE DSO D1_0123153045", "FROM S1.T_0123153045",
          "TYPE SEQUENTIAL(PAGESIZE(4))", kSep};
}
const std::vector<TStoredColumn> kStored{{"C1", "11"}, {"C2", "12"}, {"C3", "15"}};

// A re-creation of S1.T that moves C3 before C2, with an index, a user
// grant with the grant option, a role grant, a grant to a user named like
// the schema and a view on the table.
TTableCompile Rebuild() {
  TTableCompile c;
  c.Schema = "S1";
  c.Name = "T";
  c.Separator = kSep;
  c.Rebuild = true;
  c.KeepData = true;
  c.LoadedCreate = LoadedCreate();
  c.CopyDDL = CopyDDL();
  c.Statements = {"CREATE TABLE S1.T", "(", "    C1 CHAR(4) NOT NULL,", "    C3 INTEGER,", "    C2 INTEGER,",
                  "    PRIMARY KEY(C1)", ")", "ON DBS1", kSep, "CREATE DSO D1", "FROM S1.T",
                  "TYPE SEQUENTIAL(PAGESIZE(4))", kSep};
  c.Indexes = {{"CREATE INDEX S1.T.IX KEY(C2)", kSep}};
  c.Grants = {{"U2", "SELECT", true, false}, {"R1", "INSERT", false, true}, {"S1", "SELECT", false, false}};
  c.Dependents = {{"TABLE", "S1", "V", {"CREATE VIEW S1.V AS SELECT C1 FROM S1.T"}, {{"U2", "SELECT", false, false}}}};
  c.Restore = RestoreStatement("S1", "T", kCopy, kStored, {{"C1", "11"}, {"C3", "15"}, {"C2", "12"}}, kSep);
  return c;
}

const Lines kCopyStatements{"CREATE TABLE S1.T_0123153045", "(", "    C1 CHAR(4) NOT NULL,", "    C2 INTEGER,",
                            "    C3 INTEGER", ")", "ON DBS1", kSep,
                            "INSERT INTO S1.T_0123153045 SELECT * FROM S1.T", kSep};

TEST(TableCompile, ColumnChecksStopAtTheFirstFault) {
  const auto row = [](const char* name, const char* type, const char* size = "", bool notNull = false,
                      const char* def = "", const char* comment = "") {
    TTableColumn c;
    c.Name = name;
    c.Type = type;
    c.Size = size;
    c.NotNull = notNull;
    c.Default = def;
    c.Comment = comment;
    return c;
  };
  struct Case {
    const char* what;
    std::vector<TTableColumn> rows;
    std::optional<TColumnProblem> expected;
  };
  const std::vector<Case> cases{
      {"fine, a comment-only row ignored", {row("A", "INTEGER"), row("", "", "", false, "", "x"), row("", "")}, {}},
      {"a default without a name", {row("A", "INTEGER"), row("", "", "", false, "0")}, TColumnProblem{kColumnNameMissing, 1, kColName}},
      {"NOT NULL without a name", {row("", "", "", true)}, TColumnProblem{kColumnNameMissing, 0, kColName}},
      {"no type", {row("A", "INTEGER"), row("B", "")}, TColumnProblem{kColumnTypeMissing, 1, kColType}},
      {"a length wanted", {row("A", "VARCHAR2")}, TColumnProblem{kColumnSizeMissing, 0, kColSize}},
      {"CHAR may go without", {row("A", "CHAR")}, {}},
      {"nothing named", {row(" ", ""), row("", "")}, TColumnProblem{kNoColumns, -1, kColName}},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckTableColumns(c.rows), c.expected) << c.what;
}

TEST(TableCompile, TheCopyTakesTheColumnsWithoutKeysAndItsNameFromTheCopyText) {
  EXPECT_EQ(CopyTableStatements(CopyDDL(), "S1", "T", kSep), kCopyStatements);
  EXPECT_EQ(CopyTableName(CopyDDL()), kCopy);
  EXPECT_EQ(CopyTableName({"CREATE GLOBAL TEMPORARY TABLE S1.\"t_0123153045\""}), "\"t_0123153045\"");
  EXPECT_EQ(CopyTableName({"(", ")"}), "");
  Lines unique{"CREATE TABLE S1.T_1", "(", "    C1 INTEGER,", "    UNIQUE(C1)", ")", kSep};
  EXPECT_EQ(CopyTableStatements(unique, "S1", "T", kSep),
            (Lines{"CREATE TABLE S1.T_1", "(", "    C1 INTEGER", ")", kSep, "INSERT INTO S1.T_1 SELECT * FROM S1.T",
                   kSep}));
}

TEST(TableCompile, RowsComeBackByTheCodeEachRowWasReadWith) {
  struct Case {
    const char* what;
    std::vector<TEditedColumn> edited;
    Lines expected;
  };
  const std::vector<Case> cases{
      {"moved",
       {{"C1", "11"}, {"C3", "15"}, {"C2", "12"}},
       {"INSERT INTO S1.T", "  (C1, C2, C3)", "  SELECT C1, C2, C3 FROM S1.T_0123153045", kSep}},
      {"renamed", {{"C1", "11"}, {"NEW", "12"}, {"C3", "15"}},
       {"INSERT INTO S1.T", "  (C1, NEW, C3)", "  SELECT C1, C2, C3 FROM S1.T_0123153045", kSep}},
      {"deleted and added", {{"C1", "11"}, {"C4", ""}, {"C3", "15"}},
       {"INSERT INTO S1.T", "  (C1, C3)", "  SELECT C1, C3 FROM S1.T_0123153045", kSep}},
      // Codes 11, 12, 15 are no positions: a row read third keeps code 15.
      {"a name cleared", {{"C1", "11"}, {" ", "12"}, {"c3", "15"}},
       {"INSERT INTO S1.T", "  (C1, \"c3\")", "  SELECT C1, C3 FROM S1.T_0123153045", kSep}},
      {"nothing read", {{"A", ""}, {"B", ""}}, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RestoreStatement("S1", "T", kCopy, kStored, c.edited, kSep), c.expected) << c.what;
}

TEST(TableCompile, GrantsGoBackToUsersAndRolesButNotToTheSchemasName) {
  EXPECT_EQ(GrantStatements(Rebuild().Grants, "TABLE", "S1", "T", kSep),
            (Lines{"GRANT SELECT ON TABLE S1.T TO U2 WITH GRANT OPTION", kSep, "GRANT INSERT ON TABLE S1.T TO ROLE R1",
                   kSep}));
  EXPECT_EQ(GrantStatements({{"u3", "DROP", false, false}}, "TRIGGER", "S1", "tr", kSep),
            (Lines{"GRANT DROP ON TRIGGER S1.\"tr\" TO \"u3\"", kSep}));
}

TEST(TableCompile, StatementListsOfAlterAndRebuild) {
  TTableCompile alter;
  alter.Schema = "S1";
  alter.Name = "T";
  alter.Separator = kSep;
  alter.Statements = {"ALTER TABLE S1.T COMMENT 'x'", kSep};
  alter.PageStatements = {"GRANT SELECT ON TABLE S1.T TO U3", kSep};
  EXPECT_EQ(TableCompileStatements(alter), (Lines{"ALTER TABLE S1.T COMMENT 'x'", kSep,
                                                  "GRANT SELECT ON TABLE S1.T TO U3", kSep}));

  Lines expected = kCopyStatements;
  for (const Lines& part : {Lines{"DROP TABLE S1.T CASCADE", kSep}, Rebuild().Statements,
                            Lines{"CREATE INDEX S1.T.IX KEY(C2)", kSep},
                            Lines{"GRANT SELECT ON TABLE S1.T TO U2 WITH GRANT OPTION", kSep,
                                  "GRANT INSERT ON TABLE S1.T TO ROLE R1", kSep},
                            Lines{"INSERT INTO S1.T", "  (C1, C2, C3)", "  SELECT C1, C2, C3 FROM S1.T_0123153045", kSep},
                            Lines{"CREATE VIEW S1.V AS SELECT C1 FROM S1.T", kSep, "GRANT SELECT ON TABLE S1.V TO U2",
                                  kSep}})
    expected.insert(expected.end(), part.begin(), part.end());
  TTableCompile c = Rebuild();
  c.Restore = RestoreStatement("S1", "T", kCopy, kStored, {{"C1", "11"}, {"C3", "15"}, {"C2", "12"}}, kSep);
  // Each stored column into its row, whatever the grid's order.
  ASSERT_EQ(c.Restore[1], "  (C1, C2, C3)");
  EXPECT_EQ(TableCompileStatements(c), expected);

  // Rows given up: no copy, no restore; reduced: no index statements.
  c.KeepData = false;
  c.Restore.clear();
  c.Indexes.clear();
  const Lines plain = TableCompileStatements(c);
  EXPECT_EQ(Lines(plain.begin(), plain.begin() + 2), (Lines{"DROP TABLE S1.T CASCADE", kSep}));
  EXPECT_EQ(std::count_if(plain.begin(), plain.end(), [](const std::string& l) { return l.find("INSERT") == 0; }), 0);
  EXPECT_EQ(std::count_if(plain.begin(), plain.end(), [](const std::string& l) { return l.find("INDEX") != l.npos; }),
            0);
}

TEST(TableCompile, TheWayBackBuildsTheTableAsLoadedWithItsRowsFromTheCopy) {
  const Lines back = WayBackStatements(Rebuild(), true);
  Lines expected{"DROP TABLE S1.T CASCADE", kSep};
  for (const Lines& part : {LoadedCreate(), Lines{"CREATE INDEX S1.T.IX KEY(C2)", kSep},
                            Lines{"GRANT SELECT ON TABLE S1.T TO U2 WITH GRANT OPTION", kSep,
                                  "GRANT INSERT ON TABLE S1.T TO ROLE R1", kSep},
                            Lines{"INSERT INTO S1.T SELECT * FROM S1.T_0123153045", kSep},
                            Lines{"CREATE VIEW S1.V AS SELECT C1 FROM S1.T", kSep, "GRANT SELECT ON TABLE S1.V TO U2",
                                  kSep}})
    expected.insert(expected.end(), part.begin(), part.end());
  EXPECT_EQ(back, expected);
  EXPECT_EQ(WayBackStatements(Rebuild(), false).front(), "CREATE TABLE S1.T");
}

TEST(TableCompile, ADependentWithoutDDLIsNamedFirst) {
  TTableCompile c = Rebuild();
  c.Dependents.push_back({"TRIGGER", "S2", "TR", {}, {{"U2", "DROP", false, false}}});
  c.Dependents.push_back({"TABLE", "S1", "V2", {"", "  "}, {}});
  EXPECT_EQ(UnwrittenDependents(c), (Lines{"S2.TR", "S1.V2"}));
  // They are gone with the table: neither they nor their grants are made.
  const Lines list = TableCompileStatements(c);
  EXPECT_EQ(std::count_if(list.begin(), list.end(), [](const std::string& l) { return l.find("TR") != l.npos; }), 0);
  c.Rebuild = false;
  EXPECT_TRUE(UnwrittenDependents(c).empty());
}

TEST(TableCompile, StagesSplitAtTheFirstStorageStatement) {
  const TCompileStages stages = SplitCompileStages({"CREATE TABLE S1.T", kSep, "  create  DSO  X", "CREATE  DSO D", kSep});
  EXPECT_EQ(stages.First, (Lines{"CREATE TABLE S1.T", kSep, "  create  DSO  X"}));
  ASSERT_TRUE(stages.Second);
  EXPECT_EQ(*stages.Second, (Lines{"CREATE  DSO D", kSep}));
  EXPECT_FALSE(SplitCompileStages({"ALTER TABLE S1.T COMMENT OFF", kSep}).Second);
  EXPECT_EQ(CountBatches({"A", kSep, "", kSep, "B", kSep}, kSep), 2u);
}

// Runs stages as the execution window does: batch by batch, every batch
// run counted across stages, those asked for failing; the report read
// fails on the calls asked for (counted from 1).
class RecordingPort : public TTableCompilePort {
 public:
  TStageRun RunStage(const std::vector<std::string>& statements, bool more) override {
    events.push_back(std::string("stage") + (more ? "+" : ""));
    std::vector<std::string> rest = statements;
    TStageRun run;
    while (std::optional<std::vector<std::string>> batch = TakeDDLBatch(rest, kSep)) {
      std::string text;
      for (const std::string& line : *batch)
        if (line != kSep) text += (text.empty() ? "" : " ") + line.substr(std::min(line.find_first_not_of(' '), line.size()));
      if (failAt.count(batches++)) {
        events.push_back("failed: " + text);
        return run;
      }
      events.push_back(text);
      ++run.Succeeded;
    }
    run.Completed = true;
    return run;
  }
  std::optional<std::string> ReadBaseDso() override {
    events.push_back("rdbprt");
    if (failReads.count(++reads)) return std::nullopt;
    return "T";
  }
  bool RunStatement(const std::string& statement) override {
    events.push_back(statement);
    return true;
  }
  void ShowError(const std::string& message) override { events.push_back("error: " + message); }
  bool Ran(const std::string& text) const { return std::find(events.begin(), events.end(), text) != events.end(); }

  Lines events;
  size_t batches = 0;
  std::set<size_t> failAt;
  int reads = 0;
  std::set<int> failReads;
};

TEST(TableCompile, ARebuildRunsInTwoStagesWithTheReportBetween) {
  TTableCompile c = Rebuild();
  c.Indexes.clear();
  c.Grants.clear();
  c.Dependents.clear();
  RecordingPort port;
  EXPECT_EQ(RunTableCompile(c, TableCompileStatements(c), port), TTableCompileOutcome::Compiled);
  EXPECT_EQ(port.events,
            (Lines{"stage+", "CREATE TABLE S1.T_0123153045 ( C1 CHAR(4) NOT NULL, C2 INTEGER, C3 INTEGER ) ON DBS1",
                   "INSERT INTO S1.T_0123153045 SELECT * FROM S1.T", "DROP TABLE S1.T CASCADE",
                   "CREATE TABLE S1.T ( C1 CHAR(4) NOT NULL, C3 INTEGER, C2 INTEGER, PRIMARY KEY(C1) ) ON DBS1",
                   "rdbprt", "stage", "DROP DSI T CASCADE", "DROP DSO T CASCADE",
                   "CREATE DSO D1 FROM S1.T TYPE SEQUENTIAL(PAGESIZE(4))",
                   "INSERT INTO S1.T (C1, C2, C3) SELECT C1, C2, C3 FROM S1.T_0123153045",
                   "DROP TABLE S1.T_0123153045"}));
}

TEST(TableCompile, RemoteAndAlterRunOneStageWithoutTheReport) {
  TTableCompile c = Rebuild();
  c.Remote = true;
  RecordingPort port;
  EXPECT_EQ(RunTableCompile(c, TableCompileStatements(c), port), TTableCompileOutcome::Compiled);
  EXPECT_EQ(std::count(port.events.begin(), port.events.end(), "stage"), 1);
  EXPECT_EQ(std::count(port.events.begin(), port.events.end(), "rdbprt"), 0);
  EXPECT_EQ(port.events.back(), "DROP TABLE S1.T_0123153045");

  TTableCompile alter;
  alter.Separator = kSep;
  alter.Statements = {"ALTER TABLE S1.T COMMENT OFF", kSep};
  RecordingPort altered;
  EXPECT_EQ(RunTableCompile(alter, TableCompileStatements(alter), altered), TTableCompileOutcome::Compiled);
  EXPECT_EQ(altered.events, (Lines{"stage", "ALTER TABLE S1.T COMMENT OFF"}));
  altered.events.clear();
  altered.failAt = {altered.batches};
  EXPECT_EQ(RunTableCompile(alter, TableCompileStatements(alter), altered), TTableCompileOutcome::Failed);
  EXPECT_EQ(altered.events, (Lines{"stage", "failed: ALTER TABLE S1.T COMMENT OFF"}));
}

TEST(TableCompile, SourcePageRowsStayInTheCopy) {
  TTableCompile c = Rebuild();
  c.Restore.clear();
  RecordingPort port;
  EXPECT_EQ(RunTableCompile(c, TableCompileStatements(c), port), TTableCompileOutcome::Compiled);
  EXPECT_EQ(std::count(port.events.begin(), port.events.end(), "DROP TABLE S1.T_0123153045"), 0);
}

// A failure at every batch of both stages and at the report, with the
// rows kept and given up, the way back running well or failing at once:
// before the drop only the copy goes; after it what was built is dropped,
// the table as loaded built again and the copy dropped once its rows are
// back; a failed way back keeps the copy and says where the rows are.
TEST(TableCompile, EveryFailureEndsWithTheTableAsBeforeOrAfter) {
  for (const bool keep : {true, false}) {
    TTableCompile c = Rebuild();
    c.KeepData = keep;
    if (!keep) c.Restore.clear();
    const Lines list = TableCompileStatements(c);
    const TCompileStages stages = SplitCompileStages(list);
    const size_t firstBatches = CountBatches(stages.First, kSep);
    const size_t drop = keep ? 2 : 0;  // the batch of DROP TABLE ... CASCADE
    const size_t report = firstBatches + CountBatches(*stages.Second, kSep) + 2;  // past the last batch
    const std::string view = "GRANT SELECT ON TABLE S1.V TO U2";
    for (size_t at = 0; at <= report; ++at)
      for (const bool backFails : {false, true}) {
        const std::string what = std::to_string(at) + (keep ? " kept" : " lost") + (backFails ? ", back fails" : "");
        RecordingPort port;
        const bool atReport = at == report;
        if (atReport)
          port.failReads.insert(1);
        else
          port.failAt.insert(at);
        if (backFails) port.failAt.insert(atReport ? firstBatches : at + 1);
        const TTableCompileOutcome outcome = RunTableCompile(c, list, port);
        const bool dropped = atReport || at > drop;
        if (!dropped) {
          EXPECT_EQ(outcome, TTableCompileOutcome::Failed) << what;
          EXPECT_EQ(port.Ran("DROP TABLE S1.T_0123153045"), keep && at > 0) << what;
          EXPECT_EQ(std::count(port.events.begin(), port.events.end(), "stage+"), 1) << what;
          continue;
        }
        const auto back = std::find(port.events.begin(), port.events.end(), "stage+") + 1;
        const auto wayBack = std::find(back, port.events.end(), "stage+");
        ASSERT_NE(wayBack, port.events.end()) << what;
        const bool built = atReport || at > drop + 1;
        std::string head = *(wayBack + 1);
        if (head.rfind("failed: ", 0) == 0) head = head.substr(std::string("failed: ").size());
        EXPECT_EQ(head.substr(0, head.find(" (")), built ? "DROP TABLE S1.T CASCADE" : "CREATE TABLE S1.T") << what;
        if (backFails) {
          EXPECT_EQ(outcome, TTableCompileOutcome::BackFailed) << what;
          EXPECT_FALSE(port.Ran("DROP TABLE S1.T_0123153045")) << what;
          EXPECT_EQ(port.events.back(), keep ? "error: テーブルを元に戻せませんでした。データは S1.T_0123153045 "
                                               "に残っています。"
                                             : "error: テーブルを元に戻せませんでした。")
              << what;
          continue;
        }
        EXPECT_EQ(outcome, TTableCompileOutcome::WentBack) << what;
        EXPECT_EQ(port.Ran("INSERT INTO S1.T SELECT * FROM S1.T_0123153045"), keep) << what;
        EXPECT_EQ(port.events.back(), keep ? "DROP TABLE S1.T_0123153045" : view) << what;
      }
  }
}

}  // namespace
