#include "objedit/core/ftablecore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;
constexpr const char* kSep = "/";

std::string Blanks(size_t n) { return std::string(n, ' '); }

TTableColumn Column(const std::string& name, const std::string& type, const std::string& size = "",
                    int readPosition = 0) {
  TTableColumn c;
  c.Name = name;
  c.Type = type;
  c.Size = size;
  c.ReadPosition = readPosition;
  return c;
}

// S1.T1: C1 CHAR(10) in the key, C2 INTEGER with default 0, on DBS1.
TTableDefinition GoldenTable() {
  TTableDefinition t;
  t.Schema = "S1";
  t.Name = "T1";
  TTableColumn c1 = Column("C1", "CHAR", "10", 1);
  c1.Key = true;
  c1.NotNull = true;
  TTableColumn c2 = Column("C2", "INTEGER", "", 2);
  c2.Default = "0";
  t.Columns = {c1, c2, TTableColumn{}};  // and the empty entry row
  t.Space = "DBS1";
  return t;
}

TTableDdlContext Context() {
  TTableDdlContext c;
  c.SchemaPrefix = "S1.";
  c.Separator = kSep;
  c.CatalogLevel = 11;
  return c;
}

Lines Create(const TTableDefinition& t, const TTableDdlContext& c = Context()) {
  Lines lines;
  BuildTableCreateDDL(t, c, lines);
  return lines;
}

class TableRules : public ::testing::Test {
 protected:
  void SetUp() override { AppOption.UserLowerName = false; }
};

TEST_F(TableRules, TypeTextsOfTheCatalogueCodes) {
  struct Case {
    std::string Code, Interval, Precision, Text;
  };
  for (const Case& c : std::vector<Case>{{"CH", "", "", "CHAR"},
                                         {"CV", "", "", "CHAR VARYING"},
                                         {"IN", "", "", "INTEGER"},
                                         {"BL", "", "", "BLOB"},
                                         {"DP", "", "", "DOUBLE PRECISION"},
                                         {"IT", "10", "2", "INTERVAL DAY(2) TO SECOND"},
                                         {"IT", "8", "3", "INTERVAL DAY(3) TO HOUR"},
                                         {"IT", "1", "2", "INTERVAL YEAR"},
                                         {"IT", "6", "2", "INTERVAL SECOND"},
                                         {"IT", "13", "4", "INTERVAL MINUTE(4) TO SECOND"},
                                         {"IT", "14", "2", "INTERVAL"},
                                         {"ZZ", "", "", ""}})
    EXPECT_EQ(TableTypeText(c.Code, c.Interval, c.Precision), c.Text) << c.Code << c.Interval;
}

TEST_F(TableRules, CatalogueRowsBecomeGridRows) {
  TCatalogColumn c{"A", "IT", QVariant(), QVariant(2), QVariant(), "YES", " NULL ", "note", "10", "7"};
  TTableColumn row = ColumnOfCatalog(c, 1, false);
  EXPECT_EQ(row.Type, "INTERVAL DAY(2) TO SECOND");
  EXPECT_EQ(row.Default, "");  // a stored NULL shows empty
  EXPECT_FALSE(row.NotNull);
  EXPECT_EQ(row.Comment, "note");
  EXPECT_EQ(row.ReadPosition, 1);
  EXPECT_EQ(row.ColumnCode, "7");  // kept apart from the position

  c = {"B", "NU", QVariant(), QVariant(7), QVariant(2), "NO", " 'A' ", "", "", "2"};
  row = ColumnOfCatalog(c, 2, true);
  EXPECT_EQ(row.Type, "NUMERIC");
  EXPECT_EQ(row.Size, "7,2");
  EXPECT_EQ(row.Default, "'A'");
  EXPECT_TRUE(row.NotNull);
  EXPECT_TRUE(row.Key);
  EXPECT_EQ(CellsOfColumn(row), (std::array<std::string, kTableGridCols>{"1", "B", "NUMERIC", "7,2", "1", "'A'", ""}));
  EXPECT_EQ(ColumnOfCells(CellsOfColumn(row), 2, "2"), row);

  EXPECT_TRUE(IsSizedType("NUMERIC"));
  EXPECT_TRUE(IsSizedType("CHAR VARYING"));
  EXPECT_FALSE(IsSizedType("INTEGER"));
}

