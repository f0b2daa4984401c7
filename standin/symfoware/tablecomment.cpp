#include "standin/symfoware/tablecomment.h"

#include <cctype>
#include <regex>

namespace symfoware {

namespace {

constexpr char kQuote = '\'';
constexpr char kNameQuote = '"';
constexpr const char* kKeyword = "COMMENT";

bool WordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The end of the quoted text that starts at `at` (one past its closing
// quote, doubled quotes inside); the text's value into `value`.
size_t QuotedEnd(const std::string& sql, size_t at, char quote, std::string* value) {
  for (size_t i = at + 1; i < sql.size(); ++i) {
    if (sql[i] != quote) {
      if (value) *value += sql[i];
      continue;
    }
    if (i + 1 < sql.size() && sql[i + 1] == quote) {
      if (value) *value += quote;
      ++i;
      continue;
    }
    return i + 1;
  }
  return sql.size();
}

bool KeywordAt(const std::string& sql, size_t at) {
  const std::string keyword = kKeyword;
  if (at > 0 && WordChar(sql[at - 1])) return false;
  if (sql.size() < at + keyword.size()) return false;
  for (size_t k = 0; k < keyword.size(); ++k)
    if (std::toupper(static_cast<unsigned char>(sql[at + k])) != keyword[k]) return false;
  return at + keyword.size() == sql.size() || !WordChar(sql[at + keyword.size()]);
}

// The column a definition names: its first word, unquoted.
std::string ColumnOf(const std::string& definition) {
  size_t at = definition.find_first_not_of(" \t\r\n");
  if (at == std::string::npos) return {};
  if (definition[at] == kNameQuote) {
    std::string name;
    QuotedEnd(definition, at, kNameQuote, &name);
    return name;
  }
  const size_t end = definition.find_first_of(" \t\r\n", at);
  return definition.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

}  // namespace

std::optional<TableComments> TakeTableComments(const std::string& sql) {
  static const std::regex kCreateTable(R"(^\s*CREATE\s+TABLE\s)", std::regex::icase);
  if (!std::regex_search(sql, kCreateTable)) return std::nullopt;
  TableComments out;
  bool found = false;
  int depth = 0;
  size_t segment = 0;  // where the current column definition starts in `out.sql`
  for (size_t i = 0; i < sql.size();) {
    const char c = sql[i];
    if (c == kQuote || c == kNameQuote) {
      const size_t end = QuotedEnd(sql, i, c, nullptr);
      out.sql += sql.substr(i, end - i);
      i = end;
      continue;
    }
    if (KeywordAt(sql, i)) {
      size_t literal = sql.find_first_not_of(" \t\r\n", i + std::string(kKeyword).size());
      if (literal != std::string::npos && sql[literal] == kQuote) {
        std::string value;
        i = QuotedEnd(sql, literal, kQuote, &value);
        if (depth == 1) out.columns.emplace_back(ColumnOf(out.sql.substr(segment)), value);
        if (depth == 0) out.table = value;
        found = true;
        continue;
      }
    }
    if (c == '(' && ++depth == 1) segment = out.sql.size() + 1;
    if (c == ')') --depth;
    if (c == ',' && depth == 1) segment = out.sql.size() + 1;
    out.sql += c;
    ++i;
  }
  if (!found) return std::nullopt;
  return out;
}

}  // namespace symfoware
