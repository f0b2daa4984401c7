// tracelists: what the tool windows do with a row or the whole of their
// result lists: the list as the trace windows' reports take it, and a
// statement's access plan shown in a new SQL window.
#pragma once

#include <string>

#include "tools/core/fsqlcatchreport.h"

class QTreeWidget;
class TovConnectionWindow;

// The column captions, and per row its caption and sub-items.
TReportTable ListReportTable(const QTreeWidget& list);

// A new SQL window of the connection with the statement, run in plan mode.
void ShowAccessPlan(TovConnectionWindow& connection, const std::string& sql);
