#include "editor/core/DAziverAttr.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWrap = 20;
constexpr int kTab = 4;

struct TAttrCase {
  const char* name;
  std::string text;
  int wrapByte;
  std::string attr;
};

}  // namespace

TEST(RowAttrText, OneCharacterPerColumn) {
  const std::string wideLine(6000, 'x');
  const std::vector<TAttrCase> cases = {
      {"letters, digits and _ are no delimiters", "a1_", 0, "111"},
      {"punctuation and blanks are", " (.;", 0, "2222"},
      {"a wide character is a lead and a trail", "あa", 0, "451"},
      {"half-width punctuation is a delimiter, half-width katakana not", "｡ｱ", 0, "21"},
      {"a TAB runs to the next stop", "a\tb", 0, "1233" "1"},
      {"a TAB on a stop fills a whole stop", "abcd\t", 0, "1111" "2333"},
      {"soft wrap: the fill stops at the row's end",
       std::string(kWrap - 2, 'a') + "\tb", kWrap, std::string(kWrap - 2, '1') + "23" "1"},
  };
  TRowAttrSettings settings;
  settings.TabSpaceCount = kTab;
  for (const TAttrCase& c : cases) {
    settings.WrapByte = c.wrapByte;
    EXPECT_EQ(RowAttrText(TCellString::FromUtf8(c.text), settings), c.attr) << c.name;
  }
  settings.WrapByte = 0;
  const TCellString wide = TCellString::FromUtf8(wideLine + wideLine);
  EXPECT_EQ(RowAttrText(wide, settings).size(), 10000U) << "cut at 10000 columns";
  settings.WrapByte = kWrap;
  EXPECT_EQ(RowAttrText(wide, settings).size(), static_cast<size_t>(kWrap + 3)) << "with soft wrap just past the row";
  EXPECT_EQ(RowAttrText(wide, settings, 11990).size(), 10U) << "from a cell on";
  settings.WrapByte = 0;
  EXPECT_EQ(TextWidth(TCellString::FromUtf8("a\tあ"), settings), 6);

  TDelimiters onlyComma;
  onlyComma.set(',');
  settings.Delimiters = &onlyComma;
  EXPECT_EQ(RowAttrText(TCellString::FromUtf8("a,b c"), settings), "12111");
}

TEST(AttributeArray, WalksColumnsAndCountsCells) {
  const TCellString text = TCellString::FromUtf8("a\tあb");
  TRowAttrSettings settings;
  settings.TabSpaceCount = kTab;
  const std::string attr = RowAttrText(text, settings);
  ASSERT_EQ(attr, "1233" "45" "1");
  TEditorAttributeArray cursor;
  cursor.Reset(text, attr);
  EXPECT_EQ(cursor.Position(), 1);
  EXPECT_EQ(cursor.Current(), U'a');
  EXPECT_EQ(cursor.Columns(), 7);
  cursor.MoveTo(4);
  EXPECT_EQ(cursor.Attr(), kAttrTabFill);
  EXPECT_EQ(cursor.ByteCount(), 2) << "tab fill holds no cell";
  EXPECT_EQ(cursor.Current(), U'\t');
  EXPECT_EQ(cursor.PeekNext(), U'あ');
  EXPECT_EQ(cursor.Position(), 4);
  cursor.MoveTo(6);
  EXPECT_EQ(cursor.ByteCount(), 4);
  cursor.PrevChar();
  EXPECT_EQ(cursor.Position(), 4) << "one whole wide character back";
  EXPECT_EQ(cursor.ByteCount(), 2);
  cursor.MoveTo(100);
  EXPECT_EQ(cursor.Attr(), kAttrEnd);
  EXPECT_EQ(cursor.Current(), 0U);
  EXPECT_EQ(cursor.PeekNext(), 0U);
  EXPECT_EQ(cursor.Position(), 8);
  cursor.MoveTo(0);
  EXPECT_EQ(cursor.Position(), 1);
  EXPECT_EQ(cursor.ByteCount(), 1);
}
