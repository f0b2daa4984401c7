#include "objedit/core/fviewcore.h"

#include "app/core/zarur.h"

namespace {

constexpr const char* kCreateView = "CREATE VIEW ";
constexpr const char* kColumnIndent = "    ";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Replaces the first occurrence of `from` (ignoring case) in the first line
// holding it.
bool ReplaceFirst(std::vector<std::string>& lines, const std::string& from, const std::string& to) {
  if (from.empty()) return false;
  const std::string wanted = UpperCase(from);
  for (std::string& line : lines) {
    const std::string upper = UpperCase(line);
    // A letter whose upper case has another length leaves only the exact match.
    const size_t at = upper.size() == line.size() ? upper.find(wanted) : line.find(from);
    if (at == std::string::npos) continue;
    line.replace(at, from.size(), to);
    return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> ViewCreateLines(const TViewDef& def, bool longForm) {
  std::vector<std::string> lines;
  const std::string head = kCreateView + def.SchemaPrefix + QuoteIdent(def.Name);
  if (!longForm) {
    lines.push_back(head + " AS");
  } else {
    lines.push_back(head);
    std::string text = std::string(kColumnIndent) + "(";
    for (size_t i = 0; i < def.Columns.size(); ++i) {
      const TViewColumn& column = def.Columns[i];
      text += QuoteIdent(column.Name);
      if (!Trim(column.Comment).empty()) text += " COMMENT " + QuoteStr(column.Comment);
      text += ",";
      if (DisplayWidth(text) > kViewColumnLineWidth && i + 1 < def.Columns.size()) {
        lines.push_back(text);
        text = kColumnIndent;
      }
    }
    if (!text.empty() && text.back() == ',') text.pop_back();
    lines.push_back(text + ")");
    if (!Trim(def.Comment).empty()) lines.push_back("COMMENT " + QuoteStr(def.Comment));
    lines.push_back("AS");
  }
  for (const std::string& line : SplitLines(def.Query)) lines.push_back(line);
  if (def.CheckOption) lines.push_back(kWithCheckOption);
  return lines;
}

std::string DropViewStatement(const std::string& schema, const std::string& name) {
  return "DROP VIEW " + QuoteIdent(schema) + "." + QuoteIdent(name);
}

std::vector<std::string> NewViewSkeleton(const std::string& schemaPrefix, const std::string& name) {
  return {kCreateView + schemaPrefix + QuoteIdent(name) + " AS", "SELECT"};
}

bool ReplaceSchemaInSource(std::vector<std::string>& lines, const std::string& oldSchema,
                           const std::string& newSchema) {
  if (oldSchema.empty()) return false;
  return ReplaceFirst(lines, oldSchema + ".", newSchema + ".");
}

bool ReplaceNameInSource(std::vector<std::string>& lines, const std::string& oldName, const std::string& newName) {
  if (oldName.empty()) return false;
  return ReplaceFirst(lines, "." + oldName, "." + newName);
}
