#include "objedit/fconst.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <sstream>

#include "app/core/ovatexit.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/ftablecatalog.h"
#include "objedit/core/ftablecore.h"
#include "objedit/ftablecompile.h"
#include "platform/qstr.h"
#include "ui/ovstdctl.h"

namespace {

constexpr int kInsAllImage = 31;
constexpr int kInsImage = 32;
constexpr int kDelImage = 33;
constexpr int kDelAllImage = 34;
constexpr const char* kConstraintStem = "CONSTRAINT - ";
constexpr const char* kConstraintSizeKey = "CONST";

constexpr const char* kTableColumnSql =
    "SELECT TRIM(A.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN A, RDBII_SYSTEM.RDBII_TABLE B WHERE A.DB_CODE = "
    "B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = B.TABLE_CODE AND B.DB_NAME = :DB_NAME AND "
    "B.SCHEMA_NAME = :SCHEMA_NAME AND B.TABLE_NAME = :TABLE_NAME ORDER BY ORDINAL_POSITION";
constexpr const char* kConstraintColumnSql =
    "SELECT DISTINCT TRIM(A.COLUMN_NAME), B.ORDINAL_POSITION FROM RDBII_SYSTEM.RDBII_COLUMN A, "
    "RDBII_SYSTEM.RDBII_COLUMN_USAGE B, RDBII_SYSTEM.RDBII_TABLE C WHERE A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = "
    "B.SCHEMA_CODE AND A.TABLE_CODE = B.TABLE_CODE AND A.COLUMN_CODE = B.COLUMN_CODE AND B.DB_CODE = C.DB_CODE AND "
    "B.SCHEMA_CODE = C.SCHEMA_CODE AND B.TABLE_CODE = C.TABLE_CODE AND B.OBJECT_CODE = :OBJECT_CODE AND C.DB_NAME = "
    ":DB_NAME AND C.SCHEMA_NAME = :SCHEMA_NAME AND C.TABLE_NAME = :TABLE_NAME ORDER BY B.ORDINAL_POSITION";
constexpr const char* kUniqueKeySql =
    "SELECT TRIM(A.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN A, RDBII_SYSTEM.RDBII_COLUMN_USAGE B, "
    "RDBII_SYSTEM.RDBII_CONSTRAINT C WHERE A.DB_CODE = :DB_CODE AND A.SCHEMA_CODE = :SCHEMA_CODE AND A.TABLE_CODE = "
    ":TABLE_CODE AND A.COLUMN_CODE = B.COLUMN_CODE AND B.OBJECT_CODE = :OBJECT_CODE AND B.DB_CODE = A.DB_CODE AND "
    "B.SCHEMA_CODE = A.SCHEMA_CODE AND B.TABLE_CODE = A.TABLE_CODE AND B.LIST_TYPE = 'U' AND B.OBJECT_CODE = "
    "CONSTRAINT_CODE AND C.DB_CODE = B.DB_CODE AND C.SCHEMA_CODE = B.SCHEMA_CODE AND C.TABLE_CODE = B.TABLE_CODE "
    "ORDER BY C.CONSTRAINT_TYPE, B.OBJECT_CODE, B.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";

std::vector<std::string> Items(const QListWidget& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.count(); ++i) items.push_back(list.item(i)->text().toStdString());
  return items;
}

}  // namespace

const TEditorKind TfrmConst::kKind{kConstraintKind, kConstraintStem, true, kConstraintSizeKey, "", false};

TfrmConst::TfrmConst(TovConnectionWindow& owner) : TovObjectEditor(owner, kKind, kPlainPageModes) { setupUi(); }

