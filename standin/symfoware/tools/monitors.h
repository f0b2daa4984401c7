// The stand-in's server monitors: the sessions and locks of a data-source
// folder, kept in its fixture files, and the log files of its catalogue.
#pragma once

#include <QSqlDatabase>

#include <string>
#include <vector>

#include "standin/symfoware/tools/reports.h"

namespace symfoware::tools {

// The fixture files in a data-source folder: the session lines as "rdbps"
// prints them, and the lock lines with their "DSI-name" lines as
// "rdblkinf" prints them.
inline constexpr char kSessionFile[] = "rdbps.txt";
inline constexpr char kLockFile[] = "rdblkinf.txt";

// "rdbps -e": four heading lines, the sessions of every folder, the line of
// the report's own process; the caller adds the trailer.
Report Sessions(const std::vector<std::string>& folders, const std::string& ownUser, long long ownProcess);
// "rdbterm -p <pid>[/<sid>]": the session leaves the session file and its
// locks leave the lock file.
Report EndSession(const std::vector<std::string>& folders, const std::string& target);
// "rdblkinf -l -e": the heading, then the lock files' lines.
Report Locks(const std::vector<std::string>& folders);
// "rdblog -V -t": the status and the files of the first log group.
Report LogFiles(QSqlDatabase& catalogue);

}  // namespace symfoware::tools
