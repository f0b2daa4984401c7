#include "objedit/fview.h"

#include <QAction>
#include <QCursor>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/core/fobjreportcore.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovformat.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/fviewcatalog.h"
#include "objedit/objoutput.h"
#include "objedit/rcross.h"
#include "objedit/rgrant.h"
#include "objedit/rwhere.h"
#include "platform/qstr.h"
#include "sqlwork/rexplan.h"
#include "ui/core/ovworkbook.h"
#include "ui/fmemo.h"
#include "ui/ovcomctrls.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

// The definition grid.
enum TViewGridCol : int {
  kViewColName = 0,
  kViewColType,
  kViewColSize,
  kViewColNotNull,
  kViewColDefault,
  kViewColComment,
  kViewGridCols
};
constexpr std::array<const char*, kViewGridCols> kViewGridHeaders{"項目名", "型", "長さ", "必須", "省略時値", "コメント"};
constexpr std::array<int, kViewGridCols - 1> kViewGridWidths{180, 100, 100, 60, 100};
constexpr int kDefaultRowHeight = 18;
// The comment column takes the client width the others leave, less this.
constexpr int kLastColumnMargin = 5;
// The check box stands this far right of the comment box.
constexpr int kCheckOptionGap = 16;
constexpr int kGenerateImage = 103;
constexpr int kOutputImage = 36;
constexpr int kPrintImage = 98;
constexpr int kSaveImage = 18;
constexpr const char* kGenerateHint = "テーブルデータを自動生成します。|テーブルデータを自動生成します。";
constexpr const char* kOutputHint = "オブジェクトの情報を外部に出力します。|オブジェクトの情報を外部に出力します。";
constexpr const char* kDataPageCaption = "データ";
constexpr const char* kExplanPageCaption = "実行計画";

// The condition grid's column of a definition row.
std::vector<TWhereColumn> WhereColumns(const std::vector<TTableColumn>& columns) {
  std::vector<TWhereColumn> where;
  for (const TTableColumn& column : columns) where.push_back({column.Name, column.Type});
  return where;
}

}  // namespace

const TEditorKind TfrmView::kKind{kViewKind, kViewStem, true, kViewSizeKey, "DROP VIEW ", false};

// The page modes are the table editor's.
TfrmView::TfrmView(TovConnectionWindow& owner) : TovObjectEditor(owner, kKind, kTablePageModes) { setupUi(); }

void TfrmView::setupUi() {
  auto* layout = new QVBoxLayout(tabDefine);
  auto* commentRow = new QHBoxLayout;
  Label1 = new QLabel(Q("コメント"), tabDefine);
  Label1->setObjectName("Label1");
  commentRow->addWidget(Label1);
  txtComment = new TovStrEdit(tabDefine);
  txtComment->setObjectName("txtComment");
  commentRow->addWidget(txtComment, 1);
  commentRow->addSpacing(kCheckOptionGap);
  chkCheckOption = new TovCheckBox(Q(kWithCheckOption), tabDefine);
  chkCheckOption->setObjectName("chkCheckOption");
  commentRow->addWidget(chkCheckOption);
  layout->addLayout(commentRow);
  WatchChanges(txtComment);
  WatchChanges(chkCheckOption);
  grdColumn = new TovStringGrid(tabDefine);
  grdColumn->setObjectName("grdColumn");
  layout->addWidget(grdColumn, 1);
  setupGrid();
  setupPages();
  setupOutput();

  txtName->AutoSave = true;
  cmbSchema->AutoSave = true;
  txtName->installEventFilter(this);
  cmbSchema->installEventFilter(this);
  txtSource->installEventFilter(this);
}

