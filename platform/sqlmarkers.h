// Lexical view of an SQL text shared by the SQL backends: which parts are
// code and which are literals, quoted names or comments, and the turning
// of ":NAME" parameter markers into positional "?" markers.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class SqlSpanKind { Code, Literal, QuotedName, Comment };

// A half-open byte range [begin, end) of an SQL text.
struct SqlSpan {
  SqlSpanKind kind;
  size_t begin;
  size_t end;
};

// Splits the text into consecutive spans covering it completely. A literal
// runs from "'" to the closing "'" ('' inside stays in it), a quoted name
// from '"' to '"', a comment from "--" to the end of the line or from "/*"
// to "*/"; an unterminated one runs to the end of the text.
std::vector<SqlSpan> SplitSqlSpans(const std::string& sql);

// The text with every ":NAME" marker in code replaced by "?", and the
// marker names in order of occurrence: a name used three times appears
// three times, so each occurrence is bound on its own.
struct PositionalSql {
  std::string text;
  std::vector<std::string> names;
};
PositionalSql ConvertMarkers(const std::string& sql);

}  // namespace platform
