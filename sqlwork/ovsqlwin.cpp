#include "sqlwork/ovsqlwin.h"

#include <QWidget>

#include "app/core/fmaincore.h"
#include "app/core/ovreg.h"

namespace {
constexpr char kStateValue[] = "WindowState";
}  // namespace

int32_t LoadWindowState(QWidget& window) {
  int32_t state = AppRegistry.ReadIntegerDef(kStateValue, kWindowNormal);
  if (state != kWindowMaximized) state = kWindowNormal;
  if (state == kWindowMaximized) window.setWindowState(Qt::WindowMaximized);
  return state;
}

int32_t SaveWindowState(const QWidget& window) {
  const int32_t state = window.isMaximized()   ? kWindowMaximized
                        : window.isMinimized() ? kWindowMinimized
                                               : kWindowNormal;
  AppRegistry.WriteInteger(kStateValue, state);
  return state;
}
