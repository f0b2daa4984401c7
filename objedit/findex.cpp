#include "objedit/findex.h"

#include <QAction>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/ovconnwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/rstorage.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "platform/textfile.h"
#include "ui/fprint.h"
#include "ui/ovimages.h"
#include "ui/ovresize.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr int kOutputImage = 36;
constexpr int kPrintImage = 98;
constexpr int kSaveImage = 18;
constexpr int kAddImage = 32;
constexpr int kRemoveImage = 33;
constexpr int kFirstDsoLevel = 10;
// Each key list is half the definition page wide less this.
constexpr int kListMargin = 40;
constexpr const char* kTableKind = "TABLE";
constexpr const char* kStoragePageCaption = "領域情報";
constexpr const char* kSaveTitle = "名前を付けて保存";

constexpr const char* kIndexSql =
    "SELECT TRIM(B.INDEX_DSO_NAME) INDEX_DSO_NAME, TRIM(B.INDEX_DSO_NAME) INDEX_DSO_NAME, ' ' DUMMY2, B.DB_CODE, "
    "A.SCHEMA_CODE, A.TABLE_CODE, TRIM(A.SCHEMA_NAME), TRIM(A.TABLE_NAME), A.TABLE_TYPE , B.SCHEMA_CODE, "
    "B.INDEX_DSO_CODE FROM RDBII_SYSTEM.RDBII_INDEX B, RDBII_SYSTEM.RDBII_TABLE A WHERE A.DB_CODE = B.DB_CODE AND "
    "A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = B.TABLE_CODE AND B.DB_CODE = :DB_CODE AND B.SCHEMA_CODE = "
    ":SCHEMA_CODE AND TRIM(B.INDEX_DSO_NAME) = :INDEX_DSO_NAME";
// Fields of the index query.
enum : size_t {
  kDsoField = 0,
  kDbCodeField = 3,
  kTableCodeField = 5,
  kTableSchemaField = 6,
  kTableNameField = 7,
  kTableTypeField = 8,
  kIndexSchemaCodeField = 9,
  kIndexCodeField = 10
};
constexpr const char* kTableColumnsSql =
    "SELECT TRIM(COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = "
    ":SCHEMA_CODE AND TABLE_CODE = :TABLE_CODE ORDER BY ORDINAL_POSITION";
constexpr const char* kKeyColumnsSql =
    "SELECT TRIM(A.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN A, RDBII_SYSTEM.RDBII_COLUMN_USAGE B WHERE "
    "A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = B.TABLE_CODE AND A.COLUMN_CODE = "
    "B.COLUMN_CODE AND B.DB_CODE = :DB_CODE AND B.OBJ_SCHEMA_CODE = :OBJ_SCHEMA_CODE AND B.OBJECT_CODE = "
    ":OBJECT_CODE AND B.TABLE_CODE = :TABLE_CODE AND B.LIST_TYPE = 'I' ORDER BY B.ORDINAL_POSITION";
constexpr const char* kDefaultSizesSql =
    "SELECT PARAMETER_VALUE FROM RDBII_SYSTEM.RDBII_SYS_PRM WHERE PARAMETER_NAME = 'DEFAULT_INDEX_SIZE' AND KIND = "
    "'SYS'";
// The data source is bound, never pasted between quotes.
constexpr const char* kFirstSpaceSql =
    "SELECT DISTINCT TRIM(OBJECT_NAME)  FROM RDBII_SYSTEM.RDBII_OBJECT WHERE OBJECT_ID = '2' AND DB_NAME = :DB_NAME "
    "ORDER BY 1";

std::string ListText(const TovListBox& list) {
  std::string text;
  for (int i = 0; i < list.count(); ++i) text += list.item(i)->text().toStdString() + "\n";
  return text;
}

bool Contains(const TovListBox& list, const QString& text) { return !list.findItems(text, Qt::MatchExactly).isEmpty(); }

