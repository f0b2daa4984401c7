#include "sqlwork/fexecscr.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/ovmainwin.h"
#include "app/core/ovmsg.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "platform/textfile.h"
#include "sqlwork/ovconncombo.h"
#include "sqlwork/sqlactions.h"
#include "ui/core/rdatacore.h"
#include "ui/ovimages.h"
#include "ui/ovmenubar.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"
#include "ui/ovtoolbar.h"

namespace {

constexpr char kCaptionPrefix[] = "スクリプト実行 - ";
constexpr char kSizeKey[] = "EXECSCRIPT";
constexpr char kHeaderHeightValue[] = "HeaderHeight";
constexpr char kListWidthValue[] = "ListWidth";
constexpr char kTwoSelected[] = "同時に複数行を移動する事は出来ません。１行だけ選択して下さい。";
constexpr int kWindowImage = 11;
constexpr int kHelpContext = 30200;
constexpr int kScriptListMinWidth = 30;
constexpr int kFolderRows = 20;
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 480;
// The log's failed lines carry this mark word (row mark 1).
constexpr uint16_t kErrorMarkWord = 2;
// The entry's ran-cleanly flag.
constexpr int kRanCleanlyRole = Qt::UserRole;

constexpr TActionSpec kExec = {"実行(&E)", "実行|選択したスクリプトファイルを実行します。", 28};
constexpr TActionSpec kSelect = {"≪", "選択|選択中のスクリプトを実行予定リストに追加します。", kNoActionImage};
constexpr TActionSpec kUp = {"上に移動", "上に移動|選択したスクリプトファイルを上に移動します。", 35};
constexpr TActionSpec kDown = {"下に移動", "下に移動|選択したスクリプトファイルを下に移動します。", 36};
constexpr TActionSpec kDelete = {"削除", "削除|選択したスクリプトファイルを実行予定リストより削除します。", 41};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

}  // namespace

void ShowExecScript(TovConnectionWindow& connection) { new TfrmExecScript(connection); }

TfrmExecScript::TfrmExecScript(TovConnectionWindow& connection) : TovForm(connection) {
  setObjectName("frmExecScript");
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  SetImageIndex(kWindowImage);
  SetHelpContext(kHelpContext);
  setWindowIcon(imgMain().Icon(kWindowImage));
  CreateTaskButton();
  setAcceptDrops(true);
  AddQuery(&qryExec);
  txtLog->SetReadOnly(true);
  ShowCaretInStatusBar(*txtLog);
  // The log is plain text: every colour the font's, no bracket pairs.
  txtLog->View().Fountain().SetAllColor(txtLog->Font().Color);
  txtLog->View().Brackets().Clear();
  FillConnectionCombo(*cmbDBName, MainWindow());
  cmbDBName->setCurrentIndex(EntryOfWindow(*cmbDBName, connection.Window()));
  cmbDBNameChange();
  txtSeparator->setText(Q(AppOption.Separator));
  if (!AppOption.ScrExecDir.empty()) SetFolder(AppOption.ScrExecDir);
  UpdateActions();
  TaskButtonClick();
}

