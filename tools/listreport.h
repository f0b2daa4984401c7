// listreport: a tool window's result list as the trace windows' reports
// take it: the column captions, and per row its caption and sub-items.
#pragma once

#include "tools/core/fsqlcatchreport.h"

class QTreeWidget;

TReportTable ListReportTable(const QTreeWidget& list);
