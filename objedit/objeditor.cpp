#include "objedit/objeditor.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QLabel>
#include <QMenu>
#include <QMdiSubWindow>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/core/fmainactcore.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovddlhooks.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "app/ovforms.h"
#include "editor/ovmemo.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/frolecore.h"
#include "objedit/objwindows.h"
#include "objedit/rcross.h"
#include "objedit/rgrant.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"
#include "ui/ovmenubar.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"
#include "ui/ovtoolbar.h"

namespace {

// Images of the main window's button list.
constexpr int kCompileImage = 15;
constexpr int kDeleteImage = 41;
constexpr int kRefreshImage = 16;
constexpr int kExitImage = 42;
// Before the main window's own menus.
constexpr int kEditorMenuGroup = 2;
// Unqualified kinds put one full-width space before the panel's caption.
constexpr const char* kUnqualifiedNameCaption = "\u3000名前";

struct TPageCaption {
  TEditorPage page;
  const char* caption;
};
constexpr TPageCaption kPageCaptions[] = {{TEditorPage::Define, "定義情報"}, {TEditorPage::Source, "ソース"}};

// The transaction of the connection a transactional compile runs in.
void CommitIfOpen(TovSQLConnection& connection) {
  if (connection.InTransaction()) connection.CommitTrans();
}

// While it lives, the statements run are not committed one by one as
// AutoCommit asks: a transaction of an editor's own ends only as a whole.
class THeldTransaction {
 public:
  THeldTransaction() : autoCommit_(AppOption.AutoCommit) { AppOption.AutoCommit = false; }
  ~THeldTransaction() { AppOption.AutoCommit = autoCommit_; }
  THeldTransaction(const THeldTransaction&) = delete;
  THeldTransaction& operator=(const THeldTransaction&) = delete;

 private:
  bool autoCommit_;
};

}  // namespace

TRefillingCombo::TRefillingCombo(QWidget* parent, std::function<void()> refill)
    : TovComboBox(parent), refill_(std::move(refill)) {}

void TRefillingCombo::showPopup() {
  refill_();
  TovComboBox::showPopup();
}

QAction* MakeAction(QWidget* owner, const char* name, const char* caption, const char* hint, int image) {
  auto* action = new QAction(Q(caption), owner);
  action->setObjectName(name);
  action->setToolTip(Q(hint));
  action->setStatusTip(Q(hint));
  action->setIcon(imgMain().Icon(image));
  return action;
}

QWidget* TitledPane(QWidget* parent, const char* title, QWidget* control) {
  auto* pane = new QWidget(parent);
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(new QLabel(Q(title), pane));
  layout->addWidget(control, 1);
  control->setParent(pane);
  return pane;
}

namespace {

class TDeleteKey : public QObject {
 public:
  TDeleteKey(QObject* parent, std::function<void()> handler) : QObject(parent), handler_(std::move(handler)) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(e)->key() != Qt::Key_Delete) return false;
    RunReported(handler_);
    return true;
  }

 private:
  std::function<void()> handler_;
};

class TResizeFilter : public QObject {
 public:
  TResizeFilter(QObject* parent, std::function<void()> resized) : QObject(parent), resized_(std::move(resized)) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Resize) resized_();
    return false;
  }

 private:
  std::function<void()> resized_;
};

}  // namespace

void OnResize(QWidget& widget, std::function<void()> handler) {
  widget.installEventFilter(new TResizeFilter(&widget, std::move(handler)));
}

void OnDeleteKey(QWidget& widget, std::function<void()> handler) {
  widget.installEventFilter(new TDeleteKey(&widget, std::move(handler)));
}

