#include "sqlwork/fsql.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/fmainactcore.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "platform/textfile.h"
#include "sqlwork/core/fsqllogcore.h"
#include "sqlwork/fsqllog.h"
#include "sqlwork/ovconncombo.h"
#include "sqlwork/ovsqlbld.h"
#include "sqlwork/rexplan.h"
#include "sqlwork/sqlactions.h"
#include "ui/core/rdatacore.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"
#include "ui/ovmenubar.h"
#include "ui/ovstdctl.h"
#include "ui/ovtoolbar.h"
#include "ui/zarurctl.h"

namespace {

constexpr char kCaption[] = "SQL 実行";
constexpr char kLineBreak[] = "\r\n";
constexpr char kCaptionPrefix[] = "SQL 実行 - ";
constexpr char kSizeKey[] = "EXECSQL";
constexpr char kSQLHeightValue[] = "SQLHeight";
constexpr char kColWidthKey[] = "SQL";
constexpr char kDefaultScriptName[] = "Script.sql";
constexpr char kSavedMessage[] = "ファイルに出力しました。";
constexpr char kBinaryQuestion[] = "\nはテキストファイルではないようです。テキストとして開きますか？";
// The reading's progress counts kilobytes.
constexpr int64_t kProgressUnit = 1024;
constexpr char kPlanCaption[] = "実行計画";
constexpr char kPlanHint[] = "実行計画|実行計画を表示します。";
constexpr int kWindowImage = 10;
constexpr int kHelpContext = 30100;
constexpr int kSQLPanelMinHeight = 30;
// The window's design size: an editor and a result page of a few rows each.
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 480;
// The editor keeps three quarters of the room under the tool bar.
constexpr int kHeightQuarters = 4;
constexpr int kSQLQuarters = 3;
// The bind-variable grid takes a third of the editor panel.
constexpr int kParamGridShare = 3;
constexpr int kNameColumn = 0;
constexpr int kValueColumn = 1;

constexpr TActionSpec kExec = {"実行(&E)",
                               "入力したSQL文を実行します。|入力したSQL文を実行します。"
                               "複数のSQLを実行する場合は/(スラッシュ)行で区切ります。",
                               28};
constexpr TActionSpec kPrev = {"前(&P)", "前の履歴を表示します。|前の履歴を表示します。", 29};
constexpr TActionSpec kNext = {"次(&N)", "次の履歴を表示します。|次の履歴を表示します。", 30};
constexpr TActionSpec kLog = {"履歴(&L)",
                              "過去に実行したSQL文を一覧表示します。|過去に実行したSQL文を一覧表示します。", 86};
constexpr TActionSpec kOpen = {"開く(&O)", "開く|SQLスクリプトファイルを開きます。", 17};
constexpr TActionSpec kSave = {"保存(&S)", "保存|入力したSQL文をスクリプトファイルとして保存します。", 18};
constexpr TActionSpec kExit = {"終了(&X)", "画面を閉じます。|画面を閉じます。", 42};

// Offset of the name cells' texts from the cell's left and top.
constexpr int kNameCellMargin = 2;

// The name cells of the bind-variable grid look like buttons and are never
// typed into.
class TParamNameDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    painter->fillRect(option.rect, option.palette.button());
    painter->setPen(option.palette.color(QPalette::WindowText));
    painter->drawText(option.rect.adjusted(kNameCellMargin, kNameCellMargin, 0, 0), Qt::AlignLeft | Qt::AlignTop,
                      index.data(Qt::DisplayRole).toString());
  }
  QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override { return nullptr; }
};

int KiloBytes(int64_t bytes) { return static_cast<int>(bytes / kProgressUnit); }

}  // namespace

TfrmSQL::TfrmSQL(TovConnectionWindow& connection) : TovForm(connection) {
  setObjectName("frmSQL");
  setWindowTitle(QString::fromUtf8(kCaption));
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  SetImageIndex(kWindowImage);
  SetHelpContext(kHelpContext);
  setWindowIcon(imgMain().Icon(kWindowImage));
  CreateTaskButton();
  setAcceptDrops(true);
  fraData->ColWidthKey = kColWidthKey;
  AddQuery(&qrySQL);
  FillConnections();
  if (const int entry = EntryOfWindow(*cmbDBName, connection.Window()); entry >= 0) cmbDBName->setCurrentIndex(entry);
  cmbDBNameSelect();
  txtSeparater->setText(Q(AppOption.Separator));
  actExecUpdate();
  actSaveUpdate();
  TaskButtonClick();
  txtSQL->setFocus();
}