TEST_F(TableRules, ConstraintAndIndexGroups) {
  EXPECT_EQ(GroupUniqueConstraints({{"A", "5"}, {"B", "5"}, {"c", "9"}}),
            (std::vector<TUniqueConstraint>{{"(A, B)", "5"}, {"(\"c\")", "9"}}));
  EXPECT_EQ(GroupIndexes({{"A", "IX1"}, {"low", "IX1"}, {"B", "IX2"}}),
            (std::vector<TTableIndex>{{"IX1", "A, \"low\""}, {"IX2", "B"}}));
  EXPECT_TRUE(GroupIndexes({}).empty());
}

TEST_F(TableRules, TheGoldenCreateText) {
  EXPECT_EQ(Create(GoldenTable()), (Lines{"CREATE TABLE S1.T1", "(", "    C1" + Blanks(29) + "CHAR(10) NOT NULL,",
                                          "    C2" + Blanks(29) + "INTEGER DEFAULT 0,", "    PRIMARY KEY(C1)", ")",
                                          "ON DBS1", kSep}));
}

TEST_F(TableRules, CreateTextLayout) {
  TTableDefinition t = GoldenTable();
  t.Columns[0].Key = false;
  t.Columns[0].Comment = "名前";
  t.Columns[1].Name = "列";  // two display columns wide
  t.Comment = "表";
  Lines lines = Create(t);
  EXPECT_EQ(lines[2], "    C1" + Blanks(29) + "CHAR(10) NOT NULL COMMENT '名前',");
  EXPECT_EQ(lines[3], "    列" + Blanks(29) + "INTEGER DEFAULT 0");  // no key: no comma left
  EXPECT_EQ(lines[5], "COMMENT '表'");

  const std::string longName(35, 'L');
  t.Columns = {Column(longName, "DATE")};
  EXPECT_EQ(Create(t)[2], "    " + longName + "DATE");

  t = GoldenTable();
  t.Columns[1].Key = true;
  t.UniqueConstraints = {"(C2)"};
  lines = Create(t);
  EXPECT_EQ(lines[4], "    PRIMARY KEY(C1,C2),");
  EXPECT_EQ(lines[5], "    UNIQUE(C2)");

  // Lines held before the call stay; only the statement's comma goes.
  Lines held{"X"};
  BuildTableCreateDDL(GoldenTable(), Context(), held);
  EXPECT_EQ(held.front(), "X");
  EXPECT_EQ(held[5], "    PRIMARY KEY(C1)");
}

TEST_F(TableRules, TemporaryTable) {
  TTableDefinition t = GoldenTable();
  t.Storage.Kind = kStorageTemporary;
  t.Storage.PreserveRows = true;
  t.Storage.TemporarySpaces = {{"S1", "10"}, {"S2", "5"}, {"", "3"}};
  TTableDdlContext c = Context();
  c.StorageWanted = true;
  Lines lines = Create(t, c);
  EXPECT_EQ(lines.front(), "CREATE GLOBAL TEMPORARY TABLE S1.T1");
  EXPECT_EQ(Lines(lines.end() - 3, lines.end()), (Lines{"ON COMMIT PRESERVE ROWS", "ON S1 10,S2 5", kSep}));
  t.Storage.PreserveRows = false;
  t.Storage.TemporarySpaces.clear();
  lines = Create(t, c);
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()), (Lines{"ON COMMIT DELETE ROWS", kSep}));
}

