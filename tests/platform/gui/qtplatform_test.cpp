#include "platform/gui/qtplatform.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/windowinput.h"
#include "tests/platform/testapp.h"

namespace {

// The program installs the Qt seams at start; before that a dialog or the
// help has nobody to show it, and input answers as without any window.
TEST(InstallQtPlatform, FillsEverySeamTheProgramShowsThrough) {
  TestApp();
  EXPECT_THROW(platform::Dialogs(), std::logic_error);
  EXPECT_THROW(platform::Help(), std::logic_error);
  QWidget window;
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_FALSE(platform::Input().ProgramWindowActive());

  platform::InstallQtPlatform();
  EXPECT_NO_THROW(platform::Dialogs());
  EXPECT_EQ(dynamic_cast<platform::ScriptedDialogs*>(&platform::Dialogs()), nullptr);
  EXPECT_NO_THROW(platform::Help());
  EXPECT_TRUE(platform::Input().ProgramWindowActive());
  // Qt's standard buttons and dialogs speak Japanese as the program does.
  QDialogButtonBox buttons(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
  EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().toStdString(), "キャンセル");
  EXPECT_EQ(buttons.button(QDialogButtonBox::Yes)->text().toStdString(), "はい(&Y)");
}

}  // namespace
