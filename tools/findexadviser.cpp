#include "tools/findexadviser.h"

#include <QApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStandardItemModel>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

#include "admin/fadmin.h"
#include "app/core/fmainactcore.h"
#include "app/core/fobjectreport.h"
#include "app/core/ovatexit.h"
#include "app/core/ovddlhooks.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/core/zarursql.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "sqlwork/core/fsqllogcore.h"
#include "sqlwork/core/rexplancore.h"
#include "sqlwork/fsqllog.h"
#include "sqlwork/ovconncombo.h"
#include "sqlwork/sqlactions.h"
#include "tools/core/fsqlcatchcore.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/ovtoolbar.h"

namespace {

constexpr char kTitle[] = "インデックスアドバイザ";
constexpr char kSizeKey[] = "INDEXADVISER";
constexpr char kColCountValue[] = "ColCount";
constexpr int kDefaultColCount = 2;
constexpr int kHelpContext = 30100;
constexpr int kWindowImage = 46;
constexpr int kTableImage = 45;
constexpr int kIndexImage = 46;
constexpr int kDesignWidth = 760;
constexpr int kDesignHeight = 560;
constexpr int kNameWidth = 220;
constexpr int kTypeWidth = 120;
constexpr int kStateWidth = 110;
constexpr int kTypeItem = 0;
constexpr int kParamItem = 1;
constexpr int kStateItem = 2;
constexpr int kSchemaItem = 3;  // hidden: the index's schema
constexpr int kFirstNewerLevel = 10;
const QColor kUnusedColour = Qt::red;
const QColor kCreatedColour = Qt::gray;

constexpr TActionSpec kExec = {"解析(&E)", "解析|SQL文を解析してインデックスを提案します。", 28};
constexpr TActionSpec kPrev = {"前(&P)", "前|前のSQL文を表示します。", 29};
constexpr TActionSpec kNext = {"次(&N)", "次|次のSQL文を表示します。", 30};
constexpr TActionSpec kLog = {"履歴(&L)", "履歴|SQL文の履歴を表示します。", 86};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};
constexpr TActionSpec kCreate = {"作成", "作成|インデックスを作成します。", 15};
constexpr TActionSpec kTest = {"テスト", "テスト|インデックス作成前後の実行時間を比較します。", 43};
constexpr TActionSpec kNameChange = {"インデックス名の変更", "インデックス名の変更|インデックス名を変更します。", kNoActionImage};
constexpr TActionSpec kIndexOpen = {"開く(&O)", "開く|インデックスを開きます。", 17};
constexpr TActionSpec kIndexDelete = {"削除(&D)", "削除|インデックスを削除します。", 41};

constexpr char kColCountWarning[] = "作成するインデックス列の上限数は1以上の整数で入力して下さい。";
constexpr char kParseError[] = "この SQL を解析することは出来ません。";
constexpr char kNotAnalysable[] = "この SQL を解析することが出来ません。";
constexpr char kNoTable[] = "対象のテーブルが見つかりません。";
constexpr char kNoDefinition[] = "定義情報を読み込めませんでした。";
constexpr char kDeleteUsed[] = "インデックスを削除しますか？";
constexpr char kDeleteUnused[] = "このインデックスが他のSQLで使用される場合もありますが、\r\nインデックスを削除しますか？";
constexpr char kDeleted[] = "インデックスが削除されました。";
constexpr char kTestQuestion[] =
    "作成前と作成後でコストを比較します。\r\n(インデックスを作成し、比較後にインデックスを削除します。)\r\nよろしいですか？";
constexpr char kRenameCaption[] = "インデックス名の変更";
constexpr char kRenamePrompt[] = "新しいインデックス名を入力して下さい。";

constexpr char kTableQuery[] =
    "SELECT 'TABLE' OBJECT_TYP FROM RDBII_SYSTEM.RDBII_TABLE  WHERE SCHEMA_NAME = :OWNER AND TABLE_NAME = :NAME";
constexpr char kUniqueKeyQuery[] =
    "SELECT TRIM(A.COLUMN_NAME),B.OBJECT_CODE FROM RDBII_SYSTEM.RDBII_COLUMN A,RDBII_SYSTEM.RDBII_COLUMN_USAGE B "
    "WHERE A.DB_CODE = :DB_CODE AND A.SCHEMA_CODE = :SCHEMA_CODE AND A.TABLE_CODE = :TABLE_CODE AND A.COLUMN_CODE = "
    "B.COLUMN_CODE AND B.DB_CODE = A.DB_CODE AND B.SCHEMA_CODE = A.SCHEMA_CODE AND B.TABLE_CODE  = A.TABLE_CODE AND "
    "B.LIST_TYPE = 'U' AND B.OBJECT_CODE IN (SELECT CONSTRAINT_CODE FROM RDBII_SYSTEM.RDBII_CONSTRAINT C WHERE "
    "B.DB_CODE = A.DB_CODE AND B.SCHEMA_CODE = A.SCHEMA_CODE AND B.TABLE_CODE  = A.TABLE_CODE AND C.CONSTRAINT_TYPE = "
    "'UK')  ORDER BY B.OBJECT_CODE WITH OPTION LOCK_MODE(NO LOCK)";
