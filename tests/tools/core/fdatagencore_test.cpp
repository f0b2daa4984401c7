// The generator's rules: default and allowed kinds, the INSERT text and the
// values of each kind, drawn from a seeded random source.
#include "tools/core/fdatagencore.h"

#include "app/core/zarur.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <set>

namespace {

constexpr uint64_t kSeed = 74;
constexpr int kDraws = 2000;

TColParams Column(const std::string& name, const std::string& type, int length, int32_t kind) {
  TColParams col;
  col.ColumnName = name;
  col.TypeName = type;
  col.Length = length;
  col.Rule.Name = name;
  col.Rule.SetType = kind;
  return col;
}

std::vector<std::string> Draw(const TColParams& col, int count = kDraws) {
  TSeededRandom random(kSeed);
  TDataGenRowInput input;
  std::vector<std::string> values;
  for (int row = 0; row < count; ++row) {
    TDataGenValue value = ColumnValue(col, row, random, input, 0);
    values.push_back(value ? *value : std::string("<NULL>"));
  }
  return values;
}

TEST(DataGenRules, TypeNamesFromCatalogueCodes) {
  struct Case {
    std::string code;
    int radix, precision;
    std::string name;
  };
  for (const Case& c : std::vector<Case>{{"CH", 0, 0, "CHAR"},
                                         {"NV", 0, 0, "NCHAR VARYING"},
                                         {"DP", 0, 0, "DOUBLE PRECISION"},
                                         {"TM", 0, 0, "TIMESTAMP"},
                                         {"IT", 3, 2, "INTERVAL DAY"},
                                         {"IT", 7, 2, "INTERVAL YEAR(2) TO MONTH"},
                                         {"IT", 13, 4, "INTERVAL MINUTE(4) TO SECOND"},
                                         {"IT", 14, 2, "INTERVAL"},
                                         {"XX", 0, 0, ""}})
    EXPECT_EQ(DataGenTypeName(c.code, c.radix, c.precision), c.name) << c.code << c.radix;
}

TEST(DataGenRules, DefaultRulePerTypeKeyAndDefault) {
  const QDateTime now(QDate(2026, 12, 11), QTime(9, 30));
  struct Case {
    std::string type;
    bool notNull, inKey;
    std::string defaultText;
    int32_t kind;
    bool fill;
  };
  for (const Case& c : std::vector<Case>{{"CHAR", false, false, " \t\r\n", dgRandomString, false},
                                         {"INTEGER", true, false, "  5 ", dgFixed, false},
                                         // The catalogue's "NULL" is no default.
                                         {"INTEGER", true, false, " NULL", dgRandomNumber, false},
                                         {"CHAR", true, true, "null", dgSequence, true},
                                         {"CHAR", true, true, "", dgSequence, true},
                                         {"DECIMAL", true, true, "", dgSequence, false},
                                         {"TIMESTAMP", true, true, "", dgDateSequence, false},
                                         {"DATE", false, true, "", dgDateSequence, false},
                                         {"SMALLINT", true, false, "", dgRandomNumber, false},
                                         {"TIME", true, false, "", dgRandomDate, false},
                                         {"BLOB", true, false, "", dgRandomString, false},
                                         {"NCHAR VARYING", false, false, "", dgRandomString, false},
                                         {"INTEGER", false, false, "", dgNone, false},
                                         {"DATE", false, false, "", dgNone, false}}) {
    TColParams col = Column("C", c.type, 0, dgNone);
    col.NotNull = c.notNull;
    col.DefaultText = c.defaultText;
    AssignDefaultRule(col, c.inKey, now);
    EXPECT_EQ(col.Rule.SetType, c.kind) << c.type << c.inKey << c.notNull;
    EXPECT_EQ(col.Rule.StrFull, c.fill) << c.type;
    if (c.kind == dgFixed) {
      EXPECT_EQ(col.Rule.Variable, std::vector<std::string>{c.defaultText});
    }
    if (c.kind == dgSequence) {
      EXPECT_EQ(std::pair(col.Rule.NumFrom, col.Rule.Marume), std::pair(1.0, 1.0));
    }
    if (c.kind == dgDateSequence) {
      EXPECT_EQ(col.Rule.DateType, kDataGenDateOnly);
      EXPECT_EQ(col.Rule.DateFrom, now);
    }
  }
}

TEST(DataGenRules, AllowedKindsPerTypeKeyAndMode) {
  struct Case {
    std::string type;
    bool notNull, inKey, parent;
    std::vector<int32_t> kinds;
  };
  for (const Case& c : std::vector<Case>{
           {"BLOB", false, false, true, {dgNone}},
           {"INTERVAL DAY", true, false, false, {dgNone}},
           {"CHAR", false, false, false, {dgNone, dgSequence, dgFixed, dgRandomString, dgPick, dgTemplate, dgLink}},
           {"INTEGER", true, false, true, {dgSequence, dgFixed, dgRandomNumber, dgPick, dgTemplate, dgLink, dgParent}},
           {"INTEGER", true, true, false, {dgSequence, dgFixed, dgLink}},
           {"TIME", false, false, false, {dgNone, dgFixed, dgRandomDate, dgPick, dgTemplate, dgLink}},
           {"TIMESTAMP", true, true, true, {dgDateSequence, dgFixed, dgLink, dgParent}},
           {"DATE", true, false, false, {dgDateSequence, dgFixed, dgRandomDate, dgPick, dgTemplate, dgLink}}}) {
    TColParams col = Column("C", c.type, 0, dgNone);
    col.NotNull = c.notNull;
    EXPECT_EQ(AllowedKinds(col, c.inKey, c.parent), c.kinds) << c.type << c.inKey;
  }
  EXPECT_EQ(DataGenRuleNames.size(), static_cast<size_t>(dgParent + 1));
  EXPECT_EQ(DataGenRuleNames[dgLink], "リンクテーブル値");
}

TEST(DataGenRules, InsertTextNumbersParametersByListPosition) {
  std::vector<TColParams> cols = {Column("A", "INTEGER", 0, dgSequence), Column("B", "CHAR", 5, dgNone),
                                  Column("C", "CHAR", 5, dgRandomString)};
  EXPECT_EQ(BuildInsertSQL(cols, "S", "T", ""), "INSERT INTO \"S\".\"T\"(\"A\", \"C\") VALUES (:COL0, :COL2)");
  cols.push_back(Column("D\"q", "CHAR", 5, dgFixed));
  cols.back().Rule.Variable = {"  CURRENT_DATE", "+ 1,", ""};
  cols.push_back(Column("E", "CHAR", 5, dgPick));
  EXPECT_EQ(BuildInsertSQL(cols, "s\"1", "t", "TMP.X"),
            "INSERT INTO TMP.X(\"A\", \"C\", \"D\"\"q\", \"E\") VALUES (:COL0, :COL2, CURRENT_DATE + 1, :COL4)");
  EXPECT_EQ(BuildInsertSQL(cols, "s\"1", "t", "").substr(0, 23), "INSERT INTO \"s\"\"1\".\"t\"(");
  EXPECT_EQ(FixedExpressionText({" 'A'", "|| 'B',  "}), "'A' || 'B'");

  // Each parameter column sets one value, in list order, NULL included.
  cols[0].Rule.NumFrom = 1;
  cols[2].Rule.NullPar = 100;
  TSeededRandom random(kSeed);
  const std::vector<TDataGenValue> row = RowValues(cols, 0, random, TDataGenRowInput{});
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[0], "1");
  EXPECT_EQ(row[1], std::nullopt);
  EXPECT_EQ(row[2], std::nullopt) << "an empty pick list gives NULL";
}