void TfrmView::setupGrid() {
  grdColumn->SetColCount(kViewGridCols);
  grdColumn->SetFixedCols(0);
  grdColumn->SetFixedRows(1);
  grdColumn->SetRowCount(2);
  grdColumn->verticalHeader()->setDefaultSectionSize(kDefaultRowHeight);
  grdColumn->SetGridMode(geAccess);
  for (int col = 0; col < kViewGridCols; ++col) grdColumn->SetCells(col, 0, kViewGridHeaders[static_cast<size_t>(col)]);
  for (size_t col = 0; col < kViewGridWidths.size(); ++col)
    grdColumn->setColumnWidth(static_cast<int>(col), kViewGridWidths[col]);
  grdColumn->SetEditStyle(kViewColNotNull, geViewCheckBox);
  grdColumn->SetEditStyle(kViewColComment, geEllipsis);
  // Only the comments are edited.
  grdColumn->OnShowEditor = [this](TovStringGrid&, int col, int, TovInplaceEditor& editor) {
    editor.setReadOnly(col != kViewColComment);
    if (col != kViewColComment) grdColumn->setFocus();
  };
  grdColumn->OnEditButtonClick = [this](TovStringGrid&) { grdColumnEditButtonClick(); };
  OnResize(*grdColumn->viewport(), [this] { FormResize(); });
  connect(grdColumn->model(), &QAbstractItemModel::dataChanged, this, [this] {
    if (!filling_ && (Changed || grdColumn->Modified())) MarkChanged();
  });
}

void TfrmView::setupPages() {
  tabData = new QWidget(pagObject);
  tabData->setObjectName("tabData");
  auto* dataLayout = new QVBoxLayout(tabData);
  dataLayout->setContentsMargins(0, 0, 0, 0);
  splData = new QSplitter(Qt::Vertical, tabData);
  splData->setObjectName("splData");
  dataLayout->addWidget(splData);
  pnlWhere = new TfraWhere(*this, DisplayColumns, splData);
  fraData = new TfraData(*this, &ConnectionWindow->Module().Connection, splData);
  splData->setStretchFactor(1, 1);
  AddPage(TEditorPage::Data, tabData, kDataPageCaption);

  tabExplan = new QWidget(pagObject);
  tabExplan->setObjectName("tabExplan");
  auto* explanLayout = new QVBoxLayout(tabExplan);
  explanLayout->setContentsMargins(0, 0, 0, 0);
  splExplan = new QSplitter(Qt::Vertical, tabExplan);
  splExplan->setObjectName("splExplan");
  explanLayout->addWidget(splExplan);
  fraExplan = new TfraExplan(*this, splExplan);
  splExplan->setStretchFactor(0, 1);
  AddPage(TEditorPage::Explan, tabExplan, kExplanPageCaption);

  AddFramePages(tabGrant, fraGrant, tabCross, fraCross);
}

void TfrmView::setupOutput() {
  actDataGenerate = AddDataGenerateAction(kGenerateHint, kGenerateImage);
  actOutput = MakeAction(this, "actOutput", "出力(&P)", kOutputHint, kOutputImage);
  actPrint = MakeAction(this, "actPrint", "印刷(&P)", "印刷|オブジェクトの情報を印刷します。", kPrintImage);
  actSave = MakeAction(this, "actSave", "ファイル保存(&S)", "ファイル保存|オブジェクトの情報をファイルに保存します。",
                       kSaveImage);
  popOutput = new QMenu(this);
  popOutput->setObjectName("popOutput");
  popOutput->addAction(actPrint);
  popOutput->addAction(actSave);
  actOutput->setMenu(popOutput);
  tolCmd->insertAction(actRefresh, actDataGenerate);
  tolCmd->insertAction(actRefresh, actOutput);
  mnuObject->addSeparator();
  mnuObject->addAction(actPrint);
  mnuObject->addAction(actSave);
  connect(actOutput, &QAction::triggered, this, [this] { popOutput->popup(QCursor::pos()); });
  connect(actPrint, &QAction::triggered, this, [this] { RunReported([this] { actPrintExecute(); }); });
  connect(actSave, &QAction::triggered, this, [this] { RunReported([this] { actSaveExecute(); }); });
  BuildReportMenu();
}

// ---- the window ----

void TfrmView::Opening(const TOpenArgs& args) { pnlWhere->Opening(args); }