constexpr char kIndexQuery[] =
    "SELECT TRIM(B.SCHEMA_NAME), TRIM(A.INDEX_DSO_NAME), A.INDEX_DSO_CODE FROM RDBII_SYSTEM.RDBII_INDEX A LEFT OUTER "
    "JOIN RDBII_SYSTEM.RDBII_SCHEMA B ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE  WHERE A.DB_CODE = "
    ":DB_CODE AND A.SCHEMA_CODE = :SCHEMA_CODE AND A.TABLE_CODE  = :TABLE_CODE  WITH OPTION LOCK_MODE(NO LOCK)";
constexpr char kIndexColumnQuery[] =
    "SELECT TRIM(A.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN A, RDBII_SYSTEM.RDBII_COLUMN_USAGE B WHERE A.DB_CODE = "
    "B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = B.TABLE_CODE AND A.COLUMN_CODE = B.COLUMN_CODE AND "
    "B.DB_CODE = :DB_CODE AND B.OBJ_SCHEMA_CODE = :OBJ_SCHEMA_CODE AND B.OBJECT_CODE = :OBJECT_CODE AND B.TABLE_CODE = "
    ":TABLE_CODE AND B.LIST_TYPE = 'I' ORDER BY B.ORDINAL_POSITION";
constexpr char kColumnQuery[] =
    "SELECT TRIM(COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE "
    "AND TABLE_CODE = :TABLE_CODE AND COLUMN_NAME = :COLUMN_NAME";
constexpr char kIndexSizeQuery[] =
    "SELECT PARAMETER_VALUE FROM RDBII_SYSTEM.RDBII_SYS_PRM WHERE PARAMETER_NAME = 'DEFAULT_INDEX_SIZE' AND KIND = "
    "'SYS'";

// Shared by every adviser, as the program keeps them.
TDefIdxSize DefIdxSize;

void CommitOpen(TovConnectionWindow& connection) {
  TovSQLConnection& c = connection.Module().Connection;
  if (c.InTransaction()) c.CommitTrans();
}

QHeaderView* MakeHeader(QWidget* parent, const QStringList& titles) {
  auto* model = new QStandardItemModel(0, static_cast<int>(titles.size()), parent);
  model->setHorizontalHeaderLabels(titles);
  auto* header = new QHeaderView(Qt::Horizontal, parent);
  header->setModel(model);
  header->resizeSection(0, kNameWidth);
  header->resizeSection(1, kTypeWidth);
  header->resizeSection(3, kStateWidth);
  header->setSectionResizeMode(2, QHeaderView::Stretch);
  return header;
}

// The column texts of a row take its own colour, as its name does.
void DrawInRowColour(TovTreeView& tree, TovTreeNode& node, int index, QStyle::State state, const QRect& rect,
                     bool& defaultDraw, QPainter& painter) {
  (void)tree;
  const QVariant colour = node.data(0, Qt::ForegroundRole);
  if ((state & QStyle::State_Selected) || !colour.canConvert<QBrush>()) return;
  defaultDraw = false;
  painter.save();
  painter.setPen(colour.value<QBrush>().color());
  painter.drawText(rect.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::TextSingleLine, node.SubItem(index));
  painter.restore();
}

TovTreeNode* TopRow(TovTreeView& tree, const std::string& text) {
  for (int i = 0; i < tree.topLevelItemCount(); ++i)
    if (tree.topLevelItem(i)->text(0).toStdString() == text) return static_cast<TovTreeNode*>(tree.topLevelItem(i));
  return nullptr;
}

std::vector<std::string> LevelOneTexts(TovTreeView& tree) {
  std::vector<std::string> texts;
  for (int i = 0; i < tree.topLevelItemCount(); ++i)
    for (int j = 0; j < tree.topLevelItem(i)->childCount(); ++j)
      texts.push_back(tree.topLevelItem(i)->child(j)->text(0).toStdString());
  return texts;
}

std::string Joined(const std::vector<std::string>& columns) {
  std::string text;
  for (const std::string& c : columns) text += (text.empty() ? "" : ", ") + c;
  return text;
}

}  // namespace

