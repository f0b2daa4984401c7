#include "platform/sqlmarkers.h"

namespace platform {
namespace {

bool IsNameChar(unsigned char c) {
  // Bytes from 0x80 are parts of multi-byte characters, which names may hold.
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '$' ||
         c == '#' || c >= 0x80;
}

// The end of a span that starts at `pos` with the opening character(s)
// already recognised.
size_t EndOfQuoted(const std::string& sql, size_t pos, char quote) {
  size_t i = pos + 1;
  while (i < sql.size()) {
    if (sql[i] == quote) {
      if (i + 1 < sql.size() && sql[i + 1] == quote) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return sql.size();
}

size_t EndOfLineComment(const std::string& sql, size_t pos) {
  size_t eol = sql.find('\n', pos);
  return eol == std::string::npos ? sql.size() : eol;
}

size_t EndOfBlockComment(const std::string& sql, size_t pos) {
  size_t close = sql.find("*/", pos + 2);
  return close == std::string::npos ? sql.size() : close + 2;
}

}  // namespace

std::vector<SqlSpan> SplitSqlSpans(const std::string& sql) {
  std::vector<SqlSpan> spans;
  size_t codeStart = 0;
  auto closeCode = [&](size_t at) {
    if (at > codeStart) spans.push_back({SqlSpanKind::Code, codeStart, at});
  };
  size_t i = 0;
  while (i < sql.size()) {
    char c = sql[i];
    char next = i + 1 < sql.size() ? sql[i + 1] : '\0';
    SqlSpanKind kind;
    size_t end;
    if (c == '\'') {
      kind = SqlSpanKind::Literal;
      end = EndOfQuoted(sql, i, '\'');
    } else if (c == '"') {
      kind = SqlSpanKind::QuotedName;
      end = EndOfQuoted(sql, i, '"');
    } else if (c == '-' && next == '-') {
      kind = SqlSpanKind::Comment;
      end = EndOfLineComment(sql, i);
    } else if (c == '/' && next == '*') {
      kind = SqlSpanKind::Comment;
      end = EndOfBlockComment(sql, i);
    } else {
      ++i;
      continue;
    }
    closeCode(i);
    spans.push_back({kind, i, end});
    i = end;
    codeStart = end;
  }
  closeCode(sql.size());
  return spans;
}

PositionalSql ConvertMarkers(const std::string& sql) {
  PositionalSql result;
  // Most statements hold no colon at all, so no marker.
  if (sql.find(':') == std::string::npos) {
    result.text = sql;
    return result;
  }
  result.text.reserve(sql.size());
  for (const SqlSpan& span : SplitSqlSpans(sql)) {
    if (span.kind != SqlSpanKind::Code) {
      result.text.append(sql, span.begin, span.end - span.begin);
      continue;
    }
    size_t i = span.begin;
    while (i < span.end) {
      unsigned char next = i + 1 < span.end ? static_cast<unsigned char>(sql[i + 1]) : 0;
      // "::" is no marker (and its second colon starts none).
      if (sql[i] == ':' && next == ':') {
        result.text.append("::");
        i += 2;
        continue;
      }
      if (sql[i] != ':' || !IsNameChar(next)) {
        result.text.push_back(sql[i]);
        ++i;
        continue;
      }
      size_t nameEnd = i + 1;
      while (nameEnd < span.end && IsNameChar(static_cast<unsigned char>(sql[nameEnd]))) ++nameEnd;
      result.names.push_back(sql.substr(i + 1, nameEnd - i - 1));
      result.text.push_back('?');
      i = nameEnd;
    }
  }
  return result;
}

}  // namespace platform
