#include "sqlwork/core/rexplancore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/process.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kDash(79, '-');
const std::string kEqual(79, '=');

// The tree as "<level>|<text>|<sub-item 0>|<sub-item 1>" lines in tree order.
Lines Shape(const TPlanTree& tree) {
  Lines lines;
  for (const auto& [node, level] : tree.Flatten())
    lines.push_back(std::to_string(level) + "|" + node->Text + "|" + node->SubItems.at(0) + "|" +
                    node->SubItems.at(1));
  return lines;
}

struct TraceCase {
  const char* name;
  std::string statement;
  Lines trace;
  Lines shape;
};

void PrintTo(const TraceCase& c, std::ostream* out) { *out << c.name; }

class PlanTraceTest : public testing::TestWithParam<TraceCase> {};

TEST_P(PlanTraceTest, BuildsTheTree) {
  const TraceCase& c = GetParam();
  EXPECT_EQ(Shape(ParsePlanTrace(c.statement, c.trace)), c.shape);
}

const Lines kOneTable{"ACCESS PLAN INFORMATION",
                      "Main query",
                      "  1 : SCAN",
                      kDash,
                      "  [ 1] SCAN ELEMENT",
                      "      table name      HR.EMP",
                      "      scan type       INDEX TABLE SCAN",
                      "      dso name        EMP_IX1",
                      kEqual,
                      "Execution environment",
                      "END OF ACCESS PLAN"};

INSTANTIATE_TEST_SUITE_P(
    Traces, PlanTraceTest,
    testing::Values(
        TraceCase{"OneTable", "  select * from HR.EMP", kOneTable,
                  {"0|SELECT STATEMENT||", "1|SCAN||", "2|INDEX TABLE SCAN|HR.EMP|"}},
        TraceCase{"JoinOfTwoTables",
                  "SELECT * FROM A, B",
                  {"x", "Main query", "  1 : SCAN", kDash, "  [ 1] SCAN ELEMENT", "      table name      S.A",
                   "      scan type       TABLE ALL SCAN", "  2 : N-JOIN", kDash, "  [ 2] NESTED LOOP JOIN ELEMENT",
                   "  [ 3] SCAN ELEMENT", "      table name      S.B", "      scan type       INDEX TABLE SCAN", kEqual,
                   "END"},
                  {"0|SELECT STATEMENT||", "1|SCAN||", "2|TABLE ALL SCAN|S.A|", "1|N-JOIN||",
                   "2|INDEX TABLE SCAN|S.B|"}},
        // A subquery's operations take the place of its reference node,
        // all of them there; a nested subquery goes into its own place.
        TraceCase{"SubqueriesReplaceTheirReferences",
                  "SELECT * FROM A WHERE X IN (SELECT ...)",
                  {"x", "Main query", "  1 : SCAN", kDash, "  [ 1] SCAN ELEMENT", "      table name      S.A",
                   "      scan type       TABLE ALL SCAN", "      --> 1", kEqual, "1 Subquery", "  1 : SCAN", kDash,
                   "  [ 1] SCAN ELEMENT", "      table name      S.B", "      scan type       TABLE ALL SCAN",
                   "  2 : GROUP", kDash, "  [ 2] GROUPING ELEMENT", "      --> 2", kEqual, "2 Subquery", "  1 : SCAN",
                   kDash, "  [ 1] SCAN ELEMENT", "      table name      S.C", "      scan type       TABLE ALL SCAN",
                   kEqual, "Execution environment", "END"},
                  {"0|SELECT STATEMENT||", "1|SCAN||", "2|TABLE ALL SCAN|S.A|", "2|SCAN||", "3|TABLE ALL SCAN|S.B|",
                   "2|GROUP||", "3|SCAN||", "4|TABLE ALL SCAN|S.C|"}},
        TraceCase{"SeveralElementsOfOneOperation",
                  "SELECT * FROM A JOIN B ON 1 = 1",
                  {"x", "Main query", "  1 : M-JOIN", kDash, "  [ 1] MERGE JOIN ELEMENT", "  [ 2] SCAN ELEMENT",
                   "      table name      S.A", "      scan type       TABLE ALL SCAN", "  [ 3] SCAN ELEMENT",
                   "      table name      S.B", "      scan type       INDEX TABLE SCAN", "  2 : F-JOIN", kDash,
                   "  [ 4] FETCH JOIN ELEMENT", "  [ 5] SCAN ELEMENT", "      scan type       TABLE ALL SCAN", kEqual,
                   "END"},
                  {"0|SELECT STATEMENT||", "1|M-JOIN||", "2|TABLE ALL SCAN|S.A|", "2|INDEX TABLE SCAN|S.B|",
                   "1|F-JOIN||", "2|TABLE ALL SCAN||"}},
        // The object value lies inside the third bracket; a later scan of
        // that table takes the operation in, its own scan never does.
        TraceCase{"ScansAdoptEarlierOperationsButNeverTheirAncestors",
                  "UPDATE S.A SET X = 1",
                  {"x", "Main query", "  1 : SCAN          [ 1] [ 2] [S.A] tail", kDash, "  [ 1] SCAN ELEMENT",
                   "      table name      S.A", "      scan type       TABLE ALL SCAN", "  2 : UPDATE", kDash,
                   "  [ 2] UPDATE ELEMENT", "      table name      S.A", "      scan type       ROWID SCAN", kEqual,
                   "END"},
                  {"0|UPDATE STATEMENT||", "1|UPDATE||", "2|ROWID SCAN|S.A|", "3|SCAN||S.A",
                   "4|TABLE ALL SCAN|S.A|"}},
        TraceCase{"AMarkerOnTheLastLineIsNeverRead", "DELETE FROM S.A",
                  {"x", "Main query", "  1 : SCAN"}, {"0|DELETE STATEMENT||"}},
        TraceCase{"AnEmptyTraceGivesTheStatementAlone", "INSERT INTO S.A VALUES (1)", {},
                  {"0|INSERT STATEMENT||"}},
        TraceCase{"CallStatements", "call S.P(1)", kOneTable,
                  {"0|CALL STATEMENT||", "1|SCAN||", "2|INDEX TABLE SCAN|HR.EMP|"}},
        TraceCase{"WithStatementsGiveNoTree", "with x as (select 1 from A) select * from x", kOneTable, {}},
        TraceCase{"OtherStatementsGiveNoTree", "CREATE TABLE T (A INT)", kOneTable, {}}),
    [](const testing::TestParamInfo<TraceCase>& info) { return std::string(info.param.name); });