TfrmIndexAdviser* TfrmIndexAdviser::Open(TovConnectionWindow& connection) { return new TfrmIndexAdviser(connection); }

TfrmIndexAdviser::TfrmIndexAdviser(TovConnectionWindow& connection) : TovForm(connection) {
  setObjectName("frmIndexAdviser");
  SetDesignSize(kDesignWidth, kDesignHeight);
  SetHelpContext(kHelpContext);
  setupUi();
  AddQuery(&qryTest);
  AddQuery(&qryAssist);
  CreateTaskButton();
  SetImageIndex(kWindowImage);
  setWindowIcon(imgMain().Icon(kWindowImage));
  FillConnectionCombo(*cmbDBName, MainWindow(), connection.Window());
  cmbDBNameChange();
  TaskButtonClick();
}

void TfrmIndexAdviser::setupUi() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  actExec = MakeAction(this, kExec);
  actPrev = MakeAction(this, kPrev);
  actNext = MakeAction(this, kNext);
  actLog = MakeAction(this, kLog);
  actExit = MakeAction(this, kExit);
  actCreate = MakeAction(this, kCreate);
  actTest = MakeAction(this, kTest);
  actNameChange = MakeAction(this, kNameChange);
  mnuIndexOpen = MakeAction(this, kIndexOpen);
  mnuIndexDelete = MakeAction(this, kIndexDelete);

  tolCmd = new QToolBar(this);
  tolCmd->setObjectName("tolCmd");
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  for (QAction* action : {actExec, actPrev, actNext, actLog, actExit}) tolCmd->addAction(action);
  SetTextButtonWidths(*tolCmd, {actExec, actPrev, actNext, actLog, actExit});
  tolCmd->addWidget(new QLabel(QString::fromUtf8("\u3000データベース"), this));
  cmbDBName = new TovComboBox(this);
  cmbDBName->setObjectName("cmbDBName");
  cmbDBName->setEditable(false);
  tolCmd->addWidget(cmbDBName);
  tolCmd->addWidget(new QLabel(QString::fromUtf8("\u3000作成するインデックス列の上限数"), this));
  txtColCount = new TovNumEdit(this);
  txtColCount->setObjectName("txtColCount");
  txtColCount->setText(QString::number(kDefaultColCount));
  tolCmd->addWidget(txtColCount);
  layout->addWidget(tolCmd);

  auto* splitter = splPanels = new QSplitter(Qt::Vertical, this);
  txtSQL = new TovMemo(splitter);
  txtSQL->setObjectName("txtSQL");
  auto tree = [&](const QStringList& titles, QHeaderView*& header, TovTreeView*& list, const char* name) {
    auto* panel = new QWidget(splitter);
    auto* box = new QVBoxLayout(panel);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    header = MakeHeader(panel, titles);
    list = new TovTreeView(panel);
    list->setObjectName(name);
    list->SetHeaderControl(header);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->OnCustomDrawSubItem = DrawInRowColour;
    list->installEventFilter(this);
    box->addWidget(header);
    box->addWidget(list, 1);
  };
  tree({"現在のインデックス", "タイプ", "パラメータ", "使用 / 未使用"}, hedIndex, lstIndex, "lstIndex");
  tree({"作成するインデックス", "タイプ", "パラメータ", "未作成/作成済"}, hedNewIndex, lstNewIndex, "lstNewIndex");
  layout->addWidget(splitter, 1);

  auto* pnlButton = new QWidget(this);
  auto* buttons = new QHBoxLayout(pnlButton);
  buttons->addStretch(1);
  btnCreate = new QToolButton(pnlButton);
  btnCreate->setObjectName("btnCreate");
  btnCreate->setDefaultAction(actCreate);
  btnTest = new QToolButton(pnlButton);
  btnTest->setObjectName("btnTest");
  btnTest->setDefaultAction(actTest);
  for (QToolButton* button : {btnCreate, btnTest}) {
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setMinimumWidth(kTextButtonWidth);
    buttons->addWidget(button);
  }
  layout->addWidget(pnlButton);

  popIndex = new QMenu(this);
  popIndex->addAction(mnuIndexOpen);
  popIndex->addAction(mnuIndexDelete);
  lstIndex->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lstIndex, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popIndex->popup(lstIndex->viewport()->mapToGlobal(at)); });
  popNewIndex = new QMenu(this);
  for (QAction* action : {actCreate, actTest, actNameChange}) popNewIndex->addAction(action);
  lstNewIndex->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lstNewIndex, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popNewIndex->popup(lstNewIndex->viewport()->mapToGlobal(at)); });

  const auto on = [this](QAction* action, void (TfrmIndexAdviser::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] { RunReported([this, handler] { (this->*handler)(); }); });
  };
  on(actExec, &TfrmIndexAdviser::actExecExecute);
  on(actPrev, &TfrmIndexAdviser::actPrevExecute);
  on(actNext, &TfrmIndexAdviser::actNextExecute);
  on(actLog, &TfrmIndexAdviser::actLogExecute);
  on(actCreate, &TfrmIndexAdviser::actCreateExecute);
  on(actTest, &TfrmIndexAdviser::actTestExecute);
  on(actNameChange, &TfrmIndexAdviser::actNameChangeExecute);
  on(mnuIndexOpen, &TfrmIndexAdviser::mnuIndexOpenClick);
  on(mnuIndexDelete, &TfrmIndexAdviser::mnuIndexDeleteClick);
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });
  connect(cmbDBName, &QComboBox::currentIndexChanged, this, [this] { RunReported([this] { cmbDBNameChange(); }); });
  connect(txtColCount, &QLineEdit::textChanged, this, [this] { txtColCountChange(); });
  connect(lstIndex, &QTreeWidget::itemDoubleClicked, this, [this] { RunReported([this] { mnuIndexOpenClick(); }); });
  connect(lstNewIndex, &QTreeWidget::itemDoubleClicked, this,
          [this] { RunReported([this] { actNameChangeExecute(); }); });
  for (TovTreeView* list : {lstIndex, lstNewIndex})
    connect(list, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  connect(qApp, &QApplication::focusChanged, this, [this] { UpdateActions(); });
  txtSQL->OnTextChange = [this] { UpdateActions(); };
  UpdateActions();
}

