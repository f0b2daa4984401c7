#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

#include "app/core/zarur.h"
#include "tests/platform/gui/qtapp.h"

namespace {

void PostKey(QWidget* target, int key, const QString& text) {
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

class ActiveWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    QtTestApp();
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    edit = new QLineEdit(window.get());
    layout->addWidget(edit);
    window->show();
    QApplication::setActiveWindow(window.get());
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  std::unique_ptr<QWidget> window;
  QLineEdit* edit = nullptr;
};

TEST_F(ActiveWindow, EscapeIsSeenByTheLoopAndOtherInputWaitsUntilItEnds) {
  PostKey(edit, Qt::Key_A, "a");
  EXPECT_FALSE(IsEscapePressed());  // input without Esc: not reported
  PostKey(edit, Qt::Key_B, "b");
  PostKey(edit, Qt::Key_Escape, "");
  PostKey(edit, Qt::Key_C, "c");
  EXPECT_TRUE(IsEscapePressed());
  EXPECT_EQ(edit->text(), QString());  // nothing typed during the loop arrived
  EXPECT_FALSE(IsEscapePressed());     // the Esc was taken once

  // After the loop, what was typed during it arrives, in order, and then
  // what is typed next.
  PostKey(edit, Qt::Key_D, "d");
  QCoreApplication::processEvents();
  EXPECT_EQ(edit->text(), QString("abcd"));
}

TEST(IsEscapePressed, FalseWithoutAnActiveWindow) {
  QtTestApp();
  QLineEdit edit;  // never shown
  PostKey(&edit, Qt::Key_Escape, "");
  EXPECT_FALSE(IsEscapePressed());
}

TEST_F(ActiveWindow, FlushActiveControlRunsTheLeaveHandlingOfTheFocusedControl) {
  int finished = 0;
  QObject::connect(edit, &QLineEdit::editingFinished, [&] { ++finished; });
  QTest::keyClicks(edit, "ABC");
  FlushActiveControl();
  EXPECT_EQ(finished, 1);
  EXPECT_EQ(edit->text(), QString("ABC"));
}

}  // namespace
