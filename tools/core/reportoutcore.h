// reportoutcore: what the tool windows' list reports write: the proposed
// spreadsheet file and the sheet of a list (its captions in the first row,
// a row of cells per list row). The clipboard text is admin/core/outputcore's.
#pragma once

#include <string>
#include <vector>

#include "admin/core/outputcore.h"

class TovWorksheet;

// A list as its reports see it: the column captions, and per row the
// caption followed by the sub-items.
struct TReportList {
  std::vector<std::string> Captions;
  TTextRows Rows;
};

// The file the save dialog proposes: the first free name of ExcelDir, the
// report's key and ExcelExt.
std::string ReportFileName(const std::string& key);

// Row 1 the captions, list row r on sheet row r + 2; every cell typed as an
// input of its text with each CR LF made one blank.
void WriteReportSheet(TovWorksheet& sheet, const TReportList& list);
