// fxlssqlcore: the spreadsheet output of a whole result: where titles,
// widths, text formats and records land on the sheet, the checks that
// refuse an output before anything is written, and the run that fills a new
// or form workbook and saves it. The records travel by the workbook layer's
// typed paste, a chunk of records at a time.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ui/core/rdatacore.h"

class TovWorksheet;

// `ExcelMode`: one record per sheet row or per sheet column.
inline constexpr int kExcelVertical = 0;
inline constexpr int kExcelHorizontal = 1;
// `ExcelTitle` takes the values of `PasteTitle` (names, comments, none).
// The dialog's start cell: rows 1 .. 65536, columns A .. IV.
inline constexpr int kXlsMaxStartRow = 65536;
inline constexpr int kXlsStartColumns = 256;
// Column widths of the titles, in characters.
inline constexpr int kXlsMinColumnWidth = 1;
inline constexpr int kXlsMaxColumnWidth = 255;
inline constexpr int kXlsTitleColumnWidth = 20;
// Records are pasted in chunks of rendered text below this many bytes.
inline constexpr size_t kXlsChunkSize = 65536;

// One run of the output.
struct TXlsOutput {
  std::string Target;
  std::string Sheet;  // empty: the workbook's active sheet
  std::string Form;   // empty: a new workbook
  int StartRow = 0;     // s: start row - 1
  int StartColumn = 0;  // c: 0 = column A
  int Mode = kExcelVertical;
  int Title = kPasteTitleNames;
};

// A visible field as the sheet takes it.
struct TXlsField {
  std::string Title;
  int DisplayWidth = 0;
  bool Text = false;  // its cells are formatted "@"
};

// The fields of the data set for the output: the shared title rule
// (ResultTitles) over the visible fields, their widths and text formats.
std::vector<TXlsField> XlsFields(const TovClientDataSet& data, const std::function<std::string(int)>& comment,
                                 int title);

// Why the output cannot be written where the run asks (an ".xls" target or
// form, a sheet name the format forbids), or, with the result's size, why it
// would not fit on the sheet from its start cell; empty when it can.
std::string XlsOutputRefusal(const TXlsOutput& output);
std::string XlsExtentRefusal(const TXlsOutput& output, int fields, int records);

// Writes titles, widths, formats and the records from the current one on;
// an Esc ends the records and what was written stays. Returns the number of
// records written.
int WriteResultSheet(TovWorksheet& sheet, const TXlsOutput& output, const std::vector<TXlsField>& fields,
                     TResultRecords& records);

// The whole run: the form workbook (when it exists) or a new one, the named
// sheet found or added, the result written, the selection at A1 and the
// workbook saved over the target, which stays as it was when saving fails.
// Raises EWorkbookError.
int WriteXlsOutput(const TXlsOutput& output, const std::vector<TXlsField>& fields, TResultRecords& records);
