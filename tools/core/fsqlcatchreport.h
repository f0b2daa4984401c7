// fsqlcatchreport: the two reports of the trace windows' lists (the capture,
// the table-access matrix, the object comparison): a workbook with the
// column captions in row 1, and the clipboard text. A list reaches them as
// its captions and its rows (row caption first, then the sub-items).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

class TovMainWindow;

inline constexpr char kReportSaved[] = "ファイルに出力しました。";
inline constexpr char kReportCopied[] = "クリップボードに出力しました。";
inline constexpr char kReportCopyQuestion[] = "結果をクリップボードにコピーしますか？";
inline constexpr char kReportCommaItem[] = "カンマ区切りにする(非チェック時はタブ区切り)";

struct TReportTable {
  std::vector<std::string> Captions;
  std::vector<std::vector<std::string>> Rows;
};

// Writes the workbook file: row 1 the captions, row r + 2 list row r, every
// CR LF of a cell made one blank and each cell typed as its text reads.
// The file's folder is made when missing; an existing file is replaced.
void WriteReportWorkbook(const std::string& path, const TReportTable& table);

// The report to a spreadsheet: the save dialog proposes the first free
// name of ExcelDir + key + ExcelExt, the workbook is written, and
// "ファイルに出力しました。" shown. Errors go to the caller. The saved file, or
// none when the dialog was cancelled.
std::optional<std::string> ReportToSpreadsheet(const std::string& key, const TReportTable& table,
                                               TovMainWindow* main);

// The clipboard text: each row's cells joined by "," or TAB and ended by
// CR LF, CR LF inside a cell made a blank, a cell quoted by the clipboard
// rule of the result grids. `escape` ends the text early.
std::string ReportClipboardText(const TReportTable& table, bool comma, const std::function<bool()>& escape,
                                const std::function<void(int)>& progress);

// The report to the clipboard: the separator remembered in PasteColumn,
// asked for first when PasteDialog is on (No ends it); the text goes on the
// clipboard and "クリップボードに出力しました。" is shown.
void ReportToClipboard(const TReportTable& table, TovMainWindow* main);
