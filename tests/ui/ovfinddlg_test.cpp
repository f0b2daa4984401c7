#include "ui/ovfinddlg.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The labels' accelerators lead to their boxes, as their captions promise.
TEST(FindDialog, AltKeysOfTheLabelsFocusTheirBoxes) {
  TovFindDialog dialog(TovFindDialog::TKind::Replace, nullptr);
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  dialog.btnFind->setFocus();
  QTest::keyClick(&dialog, Qt::Key_P, Qt::AltModifier);
  EXPECT_TRUE(dialog.txtReplace->hasFocus());
  QTest::keyClick(&dialog, Qt::Key_N, Qt::AltModifier);
  EXPECT_TRUE(dialog.txtFind->hasFocus());
}

}  // namespace
