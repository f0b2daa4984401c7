// DAziverEdit: the texts the editing commands build before they hand them
// to ReplaceRows: the remainder of a selection, rows joined, indentation and
// line comments of a row range, the rows of a rectangular paste, and the
// indentation of Return and of Backspace. Plain functions over a row list;
// positions are cells of a row, offsets bytes of the UTF-8 text.
#pragma once

#include <string>
#include <vector>

#include "editor/core/DAziverSelection.h"

// The SQL line comment.
inline constexpr char kLineComment[] = "--";

// What is left of one selected row, with the cell position where text put
// in place of the selection goes.
struct TRemainderRow {
  TCellString Text;
  int Kind = raCrlf;
  int InsertPos = 0;
};
using TRemainder = std::vector<TRemainderRow>;

// A normal selection leaves one row (its start row's head and its end row's
// tail); a box one row per box row, each without the box's characters.
TRemainder BuildRemainder(const TEditorScreenStrings& rows, const TEditorSelection& selection);
// Each row's text, CR LF after each row of kind raCrlf.
std::string JoinRows(const TRemainder& rows);
// The text padded with blanks to `pos` cells.
TCellString PadTo(const TCellString& text, int pos);
// `s` put at cell `pos` of the text, which is padded first when shorter.
TCellString InsertAt(const TCellString& text, int pos, const std::string& s);
// CR LF for a row that ends with a line break, else nothing.
std::string RowBreak(const TEditorScreenStrings& rows, int row);
// The edit anchor of a change from `row` on: re-wrapping may pull text into
// the row before.
int EditAnchor(const TEditorScreenStrings& rows, int row);
// The bytes from the start of `from` to cell `pos` of `row`, a position
// beyond the row counting as blanks.
int OffsetTo(const TEditorScreenStrings& rows, int from, int row, int pos);

// Rows first..last of an indentation or comment command.
struct TRowRange {
  int First = 0;
  int Last = 0;
};
// The selection's rows, without an end row the selection leaves at column 0.
TRowRange SelectedRows(const TTextSelection& text);
// A normal-mode row may take `width` more columns: soft wrap off, or neither
// it nor the row before wrapped and its width stays below WrapByte.
bool MayWiden(const TEditorScreenStrings& rows, int row, int width);
// A box row reaches `pos` and, with soft wrap on, may take `inserted` there.
bool BoxRowMayWiden(const TEditorScreenStrings& rows, int row, int pos, const std::string& inserted);
// Width of the leading blank characters, TABs not counted.
int LeadingBlanksWithoutTabs(const TCellString& text, const TRowAttrSettings& settings);

// The rows with what a command changes; Changed[i] says whether row
// range.First + i was changed.
struct TRowsEdit {
  std::string Text;
  std::vector<bool> Changed;
  bool Any() const;
};
// A TAB at the start of each row that may take it (box: at the box column's position).
TRowsEdit IndentRows(const TEditorScreenStrings& rows, TRowRange range, int boxCol = -1);
// One leading TAB off each row that has it (box: the TAB at the box column's position).
TRowsEdit UnindentRows(const TEditorScreenStrings& rows, TRowRange range, int boxCol = -1);
// Every row, past its leading blanks and control characters (box: from the
// box column on), begins with "--".
bool AllCommented(const TEditorScreenStrings& rows, TRowRange range, int boxCol = -1);
// "--" off each row (the first one in it) or onto each row that may take it.
TRowsEdit ToggleComments(const TEditorScreenStrings& rows, TRowRange range, bool remove, int boxCol = -1);

// A rectangular paste: the rows it replaces, their new text and where the
// caret goes (bytes from the first replaced row's start).
struct TBoxPaste {
  int FirstRow = 0;
  int RowCount = 0;  // rows of the text replaced; 0 appends
  std::string Text;
  int CaretOffset = 0;
};
// Line j of `lines` goes into row startRow + j at the start column: into the
// remainder's rows first (a selection's rows without the selection), then
// into the rows after `lastSelRow`, then into new rows of blanks.
TBoxPaste BuildBoxPaste(const TEditorScreenStrings& rows, int startRow, int startCol, const TRemainder& remainder,
                        int lastSelRow, const std::vector<std::string>& lines);

// The indentation of a new line after Return at (row, col).
int ReturnIndent(const TEditorScreenStrings& rows, const TEditorCaret& caret, int row, int col);
// g blanks, or with TabIndent TABs for every TabSpaceCount and blanks for the rest.
std::string IndentText(int width, bool tabIndent, int tabSpaceCount);
// The column Backspace unindents a row to when the caret is at `col`: the
// indentation of the nearest row above indented less, else 0.
int UnindentTarget(const TEditorScreenStrings& rows, int row, int col);
// The row cut at column t: the leading part up to t (a wide character cut at
// t becomes a blank, a TAB its fill's blanks) followed by the text from the
// caret's column on (the rest of a TAB's fill as blanks).
TCellString UnindentRowText(const TEditorScreenStrings& rows, int row, int target, int caretCol);