// ---- state ----

TovTreeNode* TfrmIndexAdviser::SelectedProposal() const {
  auto* node = static_cast<TovTreeNode*>(lstNewIndex->currentItem());
  if (!node || !node->parent() || node->SubItem(kStateItem).toStdString() != kNotCreatedText) return nullptr;
  return node;
}

TovTreeNode* TfrmIndexAdviser::SelectedIndex() const {
  auto* node = static_cast<TovTreeNode*>(lstIndex->currentItem());
  if (!node || !node->parent() || node->SubItemCount() == 0) return nullptr;
  return node;
}

void TfrmIndexAdviser::UpdateActions() {
  const std::string text = txtSQL->Text();
  actExec->setEnabled(!text.empty() && text != "\r\n" && text != "\n");
  QWidget* focus = QApplication::focusWidget();
  const bool focused = focus == lstNewIndex || focus == btnCreate || focus == btnTest;
  const bool proposal = SelectedProposal() != nullptr;
  for (QAction* action : {actCreate, actTest, actNameChange}) action->setEnabled(focused && proposal);
  // The pop-up's items follow the row alone.
  for (QAction* action : popNewIndex->actions()) action->setVisible(true);
  const bool index = SelectedIndex() != nullptr;
  mnuIndexOpen->setEnabled(index);
  mnuIndexDelete->setEnabled(index);
}

void TfrmIndexAdviser::cmbDBNameChange() {
  TovConnectionWindow* connection = ConnectionOfEntry(*cmbDBName, cmbDBName->currentIndex());
  if (!connection) return;
  SetConnectionWindow(connection);
  setWindowTitle(Q(TfrmAdmin::CaptionOf(kTitle, *connection)));
  SetTaskCaption(TfrmAdmin::LabelOf(*connection));
}

void TfrmIndexAdviser::DBChange(QObject* sender) {
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

void TfrmIndexAdviser::LoadWindowSize() {
  LoadWindowSizeFrom(kSizeKey);
  // A squeezed existing-index panel takes half of each neighbour.
  QList<int> sizes = splPanels->sizes();
  if (sizes.size() == 3 && sizes[1] == 0) {
    const int fromSQL = sizes[0] / 2, fromProposals = sizes[2] / 2;
    splPanels->setSizes({sizes[0] - fromSQL, fromSQL + fromProposals, sizes[2] - fromProposals});
  }
  platform::KeyScope key(AppRegistry);
  if (AppRegistry.OpenKey(GuiKey(kSizeKey), true))
    txtColCount->SetInteger(std::max(1, AppRegistry.ReadIntegerDef(kColCountValue, kDefaultColCount)));
}

void TfrmIndexAdviser::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }

void TfrmIndexAdviser::closeEvent(QCloseEvent* event) {
  {
    platform::KeyScope key(AppRegistry);
    if (AppRegistry.OpenKey(GuiKey(kSizeKey), true)) AppRegistry.WriteInteger(kColCountValue, txtColCount->AsInteger());
  }
  TovForm::closeEvent(event);
}

