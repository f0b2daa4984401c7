#include "app/core/fobjectcore.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// A connection that records what the SQL routines ask of it.
class RecordingConnection : public TTransactionPort {
 public:
  bool InTransaction() const override { return inTransaction; }
  void BeginTrans() override {
    events.push_back("begin");
    if (failBegin) throw std::runtime_error("begin failed");
    inTransaction = true;
  }
  void CommitTrans() override {
    events.push_back("commit");
    if (failCommit) throw std::runtime_error("commit failed");
    inTransaction = false;
  }
  void RollbackTrans() override {
    events.push_back("rollback");
    inTransaction = false;
  }
  void Execute(const std::string& sql) {
    events.push_back("exec " + sql);
    if (failExecute) throw std::runtime_error("statement failed");
  }

  bool inTransaction = false;
  bool failBegin = false;
  bool failCommit = false;
  bool failExecute = false;
  Lines events;
};

struct RuleCase {
  const char* name;
  bool autoCommit;
  bool inTransaction;
  std::string sql;
  Lines events;
  bool inTransactionAfter;
  bool failCommit = false;
  bool failExecute = false;
  bool throws = false;
};

TEST(ExecTransactionRule, TableOfCases) {
  const RuleCase cases[] = {
      {"first statement, autocommit", true, false, "X", {"begin", "exec X", "commit", "begin"}, true},
      {"first statement, manual", false, false, "X", {"begin", "exec X"}, true},
      {"open transaction, manual", false, true, "X", {"exec X"}, true},
      {"open transaction left by another routine is committed first", true, true, "X",
       {"commit", "begin", "exec X", "commit", "begin"}, true},
      {"COMMIT on a fresh connection only begins", false, false, "COMMIT", {"begin"}, true},
      {"COMMIT, manual", false, true, "COMMIT", {"commit", "begin"}, true},
      {"ROLLBACK, manual", false, true, "ROLLBACK", {"rollback", "begin"}, true},
      {"ROLLBACK with autocommit commits", true, true, "ROLLBACK", {"commit", "begin"}, true},
      {"lower-case commit is a statement", false, true, "commit", {"exec commit"}, true},
      {"COMMIT with a semicolon is a statement", false, true, "COMMIT;", {"exec COMMIT;"}, true},
      {"failing statement leaves the transaction", true, true, "X", {"commit", "begin", "exec X"}, true, false, true,
       true},
      {"failing commits are swallowed", true, true, "X", {"commit", "exec X", "commit"}, true, true},
  };
  for (const RuleCase& c : cases) {
    RecordingConnection tx;
    tx.inTransaction = c.inTransaction;
    tx.failCommit = c.failCommit;
    tx.failExecute = c.failExecute;
    bool threw = false;
    try {
      ExecWithTransactionRule(tx, c.autoCommit, c.sql, [&](const std::string& s) { tx.Execute(s); });
    } catch (const std::runtime_error&) {
      threw = true;
    }
    EXPECT_EQ(tx.events, c.events) << c.name;
    EXPECT_EQ(tx.inTransaction, c.inTransactionAfter) << c.name;
    EXPECT_EQ(threw, c.throws) << c.name;
  }
}

TEST(QueryTransactionRule, CommitsAndBeginsOnlyWithAutoCommitAndPropagatesFailures) {
  struct Case {
    bool autoCommit;
    bool inTransaction;
    Lines events;
  };
  const Case cases[] = {
      {true, true, {"commit", "begin"}},
      {true, false, {"begin"}},
      {false, true, {}},
      {false, false, {}},
  };
  for (const Case& c : cases) {
    RecordingConnection tx;
    tx.inTransaction = c.inTransaction;
    BeginQueryTransaction(tx, c.autoCommit);
    EXPECT_EQ(tx.events, c.events) << c.autoCommit << c.inTransaction;
  }
  RecordingConnection failing;
  failing.inTransaction = true;
  failing.failCommit = true;
  EXPECT_THROW(BeginQueryTransaction(failing, true), std::runtime_error);
}

TEST(ScriptBatches, SeparatorLinesSplitAndEmptyBatchesAreSkipped) {
  EXPECT_EQ(ScriptBatches({"A", ";", "", ";", "B"}, ";"), (Lines{"A\r\n", "B\r\n"}));
  EXPECT_EQ(ScriptBatches({"A", "  ;\t", "B;", "C"}, ";"), (Lines{"A\r\n", "B;\r\nC\r\n"}));
  EXPECT_EQ(ScriptBatches({"SELECT 1", "FROM T", "/", "X"}, "/"), (Lines{"SELECT 1\r\nFROM T\r\n", "X\r\n"}));
  EXPECT_EQ(ScriptBatches({" ", ";"}, ";"), Lines{});
}

// Answers the probes from a set of existing tables, parameters and users.
struct FakeCatalogue {
  std::vector<std::string> rows;  // the values whose query finds a row
  Lines asked;
  TRowExists Probe() {
    return [this](const std::string&, const Lines& values) {
      asked.push_back(values.at(0));
      return std::find(rows.begin(), rows.end(), values.at(0)) != rows.end();
    };
  }
};

