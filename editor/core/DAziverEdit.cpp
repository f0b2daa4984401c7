#include "editor/core/DAziverEdit.h"

#include <algorithm>

#include "editor/core/heUtils.h"

namespace {

constexpr char kTab[] = "\t";
constexpr int kCommentLength = sizeof(kLineComment) - 1;

bool Wrapped(const TEditorScreenStrings& rows, int row) { return GetRowKind(rows, row) == raWrapped; }

// Cells of the whole text after `first`.
TCellString Rest(const TCellString& text, int first) { return text.Mid(first, text.Length() - first); }

std::string Blanks(int count) { return std::string(static_cast<size_t>(std::max(0, count)), ' '); }

// The cell position of a box column in a row: a column beyond the row
// counts on in blanks.
int BoxPos(const TEditorScreenStrings& rows, int row, int col) {
  const std::string attr = GetRowAttrText(rows, row);
  const int width = static_cast<int>(attr.size());
  return col >= width ? GetRowText(rows, row).Length() + col - width : ColToPos(attr, col);
}

// As BoxPos, a column inside a TAB's fill or on a wide character's trail
// taken as the next character's position.
int NextCharPos(const TEditorScreenStrings& rows, int row, int col) {
  const std::string attr = GetRowAttrText(rows, row);
  int c = col;
  while (c < static_cast<int>(attr.size()) && (attr[static_cast<size_t>(c)] == kAttrTabFill || attr[static_cast<size_t>(c)] == kAttrTrail)) ++c;
  return c == col ? BoxPos(rows, row, col) : c >= static_cast<int>(attr.size()) ? GetRowText(rows, row).Length() : ColToPos(attr, c);
}

bool IsLeadingFiller(char32_t code) { return code <= U' ' || code == kWideSpace; }

// Where "--" stands after the leading blanks from `pos` on, or -1.
int CommentAfterBlanks(const TCellString& text, int pos) {
  int i = pos;
  while (i < text.Length() && IsLeadingFiller(text.CodeAt(i))) ++i;
  return text.Mid(i, kCommentLength).Utf8() == kLineComment ? i : -1;
}

// Cell index of the first "--" from `pos` on, or -1.
int FindComment(const TCellString& text, int pos) {
  for (int i = std::max(0, pos); i + 1 < text.Length(); ++i) {
    if (text.CodeAt(i) == U'-' && text.CodeAt(i + 1) == U'-') return i;
  }
  return -1;
}

// Applies `edit` to each row of the range (limited to the text): it gives
// the row's new text, or false when the row stays.
template <class Edit>
TRowsEdit EditRows(const TEditorScreenStrings& rows, TRowRange range, Edit edit) {
  TRowsEdit result;
  for (int row = range.First; row <= std::min(range.Last, rows.GetCount() - 1); ++row) {
    TCellString text = GetRowText(rows, row);
    const bool changed = edit(row, text);
    result.Changed.push_back(changed);
    result.Text += text.Utf8() + RowBreak(rows, row);
  }
  return result;
}

}  // namespace

TRemainder BuildRemainder(const TEditorScreenStrings& rows, const TEditorSelection& selection) {
  TRemainder remainder;
  if (!selection.Selected()) return remainder;
  if (selection.Mode() == smBox) {
    const TDisplaySelection& box = selection.Display();
    for (int row = box.StartRow; row <= std::min(box.EndRow, rows.GetCount() - 1); ++row) {
      int first = 0;
      int last = 0;
      selection.BoxCells(row, first, last);
      const TCellString text = GetRowText(rows, row);
      const int insert = first == last ? BoxPos(rows, row, box.StartCol) : first;
      remainder.push_back({text.Mid(0, first) + Rest(text, last), GetRowKind(rows, row), insert});
    }
    return remainder;
  }
  const TTextSelection& t = selection.Text();
  const TCellString head = GetRowText(rows, t.StartRow).Mid(0, t.StartPos);
  remainder.push_back({head + Rest(GetRowText(rows, t.EndRow), t.EndPos + 1), GetRowKind(rows, t.EndRow), t.StartPos});
  return remainder;
}

std::string JoinRows(const TRemainder& rows) {
  size_t length = 0;
  for (const TRemainderRow& row : rows) length += row.Text.Utf8().size() + sizeof(kCrLf) - 1;
  std::string text;
  text.reserve(length);
  for (const TRemainderRow& row : rows) {
    text += row.Text.Utf8();
    if (row.Kind == raCrlf) text += kCrLf;
  }
  return text;
}

TCellString PadTo(const TCellString& text, int pos) {
  if (text.Length() >= pos) return text;
  return TCellString::FromUtf8(text.Utf8() + Blanks(pos - text.Length()));
}

