#include "sqlwork/core/ovsqlbldmodel.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/core/ovformat.h"
#include "app/core/zarur.h"
#include "standin/symfoware/standin.h"
#include "tests/sqlwork/core/sqlbld_fixture.h"

namespace {

using testing_sqlbld::BuilderTest;
using Names = std::vector<std::string>;

// A parenthesised text that is not a query: a box without any read.
TovSQLBuildTable& AddBox(TovSQLDesigner& designer, const std::string& alias) { return designer.AddTable("(T)", alias); }

Names ItemNames(const TovSQLBuildTable& box) {
  Names names;
  for (const TBuildColumn& item : box.Items) names.push_back(item.Name + (item.Key ? "+key" : ""));
  return names;
}

TEST_F(BuilderTest, NewAliasTakesTheFirstFreeNameOfTheSequence) {
  struct Case {
    Names used;
    std::string alias;
  };
  Names upToZ;
  for (char c = 'a'; c <= 'z'; ++c) upToZ.push_back(std::string(1, c));
  Names upToAz = upToZ;
  for (char c = 'a'; c <= 'z'; ++c) upToAz.push_back(std::string("a") + c);
  const Case cases[] = {
      {{}, "a"}, {{"a", "b"}, "c"}, {{"b"}, "a"}, {{"A"}, "a"}, {upToZ, "aa"}, {upToAz, "aaa"},
  };
  for (const Case& c : cases) {
    designer.ClearAll();
    for (const std::string& alias : c.used) AddBox(designer, alias);
    EXPECT_EQ(designer.NewAlias(), c.alias) << c.used.size() << " used";
  }
}

TEST_F(BuilderTest, BoxesArePlacedBesideEachOtherAndWrapBelowAtTheCanvasWidth) {
  designer.ClientWidth = 400;
  const std::pair<int, int> places[] = {{16, 16}, {166, 16}, {316, 16}, {16, 192}, {166, 192}};
  for (const auto& [left, top] : places) {
    const TovSQLBuildTable& box = AddBox(designer, designer.NewAlias());
    EXPECT_EQ(box.Bounds.Left, left);
    EXPECT_EQ(box.Bounds.Top, top);
  }
  // A gap left by a removed box is taken again.
  designer.RemoveTable(*designer.Tables()[1]);
  EXPECT_EQ(AddBox(designer, "x").Bounds.Left, 166);
  EXPECT_EQ(designer.Tables().back()->Bounds.Top, 16);

  const TBuildMetrics& m = designer.Metrics;
  EXPECT_EQ(designer.Tables().front()->Bounds.Height, m.ItemHeight * 5 + m.CaptionHeight + m.AliasHeight + 8);
  EXPECT_EQ(designer.ScrollRange(), (TBuildSize{316 + 120, 192 + designer.Tables().front()->Bounds.Height}));
}

TEST_F(BuilderTest, ABoxIsDraggedNoFurtherThanTheCanvasOrigin) {
  TovSQLBuildTable& box = AddBox(designer, "a");
  struct Case {
    int dx, dy, left, top;
  };
  const Case cases[] = {{30, 40, 46, 56}, {-100, 0, 0, 56}, {0, -100, 0, 0}, {5, 5, 5, 5}};
  for (const Case& c : cases) {
    designer.MoveTable(box, c.dx, c.dy);
    EXPECT_EQ(box.Bounds.Left, c.left);
    EXPECT_EQ(box.Bounds.Top, c.top);
  }
}

TEST_F(BuilderTest, ABoxListsTheCatalogueColumnsWithTheirKeyMarks) {
  TovSQLBuildTable& emp = designer.InsertTable("emp");
  EXPECT_EQ(emp.Schema, "ADMIN");
  EXPECT_EQ(emp.Table, "EMP");
  EXPECT_EQ(emp.Alias, "a");
  EXPECT_EQ(emp.Caption(), "ADMIN.EMP");
  EXPECT_EQ(emp.Reference(), "ADMIN.EMP a");
  EXPECT_EQ(ItemNames(emp), (Names{"*", "ENO+key", "SAL", "DEPT", "X"}));

  // The lookups name the data source, the user's schema and the table.
  const auto& reads = connection.reads;
  ASSERT_GE(reads.size(), 3u);
  EXPECT_EQ(reads[1].Values, (Names{"ORVTEST", "ADMIN"}));
  EXPECT_EQ(reads[2].Values, (Names{"ORVTEST", "ADMIN", "EMP"}));

  // The kinds of one table list no "*" and get no alias.
  designer.ChooseSQLType(sqlKindUpdate);
  TovSQLBuildTable& dept = designer.InsertTable("ADMIN.DEPT");
  EXPECT_EQ(dept.Alias, "");
  EXPECT_EQ(ItemNames(dept), (Names{"DNO+key", "DNAME", "X"}));
  EXPECT_EQ(dept.Reference(), "ADMIN.DEPT");
  EXPECT_EQ(dept.ColumnPrefix(sqlKindUpdate), "");
  EXPECT_EQ(dept.ColumnPrefix(sqlKindSelect), "DEPT.");
}

TEST_F(BuilderTest, AQuotedNameIsLookedUpUnquotedAndWrittenAsTyped) {
  connection.Exec("CREATE TABLE ADMIN.\"low\" (K INTEGER)");
  connection.reads.clear();
  TovSQLBuildTable& box = designer.AddTable("\"ADMIN\".\"low\"", "");
  EXPECT_EQ(connection.reads[2].Values, (Names{"ORVTEST", "ADMIN", "low"}));
  EXPECT_EQ(ItemNames(box), (Names{"*", "K"}));
  EXPECT_EQ(box.Reference(), "\"ADMIN\".\"low\"");
  EXPECT_EQ(designer.FindTable("low", "K"), &box);
}

TEST_F(BuilderTest, AnUnknownTableRaisesAndItsBoxKeepsOnlyItsStar) {
  for (const std::string name : {"NOSUCH", "NOSCHEMA.EMP"}) {
    try {
      designer.InsertTable(name);
      ADD_FAILURE() << name << " was found";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), kUnknownObject);
    }
    EXPECT_EQ(ItemNames(*designer.Tables().back()), (Names{"*"})) << name;
  }
}