void TfrmIndexAdviser::CodeAssist(int x, int y) { CodeAssistFor(*txtSQL, qryAssist, x, y); }

void TfrmIndexAdviser::txtColCountChange() {
  if (txtColCount->text() != "0") return;
  MsgBox(kColCountWarning, MB_ICONWARNING);
  txtColCount->selectAll();
}

bool TfrmIndexAdviser::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lstIndex && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      RunReported([this] { mnuIndexOpenClick(); });
      return true;
    }
    if (key == Qt::Key_Delete) {
      RunReported([this] { mnuIndexDeleteClick(); });
      return true;
    }
  }
  return TovForm::eventFilter(watched, event);
}

// ---- history ----

void TfrmIndexAdviser::LoadLogEntry(int index) {
  txtSQL->Clear();
  if (index >= 0) txtSQL->Lines().Assign(ReadSQLLogEntry(index));
  txtSQL->SetModified(false);
  txtSQL->GetUndoObj().Clear();
  txtSQL->SetRow(0);
  txtSQL->SetCol(0);
}

void TfrmIndexAdviser::actPrevExecute() {
  const int index = PrevLogIndex(LogIndex, static_cast<int>(SQLLogFiles.size()));
  if (index == LogIndex) return;
  LogIndex = index;
  LoadLogEntry(index);
}

void TfrmIndexAdviser::actNextExecute() {
  const int index = NextLogIndex(LogIndex, static_cast<int>(SQLLogFiles.size()));
  if (index == LogIndex) return;
  LogIndex = index;
  LoadLogEntry(index);
}

void TfrmIndexAdviser::actLogExecute() {
  const int index = ShowSQLLog(this);
  if (index < 0) return;
  LogIndex = index;
  LoadLogEntry(index);
}

// ---- analysis ----

TfrmIndexAdviser::TTableRef TfrmIndexAdviser::TableRef(const std::string& written, const std::string& alias) const {
  TTableRef ref;
  const size_t dot = written.find('.');
  if (dot != std::string::npos) {
    ref.Schema = EraseStr(written.substr(0, dot));
    ref.Table = EraseStr(written.substr(dot + 1));
    ref.Row = ref.Schema + "." + ref.Table;
  } else {
    // A table without schema is the login user's.
    ref.Schema = ConnectionWindow->Module().GetUserName();
    ref.Table = EraseStr(written);
    ref.Row = ref.Table;
  }
  ref.Alias = EraseStr(alias);
  return ref;
}

bool TfrmIndexAdviser::TableExists(const TTableRef& ref) {
  return !ConnectionWindow->OpenSQLParams(kTableQuery, {ref.Schema, ref.Table}).Eof();
}

namespace {

struct TTableCodes {
  std::string Db, Schema, Table;
};

TTableCodes CodesOf(TovConnectionWindow& connection, const std::string& schema, const std::string& table) {
  const std::string dataSource = connection.Module().GetDataSourceName();
  TTableCodes codes{connection.GetDBCode(dataSource), connection.GetSchemaCode(dataSource, schema),
                    connection.GetTableCode(dataSource, schema, table)};
  // A missing code ends the analysis without a word.
  if (codes.Db.empty() || codes.Schema.empty() || codes.Table.empty()) throw EAbort();
  return codes;
}

}  // namespace