// New items, sorted, for an editable box whose typed text stays.
void RefillItems(TovComboBox& combo, std::vector<std::string> items) {
  std::sort(items.begin(), items.end());
  const QSignalBlocker quiet(&combo);
  const QString text = combo.currentText();
  combo.clear();
  for (const std::string& item : items) combo.addItem(Q(item));
  combo.setCurrentText(text);
}

std::string FirstValue(TovSQLQuery& q) { return q.Eof() ? std::string() : Trim(q.AsString(size_t{0})); }

// Enter, Delete and double-clicks on the key lists.
class TKeyFilter : public QObject {
 public:
  TKeyFilter(QObject* parent, int key, std::function<void()> act) : QObject(parent), key_(key), act_(std::move(act)) {}
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == key_) {
      act_();
      return true;
    }
    return false;
  }

 private:
  int key_;
  std::function<void()> act_;
};

}  // namespace

const TEditorKind TfrmIndex::kKind{kIndexKind, kIndexStem, true, kIndexSizeKey, "DROP DSO ", true};
TDefIdxSize TfrmIndex::DefIdxSize;

TfrmIndex::TfrmIndex(TovConnectionWindow& owner) : TovObjectEditor(owner, kKind, kIndexPageModes) {
  setupUi();
  // The data source as typed at logon, for the window and its script alike.
  cmbDatabase->addItem(Q(owner.Module().Connection.DataSource));
  cmbDatabase->setCurrentIndex(0);
  fraStorage->OnSetChanged = [this](bool changed) {
    if (changed)
      MarkChanged();
    else
      SetChanged(false);
  };
}

