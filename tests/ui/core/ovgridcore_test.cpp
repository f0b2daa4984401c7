#include "ui/core/ovgridcore.h"

#include <gtest/gtest.h>

TEST(GridSnapshot, RowsAddedTextAndLineBreaks) {
  TGridSnapshot snapshot;
  TGridCells cells{{"A", "B"}, {"1", "2"}};
  snapshot.Save(cells);
  EXPECT_FALSE(snapshot.Modified(cells));

  cells.push_back({"", ""});
  EXPECT_TRUE(snapshot.Modified(cells)) << "an empty added row counts";
  EXPECT_FALSE(snapshot.CellModified(0, 2, ""));
  EXPECT_TRUE(snapshot.CellModified(0, 2, "x"));
  cells.pop_back();
  EXPECT_FALSE(snapshot.Modified(cells));

  // A line break inside a cell is no cell boundary.
  TGridSnapshot broken;
  broken.Save({{"a\nb", ""}});
  EXPECT_TRUE(broken.Modified({{"a", "b\n"}}));
  EXPECT_TRUE(broken.CellModified(0, 0, "a"));
  EXPECT_FALSE(broken.CellModified(5, 0, ""));
}

TEST(GridEnterKey, ByModeAndStyle) {
  struct Case {
    TovGridEditorMode mode;
    std::optional<TovGridEditStyle> style;
    bool shift;
    TGridEnter action;
  } cases[] = {
      {geAccess, geSimple, false, TGridEnter::NextColumn}, {geAccess, geCheckBox, true, TGridEnter::NextColumn},
      {geExcel, geSimple, false, TGridEnter::RowDown},     {geExcel, geSimple, true, TGridEnter::RowUp},
      {geExcel, std::nullopt, false, TGridEnter::RowDown}, {geExcel, gePickList, false, TGridEnter::Nothing},
      {geNormal, geSimple, false, TGridEnter::Nothing},
  };
  for (const Case& c : cases) EXPECT_EQ(GridEnterAction(c.mode, c.style, c.shift), c.action);
}

TEST(GridPickList, FirstItemBeginningWithThePrefixIgnoringCase) {
  EXPECT_EQ(PickListMatch("ch", {"CHAR", "CHARACTER"}), "CHAR");
  EXPECT_EQ(PickListMatch("CHARA", {"CHAR", "CHARACTER"}), "CHARACTER");
  EXPECT_EQ(PickListMatch("x", {"CHAR"}), std::nullopt);
}

TEST(GridCheckCells, TextsReadAsIntegers) {
  EXPECT_EQ(CheckLookOf("1"), TCheckLook::Ticked);
  EXPECT_EQ(CheckLookOf("2"), TCheckLook::Grayed);
  for (const char* t : {"", "0", "3", "x", "1x"}) EXPECT_EQ(CheckLookOf(t), TCheckLook::Empty) << t;
}
