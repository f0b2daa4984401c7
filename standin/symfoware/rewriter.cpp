#include "standin/symfoware/rewriter.h"

#include <QRegularExpression>
#include <QString>

#include <strings.h>

#include <cctype>
#include <vector>

#include "platform/sqlmarkers.h"

namespace symfoware {
namespace {

using platform::SqlSpan;
using platform::SqlSpanKind;

bool IsWordChar(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '$' || c == '#' || u >= 0x80;
}

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// True when `word` stands at `pos` of the code as a whole word.
bool WordAt(const std::string& code, size_t pos, const char* word) {
  size_t n = std::char_traits<char>::length(word);
  if (pos + n > code.size() || strncasecmp(code.c_str() + pos, word, n) != 0) return false;
  if (pos > 0 && IsWordChar(code[pos - 1])) return false;
  return pos + n == code.size() || !IsWordChar(code[pos + n]);
}

size_t SkipBlanks(const std::string& code, size_t pos) {
  while (pos < code.size() && IsBlank(code[pos])) ++pos;
  return pos;
}

// Parses the options after "WITH OPTION": NAME(...) items, separated by
// blanks or commas. Returns the end of the clause and, when one of them is
// LIMIT, its argument.
size_t ParseOptions(const std::string& code, size_t pos, std::string& limit) {
  size_t end = pos;
  for (;;) {
    size_t p = SkipBlanks(code, end);
    if (p < code.size() && code[p] == ',') p = SkipBlanks(code, p + 1);
    size_t nameStart = p;
    while (p < code.size() && IsWordChar(code[p])) ++p;
    if (p == nameStart) return end;
    std::string name = code.substr(nameStart, p - nameStart);
    p = SkipBlanks(code, p);
    if (p >= code.size() || code[p] != '(') return end;
    int depth = 0;
    size_t argStart = p + 1;
    for (; p < code.size(); ++p) {
      if (code[p] == '(') ++depth;
      if (code[p] == ')' && --depth == 0) break;
    }
    if (p >= code.size()) return code.size();
    if (strcasecmp(name.c_str(), "LIMIT") == 0) limit = code.substr(argStart, p - argStart);
    end = p + 1;
  }
}

std::string Trimmed(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  return text.substr(b, e - b);
}

// Drops the WITH OPTION clauses of one code span.
std::string DropOptions(const std::string& code) {
  std::string out;
  size_t i = 0;
  while (i < code.size()) {
    if (WordAt(code, i, "WITH")) {
      size_t p = SkipBlanks(code, i + 4);
      if (p > i + 4 && WordAt(code, p, "OPTION")) {
        std::string limit;
        i = ParseOptions(code, p + 6, limit);
        if (!limit.empty()) out += " LIMIT " + Trimmed(limit);
        // Keep the tokens around the clause apart.
        if (i < code.size() && !IsBlank(code[i])) out.push_back(' ');
        continue;
      }
    }
    out.push_back(code[i]);
    ++i;
  }
  return out;
}

// Removes a typed-literal prefix that ends the code before a literal: N
// glued to it, DATE, TIME and TIMESTAMP also with blanks between.
void DropLiteralPrefix(std::string& code) {
  struct Prefix {
    const char* word;
    bool blanksAllowed;
  };
  static const Prefix kPrefixes[] = {{"TIMESTAMP", true}, {"DATE", true}, {"TIME", true}, {"N", false}};
  size_t end = code.size();
  while (end > 0 && IsBlank(code[end - 1])) --end;
  size_t start = end;
  while (start > 0 && IsWordChar(code[start - 1])) --start;
  if (start == end) return;
  for (const Prefix& prefix : kPrefixes) {
    if (!prefix.blanksAllowed && end != code.size()) continue;
    if (WordAt(code, start, prefix.word) && start + std::char_traits<char>::length(prefix.word) == end) {
      code.erase(start);
      return;
    }
  }
}

// A name of a NEXTVAL reference as the catalogue holds it: a quoted name
// as written, an unquoted one upper-cased.
QString CatalogueName(const QString& quoted, const QString& plain) {
  if (!quoted.isNull()) return QString(quoted).replace(QLatin1String("\"\""), QLatin1String("\""));
  return plain.toUpper();
}

QString SqlLiteral(const QString& text) {
  return '\'' + QString(text).replace('\'', QLatin1String("''")) + '\'';
}

// "<schema>.<sequence>.NEXTVAL" becomes a call of the stand-in's NEXTVAL
// function; a reference inside a literal or comment stays.
std::string RewriteNextval(const std::string& sql) {
  static const QRegularExpression kReference(
      QStringLiteral("(?:\"((?:[^\"]|\"\")+)\"|([A-Za-z_][\\w$#]*))\\s*\\.\\s*"
                     "(?:\"((?:[^\"]|\"\")+)\"|([A-Za-z_][\\w$#]*))\\s*\\.\\s*NEXTVAL\\b"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
  std::vector<SqlSpan> spans = platform::SplitSqlSpans(sql);
  auto inCode = [&](size_t byte) {
    for (const SqlSpan& span : spans)
      if (byte >= span.begin && byte < span.end)
        return span.kind == SqlSpanKind::Code || span.kind == SqlSpanKind::QuotedName;
    return false;
  };
  QByteArray utf8 = QByteArray::fromStdString(sql);
  QString text = QString::fromUtf8(utf8);
  QString out;
  qsizetype last = 0;
  for (QRegularExpressionMatchIterator it = kReference.globalMatch(text); it.hasNext();) {
    QRegularExpressionMatch m = it.next();
    if (!inCode(static_cast<size_t>(text.left(m.capturedStart()).toUtf8().size()))) continue;
    out += text.mid(last, m.capturedStart() - last);
    out += QStringLiteral("NEXTVAL(%1, %2)")
               .arg(SqlLiteral(CatalogueName(m.captured(1), m.captured(2))),
                    SqlLiteral(CatalogueName(m.captured(3), m.captured(4))));
    last = m.capturedEnd();
  }
  out += text.mid(last);
  return out.toStdString();
}

}  // namespace

std::string RewriteStatement(const std::string& sql) {
  std::string marked = RewriteNextval(platform::ConvertMarkers(sql).text);
  std::string out;
  std::string code;
  for (const SqlSpan& span : platform::SplitSqlSpans(marked)) {
    std::string piece = marked.substr(span.begin, span.end - span.begin);
    if (span.kind == SqlSpanKind::Code) {
      code += piece;
      continue;
    }
    if (span.kind == SqlSpanKind::Literal) DropLiteralPrefix(code);
    out += DropOptions(code);
    code.clear();
    out += piece;
  }
  out += DropOptions(code);
  return out;
}

}  // namespace symfoware
