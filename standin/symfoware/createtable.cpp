#include "standin/symfoware/createtable.h"

#include <cctype>
#include <regex>

#include "platform/sqlbackend.h"
#include "standin/symfoware/sqlite.h"

namespace symfoware {

namespace {

constexpr char kQuote = '\'';
constexpr char kNameQuote = '"';
constexpr const char* kKeyword = "COMMENT";
constexpr const char* kBadTemporary = "一時表の定義が正しくありません";

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

bool StartsWithCreate(const std::string& sql) { return StartsWithWord(sql, "CREATE"); }

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

bool StartsWithWord(const std::string& sql, const std::string& word) {
  const size_t at = sql.find_first_not_of(" \t\r\n");
  if (at == std::string::npos || sql.size() < at + word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (std::toupper(static_cast<unsigned char>(sql[at + k])) != word[k]) return false;
  return true;
}

namespace {

// The COMMENT clauses of `sql` taken out: inside the first parentheses a
// column's, outside them the object's. With `stopAtAs` the scan ends at the
// first AS outside parentheses (a view's query keeps its words).
TableComments ScanComments(const std::string& sql, bool stopAtAs, bool& found) {
  static const std::regex kAs(R"(^AS\b)", std::regex::icase);
  TableComments out;
  found = false;
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
    if (stopAtAs && depth == 0 && (i == 0 || !WordChar(sql[i - 1])) &&
        std::regex_search(sql.begin() + static_cast<std::ptrdiff_t>(i), sql.end(), kAs,
                          std::regex_constants::match_continuous)) {
      out.sql += sql.substr(i);
      break;
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
  return out;
}

}  // namespace

std::optional<TableComments> TakeTableComments(const std::string& sql) {
  static const std::regex kCreateTable(R"(^\s*CREATE\s+(GLOBAL\s+TEMPORARY\s+)?TABLE\s)", std::regex::icase);
  if (!StartsWithCreate(sql) || !std::regex_search(sql, kCreateTable)) return std::nullopt;
  bool found = false;
  TableComments out = ScanComments(sql, false, found);
  if (!found) return std::nullopt;
  return out;
}

std::optional<ViewClauses> TakeViewClauses(const std::string& sql) {
  static const std::regex kCreateView(R"(^\s*CREATE\s+VIEW\s)", std::regex::icase);
  static const std::regex kCheckOption(R"(\s+WITH\s+CHECK\s+OPTION\s*;?\s*$)", std::regex::icase);
  if (!StartsWithCreate(sql) || !std::regex_search(sql, kCreateView)) return std::nullopt;
  bool found = false;
  ViewClauses out;
  out.comments = ScanComments(sql, true, found);
  std::smatch check;
  if (std::regex_search(out.comments.sql, check, kCheckOption)) {
    out.checkOption = true;
    out.comments.sql.erase(static_cast<size_t>(check.position(0)));
  }
  out.sql = out.comments.sql;
  return out;
}

std::optional<TemporaryTable> TakeTemporaryClauses(const std::string& sql) {
  static const std::regex kHead(R"(^\s*CREATE\s+GLOBAL\s+TEMPORARY\s+TABLE\s)", std::regex::icase);
  static const std::regex kRest(R"(^\s*ON\s+COMMIT\s+(PRESERVE|DELETE)\s+ROWS(?:\s+ON\s+(.*?))?\s*;?\s*$)",
                                std::regex::icase);
  static const std::regex kSpace(R"(^\s*("(?:[^"]|"")+"|\S+)\s+(\d+)\s*$)");
  std::smatch head;
  if (!StartsWithCreate(sql) || !std::regex_search(sql, head, kHead)) return std::nullopt;
  // The column list ends at the parenthesis that closes the first one.
  int depth = 0;
  size_t close = std::string::npos;
  for (size_t i = static_cast<size_t>(head.length(0)); i < sql.size() && close == std::string::npos;) {
    if (sql[i] == kQuote || sql[i] == kNameQuote) {
      i = QuotedEnd(sql, i, sql[i], nullptr);
      continue;
    }
    if (sql[i] == '(') ++depth;
    if (sql[i] == ')' && --depth == 0) close = i;
    ++i;
  }
  const std::string rest = close == std::string::npos ? std::string() : sql.substr(close + 1);
  std::smatch m;
  if (close == std::string::npos || !std::regex_match(rest, m, kRest))
    throw platform::SqlError(StandinMessage(kBadTemporary));
  TemporaryTable out;
  out.sql = "CREATE TABLE " + sql.substr(static_cast<size_t>(head.length(0)), close + 1 - head.length(0));
  out.preserveRows = std::toupper(static_cast<unsigned char>(m.str(1).front())) == 'P';
  std::string list = m.str(2);
  // "ON DEFAULT DBSPACE n": the server's default space, named by none.
  static const std::regex kDefaultSpace(R"(^\s*DEFAULT\s+DBSPACE\s+\d+\s*$)", std::regex::icase);
  if (std::regex_match(list, kDefaultSpace)) list.clear();
  for (size_t at = 0; at < list.size();) {
    const size_t comma = list.find(',', at);
    const std::string item = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    std::smatch space;
    if (!std::regex_match(item, space, kSpace))
      throw platform::SqlError(StandinMessage(kBadTemporary));
    std::string name = space.str(1);
    if (name.front() == kNameQuote) {
      std::string unquoted;
      QuotedEnd(name, 0, kNameQuote, &unquoted);
      name = unquoted;
    }
    out.spaces.emplace_back(name, space.str(2));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return out;
}

}  // namespace symfoware
