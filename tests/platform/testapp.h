// The QApplication of a GUI test, created on first use (each test case runs
// in a process of its own). It is never destroyed: tearing Qt down among the
// static destructors at exit crashes.
#pragma once

#include <QApplication>

inline QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}
