// The connection window's commands: its menu "オブジェクトリスト(&O)", the
// tree pop-up, the short-cuts taken over from the main window and the
// handlers of the tree, the list and the find box. The rules they follow
// are fobjcmdcore's; this half gathers the window's state and shows results.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <set>
#include <stdexcept>
#include <sstream>

#include "app/core/fmainactcore.h"
#include "app/core/ovddlhooks.h"
#include "app/core/ovatexit.h"
#include "app/core/ovkinds.h"
#include "app/core/ovdoc.h"
#include "app/core/ovmsg.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovshortcut.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/workspacecore.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "app/fobject.h"
#include "app/fobjtree.h"
#include "app/ovforms.h"
#include "platform/qstr.h"
#include "ui/fprint.h"
#include "ui/ovlistsel.h"
#include "ui/ovmenubar.h"

namespace {

// The class library's default group: before the main window's menus.
constexpr int kObjectListMenuGroup = 0;
constexpr const char* kRecompileQuestion = "オブジェクトを再コンパイルしますか？";
constexpr const char* kRecompiled = "オブジェクトが再コンパイルされました。";
constexpr const char* kDeleteQuestion = "オブジェクトを削除しますか？";
constexpr const char* kIgnoreDeleteErrors = "削除時のエラーを無視する";
constexpr const char* kCascadeOption = "CASCADE オプション";
constexpr const char* kDeleted = "オブジェクトが削除されました。";
constexpr const char* kGrepDone = "検索を完了しました。";
constexpr const char* kNewNamePrompt = "新規オブジェクト名";
constexpr const char* kIncludeIndexes = "インデックスも含める";
constexpr const char* kIncludeData = "テーブルデータも含める";
constexpr const char* kPrintTitle = "選択したオブジェクト";
constexpr const char* kRunCommandQuestion = " を実行しますか？";
constexpr const char* kCommandDone = "コマンドを実行しました。";
// Said only when the program was put together without its SQL windows.
constexpr const char* kNoSQLWindow = "SQL ウィンドウを開けません。";
constexpr const char* kStatusSql =
    "SELECT STATUS FROM ALL_OBJECTS WHERE OWNER = :OWNER AND OBJECT_NAME = :NAME AND OBJECT_TYPE = :TYPE";
constexpr const char* kInvalidStatus = "INVALID";
constexpr const char* kLevel1HintBySchema = "ユーザー選択時にオブジェクト一覧を表示する";
constexpr const char* kLevel1HintByKind = "オブジェクトタイプ選択時にオブジェクト一覧を表示する";
constexpr const char* kLineBreak = "\r\n";
constexpr int kOwnerColumn = 1;
constexpr int kKindColumn = 2;
constexpr int kStatusColumn = 3;
constexpr int32_t kLastLevelWithoutRemoteRoutines = 9;
constexpr uint8_t kPageDefinition = 0;
constexpr uint8_t kPageSource = 1;
constexpr uint8_t kPageData = 2;
constexpr uint8_t kPageCrossReference = 3;

// The main window's action whose short-cut a command takes, where it is
// not the command's own name.
const std::map<std::string, std::string> kShortCutSources = {
    {"actDelete", "actEditDelete"}, {"actCopy", "actEditCopy"}, {"actPaste", "actEditPaste"}};
const std::vector<std::string> kTakenShortCuts = {
    "actNew",  "actDelete", "actOpen",     "actOpenDefine", "actOpenSource", "actOpenData", "actOpenDataTop",
    "actExec", "actCompile", "actScript",  "actPrint",      "actSynonym",    "actCross",    "actMatrix",
    "actGrant", "actAnalyze", "actGrep",   "actExport",     "actLoad",       "actCopy",     "actPaste"};


bool IsRoutine(int kind) { return kind == okProcedure || kind == okFunction; }

std::vector<std::string> SubItemsOf(const QTreeWidgetItem& item) {
  std::vector<std::string> texts;
  for (int column = kOwnerColumn; column < item.columnCount(); ++column) texts.push_back(item.text(column).toStdString());
  return texts;
}

TObjectItem ItemOf(const QTreeWidgetItem& item) {
  return {ItemImage(item), item.text(kOwnerColumn).toStdString(), item.text(0).toStdString()};
}

// The object list as the walk sees it.
class ListSelection : public TListSelection {
 public:
  explicit ListSelection(QTreeWidget& list) : TListSelection(list, &ItemOf) {}
};

// What a walk changes, put back however it ends: the list heard again, the
// object count shown, the default cursor.
class WalkScope {
 public:
  WalkScope(QTreeWidget& list, TovMainWindow& main) : list_(list), main_(main), blocked_(list.blockSignals(true)) {}
  ~WalkScope() {
    list_.blockSignals(blocked_);
    main_.ShowObjectCount();
  }
  WalkScope(const WalkScope&) = delete;
  WalkScope& operator=(const WalkScope&) = delete;

