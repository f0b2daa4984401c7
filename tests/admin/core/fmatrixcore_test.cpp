#include "admin/core/fmatrixcore.h"

#include <gtest/gtest.h>

#include "app/core/ovkinds.h"

namespace {

using Grid = std::vector<std::vector<std::string>>;

// A column's object as the header rows show it.
std::vector<std::string> ColumnKeys(const TMatrixModel& m) {
  std::vector<std::string> keys;
  for (int c = kMatrixFixed; c < m.ColCount(); ++c)
    keys.push_back(m.Cell(0, c) + "." + m.Cell(1, c) + "/" + std::to_string(m.ColKind(c)));
  return keys;
}

TEST(TMatrixModel, ObjectColumnsSortedSharedAndSplitByKind) {
  struct Ref {
    std::string Schema, Name;
    int Kind;
  };
  struct Case {
    const char* name;
    std::vector<std::vector<Ref>> rows;  // per selected object, its result rows
    std::vector<std::string> columns;
    Grid marks;  // rows from 2, columns from 2
  } cases[] = {
      {"two views sharing one table",
       {{{"SALES", "ORDERS", okTable}}, {{"SALES", "ORDERS", okTable}, {"HR", "EMP", okTable}}},
       {"HR.EMP/45", "SALES.ORDERS/45"},
       {{"", "○"}, {"○", "○"}}},
      {"a table and a view with one name stand side by side",
       {{{"S", "X", okTable}, {"S", "X", okView}, {"S", "A", okTable}}},
       {"S.A/45", "S.X/47", "S.X/45"},
       {{"○", "○", "○"}}},
      {"byte-wise order: upper case before lower, schema before name",
       {{{"b", "A", okTable}, {"B", "z", okTable}, {"B", "Z", okTable}}},
       {"B.Z/45", "B.z/45", "b.A/45"},
       {{"○", "○", "○"}}},
  };
  for (const Case& c : cases) {
    TMatrixModel m;
    for (const std::vector<Ref>& refs : c.rows) {
      const int row = m.AddObjectRow("OBJ", "S", okView);
      for (const Ref& r : refs) m.Mark(row, m.ObjectColumn(r.Schema, r.Name, r.Kind), kMatrixCross);
    }
    m.Finish();
    EXPECT_EQ(ColumnKeys(m), c.columns) << c.name;
    Grid marks;
    for (int r = kMatrixFixed; r < m.RowCount(); ++r) {
      std::vector<std::string> line;
      for (int col = kMatrixFixed; col < m.ColCount(); ++col) line.push_back(m.Cell(r, col));
      marks.push_back(line);
    }
    EXPECT_EQ(marks, c.marks) << c.name;
  }
}

TEST(TMatrixModel, FieldRowsSortedByNameAndType) {
  TMatrixModel m;
  const int emp = m.AddObjectColumn("HR", "EMP", okTable);
  m.Mark(m.FieldRow("ID", "INT"), emp, kMatrixKey);
  m.Mark(m.FieldRow("NAME", "CHAR(10)"), emp, kMatrixCross);
  const int dept = m.AddObjectColumn("HR", "DEPT", okTable);
  m.Mark(m.FieldRow("NAME", "CHAR(10)"), dept, kMatrixCross);
  m.Mark(m.FieldRow("ID", "CHAR(4)"), dept, kMatrixKey);
  m.Finish();
  EXPECT_EQ(m.Cells(), (Grid{{"", "", "HR", "HR"},
                             {"", "", "EMP", "DEPT"},
                             {"ID", "CHAR(4)", "", "◎"},
                             {"ID", "INT", "◎", ""},
                             {"NAME", "CHAR(10)", "○", "○"}}));
  EXPECT_EQ(m.ColKind(2), okTable);
  EXPECT_EQ(m.RowKind(2), 0);
}

TEST(TMatrixModel, NothingFoundIsThreeByThree) {
  TMatrixModel m;
  m.Finish();
  EXPECT_EQ(m.RowCount(), 3);
  EXPECT_EQ(m.ColCount(), 3);
  TMatrixModel one;
  one.AddObjectRow("V", "S", okView);
  one.Finish();
  EXPECT_EQ(one.RowCount(), 3);
  EXPECT_EQ(one.ColCount(), 3);
  EXPECT_EQ(one.Cell(2, 0), "V");
}

TEST(MatrixTypeText, TypesSizesAndIntervals) {
  struct Case {
    TMatrixColumnType column;
    std::optional<std::string> text;
  } cases[] = {
      {{"IN", {}, {}, {}, {}}, "INT"},
      {{"CH", {}, 10, {}, {}}, "CHAR(10)"},
      {{"DE", {}, {}, 11, 2}, "DECIMAL(11,2)"},
      {{"IT", 1, {}, 2, {}}, "INTERVAL YEAR(2)"},
      {{"IT", 8, {}, 3, {}}, "INTERVAL DAY(3) TO HOUR"},
      {{"IT", 99, {}, 3, {}}, "INTERVAL"},
      {{"ZZ", {}, {}, {}, {}}, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(MatrixTypeText(c.column), c.text) << c.column.DataType;
}

TEST(MatrixBlockCopies, PagesDownAndRight) {
  struct Case {
    int rows, cols, pageRows, pageCols, down, right;
  } cases[] = {
      {3, 3, 60, 30, 0, 0},    {62, 32, 60, 30, 0, 0}, {63, 33, 60, 30, 1, 1},
      {122, 92, 60, 30, 1, 2}, {5, 5, 2, 2, 1, 1},     {6, 6, 2, 2, 1, 1},
  };
  for (const Case& c : cases) {
    const TMatrixBlockCopies copies = MatrixBlockCopies(c.rows, c.cols, c.pageRows, c.pageCols);
    EXPECT_EQ(copies.Down, c.down) << c.rows;
    EXPECT_EQ(copies.Right, c.right) << c.cols;
  }
}

TEST(MatrixPages, TitlesAndQueries) {
  EXPECT_STREQ(MatrixPageTitle(TMatrixPage::Referencing), "OBJECT＼参照");
  EXPECT_NE(std::string(MatrixObjectSql(TMatrixPage::Referencing)).find("REFERENCING_OBJ"), std::string::npos);
  EXPECT_NE(std::string(MatrixObjectSql(TMatrixPage::Referenced)).find("REFERENCED_OBJ"), std::string::npos);
  EXPECT_EQ(std::string(MatrixColumnSql(okIndex)).find(":INDEX_DSO_NAME") == std::string::npos, false);
  EXPECT_EQ(std::string(MatrixColumnSql(okTable)).find(":INDEX_DSO_NAME"), std::string::npos);
}

}  // namespace
