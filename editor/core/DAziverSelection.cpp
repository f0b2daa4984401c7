#include "editor/core/DAziverSelection.h"

#include <algorithm>

void TEditorSelection::SetHitStyle(TEditorHitStyle style) {
  if (style == FHitStyle) return;
  CleanSelection();
  FHitStyle = style;
}

void TEditorSelection::BeginSelection() {
  if (HasSelection()) CleanSelection();
  const TEditorScreenStrings& rows = FCaret.Rows();
  if (rows.GetCount() == 0) return;
  FState = stAnchored;
  const int row = FCaret.Row();
  PlaceAnchor(row, FMode == smBox ? FCaret.Col() : std::min(FCaret.Col(), RowWidth(rows, row)));
  FText = {row, row, FAnchorPos, FAnchorPos - 1};
  FDisplay = {row, row, FAnchorCol, FAnchorCol};
  FPainted = FDisplay;
}

void TEditorSelection::PlaceAnchor(int row, int col) {
  FAnchorRow = row;
  FAnchorCol = col;
  FAnchorPos = CaretPos(FCaret.Rows(), row, col);
}

void TEditorSelection::ActivateSelection() {
  if (FState != stAnchored) return;
  FPort.CaretBeginUpdate();
  FState = FHitPending ? stHit : stSelected;
  ExtendSelection();
}

void TEditorSelection::ExtendSelection() {
  if (!HasSelection()) return;
  const TEditorScreenStrings& rows = FCaret.Rows();
  const int row = FCaret.Row();
  const int col = FCaret.Col();
  const int a = FCaret.Pos();
  FText.StartRow = std::min(FAnchorRow, row);
  FText.EndRow = std::max(FAnchorRow, row);
  FDisplay.StartRow = FText.StartRow;
  FDisplay.EndRow = FText.EndRow;
  const int anchorCol = FMode == smBox ? FAnchorCol : std::min(FAnchorCol, RowWidth(rows, FAnchorRow));
  const int caretCol = FMode == smBox ? col : std::min(col, RowWidth(rows, row));
  if (FAnchorRow == row) {
    FText.StartPos = std::min(FAnchorPos, a);
    FText.EndPos = std::max(FAnchorPos, a) - 1;
  } else if (FAnchorRow < row) {
    FText.StartPos = FAnchorPos;
    FText.EndPos = a - 1;
  } else {
    FText.StartPos = a;
    FText.EndPos = FAnchorPos - 1;
  }
  if (FMode == smBox || FAnchorRow == row) {
    FDisplay.StartCol = std::min(anchorCol, caretCol);
    FDisplay.EndCol = std::max(anchorCol, caretCol);
  } else {
    FDisplay.StartCol = FAnchorRow < row ? anchorCol : caretCol;
    FDisplay.EndCol = FAnchorRow < row ? caretCol : anchorCol;
  }
  if (Drawn()) RepaintSelection();
  FPort.SelectionChanged(true);
}

void TEditorSelection::UpdateSelection() {
  if (FState == stAnchored) {
    ActivateSelection();
  } else if (FState == stSelected) {
    ExtendSelection();
  }
}

void TEditorSelection::RepaintSelection() {
  if (FPainted == FDisplay) return;
  if (FMode == smBox) {
    FPort.RepaintRows(std::min(FPainted.StartRow, FDisplay.StartRow), std::max(FPainted.EndRow, FDisplay.EndRow));
  } else {
    if (FPainted.StartRow != FDisplay.StartRow || FPainted.StartCol != FDisplay.StartCol) {
      FPort.RepaintRows(std::min(FPainted.StartRow, FDisplay.StartRow), std::max(FPainted.StartRow, FDisplay.StartRow));
    }
    if (FPainted.EndRow != FDisplay.EndRow || FPainted.EndCol != FDisplay.EndCol) {
      FPort.RepaintRows(std::min(FPainted.EndRow, FDisplay.EndRow), std::max(FPainted.EndRow, FDisplay.EndRow));
    }
  }
  FPainted = FDisplay;
}

