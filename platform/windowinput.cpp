#include "platform/windowinput.h"

#include "platform/seamslot.h"

namespace platform {
namespace {

class NoWindowInput : public WindowInput {
 public:
  bool PollEscape() override { return false; }
  bool ProgramWindowActive() override { return false; }
  void FlushFocusedControl() override {}
};

}  // namespace

WindowInput& Input() {
  static NoWindowInput none;
  WindowInput* installed = InstalledSeam<WindowInput>().get();
  return installed ? *installed : none;
}

std::unique_ptr<WindowInput> SetInput(std::unique_ptr<WindowInput> input) { return ReplaceSeam(std::move(input)); }

}  // namespace platform
