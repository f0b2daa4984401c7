#include "app/core/zarursql.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/core/zarur.h"

// ---- TovParseList ----

namespace {
const char kListIndexError[] = "リストのインデックスが範囲を超えています (%d)";
// Growth steps: small lists by 4, middle ones by 16, large ones by a quarter.
constexpr int kSmallCapacity = 8;
constexpr int kSmallStep = 4;
constexpr int kMiddleCapacity = 64;
constexpr int kMiddleStep = 16;
constexpr int kLargeDivisor = 4;
}  // namespace

EListError::EListError(int index) : std::out_of_range(Format(kListIndexError, {index})) {}

int TovParseList::Add(const std::string& name, const std::string& value) {
  Insert(Count(), name, value);
  return Count() - 1;
}

void TovParseList::Insert(int index, const std::string& name, const std::string& value) {
  if (index < 0 || index > Count()) throw EListError(index);
  if (Count() == capacity_) Grow();
  items_.insert(items_.begin() + index, TovParseItem{name, value});
}

int GrowListCapacity(int capacity) {
  if (capacity <= kSmallCapacity) return capacity + kSmallStep;
  if (capacity <= kMiddleCapacity) return capacity + kMiddleStep;
  return capacity + capacity / kLargeDivisor;
}

void TovParseList::Grow() {
  capacity_ = GrowListCapacity(capacity_);
  items_.reserve(static_cast<size_t>(capacity_));
}

const TovParseItem& TovParseList::At(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return items_[static_cast<size_t>(index)];
}

TovParseItem& TovParseList::At(int index) {
  return const_cast<TovParseItem&>(static_cast<const TovParseList&>(*this).At(index));
}

const std::string& TovParseList::GetName(int index) const { return At(index).Name; }
const std::string& TovParseList::GetValue(int index) const { return At(index).Value; }
void TovParseList::SetName(int index, const std::string& text) { At(index).Name = text; }
void TovParseList::SetValue(int index, const std::string& text) { At(index).Value = text; }

void TovParseList::Clear() {
  items_ = {};
  capacity_ = 0;
}

// ---- shared helpers ----

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Bytes of the UTF-8 character whose first byte is `c`; a stray byte counts
// alone, so a broken text never stalls the scanners.
size_t CharLength(unsigned char c) {
  if ((c & 0xE0) == 0xC0) return 2;
  if ((c & 0xF0) == 0xE0) return 3;
  if ((c & 0xF8) == 0xF0) return 4;
  return 1;
}

size_t NextChar(std::string_view s, size_t i) {
  return std::min(s.size(), i + CharLength(static_cast<unsigned char>(s[i])));
}

bool StartsWithNoCase(std::string_view s, size_t at, std::string_view word) {
  if (s.size() - at < word.size()) return false;
  for (size_t k = 0; k < word.size(); ++k)
    if (AsciiUpper(s[at + k]) != word[k]) return false;
  return true;
}

}  // namespace

void AddParsePair(TovParseList& list, const std::string& name, const std::string& alias, int state) {
  std::string n = name;
  std::string a = alias;
  if (state == sqlStateTables && a.empty()) {
    const size_t blank = n.find(' ');
    if (blank != std::string::npos) {
      a = TrimBlanks(n.substr(blank + 1));
      n = TrimBlanks(n.substr(0, blank));
    }
  }
  if (n.empty() && a.empty()) return;
  if (!n.empty())
    list.Add(n, a);
  else
    list.Add(a, "");
}

void AddIfNotEmpty(std::vector<std::string>& list, const std::string& text) {
  if (!text.empty()) list.push_back(text);
}

// ---- StripSQLComments ----