void TfrmSQL::setupUi() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  actExec = MakeAction(this, kExec);
  actPrev = MakeAction(this, kPrev);
  actNext = MakeAction(this, kNext);
  actLog = MakeAction(this, kLog);
  actOpen = MakeAction(this, kOpen);
  actSave = MakeAction(this, kSave);
  actExit = MakeAction(this, kExit);

  // Shown in the main window's bar while this window is active.
  mnuMain = new QMenu("SQL実行(&O)", this);
  SetMenuGroup(*mnuMain, kWindowMenuGroup);
  mnuMain->addAction(actExec);
  mnuMain->addSeparator();
  mnuMain->addActions({actPrev, actNext, actLog});
  mnuMain->addSeparator();
  mnuMain->addActions({actOpen, actSave});

  tolCmd = new QToolBar(this);
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tolCmd->addActions({actExec, actPrev, actNext, actLog, actExit});
  SetTextButtonWidths(*tolCmd, {actExec, actPrev, actNext, actLog, actExit});
  btnExplan = new QToolButton(tolCmd);
  btnExplan->setText(QString::fromUtf8(kPlanCaption));
  btnExplan->setCheckable(true);
  btnExplan->setToolTip(Q(ShortHint(kPlanHint)));
  btnExplan->setStatusTip(Q(LongHint(kPlanHint)));
  btnExplan->setMinimumWidth(kTextButtonWidth);
  tolCmd->addWidget(btnExplan);
  tolCmd->addSeparator();
  for (QAction* action : {actOpen, actSave}) {
    tolCmd->addAction(action);
    if (auto* button = qobject_cast<QToolButton*>(tolCmd->widgetForAction(action)))
      button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  }
  pnlName = new QLabel(QString::fromUtf8("\u3000データベース"), this);
  cmbDBName = new TovComboBox(this);
  cmbDBName->setEditable(false);
  lblSeparater = new QLabel("区切り文字", this);
  txtSeparater = new TovStrEdit(this);
  txtSeparater->SetCharCase(ecUpperCase);
  tolCmd->addWidget(pnlName);
  tolCmd->addWidget(cmbDBName);
  tolCmd->addWidget(lblSeparater);
  tolCmd->addWidget(txtSeparater);
  layout->addWidget(tolCmd);

  splSQL = new QSplitter(Qt::Vertical, this);
  splSQL->setChildrenCollapsible(false);
  pnlSQL = new QWidget(splSQL);
  pnlSQL->setMinimumHeight(kSQLPanelMinHeight);
  auto* sqlLayout = new QHBoxLayout(pnlSQL);
  sqlLayout->setContentsMargins(0, 0, 0, 0);
  splParam = new QSplitter(Qt::Horizontal, pnlSQL);
  txtSQL = new TovMemo(splParam);
  ShowCaretInStatusBar(*txtSQL);
  grdParam = new TovStringGrid(splParam);
  grdParam->SetColCount(2);
  grdParam->SetRowCount(2);
  grdParam->SetFixedRows(1);
  grdParam->SetFixedCols(0);
  grdParam->hide();
  sqlLayout->addWidget(setupBuilder(splParam));
  pagData = new QTabWidget(splSQL);
  tabData = new QWidget();
  auto* dataLayout = new QVBoxLayout(tabData);
  dataLayout->setContentsMargins(0, 0, 0, 0);
  fraData = new TfraData(*this, Connection(), tabData);
  dataLayout->addWidget(fraData);
  pagData->addTab(tabData, QString::fromUtf8(kResultPageCaption));
  pagExplan = new QTabWidget(splSQL);
  tabExplan = new QWidget();
  auto* explanLayout = new QVBoxLayout(tabExplan);
  explanLayout->setContentsMargins(0, 0, 0, 0);
  fraExplan = new TfraExplan(*this, tabExplan);
  explanLayout->addWidget(fraExplan);
  pagExplan->addTab(tabExplan, QString::fromUtf8(kPlanCaption));
  pagExplan->hide();
  splSQL->addWidget(pnlSQL);
  splSQL->addWidget(pagData);
  splSQL->addWidget(pagExplan);
  layout->addWidget(splSQL, 1);

  const auto guarded = [this](QAction* action, void (TfrmSQL::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  };
  connect(actExec, &QAction::triggered, this, [this] { Guarded([this] { actExecExecute(nullptr); }); });
  guarded(actPrev, &TfrmSQL::actPrevExecute);
  guarded(actNext, &TfrmSQL::actNextExecute);
  guarded(actLog, &TfrmSQL::actLogExecute);
  guarded(actOpen, &TfrmSQL::actOpenExecute);
  guarded(actSave, &TfrmSQL::actSaveExecute);
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });
  connect(cmbDBName, &QComboBox::activated, this, [this] { cmbDBNameSelect(); });
  connect(btnExplan, &QToolButton::toggled, this, [this] { btnExplanClick(); });
  txtSQL->OnTextChange = [this] {
    actExecUpdate();
    actSaveUpdate();
    SQLDesign->UpdateEnabled();
  };
  // Only the value column is typed into.
  grdParam->setItemDelegateForColumn(kNameColumn, new TParamNameDelegate(grdParam));
  connect(grdParam->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
    grdParam->setEditTriggers(current.column() == kValueColumn ? QAbstractItemView::AllEditTriggers
                                                               : QAbstractItemView::NoEditTriggers);
  });
}

