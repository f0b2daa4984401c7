#include "admin/core/outputcore.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputCellText, CrLfBecomesABlank) {
  EXPECT_EQ(OutputCellText("a\r\nb\r\nc"), "a b c");
  EXPECT_EQ(OutputCellText("a\nb"), "a\nb");
  EXPECT_EQ(OutputCellText("\r\n\r\n"), "  ");
}

TEST(RowsClipboardText, SeparatorsAndQuoting) {
  const TTextRows rows = {{"A", "b,c", "say \"x\""}, {"tab\there", "", "line\nbreak"}};
  EXPECT_EQ(RowsClipboardText(rows, false, nullptr, nullptr),
            "A\tb,c\t\"say \"\"x\"\"\"\r\n\"tab\there\"\t\t\"line\nbreak\"\r\n");
  EXPECT_EQ(RowsClipboardText(rows, true, nullptr, nullptr),
            "A,\"b,c\",\"say \"\"x\"\"\"\r\n\"tab\there\",,\"line\nbreak\"\r\n");
}

TEST(RowsClipboardText, EscapeEndsAndProgressCounts) {
  const TTextRows rows = {{"1"}, {"2"}, {"3"}};
  std::vector<int> seen;
  int polls = 0;
  const std::string text =
      RowsClipboardText(rows, false, [&] { return ++polls > 2; }, [&](int n) { seen.push_back(n); });
  EXPECT_EQ(text, "1\r\n2\r\n");
  EXPECT_EQ(seen, (std::vector<int>{1, 2}));
  EXPECT_EQ(RowsClipboardText({{"", "", "", ""}}, false, nullptr, nullptr), "\t\t\t\r\n");
}

}  // namespace
