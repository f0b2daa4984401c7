#include "app/fobject.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QValidator>
#include <QVBoxLayout>

#include <algorithm>

#include "app/flogon.h"
#include "app/fobjddl.h"
#include "app/core/fmaincore.h"
#include "app/core/fobjectcore.h"
#include "app/core/fobjectreport.h"
#include "app/core/ovatexit.h"
#include "app/core/ovmainwin.h"
#include "app/fobjtree.h"
#include "app/ovforms.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/ovwhere.h"
#include "app/core/zarur.h"
#include "platform/process.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"

namespace {

constexpr char kCreateSchemaMessage[] = "スキーマを作成してください。";

// Every node of the tree, the data source's own among them.
int TreeNodeCount(QTreeWidget& tree) {
  int count = 0;
  for (QTreeWidgetItemIterator it(&tree); *it; ++it) ++count;
  return count;
}

constexpr char kConnecting[] = "データベースに接続中です．．．";
constexpr char kCaptionPrefix[] = "オブジェクトリスト - ";
constexpr char kLabelSeparator[] = " @ ";
constexpr int kTreeMinWidth = 30;
// Pictures of the main image list on the tool and find buttons.
constexpr int kTree1Image = 75;
constexpr int kTree2Image = 76;
constexpr int kLevel0Image = 94;
constexpr int kLevel1Image = 95;
constexpr int kWhereImage = 23;
constexpr int kGrepImage = 24;
// The window's design size: the tree beside a list of a few columns.
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 440;
constexpr int kFindDropDownRows = 20;
constexpr int kLevelWithDsiStatus = 10;
constexpr int kTreeSortSchemaFirst = 0;
constexpr int kTreeSortObjectFirst = 1;
constexpr char kWhereHistoryAll[] = "%";
constexpr char kPublic[] = "PUBLIC";
constexpr unsigned kErrorFlags = MB_ICONERROR;
// A walk through the tree with the arrow keys refills the list only where it stops.
constexpr int kTreeChangeDelayMillis = 50;

constexpr char kUserListSql[] = "SELECT TRIM(USER_NAME) FROM RDBII_SYSTEM.RDBII_USER ORDER BY 1";
constexpr char kSchemaListSql[] =
    "SELECT TRIM(A.SCHEMA_NAME) FROM RDBII_SYSTEM.SCHEMATA A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_DATABASE B ON "
    "A.DB_CODE = B.DB_CODE WHERE TRIM(B.DB_NAME) = :DATABASE AND TRIM(A.SCHEMA_OWNER) = :OWNER ORDER BY 1";
constexpr char kDatabaseListSql[] = "SELECT TRIM(DB_NAME) FROM RDBII_SYSTEM.RDBII_DATABASE ORDER BY 1";
// The database name is bound, not pasted between quotes, so no name can
// break the statement.
constexpr char kDBSpaceListSql[] =
    "SELECT DISTINCT TRIM(OBJECT_NAME) FROM RDBII_SYSTEM.RDBII_OBJECT WHERE OBJECT_ID = '2' AND DB_NAME = :DB_NAME "
    "ORDER BY 1";
constexpr char kRoleListSql[] = "SELECT TRIM(ROLE_NAME) FROM RDBII_SYSTEM.RDBII_ROLE ORDER BY 1";
constexpr char kTableDsoSql[] =
    "SELECT DISTINCT DSO_NAME FROM RDBII_SYSTEM.RDBII_DSI_STATUS WHERE DB_CODE = :DB_CODE AND SCHEMA_NAME = "
    ":SCHEMA_NAME AND TABLE_NAME = :TABLE_NAME AND TYPE = 'T'WITH OPTION LOCK_MODE(NO LOCK)";
constexpr char kTableDsiSql[] =
    "SELECT DISTINCT NAME FROM RDBII_SYSTEM.RDBII_DSI_STATUS WHERE DB_CODE = :DB_CODE AND SCHEMA_NAME = "
    ":SCHEMA_NAME AND TABLE_NAME = :TABLE_NAME AND TYPE = 'T'WITH OPTION LOCK_MODE(NO LOCK)";
constexpr char kDsiSql[] = "SELECT NAME FROM RDBII_SYSTEM.RDBII_DSI_STATUS WHERE TYPE = 'T' AND DB_CODE = :DB_CODE ";
constexpr char kDbSpacesSql[] =
    "SELECT DISTINCT OBJECT_NAME FROM RDBII_SYSTEM.RDBII_OBJECT WHERE OBJECT_ID ='2' AND DB_NAME = :DB_NAME";
const std::string kObjectNamesSql = std::string(
    "SELECT TRIM(OBJECT_NAME) FROM (SELECT 'TABLE' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, "
    "TRIM(A.SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME , A.DB_CODE DB_CODE FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER "
    "JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = B.TABLE_CODE WHERE (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = "
    "'TD' OR A.TABLE_TYPE = 'TP') UNION SELECT 'TABLE' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, "
    "TRIM(A.SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME CREATE_TIME , A.DB_CODE DB_CODE FROM RDBII_SYSTEM.RDBII_TABLE A "
    "WHERE (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP') UNION ") +
    "SELECT 'INDEX' OBJECT_TYPE, TRIM(A.INDEX_DSO_NAME) OBJECT_NAME, TRIM(B.SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME " +
    ", A.DB_CODE DB_CODE " +
    "FROM RDBII_SYSTEM.RDBII_INDEX A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_TABLE B ON A.TABLE_CODE = B.TABLE_CODE " +
    " UNION " +
    "SELECT 'VIEW' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME " +
    ", A.DB_CODE DB_CODE " +
    "FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = B.TABLE_CODE " +
    "WHERE (A.TABLE_TYPE = 'VW')" + " UNION " +
    "SELECT 'VIEW' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME "
    "CREATE_TIME " +
    ", A.DB_CODE DB_CODE " + "FROM RDBII_SYSTEM.RDBII_TABLE A " + "WHERE (A.TABLE_TYPE = 'VW')" + " UNION " +
    "SELECT 'PROCEDURE' OBJECT_TYPE, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, "
    "A.CREATE_TIME " +
    ", A.DB_CODE DB_CODE " + "FROM RDBII_SYSTEM.RDBII_PROC A WHERE A.PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0 " +
    " UNION " +
    "SELECT 'FUNCTION' OBJECT_TYPE, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, "
    "A.CREATE_TIME " +
    ", A.DB_CODE DB_CODE " + "FROM RDBII_SYSTEM.RDBII_PROC A WHERE A.PROCEDURE_TYPE = 2 AND ROUTINE_TYPE = 0 " +
    " UNION " +
    "SELECT 'TRIGGER' OBJECT_TYPE, TRIM(A.TRIG_NAME) OBJECT_NAME, TRIM(A.TRIG_SCHEMA_NAME) SCHEMA_NAME, "
    "A.CREATE_TIME " +
    ", A.TRIG_DB_CODE DB_CODE " + "FROM RDBII_SYSTEM.RDBII_TRIGGER A" + " UNION " +
    "SELECT 'SEQUENCE' OBJECT_TYPE, TRIM(A.SEQUENCE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, "
    "A.CREATE_TIME " +
    ", A.DB_CODE DB_CODE " + "FROM RDBII_SYSTEM.RDBII_SEQUENCE A" + ") ALL_OBJECT " + "WHERE DB_CODE = :DB_CODE " +
    "AND TRIM(SCHEMA_NAME) LIKE :OWNER " + "AND OBJECT_TYPE LIKE :TYPENAME " + "ORDER BY 1";
constexpr char kPatternAll[] = "%";



// The find box shows and searches what is typed in upper case, unless
// lower-case names are allowed.
class FindCaseValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override {
    if (!AppOption.UserLowerName) {
      input = input.toUpper();
      pos = std::min(pos, static_cast<int>(input.size()));
    }
    return Acceptable;
  }
};