void TfrmView::ChangedIsNew() {
  TovObjectEditor::ChangedIsNew();
  // The plan is asked of a local server only.
  pagObject->setTabVisible(pagObject->indexOf(tabExplan), !IsNew && !ConnectionWindow->IsRemote());
}

void TfrmView::ActionsUpdated() {
  actDelete->setEnabled(!IsNew && ActivePage() != TEditorPage::Data);
  const bool output = !Changed && !IsNew;
  for (QAction* action : {actOutput, actPrint, actSave}) action->setEnabled(output);
  for (QAction* item : reportItems_)
    if (mnuObject->actions().contains(item)) item->setEnabled(!IsNew);
  // The generator is another subsystem's: enabled once it is registered.
  actDataGenerate->setEnabled(!IsNew && DataGenerateRegistered());
}

void TfrmView::FormResize() {
  int used = kLastColumnMargin;
  for (int col = 0; col < kViewColComment; ++col) used += grdColumn->columnWidth(col);
  grdColumn->setColumnWidth(kViewColComment, std::max(grdColumn->viewport()->width() - used, 0));
}

bool TfrmView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && (watched == txtName || watched == cmbSchema))
    RunReported([&] { txtNameExit(watched == cmbSchema); });
  if (event->type() == QEvent::FocusIn && watched == txtSource && ObjectName().empty()) txtName->setFocus();
  return TovObjectEditor::eventFilter(watched, event);
}

void TfrmView::txtNameExit(bool schemaBox) {
  if (!IsNew) return;
  std::vector<std::string> lines = EditedSource();
  if (StatementsEmpty(lines)) {
    txtSource->Lines().Assign(NewViewSkeleton(SchemaPrefix(SchemaName()), ObjectName()));
    return;
  }
  const bool replaced = schemaBox ? ReplaceSchemaInSource(lines, cmbSchema->SavedText(), SchemaName())
                                  : ReplaceNameInSource(lines, txtName->SavedText(), ObjectName());
  if (replaced) txtSource->Lines().Assign(lines);
}

void TfrmView::grdColumnEditButtonClick() {
  const int col = grdColumn->Col();
  const int row = grdColumn->Row();
  if (col != kViewColComment) return;
  std::string text = grdColumn->Cells(col, row);
  const std::string before = text;
  if (ShowMemoDialog(text) == mrOk && text != before) grdColumn->SetEditText(col, row, text);
}

// ---- loading ----

void TfrmView::SetRow(int row, const TTableColumn& column) {
  const std::array<std::string, kViewGridCols> cells{column.Name,   column.Type,    column.Size,
                                                     column.NotNull ? kChecked : "", column.Default, column.Comment};
  for (int col = 0; col < kViewGridCols; ++col) grdColumn->SetCells(col, row, cells[static_cast<size_t>(col)]);
}

std::vector<TTableColumn> TfrmView::Columns() const {
  std::vector<TTableColumn> columns;
  for (int row = 1; row < grdColumn->RowCount(); ++row) {
    if (grdColumn->Cells(kViewColName, row).empty()) continue;
    TTableColumn& column = columns.emplace_back();
    column.Name = grdColumn->Cells(kViewColName, row);
    column.Type = grdColumn->Cells(kViewColType, row);
    column.Size = grdColumn->Cells(kViewColSize, row);
    column.NotNull = grdColumn->Cells(kViewColNotNull, row) == kChecked;
    column.Default = grdColumn->Cells(kViewColDefault, row);
    column.Comment = grdColumn->Cells(kViewColComment, row);
    column.ReadPosition = row;
  }
  return columns;
}

bool TfrmView::LoadObject() {
  const std::optional<TViewDefinition> view = ReadViewDefinition(*ConnectionWindow, SchemaName(), ObjectName());
  if (!view) {
    SetChanged(false);
    return false;
  }
  chkCheckOption->setChecked(view->CheckOption);
  filling_ = true;
  grdColumn->ClearData();
  grdColumn->SetRowCount(std::max<int>(static_cast<int>(view->Columns.size()) + 1, 2));
  for (size_t k = 0; k < view->Columns.size(); ++k) SetRow(static_cast<int>(k) + 1, view->Columns[k]);
  filling_ = false;
  grdColumn->FocusCell(kViewColComment, 1);
  pnlWhere->LoadConditions(WhereColumns(view->Columns));
  txtComment->setText(Q(view->Comment));
  return true;
}

