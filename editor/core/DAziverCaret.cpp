#include "editor/core/DAziverCaret.h"

#include <algorithm>

namespace {

// The caret may stand beyond column 10000 only to finish a wide character.
constexpr int kLastLeadCol = kMaxDrawnCol - 1;
constexpr int kQuarter = 4;

char AttrAt(const std::string& attr, int col) {
  return col >= 0 && col < static_cast<int>(attr.size()) ? attr[static_cast<size_t>(col)] : kAttrEnd;
}

// A trail column to its lead; without InTab a fill column back to its TAB.
int ToCharStart(const std::string& attr, int col, bool inTab) {
  if (AttrAt(attr, col) == kAttrTrail) --col;
  if (!inTab) {
    while (AttrAt(attr, col) == kAttrTabFill) --col;
  }
  return col;
}

// Clears the flag and reports the move however the operation ends.
class TCaretMoveScope {
 public:
  TCaretMoveScope(bool& flag, TEditorCaretPort& port) : FFlag(flag), FPort(port) { FFlag = true; }
  ~TCaretMoveScope() {
    FFlag = false;
    FPort.CaretMoved();
  }
  TCaretMoveScope(const TCaretMoveScope&) = delete;
  TCaretMoveScope& operator=(const TCaretMoveScope&) = delete;

 private:
  bool& FFlag;
  TEditorCaretPort& FPort;
};

}  // namespace

void TEditorCaretModel::Remember(bool vertical, int col) {
  if (vertical && FRememberedCol == kNoCol) FRememberedCol = col;
}

void TEditorCaretModel::AdjustCol(bool vertical, int direction) {
  const std::string attr = GetRowAttrText(FRows, FRow);
  const int w = static_cast<int>(attr.size());
  if (!vertical) {
    FRememberedCol = kNoCol;
  } else if (FRememberedCol != kNoCol) {
    FCol = FRememberedCol;
  }
  if (!FOptions.FreeCaret && FCol > w) {
    if (FOptions.KeepCaret) Remember(vertical, Dragging ? w : FCol);
    if (!(FOptions.FreeRow && vertical && KeyMove)) FCol = w;
  }
  if (AttrAt(attr, FCol) == kAttrTrail) {
    Remember(vertical, FCol);
    FCol += direction;
  }
  if (!FOptions.InTab) {
    while (AttrAt(attr, FCol) == kAttrTabFill) {
      Remember(vertical, FCol);
      FCol += direction;
    }
  }
  const int wrapByte = FRows.AttrSettings().WrapByte;
  if (wrapByte > 0 && FCol >= w) {
    Remember(vertical, FCol);
    if (GetRowKind(FRows, FRow) == raWrapped) {
      FCol = w - 1;
    } else if (FCol >= wrapByte) {
      FCol = std::max(w, wrapByte - 1);
    }
    FCol = ToCharStart(attr, FCol, FOptions.InTab);
  }
  if (FCol > kMaxDrawnCol && AttrAt(attr, kLastLeadCol) != kAttrLead) FCol = kMaxDrawnCol;
  if (!CaretMoving) FPort.CaretMoved();
}

int TEditorCaretModel::Pos() const {
  return FAtWideRowEnd ? GetRowText(FRows, FRow).Length() : CaretPos(FRows, FRow, FCol);
}

int TEditorCaretModel::Cell() const {
  return FAtWideRowEnd ? GetRowText(FRows, FRow).Length() : ColToPos(GetRowAttrText(FRows, FRow), FCol);
}

void TEditorCaretModel::SetCol(int col) {
  const int old = FCol;
  const int width = RowWidth(FRows, FRow);
  FAtWideRowEnd = width > kMaxDrawnCol && col >= width;
  FCol = std::clamp(col, 0, kMaxCaretCol);
  FPort.RulerMarkMoved(old, FCol);
  AdjustCol(false, FCol > old ? 1 : -1);
}

void TEditorCaretModel::SetRow(int row) {
  const int count = FRows.GetCount();
  if (row == FRow && FRow != count) return;
  FAtWideRowEnd = false;
  const int oldCol = FCol;
  FRow = std::clamp(row, 0, count);
  if (FRow == count && FRow > 0 && GetRowKind(FRows, count - 1) != raCrlf) --FRow;
  AdjustCol(true, -1);
  if (FCol != oldCol) FPort.RulerMarkMoved(oldCol, FCol);
}

void TEditorCaretModel::SetRowCol(int row, int col) {
  if (row == FRow && col == FCol && !FAtWideRowEnd) return;
  TCaretMoveScope scope(CaretMoving, FPort);
  SetRow(row);
  SetCol(ToCharStart(GetRowAttrText(FRows, FRow), col, FOptions.InTab));
}

void TEditorCaretModel::MoveCaretToOffset(int row, int offset) {
  int remaining = std::max(0, offset);
  for (int r = std::max(0, row); r < FRows.GetCount(); ++r) {
    const int span = RowSpan(FRows, r);
    if (span > remaining || GetRowKind(FRows, r) == raEof) {
      SetRowCol(r, OffsetToCol(FRows, r, remaining));
      return;
    }
    remaining -= span;
  }
  SetRowCol(FRows.GetCount(), 0);
}

std::vector<int> TEditorCaretModel::WordStarts(int row, TFountain& fountain) {
  if (FRows.BracketIndex(row) == kBracketNotComputed) FRows.UpdateRowStates(row, false);
  const TCellString display = ExpandTabs(GetRowText(FRows, row), FRows.AttrSettings());
  TRowAttributeData state = FRows.RowAttributeData(row);
  if (state.BracketIndex == kBracketNotComputed) state.BracketIndex = kNoBracket;
  const auto parser = fountain.CreateParser();
  parser->RowStateIn(display, state);
  std::vector<int> starts;
  for (int kind = parser->Next(); kind != toEof; kind = parser->Next()) {
    if (kind != toSymbol) starts.push_back(parser->TokenStart());
  }
  return starts;
}

