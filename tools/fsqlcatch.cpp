#include "tools/fsqlcatch.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/fmainactcore.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "admin/fadmin.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "sqlwork/fsql.h"
#include "sqlwork/ovconncombo.h"
#include "sqlwork/sqlactions.h"
#include "tools/core/fsqlcatchcore.h"
#include "tools/findexadviser.h"
#include "tools/tracelists.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovmenubar.h"
#include "ui/ovstdctl.h"
#include "ui/ovtoolbar.h"
#include "ui/zarurctl.h"

namespace {

constexpr char kTitle[] = "SQLキャッチ";
constexpr char kSizeKey[] = "SQLCATCH";
constexpr char kReportKey[] = "SQLCATCH";
constexpr int kHelpContext = 51200;
constexpr int kWindowImage = 105;
// The window's menu merges among the main window's in this group.
constexpr int kMenuGroup = 2;
constexpr int kDesignWidth = 760;
constexpr int kDesignHeight = 480;

constexpr TActionSpec kRefresh = {"表示(&V)", "表示|トレースファイルを読み込んで表示します。", 86};
constexpr TActionSpec kSelectFolder = {"トレースフォルダ選択", "トレースフォルダ選択|トレースファイル格納フォルダを選択します。",
                                       17};
constexpr char kSelectFolderButton[] = "選択(&S)";
constexpr TActionSpec kExplan = {"実行計画(&P)", "実行計画|SQL文の実行計画を表示します。", 89};
constexpr TActionSpec kSQLCopy = {"SQL文をコピー(&C)", "SQL文をコピー|SQL文をクリップボードにコピーします。", 21};
constexpr TActionSpec kOutput = {"出力(&P)", "出力|一覧を出力します。", 36};
constexpr TActionSpec kExcel = {"エクセル出力", "エクセル出力|一覧をExcelファイルに出力します。", 44};
constexpr TActionSpec kCopy = {"クリップボード出力", "クリップボード出力|一覧をクリップボードに出力します。", 21};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};
constexpr TActionSpec kIndexAdviser = {"インデックスアドバイザ(&I)",
                                       "インデックスアドバイザ|SQL文をインデックスアドバイザで解析します。", 118};

struct TTraceColumn {
  const char* Caption;
  int Width;  // 0: the rest
  const char* Hint;
};
constexpr TTraceColumn kColumns[] = {
    {"COUNT", 70, "実行回数|SQL を実行した回数を表示します。"},
    {"実行時間", 120, "実行時間|SQL を実行した時間を表示します。"},
    {"SQL", 0, "SQL文|SQL文を表示します。"},
};
constexpr int kSQLColumn = 2;

// The column whose edges hold x (a boundary belongs to the left column);
// -1 right of the last.
int ColumnAt(const QHeaderView& header, int x) {
  for (int i = 0; i < header.count(); ++i) {
    const int left = header.sectionViewportPosition(i);
    if (x >= left && x <= left + header.sectionSize(i)) return i;
  }
  return -1;
}

}  // namespace

TfrmSQLCatch* TfrmSQLCatch::Open(TovConnectionWindow& connection) {
  if (TfrmSQLCatch* open = BringForward<TfrmSQLCatch>(kTitle, connection)) return open;
  return new TfrmSQLCatch(connection);
}

TfrmSQLCatch::TfrmSQLCatch(TovConnectionWindow& connection) : TovForm(connection) {
  setObjectName("frmSQLCatch");
  SetDesignSize(kDesignWidth, kDesignHeight);
  SetHelpContext(kHelpContext);
  setupUi();
  CreateTaskButton();
  SetImageIndex(kWindowImage);
  setWindowIcon(imgMain().Icon(kWindowImage));
  dtpFromDate->setDate(QDate::currentDate());
  dtpFromTime->setTime(QTime(0, 0, 0));
  FillConnectionCombo(*cmbDBName, MainWindow(), connection.Window());
  cmbDBNameChange();
  // Asked once, when no folder is kept for the data source yet.
  if (TraceFolderOf(TrcOption.Path, DataSource()).empty()) RunReported([this] { actSelectFolderExecute(); });
  TaskButtonClick();
}