TEST(CatalogLevelProbe, LevelsByTheDictionaryTablesAndTheParameter) {
  struct Case {
    std::vector<std::string> rows;
    TCatalogLevel level;
  };
  const Case cases[] = {
      {{}, {9, 9, false}},
      {{"RDBII_LOGMNG", "CHOOSE_TID_UNION"}, {9, 9, false}},
      {{"RDBII_TABLE_EX"}, {10, 10, false}},
      {{"RDBII_TABLE_EX", "CHOOSE_TID_UNION"}, {10, 10, false}},
      {{"RDBII_TABLE_EX", "RDBII_LOGMNG", "CHOOSE_TID_UNION"}, {10, 11, false}},
      {{"RDBII_TABLE_EX", "RDBII_LOGMNG"}, {10, 10, true}},
  };
  for (const Case& c : cases) {
    FakeCatalogue catalogue{c.rows, {}};
    EXPECT_EQ(ProbeCatalogLevel(catalogue.Probe()), c.level) << ::testing::PrintToString(c.rows);
  }
  FakeCatalogue level9{{}, {}};
  ProbeCatalogLevel(level9.Probe());
  EXPECT_EQ(level9.asked, Lines{"RDBII_TABLE_EX"});
}

TEST(CatalogUserName, KeepsTheCaseTheCatalogueKnows) {
  struct Case {
    std::vector<std::string> users;
    std::string typed;
    std::string name;
  };
  const Case cases[] = {
      {{"SCOTT"}, "scott", "SCOTT"},
      {{"scott"}, "scott", "scott"},
      {{"SCOTT", "scott"}, "scott", "scott"},
      {{"SCOTT"}, "SCOTT", "SCOTT"},
      {{}, "Scott", "Scott"},
  };
  for (const Case& c : cases) {
    FakeCatalogue catalogue{c.users, {}};
    EXPECT_EQ(CatalogUserName(catalogue.Probe(), c.typed), c.name) << c.typed;
  }
}

TEST(TaskButtonCaption, CutToTenColumnsWhenWiderThanTwelve) {
  EXPECT_EQ(TaskButtonCaption("USER", "DSN"), "USER@DSN");
  EXPECT_EQ(TaskButtonCaption("ABCDE", "FGHIJK"), "ABCDE@FGHIJK");
  EXPECT_EQ(TaskButtonCaption("ABCDE", "FGHIJKL"), "ABCDE@FGHI…");
  EXPECT_EQ(TaskButtonCaption("A B", "C D"), "AB@CD");
  // Wide characters count two columns and are never split.
  EXPECT_EQ(TaskButtonCaption("利用者", "ABCDEF"), "利用者@ABC…");
  EXPECT_EQ(TaskButtonCaption("利用者", "ABCDE"), "利用者@ABCDE");
}

const Lines kTableReport{
    "RDB definition information",
    "Table name    ...... HR.EMP",
    "  Base DSO name ...... EMP_DSO  ",
    "",
    "DSI information",
    "No.  DSI name",
    "1 EMP_DSI1",
    "2 EMP_DSI2",
    "",
    "No. 1         DSI name ...... EMP_DSI1",
    "Allocation information",
    "",
    "Index information",
    "DSO name ...... EMP_IX1",
    "DSI information",
    "No.  DSI name",
    "1 EMP_IX1_DSI",
    "",
    "No. 1         DSI name ...... EMP_IX1_DSI",
    "rdbprtが正常終了しました 復帰コード 00",
};

TEST(ToolReports, BaseDsoAndTheFirstDsiListOfATableReport) {
  EXPECT_EQ(BaseDsoName(kTableReport), "EMP_DSO");
  EXPECT_EQ(TableDsiNames(kTableReport), (Lines{"EMP_DSI1", "EMP_DSI2"}));
  EXPECT_EQ(BaseDsoName({"Base DSO name ......EMP"}), std::nullopt);
  EXPECT_EQ(TableDsiNames({"no list here"}), Lines{});
  // A list cut short by the end of the report gives what is there.
  EXPECT_EQ(TableDsiNames({"DSI information", "No.  DSI name", "1 A"}), Lines{});
}

TEST(ToolReports, DataDsisOfDsiInformationReports) {
  const Lines report{"Database space : SPACE1", "DSI       : EMP_DSI1", "  Schema  : HR", "  Table   : EMP",
                     "  DATA    : 2048K",       "DSI       : EMP_IX1_DSI", "  Schema  : HR", "  Table   : EMP",
                     "  BASE    : 256K",        "rdbinfが正常終了しました 復帰コード 00"};
  Lines names;
  AddDataDsiNames(report, names);
  EXPECT_EQ(names, Lines{"EMP_DSI1"});
}

TEST(SortUnique, SortsIgnoringCaseAndKeepsTheFirstOfEqualLines) {
  Lines lines{"b", "A", "B", "a", "c"};
  SortUnique(lines);
  EXPECT_EQ(lines, (Lines{"A", "b", "c"}));
}

}  // namespace
