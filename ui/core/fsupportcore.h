// fsupportcore: the lines of the support report and the facts behind them.
#pragma once

#include <string>
#include <vector>

struct TSupportFacts {
  std::string Version;
  std::string ProgramPath;
  std::string OsName;
  std::string UserRights;
  std::string PathValue;  // the PATH environment variable
};

std::vector<std::string> SupportReportLines(const TSupportFacts& facts);

// The system's name from an os-release text: PRETTY_NAME, else NAME;
// "Unknown" when neither is there.
std::string OsNameFromOsRelease(const std::string& text);
// The same from the file; "Unknown" when it cannot be read.
std::string ReadOsName(const std::string& path);

// "Administrator" for root or a member of the sudo group, "Users" otherwise.
std::string UserRightsName(unsigned uid, const std::vector<std::string>& groups);
// The rights of this process's user; "Unknown" when the groups cannot be read.
std::string CurrentUserRights();