void RevokeSelected(QListWidget& list, TovConnectionWindow& connection,
                    const std::function<std::string(size_t index)>& statement, const std::function<void()>& reload) {
  std::vector<size_t> selected;
  for (int i = 0; i < list.count(); ++i)
    if (list.item(i)->isSelected()) selected.push_back(static_cast<size_t>(i));
  if (selected.empty()) return;
  if (MsgBox(kRevokeQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  {
    TSqlWaitCursor wait;
    try {
      for (size_t i : selected) connection.ExecSQL(statement(i));
    } catch (...) {
      // The list shows what is still granted, the error follows.
      reload();
      throw;
    }
    reload();
  }
  MsgBox(kRevoked, MB_ICONINFORMATION);
}

void ShowTwin(QWidget& form) {
  if (TovMainWindow* main = ControlOptionsWindow())
    if (auto* frame = qobject_cast<QMdiSubWindow*>(form.parentWidget())) main->ShowChildWindow(frame);
}

TovObjectEditor::TovObjectEditor(TovConnectionWindow& owner, TEditorKind kind, TPageModes pageModes)
    : TovForm(owner), kind_(std::move(kind)), pageModes_(pageModes) {
  setupUi();
  AddQuery(&qrySQL);
}

void TovObjectEditor::setupUi() {
  actCompile = MakeAction(this, "actCompile", "作成(&C)", "現在の設定値を元にオブジェクトを作成・修正します。",
                          kCompileImage);
  actRefresh = MakeAction(this, "actRefresh", "戻す(&R)", "表示中の情報を変更前の状態に戻します。", kRefreshImage);
  actDelete = MakeAction(this, "actDelete", "削除(&D)", "オブジェクトを削除します。", kDeleteImage);
  actExit = MakeAction(this, "actExit", "終了(&X)", "画面を閉じます。", kExitImage);
  connect(actCompile, &QAction::triggered, this, [this] { RunReported([this] { Compile(this); }); });
  connect(actRefresh, &QAction::triggered, this, [this] { RunReported([this] { Reload(this); }); });
  connect(actDelete, &QAction::triggered, this, [this] { RunReported([this] { actDeleteExecute(); }); });
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });

  mnuObject = new QMenu(Q(EditorMenuCaption(kind_)), this);
  mnuObject->setObjectName("mnuObject");
  SetMenuGroup(*mnuObject, kEditorMenuGroup);
  mnuObject->addAction(actCompile);
  mnuObject->addAction(actDelete);

  tolCmd = new QToolBar(this);
  tolCmd->setObjectName("tolCmd");
  pnlName = new QWidget(tolCmd);
  pnlName->setObjectName("pnlName");
  auto* nameLayout = new QHBoxLayout(pnlName);
  nameLayout->setContentsMargins(0, 0, 0, 0);
  txtName = new TovStrEdit(pnlName);
  txtName->setObjectName("txtName");
  // With lower-case names allowed, an object's name is shown as it is from
  // the start: the boxes take it before the window is first shown.
  const TEditCharCase nameCase = LowerNames ? ecNormal : ecUpperCase;
  txtName->SetCharCase(nameCase);
  if (kind_.SchemaBound) {
    cmbSchema = new TovComboBox(pnlName);
    cmbSchema->setObjectName("cmbSchema");
    cmbSchema->SetCharCase(nameCase);
    cmbSchema->setEditable(true);
    nameLayout->addWidget(new QLabel(Q("スキーマ"), pnlName));
    nameLayout->addWidget(cmbSchema);
    nameLayout->addWidget(new QLabel(Q("名前"), pnlName));
  } else {
    nameLayout->addWidget(new QLabel(Q(kUnqualifiedNameCaption), pnlName));
  }
  nameLayout->addWidget(txtName);
  tolCmd->addWidget(pnlName);
  tolCmd->addActions({actCompile, actRefresh, actDelete, actExit});
  SetTextButtonWidths(*tolCmd, {actCompile, actRefresh, actDelete, actExit});

  pagObject = new QTabWidget(this);
  pagObject->setObjectName("pagObject");
  tabDefine = new QWidget(pagObject);
  tabDefine->setObjectName("tabDefine");
  tabSource = new QWidget(pagObject);
  tabSource->setObjectName("tabSource");
  txtSource = new TovMemo(tabSource);
  txtSource->setObjectName("txtSource");
  (new QVBoxLayout(tabSource))->addWidget(txtSource);
  txtSource->OnChange = [this] { MarkChanged(); };
  for (const TPageCaption& page : kPageCaptions)
    AddPage(page.page, page.page == TEditorPage::Define ? tabDefine : tabSource, page.caption);
  connect(pagObject, &QTabWidget::currentChanged, this, &TovObjectEditor::PageIndexChanged);
  WatchChanges(txtName);
  if (cmbSchema) WatchChanges(cmbSchema);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tolCmd);
  layout->addWidget(pagObject, 1);
}

