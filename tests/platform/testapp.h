// The application object of a test, created on first use (each test case
// runs in a process of its own). It is never destroyed: tearing Qt down
// among the static destructors at exit crashes. A test binary built with
// widgets gets a QApplication; one without them (the stand-in's) gets the
// core application, which is all Qt SQL needs.
#pragma once

#if __has_include(<QApplication>)
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

inline TestApplication& TestApp() {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static TestApplication* app = new TestApplication(argc, argv);
  return *app;
}