TEST(DataGenRules, Sequences) {
  struct Case {
    std::string type;
    int length;
    double from, increment;
    bool fill, prefixed;
    std::string prefix;
    std::vector<std::string> values;
  };
  for (const Case& c : std::vector<Case>{
           {"CHAR", 5, 1, 1, true, false, "", {"00001", "00002", "00003"}},
           {"CHAR", 5, 1, 1, true, true, "A", {"A0001", "A0002", "A0003"}},
           {"CHAR", 5, 1, 1, true, false, "A", {"00001", "00002", "00003"}},
           {"CHAR VARYING", 6, 1, 1, true, true, "あ", {"あ0001", "あ0002", "あ0003"}},
           {"NCHAR", 4, 1, 1, true, false, "", {"０００１", "０００２", "０００３"}},
           {"NCHAR", 4, 1, 1, true, true, "あ", {"あ００１", "あ００２", "あ００３"}},
           {"INTEGER", 0, 10, 5, false, true, "X", {"X10", "X15", "X20"}},
           {"DECIMAL", 0, 0.5, 0.25, false, false, "", {"0.5", "0.75", "1"}},
           {"CHAR", 2, 99, 1, true, false, "", {"99", "100", "101"}}}) {
    TColParams col = Column("C", c.type, c.length, dgSequence);
    col.Rule.NumFrom = c.from;
    col.Rule.Marume = c.increment;
    col.Rule.StrFull = c.fill;
    col.Rule.FlgPrefix = c.prefixed;
    col.Rule.StrPrefix = c.prefix;
    EXPECT_EQ(Draw(col, 3), c.values) << c.type << c.prefix;
  }
}

