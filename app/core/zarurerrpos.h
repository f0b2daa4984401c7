// zarurerrpos: where a failed statement's error lies in the editor's rows:
// the whole-name search and the choice of what to select.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TovSQLQuery;

// A byte range of the editor's text (rows joined by CR LF).
struct TovTextRange {
  size_t Start = 0;
  size_t Length = 0;
  bool operator==(const TovTextRange&) const = default;
};

// The first occurrence of `name` in rows first..last, compared upper-cased,
// whose neighbours are delimiters or row ends; nothing for an empty name.
std::optional<TovTextRange> FindWholeName(const std::vector<std::string>& rows, int first, int last,
                                          const std::string& name);

// What the editor selects after an error.
enum class TovErrorSelection {
  Keep,  // leave the user's selection
  Rows,  // the statement's rows first..last
  Name,  // `Range`
};
struct TovErrorPosition {
  TovErrorSelection Select = TovErrorSelection::Keep;
  TovTextRange Range;
  bool operator==(const TovErrorPosition&) const = default;
};

// True when the catalogue holds table `table` of `owner` (both as stored).
using TovTableExists = std::function<bool(const std::string& owner, const std::string& table)>;

// For the statement in rows first..last that failed with `message`: the
// unknown column's name, else the first missing table as written, else the
// rows unless the user has a selection. `owner` is the logged-on user, the
// schema of unqualified tables.
TovErrorPosition SQLErrorPosition(const std::vector<std::string>& rows, int first, int last,
                                  const std::string& message, const std::string& owner, bool hasSelection,
                                  const TovTableExists& tableExists);

// The catalogue check of SQLErrorPosition: whether ALL_TABLES holds the
// table. `query` (on the editor's connection) is closed and reused.
bool TableInAllTables(TovSQLQuery& query, const std::string& owner, const std::string& table);
