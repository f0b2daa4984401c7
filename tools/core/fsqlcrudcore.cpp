#include "tools/core/fsqlcrudcore.h"

#include <QChar>

#include <algorithm>
#include <cctype>
#include <set>

#include "app/core/zarur.h"
#include "tools/core/fsqlcatchcore.h"

namespace {

enum class TState { Normal, Number, BlockComment, LineComment, String, QuotedName };

constexpr unsigned char kFirstWide = 0x80;
constexpr unsigned char kTwoByteLead = 0xC0;
constexpr unsigned char kThreeByteLead = 0xE0;
constexpr unsigned char kFourByteLead = 0xF0;
constexpr unsigned char kPastFourByteLead = 0xF8;
constexpr unsigned char kContinuationBits = 0x3F;
// A lead byte keeps the bits below its length's marker: 0x7F shifted by the length.
constexpr unsigned char kLeadBits = 0x7F;
constexpr int kContinuationShift = 6;
constexpr char kSelectStar[] = "SELECT*";
constexpr char kSelect[] = "SELECT";

struct TCharAt {
  size_t Length;
  char32_t Code;
};

// The character at `at`: a whole UTF-8 sequence, or one byte that is not
// valid UTF-8 (taken as no letter).
TCharAt CharAt(const std::string& text, size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  size_t length = 1;
  char32_t code = lead;
  if (lead >= kTwoByteLead && lead < kPastFourByteLead) {
    length = lead >= kFourByteLead ? 4 : lead >= kThreeByteLead ? 3 : 2;
    code = lead & (kLeadBits >> length);
  } else if (lead >= kFirstWide) {
    return {1, 0};
  }
  if (at + length > text.size()) return {text.size() - at, 0};
  for (size_t i = 1; i < length; ++i) {
    const auto next = static_cast<unsigned char>(text[at + i]);
    if ((next & ~kContinuationBits) != kFirstWide) return {1, 0};
    code = (code << kContinuationShift) | (next & kContinuationBits);
  }
  return {length, code};
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A character a name may hold, so that a digit after it belongs to the name.
bool IsNameChar(char32_t code) {
  if (code < kFirstWide) {
    const auto c = static_cast<char>(code);
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$' || c == '#';
  }
  return QChar::isLetterOrNumber(code);
}

bool StartsWith(const std::string& text, size_t at, const char* head) {
  return text.compare(at, std::char_traits<char>::length(head), head) == 0;
}

}  // namespace

std::string NormaliseLiterals(const std::string& sql) {
  std::string out;
  out.reserve(sql.size());
  TState state = TState::Normal;
  size_t literalStart = 0;  // where the open number or string begins in `out`
  bool afterNameChar = false;
  size_t p = 0;
  while (p < sql.size()) {
    const char c = sql[p];
    if (state == TState::Number) {
      if (IsDigit(c)) {
        out += c;
        ++p;
        continue;
      }
      out.resize(literalStart);
      out += '0';
      state = TState::Normal;
    }
    const TCharAt ch = CharAt(sql, p);
    if (ch.Length > 1 || static_cast<unsigned char>(c) >= kFirstWide) {
      out.append(sql, p, ch.Length);
      p += ch.Length;
      if (state == TState::Normal) afterNameChar = IsNameChar(ch.Code);
      continue;
    }
    switch (state) {
      case TState::Normal:
        if (StartsWith(sql, p, "--")) {
          state = TState::LineComment;
        } else if (StartsWith(sql, p, "/*")) {
          state = TState::BlockComment;
          afterNameChar = false;
          out += "/*";
          p += 2;
          continue;
        } else if (c == '\'') {
          state = TState::String;
          literalStart = out.size();
        } else if (c == '"') {
          state = TState::QuotedName;
        } else if (IsDigit(c) && !afterNameChar) {
          state = TState::Number;
          literalStart = out.size();
        }
        afterNameChar = state == TState::Normal && IsNameChar(static_cast<unsigned char>(c));
        break;
      case TState::LineComment:
        if (c == '\r' || c == '\n') state = TState::Normal;
        break;
      case TState::BlockComment:
        if (StartsWith(sql, p, "*/")) {
          out += "*/";
          p += 2;
          state = TState::Normal;
          continue;
        }
        break;
      case TState::String:
        if (c == '\'') {
          out.resize(literalStart + 1);
          state = TState::Normal;
        }
        break;
      case TState::QuotedName:
        if (c == '"') state = TState::Normal;
        break;
      case TState::Number:
        break;
    }
    out += c;
    ++p;
  }
  if (state == TState::Number) {
    out.resize(literalStart);
    out += '0';
  }
  return out;
}

std::string StatementKind(const std::string& sql) {
  const size_t blank = sql.find(' ');
  if (blank == 0 || blank == std::string::npos) return "";
  const std::string word = UpperCase(sql.substr(0, blank));
  return word.rfind(kSelectStar, 0) == 0 ? kSelect : word;
}

std::optional<TAccessKind> AccessKindOf(const std::string& sql) {
  const std::string kind = StatementKind(sql);
  if (kind == "INSERT") return TAccessKind::Insert;
  if (kind == kSelect) return TAccessKind::Select;
  if (kind == "UPDATE") return TAccessKind::Update;
  if (kind == "DELETE") return TAccessKind::Delete;
  return std::nullopt;
}

std::vector<std::string> ChosenTables(const std::vector<TTableEntry>& entries) {
  std::vector<std::string> tables;
  const bool all = !entries.empty() && entries.front().Ticked;
  for (size_t i = 1; i < entries.size(); ++i)
    if (all || entries[i].Ticked) tables.push_back(UpperCase(Trim(entries[i].Name)));
  return tables;
}

bool NoTableTicked(const std::vector<TTableEntry>& entries) {
  return std::none_of(entries.begin(), entries.end(), [](const TTableEntry& e) { return e.Ticked; });
}

std::vector<TAccessRow> BuildAccessMatrix(const std::string& owner, const std::vector<std::string>& tables,
                                          const std::vector<TTracedStatement>& statements) {
  std::vector<TAccessRow> rows;
  for (const std::string& table : tables) {
    const std::string key = owner + "." + table;
    std::set<std::string> done;
    for (const TTracedStatement& statement : statements) {
      if (statement.SQL.find(key) == std::string::npos) continue;
      const std::optional<TAccessKind> kind = AccessKindOf(statement.SQL);
      if (!kind || !done.insert(statement.SQL).second) continue;
      TAccessRow row{table, "", "", "", "", statement.SQL};
      std::string* column = &row.R;
      std::string mark = kAccessMark;
      switch (*kind) {
        case TAccessKind::Insert:
          column = &row.C;
          break;
        case TAccessKind::Select:
          mark = statement.Index ? kIndexRead : kFullRead;
          break;
        case TAccessKind::Update:
          column = &row.U;
          break;
        case TAccessKind::Delete:
          column = &row.D;
          break;
      }
      // Moved in whole: assigning the literal trips a false overlap warning here.
      *column = std::move(mark);
      rows.push_back(row);
    }
  }
  return rows;
}

void ParseAccessRecords(const std::vector<std::string>& lines, bool normalise,
                        std::vector<TTracedStatement>& statements) {
  const size_t end = lines.size();
  size_t at = 0;
  while ((at = FindStatementStart(lines, at)) < end) {
    std::string text;
    at = CollectStatement(lines, at + 1, text);
    if (at >= end) return;
    if (normalise) text = NormaliseLiterals(text);
    const std::optional<TAccessKind> kind = AccessKindOf(text);
    if (!kind) continue;
    TTracedStatement statement{UpperCase(text), false};
    if (*kind == TAccessKind::Select) {
      for (; at < end && lines[at].find(kTraceEndMarker) == std::string::npos; ++at)
        statement.Index = statement.Index || lines[at].find(kIndexMarker) != std::string::npos;
    }
    statements.push_back(std::move(statement));
  }
}

bool ReadAccessFolder(const std::string& folder, const QDateTime& threshold, bool normalise,
                      std::vector<TTracedStatement>& statements, const std::function<void()>& step) {
  const std::vector<TTraceEntry> entries = TraceEntries(folder);
  if (entries.empty()) return false;
  for (const TTraceEntry& entry : entries) {
    if (step) step();
    if (entry.IsDirectory || entry.LastWrite < threshold) continue;
    if (const std::optional<std::vector<std::string>> lines = LoadTraceLines(entry.Path))
      ParseAccessRecords(*lines, normalise, statements);
  }
  return true;
}