TovSQLConnection* TfrmSQL::Connection() const {
  return ConnectionWindow ? &ConnectionWindow->Module().Connection : nullptr;
}

std::vector<std::string> TfrmSQL::EditorLines() const {
  std::vector<std::string> lines;
  const TEditorStrings& editorLines = txtSQL->Lines();
  for (int i = 0; i < editorLines.GetCount(); ++i) lines.push_back(editorLines.Get(i));
  return lines;
}

// ---- the run ----

void TfrmSQL::actExecExecute(QObject* sender) {
  (void)sender;
  // The tab bar stays hidden while the run adds pages: a hidden bar skips
  // the scroll, repaint and geometry update that each page brings. The
  // run's tabs too stay hidden until it ends (AddResultPage).
  struct TAfterRun {
    TovMemo& editor;
    QTabBar& tabs;
    bool tabsHidden;  // hidden by itself, not by a window not yet shown
    ~TAfterRun() {
      for (int i = 1; i < tabs.count(); ++i) tabs.setTabVisible(i, true);
      tabs.setHidden(tabsHidden);
      editor.CloseCodeAssist();
    }
  } after{*txtSQL, *pagData->tabBar(), pagData->tabBar()->isHidden()};
  after.tabs.hide();
  TSqlWaitCursor wait;
  // The whole text goes into the history, also when a selection runs.
  if (txtSQL->Modified() && AppOption.SQLBuf > 0) {
    RecordSQLLog(EditorLines());
    LogIndex = 0;
  }
  txtSQL->SetModified(false);
  const std::string selected = txtSQL->SelText();
  // A selection's lines are counted from the editor row it starts on.
  runFirstRow_ = 0;
  if (AppOption.UsePartial && !selected.empty()) {
    const std::string before = txtSQL->Text().substr(0, static_cast<size_t>(txtSQL->SelStart()));
    for (size_t at = before.find(kLineBreak); at != std::string::npos; at = before.find(kLineBreak, at + 2))
      ++runFirstRow_;
  }
  Runner.Run(ExecutedLines(EditorLines(), selected, AppOption.UsePartial), txtSeparater->text().toStdString(),
             btnExplan->isChecked() ? static_cast<TPlanFramePort*>(this) : nullptr);
}

void TfrmSQL::btnExplanClick() {
  // The plan page takes the results' place and room.
  QList<int> sizes = splSQL->sizes();
  const bool plan = btnExplan->isChecked();
  pagData->setVisible(!plan);
  pagExplan->setVisible(plan);
  if (sizes.size() > 2) {
    std::swap(sizes[1], sizes[2]);
    splSQL->setSizes(sizes);
  }
  txtSQL->CloseCodeAssist();
}

std::vector<std::string> TfrmSQL::SetPlanSQL(const std::string& text) {
  fraExplan->SetSQL(text);
  std::vector<std::string> names;
  for (const TovParameter& parameter : fraExplan->qryData.Parameters()) names.push_back(parameter.Name);
  return names;
}

void TfrmSQL::ExecutePlan() {
  try {
    fraExplan->Execute();
  } catch (const EAbort&) {
  }
}

void TfrmSQL::actExecUpdate() { actExec->setEnabled(ExecEnabled(txtSQL->Text())); }