namespace {

bool IsJunkLine(const std::string& line) {
  const std::string t = UpperCase(TrimBlanks(line));
  if (t.empty()) return true;
  for (const std::string_view word : {std::string_view("REM"), std::string_view("REMARK")}) {
    if (t == word) return true;
    if (t.size() > word.size() && t.compare(0, word.size(), word) == 0 && IsBlank(t[word.size()])) return true;
  }
  return false;
}

struct StripState {
  bool inString = false;
  bool inName = false;
  bool inComment = false;
};

// Cleans one line; returns true when a ";" cut it (the caller ends there).
bool StripLine(std::string& line, StripState& st, bool cutAtSemicolon) {
  size_t commentStart = 0;  // a comment carried in from an earlier line starts at column 0
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    const bool hasNext = i + 1 < line.size();
    if (st.inComment) {
      if (c == '*' && hasNext && line[i + 1] == '/') {
        // Scanning goes on where the comment was: the state before it is
        // the state at its start, so nothing earlier needs reading again.
        line.erase(commentStart, i + 2 - commentStart);
        i = commentStart;
        st.inComment = false;
        continue;
      }
    } else if (c == '\'' && !st.inName) {
      st.inString = !st.inString;
    } else if (c == '"' && !st.inString) {
      st.inName = !st.inName;
    } else if (!st.inString && !st.inName) {
      if (c == '-' && hasNext && line[i + 1] == '-') {
        line.erase(i);
        return false;
      }
      if (c == '/' && hasNext && line[i + 1] == '*') {
        st.inComment = true;
        commentStart = i;
        i += 2;
        continue;
      }
      if (c == ';' && cutAtSemicolon) {
        line.erase(i);
        return true;
      }
    }
    i = NextChar(line, i);
  }
  if (st.inComment) line.erase(commentStart);
  return false;
}

}  // namespace

void StripSQLComments(std::vector<std::string>& lines, bool cutAtSemicolon) {
  while (!lines.empty() && IsJunkLine(lines.front())) lines.erase(lines.begin());
  while (!lines.empty() && IsJunkLine(lines.back())) lines.pop_back();
  StripState st;
  for (size_t row = 0; row < lines.size(); ++row) {
    lines[row] = TrimBlanks(lines[row]);
    if (StripLine(lines[row], st, cutAtSemicolon)) {
      lines.resize(row + 1);
      return;
    }
  }
}

// ---- AnalyzeSQL ----

namespace {

struct KindWord {
  std::string_view word;
  int kind;
};
constexpr std::array<KindWord, 5> kKindWords = {{{"SELECT", sqlKindSelect},
                                                 {"INSERT", sqlKindInsert},
                                                 {"UPDATE", sqlKindUpdate},
                                                 {"DELETE", sqlKindDelete},
                                                 {"CREATE VIEW", sqlKindCreateView}}};

bool IsWordChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || c == '_' || c == '#' ||
         c == '$' || u >= 0x80;
}

bool IsOperator(char c) { return c == '!' || c == '<' || c == '=' || c == '>'; }

bool IsStatementWord(const std::string& w) {
  return w == "SELECT" || w == "INSERT" || w == "UPDATE" || w == "DELETE";
}

bool IsJoinWord(const std::string& w) {
  return w == "LEFT" || w == "RIGHT" || w == "INNER" || w == "OUTER" || w == "JOIN";
}

constexpr size_t kNone = std::string_view::npos;

// One statement at a time; Statement() says where the next one begins when
// lenient reading found one.
class SqlScanner {
 public:
  SqlScanner(std::string_view sql, TovSQLParts& parts, const std::string& message)
      : s_(sql), parts_(parts), message_(message), lenient_(message.empty()) {}

  int Run() {
    size_t from = 0;
    int kind = sqlKindNone;
    while (from != kNone) {
      parts_.ViewName.clear();
      from = Statement(from, kind);
    }
    return kind;
  }

 private:
  [[noreturn]] void Fail() const { throw ESQLParseError(message_); }

  std::string Text(size_t from, size_t to) const {
    if (from >= to) return {};
    return TrimBlanks(std::string(s_.substr(from, to - from)));
  }

  void Restart(size_t at) {
    itemStart_ = aliasStart_ = at;
    equals_ = kNone;
  }

  std::vector<std::string>* WordList() {
    if (state_ == sqlStateConditions) return &parts_.WhereWords;
    if (state_ == sqlStateHaving) return &parts_.HavingWords;
    return nullptr;
  }