TEST(DataGenRules, DateSequences) {
  TColParams col = Column("D", "TIMESTAMP", 0, dgDateSequence);
  col.Rule.DateFrom = QDateTime(QDate(2026, 12, 30), QTime(13, 1));
  col.Rule.DateType = kDataGenDateOnly;
  EXPECT_EQ(Draw(col, 3), (std::vector<std::string>{"2026-12-30 00:00:00", "2026-12-31 00:00:00",
                                                    "2027-01-01 00:00:00"}));
  col.Rule.DateType = 0;
  for (const std::string& value : Draw(col, 50))
    EXPECT_TRUE(std::regex_match(value, std::regex("2026-12-30 \\d\\d:\\d\\d:\\d\\d"))) << value;
  col.TypeName = "DATE";
  TSeededRandom random(kSeed);
  TDataGenRowInput input;
  input.ShortDateFormat = "yyyy/MM/dd";
  EXPECT_EQ(ColumnValue(col, 2, random, input, 0), "2027/01/01");
}

struct NumberCase {
  std::string type;
  int length;
  double from, to, unit;
  double low, high, step;
};

TEST(DataGenRules, RandomNumbersStayInRangeAndSteps) {
  for (const NumberCase& c : std::vector<NumberCase>{{"INTEGER", 0, 10, 20, 0, 10, 19, 1},
                                                     {"INTEGER", 0, 0, 100, 5, 0, 95, 5},
                                                     {"DECIMAL", 0, 0, 100, 0.5, 0, 99.5, 0.5},
                                                     {"INTEGER", 0, -5, 5, 0, -5, 4, 1},
                                                     {"INTEGER", 0, 0, 100, 1e-20, 0, 99, 1}}) {
    TColParams col = Column("N", c.type, c.length, dgRandomNumber);
    col.Rule.NumFrom = c.from;
    col.Rule.NumTo = c.to;
    col.Rule.Marume = c.unit;
    std::set<double> seen;
    for (const std::string& text : Draw(col)) {
      const double value = std::stod(text);
      EXPECT_GE(value, c.low) << text;
      EXPECT_LE(value, c.high) << text;
      const double steps = (value - c.low) / c.step;
      EXPECT_EQ(steps, std::floor(steps)) << text << " unit " << c.unit;
      seen.insert(value);
    }
    EXPECT_TRUE(seen.count(c.low) && seen.count(c.high)) << "whole range covered, unit " << c.unit;
  }
}

