// ovsqlwin: what the workbench's tool windows share: running a handler
// under the application's general error report, and the stored window
// state of a layout key.
#pragma once

#include <cstdint>
#include <exception>

#include "app/core/zarur.h"
#include "app/ovforms.h"

class QWidget;

// An abort ends the handler quietly, any other error is shown in an error
// box: handlers of Qt signals must not let exceptions through.
template <class F>
void RunReported(F handler) {
  try {
    handler();
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
  }
}

// "WindowState" of AppRegistry's open key, applied to the window; a
// stored minimised state reads as normal. The state applied.
int32_t LoadWindowState(QWidget& window);
// Writes the window's state; the state written.
int32_t SaveWindowState(const QWidget& window);
