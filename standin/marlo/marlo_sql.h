// The SQL subset the test server understands:
//   SELECT * | col, ... FROM table [WHERE col = literal | ?]
//   INSERT INTO table [(col, ...)] VALUES (literal | ?, ...)
//   DELETE FROM table [WHERE col = literal | ?]
// Names are upper-cased unless quoted; '?' is a marker whose value comes
// with the request's input variables, in the order of the text.
#pragma once

#include <string>
#include <vector>

namespace marlo {

enum class statement_kind { select, insert, remove };

// A literal or, when marker is set, the next input variable.
struct operand {
  bool marker = false;
  std::string literal;
};

struct statement {
  statement_kind kind = statement_kind::select;
  std::string table;
  std::vector<std::string> columns;  // empty: every column (SELECT *, INSERT without a list)
  std::vector<operand> values;       // INSERT
  bool has_predicate = false;
  std::string predicate_column;
  operand predicate;

  // The markers of the statement in the order of the text.
  size_t markers() const;
};

// Empty, or why the text is not in the subset.
std::string parse_statement(const std::string& text, statement* out);

}  // namespace marlo
