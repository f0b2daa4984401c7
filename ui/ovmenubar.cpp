#include "ui/ovmenubar.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QStyleOptionMenuItem>

#include "platform/gui/wingdi.h"

namespace {

constexpr const char* kHelpCaption = "ヘルプ(&H)";

}  // namespace

int MenuFillEnd(int formWidth, bool childMaximized) {
  return formWidth - kMenuRightReserve - (childMaximized ? kMaximizedChildReserve : 0);
}

TovMenuBar::TovMenuBar(QWidget* parent) : QMenuBar(parent) {}

bool TovMenuBar::ChildMaximized() const {
  const QMdiSubWindow* active = mdiArea_ ? mdiArea_->activeSubWindow() : nullptr;
  return active && active->isMaximized();
}

void TovMenuBar::paintEvent(QPaintEvent* event) {
  QMenuBar::paintEvent(event);
  QPainter painter(this);
  const QColor bar = platform::ColorToQColor(kBarColour);
  for (QAction* item : actions()) {
    if (!item->isVisible()) continue;
    const QRect rect = actionGeometry(item);
    if (rect.isEmpty()) continue;
    const bool hot = activeAction() == item;
    if (!hot && item->text() == kHelpCaption) {
      const QRect rest(rect.right() + 1, rect.top(), MenuFillEnd(window()->width(), ChildMaximized()) - rect.right() - 1,
                       rect.height());
      painter.fillRect(rest, bar);
    }
    painter.fillRect(rect, hot ? palette().color(QPalette::Highlight) : bar);
    QStyleOptionMenuItem option;
    initStyleOption(&option, item);
    option.rect = rect;
    option.palette.setColor(QPalette::ButtonText, hot ? palette().color(QPalette::HighlightedText)
                                                      : palette().color(QPalette::ButtonText));
    style()->drawItemText(&painter, rect, Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextSingleLine, option.palette,
                          item->isEnabled(), item->text(), QPalette::ButtonText);
  }
}
