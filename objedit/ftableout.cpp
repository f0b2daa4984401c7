// The table editor's output: printing and saving the CREATE text, the
// report items of the output menu and the reports they write, and the
// script writer with the rows and the indexes (the layouts:
// objedit/core/ftablereportcore and ftabledatacore).
#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QToolBar>
#include <QTreeWidgetItem>

#include <fstream>
#include <sstream>

#include "app/core/fobjreportcore.h"
#include "app/core/fobjtreecore.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/findex.h"
#include "objedit/ftable.h"
#include "objedit/rcross.h"
#include "objedit/rstorage.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "ui/core/ovworkbook.h"
#include "ui/fprint.h"
#include "ui/fxlssql.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kReportImage = 44;
constexpr int kNoImage = -1;
constexpr int kIndexNodeImage = 46;
constexpr int kImageRole = Qt::UserRole;
constexpr const char* kTagProperty = "Tag";
constexpr const char* kReportItemProperty = "orvReportItem";
constexpr const char* kFileWritten = "ファイルが出力されました。";
constexpr const char* kAllFilesFilter = "すべてのファイル(*.*)";
constexpr const char* kRowsSql = "SELECT * FROM %1.%2 WITH OPTION LOCK_MODE(NO LOCK)";

// A level-1 node's column text k (the tree's parameters).
std::string ColumnText(const QTreeWidgetItem& node, int k) {
  return static_cast<const TovTreeNode&>(node).SubItem(k).toStdString();
}

void TreeLines(const QTreeWidgetItem& node, int level, std::vector<TTreeLine>& lines) {
  lines.push_back({level, node.text(0).toStdString()});
  for (int i = 0; i < node.childCount(); ++i) TreeLines(*node.child(i), level + 1, lines);
}

std::string TreeText(const QTreeWidget& tree) {
  std::vector<TTreeLine> lines;
  for (int i = 0; i < tree.topLevelItemCount(); ++i) TreeLines(*tree.topLevelItem(i), 0, lines);
  return ReportTreeText(lines);
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

// The definition; a file that is no XML shows its message and stops.
TReportDefinition ReadTableDefinition(const std::string& name) {
  try {
    return ReadReportDefinition(ReportDefinitionPath(ShareDir, name), true);
  } catch (const EDocFormatError& e) {
    MsgBox(e.what(), MB_ICONERROR);
    throw EAbort();
  }
}

}  // namespace

void TfrmTable::setupOutput() {
  actOutput = MakeAction(this, "actOutput", "出力(&P)", "出力", kReportImage);
  actPrint = MakeAction(this, "actPrint", "印刷(&P)", "印刷|オブジェクトの情報を印刷します。", kNoImage);
  actSave = MakeAction(this, "actSave", "ファイル保存(&S)", "ファイル保存|オブジェクトの情報をファイルに保存します。", kNoImage);
  popOutput = new QMenu(this);
  popOutput->setObjectName("popOutput");
  popOutput->addAction(actPrint);
  popOutput->addAction(actSave);
  actOutput->setMenu(popOutput);
  tolCmd->addAction(actOutput);
  mnuObject->addAction(actPrint);
  connect(actOutput, &QAction::triggered, this, [this] { popOutput->popup(QCursor::pos()); });
  connect(actPrint, &QAction::triggered, this, [this] { RunReported([this] { actPrintExecute(); }); });
  connect(actSave, &QAction::triggered, this, [this] { RunReported([this] { actSaveExecute(); }); });
  BuildReportMenu();
}

void TfrmTable::actPrintExecute() {
  const std::string title = SchemaName() + "." + ObjectName();
  PrintWithDialog(title, [this, title](TfrmPrint&) {
    BeginPrintJob();
    try {
      std::vector<std::string> lines;
      BuildCreateDDL(lines);
      PrintLines(title, lines, false);
    } catch (...) {
      EndPrintJob();
      throw;
    }
    EndPrintJob();
  });
}