  // In the condition and HAVING states the text since the alias start is a word.
  void FlushWord(size_t end) {
    if (auto* words = WordList()) {
      AddIfNotEmpty(*words, Text(aliasStart_, end));
      aliasStart_ = end;
    }
  }

  void AddSplit(TovParseList& list, size_t end) {
    const size_t split = std::clamp(aliasStart_, itemStart_, std::max(itemStart_, end));
    AddParsePair(list, Text(itemStart_, split), Text(split, end), state_);
  }

  // The item of the current state that ends at `end`.
  void AddPending(size_t end) {
    switch (state_) {
      case sqlStateSelectList:
        AddSplit(parts_.SelectItems, end);
        break;
      case sqlStateSetList:
        if (equals_ != kNone && equals_ < end)
          AddParsePair(parts_.SelectItems, Text(itemStart_, equals_), Text(equals_ + 1, end), state_);
        else
          AddParsePair(parts_.SelectItems, Text(itemStart_, end), {}, state_);
        break;
      case sqlStateTables:
        AddSplit(parts_.Tables, end);
        break;
      case sqlStateConditions:
      case sqlStateHaving:
        FlushWord(end);
        break;
      case sqlStateGroupBy:
        AddIfNotEmpty(parts_.GroupItems, Text(itemStart_, end));
        break;
      case sqlStateOrderBy:
        AddSplit(parts_.OrderItems, end);
        break;
      default:
        break;
    }
  }

  void AddColumn(size_t end) { AddParsePair(parts_.SelectItems, Text(itemStart_, end), {}, state_); }
  void KeepValue(size_t end) { AddIfNotEmpty(values_, Text(itemStart_, end)); }

  void Comma(size_t i) {
    if (state_ == sqlStateConditions || state_ == sqlStateHaving) Fail();
    if (state_ == sqlStateColumnList)
      AddColumn(i);
    else if (state_ == sqlStateValues)
      KeepValue(i);
    else
      AddPending(i);
    Restart(i + 1);
  }

  void OpenParen(size_t i) {
    if (depth_ == 0) {
      if (kind_ == sqlKindInsert && state_ == sqlStateTables) {
        AddPending(i);
        state_ = sqlStateColumnList;
        firstColumn_ = parts_.SelectItems.Count();
        Restart(i + 1);
      } else if (state_ == sqlStateValues) {
        values_.clear();
        Restart(i + 1);
      } else {
        FlushWord(i);
        aliasStart_ = i;
      }
      parenStart_ = i;
    } else {
      aliasStart_ = i;
    }
    ++depth_;
  }

  void CloseParen(size_t i) {
    if (--depth_ < 0) Fail();
    if (depth_ > 0) return;
    if (auto* words = WordList())
      AddIfNotEmpty(*words, Text(parenStart_, i + 1));
    else if (state_ == sqlStateColumnList) {
      AddColumn(i);
      state_ = sqlStateValues;
    } else if (state_ == sqlStateValues)
      KeepValue(i);
    aliasStart_ = i + 1;
  }

  // Returns the end of the operator run.
  size_t Operators(size_t i) {
    size_t end = i;
    while (end < s_.size() && IsOperator(s_[end])) ++end;
    if (state_ == sqlStateConditions) {
      FlushWord(i);
      AddIfNotEmpty(parts_.WhereWords, std::string(s_.substr(i, end - i)));
      aliasStart_ = end;
      return end;
    }
    if (state_ == sqlStateSetList && equals_ == kNone) {
      const size_t eq = s_.find('=', i);
      if (eq < end) equals_ = eq;
    }
    return end;
  }

  void Quote(size_t i) {
    const bool words = depth_ == 0 && WordList() != nullptr;
    if (quote_ == 0) {
      quote_ = s_[i];
      if (words) FlushWord(i);
    } else {
      quote_ = 0;
      if (words) {
        AddIfNotEmpty(*WordList(), Text(aliasStart_, i + 1));
        aliasStart_ = i + 1;
      }
    }
  }

