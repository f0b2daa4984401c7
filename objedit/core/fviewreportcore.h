// fviewreportcore: the view report without its workbook: where a
// definition puts a view's header values and one record per view column.
#pragma once

#include <string>
#include <vector>

#include "app/core/ovdoc.h"
#include "objedit/core/ftablecore.h"
#include "objedit/core/ftablereportcore.h"

inline constexpr const char* kViewReportType = "VIEW";

// What the report writes of a view.
struct TViewReportData {
  std::string Schema;
  std::string View;
  std::string Comment;
  std::vector<std::string> Ddl;  // the CREATE VIEW lines, joined by CR LF in the sheet
  std::string Cross;             // the 参照 tree as text
  std::string CoverCross;        // the 被参照 tree
  std::vector<TTableColumn> Columns;  // the definition grid's rows
};
// Header items SCHEMA, VIEWNAME, COMMENT, DDL, CROSS and COVERCROSS; body
// items as a table column's record (ColumnReportValue).
TReportLayout ViewReportLayout(const TReportDefinition& definition, const TViewReportData& data);
