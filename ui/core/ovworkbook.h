// ovworkbook: spreadsheet workbooks of our own over the Office Open XML
// package (.xlsx), in place of the spreadsheet program the reports drive.
// A workbook is opened from a file or added anew; its sheets are named,
// added, copied and deleted; cells take values one by one, as 2-D arrays or
// as pasted TAB / CR LF text typed as a user's input would be; ranges copy
// with their formats; columns take widths and number formats, rows number
// formats. Saving writes a new package beside the target and then replaces
// it, so a failed save keeps the old file.
//
// What a workbook does not change stays as it was read: parts it never
// touches are written back byte for byte, and a sheet it changes keeps its
// every element but the cells. Rows and columns count from 1, as the
// spreadsheet program's Cells(row, column) does.
#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// The extension of the spreadsheet files the program writes.
inline constexpr const char* kExcelExt = ".XLSX";
inline constexpr int kMaxSheetRows = 1048576;
inline constexpr int kMaxSheetColumns = 16384;
// The number format that keeps a cell's input as text.
inline constexpr const char* kTextNumberFormat = "@";

class EWorkbookError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A value as the spreadsheet holds it. Dates and date-times are numbers of
// days since 1899-12-30 shown in a date format.
struct TCellValue {
  enum class TKind { Empty, Number, Text, Boolean, Date, DateTime };
  TKind Kind = TKind::Empty;
  double Number = 0;
  std::string Text;

  static TCellValue OfNumber(double value) { return {TKind::Number, value, {}}; }
  static TCellValue OfText(std::string value) { return {TKind::Text, 0, std::move(value)}; }
  friend bool operator==(const TCellValue&, const TCellValue&) = default;
};
using TCellValues = std::vector<std::vector<TCellValue>>;

// Cells from (Top, Left) to (Bottom, Right), both included.
struct TCellRange {
  int Top = 1, Left = 1, Bottom = 1, Right = 1;
  friend bool operator==(const TCellRange&, const TCellRange&) = default;
};

// "A", "B" .. "Z", "AA" .. for column 1, 2 ..; and the reverse (0 when the
// text names no column).
std::string ColumnName(int column);
int ColumnIndex(const std::string& name);
// "B3" for row 3, column 2.
std::string CellName(int row, int column);

// How a typed input reads: a number (not with leading zeros nor more than 15
// significant digits, which the spreadsheet would lose), one of the
// program's date or date-time texts, else text; in a text-formatted cell
// always text.
TCellValue TypedValue(const std::string& text, bool textFormat);

// Raise EWorkbookError with the message a user sees when a workbook could
// not be read or written under `path` for its format (an ".xls" file), or
// when `name` is no sheet name the format allows; so a caller can refuse
// before it writes anything.
void CheckWorkbookPath(const std::string& path);
void CheckSheetName(const std::string& name);

class TovWorkbook;
struct TWorksheetData;

class TovWorksheet {
 public:
  TovWorksheet(TovWorkbook& book, TWorksheetData& data) : book_(&book), data_(&data) {}

  const std::string& Name() const;
  // Refuses a name the format forbids or another sheet of the book has.
  void SetName(const std::string& name);
  // Makes this the book's active sheet.
  void Activate();
  // Moves the sheet's selection to one cell.
  void Select(int row, int column);

  TCellValue Value(int row, int column) const;
  void SetValue(int row, int column, const TCellValue& value);
  // A value typed into the cell (TypedValue).
  void SetText(int row, int column, const std::string& text);
  // The rows of `values` from (row, column) on.
  void SetValues(int row, int column, const TCellValues& values);
  // TAB-separated cells in CR LF-ended lines (a cell in double quotes may
  // hold TAB, line breaks and doubled quotes) from (row, column) on, each
  // typed as TypedValue says under its cell's format.
  void PasteText(int row, int column, const std::string& text);

  // Copies values, formats and merged cells of `source` so that its top left
  // cell lands on (row, column) of `target` (this sheet when none, else a
  // sheet of the same book). A formula cell copies as its last value.
  void CopyRange(const TCellRange& source, int row, int column, TovWorksheet* target = nullptr);

  // Column widths in characters of the standard font, as the spreadsheet
  // program shows them.
  double ColumnWidth(int column) const;
  void SetColumnWidth(int column, double width);
  // The number format of a column or a row: the format of its cells and of
  // the cells typed into it later.
  void SetColumnNumberFormat(int column, const std::string& format);
  void SetRowNumberFormat(int row, const std::string& format);
  // The number format code of a cell as shown ("General" when none).
  std::string NumberFormat(int row, int column) const;

 private:
  TovWorkbook* book_;
  TWorksheetData* data_;
};

class TovWorkbook {
 public:
  ~TovWorkbook();
  TovWorkbook(const TovWorkbook&) = delete;
  TovWorkbook& operator=(const TovWorkbook&) = delete;

  // An existing .xlsx file. An ".xls" file, a file that is no workbook
  // package, or a broken package raises EWorkbookError.
  static std::unique_ptr<TovWorkbook> Open(const std::string& path);
  // A new workbook of `sheets` empty sheets named "Sheet1" ...
  static std::unique_ptr<TovWorkbook> Add(int sheets = 1);

  int SheetCount() const;
  TovWorksheet Sheet(int index);  // 0-based
  // The sheet of this name (case does not count), or none.
  std::unique_ptr<TovWorksheet> FindSheet(const std::string& name);
  TovWorksheet ActiveSheet();
  int ActiveSheetIndex() const;
  // A new empty sheet before the active one, named "Sheet<n>" with the
  // first n not in use; it becomes the active sheet.
  TovWorksheet AddSheet();
  // A copy of sheet `index` placed before sheet `before` (at the end when
  // `before` is the sheet count), named "<name> (2)" or the next free
  // number; it becomes the active sheet. The copy keeps cells, formats,
  // merged cells, widths, views, page settings and the source's print area;
  // the source's drawings, comments and tables stay with the source.
  TovWorksheet CopySheet(int index, int before);
  // Refuses to delete the last sheet. Handles of the deleted sheet are void.
  void DeleteSheet(int index);

  // Writes the workbook as an .xlsx file; the target's folder is made when
  // missing. An ".xls" target is refused.
  void SaveAs(const std::string& path);

 private:
  friend class TovWorksheet;
  struct TImpl;
  explicit TovWorkbook(std::unique_ptr<TImpl> impl);
  std::unique_ptr<TImpl> impl_;
};
