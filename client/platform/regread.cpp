#include "regread.h"

#include <stdlib.h>
#include <strings.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace {

constexpr const char* kHeader = "# Tessavar registry store 1";
constexpr const char* kStoreFolder = "Tessavar";
constexpr const char* kUserFile = "current_user.registry";
constexpr const char* kMachineFile = "local_machine.registry";
constexpr const char* kDefaultConfigDirs = "/etc/xdg";
constexpr const char* kConfigUnderHome = "/.config";
constexpr uint64_t kMaxDword = 0xFFFFFFFFull;
constexpr int kHexBase = 16;
constexpr int kHexDigitValue = 10;
constexpr unsigned kByteBits = 8;
constexpr uint32_t kByteMask = 0xFF;
constexpr size_t kDwordBytes = 4;

std::string env_text(const char* name) {
  const char* v = getenv(name);
  return v != nullptr ? v : "";
}

bool same_name(const std::string& a, const std::string& b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + kHexDigitValue;
  if (c >= 'A' && c <= 'F') return c - 'A' + kHexDigitValue;
  return -1;
}

// The tokens of one line: bare words and quoted texts. Any damage sets
// `bad`; the caller then gives the whole file up, as its writer would.
class line_reader {
 public:
  explicit line_reader(const std::string& line) : line_(line) {}
  bool bad = false;

  bool at_end() {
    skip_blanks();
    return pos_ >= line_.size();
  }

  std::string word() {
    skip_blanks();
    const size_t start = pos_;
    while (pos_ < line_.size() && line_[pos_] != ' ') ++pos_;
    if (start == pos_) bad = true;
    return line_.substr(start, pos_ - start);
  }

  std::string quoted() {
    std::string out;
    skip_blanks();
    if (pos_ >= line_.size() || line_[pos_] != '"') {
      bad = true;
      return out;
    }
    ++pos_;
    while (pos_ < line_.size()) {
      const char c = line_[pos_++];
      if (c == '"') return out;
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= line_.size()) break;
      const char e = line_[pos_++];
      switch (e) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'x': {
          const int hi = pos_ + 1 < line_.size() ? hex_digit(line_[pos_]) : -1;
          const int lo = hi >= 0 ? hex_digit(line_[pos_ + 1]) : -1;
          if (lo < 0) {
            bad = true;
            return out;
          }
          out += static_cast<char>(hi * kHexBase + lo);
          pos_ += 2;
          break;
        }
        default:
          bad = true;
          return out;
      }
    }
    bad = true;  // not closed
    return out;
  }

 private:
  void skip_blanks() {
    while (pos_ < line_.size() && line_[pos_] == ' ') ++pos_;
  }
  const std::string& line_;
  size_t pos_ = 0;
};

std::vector<std::string> split_path(const char* path) {
  std::vector<std::string> parts;
  std::string cur;
  for (const char* p = path; *p != '\0'; ++p) {
    if (*p == '\\') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += *p;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

// Reads one value line into `v`; false when the line is damaged.
bool parse_value(const std::string& kind, line_reader& in, reg_value* v) {
  v->name = in.quoted();
  if (kind == "dword") {
    v->type = reg_type::dword;
    const std::string digits = in.word();
    char* stop = nullptr;
    const unsigned long long n = strtoull(digits.c_str(), &stop, 10);
    if (digits.empty() || *stop != '\0' || digits[0] == '-' || n > kMaxDword) return false;
    v->data.clear();
    for (size_t i = 0; i < kDwordBytes; ++i) v->data += static_cast<char>((n >> (kByteBits * i)) & kByteMask);
  } else if (kind == "sz") {
    v->type = reg_type::string;
    v->data = in.quoted();
  } else if (kind == "binary") {
    v->type = reg_type::binary;
    const std::string hex = in.quoted();
    if (hex.size() % 2 != 0) return false;
    v->data.clear();
    for (size_t i = 0; i < hex.size(); i += 2) {
      const int hi = hex_digit(hex[i]);
      const int lo = hex_digit(hex[i + 1]);
      if (hi < 0 || lo < 0) return false;
      v->data += static_cast<char>(hi * kHexBase + lo);
    }
  } else {
    return false;
  }
  return !in.bad && in.at_end();
}

}  // namespace

const reg_value* reg_key::find(const char* name) const {
  for (const reg_value& v : values) {
    if (same_name(v.name, name)) return &v;
  }
  return nullptr;
}

std::string reg_store_path(reg_root root) {
  if (root == reg_root::current_user) {
    std::string base = env_text("XDG_CONFIG_HOME");
    if (base.empty() || base[0] != '/') base = env_text("HOME") + kConfigUnderHome;
    return base + "/" + kStoreFolder + "/" + kUserFile;
  }
  std::string dirs = env_text("XDG_CONFIG_DIRS");
  if (dirs.empty()) dirs = kDefaultConfigDirs;
  std::string first;
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string dir = dirs.substr(start, end - start);
    start = end + 1;
    if (dir.empty() || dir[0] != '/') continue;
    const std::string path = dir + "/" + kStoreFolder + "/" + kMachineFile;
    if (first.empty()) first = path;
    if (access(path.c_str(), F_OK) == 0) return path;
  }
  return first.empty() ? std::string(kDefaultConfigDirs) + "/" + kStoreFolder + "/" + kMachineFile : first;
}

bool reg_open_key(reg_root root, const char* path, reg_key* out) {
  out->values.clear();
  std::ifstream file(reg_store_path(root), std::ios::binary);
  if (!file) return false;
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const std::vector<std::string> want = split_path(path);
  reg_key key;

  bool found = false;
  bool in_key = false;     // the value lines that follow belong to the key
  bool any_key = false;
  bool header_seen = false;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!header_seen) {
      if (line != kHeader) return false;
      header_seen = true;
      continue;
    }
    if (line.empty() || line[0] == '#') continue;
    line_reader in(line);
    const std::string kind = in.word();
    if (kind == "key") {
      std::vector<std::string> parts;
      do parts.push_back(in.quoted());
      while (!in.bad && !in.at_end());
      if (in.bad) return false;
      any_key = true;
      // A key line makes every key on its path exist.
      bool prefix = parts.size() >= want.size();
      for (size_t i = 0; prefix && i < want.size(); ++i) prefix = same_name(parts[i], want[i]);
      found = found || prefix;
      in_key = prefix && parts.size() == want.size();
      continue;
    }
    if (!any_key) return false;
    reg_value v;
    if (!parse_value(kind, in, &v)) return false;
    if (in_key) {
      if (key.find(v.name.c_str()) != nullptr) return false;  // named twice
      key.values.push_back(std::move(v));
    }
  }
  if (!header_seen || !found) return false;
  *out = std::move(key);
  return true;
}
