#include "objedit/core/ftablereportcore.h"

#include <gtest/gtest.h>

#include "app/core/ovconst.h"

namespace {

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

TTableReportData Table() {
  return TTableReportData{"S", "T", "表", "", "", "",
                          {Column("A", "DECIMAL", "10,2", true, "=A1"), Column("B", "CHAR", "5", false),
                           Column("C", "INTEGER", "", false)},
                          {"B", "A"},
                          {{kReportConstraintImage, "", "(A)"},
                           {kReportConstraintImage, "", "(B, C)"},
                           {kReportIndexImage, "IX1", "C"}}};
}

using Cells = std::vector<std::optional<std::string>>;

TEST(TableReportLayout, ColumnsThenBlankSeparatedConstraintGroups) {
  TReportDefinition def;
  def.BodyTop = 5;
  def.BodyCount = 2;
  def.Header = {At(1, 2, "SCHEMA"), At(2, 2, "TABLENAME"), At(3, 2, "COMMENT"), At(1, 9, "SEQ")};
  def.Body = {At(1, 1, "SEQ"), At(1, 2, "COLUMNNAME"), At(1, 3, "LENGTH"), At(1, 4, "SCALE"), At(1, 5, "NOTNULL"),
              At(1, 6, "PK"), At(2, 2, "COMMENT")};
  def.Body2 = {At(1, 1, "SEQ"), At(1, 2, "CONSTNAME"), At(1, 3, "CONSTVALUE")};
  const TReportLayout layout = TableReportLayout(def, Table());
  // A SEQ in the header fills nothing there.
  EXPECT_EQ(layout.Header, (std::vector<TReportCell>{{1, 2, "S"}, {2, 2, "T"}, {3, 2, "表"}}));
  // 3 columns + blank + 2 constraints + blank + 1 index = 8 records of 2 rows.
  ASSERT_EQ(layout.Values.size(), 16u);
  ASSERT_EQ(layout.Values[0].size(), 9u);
  const auto first = [&](size_t row, size_t n) { return Cells(layout.Values[row].begin(), layout.Values[row].begin() + n); };
  EXPECT_EQ(first(0, 6), (Cells{"1", "A", "10", "2", "Y", "2"}));
  EXPECT_EQ(first(1, 2), (Cells{std::nullopt, "'=A1"}));
  EXPECT_EQ(first(2, 6), (Cells{"2", "B", "5", "", "", "1"}));
  EXPECT_EQ(first(4, 6), (Cells{"3", "C", "", "", "", std::nullopt}));
  EXPECT_EQ(first(6, 3), (Cells(3)));
  EXPECT_EQ(first(8, 3), (Cells{"1", "", "(A)"}));
  EXPECT_EQ(first(10, 3), (Cells{"2", "", "(B, C)"}));
  EXPECT_EQ(first(12, 3), (Cells(3)));
  EXPECT_EQ(first(14, 3), (Cells{"3", "IX1", "C"}));
  // 8 records, 2 a block: the block of rows 5-8 is copied three times.
  EXPECT_EQ(layout.BlockBottom, 8);
  EXPECT_EQ(layout.BlockCopies, (std::vector<int32_t>{9, 13, 17}));
}

TEST(TableReportLayout, WithoutBodiesNothingIsRecorded) {
  TReportDefinition def;
  def.Header = {At(1, 1, "TABLENAME")};
  const TReportLayout layout = TableReportLayout(def, Table());
  EXPECT_TRUE(layout.Values.empty());
  EXPECT_TRUE(layout.BlockCopies.empty());
}

TEST(TableReportLayout, TreeText) {
  EXPECT_EQ(ReportTreeText({{0, "参照"}, {1, "S.V"}, {2, "S.W"}}), "参照\n　S.V\n　　S.W");
}

}  // namespace
