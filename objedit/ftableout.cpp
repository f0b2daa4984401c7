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
#include "objedit/objoutput.h"
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
constexpr const char* kRowsSql = "SELECT * FROM %1.%2 WITH OPTION LOCK_MODE(NO LOCK)";

// A level-1 node's column text k (the tree's parameters).
std::string ColumnText(const QTreeWidgetItem& node, int k) {
  return static_cast<const TovTreeNode&>(node).SubItem(k).toStdString();
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
  PrintObjectLines(SchemaName() + "." + ObjectName(), [this] {
    std::vector<std::string> lines;
    BuildCreateDDL(lines);
    return lines;
  });
}

void TfrmTable::actSaveExecute() {
  if (Changed || IsNew) return;
  SaveObjectLines(SchemaName(), ObjectName(), [this] {
    std::vector<std::string> lines;
    BuildCreateDDL(lines);
    return lines;
  });
}

void TfrmTable::BuildReportMenu() {
  for (QAction* item : reportItems_) delete item;
  reportItems_ = AddReportItems(*this, {mnuObject, popOutput}, kTableReportType,
                                [this](QAction* item) { ReportMenuClick(item); });
}

void TfrmTable::ReportMenuClick(QAction* item) {
  RunReportItem(*item, ObjectName(), [this](const std::string& definition, const std::string& file) {
    WriteReportFile(definition, file);
  });
}

void TfrmTable::WriteReportFile(const std::string& definitionName, const std::string& fileName) {
  WriteReportWorkbook(definitionName, fileName, [&](TovWorksheet& sheet) { WriteReportSheet(definitionName, sheet); });
}

void TfrmTable::WriteReportSheet(const std::string& definitionName, TovWorksheet& sheet) {
  const TReportDefinition definition = ReadEditorReportDefinition(definitionName);
  WriteReportLayout(sheet, definition, TableReportLayout(definition, ReportData()));
}

TTableReportData TfrmTable::ReportData() {
  TTableReportData data;
  data.Schema = SchemaName();
  data.Table = ObjectName();
  data.Comment = txtComment->text().toStdString();
  data.StorageType = fraStorage->cmbStorageType->currentText().toStdString();
  fraCross->Load(SchemaName(), ObjectName());
  data.Cross = CrossTreeText(*fraCross->lstTree1);
  data.CoverCross = CrossTreeText(*fraCross->lstTree2);
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
