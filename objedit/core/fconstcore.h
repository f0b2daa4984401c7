// fconstcore: the constraint editor without its window: the UNIQUE line of
// a column list as the table script writes it, and the table script with
// that line replaced, added or removed.
#pragma once

#include <optional>
#include <string>
#include <vector>

inline constexpr int kConstraintKind = 66;
inline constexpr const char* kTableMissing = "テーブルを設定して下さい。";
inline constexpr const char* kColumnsMissing = "列を指定して下さい。";

// "    UNIQUE(A, B)" with the names through QuoteIdent.
std::string UniqueLine(const std::vector<std::string>& columns);

// What happens to the constraint's line.
struct TConstraintChange {
  std::string CurrentLine;  // the line as it is now; empty for a new constraint
  std::optional<std::string> NewLine;  // none to remove it
};
// The table script with the change made: the current line replaced in the
// first line that begins with it, or that line removed (a "," before the
// closing ")" removed with it), or a new line added before the ")" that
// closes the CREATE TABLE's list (the line before it getting a ",").
// None when the script has no CREATE TABLE, the current line is not found
// or the list has no closing ")".
std::optional<std::vector<std::string>> ChangeConstraintLine(std::vector<std::string> script,
                                                             const TConstraintChange& change);
// A "CREATE TABLE " or "FROM " line without a "." gets the schema.
void QualifyScript(std::vector<std::string>& script, const std::string& schema);

// A table script in two: the table with its storage, and the indexes from
// the first line that begins with "CREATE INDEX " on.
struct TTableScriptParts {
  std::vector<std::string> Table;
  std::vector<std::string> Indexes;
};
TTableScriptParts SplitTableScript(const std::vector<std::string>& script);