void TfrmIndexAdviser::actExecExecute() {
  if (!ConnectionWindow) return;
  statementText_ = txtSQL->Text();
  if (txtColCount->AsInteger() == 0) {
    MsgBox(kColCountWarning, MB_ICONWARNING);
    txtColCount->setFocus();
    return;
  }
  const TSqlWaitCursor wait;
  if (txtSQL->Modified() && AppOption.SQLBuf > 0) {
    std::vector<std::string> lines;
    for (int i = 0; i < txtSQL->Lines().GetCount(); ++i) lines.push_back(txtSQL->Lines().Get(i));
    RecordSQLLog(lines);
    LogIndex = 0;
  }
  txtSQL->SetModified(false);
  const std::string selected = txtSQL->SelText();
  std::vector<std::string> lines;
  {
    const std::string text = selected.empty() ? statementText_ : selected;
    size_t from = 0;
    while (from <= text.size()) {
      size_t end = text.find('\n', from);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(from, end - from);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
      from = end + 1;
    }
  }
  StripSQLComments(lines, true);
  std::string sql;
  for (const std::string& line : lines) sql += (sql.empty() ? "" : "\r\n") + line;
  for (size_t at = sql.find("SELECT*FROM"); at != std::string::npos; at = sql.find("SELECT*FROM", at))
    sql.replace(at, std::char_traits<char>::length("SELECT*FROM"), "SELECT * FROM");
  TovSQLParts parts;
  int kind = sqlKindNone;
  try {
    kind = AnalyzeSQL(sql, parts, kParseError);
  } catch (const ESQLParseError& e) {
    MsgBox(e.what(), MB_ICONWARNING);
    return;
  }
  if (Trim(sql).empty() || (kind != sqlKindSelect && kind != sqlKindUpdate && kind != sqlKindDelete)) {
    MsgBox(kNotAnalysable, MB_ICONWARNING);
    return;
  }
  lstIndex->clear();
  lstNewIndex->clear();
  TovSQLConnection& logon = ConnectionWindow->Module().Connection;
  const TPlanTraceResult plan = RunAccessPlanTrace(Trim(statementText_), {logon.DataSource, logon.UserName, logon.Password},
                                                   [this] { CommitOpen(*ConnectionWindow); });
  if (!plan.Ran) {
    if (!plan.Message.empty()) MsgBox(plan.Message, MB_ICONERROR);
    return;
  }
  if (plan.Lines.empty()) {
    MsgBox(plan.Message, MB_ICONERROR);
    return;
  }
  ShowExistingIndexes(parts, PlanUsedIndexes(plan.Lines));
  ShowProposals(parts);
  lstIndex->expandAll();
  lstNewIndex->expandAll();
  UpdateActions();
}

void TfrmIndexAdviser::ShowExistingIndexes(const TovSQLParts& parts, const std::vector<TovIndexList>& used) {
  lstIndex->setUpdatesEnabled(false);
  const AtExit update([this] { lstIndex->setUpdatesEnabled(true); });
  bool found = false;
  for (int t = 0; t < parts.Tables.Count(); ++t) {
    const TTableRef ref = TableRef(parts.Tables.GetName(t), parts.Tables.GetValue(t));
    if (!TableExists(ref) || TopRow(*lstIndex, ref.Row)) continue;
    found = true;
    auto* top = new TovTreeNode(lstIndex, QStringList{Q(ref.Row)});
    top->setIcon(0, imgMain().Icon(kTableImage));
    CommitOpen(*ConnectionWindow);
    const TTableCodes codes = CodesOf(*ConnectionWindow, ref.Schema, ref.Table);
    std::map<std::string, std::vector<std::string>> uniqueKeys;
    for (TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kUniqueKeyQuery, {codes.Db, codes.Schema, codes.Table});
         !q.Eof(); q.Next())
      uniqueKeys[q.AsString(size_t{1})].push_back(q.AsString(size_t{0}));
    struct TIndexRow {
      std::string Schema, Name, Code;
    };
    std::vector<TIndexRow> indexes;
    for (TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kIndexQuery, {codes.Db, codes.Schema, codes.Table}); !q.Eof();
         q.Next())
      indexes.push_back({q.AsString(size_t{0}), q.AsString(size_t{1}), q.AsString(size_t{2})});
    CommitOpen(*ConnectionWindow);
    if (indexes.empty()) {
      auto* none = new TovTreeNode(top, QStringList{kNoIndexRow});
      none->setForeground(0, kUnusedColour);
      continue;
    }
    for (const TIndexRow& index : indexes) {
      std::vector<std::string> columns;
      for (TovSQLQuery& q =
               ConnectionWindow->OpenSQLParams(kIndexColumnQuery, {codes.Db, codes.Schema, index.Code, codes.Table});
           !q.Eof(); q.Next())
        columns.push_back(q.AsString(size_t{0}));
      // An index is unique when its columns are those of a unique key.
      const bool unique = std::any_of(uniqueKeys.begin(), uniqueKeys.end(),
                                      [&](const auto& key) { return key.second == columns; });
      const bool isUsed = std::find(used.begin(), used.end(), TovIndexList{index.Schema, index.Name}) != used.end();
      auto* node = new TovTreeNode(top, QStringList{Q(index.Name)});
      node->setIcon(0, imgMain().Icon(kIndexImage));
      node->AddSubItem(unique ? kUniqueIndexText : kNonUniqueIndexText);
      node->AddSubItem(Q(Joined(columns)));
      node->AddSubItem(isUsed ? kUsedText : kUnusedText);
      node->AddSubItem(Q(index.Schema));
      if (!isUsed) node->setForeground(0, kUnusedColour);
    }
  }
  if (!found) MsgBox(kNoTable, MB_ICONERROR);
}

