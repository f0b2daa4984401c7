// ovatexit: a guard that runs an action when its scope is left, however it
// is left (return, exception); the windows put back what a command changed.
#pragma once

#include <utility>

template <class F>
class AtExit {
 public:
  explicit AtExit(F action) : action_(std::move(action)) {}
  ~AtExit() { action_(); }
  AtExit(const AtExit&) = delete;
  AtExit& operator=(const AtExit&) = delete;

 private:
  F action_;
};
