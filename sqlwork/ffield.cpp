#include "sqlwork/ffield.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/ovconnwin.h"
#include "app/core/fmaincore.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovmsg.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/qstr.h"
#include "sqlwork/ovsqlwin.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kHelpContext = 30300;
constexpr char kCaptionPrefix[] = "表・列 - ";
constexpr char kLayoutKey[] = "FIELD";
constexpr char kTableWidthValue[] = "TableWidth";
constexpr char kPublicSchema[] = "PUBLIC";
constexpr char kViewType[] = "VW";
constexpr char kAliasCaption[] = "別名の指定";
constexpr char kAliasPrompt[] = " の別名を指定して下さい。";
constexpr int kIconImage = 12;
constexpr int kCopyImage = 21;
constexpr int kExitImage = 42;
constexpr int kKeyImage = 46;
constexpr int kOwnerRows = 20;
constexpr int kTableMinWidth = 30;
constexpr int kNameColumn = 0;
constexpr int kTypeColumn = 1;
// The room the column list keeps beside its two columns (its scroll bar).
constexpr int kColumnListRest = 16;
constexpr int kDesignWidth = 480;
constexpr int kDesignHeight = 360;
constexpr int kDesignTableWidth = 160;
// What a column item keeps besides its caption.
constexpr int kCommentRole = Qt::UserRole;
constexpr int kTableRole = Qt::UserRole + 1;
constexpr int kColumnRole = Qt::UserRole + 2;

// The columns of a row of the column statement.
enum TColumnField { cfName, cfType, cfLength, cfPrecision, cfScale, cfCharLength, cfCharUsed, cfRadix, cfComment };

std::string S(const QString& text) { return text.toStdString(); }

QToolButton* ToolButton(QWidget* parent, const char* name, int image, const char* hint) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setIcon(imgMain().Icon(image));
  button->setAutoRaise(true);
  if (hint) button->setToolTip(Q(hint));
  return button;
}

void ToClipboard(const std::string& text) { QApplication::clipboard()->setText(Q(text)); }

}  // namespace

TfrmField::TfrmField(TovConnectionWindow& connection)
    : QWidget(connection.Window(), Qt::Tool | Qt::WindowStaysOnTopHint), connection_(connection) {
  setupUi();
  TdmSymfoware& module = connection_.Module();
  database_ = module.GetDataSourceName();
  setWindowTitle(Q(kCaptionPrefix + module.GetUserName() + " @ " + module.GetDataSourceName()));
  setWindowIcon(imgMain().Icon(kIconImage));
  cmbOwner->addItem(Q(module.GetUserName()));
  if (TovMainWindow* main = ControlOptionsWindow())
    if (const auto* copy = main->Window()->findChild<QAction*>("actEditCopy")) mnuCopy->setShortcut(copy->shortcut());
  addAction(mnuCopy);  // its short-cut works in the whole window
  // At the mouse, one caption bar up and left, in the stored size.
  const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight);
  move(QCursor::pos() - QPoint(caption, caption));
  LoadWindowSize();
}

TfrmField::~TfrmField() { SaveWindowSize(); }

