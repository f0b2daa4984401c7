// feoptioncore: the rules of the editor options dialog without its window:
// the colour list of the colour grid and the clean-up of the reserved words
// the user typed.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "editor/core/heFountain.h"

// The colour grid's 16 colours in grid order (silver before gray) followed
// by none: the position of a colour is its grid index, 16 for none.
inline constexpr int kGridColorCount = 16;
inline constexpr int kNoColorIndex = kGridColorCount;
const std::vector<TColor>& EditorColorList();
// The list index of a colour; kNoColorIndex for none and for a colour that
// is not in the grid.
int EditorColorIndex(TColor color);

// The size a font-size box gives: its text as an integer, 10 when the text
// is no number.
int FontSizeOfText(const std::string& text);

// The first word line that, trimmed, still holds a blank; none when every
// line is one word.
std::optional<std::string> ReserveWordWithBlank(const std::vector<std::string>& lines);
// The word lines as stored: each trimmed, the blank lines at the start
// dropped, and every pair of line breaks made one in a single pass (so a run
// of three empty lines leaves one).
std::vector<std::string> CleanReserveWords(const std::vector<std::string>& lines);
