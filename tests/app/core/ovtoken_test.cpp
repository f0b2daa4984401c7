#include "app/core/ovtoken.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

namespace {

using Tokens = std::vector<std::pair<int, std::string>>;

Tokens AllTokens(std::string_view text) {
  Tokens out;
  std::string token;
  for (int kind; (kind = ExtractToken(text, token)) != tkNone;) out.emplace_back(kind, token);
  EXPECT_EQ(text, "");
  EXPECT_EQ(token, "");
  return out;
}

TEST(ExtractToken, CutsTextIntoKindsOfTokens) {
  const std::pair<const char*, Tokens> cases[] = {
      {"  SELECT *", {{tkWord, "SELECT"}, {tkDelimiter, "*"}}},
      {"a\r\nb", {{tkWord, "a"}, {tkDelimiter, "\r"}, {tkDelimiter, "\n"}, {tkWord, "b"}}},
      {"1.5", {{tkNumber, "1"}, {tkDelimiter, "."}, {tkNumber, "5"}}},
      {"12AB+X2", {{tkNumber, "12AB"}, {tkDelimiter, "+"}, {tkWord, "X2"}}},
      {"'it\\'s' x", {{tkQuoted, "'it\\'s'"}, {tkWord, "x"}}},
      {"\"unterminated text", {{tkQuoted, "\"unterminated text"}}},
      {"'a\"b'", {{tkQuoted, "'a\"b'"}}},
      {"''", {{tkQuoted, "''"}}},
      {"表名.列", {{tkWord, "表名"}, {tkDelimiter, "."}, {tkWord, "列"}}},
      {"T1\"X\"", {{tkWord, "T1"}, {tkQuoted, "\"X\""}}},
      {"A<>B", {{tkWord, "A"}, {tkDelimiter, "<"}, {tkDelimiter, ">"}, {tkWord, "B"}}},
      {"\t \t", {}},
      {"", {}},
  };
  for (const auto& [text, tokens] : cases) EXPECT_EQ(AllTokens(text), tokens) << text;
}

TEST(ExtractToken, EveryDelimiterIsATokenOfItsOwn) {
  const std::string delimiters = ".:;,+-<>/*%^=()[]|&~@#$\\`{}!?\n\r";
  for (char c : delimiters) {
    const std::string source = std::string(1, c) + "W";
    std::string_view text = source;
    std::string token;
    EXPECT_EQ(ExtractToken(text, token), tkDelimiter) << c;
    EXPECT_EQ(token, std::string(1, c));
    EXPECT_EQ(text, "W");
  }
}

TEST(ExtractToken, RemovesOnlyTheFirstTokenAndTheBlanksBeforeIt) {
  std::string_view text = " \tSELECT  *";
  std::string token = "old";
  EXPECT_EQ(ExtractToken(text, token), tkWord);
  EXPECT_EQ(token, "SELECT");
  EXPECT_EQ(text, "  *");
  std::string_view quoted = "'a\\'b' c";
  EXPECT_EQ(ExtractToken(quoted, token), tkQuoted);
  EXPECT_EQ(quoted, " c");
}

// A text cut token by token costs its length once: 1 MB took seconds when
// every token moved the rest of the text. The bound leaves a wide margin
// for a loaded machine; bench/token_bench gives the figure.
TEST(ExtractToken, CutsAMegabyteOfTextInLinearTime) {
  constexpr size_t kBytes = 1u << 20;
  constexpr auto kBound = std::chrono::seconds(1);
  const std::string_view unit = "SELECT A1, 'x' FROM T WHERE B = 12;\n";
  constexpr size_t kUnitTokens = 12;
  std::string source;
  while (source.size() + unit.size() <= kBytes) source += unit;
  std::string_view text = source;
  std::string token;
  size_t count = 0;
  const auto start = std::chrono::steady_clock::now();
  while (ExtractToken(text, token) != tkNone) ++count;
  EXPECT_LT(std::chrono::steady_clock::now() - start, kBound);
  EXPECT_EQ(count, source.size() / unit.size() * kUnitTokens);
}

TEST(StrCmpBegin, ComparesOverTheShorterLength) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"SEL", "SELECT", true}, {"SELECT", "SEL", true}, {"SELECT", "SELECT", true}, {"SELX", "SELECT", false},
      {"sel", "SELECT", false}, {"", "", true}, {"", "A", false}, {"A", "", false},
  };
  for (const auto& [a, b, result] : cases) EXPECT_EQ(StrCmpBegin(a, b), result) << a << "|" << b;
}

}  // namespace
