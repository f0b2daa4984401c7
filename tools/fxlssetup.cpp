#include "tools/fxlssetup.h"

#include <QAction>
#include <QButtonGroup>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/fmaincore.h"
#include "app/core/ovatexit.h"
#include "app/core/ovconst.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "sqlwork/sqlactions.h"
#include "tools/toolsmodal.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"
#include "ui/ovtoolbar.h"

namespace {

constexpr char kCaption[] = "レポート定義";
constexpr int kHelpContext = 50500;
constexpr int kWindowImage = 44;
constexpr int kClientWidth = 720;
constexpr int kClientHeight = 520;
constexpr int kNumberDigits = 5;
constexpr char kLayoutKey[] = "XLSSETUP";
constexpr const char* kGridLayoutNames[kXlsGridCount] = {"HEADER", "BODY1", "BODY2"};
constexpr char kSaveQuestion[] = "情報が変更されています。保存しますか？";
constexpr char kRevertQuestion[] = "全ての変更を取り消しますか？";
constexpr char kDeleteQuestion[] = "この%sを削除しますか？";
constexpr char kFormTitle[] = "フォームファイルの選択";
constexpr char kAllFilesFilter[] = "すべてのファイル(*.*)";

// The columns of an item grid.
constexpr int kColRow = 0;
constexpr int kColCol = 1;
constexpr int kColItem = 2;
constexpr int kGridCols = 3;
constexpr const char* kGridTitles[kGridCols] = {"行", "桁", "表示項目"};
constexpr int kGridWidths[kGridCols] = {40, 40, 160};
constexpr int kTitleRow = 1;

constexpr TActionSpec kSave = {"登録(&C)", "登録|定義を保存します。", 15};
constexpr TActionSpec kAdd = {"追加(&A)", "追加|定義を追加します。", 39};
constexpr TActionSpec kDelete = {"削除(&D)", "削除|選択中の定義を削除します。", 40};
constexpr TActionSpec kRevert = {"戻す(&R)", "戻す|変更を取り消します。", 16};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};
constexpr TActionSpec kRowAdd = {"追加", "追加|行を挿入します。", 39};
constexpr TActionSpec kRowDelete = {"削除", "削除|行を削除します。", 40};
constexpr TActionSpec kRowUp = {"上に移動", "上に移動|行を上に移動します。", 35};
constexpr TActionSpec kRowDown = {"下に移動", "下に移動|行を下に移動します。", 36};

QToolBar* TextToolBar(QWidget* parent, std::initializer_list<QAction*> actions) {
  auto* bar = new QToolBar(parent);
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  for (QAction* action : actions) bar->addAction(action);
  return bar;
}

}  // namespace

TfrmXLSSetup::TfrmXLSSetup(QWidget* owner) : TovForm(owner, TPlace::OwnWindow) {
  setObjectName("frmXLSSetup");
  setWindowTitle(kCaption);
  SetDesignSize(kClientWidth, kClientHeight);
  setupUi();
  SetHelpContext(kHelpContext);
  setWindowIcon(imgMain().Icon(kWindowImage));
  ConnectControls();
}

TfrmXLSSetup::TItemGrid TfrmXLSSetup::MakeGrid(QWidget* parent, const char* caption, const char* name) {
  TItemGrid item;
  item.Group = new QGroupBox(QString::fromUtf8(caption), parent);
  auto* layout = new QVBoxLayout(item.Group);
  item.actAdd = MakeAction(item.Group, kRowAdd);
  item.actDelete = MakeAction(item.Group, kRowDelete);
  item.actUp = MakeAction(item.Group, kRowUp);
  item.actDown = MakeAction(item.Group, kRowDown);
  layout->addWidget(TextToolBar(item.Group, {item.actAdd, item.actDelete, item.actUp, item.actDown}));
  item.Grid = new TovStringGrid(item.Group);
  item.Grid->setObjectName(name);
  item.Grid->SetColCount(kGridCols);
  item.Grid->SetFixedCols(0);
  item.Grid->SetFixedRows(kTitleRow);
  item.Grid->SetRowCount(kTitleRow + 1);
  for (int col = 0; col < kGridCols; ++col) {
    item.Grid->SetCells(col, 0, kGridTitles[col]);
    item.Grid->setColumnWidth(col, kGridWidths[col]);
  }
  item.Grid->SetEditStyle(kColItem, geDropList);
  item.Grid->SetGridMode(geAccess);
  layout->addWidget(item.Grid, 1);
  return item;
}

