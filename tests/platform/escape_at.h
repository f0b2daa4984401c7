// A window-input double for long loops: Esc is pressed at a given poll.
#pragma once

#include "platform/windowinput.h"

namespace testing_support {

class EscapeAt : public platform::WindowInput {
 public:
  explicit EscapeAt(int poll) : poll_(poll) {}
  bool PollEscape() override { return ++polls_ == poll_; }
  bool ProgramWindowActive() override { return true; }
  void FlushFocusedControl() override {}

 private:
  int poll_;
  int polls_ = 0;
};

}  // namespace testing_support