TCellString InsertAt(const TCellString& text, int pos, const std::string& s) {
  const TCellString padded = PadTo(text, pos);
  return TCellString::FromUtf8(padded.Mid(0, pos).Utf8() + s + Rest(padded, pos).Utf8());
}

std::string RowBreak(const TEditorScreenStrings& rows, int row) {
  return GetRowKind(rows, row) == raCrlf ? kCrLf : "";
}

int EditAnchor(const TEditorScreenStrings& rows, int row) {
  return std::max(0, std::max(rows.ParagraphStart(row), row - 1));
}

int OffsetTo(const TEditorScreenStrings& rows, int from, int row, int pos) {
  int offset = 0;
  for (int r = from; r < row; ++r) offset += RowSpan(rows, r);
  const TCellString text = GetRowText(rows, row);
  return offset + static_cast<int>(PadTo(text, pos).ByteOffset(std::max(0, pos)));
}

TRowRange SelectedRows(const TTextSelection& text) {
  return {text.StartRow, std::max(text.StartRow, text.EndPos < 0 ? text.EndRow - 1 : text.EndRow)};
}

bool MayWiden(const TEditorScreenStrings& rows, int row, int width) {
  const int wrapByte = rows.AttrSettings().WrapByte;
  if (wrapByte == 0) return true;
  return !Wrapped(rows, row) && !Wrapped(rows, row - 1) && RowWidth(rows, row) + width < wrapByte;
}

bool BoxRowMayWiden(const TEditorScreenStrings& rows, int row, int pos, const std::string& inserted) {
  const TCellString text = GetRowText(rows, row);
  if (pos >= text.Length()) return false;
  const TRowAttrSettings settings = rows.AttrSettings();
  if (settings.WrapByte == 0) return true;
  return !Wrapped(rows, row) && !Wrapped(rows, row - 1) &&
         TextWidth(InsertAt(text, pos, inserted), settings) < settings.WrapByte;
}

int LeadingBlanksWithoutTabs(const TCellString& text, const TRowAttrSettings& settings) {
  int i = 0;
  while (i < text.Length() && (text.CodeAt(i) == U' ' || text.CodeAt(i) == kWideSpace)) ++i;
  return TextWidth(text.Mid(0, i), settings);
}

bool TRowsEdit::Any() const { return std::find(Changed.begin(), Changed.end(), true) != Changed.end(); }

TRowsEdit IndentRows(const TEditorScreenStrings& rows, TRowRange range, int boxCol) {
  const int tabs = rows.AttrSettings().TabSpaceCount;
  return EditRows(rows, range, [&](int row, TCellString& text) {
    const int pos = boxCol < 0 ? 0 : BoxPos(rows, row, boxCol);
    if (boxCol < 0 ? !MayWiden(rows, row, tabs) : !BoxRowMayWiden(rows, row, pos, kTab)) return false;
    text = InsertAt(text, pos, kTab);
    return true;
  });
}

TRowsEdit UnindentRows(const TEditorScreenStrings& rows, TRowRange range, int boxCol) {
  return EditRows(rows, range, [&](int row, TCellString& text) {
    const int pos = boxCol < 0 ? 0 : BoxPos(rows, row, boxCol);
    if (pos >= text.Length() || text.CodeAt(pos) != U'\t' || Wrapped(rows, row) || Wrapped(rows, row - 1)) return false;
    text = text.Mid(0, pos) + Rest(text, pos + 1);
    return true;
  });
}

bool AllCommented(const TEditorScreenStrings& rows, TRowRange range, int boxCol) {
  for (int row = range.First; row <= std::min(range.Last, rows.GetCount() - 1); ++row) {
    if (CommentAfterBlanks(GetRowText(rows, row), boxCol < 0 ? 0 : BoxPos(rows, row, boxCol)) < 0) return false;
  }
  return true;
}

TRowsEdit ToggleComments(const TEditorScreenStrings& rows, TRowRange range, bool remove, int boxCol) {
  const int tabs = rows.AttrSettings().TabSpaceCount;
  return EditRows(rows, range, [&](int row, TCellString& text) {
    const int pos = boxCol < 0 ? 0 : BoxPos(rows, row, boxCol);
    if (boxCol < 0 ? !MayWiden(rows, row, tabs) : !BoxRowMayWiden(rows, row, pos, kLineComment)) return false;
    if (!remove) {
      text = InsertAt(text, pos, kLineComment);
      return true;
    }
    const int at = FindComment(text, pos);
    if (at < 0) return false;
    text = text.Mid(0, at) + Rest(text, at + kCommentLength);
    return true;
  });
}

