#include "objedit/core/ftabledatacore.h"

#include <gtest/gtest.h>

namespace {

TWhereRow Row(const std::string& name, const std::string& equal = "", const std::string& notEqual = "",
              const std::string& lower = "", const std::string& upper = "", const std::string& like = "",
              const std::string& sort = "") {
  return {name, equal, notEqual, lower, upper, like, sort};
}

std::string Select(std::vector<TWhereRow>& rows, const std::string& free = "",
                   std::vector<std::string> display = {"A", "B"}) {
  return BuildSelectText({"S", "T", std::move(display), free}, rows);
}

TEST(TableDataSelect, BuildsTheStatementFromTheConditionGrid) {
  struct Case {
    std::vector<TWhereRow> rows;
    std::string free;
    std::string expected;
  };
  const std::string head = "SELECT \"A\", \"B\" FROM \"S\".\"T\"";
  const std::vector<Case> cases = {
      // The example table: the cut "AND" leaves one blank, ORDER BY brings the second.
      {{Row("A", "'ABC'"), Row("B", "", "", "", "10", "", "1 DESC")}, "",
       head + " WHERE A = 'ABC' AND B <= 10  ORDER BY B DESC"},
      {{Row("A", "", "", "1", "9")}, "", head + " WHERE A BETWEEN 1 AND 9 "},
      {{Row("A", "", "", "1")}, "", head + " WHERE A >= 1 "},
      {{Row("A", "", "", "", "9")}, "", head + " WHERE A <= 9 "},
      {{Row("A", "", "'x'", "", "", "'a%'")}, "", head + " WHERE A <> 'x' AND A LIKE 'a%' "},
      // A blank counts as content.
      {{Row("A", " ")}, "", head + " WHERE A =   "},
      {{Row("A"), Row("B")}, "A = 1 OR B = 2", head + " WHERE A = 1 OR B = 2"},
      // After grid conditions the free condition cannot widen them.
      {{Row("A", "1")}, "B = 2 OR B = 3", head + " WHERE A = 1  AND (B = 2 OR B = 3)"},
      // Sort cells: "DESC" alone sorts first, "x" is dropped.
      {{Row("A", "", "", "", "", "", "2"), Row("B", "", "", "", "", "", "desc")}, "", head + " ORDER BY B DESC,A"},
      {{Row("A", "", "", "", "", "", "x")}, "", head},
  };
  for (Case c : cases) EXPECT_EQ(Select(c.rows, c.free), c.expected);
}

TEST(TableDataSelect, RenumbersTheSortCells) {
  std::vector<TWhereRow> rows = {Row("A", "", "", "", "", "", "2"), Row("B", "", "", "", "", "", "1 desc"),
                                 Row("C", "", "", "", "", "", "x")};
  EXPECT_EQ(Select(rows, "", {"A", "B", "C"}), "SELECT \"A\", \"B\", \"C\" FROM \"S\".\"T\" ORDER BY B DESC,A");
  EXPECT_EQ(rows[0][kWhereSort], "2");
  EXPECT_EQ(rows[1][kWhereSort], "1 DESC");
  EXPECT_EQ(rows[2][kWhereSort], "");
  // Equal keys are both sorted and numbered apart.
  std::vector<TWhereRow> same = {Row("A", "", "", "", "", "", "3"), Row("B", "", "", "", "", "", "3")};
  EXPECT_EQ(Select(same), "SELECT \"A\", \"B\" FROM \"S\".\"T\" ORDER BY A,B");
  EXPECT_EQ(same[0][kWhereSort], "1");
  EXPECT_EQ(same[1][kWhereSort], "2");
}

TEST(TableDataSelect, NamesAreAlwaysQuotedInTheSelectList) {
  std::vector<TWhereRow> rows;
  EXPECT_EQ(BuildSelectText({"s", "t\"x", {"a\"b"}, ""}, rows), "SELECT \"a\"\"b\" FROM \"s\".\"t\"\"x\"");
}

TEST(TableDataSelect, RecordLimit) {
  for (const char* good : {"", "1", "1000", "-5", "123456789"}) EXPECT_TRUE(RecordLimitValid(good)) << good;
  for (const char* bad : {"0", "abc", "1x", "99999999999999999999"}) EXPECT_FALSE(RecordLimitValid(bad)) << bad;
}

TEST(TableDataConditions, FollowColumnNamesAcrossLoads) {
  const std::vector<TWhereRow> kept = {Row("A", "1", "", "", "", "", "1"), Row("B", "2"), Row("GONE", "3")};
  // B moved before A, GONE removed, N new.
  const auto rows = RebuildWhereRows(kept, {{"B", "INTEGER"}, {"A", "INTEGER"}, {"N", "INTEGER"}}, true);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], Row("B", "2"));
  EXPECT_EQ(rows[1], Row("A", "1", "", "", "", "", "1"));
  EXPECT_EQ(rows[2], Row("N"));
  std::vector<std::string> display = {"GONE", "A"};
  KeepDisplayColumns(display, rows);
  EXPECT_EQ(display, std::vector<std::string>{"A"});
  display = {"GONE"};
  KeepDisplayColumns(display, rows);
  EXPECT_EQ(display, (std::vector<std::string>{"B", "A", "N"}));
}

