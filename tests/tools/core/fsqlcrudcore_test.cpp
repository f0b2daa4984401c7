// The table-access matrix's rules: literals made alike, the statement kind,
// the chosen tables and the matrix of tables against traced statements.
#include "tools/core/fsqlcrudcore.h"

#include <gtest/gtest.h>

namespace {

TEST(AccessMatrixRules, NormalisesLiteralsButKeepsNamesCommentsAndQuotedNames) {
  struct Case {
    const char* sql;
    const char* normalised;
  };
  const Case cases[] = {
      {"WHERE ID = 123 AND NAME = 'ABC'", "WHERE ID = 0 AND NAME = ''"},
      {"T1.C2 = 45", "T1.C2 = 0"},
      {"X = 1.5", "X = 0.0"},
      {"X = 'IT''S'", "X = ''''"},
      // Digits after any name character belong to the name.
      {"FROM S.SALES_2024 WHERE A$1 = 7 AND B#2 = 8", "FROM S.SALES_2024 WHERE A$1 = 0 AND B#2 = 0"},
      {"FROM S.売上2024 WHERE Ｘ1 = 12", "FROM S.売上2024 WHERE Ｘ1 = 0"},
      // A wide blank is no name character; wide text in a string goes with it.
      {"X =　12 AND Y = '日本''語'", "X =　0 AND Y = ''''"},
      {"SELECT 1 -- 2 'A'\nFROM T WHERE C = 3", "SELECT 0 -- 2 'A'\nFROM T WHERE C = 0"},
      {"SELECT /* 1 'A' */ 2 FROM T", "SELECT /* 1 'A' */ 0 FROM T"},
      {"SELECT \"COL 1\", 2 FROM \"T'1\"", "SELECT \"COL 1\", 0 FROM \"T'1\""},
      {"WHERE A = 42", "WHERE A = 0"},
      {"WHERE A = 'OPEN", "WHERE A = 'OPEN"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(NormaliseLiterals(c.sql), c.normalised) << c.sql;
}

TEST(AccessMatrixRules, TakesTheKindFromTheFirstWord) {
  struct Case {
    const char* sql;
    const char* kind;
    std::optional<TAccessKind> access;
  };
  const Case cases[] = {
      {"SELECT*FROM S.T", "SELECT", TAccessKind::Select},
      {"select * from s.t", "SELECT", TAccessKind::Select},
      {"INSERT INTO S.T VALUES(1)", "INSERT", TAccessKind::Insert},
      {"update S.T SET A = 1", "UPDATE", TAccessKind::Update},
      {"DELETE FROM S.T", "DELETE", TAccessKind::Delete},
      {" SELECT * FROM S.T", "", std::nullopt},
      {"SELECT*FROM", "", std::nullopt},
      {"CREATE TABLE S.T (A INT)", "CREATE", std::nullopt},
      {"SELECTED A FROM S.T", "SELECTED", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StatementKind(c.sql), c.kind) << c.sql;
    EXPECT_EQ(AccessKindOf(c.sql), c.access) << c.sql;
  }
}

TEST(AccessMatrixRules, ATickedStarChoosesEveryTable) {
  EXPECT_EQ(ChosenTables({{"*", true}, {" emp ", false}, {"DEPT", true}}), (std::vector<std::string>{"EMP", "DEPT"}));
  EXPECT_EQ(ChosenTables({{"*", false}, {"EMP", false}, {"DEPT", true}}), (std::vector<std::string>{"DEPT"}));
  EXPECT_TRUE(NoTableTicked({{"*", false}, {"EMP", false}}));
  EXPECT_FALSE(NoTableTicked({{"*", true}}));
}

TEST(AccessMatrixRules, BuildsOneRowPerTableAndDistinctStatement) {
  const std::vector<TTracedStatement> statements = {
      {"SELECT * FROM EMP", false},                                  // no schema: no row
      {"SELECT * FROM S.EMPLOYEE WHERE A = 0", true},                // EMP matches by substring
      {"SELECT * FROM S.EMP, S.DEPT WHERE S.EMP.D = S.DEPT.D", false},  // two tables, two rows
      {"INSERT INTO S.EMP VALUES(0)", false},
      {"UPDATE S.EMP SET A = 0", false},
      {"DELETE FROM S.DEPT", false},
      {"INSERT INTO S.EMP VALUES(0)", false},  // seen already
      {"CREATE INDEX S.EMP_I ON S.EMP (A)", false},
  };
  const std::vector<TAccessRow> expected = {
      {"EMP", "", "*", "", "", "SELECT * FROM S.EMPLOYEE WHERE A = 0"},
      {"EMP", "", "F", "", "", "SELECT * FROM S.EMP, S.DEPT WHERE S.EMP.D = S.DEPT.D"},
      {"EMP", "*", "", "", "", "INSERT INTO S.EMP VALUES(0)"},
      {"EMP", "", "", "*", "", "UPDATE S.EMP SET A = 0"},
      {"DEPT", "", "F", "", "", "SELECT * FROM S.EMP, S.DEPT WHERE S.EMP.D = S.DEPT.D"},
      {"DEPT", "", "", "", "*", "DELETE FROM S.DEPT"},
  };
  EXPECT_EQ(BuildAccessMatrix("S", {"EMP", "DEPT"}, statements), expected);
  EXPECT_TRUE(BuildAccessMatrix("X", {"EMP"}, statements).empty());
}

}  // namespace

namespace {

TEST(AccessMatrixRules, ReadsTheRecordsTheMatrixShows) {
  const std::vector<std::string> lines = {
      "header",
      "  SQL statement :",  // an indented marker is found
      "select * from s.t ",
      "where a = 1",
      "Total Time   : 00:00:01(250)",
      "index dso name : T_IX",
      "SQL TRACE END",
      "SQL statement :",
      "CREATE TABLE S.X (A INT)",  // another kind: passed over
      "Total Time   : 00:00:00(001)",
      "SQL TRACE END",
      "SQL statement :",
      "SELECT A FROM S.T WHERE B = 'x'",
      "Total Time   : 00:00:00(002)",
      "SQL TRACE END",
      "index dso name : after the end",
      "SQL statement :",
      "UPDATE S.T SET A = 2",
      "Total Time   : 00:00:00(003)",
      "SQL TRACE END",
      "SQL statement :",
      "DELETE FROM S.T",  // cut short: no Total Time
  };
  std::vector<TTracedStatement> plain;
  ParseAccessRecords(lines, false, plain);
  ASSERT_EQ(plain.size(), 3u);
  EXPECT_EQ(plain[0].SQL, "SELECT * FROM S.T WHERE A = 1");
  EXPECT_TRUE(plain[0].Index);
  EXPECT_EQ(plain[1].SQL, "SELECT A FROM S.T WHERE B = 'X'");
  EXPECT_FALSE(plain[1].Index);
  EXPECT_EQ(plain[2].SQL, "UPDATE S.T SET A = 2");
  std::vector<TTracedStatement> normalised;
  ParseAccessRecords(lines, true, normalised);
  ASSERT_EQ(normalised.size(), 3u);
  EXPECT_EQ(normalised[0].SQL, "SELECT * FROM S.T WHERE A = 0");
  EXPECT_EQ(normalised[1].SQL, "SELECT A FROM S.T WHERE B = ''");
}

}  // namespace
