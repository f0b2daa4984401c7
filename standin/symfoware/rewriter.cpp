#include "standin/symfoware/rewriter.h"

#include "standin/symfoware/createtable.h"

#include <QString>

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "platform/sqlbackend.h"
#include "platform/sqlmarkers.h"
#include "standin/symfoware/routinecall.h"
#include "standin/symfoware/sqlite.h"

namespace symfoware {
namespace {

using platform::SqlSpan;
using platform::SqlSpanKind;

// The statement as tokens: literals, quoted names and comments whole, and
// the code between them cut into blank runs, word runs and single other
// characters. Every rewrite matches whole tokens, so none reaches into a
// literal, a quoted name or a comment.
enum class TokenKind { Blank, Word, Other, Literal, QuotedName, Comment };

struct Token {
  TokenKind kind;
  std::string_view text;
};

bool IsWordChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '$' || c == '#' || u >= 0x80;
}

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

TokenKind KindOfSpan(SqlSpanKind kind) {
  switch (kind) {
    case SqlSpanKind::Literal: return TokenKind::Literal;
    case SqlSpanKind::QuotedName: return TokenKind::QuotedName;
    case SqlSpanKind::Comment: return TokenKind::Comment;
    case SqlSpanKind::Code: break;
  }
  return TokenKind::Other;
}

std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  for (const SqlSpan& span : platform::SplitSqlSpans(std::string(sql))) {
    const std::string_view text = sql.substr(span.begin, span.end - span.begin);
    if (span.kind != SqlSpanKind::Code) {
      tokens.push_back({KindOfSpan(span.kind), text});
      continue;
    }
    for (size_t i = 0; i < text.size();) {
      size_t end = i + 1;
      TokenKind kind = TokenKind::Other;
      if (IsBlank(text[i])) {
        kind = TokenKind::Blank;
        while (end < text.size() && IsBlank(text[end])) ++end;
      } else if (IsWordChar(text[i])) {
        kind = TokenKind::Word;
        while (end < text.size() && IsWordChar(text[end])) ++end;
      }
      tokens.push_back({kind, text.substr(i, end - i)});
      i = end;
    }
  }
  return tokens;
}

bool IsWord(const Token& token, const char* word) {
  return token.kind == TokenKind::Word && token.text.size() == std::char_traits<char>::length(word) &&
         strncasecmp(token.text.data(), word, token.text.size()) == 0;
}

constexpr const char* kNestedOption = "WITH OPTION 句は文の末尾にだけ書けます";

bool IsOther(const Token& token, char c) { return token.kind == TokenKind::Other && token.text[0] == c; }

// Rewrites one statement from its tokens; each rule that matches at a
// token writes its replacement and moves past what it replaced.
class Rewriter {
 public:
  explicit Rewriter(std::string_view sql) : tokens_(Tokenize(sql)) {}

  std::string Run() {
    int depth = 0;
    const bool query = StartsWithSelect();
    for (size_t i = 0; i < tokens_.size();) {
      if (size_t end = Nextval(i); end != i) {
        i = end;
      } else if (end = query ? RoutineCall(i) : i; end != i) {
        ++depth;  // the call's own parenthesis
        i = end;
      } else if (end = OptionClause(i); end != i) {
        // The server takes option clauses only at a statement's end.
        if (depth > 0) throw platform::SqlError(StandinMessage(kNestedOption));
        i = end;
      } else if (end = LiteralPrefix(i); end != i) {
        i = end;
      } else if (end = DatabaseNameValue(i); end != i) {
        i = end;
      } else if (end = IntervalType(i); end != i) {
        i = end;
      } else {
        if (IsOther(tokens_[i], '(')) ++depth;
        if (IsOther(tokens_[i], ')') && depth > 0) --depth;
        out_ += tokens_[i++].text;
      }
    }
    return std::move(out_);
  }

 private:
  const Token* At(size_t i) const { return i < tokens_.size() ? &tokens_[i] : nullptr; }

  size_t SkipBlanks(size_t i) const {
    while (i < tokens_.size() && tokens_[i].kind == TokenKind::Blank) ++i;
    return i;
  }

