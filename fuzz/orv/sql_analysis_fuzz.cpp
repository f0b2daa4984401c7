// The statement analyser and the comment stripper over any text: both
// modes end, raise nothing but the parse error, and store only trimmed,
// non-empty words and names.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/zarursql.h"

namespace {

bool Trimmed(const std::string& text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  return !text.empty() && !blank(text.front()) && !blank(text.back());
}

void CheckWords(const std::vector<std::string>& words) {
  for (const std::string& w : words)
    if (!Trimmed(w)) std::abort();
}

void CheckNames(const TovParseList& list) {
  for (int i = 0; i < list.Count(); ++i)
    if (!Trimmed(list.GetName(i))) std::abort();
}

void Analyze(const std::string& sql, const std::string& message) {
  TovSQLParts parts;
  try {
    const int kind = AnalyzeSQL(sql, parts, message);
    if (kind < sqlKindNone || kind > sqlKindCreateView) std::abort();
  } catch (const ESQLParseError& e) {
    if (e.what() != message) std::abort();
  }
  CheckNames(parts.Tables);
  CheckNames(parts.OrderItems);
  CheckWords(parts.WhereWords);
  CheckWords(parts.GroupItems);
  CheckWords(parts.HavingWords);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  for (size_t start = 0;;) {
    const size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  for (const bool cut : {false, true}) {
    std::vector<std::string> stripped = lines;
    StripSQLComments(stripped, cut);
    if (stripped.size() > lines.size()) std::abort();
  }
  Analyze(text, "SQL");
  Analyze(text, "");
  return 0;
}