void TfrmXLSSetup::setupUi() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  actSave = MakeAction(this, kSave);
  actAdd = MakeAction(this, kAdd);
  actDelete = MakeAction(this, kDelete);
  actRevert = MakeAction(this, kRevert);
  actExit = MakeAction(this, kExit);
  tolMain = TextToolBar(this, {actSave, actAdd, actDelete, actRevert, actExit});
  tolMain->setObjectName("tolMain");
  for (QAction* action : tolMain->actions()) tolMain->widgetForAction(action)->setMinimumWidth(kTextButtonWidth);
  root->addWidget(tolMain);

  // The tab strip only names the definitions; the fields below serve every tab.
  tabDefinition = new QTabWidget(this);
  tabDefinition->setObjectName("tabDefinition");
  tabDefinition->setDocumentMode(true);
  tabDefinition->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  root->addWidget(tabDefinition);

  auto* fields = new QWidget(this);
  auto* fieldLayout = new QVBoxLayout(fields);
  auto* top = new QGridLayout;
  txtName = new TovStrEdit(fields);
  txtName->setObjectName("txtName");
  cmbType = new TovComboBox(fields);
  cmbType->setObjectName("cmbType");
  cmbType->setEditable(false);
  txtXlsFile = new TovStrEdit(fields);
  txtXlsFile->setObjectName("txtXlsFile");
  btnXlsFile = new QToolButton(fields);
  btnXlsFile->setObjectName("btnXlsFile");
  btnXlsFile->setText("フォームファイル");
  txtBodyTop = new TovNumEdit(fields);
  txtBodyTop->setObjectName("txtBodyTop");
  txtBodyTop->setMaxLength(kNumberDigits);
  txtBodyCount = new TovNumEdit(fields);
  txtBodyCount->setObjectName("txtBodyCount");
  txtBodyCount->setMaxLength(kNumberDigits);
  top->addWidget(new QLabel(kXlsNameCaption, fields), 0, 0);
  top->addWidget(txtName, 0, 1);
  top->addWidget(new QLabel(kXlsTypeCaption, fields), 0, 2);
  top->addWidget(cmbType, 0, 3);
  top->addWidget(btnXlsFile, 1, 0);
  top->addWidget(txtXlsFile, 1, 1, 1, 3);
  top->addWidget(new QLabel("明細開始位置", fields), 2, 0);
  top->addWidget(txtBodyTop, 2, 1);
  top->addWidget(new QLabel("明細行数", fields), 2, 2);
  top->addWidget(txtBodyCount, 2, 3);
  fieldLayout->addLayout(top);
  grpOutput = new QGroupBox(" 複数データ出力時 ", fields);
  auto* outputLayout = new QHBoxLayout(grpOutput);
  rdoOutput = new QButtonGroup(grpOutput);
  rdoOutput->setObjectName("rdoOutput");
  int id = 0;
  for (const char* caption : {"別ファイル", "別シート"}) {
    auto* button = new QRadioButton(QString::fromUtf8(caption), grpOutput);
    outputLayout->addWidget(button);
    rdoOutput->addButton(button, id++);
  }
  fieldLayout->addWidget(grpOutput);
  // The header part takes half the width, body part 1 half the height of the other half.
  auto* parts = new QHBoxLayout;
  grids[xgHeader] = MakeGrid(fields, " 見出部 ", "grdHeader");
  auto* bodies = new QVBoxLayout;
  grids[xgBody1] = MakeGrid(fields, " 明細部1 ", "grdBody1");
  grids[xgBody2] = MakeGrid(fields, " 明細部2 ", "grdBody2");
  bodies->addWidget(grids[xgBody1].Group, 1);
  bodies->addWidget(grids[xgBody2].Group, 1);
  parts->addWidget(grids[xgHeader].Group, 1);
  parts->addLayout(bodies, 1);
  fieldLayout->addLayout(parts, 1);
  root->addWidget(fields, 1);
  for (int type = 0; type < kXlsTypeCount; ++type) cmbType->addItem(QString::fromUtf8(ReportItems[type].Caption));
  cmbType->setCurrentIndex(-1);
}

