#include "fuzz_temp.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fuzz_support {
namespace {

void RemoveFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(TempFolder(), ignored);
}

// The readers sync what they write; on a disk every run would wait for it,
// so memory-backed /dev/shm is taken when there is one and TMPDIR names
// no other place.
std::filesystem::path BaseFolder() {
  constexpr const char* kMemoryFolder = "/dev/shm";
  std::error_code error;
  if (!std::getenv("TMPDIR") && std::filesystem::is_directory(kMemoryFolder, error)) return kMemoryFolder;
  return std::filesystem::temp_directory_path();
}

std::string MakeFolder() {
  std::string pattern = (BaseFolder() / "orv-fuzz.XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  return pattern;
}

}  // namespace

const std::string& TempFolder() {
  static const std::string folder = MakeFolder();
  // Registered after the folder is made, so it runs before the name goes.
  [[maybe_unused]] static const bool removed = std::atexit(RemoveFolder) == 0;
  return folder;
}

std::string WriteTempFile(const std::string& name, const uint8_t* data, size_t size) {
  const std::string path = TempFolder() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  out.close();
  if (!out) {
    std::perror(path.c_str());
    std::abort();
  }
  return path;
}

}  // namespace fuzz_support