void TfrmConst::setupUi() {
  RemovePage(TEditorPage::Source);
  auto* layout = new QVBoxLayout(tabDefine);
  pnlObj = new QWidget(tabDefine);
  pnlObj->setObjectName("pnlObj");
  auto* objRow = new QHBoxLayout(pnlObj);
  objRow->setContentsMargins(0, 0, 0, 0);
  objRow->addWidget(new QLabel(Q("テーブル"), pnlObj));
  cmbTableName = new TovComboBox(pnlObj);
  cmbTableName->setObjectName("cmbTableName");
  objRow->addWidget(cmbTableName, 1);
  pnlObj->setEnabled(false);
  layout->addWidget(pnlObj);
  pagType = new QTabWidget(tabDefine);
  pagType->setObjectName("pagType");
  pagType->tabBar()->hide();
  tabPrimary = new QWidget(pagType);
  tabPrimary->setObjectName("tabPrimary");
  pagType->addTab(tabPrimary, Q("PRIMARY KEY"));
  layout->addWidget(pagType, 1);
  auto* lists = new QHBoxLayout(tabPrimary);
  auto* left = new QVBoxLayout;
  left->addWidget(new QLabel(Q("制約の列"), tabPrimary));
  lstIdxCol = new QListWidget(tabPrimary);
  lstIdxCol->setObjectName("lstIdxCol");
  lstIdxCol->setSelectionMode(QAbstractItemView::ExtendedSelection);
  left->addWidget(lstIdxCol, 1);
  lists->addLayout(left, 1);
  auto* buttons = new QToolBar(tabPrimary);
  buttons->setOrientation(Qt::Vertical);
  btnInsAll = MakeAction(this, "btnInsAll", "", "全て追加", kInsAllImage);
  btnIns = MakeAction(this, "btnIns", "", "追加", kInsImage);
  btnDel = MakeAction(this, "btnDel", "", "削除", kDelImage);
  btnDelAll = MakeAction(this, "btnDelAll", "", "全て削除", kDelAllImage);
  for (QAction* action : {btnInsAll, btnIns, btnDel, btnDelAll}) buttons->addAction(action);
  lists->addWidget(buttons);
  auto* right = new QVBoxLayout;
  right->addWidget(new QLabel(Q("テーブルの列"), tabPrimary));
  lstTabCol = new QListWidget(tabPrimary);
  lstTabCol->setObjectName("lstTabCol");
  lstTabCol->setSelectionMode(QAbstractItemView::ExtendedSelection);
  right->addWidget(lstTabCol, 1);
  lists->addLayout(right, 1);
  connect(btnIns, &QAction::triggered, this, [this] { btnInsClick(); });
  connect(btnInsAll, &QAction::triggered, this, [this] { btnInsAllClick(); });
  connect(btnDel, &QAction::triggered, this, [this] { btnDelClick(); });
  connect(btnDelAll, &QAction::triggered, this, [this] { btnDelAllClick(); });
  connect(lstTabCol, &QListWidget::itemDoubleClicked, this, [this] { btnInsClick(); });
  connect(lstIdxCol, &QListWidget::itemDoubleClicked, this, [this] { btnDelClick(); });
  connect(lstTabCol, &QListWidget::itemClicked, this, [this] { MarkChanged(); });
  connect(lstIdxCol, &QListWidget::itemClicked, this, [this] { MarkChanged(); });
  // Delete is a rebuild without the constraint, not a DROP.
  disconnect(actDelete, &QAction::triggered, this, nullptr);
  connect(actDelete, &QAction::triggered, this, [this] { RunReported([this] { actDeleteExecute(); }); });
}

void TfrmConst::Opening(const TOpenArgs& args) {
  TableName = args.Table;
  cmbTableName->setCurrentText(Q(args.Table));
  txtName->hide();
  pnlName->setEnabled(false);
}

std::vector<std::string> TfrmConst::TableCodes() {
  TovConnectionWindow& c = *ConnectionWindow;
  const std::string database = c.Module().Connection.DataSource;
  return {c.GetDBCode(database), c.GetSchemaCode(database, SchemaName()),
          c.GetTableCode(database, SchemaName(), TableName)};
}

void TfrmConst::PrepareLoad() {
  cmbTableName->setCurrentText(Q(TableName));
  lstIdxCol->clear();
  lstTabCol->clear();
  TovConnectionWindow& c = *ConnectionWindow;
  const std::string database = c.Module().GetDataSourceName();
  if (!IsNew)
    for (TovSQLQuery& q = c.OpenSQLParams(kConstraintColumnSql, {ObjectName(), database, SchemaName(), TableName});
         !q.Eof(); q.Next())
      lstIdxCol->addItem(Q(q.AsString(size_t{0})));
  for (TovSQLQuery& q = c.OpenSQLParams(kTableColumnSql, {database, SchemaName(), TableName}); !q.Eof(); q.Next())
    lstTabCol->addItem(Q(q.AsString(size_t{0})));
}

void TfrmConst::Move(bool toConstraint, bool all) {
  if (toConstraint) {
    const std::vector<std::string> present = ConstraintColumns();
    for (int i = 0; i < lstTabCol->count(); ++i) {
      QListWidgetItem* item = lstTabCol->item(i);
      if (!all && !item->isSelected()) continue;
      if (std::find(present.begin(), present.end(), item->text().toStdString()) == present.end())
        lstIdxCol->addItem(item->text());
    }
  } else {
    for (int i = lstIdxCol->count() - 1; i >= 0; --i)
      if (all || lstIdxCol->item(i)->isSelected()) delete lstIdxCol->takeItem(i);
  }
  MarkChanged();
}

void TfrmConst::btnInsClick() { Move(true, false); }
void TfrmConst::btnInsAllClick() { Move(true, true); }
void TfrmConst::btnDelClick() { Move(false, false); }
void TfrmConst::btnDelAllClick() { Move(false, true); }

std::vector<std::string> TfrmConst::ConstraintColumns() const { return Items(*lstIdxCol); }