 private:
  QTreeWidget& list_;
  TovMainWindow& main_;
  bool blocked_;
  TSqlWaitCursor wait_;
};

TFileMode ModeOf(const std::string& path) {
  return ScriptFileMode(QFileInfo::exists(Q(path)), ScriptOption.SameName);
}

}  // namespace

// ---- menus and actions ----

QAction* TfrmObject::AddAction(const std::string& name, const std::string& caption, std::function<void()> run) {
  auto* action = new QAction(Q(caption), this);
  action->setObjectName(Q(name));
  action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  addAction(action);
  connect(action, &QAction::triggered, this, [run = std::move(run)] { RunReported(run); });
  actions_[name] = action;
  return action;
}

void TfrmObject::RunObjectCommand(const std::string& name) {
  mnuObjectClick();
  Action(name)->trigger();
}

QAction* TfrmObject::Action(const std::string& name) const {
  const auto found = actions_.find(name);
  return found == actions_.end() ? nullptr : found->second;
}

void TfrmObject::setupCommands() {
  for (const TNewObjectEntry& entry : NewObjectEntries()) {
    QAction* action = AddAction(entry.Name, entry.Caption, [] {});
    action->setProperty(kImageIndexProperty, entry.Kind);
    disconnect(action, &QAction::triggered, this, nullptr);
    connect(action, &QAction::triggered, this, [this, action] { actNewExecute(action); });
  }
  QAction* newAction = AddAction("actNew", "新規作成(&N)", [] {});
  disconnect(newAction, &QAction::triggered, this, nullptr);
  connect(newAction, &QAction::triggered, this, [this, newAction] { actNewExecute(newAction); });
  AddAction("actCopy", "コピー(&C)", [this] { actCopyExecute(); });
  AddAction("actPaste", "貼り付け(&V)", [this] { actPasteExecute(); });
  AddAction("actDelete", "削除(&D)", [this] { actDeleteExecute(); });
  AddAction("actOpen", "開く(&O)", [this] { actOpenExecute(); });
  AddAction("actOpenDefine", "定義情報を開く", [this] { actOpenDefineExecute(); });
  AddAction("actOpenData", "データを開く", [this] { actOpenDataExecute(); });
  AddAction("actOpenDataTop", "データを開く(件数指定)", [this] { actOpenDataTopExecute(); });
  AddAction("actOpenSource", "ソースを開く", [this] { actOpenSourceExecute(); });
  AddAction("actScript", "スクリプト出力(&S)", [this] { actScriptExecute(); });
  AddAction("actPrint", "印刷(&P)", [this] { actPrintExecute(); });
  AddAction("actLoad", "ロード(&L)", [this] { RunListCommand(kAdminLoadAction); });
  AddAction("actGrant", "権限(&G)", [this] { RunListCommand(kObjectGrantCommand); });
  AddAction("actCross", "相関 - クロスリファレンス(&F)", [this] { actCrossExecute(); });
  AddAction("actMatrix", "マトリックス表(&M)", [this] { RunListCommand(kCrossMatrixCommand); });
  AddAction("actAnalyze", "統計情報(&A)", [this] { RunTreeCommand(kStatisticsCommand); });
  AddAction("actComment", "コメントチェック(&O)", [this] { RunListCommand(kCommentCheckCommand); });
  AddAction("actExec", "実行(&E)", [this] { actExecExecute(); });
  AddAction("actGrep", "全文検索", [this] { actGrepExecute(); });
  AddAction("actAddWorkSpace", "ワークスペースに追加(&W)", [this] { actAddWorkSpaceExecute(); });
  AddAction("actCompile", "再コンパイル(&C)", [this] { actCompileExecute(); });
  AddAction("actSynonym", "シノニム作成(&Y)", [this] { actSynonymExecute(); });
  AddAction("actExport", "エクスポート(&R)", [this] { RunListCommand(kAdminExportAction); });
  AddAction("actUser", "ユーザー情報(&U)", [this] { RunTreeCommand(kAdminUserAction); });
  AddAction("actStorage", "データベーススペース情報(&T)", [this] { RunTreeCommand(kAdminStorageAction); });
  AddAction("actSession", "セッション情報(&S)", [this] { RunTreeCommand(kAdminSessionAction); });
  AddAction("actLock", "ロック情報(&L)", [this] { RunTreeCommand(kAdminLockAction); });
  AddAction("actDatabase", "データベース情報(&D)", [this] { RunTreeCommand(kAdminDatabaseAction); });
  AddAction("actDBExport", "バックアップ(&P)", [this] { RunTreeCommand(kAdminExportAction); });

  mnuObject = new QMenu("オブジェクトリスト(&O)", this);
  mnuObject->setObjectName("mnuObject");
  SetMenuGroup(*mnuObject, kObjectListMenuGroup);
  mnuNew1 = mnuObject->addMenu("新規作成(&N)");
  mnuNew1->setObjectName("mnuNew1");
  for (const TNewObjectEntry& entry : NewObjectEntries()) mnuNew1->addAction(Action(entry.Name));
  actions_["mnuNew1"] = mnuNew1->menuAction();
  mnuReport = new QMenu("レポート出力(&X)", this);
  mnuReport->setObjectName("mnuReport");
  actions_["mnuReport"] = mnuReport->menuAction();
  mnuCommand = new QMenu("ユーザー定義コマンド(&U)", this);
  mnuCommand->setObjectName("mnuCommand");
  actions_["mnuCommand"] = mnuCommand->menuAction();
  CopyUserCommandMenu();
  CopyReportMenu();
  const std::vector<std::string> order = {
      "actNew",     "actCopy",   "actPaste",   "actDelete", "-",          "actOpenDefine", "actOpenData",
      "actOpenDataTop", "actOpenSource", "-", "actScript", "mnuReport", "actPrint",      "actLoad",
      "-",          "actViewField", "actGrant", "actCross", "actMatrix", "actAnalyze",     "actComment",
      "mnuCommand", "-",         "actExec",    "actGrep",   "actAddWorkSpace"};
  for (const std::string& name : order) {
    if (name == kMenuSeparator) {
      mnuObject->addSeparator();
    } else if (name == "actViewField") {
      // The main window's column picker, as it is there.
      if (auto* picker = main_->Window()->findChild<QAction*>(Q(name))) mnuObject->addAction(picker);
    } else {
      mnuObject->addAction(Action(name));
    }
  }
  popTree = new QMenu(this);
  popTree->setObjectName("popTree");
  for (const char* name : {"actNew", "actUser", "actStorage", "actSession", "actLock", "actDatabase", "actDBExport"})
    popTree->addAction(Action(name));

  connect(mnuObject, &QMenu::aboutToShow, this, &TfrmObject::mnuObjectClick);
  connect(popTree, &QMenu::aboutToShow, this, &TfrmObject::popTreePopup);
  connect(lstTree, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { popTree->popup(lstTree->viewport()->mapToGlobal(pos)); });
  lstObject->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lstObject, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { mnuObject->popup(lstObject->viewport()->mapToGlobal(pos)); });
  connect(lstObject, &QTreeWidget::itemDoubleClicked, this, [this] { RunObjectCommand("actOpen"); });
  connect(lstObject, &QTreeWidget::itemClicked, this, &TfrmObject::mnuObjectClick);
  // Short-cuts follow the selection however it changes.
  connect(lstObject, &QTreeWidget::itemSelectionChanged, this, &TfrmObject::mnuObjectClick);
  lstObject->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstObject->setAcceptDrops(false);
  lstObject->SetDragData([this] { return DragData(); }, kObjectDragFormat);
  lstObject->installEventFilter(this);
  cmbFind->lineEdit()->installEventFilter(this);
  connect(btnTree1, &QToolButton::clicked, this, &TfrmObject::btnTreeClick);
  connect(btnTree2, &QToolButton::clicked, this, &TfrmObject::btnTreeClick);
  connect(btnLevel0, &QToolButton::clicked, this, &TfrmObject::btnLevel0Click);
  connect(btnLevel1, &QToolButton::clicked, this, &TfrmObject::btnLevel1Click);
  connect(cmbTree, &QComboBox::activated, this, &TfrmObject::cmbTreeChange);
  connect(btnGrep, &QToolButton::clicked, this, [this] { RunObjectCommand("actGrep"); });
}

