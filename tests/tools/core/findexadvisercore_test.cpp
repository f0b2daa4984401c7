// The index adviser's analysis without its window: conditions to groups to
// proposals, the plan file's used indexes, names, the DDL per catalogue
// level, the definition report, the sizes and the times read back.
#include "tools/core/findexadvisercore.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/core/zarursql.h"

namespace {

using Lines = std::vector<std::string>;

TEST(IndexAdviserNames, NormalisedAsTheStatementWritesThem) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"emp", "EMP"}, {"emp;", "EMP"}, {"\"Emp\"", "Emp"}, {"\"A\"\"B\";", "A\"B"}, {"ＡＢｃ", "ＡＢＣ"}};
  for (const auto& [name, normal] : cases) EXPECT_EQ(EraseStr(name), normal) << name;
  EXPECT_EQ(ProposalName("EMP", {"IDX_EMP"}), "IDX_EMP2");
  EXPECT_EQ(ProposalName("T", {"IDX_T", "IDX_T2", "X"}), "IDX_T3");
  EXPECT_EQ(ProposalName("T", {"IDX_EMP"}), "IDX_T");
}

// The proposals per table of a statement: each table's columns (of the
// catalogue) decide where unqualified words go.
std::map<std::string, Lines> Proposals(const std::string& sql, int k,
                                       const std::map<std::string, std::set<std::string>>& catalogue) {
  TovSQLParts parts;
  EXPECT_NE(AnalyzeSQL(sql, parts, "x"), sqlKindNone) << sql;
  std::vector<TovNewIndexList> conditions = ConditionList(parts.WhereWords);
  std::map<std::string, Lines> proposals;
  for (int t = 0; t < parts.Tables.Count(); ++t) {
    const std::string table = EraseStr(parts.Tables.GetName(t));
    const std::string alias = EraseStr(parts.Tables.GetValue(t));
    for (int g = 0; g < GroupCount(conditions); ++g) {
      const Lines columns = GroupColumns(conditions, g, table, alias, [&](const std::string& column) {
        return catalogue.at(table).count(column) > 0;
      });
      for (const std::string& p : CyclicProposals(columns, k)) proposals[table].push_back(p);
    }
  }
  return proposals;
}

