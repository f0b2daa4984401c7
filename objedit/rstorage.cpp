#include "objedit/rstorage.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/ovconnwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "objedit/core/objeditcore.h"
#include "objedit/ffldlist.h"
#include "objedit/objeditor.h"
#include "platform/qstr.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"
#include "ui/ovresize.h"
#include "ui/ovstdctl.h"

namespace {

constexpr int kFieldListImage = 12;
constexpr int kInsertImage = 39;
constexpr int kDeleteImage = 40;
constexpr int kCaptionWidth = 149;  // the edits of a panel leave room for its caption and button
constexpr int kGridSpareRows = 2;   // the header and the spare row
constexpr const char* kPageCaption = "格納領域";
constexpr const char* kFieldListHint = "項目一覧";

TovComboBox* DropList(QWidget* parent, const char* name) {
  auto* combo = new TovComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(false);
  return combo;
}

TovStrEdit* Edit(QWidget* parent, const char* name, bool upper = true) {
  auto* edit = new TovStrEdit(parent);
  edit->setObjectName(name);
  if (upper) edit->SetCharCase(ecUpperCase);
  return edit;
}

QToolButton* Button(QWidget* parent, const char* name, int image, const char* hint = nullptr) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setIcon(imgMain().Icon(image));
  if (hint) button->setToolTip(Q(hint));
  return button;
}

// Selects the item equal to the text, none when there is no such item.
void SelectItem(TovComboBox& combo, const std::string& text) { combo.setCurrentIndex(combo.findText(Q(text))); }

std::vector<std::string> Row(const TovStringGrid& grid, int row) {
  std::vector<std::string> cells;
  for (int col = 0; col < grid.ColCount(); ++col) cells.push_back(grid.Cells(col, row));
  return cells;
}

std::vector<std::string> Column(const TovStringGrid& grid, int col) {
  std::vector<std::string> cells;
  for (int row = grid.FixedRows(); row < grid.RowCount(); ++row) cells.push_back(grid.Cells(col, row));
  return cells;
}

// The data rows of a grid, the spare row left out.
bool RowIsEmpty(const TovStringGrid& grid, int row) {
  for (int col = 0; col < grid.ColCount(); ++col)
    if (!grid.CellIsEmpty(col, row)) return false;
  return true;
}

// Empties a grid and gives it the rows, a header and a spare row.
void FillGrid(TovStringGrid& grid, const std::vector<std::vector<std::string>>& rows) {
  grid.ClearData();
  grid.SetRowCount(static_cast<int>(rows.size()) + kGridSpareRows);
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < rows[r].size() && static_cast<int>(c) < grid.ColCount(); ++c)
      grid.SetCells(static_cast<int>(c), static_cast<int>(r) + 1, rows[r][c]);
}

// The divide-condition panel: its edit and its column-list button.
QGroupBox* WherePanel(QWidget* tab, const char* name, const char* editName, const char* buttonName,
                      TovStrEdit*& edit, QToolButton*& button) {
  auto* panel = new QGroupBox(Q(" 分割条件"), tab);
  panel->setObjectName(name);
  auto* row = new QHBoxLayout(panel);
  edit = Edit(panel, editName);
  button = Button(panel, buttonName, kFieldListImage, kFieldListHint);
  row->addWidget(edit);
  row->addWidget(button);
  row->addStretch();
  return panel;
}

void AddLabelled(QGridLayout& layout, int row, QWidget* parent, const char* caption, QWidget* control) {
  layout.addWidget(new QLabel(Q(caption), parent), row, 0);
  layout.addWidget(control, row, 1);
}

}  // namespace

TfraStorage::TfraStorage(TovForm& owner, QWidget* parent) : QWidget(parent), owner_(owner) {
  setObjectName("fraStorage");
  setupUi();
  grdTemp->SetEditStyle(0, gePickList);
  for (int col : {3, 5, 7, 8}) grdDSImain->SetEditStyle(col, gePickList);
  for (int col : {0, 1, 2, 4}) grdDSIsub->SetEditStyle(col, gePickList);
}

QWidget* TfraStorage::SeqPage(const char* name, TovStrEdit*& dso, TovComboBox*& page, TovCheckBox*& order,
                              TovCheckBox*& precedence, TovStrEdit** where, QToolButton** whereButton) {
  auto* tab = new QWidget(pagStorage);
  tab->setObjectName(name);
  auto* group = new QGroupBox(Q("DSO"), tab);
  auto* grid = new QGridLayout(group);
  dso = Edit(group, where ? "txtDSOnameSeqPartition" : "txtDSOnameSeq");
  page = DropList(group, where ? "cmbPageSizePartition" : "cmbPageSizeSeq");
  order = new TovCheckBox(Q("削除領域の再使用"), group);
  order->setObjectName(where ? "chkOrderPartition" : "chkOrderSeq");
  precedence = new TovCheckBox(Q("コミットデータ即時読込み"), group);
  precedence->setObjectName(where ? "chkPrecedencePartition" : "chkPrecedenceSeq");
  AddLabelled(*grid, 0, group, "名前", dso);
  AddLabelled(*grid, 1, group, "ページ長(KB)", page);
  grid->addWidget(order, 2, 1);
  grid->addWidget(precedence, 3, 1);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(group);
  if (where) layout->addWidget(WherePanel(tab, "pnlSeqWhere", "txtSeqWhere", "btnFieldSeqWhere", *where, *whereButton));
  return tab;
}