void TEditorSelection::CleanSelection() {
  if (FState == stAnchored) FState = stNone;
  if (!HasSelection()) return;
  const bool drawn = Drawn();
  FState = stNone;
  FHitPending = false;
  FHitLength = 0;
  FRowSelecting = false;
  const bool empty = FDisplay.StartRow == FDisplay.EndRow && FDisplay.StartCol == FDisplay.EndCol;
  if (drawn && !empty) FPort.RepaintRows(FDisplay.StartRow - 1, FDisplay.EndRow + 1);
  FPort.CaretEndUpdate();
  FCaret.ForgetCol();
  FPort.SelectionChanged(false);
}

bool TEditorSelection::IsInSelection(int row, int col) const {
  return FState == stSelected && row >= FDisplay.StartRow && row <= FDisplay.EndRow &&
         !(row == FDisplay.StartRow && col < FDisplay.StartCol) && !(row == FDisplay.EndRow && col > FDisplay.EndCol - 1);
}

int TEditorSelection::OffsetOf(int row, int pos) const {
  const TEditorScreenStrings& rows = FCaret.Rows();
  int offset = 0;
  for (int r = 0; r < row; ++r) offset += RowSpan(rows, r);
  const TCellString text = GetRowText(rows, row);
  return offset + static_cast<int>(text.ByteOffset(std::clamp(pos, 0, text.Length())));
}

int TEditorSelection::SelStart() const {
  return HasSelection() ? OffsetOf(FText.StartRow, FText.StartPos) : OffsetOf(FCaret.Row(), FCaret.Pos());
}

void TEditorSelection::BoxCells(int row, int& first, int& last) const {
  ::BoxCells(GetRowAttrText(FCaret.Rows(), row), FDisplay.StartCol, FDisplay.EndCol, first, last);
}

int TEditorSelection::SelLength() const {
  if (FState != stSelected) return 0;
  if (FMode == smBox) return static_cast<int>(SelText().size());
  return OffsetOf(FText.EndRow, FText.EndPos + 1) - OffsetOf(FText.StartRow, FText.StartPos);
}

std::string TEditorSelection::SelText() const {
  if (FState != stSelected) return {};
  const TEditorScreenStrings& rows = FCaret.Rows();
  std::string text;
  if (FMode == smBox) {
    for (int row = FDisplay.StartRow; row <= FDisplay.EndRow; ++row) {
      int first = 0;
      int last = 0;
      BoxCells(row, first, last);
      text += GetRowText(rows, row).Mid(first, last - first).Utf8() + kCrLf;
    }
    return text;
  }
  for (int row = FText.StartRow; row <= FText.EndRow; ++row) {
    const TCellString line = GetRowText(rows, row);
    const int from = row == FText.StartRow ? FText.StartPos : 0;
    const int to = row == FText.EndRow ? FText.EndPos + 1 : line.Length();
    text += line.Mid(from, to - from).Utf8();
    if (row != FText.EndRow && GetRowKind(rows, row) == raCrlf) text += kCrLf;
  }
  return text;
}

void TEditorSelection::SetSelStart(int offset) {
  CleanSelection();
  if (FCaret.Rows().GetCount() == 0) return;
  FCaret.MoveCaretToOffset(0, offset);
}

