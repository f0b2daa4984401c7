#include "tools/core/fsqlcatchreport.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include "admin/core/outputcore.h"
#include "app/core/fmaincore.h"
#include "app/core/ovatexit.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "ui/core/ovworkbook.h"

namespace {

// The main window rewrites its object count when a report ends, however.
AtExit<std::function<void()>> CountAgain(TovMainWindow* main) {
  return AtExit<std::function<void()>>([main] {
    if (main) main->ShowObjectCount();
  });
}

}  // namespace

void WriteReportWorkbook(const std::string& path, const TReportTable& table) {
  CheckWorkbookPath(path);
  std::unique_ptr<TovWorkbook> book = TovWorkbook::Add();
  TovWorksheet sheet = book->ActiveSheet();
  sheet.Activate();
  TCellValues values;
  std::vector<TCellValue> captions;
  for (const std::string& caption : table.Captions) captions.push_back(TypedValue(caption, false));
  values.push_back(captions);
  for (const std::vector<std::string>& row : table.Rows) {
    std::vector<TCellValue> line;
    for (const std::string& cell : row) line.push_back(TypedValue(OutputCellText(cell), false));
    values.push_back(line);
  }
  sheet.SetValues(1, 1, values);
  QDir().mkpath(QFileInfo(Q(path)).absolutePath());
  // The workbook replaces the file only once written whole.
  book->SaveAs(path);
}

std::optional<std::string> ReportToSpreadsheet(const std::string& key, const TReportTable& table,
                                               TovMainWindow* main) {
  const auto countAgain = CountAgain(main);
  const std::string proposed = UniqueFileName(AppOption.ExcelDir + key + AppOption.ExcelExt);
  const std::optional<std::string> chosen =
      platform::Dialogs().ShowFile({platform::FileDialogKind::Save, "", "", proposed, ExcelSaveFilter()});
  if (!chosen) return std::nullopt;
  {
    const TSqlWaitCursor wait;
    WriteReportWorkbook(*chosen, table);
  }
  MsgBox(kReportSaved, MB_ICONINFORMATION);
  return chosen;
}

std::string ReportClipboardText(const TReportTable& table, bool comma, const std::function<bool()>& escape,
                                const std::function<void(int)>& progress) {
  TTextRows rows;
  rows.reserve(table.Rows.size());
  for (const std::vector<std::string>& row : table.Rows) {
    std::vector<std::string> line;
    for (const std::string& cell : row) line.push_back(OutputCellText(cell));
    rows.push_back(std::move(line));
  }
  return RowsClipboardText(rows, comma, escape, progress);
}

void ReportToClipboard(const TReportTable& table, TovMainWindow* main) {
  const auto countAgain = CountAgain(main);
  bool comma = AppOption.PasteColumn == 1;
  if (AppOption.PasteDialog) {
    TCheckList checks = {{kReportCommaItem, comma}};
    if (MsgBoxWithChecks(kReportCopyQuestion, MB_YESNO | MB_ICONQUESTION, checks) != IDYES) return;
    comma = checks[0].checked;
  }
  AppOption.PasteColumn = comma ? 1 : 0;
  QGuiApplication::clipboard()->clear();
  const int total = static_cast<int>(table.Rows.size());
  const std::string text = ReportClipboardText(table, comma, [] { return IsEscapePressed(); }, [&](int number) {
    if (main) main->ShowProgress(number, total);
  });
  QGuiApplication::clipboard()->setText(Q(text));
  MsgBox(kReportCopied, MB_ICONINFORMATION);
}