TEST_F(BuilderTest, FindTableTakesTheLastBoxOfTheNameHoldingTheColumn) {
  TovSQLBuildTable& a = designer.InsertTable("EMP");
  TovSQLBuildTable& b = designer.InsertTable("DEPT");
  struct Case {
    std::string name, column;
    TovSQLBuildTable* box;
  };
  const Case cases[] = {
      {"a", "ENO", &a},    {"A", "eno", &a},      {"", "DNO", &b},         {"", "X", &b},         {"a", "X", &a},
      {"c", "X", nullptr}, {"a", "DNO", nullptr}, {"EMP", "ENO", nullptr}, {"", "NONE", nullptr},
  };
  for (const Case& c : cases) EXPECT_EQ(designer.FindTable(c.name, c.column), c.box) << c.name << "." << c.column;
}

TEST_F(BuilderTest, RenamingAnAliasReplacesWholeQualifiersOutsideQuotes) {
  TovSQLBuildTable& a = designer.InsertTable("EMP");
  struct Case {
    std::string before, after;
  };
  const Case cases[] = {
      {"a.COL1", "x.COL1"},
      {"A.col", "x.col"},
      {"aa.X", "aa.X"},
      {"SUM(a.X)+a.Y", "SUM(x.X)+x.Y"},
      {"'data.' || a.X", "'data.' || x.X"},
      {"\"a.b\" || a.X", "\"a.b\" || x.X"},
      {"S.a.X", "S.a.X"},
      {"ba.X", "ba.X"},
  };
  int row = 1;
  for (const Case& c : cases) TypeRow(row++, {c.before, "", "1", "", "", "", "= " + c.before});
  designer.SetAlias(a, "x");
  row = 1;
  for (const Case& c : cases) {
    EXPECT_EQ(designer.Cell(bcExpression, row), c.after) << c.before;
    EXPECT_EQ(designer.Cell(bcCondition, row), "= " + c.after) << c.before;
    ++row;
  }
  EXPECT_NE(UpperCase(designer.SQLText).find("X.COL1"), std::string::npos);

  // A cleared alias leaves the table's name as the qualifier.
  designer.SetAlias(a, "");
  EXPECT_EQ(designer.Cell(bcExpression, 1), "EMP.COL1");
  EXPECT_NE(designer.SQLText.find("FROM"), std::string::npos);
  EXPECT_EQ(a.Reference(), "ADMIN.EMP");
}

