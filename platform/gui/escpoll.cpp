#include "platform/gui/escpoll.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace platform {
namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::TabletMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool EscapeFilter::eventFilter(QObject* watched, QEvent* event) {
  if (!IsUserInput(event->type())) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
    escapeSeen_ = true;
  return true;
}

bool PollEscape() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  EscapeFilter filter;
  app->installEventFilter(&filter);
  QCoreApplication::processEvents();
  app->removeEventFilter(&filter);
  return filter.EscapeSeen();
}

}  // namespace platform
