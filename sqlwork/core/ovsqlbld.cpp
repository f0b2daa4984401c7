#include "sqlwork/core/ovsqlbld.h"

#include <string_view>

#include "app/core/ovoptions.h"
#include "app/core/ovtoken.h"
#include "app/core/zarur.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool StartsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

// The routines below read a view and cut the string once at the end.
void Consume(std::string& text, std::string_view rest) { text.erase(0, text.size() - rest.size()); }

// The line comment marks and whether "/* */" blocks count, per kind.
struct TCommentKind {
  std::string_view LineMark;
  bool Blocks;
};
TCommentKind CommentKindOf(int kind) {
  switch (kind) {
    case kCommentsHash:
      return {"#", false};
    case kCommentsSql:
      return {"--", true};
    case kCommentsSlashes:
      return {"//", true};
    default:
      return {{}, false};
  }
}

bool FirstClauseIs(const std::string& text, const char* word) {
  std::string rest = text;
  return UpperCase(ReadNextClause(rest, AppOption.Separator, kCommentsBlanksOnly)) == word;
}

}  // namespace

bool SkipBlanks(std::string& text) {
  size_t n = 0;
  while (n < text.size() && IsBlank(text[n])) ++n;
  text.erase(0, n);
  return n > 0;
}

void SkipLine(std::string& text) {
  size_t end = text.find('\n');
  if (end == std::string::npos) end = text.find('\r');
  if (end == std::string::npos)
    text.clear();
  else
    text.erase(0, end + 1);
}

void SkipPast(std::string& text, const std::string& mark) {
  const size_t at = text.find(mark);
  if (at == std::string::npos)
    text.clear();
  else
    text.erase(0, at + mark.size());
}

bool SkipComments(std::string& text, int commentKind) {
  static constexpr std::string_view kBlockOpen = "/*";
  static const std::string kBlockClose = "*/";
  const TCommentKind kind = CommentKindOf(commentKind);
  bool any = false;
  for (;;) {
    any = SkipBlanks(text) || any;
    if (!kind.LineMark.empty() && StartsWith(text, kind.LineMark)) {
      SkipLine(text);
    } else if (kind.Blocks && StartsWith(text, kBlockOpen)) {
      SkipPast(text, kBlockClose);
    } else {
      return any;
    }
    any = true;
  }
}

std::string ReadClause(std::string& text, const std::string& stopToken, int commentKind) {
  std::string result;
  SkipComments(text, commentKind);
  if (text.empty() || StrCmpBegin(text, stopToken)) return result;
  std::string_view rest = text;
  int parens = 0;
  int brackets = 0;
  std::string token;
  while (!rest.empty()) {
    const bool blankBefore = IsBlank(rest.front());
    if (ExtractToken(rest, token) == tkNone) break;
    if (blankBefore && !result.empty()) result += ' ';
    result += token;
    if (token == "(") ++parens;
    if (token == ")") --parens;
    if (token == "[") ++brackets;
    if (token == "]") --brackets;
    if (parens <= 0 && brackets <= 0) break;
  }
  Consume(text, rest);
  return result;
}

std::string ReadNextClause(std::string& text, const std::string& stopToken, int commentKind) {
  for (;;) {
    std::string clause = ReadClause(text, stopToken, commentKind);
    if (clause != "\t" && clause != "\n" && clause != "\r") return clause;
  }
}

bool IsSelectStatement(const std::string& text) { return FirstClauseIs(text, "SELECT"); }
bool IsCreateStatement(const std::string& text) { return FirstClauseIs(text, "CREATE"); }
bool IsDropStatement(const std::string& text) { return FirstClauseIs(text, "DROP"); }

std::string JoinSQLLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) text += (i == 0 ? "" : "\r\n") + lines[i];
  return text;
}

std::vector<std::string> SQLTextLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}
