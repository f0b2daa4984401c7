#include "editor/ovmemo.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontInfo>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>

#include "editor/core/ovmemocore.h"
#include "platform/gui/wingdi.h"
#include "platform/qstr.h"

namespace {

// A wheel turn of one notch.
constexpr int kWheelNotch = 120;

Qt::KeyboardModifiers ModifiersOf(const TMacroRecord& record) {
  Qt::KeyboardModifiers modifiers;
  if (record.Shift) modifiers |= Qt::ShiftModifier;
  if (record.Ctrl) modifiers |= Qt::ControlModifier;
  if (record.Alt) modifiers |= Qt::AltModifier;
  return modifiers;
}

// Ends a playback however it ends.
class TPlayScope {
 public:
  explicit TPlayScope(TovMacroList& list) : FList(list) {}
  ~TPlayScope() { FList.EndPlay(); }
  TPlayScope(const TPlayScope&) = delete;
  TPlayScope& operator=(const TPlayScope&) = delete;

 private:
  TovMacroList& FList;
};

}  // namespace

TovMemo::TovMemo(QWidget* parent) : TEditor(parent) {
  for (QScrollBar* bar : {verticalScrollBar(), horizontalScrollBar()})
    connect(bar, &QScrollBar::actionTriggered, this, [this] { CloseCodeAssist(); });
}

TovMemo::~TovMemo() {
  if (FMacroList) {
    FMacroList->StopRecord();
    FMacroList->EndPlay();
  }
  delete FCodeAssist.data();
}

int TovMemo::FontPixelSize() const {
  return QFontInfo(platform::FontFace(Font().Name, Font().Size)).pixelSize();
}

std::string TovMemo::GetCaretWord() {
  // Half a character left of the caret: the character just typed.
  const int size = FontPixelSize();
  const QPoint caret = GetCaretPoint();
  int row = 0;
  int pos = 0;
  if (!PosToRowPos(ScreenStrings(), Geometry(), caret.x() - (size - size / 2), caret.y(),
                   row, pos))
    return "";
  return SQLCaretWord(GetRowText(ScreenStrings(), row), pos);
}

void TovMemo::SelectTokenAt(QPoint point, bool, bool) {
  TEditorScreenStrings& rows = ScreenStrings();
  int row = 0;
  int pos = 0;
  if (!PosToRowPos(rows, Geometry(), point.x(), point.y(), row, pos)) return;
  const TCellString text = GetRowText(rows, row);
  TCellRange token;
  if (!SQLTokenAt(text, pos, token)) return;
  const size_t start = text.ByteOffset(token.Start);
  CleanSelection();
  MoveCaretToOffset(row, static_cast<int>(start));
  SetSelLength(static_cast<int>(text.ByteOffset(token.Start + token.Length) - start));
}

void TovMemo::SelectRows(int from, int to) {
  CleanSelection();
  Selection().StartRowSelection(from);
  Selection().ExtendRowSelection(to);
  Selection().EndRowSelection();
}

void TovMemo::ReplaceAroundCaret(int before, int after, const std::string& text) {
  const int caret = TEditor::SelStart();
  EmSetSel(std::max(0, caret - before), caret + after);
  if (text.empty()) {
    DeleteSelection();
  } else {
    InsertText(text);
  }
}

void TovMemo::CloseCodeAssist() {
  TovCodeAssist* popup = FCodeAssist;
  if (!popup) return;
  FCodeAssist = nullptr;
  FAssistWidth = popup->width();
  FAssistHeight = popup->height();
  for (size_t i = 0; i < FAssistColumnWidths.size(); ++i)
    if (static_cast<int>(i) < popup->columnCount()) FAssistColumnWidths[i] = popup->columnWidth(static_cast<int>(i));
  // Focus that went elsewhere stays there.
  const bool focused = popup->hasFocus();
  popup->setEnabled(false);
  popup->hide();
  // It may be closing from one of its own handlers.
  popup->deleteLater();
  if (focused) setFocus();
}

void TovMemo::StartMacroRecord() {
  if (FMacroList) FMacroList->StartRecord();
}

void TovMemo::StopMacroRecord() {
  if (FMacroList) FMacroList->StopRecord();
}

void TovMemo::CancelMacroRecord() {
  if (FMacroList) FMacroList->CancelRecord();
}

void TovMemo::StopMacroPlay() {
  if (FMacroList) FMacroList->EndPlay();
}