void TEditorSelection::SetSelLength(int length) {
  if (FCaret.Rows().GetCount() == 0) return;
  SetSelectionMode(smNormal);
  if (length <= 0) {
    if (HasSelection()) {
      const TDisplaySelection start = FDisplay;
      CleanSelection();
      FCaret.SetRowCol(start.StartRow, start.StartCol);
    }
    return;
  }
  FCaret.CaretMoving = true;
  if (HasSelection()) FCaret.SetRowCol(FDisplay.StartRow, FDisplay.StartCol);
  const bool pending = FHitPending;
  BeginSelection();
  FHitPending = pending;
  const int row = FCaret.Row();
  const int from = static_cast<int>(GetRowText(FCaret.Rows(), row).ByteOffset(FCaret.Pos()));
  FCaret.MoveCaretToOffset(row, from + length);
  // A move to where the caret already stands leaves the flag set.
  FCaret.CaretMoving = false;
  FPort.CaretMoved();
  UpdateSelection();
}

void TEditorSelection::SelectAll() {
  SetSelStart(0);
  SetSelLength(GetTextLen(FCaret.Rows()));
}

void TEditorSelection::SetSelectionMode(TSelectionMode mode) {
  if (mode == FMode) return;
  FMode = mode;
  if (!HasSelection()) return;
  FPainted = {};
  ExtendSelection();
}

int TEditorSelection::LimitRow(int row) const {
  const TEditorScreenStrings& rows = FCaret.Rows();
  const int count = rows.GetCount();
  int r = std::clamp(row, 0, count);
  if (r == count && r > 0 && GetRowKind(rows, count - 1) != raCrlf) --r;
  return r;
}

TRowCol TEditorSelection::RowEnd(int row) const {
  const TEditorScreenStrings& rows = FCaret.Rows();
  if (GetRowKind(rows, row) == raEof) return {row, RowWidth(rows, row)};
  return {row + 1, 0};
}

void TEditorSelection::StartRowSelection(int row) {
  if (FCaret.Rows().GetCount() == 0) return;
  CleanSelection();
  const int r = LimitRow(row);
  const TRowCol end = RowEnd(r);
  const bool last = GetRowKind(FCaret.Rows(), r) == raEof;
  // The last row is selected from its end back, so the caret can stay at its start.
  FCaret.SetRowCol(last ? end.Row : r, last ? end.Col : 0);
  BeginSelection();
  FCaret.SetRowCol(last ? r : end.Row, last ? 0 : end.Col);
  ActivateSelection();
  FCaret.SetRowCol(r, 0);
  FRowSelStart = r;
  FRowSelecting = true;
}

void TEditorSelection::ExtendRowSelection(int row) {
  if (!FRowSelecting) return;
  const int a = LimitRow(row);
  if (a >= FRowSelStart) {
    PlaceAnchor(FRowSelStart, 0);
    const TRowCol end = RowEnd(a);
    FCaret.SetRowCol(end.Row, end.Col);
  } else {
    const TRowCol end = RowEnd(FRowSelStart);
    PlaceAnchor(end.Row, end.Col);
    FCaret.SetRowCol(a, 0);
  }
  UpdateSelection();
}

void TEditorSelection::SetHit(int length) {
  if (FHitStyle == hsSelect || length <= 0) {
    SetSelLength(length);
  } else {
    const TRowCol caret{FCaret.Row(), FCaret.Col()};
    FHitPending = true;
    SetSelLength(length);
    FHitPending = false;
    // A caret-style hit keeps the caret where the hit starts; the window widens it.
    if (FHitStyle == hsCaret) FCaret.SetRowCol(caret.Row, caret.Col);
  }
  FHitLength = length;
}

void TEditorSelection::MoveEnds(const TDisplaySelection& display, const TTextSelection& text) {
  const bool atStart = FAnchorRow == FDisplay.StartRow && FAnchorCol == FDisplay.StartCol;
  const bool atEnd = !atStart && FAnchorRow == FDisplay.EndRow && FAnchorCol == FDisplay.EndCol;
  FDisplay = display;
  FText = text;
  if (atStart) {
    FAnchorCol = display.StartCol;
    FAnchorPos = text.StartPos;
  } else if (atEnd) {
    FAnchorCol = display.EndCol;
    FAnchorPos = text.EndPos + 1;
  }
  FPainted = FDisplay;
}