QToolButton* CheckButton(QWidget* parent, const char* name, const char* hint, int image) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setIcon(imgMain().Icon(image));
  button->setCheckable(true);
  button->setToolTip(QString::fromUtf8(hint));
  return button;
}

}  // namespace

TfrmObject* FormOwner(const QWidget* form) { return qobject_cast<TfrmObject*>(FormOwnerObject(form)); }

void InstallConnectionWindows(TovMainWindow* main) {
  SetLogonReceiver([main](std::unique_ptr<TdmSymfoware> dataModule) { new TfrmObject(main, std::move(dataModule)); });
}

TfrmObject::TfrmObject(TovMainWindow* owner, const std::string& password, const std::string& user,
                       const std::string& dataSource)
    : TfrmObject(owner, Connect(owner, password, user, dataSource)) {}

TfrmObject::TfrmObject(TovMainWindow* owner, std::unique_ptr<TdmSymfoware> dataModule)
    : QWidget(nullptr), main_(owner), dataModule_(std::move(dataModule)) {
  setupUi();
  setAttribute(Qt::WA_DeleteOnClose);
  TSqlWaitCursor wait;
  // Until the object count is shown there, the connecting message goes
  // when construction ends, however it ends.
  AtExit endMessage([this] { main_->SetStatusText(kStatusMessagePanel, ""); });
  DataModule = dataModule_.get();
  TovSQLConnection& connection = DataModule->Connection;
  const std::string user = connection.UserName;
  setWindowTitle(Q(kCaptionPrefix + UpperCase(user) + kLabelSeparator + DataModule->GetDataSourceName()));
  for (TovSQLQuery* q : {&qryObject, &qryExec}) q->SetConnection(&connection);
  Remote = IsRemoteDataSource(DataModule->GetDataSourceName()) != 0;
  const TRowExists rowExists = [this](const std::string& sql, const std::vector<std::string>& values) {
    return RowExists(sql, values);
  };
  const TCatalogLevel level = ProbeCatalogLevel(rowExists);
  ServerVersion = level.ServerVersion;
  CatalogLevel = level.CatalogLevel;
  levelReduced_ = level.LevelReduced;
  connection.UserName = CatalogUserName(rowExists, user);
  try {
    Register();
    if (AppOption.TreeSort == kTreeSortSchemaFirst) btnTree1->setChecked(true);
    if (AppOption.TreeSort == kTreeSortObjectFirst) btnTree2->setChecked(true);
    SchemaFilter = 0;
    {
      platform::KeyScope key(AppRegistry);
      if (AppRegistry.OpenKey(ObjectTreeKey(DataModule->GetDataSourceName()), false))
        SchemaFilter = AppRegistry.ReadIntegerDef("Disp", 0);
    }
    cmbTree->setCurrentIndex(SchemaFilter);
    BuildTree();
    if (TreeNodeCount(*lstTree) <= 1) MsgBox(kCreateSchemaMessage, MB_ICONWARNING);
    btnLevel0->setChecked(AppOption.ShowLevel0);
    btnLevel1->setChecked(AppOption.ShowLevel1);
    LoadWindowSize();
    pnlFind->setVisible(AppOption.Find);
    lstObject->SetRowSelect(AppOption.RowSelect);
    std::vector<std::string> history;
    LoadWhereHistory(kWhereHistoryAll, kWhereHistoryAll, history);
    for (const std::string& entry : history) cmbFind->addItem(Q(entry));
    // The history is offered, not applied: the first list is not filtered.
    cmbFind->setCurrentIndex(-1);
    CreateTaskButton();
    main_->RefreshWorkSpace(nullptr);
    CopyObjectShortCuts();
    mnuObjectClick();
  } catch (...) {
    FormClose();
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget())) {
      setParent(nullptr);
      frame->deleteLater();
    }
    throw;
  }
}