void TfrmSQLCatch::setupUi() {
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
  actIndexAdviser = MakeAction(this, kIndexAdviser);

  tolCmd = new QToolBar(this);
  tolCmd->setObjectName("tolCmd");
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  layout->addWidget(tolCmd);
  tolCmd->addAction(actRefresh);
  auto* btnSelect = new QToolButton(tolCmd);
  btnSelect->setDefaultAction(actSelectFolder);
  btnSelect->setText(QString::fromUtf8(kSelectFolderButton));
  btnSelect->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tolCmd->addWidget(btnSelect);
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
  for (QToolButton* button : {btnSelect, btnOutput}) button->setMinimumWidth(kTextButtonWidth);
  tolCmd->addWidget(new QLabel(QString::fromUtf8("\u3000データベース"), this));
  cmbDBName = new TovComboBox(this);
  cmbDBName->setObjectName("cmbDBName");
  cmbDBName->setEditable(false);
  tolCmd->addWidget(cmbDBName);

  auto* pnlDate = new QWidget(this);
  auto* dates = new QHBoxLayout(pnlDate);
  dates->addWidget(new QLabel(QString::fromUtf8("対象トレースファイル更新日時"), pnlDate));
  dtpFromDate = new QDateEdit(pnlDate);
  dtpFromDate->setObjectName("dtpFromDate");
  dtpFromDate->setDisplayFormat("yyyy/MM/dd");
  dtpFromTime = new QTimeEdit(pnlDate);
  dtpFromTime->setObjectName("dtpFromTime");
  dtpFromTime->setDisplayFormat("HH:mm:ss");
  dates->addWidget(dtpFromDate);
  dates->addWidget(dtpFromTime);
  dates->addWidget(new QLabel(QString::fromUtf8("( セッションの初回トレース開始またはセッション切断時刻 )"), pnlDate));
  chkSummary = new QCheckBox(QString::fromUtf8("同一SQLの結果をまとめる"), pnlDate);
  chkSummary->setObjectName("chkSummary");
  chkSummary->setChecked(true);
  dates->addWidget(chkSummary);
  dates->addStretch(1);
  layout->addWidget(pnlDate);

  auto* body = new QHBoxLayout;
  body->setSpacing(0);
  tolTrace = new QToolBar(this);
  tolTrace->setObjectName("tolTrace");
  tolTrace->setOrientation(Qt::Vertical);
  tolTrace->addAction(actExplan);
  tolTrace->addAction(actSQLCopy);
  body->addWidget(tolTrace);
  lstTrace = new TovListView(this);
  lstTrace->setObjectName("lstTrace");
  lstTrace->SetListStyle(false);
  lstTrace->SetRowSelect(true);
  lstTrace->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstTrace->setSelectionMode(QAbstractItemView::SingleSelection);
  lstTrace->setColumnCount(static_cast<int>(std::size(kColumns)));
  QStringList titles;
  for (const TTraceColumn& column : kColumns) titles << QString::fromUtf8(column.Caption);
  lstTrace->setHeaderLabels(titles);
  for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
    if (kColumns[i].Width > 0) lstTrace->setColumnWidth(i, kColumns[i].Width);
  lstTrace->header()->setStretchLastSection(true);
  lstTrace->setMouseTracking(true);
  lstTrace->viewport()->installEventFilter(this);
  lstTrace->setContextMenuPolicy(Qt::ActionsContextMenu);
  lstTrace->addAction(actExplan);
  lstTrace->addAction(actSQLCopy);
  lstTrace->addAction(actIndexAdviser);
  body->addWidget(lstTrace, 1);
  layout->addLayout(body, 1);

  mnuSQLCatch = new QMenu(QString::fromUtf8("SQLキャッチ(&O)"), this);
  mnuSQLCatch->addAction(actRefresh);
  mnuSQLCatch->addAction(actSelectFolder);
  mnuSQLCatch->addSeparator();
  mnuSQLCatch->addAction(actSQLCopy);
  mnuSQLCatch->addAction(actExplan);
  mnuSQLCatch->addAction(actIndexAdviser);
  SetMenuGroup(*mnuSQLCatch, kMenuGroup);

  connect(cmbDBName, &QComboBox::currentIndexChanged, this, [this] { RunReported([this] { cmbDBNameChange(); }); });
  connect(actRefresh, &QAction::triggered, this, [this] { RunReported([this] { Reload(this); }); });
  connect(actSelectFolder, &QAction::triggered, this, [this] { RunReported([this] { actSelectFolderExecute(); }); });
  connect(actExplan, &QAction::triggered, this, [this] { RunReported([this] { actExplanExecute(); }); });
  connect(actSQLCopy, &QAction::triggered, this, [this] { RunReported([this] { actSQLCopyExecute(); }); });
  connect(actIndexAdviser, &QAction::triggered, this, [this] { RunReported([this] { actIndexAdviserExecute(); }); });
  connect(actOutput, &QAction::triggered, this, [this] { btnOutput->showMenu(); });
  connect(actExcel, &QAction::triggered, this, [this] { RunReported([this] { actExcelExecute(); }); });
  connect(actCopy, &QAction::triggered, this, [this] { RunReported([this] { actCopyExecute(); }); });
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });
  connect(lstTrace, &QTreeWidget::itemDoubleClicked, this, [this] { RunReported([this] { actExplanExecute(); }); });
  connect(lstTrace, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  UpdateActions();
}

