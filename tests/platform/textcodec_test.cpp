#include "platform/textcodec.h"

#include <gtest/gtest.h>

// ASCII is passed eight bytes at a time: the cases put what decides the
// answer before, inside and after such runs.
TEST(TextCodec, Utf8StaysAndOtherBytesAreCp932) {
  const std::string ascii(19, 'a');
  const std::string kanji = "\xE6\x97\xA5";       // 日 in UTF-8
  const std::string sjisKanji = "\x93\xFA";       // 日 in CP932
  struct Case {
    std::string in;
    std::string out;
  } const cases[] = {
      {"", ""},
      {ascii, ascii},
      {ascii + kanji + ascii, ascii + kanji + ascii},
      {kanji + ascii, kanji + ascii},
      {ascii + sjisKanji + ascii, ascii + kanji + ascii},
      {ascii + ascii + sjisKanji, ascii + ascii + kanji},
      {std::string(8, 'b') + "\x82\xA0", std::string(8, 'b') + "\xE3\x81\x82"},  // あ
  };
  for (const Case& c : cases) EXPECT_EQ(platform::DecodeUtf8OrCp932(c.in), c.out) << c.in.size();
}