void TovMemo::PlayMacro() {
  if (!FMacroList || !FMacroList->BeginPlay()) return;
  TovMacroList& list = *FMacroList;
  TPlayScope scope(list);
  for (int i = 0; i < list.Count() && list.Playing(); ++i) {
    const TMacroRecord record = list.Items(i);
    if (record.Message == kMacroImeChar) {
      QInputMethodEvent commit;
      commit.setCommitString(Q(record.Text));
      QApplication::sendEvent(this, &commit);
      continue;
    }
    const Qt::KeyboardModifiers modifiers = ModifiersOf(record);
    QKeyEvent press(QEvent::KeyPress, record.Key, modifiers, Q(record.Text));
    QApplication::sendEvent(this, &press);
    QKeyEvent release(QEvent::KeyRelease, record.Key, modifiers, Q(record.Text));
    QApplication::sendEvent(this, &release);
  }
}

void TovMemo::RecordMacro(QEvent* event) {
  if (event->type() == QEvent::InputMethod) {
    const auto* input = static_cast<QInputMethodEvent*>(event);
    if (!input->commitString().isEmpty())
      FMacroList->Add({kMacroImeChar, 0, input->commitString().toStdString(), false, false, false});
    return;
  }
  const auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers modifiers = key->modifiers();
  const bool keyless = key->key() == 0 || key->key() == Qt::Key_unknown;
  FMacroList->Add({keyless ? kMacroChar : kMacroKeyDown, keyless ? 0 : key->key(), key->text().toStdString(),
                   modifiers.testFlag(Qt::ShiftModifier), modifiers.testFlag(Qt::ControlModifier),
                   modifiers.testFlag(Qt::AltModifier)});
}

bool TovMemo::event(QEvent* event) {
  const QEvent::Type type = event->type();
  if (FMacroList && FMacroList->Recording() && (type == QEvent::KeyPress || type == QEvent::InputMethod))
    RecordMacro(event);
  return TEditor::event(event);
}

void TovMemo::focusOutEvent(QFocusEvent* event) {
  if (FCodeAssist && !FCodeAssist->hasFocus() && QApplication::focusWidget() != FCodeAssist) CloseCodeAssist();
  TEditor::focusOutEvent(event);
}

void TovMemo::mousePressEvent(QMouseEvent* event) {
  CloseCodeAssist();
  TEditor::mousePressEvent(event);
}

void TovMemo::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) CloseCodeAssist();
  TEditor::mouseReleaseEvent(event);
}

void TovMemo::mouseDoubleClickEvent(QMouseEvent* event) {
  // The word at the caret, where the press has put it.
  if (!MouseHeld()) SelectWordAtCaret();
  TEditor::mouseDoubleClickEvent(event);
}

void TovMemo::wheelEvent(QWheelEvent* event) {
  if (MouseHeld()) return;
  FWheelRest += event->angleDelta().y();
  while (FWheelRest >= kWheelNotch) {
    SetTopRow(TopRow() - 1);
    FWheelRest -= kWheelNotch;
  }
  while (FWheelRest <= -kWheelNotch) {
    SetTopRow(TopRow() + 1);
    FWheelRest += kWheelNotch;
  }
  event->accept();
}

void TovMemo::resizeEvent(QResizeEvent* event) {
  CloseCodeAssist();
  TEditor::resizeEvent(event);
}

void TovMemo::contextMenuEvent(QContextMenuEvent* event) {
  CloseCodeAssist();
  if (FPopupMenu) FPopupMenu->popup(event->globalPos());
  event->accept();
}

void TovMemo::SetSelection(int start, int end) { EmSetSel(start, end); }

bool TovMemo::FindText(const std::string& text, bool forward, bool matchCase) {
  return TEditor::FindText(text, (forward ? sfDown : 0) | (matchCase ? sfMatchCase : 0));
}

int TovMemo::CaretRowCount() const { return GetCaretRowCount(Rows()); }

void TovMemo::JumpToLine(int line) { ::JumpToLine(*this, line); }

void JumpToLine(TEditor& editor, int line) {
  editor.setFocus();
  for (const int row : JumpToLineRows(line, GetCaretRowCount(editor.ScreenStrings()))) {
    editor.SetRowCol(row, 0);
    editor.CaretModel().ScrollCaretIntoView();
  }
}

void MemoMoveCaretToOffset(TEditor& editor, int row, int offset) { editor.MoveCaretToOffset(row, offset); }