TTransactionPort& TfrmSQL::Transactions() {
  if (!ConnectionWindow) throw EDatabaseError(kNotConnected);
  return transactions_.emplace(ConnectionWindow->Module().Connection);
}

void TfrmSQL::DiscardResults() {
  for (const QPointer<TfraData>& frame : ResultFrames)
    if (frame && frame != fraData) delete frame.data();
  ResultFrames.clear();
  spare_ = nullptr;
  current_ = nullptr;
  // The bar measures its shown tabs at each removal; hidden ones it skips.
  // The first page is made current first: hiding the current tab would
  // show, and so build, the page after it.
  pagData->setCurrentIndex(0);
  QTabBar& tabs = *pagData->tabBar();
  for (int i = 1; i < tabs.count(); ++i) tabs.setTabVisible(i, false);
  while (pagData->count() > 1) {
    QWidget* page = pagData->widget(pagData->count() - 1);
    pagData->removeTab(pagData->count() - 1);
    delete page;
  }
}

std::vector<std::string> TfrmSQL::PrepareStatement(int index, bool ownFrame, const std::string& text,
                                                   bool paramCheck) {
  TfraData* frame = fraData;
  if (!ownFrame) {
    // A statement without a result set leaves its frame to the next one:
    // only results make frames, and a frame makes its widgets when its
    // page is first shown.
    if (!spare_) {
      spare_ = new TfraData(*this, Connection(), this, TfraData::TBuild::WhenShown);
      spare_->hide();
      spare_->ColWidthKey = kColWidthKey;
      if (spare_->VerticalShown != fraData->VerticalShown) spare_->btnGridTypeClick();
      ResultFrames.push_back(spare_);
    }
    frame = spare_;
    frame->setObjectName(QString("fraData%1").arg(index));
  }
  current_ = frame;
  frame->cdsData.Close();
  frame->qryDataAfterOpenClose();
  frame->qryData.Close();
  frame->qryData.ClearParameters();
  frame->qryData.SetParamCheck(paramCheck);
  frame->qryData.SetSQL(text);
  std::vector<std::string> names;
  for (const TovParameter& parameter : frame->qryData.Parameters()) names.push_back(parameter.Name);
  return names;
}

void TfrmSQL::BindValues(const std::vector<std::string>& values) {
  // A plan run has no statement frame; its values go to the plan's query.
  std::vector<TovParameter>& parameters = (current_ ? current_->qryData : fraExplan->qryData).Parameters();
  for (size_t i = 0; i < parameters.size() && i < values.size(); ++i) parameters[i].Value = Q(values[i]);
}

void TfrmSQL::OpenResult(const std::string& text) {
  current_->SetSQL(text);
  current_->SetEditing(!current_->cdsData.ReadOnly && current_->UpdateMode());
  current_->OpenData();
}

void TfrmSQL::AddResultPage(const std::string& caption) {
  auto* page = new QWidget();
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  // The page joins the window before the frame moves in: a move within one
  // window leaves the window's focus chain as it is, a move out walks it all.
  const int tab = pagData->addTab(page, Q(caption));
  // Each new tab makes the bar measure all its shown tabs again; the run's
  // tabs show when it ends, measured once.
  pagData->tabBar()->setTabVisible(tab, false);
  layout->addWidget(current_);
  current_->show();
  if (current_ == spare_) spare_ = nullptr;
}

int TfrmSQL::ExecStatement() {
  current_->SetSQL("");
  return current_->qryData.ExecSQL();
}

void TfrmSQL::FinishStatement() {
  if (current_->cdsData.ReadOnly) current_->SetUpdateMode(false);
}

void TfrmSQL::ShowErrorPosition(int firstLine, int lastLine, const std::string& message) {
  txtSQL->setFocus();
  TovForm::ShowErrorPosition(*txtSQL, qrySQL, firstLine + runFirstRow_, lastLine + runFirstRow_, message);
}

void TfrmSQL::SetStatusText(const std::string& text) {
  if (MainWindow()) MainWindow()->SetStatusText(kStatusMessagePanel, text);
}

TParamGrid TfrmSQL::ParamGrid() const {
  TParamGrid grid;
  grid.Visible = !grdParam->isHidden();
  for (int row = 1; row < grdParam->RowCount(); ++row) {
    grid.Names.push_back(grdParam->Cells(kNameColumn, row));
    grid.Values.push_back(grdParam->Cells(kValueColumn, row));
  }
  return grid;
}

