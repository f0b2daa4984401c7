// heUtils: the character routines of the editor on cells (positions are
// 1-based cell positions) and the split of a text into lines.
#pragma once

#include "editor/core/heCells.h"
#include "editor/core/heStringList.h"

// The full-width space: the double-byte blank.
inline constexpr char32_t kWideSpace = 0x3000;

// Cell i is the lead cell of a wide character; false outside the text.
bool IsDBCS1(const TCellString& s, int i);
// Cell i is the trail cell of a wide character; false outside the text.
bool IsDBCS2(const TCellString& s, int i);
// The character of cell i, 0 when i is outside the text.
char32_t CharAt(const TCellString& s, int i);
// Narrow cells equal to c among the first min(n, length) cells.
int CountChar(const TCellString& s, char32_t c, int n);
// The one character ch occurs in the set at a character boundary.
bool IncludeCharacter(const TCellString& ch, const TCellString& set);
// Cells of the leading spaces and full-width spaces; -1 for an empty text.
int LeadingSpaceWidth(const TCellString& s);
// Replaces the lines by the text split at CR, LF and CR LF, inside one update
// of the list; a final line break adds no empty line.
void StrToStrings(const TCellString& text, TheStringList& lines);
