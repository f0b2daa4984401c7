#include "zk_harness.h"

#include <stdio.h>
#include <stdlib.h>

#include <filesystem>

namespace zk {

temp_dir::temp_dir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zelkit-XXXXXX").string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) abort();
  path = buf.data();
}

temp_dir::~temp_dir() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::vector<std::string>& errlog_lines() {
  static std::vector<std::string> lines;
  return lines;
}

std::vector<std::string>& memtrc_lines() {
  static std::vector<std::string> lines;
  return lines;
}

void capture_errlog(const char* format, va_list args) {
  char text[1024];
  vsnprintf(text, sizeof(text), format, args);
  errlog_lines().push_back(text);
}

void capture_memtrc(const char* line) { memtrc_lines().push_back(line); }

}  // namespace zk
