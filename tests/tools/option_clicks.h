// Clicks the option dialogs' tests give as a user does.
#pragma once

#include <QCheckBox>
#include <QTest>

namespace testing_tools {

// A click on a check box's mark: its middle may lie past the caption.
inline void Tick(QCheckBox* box) {
  const int middle = box->height() / 2;
  QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(middle, middle));
}

}  // namespace testing_tools
