// textcodec: text that the program reads from files and tools, as UTF-8.
#pragma once

#include <string>

namespace platform {

// The bytes as they are when they are valid UTF-8, else converted from
// CP932, the code page of files written by the Windows editions; a byte
// CP932 cannot decode becomes U+FFFD.
std::string DecodeUtf8OrCp932(std::string bytes);

}  // namespace platform
