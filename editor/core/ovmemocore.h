// ovmemocore: the SQL editor's word rules over one row of cells: the word a
// double click selects, and the word that code completion completes at the
// caret; and the rows a line jump passes through.
#pragma once

#include <string>
#include <vector>

#include "editor/core/DAziverAttr.h"
#include "editor/core/heCells.h"

// Blank, ( ) % ; . , + - < > { } [ ] " ' CR LF TAB. A wide character is
// never a delimiter.
const TDelimiters& SQLDelimiters();

struct TCellRange {
  int Start = 0;
  int Length = 0;
  bool operator==(const TCellRange&) const = default;
};

// The run of non-delimiters around cell `pos` of the row; false when that
// cell is a delimiter or outside the row.
bool SQLTokenAt(const TCellString& row, int pos, TCellRange& range);

// The word code completion completes, `pos` the cell just left of the caret:
// "." after a blank, a quote or a dot (or at the row's start); empty after a
// delimiter; else the word around it, dots included, so that "S.T" is one
// word. An empty row gives the empty word.
std::string SQLCaretWord(const TCellString& row, int pos);

// The rows a jump to 1-based `line` moves the caret to, in order: ten rows
// below, ten above, then the line's own row; each row outside the
// `caretRowCount` rows is left out.
std::vector<int> JumpToLineRows(int line, int caretRowCount);