TfrmObject::~TfrmObject() = default;

void TfrmObject::setupUi() {
  setObjectName("frmObject");
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  spl1 = new QSplitter(Qt::Horizontal, this);
  spl1->setObjectName("spl1");
  spl1->setChildrenCollapsible(false);
  layout->addWidget(spl1);

  pnlTree = new QWidget(spl1);
  pnlTree->setObjectName("pnlTree");
  pnlTree->setMinimumWidth(kTreeMinWidth);
  auto* treeLayout = new QVBoxLayout(pnlTree);
  treeLayout->setContentsMargins(0, 0, 0, 0);
  pnlTool = new QToolBar(pnlTree);
  pnlTool->setObjectName("pnlTool");
  btnTree1 = CheckButton(pnlTool, "btnTree1", "スキーマ→オブジェクト順に表示", kTree1Image);
  btnTree2 = CheckButton(pnlTool, "btnTree2", "オブジェクト→スキーマ順に表示", kTree2Image);
  btnTree1->setAutoExclusive(true);
  btnTree2->setAutoExclusive(true);
  btnTree1->setChecked(true);
  btnLevel0 = CheckButton(pnlTool, "btnLevel0", "データベース選択時にオブジェクト一覧を表示する", kLevel0Image);
  btnLevel1 = CheckButton(pnlTool, "btnLevel1", "スキーマ選択時に従属オブジェクトを表示する", kLevel1Image);
  pnlTool->addWidget(btnTree1);
  pnlTool->addWidget(btnTree2);
  pnlTool->addSeparator();
  pnlTool->addWidget(btnLevel0);
  pnlTool->addWidget(btnLevel1);
  auto* pnlDisp = new QWidget(pnlTool);
  auto* dispLayout = new QHBoxLayout(pnlDisp);
  dispLayout->setContentsMargins(0, 0, 0, 0);
  dispLayout->addWidget(new QLabel("表示", pnlDisp));
  cmbTree = new QComboBox(pnlDisp);
  cmbTree->setObjectName("cmbTree");
  cmbTree->addItems({"すべてのスキーマ", "ログインスキーマ", "設定"});
  dispLayout->addWidget(cmbTree);
  pnlTool->addWidget(pnlDisp);
  treeLayout->addWidget(pnlTool);
  lstTree = new QTreeWidget(pnlTree);
  lstTree->setObjectName("lstTree");
  lstTree->setHeaderHidden(true);
  lstTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstTree->setContextMenuPolicy(Qt::CustomContextMenu);
  treeLayout->addWidget(lstTree);

  pnlObject = new QWidget(spl1);
  pnlObject->setObjectName("pnlObject");
  auto* objectLayout = new QVBoxLayout(pnlObject);
  objectLayout->setContentsMargins(0, 0, 0, 0);
  pnlFind = new QWidget(pnlObject);
  pnlFind->setObjectName("pnlFind");
  pnlFind->hide();
  auto* findLayout = new QHBoxLayout(pnlFind);
  findLayout->setContentsMargins(0, 0, 0, 0);
  btnWhere = new QToolButton(pnlFind);
  btnWhere->setObjectName("btnWhere");
  btnWhere->setText("オブジェクト名検索");
  btnWhere->setIcon(imgMain().Icon(kWhereImage));
  btnGrep = new QToolButton(pnlFind);
  btnGrep->setObjectName("btnGrep");
  btnGrep->setIcon(imgMain().Icon(kGrepImage));
  cmbFind = new QComboBox(pnlFind);
  cmbFind->setObjectName("cmbFind");
  cmbFind->setEditable(true);
  cmbFind->setMaxVisibleItems(kFindDropDownRows);
  // The fill keeps the history itself; the box never swaps what was typed
  // for an entry of it, neither by completing inline nor on Enter.
  cmbFind->setInsertPolicy(QComboBox::NoInsert);
  cmbFind->setDuplicatesEnabled(true);
  cmbFind->completer()->setCaseSensitivity(Qt::CaseSensitive);
  cmbFind->completer()->setCompletionMode(QCompleter::PopupCompletion);
  cmbFind->setValidator(new FindCaseValidator(cmbFind));
  findLayout->addWidget(btnWhere);
  findLayout->addWidget(btnGrep);
  findLayout->addWidget(cmbFind, 1);
  objectLayout->addWidget(pnlFind);
  lstObject = new TovListView(pnlObject);
  lstObject->setObjectName("lstObject");
  lstObject->setColumnCount(0);
  lstObject->setRootIsDecorated(false);
  lstObject->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstObject->setDragEnabled(true);
  objectLayout->addWidget(lstObject);
  spl1->addWidget(pnlTree);
  spl1->addWidget(pnlObject);
  spl1->setStretchFactor(1, 1);

  ConnectTreeAndList();
  setupCommands();
}