void TfrmIndexAdviser::ShowProposals(const TovSQLParts& parts) {
  std::vector<TovNewIndexList> conditions = ConditionList(parts.WhereWords);
  const int k = txtColCount->AsInteger();
  for (int t = 0; t < parts.Tables.Count(); ++t) {
    const TTableRef ref = TableRef(parts.Tables.GetName(t), parts.Tables.GetValue(t));
    if (!TableExists(ref)) continue;
    const TTableCodes codes = CodesOf(*ConnectionWindow, ref.Schema, ref.Table);
    const auto hasColumn = [&](const std::string& column) {
      return !ConnectionWindow->OpenSQLParams(kColumnQuery, {codes.Db, codes.Schema, codes.Table, column}).Eof();
    };
    for (int g = 0; g < GroupCount(conditions); ++g) {
      const std::vector<std::string> columns = GroupColumns(conditions, g, ref.Table, ref.Alias, hasColumn);
      for (const std::string& proposal : CyclicProposals(columns, k)) {
        TovTreeNode* top = TopRow(*lstNewIndex, ref.Row);
        if (!top) {
          top = new TovTreeNode(lstNewIndex, QStringList{Q(ref.Row)});
          top->setIcon(0, imgMain().Icon(kTableImage));
        }
        std::vector<std::string> taken = LevelOneTexts(*lstIndex);
        for (const std::string& name : LevelOneTexts(*lstNewIndex)) taken.push_back(name);
        std::string name = ProposalName(ref.Table, taken);
        std::string type = kNonUniqueIndexText;
        std::string state = kNotCreatedText;
        if (TovTreeNode* existing = TopRow(*lstIndex, UpperCase(ref.Row))) {
          for (int i = 0; i < existing->childCount(); ++i) {
            auto* index = static_cast<TovTreeNode*>(existing->child(i));
            if (index->SubItemCount() == 0 || index->SubItem(kParamItem).toStdString() != proposal) continue;
            name = index->text(0).toStdString();
            type = index->SubItem(kTypeItem).toStdString();
            state = kCreatedText;
            break;
          }
        }
        auto* node = new TovTreeNode(top, QStringList{Q(name)});
        node->setIcon(0, imgMain().Icon(kIndexImage));
        node->AddSubItem(Q(type));
        node->AddSubItem(Q(proposal));
        node->AddSubItem(Q(state));
        if (state == kCreatedText) node->setForeground(0, kCreatedColour);
      }
    }
  }
}

// ---- existing indexes ----

void TfrmIndexAdviser::mnuIndexOpenClick() {
  TovTreeNode* node = SelectedIndex();
  if (!node || !ConnectionWindow) return;
  OpenObject(*ConnectionWindow, kIndexKind, node->SubItem(kSchemaItem).toStdString(), node->text(0).toStdString(), 0, 0,
             0);
}