void TfrmView::FinishLoad() {
  txtComment->SaveText();
  chkCheckOption->SaveState();
  grdColumn->SaveData();
  if (!IsNew) LoadFramePage(*fraGrant, *fraCross);
}

void TfrmView::PlaceWherePanel(QSplitter& page) {
  if (pnlWhere->parentWidget() != &page) {
    page.insertWidget(0, pnlWhere);
    page.setStretchFactor(1, 1);
  }
  pnlWhere->btnWhereClick();
}

void TfrmView::Loaded() {
  if (IsNew || ScriptMode) return;
  if (ActivePage() == TEditorPage::Data) {
    SetChanged(false);
    PlaceWherePanel(*splData);
    pnlWhere->OpenData(*fraData);
  } else if (ActivePage() == TEditorPage::Explan) {
    SetChanged(false);
    PlaceWherePanel(*splExplan);
    fraExplan->SetSQL(pnlWhere->BuildSelect());
    if (!fraExplan->SQLText.empty()) fraExplan->Execute();
  }
}

// ---- statements ----

void TfrmView::BuildCreateDDL(std::vector<std::string>& lines) {
  TSqlWaitCursor wait;
  const std::string schema = SchemaName(), name = ObjectName();
  const std::optional<std::string> query = ReadViewQuery(*ConnectionWindow, schema, name);
  if (!query) {
    if (!ScriptMode) MsgBox(kLoadFailed, MB_ICONERROR);
    throw EAbort();
  }
  const bool target = !TargetSchema.empty() && !TargetName.empty();
  TViewDef def;
  def.SchemaPrefix = SchemaPrefix(target ? TargetSchema : schema);
  def.Name = target ? TargetName : name;
  for (const TTableColumn& column : Columns()) def.Columns.push_back({column.Name, column.Comment});
  def.Comment = txtComment->text().toStdString();
  def.Query = FormatSQL(*query);
  def.CheckOption = chkCheckOption->isChecked();
  // A script and the short setting name no columns.
  const bool longForm = !ScriptMode && AppOption.ShowColumnSource;
  for (std::string& line : ViewCreateLines(def, longForm)) lines.push_back(std::move(line));
  lines.push_back(AppOption.Separator);
}

std::vector<std::string> TfrmView::SourceLines() {
  std::vector<std::string> lines;
  BuildCreateDDL(lines);
  return lines;
}

std::vector<std::string> TfrmView::BuildStatements(TEditorPage page) {
  std::vector<std::string> list;
  if (page == TEditorPage::Grant) {
    fraGrant->BuildGrantDDL(list);
    return list;
  }
  if (page != TEditorPage::Define && page != TEditorPage::Source) return list;
  if (!IsNew) {
    list.push_back(DropViewStatement(SchemaName(), ObjectName()));
    list.push_back(AppOption.Separator);
  }
  if (page == TEditorPage::Define) {
    BuildCreateDDL(list);
  } else {
    for (std::string& line : EditedSource()) list.push_back(std::move(line));
  }
  return list;
}

void TfrmView::CompileCleanUp() {
  // The data page shows every column of the new definition.
  DisplayColumns.clear();
}

void TfrmView::RunDelete(bool cascade) { DeleteInTransaction(cascade); }

// ---- TDataOwner ----

std::string TfrmView::RecordLimitText() const { return pnlWhere->txtRecord->text().toStdString(); }

std::string TfrmView::FieldComment(const std::string& field) const {
  for (const TTableColumn& column : Columns())
    if (column.Name == field) return column.Comment;
  return {};
}

void TfrmView::RenewResult() { Reload(nullptr); }

// ---- output ----

