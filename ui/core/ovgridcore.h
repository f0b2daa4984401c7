// ovgridcore: the plain rules of the string grid: edit styles and modes,
// the check-cell texts, the Enter key, pick-list completion and the
// snapshot that tells what the user changed.
#pragma once

#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "ui/core/ovcheckglyph.h"

enum TovGridEditStyle { geSimple = 0, geEllipsis = 1, gePickList = 2, geDropList = 3, geCheckBox = 4, geViewCheckBox = 5 };
enum TovGridEditorMode { geAccess = 0, geExcel = 1, geNormal = 2 };

// The texts of check cells.
inline constexpr const char* kCheckedText = "1";
inline constexpr const char* kGrayedText = "2";

// A check cell's text read as an integer: 1 ticked, 2 grayed, else empty.
TCheckLook CheckLookOf(const std::string& text);

bool IsCheckStyle(TovGridEditStyle style);

// What Enter does in a grid of the mode, in a column of the style (none for
// a column beyond the styles).
enum class TGridEnter { Nothing, NextColumn, RowDown, RowUp };
TGridEnter GridEnterAction(TovGridEditorMode mode, std::optional<TovGridEditStyle> style, bool shift);

// The row or column Enter moves to from |at|, held within [first, last].
int GridEnterTarget(TGridEnter action, int at, int first, int last);

// A typed character that flips a check cell: the printable ASCII ones.
bool IsCheckToggleChar(char32_t c);

// The first item that begins with the prefix, ignoring case.
std::optional<std::string> PickListMatch(const std::string& prefix, const std::vector<std::string>& items);

// The edit after a character typed into a pick-list editor: the first item
// that begins with the text before the selection (the whole text when
// nothing is selected) plus the character, with the rest of the item
// selected. Positions count the edit's own units.
struct TPickCompletion {
  QString Text;
  int SelStart = 0;
  int SelLength = 0;
};
std::optional<TPickCompletion> CompletePick(const QString& text, int selStart, int selLength, const QString& typed,
                                            const std::vector<std::string>& items);

// The item a double click steps to: the one after the text's item, round
// to the first; the first when the text is no item.
std::string NextPickItem(const std::string& text, const std::vector<std::string>& items);

// An arrow key of a grid's editor leaves it for the neighbouring cell when
// the whole text is selected from position 0.
bool ArrowLeavesEditor(int selStart, int selLength, int textLength);

// The top row after a page of the scroll bar: half a visible page, held
// within [first, last].
int PageScrollTarget(int top, int visibleRows, bool down, int first, int last);

// Every row's cell texts, row 0 the title row.
using TGridCells = std::vector<std::vector<std::string>>;

// The cell texts as they were when the owner last saved them.
class TGridSnapshot {
 public:
  void Save(const TGridCells& cells) { saved_ = cells; }
  // The row count differs or any row differs cell by cell.
  bool Modified(const TGridCells& cells) const;
  // The cell's text differs from the saved one; a cell outside the saved
  // rows counts as empty there.
  bool CellModified(int col, int row, const std::string& text) const;

 private:
  TGridCells saved_;
};
