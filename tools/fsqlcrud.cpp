#include "tools/fsqlcrud.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "admin/fadmin.h"
#include "app/core/zarur.h"
#include "platform/qstr.h"
#include "sqlwork/ovconncombo.h"
#include "sqlwork/sqlactions.h"
#include "tools/core/fsqlcatchcore.h"
#include "tools/tracelists.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovmenubar.h"
#include "ui/ovstdctl.h"
#include "ui/ovtoolbar.h"
#include "ui/zarurctl.h"

namespace {

constexpr char kTitle[] = "テーブルアクセス表";
constexpr char kSizeKey[] = "SQLCRUD";
constexpr char kReportKey[] = "TBLACCESS";
constexpr char kTableKind[] = "TABLE";
constexpr int kHelpContext = 51300;
constexpr int kWindowImage = 106;
constexpr int kMenuGroup = 2;
constexpr int kDesignWidth = 800;
constexpr int kDesignHeight = 500;
constexpr int kSchemaRows = 20;

constexpr TActionSpec kRefresh = {"表示(&V)", "表示|トレースデータを元に、テーブル別のSQL文を表示します。", 86};
constexpr TActionSpec kSelectFolder = {"トレースフォルダ選択",
                                       "トレースフォルダを選択します。|トレースファイルが格納されているフォルダを選択します。",
                                       17};
constexpr char kSelectFolderButton[] = "選択(&D)";
constexpr TActionSpec kExplan = {"実行計画(&P)", "実行計画|SQL文の実行計画を表示します。", 89};
constexpr TActionSpec kSQLCopy = {"SQL文をコピー(&C)", "SQL文をコピー|SQL文をクリップボードにコピーします。", 21};
constexpr TActionSpec kOutput = {"出力(&P)", "出力|一覧を出力します。", 36};
constexpr TActionSpec kExcel = {"エクセル出力", "エクセル出力|一覧をExcelファイルに出力します。", 44};
constexpr TActionSpec kCopy = {"クリップボード出力", "クリップボード出力|一覧をクリップボードに出力します。", 21};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

struct TMatrixColumn {
  const char* Caption;
  int Width;  // 0: the rest
};
constexpr TMatrixColumn kColumns[] = {{"テーブル名", 140}, {"C", 30}, {"R", 30}, {"U", 30}, {"D", 30}, {"SQL", 0}};
constexpr int kTableColumn = 0;
constexpr int kSQLColumn = 5;

}  // namespace

TfrmSQLCRUD* TfrmSQLCRUD::Open(TovConnectionWindow& connection) {
  if (TfrmSQLCRUD* open = BringForward<TfrmSQLCRUD>(kTitle, connection)) return open;
  return new TfrmSQLCRUD(connection);
}

TfrmSQLCRUD::TfrmSQLCRUD(TovConnectionWindow& connection) : TovForm(connection) {
  setObjectName("frmSQLCRUD");
  SetDesignSize(kDesignWidth, kDesignHeight);
  SetHelpContext(kHelpContext);
  setupUi();
  CreateTaskButton();
  SetImageIndex(kWindowImage);
  setWindowIcon(imgMain().Icon(kWindowImage));
  dtpFromDate->setDate(QDate::currentDate());
  dtpFromTime->setTime(QTime(0, 0, 0));
  FillConnectionCombo(*cmbDBName, MainWindow(), connection.Window());
  RunReported([this] { cmbDBNameChange(); });
  // Asked once, when no folder is kept for the data source yet.
  if (TraceFolderOf(TrcOption.Path, DataSource()).empty()) RunReported([this] { actSelectFolderExecute(); });
  TaskButtonClick();
}