void TfrmIndex::setupUi() {
  cmbDatabase = new TovComboBox(pnlName);
  cmbDatabase->setObjectName("cmbDatabase");
  cmbDatabase->setEditable(false);
  pnlName->layout()->addWidget(new QLabel(Q("データベース"), pnlName));
  pnlName->layout()->addWidget(cmbDatabase);

  lblTableName = new QLabel(Q("テーブル"), tabDefine);
  lblTableName->setObjectName("lblTableName");
  // The table's schema drops down the schemas, its name the tables of that schema.
  cmbTableOwner = new TRefillingCombo(tabDefine, [this] {
    std::vector<std::string> schemas;
    ConnectionWindow->GetSchemaList(schemas, false);
    RefillItems(*cmbTableOwner, schemas);
  });
  cmbTableOwner->setObjectName("cmbTableOwner");
  cmbTableName = new TRefillingCombo(tabDefine, [this] {
    std::vector<std::string> tables;
    ConnectionWindow->GetObjectNames(tables, Trim(cmbTableOwner->currentText().toStdString()), kTableKind);
    RefillItems(*cmbTableName, tables);
  });
  cmbTableName->setObjectName("cmbTableName");
  for (TovComboBox* combo : {cmbTableOwner, cmbTableName}) {
    combo->SetCharCase(ecUpperCase);
    combo->setEditable(true);
  }
  lstIdxCol = new TovListBox(tabDefine);
  lstIdxCol->setObjectName("lstIdxCol");
  lstTabCol = new TovListBox(tabDefine);
  lstTabCol->setObjectName("lstTabCol");
  for (TovListBox* list : {lstIdxCol, lstTabCol}) list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  btnIns = new QToolButton(tabDefine);
  btnIns->setObjectName("btnIns");
  btnIns->setIcon(imgMain().Icon(kAddImage));
  btnIns->setToolTip(Q("追加"));
  btnDel = new QToolButton(tabDefine);
  btnDel->setObjectName("btnDel");
  btnDel->setIcon(imgMain().Icon(kRemoveImage));
  btnDel->setToolTip(Q("削除"));
  auto* layout = new QGridLayout(tabDefine);
  auto* tableRow = new QHBoxLayout;
  tableRow->addWidget(lblTableName);
  tableRow->addWidget(cmbTableOwner);
  tableRow->addWidget(cmbTableName, 1);
  layout->addLayout(tableRow, 0, 0, 1, 3);
  layout->addWidget(new QLabel(Q("インデックスの列"), tabDefine), 1, 0);
  layout->addWidget(new QLabel(Q("テーブルの列"), tabDefine), 1, 2);
  layout->addWidget(lstIdxCol, 2, 0);
  auto* buttons = new QVBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnIns, 0, Qt::AlignHCenter);
  buttons->addWidget(btnDel, 0, Qt::AlignHCenter);
  buttons->addStretch();
  layout->addLayout(buttons, 2, 1);
  layout->addWidget(lstTabCol, 2, 2);
  // The lists are sized by rule on every resize; the buttons take the rest.
  layout->setColumnStretch(1, 1);
  tabDefine->setSizePolicy(QSizePolicy::Ignored, tabDefine->sizePolicy().verticalPolicy());
  WatchResize(*tabDefine, [this] { tabDefineResize(); });

  tabStorage = new QWidget(pagObject);
  tabStorage->setObjectName("tabStorage");
  fraStorage = new TfraStorage(*this, tabStorage);
  (new QVBoxLayout(tabStorage))->addWidget(fraStorage);
  AddPage(TEditorPage::Storage, tabStorage, kStoragePageCaption);

  actOutput = MakeAction(this, "actOutput", "出力(&P)",
                         "オブジェクトの情報を外部に出力します。|オブジェクトの情報を外部に出力します。", kOutputImage);
  actPrint = MakeAction(this, "actPrint", "印刷(&P)", "印刷|オブジェクトの情報を印刷します。", kPrintImage);
  actSave = MakeAction(this, "actSave", "ファイル保存(&S)", "ファイル保存|プログラムソースをファイルに保存します。",
                       kSaveImage);
  popOutput = new QMenu(this);
  popOutput->setObjectName("popOutput");
  popOutput->addAction(actPrint);
  popOutput->addAction(actSave);
  actOutput->setMenu(popOutput);
  tolCmd->insertAction(actExit, actOutput);
  if (auto* button = qobject_cast<QToolButton*>(tolCmd->widgetForAction(actOutput)))
    button->setPopupMode(QToolButton::InstantPopup);
  connect(actPrint, &QAction::triggered, this, [this] { RunReported([this] { actPrintExecute(); }); });
  connect(actSave, &QAction::triggered, this, [this] { RunReported([this] { actSaveExecute(); }); });

  connect(btnIns, &QToolButton::clicked, this, [this] { AddKeyColumns(); });
  connect(btnDel, &QToolButton::clicked, this, [this] { RemoveKeyColumns(); });
  connect(lstTabCol, &QListWidget::itemDoubleClicked, this, [this] { AddKeyColumns(); });
  connect(lstIdxCol, &QListWidget::itemDoubleClicked, this, [this] { RemoveKeyColumns(); });
  lstTabCol->installEventFilter(new TKeyFilter(lstTabCol, Qt::Key_Return, [this] { AddKeyColumns(); }));
  lstIdxCol->installEventFilter(new TKeyFilter(lstIdxCol, Qt::Key_Delete, [this] { RemoveKeyColumns(); }));
  connect(cmbTableOwner, &QComboBox::activated, this, [this] { RunReported([this] { TableOwnerLeft(); }); });
  connect(cmbTableName, &QComboBox::activated, this, [this] { RunReported([this] { TableNameLeft(); }); });
  connect(cmbTableOwner->lineEdit(), &QLineEdit::editingFinished, this,
          [this] { RunReported([this] { TableOwnerLeft(); }); });
  connect(cmbTableName->lineEdit(), &QLineEdit::editingFinished, this,
          [this] { RunReported([this] { TableNameLeft(); }); });
  for (TovComboBox* combo : {cmbTableOwner, cmbTableName}) WatchChanges(combo);
}

void TfrmIndex::tabDefineResize() {
  const int width = std::max(0, tabDefine->width() / 2 - kListMargin);
  for (TovListBox* list : {lstIdxCol, lstTabCol}) list->setFixedWidth(width);
}

bool TfrmIndex::CreateIndexForm() const {
  TovConnectionWindow& c = *ConnectionWindow;
  return UsesCreateIndexForm(c.Level(), c.LevelReduced(), c.IsRemote());
}