void TfrmView::actPrintExecute() {
  PrintObjectLines(SchemaName() + "." + ObjectName(), [this] { return SourceLines(); });
}

void TfrmView::actSaveExecute() {
  if (Changed || IsNew) return;
  SaveObjectLines(SchemaName(), ObjectName(), [this] { return SourceLines(); });
}

void TfrmView::BuildReportMenu() {
  for (QAction* item : reportItems_) delete item;
  reportItems_ = AddReportItems(*this, {mnuObject, popOutput}, kViewReportType,
                                [this](QAction* item) { ReportMenuClick(item); });
}

void TfrmView::ReportMenuClick(QAction* item) {
  RunReportItem(*item, ObjectName(), [this](const std::string& definition, const std::string& file) {
    WriteReportFile(definition, file);
  });
}

void TfrmView::WriteReportFile(const std::string& definitionName, const std::string& fileName) {
  WriteReportWorkbook(definitionName, fileName, [&](TovWorksheet& sheet) { WriteReportSheet(definitionName, sheet); });
}

void TfrmView::WriteReportSheet(const std::string& definitionName, TovWorksheet& sheet) {
  const TReportDefinition definition = ReadEditorReportDefinition(definitionName);
  WriteReportLayout(sheet, definition, ViewReportLayout(definition, ReportData()));
}

TViewReportData TfrmView::ReportData() {
  TViewReportData data;
  data.Schema = SchemaName();
  data.View = ObjectName();
  data.Comment = txtComment->text().toStdString();
  BuildCreateDDL(data.Ddl);
  fraCross->Load(SchemaName(), ObjectName());
  data.Cross = CrossTreeText(*fraCross->lstTree1);
  data.CoverCross = CrossTreeText(*fraCross->lstTree2);
  data.Columns = Columns();
  return data;
}

// ---- the invisible writers ----

namespace {

// Runs `body` on a view editor that is never shown, discarded afterwards.
template <class F>
void WithInvisibleView(TovConnectionWindow& owner, F body) {
  auto* form = new TfrmView(owner);
  try {
    body(*form);
  } catch (...) {
    form->Discard();
    throw;
  }
  form->Discard();
}

}  // namespace

void TfrmView::CreateScript(TovConnectionWindow& owner, const TScriptArgs& args, std::ostream& stream) {
  WithInvisibleView(owner, [&](TfrmView& form) {
    if (!args.NewSchema.empty() && !args.NewName.empty()) {
      form.TargetSchema = args.NewSchema;
      form.TargetName = args.NewName;
    }
    form.WriteScript(args, stream);
  });
}

void TfrmView::CreateReportFile(TovConnectionWindow& owner, const std::string& schema, const std::string& view,
                                const std::string& definition, const std::string& folder) {
  WithInvisibleView(owner, [&](TfrmView& form) {
    form.LoadInvisible(schema, view);
    form.WriteReportFile(definition, UniqueFileName(folder + view + AppOption.ExcelExt));
  });
}

void TfrmView::CreateReportSheet(TovConnectionWindow& owner, const std::string& schema, const std::string& view,
                                 const std::string& definition, TovWorksheet& sheet) {
  WithInvisibleView(owner, [&](TfrmView& form) {
    form.LoadInvisible(schema, view);
    form.WriteReportSheet(definition, sheet);
  });
}

void RegisterViewEditor() {
  RegisterObjectEditor(kViewKind, &TovObjectEditor::CreateEditor<TfrmView>, &TfrmView::CreateScript);
  // The registry hands the definition first; the editor takes it after the view.
  RegisterObjectReport(
      kViewKind,
      {[](TovConnectionWindow& owner, const std::string& definition, const std::string& schema,
          const std::string& view, const std::string& folder) {
         TfrmView::CreateReportFile(owner, schema, view, definition, folder);
       },
       [](TovConnectionWindow& owner, const std::string& definition, const std::string& schema,
          const std::string& view, TovWorksheet& sheet) {
         TfrmView::CreateReportSheet(owner, schema, view, definition, sheet);
       }});
}
