#include <QApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSizeGrip>
#include <QWheelEvent>

#include <algorithm>

#include "editor/ovmemo.h"
#include "platform/gui/wingdi.h"
#include "platform/qstr.h"

namespace {

constexpr const char* kAssistFontName = "ＭＳ ゴシック";
constexpr int kAssistFontSize = 10;
// Below the caret row: the font's height and this gap.
constexpr int kBelowCaret = 40;
// Room kept at the memo's right edge.
constexpr int kRightRoom = 30;
// Characters that accept the selected candidate and are then typed.
const QString kAcceptingChars = " %,.;";

}  // namespace

TovCodeAssist::TovCodeAssist(TovMemo& memo, QWidget* form, int x, int y) : QTreeWidget(form), FMemo(memo) {
  memo.CloseCodeAssist();
  memo.FCodeAssist = this;
  hide();
  setColumnCount(0);
  setRootIsDecorated(false);
  header()->setStretchLastSection(false);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setMinimumSize(kMinWidth, kMinHeight);
  setFont(platform::FontFace(kAssistFontName, kAssistFontSize));
  setAttribute(Qt::WA_InputMethodEnabled);
  FPrefix = new QLineEdit(this);
  FPrefix->hide();
  // A resizable frame: the grip resizes the popup itself, not the form.
  setWindowFlag(Qt::SubWindow);
  FGrip = new QSizeGrip(this);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int action) {
    if (action != QAbstractSlider::SliderNoAction) ListMore(kScrollMore);
  });

  const QPoint memoAt = form->mapFromGlobal(memo.mapToGlobal(QPoint(0, 0)));
  const int width = std::min(memo.FAssistWidth, memo.width());
  int height = memo.FAssistHeight;
  int left = memoAt.x() + x;
  const int top = y + memoAt.y() + memo.FontPixelSize() + kBelowCaret;
  const int excess = x + width - (memo.width() - kRightRoom);
  if (excess > 0) {
    left -= excess;
    height = TovMemo::kAssistHeight;
  }
  setGeometry(left, top, width, height);
}

void TovCodeAssist::AddColumn(const std::string& caption) {
  FColumns.append(Q(caption));
  setColumnCount(static_cast<int>(FColumns.size()));
  setHeaderLabels(FColumns);
  const int column = static_cast<int>(FColumns.size()) - 1;
  if (column < static_cast<int>(TovMemo::kAssistColumnWidths.size()))
    setColumnWidth(column, FMemo.AssistColumnWidth(column));
}

void TovCodeAssist::AddCandidate(const std::string& name, const std::string& type, int imageIndex) {
  FCandidates.Add(name, type, imageIndex);
}

void TovCodeAssist::SetPrefix(const std::string& text) {
  FPrefix->setText(Q(text));
  FPrefix->end(false);
}

std::string TovCodeAssist::Prefix() const { return FPrefix->text().toStdString(); }

void TovCodeAssist::AddListItem(const TCodeAssistItem& item) {
  auto* row = new QTreeWidgetItem(this);
  row->setText(0, Q(item.Name));
  row->setText(1, Q(item.Type));
  if (FImages) row->setIcon(0, FImages(item.ImageIndex));
}

void TovCodeAssist::FilterItems() {
  if (isVisible()) setFocus();
  clear();
  const QString trimmed = Q(FCandidates.Filter(Prefix()));
  // Only a trimmed text is put back, so the prefix caret stays where it is.
  if (trimmed != FPrefix->text()) SetPrefix(trimmed.toStdString());
  for (int i = 0; i < FCandidates.Listed(); ++i) AddListItem(FCandidates.Matches()[static_cast<size_t>(i)]);
  if (topLevelItemCount() > 0) {
    setCurrentItem(topLevelItem(0));
    topLevelItem(0)->setSelected(true);
  }
}

void TovCodeAssist::ListMore(int count) {
  const int listed = FCandidates.Listed();
  FCandidates.More(count);
  for (int i = listed; i < FCandidates.Listed(); ++i) AddListItem(FCandidates.Matches()[static_cast<size_t>(i)]);
}