void TovObjectEditor::AddPage(TEditorPage page, QWidget* widget, const std::string& caption) {
  const QSignalBlocker quiet(pagObject);
  pages_[page] = widget;
  // The page control keeps the order of TEditorPage.
  int index = 0;
  for (const auto& [other, w] : pages_) {
    if (other == page) break;
    ++index;
  }
  pagObject->insertTab(index, widget, Q(caption));
  currentIndex_ = pagObject->currentIndex();
}

void TovObjectEditor::RemovePage(TEditorPage page) {
  const auto it = pages_.find(page);
  if (it == pages_.end()) return;
  const QSignalBlocker quiet(pagObject);
  pagObject->removeTab(pagObject->indexOf(it->second));
  it->second->hide();
  pages_.erase(it);
  currentIndex_ = pagObject->currentIndex();
}

void TovObjectEditor::AddFramePages(QWidget*& tabGrant, TfraGrant*& fraGrant, QWidget*& tabCross,
                                    TfraCross*& fraCross) {
  tabGrant = new QWidget(pagObject);
  tabGrant->setObjectName("tabGrant");
  fraGrant = new TfraGrant(tabGrant);
  (new QVBoxLayout(tabGrant))->addWidget(fraGrant);
  fraGrant->OnChange = [this] { MarkChanged(); };
  AddPage(TEditorPage::Grant, tabGrant, "権限");
  tabCross = new QWidget(pagObject);
  tabCross->setObjectName("tabCross");
  fraCross = new TfraCross(tabCross);
  (new QVBoxLayout(tabCross))->addWidget(fraCross);
  AddPage(TEditorPage::Cross, tabCross, "相関");
}

void TovObjectEditor::LoadFramePage(TfraGrant& fraGrant, TfraCross& fraCross) {
  if (ActivePage() == TEditorPage::Grant) fraGrant.Load(SchemaName(), ObjectName());
  if (ActivePage() == TEditorPage::Cross) fraCross.Load(SchemaName(), ObjectName());
}

void TovObjectEditor::WatchChanges(QWidget* control) {
  if (auto* edit = qobject_cast<QLineEdit*>(control))
    connect(edit, &QLineEdit::textEdited, this, &TovObjectEditor::MarkChanged);
  else if (auto* combo = qobject_cast<QComboBox*>(control))
    connect(combo, &QComboBox::currentTextChanged, this, &TovObjectEditor::MarkChanged);
  else if (auto* box = qobject_cast<QAbstractButton*>(control))
    connect(box, &QAbstractButton::clicked, this, &TovObjectEditor::MarkChanged);
}

void TovObjectEditor::MarkChanged() {
  SetChanged(true);
  UpdateActions();
}

void TovObjectEditor::UpdateActions() {
  actCompile->setEnabled(Changed || ActivePage() == TEditorPage::Source);
  actDelete->setEnabled(!IsNew);
  ActionsUpdated();
}

std::string TovObjectEditor::SchemaName() const {
  return cmbSchema ? Trim(cmbSchema->currentText().toStdString()) : std::string();
}

std::string TovObjectEditor::ObjectName() const { return Trim(txtName->text().toStdString()); }

TEditorPage TovObjectEditor::ActivePage() const {
  for (const auto& [page, widget] : pages_)
    if (widget == pagObject->currentWidget()) return page;
  return TEditorPage::Define;
}

std::string CaptionDataSource(TovConnectionWindow& owner, const TEditorKind& kind) {
  TdmSymfoware& module = owner.Module();
  return kind.DataSourceAsTyped ? module.Connection.DataSource : module.GetDataSourceName();
}

void TovObjectEditor::ActivatePage(TEditorPage page) {
  const auto it = pages_.find(page);
  if (it == pages_.end()) return;
  switching_ = true;
  pagObject->setCurrentWidget(it->second);
  switching_ = false;
  currentIndex_ = pagObject->currentIndex();
}

void TovObjectEditor::OpenEditor(const TOpenArgs& args) {
  CreateTaskButton();
  SetImageIndex(kind_.ImageIndex);
  if (cmbSchema) {
    std::vector<std::string> schemas;
    ConnectionWindow->GetSchemaList(schemas, false);
    const QSignalBlocker quiet(cmbSchema);
    for (const std::string& schema : schemas) cmbSchema->addItem(Q(schema));
    cmbSchema->setCurrentText(Q(EditorSchema(schemas, args.Schema)));
  }
  txtName->setText(Q(args.Name));
  Opening(args);
  ActivatePage(PageOfMode(pageModes_, args.Mode));
  SetIsNew(args.Name.empty());
  LoadActivePage();
  // Shown once loaded, as a twin is brought forward: a window whose object
  // is gone never appears.
  ShowTwin(*this);
}