// The user name stays as typed here; its case is settled by the catalogue
// once connected.
std::unique_ptr<TdmSymfoware> TfrmObject::Connect(TovMainWindow* owner, const std::string& password,
                                                  const std::string& user, const std::string& dataSource) {
  TSqlWaitCursor wait;
  owner->SetStatusText(kStatusMessagePanel, kConnecting);
  try {
    return ConnectDataModule(password, user, dataSource);
  } catch (...) {
    owner->SetStatusText(kStatusMessagePanel, "");
    throw;
  }
}

std::string TfrmObject::ConnectionLabel() const {
  return DataModule->GetUserName() + kLabelSeparator + DataModule->GetDataSourceName();
}

// The label is built from the data module's accessors, as every other
// producer of a connection label builds it, so that it is found by
// FindConnection whatever case the data source was typed in.
void TfrmObject::Register() {
  QMdiSubWindow* frame = main_->AddChildWindow(this);
  connect(frame->mdiArea(), &QMdiArea::subWindowActivated, this, [this, frame](QMdiSubWindow* active) {
    if (active == frame) FormActivate();
  });
  show();
  main_->AddConnectionEntry(this, ConnectionLabel());
  registered_ = true;
  main_->ConnectionEntryChosen();
  NotifyConnectionsChanged();
}

