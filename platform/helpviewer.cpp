#include "platform/helpviewer.h"

#include "platform/seamslot.h"

namespace platform {

HelpViewer& Help() { return RequiredSeam<HelpViewer>("help viewer"); }

std::unique_ptr<HelpViewer> SetHelpViewer(std::unique_ptr<HelpViewer> viewer) { return ReplaceSeam(std::move(viewer)); }

}  // namespace platform
