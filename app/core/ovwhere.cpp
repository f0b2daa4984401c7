#include "app/core/ovwhere.h"

#include <QDir>

#include <algorithm>

#include "app/core/ovrunner.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "platform/inifile.h"

namespace {

constexpr char kWhereSection[] = "WHERE";

std::string ValueName(int index) { return Format("%.2d", {index}); }

void CreateWorkFolder() { QDir().mkpath(QString::fromStdString(WorkFolder())); }

}  // namespace

std::string WhereHistoryFile(const std::string& firstName, const std::string& secondName) {
  return WorkFolder() + SanitizeFileName(firstName + "." + secondName + ".ini");
}

void LoadWhereHistory(const std::string& firstName, const std::string& secondName, std::vector<std::string>& list) {
  list.clear();
  if (secondName.empty()) return;
  CreateWorkFolder();
  const platform::IniFile ini(WhereHistoryFile(firstName, secondName));
  for (int i = 0; i < kWhereHistoryMax; ++i) {
    const std::string condition = ini.ReadString(kWhereSection, ValueName(i), "");
    if (!condition.empty()) list.push_back(condition);
  }
}

void SaveWhereHistory(const std::string& firstName, const std::string& secondName,
                      const std::vector<std::string>& list) {
  CreateWorkFolder();
  platform::IniFile ini(WhereHistoryFile(firstName, secondName));
  const int count = std::min(static_cast<int>(list.size()), kWhereHistoryMax);
  for (int i = 0; i < count; ++i) ini.WriteString(kWhereSection, ValueName(i), list[static_cast<size_t>(i)]);
  ini.UpdateFile();
}