bool TfrmConst::CheckConstraint() {
  FlushActiveControl();
  if (cmbTableName->currentText().isEmpty()) {
    MsgBox(kTableMissing, MB_ICONWARNING);
    cmbTableName->setFocus();
    return false;
  }
  if (SchemaName().empty()) {
    MsgBox(kSchemaMissing, MB_ICONWARNING);
    cmbSchema->setFocus();
    return false;
  }
  if (!DeleteMode && lstIdxCol->count() == 0) {
    MsgBox(kColumnsMissing, MB_ICONWARNING);
    lstIdxCol->setFocus();
    return false;
  }
  return true;
}

std::optional<std::vector<std::string>> TfrmConst::ChangedTableScript() {
  // The script the rebuild edits does not depend on the user's TEXTOUT
  // options: the schema named, storage and indexes on, no rows, blank lines kept.
  const TScriptOption kept = ScriptOption;
  const AtExit restore([&] { ScriptOption = kept; });
  ScriptOption.Schema = kSchemaAlways;
  ScriptOption.Storage = true;
  ScriptOption.Index = true;
  ScriptOption.Insert = false;
  ScriptOption.NullLine = false;
  std::ostringstream stream;
  GenerateDDL(*ConnectionWindow, kTableKind, SchemaName(), TableName, stream, "", "");
  std::vector<std::string> script;
  for (const QString& line : Q(stream.str()).split("\r\n")) script.push_back(line.toStdString());
  while (!script.empty() && script.back().empty()) script.pop_back();
  QualifyScript(script, SchemaName());
  tableScript_ = script;
  TConstraintChange change;
  if (!DeleteMode) change.NewLine = UniqueLine(ConstraintColumns());
  if (!IsNew) {
    std::vector<std::string> current;
    std::vector<std::string> args = TableCodes();
    args.push_back(ObjectName());
    for (TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kUniqueKeySql, args); !q.Eof(); q.Next())
      current.push_back(q.AsString(size_t{0}));
    change.CurrentLine = UniqueLine(current);
    if (change.NewLine && *change.NewLine == change.CurrentLine) {
      MsgBox(kNothingChanged, MB_ICONINFORMATION);
      SetIsNew(false);
      return std::nullopt;
    }
  }
  std::optional<std::vector<std::string>> changed = ChangeConstraintLine(script, change);
  // Without the table's CREATE TABLE or the constraint's line nothing may run.
  if (!changed) MsgBox(kLoadFailed, MB_ICONERROR);
  return changed;
}

void TfrmConst::Compile(QObject*) {
  if (RebuildTable()) {
    SetIsNew(false);
    SetChanged(false);
  }
}

bool TfrmConst::RebuildTable() {
  if (!CheckConstraint()) return false;
  const std::optional<std::vector<std::string>> changed = ChangedTableScript();
  if (!changed) return false;
  TovConnectionWindow& window = *ConnectionWindow;
  // The table part of the script is the edit; its indexes are kept as the
  // table compile keeps any re-created table's.
  const TTableScriptParts loaded = SplitTableScript(tableScript_);
  TTableCompile c;
  c.Schema = SchemaName();
  c.Name = TableName;
  c.Separator = AppOption.Separator;
  c.Remote = window.IsRemote();
  c.Rebuild = true;
  c.KeepData = AppOption.BackupData;
  c.Statements = SplitTableScript(*changed).Table;
  c.LoadedCreate = loaded.Table;
  if (!StatementsEmpty(loaded.Indexes)) c.Indexes.push_back(loaded.Indexes);
  // One stamp for every name of the copy.
  const std::string stamp = CopyTimeStamp();
  c.CopyDDL = c.LoadedCreate;
  ChangeObjectName(c.CopyDDL, [&] { return stamp; });
  c.Grants = ReadTableGrants(window, c.Schema, c.Name);
  if (c.KeepData) {
    const std::vector<TStoredColumn> stored = ReadStoredColumns(window, c.Schema, c.Name);
    std::vector<TEditedColumn> same;
    for (const TStoredColumn& column : stored) same.push_back({column.Name, column.Code});
    c.Restore = RestoreStatement(c.Schema, c.Name, CopyTableName(c.CopyDDL), stored, same, c.Separator);
    // Rows that would find no column: nothing runs rather than lose them.
    if (c.Restore.empty()) {
      MsgBox(kLoadFailed, MB_ICONERROR);
      return false;
    }
  }
  return RunTableRebuild(window, c, !c.KeepData, true) == TTableCompileOutcome::Compiled;
}

void TfrmConst::actDeleteExecute() {
  if (!actDelete->isEnabled()) return;
  DeleteMode = true;
  const AtExit clear([this] { DeleteMode = false; });
  // Only a constraint that is gone closes the window; a stopped or failed
  // rebuild leaves it as it was.
  if (!RebuildTable()) return;
  SetChanged(false);
  Frame()->close();
}

void RegisterConstraintEditor() {
  RegisterObjectEditor(kConstraintKind, &TovObjectEditor::CreateEditor<TfrmConst>, nullptr);
}
