// DAziverMapping: how display rows, columns, cell positions, byte offsets
// and client pixels map onto each other over a row list. Rows outside the
// text are empty rows of kind raEof. Positions are cells of a row; offsets
// are bytes of the UTF-8 text, a line break counting 2 and a wrapped row's
// end 0, so that they match what callers hold of the text.
#pragma once

#include <string>

#include "editor/core/DAziverRows.h"

// The caret's last column.
inline constexpr int kMaxCaretCol = 10001;
// Columns that are drawn and that the caret may stand on freely.
inline constexpr int kMaxDrawnCol = 10000;
// The display text shows a TAB and its fill as this byte, painted blank.
inline constexpr char32_t kTabFillChar = 0x1B;

TCellString GetRowText(const TEditorScreenStrings& rows, int row);
int GetRowKind(const TEditorScreenStrings& rows, int row);
std::string GetRowAttrText(const TEditorScreenStrings& rows, int row);
int RowWidth(const TEditorScreenStrings& rows, int row);
// Bytes of the whole text, CR LF counted for each row of kind raCrlf.
int GetTextLen(const TEditorScreenStrings& rows);
// Rows the caret may stand on: the row after the last one only when the
// text ends with a line break.
int GetCaretRowCount(const TEditorScreenStrings& rows);
// Width of the leading blanks (a TAB to its stop); -1 for an empty text.
int LeadingBlankWidth(const TCellString& text, const TRowAttrSettings& settings);
// The row with each TAB and its fill as kTabFillChar.
TCellString ExpandTabs(const TCellString& text, const TRowAttrSettings& settings);
// With soft wrap on: the rows before `row` that end with a line break.
int RowToLine(const TEditorScreenStrings& rows, int row);

// Cell position of a column: the column less the fill columns up to it.
int ColToPos(const std::string& attr, int col);
// Cell position of the caret: ColToPos, at most the row's length.
int CaretPos(const TEditorScreenStrings& rows, int row, int col);
// Bytes a row adds to an offset walk: the line break 2, a wrapped end 0 and
// the last row's end 1, so that an offset at its end stays on it.
int RowSpan(const TEditorScreenStrings& rows, int row);
// Byte offset from the start of `from` to (row, col).
int CharsBetween(const TEditorScreenStrings& rows, int from, int row, int col);
// Column of the first `bytes` bytes of a row, at most its width.
int OffsetToCol(const TEditorScreenStrings& rows, int row, int bytes);
// Cells [first, last) of a row inside the box columns [startCol, endCol): a
// character belongs to the box when its first column does. A row the box
// misses gives first = last = 0.
void BoxCells(const std::string& attr, int startCol, int endCol, int& first, int& last);

// Where the text sits in the client area and how big a cell is.
struct TEditorGeometry {
  int TextLeft = 0;
  int TextTop = 0;
  int CellWidth = 0;
  int RowHeight = 0;
  int TopRow = 0;
  int TopCol = 0;
};

struct TRowCol {
  int Row = 0;
  int Col = 0;
  bool operator==(const TRowCol&) const = default;
};

// Client pixel to row and column; `nearest` rounds to the nearer column edge.
TRowCol PosToRowCol(const TEditorGeometry& geometry, int x, int y, bool nearest);
// Client pixel to row and cell position inside the text; false (and -1s)
// outside it. A wide character's trail and a TAB's fill give the character.
bool PosToRowPos(const TEditorScreenStrings& rows, const TEditorGeometry& geometry, int x, int y, int& row, int& pos);
