#include "editor/core/DAziverMapping.h"

#include <algorithm>

namespace {

constexpr int kCrLfBytes = 2;
constexpr int kEofSpan = 1;

bool InText(const TEditorScreenStrings& rows, int row) { return row >= 0 && row < rows.GetCount(); }

bool IsTab(const TCell& cell) { return cell.Type == TCellType::Single && cell.Code == '\t'; }

bool IsBlank(const TCell& cell) { return cell.Code == ' ' || cell.Code == U'\u3000'; }

}  // namespace

TCellString GetRowText(const TEditorScreenStrings& rows, int row) {
  return InText(rows, row) ? rows.Get(row) : TCellString();
}

int GetRowKind(const TEditorScreenStrings& rows, int row) { return InText(rows, row) ? rows.Rows(row) : raEof; }

std::string GetRowAttrText(const TEditorScreenStrings& rows, int row) {
  return InText(rows, row) ? RowAttrText(rows.Get(row), rows.AttrSettings()) : std::string();
}

int RowWidth(const TEditorScreenStrings& rows, int row) {
  return InText(rows, row) ? TextWidth(rows.Get(row), rows.AttrSettings()) : 0;
}

int GetTextLen(const TEditorScreenStrings& rows) {
  int length = 0;
  for (int i = 0; i < rows.GetCount(); ++i) {
    length += static_cast<int>(rows.Bytes(i).size()) + (rows.Rows(i) == raCrlf ? kCrLfBytes : 0);
  }
  return length;
}

int GetCaretRowCount(const TEditorScreenStrings& rows) {
  const int count = rows.GetCount();
  if (count == 0) return 1;
  return rows.Rows(count - 1) == raEof ? count : count + 1;
}

int LeadingBlankWidth(const TCellString& text, const TRowAttrSettings& settings) {
  if (text.IsEmpty()) return -1;
  int i = 0;
  while (i < text.Length() && (IsTab(text.Cell(i)) || IsBlank(text.Cell(i)))) ++i;
  return TextWidth(text.Mid(0, i), settings);
}

TCellString ExpandTabs(const TCellString& text, const TRowAttrSettings& settings) {
  const std::string attr = RowAttrText(text, settings);
  std::string display;
  int cell = 0;
  for (size_t col = 0; col < attr.size(); ++col) {
    if (attr[col] == kAttrTabFill) {
      display += static_cast<char>(kTabFillChar);
      continue;
    }
    if (IsTab(text.Cell(cell))) {
      display += static_cast<char>(kTabFillChar);
    } else if (attr[col] != kAttrTrail) {
      const size_t from = text.ByteOffset(cell);
      display += text.Utf8().substr(from, text.ByteOffset(cell + 1) - from);
    }
    ++cell;
  }
  return TCellString::FromUtf8(display);
}

int RowToLine(const TEditorScreenStrings& rows, int row) {
  if (!rows.WordWrap()) return row;
  int line = 0;
  for (int i = 0; i < std::min(row, rows.GetCount()); ++i) line += rows.Rows(i) == raCrlf ? 1 : 0;
  return line;
}

const TCellString& DisplayText(const TEditorScreenStrings& rows, int row, TCellString& scratch) {
  const TRowAttrSettings settings = rows.AttrSettings();
  const TCellString& text = rows.Peek(row, scratch);
  if (rows.Bytes(row).find('\t') == std::string_view::npos && text.Length() <= AttrLimit(settings)) return text;
  TCellString display = ExpandTabs(text, settings);
  scratch = std::move(display);
  return scratch;
}

