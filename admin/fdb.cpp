#include "admin/fdb.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPalette>
#include <QStyle>
#include <QPainter>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

#include "admin/core/admincore.h"
#include "app/core/ovoptions.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "platform/textfile.h"
#include "sqlwork/sqlactions.h"
#include "ui/ovcomctrls.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"

namespace {

constexpr char kTitle[] = "データベース情報";
constexpr int kWindowImage = 1;
constexpr int kFindImage = 23;
constexpr int kGroupImage = 72;
constexpr int kFileImage = 71;
constexpr int kDesignWidth = 680;
constexpr int kDesignHeight = 520;
constexpr int kGridColWidth = 312;
constexpr int kGridRowHeight = 17;
constexpr int kGridMargin = 4;
constexpr int kSetteiHeight = 50;
constexpr int kNameColumnWidth = 250;
constexpr int kValueColumnGap = 25;
constexpr int kLogNameWidth = 200;
constexpr int kLogSizeWidth = 110;
constexpr int kLogStateWidth = 70;
constexpr int kLogColumns = 4;
constexpr QColor kActiveColor = QColor(255, 0, 0);
constexpr char kActiveStatus[] = "ACTIVE";
constexpr char kNoFreeSize[] = "-----";
constexpr char kFileFilter[] = "すべてのファイル(*.*) (*)";

constexpr char kBufferMissing[] = "RDB情報ファイルが見つかりませんでした。";
constexpr char kConfigReadFailed[] = "RDB情報ファイルの読み込みに失敗しました。";
constexpr char kEnvReadFailed[] = "システムパラメタファイルの読み込みに失敗しました。";
constexpr char kLogReadFailed[] = "ログファイル情報の読み込みに失敗しました。";

constexpr char kParameterSQL[] =
    "SELECT PARAMETER_NAME, PARAMETER_VALUE FROM RDBII_SYSTEM.RDBII_SYS_PRM WITH OPTION LOCK_MODE(NO LOCK)";
constexpr char kLogFileSQL[] =
    "SELECT TRIM(LOG_GROUP_NAME), TRIM(TEMPORARY_LOG_STATUS), AI_LOG_PATH, AI_LOG_SIZE, FREE_AI_SIZE, BI_LOG_PATH, "
    "BI_LOG_SIZE, FREE_BI_SIZE, LOG_INDEX_PATH FROM RDBII_SYSTEM.RDBII_TEMP_LOG WITH OPTION LOCK_MODE(NO LOCK)";
enum TLogField { lfGroup, lfStatus, lfAiPath, lfAiSize, lfAiFree, lfBiPath, lfBiSize, lfBiFree, lfIndexPath };

constexpr TActionSpec kRefresh = {"最新(&R)", "最新|表示内容を最新の状態に変更します。", 16};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

const char* const kBufferLabels[] = {"共用バッファメモリ量(MB)"};
const char* const kCoreLabels[] = {"コアファイル出力フォルダ", "パフォーマンスデータ出力フォルダ",
                                   "レポートファイル出力フォルダ", "レポートファイル出力量(B)"};
const char* const kMemoryLabels[] = {"プロジェクトコード", "共用メモリ量(KB)", "デーモン多重度"};
const char* const kIOLabels[] = {"DBスペース割当リーダ・ライタ数", "NWファイルのDBスペース割当リーダ・ライタ数"};

// A grid without the focus draws its selected cells in its normal colours,
// so that the selection shows only in the grid being worked in.
void ShowSelection(TovStringGrid& grid, bool focused) {
  QPalette palette = grid.style()->standardPalette();
  if (!focused)
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
      palette.setColor(group, QPalette::Highlight, palette.color(group, QPalette::Base));
      palette.setColor(group, QPalette::HighlightedText, palette.color(group, QPalette::Text));
    }
  grid.setPalette(palette);
}

TovStringGrid* MakeGrid(QWidget* parent, int rows) {
  auto* grid = new TovStringGrid(parent);
  grid->SetColCount(2);
  grid->SetRowCount(rows);
  grid->SetFixedRows(0);
  grid->SetFixedCols(0);
  grid->horizontalHeader()->setDefaultSectionSize(kGridColWidth);
  grid->verticalHeader()->setDefaultSectionSize(kGridRowHeight);
  grid->setFixedHeight(rows * kGridRowHeight + kGridMargin);
  ShowSelection(*grid, false);
  return grid;
}