void TfrmSQLCRUD::setupUi() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  actRefresh = MakeAction(this, kRefresh);
  actSelectFolder = MakeAction(this, kSelectFolder);
  actExplan = MakeAction(this, kExplan);
  actSQLCopy = MakeAction(this, kSQLCopy);
  actOutput = MakeAction(this, kOutput);
  actExcel = MakeAction(this, kExcel);
  actCopy = MakeAction(this, kCopy);
  actExit = MakeAction(this, kExit);

  tolCmd = new QToolBar(this);
  tolCmd->setObjectName("tolCmd");
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  layout->addWidget(tolCmd);
  tolCmd->addAction(actRefresh);
  auto* btnSelectfolder = new QToolButton(tolCmd);
  btnSelectfolder->setObjectName("btnSelectfolder");
  btnSelectfolder->setDefaultAction(actSelectFolder);
  btnSelectfolder->setText(Q(kSelectFolderButton));
  btnSelectfolder->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tolCmd->addWidget(btnSelectfolder);
  popOutput = new QMenu(this);
  popOutput->addAction(actExcel);
  popOutput->addAction(actCopy);
  btnOutput = new QToolButton(tolCmd);
  btnOutput->setObjectName("btnOutput");
  btnOutput->setDefaultAction(actOutput);
  btnOutput->setMenu(popOutput);
  btnOutput->setPopupMode(QToolButton::MenuButtonPopup);
  btnOutput->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tolCmd->addWidget(btnOutput);
  tolCmd->addAction(actExit);
  SetTextButtonWidths(*tolCmd, {actRefresh, actExit});
  for (QToolButton* button : {btnSelectfolder, btnOutput}) button->setMinimumWidth(kTextButtonWidth);
  tolCmd->addWidget(new QLabel(Q("\u3000データベース"), this));
  cmbDBName = new TovComboBox(this);
  cmbDBName->setObjectName("cmbDBName");
  cmbDBName->setEditable(false);
  tolCmd->addWidget(cmbDBName);

  auto* pnlDate = new QWidget(this);
  auto* dates = new QHBoxLayout(pnlDate);
  dates->addWidget(new QLabel(Q("対象トレースファイル更新日時"), pnlDate));
  dtpFromDate = new QDateEdit(pnlDate);
  dtpFromDate->setObjectName("dtpFromDate");
  dtpFromDate->setDisplayFormat("yyyy/MM/dd");
  dtpFromTime = new QTimeEdit(pnlDate);
  dtpFromTime->setObjectName("dtpFromTime");
  dtpFromTime->setDisplayFormat("HH:mm:ss");
  dates->addWidget(dtpFromDate);
  dates->addWidget(dtpFromTime);
  dates->addWidget(new QLabel(Q("( セッションの初回トレース開始またはセッション切断時刻 )"), pnlDate));
  chkPerseSQL = new QCheckBox(Q("固定の数値・文字列情報を無視する"), pnlDate);
  chkPerseSQL->setObjectName("chkPerseSQL");
  chkPerseSQL->setChecked(true);
  dates->addWidget(chkPerseSQL);
  dates->addStretch(1);
  layout->addWidget(pnlDate);

  auto* body = new QHBoxLayout;
  body->setSpacing(0);
  auto* pnlTableList = new QWidget(this);
  pnlTableList->setObjectName("pnlTableList");
  auto* tables = new QVBoxLayout(pnlTableList);
  tables->addWidget(new QLabel(Q("スキーマ"), pnlTableList));
  cmbOwner = new TovComboBox(pnlTableList);
  cmbOwner->setObjectName("cmbOwner");
  cmbOwner->setEditable(false);
  cmbOwner->SetCharCase(ecUpperCase);
  cmbOwner->setMaxVisibleItems(kSchemaRows);
  tables->addWidget(cmbOwner);
  lstTable = new QListWidget(pnlTableList);
  lstTable->setObjectName("lstTable");
  tables->addWidget(lstTable, 1);
  body->addWidget(pnlTableList);
  lstCRUD = new TovListView(this);
  lstCRUD->setObjectName("lstCRUD");
  lstCRUD->SetListStyle(false);
  lstCRUD->SetRowSelect(true);
  lstCRUD->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstCRUD->setSelectionMode(QAbstractItemView::SingleSelection);
  lstCRUD->setColumnCount(static_cast<int>(std::size(kColumns)));
  QStringList titles;
  for (const TMatrixColumn& column : kColumns) titles << Q(column.Caption);
  lstCRUD->setHeaderLabels(titles);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
    if (kColumns[i].Width > 0) lstCRUD->setColumnWidth(i, kColumns[i].Width);
    if (i != kTableColumn && i != kSQLColumn) lstCRUD->headerItem()->setTextAlignment(i, Qt::AlignCenter);
  }
  lstCRUD->header()->setStretchLastSection(true);
  lstCRUD->setContextMenuPolicy(Qt::ActionsContextMenu);
  lstCRUD->addAction(actExplan);
  lstCRUD->addAction(actSQLCopy);
  body->addWidget(lstCRUD, 1);
  layout->addLayout(body, 1);

  mnuSQLCRUD = new QMenu(Q("テーブルアクセス表(&O)"), this);
  mnuSQLCRUD->addAction(actRefresh);
  mnuSQLCRUD->addAction(actSelectFolder);
  mnuSQLCRUD->addSeparator();
  mnuSQLCRUD->addAction(actExcel);
  mnuSQLCRUD->addAction(actSQLCopy);
  SetMenuGroup(*mnuSQLCRUD, kMenuGroup);

  connect(cmbDBName, &QComboBox::currentIndexChanged, this, [this] { RunReported([this] { cmbDBNameChange(); }); });
  connect(cmbOwner, &QComboBox::currentIndexChanged, this, [this] { RunReported([this] { cmbOwnerSelect(); }); });
  connect(actRefresh, &QAction::triggered, this, [this] { RunReported([this] { Reload(this); }); });
  connect(actSelectFolder, &QAction::triggered, this, [this] { RunReported([this] { actSelectFolderExecute(); }); });
  connect(actExplan, &QAction::triggered, this, [this] { RunReported([this] { actExplanExecute(); }); });
  connect(actSQLCopy, &QAction::triggered, this, [this] { RunReported([this] { actSQLCopyExecute(); }); });
  connect(actOutput, &QAction::triggered, this, [this] { btnOutput->showMenu(); });
  connect(actExcel, &QAction::triggered, this, [this] { RunReported([this] { actExcelExecute(); }); });
  connect(actCopy, &QAction::triggered, this, [this] { RunReported([this] { actCopyExecute(); }); });
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });
  connect(lstCRUD, &QTreeWidget::itemDoubleClicked, this, [this] { RunReported([this] { actExplanExecute(); }); });
  connect(lstCRUD, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  UpdateActions();
}

