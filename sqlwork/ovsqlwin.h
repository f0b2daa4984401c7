// ovsqlwin: what the workbench's tool windows share: the stored window
// state of a layout key (their handlers run through RunReported).
#pragma once

#include <cstdint>

#include "app/core/zarur.h"
#include "app/ovforms.h"

class QWidget;

// "WindowState" of AppRegistry's open key, applied to the window; a
// stored minimised state reads as normal. The state applied.
int32_t LoadWindowState(QWidget& window);
// Writes the window's state; the state written.
int32_t SaveWindowState(const QWidget& window);
