// ovguard: runs a window's handler the way the application's general error
// report does: an abort ends it quietly, any other error is shown in an
// error box. Handlers of Qt signals must not let exceptions through.
#pragma once

#include <exception>

#include "app/core/zarur.h"
#include "app/ovforms.h"

template <class F>
void RunReported(F handler) {
  try {
    handler();
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
  }
}
