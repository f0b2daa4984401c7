#include "platform/gui/escpoll.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace platform {
namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
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

// A close of a top-level window asked for by the window system (not one the
// program itself makes, which reaches the widget directly).
bool IsCloseRequest(const QObject* watched, const QEvent* event) {
  return event->type() == QEvent::Close && watched->isWindowType();
}

bool EscapeFilter::eventFilter(QObject* watched, QEvent* event) {
  const bool close = IsCloseRequest(watched, event);
  if (!close && !IsUserInput(event->type())) return QObject::eventFilter(watched, event);
  if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
    escapeSeen_ = true;
    return true;
  }
  held_.emplace_back(watched, std::unique_ptr<QEvent>(event->clone()));
  // The window system's close is answered only when it is delivered again.
  if (close) event->ignore();
  return true;
}

void EscapeFilter::Replay() {
  for (auto& [receiver, event] : held_)
    if (receiver) QCoreApplication::postEvent(receiver, event.release());
  held_.clear();
}

bool PollEscape() {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return false;
  EscapeFilter filter;
  app->installEventFilter(&filter);
  QCoreApplication::processEvents();
  app->removeEventFilter(&filter);
  filter.Replay();
  return filter.EscapeSeen();
}

}  // namespace platform