TEST_F(BuilderTest, WhileBusyAliasChangesAndColumnDropsLeaveTheRowsAlone) {
  TovSQLBuildTable& a = designer.InsertTable("EMP");
  TypeRow(1, {"a.X", "", "1", "", "", "", ""});
  const std::string text = designer.SQLText;
  designer.SQLDesign = true;
  designer.SetAlias(a, "x");
  designer.AddColumns(a, {"ENO"});
  designer.SQLDesign = false;
  EXPECT_EQ(designer.Cell(bcExpression, 1), "a.X");
  EXPECT_EQ(designer.RowCount(), 3);
  EXPECT_EQ(designer.SQLText, text);
  EXPECT_EQ(a.GetName(), "x");
}

TEST_F(BuilderTest, RemovingABoxTakesItsJoinsAndRowsAndRewritesTheStatement) {
  TovSQLBuildTable& a = designer.InsertTable("EMP");
  TovSQLBuildTable& b = designer.InsertTable("DEPT");
  designer.AddJoin(a, "DEPT", b, "DNO");
  designer.AddColumns(a, {"ENO", "SAL"});
  designer.AddColumns(b, {"DNAME"});
  TypeRow(4, {" a.X + 1", "", "1", "", "", "", ""});
  designer.SelectTable(&a);
  designer.RemoveTable(a);
  EXPECT_EQ(designer.SelectedTable(), nullptr);
  EXPECT_TRUE(designer.Joins().empty());
  ASSERT_EQ(designer.Tables().size(), 1u);
  EXPECT_EQ(DataRows(), (std::vector<TBuildRow>{{"b.DNAME", "", "1", "", "", "", ""}, {}}));
  EXPECT_EQ(designer.SQLText, FormatSQL("SELECT\r\n  b.DNAME\r\nFROM\r\n  ADMIN.DEPT b"));
  EXPECT_EQ(designer.LastSQL(), designer.SQLText);
}

// Boxes at fixed places with the default metrics: list top 37, items 16
// high, so item i's middle lies at box top + 37 + 16 i + 8 + 4.
TEST_F(BuilderTest, JoinLinesRunBetweenTheColumnRowsAndMirrorWhenTable2LiesLeft) {
  TovSQLBuildTable& a = designer.InsertTable("EMP");
  TovSQLBuildTable& b = designer.InsertTable("DEPT");
  a.Bounds = {20, 10, 120, 133};
  b.Bounds = {300, 50, 120, 133};
  TovSQLBuildConnect& join = designer.AddJoin(a, "DEPT", b, "DNO", joGreater);
  designer.CalcPoints(join);
  EXPECT_EQ(join.Points, (std::array<TBuildPoint, 4>{{{140, 10 + 37 + 48 + 12}, {156, 107}, {284, 115}, {300, 115}}}));
  EXPECT_EQ(join.Label(), ">");
  EXPECT_EQ(designer.LabelOrigin(join, 10, 12), (TBuildPoint{156 + 64 - 5, 107 + 4 - 6}));

  struct Case {
    int op;
    std::string label;
  };
  const Case mirrored[] = {{joEqual, "="}, {joGreater, "<"},    {joGreaterEqual, "<="},
                           {joLess, ">"},  {joLessEqual, ">="}, {joNotEqual, "<>"}};
  b.Bounds.Left = 0;
  designer.ScrollX = 5;
  designer.ScrollY = 7;
  designer.CalcPoints(join);
  EXPECT_EQ(join.Points, (std::array<TBuildPoint, 4>{{{25, 114}, {9, 114}, {141, 122}, {125, 122}}}));
  for (const Case& c : mirrored) {
    join.Operator = c.op;
    EXPECT_EQ(join.Label(), c.label) << c.op;
  }

  // A scrolled list moves the line end; a row scrolled out sticks to the
  // list's edge; a column no longer listed keeps the former end.
  b.TopIndex = 1;
  designer.CalcPoints(join);
  EXPECT_EQ(join.Points[3].Y, 7 + 50 + 37 + 8 + 4);
  a.TopIndex = 4;
  designer.CalcPoints(join);
  EXPECT_EQ(join.Points[0].Y, 7 + 10 + 37 + 0 + 4);
  join.Column2 = "GONE";
  designer.CalcPoints(join);
  EXPECT_EQ(join.Points[3].Y, 7 + 50 + 37 + 8 + 4);
}

