// heSearch: the editor's text search over a buffer of cells (display rows
// joined with CR LF). A match never starts on the trail cell of a wide
// character; case may be folded for ASCII and for the full-width Latin,
// Greek, Cyrillic and roman-numeral letters; half-width and full-width forms
// may count as equal (a half-width kana with its voicing mark counting as the
// one voiced kana); a match may be held to whole words and may run over line
// breaks and blanks of the text. Positions and lengths are cells.
#pragma once

#include <cstdint>
#include <string>

#include "editor/core/heCells.h"

using TSearchOptions = uint16_t;
inline constexpr TSearchOptions sfDown = 0x01;
inline constexpr TSearchOptions sfMatchCase = 0x02;
inline constexpr TSearchOptions sfWholeWord = 0x04;
inline constexpr TSearchOptions sfFoldWidth = 0x08;
inline constexpr TSearchOptions sfSkipLineBreaks = 0x40;
inline constexpr TSearchOptions sfSkipBlanks = 0x80;

// The current selection going in, the match coming out.
struct TSearchSelection {
  int Start = 0;
  int Length = 0;
};

// False for an empty pattern or buffer; on a match the selection becomes it.
bool SearchText(const TCellString& buffer, TSearchSelection& selection, const TCellString& pattern,
                TSearchOptions options);
// The match's first cell, or -1. Down searches from the selection's end,
// up from its start; on a match the selection's length is set.
int SearchBuffer(const TCellString& buffer, TSearchSelection& selection, const TCellString& pattern,
                 TSearchOptions options);
// Every narrow character in its full-width form, voiced kana pairs joined.
TCellString FoldWidth(const TCellString& text);
// The letter a case-blind search takes for `code`: ASCII, full-width Latin,
// Greek, Cyrillic and small roman numerals go to their capitals.
char32_t SearchUpperCase(char32_t code);