void TEditorCaretModel::WordMove(int direction, TFountain& fountain) {
  const int count = FRows.GetCount();
  int row = FRow;
  int col = FCol;
  TRowCol to{row, col};
  if (direction > 0) {
    if (row >= count) return;
    if (col >= RowWidth(FRows, row)) {
      if (row == count - 1 && GetRowKind(FRows, row) != raCrlf) return;
      ++row;
      col = -1;
    }
    const std::vector<int> starts = WordStarts(row, fountain);
    const auto next = std::upper_bound(starts.begin(), starts.end(), col);
    if (next != starts.end()) {
      to = {row, *next};
    } else if (GetRowKind(FRows, row) == raWrapped) {
      to = {row + 1, 0};
    } else {
      to = {row, RowWidth(FRows, row)};
    }
  } else {
    if (col == 0) {
      if (row == 0) return;
      --row;
      col = RowWidth(FRows, row);
      to = {row, col};
    }
    if (FCol != 0 || GetRowKind(FRows, row) != raCrlf) {
      const std::vector<int> starts = WordStarts(row, fountain);
      const auto before = std::lower_bound(starts.begin(), starts.end(), col);
      if (before != starts.begin()) {
        to = {row, *std::prev(before)};
      } else {
        to = row == 0 ? TRowCol{0, 0} : TRowCol{row - 1, RowWidth(FRows, row - 1)};
      }
    }
  }
  if (to.Row != FRow || to.Col != FCol) SetRowCol(to.Row, to.Col);
}

int TEditorCaretModel::MaxTopRow() const { return std::max(0, FRows.GetCount() + FVisibleRows - 1); }

void TEditorCaretModel::SetVisible(int rows, int cols) {
  FVisibleRows = std::max(1, rows);
  FVisibleCols = std::max(0, cols);
  FTopRow = std::min(FTopRow, MaxTopRow());
  FTopCol = std::min(FTopCol, MaxTopCol());
}

void TEditorCaretModel::SetTopRow(int row) {
  const int old = FTopRow;
  FTopRow = std::max(0, std::min(row, FRows.GetCount()));
  if (FTopRow != old) FPort.TopRowChanged(old);
}

void TEditorCaretModel::SetTopCol(int col) {
  const int old = FTopCol;
  FTopCol = std::max(0, std::min(col, MaxTopCol()));
  if (FTopCol != old) FPort.TopColChanged(old);
}

bool TEditorCaretModel::CaretOutOfView() const {
  return FRow < FTopRow || FRow > FTopRow + FVisibleRows || FCol < FTopCol || FCol > FTopCol + FVisibleCols;
}

void TEditorCaretModel::ScrollCaretIntoView() {
  if (FRow < FTopRow) {
    SetTopRow(FRow);
  } else if (FRow >= FTopRow + FVisibleRows) {
    SetTopRow(FRow - FVisibleRows + 1);
  }
  const int quarter = FVisibleCols / kQuarter;
  if (FCol < FTopCol) {
    SetTopCol(std::max(0, std::min(FCol, FTopCol - quarter)));
  } else if (FCol >= FTopCol + FVisibleCols) {
    SetTopCol(std::min(std::max(FCol - FVisibleCols + 1, FTopCol + quarter), MaxTopCol()));
  }
}

void TEditorCaretModel::PageMove(int n) {
  const int count = FRows.GetCount();
  if (FTopRow == 0 && n < 0) {
    SetRow(0);
    return;
  }
  const bool lastWithoutBreak = FTopRow == count - 1 && GetRowKind(FRows, FTopRow) == raEof;
  if (n > 0 && (lastWithoutBreak || FTopRow >= count)) return;
  const int old = FTopRow;
  SetTopRow(std::max(0, std::min(FTopRow + n, count)));
  SetRow(FRow + FTopRow - old);
}

void TEditorCaretModel::VScroll(TScrollCode code, int position) {
  int step = 0;
  switch (code) {
    case scLineUp: step = -1; break;
    case scLineDown: step = 1; break;
    case scPageUp: step = std::min(-1, -FVisibleRows); break;
    case scPageDown: step = std::max(1, FVisibleRows); break;
    case scTop: step = -FTopRow; break;
    case scBottom: step = MaxTopRow() - FTopRow; break;
    case scThumbPosition:
    case scThumbTrack: step = position - FTopRow; break;
  }
  step = std::clamp(step, -FTopRow, MaxTopRow() - FTopRow);
  if (step == 0) return;
  SetTopRow(FTopRow + step);
  if (FOptions.LockScroll) SetRow(FRow + step);
}

void TEditorCaretModel::HScroll(TScrollCode code, int position) {
  const int right = FVisibleCols / 2 + kScrollMax - FTopCol;
  int step = 0;
  switch (code) {
    case scLineUp: step = -1; break;
    case scLineDown: step = 1; break;
    case scPageUp: step = std::min(-1, -FVisibleCols); break;
    case scPageDown: step = std::max(1, FVisibleCols); break;
    case scTop: step = -FTopCol; break;
    case scBottom: step = right; break;
    case scThumbPosition:
    case scThumbTrack: step = position - FTopCol; break;
  }
  step = std::clamp(step, -FTopCol, right);
  if (step != 0) SetTopCol(FTopCol + step);
}