void TovObjectEditor::LoadInvisible(const std::string& schema, const std::string& name) {
  SetImageIndex(kind_.ImageIndex);
  if (cmbSchema) cmbSchema->setCurrentText(Q(schema));
  txtName->setText(Q(name));
  ScriptMode = true;
  ActivatePage(TEditorPage::Define);
  LoadActivePage();
}

void TovObjectEditor::WriteScript(const TScriptArgs& args, std::ostream& stream) {
  LoadInvisible(args.Schema, args.Name);
  std::vector<std::string> lines = SourceLines();
  DeleteEmptyLines(lines);
  stream << CrLfText(lines);
}

void TovObjectEditor::LoadActivePage() {
  TSqlWaitCursor wait;
  PrepareLoad();
  if (!IsNew && !LoadObject()) {
    if (!ScriptMode) MsgBox(kLoadFailed, MB_ICONERROR);
    throw EAbort();
  }
  FinishLoad();
  txtName->SaveText();
  if (cmbSchema) cmbSchema->SaveText();
  if (ActivePage() == TEditorPage::Source || ScriptMode) {
    txtSource->Lines().Assign(IsNew ? std::vector<std::string>{} : SourceLines());
    txtSource->GetUndoObj().Clear();
    txtSource->SetRowCol(0, 0);
  }
  SetChanged(false);
  UpdateActions();
  Loaded();
}

std::vector<std::string> TovObjectEditor::EditedSource() const {
  std::vector<std::string> lines;
  for (int i = 0; i < txtSource->Lines().GetCount(); ++i) lines.push_back(txtSource->Lines().Get(i));
  return lines;
}

void TovObjectEditor::ChangedIsNew() {
  const std::string dataSource = ConnectionWindow ? CaptionDataSource(*ConnectionWindow, kind_) : std::string();
  setWindowTitle(Q(EditorCaption(kind_, SchemaName(), ObjectName(), dataSource, IsNew)));
  SetTaskCaption(EditorTaskCaption(ObjectName(), IsNew));
  pnlName->setEnabled(IsNew);
  // Hiding the active page moves to another without a question: a new
  // object has nothing to lose there.
  switching_ = true;
  for (const auto& [page, widget] : pages_)
    pagObject->setTabVisible(pagObject->indexOf(widget), !IsNew || PageShownWhileNew(page));
  switching_ = false;
  currentIndex_ = pagObject->currentIndex();
  UpdateActions();
  if (IsNew) txtName->setFocus();
}

void TovObjectEditor::PageIndexChanged(int index) {
  if (switching_) return;
  const int target = index;
  // The question is asked, and a compile runs, on the page being left.
  switching_ = true;
  pagObject->setCurrentIndex(currentIndex_);
  switching_ = false;
  bool change = false;
  RunReported([&] { change = pagObjectChanging(); });
  if (!change) return;
  switching_ = true;
  pagObject->setCurrentIndex(target);
  switching_ = false;
  currentIndex_ = target;
  RunReported([this] { pagObjectChange(); });
}

bool TovObjectEditor::pagObjectChanging() {
  if (!Changed) return true;
  const int answer = MsgBox(kChangedQuestion, MB_YESNOCANCEL | MB_ICONQUESTION);
  const TPageChangeStep step = PageChangeStep(answer == IDYES  ? TPageChangeAnswer::Yes
                                              : answer == IDNO ? TPageChangeAnswer::No
                                                               : TPageChangeAnswer::Cancel);
  if (step.Compile) Compile(this);
  if (step.DropChanges) SetChanged(false);
  UpdateActions();
  return !Changed;
}

void TovObjectEditor::pagObjectChange() { LoadActivePage(); }

