// Keys, characters, the input method, the mouse with selection dragging and
// the edit-control operations of TEditor.
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>

#include "app/core/ovmsg.h"
#include "editor/DAziver.h"
#include "editor/DAziverImages.h"
#include "editor/core/DAziverEdit.h"

namespace {

// The form class whose code-assist handler answers an editor's request.
constexpr char kOwnerFormClass[] = "TovForm";
constexpr int kLowWord = 0xFFFF;
constexpr int kWordBits = 16;
constexpr char32_t kDelete = 0x7F;
// A UTF-8 continuation byte: 10xxxxxx.
constexpr unsigned char kUtf8TailMask = 0xC0;
constexpr unsigned char kUtf8Tail = 0x80;

int MakeLong(int low, int high) { return static_cast<int>((static_cast<unsigned>(high) << kWordBits) | (static_cast<unsigned>(low) & kLowWord)); }

bool IsBlankText(const TCellString& text) {
  for (int i = 0; i < text.Length(); ++i) {
    if (text.CodeAt(i) != U' ' && text.CodeAt(i) != U'\u3000') return false;
  }
  return true;
}

// The row an edit-control offset falls in, and the bytes left of it there;
// an offset beyond a text that ends with a line break gives the row count.
int RowOfOffset(const TEditorScreenStrings& rows, int offset, int& rest) {
  rest = std::max(0, offset);
  const int count = rows.GetCount();
  for (int row = 0; row < count; ++row) {
    const int span = RowSpan(rows, row);
    if (span > rest) return row;
    if (row == count - 1) {
      if (GetRowKind(rows, row) != raCrlf) return row;
      rest -= span;
      return count;
    }
    rest -= span;
  }
  return 0;
}

// Offset of a row's start: the spans of the rows before it.
int RowStart(const TEditorScreenStrings& rows, int row) {
  int offset = 0;
  for (int r = 0; r < row; ++r) offset += RowSpan(rows, r);
  return offset;
}

// Bytes of the cells before `pos` of a row.
int BytesBefore(const TEditorScreenStrings& rows, int row, int pos) {
  const TCellString text = GetRowText(rows, row);
  return static_cast<int>(text.ByteOffset(std::clamp(pos, 0, text.Length())));
}

bool Ctrl(const QInputEvent& event) { return event.modifiers().testFlag(Qt::ControlModifier); }
bool Shift(const QInputEvent& event) { return event.modifiers().testFlag(Qt::ShiftModifier); }

}  // namespace

// ---- keys ----

void TEditor::keyPressEvent(QKeyEvent* event) {
  if (MouseHeld()) {
    // Keys wait while the button is held; a running drag hears Ctrl and Esc.
    if (FDragState != dsDragging) return;
    if (event->key() == Qt::Key_Control) SetCursorKind(ckDragCopy);
    if (event->key() == Qt::Key_Escape) {
      CancelDrag();
      return;
    }
  }
  FKeyRepeating = event->isAutoRepeat();
  if (!KeyDown(*event)) KeyChar(*event);
}

void TEditor::keyReleaseEvent(QKeyEvent* event) {
  if (MouseHeld()) {
    if (FDragState == dsDragging && event->key() == Qt::Key_Control) SetCursorKind(ckDragMove);
    return;
  }
  if (!event->isAutoRepeat()) FKeyRepeating = false;
  QAbstractScrollArea::keyReleaseEvent(event);
}

bool TEditor::KeyDown(QKeyEvent& event) {
  const int key = event.key();
  switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
      const bool shift = Shift(event);
      if (FSelection->State() == stHit || (!shift && FSelection->HasSelection())) FSelection->CleanSelection();
      if (shift && !FSelection->Selected()) FSelection->BeginSelection();
      NavigationKey(key, Ctrl(event));
      if (shift) FSelection->UpdateSelection();
      return true;
    }
    case Qt::Key_Delete:
      DeleteKey();
      return true;
    case Qt::Key_F6:
      CodeAssistRequest();
      return true;
    default:
      return false;
  }
}