std::string TfrmSQLCRUD::DataSource() const {
  return ConnectionWindow ? ConnectionWindow->Module().GetDataSourceName() : std::string();
}

void TfrmSQLCRUD::UpdateActions() {
  const bool selected = !lstCRUD->selectedItems().isEmpty();
  const bool rows = lstCRUD->topLevelItemCount() > 0;
  for (QAction* action : {actExplan, actSQLCopy}) action->setEnabled(selected);
  for (QAction* action : {actOutput, actExcel, actCopy}) action->setEnabled(rows);
}

std::string TfrmSQLCRUD::SelectedSQL() const {
  const QList<QTreeWidgetItem*> items = lstCRUD->selectedItems();
  return items.isEmpty() ? std::string() : items.front()->text(kSQLColumn).toStdString();
}

std::vector<TAccessRow> TfrmSQLCRUD::Rows() const {
  std::vector<TAccessRow> rows;
  for (int i = 0; i < lstCRUD->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = lstCRUD->topLevelItem(i);
    const auto text = [item](int column) { return item->text(column).toStdString(); };
    rows.push_back({text(0), text(1), text(2), text(3), text(4), text(kSQLColumn)});
  }
  return rows;
}

std::vector<TTableEntry> TfrmSQLCRUD::TableEntries() const {
  std::vector<TTableEntry> entries;
  for (int i = 0; i < lstTable->count(); ++i)
    entries.push_back({lstTable->item(i)->text().toStdString(), lstTable->item(i)->checkState() == Qt::Checked});
  return entries;
}

void TfrmSQLCRUD::cmbDBNameChange() {
  TovConnectionWindow* connection = ConnectionOfEntry(*cmbDBName, cmbDBName->currentIndex());
  if (!connection) return;
  SetConnectionWindow(connection);
  setWindowTitle(Q(TfrmAdmin::CaptionOf(kTitle, *connection)));
  SetTaskCaption(TfrmAdmin::LabelOf(*connection));
  std::vector<std::string> schemas;
  connection->GetSchemaList(schemas, false);
  {
    const QSignalBlocker blocker(cmbOwner);
    cmbOwner->clear();
    for (const std::string& schema : schemas) cmbOwner->addItem(Q(schema));
    cmbOwner->setCurrentIndex(cmbOwner->findText(Q(connection->Module().GetUserName())));
  }
  cmbOwnerSelect();
}

