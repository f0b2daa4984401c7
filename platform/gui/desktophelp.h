// The help viewer of the desktop: the help file opens with the desktop's
// handler, pop-ups are "What's This" texts, status texts go to the main
// window's status bar.
#pragma once

#include <memory>

#include "platform/helpviewer.h"

namespace platform {

std::unique_ptr<HelpViewer> MakeDesktopHelpViewer();

}  // namespace platform
