// Every client message of the table carries its SQLCODE in its number,
// and each text is listed once.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "zk_codes.h"

namespace {

constexpr char kPrefix[] = "KFPA1";
constexpr size_t kPrefixLength = sizeof(kPrefix) - 1;
constexpr size_t kDigits = 4;
constexpr int32_t kLongCodes = 1000;  // KFPA19nnn: -1nnn
constexpr char kCompleted[] = "2000";
constexpr char kNoRows[] = "2100";
constexpr int32_t kNoRowsCode = 100;

// The SQLCODE a message number stands for: KFPA11nnn -nnn, KFPA19nnn
// -1nnn, KFPA12000 0, KFPA12100 100.
bool sqlcode_of(const std::string& text, int32_t* sqlcode) {
  if (text.compare(0, kPrefixLength, kPrefix) != 0) return false;
  const std::string digits = text.substr(kPrefixLength, kDigits);
  if (digits.size() != kDigits || digits.find_first_not_of("0123456789") != std::string::npos) return false;
  const int32_t rest = std::stoi(digits.substr(1));
  switch (digits[0]) {
    case '1': *sqlcode = -rest; return true;
    case '9': *sqlcode = -(kLongCodes + rest); return true;
    case '2':
      if (digits == kCompleted) {
        *sqlcode = 0;
      } else if (digits == kNoRows) {
        *sqlcode = kNoRowsCode;
      } else {
        return false;
      }
      return true;
    default: return false;
  }
}

TEST(MessageTable, EveryNumberCarriesItsSqlcode) {
  std::set<std::string> seen;
  for (const clt_message& row : CLT_MESSAGES) {
    const std::string text = row.text;
    int32_t expected = 1;
    ASSERT_TRUE(sqlcode_of(text, &expected)) << text;
    EXPECT_EQ(row.sqlcode, expected) << text;
    // Errors are "-E", the completion and no-rows messages "-I".
    const std::string severity = text.substr(kPrefixLength + kDigits, 2);
    EXPECT_EQ(severity, row.sqlcode < 0 ? "-E" : "-I") << text;
    EXPECT_TRUE(seen.insert(text).second) << "listed twice: " << text;
  }
}

TEST(MessageTable, TheNumberRuleReadsEachForm) {
  struct row {
    const char* text;
    bool valid;
    int32_t sqlcode;
  };
  for (const row& t : {row{"KFPA11725-E x", true, -725}, row{"KFPA19700-E x", true, -1700},
                       row{"KFPA12000-I x", true, 0}, row{"KFPA12100-I x", true, 100},
                       row{"KFPA12001-I x", false, 0}, row{"KFPZ02444-E x", false, 0},
                       row{"KFPA1-E", false, 0}}) {
    int32_t sqlcode = 0;
    EXPECT_EQ(sqlcode_of(t.text, &sqlcode), t.valid) << t.text;
    if (t.valid) {
      EXPECT_EQ(sqlcode, t.sqlcode) << t.text;
    }
  }
}

}  // namespace