TEST_F(BuilderTest, AJoinIsHitNearTheLineThroughEachSegment) {
  TovSQLBuildTable& a = designer.InsertTable("EMP");
  TovSQLBuildTable& b = designer.InsertTable("DEPT");
  a.Bounds = {20, 10, 120, 133};
  b.Bounds = {300, 50, 120, 133};
  TovSQLBuildConnect& join = designer.AddJoin(a, "DEPT", b, "DNO");
  // P0 (140, 107), P1 (156, 107), P2 (284, 115), P3 (300, 115).
  struct Case {
    TBuildPoint point;
    bool hit;
  };
  const Case cases[] = {
      {{148, 107}, true},                       // on the first stub
      {{148, 108}, false},                      // a pixel beside it
      {{220, 111}, true},                       // the middle of the slanted segment
      {{220, 113}, false}, {{292, 115}, true},  // on the last stub
      {{600, 107}, true},                       // far out on the first stub's extension
      {{156, 300}, false},
  };
  designer.ScrollX = 0;
  for (const Case& c : cases) {
    EXPECT_EQ(designer.JoinAt(c.point) == &join, c.hit) << c.point.X << "," << c.point.Y;
  }
  // Client points are shifted by the scroll positions.
  designer.ScrollX = 10;
  designer.ScrollY = 3;
  EXPECT_EQ(designer.JoinAt({138, 104 + 3}), &join);
  EXPECT_EQ(ApproxDistance(-3, 8), 9);
}

TEST_F(BuilderTest, ADroppedColumnJoinsUnlessAStarOrNothingIsUnderTheMouse) {
  TovSQLBuildTable& a = designer.InsertTable("EMP");
  TovSQLBuildTable& b = designer.InsertTable("DEPT");
  struct Case {
    int sourceItem, targetItem;
    bool accepted;
  };
  const Case cases[] = {{3, 1, true}, {0, 1, false}, {3, 0, false}, {3, -1, false}, {-1, 1, false}, {3, 9, false}};
  for (const Case& c : cases) EXPECT_EQ(designer.CanDropJoin(a, c.sourceItem, b, c.targetItem), c.accepted);
  EXPECT_FALSE(designer.CanDropJoin(a, 3, a, 1));

  designer.DropJoin(a, 3, b, -1);
  EXPECT_EQ(designer.SQLText, "");  // nothing under the mouse: not even rewritten
  designer.DropJoin(a, 0, b, 1);
  EXPECT_TRUE(designer.Joins().empty());
  EXPECT_NE(designer.SQLText, "");
  designer.DropJoin(a, 3, b, 1);
  ASSERT_EQ(designer.Joins().size(), 1u);
  const TovSQLBuildConnect& join = *designer.Joins().front();
  EXPECT_EQ(join.Column1 + join.Column2 + join.Label(), "DEPTDNO=");
  EXPECT_NE(UpperCase(designer.SQLText).find("A.DEPT = B.DNO"), std::string::npos);
  EXPECT_THROW(designer.AddJoin(a, "X", b, "X", joCount), std::out_of_range);
  designer.Joins().front()->Operator = -1;  // as a join dialog without a choice would store it
  EXPECT_THROW(designer.BuildSQL(), std::out_of_range);
  EXPECT_FALSE(designer.SQLDesign);

  // The join dialog's delete.
  designer.RemoveJoin(*designer.Joins().front());
  EXPECT_TRUE(designer.Joins().empty());
  designer.BuildSQL();
  EXPECT_EQ(UpperCase(designer.SQLText).find("WHERE"), std::string::npos);
}

TEST_F(BuilderTest, CellsAreActiveByKind) {
  // Columns 0..6 per kind: 1 active.
  const std::pair<int, std::string> cases[] = {
      {sqlKindSelect, "1111111"}, {sqlKindInsert, "1100000"},     {sqlKindUpdate, "1100001"},
      {sqlKindDelete, "1000001"}, {sqlKindCreateView, "1111111"},
  };
  for (const auto& [kind, active] : cases) {
    designer.ChooseSQLType(kind, "V");
    std::string got;
    for (int col = 0; col < kBuildColumns; ++col) got += designer.IsCellActive(col) ? '1' : '0';
    EXPECT_EQ(got, active) << kind;
    EXPECT_EQ(designer.Cell(bcAlias, 0), kind == sqlKindSelect || kind == sqlKindCreateView ? "別名" : "値");
  }
}