void ScanRowTokens(TEditorScreenStrings& rows, int row, const TCellString& display, TFountainParser& parser,
                   std::vector<TRowToken>& tokens) {
  tokens.clear();
  rows.ComputeRowState(row, parser);
  TRowAttributeData state = rows.RowAttributeData(row);
  const bool computed = state.BracketIndex != kBracketNotComputed;
  if (!computed) state.BracketIndex = kNoBracket;
  const int next = row + 1;
  const bool handsOn = computed && next < rows.GetCount() && rows.BracketIndex(next) == kBracketNotComputed &&
                       rows.Bytes(row) == display.Utf8();
  const bool wrapped = rows.Rows(row) == raWrapped && next < rows.GetCount();
  if (wrapped) {
    // The next row read without keeping cells for it. Where both rows are
    // their own texts, the scan is RowStateOut's too, which gives the next
    // row's state on the way.
    TCellString nextScratch;
    const TCellString& nextDisplay = DisplayText(rows, next, nextScratch);
    const TCellString joined = display + nextDisplay;
    const bool stateOut = handsOn && rows.Bytes(next) == nextDisplay.Utf8() && parser.RowStateScans(display, state);
    TRowAttributeData out = state;
    const bool nextWrapped = rows.Rows(next) == raWrapped;
    bool stateDone = !stateOut;
    parser.RowStateIn(joined, state);
    for (int kind = parser.Next();; kind = parser.Next()) {
      if (!stateDone) stateDone = parser.RowStateStep(kind, display.Length(), nextWrapped, out);
      if (kind == toEof || parser.TokenStart() >= display.Length()) break;
      tokens.push_back({parser.TokenStart(), parser.TokenLength(), kind, parser.TokenToFountainColor()});
    }
    while (!stateDone) stateDone = parser.RowStateStep(parser.Next(), display.Length(), nextWrapped, out);
    if (!stateOut) return;
    out.PrevRowAttribute = rows.Rows(row);
    out.RowAttribute = rows.Rows(next);
    rows.SetRowAttributeData(next, out);
    return;
  }
  parser.RowStateIn(display, state);
  for (int kind = parser.Next(); kind != toEof && parser.TokenStart() < display.Length(); kind = parser.Next()) {
    tokens.push_back({parser.TokenStart(), parser.TokenLength(), kind, parser.TokenToFountainColor()});
  }
  // The scan was RowStateOut's own when the text scanned is the row's text
  // and nothing was carried into the row.
  if (!handsOn || state.WrappedByte != 0 || state.Remain != 0) return;
  parser.RowEndState(state);
  state.PrevRowAttribute = rows.Rows(row);
  state.RowAttribute = rows.Rows(next);
  rows.SetRowAttributeData(next, state);
}

int ColToPos(const std::string& attr, int col) {
  const auto end = attr.begin() + std::min(static_cast<int>(attr.size()), std::max(0, col + 1));
  return col - static_cast<int>(std::count(attr.begin(), end, kAttrTabFill));
}

int CaretPos(const TEditorScreenStrings& rows, int row, int col) {
  return std::min(ColToPos(GetRowAttrText(rows, row), col), GetRowText(rows, row).Length());
}

int RowSpan(const TEditorScreenStrings& rows, int row) {
  const int length = InText(rows, row) ? static_cast<int>(rows.Bytes(row).size()) : 0;
  switch (GetRowKind(rows, row)) {
    case raCrlf: return length + kCrLfBytes;
    case raWrapped: return length;
    default: return length + kEofSpan;
  }
}

int CharsBetween(const TEditorScreenStrings& rows, int from, int row, int col) {
  int offset = 0;
  for (int i = from; i < row; ++i) offset += RowSpan(rows, i);
  const TCellString text = GetRowText(rows, row);
  return offset + static_cast<int>(text.ByteOffset(std::clamp(CaretPos(rows, row, col), 0, text.Length())));
}

int OffsetToCol(const TEditorScreenStrings& rows, int row, int bytes) {
  const TCellString text = GetRowText(rows, row);
  const TRowAttrSettings settings = rows.AttrSettings();
  const int cells = text.CellOf(static_cast<size_t>(std::clamp(bytes, 0, static_cast<int>(text.Utf8().size()))));
  return std::min(TextWidth(text.Mid(0, cells), settings), TextWidth(text, settings));
}

void BoxCells(const std::string& attr, int startCol, int endCol, int& first, int& last) {
  first = -1;
  last = 0;
  int cell = 0;
  for (int col = 0; col < static_cast<int>(attr.size()); ++col) {
    const char a = attr[static_cast<size_t>(col)];
    if (a == kAttrTabFill) continue;
    if (a != kAttrTrail && col >= startCol && col < endCol) {
      if (first < 0) first = cell;
      last = cell + (a == kAttrLead ? 2 : 1);
    }
    ++cell;
  }
  if (first < 0) first = last = 0;
}

TRowCol PosToRowCol(const TEditorGeometry& g, int x, int y, bool nearest) {
  if (x < g.TextLeft) x -= g.CellWidth - 1;
  const int shift = nearest ? g.CellWidth / 2 - 1 : 0;
  return {(y - g.TextTop) / g.RowHeight + g.TopRow, std::max(0, (x + shift - g.TextLeft) / g.CellWidth + g.TopCol)};
}

bool PosToRowPos(const TEditorScreenStrings& rows, const TEditorGeometry& g, int x, int y, int& row, int& pos) {
  row = -1;
  pos = -1;
  if (rows.GetCount() == 0 || g.CellWidth == 0 || g.RowHeight == 0 || x < g.TextLeft || y < g.TextTop) return false;
  const TRowCol at = PosToRowCol(g, x, y, true);
  if (at.Row < 0 || at.Row >= rows.GetCount()) return false;
  const std::string attr = GetRowAttrText(rows, at.Row);
  int col = at.Col;
  if (col >= static_cast<int>(attr.size())) return false;
  if (attr[static_cast<size_t>(col)] == kAttrTrail) --col;
  while (col > 0 && attr[static_cast<size_t>(col)] == kAttrTabFill) --col;
  row = at.Row;
  pos = std::min(ColToPos(attr, col), rows.Get(row).Length());
  return true;
}