void TfrmTable::actSaveExecute() {
  if (Changed || IsNew) return;
  const auto file = platform::Dialogs().ShowFile({platform::FileDialogKind::Save, "", "",
                                                  AppOption.FileDir + SchemaName() + "." + ObjectName() + ".sql",
                                                  kSqlFileFilter});
  if (!file) return;
  std::vector<std::string> lines;
  BuildCreateDDL(lines);
  std::ofstream out(*file, std::ios::binary | std::ios::trunc);
  out << CrLfText(lines);
  out.close();
  if (!out) throw std::runtime_error(QFile(Q(*file)).errorString().toStdString());
  MsgBox(kScriptSaved, MB_ICONINFORMATION);
  AppOption.FileDir = FolderOf(*file);
}

void TfrmTable::BuildReportMenu() {
  for (QAction* item : reportItems_) delete item;
  reportItems_.clear();
  const TovMainWindow* window = ControlOptionsWindow();
  const std::vector<TReportEntry> mainItems = window ? window->ReportMenuItems() : std::vector<TReportEntry>{};
  for (const TTableReportEntry& entry : TableReportEntries(ShareDir)) {
    // The main window's report item at the file's place gives caption,
    // short-cut and tag.
    const TReportEntry main = entry.Position < mainItems.size() ? mainItems[entry.Position] : TReportEntry{entry.Name};
    for (QMenu* menu : {mnuObject, popOutput}) {
      QAction* item = menu->addAction(imgMain().Icon(kReportImage), Q(main.Name));
      item->setProperty(kTagProperty, main.Tag);
      item->setShortcut(ShortCutToKeySequence(main.ShortCut));
      // The pop-up's copy shows the key; the object menu's item acts on it.
      if (menu == popOutput) item->setShortcutContext(Qt::WidgetShortcut);
      item->setProperty(kReportItemProperty, true);
      connect(item, &QAction::triggered, this, [this, item] { RunReported([this, item] { ReportMenuClick(item); }); });
      reportItems_.push_back(item);
    }
  }
}

void TfrmTable::ReportMenuClick(QAction* item) {
  const std::string name = item->text().toStdString();
  if (name.empty()) return;
  const std::string proposed =
      UniqueFileName(AppOption.ExcelDir + ObjectName() + QString::fromStdString(AppOption.ExcelExt).toLower().toStdString());
  const auto file = platform::Dialogs().ShowFile(
      {platform::FileDialogKind::Save, "", "", proposed, ExcelSaveFilter() + ";;" + kAllFilesFilter});
  if (!file) return;
  WriteReportFile(name, *file);
  MsgBox(kFileWritten, MB_ICONINFORMATION);
  AppOption.ExcelDir = FolderOf(*file);
}

void TfrmTable::WriteReportFile(const std::string& definitionName, const std::string& fileName) {
  TSqlWaitCursor wait;
  TObjectCountBack back;
  const TReportDefinition definition = ReadTableDefinition(definitionName);
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
  WriteReportSheet(definitionName, sheet);
  QFile::remove(Q(fileName));
  QDir().mkpath(QFileInfo(Q(fileName)).absolutePath());
  book->SaveAs(fileName);
}

void TfrmTable::WriteReportSheet(const std::string& definitionName, TovWorksheet& sheet) {
  TSqlWaitCursor wait;
  TObjectCountBack back;
  const TReportDefinition definition = ReadTableDefinition(definitionName);
  const TTableReportLayout layout = TableReportLayout(definition, ReportData());
  const TCellRange block{definition.BodyTop, 1, layout.BlockBottom, kBodyBlockColumns};
  for (int32_t row : layout.BlockCopies) sheet.CopyRange(block, row, 1);
  for (const TReportCell& cell : layout.Header) sheet.SetText(cell.Row, cell.Col, cell.Text);
  if (!layout.Values.empty()) sheet.SetValues(definition.BodyTop, 1, TypedCells(layout.Values));
  sheet.Activate();
  sheet.Select(1, 1);
}

TTableReportData TfrmTable::ReportData() {
  TTableReportData data;
  data.Schema = SchemaName();
  data.Table = ObjectName();
  data.Comment = txtComment->text().toStdString();
  data.StorageType = fraStorage->cmbStorageType->currentText().toStdString();
  fraCross->Load(SchemaName(), ObjectName());
  data.Cross = TreeText(*fraCross->lstTree1);
  data.CoverCross = TreeText(*fraCross->lstTree2);
  data.Columns = Columns();
  data.KeyColumns = KeyColumns;
  for (int i = 0; i < lstConst->topLevelItemCount(); ++i) {
    const QTreeWidgetItem& root = *lstConst->topLevelItem(i);
    for (int j = 0; j < root.childCount(); ++j) {
      const QTreeWidgetItem& node = *root.child(j);
      data.Constraints.push_back({node.data(0, kImageRole).toInt(), node.text(0).toStdString(), ColumnText(node, 1)});
    }
  }
  return data;
}