TEST(DataGenRules, RandomNumbersWithoutBounds) {
  TColParams decimal = Column("N", "DECIMAL", 0, dgRandomNumber);
  size_t longestFraction = 0;
  for (const std::string& text : Draw(decimal)) {
    const size_t point = text.find('.');
    if (point != std::string::npos) longestFraction = std::max(longestFraction, text.size() - point - 1);
  }
  EXPECT_GE(longestFraction, 1u);
  EXPECT_LE(longestFraction, 4u);

  // Lengths of 10 and more go past 32 bits and stay below 10^length.
  TColParams wide = Column("N", "INTEGER", 12, dgRandomNumber);
  double largest = 0;
  for (const std::string& text : Draw(wide)) largest = std::max(largest, std::stod(text));
  EXPECT_GT(largest, 2147483647.0);
  EXPECT_LT(largest, 1e12);
}

TEST(DataGenRules, RandomStringShapes) {
  struct Case {
    int32_t kind;
    std::string type;
    int length;
    bool fill;
    std::string greatest;
    std::string pattern;
  };
  for (const Case& c : std::vector<Case>{
           {dsLetters, "CHAR", 10, false, "", "[A-Z]{1,10}"},
           {dsLetters, "CHAR", 10, true, "", "[A-Z]{10}"},
           {dsDigits, "CHAR", 10, false, "3", "[0-9]{1,3}"},
           {dsAlphaNumerics, "CHAR VARYING", 8, true, "", "[0-9A-Z]{8}"},
           {dsUrl, "CHAR", 20, true, "", "www\\.[a-z]{10}\\.(com|co\\.jp|ne\\.jp|ac\\.jp|jp|net)"},
           {dsUrl, "CHAR", 5, false, "", "www\\.[a-z]{3}\\.(com|co\\.jp|ne\\.jp|ac\\.jp|jp|net)"},
           {dsMail, "CHAR", 30, true, "", "[a-z]+@[a-z]+\\.(com|co\\.jp|ne\\.jp|ac\\.jp|jp|net)"},
           {dsTelephone, "CHAR", 20, false, "",
            "0[346]-\\d{4}-\\d{4}|0\\d{2}-\\d{3}-\\d{4}|0\\d{3}-\\d{2}-\\d{4}"},
           {dsPostal, "CHAR", 8, false, "", "\\d{3}-\\d{4}"}}) {
    TColParams col = Column("S", c.type, c.length, dgRandomString);
    col.Rule.StrType = c.kind;
    col.Rule.StrFull = c.fill;
    col.Rule.StrDigit = c.greatest;
    for (const std::string& value : Draw(col, 300))
      ASSERT_TRUE(std::regex_match(value, std::regex(c.pattern))) << c.kind << ": " << value;
  }
  // A mail address of 4 drawn letters repeats one beside the "@": 5 letters
  // and the "@" before its ending.
  TColParams mail = Column("S", "CHAR", 14, dgRandomString);
  mail.Rule.StrType = dsMail;
  mail.Rule.StrFull = true;
  for (const std::string& value : Draw(mail, 50)) EXPECT_EQ(value.find('.'), 6u) << value;

  // Full-width: half the count, in characters of the full-width table.
  TColParams wide = Column("S", "NCHAR", 10, dgRandomString);
  wide.Rule.StrType = dsFullWidth;
  wide.Rule.StrFull = true;
  for (const std::string& value : Draw(wide, 50)) {
    EXPECT_EQ(QString::fromStdString(value).size(), 5) << value;
    EXPECT_EQ(DisplayWidth(value), 10) << value;
  }
  // An NCHAR column gets letters mapped to full width.
  TColParams national = Column("S", "NCHAR", 4, dgRandomString);
  national.Rule.StrFull = true;
  for (const std::string& value : Draw(national, 20)) EXPECT_EQ(DisplayWidth(value), 8) << value;
}