void TEditor::NavigationKey(int key, bool ctrl) {
  const TEditorScreenStrings& rows = *FList;
  const int count = rows.GetCount();
  const int row = Row();
  const int top = TopRow();
  const int visible = FCaretModel->VisibleRows();
  switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
      const int range = FKeyRepeating ? FSpeed->PageVerticalRangeAc() : FSpeed->PageVerticalRange();
      const int n = FCaretModel->PageRows(range);
      PageMove(key == Qt::Key_PageUp ? -n : n);
      break;
    }
    case Qt::Key_End:
      if (ctrl) SetRow(count);
      SetCol(Row() >= count ? 0 : RowWidth(rows, Row()));
      break;
    case Qt::Key_Home:
      if (ctrl) SetRow(0);
      SetCol(0);
      break;
    case Qt::Key_Left:
      if (ctrl) {
        FCaretModel->WordMove(-1, *ActiveFountain());
      } else if (Col() > 0) {
        SetCol(Col() - 1);
      } else if (row > 0 && (FCaret->NextLine || GetRowKind(rows, row - 1) == raWrapped)) {
        CaretHide();
        SetRowCol(row - 1, RowWidth(rows, row - 1));
        CaretShow();
      }
      break;
    case Qt::Key_Right:
      if (ctrl) {
        FCaretModel->WordMove(1, *ActiveFountain());
      } else {
        const int old = Col();
        SetCol(old + 1);
        const bool next = FCaret->NextLine || GetRowKind(rows, row) == raWrapped;
        if (Col() <= old && row < GetCaretRowCount(rows) - 1 && next) SetRowCol(row + 1, 0);
      }
      break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
      const bool up = key == Qt::Key_Up;
      // The step quickens while the key repeats with the caret on the edge row.
      const int edge = up ? top : top + visible - 1;
      const int step = FKeyRepeating && row == edge ? FSpeed->CaretVerticalAc() : 1;
      FCaretModel->KeyMove = true;
      if (ctrl) {
        FCaretModel->SetTopRow(up ? top - step : top + step);
        if (up ? Row() >= TopRow() + visible : Row() < TopRow()) SetRow(up ? row - step : row + step);
      } else if (up) {
        if (row > 0) SetRow(row - step);
      } else if (GetRowKind(rows, row) != raEof) {
        SetRow(row + step);
      }
      FCaretModel->KeyMove = false;
      break;
    }
    default:
      break;
  }
}

void TEditor::DeleteKey() {
  if (FReadOnly) return;
  if (FSelection->Selected()) {
    DeleteSelection();
    return;
  }
  FSelection->CleanSelection();
  const TEditorScreenStrings& rows = *FList;
  const int row = Row();
  const int count = rows.GetCount();
  if (row >= count) return;
  const TCellString text = GetRowText(rows, row);
  const int pos = FCaretModel->Cell();
  const int anchor = EditAnchor(rows, row);
  const int target = OffsetTo(rows, anchor, row, pos);
  if (pos < text.Length()) {
    const int cells = text.TypeAt(pos) == TCellType::Lead ? 2 : 1;
    const std::string rest = text.Mid(pos + cells, text.Length()).Utf8();
    ApplyEdit(row, 1, text.Mid(0, pos).Utf8() + rest + RowBreak(rows, row), anchor, target, false);
    return;
  }
  if (GetRowKind(rows, row) == raEof) return;
  // The next row joins this one; a last row that ends with a line break loses it.
  const bool next = row + 1 < count;
  const std::string joined = PadTo(text, pos).Utf8() + (next ? GetRowText(rows, row + 1).Utf8() + RowBreak(rows, row + 1) : "");
  ApplyEdit(row, next ? 2 : 1, joined, anchor, target, true);
}