void TfrmField::setupUi() {
  setObjectName("frmField");
  setProperty(platform::kHelpContextProperty, kHelpContext);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* pnlTop = new QWidget(this);
  auto* top = new QHBoxLayout(pnlTop);
  top->setContentsMargins(2, 2, 2, 2);
  cmbOwner = new TovComboBox(pnlTop);
  cmbOwner->setObjectName("cmbOwner");
  cmbOwner->SetCharCase(ecUpperCase);
  cmbOwner->setMaxVisibleItems(kOwnerRows);
  btnTable = ToolButton(pnlTop, "btnTable", okTable, "テーブル表示");
  btnView = ToolButton(pnlTop, "btnView", okView, "ビュー表示");
  for (QToolButton* button : {btnTable, btnView}) {
    button->setCheckable(true);
    button->setChecked(true);
  }
  btnCopy = ToolButton(pnlTop, "btnCopy", kCopyImage, nullptr);
  btnCopy->setText(Q("コピー(&C)"));
  btnCopy->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  btnCopy->setPopupMode(QToolButton::MenuButtonPopup);
  btnExit = ToolButton(pnlTop, "btnExit", kExitImage, nullptr);
  btnExit->setText(Q("終了(&X)"));
  btnExit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  top->addWidget(cmbOwner, 1);
  top->addWidget(btnTable);
  top->addWidget(btnView);
  top->addWidget(btnCopy);
  top->addWidget(btnExit);
  layout->addWidget(pnlTop);

  splField = new QSplitter(Qt::Horizontal, this);
  splField->setObjectName("splField");
  splField->setChildrenCollapsible(false);
  auto* pnlTable = new QWidget(splField);
  auto* tableLayout = new QVBoxLayout(pnlTable);
  tableLayout->setContentsMargins(0, 0, 0, 0);
  auto* findTable = new QHBoxLayout();
  findTable->addWidget(new QLabel(Q("検索"), pnlTable));
  txtFindTable = new TovStrEdit(pnlTable);
  txtFindTable->setObjectName("txtFindTable");
  txtFindTable->SetCharCase(ecUpperCase);
  findTable->addWidget(txtFindTable, 1);
  tableLayout->addLayout(findTable);
  lstTable = new QListWidget(pnlTable);
  lstTable->setObjectName("lstTable");
  lstTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstTable->setSortingEnabled(true);
  lstTable->setUniformItemSizes(true);
  lstTable->setMinimumWidth(kTableMinWidth);
  tableLayout->addWidget(lstTable, 1);

  auto* pnlColumn = new QWidget(splField);
  auto* columnLayout = new QVBoxLayout(pnlColumn);
  columnLayout->setContentsMargins(0, 0, 0, 0);
  txtFindColumn = new TovStrEdit(pnlColumn);
  txtFindColumn->setObjectName("txtFindColumn");
  txtFindColumn->SetCharCase(ecUpperCase);
  columnLayout->addWidget(txtFindColumn);
  lstColumn = new TovListView(pnlColumn);
  lstColumn->setObjectName("lstColumn");
  lstColumn->setColumnCount(2);
  lstColumn->setHeaderLabels({Q("名前"), Q("型")});
  lstColumn->setRootIsDecorated(false);
  lstColumn->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstColumn->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstColumn->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstColumn->header()->setStretchLastSection(false);
  columnLayout->addWidget(lstColumn, 1);
  splField->addWidget(pnlTable);
  splField->addWidget(pnlColumn);
  splField->setStretchFactor(1, 1);
  layout->addWidget(splField, 1);

  popField = new QMenu(this);
  popField->setObjectName("popField");
  mnuCopy = popField->addAction(imgMain().Icon(kCopyImage), Q("コピー(&C)"));
  mnuCopy->setObjectName("mnuCopy");
  popField->addSeparator();
  mnuCopySelect = popField->addAction(Q("SELECT文生成"));
  mnuCopySelect->setObjectName("mnuCopySelect");
  mnuCopyInsert = popField->addAction(Q("INSERT文生成"));
  mnuCopyInsert->setObjectName("mnuCopyInsert");
  mnuCopyUpdate = popField->addAction(Q("UPDATE文生成"));
  mnuCopyUpdate->setObjectName("mnuCopyUpdate");
  btnCopy->setMenu(popField);
  for (QWidget* list : {static_cast<QWidget*>(lstTable), static_cast<QWidget*>(lstColumn)}) {
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this,
            [this, list](const QPoint& at) { popField->popup(list->mapToGlobal(at)); });
  }
  resize(kDesignWidth, kDesignHeight);
  splField->setSizes({kDesignTableWidth, kDesignWidth - kDesignTableWidth});

  connect(cmbOwner, &QComboBox::activated, this, [this] { RunReported([this] { RefreshTables(); }); });
  connect(btnTable, &QToolButton::clicked, this, &TfrmField::btnTableClick);
  connect(btnView, &QToolButton::clicked, this, &TfrmField::btnViewClick);
  connect(lstTable, &QListWidget::itemClicked, this, [this] { RunReported([this] { RefreshColumns(); }); });
  connect(lstColumn, &QTreeWidget::itemClicked, this, &TfrmField::lstColumnClick);
  connect(btnCopy, &QToolButton::clicked, this, &TfrmField::mnuCopyClick);
  connect(btnExit, &QToolButton::clicked, this, &QWidget::hide);
  connect(mnuCopy, &QAction::triggered, this, &TfrmField::mnuCopyClick);
  connect(mnuCopySelect, &QAction::triggered, this, &TfrmField::mnuCopySelectClick);
  connect(mnuCopyInsert, &QAction::triggered, this, &TfrmField::mnuCopyInsertClick);
  connect(mnuCopyUpdate, &QAction::triggered, this, &TfrmField::mnuCopyUpdateClick);
  txtFindTable->installEventFilter(this);
  txtFindColumn->installEventFilter(this);
}

// ---- showing ----

void TfrmField::SelectOwner(const std::string& schema) { cmbOwner->setCurrentIndex(cmbOwner->findText(Q(schema))); }

bool TfrmField::SelectTable(const std::string& table) {
  lstTable->clearSelection();
  const QList<QListWidgetItem*> found = lstTable->findItems(Q(table), Qt::MatchExactly);
  if (found.isEmpty()) return false;
  lstTable->setCurrentItem(found.front());
  found.front()->setSelected(true);
  return true;
}