// ---- the script writer ----

void TfrmTable::WriteRows(const TScriptArgs& args, std::ostream& stream) {
  TovSQLQuery query(&ConnectionWindow->Module().Connection);
  query.SetParamCheck(false);
  query.SetSQL(QString::fromUtf8(kRowsSql).arg(Q(QuoteIdent(args.Schema)), Q(QuoteIdent(args.Name))).toStdString());
  query.OpenCursor();
  std::string head = "INSERT INTO ";
  if (!TargetSchema.empty() && !TargetName.empty())
    head += SchemaPrefix(TargetSchema) + QuoteIdent(TargetName);
  else
    head += SchemaPrefix(args.Schema) + QuoteIdent(args.NewName.empty() ? args.Name : args.NewName);
  const std::optional<TDataFilePlace> place =
      ScriptOption.InsertMode == 0
          ? std::nullopt
          : DataFilePlace(ScriptOption, AppOption.TreeSort == kTreeBySchema, args.Schema, args.Name);
  std::ofstream file;
  std::vector<platform::SqlTextValue> values;
  std::vector<std::string> literals;
  std::vector<std::string> lines;
  while (query.FetchRow(values)) {
    if (place && !file.is_open()) {
      QDir().mkpath(Q(place->Folder));
      file.open(place->File, std::ios::binary | (place->Append ? std::ios::app : std::ios::trunc));
      if (!file) throw std::runtime_error(QFile(Q(place->File)).errorString().toStdString());
    }
    literals.clear();
    for (size_t i = 0; i < values.size(); ++i) literals.push_back(InsertLiteral(query.Fields()[i].type, values[i]));
    lines.clear();
    AppendInsertStatement(head, literals, AppOption.Separator, lines);
    (place ? static_cast<std::ostream&>(file) : stream) << CrLfText(lines);
  }
  if (file.is_open()) {
    file.close();
    if (!file) throw std::runtime_error(QFile(Q(place->File)).errorString().toStdString());
  }
}

void TfrmTable::WriteIndexes(std::ostream& stream) {
  for (int i = 0; i < lstConst->topLevelItemCount(); ++i) {
    const QTreeWidgetItem& root = *lstConst->topLevelItem(i);
    for (int j = 0; j < root.childCount(); ++j) {
      const QTreeWidgetItem& node = *root.child(j);
      if (node.data(0, kImageRole).toInt() != kIndexNodeImage) continue;
      // An index that cannot be written is passed over whole.
      std::ostringstream one;
      try {
        TScriptArgs index;
        index.Schema = ColumnText(node, 3);
        index.Name = node.text(0).toStdString();
        TovObjectEditor::CreateScript<TfrmIndex>(*ConnectionWindow, index, one);
      } catch (...) {
        continue;
      }
      stream << one.str();
    }
  }
}

void TfrmTable::WriteTableScript(const TScriptArgs& args, std::ostream& stream) {
  WriteScript(args, stream);
  if (args.IncludeRows) WriteRows(args, stream);
  if (args.IncludeIndexes) WriteIndexes(stream);
}

void TfrmTable::CreateReportFile(TovConnectionWindow& owner, const std::string& definition, const std::string& schema,
                                 const std::string& table, const std::string& folder) {
  auto* form = new TfrmTable(owner);
  try {
    form->LoadInvisible(schema, table);
    form->WriteReportFile(definition, UniqueFileName(folder + table + AppOption.ExcelExt));
  } catch (...) {
    form->Discard();
    throw;
  }
  form->Discard();
}

void TfrmTable::CreateReportSheet(TovConnectionWindow& owner, const std::string& definition, const std::string& schema,
                                  const std::string& table, TovWorksheet& sheet) {
  auto* form = new TfrmTable(owner);
  try {
    form->LoadInvisible(schema, table);
    form->WriteReportSheet(definition, sheet);
  } catch (...) {
    form->Discard();
    throw;
  }
  form->Discard();
}