void TEditor::BackspaceKey() {
  if (FReadOnly) return;
  if (FSelection->Selected()) {
    DeleteSelection();
    return;
  }
  const TEditorScreenStrings& rows = *FList;
  const int count = rows.GetCount();
  if (count == 0) {
    SetCol(Col() - 1);
    return;
  }
  FSelection->CleanSelection();
  const int row = Row();
  const int col = Col();
  const TCellString text = GetRowText(rows, row);
  const std::string attr = GetRowAttrText(rows, row);
  const int pos = FCaretModel->Cell();
  if (pos < 1) {
    if (row == 0) return;
    // The line break before the caret goes; after a wrapped row its last
    // character goes instead.
    const int above = row - 1;
    TCellString kept = GetRowText(rows, above);
    if (GetRowKind(rows, above) == raWrapped && kept.Length() > 0) {
      const int length = kept.Length();
      kept = kept.Mid(0, length - (kept.TypeAt(length - 1) == TCellType::Trail ? 2 : 1));
    }
    const int anchor = std::max({0, rows.ParagraphStart(above), row - 2});
    const int target = OffsetTo(rows, anchor, above, 0) + static_cast<int>(kept.Utf8().size());
    const bool inText = row < count;
    ApplyEdit(above, inText ? 2 : 1, kept.Utf8() + (inText ? text.Utf8() + RowBreak(rows, row) : ""), anchor, target,
              true);
    return;
  }
  const int leading = LeadingBlankWidth(text, rows.AttrSettings());
  if (FCaret->BackSpaceUnIndent && (IsBlankText(text) || col == leading)) {
    const int targetCol = UnindentTarget(rows, row, col);
    if (targetCol < static_cast<int>(attr.size())) {
      CaretHide();
      FList->ReplaceRows(row, 1, TCellString::FromUtf8(UnindentRowText(rows, row, targetCol, col).Utf8() + RowBreak(rows, row)));
      SetCol(targetCol);
      CaretShow();
    } else {
      SetCol(targetCol);
    }
    return;
  }
  if (pos > text.Length()) {
    SetCol(col - 1);
    return;
  }
  // A caret inside a TAB's fill deletes the TAB.
  int first = pos - 1;
  int cells = 1;
  if (col < static_cast<int>(attr.size()) && attr[static_cast<size_t>(col)] == kAttrTabFill) {
    first = pos;
  } else if (text.TypeAt(first) == TCellType::Trail) {
    first = pos - 2;
    cells = 2;
  }
  const int anchor = EditAnchor(rows, row);
  const std::string rest = text.Mid(first + cells, text.Length()).Utf8();
  ApplyEdit(row, 1, text.Mid(0, first).Utf8() + rest + RowBreak(rows, row), anchor, OffsetTo(rows, anchor, row, first),
            false);
}

void TEditor::TabKey(bool shift) {
  if (FReadOnly || !WantTabs) return;
  const int col = Col();
  const int tabs = FCaret->TabSpaceCount();
  int n = tabs - col % tabs;
  const int wrapByte = FList->AttrSettings().WrapByte;
  if (wrapByte > 0) n = std::min(n, wrapByte - col % wrapByte);
  if (FSelection->Selected() && FSelection->Text().StartRow != FSelection->Text().EndRow) {
    if (shift) {
      UnindentSelection();
    } else {
      IndentSelection();
    }
    return;
  }
  InsertText(FCaret->SoftTab ? std::string(static_cast<size_t>(n), ' ') : "\t");
}

void TEditor::ReturnKey(bool shift) {
  if (FReadOnly) return;
  if (FSelection->Selected()) {
    if (shift) return;
    DeleteSelection();
  }
  FSelection->CleanSelection();
  const TEditorScreenStrings& rows = *FList;
  const int count = rows.GetCount();
  const int row = Row();
  if (row >= count) {
    CaretHide();
    CaretBeginUpdate();
    FList->ReplaceRows(count, 0, TCellString::FromUtf8(kCrLf));
    SetRowCol(row + 1, 0);
    CaretEndUpdate();
    CaretShow();
    return;
  }
  const std::string indent = IndentText(ReturnIndent(rows, *FCaret, row, Col()), FCaret->TabIndent, FCaret->TabSpaceCount());
  if (shift) {
    const int first = rows.ParagraphStart(row);
    const int anchor = EditAnchor(rows, first);
    ApplyEdit(first, 0, indent + kCrLf, anchor, OffsetTo(rows, anchor, first, 0) + static_cast<int>(indent.size()), true);
    return;
  }
  const TCellString text = GetRowText(rows, row);
  const int pos = FCaretModel->Pos();
  const int anchor = EditAnchor(rows, row);
  const std::string split =
      text.Mid(0, pos).Utf8() + kCrLf + indent + text.Mid(pos, text.Length()).Utf8() + RowBreak(rows, row);
  const int target = OffsetTo(rows, anchor, row, pos) + static_cast<int>(sizeof(kCrLf) - 1 + indent.size());
  ApplyEdit(row, 1, split, anchor, target, true);
}

