#include "ui/core/fsupportcore.h"

#include <grp.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {
const char* const kUnknown = "Unknown";
const char* const kAdminGroup = "sudo";
const char* const kPathLabel = "  PATH環境変数       : ";
constexpr size_t kPathIndent = 23;

std::string Unquoted(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}
}  // namespace

std::vector<std::string> SupportReportLines(const TSupportFacts& facts) {
  std::vector<std::string> lines = {
      "【Orvanto情報】",
      "  バージョン         : " + facts.Version,
      "  プログラムのパス   : " + facts.ProgramPath,
      "\n【OS情報】",
      "  OS                 : " + facts.OsName,
      "  ユーザ権限         : " + facts.UserRights,
  };
  std::string prefix = kPathLabel;
  size_t start = 0;
  for (;;) {
    size_t end = facts.PathValue.find(':', start);
    lines.push_back(prefix + facts.PathValue.substr(start, end - start));
    if (end == std::string::npos) break;
    prefix = std::string(kPathIndent, ' ');
    start = end + 1;
  }
  return lines;
}

std::string OsNameFromOsRelease(const std::string& text) {
  std::string pretty;
  std::string name;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("PRETTY_NAME=", 0) == 0) pretty = Unquoted(line.substr(line.find('=') + 1));
    if (line.rfind("NAME=", 0) == 0) name = Unquoted(line.substr(line.find('=') + 1));
  }
  if (!pretty.empty()) return pretty;
  return name.empty() ? kUnknown : name;
}

std::string ReadOsName(const std::string& path) {
  std::ifstream file(path);
  if (!file) return kUnknown;
  std::ostringstream text;
  text << file.rdbuf();
  return OsNameFromOsRelease(text.str());
}

std::string UserRightsName(unsigned uid, const std::vector<std::string>& groups) {
  bool admin = uid == 0 || std::find(groups.begin(), groups.end(), kAdminGroup) != groups.end();
  return admin ? "Administrator" : "Users";
}

std::string CurrentUserRights() {
  int count = getgroups(0, nullptr);
  if (count < 0) return kUnknown;
  std::vector<gid_t> ids(static_cast<size_t>(count));
  if (getgroups(count, ids.data()) < 0) return kUnknown;
  ids.push_back(getegid());
  std::vector<std::string> names;
  for (gid_t id : ids) {
    if (const group* entry = getgrgid(id)) names.emplace_back(entry->gr_name);
  }
  return UserRightsName(geteuid(), names);
}