QWidget* TfraStorage::RandPage(const char* name, TovStrEdit*& dso, TovComboBox*& prime, TovComboBox*& over,
                               TovStrEdit*& cluster, TovCheckBox*& notUnique, QToolButton*& clusterButton,
                               TovStrEdit*& rule, TovStrEdit** where, QToolButton** whereButton) {
  const bool partition = where != nullptr;
  auto* tab = new QWidget(pagStorage);
  tab->setObjectName(name);
  auto* group = new QGroupBox(Q("DSO"), tab);
  auto* grid = new QGridLayout(group);
  dso = Edit(group, partition ? "txtDSOnameRandPartition" : "txtDSOnameRandNormal");
  prime = DropList(group, partition ? "cmbPageSizeRandPrime" : "cmbPageSizeNormalPrime");
  over = DropList(group, partition ? "cmbPageSizeRandOver" : "cmbPageSizeNormalOver");
  AddLabelled(*grid, 0, group, "名前", dso);
  AddLabelled(*grid, 1, group, "ページ長(PRIME)(KB)", prime);
  AddLabelled(*grid, 2, group, "ページ長(OVERFLOW)(KB)", over);
  auto* layout = new QVBoxLayout(tab);
  layout->addWidget(group);
  auto* clusterPanel = new QGroupBox(Q(" 表のクラスタキー"), tab);
  clusterPanel->setObjectName(partition ? "pnlClusterPartition" : "pnlClusterNormal");
  auto* clusterRow = new QHBoxLayout(clusterPanel);
  cluster = Edit(clusterPanel, partition ? "txtClusterPartition" : "txtClusterNormal");
  notUnique = new TovCheckBox(Q("NOT UNIQUE"), clusterPanel);
  notUnique->setObjectName(partition ? "chkNotUniquePartition" : "chkNotUniqueNormal");
  clusterButton =
      Button(clusterPanel, partition ? "btnFieldCluster" : "btnFieldRandNormal", kFieldListImage, kFieldListHint);
  clusterRow->addWidget(cluster);
  clusterRow->addWidget(notUnique);
  clusterRow->addWidget(clusterButton);
  clusterRow->addStretch();
  layout->addWidget(clusterPanel);
  auto* rulePanel = new QGroupBox(Q(" 格納規則"), tab);
  rulePanel->setObjectName(partition ? "pnlRulePartition" : "pnlRuleNormal");
  rule = Edit(rulePanel, partition ? "txtRulePartition" : "txtRuleNormal");
  auto* ruleRow = new QHBoxLayout(rulePanel);
  ruleRow->addWidget(rule);
  ruleRow->addStretch();
  layout->addWidget(rulePanel);
  if (partition)
    layout->addWidget(WherePanel(tab, "pnlRandWhere", "txtRandWhere", "btnFieldRandWhere", *where, *whereButton));
  return tab;
}

