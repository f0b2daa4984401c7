// fobjectreport: the rdbprt definition report of a table, the one run
// behind the connection window's storage lists and every reader of table
// storage.
#pragma once

#include <string>
#include <vector>

class TovConnectionWindow;

// The report's control text, "TABLE (<schema>.<table>)" with the names as
// given.
std::string TableReportControl(const std::string& schema, const std::string& table);

// Runs "rdbprt -d <data source> -m DEF -f <control file>" for the control
// text after committing the connection's open transaction, and returns the
// printed lines. The control file is "<fileStem>.rdbprt" in the work folder,
// the stem cleaned to a plain file name; it is removed again whatever
// happens. `ok` is false when the tool could not run, printed nothing or
// ended with a failing return code (the runner has shown that message).
std::vector<std::string> TableReport(TovConnectionWindow& window, const std::string& fileStem,
                                     const std::string& controlText, bool& ok);
