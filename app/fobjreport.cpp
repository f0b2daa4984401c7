// The connection window's report output: the copy of the main window's
// report menu, the click that chooses where the report goes, the object
// list report and the reports that the table and view editors write per
// object. The rules are fobjreportcore's; this half drives the workbook.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTreeWidget>

#include <algorithm>
#include <memory>
#include <stdexcept>

#include "app/core/fobjreportcore.h"
#include "app/core/ovdoc.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovmsg.h"
#include "app/core/ovoptions.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "app/fobject.h"
#include "app/fobjtree.h"
#include "app/ovforms.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "ui/core/ovworkbook.h"
#include "ui/fxlssql.h"

namespace {

constexpr const char* kTagProperty = "Tag";
constexpr const char* kChooseFolder = "出力先を選択して下さい。";
constexpr const char* kReportDone = " の出力が完了しました。";
// Output modes of a report entry.
constexpr int kListReport = 0;
constexpr int kFileReports = 1;
constexpr int kSheetReports = 2;
// Where the output is written before it replaces the file of its name.
constexpr const char* kPartialPrefix = ".~";

bool Skipped(int kind) {
  return std::find(std::begin(kSkippedReportKinds), std::end(kSkippedReportKinds), kind) !=
         std::end(kSkippedReportKinds);
}

// Saves under `path` only once the whole workbook is written.
void SaveReplacing(TovWorkbook& book, const std::string& path) {
  const QFileInfo target(Q(path));
  QDir().mkpath(target.absolutePath());
  const QString partial = target.absoluteDir().filePath(kPartialPrefix + target.fileName());
  QFile::remove(partial);
  book.SaveAs(partial.toStdString());
  QFile::remove(target.absoluteFilePath());
  if (!QFile::rename(partial, target.absoluteFilePath())) {
    QFile::remove(partial);
    throw std::runtime_error(QFile(target.absoluteFilePath()).errorString().toStdString());
  }
}

// The form workbook, or a new one when there is none.
std::unique_ptr<TovWorkbook> OpenForm(const std::string& form) {
  if (!QFileInfo::exists(Q(form))) return TovWorkbook::Add(1);
  CheckWorkbookPath(form);
  return TovWorkbook::Open(form);
}

// A sheet name free in `book` besides `sheetIndex` itself.
std::string FreeSheetName(TovWorkbook& book, const std::string& name, int sheetIndex) {
  return UniqueSheetName(name, [&](const std::string& candidate) {
    for (int i = 0; i < book.SheetCount(); ++i)
      if (i != sheetIndex && QString::fromStdString(book.Sheet(i).Name()).compare(Q(candidate), Qt::CaseInsensitive) == 0)
        return true;
    return false;
  });
}

TCellValues CellsOf(const std::vector<std::vector<std::optional<std::string>>>& grid) {
  TCellValues cells;
  for (const auto& row : grid) {
    std::vector<TCellValue>& line = cells.emplace_back();
    for (const auto& value : row) line.push_back(value ? TypedValue(*value, false) : TCellValue{});
  }
  return cells;
}

}  // namespace

void TfrmObject::CopyReportMenu() {
  mnuReport->clear();
  for (const TReportEntry& entry : main_->ReportMenuItems()) {
    QAction* item = mnuReport->addAction(Q(entry.Name));
    item->setProperty(kTagProperty, entry.Tag);
    // Shown beside the caption; the main window's item of the same key acts.
    item->setShortcut(ShortCutToKeySequence(entry.ShortCut));
    item->setShortcutContext(Qt::WidgetShortcut);
    connect(item, &QAction::triggered, this, [this, item] { ReportClick(item); });
  }
}

