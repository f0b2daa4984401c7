#include "objedit/objoutput.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTreeWidget>

#include <fstream>
#include <memory>

#include "app/core/fobjreportcore.h"
#include "app/core/fobjtreecore.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/findexcore.h"
#include "objedit/core/objeditcore.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "ui/core/ovworkbook.h"
#include "ui/fprint.h"
#include "ui/fxlssql.h"
#include "ui/ovimages.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kReportImage = 44;
constexpr const char* kTagProperty = "Tag";
constexpr const char* kFileWritten = "ファイルが出力されました。";
constexpr const char* kAllFilesFilter = "すべてのファイル(*.*)";

void TreeLines(const QTreeWidgetItem& node, int level, std::vector<TTreeLine>& lines) {
  lines.push_back({level, node.text(0).toStdString()});
  for (int i = 0; i < node.childCount(); ++i) TreeLines(*node.child(i), level + 1, lines);
}

std::string FolderOf(const std::string& file) { return QFileInfo(Q(file)).absolutePath().toStdString() + "/"; }

struct TObjectCountBack {
  ~TObjectCountBack() {
    if (TovMainWindow* main = ControlOptionsWindow()) main->ShowObjectCount();
  }
};

TCellValues TypedCells(const std::vector<std::vector<std::optional<std::string>>>& values) {
  TCellValues cells;
  cells.reserve(values.size());
  for (const auto& row : values) {
    std::vector<TCellValue>& line = cells.emplace_back();
    for (const auto& value : row) line.push_back(value ? TypedValue(*value, false) : TCellValue{});
  }
  return cells;
}

}  // namespace

void PrintObjectLines(const std::string& title, const std::function<std::vector<std::string>()>& lines) {
  PrintWithDialog(title, [&](TfrmPrint&) {
    BeginPrintJob();
    try {
      PrintLines(title, lines(), false);
    } catch (...) {
      EndPrintJob();
      throw;
    }
    EndPrintJob();
  });
}

void SaveObjectLines(const std::string& schema, const std::string& name,
                     const std::function<std::vector<std::string>()>& lines) {
  const auto file = platform::Dialogs().ShowFile(
      {platform::FileDialogKind::Save, "", "", AppOption.FileDir + schema + "." + name + ".sql", kSqlFileFilter});
  if (!file) return;
  const std::vector<std::string> text = lines();
  std::ofstream out(*file, std::ios::binary | std::ios::trunc);
  out << CrLfText(text);
  out.close();
  if (!out) throw std::runtime_error(QFile(Q(*file)).errorString().toStdString());
  MsgBox(kScriptSaved, MB_ICONINFORMATION);
  AppOption.FileDir = FolderOf(*file);
}

std::vector<QAction*> AddReportItems(QObject& owner, const std::vector<QMenu*>& menus, const std::string& type,
                                     const std::function<void(QAction*)>& click) {
  std::vector<QAction*> items;
  const TovMainWindow* window = ControlOptionsWindow();
  const std::vector<TReportEntry> mainEntries = window ? window->ReportMenuItems() : ReportMenuEntries(ShareDir);
  for (const TEditorReportEntry& entry : EditorReportEntries(ShareDir, type)) {
    // The main window's report item at the file's place gives caption,
    // short-cut and tag.
    const TReportEntry main =
        entry.Position < mainEntries.size() ? mainEntries[entry.Position] : TReportEntry{entry.Name, 0};
    for (QMenu* menu : menus) {
      QAction* item = menu->addAction(imgMain().Icon(kReportImage), Q(main.Name));
      item->setProperty(kTagProperty, main.Tag);
      item->setShortcut(ShortCutToKeySequence(main.ShortCut));
      // Later menus' copies show the key; the first menu's item acts on it.
      if (menu != menus.front()) item->setShortcutContext(Qt::WidgetShortcut);
      QObject::connect(item, &QAction::triggered, &owner, [click, item] { RunReported([&] { click(item); }); });
      items.push_back(item);
    }
  }
  return items;
}

void RunReportItem(const QAction& item, const std::string& name,
                   const std::function<void(const std::string& definition, const std::string& file)>& write) {
  const std::string definition = item.text().toStdString();
  if (definition.empty()) return;
  const std::string proposed =
      UniqueFileName(AppOption.ExcelDir + name + QString::fromStdString(AppOption.ExcelExt).toLower().toStdString());
  const auto file = platform::Dialogs().ShowFile(
      {platform::FileDialogKind::Save, "", "", proposed, ExcelSaveFilter() + ";;" + kAllFilesFilter});
  if (!file) return;
  write(definition, *file);
  MsgBox(kFileWritten, MB_ICONINFORMATION);
  AppOption.ExcelDir = FolderOf(*file);
}

TReportDefinition ReadEditorReportDefinition(const std::string& name) {
  try {
    return ReadReportDefinition(ReportDefinitionPath(ShareDir, name), true);
  } catch (const EDocFormatError& e) {
    MsgBox(e.what(), MB_ICONERROR);
    throw EAbort();
  }
}

void WriteReportWorkbook(const std::string& definitionName, const std::string& fileName,
                         const std::function<void(TovWorksheet&)>& fill) {
  TSqlWaitCursor wait;
  TObjectCountBack back;
  const TReportDefinition definition = ReadEditorReportDefinition(definitionName);
  CheckWorkbookPath(fileName);
  const std::string form = ReportFormPath(ShareDir, definition.XlsFile, fileName);
  std::unique_ptr<TovWorkbook> book;
  if (!definition.XlsFile.empty() && QFileInfo(Q(form)).isFile()) {
    CheckWorkbookPath(form);
    book = TovWorkbook::Open(form);
  } else {
    book = TovWorkbook::Add(1);
  }
  TovWorksheet sheet = book->ActiveSheet();
  fill(sheet);
  QFile::remove(Q(fileName));
  QDir().mkpath(QFileInfo(Q(fileName)).absolutePath());
  book->SaveAs(fileName);
}

void WriteReportLayout(TovWorksheet& sheet, const TReportDefinition& definition, const TReportLayout& layout) {
  TSqlWaitCursor wait;
  TObjectCountBack back;
  const TCellRange block{definition.BodyTop, 1, layout.BlockBottom, kBodyBlockColumns};
  for (int32_t row : layout.BlockCopies) sheet.CopyRange(block, row, 1);
  for (const TReportCell& cell : layout.Header) sheet.SetText(cell.Row, cell.Col, cell.Text);
  if (!layout.Values.empty()) sheet.SetValues(definition.BodyTop, 1, TypedCells(layout.Values));
  sheet.Activate();
  sheet.Select(1, 1);
}

std::string CrossTreeText(const QTreeWidget& tree) {
  std::vector<TTreeLine> lines;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) TreeLines(*tree.topLevelItem(i), 0, lines);
  return ReportTreeText(lines);
}