TBoxPaste BuildBoxPaste(const TEditorScreenStrings& rows, int startRow, int startCol, const TRemainder& remainder,
                        int lastSelRow, const std::vector<std::string>& lines) {
  const int count = rows.GetCount();
  const int n = static_cast<int>(lines.size());
  const int r = static_cast<int>(remainder.size());
  TBoxPaste paste;
  paste.FirstRow = startRow;
  // Each row takes a line break, but a wrapped row stays joined to the next.
  const auto put = [&](const TCellString& text, int kind, int insert, int j) {
    if (j == n - 1) {
      paste.CaretOffset = static_cast<int>(paste.Text.size() + PadTo(text, insert).ByteOffset(insert) + lines.back().size());
    }
    paste.Text += (j < n ? InsertAt(text, insert, lines[static_cast<size_t>(j)]) : text).Utf8();
    if (kind != raWrapped) paste.Text += kCrLf;
  };
  for (int j = 0; j < r; ++j) {
    const TRemainderRow& row = remainder[static_cast<size_t>(j)];
    put(row.Text, row.Kind, row.InsertPos, j);
  }
  int row = lastSelRow + 1;
  for (int j = r; j < n; ++j, ++row) {
    if (row < count) {
      put(GetRowText(rows, row), GetRowKind(rows, row), NextCharPos(rows, row, startCol), j);
    } else {
      put(TCellString::FromUtf8(Blanks(startCol)), raCrlf, startCol, j);
    }
  }
  paste.RowCount = startRow >= count ? 0 : std::min(count, std::max(row, lastSelRow + 1)) - startRow;
  return paste;
}

int ReturnIndent(const TEditorScreenStrings& rows, const TEditorCaret& caret, int row, int col) {
  if (!caret.AutoIndent) return 0;
  const TRowAttrSettings settings = rows.AttrSettings();
  const int first = rows.ParagraphStart(row);
  const int w = LeadingBlankWidth(GetRowText(rows, first), settings);
  if (w >= 1) return row == first && col < w ? col : w;
  if (!caret.PrevSpaceIndent || !GetRowText(rows, row).IsEmpty() || row != first) return 0;
  for (int above = first - 1; above >= 0; --above) {
    const int start = rows.ParagraphStart(above);
    if (!GetRowText(rows, start).IsEmpty()) return std::max(0, LeadingBlankWidth(GetRowText(rows, start), settings));
    above = start;
  }
  return 0;
}

std::string IndentText(int width, bool tabIndent, int tabSpaceCount) {
  if (!tabIndent) return Blanks(width);
  return std::string(static_cast<size_t>(width / tabSpaceCount), '\t') + Blanks(width % tabSpaceCount);
}

int UnindentTarget(const TEditorScreenStrings& rows, int row, int col) {
  const TRowAttrSettings settings = rows.AttrSettings();
  const int paragraph = rows.ParagraphStart(std::min(row, rows.GetCount()));
  for (int above = std::min(row, rows.GetCount()) - 1; above >= 0; --above) {
    const int width = LeadingBlankWidth(GetRowText(rows, above), settings);
    // Empty rows, and the unindented continuation rows of the caret's
    // paragraph, say nothing about indentation.
    if (width < 0 || (width == 0 && above >= paragraph)) continue;
    if (width < col) return width;
  }
  return 0;
}

TCellString UnindentRowText(const TEditorScreenStrings& rows, int row, int target, int caretCol) {
  const TCellString text = GetRowText(rows, row);
  const std::string attr = GetRowAttrText(rows, row);
  std::string head;
  std::string tail;
  int col = 0;
  bool tailStarted = false;
  for (int i = 0; i < text.Length(); ++i) {
    const TCellType type = text.TypeAt(i);
    if (type == TCellType::Trail) continue;
    int width = type == TCellType::Lead ? 2 : 1;
    while (col + width < static_cast<int>(attr.size()) && attr[static_cast<size_t>(col + width)] == kAttrTabFill) ++width;
    const std::string ch = text.Mid(i, type == TCellType::Lead ? 2 : 1).Utf8();
    if (col + width <= target) {
      head += ch;
    } else if (col < target) {
      head += text.CodeAt(i) == U'\t' ? Blanks(target - col) : Blanks(1);
    }
    if (!tailStarted && col + width > caretCol) {
      tailStarted = true;
      // A caret inside a TAB's fill keeps the rest of the fill as blanks.
      tail += col < caretCol ? Blanks(col + width - caretCol) : ch;
    } else if (tailStarted) {
      tail += ch;
    }
    col += width;
  }
  return TCellString::FromUtf8(head + tail);
}