  // A "/" alone on its line ends a lenient analysis.
  bool IsScriptSlash(size_t i) const {
    if (!lenient_ || i == 0 || (s_[i - 1] != '\n' && s_[i - 1] != ' ')) return false;
    return i + 1 == s_.size() || s_[i + 1] == '\r' || s_[i + 1] == '\n' || s_[i + 1] == ' ';
  }

  enum class WordResult { Go, NextStatement };

  WordResult Keyword(const std::string& w, size_t start, size_t end) {
    if (w == "FROM") {
      if (state_ == sqlStateSelectList) AddPending(start);
      state_ = sqlStateTables;
    } else if (state_ == sqlStateTables && IsJoinWord(w)) {
      if (!joinStarted_) AddPending(start);
      joinStarted_ = true;
      if (w == "JOIN") joinSeen_ = true;
    } else if (state_ == sqlStateTables && joinSeen_ && w == "ON") {
      AddPending(start);
      state_ = sqlStateConditions;
      joinStarted_ = joinSeen_ = false;
    } else if (w == "WHERE" || w == "GROUP" || w == "ORDER") {
      if (state_ == sqlStateSelectList) Fail();
      AddPending(start);
      state_ = w[0] == 'W' ? sqlStateConditions : w[0] == 'G' ? sqlStateGroupBy : sqlStateOrderBy;
    } else if (w == "HAVING") {
      if (state_ == sqlStateSelectList || state_ == sqlStateOrderBy) Fail();
      AddPending(start);
      state_ = sqlStateHaving;
    } else if (kind_ == sqlKindUpdate && w == "SET") {
      if (state_ == sqlStateTables) AddPending(start);
      state_ = sqlStateSetList;
    } else if (kind_ == sqlKindInsert && w == "VALUES") {
      if (state_ == sqlStateTables) AddPending(start);
      state_ = sqlStateValues;
    } else if (kind_ == sqlKindCreateView && w == "AS") {
      if (state_ == sqlStateTables && !viewNamed_) {
        parts_.ViewName = Text(aliasStart_, start);
        viewNamed_ = true;
      }
    } else if (kind_ == sqlKindCreateView && viewNamed_ && !viewQuery_ && w == "SELECT") {
      state_ = sqlStateSelectList;
      viewQuery_ = true;
    } else if (w == "UNION" || w == "FOR") {
      Fail();
    } else if (lenient_ && IsStatementWord(w)) {
      return WordResult::NextStatement;
    } else if (w != "INTO" && w != "BY") {
      aliasStart_ = start;
      return WordResult::Go;
    }
    Restart(end);
    return WordResult::Go;
  }

  // Blanks outside quotes: flush a condition word, then read the next word.
  // Returns where scanning goes on, or kNone with `next` set when another
  // statement begins.
  size_t Blank(size_t i, size_t& next) {
    FlushWord(i);
    size_t start = i;
    while (start < s_.size() && IsBlank(s_[start])) ++start;
    size_t end = start;
    while (end < s_.size() && IsWordChar(s_[end])) end = NextChar(s_, end);
    if (end == start) return start;
    std::string w(s_.substr(start, end - start));
    std::transform(w.begin(), w.end(), w.begin(), AsciiUpper);
    if (Keyword(w, start, end) == WordResult::NextStatement) {
      next = start;
      return kNone;
    }
    return end;
  }

  void Finish(size_t end) {
    if (state_ != sqlStateColumnList && state_ != sqlStateValues) AddPending(end);
    if (quote_ != 0) Fail();
    if (depth_ > 0 && !lenient_) Fail();
    if (kind_ != sqlKindInsert) return;
    if (firstColumn_ >= 0) {
      const int columns = parts_.SelectItems.Count() - firstColumn_;
      if (static_cast<size_t>(columns) != values_.size()) Fail();
      for (int k = 0; k < columns; ++k) parts_.SelectItems.SetValue(firstColumn_ + k, values_[static_cast<size_t>(k)]);
    } else {
      for (const std::string& v : values_) parts_.SelectItems.Add("", v);
    }
  }

