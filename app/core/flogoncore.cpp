#include "app/core/flogoncore.h"

#include <QString>

#include <strings.h>

#include <algorithm>

#include "app/core/zarur.h"
#include "platform/qstr.h"

namespace {
const char kLogonKeyFormat[] = "DB%.3d";
}  // namespace

bool SameName(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

std::vector<std::string> SavedLogonOrder(std::vector<std::string> sort, std::vector<std::string> keys) {
  for (size_t i = sort.size(); i-- > 0;) {
    auto found =
        std::find_if(keys.begin(), keys.end(), [&](const std::string& k) { return SameName(k, sort[i]); });
    if (found == keys.end())
      sort.erase(sort.begin() + static_cast<std::ptrdiff_t>(i));
    else
      keys.erase(found);
  }
  sort.insert(sort.end(), keys.begin(), keys.end());
  return sort;
}

std::string FreeLogonKey(const std::vector<std::string>& names) {
  for (int n = 0;; ++n) {
    std::string candidate = Format(kLogonKeyFormat, {n});
    if (std::none_of(names.begin(), names.end(),
                     [&](const std::string& s) { return SameName(s, candidate); }))
      return candidate;
  }
}

std::string JoinSortList(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) text += n + "\r\n";
  return text;
}

std::vector<std::string> SplitSortList(const std::string& text) {
  std::vector<std::string> lines;
  QString all = Q(text);
  all.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace('\r', '\n');
  for (const QString& line : all.split('\n')) lines.push_back(line.toStdString());
  // A text ending with a line break has no line after it.
  if (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}