void TfrmExecScript::setupUi() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  actExec = MakeAction(this, kExec);
  actSelect = MakeAction(this, kSelect);
  actUp = MakeAction(this, kUp);
  actDown = MakeAction(this, kDown);
  actDelete = MakeAction(this, kDelete);
  actExit = MakeAction(this, kExit);

  // Shown in the main window's bar while this window is active.
  mnuMain = new QMenu("スクリプト実行(&O)", this);
  SetMenuGroup(*mnuMain, kWindowMenuGroup);
  mnuMain->addAction(actExec);

  tolCmd = new QToolBar(this);
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tolCmd->addActions({actExec, actUp, actDown, actDelete, actExit});
  SetTextButtonWidths(*tolCmd, {actExec, actUp, actDown, actDelete, actExit});
  pnlName = new QLabel(QString::fromUtf8("\u3000データベース"), this);
  cmbDBName = new TovComboBox(this);
  cmbDBName->setEditable(false);
  lblSeparator = new QLabel("区切り文字", this);
  txtSeparator = new TovStrEdit(this);
  for (QWidget* w : std::initializer_list<QWidget*>{pnlName, cmbDBName, lblSeparator, txtSeparator}) tolCmd->addWidget(w);
  layout->addWidget(tolCmd);

  splHeader = new QSplitter(Qt::Vertical, this);
  splHeader->setChildrenCollapsible(false);
  splList = new QSplitter(Qt::Horizontal, splHeader);
  splList->setChildrenCollapsible(false);
  lstScript = new TovListBox(splList);
  lstScript->setObjectName("lstScript");
  lstScript->setMinimumWidth(kScriptListMinWidth);
  lstScript->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstScript->installEventFilter(this);
  pnlFile = new QWidget(splList);
  auto* fileLayout = new QVBoxLayout(pnlFile);
  fileLayout->setContentsMargins(0, 0, 2, 2);
  auto* folderRow = new QHBoxLayout();
  btnSelect = new QToolButton(pnlFile);
  btnSelect->setDefaultAction(actSelect);
  lblFolder = new QLabel("ファイルの場所", pnlFile);
  cmbFolder = new QComboBox(pnlFile);
  cmbFolder->setEditable(true);
  cmbFolder->setMaxVisibleItems(kFolderRows);
  folderRow->addWidget(btnSelect);
  folderRow->addWidget(lblFolder);
  folderRow->addWidget(cmbFolder, 1);
  fileLayout->addLayout(folderRow);
  fileModel = new QFileSystemModel(this);
  fileModel->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot);
  fileModel->setRootPath(QDir::homePath());
  lstFile = new QTreeView(pnlFile);
  lstFile->setModel(fileModel);
  lstFile->setRootIndex(fileModel->index(QDir::homePath()));
  lstFile->setRootIsDecorated(false);
  lstFile->setItemsExpandable(false);
  // Sorted by the header's own directions, not the view's.
  lstFile->header()->setSectionsClickable(true);
  lstFile->header()->setSortIndicatorShown(true);
  lstFile->sortByColumn(0, Qt::AscendingOrder);
  lstFile->setSelectionMode(QAbstractItemView::ExtendedSelection);
  fileLayout->addWidget(lstFile, 1);
  cmbFolder->setEditText(QDir::homePath());
  txtLog = new TovMemo(splHeader);
  txtLog->setObjectName("txtLog");
  layout->addWidget(splHeader, 1);

  auto guarded = [this](QAction* action, void (TfrmExecScript::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  };
  guarded(actExec, &TfrmExecScript::actExecExecute);
  guarded(actSelect, &TfrmExecScript::actSelectExecute);
  guarded(actUp, &TfrmExecScript::actUpExecute);
  guarded(actDown, &TfrmExecScript::actDownExecute);
  guarded(actDelete, &TfrmExecScript::actDeleteExecute);
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });
  connect(cmbDBName, &QComboBox::activated, this, [this] { cmbDBNameChange(); });
  connect(cmbFolder, &QComboBox::textActivated, this, [this](const QString& text) { SetFolder(text.toStdString()); });
  connect(lstScript, &QListWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  connect(lstScript, &QListWidget::itemActivated, this, [this] { lstScriptOpen(); });
  connect(lstFile->header(), &QHeaderView::sectionClicked, this, [this](int column) { lstFileColumnClick(column); });
  connect(lstFile->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateActions(); });
  // A folder opens, a file joins the list.
  connect(lstFile, &QTreeView::activated, this, [this](const QModelIndex& index) {
    if (fileModel->isDir(index))
      SetFolder(fileModel->filePath(index).toStdString());
    else
      Guarded([this] { actSelectExecute(); });
  });
}

template <class F>
void TfrmExecScript::Guarded(F handler) {
  try {
    handler();
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
  }
}

// ---- the script list ----

std::vector<TScriptEntry> TfrmExecScript::Scripts() const {
  std::vector<TScriptEntry> entries;
  for (int i = 0; i < lstScript->count(); ++i)
    entries.push_back({lstScript->item(i)->text().toStdString(), lstScript->item(i)->data(kRanCleanlyRole).toBool()});
  return entries;
}