TEST_F(TableRules, StorageStatementsByConnection) {
  TTableDefinition t = GoldenTable();
  t.Storage.Kind = kStorageSequential;
  t.Storage.DsoName = "T1";
  t.Storage.DataPageSize = "4";
  TTableDdlContext c = Context();
  c.StorageWanted = true;
  Lines lines = Create(t, c);
  ASSERT_GT(lines.size(), 9u);
  EXPECT_EQ(lines[7], kSep);
  EXPECT_EQ(lines[8].rfind("CREATE DSO ", 0), 0u);

  c.Remote = true;  // no storage statements
  EXPECT_EQ(Create(t, c).size(), 8u);
  c.Remote = false;
  c.Reduced = true;
  c.CatalogLevel = 10;  // neither the ON line nor storage statements
  lines = Create(t, c);
  EXPECT_EQ(Lines(lines.end() - 2, lines.end()), (Lines{")", kSep}));
  c.StorageWanted = false;
  c.Reduced = false;
  EXPECT_EQ(Create(t, c).size(), 8u);
}

TEST_F(TableRules, AlterStatements) {
  const TTableDefinition loaded = GoldenTable();
  TTableDefinition t = loaded;
  TTableColumn c3 = Column("C3", "CHAR", "2");
  c3.NotNull = true;
  c3.Default = "'X'";
  c3.Comment = "new";
  TTableColumn c4 = Column("C4", "INTEGER");
  t.Columns = {loaded.Columns[0], loaded.Columns[1], c3, c4, TTableColumn{}};
  t.Columns[0].Comment = "key";
  t.Comment = "";
  Lines lines;
  BuildTableAlterDDL(t, "old", loaded.Columns, Context(), lines);
  EXPECT_EQ(lines, (Lines{"ALTER TABLE S1.T1", "ADD(C3" + Blanks(29) + "CHAR(2) DEFAULT 'X' NOT NULL)",
                          "ADD(C4" + Blanks(29) + "INTEGER)", kSep, "ALTER TABLE S1.T1 COMMENT OFF", kSep,
                          "ALTER TABLE S1.T1 MODIFY C1 COMMENT 'key'", kSep,
                          "ALTER TABLE S1.T1 MODIFY C3 COMMENT 'new'", kSep}));

  // The ADD statement names the schema even where a script leaves it out.
  TTableDdlContext bare = Context();
  bare.SchemaPrefix = "";
  t.Columns = {loaded.Columns[0], Column("C5", "DATE")};
  t.Columns[0].Comment = "";
  t.Comment = "new comment";
  lines.clear();
  BuildTableAlterDDL(t, "", {loaded.Columns[0]}, bare, lines);
  EXPECT_EQ(lines, (Lines{"ALTER TABLE S1.T1", "ADD(C5" + Blanks(29) + "DATE)", kSep,
                          "ALTER TABLE T1 COMMENT 'new comment'", kSep}));

  lines.clear();
  BuildTableAlterDDL(loaded, "", loaded.Columns, Context(), lines);
  EXPECT_TRUE(lines.empty());
}

TEST_F(TableRules, DropStatement) {
  Lines lines;
  BuildTableDropDDL("S1", "T1", false, kSep, lines);
  BuildTableDropDDL("s", "t1", true, kSep, lines);
  EXPECT_EQ(lines, (Lines{"DROP TABLE S1.T1", kSep, "DROP TABLE \"s\".\"t1\" CASCADE", kSep}));
}

TEST_F(TableRules, DefaultAutoQuote) {
  for (const auto& [text, quoted] : std::vector<std::pair<std::string, std::string>>{{"10", "10"},
                                                                                      {"1.5", "1.5"},
                                                                                      {"-2e3", "-2e3"},
                                                                                      {"+4", "+4"},
                                                                                      {"'X'", "'X'"},
                                                                                      {"", ""},
                                                                                      {"ABC", "'ABC'"},
                                                                                      {"CURRENT_DATE", "'CURRENT_DATE'"},
                                                                                      {"1A", "'1A'"},
                                                                                      {"inf", "'inf'"},
                                                                                      {"IT'S", "'IT''S'"}})
    EXPECT_EQ(AutoQuoteDefault(text), quoted) << text;
}