void TfrmIndexAdviser::mnuIndexDeleteClick() {
  TovTreeNode* node = SelectedIndex();
  if (!node || !ConnectionWindow) return;
  const bool used = node->SubItem(kStateItem).toStdString() == kUsedText;
  if (MsgBox(used ? kDeleteUsed : kDeleteUnused, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  // The DSO is the index's own schema's, which need not be the login's.
  ConnectionWindow->ExecSQL("DROP DSO " + QuoteIdent(node->SubItem(kSchemaItem).toStdString()) + "." +
                            QuoteIdent(node->text(0).toStdString()) + " CASCADE");
  actExecExecute();
  MsgBox(kDeleted, MB_ICONINFORMATION);
}

// ---- proposals ----

std::vector<std::string> TfrmIndexAdviser::ProposalDDL(const TovTreeNode& proposal) {
  const std::string row = proposal.parent()->text(0).toStdString();
  const size_t dot = row.find('.');
  const std::string schema = dot == std::string::npos ? ConnectionWindow->Module().GetUserName() : row.substr(0, dot);
  const std::string table = dot == std::string::npos ? row : row.substr(dot + 1);
  const int level = ConnectionWindow->Level();
  const bool reduced = ConnectionWindow->LevelReduced();
  TIndexDDLInput input{level, reduced, schema, row, QuoteIdent(proposal.text(0).toStdString()),
                       proposal.SubItem(kParamItem).toStdString(), {}, nullptr, {}, AppOption.Separator};
  if (!(level >= kFirstNewerLevel && reduced)) {
    std::vector<std::string> dsis;
    ConnectionWindow->GetTableDSIList(dsis, schema, table);
    for (const std::string& dsi : dsis)
      if (!dsi.empty()) input.DSIs.push_back(dsi);
  }
  std::vector<std::string> report;
  if (!input.DSIs.empty() && !ConnectionWindow->IsRemote()) {
    bool ok = false;
    report = TableReport(*ConnectionWindow, table, TableReportControl(schema, table), ok);
    if (!ok) {
      MsgBox(kNoDefinition, MB_ICONERROR);
      report.clear();
    }
  }
  input.SpaceOf = [&report](const std::string& dsi) { return ReportDSISpace(report, dsi); };
  if (level >= kFirstNewerLevel && !reduced && !input.DSIs.empty()) {
    TovSQLQuery& q = ConnectionWindow->OpenSQL(kIndexSizeQuery);
    if (!q.Eof()) ReadDefIdxSize(q.AsString(size_t{0}), DefIdxSize);
  }
  input.Sizes = DefIdxSize;
  return BuildIndexDDL(input);
}

void TfrmIndexAdviser::actCreateExecute() {
  TovTreeNode* proposal = SelectedProposal();
  if (!proposal || !ConnectionWindow) return;
  std::vector<std::string> lines = ProposalDDL(*proposal);
  if (ShowDDLPreview(lines, ConnectionWindow->Module().GetUserName(), proposal->text(0).toStdString())) {
    try {
      RunDDLExecAndWait(*ConnectionWindow, lines);
    } catch (const EAbort&) {
      // A stopped run still leaves the analysis to show what exists.
    }
  }
  actExecExecute();
}

void TfrmIndexAdviser::actNameChangeExecute() {
  TovTreeNode* proposal = static_cast<TovTreeNode*>(lstNewIndex->currentItem());
  if (!proposal || !proposal->parent() || proposal->SubItem(kStateItem).toStdString() != kNotCreatedText) return;
  platform::InputRequest request;
  request.caption = kRenameCaption;
  request.prompt = kRenamePrompt;
  request.value = proposal->text(0).toStdString();
  while (platform::Dialogs().ShowInput(request)) {
    if (Trim(request.value).empty()) continue;
    proposal->setText(0, Q(request.value));
    return;
  }
}

// ---- test ----

std::string TfrmIndexAdviser::ReadTraceTime() {
  const std::string folder = TraceFolderOf(TrcOption.Path, ConnectionWindow->Module().GetDataSourceName());
  const std::optional<std::string> file = folder.empty() || !QFileInfo(Q(folder)).isDir() ? std::nullopt
                                                                                          : LatestTraceFile(folder);
  if (!file) {
    MsgBox(kTraceFileMissing, MB_ICONWARNING);
    return {};
  }
  const std::optional<std::vector<std::string>> lines = LoadTraceLines(*file);
  return lines ? LastRecordTime(*lines, statementText_) : std::string();
}

std::string TfrmIndexAdviser::MeasureStatement() {
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  if (connection.InTransaction()) connection.CommitTrans();
  connection.BeginTrans();
  // Rolled back whatever happens: the measured run changes no row, also
  // with AutoCommit on.
  {
    const AtExit rollback([&connection] {
      if (connection.InTransaction()) connection.RollbackTrans();
    });
    qryTest.SetConnection(&connection);
    qryTest.SetParamCheck(false);
    qryTest.SetSQL(Trim(statementText_));
    qryTest.ExecSQL();
    qryTest.Close();
  }
  return ReadTraceTime();
}

void TfrmIndexAdviser::actTestExecute() {
  TovTreeNode* proposal = SelectedProposal();
  if (!proposal || !ConnectionWindow) return;
  if (MsgBox(kTestQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  const std::string row = proposal->parent()->text(0).toStdString();
  const std::string name = QuoteIdent(proposal->text(0).toStdString());
  std::string before, after;
  {
    const TSqlWaitCursor wait;
    before = MeasureStatement();
    const std::vector<std::string> lines = ProposalDDL(*proposal);
    const auto drop = [&] {
      TovSQLConnection& connection = ConnectionWindow->Module().Connection;
      if (connection.InTransaction()) connection.CommitTrans();
      connection.BeginTrans();
      ConnectionWindow->ExecSQL(DropProposalSQL(ConnectionWindow->Level(), row, name));
      if (connection.InTransaction()) connection.CommitTrans();
    };
    try {
      ConnectionWindow->ExecScript(lines, false);
      after = MeasureStatement();
    } catch (const std::exception& failure) {
      // What the script made goes again; the failure is still the one shown.
      std::string message = failure.what();
      try {
        drop();
      } catch (const std::exception& dropFailure) {
        message += std::string("\r\n") + dropFailure.what();
      }
      throw std::runtime_error(message);
    }
    drop();
  }
  MsgBox(TestResultText(before, after), MB_OK);
}
