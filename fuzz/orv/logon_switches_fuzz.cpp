// The program's arguments as a user or a shortcut types them, one argument
// per NUL-separated part of the input: the "/U=user/password@dsn" switches.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/fmaincore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\0', start);
    if (end == std::string::npos) end = text.size();
    arguments.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  const TLogonRequest logon = ParseLogonSwitches(arguments);
  // Every part of the request is a piece of what was typed (the parts may
  // overlap: a user name may hold "@").
  for (const std::string* part : {&logon.User, &logon.Password, &logon.DataSource})
    if (text.find(*part) == std::string::npos) std::abort();
  return 0;
}