std::vector<std::string> TfrmIndex::KeyColumns() const {
  std::vector<std::string> keys;
  for (int i = 0; i < lstIdxCol->count(); ++i) keys.push_back(lstIdxCol->item(i)->text().toStdString());
  return keys;
}

void TfrmIndex::Opening(const TOpenArgs& args) {
  cmbTableOwner->setCurrentText(cmbSchema->currentText());
  cmbTableName->setCurrentText(Q(args.Table));
  LoadTableColumns();
  fraStorage->txtDSOnameIdx->setText(Q(args.Name));
  if (ConnectionWindow->Level() >= kFirstDsoLevel) GetDefIdxSize();
}

void TfrmIndex::GetDefIdxSize() {
  TovSQLQuery& q = ConnectionWindow->OpenSQL(kDefaultSizesSql);
  if (!q.Eof()) ReadDefIdxSize(q.AsString(size_t{0}), DefIdxSize);
}

std::string TfrmIndex::FirstSpace() {
  TovSQLQuery& q =
      ConnectionWindow->OpenSQLParams(kFirstSpaceSql, {ConnectionWindow->Module().GetDataSourceName()});
  return FirstValue(q);
}

void TfrmIndex::initIdxStrage() {
  TIndexStorage storage = fraStorage->IndexStorage();
  InitIndexStorage(storage, ObjectName(), DefIdxSize, FirstSpace());
  fraStorage->SetIndexStorage(storage);
}

void TfrmIndex::PrepareLoad() {
  fraStorage->Init(SchemaName(), ObjectName());
  if (fraStorage->cmbTBS->currentText().isEmpty() && ConnectionWindow->IsRemote()) {
    TovSQLQuery& q =
        ConnectionWindow->OpenSQLParams(kRemoteFirstSpaceSql, {ConnectionWindow->Module().GetDataSourceName()});
    const std::string space = FirstValue(q);
    if (!space.empty()) {
      if (fraStorage->cmbTBS->findText(Q(space)) < 0) fraStorage->cmbTBS->addItem(Q(space));
      fraStorage->cmbTBS->setCurrentText(Q(space));
    }
  }
}

bool TfrmIndex::LoadObject() {
  TovConnectionWindow& c = *ConnectionWindow;
  if (c.Level() < kFirstDsoLevel && c.IsRemote()) {
    if (!ScriptMode) MsgBox(kOldRemoteIndex, MB_ICONERROR);
    SetChanged(false);
    throw EAbort();
  }
  cmbTableOwner->setCurrentText(cmbSchema->currentText());
  const std::string dbCode = c.GetDBCode(cmbDatabase->currentText().toStdString());
  const std::string schemaCode = c.GetSchemaCode(cmbDatabase->currentText().toStdString(), SchemaName());
  TovSQLQuery& index = c.OpenSQLParams(kIndexSql, {dbCode, schemaCode, ObjectName()});
  if (index.Eof()) return false;
  const std::string dso = index.AsString(kDsoField);
  const std::vector<std::string> keyArgs{index.AsString(kDbCodeField), index.AsString(kIndexSchemaCodeField),
                                         index.AsString(kIndexCodeField), index.AsString(kTableCodeField)};
  const std::string tableSchema = index.AsString(kTableSchemaField);
  const std::string tableName = index.AsString(kTableNameField);
  TableType = Trim(index.AsString(kTableTypeField));
  std::vector<std::string> keys;
  for (TovSQLQuery& q = c.OpenSQLParams(kKeyColumnsSql, keyArgs); !q.Eof(); q.Next())
    keys.push_back(q.AsString(size_t{0}));
  cmbTableOwner->setCurrentText(Q(tableSchema));
  cmbTableName->setCurrentText(Q(tableName));
  LoadTableColumns();
  lstIdxCol->clear();
  for (const std::string& key : keys) lstIdxCol->addItem(Q(key));
  if (!c.IsRemote()) {
    fraStorage->Init(SchemaName(), ObjectName());
    fraStorage->txtDSOnameIdx->setText(Q(dso));
    fraStorage->LoadIndexStorage(SchemaName(), cmbTableName->currentText().toStdString());
  }
  return true;
}