template <size_t N>
void WriteLabels(TovStringGrid& grid, const char* const (&labels)[N]) {
  for (size_t i = 0; i < N; ++i) grid.SetCells(0, static_cast<int>(i), labels[i]);
}

QToolButton* TextButton(QWidget* parent, const char* text) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  return button;
}

// A label, a path edit with its browse button and the button that reads it.
QWidget* FileRow(QWidget* parent, const char* label, TovStrEdit*& edit, QToolButton*& browse, QToolButton*& show) {
  auto* row = new QWidget(parent);
  auto* layout = new QGridLayout(row);
  layout->addWidget(new QLabel(label, row), 0, 0, 1, 3);
  edit = new TovStrEdit(row);
  browse = TextButton(row, "...");
  show = TextButton(row, "表示");
  layout->addWidget(edit, 1, 0);
  layout->addWidget(browse, 1, 1);
  layout->addWidget(show, 1, 2);
  return row;
}

TovTreeNode* AddLogNode(TovTreeView& tree, TovTreeNode* parent, const std::string& text, int image,
                        const std::vector<std::string>& subItems) {
  auto* node = parent ? new TovTreeNode(parent, QStringList{Q(text)}) : new TovTreeNode(&tree, QStringList{Q(text)});
  node->setIcon(0, imgMain().Icon(image));
  for (const std::string& sub : subItems) node->AddSubItem(Q(sub));
  return node;
}

}  // namespace

void TfrmDB::Open(TovConnectionWindow& connection) {
  if (BringForward<TfrmDB>(kTitle, connection)) return;
  new TfrmDB(connection);
}

TfrmDB::TfrmDB(TovConnectionWindow& connection) : TfrmAdmin(connection, kTitle) {
  setObjectName("frmDB");
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  CreateTaskButton();
  SetImageIndex(kWindowImage);
  setWindowIcon(imgMain().Icon(kWindowImage));
  AddQuery(&qryParameter);
  AddQuery(&qryLogFile);
  qryParameter.SetSQL(kParameterSQL);
  qryLogFile.SetSQL(kLogFileSQL);
  txtRdbFile->setText(Q(DbOption.RdbFile));
  txtSysFile->setText(Q(DbOption.SysFile));
  {
    const QSignalBlocker blocker(pagDB);
    pagDB->setCurrentWidget(tabGeneral);
  }
  StartOn(connection);
  TaskButtonClick();
}

void TfrmDB::setupUi() {
  actRefresh = MakeAction(this, kRefresh);
  actExit = MakeAction(this, kExit);
  connect(actRefresh, &QAction::triggered, this, [this] { RunReported([this] { Reload(this); }); });
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });
  for (QAction* action : {actRefresh, actExit}) AddToolAction(action);

  pagDB = new QTabWidget(this);
  pagDB->setObjectName("pagDB");
  tabGeneral = GeneralPage();
  tabParam = ParameterPage();
  tabLogFile = LogFilePage();
  pagDB->addTab(tabGeneral, "全般");
  pagDB->addTab(tabParam, "ｼｽﾃﾑﾊﾟﾗﾒｰﾀ");
  pagDB->addTab(tabLogFile, "ログファイル");
  connect(pagDB, &QTabWidget::currentChanged, this, [this] { RunReported([this] { Reload(this); }); });
  layout_->addWidget(pagDB, 1);

  const auto reload = [this] { RunReported([this] { Reload(this); }); };
  connect(btnRdbShow, &QToolButton::clicked, this, reload);
  connect(btnSysShow, &QToolButton::clicked, this, reload);
  connect(btnFind, &QToolButton::clicked, this, reload);
  connect(txtFind, &QLineEdit::returnPressed, this, reload);
  connect(btnRdbFile, &QToolButton::clicked, this, [this] { BrowseInto(*txtRdbFile); });
  connect(btnSysFile, &QToolButton::clicked, this, [this] { BrowseInto(*txtSysFile); });
}