void TovCodeAssist::ToMemo(QKeyEvent* event) {
  QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat());
  QApplication::sendEvent(&FMemo, &copy);
}

void TovCodeAssist::TypeIntoPrefix(const QString& text, QEvent* event) {
  FPrefix->insert(text);
  FilterItems();
  if (event->type() == QEvent::InputMethod) {
    QInputMethodEvent copy;
    copy.setCommitString(text);
    QApplication::sendEvent(&FMemo, &copy);
  } else {
    ToMemo(static_cast<QKeyEvent*>(event));
  }
}

// The whole typed prefix gives way to the candidate, wherever its caret is.
void TovCodeAssist::Accept(QKeyEvent* event) {
  const QList<QTreeWidgetItem*> selected = selectedItems();
  if (!selected.isEmpty()) {
    const QString prefix = FPrefix->text();
    const int caret = FPrefix->cursorPosition();
    FMemo.ReplaceAroundCaret(static_cast<int>(prefix.left(caret).toUtf8().size()),
                             static_cast<int>(prefix.mid(caret).toUtf8().size()), selected.first()->text(0).toStdString());
  }
  FMemo.CloseCodeAssist();
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) ToMemo(event);
}

bool TovCodeAssist::event(QEvent* event) {
  // TAB accepts instead of moving the focus on.
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Tab) {
    keyPressEvent(static_cast<QKeyEvent*>(event));
    return true;
  }
  return QTreeWidget::event(event);
}

void TovCodeAssist::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
  const int caret = FPrefix->cursorPosition();
  const bool atEnd = caret >= FPrefix->text().size();
  switch (key) {
    case Qt::Key_PageDown: ListMore(kPageDownMore); break;
    case Qt::Key_End: ListMore(FCandidates.Count()); break;
    case Qt::Key_Down: ListMore(kDownMore); break;
    case Qt::Key_Up:
    case Qt::Key_PageUp:
    case Qt::Key_Home: break;
    case Qt::Key_Left:
      if (caret > 0) {
        FPrefix->cursorBackward(false);
      } else {
        FMemo.CloseCodeAssist();
      }
      ToMemo(event);
      return;
    case Qt::Key_Right:
      if (atEnd) {
        FMemo.CloseCodeAssist();
      } else {
        FPrefix->cursorForward(false);
      }
      ToMemo(event);
      return;
    case Qt::Key_Delete:
      FPrefix->del();
      FilterItems();
      ToMemo(event);
      return;
    case Qt::Key_Escape: FMemo.CloseCodeAssist(); return;
    case Qt::Key_Backspace:
      if (caret == 0) {
        FMemo.CloseCodeAssist();
        ToMemo(event);
      } else {
        FPrefix->backspace();
        FilterItems();
        ToMemo(event);
      }
      return;
    case Qt::Key_Tab:
    case Qt::Key_Return:
    case Qt::Key_Enter: Accept(event); return;
    default: {
      if (ctrl && (key == Qt::Key_V || key == Qt::Key_X)) {
        ToMemo(event);
        return;
      }
      const QString text = event->text();
      if (key == Qt::Key_Space && ctrl) return;
      if (text.size() == 1 && kAcceptingChars.contains(text)) {
        Accept(event);
        return;
      }
      if (!text.isEmpty() && text.at(0).isPrint() && !ctrl) {
        TypeIntoPrefix(text, event);
        return;
      }
      ToMemo(event);
      return;
    }
  }
  QTreeWidget::keyPressEvent(event);
}

void TovCodeAssist::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty()) TypeIntoPrefix(event->commitString(), event);
  event->accept();
}

void TovCodeAssist::focusOutEvent(QFocusEvent* event) {
  QTreeWidget::focusOutEvent(event);
  if (!FMemo.hasFocus()) FMemo.CloseCodeAssist();
}

void TovCodeAssist::wheelEvent(QWheelEvent* event) {
  ListMore(kWheelMore);
  QTreeWidget::wheelEvent(event);
}

void TovCodeAssist::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  FGrip->resize(FGrip->sizeHint());
  FGrip->move(width() - FGrip->width(), height() - FGrip->height());
  FGrip->raise();
}

void TovCodeAssist::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  Accept(&enter);
}
