#include "platform/orvutl.h"

#include <cstdio>
#include <string_view>

namespace platform {
namespace {

constexpr std::string_view kSeparators = "-/:. T";
constexpr size_t kDateDigits = 8;       // YYYYMMDD
constexpr size_t kDateTimeDigits = 14;  // YYYYMMDDhhmmss

struct Field {
  size_t offset, length;
  int low, high;
};
constexpr Field kFields[] = {{4, 2, 1, 12}, {6, 2, 1, 31}, {8, 2, 0, 23}, {10, 2, 0, 59}, {12, 2, 0, 59}};

std::string TrimText(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

int Number(const std::string& digits, size_t offset, size_t length) {
  return std::stoi(digits.substr(offset, length));
}

}  // namespace

std::string GetCreateTime(const std::string& createTime) {
  const std::string text = TrimText(createTime);
  std::string digits;
  for (char c : text) {
    if (c >= '0' && c <= '9') digits += c;
    else if (kSeparators.find(c) == std::string_view::npos) return text;
  }
  const bool withTime = digits.size() >= kDateTimeDigits;
  if (digits.size() < kDateDigits || (!withTime && digits.size() != kDateDigits)) return text;
  for (const Field& f : kFields) {
    if (!withTime && f.offset >= kDateDigits) break;
    const int value = Number(digits, f.offset, f.length);
    if (value < f.low || value > f.high) return text;
  }
  char out[32];
  if (withTime)
    std::snprintf(out, sizeof out, "%s/%s/%s %s:%s:%s", digits.substr(0, 4).c_str(), digits.substr(4, 2).c_str(),
                  digits.substr(6, 2).c_str(), digits.substr(8, 2).c_str(), digits.substr(10, 2).c_str(),
                  digits.substr(12, 2).c_str());
  else
    std::snprintf(out, sizeof out, "%s/%s/%s", digits.substr(0, 4).c_str(), digits.substr(4, 2).c_str(),
                  digits.substr(6, 2).c_str());
  return out;
}

}  // namespace platform
