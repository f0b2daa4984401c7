// A GUI test's application with the Qt implementations of the platform
// seams installed, as the program installs them at start.
#pragma once

#include "platform/gui/qtplatform.h"
#include "tests/platform/testapp.h"

inline QApplication& QtTestApp() {
  QApplication& app = TestApp();
  platform::InstallQtPlatform();
  return app;
}
