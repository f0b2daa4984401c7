#include "app/core/ovtoken.h"

#include <algorithm>
#include <string_view>

namespace {

// The 33 delimiters: blank . : ; , + - < > / * % ^ = ( ) [ ] | & ~ @ # $ \ ` { } ! ? LF CR TAB
constexpr std::string_view kDelimiters = " .:;,+-<>/*%^=()[]|&~@#$\\`{}!?\n\r\t";

bool IsDelimiter(char c) { return kDelimiters.find(c) != std::string_view::npos; }
bool IsQuote(char c) { return c == '"' || c == '\''; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int ExtractToken(std::string_view& text, std::string& token) {
  token.clear();
  size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
  if (start == text.size()) {
    text = {};
    return tkNone;
  }
  const char c = text[start];
  size_t end = start + 1;
  int kind;
  if (IsDelimiter(c)) {
    kind = tkDelimiter;
  } else if (IsQuote(c)) {
    kind = tkQuoted;
    // The closing quote is the next one not directly after a backslash.
    while (end < text.size() && !(text[end] == c && text[end - 1] != '\\')) ++end;
    if (end < text.size()) ++end;
  } else {
    kind = IsDigit(c) ? tkNumber : tkWord;
    while (end < text.size() && !IsDelimiter(text[end]) && !IsQuote(text[end])) ++end;
  }
  token = text.substr(start, end - start);
  text.remove_prefix(end);
  return kind;
}

bool StrCmpBegin(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return a.empty() && b.empty();
  const size_t n = std::min(a.size(), b.size());
  return a.compare(0, n, b, 0, n) == 0;
}
