#include <gtest/gtest.h>

#include <string>

#include "app/core/ovformat.h"
#include "app/core/ovoptions.h"

namespace {

TEST(FormatSQLBlock, FollowsItsStepsThenFormats) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"blank text unchanged", " \r\n\t ", " \r\n\t "},
      // The quoted text shows the replacement: the formatter copies it as it stands.
      {"exact BEGIN triggers, any case replaced", "P BEGIN X; 'a begin b'",
       "P\r\nBEGIN\r\n    X;\r\n    'a\r\nBEGIN\r\nb'\r\n"},
      {"lower-case begin alone does not trigger", "SELECT 'a begin b' FROM T", "SELECT 'a begin b'\r\n  FROM T"},
      {"only the first COMMENT gets its line break", "T comment 'a' COMMENT 'b'", "T\r\nCOMMENT 'a' COMMENT 'b'\r\n"},
      {"semicolons end lines", "a;b;", "A;\r\nB;\r\n"},
      {"END and two blanks, any case", "X END  'end  y'", "X\r\nEND\r\n'END\r\ny'\r\n"},
      {"lines trimmed, also inside quoted texts", "  'a  \r\n   b'  ", "'a\r\nb'\r\n"},
  };
  FormatOption = TFormatOption{.Indent = 4};
  for (const Case& c : cases) {
    std::string text = c.text;
    FormatSQLBlock(text);
    EXPECT_EQ(text, c.expected) << c.name;
  }
  FormatOption = {};
}

}  // namespace