TEST(DataGenRules, RandomDatesAndTimes) {
  TColParams day = Column("D", "DATE", 0, dgRandomDate);
  day.Rule.DateFrom = QDateTime(QDate(2026, 3, 1), QTime(15, 0));
  day.Rule.DateTo = QDateTime(QDate(2026, 3, 1), QTime(18, 0));
  for (const std::string& value : Draw(day, 100)) EXPECT_EQ(value, "2026/03/01");
  day.Rule.DateTo = QDateTime(QDate(2026, 3, 4), QTime(0, 0));
  std::set<std::string> days;
  for (const std::string& value : Draw(day, 200)) days.insert(value);
  EXPECT_EQ(days, (std::set<std::string>{"2026/03/01", "2026/03/02", "2026/03/03"})) << "the last day is never drawn";

  TColParams stamp = Column("T", "TIMESTAMP", 0, dgRandomDate);
  stamp.Rule.DateFrom = day.Rule.DateFrom;
  stamp.Rule.DateTo = day.Rule.DateFrom;
  stamp.Rule.DateType = kDataGenDateOnly;
  for (const std::string& value : Draw(stamp, 20)) EXPECT_EQ(value, "2026-03-01 00:00:00");

  TColParams time = Column("T", "TIME", 0, dgRandomDate);
  bool shortPart = false;
  for (const std::string& value : Draw(time, 200)) {
    std::smatch parts;
    ASSERT_TRUE(std::regex_match(value, parts, std::regex("(\\d{1,2}):(\\d{1,2}):(\\d{1,2})"))) << value;
    EXPECT_LT(std::stoi(parts[1]), 24);
    EXPECT_LT(std::stoi(parts[2]), 60);
    for (int i = 1; i <= 3; ++i) {
      EXPECT_NE(parts[i].str().front() == '0' && parts[i].length() == 2, true) << "no leading zeros: " << value;
      shortPart = shortPart || parts[i].length() == 1;
    }
  }
  EXPECT_TRUE(shortPart);
  time.Rule.DateType = kDataGenDateOnly;
  EXPECT_EQ(Draw(time, 1), std::vector<std::string>{"00:00:00"});
}

TEST(DataGenRules, PicksTemplatesLinksAndNullRatios) {
  TColParams pick = Column("P", "CHAR", 5, dgPick);
  pick.Rule.Variable = {"A", "B", "C"};
  std::set<std::string> picked;
  for (const std::string& value : Draw(pick, 100)) picked.insert(value);
  EXPECT_EQ(picked, (std::set<std::string>{"A", "B", "C"}));

  TColParams words = Column("W", "CHAR", 7, dgTemplate);
  words.Words1 = {"東京", "大阪"};
  words.Words2 = {"支店", "本社"};
  words.Rule.TempSep = "-";
  for (const std::string& value : Draw(words, 30))
    EXPECT_TRUE(std::regex_match(value, std::regex("(東京|大阪)-(支|本)"))) << "cut at 7 columns: " << value;
  words.Words1.clear();
  for (const std::string& value : Draw(words, 10)) EXPECT_TRUE(value == "支店" || value == "本社") << value;

  TColParams link = Column("L", "TIMESTAMP", 0, dgLink);
  TSeededRandom random(kSeed);
  TDataGenRowInput input;
  input.LinkValues = {std::nullopt};
  EXPECT_EQ(ColumnValue(link, 0, random, input, 0), std::nullopt) << "a link table with no rows";
  input.LinkValues = {std::string("2026/01/02 03:04:05")};
  EXPECT_EQ(ColumnValue(link, 0, random, input, 0), "2026-01-02 03:04:05");
  input.LinkValues = {std::string("tomorrow")};
  EXPECT_THROW(ColumnValue(link, 0, random, input, 0), std::runtime_error);

  TColParams parent = Column("P", "INTEGER", 0, dgParent);
  parent.Rule.LinkColumn = "ID";
  input.ParentColumns = {"NAME", "ID"};
  input.ParentRow = {std::string("x"), std::string("42")};
  EXPECT_EQ(ColumnValue(parent, 3, random, input, 0), "42");

  TColParams seq = Column("N", "INTEGER", 0, dgSequence);
  seq.Rule.Marume = 1;
  seq.Rule.NullPar = 100;
  for (const std::string& value : Draw(seq, 100)) EXPECT_EQ(value, "<NULL>");
  seq.Rule.NullPar = 0;
  for (const std::string& value : Draw(seq, 100)) EXPECT_NE(value, "<NULL>");
  seq.Rule.NullPar = 30;
  const auto values = Draw(seq);
  const auto nulls = std::count(values.begin(), values.end(), "<NULL>");
  EXPECT_GT(nulls, kDraws / 5);
  EXPECT_LT(nulls, kDraws * 2 / 5);
}

