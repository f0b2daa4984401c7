#include "editor/core/heSearch.h"

#include <gtest/gtest.h>

namespace {

constexpr TSearchOptions kDownBlind = sfDown;
constexpr TSearchOptions kFold = sfDown | sfFoldWidth;

struct TSearchCase {
  const char* Name;
  TSearchOptions Options;
  const char* Pattern;
  const char* Text;
  int SelStart;  // -1: the end of the text
  int SelLength;
  bool Found;
  int Start;
  int Length;
};

const TSearchCase kCases[] = {
    {"case blind finds capitals", kDownBlind, "select", "x Select SELECT", 0, 0, true, 2, 6},
    {"case blind from the selection's end", kDownBlind, "select", "x Select SELECT", 2, 6, true, 9, 6},
    {"match case", sfDown | sfMatchCase, "SELECT", "select Select SELECT", 0, 0, true, 14, 6},
    {"match case misses", sfDown | sfMatchCase, "SELECT", "select", 0, 0, false, 0, 0},
    {"half-width finds full-width", kFold, "ab", "xＡＢ", 0, 0, true, 1, 4},
    {"full-width finds half-width", kFold, "ＡＢ", "ab", 0, 0, true, 0, 2},
    {"voiced pair finds the voiced kana", kFold, "ｶﾞ", "xガ", 0, 0, true, 1, 2},
    {"voiced kana finds the pair", kFold, "ガ", "xｶﾞy", 0, 0, true, 1, 2},
    {"half-voiced pair", kFold, "ﾊﾟ", "パ", 0, 0, true, 0, 2},
    {"vu", kFold, "ｳﾞ", "ヴ", 0, 0, true, 0, 2},
    {"middle dot to the full stop", kFold, "･", "．", 0, 0, true, 0, 2},
    {"double quote", kFold, "\"", "”", 0, 0, true, 0, 1},
    {"quote", kFold, "'", "’", 0, 0, true, 0, 1},
    {"backslash to the yen sign", kFold, "\\", "￥", 0, 0, true, 0, 2},
    {"tilde to the overline", kFold, "~", "￣", 0, 0, true, 0, 2},
    {"blank to the wide blank", kFold, "a b", "ａ　ｂ", 0, 0, true, 0, 6},
    {"voicing marks alone", kFold, "ﾞﾟ", "゛゜", 0, 0, true, 0, 4},
    {"fold keeps case with match case", sfDown | sfFoldWidth | sfMatchCase, "a", "ＡａA", 0, 0, true, 2, 2},
    {"full-width Latin case", kDownBlind, "ａｂ", "ＡＢ", 0, 0, true, 0, 4},
    {"Greek case", kDownBlind, "ΑΩ", "αω", 0, 0, true, 0, 2},
    {"Cyrillic case", kDownBlind, "ЖЁ", "жё", 0, 0, true, 0, 2},
    {"roman numeral case", kDownBlind, "Ⅳ", "ⅳ", 0, 0, true, 0, 1},
    {"full-width case kept with match case", sfDown | sfMatchCase, "ａ", "Ａ", 0, 0, false, 0, 0},
    {"a trail cell never starts a match", sfDown, "漢", "X漢", 2, 0, false, 0, 0},
    {"a trail cell never starts a match upward", 0, "漢", "漢漢", 3, 0, true, 0, 2},
    {"whole word", sfDown | sfWholeWord, "ID", "WHERE ID = 1", 0, 0, true, 6, 2},
    {"whole word inside a word", sfDown | sfWholeWord, "ID", "USERID", 0, 0, false, 0, 0},
    {"whole word upward at the end", sfWholeWord, "ID", "USERID", -1, 0, false, 0, 0},
    {"whole word upward", sfWholeWord, "ID", "ID USERID", -1, 0, true, 0, 2},
    {"underscore parts a word", sfDown | sfWholeWord, "ID", "USER_ID", 0, 0, true, 5, 2},
    {"over a line break", sfDown | sfSkipLineBreaks, "AB", "xA\r\nBy", 0, 0, true, 1, 4},
    {"no skip over a line break", sfDown, "AB", "xA\r\nBy", 0, 0, false, 0, 0},
    {"over a wide blank", sfDown | sfSkipBlanks, "AB", "A　B", 0, 0, true, 0, 4},
    {"over a tab and blanks", sfDown | sfSkipBlanks, "AB", "A\t B", 0, 0, true, 0, 4},
    {"upward finds the last", 0, "ab", "ab ab ab", -1, 0, true, 6, 2},
    {"upward before the selection", 0, "ab", "ab ab ab", 6, 2, true, 3, 2},
    {"selection longer than the pattern at the end", sfDown, "b", "abcab", 3, 2, false, 0, 0},
    {"right at the end", sfDown, "ab", "abcab", 0, 3, true, 3, 2},
    {"selection outside the buffer", sfDown, "a", "abc", 4, 0, false, 0, 0},
    {"empty pattern", sfDown, "", "abc", 0, 0, false, 0, 0},
    {"exact: from the selection's end", sfDown | sfMatchCase, "aa", "aaaaa", 0, 2, true, 2, 2},
    {"exact: at the very end", sfDown | sfMatchCase, "ab", "abcab", 1, 0, true, 3, 2},
    {"exact: past the last fit", sfDown | sfMatchCase, "ab", "abcab", 4, 0, false, 0, 0},
    {"exact: a wide pattern in one-byte text", sfDown | sfMatchCase, "漢", "abc", 0, 0, false, 0, 0},
    {"exact: cells, not bytes, after a wide character", sfDown | sfMatchCase, "ab", "漢xab", 0, 0, true, 3, 2},
};

TEST(SearchEngine, Table) {
  for (const TSearchCase& c : kCases) {
    SCOPED_TRACE(c.Name);
    const TCellString text = TCellString::FromUtf8(c.Text);
    TSearchSelection sel{c.SelStart < 0 ? text.Length() : c.SelStart, c.SelLength};
    const bool found = SearchText(text, sel, TCellString::FromUtf8(c.Pattern), c.Options);
    EXPECT_EQ(found, c.Found);
    if (found && c.Found) {
      EXPECT_EQ(sel.Start, c.Start);
      EXPECT_EQ(sel.Length, c.Length);
    }
  }
}

TEST(SearchEngine, FoldWidthOfAPattern) {
  EXPECT_EQ(FoldWidth(TCellString::FromUtf8("ｶﾞA b漢ﾊﾟｶﾟ")).Utf8(), "ガＡ　ｂ漢パキ");
}

TEST(SearchEngine, NothingFoundLeavesTheSelection) {
  TSearchSelection sel{1, 2};
  EXPECT_FALSE(SearchText(TCellString::FromUtf8("abc"), sel, TCellString::FromUtf8("z"), sfDown));
  EXPECT_EQ(sel.Start, 1);
  EXPECT_EQ(sel.Length, 2);
}

}  // namespace
