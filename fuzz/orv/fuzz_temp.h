// A private folder for harnesses whose reader only takes files: made once
// per process, removed with everything in it when the process ends.
#pragma once

#include <cstdint>
#include <cstddef>
#include <string>

namespace fuzz_support {

// The folder, with no final "/".
const std::string& TempFolder();

// Writes the bytes as the file `name` of the folder and returns its path.
std::string WriteTempFile(const std::string& name, const uint8_t* data, size_t size);

}  // namespace fuzz_support