TEST(IndexAdviserProposals, ConditionsGroupedByOrGiveCyclicProposals) {
  const std::map<std::string, std::set<std::string>> catalogue = {{"T", {"A", "B", "C"}}, {"U", {"A", "D"}}};
  struct Case {
    const char* sql;
    int k;
    std::map<std::string, Lines> proposals;
  };
  const std::vector<Case> cases = {
      {"SELECT * FROM T WHERE A = 1 AND B = 2", 2, {{"T", {"A, B", "B, A"}}}},
      {"SELECT * FROM T WHERE A = 1 OR B = 2", 2, {{"T", {"A", "B"}}}},
      {"SELECT * FROM T WHERE A = 1 AND B = 2 AND C = 3", 2, {{"T", {"A, B", "B, C", "C, A"}}}},
      {"SELECT * FROM T WHERE A = 1 AND B = 2 AND C = 3", 5, {{"T", {"A, B, C", "B, C, A", "C, A, B"}}}},
      {"SELECT * FROM T WHERE a = 1 AND A = 2", 2, {{"T", {"A"}}}},
      // An alias takes its own columns; an unqualified one goes to the first
      // table that has it.
      {"SELECT * FROM T X, U Y WHERE Y.A = X.B AND A = 1 AND D = 2", 2, {{"T", {"B, A", "A, B"}}, {"U", {"A, D", "D, A"}}}},
      {"UPDATE T SET C = 1 WHERE T.A = 1 OR B = 2 AND C = 3", 2, {{"T", {"A", "B, C", "C, B"}}}},
      {"DELETE FROM T WHERE X.A = 1 AND E = 2", 2, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Proposals(c.sql, c.k, catalogue), c.proposals) << c.sql << " k=" << c.k;
}

TEST(IndexAdviserPlan, IndexScansOfEveryElementSectionAreUsed) {
  const Lines plan = {
      "Main query",
      "  1 : SCAN",
      "  [ 1] SCAN ELEMENT",
      "      table name       S.T",
      "      scan type        INDEX TABLE SCAN",
      "      dso name         T_A (A)",
      "  2 : N-JOIN",
      "  [ 2] NESTED LOOP JOIN ELEMENT",
      "  [ 3] SCAN ELEMENT",
      "      table name       S2.U",
      "      scan type        TABLE ALL SCAN",
      "      dso name         NOT_USED",
      std::string(79, '='),
      "      dso name         OUTSIDE",
      "Subquery 1",
      "  [ 1] SCAN ELEMENT",
      "      table name       S.V",
      "      scan type        INDEX TABLE SCAN",
      "      dso name         BEFORE_NODE",
      "  1 : SCAN",
      "  [ 1] SCAN ELEMENT",
      "      table name       S.V",
      "      scan type        INDEX TABLE SCAN",
      "      dso name         V_B",
      "      dso name         LAST_LINE",
  };
  EXPECT_EQ(PlanUsedIndexes(plan), (std::vector<TovIndexList>{{"S", "T_A"}, {"S", "V_B"}}));
  EXPECT_TRUE(PlanUsedIndexes({}).empty());
}

TEST(IndexAdviserDDL, StatementsPerCatalogueLevelAndDsiCount) {
  TDefIdxSize sizes;
  ReadDefIdxSize("4096,2048,1024,512,0,0", sizes);
  const std::map<std::string, std::string> spaces = {{"D1", "SP1"}, {"D2", "SP2"}};
  struct Case {
    const char* what;
    int level;
    bool reduced;
    Lines dsis;
    Lines ddl;
  };
  const std::vector<Case> cases = {
      {"level 9, one DSI", 9, false, {"D1"}, {"CREATE INDEX S.T.IDX_T KEY(A, B) ON SP1", ";"}},
      {"level 9, two DSIs", 9, false, {"D1", "D2"}, {}},
      {"level 9, none", 9, false, {}, {}},
      {"no storage management", 11, true, {}, {"CREATE INDEX S.T.IDX_T KEY(A, B)", ";"}},
      {"level 10, one DSI",
       10,
       false,
       {"D1"},
       {"CREATE DSO IDX_T", "INDEX ON S.T(A, B)", "TYPE BTREE (PAGESIZE1(4096), PAGESIZE2(2048), REALIGNMENT)", ";",
        "CREATE DSI IDX_T INDEX DSO IDX_T", "OPTION(REALIGNMENT)", "ALLOCATE BASE ON SP1 SIZE 1024K",
        ",INDEX ON SP1 SIZE 512K", ",FORMAT EXPAND OFF", ";"}},
      {"level 11, two DSIs",
       11,
       false,
       {"D1", "D2"},
       {"CREATE DSO IDX_T", "INDEX ON S.T(A, B)", "TYPE BTREE (PAGESIZE1(4096), PAGESIZE2(2048), REALIGNMENT)", ";",
        "CREATE DSI IDX_T_0 INDEX DSO IDX_T", "OPTION(REALIGNMENT)", "BASE D1", "ALLOCATE BASE ON SP1 SIZE 1024K",
        ",INDEX ON SP1 SIZE 512K", ",FORMAT EXPAND OFF", ";", "CREATE DSI IDX_T_1 INDEX DSO IDX_T",
        "OPTION(REALIGNMENT)", "BASE D2", "ALLOCATE BASE ON SP2 SIZE 1024K", ",INDEX ON SP2 SIZE 512K",
        ",FORMAT EXPAND OFF", ";"}},
      {"level 10 without DSIs", 10, false, {}, {}},
  };
  for (const Case& c : cases) {
    const TIndexDDLInput input{c.level, c.reduced, "S", "S.T", "IDX_T", "A, B", c.dsis,
                               [&](const std::string& dsi) { return spaces.at(dsi); }, sizes, ";"};
    EXPECT_EQ(BuildIndexDDL(input), c.ddl) << c.what;
  }
  const TIndexDDLInput bare{9, false, "LOGIN", "T", "IDX_T", "A", {"D1"}, [](const std::string&) { return "SP"; }, sizes, ";"};
  EXPECT_EQ(BuildIndexDDL(bare), (Lines{"CREATE INDEX LOGIN.T.IDX_T KEY(A) ON SP", ";"}))
      << "a row without schema takes the analysis's";
  EXPECT_EQ(DropProposalSQL(10, "S.T", "IDX_T"), "DROP DSO IDX_T CASCADE");
  EXPECT_EQ(DropProposalSQL(9, "S.T", "IDX_T"), "DROP INDEX S.T.IDX_T");
}

TEST(IndexAdviserDDL, DefinitionReportGivesTheDsisAndTheirSpaces) {
  const Lines report = {
      "Base DSO name ...... T_DSO",   "DSI information", "No.  DSI name", "1 T_DSI1", "2 T_DSI2", "3 T_DSI1", "",
      "No. 1  DSI name ...... T_DSI1", "Allocation information", "Used database space information",
      "No.  Database space name  Size", "1 SPACE_A 100(K byte)", "No. 2  DSI name ...... T_DSI2",
      "Used database space information", "No.  Database space name  Size", "1 SPACE_B 100(K byte)"};
  EXPECT_EQ(ReportDSIList(report), (Lines{"T_DSI1", "T_DSI2"}));
  EXPECT_EQ(ReportDSISpace(report, "T_DSI1"), "SPACE_A");
  EXPECT_EQ(ReportDSISpace(report, "T_DSI2"), "SPACE_B");
  EXPECT_EQ(ReportDSISpace(report, "T_DSI3"), "");
  EXPECT_TRUE(ReportDSIList({"nothing"}).empty());
}

TEST(IndexAdviserTimes, TheLastRecordOfTheLatestFileGivesTheTime) {
  const Lines trace = {"SQL statement :",     "SELECT A FROM T",  "Total Time   : 00:00:05(000)", "SQL TRACE END",
                       "  SQL statement :",   "UPDATE T  SET",    "  A = 1",                      "Total Time   : 00:00:01(250)",
                       "    index dso name X", "SQL TRACE END"};
  struct Case {
    const char* statement;
    const char* time;
  };
  const std::vector<Case> cases = {
      {"UPDATE T SET\r\nA = 1", "00:00:01.250"},
      {"UPDATE T  SET  A = 1 ", "00:00:01.250"},
      {"SELECT A FROM T", ""},  // only the last record is compared
      {"UPDATE T SET A = 2", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(LastRecordTime(trace, c.statement), c.time) << c.statement;
  EXPECT_EQ(LastRecordTime({"SQL statement :", "X", "Total Time   : 00:00:01(000)"}, "X"), "")
      << "the first line never starts the record";
  EXPECT_EQ(LastRecordTime({"", "SQL statement :", "X"}, "X"), "") << "no time line";

  QTemporaryDir dir;
  EXPECT_EQ(LatestTraceFile(dir.path().toStdString()), std::nullopt);
  const QDateTime now = QDateTime::currentDateTime();
  for (const auto& [name, age] : std::vector<std::pair<QString, int>>{{"a.trc", 60}, {"b.TRC", 10}, {"c.trc", 30}}) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
    file.close();  // a later flush would touch the time again
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(now.addSecs(-age), QFileDevice::FileModificationTime));
  }
  EXPECT_EQ(LatestTraceFile(dir.path().toStdString()), dir.filePath("b.TRC").toStdString());
}

TEST(IndexAdviserTimes, TestResultShowsTheSignedDifference) {
  EXPECT_EQ(TestResultText("00:00:02.500", "00:00:01.000"),
            "              【テスト結果】              \r\n\r\n[インデックス作成前]　　00:00:02.500\r\n"
            "[インデックス作成後]　　00:00:01.000\r\n-------------------------\r\n[　 　 　結果      　] 　"
            "-00:00:01:500\r\n\r\n※単位：実行時間");
  EXPECT_NE(TestResultText("", "01:00:00.001").find("結果      　] 　+01:00:00:001"), std::string::npos);
  EXPECT_NE(TestResultText("00:00:00.100", "00:00:00.100").find("結果      　] 　 ±0"), std::string::npos);
  EXPECT_NE(TestResultText("bad", "").find(" ±0"), std::string::npos) << "unreadable counts as 0";
}

}  // namespace