TEST(DataGenRules, LinkQueriesOnePerLinkTable) {
  std::vector<TColParams> cols = {Column("A", "CHAR", 5, dgLink), Column("B", "CHAR", 5, dgSequence),
                                  Column("C", "CHAR", 5, dgLink), Column("D", "CHAR", 5, dgLink)};
  cols[0].Rule.LinkOwner = "S";
  cols[0].Rule.LinkTable = "M";
  cols[0].Rule.LinkColumn = "X";
  cols[2].Rule.LinkOwner = " ";
  cols[2].Rule.LinkTable = "m";
  cols[2].Rule.LinkColumn = "Y";
  cols[3].Rule.LinkOwner = "S";
  cols[3].Rule.LinkTable = "M";
  cols[3].Rule.LinkColumn = "Z";
  EXPECT_EQ(BuildLinkQueries(cols), (std::vector<std::string>{"SELECT X, Z FROM S.M", "SELECT Y FROM \"m\""}));
  EXPECT_EQ(std::pair(cols[3].LinkQueryIndex, cols[3].LinkFieldIndex), std::pair(0, 1));
  EXPECT_EQ(std::pair(cols[2].LinkQueryIndex, cols[2].LinkFieldIndex), std::pair(1, 0));
  EXPECT_EQ(cols[1].LinkQueryIndex, -1);
}

TEST(DataGenRules, TemplateWordsLoadFromTheSharedFolder) {
  QTemporaryDir share;
  ASSERT_TRUE(QDir(share.path()).mkpath("DATAGEN"));
  QFile file(share.path() + "/DATAGEN/city.txt");
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("東京\r\n大阪\r\n");
  file.close();
  std::vector<TColParams> cols = {Column("W", "CHAR", 10, dgTemplate), Column("X", "CHAR", 10, dgPick)};
  cols[0].Rule.Temp1 = "city";
  cols[0].Rule.Temp2 = "missing";
  cols[0].Words2 = {"kept"};
  cols[1].Rule.Temp1 = "city";
  LoadTemplateWords(cols, share.path().toStdString() + "/");
  EXPECT_EQ(cols[0].Words1, (std::vector<std::string>{"東京", "大阪"}));
  EXPECT_EQ(cols[0].Words2, std::vector<std::string>{"kept"});
  EXPECT_TRUE(cols[1].Words1.empty());
}

TEST(DataGenRules, FullWidthMappingAndSeededRepeat) {
  EXPECT_EQ(ToFullWidth("A1 z~"), "Ａ１　ｚ～");
  EXPECT_EQ(ToFullWidth("あ"), "あ");
  EXPECT_EQ(ToFullWidth("ｶﾞｷﾞﾊﾟ-ｰ｡"), "ガギパ－ー。");
  EXPECT_EQ(DisplayWidth(ToFullWidth(std::string(600, 'A'))), 1024) << "cut at 1024 columns";
  TSeededRandom random(kSeed);
  EXPECT_EQ(random.Next(0), 0);
  TColParams col = Column("S", "CHAR", 12, dgRandomString);
  EXPECT_EQ(Draw(col, 20), Draw(col, 20)) << "one seed, one series";
}

}  // namespace
