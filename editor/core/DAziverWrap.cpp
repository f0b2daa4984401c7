#include "editor/core/DAziverWrap.h"

#include <algorithm>

#include "editor/core/heRaStrings.h"

namespace {

const char* const kDefaultFollowStr = "、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ";
const char* const kDefaultLeadStr = "（［｛「『([{｢";
const char* const kDefaultPunctuationStr = "、。，．,.｡､";

// Hanging punctuation may take this many columns beyond the row.
constexpr int kHangColumns = 2;
// How far a word break and the kinsoku rules may pull a cut back.
constexpr int kWordBreakDivisor = 3;
constexpr int kLeadingDivisor = 5;
constexpr int kLeadingFactor = 4;

bool EndsWordBreak(char attr) { return attr == kAttrDelimiter || attr == kAttrTabFill || attr == kAttrTrail; }

// Moves the cursor from column W back or forth to where the row ends.
void FindCut(TEditorAttributeArray& cursor, const TEditorWrapOption& option) {
  const int w = option.WrapByte();
  if (cursor.Attr() == kAttrLead) {
    cursor.Prev();
  } else if (option.WordBreak() && cursor.Columns() > w) {
    while (!EndsWordBreak(cursor.Attr()) && cursor.Position() > w / kWordBreakDivisor) cursor.PrevChar();
  }
  if (option.FollowPunctuation()) {
    while (cursor.Position() < w + kHangColumns && option.InPunctuation(cursor.PeekNext())) {
      cursor.Next();
      if (cursor.Attr() == kAttrLead) cursor.Next();
    }
  }
  if (option.Leading() && cursor.Position() < cursor.Columns()) {
    const int floor = (w / kLeadingDivisor) * kLeadingFactor;
    while (cursor.Position() > floor && option.InLead(cursor.Current())) cursor.PrevChar();
    if (cursor.Position() + 1 < cursor.Columns() && option.InFollow(cursor.PeekNext())) {
      while (cursor.Position() > floor && (option.InLead(cursor.Current()) || option.InFollow(cursor.PeekNext()))) {
        cursor.PrevChar();
      }
    }
  }
}

}  // namespace

void TEditorWrapOption::TCharSet::Assign(const std::string& text) {
  Text = text;
  Chars.clear();
  const TCellString cells = TCellString::FromUtf8(text);
  for (int i = 0; i < cells.Length(); ++i) {
    if (cells.Cell(i).Type != TCellType::Trail) Chars += cells.Cell(i).Code;
  }
}

TEditorWrapOption::TEditorWrapOption() {
  FFollowStr.Assign(kDefaultFollowStr);
  FLeadStr.Assign(kDefaultLeadStr);
  FPunctuationStr.Assign(kDefaultPunctuationStr);
}

void TEditorWrapOption::StoreSet(TCharSet& field, const std::string& value) {
  if (field.Text == value) return;
  field.Assign(value);
  Changed();
}

void TEditorWrapOption::SetWrapByte(int value) { Store(FWrapByte, std::clamp(value, kMinWrapByte, kMaxWrapByte)); }

void TEditorWrapOption::Assign(const TEditorWrapOption& source) {
  FFollowRetMark = source.FFollowRetMark;
  FFollowPunctuation = source.FFollowPunctuation;
  FFollowStr = source.FFollowStr;
  FLeading = source.FLeading;
  FLeadStr = source.FLeadStr;
  FPunctuationStr = source.FPunctuationStr;
  FWordBreak = source.FWordBreak;
  FWrapByte = source.FWrapByte;
  Changed();
}

bool FitsOneRow(std::string_view line, const TEditorWrapOption& option) {
  const int w = option.WrapByte();
  // A cell takes at least one byte; only a TAB takes more columns than cells.
  if (line.find('\t') != std::string_view::npos) return false;
  return static_cast<int>(line.size()) < w || CellCount(line, w) < w;
}

std::vector<TWrappedRow> WrapLine(const TCellString& line, const TEditorWrapOption& option, TRowAttrSettings settings) {
  const int w = option.WrapByte();
  settings.WrapByte = w;
  std::string attr = RowAttrText(line, settings);
  if (static_cast<int>(attr.size()) < w) return {{0, line.Length(), raCrlf}};

  std::vector<TWrappedRow> rows;
  int first = 0;
  TEditorAttributeArray cursor;
  cursor.Reset(line, attr);
  cursor.MoveTo(w);
  while (cursor.Attr() != kAttrEnd) {
    FindCut(cursor, option);
    rows.push_back({first, cursor.ByteCount(), raWrapped});
    first += cursor.ByteCount();
    attr = RowAttrText(line, settings, first);
    cursor.Reset(line, attr, first);
    cursor.MoveTo(w);
  }
  const int rest = line.Length() - first;
  if (rest > 0 || !option.FollowRetMark()) {
    rows.push_back({first, rest, raCrlf});
  } else {
    rows.back().Kind = raCrlf;
  }
  return rows;
}
