#include <gtest/gtest.h>

#include <functional>

#include "app/core/ovformat.h"
#include "sqlwork/core/ovsqlbldmodel.h"
#include "sqlwork/core/ovsqlbld.h"
#include "tests/sqlwork/core/sqlbld_fixture.h"

namespace {

using testing_sqlbld::BuilderTest;
using Lines = std::vector<std::string>;
using Rows = std::vector<TBuildRow>;

std::string Formatted(const Lines& lines) { return FormatSQL(JoinSQLLines(lines)); }

// Sort words and positions typed into several rows before the statement is
// rewritten (each rewrite numbers the positions afresh).
struct SortCells {
  int row;
  std::string word, position;
};
void TypeSorts(TovSQLDesigner& d, const std::vector<SortCells>& cells) {
  {
    TBuildBusy busy(d.SQLDesign);
    for (const SortCells& c : cells) {
      if (!c.word.empty()) d.GridSetEditText(bcSort, c.row, c.word);
      if (!c.position.empty()) d.GridSetEditText(bcSortOrder, c.row, c.position);
    }
  }
  d.BuildSQL();
}

// A model as the user makes it, and the statement's lines before the
// formatter lays them out.
struct BuildCase {
  std::string name;
  std::function<void(BuilderTest&, TovSQLDesigner&)> make;
  Lines lines;
};

class BuildTest : public BuilderTest {
 protected:
  void Type(const Rows& rows) {
    for (const TBuildRow& row : rows) TypeRow(designer.RowCount() - 1, row);
  }
  static const std::vector<BuildCase>& Cases();
};

const std::vector<BuildCase>& BuildTest::Cases() {
  static const std::vector<BuildCase> cases = {
      {"grouped select",
       [](BuilderTest&, TovSQLDesigner& d) {
         d.InsertTable("EMP");
         d.AddColumns(*d.Tables()[0], {"ENO", "SAL", "DEPT"});
         d.GridSetEditText(bcGroup, 2, "SUM");
         d.GridSetEditText(bcAlias, 2, "TOTAL");
         d.GridSetEditText(bcShow, 3, "");
         d.GridSetEditText(bcGroup, 3, kGroupBy);
       },
       {"SELECT", "  a.ENO,", "  SUM(a.SAL) TOTAL", "FROM", "  ADMIN.EMP a", "GROUP BY a.DEPT"}},
      {"sort positions",
       [](BuilderTest&, TovSQLDesigner& d) {
         d.InsertTable("EMP");
         d.AddColumns(*d.Tables()[0], {"ENO", "SAL", "DEPT", "X"});
         d.GridSetEditText(bcAlias, 4, "XX");
         TypeSorts(d, {{1, "", "10"}, {2, "", "n2"}, {3, kDescending, ""}, {4, kAscending, ""}});
       },
       {"SELECT", "  a.ENO,", "  a.SAL,", "  a.DEPT,", "  a.X XX", "FROM", "  ADMIN.EMP a",
        "ORDER BY a.SAL,a.ENO,a.DEPT DESC,XX"}},
      {"join with table 2 left",
       [](BuilderTest&, TovSQLDesigner& d) {
         TovSQLBuildTable& a = d.InsertTable("EMP");
         TovSQLBuildTable& b = d.InsertTable("DEPT");
         d.MoveTable(a, 400, 0);
         d.AddColumns(a, {"ENO"});
         d.GridSetEditText(bcCondition, 1, "> 10");
         d.DropJoin(a, 3, b, 1);
         d.AddJoin(b, "X", a, "X", joLessEqual);
         d.BuildSQL();
       },
       {"SELECT", "  a.ENO", "FROM", "  ADMIN.EMP a,", "  ADMIN.DEPT b", "WHERE", "  a.DEPT = b.DNO AND ",
        "  b.X <= a.X AND ", "  a.ENO > 10"}},
      {"group by and having",
       [](BuilderTest&, TovSQLDesigner& d) {
         d.InsertTable("EMP");
         d.AddColumns(*d.Tables()[0], {"DEPT"});
         d.GridSetEditText(bcGroup, 1, kGroupBy);
         d.GridSetEditText(bcCondition, 1, "<> 'D9'");
         d.GridSetEditText(bcExpression, 2, "COUNT(a.ENO)");
         d.GridSetEditText(bcShow, 2, "");
         d.GridSetEditText(bcGroup, 2, kHaving);
         d.GridSetEditText(bcCondition, 2, "> 1");
       },
       {"SELECT", "  a.DEPT", "FROM", "  ADMIN.EMP a", "GROUP BY a.DEPT", "HAVING", "  a.DEPT <> 'D9' AND ",
        "  COUNT(a.ENO) > 1"}},
      {"insert",
       [](BuilderTest&, TovSQLDesigner& d) {
         d.ChooseSQLType(sqlKindInsert);
         d.InsertTable("EMP");
         d.AddColumns(*d.Tables()[0], {"ENO", "SAL", "DEPT"});
         d.GridSetEditText(bcAlias, 1, "1");
         d.GridSetEditText(bcAlias, 2, "100");
       },
       {"INSERT INTO ADMIN.EMP", "  (ENO, SAL)", "  VALUES(1, 100)"}},
      {"update",
       [](BuilderTest&, TovSQLDesigner& d) {
         d.ChooseSQLType(sqlKindUpdate);
         d.InsertTable("EMP");
         d.AddColumns(*d.Tables()[0], {"SAL", "ENO"});
         d.GridSetEditText(bcAlias, 1, "SAL * 2");
         d.GridSetEditText(bcCondition, 2, "= 1");
       },
       {"UPDATE ADMIN.EMP SET", "  SAL = SAL * 2", "WHERE", "  ENO = 1"}},
      {"delete with an alias",
       [](BuilderTest&, TovSQLDesigner& d) {
         d.ChooseSQLType(sqlKindDelete);
         d.SetAlias(d.InsertTable("EMP"), "e");
         d.AddColumns(*d.Tables()[0], {"DEPT"});
         d.GridSetEditText(bcCondition, 1, "IS NULL");
       },
       {"DELETE FROM ADMIN.EMP e", "WHERE", "  e.DEPT IS NULL"}},
      {"derived table",
       [](BuilderTest&, TovSQLDesigner& d) {
         d.InsertTable("(SELECT DNO FROM ADMIN.DEPT)");
         d.AddColumns(*d.Tables()[0], {"DNO"});
       },
       {"SELECT", "  a.DNO", "FROM", "  (SELECT DNO FROM ADMIN.DEPT) a"}},
      {"view of a lower-case user",
       [](BuilderTest& t, TovSQLDesigner& d) {
         t.connection.Module().Connection.UserName = "admin";
         d.InsertTable("DEPT");
         d.AddColumns(*d.Tables()[0], {"DNO"});
         d.ChooseSQLType(sqlKindCreateView, "V");
       },
       {"CREATE VIEW \"admin\".V AS ", "SELECT", "  a.DNO", "FROM", "  ADMIN.DEPT a"}},
  };
  return cases;
}

TEST_F(BuildTest, WritesTheStatementOfEachKind) {
  for (const BuildCase& c : Cases()) {
    designer.ChooseSQLType(sqlKindInsert);  // empties the builder
    designer.ChooseSQLType(sqlKindSelect);
    connection.Module().Connection.UserName = testing_sqlbld::kUser;
    c.make(*this, designer);
    EXPECT_EQ(designer.SQLText, Formatted(c.lines)) << c.name;
    EXPECT_EQ(designer.LastSQL(), designer.SQLText) << c.name;
    EXPECT_FALSE(designer.TextChanged()) << c.name;
  }
}

TEST_F(BuildTest, SortPositionsAreRenumberedInStatementOrder) {
  designer.InsertTable("EMP");
  designer.AddColumns(*designer.Tables()[0], {"ENO", "SAL", "DEPT", "X"});
  TypeSorts(designer, {{1, "", "10"}, {2, "", "2"}, {3, kDescending, ""}});
  const Rows sorts = {{"a.ENO", "", "1", kAscending, "2", "", ""},
                      {"a.SAL", "", "1", kAscending, "1", "", ""},
                      {"a.DEPT", "", "1", kDescending, "3", "", ""},
                      {"a.X", "", "1", "", "", "", ""},
                      {}};
  EXPECT_EQ(DataRows(), sorts);
}

TEST_F(BuildTest, ParsedTextBuildsTheSameTextAgain) {
  for (const BuildCase& c : Cases()) {
    designer.ChooseSQLType(sqlKindInsert);
    designer.ChooseSQLType(sqlKindSelect);
    connection.Module().Connection.UserName = testing_sqlbld::kUser;
    c.make(*this, designer);
    const std::string built = designer.SQLText;
    TovSQLDesigner reader(&connection);
    reader.SQLText = built;
    ASSERT_EQ(reader.ParseSQL(), TParseResult::Parsed) << c.name;
    EXPECT_EQ(reader.SQLType(), designer.SQLType()) << c.name;
    reader.BuildSQL();
    EXPECT_EQ(reader.SQLText, built) << c.name;
  }
}

struct ParseCase {
  std::string text;
  std::vector<std::string> tables;  // caption and alias
  std::vector<std::string> joins;   // Table1.Column1 label Table2.Column2
  Rows rows;                        // data rows without the empty last row
};

std::vector<std::string> Joins(const TovSQLDesigner& d) {
  std::vector<std::string> joins;
  for (const auto& j : d.Joins())
    joins.push_back(j->Table1->GetName() + "." + j->Column1 + " " + j->Label() + " " + j->Table2->GetName() + "." +
                    j->Column2);
  return joins;
}

std::vector<std::string> Boxes(const TovSQLDesigner& d) {
  std::vector<std::string> boxes;
  for (const auto& b : d.Tables()) boxes.push_back(b->Caption() + " " + b->Alias);
  return boxes;
}

TEST_F(BuilderTest, ParseReadsSelectTextIntoBoxesJoinsAndRows) {
  const ParseCase cases[] = {
      {"SELECT a.X FROM EMP a, DEPT b WHERE a.X = b.X (+) AND a.SAL BETWEEN 1 AND 5",
       {"ADMIN.EMP a", "ADMIN.DEPT b"},
       {"a.X = b.X"},
       {{"a.X", "", "1", "", "", "", ""}, {"a.SAL", "", "", "", "", "", "BETWEEN 1 AND 5"}}},
      {"SELECT COUNT(a.ENO), (a.SAL) FROM EMP a",
       {"ADMIN.EMP a"},
       {},
       {{"a.ENO", "", "1", "", "", "COUNT", ""}, {"a.SAL", "", "1", "", "", "", ""}}},
      {"SELECT a.DEPT, COUNT(*) N FROM EMP a WHERE a.SAL > 10 AND a.DEPT LIKE 'D%' AND a.ENO <> b.DNO OR 1 = 1 "
       "GROUP BY a.DEPT, a.X HAVING COUNT(*) > 1 AND a.DEPT <> 'D9' ORDER BY N DESC, a.DEPT, a.ENO",
       {"ADMIN.EMP a"},
       {},
       {{"a.DEPT", "", "1", kAscending, "2", kGroupBy, "LIKE 'D%'"},
        {"*", "N", "1", kDescending, "1", "COUNT", ""},
        {"a.X", "", "", "", "", kGroupBy, ""},
        {"a.SAL", "", "", "", "", "", "> 10"},
        {"a.ENO", "", "", kAscending, "3", "", "<> b.DNO OR 1 = 1"},
        {"", "", "", "", "", kHaving, "COUNT (*) > 1"},
        {"a.DEPT", "", "", "", "", kHaving, "<> 'D9'"}}},
      {"SELECT a.DNO FROM (SELECT DNO FROM ADMIN.DEPT) a, ADMIN.EMP b WHERE b.DEPT = a.DNO",
       {"(SELECT DNO FROM ADMIN.DEPT) a", "ADMIN.EMP b"},
       {"b.DEPT = a.DNO"},
       {{"a.DNO", "", "1", "", "", "", ""}}},
  };
  for (const ParseCase& c : cases) {
    designer.SQLText = c.text;
    ASSERT_EQ(designer.ParseSQL(), TParseResult::Parsed) << c.text;
    EXPECT_EQ(Boxes(designer), c.tables) << c.text;
    EXPECT_EQ(Joins(designer), c.joins) << c.text;
    Rows rows = c.rows;
    rows.emplace_back();
    EXPECT_EQ(DataRows(), rows) << c.text;
    EXPECT_EQ(designer.SQLText, c.text);
    EXPECT_EQ(designer.LastSQL(), c.text);
    EXPECT_EQ(designer.ParseSQL(), TParseResult::Unchanged);
  }
}

TEST_F(BuilderTest, ParseTakesCreateViewWithItsName) {
  designer.SQLText = "CREATE VIEW V9 AS SELECT a.ENO FROM EMP a -- the staff\n; SELECT 1";
  ASSERT_EQ(designer.ParseSQL(), TParseResult::Parsed);
  EXPECT_EQ(designer.SQLType(), sqlKindCreateView);
  EXPECT_EQ(designer.ViewName, "V9");
  EXPECT_EQ(Boxes(designer), (std::vector<std::string>{"ADMIN.EMP a"}));
  EXPECT_EQ(designer.Cell(bcExpression, 1), "a.ENO");
}

TEST_F(BuilderTest, TextThatCannotBeShownLeavesTheBuilderEmpty) {
  const std::string texts[] = {"-- only a note\n/* and a block */", "SELECT FROM WHERE (", "DROP TABLE EMP"};
  for (const std::string& text : texts) {
    designer.ChooseSQLType(sqlKindCreateView, "V");
    designer.InsertTable("EMP");
    designer.AddColumns(*designer.Tables()[0], {"ENO"});
    designer.SQLText = text;
    const bool commentOnly = text.starts_with("--");
    EXPECT_EQ(designer.ParseSQL(), commentOnly ? TParseResult::Parsed : TParseResult::Unreadable) << text;
    EXPECT_TRUE(designer.Tables().empty()) << text;
    EXPECT_EQ(designer.RowCount(), 2) << text;
    EXPECT_EQ(designer.SQLType(), sqlKindCreateView) << text;
    EXPECT_EQ(designer.SQLText, text);
    EXPECT_FALSE(designer.TextChanged());
    EXPECT_FALSE(designer.SQLDesign);
  }
}

TEST_F(BuilderTest, AnUnknownTableEndsTheParseWithItsMessage) {
  designer.SQLText = "SELECT a.ENO FROM EMP a, NOSUCH b";
  try {
    designer.ParseSQL();
    ADD_FAILURE() << "parsed";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), kUnknownObject);
  }
  EXPECT_EQ(Boxes(designer), (std::vector<std::string>{"ADMIN.EMP a", "ADMIN.NOSUCH b"}));
  EXPECT_EQ(designer.RowCount(), 2);
  EXPECT_FALSE(designer.TextChanged());
  EXPECT_FALSE(designer.SQLDesign);
}

TEST_F(BuilderTest, NothingIsReadOrWrittenWithoutAConnection) {
  TovSQLDesigner unbound;
  unbound.SQLText = "SELECT 1 FROM EMP";
  EXPECT_EQ(unbound.ParseSQL(), TParseResult::Unchanged);
  unbound.BuildSQL();
  EXPECT_EQ(unbound.SQLText, "SELECT 1 FROM EMP");
  EXPECT_TRUE(unbound.TextChanged());
}

}  // namespace