void TfrmSQLCRUD::cmbOwnerSelect() {
  const std::string owner = cmbOwner->currentText().toStdString();
  if (owner.empty() || !ConnectionWindow) return;
  std::vector<std::string> names;
  ConnectionWindow->GetObjectNames(names, owner, kTableKind);
  lstTable->clear();
  names.insert(names.begin(), kAllTablesEntry);
  for (size_t i = 0; i < names.size(); ++i) {
    auto* item = new QListWidgetItem(Q(names[i]), lstTable);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    // "*" alone starts ticked.
    item->setCheckState(i == 0 ? Qt::Checked : Qt::Unchecked);
  }
}

void TfrmSQLCRUD::DBChange(QObject* sender) {
  (void)sender;
  const QString remembered = cmbDBName->currentText();
  FillConnectionCombo(*cmbDBName, MainWindow());
  const int index = cmbDBName->findText(remembered);
  if (cmbDBName->count() == 0 || index < 0) {
    Frame()->close();
    return;
  }
  const QSignalBlocker blocker(cmbDBName);
  cmbDBName->setCurrentIndex(index);
}

void TfrmSQLCRUD::Reload(QObject* sender) {
  (void)sender;
  if (!ConnectionWindow) return;
  const std::vector<TTableEntry> entries = TableEntries();
  if (NoTableTicked(entries)) {
    MsgBox(kNoTableTicked, MB_ICONWARNING);
    return;
  }
  const std::optional<std::string> folder = ResolveTraceFolder(DataSource());
  if (!folder) return;
  const TSqlWaitCursor wait;
  const TObjectCountAgain countAgain;
  if (TovMainWindow* main = MainWindow()) main->ShowProgress(0, 0);
  lstCRUD->setUpdatesEnabled(false);
  lstCRUD->clear();
  const auto done = [this] {
    lstCRUD->setUpdatesEnabled(true);
    UpdateActions();
  };
  std::vector<TAccessRow> rows;
  try {
    const QDateTime threshold(dtpFromDate->date(), dtpFromTime->time());
    std::vector<TTracedStatement> statements;
    if (!ReadAccessFolder(*folder, threshold, chkPerseSQL->isChecked(), statements, AbortOnEscape)) {
      done();
      MsgBox(kNoTraceFiles, MB_ICONWARNING);
      return;
    }
    rows = BuildAccessMatrix(cmbOwner->currentText().toStdString(), ChosenTables(entries), statements);
  } catch (...) {
    done();
    throw;
  }
  for (const TAccessRow& row : rows) {
    auto* item = new QTreeWidgetItem(lstCRUD);
    const std::string texts[] = {row.Table, row.C, row.R, row.U, row.D, row.SQL};
    for (int c = 0; c < static_cast<int>(std::size(texts)); ++c) {
      item->setText(c, Q(texts[c]));
      if (c != kTableColumn && c != kSQLColumn) item->setTextAlignment(c, Qt::AlignCenter);
    }
  }
  lstCRUD->CustomSort();
  done();
}

void TfrmSQLCRUD::actSelectFolderExecute() {
  if (ConnectionWindow) SelectTraceFolder(DataSource());
}

void TfrmSQLCRUD::actExplanExecute() {
  const std::string sql = SelectedSQL();
  if (!sql.empty() && ConnectionWindow) ShowAccessPlan(*ConnectionWindow, sql);
}

void TfrmSQLCRUD::actSQLCopyExecute() {
  const std::string sql = SelectedSQL();
  if (!sql.empty()) QApplication::clipboard()->setText(Q(sql));
}

void TfrmSQLCRUD::actExcelExecute() { ReportToSpreadsheet(kReportKey, ListReportTable(*lstCRUD), MainWindow()); }

void TfrmSQLCRUD::actCopyExecute() { ReportToClipboard(ListReportTable(*lstCRUD), MainWindow()); }

void TfrmSQLCRUD::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }

void TfrmSQLCRUD::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }
