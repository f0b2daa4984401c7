#include "tools/core/reportoutcore.h"

#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "ui/core/ovworkbook.h"

namespace {

constexpr int kCaptionRow = 1;
constexpr int kFirstListRow = 2;
constexpr int kFirstColumn = 1;

std::vector<TCellValue> TypedRow(const std::vector<std::string>& texts) {
  std::vector<TCellValue> cells;
  for (const std::string& text : texts) cells.push_back(TypedValue(OutputCellText(text), false));
  return cells;
}

}  // namespace

std::string ReportFileName(const std::string& key) {
  return UniqueFileName(AppOption.ExcelDir + key + AppOption.ExcelExt);
}

void WriteReportSheet(TovWorksheet& sheet, const TReportList& list) {
  sheet.SetValues(kCaptionRow, kFirstColumn, {TypedRow(list.Captions)});
  TCellValues rows;
  for (const std::vector<std::string>& row : list.Rows) rows.push_back(TypedRow(row));
  if (!rows.empty()) sheet.SetValues(kFirstListRow, kFirstColumn, rows);
}