void TfrmXLSSetup::ConnectControls() {
  const auto run = [this](QAction* action, void (TfrmXLSSetup::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] { RunReported([this, handler] { (this->*handler)(); }); });
  };
  run(actSave, &TfrmXLSSetup::actSaveExecute);
  run(actAdd, &TfrmXLSSetup::actAddExecute);
  run(actDelete, &TfrmXLSSetup::actDeleteExecute);
  run(actRevert, &TfrmXLSSetup::actRevertExecute);
  connect(actExit, &QAction::triggered, this, &QWidget::close);
  connect(btnXlsFile, &QToolButton::clicked, this, [this] { RunReported([this] { btnXlsFileClick(); }); });
  connect(tabDefinition, &QTabWidget::currentChanged, this,
          [this](int index) { RunReported([this, index] { tabDefinitionChange(index); }); });
  connect(cmbType, &QComboBox::currentIndexChanged, this, [this] { RunReported([this] { cmbTypeChange(); }); });
  for (QLineEdit* box : std::initializer_list<QLineEdit*>{txtName, txtXlsFile, txtBodyTop, txtBodyCount})
    connect(box, &QLineEdit::textChanged, this, [this] { MarkChanged(); });
  connect(rdoOutput, &QButtonGroup::idToggled, this, [this] { MarkChanged(); });
  for (int i = 0; i < kXlsGridCount; ++i) ConnectGrid(grids[static_cast<size_t>(i)], static_cast<TXlsGrid>(i));
}

void TfrmXLSSetup::ConnectGrid(TItemGrid& item, TXlsGrid which) {
  TovStringGrid* grid = item.Grid;
  grid->OnGetPickListitems = [this, which](int col, int, std::vector<std::string>& items) {
    if (col == kColItem) items = XlsGridCaptions(TypeIndex(), which);
  };
  connect(grid->model(), &QAbstractItemModel::dataChanged, this, [this, grid](const QModelIndex& from, const QModelIndex&) {
    // The model counts from the first row below the title.
    if (!loading_ && from.isValid()) CellEdited(*grid, from.column(), from.row() + grid->FixedRows());
  });
  TItemGrid* pointer = &item;
  connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this, [this, pointer] { UpdateGridActions(*pointer); });
  connect(grid->model(), &QAbstractItemModel::rowsInserted, this, [this, pointer] { UpdateGridActions(*pointer); });
  connect(grid->model(), &QAbstractItemModel::rowsRemoved, this, [this, pointer] { UpdateGridActions(*pointer); });
  connect(item.actAdd, &QAction::triggered, this, [this, pointer] { GridAdd(*pointer); });
  connect(item.actDelete, &QAction::triggered, this, [this, pointer] { GridDelete(*pointer); });
  connect(item.actUp, &QAction::triggered, this, [this, pointer] { GridMove(*pointer, -1); });
  connect(item.actDown, &QAction::triggered, this, [this, pointer] { GridMove(*pointer, 1); });
  UpdateGridActions(item);
}

// ---- state ----

void TfrmXLSSetup::MarkChanged() {
  if (loading_) return;
  Changed = true;
  UpdateActions();
}

void TfrmXLSSetup::UpdateActions() {
  const bool selected = tabDefinition->currentIndex() >= 0;
  actSave->setEnabled(Changed);
  // The first definition can be added to an empty folder too.
  actAdd->setEnabled(!Changed);
  actDelete->setEnabled(selected && !Changed);
  actRevert->setEnabled(Changed);
}

int TfrmXLSSetup::TypeIndex() const { return cmbType->currentIndex(); }

void TfrmXLSSetup::EnableOutput() { grpOutput->setEnabled(XlsOutputChoice(TypeIndex())); }

// ---- the grids ----

void TfrmXLSSetup::ClearGrid(TovStringGrid& grid) {
  grid.ClearData();
  grid.SaveData();
}

void TfrmXLSSetup::FillGrid(TovStringGrid& grid, const std::vector<TXlsRow>& rows) {
  grid.ClearData();
  grid.SetRowCount(kTitleRow + static_cast<int>(rows.size()) + 1);
  for (size_t i = 0; i < rows.size(); ++i) {
    const int row = kTitleRow + static_cast<int>(i);
    grid.SetCells(kColRow, row, rows[i].Row);
    grid.SetCells(kColCol, row, rows[i].Col);
    grid.SetCells(kColItem, row, rows[i].Item);
  }
  for (int col = 0; col < kGridCols; ++col) grid.SetCells(col, grid.RowCount() - 1, "");
  grid.SaveData();
}

