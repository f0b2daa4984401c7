#include "tools/reportout.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "ui/core/ovworkbook.h"
#include "ui/fxlssql.h"
#include "ui/zarurctl.h"

namespace {

constexpr char kSaved[] = "ファイルに出力しました。";
constexpr char kCopyQuestion[] = "結果をクリップボードにコピーしますか？";
constexpr char kCommaItem[] = "カンマ区切りにする(非チェック時はタブ区切り)";
constexpr char kCopied[] = "クリップボードに出力しました。";
constexpr int kCommaColumn = 1;
constexpr int kTabColumn = 0;

}  // namespace

TReportList ListReport(const QTreeWidget& list) {
  TReportList report;
  const QTreeWidgetItem* header = list.headerItem();
  for (int c = 0; c < list.columnCount(); ++c) report.Captions.push_back(header->text(c).toStdString());
  for (int i = 0; i < list.topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = list.topLevelItem(i);
    std::vector<std::string> row;
    for (int c = 0; c < list.columnCount(); ++c) row.push_back(item->text(c).toStdString());
    report.Rows.push_back(row);
  }
  return report;
}

std::optional<std::string> ReportToSpreadsheet(const std::string& key, const TReportList& list) {
  const TObjectCountAgain countAgain;
  const platform::FileRequest request{platform::FileDialogKind::Save, "", "", ReportFileName(key), ExcelSaveFilter()};
  const std::optional<std::string> chosen = platform::Dialogs().ShowFile(request);
  if (!chosen) return std::nullopt;
  {
    const TSqlWaitCursor wait;
    CheckWorkbookPath(*chosen);
    std::unique_ptr<TovWorkbook> book = TovWorkbook::Add();
    TovWorksheet sheet = book->ActiveSheet();
    sheet.Activate();
    WriteReportSheet(sheet, list);
    QDir().mkpath(QFileInfo(Q(*chosen)).absolutePath());
    // Saving replaces an existing file only once the new one is written whole.
    book->SaveAs(*chosen);
  }
  MsgBox(kSaved, MB_ICONINFORMATION);
  return chosen;
}

void ReportToClipboard(const TReportList& list, TovMainWindow* main) {
  bool comma = AppOption.PasteColumn == kCommaColumn;
  if (AppOption.PasteDialog) {
    TCheckList checks = {{kCommaItem, comma}};
    if (MsgBoxWithChecks(kCopyQuestion, MB_YESNO | MB_ICONQUESTION, checks) != IDYES) return;
    comma = checks[0].checked;
  }
  AppOption.PasteColumn = comma ? kCommaColumn : kTabColumn;
  const TObjectCountAgain countAgain;
  QApplication::clipboard()->clear();
  const int total = static_cast<int>(list.Rows.size());
  const std::string text = RowsClipboardText(list.Rows, comma, [] { return IsEscapePressed(); }, [&](int number) {
    if (main) main->ShowProgress(number, total);
  });
  QApplication::clipboard()->setText(Q(text));
  MsgBox(kCopied, MB_ICONINFORMATION);
}
