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

TEST(GridEnterKey, TargetsStayWithinTheGrid) {
  struct Case {
    TGridEnter action;
    int at, first, last, target;
  } cases[] = {
      {TGridEnter::RowDown, 1, 1, 4, 2}, {TGridEnter::RowDown, 4, 1, 4, 4},    {TGridEnter::RowUp, 2, 1, 4, 1},
      {TGridEnter::RowUp, 1, 1, 4, 1},   {TGridEnter::NextColumn, 4, 1, 4, 4}, {TGridEnter::Nothing, 3, 1, 4, 3},
  };
  for (const Case& c : cases) EXPECT_EQ(GridEnterTarget(c.action, c.at, c.first, c.last), c.target) << &c - cases;
}

TEST(GridPickList, CompletionKeepsTheTypedPrefixUnselected) {
  const std::vector<std::string> items{"CHAR", "CHARACTER"};
  struct Case {
    const char* text;
    int selStart, selLength;
    const char* typed;
    const char* result;
    int resultStart, resultLength;
  } cases[] = {
      {"", 0, 0, "c", "CHAR", 1, 3},
      {"CHAR", 1, 3, "h", "CHAR", 2, 2},
      {"CHAR", 4, 0, "a", "CHARACTER", 5, 4},
      {"CHARACTER", 3, 6, "r", "CHAR", 4, 0},
  };
  for (const Case& c : cases) {
    const auto done = CompletePick(c.text, c.selStart, c.selLength, c.typed, items);
    ASSERT_TRUE(done) << c.text << c.typed;
    EXPECT_EQ(done->Text, c.result);
    EXPECT_EQ(done->SelStart, c.resultStart);
    EXPECT_EQ(done->SelLength, c.resultLength);
  }
  EXPECT_FALSE(CompletePick("CH", 2, 0, "z", items));
  EXPECT_EQ(NextPickItem("CHAR", items), "CHARACTER");
  EXPECT_EQ(NextPickItem("CHARACTER", items), "CHAR");
  EXPECT_EQ(NextPickItem("x", items), "CHAR");
}

TEST(GridKeys, ToggleCharsArrowsAndPages) {
  for (char32_t c : {U' ', U'a', U'~'}) EXPECT_TRUE(IsCheckToggleChar(c));
  for (char32_t c : {U'\t', U'\x7f', U'あ'}) EXPECT_FALSE(IsCheckToggleChar(c));
  EXPECT_TRUE(ArrowLeavesEditor(0, 3, 3));
  EXPECT_TRUE(ArrowLeavesEditor(0, 0, 0)) << "an empty text is wholly selected";
  EXPECT_FALSE(ArrowLeavesEditor(1, 2, 3));
  EXPECT_FALSE(ArrowLeavesEditor(0, 2, 3));
  EXPECT_EQ(PageScrollTarget(10, 8, true, 0, 100), 14);
  EXPECT_EQ(PageScrollTarget(2, 8, false, 0, 100), 0);
  EXPECT_EQ(PageScrollTarget(99, 8, true, 0, 100), 100);
  EXPECT_EQ(PageScrollTarget(5, 1, true, 0, 100), 6) << "at least one row";
}

TEST(GridCheckCells, GlyphStandsCentredByItsWidth) {
  EXPECT_EQ(CheckGlyphRect(QRect(10, 20, 40, 30), QSize(12, 14)), QRect(24, 29, 12, 14));
}