std::vector<TXlsRow> TfrmXLSSetup::RowsOf(const TovStringGrid& grid) const {
  std::vector<TXlsRow> rows;
  for (int row = kTitleRow; row < grid.RowCount(); ++row)
    rows.push_back({grid.Cells(kColRow, row), grid.Cells(kColCol, row), grid.Cells(kColItem, row)});
  return rows;
}

void TfrmXLSSetup::CellEdited(TovStringGrid& grid, int col, int row) {
  // Typing into the last row opens a new empty one below it.
  if (row == grid.RowCount() - 1 && !grid.Cells(col, row).empty()) {
    loading_ = true;
    grid.SetRowCount(grid.RowCount() + 1);
    for (int c = 0; c < kGridCols; ++c) grid.SetCells(c, grid.RowCount() - 1, "");
    loading_ = false;
  }
  if (grid.CellModified(col, row)) MarkChanged();
}

void TfrmXLSSetup::UpdateGridActions(TItemGrid& item) {
  const int row = item.Grid->Row();
  const int last = item.Grid->RowCount() - 1;
  const bool data = row >= kTitleRow && row < last;
  item.actAdd->setEnabled(data);
  item.actDelete->setEnabled(data);
  item.actUp->setEnabled(data && row > kTitleRow);
  item.actDown->setEnabled(row >= kTitleRow && row < last - 1);
}

void TfrmXLSSetup::GridAdd(TItemGrid& item) {
  TovStringGrid& grid = *item.Grid;
  const int row = grid.Row();
  if (row < kTitleRow || row >= grid.RowCount() - 1) return;
  grid.setFocus();
  loading_ = true;
  grid.InsertRow(row);
  for (int col = 0; col < kGridCols; ++col) grid.SetCells(col, row, "");
  loading_ = false;
  grid.FocusCell(grid.Col(), row);
  MarkChanged();
  UpdateGridActions(item);
}

void TfrmXLSSetup::GridDelete(TItemGrid& item) {
  TovStringGrid& grid = *item.Grid;
  const int row = grid.Row();
  if (row < kTitleRow || row >= grid.RowCount() - 1) return;
  grid.setFocus();
  loading_ = true;
  grid.DeleteRow(row);
  loading_ = false;
  MarkChanged();
  UpdateGridActions(item);
}

void TfrmXLSSetup::GridMove(TItemGrid& item, int step) {
  TovStringGrid& grid = *item.Grid;
  const int row = grid.Row();
  const int to = row + step;
  // Neither the title nor the last, empty row moves or is passed.
  if (row < kTitleRow || row >= grid.RowCount() - 1 || to < kTitleRow || to >= grid.RowCount() - 1) return;
  loading_ = true;
  grid.MoveRow(row, to);
  loading_ = false;
  grid.FocusCell(grid.Col(), to);
  grid.scrollTo(grid.model()->index(to - grid.FixedRows(), grid.Col()));
  MarkChanged();
  UpdateGridActions(item);
}

// ---- the definitions ----

TXlsFields TfrmXLSSetup::Fields() const {
  TXlsFields fields;
  fields.Name = txtName->text().toStdString();
  fields.XlsFile = txtXlsFile->text().toStdString();
  fields.BodyTop = txtBodyTop->AsInteger();
  fields.BodyCount = txtBodyCount->AsInteger();
  fields.OutputType = std::max(rdoOutput->checkedId(), 0);
  fields.Type = TypeIndex();
  for (size_t i = 0; i < grids.size(); ++i) fields.Grids[i] = RowsOf(*grids[i].Grid);
  return fields;
}

void TfrmXLSSetup::ShowTabs(const std::vector<std::string>& names, int selected) {
  const QSignalBlocker blocker(tabDefinition);
  while (tabDefinition->count() > 0) {
    QWidget* page = tabDefinition->widget(0);
    tabDefinition->removeTab(0);
    delete page;
  }
  for (const std::string& name : names) {
    auto* page = new QWidget(tabDefinition);
    page->setMaximumHeight(0);
    tabDefinition->addTab(page, Q(name));
  }
  names_ = names;
  tabDefinition->setCurrentIndex(selected);
}

