// Installs the Qt implementations of the platform seams (dialogs, help
// viewer, window input) and Qt's Japanese texts for its standard dialogs.
// The program calls it once its QApplication exists.
#pragma once

#include <memory>

#include "platform/windowinput.h"

namespace platform {

// Esc polling through the application's event filter, the active window
// and the focused widget of QApplication.
std::unique_ptr<WindowInput> MakeQtWindowInput();

void InstallQtPlatform();

}  // namespace platform
