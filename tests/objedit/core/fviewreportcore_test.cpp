#include "objedit/core/fviewreportcore.h"

#include <gtest/gtest.h>

#include "app/core/ovconst.h"

namespace {

using Cells = std::vector<std::optional<std::string>>;

TReportPlacement At(int32_t row, int32_t col, const char* key) {
  return {row, col, FindReportItem(key, kReportItemKey)};
}

TTableColumn Column(const std::string& name, const std::string& type, const std::string& size, bool notNull,
                    const std::string& comment = "") {
  TTableColumn c;
  c.Name = name;
  c.Type = type;
  c.Size = size;
  c.NotNull = notNull;
  c.Comment = comment;
  return c;
}

TViewReportData View(size_t columns) {
  TViewReportData data{"USR1", "V1", "ビュー", {"CREATE VIEW USR1.V1 AS", "SELECT A", "FROM T", ";"}, "T", "", {}};
  for (size_t i = 1; i <= columns; ++i) {
    std::string name = "C";
    name += std::to_string(i);
    data.Columns.push_back(Column(name, "INTEGER", "", false));
  }
  return data;
}

// BODYTOP 10, BODYCOUNT 20; SEQ at (1, 1), COLUMNNAME at (1, 2), COMMENT at (2, 2).
TReportDefinition Example() {
  TReportDefinition def;
  def.Type = kViewReportType;
  def.BodyTop = 10;
  def.BodyCount = 20;
  def.Body = {At(1, 1, "SEQ"), At(1, 2, "COLUMNNAME"), At(2, 2, "COMMENT")};
  return def;
}

TEST(ViewReportLayout, FortyFiveColumnsFillThreeBlocksOfTwentyRecords) {
  TViewReportData data = View(45);
  data.Columns[0].Comment = "最初";
  const TReportLayout layout = ViewReportLayout(Example(), data);
  EXPECT_EQ(layout.BlockBottom, 49);
  EXPECT_EQ(layout.BlockCopies, (std::vector<int32_t>{50, 90}));
  ASSERT_EQ(layout.Values.size(), 90u);
  EXPECT_EQ(layout.Values[0], (Cells{"1", "C1"}));
  EXPECT_EQ(layout.Values[1], (Cells{std::nullopt, "最初"}));
  EXPECT_EQ(layout.Values[2], (Cells{"2", "C2"}));
  EXPECT_EQ(layout.Values[89], (Cells{std::nullopt, ""}));
  EXPECT_EQ(layout.Values[88], (Cells{"45", "C45"}));
}

TEST(ViewReportLayout, RecordsAndHeaderValues) {
  // Fewer columns than a block holds: nothing is copied.
  TReportDefinition def = Example();
  def.Header = {At(1, 1, "SCHEMA"), At(1, 2, "VIEWNAME"), At(2, 1, "COMMENT"), At(3, 1, "DDL"),
                At(4, 1, "CROSS"),  At(4, 2, "COVERCROSS"), At(5, 1, "TABLENAME")};
  def.Body = {At(1, 1, "LENGTH"), At(1, 2, "SCALE"), At(1, 3, "NOTNULL"), At(1, 4, "COMMENT"), At(1, 5, "DTYPE"),
              At(1, 6, "DEFAULT")};
  TViewReportData data = View(0);
  data.Columns = {Column("A", "DECIMAL", "10,2", true, "=A1"), Column("B", "CHAR", "5", false, " =A1"),
                  Column("C", "INTEGER", "", false, "a=b")};
  data.Columns[2].Default = "0";
  const TReportLayout layout = ViewReportLayout(def, data);
  EXPECT_TRUE(layout.BlockCopies.empty());
  EXPECT_EQ(layout.Header, (std::vector<TReportCell>{{1, 1, "USR1"},
                                                      {1, 2, "V1"},
                                                      {2, 1, "ビュー"},
                                                      {3, 1, "CREATE VIEW USR1.V1 AS\r\nSELECT A\r\nFROM T\r\n;"},
                                                      {4, 1, "T"},
                                                      {4, 2, ""}}))
      << "a table's item is not the view report's";
  ASSERT_EQ(layout.Values.size(), 3u);
  EXPECT_EQ(layout.Values[0], (Cells{"10", "2", "Y", "'=A1", "DECIMAL", ""}));
  EXPECT_EQ(layout.Values[1], (Cells{"5", "", "", "' =A1", "CHAR", ""}));
  EXPECT_EQ(layout.Values[2], (Cells{"", "", "", "a=b", "INTEGER", "0"}));
}

}  // namespace