void TfrmField::ShowFor(const std::string& schema, const std::string& table) {
  const std::string user = connection_.Module().GetUserName();
  std::vector<std::string> schemas;
  connection_.GetSchemaList(schemas, false);
  std::sort(schemas.begin(), schemas.end());
  cmbOwner->clear();
  for (const std::string& name : schemas) cmbOwner->addItem(Q(name));
  SelectOwner(user);
  if (!schema.empty() && schema != S(cmbOwner->currentText())) SelectOwner(schema);
  if (cmbOwner->currentIndex() < 0 && cmbOwner->count() > 0) cmbOwner->setCurrentIndex(0);
  RefreshTables();
  if (!table.empty() && !SelectTable(table)) {
    if (cmbOwner->findText(Q(kPublicSchema)) >= 0) {
      SelectOwner(kPublicSchema);
      RefreshTables();
    }
    if (!SelectTable(table)) {
      SelectOwner(user);
      RefreshTables();
    }
  }
  show();
  raise();
  activateWindow();
  lstTable->setFocus();
  if (!lstTable->selectedItems().isEmpty()) RefreshColumns();
}

// ---- lists ----

std::vector<std::string> TfrmField::Parameters(const std::string& table) const {
  std::vector<std::string> values = {database_, S(cmbOwner->currentText())};
  if (!table.empty()) values.push_back(table);
  return values;
}

void TfrmField::RefreshTables() {
  TSqlWaitCursor wait;
  lstTable->clear();
  lstColumn->clear();
  const std::string find = S(txtFindTable->text());
  const bool filtered = !Trim(find).empty();
  TovSQLQuery& q = connection_.OpenSQLParams(FieldTableSQL(btnTable->isChecked(), btnView->isChecked()),
                                             Parameters({}));
  for (; !q.Eof(); q.Next()) {
    const std::string name = q.AsString(0);
    if (filtered && name.find(find) == std::string::npos) continue;
    const int kind = Trim(q.AsString(1)) == kViewType ? okView : okTable;
    new QListWidgetItem(imgMain().Icon(kind), Q(name), lstTable);
  }
}

// Each table's own key columns: a column is a key only of its own table.
void TfrmField::RefreshColumns() {
  const std::vector<std::string> tables = SelectedTables();
  if (tables.empty()) return;
  TSqlWaitCursor wait;
  lstColumn->clear();
  const std::string find = S(txtFindColumn->text());
  const bool filtered = !Trim(find).empty();
  for (const std::string& table : tables) {
    std::vector<std::string> keys;
    TovSQLQuery& index = connection_.OpenSQLParams(kFieldIndexSQL, Parameters(table));
    for (; !index.Eof(); index.Next()) keys.push_back(index.AsString(0));
    TovSQLQuery& q = connection_.OpenSQLParams(kFieldColumnSQL, Parameters(table));
    for (; !q.Eof(); q.Next()) {
      const std::string name = q.AsString(cfName);
      if (filtered && name.find(find) == std::string::npos) continue;
      const TColumnTypeFields type{Trim(q.AsString(cfType)), q.Value(cfLength), q.Value(cfPrecision), q.Value(cfScale),
                            q.Value(cfRadix)};
      const TFieldColumn column{tables.size() > 1 ? table : std::string(), name};
      auto* item = new QTreeWidgetItem(lstColumn);
      item->setText(kNameColumn, Q(FieldCaption(column)));
      item->setData(kNameColumn, kTableRole, Q(column.Table));
      item->setData(kNameColumn, kColumnRole, Q(column.Column));
      item->setText(kTypeColumn, Q(FieldTypeText(type)));
      item->setData(kNameColumn, kCommentRole, q.Value(cfComment));
      if (std::find(keys.begin(), keys.end(), name) != keys.end()) item->setIcon(kNameColumn, imgMain().Icon(kKeyImage));
    }
  }
  mnuCopyInsert->setEnabled(tables.size() == 1);
  mnuCopyUpdate->setEnabled(tables.size() == 1);
}

// The two kind buttons are never both up.
void TfrmField::btnTableClick() {
  if (!btnTable->isChecked() && !btnView->isChecked()) btnTable->setChecked(true);
  RunReported([this] { RefreshTables(); });
}

void TfrmField::btnViewClick() {
  if (!btnTable->isChecked() && !btnView->isChecked()) btnView->setChecked(true);
  RunReported([this] { RefreshTables(); });
}

void TfrmField::lstColumnClick(QTreeWidgetItem* item) {
  const QString comment = item ? item->data(kNameColumn, kCommentRole).toString() : QString();
  if (!comment.isEmpty()) lstColumn->setToolTip(comment);
}

// ---- copying ----