TEST_F(BuilderTest, PickListsOfferQualifiedColumnsAndTheSortAndGroupWords) {
  designer.InsertTable("DEPT");
  EXPECT_EQ(designer.PickList(bcExpression), (Names{"a.*", "a.DNO", "a.DNAME", "a.X"}));
  EXPECT_EQ(designer.PickList(bcSort), (Names{"", "昇順", "降順"}));
  EXPECT_EQ(designer.PickList(bcGroup), (Names{"", "GROUP BY", "HAVING", "AVG", "COUNT", "MAX", "MIN", "SUM"}));
  EXPECT_TRUE(designer.PickList(bcCondition).empty());
  designer.ChooseSQLType(sqlKindDelete);
  designer.InsertTable("DEPT");
  EXPECT_EQ(designer.PickList(bcExpression), (Names{"DNO", "DNAME", "X"}));
}

TEST_F(BuilderTest, TypingKeepsTheSortWordAndPositionTogetherAndAnEmptyLastRow) {
  designer.InsertTable("EMP");
  designer.GridSetEditText(bcExpression, 1, "a.ENO");
  EXPECT_EQ(DataRows(), (std::vector<TBuildRow>{{"a.ENO", "", "1", "", "", "", ""}, {}}));
  designer.GridSetEditText(bcSort, 1, kDescending);
  EXPECT_EQ(designer.Cell(bcSortOrder, 1), "1");  // numbered by the rebuild
  designer.GridSetEditText(bcSort, 1, "");
  EXPECT_EQ(designer.Cell(bcSortOrder, 1), "");
  designer.GridSetEditText(bcSortOrder, 1, "3");
  EXPECT_EQ(designer.Cell(bcSort, 1), kAscending);
  designer.GridSetEditText(bcSortOrder, 1, " ");
  EXPECT_EQ(designer.Cell(bcSort, 1), "");

  // An alias typed into the last row makes it a shown data row.
  EXPECT_EQ(designer.RowCount(), 3);
  designer.GridSetEditText(bcAlias, 2, "N");
  EXPECT_EQ(designer.RowCount(), 4);
  EXPECT_EQ(designer.Cell(bcShow, 2), kChecked);
  // An unchanged text changes nothing.
  designer.SQLText = "typed";
  designer.GridSetEditText(bcAlias, 2, "N");
  EXPECT_EQ(designer.SQLText, "typed");

  // Outside SELECT and CREATE VIEW a new row is not shown.
  designer.ChooseSQLType(sqlKindInsert);
  designer.GridSetEditText(bcExpression, 1, "ENO");
  EXPECT_EQ(DataRows(), (std::vector<TBuildRow>{{"ENO", "", "", "", "", "", ""}, {}}));
}

TEST_F(BuilderTest, RowsAreInsertedDeletedAndMovedWithoutMovingTheEmptyLastRow) {
  designer.InsertTable("EMP");
  designer.AddColumns(*designer.Tables().front(), {"ENO", "SAL", "DEPT"});
  auto expressions = [&] {
    std::string list;
    for (const TBuildRow& row : DataRows()) list += row[bcExpression] + ";";
    return list;
  };
  EXPECT_EQ(expressions(), "a.ENO;a.SAL;a.DEPT;;");
  EXPECT_FALSE(designer.MoveRowUp(1));
  EXPECT_FALSE(designer.MoveRowDown(3));
  EXPECT_FALSE(designer.MoveRowUp(4));
  EXPECT_TRUE(designer.MoveRowDown(1));
  EXPECT_EQ(expressions(), "a.SAL;a.ENO;a.DEPT;;");
  EXPECT_TRUE(designer.MoveRowUp(3));
  EXPECT_EQ(expressions(), "a.SAL;a.DEPT;a.ENO;;");
  const std::string text = UpperCase(designer.SQLText);
  EXPECT_LT(text.find("A.SAL"), text.find("A.DEPT"));
  EXPECT_LT(text.find("A.DEPT"), text.find("A.ENO"));

  designer.InsertRow(2);
  EXPECT_EQ(expressions(), "a.SAL;;a.DEPT;a.ENO;;");
  designer.DeleteRow(2);
  designer.DeleteRow(1);
  EXPECT_EQ(expressions(), "a.DEPT;a.ENO;;");
  designer.DeleteRow(3);  // the last row stays
  EXPECT_EQ(expressions(), "a.DEPT;a.ENO;;");
}