void TfrmObject::CreateTaskButton() {
  TaskButton = new QToolButton();
  TaskButton->setText(Q(TaskButtonCaption(DataModule->GetUserName(), DataModule->GetDataSourceName())));
  TaskButton->setToolTip(windowTitle());
  TaskButton->setProperty("Tag", QVariant::fromValue<QObject*>(this));
  TaskButton->setCheckable(true);
  TaskButton->setAutoExclusive(true);
  // Checked once on the bar, where the other task buttons are its siblings.
  main_->AddTaskButton(TaskButton);
  TaskButton->setChecked(true);
  connect(TaskButton, &QToolButton::clicked, this, &TfrmObject::TaskButtonClick);
}

void TfrmObject::TaskButtonClick() {
  auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
  if (frame) main_->ShowChildWindow(frame);
}

void TfrmObject::FormActivate() {
  main_->SelectConnectionEntry(this);
  main_->ApplyConnectionState();
  if (TaskButton) TaskButton->setChecked(true);
}

bool TfrmObject::event(QEvent* event) {
  if (event->type() == static_cast<QEvent::Type>(kMsgReload)) {
    RefillObjectList();
    return true;
  }
  if (event->type() == QEvent::WindowTitleChange && TaskButton) TaskButton->setText(windowTitle());
  return QWidget::event(event);
}

void TfrmObject::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

// An owned window is asked by closing it: it closes unless it refuses, and
// it would close with this window anyway.
bool TfrmObject::FormCloseQuery() {
  const std::vector<QWidget*> children = main_->ChildWindows();
  for (auto it = children.crbegin(); it != children.crend(); ++it) {
    if (FormOwner(*it) != this) continue;
    auto* frame = qobject_cast<QMdiSubWindow*>((*it)->parentWidget());
    if (frame && !frame->close()) return false;
  }
  return true;
}

void TfrmObject::FormClose() {
  main_->SetStatusText(kStatusMessagePanel, "");
  main_->RefreshWorkSpace(this);
  CopiedObjects.clear();
  SaveWindowSize();
  SaveColumnWidths(ColumnKey, ColumnWidthsOf(*lstObject));
  {
    platform::KeyScope key(AppRegistry);
    AppRegistry.OpenKey(ObjectTreeKey(DataModule->GetDataSourceName()), true);
    AppRegistry.WriteInteger("Disp", SchemaFilter);
  }
  TovSQLConnection& connection = DataModule->Connection;
  // A commit that fails is shown: the work it would have kept is lost when
  // the connection goes.
  try {
    if (connection.Connected() && connection.InTransaction()) connection.CommitTrans();
  } catch (const std::exception& e) {
    MsgBox(e.what(), kErrorFlags);
  }
  ReleaseConnectionWindow(this);
  connection.Disconnect();
  if (registered_) {
    main_->RemoveConnectionEntry(this);
    registered_ = false;
    main_->ConnectionEntryChosen();
    NotifyConnectionsChanged();
  }
  delete TaskButton;
  TaskButton = nullptr;
}