TEST_F(TableRules, NeedsRebuildByEdit) {
  const std::vector<TTableColumn> loaded = GoldenTable().Columns;
  const std::vector<TTableColumn> read(loaded.begin(), loaded.end() - 1);  // without the entry row
  struct Case {
    const char* Edit;
    std::function<void(std::vector<TTableColumn>&)> Apply;
    bool Rebuild;
  };
  const std::vector<Case> cases{
      {"nothing", [](auto&) {}, false},
      {"comment only", [](auto& rows) { rows[0].Comment = "x"; }, false},
      {"one column appended", [](auto& rows) { rows.push_back(Column("C3", "DATE")); }, false},
      {"two columns appended",
       [](auto& rows) {
         rows.push_back(Column("C3", "DATE"));
         rows.push_back(Column("C4", "DATE"));
       },
       true},
      {"column inserted", [](auto& rows) { rows.insert(rows.begin(), Column("C0", "DATE")); }, true},
      {"moved", [](auto& rows) { std::swap(rows[0], rows[1]); }, true},
      {"renamed", [](auto& rows) { rows[1].Name = "C9"; }, true},
      {"deleted", [](auto& rows) { rows.pop_back(); }, true},
      {"type changed", [](auto& rows) { rows[1].Type = "SMALLINT"; }, true},
      {"size changed", [](auto& rows) { rows[0].Size = "20"; }, true},
      {"key mark", [](auto& rows) { rows[1].Key = true; }, true},
      {"default", [](auto& rows) { rows[1].Default = "1"; }, true},
  };
  for (const Case& c : cases) {
    TRebuildTest test;
    test.LoadedColumns = read;
    test.Columns = read;
    c.Apply(test.Columns);
    EXPECT_EQ(NeedsRebuild(test), c.Rebuild) << c.Edit;
  }
  TRebuildTest test;
  test.LoadedColumns = test.Columns = read;
  test.StorageChanged = true;
  EXPECT_TRUE(NeedsRebuild(test));
  test.StorageChanged = false;
  test.SourcePage = true;
  EXPECT_TRUE(NeedsRebuild(test));
  test.SourcePage = false;
  test.IsNew = true;
  EXPECT_TRUE(NeedsRebuild(test));
}

TEST_F(TableRules, CopyNames) {
  int calls = 0;
  auto stamp = [&calls] {
    ++calls;
    return std::string("0123153045");
  };
  Lines lines{"CREATE TABLE S1.T1", "(", "    C1 INTEGER", ")", "ON DBS1", kSep, "CREATE DSO T1",
              "FROM S1.T1", "TYPE SEQUENTIAL(PAGESIZE(4))", kSep, "CREATE DSI \"d\" DSO T1", "ALLOCATE DATA ON DBS1 SIZE 64K", kSep};
  ChangeObjectName(lines, stamp);
  EXPECT_EQ(lines, (Lines{"CREATE TABLE S1.T1_0123153045", "(", "    C1 INTEGER", ")", "ON DBS1", kSep,
                          "CREATE DSO T1_0123153045", "FROM S1.T1_0123153045", "TYPE SEQUENTIAL(PAGESIZE(4))", kSep,
                          "CREATE DSI \"d_0123153045\" DSO T1_0123153045", "ALLOCATE DATA ON DBS1 SIZE 64K", kSep,
                          "INSERT INTO S1.T1_0123153045 SELECT * FROM S1.T1"}));
  EXPECT_EQ(calls, 3);  // read anew for every name

  lines = {"CREATE GLOBAL TEMPORARY TABLE S1.\"t\"", "(", ")", kSep};
  ChangeObjectName(lines, stamp);
  EXPECT_EQ(lines.front(), "CREATE GLOBAL TEMPORARY TABLE S1.\"t_0123153045\"");
  EXPECT_EQ(lines.size(), 4u);  // no DSI: nothing copied
  EXPECT_EQ(CopyTimeStamp().size(), 10u);
}

}  // namespace
