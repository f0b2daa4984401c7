#include "ui/core/fprintcore.h"

#include <gtest/gtest.h>

#include "printfixture.h"

namespace {
// Margins that leave a body of 100 x 60 pixels: ten narrow characters a
// row, three rows a page.
TPrintLayoutSettings SmallBody() {
  TPrintLayoutSettings s;
  s.LeftMargin = s.RightMargin = 100;
  s.TopMargin = 148;
  s.BottomMargin = 143;
  s.Font = {"IPAGothic", 10};
  s.TabWidth = 4;
  return s;
}

class PrintLayout : public testing::Test {
 protected:
  PrintLayout() { printer.Describe(TestPrinterDescription()); }
  // Prints `parts` in one job and gives back the rows of every page.
  std::vector<std::vector<std::string>> Print(const std::vector<std::vector<std::string>>& parts, bool restart) {
    job.Begin();
    for (const auto& lines : parts) job.PrintLines("title", lines, restart, SmallBody());
    job.End();
    std::vector<std::vector<std::string>> pages;
    for (int i = 0; i < data.PageCount(); ++i) {
      std::vector<std::string> rows;
      const auto& items = data.Pages(i).Items;
      for (size_t k = 2; k < items.size(); ++k) rows.push_back(items[k].Text);
      pages.push_back(rows);
    }
    return pages;
  }
  std::vector<std::string> Numbers() const {
    std::vector<std::string> numbers;
    for (int i = 0; i < data.PageCount(); ++i) numbers.push_back(data.Pages(i).Items[1].Text);
    return numbers;
  }
  TovPrinter printer;
  TovPrintdata data{printer};
  TFixedMeasure measure;
  TPrintJob job{data, printer, measure};
};

std::vector<std::string> Lines(int count) {
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back("line" + std::to_string(i));
  return lines;
}
}  // namespace

TEST_F(PrintLayout, RestartNumbersEachPartFromOne) {
  Print({Lines(6), Lines(7)}, true);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "2", "1", "2", "3"}));
  Print({Lines(6), Lines(7)}, false);
  EXPECT_EQ(Numbers(), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
}

TEST_F(PrintLayout, TitleAboveAndNumberBelowTheBody) {
  Print({Lines(1)}, true);
  const auto& items = data.Pages(0).Items;
  ASSERT_EQ(items.size(), 3u);
  const TPrintFont font{"IPAGothic", 10};
  struct Place {
    int top, height;
    TPrintAlign align;
    std::string text;
  } places[] = {{-40, 40, TPrintAlign::Center, "title"}, {60, 40, TPrintAlign::Center, "1"},
                {0, 20, TPrintAlign::Left, "line0"}};
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].Font, font);
    EXPECT_EQ(items[i].Kind, TPrintItemKind::Text);
    EXPECT_EQ(items[i].Rect.Left, 0);
    EXPECT_EQ(items[i].Rect.Width(), 100);
    EXPECT_EQ(items[i].Rect.Top, places[i].top) << i;
    EXPECT_EQ(items[i].Rect.Height(), places[i].height) << i;
    EXPECT_EQ(items[i].Align, places[i].align) << i;
    EXPECT_EQ(items[i].Text, places[i].text) << i;
  }
}

TEST_F(PrintLayout, LongLinesWrapAndTheRestGoesOnToFurtherPages) {
  // Two rows, then a line of 65 characters in seven: three pages.
  std::string longLine(65, 'x');
  auto pages = Print({{"aaaa bbbb cccc", longLine}}, true);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_EQ(pages[0], (std::vector<std::string>{"aaaa bbbb ", "cccc", std::string(10, 'x')}));
  EXPECT_EQ(pages[2].size(), 3u);
  EXPECT_EQ(pages[2].back(), std::string(5, 'x'));
}

TEST_F(PrintLayout, WideCharactersAreNeverSplit) {
  std::string line = "a";
  for (int i = 0; i < 20; ++i) line += "あ";
  auto pages = Print({{line}}, true);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0], (std::vector<std::string>{"aああああ", "あああああ", "あああああ"}));
  EXPECT_EQ(pages[1], (std::vector<std::string>{"あああああ", "あ"}));
}

TEST_F(PrintLayout, TheLineBreakAtAPageBreakIsNotCarried) {
  auto pages = Print({{"a", "b", "c", "d", "", "e"}}, true);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[1], (std::vector<std::string>{"d", "", "e"}));
}

TEST_F(PrintLayout, NothingToPrintLeavesTheFirstPageEmpty) {
  auto pages = Print({{}}, true);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_TRUE(data.Pages(0).Items.empty());
}

TEST(PrintTabs, ExpandToTheNextStopCountingWideCharactersAsTwo) {
  EXPECT_EQ(ExpandTabs("a\tb", 4), "a   b");
  EXPECT_EQ(ExpandTabs("\t\tb", 2), "    b");
  EXPECT_EQ(ExpandTabs("あ\tb", 4), "あ  b");
  EXPECT_EQ(ExpandTabs("abcd\te", 4), "abcd    e");
}

TEST(PrintPasses, CopiesCollationAndRangeGiveTheSheets) {
  using V = std::vector<int>;
  struct Case {
    int copies;
    bool collate, printerCollates, printerCopies, range;
    int from, to;
    V sheets;
  } cases[] = {
      {1, false, false, false, false, 0, 0, {0, 1, 2, 3, 4}},
      {3, false, false, false, false, 0, 0, {0, 0, 0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}},
      {3, true, false, false, false, 0, 0, {0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0, 1, 2, 3, 4}},
      {3, false, false, true, false, 0, 0, {0, 1, 2, 3, 4}},   // the driver copies
      {3, true, false, true, false, 0, 0, {0, 1, 2, 3, 4, 0, 1, 2, 3, 4, 0, 1, 2, 3, 4}},
      {3, true, true, true, false, 0, 0, {0, 1, 2, 3, 4}},     // the driver collates
      {1, false, false, false, true, 2, 3, {1, 2}},
      {1, false, false, false, true, 0, 3, {0, 1, 2}},
      {1, false, false, false, true, 4, 0, {3, 4}},
      {2, true, false, false, true, 2, 3, {1, 2, 1, 2}},
      {2, false, false, false, true, 2, 3, {1, 1, 2, 2}},
      {1, false, false, false, false, 2, 3, {0, 1, 2, 3, 4}},  // range given but "all" chosen
  };
  for (const Case& c : cases) {
    TPrintPassSettings s{c.copies, c.collate, c.printerCollates, c.printerCopies, c.range, c.from, c.to};
    EXPECT_EQ(PrintedPages(s, 5), c.sheets) << c.copies << c.collate << c.printerCollates << c.printerCopies
                                            << c.range << c.from << c.to;
  }
}

TEST(PrintWrap, ABodyOfNoWidthStillEndsWithACharacterPerRow) {
  const TFixedMeasure measure;
  const TPrintFont font{"IPAGothic", 10};
  struct Case {
    int width;
    std::string line;
    std::vector<std::string> rows;
  } cases[] = {{-100, "abあ", {"a", "b", "あ"}}, {0, "ab", {"a", "b"}}, {-1, "", {""}}, {TFixedMeasure::kNarrow, "abc", {"a", "b", "c"}}};
  for (const Case& c : cases) EXPECT_EQ(WrapLine(c.line, c.width, measure, font), c.rows) << c.width << " " << c.line;
}