void TfrmObject::NotifyConnectionsChanged() {
  for (QWidget* child : main_->ChildWindows()) {
    try {
      SendFormMessage(child, kMsgConnectionsChanged);
    } catch (...) {
      // One child's failure does not keep the others uninformed.
    }
  }
}

void TfrmObject::LoadWindowSize() {
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(kObjectWindowKey, true);
  QWidget* frame = parentWidget() ? parentWidget() : this;
  int32_t state = kWindowNormal;
  if (main_->ChildWindows().size() == 1) {
    state = AppRegistry.ReadIntegerDef("WindowState", kWindowNormal);
    if (state == kWindowMinimized) state = kWindowNormal;
    if (state == kWindowMaximized) frame->showMaximized();
  }
  if (state == kWindowNormal) {
    const QSize design = FrameSizeFor(*frame, *this, QSize(kDesignWidth, kDesignHeight));
    const TWindowSize size = ReadWindowSize(AppRegistry, {design.width(), design.height()}, LeastSizeOf(*frame));
    frame->resize(size.Width, size.Height);
  }
  const int tree = std::max<int>(AppRegistry.ReadIntegerDef("TreeWidth", pnlTree->width()), kTreeMinWidth);
  spl1->setSizes({tree, std::max(spl1->width() - tree, 1)});
}

void TfrmObject::SaveWindowSize() {
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(kObjectWindowKey, true);
  const QWidget* frame = parentWidget() ? parentWidget() : this;
  const int32_t state = frame->isMaximized() ? kWindowMaximized : frame->isMinimized() ? kWindowMinimized : kWindowNormal;
  AppRegistry.WriteInteger("WindowState", state);
  if (state == kWindowNormal) WriteWindowSize(AppRegistry, {frame->width(), frame->height()});
  AppRegistry.WriteInteger("TreeWidth", pnlTree->width());
}

// ---- SQL routines ----

void TfrmObject::ExecSQL(const std::string& sql) {
  TSqlWaitCursor wait;
  AtExit close([this] { qryExec.Close(); });
  qryExec.Close();
  qryExec.SetParamCheck(false);
  qryExec.ClearParameters();
  TConnectionTransactions tx(DataModule->Connection);
  ExecWithTransactionRule(tx, AppOption.AutoCommit, sql, [this](const std::string& text) {
    qryExec.SetSQL(text);
    qryExec.ExecSQL();
  });
}

void TfrmObject::ExecScript(const std::vector<std::string>& lines, bool ignoreErrors) {
  TSqlWaitCursor wait;
  for (const std::string& batch : ScriptBatches(lines, AppOption.Separator)) {
    try {
      ExecSQL(batch);
    } catch (...) {
      if (!ignoreErrors) throw;
    }
  }
}

TovSQLQuery& TfrmObject::OpenSQLParams(const std::string& sql, const std::vector<std::string>& values) {
  qryExec.Close();
  qryExec.SetParamCheck(true);
  qryExec.SetSQL(sql);
  TConnectionTransactions tx(DataModule->Connection);
  BeginQueryTransaction(tx, AppOption.AutoCommit);
  std::vector<TovParameter>& params = qryExec.Parameters();
  for (size_t i = 0; i < params.size() && i < values.size(); ++i) params[i].Value = Q(values[i]);
  qryExec.Open();
  return qryExec;
}

TovSQLQuery& TfrmObject::OpenSQL(const std::string& sql) {
  qryExec.Close();
  qryExec.SetParamCheck(false);
  qryExec.ClearParameters();
  qryExec.SetSQL(sql);
  TConnectionTransactions tx(DataModule->Connection);
  BeginQueryTransaction(tx, AppOption.AutoCommit);
  qryExec.Open();
  return qryExec;
}

