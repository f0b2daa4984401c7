#include "app/core/zarursql.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;
using Words = std::vector<std::string>;

Pairs PairsOf(const TovParseList& list) {
  Pairs out;
  for (int i = 0; i < list.Count(); ++i) out.emplace_back(list.GetName(i), list.GetValue(i));
  return out;
}

const char kStrict[] = "この SQL を解析することは出来ません。";

struct AnalysisCase {
  const char* sql;
  bool lenient;
  int kind;
  Pairs select;
  Pairs tables;
  Words where;
  Pairs order;
  Words group;
  Words having;
  const char* viewName;
};

TEST(AnalyzeSQL, ClassifiesAndSplitsClauses) {
  const AnalysisCase cases[] = {
      {"SELECT a.COL1 X, COUNT(*) CNT FROM EMP A, DEPT D WHERE A.NO = D.NO ORDER BY 1", false, sqlKindSelect,
       {{"a.COL1", "X"}, {"COUNT(*)", "CNT"}}, {{"EMP", "A"}, {"DEPT", "D"}}, {"A.NO", "=", "D.NO"}, {{"1", ""}},
       {}, {}, ""},
      {"UPDATE T SET C1 = 1, C2 = 'x' WHERE K = 2", false, sqlKindUpdate, {{"C1", "1"}, {"C2", "'x'"}},
       {{"T", ""}}, {"K", "=", "2"}, {}, {}, {}, ""},
      {"INSERT INTO T (A, B) VALUES (1, 2)", false, sqlKindInsert, {{"A", "1"}, {"B", "2"}}, {{"T", ""}}, {}, {},
       {}, {}, ""},
      {"INSERT INTO T VALUES (1, 'a,b')", false, sqlKindInsert, {{"", "1"}, {"", "'a,b'"}}, {{"T", ""}}, {}, {}, {},
       {}, ""},
      {"delete from T where K <> 'it''s' and (A = 1 or B = 2)", false, sqlKindDelete, {}, {{"T", ""}},
       {"K", "<>", "'it'", "'s'", "and", "(A = 1 or B = 2)"}, {}, {}, {}, ""},
      {"SELECT a.col AS x FROM T", false, sqlKindSelect, {{"a.col AS", "x"}}, {{"T", ""}}, {}, {}, {}, {}, ""},
      {"CREATE VIEW V AS SELECT a.col AS x FROM T", false, sqlKindCreateView, {{"x", ""}}, {{"T", ""}}, {}, {}, {},
       {}, "V"},
      {"SELECT X.A FROM S.T1 X LEFT OUTER JOIN T2 Y ON X.K = Y.K WHERE Y.Z > 0", false, sqlKindSelect,
       {{"X.A", ""}}, {{"S.T1", "X"}, {"T2", "Y"}}, {"X.K", "=", "Y.K", "Y.Z", ">", "0"}, {}, {}, {}, ""},
      {"SELECT D, SUM(S) FROM T GROUP BY D HAVING SUM(S) > 10 ORDER BY D DESC", false, sqlKindSelect,
       {{"D", ""}, {"SUM(S)", ""}}, {{"T", ""}}, {}, {{"D", "DESC"}}, {"D"}, {"SUM", "(S)", ">", "10"}, ""},
      // Wide characters belong to names and never end a word.
      {"SELECT 名前 氏名 FROM 社員 S WHERE S.部署='営業'", false, sqlKindSelect, {{"名前", "氏名"}},
       {{"社員", "S"}}, {"S.部署", "=", "'営業'"}, {}, {}, {}, ""},
      // Two statements leniently; ";" is ordinary text to the scanner.
      {"SELECT * FROM A;\r\nSELECT * FROM B C", true, sqlKindSelect, {{"*", ""}, {"*", ""}},
       {{"A;", ""}, {"B", "C"}}, {}, {}, {}, {}, ""},
      // An unclosed "(" is tolerated leniently.
      {"SELECT F(A FROM T", true, sqlKindSelect, {{"F", "(A"}}, {{"T", ""}}, {}, {}, {}, {}, ""},
      // A lone "/" ends a lenient script.
      {"SELECT * FROM A\r\n/\r\nSELECT * FROM B", true, sqlKindSelect, {{"*", ""}}, {{"A", ""}}, {}, {}, {}, {},
       ""},
      {"COMMIT", false, sqlKindNone, {}, {}, {}, {}, {}, {}, ""},
  };
  for (const AnalysisCase& c : cases) {
    SCOPED_TRACE(c.sql);
    TovSQLParts parts;
    parts.ViewName = "stale";
    EXPECT_EQ(AnalyzeSQL(c.sql, parts, c.lenient ? "" : kStrict), c.kind);
    EXPECT_EQ(PairsOf(parts.SelectItems), c.select);
    EXPECT_EQ(PairsOf(parts.Tables), c.tables);
    EXPECT_EQ(parts.WhereWords, c.where);
    EXPECT_EQ(PairsOf(parts.OrderItems), c.order);
    EXPECT_EQ(parts.GroupItems, c.group);
    EXPECT_EQ(parts.HavingWords, c.having);
    EXPECT_EQ(parts.ViewName, c.viewName);
  }
}

