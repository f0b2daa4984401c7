// The dialog seam as Qt dialogs: message boxes with check boxes, the
// one-line input dialog and the file and folder dialogs.
#pragma once

#include <memory>

#include "platform/dialogs.h"

namespace platform {

std::unique_ptr<DialogSeam> MakeQtDialogs();

}  // namespace platform
