#include "ui/core/ovcomctrlscore.h"

#include <gtest/gtest.h>

#include <vector>

TEST(ListSortState, SameTitleTurnsTheDirectionAnotherSortsAscending) {
  EXPECT_EQ(NextSortState(1, 0), -1);
  EXPECT_EQ(NextSortState(-1, 0), 1);
  EXPECT_EQ(NextSortState(1, 2), 3);
  EXPECT_EQ(NextSortState(-3, 1), 2);
}

using TOrder = std::vector<size_t>;

// Two texts sort by the sign of their comparison: ascending puts the second
// first when it is smaller, descending when it is larger; equal ones keep
// their order both ways.
void ExpectSign(const char* first, const char* second, bool numeric, int sign) {
  const std::vector<QString> texts{QString::fromUtf8(first), QString::fromUtf8(second)};
  EXPECT_EQ(ListSortOrder(texts, numeric, false), sign > 0 ? TOrder({1, 0}) : TOrder({0, 1})) << first << " / " << second;
  EXPECT_EQ(ListSortOrder(texts, numeric, true), sign < 0 ? TOrder({1, 0}) : TOrder({0, 1})) << first << " / " << second;
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
  for (const Case& c : cases) ExpectSign(c.first, c.second, true, c.sign);
}

TEST(ListComparison, TextsAreCaseSensitive) {
  const std::vector<QString> cases{"abc", "ABC"};
  EXPECT_NE(ListSortOrder(cases, false, false), ListSortOrder(cases, false, true)) << "not equal";
  ExpectSign("abc", "abd", false, -1);
  ExpectSign("表", "表", false, 0);
  // "10" before "9" as text, after it as a number.
  ExpectSign("10", "9", false, -1);
  ExpectSign("10", "9", true, 1);
}

TEST(ListComparison, ALongListSortsStablyEitherWay) {
  std::vector<QString> texts;
  for (int i = 0; i < 1000; ++i) texts.push_back(QString::number((i * 7919) % 500));
  for (const bool descending : {false, true}) {
    const TOrder order = ListSortOrder(texts, true, descending);
    ASSERT_EQ(order.size(), texts.size());
    for (size_t i = 1; i < order.size(); ++i) {
      const int a = texts[order[i - 1]].toInt(), b = texts[order[i]].toInt();
      EXPECT_TRUE(descending ? a >= b : a <= b) << i;
      if (a == b) {
        EXPECT_LT(order[i - 1], order[i]) << "equal values keep their order";
      }
    }
  }
  std::vector<QString> sorted{"a", "b", "c"};
  EXPECT_EQ(ListSortOrder(sorted, false, false), TOrder({0, 1, 2}));
  EXPECT_EQ(ListSortOrder(sorted, false, true), TOrder({2, 1, 0}));
}