void TfrmSQL::ShowParamGrid(const TParamGrid& grid) {
  if (!grid.Visible) {
    grdParam->hide();
    return;
  }
  // Shown before it is sized and focused: a hidden grid has no width, and
  // bringing the value cell into view there scrolls its titles away.
  if (grdParam->isHidden()) {
    grdParam->show();
    const int width = pnlSQL->width() / kParamGridShare;
    splParam->setSizes({pnlSQL->width() - width, width});
    grdParam->setColumnWidth(kValueColumn, width - grdParam->columnWidth(kNameColumn) - 1);
  }
  grdParam->SetRowCount(static_cast<int>(grid.Names.size()) + 1);
  grdParam->SetCells(kNameColumn, 0, kBindNameCaption);
  grdParam->SetCells(kValueColumn, 0, kBindValueCaption);
  for (size_t r = 0; r < grid.Names.size(); ++r) {
    grdParam->SetCells(kNameColumn, static_cast<int>(r) + 1, grid.Names[r]);
    grdParam->SetCells(kValueColumn, static_cast<int>(r) + 1, grid.Values[r]);
  }
  grdParam->SetFixedRows(1);
  grdParam->FocusCell(kValueColumn, 1);
}

int TfrmSQL::LastLineIndex() const { return txtSQL->Lines().GetCount() - 1; }

// ---- history ----

void TfrmSQL::LoadLogEntry(int index) {
  TSqlWaitCursor wait;
  txtSQL->Clear();
  txtSQL->Lines().Assign(ReadSQLLogEntry(index));
  // An entry run unchanged is not recorded again.
  txtSQL->SetModified(false);
  txtSQL->GetUndoObj().Clear();
  txtSQL->SetRow(0);
  txtSQL->SetCol(0);
  RebuildDesign();
}

void TfrmSQL::actPrevExecute() {
  const int index = PrevLogIndex(LogIndex, static_cast<int>(SQLLogFiles.size()));
  if (index != LogIndex) {
    LogIndex = index;
    LoadLogEntry(index);
  }
  txtSQL->CloseCodeAssist();
}

void TfrmSQL::actNextExecute() {
  const int index = NextLogIndex(LogIndex, static_cast<int>(SQLLogFiles.size()));
  if (index != LogIndex) {
    LogIndex = index;
    // Past the newest entry the editor is left empty.
    if (index >= 0)
      LoadLogEntry(index);
    else
      txtSQL->Clear();
  }
  txtSQL->CloseCodeAssist();
}

void TfrmSQL::actLogExecute() {
  const int index = ShowSQLLog(this);
  if (index < 0) return;
  LogIndex = index;
  LoadLogEntry(index);
}

// ---- files ----

// A file that looks binary is read only when the user says so; Esc stops
// the reading, and the files read before stay in the editor.
void TfrmSQL::LoadFiles(std::vector<std::string> fileNames) {
  std::sort(fileNames.begin(), fileNames.end());
  txtSQL->Clear();
  std::vector<std::string> lines;
  TProgressPace pace;
  bool shown = false;
  const auto progress = [&](int64_t done, int64_t total) {
    if (!pace.Due()) return true;
    if (MainWindow()) MainWindow()->ShowProgress(KiloBytes(done), KiloBytes(total));
    shown = true;
    return !IsEscapePressed();
  };
  const auto clearProgress = [&] {
    if (shown) SetStatusText("");
  };
  try {
    for (const std::string& name : fileNames) {
      constexpr int kAskFlags = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
      if (platform::StartsAsBinary(name) && MsgBox(name + kBinaryQuestion, kAskFlags) != IDYES) continue;
      const std::optional<std::string> text = platform::ReadTextFile(name, progress);
      if (!text) break;
      for (std::string& line : StatementLines(*text)) lines.push_back(std::move(line));
      txtSQL->Lines().Assign(lines);
      txtSQL->GetUndoObj().Clear();
      txtSQL->SetRow(0);
      txtSQL->SetCol(0);
    }
  } catch (...) {
    clearProgress();
    throw;
  }
  clearProgress();
  RebuildDesign();
}

void TfrmSQL::actOpenExecute() {
  const platform::FileRequest request{platform::FileDialogKind::Open, "", "", "", kSQLFileFilter};
  const std::vector<std::string> names = platform::Dialogs().ShowFiles(request);
  if (!names.empty()) LoadFiles(names);
}