void TfrmExecScript::ShowScripts(const std::vector<TScriptEntry>& entries) {
  lstScript->clear();
  for (const TScriptEntry& entry : entries) {
    auto* item = new QListWidgetItem(Q(entry.Path), lstScript);
    item->setData(kRanCleanlyRole, entry.RanCleanly);
  }
  UpdateScrollRange();
  UpdateActions();
}

void TfrmExecScript::UpdateScrollRange() {
  std::vector<int> widths;
  const QFontMetrics metrics(lstScript->font());
  for (int i = 0; i < lstScript->count(); ++i) widths.push_back(metrics.horizontalAdvance(lstScript->item(i)->text()));
  lstScript->SetHorizontalExtent(ScriptListExtent(widths));
}

void TfrmExecScript::AddScripts(std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end());
  std::vector<TScriptEntry> entries = Scripts();
  for (std::string& path : paths) entries.push_back({std::move(path), false});
  ShowScripts(entries);
}

void TfrmExecScript::UpdateActions() {
  const int selected = static_cast<int>(lstScript->selectedItems().size());
  actExec->setEnabled(lstScript->count() > 0);
  actSelect->setEnabled(lstFile->selectionModel()->hasSelection());
  actUp->setEnabled(selected == 1);
  actDown->setEnabled(selected == 1);
  actDelete->setEnabled(selected > 0);
}

void TfrmExecScript::actSelectExecute() {
  std::vector<std::string> paths;
  for (const QModelIndex& index : lstFile->selectionModel()->selectedRows())
    if (!fileModel->isDir(index)) paths.push_back(fileModel->filePath(index).toStdString());
  AddScripts(paths);
}

void TfrmExecScript::MoveEntry(int step) {
  const QList<QListWidgetItem*> selected = lstScript->selectedItems();
  if (selected.size() > 1) {
    MsgBox(kTwoSelected, MB_ICONWARNING);
    return;
  }
  if (selected.isEmpty()) return;
  const int row = lstScript->row(selected.front());
  const int target = row + step;
  if (target < 0 || target >= lstScript->count()) return;
  QListWidgetItem* item = lstScript->takeItem(row);
  lstScript->insertItem(target, item);
  lstScript->setCurrentItem(item);
  item->setSelected(true);
}

void TfrmExecScript::actUpExecute() { MoveEntry(-1); }
void TfrmExecScript::actDownExecute() { MoveEntry(1); }

void TfrmExecScript::actDeleteExecute() {
  qDeleteAll(lstScript->selectedItems());
  UpdateScrollRange();
  UpdateActions();
}

void TfrmExecScript::lstScriptOpen() {
  for (QListWidgetItem* item : lstScript->selectedItems())
    QDesktopServices::openUrl(QUrl::fromLocalFile(item->text()));
}

bool TfrmExecScript::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lstScript && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Delete) {
      actDeleteExecute();
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      lstScriptOpen();
      return true;
    }
  }
  return TovForm::eventFilter(watched, event);
}