  // A name of a NEXTVAL reference as the catalogue holds it: a closed quoted
  // name as written ("" read as "), an unquoted one upper-cased. False for
  // any other token.
  static bool CatalogueName(const Token* token, std::string& name) {
    if (!token) return false;
    if (token->kind == TokenKind::Word) {
      const char first = token->text[0];
      if (std::isdigit(static_cast<unsigned char>(first)) || first == '$' || first == '#') return false;
      const std::string_view text = token->text;
      if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        name.assign(text);
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      } else {
        name = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUpper().toStdString();
      }
      return true;
    }
    if (token->kind != TokenKind::QuotedName) return false;
    const std::string_view text = token->text;
    name.clear();
    for (size_t i = 1; i < text.size(); ++i) {
      if (text[i] != '"') {
        name += text[i];
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        name += '"';
        ++i;
      } else {
        return i + 1 == text.size() && !name.empty();
      }
    }
    return false;  // not closed
  }

  static std::string SqlLiteral(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
  }

  // "<schema>.<sequence>.NEXTVAL" becomes a call of the stand-in's NEXTVAL
  // function.
  size_t Nextval(size_t i) {
    std::string schema, sequence;
    size_t p = SkipBlanks(i + 1);
    if (!At(p) || !IsOther(*At(p), '.')) return i;
    if (!CatalogueName(At(i), schema)) return i;
    p = SkipBlanks(p + 1);
    if (!CatalogueName(At(p), sequence)) return i;
    p = SkipBlanks(p + 1);
    if (!At(p) || !IsOther(*At(p), '.')) return i;
    p = SkipBlanks(p + 1);
    if (!At(p) || !IsWord(*At(p), "NEXTVAL")) return i;
    out_ += "NEXTVAL(" + SqlLiteral(schema) + ", " + SqlLiteral(sequence) + ")";
    return p + 1;
  }

  bool StartsWithSelect() const {
    for (const Token& token : tokens_) {
      if (token.kind == TokenKind::Blank || token.kind == TokenKind::Comment || IsOther(token, '(')) continue;
      return IsWord(token, "SELECT");
    }
    return false;
  }

  // In a query, "<schema>.<function>(" can only call a function: it becomes
  // a call of the stand-in's routine function with the two names first.
  // Returns past the opening parenthesis, or at the closing one when there
  // are no arguments; the closing one then stays the call's.
  size_t RoutineCall(size_t i) {
    std::string schema, function;
    if (i > 0 && IsOther(tokens_[SkipBlanksBack(i)], '.')) return i;
    size_t p = SkipBlanks(i + 1);
    if (!At(p) || !IsOther(*At(p), '.')) return i;
    if (!CatalogueName(At(i), schema)) return i;
    p = SkipBlanks(p + 1);
    if (!CatalogueName(At(p), function)) return i;
    p = SkipBlanks(p + 1);
    if (!At(p) || !IsOther(*At(p), '(')) return i;
    out_ += std::string(kRoutineFunction) + "(" + SqlLiteral(schema) + ", " + SqlLiteral(function);
    const size_t close = SkipBlanks(p + 1);
    if (At(close) && IsOther(*At(close), ')')) return close;
    out_ += ", ";
    return p + 1;
  }

  size_t SkipBlanksBack(size_t i) const {
    size_t p = i - 1;
    while (p > 0 && tokens_[p].kind == TokenKind::Blank) --p;
    return p;
  }

  // "WITH OPTION" and its NAME(...) items, separated by blanks or commas,
  // are dropped; a LIMIT (n) among them becomes SQLite's "LIMIT n". An item
  // whose parentheses never close takes the rest of the statement.
  size_t OptionClause(size_t i) {
    if (!IsWord(tokens_[i], "WITH") || !At(i + 1) || At(i + 1)->kind != TokenKind::Blank) return i;
    const size_t option = SkipBlanks(i + 1);
    if (!At(option) || !IsWord(*At(option), "OPTION")) return i;
    size_t end = option + 1;
    std::string limit;
    for (;;) {
      size_t p = SkipBlanks(end);
      if (At(p) && IsOther(*At(p), ',')) p = SkipBlanks(p + 1);
      if (!At(p) || At(p)->kind != TokenKind::Word) break;
      const bool isLimit = IsWord(*At(p), "LIMIT");
      p = SkipBlanks(p + 1);
      if (!At(p) || !IsOther(*At(p), '(')) break;
      const size_t open = p;
      int depth = 0;
      for (; p < tokens_.size(); ++p) {
        if (IsOther(tokens_[p], '(')) ++depth;
        if (IsOther(tokens_[p], ')') && --depth == 0) break;
      }
      if (p == tokens_.size()) {
        end = p;
        break;
      }
      if (isLimit) limit = Joined(SkipBlanks(open + 1), TrimBlanks(open + 1, p));
      end = p + 1;
    }
    if (!limit.empty()) out_ += " LIMIT " + limit;
    // Keep the tokens around the clause apart.
    if (At(end) && At(end)->kind != TokenKind::Blank) out_ += ' ';
    return end;
  }

  // "DB_NAME = ?" and "TRIM(x.DB_NAME) = ?" compare the value in upper
  // case: data sources are passed as typed at logon, and the catalogue
  // holds their names in upper case.
  size_t DatabaseNameValue(size_t i) {
    if (!IsOther(tokens_[i], '=')) return i;
    size_t before = i;
    const auto previous = [this](size_t p) {
      while (p > 0 && tokens_[p - 1].kind == TokenKind::Blank) --p;
      return p == 0 ? tokens_.size() : p - 1;
    };
    before = previous(before);
    if (before < tokens_.size() && IsOther(tokens_[before], ')')) before = previous(before);
    if (before >= tokens_.size() || !IsWord(tokens_[before], "DB_NAME")) return i;
    const size_t value = SkipBlanks(i + 1);
    if (!At(value) || !IsOther(*At(value), '?')) return i;
    out_ += Joined(i, value) + "UPPER(?)";
    return value + 1;
  }

  // "INTERVAL DAY(2) TO SECOND" is no type name SQLite can parse: the
  // leading precision moves to the end and TO, a keyword to SQLite, is
  // quoted ("INTERVAL DAY "TO" SECOND(2)"); the catalogue reads it back.
  size_t IntervalType(size_t i) {
    if (!IsWord(tokens_[i], "INTERVAL")) return i;
    size_t p = SkipBlanks(i + 1);
    if (p == i + 1 || !At(p) || At(p)->kind != TokenKind::Word) return i;
    const size_t leading = p;
    p = SkipBlanks(p + 1);
    if (!At(p) || !IsOther(*At(p), '(')) return i;
    const size_t open = p;
    while (At(p) && !IsOther(*At(p), ')')) ++p;
    if (!At(p)) return i;
    const size_t close = p;
    p = SkipBlanks(p + 1);
    if (!At(p) || !IsWord(*At(p), "TO")) return i;
    const size_t to = p;
    p = SkipBlanks(p + 1);
    if (p == to + 1 || !At(p) || At(p)->kind != TokenKind::Word) return i;
    out_ += Joined(i, leading + 1) + " \"TO\" " + std::string(At(p)->text) + Joined(open, close + 1);
    return p + 1;
  }

  // The end of [begin, end) without the blanks it ends with.
  size_t TrimBlanks(size_t begin, size_t end) const {
    while (end > begin && tokens_[end - 1].kind == TokenKind::Blank) --end;
    return end;
  }

  std::string Joined(size_t begin, size_t end) const {
    std::string text;
    for (size_t i = begin; i < end; ++i) text += tokens_[i].text;
    return text;
  }

  // The typed-literal prefixes are dropped before a literal: N glued to it,
  // DATE, TIME and TIMESTAMP also with blanks between. A literal that then
  // meets a literal or quoted name before it is kept apart by a blank, so
  // 'a'N'b' stays two literals.
  size_t LiteralPrefix(size_t i) {
    const Token& word = tokens_[i];
    size_t p = i + 1;
    if (IsWord(word, "DATE") || IsWord(word, "TIME") || IsWord(word, "TIMESTAMP"))
      p = SkipBlanks(p);
    else if (!IsWord(word, "N"))
      return i;
    if (!At(p) || At(p)->kind != TokenKind::Literal) return i;
    if (!out_.empty() && (out_.back() == '\'' || out_.back() == '"')) out_ += ' ';
    return p;
  }

  std::vector<Token> tokens_;
  std::string out_;
};

}  // namespace

std::string RewriteStatement(const std::string& sql) {
  const std::string marked = platform::ConvertMarkers(sql).text;
  return Rewriter(marked).Run();
}

}  // namespace symfoware
