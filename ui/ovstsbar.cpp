#include "ui/ovstsbar.h"

#include <QEvent>

// A control's hint travels up to its main window, which would show it in
// the bar: the bar takes it out on the way.
TovStatusBar::TovStatusBar(QWidget* parent) : QStatusBar(parent) {
  if (parent) parent->window()->installEventFilter(this);
}

bool TovStatusBar::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::StatusTip) return true;
  return QStatusBar::eventFilter(watched, event);
}