void TfrmExecScript::lstFileColumnClick(int column) {
  // One set of directions for every runner, as long as the program runs.
  static TSortDirections directions;
  lstFile->sortByColumn(column, directions.Next(column) ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TfrmExecScript::WMDropFiles(std::vector<std::string> fileNames) { AddScripts(std::move(fileNames)); }

void TfrmExecScript::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TfrmExecScript::dropEvent(QDropEvent* event) {
  // Paths are taken whole, however long.
  std::vector<std::string> names;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) names.push_back(url.toLocalFile().toStdString());
  event->acceptProposedAction();
  if (!names.empty()) WMDropFiles(names);
}

// ---- folders ----

void TfrmExecScript::SetFolder(const std::string& folder) {
  const QFileInfo info(Q(folder));
  if (!info.isDir()) return;
  const QString path = info.absoluteFilePath();
  fileModel->setRootPath(path);
  lstFile->setRootIndex(fileModel->index(path));
  // The folder with the folders above it, as the desktop's folder box
  // lists them.
  const QSignalBlocker blocker(cmbFolder);
  cmbFolder->clear();
  for (QDir dir(path);; ) {
    cmbFolder->addItem(dir.absolutePath());
    if (!dir.cdUp()) break;
  }
  cmbFolder->setCurrentIndex(0);
  UpdateActions();
}

std::string TfrmExecScript::Folder() const { return fileModel->rootPath().toStdString(); }

// ---- the run ----

void TfrmExecScript::actExecExecute() {
  if (lstScript->count() == 0) return;
  std::vector<TScriptEntry> entries = Scripts();
  struct TAfterRun {
    TfrmExecScript& form;
    ~TAfterRun() {
      form.waitCursor_.reset();
      if (TovMainWindow* main = form.MainWindow()) main->ShowObjectCount();
    }
  };
  bool ran = false;
  {
    const TAfterRun after{*this};
    ran = RunScriptList(*this, entries, txtSeparator->text().toStdString());
  }
  if (!ran) return;
  ShowScripts(entries);
  AppOption.ScrExecDir = Folder();
}

std::vector<std::string> TfrmExecScript::ReadScript(const std::string& path) {
  return StatementLines(platform::ReadTextFile(path));
}

void TfrmExecScript::ExecStatement(const std::string& text) {
  // The statement runs as written, in whatever transaction the connection
  // has: no values bound, nothing begun or ended here.
  qryExec.Close();
  qryExec.SetParamCheck(false);
  qryExec.ClearParameters();
  qryExec.SetSQL(text);
  qryExec.ExecSQL();
}

void TfrmExecScript::ClearLog() {
  // The run starts: the question is answered.
  waitCursor_.emplace();
  txtLog->Clear();
}

void TfrmExecScript::Log(const std::vector<std::string>& lines, bool errorMark) {
  const int first = txtLog->Lines().GetCount();
  for (const std::string& line : lines) txtLog->Lines().Add(line);
  if (errorMark) txtLog->PutRowMarks(first, kErrorMarkWord);
  txtLog->setFocus();
  txtLog->SetRowCol(std::max(0, txtLog->Lines().GetCount() - 1), 0);
}

bool TfrmExecScript::EscapePressed() { return IsEscapePressed(); }

void TfrmExecScript::Progress(int file, int files) {
  if (MainWindow()) MainWindow()->ShowProgress(file, files);
}

void TfrmExecScript::ReportError(const std::string& message) { MsgBox(message, MB_ICONERROR); }

// ---- connections ----

void TfrmExecScript::cmbDBNameChange() {
  TovConnectionWindow* connection = ConnectionOfEntry(*cmbDBName, cmbDBName->currentIndex());
  if (!connection) return;
  SetConnectionWindow(connection);
  // Closing the connection window closes its runners first.
  SetFormOwner(this, connection->Window());
  qryExec.SetConnection(&connection->Module().Connection);
  const std::string label = cmbDBName->currentText().toStdString();
  setWindowTitle(Q(kCaptionPrefix + label));
  SetTaskCaption(label);
}

void TfrmExecScript::DBChange(QObject* sender) {
  (void)sender;
  const QWidget* current = ConnectionWindow ? ConnectionWindow->Window() : nullptr;
  FillConnectionCombo(*cmbDBName, MainWindow());
  const int index = EntryOfWindow(*cmbDBName, current);
  if (index < 0) {
    Frame()->close();
    return;
  }
  const QSignalBlocker blocker(cmbDBName);
  cmbDBName->setCurrentIndex(index);
}

// ---- window ----

void TfrmExecScript::LoadWindowSize() {
  LoadWindowSizeFrom(kSizeKey);
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kSizeKey), true)) return;
  const int room = std::max(height() - tolCmd->height(), 0);
  const int header = std::max(AppRegistry.ReadIntegerDef(kHeaderHeightValue, height() / 2),
                              splList->minimumSizeHint().height());
  splHeader->setSizes({std::min(header, room), std::max(room - header, 0)});
  const int list = std::max(AppRegistry.ReadIntegerDef(kListWidthValue, width() / 2), kScriptListMinWidth);
  splList->setSizes({list, std::max(width() - list, 0)});
}

void TfrmExecScript::SaveWindowSize() {
  SaveWindowSizeTo(kSizeKey);
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kSizeKey), true)) return;
  AppRegistry.WriteInteger(kHeaderHeightValue, splList->height());
  AppRegistry.WriteInteger(kListWidthValue, lstScript->width());
}