QWidget* TfrmDB::GeneralPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(FileRow(page, "RDBシステム構成ファイル(cfgファイル)", txtRdbFile, btnRdbFile, btnRdbShow));
  const std::pair<const char*, TovStringGrid**> grids[] = {
      {"共用バッファ", &grdBuffer}, {"コア設定", &grdCore}, {"共用メモリ", &grdMemory}, {"I/O多重度", &grdIO}};
  const int rows[] = {std::size(kBufferLabels), std::size(kCoreLabels), std::size(kMemoryLabels),
                      std::size(kIOLabels)};
  for (size_t i = 0; i < std::size(grids); ++i) {
    layout->addWidget(new QLabel(grids[i].first, page));
    *grids[i].second = MakeGrid(page, rows[i]);
    (*grids[i].second)->installEventFilter(this);
    layout->addWidget(*grids[i].second);
  }
  layout->addStretch(1);
  return page;
}

QWidget* TfrmDB::ParameterPage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  pnlFind = new QWidget(page);
  auto* find = new QHBoxLayout(pnlFind);
  find->setContentsMargins(0, 0, 0, 0);
  txtFind = new TovStrEdit(pnlFind);
  txtFind->SetCharCase(ecUpperCase);
  txtFind->WantReturns = false;  // Enter searches
  btnFind = new QToolButton(pnlFind);
  btnFind->setIcon(imgMain().Icon(kFindImage));
  btnFind->setToolTip("検索");
  find->addWidget(txtFind, 1);
  find->addWidget(btnFind);
  layout->addWidget(pnlFind);
  pnlSettei = FileRow(page, "システム動作環境ファイル(ENVファイル)", txtSysFile, btnSysFile, btnSysShow);
  pnlSettei->setFixedHeight(kSetteiHeight);
  layout->addWidget(pnlSettei);
  lstParameter = new TovListView(page);
  lstParameter->setObjectName("lstParameter");
  SetupAdminList(*lstParameter, {{"パラメータ名", kNameColumnWidth, false}, {"値", 0, false}});
  lstParameter->installEventFilter(this);
  layout->addWidget(lstParameter, 1);
  return page;
}