std::string TfrmSQLCatch::DataSource() const {
  return ConnectionWindow ? ConnectionWindow->Module().GetDataSourceName() : std::string();
}

void TfrmSQLCatch::UpdateActions() {
  const bool selected = !lstTrace->selectedItems().isEmpty();
  const bool rows = lstTrace->topLevelItemCount() > 0;
  for (QAction* action : {actExplan, actSQLCopy, actIndexAdviser}) action->setEnabled(selected);
  for (QAction* action : {actOutput, actExcel, actCopy}) action->setEnabled(rows);
}

std::string TfrmSQLCatch::SelectedSQL() const {
  const QList<QTreeWidgetItem*> items = lstTrace->selectedItems();
  return items.isEmpty() ? std::string() : items.front()->text(kSQLColumn).toStdString();
}

void TfrmSQLCatch::cmbDBNameChange() {
  TovConnectionWindow* connection = ConnectionOfEntry(*cmbDBName, cmbDBName->currentIndex());
  if (!connection) return;
  SetConnectionWindow(connection);
  setWindowTitle(Q(TfrmAdmin::CaptionOf(kTitle, *connection)));
  SetTaskCaption(TfrmAdmin::LabelOf(*connection));
}

void TfrmSQLCatch::DBChange(QObject* sender) {
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

void TfrmSQLCatch::Reload(QObject* sender) {
  (void)sender;
  if (!ConnectionWindow) return;
  const std::optional<std::string> folder = ResolveTraceFolder(DataSource());
  if (!folder) return;
  const TSqlWaitCursor wait;
  TovMainWindow* main = MainWindow();
  // The list is filled whole or shows what was added before Esc; the
  // count is rewritten however the reading ends.
  lstTrace->setUpdatesEnabled(false);
  lstTrace->clear();
  const auto done = [this, main] {
    lstTrace->setUpdatesEnabled(true);
    UpdateActions();
    if (main) main->ShowObjectCount();
  };
  try {
    if (main) main->ShowProgress(0, 0);
    const QDateTime threshold(dtpFromDate->date(), dtpFromTime->time());
    TTraceList list;
    if (!ReadTraceFolder(*folder, threshold, chkSummary->isChecked(), list, AbortOnEscape)) {
      done();
      MsgBox(kNoTraceFiles, MB_ICONWARNING);
      return;
    }
    for (int i = 0; i < list.Count(); ++i) {
      AbortOnEscape();
      const std::vector<std::string> row = TraceRow(list, i);
      auto* item = new QTreeWidgetItem(lstTrace);
      for (int c = 0; c < static_cast<int>(row.size()); ++c) item->setText(c, Q(row[static_cast<size_t>(c)]));
    }
    lstTrace->CustomSort();
  } catch (...) {
    done();
    throw;
  }
  done();
}

void TfrmSQLCatch::actSelectFolderExecute() {
  if (ConnectionWindow) SelectTraceFolder(DataSource());
}

void TfrmSQLCatch::actExplanExecute() {
  const std::string sql = SelectedSQL();
  if (sql.empty() || !ConnectionWindow) return;
  ShowAccessPlan(*ConnectionWindow, sql);
}

void TfrmSQLCatch::actIndexAdviserExecute() {
  const std::string sql = SelectedSQL();
  if (sql.empty() || !ConnectionWindow) return;
  TfrmIndexAdviser* adviser = TfrmIndexAdviser::Open(*ConnectionWindow);
  adviser->txtSQL->Lines().SetTextStr(sql);
  adviser->actExecExecute();
}

void TfrmSQLCatch::actSQLCopyExecute() {
  const std::string sql = SelectedSQL();
  if (!sql.empty()) QApplication::clipboard()->setText(Q(sql));
}

TReportTable TfrmSQLCatch::ListTable() const { return ListReportTable(*lstTrace); }

void TfrmSQLCatch::actExcelExecute() { ReportToSpreadsheet(kReportKey, ListTable(), MainWindow()); }

void TfrmSQLCatch::actCopyExecute() { ReportToClipboard(ListTable(), MainWindow()); }

bool TfrmSQLCatch::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lstTrace->viewport() && event->type() == QEvent::MouseMove) {
    const int column = ColumnAt(*lstTrace->header(), static_cast<QMouseEvent*>(event)->position().toPoint().x());
    if (column >= 0) {
      lstTrace->setToolTip(Q(ShortHint(kColumns[column].Hint)));
      lstTrace->setStatusTip(Q(LongHint(kColumns[column].Hint)));
    }
  }
  return TovForm::eventFilter(watched, event);
}

void TfrmSQLCatch::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }

void TfrmSQLCatch::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }
