#include "ui/core/ovcomctrlscore.h"

#include <gtest/gtest.h>

TEST(ListSortState, SameTitleTurnsTheDirectionAnotherSortsAscending) {
  EXPECT_EQ(NextSortState(1, 0), -1);
  EXPECT_EQ(NextSortState(-1, 0), 1);
  EXPECT_EQ(NextSortState(1, 2), 3);
  EXPECT_EQ(NextSortState(-3, 1), 2);
}

TEST(ListComparison, NumbersByTheSignOfTheirDifference) {
  struct Case {
    const char* first;
    const char* second;
    int sign;
  } cases[] = {
      {"1,200", "950", 1},  {"950", "1,200", -1},     {"30000000", "1", 1}, {"1", "30000000", -1},
      {"1.001", "1.004", 0}, {"1.00", "1.01", -1},    {"abc", "0", 0},      {"abc", "-1", 1},
      {"", "2", -1},        {"-5", "-5.0001", 0},
  };
  for (const Case& c : cases) {
    const int got = CompareListTexts(c.first, c.second, true);
    EXPECT_EQ((got > 0) - (got < 0), c.sign) << c.first << " / " << c.second;
  }
}

TEST(ListComparison, TextsAreCaseSensitive) {
  EXPECT_NE(CompareListTexts("abc", "ABC", false), 0);
  EXPECT_LT(CompareListTexts("abc", "abd", false), 0);
  EXPECT_EQ(CompareListTexts("表", "表", false), 0);
  // "10" before "9" as text, after it as a number.
  EXPECT_LT(CompareListTexts("10", "9", false), 0);
  EXPECT_GT(CompareListTexts("10", "9", true), 0);
}

TEST(ListComparison, RowsBySortColumnAndDirection) {
  const TListRowTexts a{"B", {"950"}}, b{"A", {"1,200", "x"}};
  EXPECT_GT(CompareListRows(a, b, 1, false), 0);
  EXPECT_LT(CompareListRows(a, b, -1, false), 0);
  EXPECT_LT(CompareListRows(a, b, 2, true), 0);
  EXPECT_GT(CompareListRows(a, b, -2, true), 0);
  EXPECT_EQ(SortTextOf(a, 3), "");
  EXPECT_LT(CompareListRows(a, b, 3, false), 0);
  EXPECT_EQ(CompareListRows(a, b, 0, false), 0);
}