void TovObjectEditor::Reload(QObject*) {
  if (Changed && MsgBox(kReloadQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  LoadActivePage();
}

bool TovObjectEditor::CheckNames() {
  if (cmbSchema && SchemaName().empty()) {
    MsgBox(kSchemaMissing, MB_ICONWARNING);
    cmbSchema->setFocus();
    return false;
  }
  if (ObjectName().empty()) {
    MsgBox(kNameMissing, MB_ICONWARNING);
    txtName->setFocus();
    return false;
  }
  return true;
}

void TovObjectEditor::Compile(QObject*) {
  FlushActiveControl();
  if (!CheckNames() || !CheckDefinition()) return;
  const std::vector<std::string> list = BuildStatements(ActivePage());
  if (StatementsEmpty(list)) {
    MsgBox(kNothingChanged, MB_ICONWARNING);
    SetIsNew(false);
    CompileCleanUp();
    if (ReloadsWhenNothingChanged()) LoadActivePage();
    return;
  }
  CompileWith(list);
}

void TovObjectEditor::CompileWith(const std::vector<std::string>& statements) {
  std::vector<std::string> list = statements;
  TovConnectionWindow& connection = *ConnectionWindow;
  const std::string schema = SchemaName(), name = ObjectName();
  const TCompileVariant variant = Variant();
  if (variant != TCompileVariant::Direct && !ShowDDLPreview(list, schema, name)) return;
  if (!IsNew) SaveSourceBefore(connection, schema, name, ImageIndex);
  if (variant == TCompileVariant::Direct) {
    connection.ExecScript(list, false);
    MsgBox(kCompiled, MB_ICONINFORMATION);
  }
  const auto finish = [&] {
    if (variant != TCompileVariant::Direct) RunDDLExecAndWait(connection, list);
    SaveSourceAfter(connection, schema, name, ImageIndex);
    SetIsNew(false);
    CompileCleanUp();
  };
  if (variant == TCompileVariant::Transactional) {
    // Everything from the run to the commit is one transaction of its own.
    TovSQLConnection& sql = connection.Module().Connection;
    const THeldTransaction held;
    CommitIfOpen(sql);
    sql.BeginTrans();
    try {
      finish();
      CommitIfOpen(sql);
    } catch (...) {
      if (sql.InTransaction()) sql.RollbackTrans();
      throw;
    }
  } else {
    finish();
  }
  if (Compiled()) LoadActivePage();
}

void TovObjectEditor::actDeleteExecute() {
  if (!actDelete->isEnabled()) return;
  bool cascade = false;
  const int flags = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
  int answer;
  if (CascadeOffer() == TCascadeOffer::None) {
    answer = MsgBox(kDeleteQuestion, flags);
  } else {
    TCheckList checks{{kCascadeOption, CascadeOffer() == TCascadeOffer::Ticked}};
    answer = MsgBoxWithChecks(kDeleteQuestion, flags, checks);
    cascade = checks.front().checked;
  }
  if (answer != IDYES) return;
  {
    TSqlWaitCursor wait;
    RunDelete(cascade);
  }
  MsgBox(kDeleted, MB_ICONINFORMATION);
  SetChanged(false);
  Frame()->close();
}

void TovObjectEditor::RunDelete(bool cascade) {
  ConnectionWindow->ExecSQL(DropStatement(kind_, SchemaName(), ObjectName(), cascade));
}

QAction* TovObjectEditor::AddDataGenerateAction(const char* hint, int image) {
  QAction* action = MakeAction(this, "actDataGenerate", "生成(&W)", hint, image);
  mnuObject->addAction(action);
  connect(action, &QAction::triggered, this, [this, action] {
    RunReported([this, action] {
      if (IsNew) return;
      if (const TActionHandler* handler = ActionHandler(kDataGenerateCommand))
        (*handler)(TActionRequest{ConnectionWindow, SchemaName(), ObjectName(), "", action});
    });
  });
  return action;
}

bool TovObjectEditor::DataGenerateRegistered() { return ActionHandler(kDataGenerateCommand) != nullptr; }

void TovObjectEditor::DeleteInTransaction(bool cascade) {
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  const THeldTransaction held;
  CommitIfOpen(connection);
  connection.BeginTrans();
  ConnectionWindow->ExecSQL(DropStatement(kind_, SchemaName(), ObjectName(), cascade));
  CommitIfOpen(connection);
}

void TovObjectEditor::LoadWindowSize() { LoadWindowSizeFrom(kind_.SizeKey); }

void TovObjectEditor::SaveWindowSize() { SaveWindowSizeTo(kind_.SizeKey); }

void TovObjectEditor::CodeAssist(int x, int y) { CodeAssistFor(*txtSource, qrySQL, x, y); }