void TfrmXLSSetup::ListDefinitions() {
  std::vector<std::string> names;
  for (const TDocFile& file : ListDocFiles(DocFolder(ShareDir, kReportFolder), kReportExtension))
    names.push_back(file.Name);
  ShowTabs(names, names.empty() ? -1 : 0);
  LoadDefinition();
}

void TfrmXLSSetup::LoadDefinition() {
  loading_ = true;
  AtExit done([this] {
    loading_ = false;
    UpdateActions();
  });
  shown_ = tabDefinition->currentIndex();
  txtName->clear();
  txtXlsFile->clear();
  txtBodyTop->clear();
  txtBodyCount->clear();
  rdoOutput->button(0)->setChecked(true);
  cmbType->setCurrentIndex(-1);
  for (TItemGrid& item : grids) ClearGrid(*item.Grid);
  const std::string name = shown_ >= 0 ? names_[static_cast<size_t>(shown_)] : std::string();
  if (!name.empty()) {
    TXlsDefDocument doc;
    try {
      doc = ReadXlsDefDocument(ReportDefinitionPath(ShareDir, name));
    } catch (const EDocFormatError& e) {
      MsgBox(e.what(), MB_ICONERROR);
      throw EAbort();
    }
    const TXlsFields fields = XlsFieldsOf(name, doc);
    txtName->setText(Q(fields.Name));
    txtXlsFile->setText(Q(fields.XlsFile));
    txtBodyTop->SetInteger(fields.BodyTop);
    txtBodyCount->SetInteger(fields.BodyCount);
    if (QAbstractButton* button = rdoOutput->button(fields.OutputType)) button->setChecked(true);
    cmbType->setCurrentIndex(fields.Type);
    for (size_t i = 0; i < grids.size(); ++i) FillGrid(*grids[i].Grid, fields.Grids[i]);
  }
  EnableOutput();
  cmbType->SaveText();
  txtName->SaveText();
  Changed = false;
  for (TItemGrid& item : grids) UpdateGridActions(item);
}

void TfrmXLSSetup::cmbTypeChange() {
  if (loading_ || !cmbType->Modified()) return;
  Changed = true;
  for (TItemGrid& item : grids) {
    loading_ = true;
    ClearGrid(*item.Grid);
    loading_ = false;
    UpdateGridActions(item);
  }
  cmbType->SaveText();
  if (txtName->text().isEmpty()) {
    std::vector<std::string> taken;
    for (int i = 0; i < tabDefinition->count(); ++i) taken.push_back(tabDefinition->tabText(i).toStdString());
    txtName->setText(Q(ProposedXlsName(cmbType->currentText().toStdString(), taken)));
  }
  EnableOutput();
  UpdateActions();
}

bool TfrmXLSSetup::SaveDefinition() {
  const TXlsFields fields = Fields();
  const std::string loaded = shown_ >= 0 ? names_[static_cast<size_t>(shown_)] : std::string();
  std::vector<std::string> others;
  for (size_t i = 0; i < names_.size(); ++i)
    if (static_cast<int>(i) != shown_) others.push_back(names_[i]);
  if (const auto problem = CheckXlsFields(fields, others, loaded)) {
    MsgBox(problem->Message, MB_ICONWARNING);
    switch (problem->Field) {
      case TXlsField::Type: cmbType->setFocus(); break;
      case TXlsField::Name: txtName->setFocus(); break;
      case TXlsField::BodyTop: txtBodyTop->setFocus(); break;
      case TXlsField::BodyCount: txtBodyCount->setFocus(); break;
      case TXlsField::Grid: {
        TovStringGrid* grid = grids[static_cast<size_t>(problem->Grid)].Grid;
        grid->setFocus();
        grid->FocusCell(problem->Col ? kColCol : kColRow, kTitleRow + problem->Row);
        break;
      }
    }
    return false;
  }
  const std::string name = Trim(fields.Name);
  WriteXlsDefDocument(ShareDir, name, XlsDocumentOf(fields));
  // A rename moves the definition; a new one has no file to leave.
  const std::string old = Trim(loaded);
  if (!old.empty() && old != name) QFile::remove(Q(ReportDefinitionPath(ShareDir, old)));
  txtName->SaveText();
  Changed = false;
  UpdateActions();
  return true;
}