std::vector<std::string> TfrmField::SelectedTables() const {
  // Top to bottom, as the list shows them.
  std::vector<std::string> tables;
  for (int row = 0; row < lstTable->count(); ++row)
    if (lstTable->item(row)->isSelected()) tables.push_back(S(lstTable->item(row)->text()));
  return tables;
}

std::vector<TFieldColumn> TfrmField::SelectedColumns() const {
  std::vector<TFieldColumn> columns;
  for (int row = 0; row < lstColumn->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = lstColumn->topLevelItem(row);
    if (item->isSelected())
      columns.push_back({S(item->data(kNameColumn, kTableRole).toString()),
                         S(item->data(kNameColumn, kColumnRole).toString())});
  }
  return columns;
}

std::optional<std::vector<TFieldTable>> TfrmField::AskAliases() const {
  std::vector<TFieldTable> tables;
  const std::vector<std::string> names = SelectedTables();
  for (const std::string& name : names) {
    TFieldTable table{name, {}};
    if (names.size() > 1) {
      platform::InputRequest request;
      request.caption = kAliasCaption;
      request.prompt = name + kAliasPrompt;
      request.value = name;
      if (!platform::Dialogs().ShowInput(request)) return std::nullopt;
      table.Alias = TrimBlanks(request.value);
    }
    tables.push_back(table);
  }
  return tables;
}

void TfrmField::mnuCopyClick() {
  QWidget* focused = focusWidget();
  if (focused == lstTable) {
    ToClipboard(CopyTableText(SelectedTables()));
  } else if (focused == lstColumn) {
    const std::optional<std::vector<TFieldTable>> tables = AskAliases();
    if (tables) ToClipboard(CopyColumnText(SelectedColumns(), *tables));
  }
}

void TfrmField::mnuCopySelectClick() {
  if (SelectedTables().empty()) return;
  const std::optional<std::vector<TFieldTable>> tables = AskAliases();
  if (tables) ToClipboard(SelectSkeleton(S(cmbOwner->currentText()), *tables, SelectedColumns()));
}

void TfrmField::mnuCopyInsertClick() {
  const std::vector<std::string> tables = SelectedTables();
  if (tables.size() != 1) return;
  ToClipboard(InsertSkeleton(S(cmbOwner->currentText()), tables.front(), SelectedColumns()));
}

void TfrmField::mnuCopyUpdateClick() {
  const std::vector<std::string> tables = SelectedTables();
  if (tables.size() != 1) return;
  ToClipboard(UpdateSkeleton(S(cmbOwner->currentText()), tables.front(), SelectedColumns()));
}

// ---- window ----

void TfrmField::ResizeColumns() {
  lstColumn->setColumnWidth(kNameColumn,
                            std::max(0, lstColumn->viewport()->width() - kTypeColumnWidth - kColumnListRest));
}

void TfrmField::showEvent(QShowEvent* event) {
  lstColumn->setColumnWidth(kTypeColumn, kTypeColumnWidth);
  ResizeColumns();
  QWidget::showEvent(event);
}

void TfrmField::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ResizeColumns();
}

bool TfrmField::event(QEvent* event) {
  if (event->type() == static_cast<QEvent::Type>(kMsgReload)) {
    RunReported([this] { RefreshTables(); });
    return true;
  }
  return QWidget::event(event);
}

bool TfrmField::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == txtFindTable) RunReported([this] { RefreshTables(); });
      if (watched == txtFindColumn) RunReported([this] { RefreshColumns(); });
      if (watched == txtFindTable || watched == txtFindColumn) return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TfrmField::LoadWindowSize() {
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kLayoutKey), true)) return;
  if (LoadWindowState(*this) == kWindowNormal) {
    const TWindowSize size = ReadWindowSize(AppRegistry, {width(), height()});
    resize(size.Width, size.Height);
  }
  const int table = std::max<int>(AppRegistry.ReadIntegerDef(kTableWidthValue, kDesignTableWidth), kTableMinWidth);
  splField->setSizes({table, std::max(width() - table, 1)});
}

void TfrmField::SaveWindowSize() {
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kLayoutKey), true)) return;
  if (SaveWindowState(*this) == kWindowNormal) WriteWindowSize(AppRegistry, {width(), height()});
  AppRegistry.WriteInteger(kTableWidthValue, std::max(lstTable->width(), kTableMinWidth));
}

void ShowFieldWindow(TovConnectionWindow& connection, const std::string& schema, const std::string& table) {
  TSqlWaitCursor wait;
  // The picker is the connection window's child, so it dies with it.
  auto* form = connection.Window()->findChild<TfrmField*>(QString(), Qt::FindDirectChildrenOnly);
  if (!form) form = new TfrmField(connection);
  form->ShowFor(schema, table);
}
