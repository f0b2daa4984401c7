#include "ui/core/rdatacore.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/core/odsql.h"
#include "platform/inifile.h"
#include "tests/ui/core/fake_records.h"
#include "tests/standin/grid_fixture.h"
#include "tests/standin/odbc_fixture.h"

namespace {

using Lines = std::vector<std::string>;

TEST(ResultStatement, AddsSortLimitAndLockClausesEachOnItsOwnLine) {
  const std::string plain = "SELECT * FROM S.T";
  const std::string noLock = "SELECT * FROM S.T WITH OPTION LOCK_MODE(NO LOCK)";
  struct Case {
    std::string base;
    std::string sort;
    bool descending;
    std::string limit;  // the table editor's row limit; empty for the SQL window
    Lines lines;
  } cases[] = {
      {plain, "", false, "100", {plain, " WITH OPTION LIMIT (100)", " WITH OPTION LOCK_MODE(SHARE LOCK)"}},
      {plain, "", false, "", {plain, " WITH OPTION LOCK_MODE(SHARE LOCK)"}},
      {plain, "2", false, "", {plain, " ORDER BY 2", " WITH OPTION LOCK_MODE(NO LOCK) "}},
      {plain,
       "2",
       true,
       "50",
       {plain, " ORDER BY 2 DESC", "  ", " WITH OPTION LIMIT (50)", " WITH OPTION LOCK_MODE(SHARE LOCK)"}},
      {noLock, "", false, "", {noLock}},
      {noLock,
       "",
       false,
       "50",
       {"SELECT * FROM S.T ", " WITH OPTION LIMIT (50)", " WITH OPTION LOCK_MODE(SHARE LOCK)"}},
      // the no-lock option is taken out case-ignored and put after the sort
      {"select a from t with option lock_mode(no lock)",
       "1",
       false,
       "",
       {"select a from t ", " ORDER BY 1", " WITH OPTION LOCK_MODE(NO LOCK) "}},
      // an ORDER BY of the statement's own is never doubled
      {"select a from t order by a",
       "1",
       true,
       "",
       {"select a from t order by a", " WITH OPTION LOCK_MODE(SHARE LOCK)"}},
      {"SELECT A\r\nFROM T\nORDER BY 1",
       "2",
       false,
       "",
       {"SELECT A", "FROM T", "ORDER BY 1", " WITH OPTION LOCK_MODE(SHARE LOCK)"}},
  };
  for (const Case& c : cases) {
    const std::string text = LimitedStatement(SortedStatement(c.base, c.sort, c.descending), c.limit);
    EXPECT_EQ(StatementLines(text), c.lines) << c.base << " / " << c.sort << " / " << c.limit;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  }
}

TEST(ResultStatement, AggregatesQuoteTheColumnAndDropTheTrailingOptions) {
  struct Case {
    TAggregate kind;
    std::string field;
    std::string base;
    std::string sql;
  } cases[] = {
      {TAggregate::Count, "A", " SELECT * FROM S.T ", "select count(A) from (SELECT * FROM S.T) as dummy"},
      {TAggregate::Sum, "amount", "SELECT * FROM S.T WITH OPTION LOCK_MODE(NO LOCK)",
       "select sum(\"amount\") from (SELECT * FROM S.T) as dummy"},
      {TAggregate::Average, "A",
       "SELECT * FROM S.T\r\n WITH OPTION LIMIT (5)\r\n WITH OPTION "
       "LOCK_MODE(NO LOCK) ",
       "select avg(A) from (SELECT * FROM S.T) as dummy"},
      {TAggregate::Max, "A", "SELECT A FROM S.T WHERE B = 'T'WITH OPTION LOCK_MODE(NO LOCK)",
       "select max(A) from (SELECT A FROM S.T WHERE B = 'T') as dummy"},
      // the words inside a literal, a quoted name or a sub-query stay
      {TAggregate::Min, "A", "SELECT 'WITH OPTION', \"WITH OPTION\" FROM (SELECT A FROM T) Q",
       "select min(A) from (SELECT 'WITH OPTION', \"WITH OPTION\" FROM (SELECT "
       "A FROM T) Q) as dummy"},
      {TAggregate::Count, "A", "SELECT WITH_OPTION FROM T with\toption lock_mode(no lock)",
       "select count(A) from (SELECT WITH_OPTION FROM T) as dummy"},
  };
  for (const Case& c : cases) EXPECT_EQ(AggregateStatement(c.kind, c.field, c.base), c.sql) << c.base;
  EXPECT_EQ(AggregateMessage(TAggregate::Average, "金額", "12.5"), "[金額]列の平均 = 12.5");
}

// Each aggregate and each built statement runs on the stand-in, which
// refuses an option clause inside parentheses as the server does.
class StandinAggregates : public testing::Test {
 protected:
  void SetUp() override {
    testing_grids::ConnectStandin(odbc_, connection_);
    for (const char* sql :
         {"CREATE SCHEMA S", "CREATE TABLE S.T (ID INTEGER, \"amount\" DECIMAL(5,1))",
          "INSERT INTO S.T VALUES (1, 1.5)", "INSERT INTO S.T VALUES (2, 2.5)", "INSERT INTO S.T VALUES (3, NULL)"})
      Exec(sql);
  }
  void Exec(const std::string& sql) {
    TovSQLQuery q(&connection_);
    q.SetSQL(sql);
    q.ExecSQL();
  }
  std::string First(const std::string& sql) {
    TovSQLQuery q(&connection_);
    q.SetSQL(sql);
    q.Open();
    return q.AsString(size_t{0});
  }
  std::vector<std::string> Column(const std::string& sql) {
    TovSQLQuery q(&connection_);
    q.SetSQL(sql);
    q.Open();
    std::vector<std::string> values;
    for (q.First(); !q.Eof(); q.Next()) values.push_back(q.AsString(size_t{0}));
    return values;
  }