TEST(TableDataConditions, AutoQuotesCharacterAndDateValues) {
  struct Case {
    std::string type;
    TWhereRow in;
    TWhereRow out;
  };
  const std::vector<Case> cases = {
      {"CHAR", Row("C", "ABC", "x", "a", "b", "%a%"), Row("C", "'ABC'", "'x'", "'a'", "'b'", "'%a%'")},
      {"NCHAR VARYING", Row("C", "'q'"), Row("C", "'q'")},
      {"INTEGER", Row("C", "10"), Row("C", "10")},
      // Date cells: =, lower and upper only; SQL of its own stays.
      {"DATE", Row("C", "2001-01-01", "2001-01-02", "DATE'2001-01-01'", "current_date"),
       Row("C", "'2001-01-01'", "2001-01-02", "DATE'2001-01-01'", "current_date")},
      {"TIMESTAMP", Row("C", "", "", "2001-01-01 10:00:00"), Row("C", "", "", "'2001-01-01 10:00:00'")},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RebuildWhereRows({c.in}, {{"C", c.type}}, true)[0], c.out) << c.type;
    EXPECT_EQ(RebuildWhereRows({c.in}, {{"C", c.type}}, false)[0], c.in) << c.type;
  }
}

TEST(TableDataConditions, HistoryAndBindGrid) {
  std::vector<std::string> items = {"a", "b", "c"};
  PushWhereHistory(items, "b");
  EXPECT_EQ(items, (std::vector<std::string>{"b", "a", "c"}));
  std::vector<TParamRow> rows;
  // First run: the grid appears and asks; the next run binds.
  EXPECT_TRUE(FitParamRows(rows, false, {"P"}));
  rows[0].Value = "5";
  EXPECT_FALSE(FitParamRows(rows, true, {"P"}));
  EXPECT_EQ(rows[0].Value, "5");
  EXPECT_TRUE(FitParamRows(rows, true, {"Q"}));
  EXPECT_EQ(rows[0].Value, "");
  EXPECT_TRUE(FitParamRows(rows, true, {"Q", "R"}));
}

TEST(TableDataInsert, Literals) {
  struct Case {
    TFieldType type;
    std::optional<std::string> value;
    std::string literal;
  };
  const std::vector<Case> cases = {
      {TFieldType::ftString, std::nullopt, "null"},
      {TFieldType::ftString, "", "' '"},
      {TFieldType::ftString, "it's", "'it''s'"},
      {TFieldType::ftWideString, "日本", "N'日本'"},
      {TFieldType::ftMemo, "ｶﾅ", "'ｶﾅ'"},
      {TFieldType::ftDate, "2001-02-03", "DATE'2001-02-03'"},
      {TFieldType::ftTime, "10:11:12.5", "TIME'10:11:12.5'"},
      {TFieldType::ftDateTime, "2001-02-03T10:11:12.250", "TIMESTAMP'2001-02-03 10:11:12.250'"},
      {TFieldType::ftBlob, std::string("\x01\xff", 2), "X'01FF'"},
      {TFieldType::ftInteger, "42", "42"},
      {TFieldType::ftBCD, "-1.50", "-1.50"},
  };
  for (const Case& c : cases) EXPECT_EQ(InsertLiteral(c.type, c.value), c.literal);
}

TEST(TableDataInsert, LinesBreakBetweenLiteralsPast70Columns) {
  std::vector<std::string> lines;
  AppendInsertStatement("INSERT INTO T", {"1", "2"}, "/", lines);
  EXPECT_EQ(lines, (std::vector<std::string>{"INSERT INTO T values(1,2)", "/"}));
  lines.clear();
  const std::string longText = "'" + std::string(60, 'x') + "'";
  AppendInsertStatement("INSERT INTO T", {longText, "'日本語'", "3"}, "/", lines);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "INSERT INTO T values(" + longText + ",");
  EXPECT_EQ(lines[1], "'日本語',3)");
  EXPECT_EQ(lines[2], "/");
}

TEST(TableDataInsert, DataFilePlaces) {
  TScriptOption option;
  option.Path = "/out/";
  struct Case {
    int mode;
    bool oneScript;
    bool subDir;
    bool schemaFirst;
    std::optional<TDataFilePlace> place;
  };
  const std::vector<Case> cases = {
      {0, false, false, true, std::nullopt},
      {1, true, false, true, std::nullopt},
      {1, false, false, true, TDataFilePlace{"/out/S1/DATA/", "/out/S1/DATA/T.SQL", false}},
      {1, false, false, false, TDataFilePlace{"/out/DATA/S1/", "/out/DATA/S1/T.SQL", false}},
      {2, false, true, true, TDataFilePlace{"/out/S1/", "/out/S1/_DATA.SQL", true}},
      {2, false, true, false, TDataFilePlace{"/out/TABLE/", "/out/TABLE/_DATA.SQL", true}},
      {2, false, false, true, TDataFilePlace{"/out/", "/out/_DATA.SQL", true}},
  };
  for (const Case& c : cases) {
    option.InsertMode = c.mode;
    option.OneScript = c.oneScript;
    option.SubDir = c.subDir;
    // Names of the file system lose what they cannot hold.
    EXPECT_EQ(DataFilePlace(option, c.schemaFirst, "S:1", "T?"), c.place) << c.mode << c.subDir << c.schemaFirst;
  }
}

}  // namespace