void TfraStorage::setupUi() {
  pnlStorageType = new QWidget(this);
  pnlStorageType->setObjectName("pnlStorageType");
  auto* typeLayout = new QGridLayout(pnlStorageType);
  typeLayout->setContentsMargins(0, 0, 0, 0);
  lblStorageType = new QLabel(Q("格納方法"), pnlStorageType);
  cmbStorageType = DropList(pnlStorageType, "cmbStorageType");
  lblTBS = new QLabel(Q("データベーススペース"), pnlStorageType);
  cmbTBS = new TRefillingCombo(pnlStorageType, [this] { cmbTBSDropDown(); });
  cmbTBS->setObjectName("cmbTBS");
  cmbTBS->setEditable(false);
  typeLayout->addWidget(lblStorageType, 0, 0);
  typeLayout->addWidget(cmbStorageType, 0, 1);
  typeLayout->addWidget(lblTBS, 1, 0);
  typeLayout->addWidget(cmbTBS, 1, 1);

  pagStorage = new QStackedWidget(this);
  pagStorage->setObjectName("pagStorage");
  tabSeqNormal = SeqPage("tabSeqNormal", txtDSOnameSeq, cmbPageSizeSeq, chkOrderSeq, chkPrecedenceSeq, nullptr, nullptr);
  tabSeqPartition = SeqPage("tabSeqPartition", txtDSOnameSeqPartition, cmbPageSizePartition, chkOrderPartition,
                            chkPrecedencePartition, &txtSeqWhere, &btnFieldSeqWhere);
  tabRandNormal = RandPage("tabRandNormal", txtDSOnameRandNormal, cmbPageSizeNormalPrime, cmbPageSizeNormalOver,
                           txtClusterNormal, chkNotUniqueNormal, btnFieldRandNormal, txtRuleNormal, nullptr, nullptr);
  tabRandPartition = RandPage("tabRandPartition", txtDSOnameRandPartition, cmbPageSizeRandPrime, cmbPageSizeRandOver,
                              txtClusterPartition, chkNotUniquePartition, btnFieldCluster, txtRulePartition,
                              &txtRandWhere, &btnFieldRandWhere);
  tabObject = new QWidget(pagStorage);
  tabObject->setObjectName("tabObject");
  {
    auto* group = new QGroupBox(Q("DSO"), tabObject);
    auto* grid = new QGridLayout(group);
    txtDSOnameObj = Edit(group, "txtDSOnameObj");
    cmbPageSizeObj = DropList(group, "cmbPageSizeObj");
    AddLabelled(*grid, 0, group, "名前", txtDSOnameObj);
    AddLabelled(*grid, 1, group, "ページ長(KB)", cmbPageSizeObj);
    (new QVBoxLayout(tabObject))->addWidget(group);
  }
  tabTemp = new QWidget(pagStorage);
  tabTemp->setObjectName("tabTemp");
  {
    grdTemp = new TovStringGrid(tabTemp);
    grdTemp->setObjectName("grdTemp");
    SetupGrid(*grdTemp, TStorageGrid::Temp);
    btnTempIns = Button(tabTemp, "btnTempIns", kInsertImage);
    btnTempDel = Button(tabTemp, "btnTempDel", kDeleteImage);
    grpOnCommit = new QGroupBox(Q("データ保持期間"), tabTemp);
    grpOnCommit->setObjectName("grpOnCommit");
    rdoTransaction = new TovRadioButton(Q("トランザクション内有効"), grpOnCommit);
    rdoTransaction->setObjectName("rdoTransaction");
    rdoSession = new TovRadioButton(Q("セション内有効"), grpOnCommit);
    rdoSession->setObjectName("rdoSession");
    auto* radios = new QVBoxLayout(grpOnCommit);
    radios->addWidget(rdoTransaction);
    radios->addWidget(rdoSession);
    auto* layout = new QGridLayout(tabTemp);
    layout->addWidget(grdTemp, 0, 0, 3, 1);
    layout->addWidget(btnTempIns, 0, 1);
    layout->addWidget(btnTempDel, 1, 1);
    layout->addWidget(grpOnCommit, 0, 2, 3, 1);
  }
  tabIndex = new QWidget(pagStorage);
  tabIndex->setObjectName("tabIndex");
  {
    auto* group = new QGroupBox(Q("DSO"), tabIndex);
    auto* grid = new QGridLayout(group);
    txtDSOnameIdx = Edit(group, "txtDSOnameIdx", false);
    cmbPageSizeIdxData = DropList(group, "cmbPageSizeIdxData");
    cmbPageSizeIdxIndex = DropList(group, "cmbPageSizeIdxIndex");
    cmbDegenRealgn = DropList(group, "cmbDegenRealgn");
    AddLabelled(*grid, 0, group, "名前", txtDSOnameIdx);
    AddLabelled(*grid, 1, group, "ページ長(DATA)(KB)", cmbPageSizeIdxData);
    AddLabelled(*grid, 2, group, "ページ長(INDEX)(KB)", cmbPageSizeIdxIndex);
    AddLabelled(*grid, 3, group, "縮退/再配置", cmbDegenRealgn);
    (new QVBoxLayout(tabIndex))->addWidget(group);
  }
  for (QWidget* tab : {tabSeqNormal, tabSeqPartition, tabRandNormal, tabRandPartition, tabObject, tabTemp, tabIndex}) {
    tab->setWindowTitle(Q(kPageCaption));
    pagStorage->addWidget(tab);
  }
  tabTemp->setWindowTitle(QString());
  for (TovStrEdit* edit : WidthRuledEdits()) {
    // The panel takes the page's width; its edit follows it by rule.
    QWidget& panel = *edit->parentWidget();
    panel.setSizePolicy(QSizePolicy::Ignored, panel.sizePolicy().verticalPolicy());
    WatchResize(panel, [this] { pagStorageResize(); });
  }

  pnlDSI = new QGroupBox(Q("DSI"), this);
  pnlDSI->setObjectName("pnlDSI");
  grdDSImain = new TovStringGrid(pnlDSI);
  grdDSImain->setObjectName("grdDSImain");
  SetupGrid(*grdDSImain, TStorageGrid::DsiMain);
  grdDSIsub = new TovStringGrid(pnlDSI);
  grdDSIsub->setObjectName("grdDSIsub");
  SetupGrid(*grdDSIsub, TStorageGrid::DsiSub);
  btnDSImainIns = Button(pnlDSI, "btnDSImainIns", kInsertImage);
  btnDSImainDel = Button(pnlDSI, "btnDSImainDel", kDeleteImage);
  btnDSIsubIns = Button(pnlDSI, "btnDSIsubIns", kInsertImage);
  btnDSIsubDel = Button(pnlDSI, "btnDSIsubDel", kDeleteImage);
  auto* dsiLayout = new QGridLayout(pnlDSI);
  dsiLayout->addWidget(grdDSImain, 0, 0, 2, 1);
  dsiLayout->addWidget(btnDSImainIns, 0, 1);
  dsiLayout->addWidget(btnDSImainDel, 1, 1);
  dsiLayout->addWidget(grdDSIsub, 2, 0, 2, 1);
  dsiLayout->addWidget(btnDSIsubIns, 2, 1);
  dsiLayout->addWidget(btnDSIsubDel, 3, 1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(pnlStorageType);
  layout->addWidget(pagStorage);
  layout->addWidget(pnlDSI, 1);

  // Editing.
  connect(cmbStorageType, &QComboBox::activated, this, [this] { cmbStorageTypeChange(); });
  for (TovStrEdit* edit : TableDsoEdits())
    connect(edit, &QLineEdit::textEdited, this, [this, edit] { MarkIfModified(edit->Modified()); });
  connect(txtDSOnameIdx, &QLineEdit::textEdited, this, [this] { MarkIfModified(txtDSOnameIdx->Modified()); });
  connect(cmbPageSizeSeq, &QComboBox::activated, this, [this] { MarkIfModified(cmbPageSizeSeq->Modified()); });
  for (TovComboBox* combo : {cmbPageSizeIdxData, cmbPageSizeIdxIndex})
    connect(combo, &QComboBox::currentTextChanged, this, [this, combo] { MarkIfModified(combo->Modified()); });
  for (TovComboBox* combo : {cmbTBS, cmbDegenRealgn})
    connect(combo, &QComboBox::currentTextChanged, this, [this] { SetChanged(true); });
  for (TovRadioButton* radio : {rdoTransaction, rdoSession})
    connect(radio, &QAbstractButton::clicked, this, [this] { SetChanged(true); });
  const std::pair<QToolButton*, TovStrEdit*> fieldButtons[] = {{btnFieldSeqWhere, txtSeqWhere},
                                                               {btnFieldRandNormal, txtClusterNormal},
                                                               {btnFieldCluster, txtClusterPartition},
                                                               {btnFieldRandWhere, txtRandWhere}};
  for (const auto& [button, edit] : fieldButtons)
    connect(button, &QToolButton::clicked, this, [this, edit] { RunReported([&] { btnFieldClick(*edit); }); });
  const std::pair<QToolButton*, TovStringGrid*> inserts[] = {
      {btnTempIns, grdTemp}, {btnDSImainIns, grdDSImain}, {btnDSIsubIns, grdDSIsub}};
  for (const auto& [button, grid] : inserts) connect(button, &QToolButton::clicked, this, [this, g = grid] { InsertRow(*g); });
  const std::pair<QToolButton*, TovStringGrid*> deletes[] = {
      {btnTempDel, grdTemp}, {btnDSImainDel, grdDSImain}, {btnDSIsubDel, grdDSIsub}};
  for (const auto& [button, grid] : deletes) connect(button, &QToolButton::clicked, this, [this, g = grid] { DeleteRow(*g); });
}

void TfraStorage::SetupGrid(TovStringGrid& grid, TStorageGrid kind) {
  const std::vector<std::string> headers =
      kind == TStorageGrid::DsiMain  ? std::vector<std::string>(kDsiTableHeaders.begin(), kDsiTableHeaders.end())
      : kind == TStorageGrid::DsiSub ? std::vector<std::string>(kAllocationHeaders.begin(), kAllocationHeaders.end())
                                     : std::vector<std::string>(kTemporaryHeaders.begin(), kTemporaryHeaders.end());
  grid.SetColCount(static_cast<int>(headers.size()));
  grid.SetRowCount(kGridSpareRows);
  grid.SetFixedRows(1);
  grid.SetFixedCols(0);
  grid.Header().Assign(headers);
  grid.SetGridMode(geAccess);
  grid.OnGetPickListitems = [this, kind](int col, int row, std::vector<std::string>& items) {
    if (row < 1) return;
    TStoragePickSources sources;
    sources.DsiNames = Column(*grdDSImain, 0);
    sources.Scopes = Column(*grdDSImain, kDsiScopeCol);
    RefreshSpaces();
    sources.Spaces = spaces_;
    sources.TableDsis = tableDsis_;
    items = StoragePickList(kind, col, OwnerKind, GetStorageKind(), sources);
  };
  grid.OnBeforeSetEditText = [this](TovStringGrid& sender, int col, int row, const std::string& value) {
    if (NeedsSpareRow(value, row, sender.RowCount())) sender.SetRowCount(sender.RowCount() + 1);
    // A new allocation kind repaints the row's size and unit.
    if (col == kAllocationKindCol) sender.viewport()->update();
    MarkIfModified(sender.Modified() || sender.Cells(col, row) != value);
  };
  if (kind == TStorageGrid::DsiSub) {
    grid.OnShowEditor = [](TovStringGrid& sender, int col, int row, TovInplaceEditor& editor) {
      editor.setReadOnly(!AllocationCellEditable(col, sender.Cells(kAllocationKindCol, row)));
    };
    // The size and unit of a stand-by row are painted as read-only.
    grid.OnCellBackground = [&grid](int col, int row) -> std::optional<QColor> {
      if (row < grid.FixedRows() || AllocationCellEditable(col, grid.Cells(kAllocationKindCol, row))) return std::nullopt;
      return grid.palette().color(QPalette::Button);
    };
  }
}

void TfraStorage::SetIndexGridLayout() {
  grdDSImain->Header().Assign({kDsiIndexHeaders.begin(), kDsiIndexHeaders.end()});
  for (size_t col = 0; col < kDsiIndexWidths.size(); ++col) {
    grdDSImain->setColumnWidth(static_cast<int>(col), kDsiIndexWidths[col]);
    const bool dropList = col == 2 || col == 4 || col >= kDsiTableDsiCol;
    grdDSImain->SetEditStyle(static_cast<int>(col), dropList ? geDropList : geSimple);
  }
  for (int col : {0, 1, 2, 4}) grdDSIsub->SetEditStyle(col, geDropList);
  grdDSIsub->SetEditStyle(kAllocationSizeCol, geSimple);
}

std::vector<TovStrEdit*> TfraStorage::TableDsoEdits() const {
  return {txtDSOnameSeq, txtDSOnameSeqPartition, txtDSOnameRandNormal, txtDSOnameRandPartition, txtDSOnameObj};
}

std::vector<TovComboBox*> TfraStorage::PageSizeCombos() const {
  return {cmbPageSizeSeq,       cmbPageSizePartition, cmbPageSizeNormalPrime, cmbPageSizeNormalOver,
          cmbPageSizeRandPrime, cmbPageSizeRandOver,  cmbPageSizeObj,         cmbPageSizeIdxData};
}

void TfraStorage::SetChanged(bool changed) {
  if (OnSetChanged)
    OnSetChanged(changed);
  else
    owner_.SetChanged(changed);
}

void TfraStorage::MarkIfModified(bool modified) { SetChanged(owner_.Changed || modified); }

void TfraStorage::Init(const std::string& schema, const std::string& name) {
  SchemaName = schema;
  ObjectName = name;
  TableName = name;
  if (OwnerKind != -1) return;
  OwnerKind = owner_.ImageIndex;
  {
    const QSignalBlocker quiet(cmbStorageType);
    for (const char* text : kStorageKindTexts) cmbStorageType->addItem(Q(text));
    cmbStorageType->setCurrentIndex(kStorageDefault);
  }
  cmbStorageTypeChange();
  std::vector<TovComboBox*> sizes = PageSizeCombos();
  sizes.push_back(cmbPageSizeIdxIndex);
  for (TovComboBox* combo : sizes) {
    const QSignalBlocker quiet(combo);
    for (const char* item : kPageSizeItems) combo->addItem(Q(item));
    combo->setCurrentIndex(-1);
  }
  chkOrderSeq->setChecked(false);
  chkPrecedenceSeq->setChecked(false);
  const QSignalBlocker quiet(cmbDegenRealgn);
  for (const char* item : kIndexOptionItems) cmbDegenRealgn->addItem(Q(item));
  cmbDegenRealgn->setCurrentIndex(-1);
}

void TfraStorage::RefreshSpaces() {
  if (!owner_.ConnectionWindow) return;
  owner_.ConnectionWindow->GetDBSpaceList(spaces_);
}

void TfraStorage::cmbTBSDropDown() {
  RefreshSpaces();
  const QSignalBlocker quiet(cmbTBS);
  const QString current = cmbTBS->currentText();
  cmbTBS->clear();
  for (const std::string& space : spaces_) cmbTBS->addItem(Q(space));
  cmbTBS->setCurrentIndex(cmbTBS->findText(current));
}

void TfraStorage::cmbStorageTypeChange() {
  TovConnectionWindow* connection = owner_.ConnectionWindow;
  const int kind = GetStorageKind();
  const TStorageLayout layout = StorageLayoutFor(OwnerKind, kind, connection ? connection->Level() : 0,
                                                 connection && connection->IsRemote());
  pnlStorageType->setVisible(layout.TypePanelVisible);
  lblStorageType->setVisible(layout.KindVisible);
  cmbStorageType->setVisible(layout.KindVisible);
  lblTBS->setVisible(layout.SpaceVisible);
  cmbTBS->setVisible(layout.SpaceVisible);
  lblTBS->setEnabled(layout.SpaceEnabled);
  cmbTBS->setEnabled(layout.SpaceEnabled);
  pnlStorageType->setFixedHeight(layout.TypePanelReduced ? kTypePanelReducedHeight : kTypePanelHeight);
  cmbTBSDropDown();
  {
    // The space of the first allocation row when the list has it, else the first.
    const QSignalBlocker quiet(cmbTBS);
    const int at = cmbTBS->findText(Q(grdDSIsub->Cells(2, 1)));
    cmbTBS->setCurrentIndex(at >= 0 ? at : (cmbTBS->count() > 0 ? 0 : -1));
  }
  const std::pair<TStoragePage, QWidget*> pages[] = {
      {TStoragePage::SeqNormal, tabSeqNormal},     {TStoragePage::SeqPartition, tabSeqPartition},
      {TStoragePage::RandNormal, tabRandNormal},   {TStoragePage::RandPartition, tabRandPartition},
      {TStoragePage::Object, tabObject},           {TStoragePage::Temp, tabTemp},
      {TStoragePage::Index, tabIndex}};
  for (const auto& [page, widget] : pages)
    if (page == layout.Page) pagStorage->setCurrentWidget(widget);
  pagStorage->setVisible(layout.PagesVisible);
  if (layout.PagesHeight > 0) pagStorage->setFixedHeight(layout.PagesHeight);
  pnlDSI->setVisible(layout.DsiVisible);
  if (layout.IndexLayout) SetIndexGridLayout();
  pagStorageResize();
  SetChanged(true);
}

std::vector<TovStrEdit*> TfraStorage::WidthRuledEdits() const {
  return {txtSeqWhere, txtClusterNormal, txtRuleNormal, txtClusterPartition, txtRulePartition, txtRandWhere};
}

void TfraStorage::pagStorageResize() {
  for (TovStrEdit* edit : WidthRuledEdits())
    edit->setFixedWidth(std::max(0, edit->parentWidget()->width() - kCaptionWidth));
}

int TfraStorage::GetStorageKind() const { return StorageKindOfText(cmbStorageType->currentText().toStdString()); }

TTableStorage TfraStorage::TableStorage() const {
  TTableStorage s;
  s.Kind = GetStorageKind();
  auto text = [](const QLineEdit* e) { return e->text().toStdString(); };
  auto combo = [](const QComboBox* c) { return c->currentText().toStdString(); };
  switch (s.Kind) {
    case kStorageSequential:
      s.DsoName = text(txtDSOnameSeq);
      s.DataPageSize = combo(cmbPageSizeSeq);
      s.Order = chkOrderSeq->isChecked();
      s.Precedence = chkPrecedenceSeq->isChecked();
      break;
    case kStorageSequentialList:
    case kStorageSequentialRange:
      s.DsoName = text(txtDSOnameSeqPartition);
      s.DataPageSize = combo(cmbPageSizePartition);
      s.Order = chkOrderPartition->isChecked();
      s.Precedence = chkPrecedencePartition->isChecked();
      s.DivideColumns = text(txtSeqWhere);
      break;
    case kStorageRandom:
      s.DsoName = text(txtDSOnameRandNormal);
      s.PrimePageSize = combo(cmbPageSizeNormalPrime);
      s.OverflowPageSize = combo(cmbPageSizeNormalOver);
      s.ClusterKey = text(txtClusterNormal);
      s.NotUnique = chkNotUniqueNormal->isChecked();
      s.Rule = text(txtRuleNormal);
      break;
    case kStorageRandomList:
    case kStorageRandomRange:
      s.DsoName = text(txtDSOnameRandPartition);
      s.PrimePageSize = combo(cmbPageSizeRandPrime);
      s.OverflowPageSize = combo(cmbPageSizeRandOver);
      s.ClusterKey = text(txtClusterPartition);
      s.NotUnique = chkNotUniquePartition->isChecked();
      s.Rule = text(txtRulePartition);
      s.DivideColumns = text(txtRandWhere);
      break;
    case kStorageObject:
      s.DsoName = text(txtDSOnameObj);
      s.DataPageSize = combo(cmbPageSizeObj);
      break;
    default:
      break;
  }
  for (int row = 1; row < grdDSImain->RowCount(); ++row)
    if (!RowIsEmpty(*grdDSImain, row)) s.Dsis.push_back(DsiOfRow(Row(*grdDSImain, row), false));
  for (int row = 1; row < grdDSIsub->RowCount(); ++row)
    if (!RowIsEmpty(*grdDSIsub, row)) s.Allocations.push_back(AllocationOfRow(Row(*grdDSIsub, row)));
  for (int row = 1; row < grdTemp->RowCount(); ++row)
    if (!RowIsEmpty(*grdTemp, row)) s.TemporarySpaces.push_back({grdTemp->Cells(0, row), grdTemp->Cells(1, row)});
  s.PreserveRows = rdoSession->isChecked();
  return s;
}

TIndexStorage TfraStorage::IndexStorage() const {
  TIndexStorage s;
  s.DsoName = txtDSOnameIdx->text().toStdString();
  s.BasePageSize = cmbPageSizeIdxData->currentText().toStdString();
  s.IndexPageSize = cmbPageSizeIdxIndex->currentText().toStdString();
  s.Option = cmbDegenRealgn->currentText().toStdString();
  for (int row = 1; row < grdDSImain->RowCount(); ++row)
    if (!RowIsEmpty(*grdDSImain, row)) s.Dsis.push_back(DsiOfRow(Row(*grdDSImain, row), true));
  for (int row = 1; row < grdDSIsub->RowCount(); ++row)
    if (!RowIsEmpty(*grdDSIsub, row)) s.Allocations.push_back(AllocationOfRow(Row(*grdDSIsub, row)));
  return s;
}

void TfraStorage::SetTableStorage(const TTableStorage& s) {
  std::vector<std::vector<std::string>> rows;
  for (const TStorageDsi& dsi : s.Dsis) rows.push_back(RowOfDsi(dsi, false));
  FillGrid(*grdDSImain, rows);
  rows.clear();
  for (const TStorageAllocation& a : s.Allocations) rows.push_back(RowOfAllocation(a));
  FillGrid(*grdDSIsub, rows);
  if (s.Kind == kStorageTemporary) {
    rows.clear();
    for (const TTemporarySpace& t : s.TemporarySpaces) rows.push_back({t.Space, t.Users});
    FillGrid(*grdTemp, rows);
    (s.PreserveRows ? rdoSession : rdoTransaction)->setChecked(true);
  } else {
    // Every page takes the values, so that another kind keeps them.
    for (TovStrEdit* edit : TableDsoEdits()) edit->setText(Q(s.DsoName));
    for (TovComboBox* combo : {cmbPageSizeSeq, cmbPageSizePartition, cmbPageSizeObj}) SelectItem(*combo, s.DataPageSize);
    for (TovComboBox* combo : {cmbPageSizeNormalPrime, cmbPageSizeRandPrime}) SelectItem(*combo, s.PrimePageSize);
    for (TovComboBox* combo : {cmbPageSizeNormalOver, cmbPageSizeRandOver}) SelectItem(*combo, s.OverflowPageSize);
    for (TovCheckBox* box : {chkOrderSeq, chkOrderPartition}) box->setChecked(s.Order);
    for (TovCheckBox* box : {chkPrecedenceSeq, chkPrecedencePartition}) box->setChecked(s.Precedence);
    for (TovStrEdit* edit : {txtSeqWhere, txtRandWhere}) edit->setText(Q(s.DivideColumns));
    for (TovStrEdit* edit : {txtClusterNormal, txtClusterPartition}) edit->setText(Q(s.ClusterKey));
    for (TovCheckBox* box : {chkNotUniqueNormal, chkNotUniquePartition}) box->setChecked(s.NotUnique);
    for (TovStrEdit* edit : {txtRuleNormal, txtRulePartition}) edit->setText(Q(s.Rule));
  }
  {
    const QSignalBlocker quiet(cmbStorageType);
    cmbStorageType->setCurrentIndex(cmbStorageType->findText(Q(kStorageKindTexts[static_cast<size_t>(s.Kind)])));
  }
  cmbStorageTypeChange();
}

void TfraStorage::SetIndexStorage(const TIndexStorage& s) {
  txtDSOnameIdx->setText(Q(s.DsoName));
  SelectItem(*cmbPageSizeIdxData, s.BasePageSize);
  SelectItem(*cmbPageSizeIdxIndex, s.IndexPageSize);
  SelectItem(*cmbDegenRealgn, s.Option);
  std::vector<std::vector<std::string>> rows;
  for (const TStorageDsi& dsi : s.Dsis) rows.push_back(RowOfDsi(dsi, true));
  FillGrid(*grdDSImain, rows);
  rows.clear();
  for (const TStorageAllocation& a : s.Allocations) rows.push_back(RowOfAllocation(a));
  FillGrid(*grdDSIsub, rows);
}

void TfraStorage::LoadTableStorage() {
  TSqlWaitCursor wait;
  const int standard = cmbStorageType->findText(Q(kStorageKindTexts[kStorageDefault]));
  if (standard >= 0) {
    const QSignalBlocker quiet(cmbStorageType);
    const bool selected = cmbStorageType->currentIndex() == standard;
    cmbStorageType->removeItem(standard);
    if (selected) cmbStorageType->setCurrentIndex(-1);
  }
  cmbTBSDropDown();
  std::optional<TTableStorage> storage;
  if (::LoadTableStorage(*owner_.ConnectionWindow, SchemaName, ObjectName, storage) == TReportResult::Failed) {
    MsgBox(kLoadFailed, MB_ICONERROR);
    return;
  }
  if (storage) SetTableStorage(*storage);
}

void TfraStorage::LoadIndexStorage(const std::string& schema, const std::string& table) {
  TSqlWaitCursor wait;
  cmbTBSDropDown();
  FillGrid(*grdDSImain, {});
  FillGrid(*grdDSIsub, {});
  TIndexStorage storage;
  const TReportResult result =
      ::LoadIndexStorage(*owner_.ConnectionWindow, schema, table, txtDSOnameIdx->text().toStdString(), storage);
  if (result == TReportResult::Failed) MsgBox(kLoadFailed, MB_ICONERROR);
  if (result == TReportResult::Read) SetIndexStorage(storage);
}

void TfraStorage::LoadDSIList(std::vector<std::string>& list, const std::string& tableOwner,
                              const std::string& tableName) {
  TSqlWaitCursor wait;
  if (::LoadDsiList(*owner_.ConnectionWindow, tableOwner, tableName, list) == TReportResult::Failed)
    MsgBox(kLoadFailed, MB_ICONERROR);
  tableDsis_ = list;
}

void TfraStorage::SaveState() {
  for (TovComboBox* combo : PageSizeCombos()) combo->SaveText();
  for (TovComboBox* combo : {cmbStorageType, cmbTBS, cmbPageSizeIdxIndex, cmbDegenRealgn}) combo->SaveText();
  for (TovStrEdit* edit : TableDsoEdits()) edit->SaveText();
  for (TovStrEdit* edit : {txtDSOnameIdx, txtSeqWhere, txtRandWhere, txtClusterNormal, txtClusterPartition,
                           txtRuleNormal, txtRulePartition})
    edit->SaveText();
  for (TovCheckBox* box : {chkOrderSeq, chkOrderPartition, chkPrecedenceSeq, chkPrecedencePartition,
                           chkNotUniqueNormal, chkNotUniquePartition})
    box->SaveState();
  for (TovStringGrid* grid : {grdTemp, grdDSImain, grdDSIsub}) grid->SaveData();
  for (TovRadioButton* radio : {rdoTransaction, rdoSession}) radio->SaveState();
}

bool TfraStorage::IsChanged() const {
  for (TovComboBox* combo : PageSizeCombos())
    if (combo->Modified()) return true;
  for (TovComboBox* combo : {cmbStorageType, cmbTBS, cmbPageSizeIdxIndex, cmbDegenRealgn})
    if (combo->Modified()) return true;
  for (TovStrEdit* edit : TableDsoEdits())
    if (edit->Modified()) return true;
  for (TovStrEdit* edit : {txtDSOnameIdx, txtSeqWhere, txtRandWhere, txtClusterNormal, txtClusterPartition,
                           txtRuleNormal, txtRulePartition})
    if (edit->Modified()) return true;
  for (TovCheckBox* box : {chkOrderSeq, chkOrderPartition, chkPrecedenceSeq, chkPrecedencePartition,
                           chkNotUniqueNormal, chkNotUniquePartition})
    if (box->Modified()) return true;
  for (TovStringGrid* grid : {grdTemp, grdDSImain, grdDSIsub})
    if (grid->Modified()) return true;
  return rdoTransaction->Modified() || rdoSession->Modified();
}

void TfraStorage::BuildStorageDDL(std::vector<std::string>& list, const std::string& schemaPrefix,
                                  const std::string& name) {
  TSqlWaitCursor wait;
  if (!TableStorageWanted(owner_.ScriptMode)) return;
  BuildTableStorageDDL(TableStorage(), schemaPrefix, name, AppOption.Separator, list);
}

bool TfraStorage::BuildIndexStorageDDL(std::vector<std::string>& list, const std::string& tableOwner,
                                       const std::string& tableName, const std::vector<std::string>& keyColumns) {
  TSqlWaitCursor wait;
  if (Trim(tableOwner).empty() || Trim(tableName).empty()) return false;
  std::vector<std::string> tableDsis;
  LoadDSIList(tableDsis, tableOwner, tableName);
  ::BuildIndexStorageDDL(IndexStorage(), tableOwner, tableName, keyColumns, tableDsis, AppOption.Separator, list);
  return true;
}

void TfraStorage::btnFieldClick(TovStrEdit& edit) {
  std::vector<std::string> columns;
  for (const std::string& piece : CommaPieces(edit.text().toStdString())) {
    if (!piece.empty()) columns.push_back(piece);
  }
  const std::vector<std::string> before = columns;
  ShowFieldList(*owner_.ConnectionWindow, SchemaName, TableName, columns);
  if (columns == before) return;
  std::string text;
  for (const std::string& column : columns) text += (text.empty() ? "" : ", ") + QuoteIdent(column);
  if (!text.empty() && text != edit.text().toStdString()) edit.setText(Q(text));
}

void TfraStorage::InsertRow(TovStringGrid& grid) {
  grid.setFocus();
  grid.InsertRow(std::max(grid.Row(), grid.FixedRows()));
}

void TfraStorage::DeleteRow(TovStringGrid& grid) {
  if (!CanDeleteGridRow(grid.RowCount())) return;
  grid.setFocus();
  grid.DeleteRow(std::max(grid.Row(), grid.FixedRows()));
  SetChanged(true);
}