void TfrmIndex::FinishLoad() {
  if (IsNew) {
    LoadTableColumns();
    if (ConnectionWindow->Level() >= kFirstDsoLevel) initIdxStrage();
  }
  cmbTableOwner->SaveText();
  cmbTableName->SaveText();
  fraStorage->SaveState();
  KeyListText = ListText(*lstIdxCol);
}

void TfrmIndex::LoadTableColumns() {
  lstTabCol->clear();
  const std::string owner = Trim(cmbTableOwner->currentText().toStdString());
  const std::string table = Trim(cmbTableName->currentText().toStdString());
  if (owner.empty() || table.empty()) return;
  TovConnectionWindow& c = *ConnectionWindow;
  const std::string database = cmbDatabase->currentText().toStdString();
  const std::string dbCode = c.GetDBCode(database);
  const std::string schemaCode = c.GetSchemaCode(database, owner);
  const std::string tableCode = c.GetTableCode(database, owner, table);
  columnsSchemaCode_ = schemaCode;
  if (dbCode.empty() || schemaCode.empty() || tableCode.empty()) return;
  for (TovSQLQuery& q = c.OpenSQLParams(kTableColumnsSql, {dbCode, schemaCode, tableCode}); !q.Eof(); q.Next())
    lstTabCol->addItem(Q(q.AsString(size_t{0})));
}

void TfrmIndex::TableOwnerLeft() {
  const std::string owner = Trim(cmbTableOwner->currentText().toStdString());
  if (owner.empty() || Trim(cmbTableName->currentText().toStdString()).empty()) return;
  if (ConnectionWindow->GetSchemaCode(cmbDatabase->currentText().toStdString(), owner) == columnsSchemaCode_) return;
  LoadTableColumns();
}

void TfrmIndex::TableNameLeft() { LoadTableColumns(); }

void TfrmIndex::AddKeyColumns() {
  for (QListWidgetItem* item : lstTabCol->selectedItems()) {
    if (Contains(*lstIdxCol, item->text())) continue;
    lstIdxCol->addItem(item->text());
    MarkChanged();
  }
}

void TfrmIndex::RemoveKeyColumns() {
  for (QListWidgetItem* item : lstIdxCol->selectedItems()) {
    delete item;
    MarkChanged();
  }
}

void TfrmIndex::BuildCreateDDL(std::vector<std::string>& list) {
  std::vector<std::string> lines;
  if (CreateIndexForm()) {
    TovConnectionWindow& c = *ConnectionWindow;
    lines = CreateIndexLines({SchemaPrefix(SchemaName()), Trim(cmbTableName->currentText().toStdString()),
                              ObjectName(), KeyColumns(), TableType, fraStorage->cmbTBS->currentText().toStdString(),
                              c.LevelReduced() && c.Level() == kFirstDsoLevel});
  } else if (!fraStorage->BuildIndexStorageDDL(lines, cmbTableOwner->currentText().toStdString(),
                                               cmbTableName->currentText().toStdString(), KeyColumns())) {
    return;
  }
  if (lines.empty()) return;
  list.insert(list.end(), lines.begin(), lines.end());
  list.push_back(AppOption.Separator);
}

void TfrmIndex::BuildDropDDL(std::vector<std::string>& list) {
  list.push_back(DropIndexStatement(fraStorage->txtDSOnameIdx->text().toStdString()));
  list.push_back(AppOption.Separator);
}

bool TfrmIndex::NeedsDrop() {
  return IndexNeedsDrop({IsNew, ScriptMode, ActivePage() == TEditorPage::Source, fraStorage->IsChanged(),
                         cmbTableOwner->Modified(), cmbTableName->Modified(), ListText(*lstIdxCol) != KeyListText});
}

std::vector<std::string> TfrmIndex::SourceLines() {
  std::vector<std::string> lines;
  BuildCreateDDL(lines);
  return lines;
}

