#include "ui/core/ovdbgridcore.h"

#include <gtest/gtest.h>

namespace {

// Bookmarks whose data-set order is the reverse of their numbers, so the
// list's order is visibly the data set's and not the numbers'.
int ReverseOrder(TBookmark a, TBookmark b) { return a == b ? 0 : (a > b ? -1 : 1); }

}  // namespace

TEST(HexOfBytes, UpperCaseDigitsInOrder) {
  EXPECT_EQ(HexOfBytes(std::string("\x00\x0f\xa5\xff", 4)), "000FA5FF");
  EXPECT_EQ(HexOfBytes(""), "");
}

TEST(BytesOfHex, DigitPairsOnly) {
  EXPECT_EQ(BytesOfHex("01fFa0"), std::string("\x01\xFF\xA0", 3));
  EXPECT_EQ(BytesOfHex(""), std::string());
  EXPECT_EQ(BytesOfHex(HexOfBytes(std::string("\0\x7F\x80", 3))), std::string("\0\x7F\x80", 3));
  for (const char* bad : {"0", "0G", "zz", "01 02"}) EXPECT_EQ(BytesOfHex(bad), std::nullopt) << bad;
}

TEST(GridFieldMap, EntriesAndUnmappedNames) {
  TGridFieldMap map;
  map.AddFieldMapping(2);
  map.AddFieldMapping(TGridFieldMap::kNoField);
  EXPECT_EQ(map.MappedFieldCount(), 2U);
  EXPECT_EQ(map.MappedPosition(0), 2);
  EXPECT_EQ(map.MappedPosition(1), TGridFieldMap::kNoField);
  EXPECT_EQ(map.MappedPosition(5), TGridFieldMap::kNoField);
  EXPECT_EQ(map.MappedPosition(-1), TGridFieldMap::kNoField);
  EXPECT_TRUE(map.HasUnmapped());
  map.ClearFieldMapping();
  EXPECT_EQ(map.MappedFieldCount(), 0U);
}

TEST(BookmarkList, SortedByDataSetOrderWithCache) {
  TBookmarkList list(ReverseOrder);
  EXPECT_THROW(list.CheckActive(), EInvalidGridOperation);
  try {
    list.CheckActive();
  } catch (const EInvalidGridOperation& e) {
    EXPECT_STREQ(e.what(), "データセットは閉じているため, この操作は実行できません");
  }
  list.SetLinkActive(true);
  EXPECT_NO_THROW(list.CheckActive());
  for (TBookmark b : {3, 9, 1, 5}) EXPECT_TRUE(list.SetSelected(b, true));
  EXPECT_FALSE(list.SetSelected(5, true)) << "already selected";
  EXPECT_EQ(list.Items(), (std::vector<TBookmark>{9, 5, 3, 1}));
  // A cached miss must not survive the insert that makes it a hit.
  EXPECT_FALSE(list.IsSelected(4));
  EXPECT_TRUE(list.SetSelected(4, true));
  EXPECT_TRUE(list.IsSelected(4));
  EXPECT_EQ(list.FindBookmark(4).Index, 2U);
  EXPECT_TRUE(list.SetSelected(9, false));
  EXPECT_FALSE(list.IsSelected(9));
  EXPECT_EQ(list.Items(), (std::vector<TBookmark>{5, 4, 3, 1}));
  list.SetLinkActive(false);
  EXPECT_EQ(list.Count(), 0U);
  EXPECT_FALSE(list.Clear());
}

TEST(CopyText, RangesRecordsAndQuoting) {
  const std::vector<TCopyField> a{{0, "a0"}, {1, "a1"}, {2, "a2"}, {3, "a3"}};
  const std::vector<TCopyField> b{{0, "b0"}, {1, "x\ty"}, {2, "l1\r\nl2\rl3\nl4"}, {3, "say \"hi\""}};
  struct Case {
    std::vector<std::vector<TCopyField>> records;
    TCopyRange range;
    std::string text;
  } cases[] = {
      {{a}, {false, 1, 1}, "a1"},
      {{a}, {false, 1, 3}, "a1\ta2\ta3"},
      {{a}, {false, 3, 1}, "a1\ta2\ta3"},
      {{a}, {true, 2, 2}, "a0\ta1\ta2\ta3"},
      {{a, b}, {false, 0, 1}, "a0\ta1\r\nb0\t\"x\ty\"\r\n"},
      {{b}, {false, 2, 3}, "\"l1\nl2\nl3\nl4\"\t\"say \"\"hi\"\"\""},
      // A hidden first field: positions still count it.
      {{{{1, "v1"}, {2, "v2"}}}, {true, 0, 0}, "\tv1\tv2"},
  };
  for (const Case& c : cases) EXPECT_EQ(CopyText(c.records, c.range), c.text);
}

TEST(PasteText, CellsLinesAndQuotes) {
  struct Case {
    std::string text;
    TPasteLines lines;
  } cases[] = {
      {"a\tb\r\nc\td\r\n", {{"a", "b"}, {"c", "d"}}},
      {"a\tb", {{"a", "b"}}},
      {"\"x\ty\r\nz\"\tq\r\n", {{"x\ty\r\nz", "q"}}},
      {"\"say \"\"hi\"\"\"\t1\r\n", {{"say \"hi\"", "1"}}},
      {"\"ab\"cd\te\r\n", {{"ab", "e"}}},
      {"a\"b\"\tc\r\n", {{"a\"b\"", "c"}}},
      {"\"\"\t\r\n", {{"", ""}}},
      {"a\nb\n", {{"a"}, {"b"}}},
      {"lone\rcr\tx\r\n", {{"lone\rcr", "x"}}},
  };
  for (const Case& c : cases) EXPECT_EQ(ParsePasteText(c.text), c.lines) << c.text;
  EXPECT_TRUE(IsCellPaste("plain\nline"));
  EXPECT_FALSE(IsCellPaste("a\r\n"));
  EXPECT_FALSE(IsCellPaste("a\tb"));
}

TEST(PasteText, CopyPastesBack) {
  const std::vector<std::string> values{"plain", "t\tab", "cr\r\nlf", "lone\rcr", "q\"uo\"te", "\"", "", "日本語"};
  std::vector<std::vector<TCopyField>> records;
  for (const std::string& v : values) records.push_back({{0, v}, {1, "k"}});
  const TPasteLines lines = ParsePasteText(CopyText(records, {true, 0, 0}));
  ASSERT_EQ(lines.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    std::string expected = values[i];
    for (size_t p = 0; (p = expected.find('\r', p)) != std::string::npos;) {
      if (p + 1 < expected.size() && expected[p + 1] == '\n') {
        expected.erase(p, 1);
      } else {
        expected[p] = '\n';
      }
    }
    EXPECT_EQ(lines[i], (std::vector<std::string>{expected, "k"})) << i;
  }
}