TEST(AnalyzeSQL, FaultsRaiseTheCallersMessageAndKeepWhatWasRead) {
  const std::pair<const char*, bool> cases[] = {
      {"INSERT INTO T (A, B) VALUES (1, 2, 3)", false},
      {"SELECT A FROM T UNION SELECT B FROM U", false},
      {"SELECT A FROM T FOR UPDATE", false},
      {"SELECT A FROM T WHERE A = 1)", false},
      {"SELECT A FROM T WHERE B = 'open", false},
      {"SELECT A FROM T WHERE F(1", false},
      {"SELECT A WHERE B = 1", false},
      {"SELECT A FROM T ORDER BY A HAVING 1", false},
      {"SELECT A FROM T WHERE A = 1, B = 2", false},
      {"SELECT A FROM T WHERE A IN (1, 2)", true},
  };
  for (const auto& [sql, lenient] : cases) {
    SCOPED_TRACE(sql);
    TovSQLParts parts;
    const std::string message = lenient ? "" : kStrict;
    try {
      AnalyzeSQL(sql, parts, message);
      ADD_FAILURE() << "no error";
    } catch (const ESQLParseError& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
  TovSQLParts parts;
  EXPECT_THROW(AnalyzeSQL("SELECT A FROM T, U WHERE X = 'open", parts, kStrict), ESQLParseError);
  EXPECT_EQ(PairsOf(parts.SelectItems), (Pairs{{"A", ""}}));
  EXPECT_EQ(PairsOf(parts.Tables), (Pairs{{"T", ""}, {"U", ""}}));
  EXPECT_EQ(parts.WhereWords, (Words{"X", "=", "'open"}));
}

TEST(AnalyzeSQL, LenientReadsManyStatementsWithoutRecursion) {
  constexpr int kStatements = 100000;
  std::string script;
  for (int i = 0; i < kStatements; ++i) script += "SELECT * FROM T" + std::to_string(i) + " X\r\n";
  TovSQLParts parts;
  EXPECT_EQ(AnalyzeSQL(script, parts, ""), sqlKindSelect);
  ASSERT_EQ(parts.Tables.Count(), kStatements);
  EXPECT_EQ(parts.Tables.GetName(kStatements - 1), "T" + std::to_string(kStatements - 1));
  EXPECT_EQ(parts.Tables.GetValue(kStatements - 1), "X");
}

TEST(StripSQLComments, RemovesCommentsAndEdgeJunk) {
  struct Case {
    Words lines;
    bool cut;
    Words expected;
  };
  const Case cases[] = {
      {{"REM header", "SELECT A -- the key", "FROM T /* open", "still comment", "end */ WHERE B = 1", ""},
       false,
       {"SELECT A ", "FROM T ", "", " WHERE B = 1"}},
      {{"remark x", "rem", "  ", "SELECT '--' || \"/*\" FROM T", "REMARKS"}, false,
       {"SELECT '--' || \"/*\" FROM T", "REMARKS"}},
      {{"SELECT 1 /* a */ + /* b */ 2", "FROM T"}, false, {"SELECT 1  +  2", "FROM T"}},
      {{"SELECT ';' FROM A; SELECT 2", "FROM B"}, true, {"SELECT ';' FROM A"}},
      {{"SELECT 1; -- x"}, false, {"SELECT 1; "}},
      {{"REM only", ""}, true, {}},
  };
  for (const Case& c : cases) {
    Words lines = c.lines;
    StripSQLComments(lines, c.cut);
    EXPECT_EQ(lines, c.expected) << c.lines.front();
  }
}

TEST(TovParseList, GrowsInStepsAndChecksIndexes) {
  TovParseList list;
  std::vector<int> capacities;
  constexpr int kPairs = 77;
  for (int i = 0; i < kPairs; ++i) {
    list.Add(std::to_string(i), {});
    if (capacities.empty() || capacities.back() != list.Capacity()) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95}));
  list.Insert(0, "first", "v");
  EXPECT_EQ(list.GetName(0), "first");
  EXPECT_EQ(list.GetName(1), "0");
  list.SetValue(1, "x");
  EXPECT_EQ(list.GetValue(1), "x");
  try {
    list.GetName(list.Count());
    ADD_FAILURE();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "リストのインデックスが範囲を超えています (78)");
  }
  EXPECT_THROW(list.SetName(-1, "x"), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0);
}

TEST(NormalizeSQLName, UnquotesOrUpperCases) {
  const std::pair<const char*, const char*> cases[] = {
      {"emp;", "EMP"},       {"\"Emp\";", "Emp"},     {"\"a\"\"b\"tail", "a\"b"}, {"ｓａｌｅｓ", "ＳＡＬＥＳ"},
      {"emp;;", "EMP;"},     {"", ""},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(NormalizeSQLName(name), expected) << name;
  EXPECT_EQ(UnquoteName("plain"), "plain");
  EXPECT_EQ(UnquoteName("\"open"), "open");
}

}  // namespace
