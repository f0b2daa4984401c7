#include "objedit/rwhere.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/core/fobjddlcore.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovwhere.h"
#include "app/core/zarur.h"
#include "objedit/ffldlist.h"
#include "objedit/objeditor.h"
#include "platform/qstr.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"
#include "ui/rdata.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kExecImage = 28;
constexpr int kFieldImage = 12;
constexpr int kWhereImage = 96;
constexpr int kWhereClearImage = 117;
constexpr int kWhereRowHeight = 18;
constexpr int kRecordMaxLength = 9;
constexpr int kWhereDropDownRows = 20;
// Hidden condition grid: the panel keeps the tool bar's height.
constexpr int kWhereBarHeight = 24;
constexpr int kThirds = 3;
constexpr const char* kClearQuestion = "抽出条件・ソート順をクリアしますか？";

// Enter in the control runs `entered` (and is swallowed).
class TEnterFilter : public QObject {
 public:
  TEnterFilter(QObject* parent, std::function<void()> entered) : QObject(parent), entered_(std::move(entered)) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    entered_();
    return true;
  }

 private:
  std::function<void()> entered_;
};

// Column 0 of both grids: the names, on the button face, never edited.
void SetupNameColumn(TovStringGrid& grid) {
  grid.OnShowEditor = [](TovStringGrid& sender, int col, int, TovInplaceEditor& editor) {
    editor.setReadOnly(col == 0);
    if (col == 0) sender.setFocus();
  };
  grid.OnCellBackground = [&grid](int col, int) -> std::optional<QColor> {
    if (col != 0) return std::nullopt;
    return grid.palette().color(QPalette::Button);
  };
}

}  // namespace

TfraWhere::TfraWhere(TovObjectEditor& owner, std::vector<std::string>& display, QWidget* parent)
    : QWidget(parent), owner_(owner), display_(display) {
  setObjectName("pnlWhere");
  setupUi();
}