  testing_odbc::OdbcFixture odbc_;
  TovSQLConnection connection_;
};

TEST_F(StandinAggregates, EveryFunctionRunsOnTheTableEditorsStatement) {
  const std::string tableEditor = "SELECT * FROM S.T WITH OPTION LOCK_MODE(NO LOCK)";
  struct Case {
    TAggregate kind;
    std::string value;
  } cases[] = {{TAggregate::Count, "2"},
               {TAggregate::Sum, "4"},
               {TAggregate::Average, "2"},
               {TAggregate::Max, "2.5"},
               {TAggregate::Min, "1.5"}};
  for (const Case& c : cases) {
    const std::string value = First(AggregateStatement(c.kind, "amount", tableEditor));
    EXPECT_EQ(std::stod(value), std::stod(c.value)) << static_cast<int>(c.kind);
  }
  // the option clause inside the derived table is what the server refuses
  EXPECT_THROW(First("select sum(\"amount\") from (" + tableEditor + ") as dummy"), std::exception);
  EXPECT_THROW(First(AggregateStatement(TAggregate::Sum, "NOSUCH", tableEditor)), std::exception);
  EXPECT_EQ(First(AggregateStatement(TAggregate::Max, "amount", "SELECT * FROM S.T WHERE ID > 9")), "");
}

TEST_F(StandinAggregates, SortedAndLimitedStatementsRun) {
  const std::string base = "SELECT ID FROM S.T WITH OPTION LOCK_MODE(NO LOCK)";
  EXPECT_EQ(Column(LimitedStatement(SortedStatement(base, "1", true), "2")), (std::vector<std::string>{"3", "2"}));
  EXPECT_EQ(Column(LimitedStatement(SortedStatement(base, "1", false), "")), (std::vector<std::string>{"1", "2", "3"}));
}

TEST(ResultCells, DrawNullsNumbersAndTextsByTypeAndMode) {
  using T = TFieldType;
  struct Case {
    bool transposed;
    int mode;
    T type;
    bool isNull;
    bool showNull;
    std::string text;
    TCellLook look;
  } cases[] = {
      {false, 0, T::ftFloat, false, true, ".5", {true, "0.5", true, false}},
      {false, 0, T::ftInteger, false, true, "-5", {true, "-5", true, false}},
      {false, 0, T::ftString, true, true, "", {true, "(NULL)", false, true}},
      {false, 0, T::ftString, true, false, "", {}},  // the grid draws it (empty)
      {false, 0, T::ftString, false, true, "ab", {}},
      {false, 0, T::ftBlob, false, true, "01ff", {true, "01FF", false, false}},
      {false, 0, T::ftMemo, false, true, "m", {true, "m", false, false}},
      {true, 0, T::ftBCD, false, true, ".25", {true, "0.25", true, false}},
      {true, 0, T::ftDate, false, true, "2024/01/31", {true, "2024/01/31", false, false}},
      {true, 0, T::ftBytes, false, true, "AB", {}},
      {true, 1, T::ftInteger, true, false, "", {true, "(NULL)", false, true}},
      {true, 1, T::ftInteger, false, false, "7", {true, "7", false, false}},
      {true, 2, T::ftString, false, false, "x", {true, "x", true, false}},
      {true, 2, T::ftBlob, false, false, "0a", {true, "0A", true, false}},
  };
  for (const Case& c : cases) {
    const TCellLook look = c.transposed ? RowCellLook(c.type, c.isNull, c.text, c.showNull, c.mode)
                                        : ColumnCellLook(c.type, c.isNull, c.text, c.showNull);
    EXPECT_EQ(look.Own, c.look.Own) << c.text;
    EXPECT_EQ(look.Text, c.look.Text) << c.text;
    EXPECT_EQ(look.RightAligned, c.look.RightAligned) << c.text;
    EXPECT_EQ(look.NullMark, c.look.NullMark) << c.text;
  }
}

using testing_records::FakeRecords;

TEST(ResultClipboard, TitlesAndDataCountVisibleFieldsAlike) {
  const std::vector<TResultField> fields = {{"ID", "番号", true}, {"HIDDEN", "隠し", false}, {"NAME", "", true}};
  struct Case {
    int pasteTitle;
    bool comma;
    std::string text;
  } cases[] = {
      {kPasteTitleNames, false, "ID\tNAME\r\n1\tA,B\r\n2\t\"x\ny\"\"z\"\r\n"},
      {kPasteTitleComments, true, "番号,NAME\r\n1,\"A,B\"\r\n2,\"x\ny\"\"z\"\r\n"},
      {kPasteTitleNone, false, "1\tA,B\r\n2\t\"x\ny\"\"z\"\r\n"},
  };
  for (const Case& c : cases) {
    FakeRecords records({{"1", "A,B"}, {"2", "x\r\ny\"z"}});
    const std::vector<std::string> titles =
        c.pasteTitle == kPasteTitleNone ? std::vector<std::string>{} : ResultTitles(fields, c.pasteTitle);
    EXPECT_EQ(ResultClipboardText(titles, c.comma, records), c.text) << c.pasteTitle;
    EXPECT_EQ(records.progress, (std::vector<int>{1, 2}));
  }
}

TEST(ResultClipboard, EscHalfWayKeepsWhatWasWritten) {
  FakeRecords records({{"1"}, {"2"}, {"3"}}, 2);
  EXPECT_EQ(ResultClipboardText({"N"}, false, records), "N\r\n1\r\n2\r\n");
}

TEST(ResultClipboard, QuotesAValueOfCrLfAndQuote) {
  FakeRecords records({{"A\r\n\"B"}, {"C\rD\tE"}});
  EXPECT_EQ(ResultClipboardText({}, false, records), "\"A\n\"\"B\"\r\n\"C\nD\tE\"\r\n");
}

// A value holding the separator is quoted, so a reader keeps it one value.
TEST(ResultClipboard, AValueHoldingTheSeparatorIsQuoted) {
  struct Case {
    std::string value, comma, tab;
  } cases[] = {
      {"a,b", "\"a,b\"", "a,b"},
      {"a\tb", "\"a\tb\"", "\"a\tb\""},
      {",", "\",\"", ","},
      {"say \"hi\", then", "\"say \"\"hi\"\", then\"", "\"say \"\"hi\"\", then\""},
      {"plain", "plain", "plain"},
  };
  for (const Case& c : cases) {
    for (const bool comma : {true, false}) {
      FakeRecords records({{"1", c.value}});
      const char separator = comma ? ',' : '\t';
      EXPECT_EQ(ResultClipboardText({}, comma, records), "1" + std::string(1, separator) + (comma ? c.comma : c.tab) + "\r\n")
          << c.value;
    }
  }
}

TEST(ColumnWidths, RoundTripThroughTheWidthFileWithJapaneseCaptions) {
  QTemporaryDir dir;
  const std::string tempDir = dir.path().toStdString() + "/";
  const std::string name = ColWidthFileName(tempDir, "SCH.表");
  EXPECT_EQ(name, tempDir + "SCH.表.ini");
  const std::vector<std::string> captions = {"番号", "名前", "(ALL)"};
  {
    platform::IniFile file(name);
    SaveColumnWidths(file, captions, {40, 0, 77}, 120);
  }
  platform::IniFile file(name);
  EXPECT_EQ(file.ReadInteger(kColWidthSectionV, "(ALL)", 0), 77);
  EXPECT_EQ(SavedDefaultColWidth(file), 120);
  // saved widths win; an unsaved one (0) is capped like a column without a file
  EXPECT_EQ(FittedColumnWidths(captions, {300, 300, 10}, 64, &file), (std::vector<int>{40, 64, 77}));
  EXPECT_EQ(FittedColumnWidths(captions, {300, 30, 10}, 64, nullptr), (std::vector<int>{64, 30, 10}));
  platform::IniFile empty(ColWidthFileName(tempDir, "none"));
  EXPECT_EQ(SavedDefaultColWidth(empty), 0);
}

}  // namespace