void TEditor::KeyChar(QKeyEvent& event) {
  const int key = event.key();
  if (key == Qt::Key_Backspace) {
    BackspaceKey();
  } else if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
    // Ctrl+Tab belongs to the windows around the editor.
    if (Ctrl(event)) {
      event.ignore();
    } else {
      TabKey(key == Qt::Key_Backtab || Shift(event));
    }
  } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    if (WantReturns) {
      ReturnKey(Shift(event));
    } else {
      event.ignore();
    }
  } else if (key == Qt::Key_Space && Ctrl(event)) {
    // Ctrl+Space asks for completion and types nothing.
    if (!FReadOnly) CodeAssistRequest();
  } else {
    const QString text = event.text();
    const bool typed = !text.isEmpty() && text.at(0) >= QChar(U' ') && text.at(0) != QChar(kDelete) &&
                       !event.modifiers().testAnyFlags(Qt::ControlModifier | Qt::AltModifier);
    if (!typed) {
      event.ignore();
      return;
    }
    if (FReadOnly) return;
    InsertText(text.toStdString());
    if (text == ".") CodeAssistRequest();
  }
}

bool TEditor::focusNextPrevChild(bool next) { return WantTabs ? false : QAbstractScrollArea::focusNextPrevChild(next); }

void TEditor::CodeAssistRequest() {
  const QPoint point = GetCaretPoint();
  QWidget* form = window();
  for (QWidget* w = parentWidget(); w != nullptr; w = w->parentWidget()) {
    if (w->inherits(kOwnerFormClass)) {
      form = w;
      break;
    }
  }
  SendFormMessage(form, kMsgCodeAssist, point.x(), point.y());
}

// ---- input method ----

void TEditor::inputMethodEvent(QInputMethodEvent* event) {
  // The caret hides while a composition (and its candidate list) is open.
  const bool composing = !event->preeditString().isEmpty();
  if (composing != FImeComposing) {
    FImeComposing = composing;
    if (composing) {
      CaretHide();
    } else {
      CaretShow();
    }
  }
  // The committed string arrives once, as one insertion; no key events echo it.
  if (!event->commitString().isEmpty() && !FReadOnly) InsertText(event->commitString().toStdString());
  event->accept();
}

// ---- mouse ----

TRowCol TEditor::MouseRowCol(QPoint point, bool nearest) const {
  TRowCol at = PosToRowCol(Geometry(), point.x(), point.y(), nearest);
  // Above the text the row above the top row: dragging there scrolls up.
  if (point.y() < TextTop()) at.Row = TopRow() - 1;
  at.Row = std::max(0, at.Row);
  return at;
}

void TEditor::SetCursorKind(TCursorKind kind) {
  if (!FCaret->AutoCursor || kind == FCursorKind) return;
  FCursorKind = kind;
  const TEditorCursors::TValues& cursors = FCaret->Cursors().Values();
  TCursor cursor = cursors.DefaultCursor;
  switch (kind) {
    case ckLeftMargin: cursor = cursors.LeftMarginCursor; break;
    case ckTopMargin: cursor = cursors.TopMarginCursor; break;
    case ckInSelection: cursor = cursors.InSelCursor; break;
    case ckDragMove: cursor = cursors.DragSelCursor; break;
    case ckDragCopy: cursor = cursors.DragSelCopyCursor; break;
    default: break;
  }
  viewport()->setCursor(CursorOf(cursor));
}

