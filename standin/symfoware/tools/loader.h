// The stand-in's unloader and loader: a table DSI's rows written to and
// added from files in the text format (fields split by the delimiter,
// character values enclosed in the quote character, NULL an empty field).
#pragma once

#include <string>
#include <vector>

#include "standin/symfoware/tools/backup.h"

namespace symfoware::tools {

inline const std::vector<std::string> kUnloadValueOptions = {"-i", "-f", "-v"};
inline const std::vector<std::string> kLoadValueOptions = {"-i", "-f", "-p", "-l", "-r"};

// "rdbunl -i DB.DSI (-t|-o) [-n] (FILE | -f CONDITION | -v SPLIT)": a
// condition file names the output file on its first line and a condition
// on the rows in the lines after it; a split file names one output file a
// line, which take the rows in turn in equal runs.
Report Unload(const ToolArguments& args, const std::vector<LocalDatabase>& databases);
// "rdbsaloader -ma -i DB.DSI [-f RATIO] (-t|-o) [-n] [-e] [-p DELIMITER]
// [-l QUOTE] [-r COUNT|ALL,ERRORFILE] FILE": adds the file's rows. A row
// that cannot be added goes to the error file; without -r, or once COUNT
// rows failed, nothing is added.
Report Load(const ToolArguments& args, const std::vector<LocalDatabase>& databases);

}  // namespace symfoware::tools
