// The COMMENT clauses of a CREATE TABLE, which SQLite does not know: taken
// out of the statement, to be written into the catalogue once the table is
// described.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace symfoware {

struct TableComments {
  std::string sql;  // the statement without its COMMENT clauses
  std::string table;  // the table's comment ("" for none)
  std::vector<std::pair<std::string, std::string>> columns;  // column name, comment
};

// Nothing for a statement that is no CREATE TABLE or has no COMMENT clause.
// A column's comment stands inside the parentheses after its definition,
// the table's after them; the texts are the literals' values.
std::optional<TableComments> TakeTableComments(const std::string& sql);

}  // namespace symfoware