TEST(PlanScript, StatementIsOneLineAndTheCommandKeepsEveryArgumentWhole) {
  EXPECT_EQ(PlanScriptText("/w/plan2N.trc", "  SELECT *\r\nFROM T\r\nWHERE A = :A  "),
            "ACCESS PLAN ON /w/plan2N.trc, 2, NOEXE, NOADVICE;\nSELECT *  FROM T  WHERE A = :A;\nACCESS PLAN OFF;");
  EXPECT_EQ(PlanScriptText("/w/plan2N.trc", "SELECT 1 FROM T;"),
            "ACCESS PLAN ON /w/plan2N.trc, 2, NOEXE, NOADVICE;\nSELECT 1 FROM T;;\nACCESS PLAN OFF;");

  const std::string command = PlanCommandLine("MY DB", "ADMIN", "pa ss\"word", "\"/w/my temp/plan2N.rdbexecsql\"");
  EXPECT_EQ(platform::SplitCommandLine(command),
            (Lines{"rdbexecsql", "-s", "MY DB", "-u", "ADMIN/pa ss\"word", "-i", "/w/my temp/plan2N.rdbexecsql"}));
  EXPECT_EQ(PlanCommandLine("DB", "U", "P", "\"/w/s\""), "rdbexecsql -s DB -u U/P -i \"/w/s\"");
}

TEST(PlanScript, ToolMessageIsTheServersElseTheThirdLineFromTheEnd) {
  EXPECT_EQ(PlanToolMessage({"a", "SQLMSG=表がありません", "SQLMSG=second", "b", "c"}), "表がありません");
  EXPECT_EQ(PlanToolMessage({"a", "b", "c", "d"}), "b");
  EXPECT_EQ(PlanToolMessage({"a", "b"}), "a");
  EXPECT_EQ(PlanToolMessage({}), "");
}

TEST(PlanCopy, LinesIndentEachLevelAndBlankOutTabsAndLineBreaks) {
  TPlanTree tree;
  TPlanNode* root = tree.Add(nullptr, "SELECT STATEMENT", {"", ""});
  TPlanNode* op = tree.Add(root, "SCAN", {"", "KEY"});
  tree.Add(op, "TABLE ALL SCAN", {"S.A\tB\r\nC", ""});
  struct Case {
    bool comma;
    int columns;
    Lines lines;
  };
  for (const Case& c : {Case{true, 2, {"SELECT STATEMENT,\r\n", "  ┗SCAN,\r\n", "    ┗TABLE ALL SCAN,S.A B C\r\n"}},
                        Case{false, 2, {"SELECT STATEMENT\t\r\n", "  ┗SCAN\t\r\n", "    ┗TABLE ALL SCAN\tS.A B C\r\n"}},
                        Case{true, 3, {"SELECT STATEMENT,,\r\n", "  ┗SCAN,,KEY\r\n", "    ┗TABLE ALL SCAN,S.A B C,\r\n"}}}) {
    Lines lines;
    for (const auto& [node, level] : tree.Flatten()) lines.push_back(PlanCopyLine(*node, level, c.columns, c.comma));
    EXPECT_EQ(lines, c.lines) << c.comma << " " << c.columns;
  }
  EXPECT_EQ(PlanNodeFields(*root, 0, 2), (Lines{"SELECT STATEMENT", ""}));
}

}  // namespace