void TfrmObject::ReportClick(QObject* sender) {
  const auto* item = qobject_cast<const QAction*>(sender);
  if (!item || !item->isVisible() || lstObject->selectedItems().isEmpty()) return;
  const std::string name = item->text().toStdString();
  const int mode = item->property(kTagProperty).toInt();
  std::string target;
  if (mode == kFileReports) {
    const std::string start = QDir(Q(AppOption.ExcelDir)).exists() ? AppOption.ExcelDir : std::string();
    const auto folder = platform::Dialogs().ShowFile({platform::FileDialogKind::Folder, kChooseFolder, start, "", ""});
    if (!folder) return;
    target = Trim(*folder);
    if (target.empty() || target.back() != '/') target += "/";
  } else {
    const std::string proposed = UniqueFileName(AppOption.ExcelDir + name + QString::fromStdString(AppOption.ExcelExt).toLower().toStdString());
    const auto file = platform::Dialogs().ShowFile({platform::FileDialogKind::Save, "", "", proposed, ExcelSaveFilter()});
    if (!file) return;
    target = *file;
  }
  bool completed = false;
  if (mode == kListReport)
    completed = ReportSelectedObjects(name, target);
  else if (mode == kFileReports)
    completed = ReportObjectFiles(name, target);
  else if (mode == kSheetReports)
    completed = ReportObjectSheets(name, target);
  if (!completed) return;
  MsgBox(name + kReportDone, MB_ICONINFORMATION);
  AppOption.ExcelDir = mode == kFileReports ? target : QFileInfo(Q(target)).absolutePath().toStdString() + "/";
}

bool TfrmObject::ReportSelectedObjects(const std::string& definitionName, const std::string& output) {
  const bool blocked = lstObject->blockSignals(true);
  std::vector<TListReportEntry> entries;
  for (int i = 0; i < lstObject->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = lstObject->topLevelItem(i);
    if (!item->isSelected()) continue;
    item->setSelected(false);
    const int kind = ItemImage(*item);
    if (!Skipped(kind)) entries.push_back({ObjectKindName(kind), item->text(1).toStdString(), item->text(0).toStdString()});
  }
  SortReportEntries(entries);
  std::string error;
  try {
    WriteObjectList(definitionName, entries, output);
  } catch (const EDocFormatError& e) {
    MsgBox(e.what(), MB_ICONERROR);
    error = e.what();
  } catch (const std::exception& e) {
    error = e.what();
    MsgBox(error, MB_ICONERROR);
  }
  lstObject->blockSignals(blocked);
  main_->ShowObjectCount();
  return error.empty();
}

