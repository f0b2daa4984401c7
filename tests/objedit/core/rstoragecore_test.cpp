#include "objedit/core/rstoragecore.h"

#include <gtest/gtest.h>

namespace {

using Texts = std::vector<std::string>;

TEST(StorageFrameRules, AKindIsKnownByItsTextWhereverItStandsInTheList) {
  for (int kind = 0; kind < static_cast<int>(kStorageKindTexts.size()); ++kind)
    EXPECT_EQ(StorageKindOfText(kStorageKindTexts[static_cast<size_t>(kind)]), kind);
  EXPECT_EQ(StorageKindOfText("実表(SEQUENTIAL)"), kStorageSequential);
  EXPECT_EQ(StorageKindOfText(""), kStorageDefault);
  EXPECT_EQ(StorageKindOfText("実表"), kStorageDefault);
}

TEST(StorageFrameRules, LayoutsByOwnerKindLevelAndConnection) {
  struct Case {
    int owner, kind, level;
    bool remote;
    TStorageLayout expected;
  };
  using P = TStoragePage;
  // Kind row, panel, reduced, space shown, space enabled, pages, page, height, DSIs, index layout.
  const Case cases[] = {
      {kTableOwnerKind, 0, 11, false, {true, true, false, true, true, false, P::None, 0, false, false}},
      {kTableOwnerKind, 0, 11, true, {false, true, false, true, true, false, P::None, 0, false, false}},
      {kTableOwnerKind, 1, 11, false, {true, true, false, false, true, true, P::SeqNormal, 89, true, false}},
      {kTableOwnerKind, 2, 11, false, {true, true, false, false, true, true, P::SeqPartition, 121, true, false}},
      {kTableOwnerKind, 3, 9, false, {true, true, false, false, true, true, P::SeqPartition, 121, true, false}},
      {kTableOwnerKind, 4, 11, false, {true, true, false, false, true, true, P::RandNormal, 169, true, false}},
      {kTableOwnerKind, 5, 11, false, {true, true, false, false, true, true, P::RandPartition, 201, true, false}},
      {kTableOwnerKind, 6, 10, false, {true, true, false, false, true, true, P::RandPartition, 201, true, false}},
      {kTableOwnerKind, 7, 11, false, {true, true, false, false, true, true, P::Object, 89, true, false}},
      {kTableOwnerKind, 8, 11, false, {true, true, true, false, false, true, P::Temp, 201, false, false}},
      {kIndexOwnerKind, 0, 9, false, {false, true, false, true, true, false, P::None, 0, false, true}},
      {kIndexOwnerKind, 0, 11, true, {false, true, false, true, true, false, P::None, 0, false, true}},
      {kIndexOwnerKind, 0, 10, false, {false, false, false, true, true, true, P::Index, 89, true, true}},
      {kIndexOwnerKind, 5, 11, false, {false, false, false, true, true, true, P::Index, 89, true, true}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StorageLayoutFor(c.owner, c.kind, c.level, c.remote), c.expected)
        << c.owner << " kind " << c.kind << " level " << c.level << (c.remote ? " remote" : "");
}

TEST(StorageFrameRules, PickListsByGridColumnAndOwner) {
  const TStoragePickSources sources{{"D1", "", "D2", "D1"}, {"", "SC1", "SC2", "SC1"}, {"S1", "S2"}, {"T1", "T2"}};
  struct Case {
    TStorageGrid grid;
    int col, owner, kind;
    Texts expected;
  };
  const Case cases[] = {
      {TStorageGrid::DsiMain, 3, kTableOwnerKind, 1, {"KB", "MB"}},
      {TStorageGrid::DsiMain, 1, kTableOwnerKind, 1, {}},
      {TStorageGrid::DsiMain, 8, kTableOwnerKind, 1, {"SC1", "SC2"}},
      {TStorageGrid::DsiMain, 2, kIndexOwnerKind, 0, {"KB", "MB"}},
      {TStorageGrid::DsiMain, 7, kIndexOwnerKind, 0, {"T1", "T2"}},
      {TStorageGrid::DsiMain, 8, kIndexOwnerKind, 0, {"再配置", "縮退", "なし"}},
      {TStorageGrid::DsiSub, 0, kTableOwnerKind, 1, {"D1", "D2"}},
      {TStorageGrid::DsiSub, 1, kTableOwnerKind, 7, {"DATA", "EXPAND"}},
      {TStorageGrid::DsiSub, 1, kTableOwnerKind, 5, {"PRIME", "OVERFLOW", "EXPAND"}},
      {TStorageGrid::DsiSub, 1, kIndexOwnerKind, 0, {"BASE", "INDEX", "EXPAND"}},
      {TStorageGrid::DsiSub, 2, kIndexOwnerKind, 0, {"S1", "S2"}},
      {TStorageGrid::DsiSub, 3, kTableOwnerKind, 1, {}},
      {TStorageGrid::DsiSub, 4, kTableOwnerKind, 1, {"KB", "MB"}},
      {TStorageGrid::Temp, 0, kTableOwnerKind, 8, {"S1", "S2"}},
      {TStorageGrid::Temp, 1, kTableOwnerKind, 8, {}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StoragePickList(c.grid, c.col, c.owner, c.kind, sources), c.expected)
        << static_cast<int>(c.grid) << " col " << c.col << " owner " << c.owner << " kind " << c.kind;
}

TEST(StorageFrameRules, GridRowsEditingAndRecords) {
  EXPECT_FALSE(AllocationCellEditable(3, "EXPAND"));
  EXPECT_FALSE(AllocationCellEditable(4, "EXPAND"));
  EXPECT_TRUE(AllocationCellEditable(2, "EXPAND"));
  EXPECT_TRUE(AllocationCellEditable(3, "DATA"));
  EXPECT_FALSE(CanDeleteGridRow(2));  // header and one data row
  EXPECT_TRUE(CanDeleteGridRow(3));
  EXPECT_TRUE(NeedsSpareRow("X", 2, 3));
  EXPECT_FALSE(NeedsSpareRow("", 2, 3));
  EXPECT_FALSE(NeedsSpareRow("X", 1, 3));

  const Texts table{"D1", "10", "800", "KB", "900", "KB", "1", "MB", "SC1"};
  const TStorageDsi dsi = DsiOfRow(table, false);
  EXPECT_EQ(dsi.DivideValue, "10");
  EXPECT_EQ(dsi.Allocation, (TStorageSize{"1", "MB"}));
  EXPECT_EQ(dsi.Scope, "SC1");
  EXPECT_EQ(RowOfDsi(dsi, false), table);
  const Texts index{"X1", "800", "KB", "900", "KB", "1", "MB", "D1", "縮退"};
  EXPECT_EQ(DsiOfRow(index, true).TableDsi, "D1");
  EXPECT_EQ(RowOfDsi(DsiOfRow(index, true), true), index);
  EXPECT_EQ(DsiOfRow({"D1"}, false).Name, "D1");
  const Texts allocation{"D1", "EXPAND", "S2", "", ""};
  EXPECT_EQ(RowOfAllocation(AllocationOfRow(allocation)), allocation);
}

}  // namespace
