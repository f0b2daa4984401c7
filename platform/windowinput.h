// What long loops and actions ask of the window system: Esc polling between
// items, whether a window of the program is active, and the hand-over of
// the value being typed in the focused control. The GUI installs the Qt
// answers; without it the program has no window, so no Esc can be pressed
// in one and no control has the focus.
#pragma once

#include <memory>

namespace platform {

class WindowInput {
 public:
  virtual ~WindowInput() = default;
  // Processes the pending events, holding user input back from the
  // windows; true when Esc was pressed meanwhile.
  virtual bool PollEscape() = 0;
  virtual bool ProgramWindowActive() = 0;
  // Makes the focused control run its leave handling.
  virtual void FlushFocusedControl() = 0;
};

WindowInput& Input();
// Installs `input`; returns the one it replaces.
std::unique_ptr<WindowInput> SetInput(std::unique_ptr<WindowInput> input);

}  // namespace platform