bool TfrmObject::RowExists(const std::string& sql, const std::vector<std::string>& values) {
  TovSQLQuery& q = OpenSQLParams(sql, values);
  const bool found = !q.Eof();
  q.Close();
  return found;
}

// ---- catalogue lists ----

void TfrmObject::FillList(std::vector<std::string>& strings, const std::string& sql,
                          const std::vector<std::string>& values, bool trimmed) {
  TSqlWaitCursor wait;
  strings.clear();
  TovSQLQuery& q = values.empty() ? OpenSQL(sql) : OpenSQLParams(sql, values);
  for (; !q.Eof(); q.Next()) strings.push_back(trimmed ? Trim(q.AsString(0)) : q.AsString(0));
}

std::string TfrmObject::FirstValue(const std::string& sql, const std::vector<std::string>& values) {
  TovSQLQuery& q = OpenSQLParams(sql, values);
  return q.Eof() ? std::string() : q.AsString(0);
}

void TfrmObject::CommitOpenTransaction() {
  TovSQLConnection& connection = DataModule->Connection;
  if (connection.InTransaction()) connection.CommitTrans();
}

TObjectCount TfrmObject::ObjectCount() const {
  return {lstObject->topLevelItemCount(), static_cast<int>(lstObject->selectedItems().size())};
}

void TfrmObject::GetUserList(std::vector<std::string>& strings, bool addPublic) {
  FillList(strings, kUserListSql, {}, false);
  if (addPublic) strings.push_back(kPublic);
}

void TfrmObject::GetSchemaList(std::vector<std::string>& strings, bool) {
  FillList(strings, kSchemaListSql, {DataModule->GetDataSourceName(), DataModule->GetUserName()}, false);
}

void TfrmObject::GetDatabaseList(std::vector<std::string>& strings) { FillList(strings, kDatabaseListSql, {}, false); }

std::string TfrmObject::GetDBCode(const std::string& dbName) { return FirstValue(kDBCodeSql, {dbName}); }

std::string TfrmObject::GetSchemaCode(const std::string& dbName, const std::string& schemaName) {
  return FirstValue(kSchemaCodeSql, {dbName, schemaName});
}

std::string TfrmObject::GetTableCode(const std::string& dbName, const std::string& schemaName,
                                     const std::string& tableName) {
  return FirstValue(kTableCodeSql, {dbName, schemaName, tableName});
}

void TfrmObject::GetObjectNames(std::vector<std::string>& strings, const std::string& schemaPattern,
                                const std::string& kindPattern) {
  TSqlWaitCursor wait;
  const std::string dbCode = GetDBCode(DataModule->GetDataSourceName());
  FillList(strings, kObjectNamesSql, {dbCode, schemaPattern + kPatternAll, kindPattern + kPatternAll}, false);
}

void TfrmObject::GetDBSpaceList(std::vector<std::string>& strings) {
  FillList(strings, kDBSpaceListSql, {DataModule->GetDataSourceName()}, false);
}

void TfrmObject::GetRoleList(std::vector<std::string>& strings) { FillList(strings, kRoleListSql, {}, false); }

void TfrmObject::GetTableDSOList(std::vector<std::string>& strings, const std::string& schema,
                                 const std::string& table) {
  GetTableStorageList(strings, schema, table, kTableDsoSql, [](const std::vector<std::string>& lines) {
    std::vector<std::string> names;
    if (std::optional<std::string> dso = BaseDsoName(lines)) names.push_back(*dso);
    return names;
  });
}

void TfrmObject::GetTableDSIList(std::vector<std::string>& strings, const std::string& schema,
                                 const std::string& table) {
  GetTableStorageList(strings, schema, table, kTableDsiSql, TableDsiNames);
}

// From the catalogue where it knows the storage structures, else from the
// table's definition report; a failing report gives one empty entry.
void TfrmObject::GetTableStorageList(std::vector<std::string>& strings, const std::string& schema,
                                     const std::string& table, const char* catalogueSql,
                                     const TReportReader& fromReport) {
  TSqlWaitCursor wait;
  strings.clear();
  if (CatalogLevel >= kLevelWithDsiStatus) {
    const std::string dbCode = GetDBCode(DataModule->GetDataSourceName());
    FillList(strings, catalogueSql, {dbCode, schema, table}, true);
    return;
  }
  bool ok = false;
  const std::vector<std::string> lines = TableReport(*this, table, TableReportControl(schema, table), ok);
  if (!ok) {
    strings.push_back("");
    return;
  }
  strings = fromReport(lines);
}

