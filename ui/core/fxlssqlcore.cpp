#include "ui/core/fxlssqlcore.h"

#include <algorithm>
#include <filesystem>
#include <memory>

#include "ui/core/ovdbgridcore.h"
#include "ui/core/ovworkbook.h"

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr char kTab = '\t';

// A record as pasted text: one sheet row of TAB-separated values, or one
// sheet column of values each on a line. Nothing follows the last value,
// so the paste never clears a cell beside the result.
std::string RecordText(const std::vector<std::string>& values, bool vertical) {
  std::string text;
  for (size_t i = 0; i < values.size(); ++i) {
    if (vertical && i > 0) text += kTab;
    text += ClipboardValue(values[i]);
    if (!vertical) text += kCrLf;
  }
  if (vertical) text += kCrLf;
  return text;
}

}  // namespace

std::vector<TXlsField> XlsFields(const TovClientDataSet& data, const std::function<std::string(int)>& comment,
                                 int title) {
  const std::vector<std::string> titles = ResultTitles(ResultFields(data, comment), title);
  std::vector<TXlsField> fields;
  for (const TovField& field : data.Fields()) {
    if (!field.Visible) continue;
    const bool text = field.DataType == TFieldType::ftString || field.DataType == TFieldType::ftWord;
    fields.push_back({titles[fields.size()], field.DisplayWidth, text});
  }
  return fields;
}

std::string XlsOutputRefusal(const TXlsOutput& output) {
  try {
    CheckWorkbookPath(output.Target);
    if (!output.Form.empty()) CheckWorkbookPath(output.Form);
    if (!output.Sheet.empty()) CheckSheetName(output.Sheet);
  } catch (const EWorkbookError& e) {
    return e.what();
  }
  return {};
}

std::string XlsExtentRefusal(const TXlsOutput& output, int fields, int records) {
  const int titles = output.Title == kPasteTitleNone ? 0 : 1;
  const bool vertical = output.Mode != kExcelHorizontal;
  // The last row and column the output writes.
  const long long lastRow = static_cast<long long>(output.StartRow) + (vertical ? titles + records : fields);
  const long long lastColumn = static_cast<long long>(output.StartColumn) + (vertical ? fields : titles + records);
  if (lastRow > kMaxSheetRows)
    return "出力する結果がシートの最終行(" + std::to_string(kMaxSheetRows) + "行目)を超えます。";
  if (lastColumn > kMaxSheetColumns)
    return "出力する結果がシートの最終列(" + ColumnName(kMaxSheetColumns) + "列)を超えます。";
  return {};
}

int WriteResultSheet(TovWorksheet& sheet, const TXlsOutput& output, const std::vector<TXlsField>& fields,
                     TResultRecords& records) {
  const bool vertical = output.Mode != kExcelHorizontal;
  const bool titled = output.Title != kPasteTitleNone;
  const int s = output.StartRow;
  const int c = output.StartColumn;
  for (size_t i = 0; i < fields.size(); ++i) {
    const int at = static_cast<int>(i) + 1;
    const TXlsField& field = fields[i];
    if (vertical) {
      if (titled) sheet.SetValue(s + 1, c + at, TCellValue::OfText(field.Title));
      sheet.SetColumnWidth(c + at, std::clamp(field.DisplayWidth, kXlsMinColumnWidth, kXlsMaxColumnWidth));
      if (field.Text) sheet.SetColumnNumberFormat(c + at, kTextNumberFormat);
    } else {
      if (titled) sheet.SetValue(s + at, c + 1, TCellValue::OfText(field.Title));
      if (field.Text) sheet.SetRowNumberFormat(s + at, kTextNumberFormat);
    }
  }
  // The titles' column is always the sheet's first, whatever the start.
  if (!vertical && !fields.empty()) sheet.SetColumnWidth(1, kXlsTitleColumnWidth);

  // Record k lands in sheet row s + t + k, or sheet column c + t + k.
  const int t = titled ? 1 : 0;
  std::string chunk;
  int chunkFirst = t + 1;
  const auto flush = [&] {
    if (chunk.empty()) return;
    if (vertical)
      sheet.PasteText(s + chunkFirst, c + 1, chunk);
    else
      sheet.PasteText(s + 1, c + chunkFirst, chunk);
    chunk.clear();
  };
  int written = 0;
  while (!records.AtEnd() && !records.EscapePressed()) {
    ++written;
    records.Progress(written);
    const std::string text = RecordText(records.VisibleValues(), vertical);
    // A column takes one record; rows gather up to a chunk.
    if (!vertical || chunk.size() + text.size() >= kXlsChunkSize) {
      flush();
      chunkFirst = t + written;
    }
    chunk += text;
    records.Next();
  }
  flush();
  return written;
}

int WriteXlsOutput(const TXlsOutput& output, const std::vector<TXlsField>& fields, TResultRecords& records) {
  std::unique_ptr<TovWorkbook> book;
  std::unique_ptr<TovWorksheet> sheet;
  if (!output.Form.empty() && std::filesystem::exists(output.Form)) {
    book = TovWorkbook::Open(output.Form);
    // A form workbook without the named sheet gets one so named.
    if (!output.Sheet.empty()) {
      sheet = book->FindSheet(output.Sheet);
      if (!sheet) {
        sheet = std::make_unique<TovWorksheet>(book->AddSheet());
        sheet->SetName(output.Sheet);
      }
    }
  } else {
    book = TovWorkbook::Add();
    sheet = std::make_unique<TovWorksheet>(book->ActiveSheet());
    if (!output.Sheet.empty()) sheet->SetName(output.Sheet);
  }
  if (!sheet) sheet = std::make_unique<TovWorksheet>(book->ActiveSheet());
  sheet->Activate();
  const int written = WriteResultSheet(*sheet, output, fields, records);
  sheet->Select(1, 1);
  book->SaveAs(output.Target);
  return written;
}