QWidget* TfrmDB::LogFilePage() {
  auto* page = new QWidget(this);
  auto* layout = new QVBoxLayout(page);
  layout->setSpacing(0);
  logSections_ = new QStandardItemModel(0, kLogColumns, this);
  logSections_->setHorizontalHeaderLabels({"グループ／ファイル名", "サイズ(KB)", "空きサイズ(KB)", "LOG状態"});
  for (int section : {1, 2})
    logSections_->setHeaderData(section, Qt::Horizontal, int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
  hedLogFile = new QHeaderView(Qt::Horizontal, page);
  hedLogFile->setModel(logSections_);
  const int widths[] = {kLogNameWidth, kLogSizeWidth, kLogSizeWidth, kLogStateWidth};
  for (int i = 0; i < kLogColumns; ++i) hedLogFile->resizeSection(i, widths[i]);
  lstLogFile = new TovTreeView(page);
  lstLogFile->setObjectName("lstLogFile");
  lstLogFile->SetHeaderControl(hedLogFile);
  lstLogFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // An active log is drawn red, its columns with it.
  lstLogFile->OnCustomDrawSubItem = [](TovTreeView&, TovTreeNode& node, int, QStyle::State state, const QRect&,
                                       bool&, QPainter& painter) {
    if (!(state & QStyle::State_Selected) && node.SubItem(2) == kActiveStatus) painter.setPen(kActiveColor);
  };
  layout->addWidget(hedLogFile);
  layout->addWidget(lstLogFile, 1);
  return page;
}

void TfrmDB::Bind(TovConnectionWindow& connection) {
  qryParameter.SetConnection(&connection.Module().Connection);
  qryLogFile.SetConnection(&connection.Module().Connection);
}

void TfrmDB::BrowseInto(TovStrEdit& edit) {
  platform::FileRequest request;
  request.kind = platform::FileDialogKind::Open;
  const QFileInfo current(edit.text());
  request.directory = current.absolutePath().toStdString();
  request.fileName = edit.text().toStdString();
  request.filter = kFileFilter;
  if (const std::optional<std::string> path = platform::Dialogs().ShowFile(request)) edit.setText(Q(*path));
}

void TfrmDB::Reload(QObject* sender) {
  (void)sender;
  const TSqlWaitCursor cursor;
  ShowCaption();
  QWidget* page = pagDB->currentWidget();
  if (page == tabGeneral)
    ReloadGeneral();
  else if (page == tabParam)
    ReloadParameters();
  else if (page == tabLogFile)
    ReloadLogFiles();
  FormResize();
}

// ---- general page ----

void TfrmDB::ClearGeneralValues() {
  for (TovStringGrid* grid : {grdBuffer, grdCore, grdMemory, grdIO})
    for (int row = 0; row < grid->RowCount(); ++row) grid->SetCells(1, row, "");
}

void TfrmDB::ReloadGeneral() {
  const std::string path = txtRdbFile->text().toStdString();
  if (path.empty()) return;
  WriteLabels(*grdBuffer, kBufferLabels);
  WriteLabels(*grdCore, kCoreLabels);
  WriteLabels(*grdMemory, kMemoryLabels);
  WriteLabels(*grdIO, kIOLabels);
  ClearGeneralValues();
  // The value cell of each configuration key, in the keys' order.
  const std::pair<TovStringGrid*, int> cells[kConfigValueKeys] = {
      {grdCore, 0}, {grdCore, 1}, {grdCore, 2}, {grdCore, 3}, {grdMemory, 0},
      {grdMemory, 1}, {grdMemory, 2}, {grdIO, 0}, {grdIO, 1}};
  TRdbConfig config;
  try {
    config = ReadRdbConfig(path);
  } catch (const EDbInfoError& e) {
    MsgBox(e.what(), MB_ICONERROR);
    return;
  } catch (const std::exception&) {
    MsgBox(kConfigReadFailed, MB_ICONERROR);
    return;
  }
  DbOption.RdbFile = path;
  for (int k = 0; k < kConfigValueKeys; ++k) cells[k].first->SetCells(1, cells[k].second, config.Values[k]);
  if (config.BufferFile.empty() || !QFileInfo(Q(config.BufferFile)).isFile()) {
    MsgBox(kBufferMissing, MB_ICONERROR);
    return;
  }
  try {
    const long long kilobytes = BufferKilobytes(TextToList(platform::ReadTextFile(config.BufferFile)));
    grdBuffer->SetCells(1, 0, BufferMegabytes(kilobytes));
    ApplyConfigDefaults(config.Values, ConnectionWindow ? ConnectionWindow->Level() : kLastLevelWithoutViews);
    for (int k = 0; k < kConfigValueKeys; ++k) cells[k].first->SetCells(1, cells[k].second, config.Values[k]);
  } catch (const std::exception&) {
    MsgBox(kConfigReadFailed, MB_ICONERROR);
    ClearGeneralValues();
  }
}

// ---- system parameter page ----

void TfrmDB::ReloadParameters() {
  const bool catalogue = ConnectionWindow && HasInformationViews(ConnectionWindow->Level());
  pnlSettei->setVisible(!catalogue);
  const std::string find = txtFind->text().toStdString();
  lstParameter->setUpdatesEnabled(false);
  lstParameter->clear();
  const std::vector<TAdminColumn> columns = {{"", 0, false}, {"", 0, false}};
  try {
    if (catalogue) {
      qryParameter.Open();
      for (qryParameter.First(); !qryParameter.Eof(); qryParameter.Next()) {
        const std::string name = qryParameter.AsString(0);
        if (ParameterMatches(name, find)) AddAdminRow(*lstParameter, columns, {name, qryParameter.AsString(1)}, false);
      }
      qryParameter.Close();
    } else if (const std::string path = txtSysFile->text().toStdString(); !path.empty()) {
      try {
        for (const TParameter& parameter : ReadEnvFile(path, find))
          AddAdminRow(*lstParameter, columns, {parameter.Name, parameter.Value}, false);
        DbOption.SysFile = path;
      } catch (const EDbInfoError& e) {
        MsgBox(e.what(), MB_ICONERROR);
      } catch (const std::exception&) {
        MsgBox(kEnvReadFailed, MB_ICONERROR);
      }
    }
  } catch (...) {
    qryParameter.Close();
    lstParameter->setUpdatesEnabled(true);
    throw;
  }
  lstParameter->setUpdatesEnabled(true);
  lstParameter->CustomSort();
}

void TfrmDB::CopyParameter() {
  QTreeWidgetItem* item = lstParameter->currentItem();
  if (!item || !item->isSelected()) return;
  QApplication::clipboard()->setText(item->text(0) + "\t" + item->text(1));
}

bool TfrmDB::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
    for (TovStringGrid* grid : {grdBuffer, grdCore, grdMemory, grdIO})
      if (watched == grid) ShowSelection(*grid, event->type() == QEvent::FocusIn);
  const bool press = event->type() == QEvent::KeyPress;
  if (watched == lstParameter && (press || event->type() == QEvent::ShortcutOverride)) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_C && key->modifiers() == Qt::ControlModifier && lstParameter->currentItem() &&
        lstParameter->currentItem()->isSelected()) {
      // The row goes before any short-cut of the same key.
      event->accept();
      if (press) CopyParameter();
      return true;
    }
  }
  return TfrmAdmin::eventFilter(watched, event);
}

