#include "app/core/ovformat.h"

#include <algorithm>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"

namespace {

constexpr std::string_view kLineBreak = "\r\n";
// Clause keywords are padded to this width; the item follows one blank later.
constexpr size_t kKeywordColumn = 6;
// Continuation indents by clause type.
constexpr int kListIndent = 6;
constexpr int kInsertIndent = 7;
constexpr int kSortIndentRight = 9;
constexpr int kSortIndentLeft = 8;
// Option values.
constexpr int kUpperCase = 0;
constexpr int kLowerCase = 1;
constexpr int kRightAligned = 0;
constexpr int kAtLineEnd = 1;
constexpr int kInline = 1;

enum class Mode { None, Select, Insert, Update, Delete };
enum class Clause { None, SelectList, SetList, InsertInto, Values, Table, Condition, GroupBy, Having, OrderBy };
// How a clause keyword takes its column: padded to kKeywordColumn, one blank
// in front when right-aligned (GROUP BY, ORDER BY), or as it stands.
enum class Pad { Column, Sort, None };

enum class Kw {
  Select, From, Where, Group, Order, By, Having, Left, Right, Inner, Outer, Join, On, Insert, Into, Values,
  Update, Set, Delete, Union, For, And, Or, Between, Create, Declare, Is, Begin, Exception, When, End, If,
  Loop, Then, Else, ElseIf, While, Cursor
};

const std::unordered_map<std::string_view, Kw>& Keywords() {
  static const std::unordered_map<std::string_view, Kw> words = {
      {"SELECT", Kw::Select}, {"FROM", Kw::From},         {"WHERE", Kw::Where},       {"GROUP", Kw::Group},
      {"ORDER", Kw::Order},   {"BY", Kw::By},             {"HAVING", Kw::Having},     {"LEFT", Kw::Left},
      {"RIGHT", Kw::Right},   {"INNER", Kw::Inner},       {"OUTER", Kw::Outer},       {"JOIN", Kw::Join},
      {"ON", Kw::On},         {"INSERT", Kw::Insert},     {"INTO", Kw::Into},         {"VALUES", Kw::Values},
      {"UPDATE", Kw::Update}, {"SET", Kw::Set},           {"DELETE", Kw::Delete},     {"UNION", Kw::Union},
      {"FOR", Kw::For},       {"AND", Kw::And},           {"OR", Kw::Or},             {"BETWEEN", Kw::Between},
      {"CREATE", Kw::Create}, {"DECLARE", Kw::Declare},   {"IS", Kw::Is},             {"BEGIN", Kw::Begin},
      {"EXCEPTION", Kw::Exception}, {"WHEN", Kw::When},   {"END", Kw::End},           {"IF", Kw::If},
      {"LOOP", Kw::Loop},     {"THEN", Kw::Then},         {"ELSE", Kw::Else},         {"ELSEIF", Kw::ElseIf},
      {"WHILE", Kw::While},   {"CURSOR", Kw::Cursor}};
  return words;
}

const std::unordered_set<std::string>& ReservedWords() {
  static const std::unordered_set<std::string> words = [] {
    std::vector<std::string> list;
    GetReservedWords(list);
    return std::unordered_set<std::string>(list.begin(), list.end());
  }();
  return words;
}

bool IsDelimiter(char c) {
  switch (c) {
    case '\t': case '\n': case '\r': case ' ': case '"': case '\'': case '(': case ')': case '*': case ',':
    case '-': case '/': case ';': case '<': case '=': case '>':
      return true;
    default:
      return false;
  }
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Only ASCII letters change: the bytes of wide characters stay as they are.
std::string Cased(std::string_view word, int trans) {
  std::string result(word);
  if (trans == kUpperCase)
    std::transform(result.begin(), result.end(), result.begin(), AsciiUpper);
  else if (trans == kLowerCase)
    std::transform(result.begin(), result.end(), result.begin(), AsciiLower);
  return result;
}

class TSqlFormatter {
 public:
  explicit TSqlFormatter(std::string_view in) : opt_(FormatOption), in_(in) {
    out_.reserve(in.size() + in.size() / 2);
  }

  std::string Run() {
    while (at_ < in_.size()) Step();
    FlushPending();
    return std::move(out_);
  }

 private:
  const TFormatOption opt_;
  const std::string_view in_;
  size_t at_ = 0;
  std::string out_;
  size_t lineStart_ = 0;     // where the current output line starts
  size_t protectedEnd_ = 0;  // copied text ends here: trimming never reaches below
  std::string pending_;      // the condition or SET item being collected
  std::string upper_;        // the current word upper-cased
  Mode mode_ = Mode::None;
  Clause clause_ = Clause::None;
  int blockIndent_ = 0;
  bool blank_ = false;  // the input had a blank (or line break) since the last piece
  bool inParen_ = false;
  bool insertParen_ = false;
  bool joinSeen_ = false;
  bool betweenSeen_ = false;
  bool inException_ = false;
  bool whenSeen_ = false;
  bool inDeclare_ = false;
  bool beforeFirstBegin_ = true;
  bool forSeen_ = false;
  bool whileSeen_ = false;
  bool cursorSeen_ = false;
  bool endSeen_ = false;

  char Peek(size_t offset) const { return at_ + offset < in_.size() ? in_[at_ + offset] : '\0'; }
  bool LineEmpty() const { return out_.size() == lineStart_; }
  bool Statement() const { return mode_ != Mode::None; }
  bool Collecting() const {
    return clause_ == Clause::SetList || clause_ == Clause::Condition || clause_ == Clause::Having;
  }

  void Step() {
    const char c = in_[at_];
    if (IsBlank(c)) {
      ++at_;
      blank_ = true;
    } else if (IsLineEnd(c)) {
      InputLineBreak();
    } else if (c == '\'' || c == '"') {
      Quoted(c);
    } else if (c == '-' && Peek(1) == '-') {
      LineComment();
    } else if (c == '/' && Peek(1) == '*' && !(at_ > 0 && in_[at_ - 1] == '*')) {
      BlockComment();
    } else if (c == '/' && SlashLine()) {
      EndWithSlash();
    } else if (IsDelimiter(c)) {
      ++at_;
      Character(c);
    } else {
      const size_t start = at_;
      while (at_ < in_.size() && !IsDelimiter(in_[at_])) ++at_;
      Word(in_.substr(start, at_ - start));
    }
  }

  // ---- output ----

  void Put(std::string_view text) {
    if (LineEmpty()) out_.append(static_cast<size_t>(blockIndent_), ' ');
    out_ += text;
  }
  // Ends the output line; a line of blanks alone is taken back instead, so
  // that line breaks never pile up.
  void BreakLine() {
    blank_ = false;
    joinSeen_ = false;
    if (protectedEnd_ <= lineStart_ && out_.find_first_not_of(' ', lineStart_) == std::string::npos) {
      out_.resize(lineStart_);
      return;
    }
    size_t end = out_.size();
    while (end > protectedEnd_ && out_[end - 1] == ' ') --end;
    out_.resize(end);
    out_ += kLineBreak;
    lineStart_ = out_.size();
  }
  int ContinuationIndent(bool afterComment) const {
    int indent = 0;
    switch (clause_) {
      case Clause::None: return 0;
      case Clause::InsertInto: case Clause::Values: indent = kInsertIndent; break;
      case Clause::GroupBy: case Clause::OrderBy:
        indent = opt_.ReservePos == kRightAligned ? kSortIndentRight : kSortIndentLeft;
        break;
      default: indent = kListIndent;
    }
    const bool extra = opt_.CommaPos == kAtLineEnd || (opt_.AndPos == kAtLineEnd && Collecting()) ||
                       (afterComment && opt_.CommaPos != kAtLineEnd);
    return indent + (extra ? 1 : 0);
  }
  void ContinuationLine(bool afterComment = false) {
    BreakLine();
    if (!Statement()) return;
    out_.append(static_cast<size_t>(blockIndent_ + ContinuationIndent(afterComment)), ' ');
  }
  // The blank the input had before this piece, unless the line starts here or
  // one is there already (none after a list comma either).
  void PutBlank() {
    if (blank_ && !LineEmpty() && out_.back() != ' ' && !(Statement() && out_.back() == ',')) out_ += ' ';
    blank_ = false;
  }
  void PutItem(std::string_view text) {
    if (Statement() && !LineEmpty() && out_.back() == ')') blank_ = true;
    PutBlank();
    Put(text);
  }

  std::string KeywordText(std::string_view typed) const { return Cased(typed, opt_.ReserveTrans); }
  std::string WordText(std::string_view typed) const {
    const bool reserved = Keywords().contains(upper_) || ReservedWords().contains(upper_);
    return Cased(typed, reserved ? opt_.ReserveTrans : opt_.ItemTrans);
  }
  // A clause keyword at the head of a new line, in the keyword column.
  void ClauseLine(std::string_view typed, Pad pad = Pad::Column) {
    FlushPending();
    BreakLine();
    std::string text = KeywordText(typed);
    const bool right = opt_.ReservePos == kRightAligned;
    if (pad == Pad::Column && text.size() < kKeywordColumn)
      text.insert(right ? 0 : text.size(), kKeywordColumn - text.size(), ' ');
    else if (pad == Pad::Sort && right)
      text.insert(0, 1, ' ');
    Put(text + " ");
  }

  // ---- the collected condition text ----

  // The last character of the condition so far; a list comma counts as a
  // blank, as no blank follows it.
  char LastCollected() const {
    if (!pending_.empty()) return pending_.back();
    return LineEmpty() || out_.back() == ',' ? ' ' : out_.back();
  }
  // A word after ")" gets its blank too: "F(X) IS NULL", not "F(X)IS NULL".
  void CollectWord(std::string_view text, bool quoted = false) {
    const char last = LastCollected();
    if (last != '(' && last != ' ' && !(quoted && last == '.')) pending_ += ' ';
    pending_ += text;
  }
  // Operators are joined ("<=", "<>"), but never into "--" or "/*": that
  // would turn the rest of the statement into a comment.
  void CollectCharacter(char c) {
    const char last = LastCollected();
    const bool opensComment = (last == '-' && c == '-') || (last == '/' && c == '*');
    const bool joins = last == '(' || last == '-' || last == '/' || last == '<' || last == '>';
    if (c != '(' && c != ')' && last != ' ' && (!joins || opensComment)) pending_ += ' ';
    pending_ += c;
  }
  void FlushPending() {
    if (pending_.empty()) return;
    Put(pending_);
    protectedEnd_ = out_.size() - (pending_.size() - pending_.find_last_not_of(' ') - 1);
    pending_.clear();
  }

  // ---- comments, strings and line breaks ----

  // True when the rest of the input line is blanks and a "--" comment.
  bool CommentFollowsOnLine() const {
    size_t p = at_;
    while (p < in_.size() && IsBlank(in_[p])) ++p;
    return in_.substr(p).starts_with("--");
  }
  void ConsumeLineBreak() {
    if (Peek(0) == '\r' && Peek(1) == '\n') ++at_;
    ++at_;
  }
  void InputLineBreak() {
    ConsumeLineBreak();
    if (!Statement()) {
      BreakLine();
      return;
    }
    size_t p = at_;
    while (p < in_.size() && IsBlank(in_[p])) ++p;
    const std::string_view rest = in_.substr(p);
    if (rest.starts_with("--") || rest.starts_with("/*")) {
      FlushPending();
      ContinuationLine();
    } else {
      blank_ = true;
    }
  }
  void BeforeComment() {
    FlushPending();
    if (!LineEmpty() && out_.back() != ' ') out_ += ' ';
    blank_ = false;
  }
  void LineComment() {
    BeforeComment();
    const size_t start = at_;
    while (at_ < in_.size() && !IsLineEnd(in_[at_])) ++at_;
    Put(in_.substr(start, at_ - start));
    protectedEnd_ = out_.size();
    if (at_ == in_.size()) return;
    // The line break ends the comment whatever follows: text after it must
    // not join the comment.
    ConsumeLineBreak();
    ContinuationLine(true);
  }
  void BlockComment() {
    BeforeComment();
    const size_t close = in_.find("*/", at_ + 2);
    const size_t end = close == std::string_view::npos ? in_.size() : close + 2;
    Put({});
    while (at_ < end) {
      const char c = in_[at_];
      if (IsLineEnd(c)) {
        ConsumeLineBreak();
        out_ += kLineBreak;
        lineStart_ = out_.size();
        out_.append(static_cast<size_t>(blockIndent_ + (Statement() ? ContinuationIndent(false) : 0)), ' ');
      } else {
        out_ += c;
        ++at_;
      }
    }
    at_ = end;
    protectedEnd_ = out_.size();
  }
  // Quoted texts are copied byte for byte: their line breaks and TABs are data.
  void Quoted(char quote) {
    // A doubled quote stands for the quote itself and keeps the text open.
    size_t close = in_.find(quote, at_ + 1);
    while (close != std::string_view::npos && close + 1 < in_.size() && in_[close + 1] == quote)
      close = in_.find(quote, close + 2);
    const size_t end = close == std::string_view::npos ? in_.size() : close + 1;
    const std::string_view text = in_.substr(at_, end - at_);
    at_ = end;
    if (Statement() && Collecting()) {
      CollectWord(text, true);
      blank_ = false;
      return;
    }
    PutItem(text);
    protectedEnd_ = out_.size();
  }

  // ---- statement ends ----

  // A "/" alone on its line.
  bool SlashLine() const {
    const bool lineStart = at_ == 0 || in_[at_ - 1] == '\n';
    return lineStart && (at_ + 1 == in_.size() || IsLineEnd(in_[at_ + 1]));
  }
  void EndStatement() {
    mode_ = Mode::None;
    clause_ = Clause::None;
    inParen_ = insertParen_ = betweenSeen_ = false;
  }
  void EndWithSlash() {
    ++at_;
    FlushPending();
    BreakLine();
    EndStatement();
    Put("/");
  }

  // ---- delimiters ----

  void Character(char c) {
    if (!Statement()) {
      PutBlank();
      Put(std::string_view(&c, 1));
      if (c == ';' && endSeen_) BreakLine();
      endSeen_ = false;
      return;
    }
    if (c == ';') {
      FlushPending();
      blank_ = false;
      Put(";");
      EndStatement();
      return;
    }
    if (Collecting()) {
      CollectingCharacter(c);
      return;
    }
    switch (c) {
      case ',':
        blank_ = false;
        if (inParen_)
          Put(", ");
        else
          ListComma();
        return;
      case '(':
        OpenParenthesis();
        return;
      case ')':
        PutBlank();
        Put(")");
        if (inParen_) {
          inParen_ = false;
        } else if (insertParen_) {
          insertParen_ = false;
          if (clause_ == Clause::InsertInto) BreakLine();
        }
        return;
      default:
        PutBlank();
        Put(std::string_view(&c, 1));
    }
  }
  void CollectingCharacter(char c) {
    blank_ = false;
    if (c == ',' && clause_ == Clause::SetList && !inParen_) {
      FlushPending();
      ListComma();
      return;
    }
    if (c == '(') inParen_ = true;
    if (c == ')') inParen_ = false;
    CollectCharacter(c);
  }
  void OpenParenthesis() {
    if (clause_ == Clause::InsertInto && !insertParen_) {
      BreakLine();
      out_.append(static_cast<size_t>(blockIndent_ + kInsertIndent), ' ');
      out_ += '(';
      insertParen_ = true;
      return;
    }
    PutBlank();
    Put("(");
    if (clause_ == Clause::Values && !insertParen_)
      insertParen_ = true;
    else
      inParen_ = true;
  }
  void ListComma() {
    blank_ = false;
    if (opt_.ItemReturn == kInline) {
      Put(", ");
    } else if (opt_.CommaPos != kAtLineEnd) {
      ContinuationLine();
      out_ += ',';
    } else {
      Put(",");
      if (!CommentFollowsOnLine()) ContinuationLine();
    }
  }

  // ---- words ----

  // The next word after blanks and line breaks, when it is `word` (any case).
  bool NextWordIs(std::string_view word, std::string_view& typed) const {
    size_t p = at_;
    while (p < in_.size() && (IsBlank(in_[p]) || IsLineEnd(in_[p]))) ++p;
    size_t end = p;
    while (end < in_.size() && !IsDelimiter(in_[end])) ++end;
    if (end - p != word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
      if (AsciiUpper(in_[p + i]) != word[i]) return false;
    typed = in_.substr(p, end - p);
    return true;
  }
  // Joins the following word `second` to this keyword when it comes next.
  bool Pair(std::string_view first, std::string_view second, std::string& typed) {
    std::string_view next;
    if (!NextWordIs(second, next)) return false;
    typed = std::string(first) + " " + std::string(next);
    at_ = static_cast<size_t>(next.data() + next.size() - in_.data());
    return true;
  }
  bool OutputEndsWithFor() const {
    size_t end = out_.find_last_not_of(' ');
    if (end == std::string::npos || end < 2) return false;
    const size_t start = end - 2;
    if (start > 0 && !IsDelimiter(out_[start - 1])) return false;
    return AsciiUpper(out_[start]) == 'F' && AsciiUpper(out_[start + 1]) == 'O' && AsciiUpper(out_[end]) == 'R';
  }

  void Word(std::string_view word) {
    upper_.assign(word);
    std::transform(upper_.begin(), upper_.end(), upper_.begin(), AsciiUpper);
    const auto found = Keywords().find(upper_);
    const std::optional<Kw> keyword =
        found == Keywords().end() ? std::nullopt : std::optional<Kw>(found->second);
    if (keyword && ClauseKeyword(*keyword, word)) return;
    if (!Statement()) {
      ProceduralWord(keyword, word);
      return;
    }
    if (keyword == Kw::Between) betweenSeen_ = true;
    if (Collecting()) {
      CollectWord(WordText(word));
      blank_ = false;
    } else {
      PutItem(WordText(word));
    }
  }

  bool ClauseKeyword(Kw kw, std::string_view word) {
    const bool selecting = mode_ == Mode::Select;
    std::string pair;
    switch (kw) {
      case Kw::Select:
        // A subquery counts its parentheses afresh.
        ClauseLine(word);
        clause_ = Clause::SelectList;
        mode_ = Mode::Select;
        inParen_ = false;
        return true;
      case Kw::From:
        if (!selecting && mode_ != Mode::Delete) return false;
        ClauseLine(word);
        clause_ = Clause::Table;
        return true;
      case Kw::Where:
        if (!Statement()) return false;
        ClauseLine(word);
        clause_ = Clause::Condition;
        return true;
      case Kw::Group:
      case Kw::Order:
        if (!selecting || !Pair(word, "BY", pair)) return false;
        ClauseLine(pair, Pad::Sort);
        clause_ = kw == Kw::Group ? Clause::GroupBy : Clause::OrderBy;
        return true;
      case Kw::Having:
        if (!selecting) return false;
        ClauseLine(word);
        clause_ = Clause::Having;
        return true;
      case Kw::Left:
      case Kw::Right:
      case Kw::Inner:
      case Kw::Outer:
        if (!selecting) return false;
        JoinWord(word, true);
        return true;
      case Kw::Join:
        if (!selecting) return false;
        JoinWord(word, false);
        return true;
      case Kw::On:
        if (!selecting || !joinSeen_) return false;
        ClauseLine(word);
        clause_ = Clause::Condition;
        return true;
      case Kw::Insert:
        if (!Pair(word, "INTO", pair)) return false;
        ClauseLine(pair, Pad::None);
        clause_ = Clause::InsertInto;
        mode_ = Mode::Insert;
        insertParen_ = inParen_ = false;
        return true;
      case Kw::Values:
        if (mode_ != Mode::Insert) return false;
        ClauseLine(word);
        clause_ = Clause::Values;
        insertParen_ = inParen_ = false;
        return true;
      case Kw::Update:
        if (OutputEndsWithFor()) return false;
        ClauseLine(word);
        clause_ = Clause::Table;
        mode_ = Mode::Update;
        return true;
      case Kw::Set:
        if (mode_ != Mode::Update) return false;
        ClauseLine(word);
        clause_ = Clause::SetList;
        return true;
      case Kw::Delete:
        ClauseLine(word);
        clause_ = Clause::Table;
        mode_ = Mode::Delete;
        return true;
      case Kw::Union:
        if (!Statement()) return false;
        ClauseLine(word);
        clause_ = Clause::SelectList;
        mode_ = Mode::Select;
        return true;
      case Kw::For:
        if (!selecting && mode_ != Mode::Update) return false;
        ClauseLine(word);
        clause_ = Clause::Table;
        return true;
      case Kw::And:
      case Kw::Or:
        return Conjunction(kw, word);
      default:
        return false;
    }
  }

  void JoinWord(std::string_view word, bool remember) {
    if (joinSeen_) {
      FlushPending();
      PutBlank();
      Put(KeywordText(word) + " ");
    } else {
      ClauseLine(word);
    }
    joinSeen_ = remember;
    clause_ = Clause::Table;
  }

  bool Conjunction(Kw kw, std::string_view word) {
    if (!Statement() || (clause_ != Clause::Condition && clause_ != Clause::Having)) return false;
    if (kw == Kw::And && betweenSeen_) {
      betweenSeen_ = false;
      return false;
    }
    if (inParen_ || opt_.ItemReturn == kInline) {
      if (LastCollected() != ' ') pending_ += ' ';
      pending_ += KeywordText(word) + " ";
    } else if (opt_.AndPos == kAtLineEnd) {
      FlushPending();
      if (!LineEmpty() && out_.back() != ' ') out_ += ' ';
      Put(KeywordText(word));
      if (!CommentFollowsOnLine()) ContinuationLine();
    } else {
      ClauseLine(word);
    }
    blank_ = false;
    return true;
  }

  // ---- procedural text ----

  void Dedent(int steps) { blockIndent_ = std::max(0, blockIndent_ - steps * opt_.Indent); }
  void Grow() { blockIndent_ += opt_.Indent; }
  void OwnLine(std::string_view word) {
    BreakLine();
    Put(KeywordText(word));
    BreakLine();
  }
  void Plain(std::string_view word) {
    PutBlank();
    Put(WordText(word));
  }

  void ProceduralWord(std::optional<Kw> keyword, std::string_view word) {
    const bool afterEnd = endSeen_;
    endSeen_ = false;
    if (!keyword) {
      Plain(word);
      return;
    }
    std::string pair;
    switch (*keyword) {
      case Kw::Create:
        BreakLine();
        blockIndent_ = 0;
        inException_ = whenSeen_ = inDeclare_ = forSeen_ = whileSeen_ = cursorSeen_ = false;
        beforeFirstBegin_ = true;
        Put(KeywordText(word));
        return;
      case Kw::Declare:
        OwnLine(word);
        Grow();
        inDeclare_ = true;
        return;
      case Kw::Is:
        if (cursorSeen_ || blockIndent_ != 0) {
          cursorSeen_ = false;
          Plain(word);
          return;
        }
        OwnLine(word);
        Grow();
        return;
      case Kw::Begin:
        if (beforeFirstBegin_)
          blockIndent_ = 0;
        else if (inDeclare_)
          Dedent(1);
        OwnLine(word);
        Grow();
        beforeFirstBegin_ = inDeclare_ = false;
        return;
      case Kw::Exception:
        Dedent(1);
        OwnLine(word);
        Grow();
        inException_ = true;
        whenSeen_ = false;
        return;
      case Kw::When:
        if (!inException_) break;
        if (whenSeen_) Dedent(1);
        whenSeen_ = true;
        BreakLine();
        Put(KeywordText(word));
        return;
      case Kw::End:
        if (Pair(word, "IF", pair) || Pair(word, "LOOP", pair)) {
          Dedent(1);
        } else {
          pair = word;
          Dedent(inException_ && whenSeen_ ? 2 : 1);
          if (inException_ && whenSeen_) inException_ = whenSeen_ = false;
        }
        BreakLine();
        Put(KeywordText(pair));
        endSeen_ = true;
        return;
      case Kw::If:
        if (afterEnd) break;
        BreakLine();
        Put(KeywordText(word));
        return;
      case Kw::Loop:
        if (forSeen_ || whileSeen_)
          Plain(word);
        else
          OwnLine(word);
        BreakLine();
        Grow();
        forSeen_ = whileSeen_ = false;
        return;
      case Kw::Then:
        Plain(word);
        Grow();
        BreakLine();
        return;
      case Kw::Else:
        Dedent(1);
        OwnLine(word);
        Grow();
        return;
      case Kw::ElseIf:
        Dedent(1);
        BreakLine();
        Put(KeywordText(word));
        return;
      case Kw::For: forSeen_ = true; break;
      case Kw::While: whileSeen_ = true; break;
      case Kw::Cursor: cursorSeen_ = true; break;
      default: break;
    }
    Plain(word);
  }
};


// The first position of `word` in `text` at or after `from`, ignoring the
// case of ASCII letters.
size_t FindNoCase(std::string_view text, std::string_view word, size_t from) {
  const auto same = [](char a, char b) { return AsciiUpper(a) == AsciiUpper(b); };
  const auto at = std::search(text.begin() + static_cast<std::ptrdiff_t>(std::min(from, text.size())), text.end(),
                              word.begin(), word.end(), same);
  return at == text.end() ? std::string::npos : static_cast<size_t>(at - text.begin());
}

// Every `word` (any case) replaced by `by`.
std::string ReplaceNoCase(const std::string& text, std::string_view word, std::string_view by) {
  std::string result;
  size_t from = 0;
  for (size_t at; (at = FindNoCase(text, word, from)) != std::string::npos; from = at + word.size())
    result.append(text, from, at - from).append(by);
  return result.append(text, from);
}

}  // namespace

std::string FormatSQL(std::string_view text) { return TSqlFormatter(text).Run(); }

void FormatSQLBlock(std::string& sql) {
  if (TrimBlanks(sql).empty()) return;
  std::string text = sql;
  if (text.find("BEGIN ") != std::string::npos)
    text = ReplaceNoCase(text, "BEGIN ", std::string(kLineBreak) + "BEGIN" + std::string(kLineBreak));
  if (text.find("COMMENT ") != std::string::npos) {
    const size_t at = FindNoCase(text, "COMMENT", 0);
    text.insert(at, kLineBreak);
  }
  if (text.find(';') != std::string::npos) text = ReplaceNoCase(text, ";", std::string(";") + std::string(kLineBreak));
  if (text.find("END  ") != std::string::npos) text = ReplaceNoCase(text, "END  ", std::string("END") + std::string(kLineBreak));
  std::string lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines += Trim(text.substr(start, stop - start));
    lines += kLineBreak;
    start = end + 1;
  }
  sql = FormatSQL(lines);
}
