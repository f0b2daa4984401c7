#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/core/zarur.h"

namespace {

TEST(DisplayWidth, CountsWideCharactersAsTwoColumns) {
  const std::pair<const char*, int> cases[] = {
      {"", 0},         {"ABC", 3},      {"表名", 4},     {"ｶﾅ", 2},  // half-width katakana is narrow
      {"Ａ１", 4},     {"\u3000", 2},   {"é", 1},        {"\xFF", 1},  // a stray byte counts as one
      {"あa", 3},      {"😀", 2},
  };
  for (const auto& [text, width] : cases) EXPECT_EQ(DisplayWidth(text), width) << text;
}

TEST(CutToWidth, NeverSplitsACharacter) {
  const std::tuple<const char*, int, const char*> cases[] = {
      {"ABCDEF", 3, "ABC"}, {"表名AB", 3, "表"}, {"表名AB", 4, "表名"}, {"表名AB", 5, "表名A"},
      {"AB", 10, "AB"},     {"表", 1, ""},       {"", 5, ""},         {"ABC", 0, ""},
  };
  for (const auto& [text, columns, head] : cases) EXPECT_EQ(CutToWidth(text, columns), head) << text << columns;
}

TEST(Trims, RemoveTheirCharacterSetsAtBothEnds) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      // text, TrimBlanks, Trim
      {"  a b  ", "a b", "a b"},
      {"\t\r\nx\r\n", "x", "x"},
      {"\x01" "a\x01", "\x01" "a\x01", "a"},  // other control characters stay for TrimBlanks
      {"\u3000表\u3000", "\u3000表\u3000", "\u3000表\u3000"},  // the full-width blank is a character
      {"   ", "", ""},
  };
  for (const auto& [text, blanks, trim] : cases) {
    EXPECT_EQ(TrimBlanks(text), blanks) << text;
    EXPECT_EQ(Trim(text), trim) << text;
  }
}

TEST(CopyRangeAndPosFrom, UseOneBasedPositions) {
  EXPECT_EQ(CopyRange("ABCDEF", 2, 4), "BCD");
  EXPECT_EQ(CopyRange("ABCDEF", 4, 3), "");
  EXPECT_EQ(CopyRange("ABCDEF", 5, 99), "EF");
  EXPECT_EQ(CopyRange("ABCDEF", 7, 9), "");
  const std::tuple<const char*, const char*, int, int> cases[] = {
      {"B", "ABAB", 1, 2}, {"B", "ABAB", 3, 4}, {"B", "ABAB", 5, 0}, {"X", "ABAB", 1, 0},
      {"B", "ABAB", 0, 0}, {"名", "表名表名", 4, 4}, {"名", "表名表名", 5, 10},
  };
  for (const auto& [sub, text, start, pos] : cases) EXPECT_EQ(PosFrom(sub, text, start), pos) << text << start;
  const std::string text = "表名表名";
  EXPECT_EQ(CopyRange(text, PosFrom("名", text, 5), static_cast<int>(text.size())), "名");
}

TEST(MatchesAndContains, CompareCaseSensitively) {
  const std::vector<std::string> list = {"CREATE", "DROP"};
  EXPECT_TRUE(MatchesAny("DROP", list));
  EXPECT_FALSE(MatchesAny("drop", list));
  EXPECT_FALSE(MatchesAny("DROP TABLE", list));
  EXPECT_TRUE(ContainsAny("DROP TABLE", list, false));
  EXPECT_FALSE(ContainsAny("DROP TABLE", list, true));
  EXPECT_FALSE(ContainsAny("drop table", list, false));
  EXPECT_FALSE(ContainsAny("x", {}, false));
}

TEST(StrToHex, GivesTwoUpperCaseDigitsPerByte) {
  EXPECT_EQ(StrToHex(""), "");
  EXPECT_EQ(StrToHex("A\n\xFF"), "410AFF");
  EXPECT_EQ(StrToHex("表"), "E8A1A8");
}

TEST(QuoteStr, DoublesSingleQuotes) {
  EXPECT_EQ(QuoteStr(""), "''");
  EXPECT_EQ(QuoteStr("O'Neil"), "'O''Neil'");
  EXPECT_EQ(QuoteStr("表"), "'表'");
}