void TfrmObject::WriteObjectList(const std::string& definitionName, const std::vector<TListReportEntry>& entries,
                                 const std::string& output) {
  const TReportDefinition definition = ReadReportDefinition(ReportDefinitionPath(ShareDir, definitionName));
  const TReportSizes sizes = ReportSizes(definition);
  CheckWorkbookPath(output);
  std::vector<TReportGroup> groups = ReportGroups(entries);
  std::unique_ptr<TovWorkbook> book = OpenForm(ReportFormPath(ShareDir, definition.XlsFile, output));
  std::string error;
  try {
    const TCellRange block{definition.BodyTop, 1, definition.BodyTop + definition.BodyCount * sizes.RowsPerObject - 1,
                           kBodyBlockColumns};
    // Copies stand in group order before the form sheet, which takes the first group.
    int form = book->ActiveSheetIndex();
    for (size_t g = 0; g < groups.size(); ++g) {
      int index = form;
      if (g > 0) {
        book->CopySheet(form, form);
        index = form++;
      }
      TovWorksheet sheet = book->Sheet(index);
      groups[g].SheetName = FreeSheetName(*book, groups[g].SheetName, index);
      sheet.SetName(groups[g].SheetName);
    }
    for (const TReportGroup& group : groups) {
      std::unique_ptr<TovWorksheet> sheet = book->FindSheet(group.SheetName);
      if (!sheet) throw std::runtime_error(group.SheetName);
      for (int32_t row : BodyBlockCopies(definition, sizes, group.Count)) sheet->CopyRange(block, row, 1);
    }
    const std::string dataSource = DataModule->Connection.DataSource;
    for (const TReportGroup& group : groups) {
      std::unique_ptr<TovWorksheet> sheet = book->FindSheet(group.SheetName);
      sheet->Activate();
      std::vector<std::string> createTimes;
      for (size_t j = 0; j < group.Count; ++j) {
        const TListReportEntry& entry = entries[group.First + j];
        const int kind = ObjectKindFromName(entry.KindName);
        std::string time;
        if (const auto query = CreateTimeQuery(kind)) {
          const std::string db = query->Codes ? GetDBCode(dataSource) : dataSource;
          const std::string schema = query->Codes ? GetSchemaCode(dataSource, entry.Schema) : entry.Schema;
          time = CreateTimeText(FirstValue(query->SQL, {db, schema, entry.Name}));
        }
        createTimes.push_back(time);
      }
      const auto value = [&](size_t j, uint8_t item) -> std::optional<std::string> {
        const TListReportEntry& entry = entries[group.First + j];
        switch (item) {
          case kItemSeq:
            return std::to_string(j + 1);
          case kItemObjectName:
            return entry.Name;
          case kItemSchema:
            return entry.Schema;
          case kItemCreateDate:
            return createTimes[j];
          case kItemComment:
            if (const auto sql = CommentQuery(ObjectKindFromName(entry.KindName)))
              return FirstValue(*sql, {dataSource, entry.Schema, entry.Name});
            return std::nullopt;
          default:
            return std::nullopt;
        }
      };
      sheet->SetValues(definition.BodyTop, 1, CellsOf(BodyGrid(definition, sizes, group.Count, value)));
      for (const TReportPlacement& p : definition.Header) {
        if (p.Item == kItemObjectType) sheet->SetText(p.Row, p.Col, group.KindName);
        if (p.Item == kItemSchema) sheet->SetText(p.Row, p.Col, group.Schema);
      }
      sheet->Select(1, 1);
    }
  } catch (const std::exception& e) {
    error = e.what();
  }
  // What was written is kept, as far as it went.
  SaveReplacing(*book, output);
  if (!error.empty()) throw std::runtime_error(error);
}

bool TfrmObject::ReportObjectFiles(const std::string& definitionName, const std::string& folder) {
  std::string firstError;
  WalkSelected(true, [&](const TObjectItem& item) {
    const TObjectReport* report = ObjectReport(item.Kind);
    if ((item.Kind != okTable && item.Kind != okView) || !report || !report->CreateReportFile) return;
    try {
      report->CreateReportFile(*this, definitionName, item.Schema, item.Name, folder);
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
      if (firstError.empty()) firstError = e.what();
    }
  });
  if (!firstError.empty()) MsgBox(firstError, MB_ICONERROR);
  return firstError.empty();
}

bool TfrmObject::ReportObjectSheets(const std::string& definitionName, const std::string& output) {
  std::string firstError;
  try {
    const TReportDefinition definition = ReadReportDefinition(ReportDefinitionPath(ShareDir, definitionName));
    CheckWorkbookPath(output);
    std::unique_ptr<TovWorkbook> book = OpenForm(ReportFormPath(ShareDir, definition.XlsFile, output));
    int form = book->ActiveSheetIndex();
    WalkSelected(true, [&](const TObjectItem& item) {
      const TObjectReport* report = ObjectReport(item.Kind);
      if ((item.Kind != okTable && item.Kind != okView) || !report || !report->CreateReportSheet) return;
      try {
        TovWorksheet sheet = book->CopySheet(form, form);
        const int index = form++;
        sheet.SetName(FreeSheetName(*book, SanitizeFileName(item.Schema + "." + item.Name), index));
        report->CreateReportSheet(*this, definitionName, item.Schema, item.Name, sheet);
      } catch (const EAbort&) {
      } catch (const std::exception& e) {
        if (firstError.empty()) firstError = e.what();
      }
    });
    book->DeleteSheet(form);
    SaveReplacing(*book, output);
  } catch (const EDocFormatError& e) {
    MsgBox(e.what(), MB_ICONERROR);
    return false;
  } catch (const std::exception& e) {
    if (firstError.empty()) firstError = e.what();
  }
  if (!firstError.empty()) MsgBox(firstError, MB_ICONERROR);
  return firstError.empty();
}
