#include "iniread.h"

#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

namespace {

std::string g_profile_dir = INI_PROFILE_DIR;

constexpr std::string_view kBlanks = " \t\r\n\v\f";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(kBlanks);
  return s.substr(first, last - first + 1);
}

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    const auto la = (ca >= 'A' && ca <= 'Z') ? ca + ('a' - 'A') : ca;
    const auto lb = (cb >= 'A' && cb <= 'Z') ? cb + ('a' - 'A') : cb;
    if (la != lb) return false;
  }
  return true;
}

std::string resolve(const char* file) {
  if (std::strchr(file, '/') != nullptr) return file;
  return g_profile_dir + "/" + file;
}

}  // namespace

const char* ini_profile_dir(void) { return g_profile_dir.c_str(); }

void ini_set_profile_dir(const char* dir) { g_profile_dir = dir != nullptr ? dir : INI_PROFILE_DIR; }

uint32_t ini_read_string(const char* file, const char* section, const char* key,
                         char* buf, uint32_t size) {
  if (buf == nullptr || size == 0) return 0;
  buf[0] = '\0';
  if (file == nullptr || *file == '\0' || section == nullptr || key == nullptr) return 0;

  std::ifstream in(resolve(file), std::ios::binary);
  if (!in) return 0;

  bool in_section = false;
  bool first_line = true;
  std::string line;
  while (std::getline(in, line)) {
    std::string_view text = line;
    if (first_line && text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
    first_line = false;
    text = trim(text);
    if (text.empty() || text.front() == ';' || text.front() == '#') continue;
    if (text.front() == '[') {
      const auto close = text.find(']');
      if (close == std::string_view::npos) continue;
      in_section = same_name(trim(text.substr(1, close - 1)), section);
      continue;
    }
    if (!in_section) continue;
    const auto eq = text.find('=');
    if (eq == std::string_view::npos || !same_name(trim(text.substr(0, eq)), key)) continue;
    const std::string_view value = trim(text.substr(eq + 1));
    const size_t n = value.size() < size - 1 ? value.size() : size - 1;
    if (n > 0) std::memcpy(buf, value.data(), n);
    buf[n] = '\0';
    return static_cast<uint32_t>(n);
  }
  return 0;
}