TEST(SplitToArray, CutsLinesIntoARectangularTable) {
  struct Case {
    TAryStr lines;
    char separator;
    int headings;
    TAryAryStr result;
  };
  const Case cases[] = {
      {{"ONE  TWO", "THREE"}, ' ', 0, {{"ONE", "TWO"}, {"THREE", ""}}},
      {{"rdbprt  report head", "second head line", "A B C"}, ' ', 2,
       {{"rdbprt  report head", "", ""}, {"second head line", "", ""}, {"A", "B", "C"}}},
      {{"   lead   trail   "}, ' ', 0, {{"lead", "trail"}}},
      {{"", "X"}, ' ', 0, {{""}, {"X"}}},
      {{"a,,b", "a, ,b"}, ',', 0, {{"a", "b", ""}, {"a", "", "b"}}},
      {{}, ' ', 0, {}},
      {{"  only  "}, ' ', 1, {{"only"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitToArray(c.lines, c.separator, c.headings), c.result);
  EXPECT_EQ(SplitListToArray({"A B", "C"}, ' '), (TAryAryStr{{"A", "B"}, {"C", ""}}));
  EXPECT_EQ(SplitListToArray({"H I", "A B"}, ' ', 1), (TAryAryStr{{"H I", ""}, {"A", "B"}}));
}

class FileNames : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  std::string Path(const std::string& name) { return dir.filePath(QString::fromStdString(name)).toStdString(); }
  void Touch(const std::string& name) {
    QFile f(QString::fromStdString(Path(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
};

TEST_F(FileNames, UniqueFileNameInsertsACounterBeforeTheExtension) {
  EXPECT_EQ(UniqueFileName(Path("REPORT.xlsx")), Path("REPORT.xlsx"));
  Touch("REPORT.xlsx");
  EXPECT_EQ(UniqueFileName(Path("REPORT.xlsx")), Path("REPORT01.xlsx"));
  Touch("REPORT01.xlsx");
  EXPECT_EQ(UniqueFileName(Path("REPORT.xlsx")), Path("REPORT02.xlsx"));
  Touch("NOEXT");
  EXPECT_EQ(UniqueFileName(Path("NOEXT")), Path("NOEXT01"));
  ASSERT_TRUE(QDir(dir.path()).mkdir("a.b"));
  Touch("a.b/NAME");
  EXPECT_EQ(UniqueFileName(Path("a.b/NAME")), Path("a.b/NAME01"));
}

TEST_F(FileNames, UniqueFileNameKeepsCountingPastNinetyNine) {
  Touch("T.sql");
  for (int n = 1; n <= 100; ++n) Touch(Format("T%.2d.sql", {n}));
  EXPECT_EQ(UniqueFileName(Path("T.sql")), Path("T101.sql"));
}

TEST(SanitizeFileName, RemovesTheCharactersFileNamesCannotHold) {
  const std::pair<const char*, const char*> cases[] = {
      {"a/b*c?d\\e:f<g>h\"i|j", "abcdefghij"},
      {"%.%.ini", "%.%.ini"},
      {"SCHEMA.表名", "SCHEMA.表名"},
      {"///", ""},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(SanitizeFileName(in), out) << in;
}

TEST(CreateTimeText, GivesDisplayTextAndEmptyForEmpty) {
  EXPECT_EQ(CreateTimeText(""), "");
  EXPECT_EQ(CreateTimeText("20240131235959"), "2024/01/31 23:59:59");
  EXPECT_EQ(DisplayWidth(CreateTimeText(std::string(200, 'x') + std::string(100 * 3, 'a'))), 255);
  EXPECT_EQ(CreateTimeText(std::string(127, 'x') + "表表"), std::string(127, 'x') + "表表");
  EXPECT_EQ(CreateTimeText(std::string(254, 'x') + "表"), std::string(254, 'x'));
}

TEST(VarToDef, ConvertOrGiveTheDefault) {
  EXPECT_EQ(VarToIntDef(QVariant(), 9), 9);
  EXPECT_EQ(VarToIntDef(QVariant(QMetaType(QMetaType::Int)), 9), 9);  // Null
  EXPECT_EQ(VarToIntDef(QVariant("abc"), 9), 9);
  EXPECT_EQ(VarToIntDef(QVariant(" 42 "), 9), 42);
  EXPECT_EQ(VarToIntDef(QVariant(42LL), 9), 42);
  EXPECT_EQ(VarToIntDef(QVariant(2.5), 9), 2);  // halves to even
  EXPECT_EQ(VarToIntDef(QVariant(3.5), 9), 4);
  EXPECT_EQ(VarToIntDef(QVariant(1e12), 9), 9);
  EXPECT_EQ(VarToIntDef(QVariant("99999999999"), 9), 9);

  EXPECT_DOUBLE_EQ(VarToFloatDef(QVariant(), 1.5), 1.5);
  EXPECT_DOUBLE_EQ(VarToFloatDef(QVariant("2.25"), 1.5), 2.25);
  EXPECT_DOUBLE_EQ(VarToFloatDef(QVariant(7), 1.5), 7.0);
  EXPECT_DOUBLE_EQ(VarToFloatDef(QVariant("x"), 1.5), 1.5);

  const QDateTime def(QDate(2000, 1, 1), QTime(0, 0));
  const QDateTime when(QDate(2024, 1, 31), QTime(23, 59, 58));
  EXPECT_EQ(VarToDateTimeDef(QVariant(), def), def);
  EXPECT_EQ(VarToDateTimeDef(QVariant("not a date"), def), def);
  EXPECT_EQ(VarToDateTimeDef(QVariant(when), def), when);
  EXPECT_EQ(VarToDateTimeDef(QVariant("2024/01/31 23:59:58"), def), when);
  EXPECT_EQ(VarToDateTimeDef(QVariant("2024-01-31T23:59:58"), def), when);
  EXPECT_EQ(VarToDateTimeDef(QVariant(QDate(2024, 1, 31)), def), QDateTime(QDate(2024, 1, 31), QTime(0, 0)));
  EXPECT_EQ(VarToDateTimeDef(QVariant(45322.5), def), QDateTime(QDate(2024, 1, 31), QTime(12, 0)));
}

}  // namespace
