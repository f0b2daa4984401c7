#include "app/core/zarurerrpos.h"

#include <algorithm>
#include <string_view>

#include "app/core/odsql.h"
#include "app/core/zarur.h"
#include "app/core/zarursql.h"

namespace {

const char kUnknownColumn[] = "ORA-00904";
const char kUnknownTable[] = "ORA-00942";
const char kAllTablesSQL[] = "SELECT TABLE_NAME FROM ALL_TABLES WHERE OWNER = :OWNER AND TABLE_NAME = :TABLE_NAME";
const std::string_view kDelimiters = " ()%;.,+-<>{}[]\"'\r\n\t";
// The editor joins its rows with CR LF.
constexpr size_t kLineBreakLength = 2;

// Upper case of ASCII letters only, so that byte offsets stay those of the text.
std::string AsciiUpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool IsDelimiter(char c) { return kDelimiters.find(c) != std::string_view::npos; }

// The text between the message's first ":" and the next one, without double
// quotes.
std::string UnknownColumnName(const std::string& message) {
  const size_t colon = message.find(':');
  if (colon == std::string::npos) return {};
  const size_t next = message.find(':', colon + 1);
  std::string name = message.substr(colon + 1, next == std::string::npos ? std::string::npos : next - colon - 1);
  std::erase(name, '"');
  return TrimBlanks(name);
}

std::string JoinRows(const std::vector<std::string>& rows, int first, int last) {
  std::string text;
  for (int row = first; row <= last; ++row) {
    if (row > first) text += "\r\n";
    text += rows[static_cast<size_t>(row)];
  }
  return text;
}

}  // namespace

std::optional<TovTextRange> FindWholeName(const std::vector<std::string>& rows, int first, int last,
                                          const std::string& name) {
  if (name.empty()) return std::nullopt;
  const std::string wanted = AsciiUpperCase(name);
  size_t rowStart = 0;
  for (int row = 0; row <= last && row < static_cast<int>(rows.size()); ++row) {
    const std::string& text = rows[static_cast<size_t>(row)];
    if (row >= first) {
      const std::string upper = AsciiUpperCase(text);
      for (size_t at = upper.find(wanted); at != std::string::npos; at = upper.find(wanted, at + 1)) {
        const size_t end = at + wanted.size();
        const bool before = at == 0 || IsDelimiter(upper[at - 1]);
        const bool after = end == upper.size() || IsDelimiter(upper[end]);
        if (before && after) return TovTextRange{rowStart + at, wanted.size()};
      }
    }
    rowStart += text.size() + kLineBreakLength;
  }
  return std::nullopt;
}

TovErrorPosition SQLErrorPosition(const std::vector<std::string>& rows, int first, int last,
                                  const std::string& message, const std::string& owner, bool hasSelection,
                                  const TovTableExists& tableExists) {
  const TovErrorPosition rowsSelected{TovErrorSelection::Rows, {}};
  first = std::max(first, 0);
  last = std::min(last, static_cast<int>(rows.size()) - 1);
  if (message.find(kUnknownColumn) != std::string::npos) {
    if (auto range = FindWholeName(rows, first, last, UnknownColumnName(message)))
      return {TovErrorSelection::Name, *range};
    return rowsSelected;
  }
  if (message.find(kUnknownTable) != std::string::npos) {
    TovSQLParts parts;
    TovErrorPosition result{TovErrorSelection::Keep, {}};
    try {
      AnalyzeSQL(JoinRows(rows, first, last), parts, {});
    } catch (const ESQLParseError&) {
      // What was read before the fault still names tables.
      result = rowsSelected;
    }
    for (int t = 0; t < parts.Tables.Count(); ++t) {
      const std::string& written = parts.Tables.GetName(t);
      std::string schema;
      std::string table;
      SplitQualifiedName(written, schema, table);
      const std::string tableOwner = schema.empty() ? owner : NormalizeSQLName(schema);
      if (tableExists(tableOwner, NormalizeSQLName(table))) continue;
      if (auto range = FindWholeName(rows, first, last, written)) return {TovErrorSelection::Name, *range};
    }
    return result;
  }
  return hasSelection ? TovErrorPosition{} : rowsSelected;
}

bool TableInAllTables(TovSQLQuery& query, const std::string& owner, const std::string& table) {
  query.Close();
  query.SetParamCheck(true);
  query.SetSQL(kAllTablesSQL);
  query.Parameters().at(0).Value = QString::fromStdString(owner);
  query.Parameters().at(1).Value = QString::fromStdString(table);
  query.Open();
  const bool found = !query.Eof();
  query.Close();
  return found;
}