void TfraWhere::setupUi() {
  auto* whereLayout = new QVBoxLayout(this);
  whereLayout->setContentsMargins(0, 0, 0, 0);
  whereLayout->setSpacing(0);
  auto* bar = new QHBoxLayout;
  tolWhere = new QToolBar(this);
  tolWhere->setObjectName("tolWhere");
  btnExec = MakeAction(this, "btnExec", "", "データを表示", kExecImage);
  btnField = MakeAction(this, "btnField", "", "表示項目の指定", kFieldImage);
  btnWhere = MakeAction(this, "btnWhere", "", "抽出条件・ソート順設定", kWhereImage);
  btnWhere->setCheckable(true);
  btnGrdWhereClear = MakeAction(this, "btnGrdWhereClear", "", "抽出条件・ソート順設定クリア", kWhereClearImage);
  for (QAction* action : {btnExec, btnField, btnWhere, btnGrdWhereClear}) tolWhere->addAction(action);
  bar->addWidget(tolWhere);
  pnlWhere3 = new QWidget(this);
  pnlWhere3->setObjectName("pnlWhere3");
  auto* condition = new QHBoxLayout(pnlWhere3);
  condition->setContentsMargins(0, 0, 0, 0);
  condition->addWidget(new QLabel(Q(" 条件"), pnlWhere3));
  cmbWhere = new TovComboBox(pnlWhere3);
  cmbWhere->setObjectName("cmbWhere");
  cmbWhere->setMaxVisibleItems(kWhereDropDownRows);
  cmbWhere->setCompleter(nullptr);
  condition->addWidget(cmbWhere, 1);
  condition->addWidget(new QLabel(Q("表示件数"), pnlWhere3));
  txtRecord = new TovNumEdit(pnlWhere3);
  txtRecord->setObjectName("txtRecord");
  txtRecord->setMaxLength(kRecordMaxLength);
  condition->addWidget(txtRecord);
  bar->addWidget(pnlWhere3, 1);
  whereLayout->addLayout(bar);
  pnlWhere2 = new QWidget(this);
  pnlWhere2->setObjectName("pnlWhere2");
  auto* gridsLayout = new QVBoxLayout(pnlWhere2);
  gridsLayout->setContentsMargins(0, 0, 0, 0);
  spl2 = new QSplitter(Qt::Horizontal, pnlWhere2);
  spl2->setObjectName("spl2");
  gridsLayout->addWidget(spl2);
  grdWhere = new TovStringGrid(spl2);
  grdWhere->setObjectName("grdWhere");
  grdWhere->SetColCount(kWhereGridCols);
  grdWhere->SetFixedCols(0);
  grdWhere->SetFixedRows(1);
  grdWhere->SetRowCount(2);
  grdWhere->SetGridMode(geAccess);
  grdWhere->verticalHeader()->setDefaultSectionSize(kWhereRowHeight);
  for (int col = 0; col < kWhereGridCols; ++col) {
    grdWhere->SetCells(col, 0, kWhereGridHeaders[static_cast<size_t>(col)]);
    grdWhere->setColumnWidth(col, kWhereGridWidths[static_cast<size_t>(col)]);
  }
  SetupNameColumn(*grdWhere);
  grdParam = new TovStringGrid(spl2);
  grdParam->setObjectName("grdParam");
  grdParam->SetColCount(static_cast<int>(kParamGridHeaders.size()));
  grdParam->SetFixedCols(0);
  grdParam->SetFixedRows(1);
  grdParam->SetGridMode(geAccess);
  SetupNameColumn(*grdParam);
  grdParam->hide();
  whereLayout->addWidget(pnlWhere2, 1);

  connect(btnExec, &QAction::triggered, this, [this] { RunReported([this] { owner_.Reload(btnExec); }); });
  connect(btnField, &QAction::triggered, this, [this] { RunReported([this] { btnFieldClick(); }); });
  connect(btnWhere, &QAction::toggled, this, [this] { btnWhereClick(); });
  connect(btnGrdWhereClear, &QAction::triggered, this, [this] { RunReported([this] { btnGrdWhereClearClick(); }); });
  const auto query = [this] { RunReported([this] { owner_.pagObjectChange(); }); };
  cmbWhere->installEventFilter(new TEnterFilter(cmbWhere, query));
  txtRecord->installEventFilter(new TEnterFilter(txtRecord, query));
  btnWhere->setChecked(AppOption.ShowWhereGrid);
  btnWhereClick();
}

void TfraWhere::Opening(const TOpenArgs& args) {
  if (args.TopCount > 0) txtRecord->setText(QString::number(args.TopCount));
  LoadWhereHistory(args.Schema, args.Name, whereHistory_);
  for (const std::string& item : whereHistory_) cmbWhere->addItem(Q(item));
  cmbWhere->setCurrentText(QString());
}

std::vector<TWhereRow> TfraWhere::WhereRows() const {
  std::vector<TWhereRow> rows;
  for (int row = 1; row < grdWhere->RowCount(); ++row) {
    TWhereRow& cells = rows.emplace_back();
    for (int col = 0; col < kWhereGridCols; ++col) cells[static_cast<size_t>(col)] = grdWhere->Cells(col, row);
  }
  // An empty grid holds one blank row.
  if (rows.size() == 1 && rows.front()[kWhereName].empty()) rows.clear();
  return rows;
}

void TfraWhere::SetWhereRows(const std::vector<TWhereRow>& rows) {
  grdWhere->FocusCell(1, 1);
  grdWhere->ClearData();
  grdWhere->SetRowCount(std::max<int>(static_cast<int>(rows.size()), 1) + 1);
  for (size_t r = 0; r < rows.size(); ++r)
    for (int col = 0; col < kWhereGridCols; ++col)
      grdWhere->SetCells(col, static_cast<int>(r) + 1, rows[r][static_cast<size_t>(col)]);
}

void TfraWhere::LoadConditions(const std::vector<TWhereColumn>& columns) {
  const std::vector<TWhereRow> rows = RebuildWhereRows(WhereRows(), columns, AppOption.WhereAutoQuote);
  SetWhereRows(rows);
  KeepDisplayColumns(display_, rows);
}

