#include "editor/core/heUtils.h"

#include <gtest/gtest.h>

namespace {

TCellString T(const char* s) { return TCellString::FromUtf8(s); }

}  // namespace

TEST(WideCharacterRoutines, LeadAndTrailCells) {
  const TCellString s = T("aあ");
  struct Case {
    int i;
    bool lead, trail;
    char32_t at;
  };
  const Case cases[] = {{0, false, false, 0},     {1, false, false, 'a'}, {2, true, false, 0x3042},
                        {3, false, true, 0x3042}, {4, false, false, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(IsDBCS1(s, c.i), c.lead) << c.i;
    EXPECT_EQ(IsDBCS2(s, c.i), c.trail) << c.i;
    EXPECT_EQ(CharAt(s, c.i), c.at) << c.i;
  }
}

TEST(WideCharacterRoutines, CountCharCountsNarrowCellsInTheHead) {
  EXPECT_EQ(CountChar(T("a,b,c"), ',', 3), 1);
  EXPECT_EQ(CountChar(T("a,b,c"), ',', 99), 2);
  EXPECT_EQ(CountChar(T("，,"), 0xFF0C, 3), 0) << "a wide character is no narrow cell";
}

TEST(WideCharacterRoutines, IncludeCharacterAtCharacterBoundaries) {
  struct Case {
    const char* ch;
    const char* set;
    bool found;
  };
  const Case cases[] = {
      {"、", "、。，．,.", true}, {",", "、。，．,.", true}, {"", "abc", false},
      {"あ", "a", false},         {"b", "abc", true},        {"x", "abc", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IncludeCharacter(T(c.ch), T(c.set)), c.found) << c.ch << " in " << c.set;
}

TEST(WideCharacterRoutines, LeadingSpaceWidth) {
  EXPECT_EQ(LeadingSpaceWidth(T("  \xE3\x80\x80x")), 4);
  EXPECT_EQ(LeadingSpaceWidth(T("\tx")), 0) << "a TAB stops the count";
  EXPECT_EQ(LeadingSpaceWidth(T("   ")), 3);
  EXPECT_EQ(LeadingSpaceWidth(T("")), -1);
}

TEST(SplitIntoLines, EveryLineBreakKind) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\rb\nc\r\n", {"a", "b", "c"}},
      {"", {}},
      {"\n", {""}},
      {"a\n\n", {"a", ""}},
      {"a\rb\r", {"a", "b"}},
      {"あ\r\nい", {"あ", "い"}},
      {"e\n\xCC\x81", {"e", "\xCC\x81"}},
  };
  for (const Case& c : cases) {
    TheStringList lines;
    lines.Add(T("old"));
    StrToStrings(T(c.text), lines);
    std::vector<std::string> got;
    for (int i = 0; i < lines.GetCount(); ++i) got.push_back(lines.Get(i).Utf8());
    EXPECT_EQ(got, c.lines) << c.text;
  }
}