void TfrmObject::GetDSIList(std::vector<std::string>& strings) {
  TSqlWaitCursor wait;
  strings.clear();
  const std::string dataSource = DataModule->GetDataSourceName();
  if (CatalogLevel >= kLevelWithDsiStatus) {
    const std::string dbCode = GetDBCode(dataSource);
    FillList(strings, kDsiSql, {dbCode}, true);
    return;
  }
  std::vector<std::string> spaces;
  FillList(spaces, kDbSpacesSql, {dataSource}, true);
  std::vector<std::string> output;
  for (const std::string& space : spaces) {
    CommitOpenTransaction();
    if (!RunCommand("rdbinf -p " + platform::QuoteArgument(dataSource + "." + space), output, true)) {
      strings.push_back("");
      qryExec.Close();
      return;
    }
    AddDataDsiNames(output, strings);
  }
  SortUnique(strings);
}

// ---- object tree and list, open-object dispatch, DDL ----

void TfrmObject::ConnectTreeAndList() {
  treeChangeDelay_ = new QTimer(this);
  treeChangeDelay_->setSingleShot(true);
  treeChangeDelay_->setInterval(kTreeChangeDelayMillis);
  connect(treeChangeDelay_, &QTimer::timeout, this, &TfrmObject::RefillObjectList);
  connect(lstTree, &QTreeWidget::currentItemChanged, treeChangeDelay_, qOverload<>(&QTimer::start));
  connect(btnWhere, &QToolButton::clicked, this, &TfrmObject::RefillObjectList);
  connect(cmbFind->lineEdit(), &QLineEdit::returnPressed, this, &TfrmObject::RefillObjectList);
  connect(lstObject, &QTreeWidget::itemSelectionChanged, this, [this] { main_->ShowObjectCount(); });
}

// A failing catalogue read is shown; the list keeps the rows read.
void TfrmObject::RefillObjectList() {
  try {
    FillObjectList(false);
  } catch (const std::exception& e) {
    MsgBox(e.what(), kErrorFlags);
  }
}

void TfrmObject::BuildTree() { BuildObjectTree(*this, *lstTree, SchemaFilter); }

void TfrmObject::FillObjectList(bool skipFind) {
  if (filling_) {
    refillWanted_ = true;
    return;
  }
  filling_ = true;
  AtExit done([this] {
    filling_ = false;
    if (!refillWanted_) return;
    refillWanted_ = false;
    QTimer::singleShot(0, this, &TfrmObject::RefillObjectList);
  });
  ::FillObjectList(*this, {lstTree, lstObject, cmbFind, &qryObject, main_, SchemaFilter, &ColumnKey}, skipFind);
}

TovForm* TfrmObject::OpenObject(int kind, const std::string& schema, const std::string& name, uint8_t mode,
                                int reserved, int topCount) {
  return ::OpenObject(*this, kind, schema, name, mode, reserved, topCount);
}

void TfrmObject::GenerateDDL(int kind, const std::string& schema, const std::string& name, std::ostream& stream,
                             const std::string& newSchema, const std::string& newName) {
  ::GenerateDDL(*this, kind, schema, name, stream, newSchema, newName);
}

void TfrmObject::WriteGrantDDL(const std::string& owner, std::ostream& stream) {
  const QTreeWidgetItem* item = lstObject->currentItem();
  if (!item) return;
  ::WriteGrantDDL(*this, {ItemImage(*item), item->text(1).toStdString(), item->text(0).toStdString()}, owner, stream);
}

void TfrmObject::SaveSourceBefore(const std::string& schema, const std::string& name, int kind) {
  ::SaveSourceBefore(*this, schema, name, kind);
}

void TfrmObject::SaveSourceAfter(const std::string& schema, const std::string& name, int kind) {
  ::SaveSourceAfter(*this, schema, name, kind);
}