// ---- log file page ----

void TfrmDB::ReloadLogFiles() {
  lstLogFile->setUpdatesEnabled(false);
  lstLogFile->clear();
  try {
    if (ConnectionWindow && HasInformationViews(ConnectionWindow->Level()))
      LogFilesFromCatalogue();
    else
      LogFilesFromReport();
  } catch (...) {
    qryLogFile.Close();
    lstLogFile->setUpdatesEnabled(true);
    throw;
  }
  lstLogFile->setUpdatesEnabled(true);
}

void TfrmDB::LogFilesFromCatalogue() {
  qryLogFile.Open();
  for (qryLogFile.First(); !qryLogFile.Eof(); qryLogFile.Next()) {
    const std::string group = qryLogFile.AsString(lfGroup);
    const std::string status = qryLogFile.AsString(lfStatus);
    TovTreeNode* node = nullptr;
    for (int i = 0; i < lstLogFile->topLevelItemCount() && !node; ++i)
      if (lstLogFile->topLevelItem(i)->text(0).toStdString() == group)
        node = static_cast<TovTreeNode*>(lstLogFile->topLevelItem(i));
    if (!node) {
      node = AddLogNode(*lstLogFile, nullptr, group, kGroupImage, {"", "", status});
      if (status == kActiveStatus) node->setForeground(0, kActiveColor);
    }
    const auto kilobytes = [this](int field) {
      return CatalogueLogKilobytes(qryLogFile.Value(field).toDouble());
    };
    AddLogNode(*lstLogFile, node, qryLogFile.AsString(lfAiPath), kFileImage, {kilobytes(lfAiSize), kilobytes(lfAiFree), ""});
    AddLogNode(*lstLogFile, node, qryLogFile.AsString(lfBiPath), kFileImage, {kilobytes(lfBiSize), kilobytes(lfBiFree), ""});
    AddLogNode(*lstLogFile, node, qryLogFile.AsString(lfIndexPath), kFileImage, {"", "", ""});
    node->setExpanded(true);
    if (AppOption.Progress) lstLogFile->repaint();
  }
  qryLogFile.Close();
}

void TfrmDB::LogFilesFromReport() {
  CommitOpenTransaction();
  std::vector<std::string> lines;
  RunCommand(kLogCommand, lines, true);
  const TLogReport report = ParseLogReport(lines);
  if (!report.Found) {
    MsgBox(lines.empty() ? kLogReadFailed : ListToText(lines), MB_ICONERROR);
    return;
  }
  TovTreeNode* system = AddLogNode(*lstLogFile, nullptr, "system", kGroupImage, {"", "", report.Status});
  if (report.Status == kActiveStatus) system->setForeground(0, kActiveColor);
  for (const TLogFile& file : report.Files) AddLogNode(*lstLogFile, system, file.Path, kFileImage, {file.Size, kNoFreeSize, ""});
  if (!report.IndexPath.empty()) AddLogNode(*lstLogFile, system, report.IndexPath, kFileImage, {"", "", ""});
  system->setExpanded(true);
}

// ---- layout ----

void TfrmDB::resizeEvent(QResizeEvent* event) {
  TfrmAdmin::resizeEvent(event);
  FormResize();
}

void TfrmDB::FormResize() {
  if (pagDB->currentWidget() == tabParam)
    lstParameter->setColumnWidth(1, std::max(lstParameter->width() - lstParameter->columnWidth(0) - kValueColumnGap, 0));
  if (pagDB->currentWidget() == tabLogFile) {
    int others = 0;
    for (int i = 1; i < hedLogFile->count(); ++i) others += hedLogFile->sectionSize(i);
    hedLogFile->resizeSection(0, std::max(hedLogFile->width() - others, 0));
  }
}
