// ovabort: the silent abort of the program's operations.
#pragma once

#include <exception>

// Ends a construction or an operation silently: an editor whose object is
// already shown in another window, a window built only to write a script or
// a long loop that Esc stopped raises it, and its callers swallow it.
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};
