#include "admin/core/fstoragecore.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "app/core/fobjcmdcore.h"
#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

namespace {

constexpr size_t kNameColumn = 18;
constexpr size_t kValueColumn = 12;
constexpr double kKilobytesPerMegabyte = 1024.0;
constexpr const char* kSpaceLabel = "Database space :";
constexpr const char* kToolStop = "rdbspcinf";

std::string FromColumn(const std::string& line, size_t column) {
  return line.size() >= column ? Trim(line.substr(column - 1)) : std::string();
}

// from_chars reads "." whatever the locale says.
double ToNumber(const std::string& text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || at != end)
    throw std::invalid_argument("'" + text + "' is not a valid floating point value");
  return value;
}

// printf is locale-bound; the list shows "." whatever the locale says.
std::string Fixed(double value, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text = buffer;
  for (char& c : text)
    if (c == ',') c = '.';
  return text;
}

}  // namespace

std::string StorageSize(const std::string& text, bool megabytes) {
  std::string value = text;
  if (!value.empty()) value.pop_back();
  value = Trim(value);
  if (!megabytes) return value;
  // "0.##0": the last zero forces all three decimals.
  return Fixed(ToNumber(value) / kKilobytesPerMegabyte, 3);
}

std::string StorageUsage(const std::string& size, const std::string& free) {
  const float total = static_cast<float>(ToNumber(size));
  if (total == 0) return Fixed(0, 2);
  return Fixed((total - static_cast<float>(ToNumber(free))) / total, 2);
}

int UsageBarWidth(const std::string& usage, int width) {
  double value = 0;
  try {
    value = ToNumber(usage);
  } catch (const std::invalid_argument&) {
    value = 0;
  }
  return static_cast<int>(std::lround(value * width));
}

bool ReadStorageUsage(const std::vector<std::string>& lines, bool megabytes, std::vector<TStorageRow>& rows) {
  rows.clear();
  bool named = false;
  for (const std::string& line : lines) named = named || line.find(kSpaceLabel) != std::string::npos;
  if (!named) return false;
  TStorageTag next = stCount;
  for (const std::string& line : lines) {
    if (line.starts_with(kToolStop)) break;
    if (next != stCount) {
      if (!rows.empty()) rows.back()[next] = StorageSize(FromColumn(line, kValueColumn), megabytes);
      next = stCount;
      continue;
    }
    if (line.find(kSpaceLabel) != std::string::npos) {
      rows.push_back({});
      rows.back()[stName] = FromColumn(line, kNameColumn);
    }
    if (rows.empty()) continue;
    TStorageRow& row = rows.back();
    if (line.find("Device         :") != std::string::npos) row[stDevice] = FromColumn(line, kNameColumn);
    if (line.find("Size           :") != std::string::npos)
      row[stSize] = StorageSize(FromColumn(line, kNameColumn), megabytes);
    if (line.find("Static allocate size") != std::string::npos) next = stStatic;
    if (line.find("Dynamic allocate size") != std::string::npos) next = stDynamic;
    if (line.find("Free size") != std::string::npos) next = stFree;
  }
  for (TStorageRow& row : rows) row[stUsage] = StorageUsage(row[stSize], row[stFree]);
  return true;
}

std::string StorageScriptPath(bool oneScript, bool subDir, const std::string& target, const std::string& name) {
  if (oneScript) return target;
  const std::string folder = subDir ? ObjectKindName(okTablespace) + kPathSeparator : "";
  return target + folder + SafePathPart(name + kScriptExtension);
}
