// The identifier check of extended names: upper-casing and acceptance
// under each of the three code-set choices.
#include <gtest/gtest.h>

#include <string>

#include "clt_chk_identifier.h"

namespace {

struct id_case {
  const char* codeset;
  std::string name;
  int32_t result;
  std::string normalised;
};

TEST(Identifier, AcceptsAndUpperCasesByTheClientCodeSet) {
  const id_case cases[] = {
      // single-byte: letters, digits and the marks; high bytes are invalid
      {"5u", "abc", 0, "ABC"},
      {"5u", "a_1-@#\\", 0, "A_1-@#\\"},
      {"\0\0", "@x", 0, "@X"},
      {"5u", "1abc", -1, "1ABC"},
      {"5u", "_x", -1, "_X"},
      {"5u", "-x", -1, "-X"},
      {"5u", " x", -1, " X"},
      {"5u", "a b", -1, "A B"},
      {"5u", "a.b", -1, "A.B"},
      {"5u", "\"ab\"", -1, "\"ab\""},  // quoted: kept as written, and never regular
      {"5u", "\"ab", -1, "\"AB"},
      {"5u", "\xB1x", -1, "\xB1X"},
      {"5u", "a\x82\xA0", -1, "A\x82\xA0"},
      // Shift-JIS: katakana, two-byte characters whose second byte is not upper-cased
      {"1j", "\xB1\xB2", 0, "\xB1\xB2"},
      {"1j", "\x82\x61x", 0, "\x82\x61X"},  // second byte 0x61 stays
      {"1j", "a\xE0\x7A", 0, "A\xE0\x7A"},
      {"1j", "\x82", -1, "\x82"},            // lead byte without its second byte
      {"1j", "\x8E\x41", 0, "\x8E\x41"},
      {"1j", "\xA0", 0, "\xA0"},
      {"1j", "\xFF", -1, "\xFF"},
      // EUC: every high byte pairs; the single shift starts a name too
      {"3j", "\xA4\x61z", 0, "\xA4\x61Z"},
      {"2j", "\x8E\xB1", 0, "\x8E\xB1"},
      {"3j", "\xB1", -1, "\xB1"},
      {"3j", "x\xA4", -1, "X\xA4"},
      {"3j", "9\xA4\xA4", -1, "9\xA4\xA4"},
  };
  for (const id_case& c : cases) {
    std::string text = c.name;
    EXPECT_EQ(clt_chk_identifier(c.codeset, text.data(), static_cast<int32_t>(text.size())), c.result)
        << c.codeset << " " << c.name;
    EXPECT_EQ(text, c.normalised) << c.codeset << " " << c.name;
  }
}

TEST(Identifier, EmptyNameIsRefusedWithoutReadingIt) {
  char text[1] = {'a'};
  EXPECT_EQ(clt_chk_identifier("5u", text, 0), -1);
  EXPECT_EQ(clt_chk_identifier("5u", text, -3), -1);
  EXPECT_EQ(text[0], 'a');
}

}  // namespace
