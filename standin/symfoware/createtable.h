// The clauses of a CREATE TABLE that SQLite does not know, taken out of
// the statement to be written into the catalogue once the table is
// described: COMMENT clauses, and what makes a global temporary table.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace symfoware {

// Whether the statement's first characters past blanks are `word` (upper
// case), any case: a cheap test before a regular expression, which would
// otherwise try every position of every statement that runs.
bool StartsWithWord(const std::string& sql, const std::string& word);

struct TableComments {
  std::string sql;  // the statement without its COMMENT clauses
  std::string table;  // the table's comment ("" for none)
  std::vector<std::pair<std::string, std::string>> columns;  // column name, comment
};

// Nothing for a statement that is no CREATE TABLE or has no COMMENT clause.
// A column's comment stands inside the parentheses after its definition,
// the table's after them; the texts are the literals' values.
std::optional<TableComments> TakeTableComments(const std::string& sql);

// A CREATE VIEW without what SQLite does not know: the COMMENT clauses of
// its column list and of the view (before its AS), and a closing WITH
// CHECK OPTION. Nothing for any other statement.
struct ViewClauses {
  std::string sql;  // the plain CREATE VIEW
  TableComments comments;
  bool checkOption = false;
};
std::optional<ViewClauses> TakeViewClauses(const std::string& sql);

// A CREATE GLOBAL TEMPORARY TABLE: how long its rows live and the database
// spaces it may use with their numbers of users ("ON S1 10,S2 5").
struct TemporaryTable {
  std::string sql;  // the plain CREATE TABLE of its columns
  bool preserveRows = false;
  std::vector<std::pair<std::string, std::string>> spaces;
};
// Nothing for any other statement; SqlError for clauses past the columns
// that are neither ON COMMIT ... ROWS nor the ON list.
std::optional<TemporaryTable> TakeTemporaryClauses(const std::string& sql);

}  // namespace symfoware