void TEditor::mousePressEvent(QMouseEvent* event) {
  if (MouseHeld()) return;
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  if (event->button() != Qt::LeftButton) {
    QAbstractScrollArea::mousePressEvent(event);
    return;
  }
  const QPoint point = event->position().toPoint();
  FMouseDown = true;
  if (Shift(*event)) {
    if (!FSelection->Selected()) FSelection->BeginSelection();
    const TRowCol at = MouseRowCol(point, true);
    SetRowCol(at.Row, at.Col);
    FSelection->UpdateSelection();
    return;
  }
  FMouseDownPoint = point;
  const TRowCol inside = PosToRowCol(Geometry(), point.x(), point.y(), false);
  if (CanSelMove() && point.x() > TextLeft() && FSelection->IsInSelection(inside.Row, inside.Col)) {
    SetRowCol(inside.Row, inside.Col);
    if (FCaret->SelDragMode == dmAutomatic) {
      // The button counts as released: the drag waits for the pointer to move.
      FMouseDown = false;
      FDragState = dsPending;
    }
    return;
  }
  const TRowCol at = MouseRowCol(point, true);
  if (point.x() < TextLeft() && FCaret->RowSelect) {
    FSelection->StartRowSelection(at.Row);
    return;
  }
  CaretHide();
  SetRowCol(at.Row, at.Col);
  FSelection->BeginSelection();
  CaretShow();
}

void TEditor::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  const int threshold = FCellWidth / 2;
  const QPoint moved = point - FMouseDownPoint;
  const bool far = std::abs(moved.x()) >= threshold || std::abs(moved.y()) >= threshold;
  if (FMouseDown) {
    const TRowCol at = MouseRowCol(point, true);
    if (FSelection->RowSelecting()) {
      FSelection->ExtendRowSelection(at.Row);
      return;
    }
    FCaretModel->Dragging = true;
    SetRowCol(at.Row, at.Col);
    FCaretModel->Dragging = false;
    if (FSelection->Selected()) {
      FSelection->ExtendSelection();
    } else if (far) {
      FSelection->ActivateSelection();
    }
    return;
  }
  if (FDragState == dsPending) {
    if (far) {
      FDragState = dsDragging;
      SetCursorKind(Ctrl(*event) ? ckDragCopy : ckDragMove);
    }
    return;
  }
  if (FDragState == dsDragging) {
    const TRowCol at = MouseRowCol(point, false);
    SetRowCol(at.Row, at.Col);
    return;
  }
  const TRowCol at = PosToRowCol(Geometry(), point.x(), point.y(), false);
  if (point.x() < TextLeft()) {
    SetCursorKind(ckLeftMargin);
  } else if (point.y() < TextTop()) {
    SetCursorKind(ckTopMargin);
  } else {
    SetCursorKind(CanSelMove() && FSelection->IsInSelection(at.Row, at.Col) ? ckInSelection : ckText);
  }
}

void TEditor::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (FDragState == dsDragging) {
    DropSelection(event->position().toPoint(), Ctrl(*event));
  } else if (FDragState == dsPending) {
    CancelDrag();
  }
  FMouseDown = false;
  FSelection->EndRowSelection();
}

void TEditor::mouseDoubleClickEvent(QMouseEvent* event) {
  if (!MouseHeld()) QAbstractScrollArea::mouseDoubleClickEvent(event);
}

void TEditor::wheelEvent(QWheelEvent* event) {
  if (!MouseHeld()) QAbstractScrollArea::wheelEvent(event);
}

void TEditor::DropSelection(QPoint point, bool copy) {
  FDragState = dsNone;
  SetCursorKind(ckText);
  if (!viewport()->rect().contains(point) || FSelection->IsInSelection(Row(), Col())) {
    FSelection->CleanSelection();
    return;
  }
  if (copy) {
    CopySelectionTo(Row(), Col());
  } else {
    MoveSelectionTo(Row(), Col());
  }
}