TEST_F(BuilderTest, SelectAndCreateViewKeepTheBuilderOtherKindsEmptyIt) {
  designer.InsertTable("EMP");
  designer.AddColumns(*designer.Tables().front(), {"ENO"});
  designer.ChooseSQLType(sqlKindCreateView, "V1");
  EXPECT_EQ(designer.Tables().size(), 1u);
  EXPECT_EQ(designer.SQLText, FormatSQL("CREATE VIEW ADMIN.V1 AS \r\nSELECT\r\n  a.ENO\r\nFROM\r\n  ADMIN.EMP a"));
  designer.ChooseSQLType(sqlKindSelect);
  EXPECT_EQ(designer.Tables().size(), 1u);
  EXPECT_EQ(designer.SQLText, FormatSQL("SELECT\r\n  a.ENO\r\nFROM\r\n  ADMIN.EMP a"));

  designer.ChooseSQLType(sqlKindInsert);
  EXPECT_TRUE(designer.Tables().empty());
  EXPECT_EQ(designer.RowCount(), 2);
  EXPECT_EQ(designer.SQLText, "");
  EXPECT_EQ(designer.LastSQL(), "");
  designer.ChooseSQLType(sqlKindCreateView, "V2");
  EXPECT_EQ(designer.SQLText, FormatSQL("CREATE VIEW ADMIN.V2 AS "));

  // Held busy, a kind change keeps everything and nothing is rewritten.
  designer.InsertTable("DEPT");
  designer.SQLDesign = true;
  designer.SetSQLType(sqlKindDelete);
  designer.BuildSQL();
  designer.SQLDesign = false;
  EXPECT_EQ(designer.Tables().size(), 1u);
  EXPECT_EQ(designer.SQLText, FormatSQL("CREATE VIEW ADMIN.V2 AS "));
}

TEST_F(BuilderTest, InsertingTablesTakesOnlyTheFirstInTheKindsOfOneTable) {
  EXPECT_EQ(designer.InsertTables({"EMP", "DEPT"}), 2);
  EXPECT_TRUE(designer.CanInsertTable());
  designer.ChooseSQLType(sqlKindUpdate);
  EXPECT_EQ(designer.InsertTables({"EMP", "DEPT", "EMP"}), 1);
  EXPECT_EQ(designer.Tables().size(), 1u);
  EXPECT_FALSE(designer.CanInsertTable());
  EXPECT_EQ(designer.InsertTables({"DEPT"}), 0);
  EXPECT_EQ(designer.SQLText, FormatSQL("UPDATE ADMIN.EMP SET"));
}

// Derived tables run on the stand-in for their field names only.
TEST_F(BuilderTest, ADerivedTableOpensOnlyAQueryForItsColumnNames) {
  connection.Exec("INSERT INTO ADMIN.DEPT VALUES ('D1', 'ONE', 1)");
  struct Case {
    std::string text;
    Names items;
  };
  const Case cases[] = {
      {"(SELECT DNO, DNAME AS N FROM ADMIN.DEPT)", {"*", "DNO", "N"}},
      {"( -- note\n with W AS (SELECT X FROM ADMIN.DEPT) SELECT X FROM W )", {"*", "X"}},
      {"(DELETE FROM ADMIN.DEPT)", {"*"}},
      {"(SELECT X FROM ADMIN.DEPT; DELETE FROM ADMIN.DEPT)", {"*", "X"}},
      {"(SELECT NOSUCH FROM ADMIN.DEPT)", {"*"}},
      {"(SELECTED)", {"*"}},
  };
  symfoware::ClearStatementJournal();
  for (const Case& c : cases) {
    const TovSQLBuildTable& box = designer.InsertTable(c.text);
    EXPECT_EQ(ItemNames(box), c.items) << c.text;
    EXPECT_EQ(box.Schema, "");
    EXPECT_EQ(box.Reference(), TrimBlanks(c.text) + " " + box.Alias);
  }
  for (const symfoware::TJournalEntry& entry : symfoware::StatementJournal())
    EXPECT_EQ(UpperCase(entry.Statement).find("DELETE"), std::string::npos) << entry.Statement;
  TovSQLQuery rows(&connection.Module().Connection);
  rows.SetSQL("SELECT COUNT(*) FROM ADMIN.DEPT");
  rows.Open();
  EXPECT_EQ(rows.AsString(size_t{0}), "1");
}

}  // namespace
