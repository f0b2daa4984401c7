// outputcore: the output texts of the comment check and the matrix: the
// text of a cell as a spreadsheet or the clipboard gets it, and the
// clipboard text of a table of rows.
#pragma once

#include <functional>
#include <string>
#include <vector>

using TTextRows = std::vector<std::vector<std::string>>;

// A cell's text with every CR LF made a blank.
std::string OutputCellText(const std::string& text);

// The rows joined by "," or TAB, each ended by CR LF, every cell quoted by
// the clipboard rule of the result grids (a cell holding TAB, CR, LF, '"'
// or, with commas, ',' goes in double quotes, inner quotes doubled).
// `escape` is polled before each row and ends the text; `progress` hears
// the 1-based number of each row written.
std::string RowsClipboardText(const TTextRows& rows, bool comma, const std::function<bool()>& escape,
                              const std::function<void(int)>& progress);