namespace {

TEST(CellEditing, TextsOpenTheMemoAndDatesTheCalendar) {
  using T = TFieldType;
  const std::pair<T, TCellEditor> cases[] = {
      {T::ftString, TCellEditor::Memo},       {T::ftWideString, TCellEditor::Memo},
      {T::ftMemo, TCellEditor::Memo},         {T::ftWideMemo, TCellEditor::Memo},
      {T::ftDate, TCellEditor::Calendar},     {T::ftDateTime, TCellEditor::Calendar},
      {T::ftInteger, TCellEditor::None},      {T::ftBlob, TCellEditor::None},
      {T::ftTime, TCellEditor::None},
  };
  for (const auto& [type, editor] : cases) EXPECT_EQ(CellEditorFor(type), editor) << static_cast<int>(type);
}

TEST(CellEditing, TheCalendarStartsAtTheFieldOrTodayAndWritesTheDataSetsForm) {
  const QDate today(2026, 12, 11);
  EXPECT_EQ(CalendarStartValue("", today), QDateTime(today, QTime(0, 0)));
  EXPECT_EQ(CalendarStartValue("2024-01-31", today), QDateTime(QDate(2024, 1, 31), QTime(0, 0)));
  EXPECT_EQ(CalendarStartValue("2024-02-29 23:59:58", today), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)));
  EXPECT_EQ(PickedDateText(QDateTime(QDate(2025, 2, 3), QTime(0, 0))), "2025-02-03");
  EXPECT_EQ(PickedDateText(QDateTime(QDate(2025, 2, 3), QTime(0, 0, 1))), "2025-02-03 00:00:01");
}

}  // namespace