bool TfrmIndex::CheckDefinition() {
  initIdxStrage();
  if (ConnectionWindow->Level() < kFirstDsoLevel && fraStorage->cmbTBS->currentText().isEmpty()) {
    MsgBox(kSpaceMissing, MB_ICONWARNING);
    pagObject->setCurrentWidget(tabStorage);
    fraStorage->cmbTBS->setFocus();
    return false;
  }
  if (Trim(cmbTableName->currentText().toStdString()).empty()) {
    MsgBox(lblTableName->text().toStdString() + kNameSuffixMissing, MB_ICONWARNING);
    pagObject->setCurrentWidget(tabDefine);
    return false;
  }
  if (lstIdxCol->count() == 0) {
    MsgBox(kKeysMissing, MB_ICONWARNING);
    pagObject->setCurrentWidget(tabDefine);
    lstIdxCol->setFocus();
    return false;
  }
  return true;
}

std::vector<std::string> TfrmIndex::BuildStatements(TEditorPage page) {
  std::vector<std::string> list;
  if (!IsNew && NeedsDrop()) BuildDropDDL(list);
  if (page == TEditorPage::Source) {
    for (int i = 0; i < txtSource->Lines().GetCount(); ++i) list.push_back(txtSource->Lines().Get(i));
  } else {
    BuildCreateDDL(list);
  }
  return list;
}

bool TfrmIndex::CompileCloses() const {
  TovConnectionWindow& c = *ConnectionWindow;
  return IndexCompileCloses(c.Level(), c.LevelReduced(), c.IsRemote());
}

bool TfrmIndex::ReloadsWhenNothingChanged() const { return !CompileCloses(); }

bool TfrmIndex::Compiled() {
  if (CompileCloses()) {
    // Only a run without error gets here: a failed one keeps the window.
    MsgBox(kScriptRunFinished, MB_ICONINFORMATION);
    SetChanged(false);
    Frame()->close();
    return false;
  }
  txtName->setText(fraStorage->txtDSOnameIdx->text());
  return true;
}

void TfrmIndex::RunDelete(bool) {
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  if (connection.InTransaction()) connection.CommitTrans();
  connection.BeginTrans();
  ConnectionWindow->ExecSQL(DropIndexStatement(fraStorage->txtDSOnameIdx->text().toStdString()));
  if (connection.InTransaction()) connection.CommitTrans();
}

void TfrmIndex::ChangedIsNew() {
  TovObjectEditor::ChangedIsNew();
  pagObject->setTabVisible(pagObject->indexOf(tabStorage), !ConnectionWindow->LevelReduced());
}

void TfrmIndex::ActionsUpdated() {
  const bool enabled = !Changed && !IsNew;
  for (QAction* action : {actOutput, actPrint, actSave}) action->setEnabled(enabled);
}

void TfrmIndex::actPrintExecute() {
  const std::string title = SchemaName() + "." + ObjectName();
  std::vector<std::string> lines;
  BuildCreateDDL(lines);
  PrintWithDialog(title, [&](TfrmPrint&) {
    BeginPrintJob();
    PrintLines(title, lines, true);
    EndPrintJob();
  });
}

void TfrmIndex::actSaveExecute() {
  const platform::FileRequest request{platform::FileDialogKind::Save, kSaveTitle, "",
                                      IndexSaveFileName(AppOption.FileDir, SchemaName(), ObjectName()),
                                      kSqlFileFilter};
  const std::optional<std::string> path = platform::Dialogs().ShowFile(request);
  if (!path) return;
  std::vector<std::string> lines;
  BuildCreateDDL(lines);
  platform::WriteTextFile(*path, CrLfText(lines));
  MsgBox(kScriptSaved, MB_ICONINFORMATION);
  AppOption.FileDir = QFileInfo(Q(*path)).absolutePath().toStdString() + "/";
}

void RegisterIndexEditor() {
  RegisterObjectEditor(kIndexKind, &TovObjectEditor::CreateEditor<TfrmIndex>,
                       &TovObjectEditor::CreateScript<TfrmIndex>);
}
