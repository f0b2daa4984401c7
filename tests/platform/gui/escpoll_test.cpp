#include "platform/gui/escpoll.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWindow>

#include "tests/platform/gui/qtapp.h"

namespace {

void PostKey(QWidget* to, Qt::Key key, const QString& text) {
  QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
  QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

// Keys typed and a window closed while a long loop polls reach their
// windows, in order, once the loop is over; the Esc among them stops it.
TEST(PollEscape, InputWaitsUntilTheLoopEndsAndEscIsTakenAsTheStop) {
  QtTestApp();
  QLineEdit edit;
  edit.show();
  QWidget other;
  other.show();
  other.winId();
  PostKey(&edit, Qt::Key_A, "A");
  QCoreApplication::postEvent(other.windowHandle(), new QCloseEvent);
  PostKey(&edit, Qt::Key_B, "B");
  EXPECT_FALSE(platform::PollEscape());
  EXPECT_EQ(edit.text(), "");
  EXPECT_TRUE(other.isVisible());

  PostKey(&edit, Qt::Key_Escape, "");
  PostKey(&edit, Qt::Key_C, "C");
  EXPECT_TRUE(platform::PollEscape());
  EXPECT_FALSE(platform::PollEscape());
  EXPECT_EQ(edit.text(), "");
  EXPECT_TRUE(other.isVisible());

  QCoreApplication::processEvents();
  EXPECT_EQ(edit.text(), "ABC");
  EXPECT_FALSE(other.isVisible());
}

}  // namespace
