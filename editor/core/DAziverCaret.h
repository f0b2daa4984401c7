// DAziverCaret: the caret and the view's scroll position over a row list:
// caret row and column with the column rules (free caret, kept column,
// tab fill, wide characters, soft wrap), the top row and column and the
// scroll steps. What a window does about a move (caret shape, scrolling its
// pixels, the ruler mark) goes through TEditorCaretPort.
#pragma once

#include <vector>

#include "editor/core/DAziverMapping.h"
#include "editor/core/DAziverOptions.h"

// The window side of the caret: the control implements it.
class TEditorCaretPort {
 public:
  virtual ~TEditorCaretPort() = default;
  // Shape, into view, position, shown.
  virtual void CaretMoved() = 0;
  // The ruler's caret-column mark moves.
  virtual void RulerMarkMoved(int oldCol, int newCol) = 0;
  // The top row or column changed: scroll the pixels and the bars.
  virtual void TopRowChanged(int oldRow) = 0;
  virtual void TopColChanged(int oldCol) = 0;
  // Rows first..last (clipped to the view) are painted anew at once.
  virtual void RepaintRows(int first, int last) = 0;
  // Around a selection: no caret-row underline while text is selected.
  virtual void CaretBeginUpdate() = 0;
  virtual void CaretEndUpdate() = 0;
  virtual void SelectionChanged(bool selected) = 0;
  // Box or normal mode was switched.
  virtual void SelectionModeChanged() {}
};

// Scroll-bar requests, numbered as the system numbers them.
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scThumbPosition, scThumbTrack, scTop, scBottom };

class TEditorCaretModel {
 public:
  // Columns the view scrolls sideways over.
  static constexpr int kScrollMax = 10000;

  TEditorCaretModel(TEditorScreenStrings& rows, TEditorCaret& options, TEditorCaretPort& port)
      : FRows(rows), FOptions(options), FPort(port) {}

  TEditorScreenStrings& Rows() const { return FRows; }
  int Row() const { return FRow; }
  int Col() const { return FCol; }
  // The caret's cell position in its row.
  int Pos() const;
  // Where typing inserts: Pos, or beyond the row's end with a free caret.
  int Cell() const;
  void SetRow(int row);
  void SetCol(int col);
  void SetRowCol(int row, int col);
  // Caret to `offset` bytes from the start of `row`.
  void MoveCaretToOffset(int row, int offset);
  void AdjustCol(bool vertical, int direction);
  // To the next (+1) or previous (-1) word as the fountain's scanner splits
  // the rows; single characters of no class are no words.
  void WordMove(int direction, TFountain& fountain);
  void ForgetCol() { FRememberedCol = kNoCol; }

  // Set by the input handlers around their moves.
  bool KeyMove = false;   // a vertical keyboard move (FreeRow applies)
  bool Dragging = false;  // a mouse drag (KeepCaret remembers the row width)
  // Set while a compound move runs: AdjustCol leaves CaretMoved to its end.
  bool CaretMoving = false;

  int TopRow() const { return FTopRow; }
  int TopCol() const { return FTopCol; }
  void SetTopRow(int row);
  void SetTopCol(int col);
  int VisibleRows() const { return FVisibleRows; }
  int VisibleCols() const { return FVisibleCols; }
  // The window's size in cells; the top row and column are kept in range.
  void SetVisible(int rows, int cols);
  int MaxTopRow() const;
  int MaxTopCol() const { return kScrollMax - FVisibleCols / 2; }
  bool CaretOutOfView() const;
  // Top row and column so that the caret shows; sideways by a quarter page at least.
  void ScrollCaretIntoView();
  // Rows a page key moves: half the visible rows (less one) times `range`,
  // the speed setting for a single press or for a repeating key.
  int PageRows(int range) const { return (FVisibleRows - 1) / 2 * range; }
  // The view and the caret move `n` rows together.
  void PageMove(int n);
  // A scroll-bar request; `position` is the thumb's.
  void VScroll(TScrollCode code, int position);
  void HScroll(TScrollCode code, int position);

 private:
  static constexpr int kNoCol = -1;
  void Remember(bool vertical, int col);
  // Start columns of a row's words.
  std::vector<int> WordStarts(int row, TFountain& fountain);

  TEditorScreenStrings& FRows;
  TEditorCaret& FOptions;
  TEditorCaretPort& FPort;
  int FRow = 0;
  int FCol = 0;
  int FRememberedCol = kNoCol;
  // The caret stands at the end of a row wider than the drawn columns: its
  // column shows at the last drawn one, its position is the row's true end.
  bool FAtWideRowEnd = false;
  int FTopRow = 0;
  int FTopCol = 0;
  int FVisibleRows = 1;
  int FVisibleCols = 1;
};