  // Reads one statement from `from`; returns where the next one starts, or
  // kNone.
  size_t Statement(size_t from, int& kind) {
    size_t i = from;
    kind_ = sqlKindNone;
    for (; i < s_.size() && kind_ == sqlKindNone; ++i) {
      for (const KindWord& k : kKindWords) {
        if (!StartsWithNoCase(s_, i, k.word)) continue;
        kind_ = k.kind;
        i += k.word.size() - 1;
        break;
      }
    }
    kind = kind_;
    if (kind_ == sqlKindNone) return kNone;
    state_ = kind_ == sqlKindSelect ? sqlStateSelectList : sqlStateTables;
    quote_ = 0;
    depth_ = 0;
    parenStart_ = i;
    firstColumn_ = -1;
    values_.clear();
    joinStarted_ = joinSeen_ = viewNamed_ = viewQuery_ = false;
    Restart(i);
    while (i < s_.size()) {
      const char c = s_[i];
      if (quote_ != 0) {
        if (c == quote_) Quote(i);
        i = NextChar(s_, i);
      } else if (IsBlank(c) && (depth_ == 0 || lenient_)) {
        size_t next = kNone;
        i = Blank(i, next);
        if (i == kNone) {
          Finish(next);
          return next;
        }
      } else if ((c == '\'' || c == '"') && !(c == '"' && kind_ == sqlKindCreateView && !viewNamed_)) {
        Quote(i);
        ++i;
      } else if (c == '(') {
        OpenParen(i);
        ++i;
      } else if (c == ')') {
        CloseParen(i);
        ++i;
      } else if (IsOperator(c) && (depth_ == 0 || lenient_)) {
        i = Operators(i);
      } else if (c == ',' && (depth_ == 0 || lenient_ ||
                              (depth_ == 1 && (state_ == sqlStateColumnList || state_ == sqlStateValues)))) {
        Comma(i);
        ++i;
      } else if (c == '/' && IsScriptSlash(i)) {
        break;
      } else {
        i = NextChar(s_, i);
      }
    }
    Finish(std::min(i, s_.size()));
    return kNone;
  }

  std::string_view s_;
  TovSQLParts& parts_;
  const std::string& message_;
  const bool lenient_;

  int kind_ = sqlKindNone;
  int state_ = sqlStateSelectList;
  char quote_ = 0;
  int depth_ = 0;
  size_t itemStart_ = 0;
  size_t aliasStart_ = 0;
  size_t parenStart_ = 0;
  size_t equals_ = kNone;
  int firstColumn_ = -1;  // index of the first INSERT column in SelectItems
  std::vector<std::string> values_;
  bool joinStarted_ = false;  // the table before the join was added
  bool joinSeen_ = false;
  bool viewNamed_ = false;
  bool viewQuery_ = false;
};

}  // namespace

int AnalyzeSQL(const std::string& sql, TovSQLParts& parts, const std::string& message) {
  return SqlScanner(sql, parts, message).Run();
}

// ---- names ----

std::string UnquoteName(const std::string& name) {
  if (name.empty() || name.front() != '"') return name;
  std::string out;
  for (size_t i = 1; i < name.size(); ++i) {
    if (name[i] != '"') {
      out += name[i];
    } else if (i + 1 < name.size() && name[i + 1] == '"') {
      out += '"';
      ++i;
    } else {
      break;
    }
  }
  return out;
}

std::string NormalizeSQLName(const std::string& name) {
  std::string rest = name;
  if (!rest.empty() && rest.back() == ';') rest.pop_back();
  if (!rest.empty() && rest.front() == '"') return UnquoteName(rest);
  return UpperCase(rest);
}

void SplitQualifiedName(const std::string& name, std::string& schema, std::string& table) {
  bool quoted = false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == '"') quoted = !quoted;
    if (name[i] == '.' && !quoted) {
      schema = name.substr(0, i);
      table = name.substr(i + 1);
      return;
    }
  }
  schema.clear();
  table = name;
}
