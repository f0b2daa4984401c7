#include "editor/core/heCells.h"

#include <gtest/gtest.h>

namespace {

// Cell types as a string: S single, L lead, T trail.
std::string Types(const TCellString& s) {
  std::string out;
  for (int i = 0; i < s.Length(); ++i) out += "SLT"[static_cast<int>(s.Cell(i).Type)];
  return out;
}

}  // namespace

TEST(CellModel, TextToCells) {
  struct Case {
    const char* name;
    std::string text;
    std::string types;
    std::vector<char32_t> codes;  // per cell
  };
  const Case cases[] = {
      {"ascii", "ab1", "SSS", {'a', 'b', '1'}},
      {"wide characters", "あ漢", "LTLT", {0x3042, 0x3042, 0x6F22, 0x6F22}},
      {"half-width katakana", "ｱｲ", "SS", {0xFF71, 0xFF72}},
      {"combining mark rides in the cell before", "e\xCC\x81x", "SS", {'e', 'x'}},
      {"combining mark after a line break", "e\n\xCC\x81", "SSS", {'e', '\n', 0x301}},
      {"combining mark at the start", "\xCC\x81" "a", "SS", {0x301, 'a'}},
      {"full-width space", "\xE3\x80\x80", "LT", {0x3000, 0x3000}},
      {"invalid bytes", "a\xFF\xC3", "SSS", {'a', kInvalidByteCode + 0xFF, kInvalidByteCode + 0xC3}},
      {"overlong form is invalid", "\xC0\xAF", "SS", {kInvalidByteCode + 0xC0, kInvalidByteCode + 0xAF}},
      {"emoji", "\xF0\x9F\x98\x80", "LT", {0x1F600, 0x1F600}},
  };
  for (const Case& c : cases) {
    const TCellString s = TCellString::FromUtf8(c.text);
    EXPECT_EQ(Types(s), c.types) << c.name;
    std::vector<char32_t> codes;
    for (int i = 0; i < s.Length(); ++i) codes.push_back(s.Cell(i).Code);
    EXPECT_EQ(codes, c.codes) << c.name;
    EXPECT_EQ(s.Utf8(), c.text) << c.name << ": the bytes come out unchanged";
  }
}

TEST(CellModel, ByteOffsetsRoundTrip) {
  // a | あ (3 bytes) | e + combining acute (3 bytes) | invalid | 😀 (4 bytes)
  const TCellString s = TCellString::FromUtf8("a\xE3\x81\x82" "e\xCC\x81\xFF\xF0\x9F\x98\x80");
  ASSERT_EQ(s.Length(), 7);
  const size_t offsets[] = {0, 1, 4, 4, 7, 8, 12, 12};
  for (int cell = 0; cell <= s.Length(); ++cell) {
    EXPECT_EQ(s.ByteOffset(cell), offsets[cell]) << cell;
  }
  struct Back {
    size_t byte;
    int cell;
  };
  const Back back[] = {{0, 0}, {1, 1}, {2, 1}, {4, 3}, {5, 3}, {7, 4}, {8, 5}, {11, 5}, {12, 7}};
  for (const Back& b : back) EXPECT_EQ(s.CellOf(b.byte), b.cell) << b.byte;
  for (int cell : {0, 1, 3, 4, 5, 7}) EXPECT_EQ(s.CellOf(s.ByteOffset(cell)), cell) << cell;
}

TEST(CellModel, CutsKeepCharactersWhole) {
  const TCellString s = TCellString::FromUtf8("aあe\xCC\x81" "b");
  EXPECT_EQ(s.Mid(1, 2).Utf8(), "あ");
  EXPECT_EQ(s.Mid(2, 2).Utf8(), "e\xCC\x81") << "a cut at a trail cell starts after the character";
  EXPECT_EQ(s.Mid(3, 1).Utf8(), "e\xCC\x81") << "the mark stays with its character";
  EXPECT_EQ(s.Mid(4, 10).Utf8(), "b");
  EXPECT_EQ((TCellString::FromUtf8("e") + TCellString::FromUtf8("\xCC\x81")).Length(), 1);
  EXPECT_EQ(s.CodeAt(-1), 0U);
  EXPECT_EQ(s.CodeAt(s.Length()), 0U);
}

TEST(CellModel, AsciiAndWideTextsJoinAndCut) {
  const TCellString ascii = TCellString::FromUtf8("ab");
  const TCellString wide = TCellString::FromUtf8("あc");
  const TCellString joined = ascii + wide;
  EXPECT_EQ(joined.Utf8(), "abあc");
  EXPECT_EQ(joined.Length(), 5);
  EXPECT_EQ(joined.TypeAt(2), TCellType::Lead);
  EXPECT_EQ(joined.ByteOffset(4), 5U);
  EXPECT_EQ(joined.CellOf(5), 4);
  EXPECT_EQ((wide + ascii).ByteOffset(3), 4U);
  EXPECT_EQ((wide + ascii).CodeAt(4), U'b');
  EXPECT_EQ(joined.Mid(0, 2).Utf8(), "ab");
  EXPECT_EQ(joined.Mid(3, 2).Utf8(), "c") << "the cut starts after the wide character";
  EXPECT_EQ(ascii.CellOf(1), 1);
  EXPECT_EQ(ascii.ByteOffset(2), 2U);
  EXPECT_EQ((TCellString() + wide).Utf8(), "あc");
  EXPECT_EQ((TCellString() + wide).Length(), 3);
}

// A plain ASCII text taking non-ASCII text on (a soft-wrapped row joined
// with the next) holds the same cells as the joined text read afresh.
TEST(CellModel, AsciiJoinedWithWideTextEqualsTheJoinedTextReadAfresh) {
  for (const size_t asciiLength : {1U, 2U, 63U, 4096U}) {
    std::string ascii;
    for (size_t i = 0; i < asciiLength; ++i) ascii += static_cast<char>('a' + i % 26);
    const std::string wide = "漢字\tx";
    const TCellString joined = TCellString::FromUtf8(ascii) + TCellString::FromUtf8(wide);
    const TCellString fresh = TCellString::FromUtf8(ascii + wide);
    ASSERT_EQ(joined.Length(), fresh.Length());
    int differing = 0;
    for (int i = 0; i < fresh.Length(); ++i) {
      const bool same = joined.Cell(i).Code == fresh.Cell(i).Code && joined.Cell(i).Type == fresh.Cell(i).Type &&
                        joined.ByteOffset(i) == fresh.ByteOffset(i);
      differing += same ? 0 : 1;
    }
    EXPECT_EQ(differing, 0) << asciiLength;
  }
}