void TfrmXLSSetup::btnXlsFileClick() {
  platform::FileRequest request;
  request.kind = platform::FileDialogKind::Open;
  request.caption = kFormTitle;
  request.directory = DocFolder(ShareDir, kReportFolder);
  request.fileName = txtXlsFile->text().toStdString();
  request.filter = ExcelFileFilter + ";;" + kAllFilesFilter;
  if (const auto chosen = platform::Dialogs().ShowFile(request)) txtXlsFile->setText(Q(*chosen));
}

void TfrmXLSSetup::actSaveExecute() {
  if (SaveDefinition()) ListDefinitions();
}

void TfrmXLSSetup::actAddExecute() {
  std::vector<std::string> names = names_;
  names.emplace_back();
  ShowTabs(names, static_cast<int>(names.size()) - 1);
  LoadDefinition();
  Changed = true;
  UpdateActions();
}

void TfrmXLSSetup::actDeleteExecute() {
  if (shown_ < 0) return;
  if (MsgBoxFmt(kDeleteQuestion, {kXlsDefinitionCaption}, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  const std::string name = names_[static_cast<size_t>(shown_)];
  if (!name.empty()) QFile::remove(Q(ReportDefinitionPath(ShareDir, name)));
  ListDefinitions();
}

void TfrmXLSSetup::actRevertExecute() {
  if (MsgBox(kRevertQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) ListDefinitions();
}

void TfrmXLSSetup::tabDefinitionChange(int index) {
  if (index == shown_) return;
  if (Changed) {
    const int answer = MsgBox(kSaveQuestion, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer != IDNO) {
      {
        const QSignalBlocker blocker(tabDefinition);
        tabDefinition->setCurrentIndex(shown_);
      }
      if (answer == IDYES && SaveDefinition()) ListDefinitions();
      return;
    }
  }
  LoadDefinition();
}

bool TfrmXLSSetup::CloseQuery() {
  FlushActiveControl();
  bool result = true;
  if (Changed) {
    const int answer = MsgBox(kSaveQuestion, MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) {
      result = false;
      RunReported([this, &result] { result = SaveDefinition(); });
    }
  }
  // The layout is kept while the window still stands.
  if (result) WriteLayout();
  return result;
}

// ---- layout ----

void TfrmXLSSetup::ReadLayout() {
  const std::string key = GuiKey(kLayoutKey);
  platform::KeyScope scope(AppRegistry);
  if (!AppRegistry.KeyExists(key) || !AppRegistry.OpenKey(key, false)) return;
  const QRect r = geometry();
  const TWindowBounds b = ReadWindowBounds(AppRegistry, {r.x(), r.y(), r.width(), r.height()});
  setGeometry(b.Left, b.Top, b.Width, b.Height);
  for (size_t i = 0; i < grids.size(); ++i)
    for (int col = 0; col < kGridCols; ++col) {
      const std::string name = kGridLayoutNames[i] + std::to_string(col);
      grids[i].Grid->setColumnWidth(col, AppRegistry.ReadIntegerDef(name, grids[i].Grid->columnWidth(col)));
    }
}

void TfrmXLSSetup::WriteLayout() {
  platform::KeyScope scope(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kLayoutKey), true)) return;
  const QRect r = geometry();
  WriteWindowBounds(AppRegistry, {r.x(), r.y(), r.width(), r.height()});
  for (size_t i = 0; i < grids.size(); ++i)
    for (int col = 0; col < kGridCols; ++col)
      AppRegistry.WriteInteger(kGridLayoutNames[i] + std::to_string(col), grids[i].Grid->columnWidth(col));
}

void ShowXLSSetup() {
  TovMainWindow* main = ControlOptionsWindow();
  // Whatever ends the editor, the menu shows what the folder holds.
  AtExit rebuild([main] {
    if (main) main->BuildReportMenu();
  });
  QPointer<TfrmXLSSetup> form = new TfrmXLSSetup(main ? main->Window() : nullptr);
  AtExit release([&form] { delete form.data(); });
  form->ReadLayout();
  RunReported([&form] { form->ListDefinitions(); });
  ShowModalForm(*form, main ? main->Window() : nullptr);
}