void TEditor::CancelDrag() {
  FDragState = dsNone;
  SetCursorKind(ckText);
  FSelection->CleanSelection();
}

// ---- edit-control operations ----

int TEditor::EmGetSel(int* start, int* end) const {
  const int s = SelStart();
  const int e = s + SelLength();
  if (start != nullptr) *start = s;
  if (end != nullptr) *end = e;
  return MakeLong(s, e);
}

void TEditor::EmSetSel(int start, int end) {
  if (start == 0 && end == -1) {
    SelectAll();
  } else if (start == -1) {
    CleanSelection();
  } else {
    SetSelStart(std::min(start, end));
    SetSelLength(std::max(start, end) - std::min(start, end));
  }
}

void TEditor::EmSetModify(bool modified) {
  if (!FReadOnly) SetModified(modified);
}

int TEditor::EmLineIndex(int row) const {
  if (row >= FList->GetCount()) return -1;
  return RowStart(*FList, row == -1 ? Row() : row);
}

int TEditor::EmLineFromChar(int offset) const {
  if (offset == -1) return FSelection->HasSelection() ? FSelection->Text().StartRow : Row();
  int rest = 0;
  return RowOfOffset(*FList, offset, rest);
}

int TEditor::EmLineLength(int offset) const {
  const TEditorScreenStrings& rows = *FList;
  const auto bytes = [&rows](int row) { return static_cast<int>(GetRowText(rows, row).Utf8().size()); };
  if (offset != -1) return bytes(EmLineFromChar(offset));
  if (!FSelection->HasSelection()) return bytes(Row());
  // The unselected bytes of the selection's first and last rows.
  const TTextSelection& t = FSelection->Text();
  return BytesBefore(rows, t.StartRow, t.StartPos) + bytes(t.EndRow) - BytesBefore(rows, t.EndRow, t.EndPos + 1);
}

void TEditor::EmReplaceSel(const std::string& text) {
  if (!FReadOnly) SetSelTextBuf(text);
}

int TEditor::EmGetLine(int row, int bufferSize, std::string& text) const {
  if (row < 0 || row >= FList->GetCount()) return 0;
  const std::string& bytes = FList->Get(row).Utf8();
  size_t n = std::min(static_cast<size_t>(std::max(0, bufferSize)), bytes.size());
  while (n > 0 && n < bytes.size() && (static_cast<unsigned char>(bytes[n]) & kUtf8TailMask) == kUtf8Tail) --n;
  text = bytes.substr(0, n);
  return static_cast<int>(n);
}

bool TEditor::EmUndo() {
  if (FReadOnly || !CanUndo()) return false;
  Undo();
  return true;
}

void TEditor::EmEmptyUndoBuffer() {
  if (!FReadOnly) GetUndoObj().Clear();
}

int TEditor::EmPosFromChar(int offset) const {
  int rest = 0;
  const int row = RowOfOffset(*FList, offset, rest);
  const int col = OffsetToCol(*FList, row, rest);
  const int x = TextLeft() + (col - TopCol()) * FCellWidth;
  const int y = TextTop() + (row - TopRow()) * RowHeight();
  return MakeLong(x, y);
}

int TEditor::EmCharFromPos(int x, int y) const {
  if (!viewport()->rect().contains(x, y)) return -1;
  const TRowCol at = PosToRowCol(Geometry(), x, y, false);
  const int row = std::clamp(at.Row, 0, GetCaretRowCount(*FList) - 1);
  const std::string attr = GetRowAttrText(*FList, row);
  int col = at.Col;
  if (col < static_cast<int>(attr.size())) {
    if (attr[static_cast<size_t>(col)] == kAttrTrail) --col;
    while (col > 0 && attr[static_cast<size_t>(col)] == kAttrTabFill) --col;
  }
  const int pos = std::min(ColToPos(attr, col), GetRowText(*FList, row).Length());
  return MakeLong(RowStart(*FList, row) + BytesBefore(*FList, row, pos), row);
}
