// DAziverView: the editor control as the row list and the line adapter see
// it. The control implements it; tests put a recording view behind it. A row
// list may be shown by several views at once and talks to each through this.
#pragma once

#include "editor/core/DAziverAttr.h"

class TEditorScreenStrings;
class TFountain;

class TEditorView {
 public:
  virtual ~TEditorView() = default;

  // Caret and scrolling, in display rows and columns.
  virtual int Row() const = 0;
  virtual int Col() const = 0;
  virtual void SetRow(int row) = 0;
  virtual void SetCol(int col) = 0;
  virtual int TopRow() const = 0;
  virtual void SetTopRow(int row) = 0;
  // Caret to `offset` cells from the start of `row` (a line break counts 2).
  virtual void MoveCaretToOffset(int row, int offset) = 0;
  virtual void CaretHide() = 0;
  virtual void CaretShow() = 0;
  virtual void CaretBeginUpdate() = 0;
  virtual void CaretEndUpdate() = 0;
  virtual void CaretMoved() = 0;
  virtual void CleanSelection() = 0;

  virtual bool Focused() const = 0;
  // Being loaded from its form resource or being destroyed.
  virtual bool Loading() const = 0;
  // While Lines is updating: the in-update flag and no redraw.
  virtual void SetLinesUpdating(bool updating) = 0;

  // Painting.
  virtual void InvalidateRow(int row) = 0;
  // Metrics, scroll ranges and a repaint.
  virtual void Refresh() = 0;
  // The row list changed; its last-change record says how.
  virtual void DoChange() = 0;
  virtual int RowHeight() const = 0;
  virtual int ScreenHeight() const = 0;

  // What colours and measures the text.
  virtual TFountain* ActiveFountain() = 0;
  virtual bool InitBracketsFull() const = 0;
  virtual const TDelimiters& Delimiters() const = 0;
  virtual int TabSpaceCount() const = 0;
  // The row list the view shows.
  virtual TEditorScreenStrings& ScreenStrings() = 0;
};