void TfrmSQL::WMDropFiles(const std::vector<std::string>& fileNames) { LoadFiles(fileNames); }

void TfrmSQL::actSaveExecute() {
  const platform::FileRequest request{platform::FileDialogKind::Save, "", "", kDefaultScriptName, kSQLFileFilter};
  const std::optional<std::string> name = platform::Dialogs().ShowFile(request);
  if (!name) return;
  txtSQL->Lines().SaveToFile(*name);
  MsgBox(kSavedMessage, MB_ICONINFORMATION);
}

void TfrmSQL::actSaveUpdate() { actSave->setEnabled(!txtSQL->Text().empty()); }

void TfrmSQL::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TfrmSQL::dropEvent(QDropEvent* event) {
  std::vector<std::string> names;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) names.push_back(url.toLocalFile().toStdString());
  event->acceptProposedAction();
  if (!names.empty()) Guarded([&] { WMDropFiles(names); });
}

// ---- connections ----

void TfrmSQL::FillConnections() { FillConnectionCombo(*cmbDBName, MainWindow()); }

void TfrmSQL::cmbDBNameSelect() {
  const int index = cmbDBName->currentIndex();
  if (index < 0) return;
  TovConnectionWindow* connection = ConnectionOfEntry(*cmbDBName, index);
  if (!connection) return;
  SetConnectionWindow(connection);
  // Closing the connection window closes its SQL windows first.
  SetFormOwner(this, connection->Window());
  // The plan tool runs on the local server only.
  btnExplan->setEnabled(!connection->IsRemote());
  if (connection->IsRemote()) btnExplan->setChecked(false);
  TovSQLConnection* sql = &connection->Module().Connection;
  SQLDesign->SetConnection(connection);
  fraData->SetConnection(sql);
  for (const QPointer<TfraData>& frame : ResultFrames)
    if (frame && frame != fraData) frame->SetConnection(sql);
  const std::string label = cmbDBName->itemText(index).toStdString();
  setWindowTitle(Q(kCaptionPrefix + label));
  SetTaskCaption(label);
}

// The window follows its connection window itself, not the entry's text:
// two logons of one user to one data source share a label.
void TfrmSQL::DBChange(QObject* sender) {
  (void)sender;
  TovConnectionWindow* current = ConnectionOfEntry(*cmbDBName, cmbDBName->currentIndex());
  FillConnections();
  const int index = current ? EntryOfWindow(*cmbDBName, current->Window()) : -1;
  if (index < 0) {
    Frame()->close();
    return;
  }
  const QSignalBlocker blocker(cmbDBName);
  cmbDBName->setCurrentIndex(index);
}

// ---- window ----

bool TfrmSQL::CloseQuery() {
  fraData->grdData1->SetDataSet(nullptr);
  fraData->grdData2->SetDataSet(nullptr);
  SetStatusText("");
  return TovForm::CloseQuery();
}

void TfrmSQL::LoadWindowSize() {
  LoadWindowSizeFrom(kSizeKey);
  platform::KeyScope key(AppRegistry);
  if (AppRegistry.OpenKey(GuiKey(kSizeKey), true)) {
    const int room = std::max(height() - tolCmd->height(), 0);
    const int quarter = room / kHeightQuarters;
    // A height stored from a squeezed window would leave the editor no rows.
    const int least = std::max(pnlSQL->minimumSizeHint().height(), kSQLPanelMinHeight);
    int sqlHeight = AppRegistry.ReadIntegerDef(kSQLHeightValue, kSQLQuarters * quarter);
    if (sqlHeight <= least) sqlHeight = kSQLQuarters * quarter;
    sqlHeight = std::min(sqlHeight, room);
    splSQL->setSizes({sqlHeight, room - sqlHeight});
    LoadBuildSize(sqlHeight);
  }
  grdParam->hide();
}

void TfrmSQL::SaveWindowSize() {
  SaveWindowSizeTo(kSizeKey);
  platform::KeyScope key(AppRegistry);
  if (AppRegistry.OpenKey(GuiKey(kSizeKey), true)) {
    AppRegistry.WriteInteger(kSQLHeightValue, pnlSQL->height());
    SaveBuildSize();
  }
}

void TfrmSQL::CodeAssist(int x, int y) { CodeAssistFor(*txtSQL, qrySQL, x, y); }
