#include "objedit/core/fconstcore.h"

#include <algorithm>

#include "app/core/zarur.h"

namespace {

constexpr const char* kUniqueHead = "    UNIQUE(";
constexpr const char* kCreateTable = "CREATE TABLE ";
constexpr const char* kFrom = "FROM ";
constexpr const char* kListEnd = ")";

bool StartsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

// The ")" that closes the CREATE TABLE's list: the first after that line.
std::optional<size_t> ListEnd(const std::vector<std::string>& script) {
  const auto create =
      std::find_if(script.begin(), script.end(), [](const std::string& line) { return StartsWith(line, kCreateTable); });
  if (create == script.end()) return std::nullopt;
  const auto end = std::find(create, script.end(), kListEnd);
  if (end == script.end()) return std::nullopt;
  return static_cast<size_t>(end - script.begin());
}

void DropTrailingComma(std::string& line) {
  if (!line.empty() && line.back() == ',') line.pop_back();
}

}  // namespace

std::string UniqueLine(const std::vector<std::string>& columns) {
  std::string line = kUniqueHead;
  for (size_t i = 0; i < columns.size(); ++i) line += (i > 0 ? ", " : "") + QuoteIdent(columns[i]);
  return line + ")";
}

std::optional<std::vector<std::string>> ChangeConstraintLine(std::vector<std::string> script,
                                                             const TConstraintChange& change) {
  const std::optional<size_t> end = ListEnd(script);
  if (!end) return std::nullopt;
  if (change.CurrentLine.empty()) {
    if (!change.NewLine) return script;
    if (*end > 0 && !script[*end - 1].empty() && script[*end - 1].back() != ',') script[*end - 1] += ",";
    script.insert(script.begin() + static_cast<std::ptrdiff_t>(*end), *change.NewLine);
    return script;
  }
  const auto found = std::find_if(script.begin(), script.end(), [&](const std::string& line) {
    return StartsWith(line, change.CurrentLine);
  });
  if (found == script.end()) return std::nullopt;
  if (change.NewLine) {
    found->replace(0, change.CurrentLine.size(), *change.NewLine);
    return script;
  }
  const size_t at = static_cast<size_t>(found - script.begin());
  script.erase(found);
  if (at < script.size() && script[at] == kListEnd && at > 0) DropTrailingComma(script[at - 1]);
  return script;
}

void QualifyScript(std::vector<std::string>& script, const std::string& schema) {
  for (std::string& line : script)
    for (const std::string head : {kCreateTable, kFrom})
      if (StartsWith(line, head) && line.find('.') == std::string::npos) line.insert(head.size(), schema + ".");
}

TTableScriptParts SplitTableScript(const std::vector<std::string>& script) {
  const auto at = std::find_if(script.begin(), script.end(),
                               [](const std::string& line) { return line.rfind("CREATE INDEX ", 0) == 0; });
  return {{script.begin(), at}, {at, script.end()}};
}