std::string TfraWhere::BuildSelect() {
  const std::string limit = txtRecord->text().toStdString();
  if (!RecordLimitValid(limit)) {
    MsgBox(kRecordLimitInvalid, MB_ICONWARNING);
    txtRecord->setFocus();
    throw EAbort();
  }
  std::vector<TWhereRow> rows = WhereRows();
  const std::string free = cmbWhere->currentText().toStdString();
  const std::string schema = owner_.SchemaName(), name = owner_.ObjectName();
  const std::string text = BuildSelectText({schema, name, display_, free}, rows);
  if (!free.empty()) {
    PushWhereHistory(whereHistory_, free);
    const QSignalBlocker quiet(cmbWhere);
    cmbWhere->clear();
    for (const std::string& item : whereHistory_) cmbWhere->addItem(Q(item));
    cmbWhere->setCurrentIndex(0);
    SaveWhereHistory(schema, name, whereHistory_);
  }
  for (size_t r = 0; r < rows.size(); ++r) grdWhere->SetCells(kWhereSort, static_cast<int>(r) + 1, rows[r][kWhereSort]);
  return text;
}

void TfraWhere::ApplyBindValues(std::vector<TovParameter>& parameters) {
  if (parameters.empty()) {
    grdParam->hide();
    return;
  }
  const bool shown = !grdParam->isHidden();
  if (!shown) spl2->setSizes({pnlWhere2->width() - pnlWhere2->width() / kThirds, pnlWhere2->width() / kThirds});
  std::vector<TParamRow> rows;
  for (int row = 1; row < grdParam->RowCount(); ++row)
    rows.push_back({grdParam->Cells(0, row), grdParam->Cells(1, row)});
  std::vector<std::string> names;
  for (const TovParameter& p : parameters) names.push_back(p.Name);
  const bool changed = FitParamRows(rows, shown, names);
  grdParam->SetRowCount(static_cast<int>(rows.size()) + 1);
  for (size_t i = 0; i < kParamGridHeaders.size(); ++i) grdParam->SetCells(static_cast<int>(i), 0, kParamGridHeaders[i]);
  for (size_t r = 0; r < rows.size(); ++r) {
    grdParam->SetCells(0, static_cast<int>(r) + 1, rows[r].Name);
    grdParam->SetCells(1, static_cast<int>(r) + 1, rows[r].Value);
  }
  grdParam->FocusCell(1, 1);
  grdParam->show();
  if (changed) {
    if (TovMainWindow* main = ControlOptionsWindow()) main->SetStatusText(kStatusMessagePanel, kBindValuesWanted);
    throw EAbort();
  }
  for (size_t i = 0; i < parameters.size(); ++i) parameters[i].Value = Q(rows[i].Value);
}

void TfraWhere::OpenData(TfraData& frame) {
  frame.ColWidthKey = owner_.SchemaName() + "." + owner_.ObjectName();
  frame.SetSQL(BuildSelect());
  if (!frame.BaseSQL.empty()) {
    frame.PrepareSQL();
    ApplyBindValues(frame.qryData.Parameters());
    frame.OpenData();
  }
  grdWhere->FocusCell(1, 1);
}

void TfraWhere::btnWhereClick() {
  const bool shown = btnWhere->isChecked();
  pnlWhere2->setVisible(shown);
  btnGrdWhereClear->setVisible(shown);
  // The page's splitter gives the panel a third, or the bar's height.
  auto* split = qobject_cast<QSplitter*>(parentWidget());
  if (!split || split->count() < 2) return;
  const int room = split->height();
  const int top = shown ? room / kThirds : kWhereBarHeight;
  split->setSizes({top, std::max(room - top, 0)});
}

void TfraWhere::btnGrdWhereClearClick() {
  if (MsgBox(kClearQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  for (int row = 1; row < grdWhere->RowCount(); ++row)
    for (int col = 1; col < kWhereGridCols; ++col) grdWhere->SetCells(col, row, "");
}

void TfraWhere::btnFieldClick() {
  ShowFieldList(*owner_.ConnectionWindow, owner_.SchemaName(), owner_.ObjectName(), display_);
  owner_.Reload(btnField);
}