bool TfrmObject::eventFilter(QObject* watched, QEvent* event) {
  if (watched == cmbFind->lineEdit() && event->type() == QEvent::FocusIn) cmbFindEnter();
  if (watched == lstObject && event->type() == QEvent::FocusIn) lstObjectEnter();
  if (watched == lstObject && event->type() == QEvent::KeyPress &&
      !lstObject->Editing()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      RunObjectCommand("actOpen");
      return true;
    }
    if (key == Qt::Key_Delete) {
      RunObjectCommand("actDelete");
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

TObjectMenuInput TfrmObject::MenuInput() const {
  TObjectMenuInput in;
  for (const TObjectItem& item : SelectedObjects()) in.SelectedKinds.push_back(item.Kind);
  in.Node = TreeSelectionOf(*lstTree);
  if (const QTreeWidgetItem* node = lstTree->currentItem()) in.NodeImage = ItemImage(*node);
  in.TreeSort = AppOption.TreeSort;
  in.CatalogLevel = CatalogLevel;
  in.Remote = Remote;
  in.LevelReduced = LevelReduced();
  in.Copied = !CopiedObjects.empty();
  in.ReportEntries = !mnuReport->actions().isEmpty();
  in.CommandEntries = !mnuCommand->actions().isEmpty();
  in.Registered = [](const std::string& name) {
    if (name == kScriptOutputHook) return static_cast<bool>(ScriptOutputDialog());
    if (name == kGrepHook) return static_cast<bool>(GrepDialog());
    if (name == kPasteWindows) return ShowDDLPreviewInstalled() && RunDDLExecInstalled() && WaitDDLExecInstalled();
    if (const std::optional<int> kind = EditorKindOf(name)) return EditorRegistered(*kind);
    return ActionHandler(name) != nullptr;
  };
  return in;
}

void TfrmObject::mnuObjectClick() {
  for (const auto& [name, state] : ObjectMenuState(MenuInput())) {
    QAction* action = Action(name);
    if (!action) continue;
    action->setEnabled(state.Enabled);
    // The tree commands are shown by the tree pop-up alone.
    if (!popTree->actions().contains(action) || name == "actNew") action->setVisible(state.Visible);
  }
  // The single entry stands for the kind of its node, with the node's image.
  if (const QTreeWidgetItem* node = lstTree->currentItem()) {
    Action("actNew")->setIcon(node->icon(0));
    Action("actNew")->setProperty(kImageIndexProperty, ItemImage(*node));
  }
}

void TfrmObject::popTreePopup() {
  PopupNode = lstTree->currentItem();
  mnuObjectClick();
  for (const auto& [name, state] : ObjectMenuState(MenuInput()))
    if (QAction* action = Action(name); action && popTree->actions().contains(action)) action->setVisible(state.Visible);
}

void TfrmObject::CopyObjectShortCuts() {
  for (const std::string& name : kTakenShortCuts) {
    const auto source = kShortCutSources.find(name);
    const std::string from = source == kShortCutSources.end() ? name : source->second;
    // Asked by name of the main window itself: a search of its children
    // would also meet the connection windows' own actions of that name.
    if (QAction* action = Action(name)) action->setShortcut(ShortCutToKeySequence(main_->ActionShortCut(from)));
  }
}

void TfrmObject::cmbFindEnter() {
  // Copy and paste then work in the box itself.
  Action("actCopy")->setShortcut(QKeySequence());
  Action("actPaste")->setShortcut(QKeySequence());
}

void TfrmObject::lstObjectEnter() {
  if (Action("actCopy")->shortcut().isEmpty() && Action("actPaste")->shortcut().isEmpty()) CopyObjectShortCuts();
}

std::vector<TObjectItem> TfrmObject::SelectedObjects() const {
  std::vector<TObjectItem> items;
  for (int i = 0; i < lstObject->topLevelItemCount(); ++i)
    if (const QTreeWidgetItem* item = lstObject->topLevelItem(i); item->isSelected()) items.push_back(ItemOf(*item));
  return items;
}

QByteArray TfrmObject::DragData() const {
  std::vector<TDraggedObject> objects;
  for (const TObjectItem& item : SelectedObjects())
    objects.push_back({ConnectionLabel(), item.Schema, item.Name, item.Kind});
  return EncodeDraggedObjects(objects);
}

// ---- the walk ----

void TfrmObject::WalkSelected(bool makeVisible, const std::function<void(const TObjectItem&)>& work) {
  if (lstObject->selectedItems().isEmpty()) return;
  WalkScope scope(*lstObject, *main_);
  ListSelection list(*lstObject);
  WalkSelection(list, makeVisible, {IsEscapePressed, [this](int i, int n) { main_->ShowProgress(i, n); }}, work);
}

// ---- user commands ----

void TfrmObject::CopyUserCommandMenu() {
  mnuCommand->clear();
  for (const TUserCommandEntry& entry : UserCommandMenuEntries(ShareDir)) {
    QAction* item = mnuCommand->addAction(Q(entry.Name));
    // Shown beside the caption; the main window's item of the same key acts.
    item->setShortcut(ShortCutToKeySequence(entry.ShortCut));
    item->setShortcutContext(Qt::WidgetShortcut);
    connect(item, &QAction::triggered, this, [this, item] { UserCommandClick(item); });
  }
}

void TfrmObject::UserCommandClick(QObject* sender) {
  const auto* item = qobject_cast<const QAction*>(sender);
  if (!item || !item->isVisible()) return;
  RunUserCommand(item->text().toStdString());
}

void TfrmObject::RunUserCommand(const std::string& name) {
  const std::optional<TUserCommand> command = ReadUserCommand(ShareDir, name);
  if (!command) return;
  if (command->Dialog && MsgBox(name + kRunCommandQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  // One text: in a new SQL window, else as one statement.
  const auto run = [&](const std::string& text) {
    if (!command->SQLWindow) {
      ExecSQL(text);
      return;
    }
    const TActionHandler* open = ActionHandler(kSQLWindowCommand);
    if (!open) throw std::runtime_error(kNoSQLWindow);
    TActionRequest request;
    request.Connection = this;
    request.Text = text;
    (*open)(request);
  };
  std::string firstError;
  if (!HasCommandPlaceholders(command->SQL)) {
    WalkScope scope(*lstObject, *main_);
    try {
      run(command->SQL);
    } catch (const std::exception& error) {
      firstError = UserCommandErrorText(error.what(), command->SQL);
    }
  } else {
    if (lstObject->selectedItems().isEmpty()) return;
    WalkScope scope(*lstObject, *main_);
    ListSelection list(*lstObject);
    try {
      WalkSelection(list, true, {IsEscapePressed, [this](int i, int n) { main_->ShowProgress(i, n); }},
                    [&](const TObjectItem& item) {
                      const std::string text = ReplaceCommandPlaceholders(command->SQL, item.Name, SubItemsOf(*list.current));
                      try {
                        run(text);
                      } catch (const std::exception& error) {
                        // With "ERROR" on the walk goes on and the first error is shown at its end.
                        if (firstError.empty()) firstError = UserCommandErrorText(error.what(), text);
                        if (!command->Error) throw;
                      }
                    });
    } catch (const std::exception&) {
    }
  }
  if (!firstError.empty())
    MsgBox(firstError, MB_ICONERROR);
  else if (!command->SQLWindow)
    MsgBox(kCommandDone, MB_ICONINFORMATION);
}

void TfrmObject::RunListCommand(const char* handler) {
  if (lstObject->selectedItems().isEmpty()) return;
  RunTreeCommand(handler);
}

void TfrmObject::RunTreeCommand(const char* handler) {
  const TActionHandler* run = ActionHandler(handler);
  if (!run) return;
  TActionRequest request;
  request.Connection = this;
  (*run)(request);
}

// ---- open and new ----

void TfrmObject::OpenSelected(uint8_t mode, int topCount) {
  WalkSelected(false, [&](const TObjectItem& item) { OpenObject(item.Kind, item.Schema, item.Name, mode, 0, topCount); });
}

void TfrmObject::actOpenExecute() { OpenSelected(static_cast<uint8_t>(AppOption.OpenMode), 0); }
void TfrmObject::actOpenDefineExecute() { OpenSelected(kPageDefinition, 0); }
void TfrmObject::actOpenSourceExecute() { OpenSelected(kPageSource, 0); }
void TfrmObject::actOpenDataExecute() { OpenSelected(kPageData, 0); }

void TfrmObject::actOpenDataTopExecute() {
  if (lstObject->selectedItems().isEmpty()) return;
  std::optional<int> count = AskRowCount(Action("actOpenDataTop")->text().toStdString());
  if (count) OpenSelected(kPageData, *count);
}

void TfrmObject::actNewExecute(QObject* sender) {
  const int kind = sender ? sender->property(kImageIndexProperty).toInt() : 0;
  OpenObject(kind, DataModule->GetUserName(), "", kPageDefinition, 0, 0);
}

// ---- execute, recompile, synonym, cross-reference ----

void TfrmObject::actExecExecute() {
  if (CatalogLevel > kLastLevelWithoutRemoteRoutines && Remote) return;
  const TActionHandler* run = ActionHandler(kExecProcCommand);
  if (!run) return;
  WalkSelected(true, [&](const TObjectItem& item) {
    if (item.Kind < okProcedure || item.Kind > okPackageBody) return;
    TActionRequest request;
    request.Connection = this;
    request.Schema = item.Schema;
    request.Name = item.Name;
    request.Text = std::to_string(item.Kind);
    (*run)(request);
  });
}

void TfrmObject::actCompileExecute() {
  if (lstObject->selectedItems().isEmpty()) return;
  if (MsgBox(kRecompileQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  ListSelection list(*lstObject);
  {
    WalkScope scope(*lstObject, *main_);
    WalkSelection(list, true, {IsEscapePressed, [this](int i, int n) { main_->ShowProgress(i, n); }},
                  [&](const TObjectItem& item) {
                    TovSQLQuery& q = OpenSQLParams(kStatusSql, {item.Schema, item.Name, ObjectKindName(item.Kind)});
                    const bool invalid = q.Eof() || Trim(q.AsString(size_t{0})) == kInvalidStatus;
                    q.Close();
                    if (!invalid) {
                      list.current->setText(kStatusColumn, "");
                      return;
                    }
                    if (const std::optional<std::string> sql = RecompileStatement(item)) ExecSQL(*sql);
                  });
  }
  MsgBox(kRecompiled, MB_ICONINFORMATION);
}

void TfrmObject::actSynonymExecute() {
  WalkSelected(false, [](const TObjectItem&) {});
}

void TfrmObject::actCrossExecute() {
  const bool oldRemote = Remote && CatalogLevel <= kLastLevelWithoutRemoteRoutines;
  WalkSelected(true, [&](const TObjectItem& item) {
    const bool crossKind = item.Kind == okTable || item.Kind == okView || IsRoutine(item.Kind) || item.Kind == okTrigger;
    if (!crossKind || (oldRemote && IsRoutine(item.Kind))) return;
    // An editor already open for the object is brought forward; its abort
    // ends the walk without a word.
    CreateObjectEditor(*this, item.Kind, item.Schema, item.Name, kPageCrossReference, 0);
  });
}

// ---- script output and print ----

void TfrmObject::actScriptExecute() {
  if (lstObject->selectedItems().isEmpty() || !ScriptOutputDialog()) return;
  std::string target;
  std::string nameTable;
  if (!ScriptOutputDialog()(*this, target, nameTable)) return;
  if (!nameTable.empty() && !ValidNameTable(nameTable)) {
    MsgBox(kInvalidNameTable, MB_ICONERROR);
    return;
  }
  WriteScripts(target, nameTable);
  MsgBox(kScriptsWritten, MB_ICONINFORMATION);
}

void TfrmObject::WriteScripts(const std::string& target, const std::string& nameTable) {
  const TScriptOption& option = ScriptOption;
  if (option.OneScript && ModeOf(target) == TFileMode::Create) QFile::remove(Q(target));
  const int treeSort = btnTree2->isChecked() ? kTreeByKind : kTreeBySchema;
  const bool oldRemote = Remote && CatalogLevel <= kLastLevelWithoutRemoteRoutines;
  // The one GRANT file is prepared by its file mode for the first object
  // written, whichever that is; the later ones append to it.
  bool grantFileStarted = false;
  WalkSelected(true, [&](const TObjectItem& item) {
    if (oldRemote && IsRoutine(item.Kind)) {
      MsgBox(kRemoteRoutineMessage, MB_ICONERROR);
      return;
    }
    TScriptTarget place{target, treeSort, item.Schema, item.Kind, item.Name, ""};
    if (!nameTable.empty() && !option.OneScript) {
      TovSQLQuery& q = OpenSQLParams(ScriptNameSQL(nameTable), {item.Schema, item.Name, ObjectKindName(item.Kind)});
      // A fixed-length column pads the name with blanks, which no file name wants.
      if (!q.Eof()) place.ScriptName = TrimBlanks(q.AsString(size_t{0}));
      q.Close();
    }
    std::ostringstream ddl;
    GenerateDDL(item.Kind, item.Schema, item.Name, ddl, "", "");
    std::ostringstream grants;
    if (option.Grant) ::WriteGrantDDL(*this, {item.Kind, item.Schema, item.Name}, item.Schema, grants);
    const std::optional<std::string> grantPath = GrantFilePath(option, place);
    if (option.Grant && !grantPath) ddl << grants.str();
    const std::string path = ScriptFilePath(option, place);
    WriteScriptFile(path, option.OneScript ? TFileMode::Append : ModeOf(path), ddl.str());
    if (!grantPath) return;
    const bool oneGrantFile = option.GrantMode != 1;
    const TFileMode mode = oneGrantFile && grantFileStarted ? TFileMode::Append : ModeOf(*grantPath);
    WriteScriptFile(*grantPath, mode, grants.str());
    grantFileStarted = true;
  });
}

void TfrmObject::actPrintExecute() {
  PrintWithDialog(kPrintTitle, [this](TfrmPrint&) { PrintSelectedObjects(); });
}

void TfrmObject::PrintSelectedObjects() {
  if (lstObject->selectedItems().isEmpty()) return;
  BeginPrintJob();
  AtExit end([] { EndPrintJob(); });
  WalkSelected(true, [&](const TObjectItem& item) {
    if (item.Kind == okTablePartition || item.Kind == okIndexPartition) return;
    std::ostringstream ddl;
    GenerateDDL(item.Kind, item.Schema, item.Name, ddl, "", "");
    // Each object's pages are numbered from 1.
    PrintLines(item.Schema + "." + item.Name, LinesOf(ddl.str()), true);
  });
}

// ---- copy, paste, delete ----

void TfrmObject::actCopyExecute() {
  CopiedObjects.clear();
  std::string names;
  for (const TObjectItem& item : SelectedObjects()) {
    CopiedObjects.push_back({item.Schema, item.Name, item.Kind});
    names += (names.empty() ? "" : kLineBreak) + item.Name;
  }
  QApplication::clipboard()->setText(Q(names));
}

void TfrmObject::actPasteExecute() {
  if (CopiedObjects.empty()) return;
  const QTreeWidgetItem* node = lstTree->currentItem();
  const bool schemaNode = node && (ItemImage(*node) == kImageSchema || ItemImage(*node) == kImageLoginSchema);
  const std::string target =
      PasteTargetSchema(TreeSelectionOf(*lstTree), schemaNode, AppOption.TreeSort, DataModule->GetUserName());
  const TScriptOption saved = ScriptOption;
  AtExit restore([&saved] { ScriptOption = saved; });
  // The records as they were when the paste began.
  const std::vector<TCopyObjectList> records = CopiedObjects;
  for (const TCopyObjectList& record : records) {
    const bool table = record.ObjectType == okTable;
    std::string newName = record.ObjectName;
    TCheckList checks;
    if (table) checks = {{kIncludeIndexes, true}, {kIncludeData, true}};
    if (!InputDialog(kApplicationTitle, kNewNamePrompt, newName, false, checks)) return;
    ScriptOption.Schema = kSchemaAlways;
    ScriptOption.Insert = false;
    ScriptOption.Index = table && checks.front().checked;
    std::ostringstream ddl;
    GenerateDDL(record.ObjectType, record.Schema, record.ObjectName, ddl, target, newName);
    std::vector<std::string> lines = LinesOf(ddl.str());
    if (lines.empty()) continue;
    lines = PasteLines(std::move(lines), record, target, newName, table && checks.back().checked);
    // The execution window reports statement errors itself and ends a
    // stopped run silently; the paste goes on with the next object.
    try {
      if (ShowDDLPreview(lines, target, newName)) RunDDLExecAndWait(*this, lines);
    } catch (const EAbort&) {
    }
  }
  SendFormMessage(this, kMsgReload);
}

void TfrmObject::actDeleteExecute() {
  const std::vector<TObjectItem> items = SelectedObjects();
  if (items.empty()) return;
  std::vector<int> kinds;
  for (const TObjectItem& item : items) kinds.push_back(item.Kind);
  TCheckList checks;
  const bool several = items.size() > 1;
  const bool cascadeOffered = OffersCascade(kinds);
  if (several) checks.push_back({kIgnoreDeleteErrors, AppOption.DelErr});
  if (cascadeOffered) checks.push_back({kCascadeOption, true});
  const int answer = MsgBoxWithChecks(kDeleteQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, checks);
  if (several) AppOption.DelErr = checks.front().checked;
  if (answer != IDYES) return;
  const bool cascade = cascadeOffered && checks.back().checked;
  TDeleteOutcome outcome;
  {
    WalkScope scope(*lstObject, *main_);
    // What has no DROP statement is left alone.
    for (int i = 0; i < lstObject->topLevelItemCount(); ++i)
      if (QTreeWidgetItem* item = lstObject->topLevelItem(i); item->isSelected() && !DropStatement(ItemOf(*item), cascade))
        item->setSelected(false);
    ListSelection list(*lstObject);
    outcome = DeletePasses(list, AppOption.DelErr, {IsEscapePressed, [this](int i, int n) { main_->ShowProgress(i, n); }},
                           [&](const TObjectItem& item) { ExecSQL(*DropStatement(item, cascade)); });
  }
  if (outcome.End == TDeleteEnd::Deleted) MsgBox(kDeleted, MB_ICONINFORMATION);
  if (outcome.End == TDeleteEnd::Failed) MsgBox(outcome.Error, MB_ICONERROR);
}

// ---- workspace ----

void TfrmObject::actAddWorkSpaceExecute() {
  bool added = false;
  for (const TObjectItem& item : SelectedObjects())
    added = AddWorkSpaceEntry(WorkSpaces, {item.Kind, item.Name, item.Schema, ConnectionLabel()}) || added;
  if (!added) return;
  SaveWorkSpace();
  main_->RefreshWorkSpace(nullptr);
}

// ---- full-text search ----

void TfrmObject::actGrepExecute() {
  if (main_->CurrentConnection() != this || !GrepDialog()) return;
  TGrepRequest request{cmbFind->currentText().toStdString(),
                       lstObject->selectedItems().isEmpty() ? gsListed : gsSelected, false};
  if (!GrepDialog()(request) || request.Text.empty()) return;
  SearchObjects(request);
}

void TfrmObject::SearchObjects(const TGrepRequest& request) {
  const bool insert = ScriptOption.Insert;
  const bool treeBlocked = lstTree->blockSignals(true);
  AtExit restore([&] {
    ScriptOption.Insert = insert;
    lstTree->blockSignals(treeBlocked);
  });
  ScriptOption.Insert = false;
  TSqlWaitCursor wait;
  if (request.Scope == gsAll && lstTree->topLevelItemCount() > 0) lstTree->setCurrentItem(lstTree->topLevelItem(0));
  if (request.Scope == gsRefetched || request.Scope == gsAll) FillObjectList(true);
  std::vector<std::unique_ptr<QTreeWidgetItem>> candidates;
  for (int i = 0; i < lstObject->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = lstObject->topLevelItem(i);
    if (request.Scope != gsSelected || item->isSelected()) candidates.emplace_back(item->clone());
  }
  if (candidates.empty()) {
    MsgBox(kGrepDone, MB_ICONINFORMATION);
    return;
  }
  {
    WalkScope scope(*lstObject, *main_);
    lstObject->clear();
    const int total = static_cast<int>(candidates.size());
    for (int i = 0; i < total; ++i) {
      if (IsEscapePressed()) return;
      main_->ShowProgress(i + 1, total);
      const TObjectItem item = ItemOf(*candidates[static_cast<size_t>(i)]);
      std::ostringstream ddl;
      GenerateDDL(item.Kind, item.Schema, item.Name, ddl, "", "");
      if (GrepMatches(ddl.str(), request.Text, request.CaseSensitive))
        lstObject->addTopLevelItem(candidates[static_cast<size_t>(i)].release());
    }
  }
  MsgBox(kGrepDone, MB_ICONINFORMATION);
}

// ---- tree buttons and the schema filter ----

void TfrmObject::btnTreeClick() {
  const bool bySchema = btnTree1->isChecked();
  AppOption.TreeSort = bySchema ? kTreeBySchema : kTreeByKind;
  btnLevel1->setToolTip(bySchema ? kLevel1HintBySchema : kLevel1HintByKind);
  BuildTree();
}

void TfrmObject::ApplyListOptions(bool treeSortChanged) {
  if (treeSortChanged) (AppOption.TreeSort == kTreeByKind ? btnTree2 : btnTree1)->click();
  pnlFind->setVisible(AppOption.Find);
  lstObject->SetRowSelect(AppOption.RowSelect);
}

void TfrmObject::btnLevel0Click() { AppOption.ShowLevel0 = btnLevel0->isChecked(); }
void TfrmObject::btnLevel1Click() { AppOption.ShowLevel1 = btnLevel1->isChecked(); }

void TfrmObject::cmbTreeChange(int index) {
  AtExit focus([this] { lstTree->setFocus(); });
  if (index == kFilterStoredSchemas) {
    const TActionHandler* filter = ActionHandler(kSchemaFilterCommand);
    TActionRequest request;
    request.Connection = this;
    if (!filter || !(*filter)(request)) {
      const QSignalBlocker blocker(cmbTree);
      cmbTree->setCurrentIndex(SchemaFilter);
      return;
    }
  }
  SchemaFilter = index;
  BuildTree();
}
