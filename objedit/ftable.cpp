#include "objedit/ftable.h"

#include <QAction>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputMethod>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QStandardItemModel>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/core/fmainactcore.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/fobjreportcore.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "objedit/core/findexcore.h"
#include "objedit/core/rstoragecore.h"
#include "objedit/fconst.h"
#include "objedit/findex.h"
#include "objedit/ftrigger.h"
#include "objedit/rcross.h"
#include "objedit/rgrant.h"
#include "objedit/rstorage.h"
#include "platform/qstr.h"
#include "ui/fmemo.h"
#include "ui/ovcomctrls.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"

namespace {

constexpr int kColInsertImage = 39;
constexpr int kColDeleteImage = 40;
constexpr int kColUpImage = 35;
constexpr int kColDownImage = 36;
constexpr int kOpenImage = 17;
constexpr int kDeleteImage = 41;
constexpr int kConstraintImage = 66;
constexpr int kIndexImage = 46;
constexpr int kTriggerImage = 57;
constexpr int kDefaultRowHeight = 18;
// The constraint tree's header: name, kind, then the parameters in the rest.
struct TConstSection {
  const char* Caption;
  int Width;
};
constexpr TConstSection kConstSections[] = {{"名前", 180}, {"タイプ", 120}, {"パラメータ", 0}};
constexpr int kConstHeightThirds = 3;
constexpr int kImageRole = Qt::UserRole;
constexpr const char* kConstHeightValue = "ConstHeight";
constexpr const char* kUpperProperty = "orvUpperCase";
// Column 6 takes the client width the others leave, less this margin.
constexpr int kLastColumnMargin = 5;

constexpr const char* kTableSql =
    "SELECT COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_COMMENT WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE "
    "AND TABLE_CODE = :TABLE_CODE AND COLUMN_CODE = 0 AND INDEX_DSO_CODE = 0 AND COMMENT_TYPE = 'TV' WITH OPTION "
    "LOCK_MODE(NO LOCK)";
// Ordered by position: each row keeps the code it was read with.
constexpr const char* kColumnSql =
    "SELECT TRIM(A.COLUMN_NAME), A.DATA_TYPE, A.CHAR_MAX_LENGTH, A.NUMERIC_PRECISION, A.NUMERIC_SCALE, "
    "TRIM(A.NULLABLE), A.DEFAULT_VALUE, B.COMMENT_VALUE, A.CHAR_MAX_LENGTH, 'B' CHAR_USED, A.NUMERIC_RADIX, "
    "A.COLUMN_CODE FROM RDBII_SYSTEM.RDBII_COLUMN A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON B.DB_CODE = "
    "A.DB_CODE AND B.SCHEMA_CODE = A.SCHEMA_CODE AND B.TABLE_CODE = A.TABLE_CODE AND B.COLUMN_CODE = A.COLUMN_CODE "
    "AND B.INDEX_DSO_CODE = 0 AND B.COMMENT_TYPE = 'CL' WHERE A.DB_CODE = :DB_CODE AND A.SCHEMA_CODE = :SCHEMA_CODE "
    "AND A.TABLE_CODE = :TABLE_CODE ORDER BY A.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";
enum : size_t {
  kNameField = 0,
  kTypeField,
  kLengthField,
  kPrecisionField,
  kScaleField,
  kNullableField,
  kDefaultField,
  kCommentField,
  kIntervalField = 10,
  kCodeField = 11
};
constexpr const char* kKeySql =
    "SELECT 1 FROM RDBII_SYSTEM.RDBII_COLUMN_USAGE A WHERE A.DB_CODE = :DB_CODE AND A.SCHEMA_CODE = :SCHEMA_CODE "
    "AND A.TABLE_CODE = :TABLE_CODE AND A.COLUMN_CODE = :COLUMN_CODE AND A.LIST_TYPE = 'U' AND A.OBJECT_CODE IN "
    "(SELECT CONSTRAINT_CODE FROM RDBII_SYSTEM.RDBII_CONSTRAINT B WHERE B.DB_CODE = A.DB_CODE AND B.SCHEMA_CODE = "
    "A.SCHEMA_CODE AND B.TABLE_CODE  = A.TABLE_CODE AND B.CONSTRAINT_TYPE = 'PK') WITH OPTION LOCK_MODE(NO LOCK)";
// The primary key's columns in key order.
constexpr const char* kKeyOrderSql =
    "SELECT TRIM(A.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN A, RDBII_SYSTEM.RDBII_COLUMN_USAGE B, "
    "RDBII_SYSTEM.RDBII_CONSTRAINT C WHERE A.DB_CODE = :DB_CODE AND A.SCHEMA_CODE = :SCHEMA_CODE AND A.TABLE_CODE = "
    ":TABLE_CODE AND B.DB_CODE = A.DB_CODE AND B.SCHEMA_CODE = A.SCHEMA_CODE AND B.TABLE_CODE = A.TABLE_CODE AND "
    "B.COLUMN_CODE = A.COLUMN_CODE AND B.LIST_TYPE = 'U' AND C.DB_CODE = A.DB_CODE AND C.SCHEMA_CODE = A.SCHEMA_CODE "
    "AND C.TABLE_CODE = A.TABLE_CODE AND C.CONSTRAINT_CODE = B.OBJECT_CODE AND C.CONSTRAINT_TYPE = 'PK' ORDER BY "
    "B.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kUniqueSql =
    "SELECT TRIM(A.COLUMN_NAME),B.OBJECT_CODE FROM RDBII_SYSTEM.RDBII_COLUMN A,RDBII_SYSTEM.RDBII_COLUMN_USAGE B "
    "WHERE A.DB_CODE = :DB_CODE AND A.SCHEMA_CODE = :SCHEMA_CODE AND A.TABLE_CODE = :TABLE_CODE AND A.COLUMN_CODE = "
    "B.COLUMN_CODE AND B.DB_CODE = A.DB_CODE AND B.SCHEMA_CODE = A.SCHEMA_CODE AND B.TABLE_CODE  = A.TABLE_CODE AND "
    "B.LIST_TYPE = 'U' AND B.OBJECT_CODE IN (SELECT CONSTRAINT_CODE FROM RDBII_SYSTEM.RDBII_CONSTRAINT C WHERE "
    "C.DB_CODE = A.DB_CODE AND C.SCHEMA_CODE = A.SCHEMA_CODE AND C.TABLE_CODE  = A.TABLE_CODE AND C.CONSTRAINT_TYPE "
    "= 'UK')  ORDER BY B.OBJECT_CODE WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kTriggerSql =
    "SELECT TRIM(TRIG_SCHEMA_NAME), TRIM(TRIG_NAME) FROM RDBII_SYSTEM.RDBII_TRIGGER WHERE TRIG_DB_CODE = :DB_CODE "
    "AND EVENT_OBJ_SCH_CODE = :SCHEMA_CODE AND EVENT_OBJ_TBL_CODE = :TABLE_CODE WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kIndexSql =
    "SELECT C.OBJECT_CODE, TRIM(B.INDEX_DSO_NAME), TRIM(A.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN A, "
    "RDBII_SYSTEM.RDBII_INDEX B, RDBII_SYSTEM.RDBII_COLUMN_USAGE C WHERE A.DB_CODE = C.DB_CODE AND A.SCHEMA_CODE = "
    "C.SCHEMA_CODE AND A.TABLE_CODE = C.TABLE_CODE AND A.COLUMN_CODE = C.COLUMN_CODE AND B.INDEX_DSO_CODE = "
    "C.OBJECT_CODE AND B.DB_CODE = C.DB_CODE AND B.SCHEMA_CODE = C.SCHEMA_CODE AND B.TABLE_CODE = C.TABLE_CODE AND "
    "C.DB_CODE = :DB_CODE AND C.SCHEMA_CODE = :SCHEMA_CODE AND C.TABLE_CODE = :TABLE_CODE AND C.LIST_TYPE = 'I' "
    "ORDER BY C.OBJECT_CODE, B.INDEX_DSO_NAME, C.ORDINAL_POSITION";

constexpr const char* kIndexQuestion = "インデックスを削除しますか？";
constexpr const char* kIndexDeleted = "インデックスが削除されました。";
constexpr const char* kTriggerQuestion = "トリガーを削除しますか？";
constexpr const char* kTriggerDeleted = "トリガーが削除されました。";
constexpr const char* kStoragePageCaption = "領域情報";
constexpr const char* kGrantPageCaption = "権限";
constexpr const char* kCrossPageCaption = "相関";

// The tree's three roots in their order.
struct TRootNode {
  const char* Text;
  int Image;
};
constexpr std::array<TRootNode, 3> kRootNodes{{{"CONSTRAINT", kConstraintImage},
                                               {"INDEX", kIndexImage},
                                               {"TRIGGER", kTriggerImage}}};

// Reads the catalogue in a transaction of its own, closed in every case.
template <class F>
void CatalogueRead(TovConnectionWindow& window, F read) {
  TovSQLConnection& connection = window.Module().Connection;
  if (connection.InTransaction()) connection.CommitTrans();
  connection.BeginTrans();
  try {
    read();
  } catch (...) {
    if (connection.InTransaction()) connection.CommitTrans();
    throw;
  }
  if (connection.InTransaction()) connection.CommitTrans();
}

}  // namespace

const TEditorKind TfrmTable::kKind = kTableEditorKind;

TfrmTable::TfrmTable(TovConnectionWindow& owner) : TovObjectEditor(owner, kKind, kTablePageModes) {
  lowerNames_ = AppOption.UserLowerName;
  setupUi();
  fraStorage->OnSetChanged = [this](bool changed) {
    if (changed)
      MarkChanged();
    else
      SetChanged(false);
  };
}

void TfrmTable::setupUi() {
  auto* layout = new QVBoxLayout(tabDefine);
  auto* commentRow = new QHBoxLayout;
  commentRow->addWidget(new QLabel(Q("コメント"), tabDefine));
  txtComment = new TovStrEdit(tabDefine);
  txtComment->setObjectName("txtComment");
  commentRow->addWidget(txtComment, 1);
  layout->addLayout(commentRow);
  WatchChanges(txtComment);

  ToolBar1 = new QToolBar(tabDefine);
  ToolBar1->setObjectName("ToolBar1");
  btnColInsert = MakeAction(this, "btnColInsert", "", "列の追加", kColInsertImage);
  btnColDelete = MakeAction(this, "btnColDelete", "", "列の削除", kColDeleteImage);
  actColUp = MakeAction(this, "actColUp", "", "上へ移動", kColUpImage);
  actColDown = MakeAction(this, "actColDown", "", "下へ移動", kColDownImage);
  for (QAction* action : {btnColInsert, btnColDelete, actColUp, actColDown}) ToolBar1->addAction(action);
  layout->addWidget(ToolBar1);
  connect(btnColInsert, &QAction::triggered, this, [this] { btnColInsertClick(); });
  connect(btnColDelete, &QAction::triggered, this, [this] { btnColDeleteClick(); });
  connect(actColUp, &QAction::triggered, this, [this] { actColUpExecute(); });
  connect(actColDown, &QAction::triggered, this, [this] { actColDownExecute(); });

  spl1 = new QSplitter(Qt::Vertical, tabDefine);
  spl1->setObjectName("spl1");
  grdColumn = new TovStringGrid(spl1);
  grdColumn->setObjectName("grdColumn");
  pnlConst = new QWidget(spl1);
  pnlConst->setObjectName("pnlConst");
  hedConst = new QHeaderView(Qt::Horizontal, pnlConst);
  hedConst->setObjectName("hedConst");
  lstConst = new TovTreeView(pnlConst);
  lstConst->setObjectName("lstConst");
  auto* constLayout = new QVBoxLayout(pnlConst);
  constLayout->setSpacing(0);
  constLayout->addWidget(hedConst);
  constLayout->addWidget(lstConst, 1);
  layout->addWidget(spl1, 1);
  setupGrid();
  setupTree();

  tabStorage = new QWidget(pagObject);
  tabStorage->setObjectName("tabStorage");
  fraStorage = new TfraStorage(*this, tabStorage);
  (new QVBoxLayout(tabStorage))->addWidget(fraStorage);
  AddPage(TEditorPage::Storage, tabStorage, kStoragePageCaption);
  tabGrant = new QWidget(pagObject);
  tabGrant->setObjectName("tabGrant");
  fraGrant = new TfraGrant(tabGrant);
  (new QVBoxLayout(tabGrant))->addWidget(fraGrant);
  fraGrant->OnChange = [this] { MarkChanged(); };
  AddPage(TEditorPage::Grant, tabGrant, kGrantPageCaption);
  tabCross = new QWidget(pagObject);
  tabCross->setObjectName("tabCross");
  fraCross = new TfraCross(tabCross);
  (new QVBoxLayout(tabCross))->addWidget(fraCross);
  AddPage(TEditorPage::Cross, tabCross, kCrossPageCaption);
  setupDataPage();
  setupOutput();
}

void TfrmTable::setupGrid() {
  grdColumn->SetColCount(kTableGridCols);
  grdColumn->SetFixedCols(0);
  grdColumn->SetFixedRows(1);
  grdColumn->SetRowCount(2);
  grdColumn->verticalHeader()->setDefaultSectionSize(kDefaultRowHeight);
  grdColumn->SetGridMode(geAccess);
  for (int col = 0; col < kTableGridCols; ++col) {
    grdColumn->SetCells(col, 0, kTableGridHeaders[static_cast<size_t>(col)]);
    grdColumn->setColumnWidth(col, kTableGridWidths[static_cast<size_t>(col)]);
  }
  grdColumn->SetEditStyle(kColKey, geCheckBox);
  grdColumn->SetEditStyle(kColType, gePickList);
  grdColumn->SetEditStyle(kColNotNull, geCheckBox);
  grdColumn->SetEditStyle(kColDefault, geEllipsis);
  grdColumn->SetEditStyle(kColComment, geEllipsis);
  ClearRow(1);
  grdColumn->SaveData();
  grdColumn->OnShowEditor = [this](TovStringGrid&, int col, int row, TovInplaceEditor& editor) {
    if (!grdColumnSelectCell(col, row)) {
      grdColumn->setFocus();
      editor.setReadOnly(true);
      return;
    }
    editor.setReadOnly(false);
    // Types and lengths are plain letters and digits: no input method there.
    const bool plain = col == kColType || col == kColSize;
    if (plain && editor.testAttribute(Qt::WA_InputMethodEnabled)) QGuiApplication::inputMethod()->reset();
    editor.setAttribute(Qt::WA_InputMethodEnabled, !plain);
    // The editor may be shown again for the same cell: one converter each.
    if ((col == kColName || col == kColType) && !lowerNames_ && !editor.property(kUpperProperty).toBool()) {
      editor.setProperty(kUpperProperty, true);
      connect(&editor, &QLineEdit::textEdited, &editor, [&editor](const QString& text) {
        if (text != text.toUpper()) editor.setText(text.toUpper());
      });
    }
  };
  OnResize(*grdColumn->viewport(), [this] { FormResize(); });
  grdColumn->OnGetPickListitems = [this](int col, int, std::vector<std::string>& items) {
    if (col != kColType) return;
    if (TypeNames.empty()) GetDataTypeList(TypeNames);
    items = TypeNames;
  };
  grdColumn->OnEditButtonClick = [this](TovStringGrid&) { grdColumnEditButtonClick(); };
  connect(grdColumn->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { ActionsUpdated(); });
  connect(grdColumn->model(), &QAbstractItemModel::rowsInserted, this, [this] { ActionsUpdated(); });
  connect(grdColumn->model(), &QAbstractItemModel::rowsRemoved, this, [this] { ActionsUpdated(); });
  connect(grdColumn->model(), &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& from, const QModelIndex&) {
            // The model counts from the first row below the header.
            if (!filling_ && from.isValid()) CellEdited(from.column(), from.row() + grdColumn->FixedRows());
          });
}

void TfrmTable::setupTree() {
  auto* sections = new QStandardItemModel(0, static_cast<int>(std::size(kConstSections)), hedConst);
  for (size_t i = 0; i < std::size(kConstSections); ++i)
    sections->setHorizontalHeaderItem(static_cast<int>(i), new QStandardItem(Q(kConstSections[i].Caption)));
  hedConst->setModel(sections);
  for (size_t i = 0; i + 1 < std::size(kConstSections); ++i)
    hedConst->resizeSection(static_cast<int>(i), kConstSections[i].Width);
  hedConst->setStretchLastSection(true);
  lstConst->SetHeaderControl(hedConst);
  lstConst->setColumnCount(1);
  lstConst->setHeaderHidden(true);
  // The selected node stays white on the highlight when the tree has no focus.
  QPalette colours = lstConst->palette();
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    colours.setColor(group, QPalette::Highlight, colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(group, QPalette::HighlightedText, QColor(Qt::white));
  }
  lstConst->setPalette(colours);
  lstConst->setContextMenuPolicy(Qt::CustomContextMenu);
  popConst = new QMenu(this);
  popConst->setObjectName("popConst");
  mnuConstOpen = popConst->addAction(imgMain().Icon(kOpenImage), Q("開く(&O)"));
  mnuConstDelete = popConst->addAction(imgMain().Icon(kDeleteImage), Q("削除(&D)"));
  mnuConstNew = popConst->addAction(Q("新規作成(&N)"));
  connect(mnuConstOpen, &QAction::triggered, this, [this] { RunReported([this] { mnuConstOpenClick(); }); });
  connect(mnuConstDelete, &QAction::triggered, this, [this] { RunReported([this] { mnuConstDeleteClick(); }); });
  connect(mnuConstNew, &QAction::triggered, this, [this] { RunReported([this] { mnuConstNewClick(); }); });
  connect(lstConst, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (QTreeWidgetItem* item = lstConst->itemAt(at)) lstConst->setCurrentItem(item);
    popConstPopup();
    popConst->popup(lstConst->viewport()->mapToGlobal(at));
  });
  connect(lstConst, &QTreeWidget::itemDoubleClicked, this, [this] { RunReported([this] { mnuConstOpenClick(); }); });
}

void TfrmTable::FormResize() {
  int used = kLastColumnMargin;
  for (int col = 0; col < kColComment; ++col) used += grdColumn->columnWidth(col);
  grdColumn->setColumnWidth(kColComment, std::max(grdColumn->viewport()->width() - used, 0));
}

// ---- the table as the window holds it ----

std::vector<TTableColumn> TfrmTable::Columns() const {
  std::vector<TTableColumn> columns;
  for (int row = 1; row < grdColumn->RowCount() - 1; ++row) {
    std::array<std::string, kTableGridCols> cells;
    for (int col = 0; col < kTableGridCols; ++col) cells[static_cast<size_t>(col)] = grdColumn->Cells(col, row);
    columns.push_back(ColumnOfCells(cells, grdColumn->Objects(kColName, row).toInt(),
                                    grdColumn->Objects(kColType, row).toString().toStdString()));
  }
  return columns;
}

TTableDefinition TfrmTable::Definition() const {
  TTableDefinition table;
  table.Schema = SchemaName();
  table.Name = ObjectName();
  table.Comment = txtComment->text().toStdString();
  table.Columns = Columns();
  for (int i = 0; i < lstConst->topLevelItemCount(); ++i) {
    QTreeWidgetItem* root = lstConst->topLevelItem(i);
    for (int j = 0; j < root->childCount(); ++j) {
      auto* node = static_cast<TovTreeNode*>(root->child(j));
      if (NodeImage(*node) == kConstraintImage && node->SubItem(0) == "UNIQUE")
        table.UniqueConstraints.push_back(node->SubItem(1).toStdString());
    }
  }
  table.Storage = fraStorage->TableStorage();
  table.Space = fraStorage->cmbTBS->currentText().toStdString();
  return table;
}

void TfrmTable::WithTargetNames(const std::function<void()>& body) {
  if (TargetSchema.empty() || TargetName.empty()) return body();
  const QString schema = cmbSchema->currentText();
  const QString name = txtName->text();
  const QSignalBlocker quietSchema(cmbSchema);
  const QSignalBlocker quietName(txtName);
  cmbSchema->setCurrentText(Q(TargetSchema));
  txtName->setText(Q(TargetName));
  try {
    body();
  } catch (...) {
    cmbSchema->setCurrentText(schema);
    txtName->setText(name);
    throw;
  }
  cmbSchema->setCurrentText(schema);
  txtName->setText(name);
}

void TfrmTable::BuildCreateDDL(std::vector<std::string>& list) {
  TSqlWaitCursor wait;
  WithTargetNames([&] {
    TovConnectionWindow& c = *ConnectionWindow;
    const TTableDdlContext context{SchemaPrefix(SchemaName()), AppOption.Separator, c.Level(), c.LevelReduced(),
                                   c.IsRemote(), TableStorageWanted(ScriptMode)};
    BuildTableCreateDDL(Definition(), context, list);
  });
}

void TfrmTable::BuildAlterDDL(std::vector<std::string>& list) {
  TSqlWaitCursor wait;
  TovConnectionWindow& c = *ConnectionWindow;
  const TTableDdlContext context{SchemaPrefix(SchemaName()), AppOption.Separator, c.Level(), c.LevelReduced(),
                                 c.IsRemote(), false};
  BuildTableAlterDDL(Definition(), loadedComment_, loadedColumns_, context, list);
}

void TfrmTable::BuildDropDDL(std::vector<std::string>& list, bool cascade) {
  BuildTableDropDDL(SchemaName(), ObjectName(), cascade, AppOption.Separator, list);
}

bool TfrmTable::NeedsRebuild() {
  TRebuildTest test;
  test.IsNew = IsNew;
  test.ScriptMode = ScriptMode;
  test.SourcePage = ActivePage() == TEditorPage::Source;
  test.StorageChanged = fraStorage->IsChanged();
  test.Columns = Columns();
  test.LoadedColumns = loadedColumns_;
  return ::NeedsRebuild(test);
}

void TfrmTable::changeObjectname(std::vector<std::string>& lines) { ChangeObjectName(lines, CopyTimeStamp); }

void TfrmTable::QuoteDefaults() {
  for (int row = 1; row < grdColumn->RowCount(); ++row)
    grdColumn->SetCells(kColDefault, row, AutoQuoteDefault(grdColumn->Cells(kColDefault, row)));
}

// ---- loading ----

bool TfrmTable::TableCodes(std::vector<std::string>& codes) {
  TovConnectionWindow& c = *ConnectionWindow;
  const std::string database = c.Module().Connection.DataSource;
  codes = {c.GetDBCode(database), c.GetSchemaCode(database, SchemaName()),
           c.GetTableCode(database, SchemaName(), ObjectName())};
  for (const std::string& code : codes)
    if (code.empty()) return false;
  return true;
}

void TfrmTable::PrepareLoad() {
  fraStorage->Init(SchemaName(), ObjectName());
  if (IsNew && ConnectionWindow->IsRemote()) {
    TovSQLQuery& q =
        ConnectionWindow->OpenSQLParams(kRemoteFirstSpaceSql, {ConnectionWindow->Module().Connection.DataSource});
    if (!q.Eof()) {
      const QString space = Q(Trim(q.AsString(size_t{0})));
      if (fraStorage->cmbTBS->findText(space) < 0) fraStorage->cmbTBS->addItem(space);
      fraStorage->cmbTBS->setCurrentText(space);
    }
  }
}

bool TfrmTable::LoadObject() {
  TovConnectionWindow& c = *ConnectionWindow;
  std::vector<std::string> codes;
  TovSQLConnection& connection = c.Module().Connection;
  if (connection.InTransaction()) connection.CommitTrans();
  connection.BeginTrans();
  if (!TableCodes(codes)) {
    if (connection.InTransaction()) connection.RollbackTrans();
    SetChanged(false);
    // The protocol keeps a script quiet; a table script says so as well.
    if (ScriptMode) MsgBox(kLoadFailed, MB_ICONERROR);
    return false;
  }
  TovSQLQuery& comment = c.OpenSQLParams(kTableSql, codes);
  txtComment->setText(Q(comment.Eof() ? std::string() : comment.AsString(size_t{0})));
  if (connection.InTransaction()) connection.CommitTrans();
  if (!c.IsRemote()) fraStorage->LoadTableStorage();
  std::vector<TCatalogColumn> read;
  CatalogueRead(c, [&] {
    for (TovSQLQuery& q = c.OpenSQLParams(kColumnSql, codes); !q.Eof(); q.Next())
      read.push_back({q.AsString(kNameField), q.AsString(kTypeField), q.Value(kLengthField),
                      q.Value(kPrecisionField), q.Value(kScaleField), q.AsString(kNullableField),
                      q.AsString(kDefaultField), q.AsString(kCommentField), q.AsString(kIntervalField),
                      q.AsString(kCodeField)});
  });
  std::vector<TTableColumn> columns;
  CatalogueRead(c, [&] {
    for (size_t k = 0; k < read.size(); ++k) {
      std::vector<std::string> keyArgs = codes;
      keyArgs.push_back(read[k].ColumnCode);
      const bool key = !c.OpenSQLParams(kKeySql, keyArgs).Eof();
      columns.push_back(ColumnOfCatalog(read[k], static_cast<int>(k) + 1, key));
    }
  });
  filling_ = true;
  grdColumn->ClearData();
  grdColumn->SetRowCount(static_cast<int>(columns.size()) + 2);
  for (size_t k = 0; k < columns.size(); ++k) SetRow(static_cast<int>(k) + 1, columns[k]);
  ClearRow(grdColumn->RowCount() - 1);
  filling_ = false;
  grdColumn->FocusCell(kColName, 1);
  return true;
}

void TfrmTable::FinishLoad() {
  LoadConstraints();
  if (!IsNew) {
    LoadDataConditions();
    LoadKeyColumns();
  }
  txtComment->SaveText();
  fraStorage->SaveState();
  grdColumn->SaveData();
  loadedComment_ = txtComment->text().toStdString();
  loadedColumns_ = Columns();
  if (!IsNew && ActivePage() == TEditorPage::Grant) fraGrant->Load(SchemaName(), ObjectName());
  if (!IsNew && ActivePage() == TEditorPage::Cross) fraCross->Load(SchemaName(), ObjectName());
  if (!IsNew) {
    loadedCreate_.clear();
    BuildCreateDDL(loadedCreate_);
    CopyDDL = loadedCreate_;
    changeObjectname(CopyDDL);
  }
}

void TfrmTable::SetRow(int row, const TTableColumn& column) {
  const auto cells = CellsOfColumn(column);
  for (int col = 0; col < kTableGridCols; ++col) grdColumn->SetCells(col, row, cells[static_cast<size_t>(col)]);
  grdColumn->SetObjects(kColName, row, column.ReadPosition);
  grdColumn->SetObjects(kColType, row, Q(column.ColumnCode));
}

void TfrmTable::ClearRow(int row) { SetRow(row, TTableColumn{}); }

std::vector<std::string> TfrmTable::SourceLines() {
  std::vector<std::string> lines;
  BuildCreateDDL(lines);
  return lines;
}

std::vector<std::string> TfrmTable::BuildStatements(TEditorPage page) {
  if (page == TEditorPage::Grant) {
    std::vector<std::string> list;
    fraGrant->BuildGrantDDL(list);
    return list;
  }
  if (AppOption.DefaultAutoQuote) QuoteDefaults();
  std::vector<std::string> list;
  if (page == TEditorPage::Source) {
    for (int i = 0; i < txtSource->Lines().GetCount(); ++i) list.push_back(txtSource->Lines().Get(i));
    return list;
  }
  if (NeedsRebuild())
    BuildCreateDDL(list);
  else
    BuildAlterDDL(list);
  return list;
}

void TfrmTable::LoadConstraints() {
  lstConst->setUpdatesEnabled(false);
  struct TResume {
    TovTreeView* tree;
    ~TResume() { tree->setUpdatesEnabled(true); }
  } resume{lstConst};
  lstConst->clear();
  std::vector<TovTreeNode*> roots;
  for (const TRootNode& root : kRootNodes) {
    auto* node = new TovTreeNode(lstConst);
    node->setText(0, Q(root.Text));
    node->setIcon(0, imgMain().Icon(root.Image));
    node->setData(0, kImageRole, root.Image);
    roots.push_back(node);
  }
  if (IsNew) return;
  std::vector<std::string> codes;
  if (!TableCodes(codes)) return;
  TovConnectionWindow& c = *ConnectionWindow;
  auto child = [](TovTreeNode* parent, const std::string& text, int image, const std::vector<std::string>& subs) {
    auto* node = new TovTreeNode(parent);
    node->setText(0, Q(text));
    node->setIcon(0, imgMain().Icon(image));
    node->setData(0, kImageRole, image);
    for (const std::string& sub : subs) node->AddSubItem(Q(sub));
  };
  std::vector<TGroupedColumn> uniqueRows;
  std::vector<TGroupedColumn> indexRows;
  std::vector<std::pair<std::string, std::string>> triggers;
  CatalogueRead(c, [&] {
    for (TovSQLQuery& q = c.OpenSQLParams(kUniqueSql, codes); !q.Eof(); q.Next())
      uniqueRows.push_back({q.AsString(size_t{0}), q.AsString(1)});
  });
  CatalogueRead(c, [&] {
    for (TovSQLQuery& q = c.OpenSQLParams(kIndexSql, codes); !q.Eof(); q.Next())
      indexRows.push_back({q.AsString(2), q.AsString(1)});
  });
  CatalogueRead(c, [&] {
    for (TovSQLQuery& q = c.OpenSQLParams(kTriggerSql, codes); !q.Eof(); q.Next())
      triggers.emplace_back(q.AsString(size_t{0}), q.AsString(1));
  });
  for (const TUniqueConstraint& u : GroupUniqueConstraints(uniqueRows))
    child(roots[0], "", kConstraintImage, {"UNIQUE", u.Columns, u.Code, ""});
  for (const TTableIndex& index : GroupIndexes(indexRows))
    child(roots[1], index.Name, kIndexImage, {"INDEX", index.Columns, "", SchemaName()});
  for (const auto& [schema, name] : triggers) child(roots[2], name, kTriggerImage, {"TRIGGER", "", "", schema});
  lstConst->expandAll();
}

// ---- the column grid ----

bool TfrmTable::grdColumnSelectCell(int col, int row) {
  switch (col) {
    case kColKey:
    case kColNotNull:
      return false;
    case kColType:
      return !grdColumn->Cells(kColName, row).empty();
    case kColSize:
      return IsSizedType(grdColumn->Cells(kColType, row));
    default:
      return true;
  }
}

void TfrmTable::CellEdited(int col, int row) {
  filling_ = true;
  if (col == kColKey && grdColumn->Cells(kColKey, row) == kChecked) grdColumn->SetCells(kColNotNull, row, kChecked);
  const bool entryRow = row == grdColumn->RowCount() - 1;
  if (entryRow && !grdColumn->Cells(col, row).empty() && col != kColKey && col != kColNotNull) {
    grdColumn->SetRowCount(grdColumn->RowCount() + 1);
    grdColumn->SetObjects(kColName, row, 0);
    ClearRow(grdColumn->RowCount() - 1);
  }
  filling_ = false;
  if (grdColumn->CellModified(col, row)) MarkChanged();
}

void TfrmTable::grdColumnEditButtonClick() {
  const int col = grdColumn->Col();
  const int row = grdColumn->Row();
  std::string text = grdColumn->Cells(col, row);
  const std::string before = text;
  if (ShowMemoDialog(text) == mrOk && text != before) grdColumn->SetEditText(col, row, text);
}

void TfrmTable::btnColInsertClick() {
  grdColumn->setFocus();
  const int row = std::max(grdColumn->Row(), 1);
  filling_ = true;
  grdColumn->InsertRow(row);
  ClearRow(row);
  filling_ = false;
}

void TfrmTable::btnColDeleteClick() {
  const int row = grdColumn->Row();
  if (row < 1 || row >= grdColumn->RowCount() - 1) return;
  grdColumn->setFocus();
  filling_ = true;
  grdColumn->DeleteRow(row);
  if (grdColumn->Row() == grdColumn->RowCount() - 1) ClearRow(grdColumn->RowCount() - 1);
  filling_ = false;
  grdColumn->viewport()->update();
  MarkChanged();
}

void TfrmTable::actColUpExecute() {
  const int row = grdColumn->Row();
  if (!(row > 1 && row < grdColumn->RowCount() - 1)) return;
  grdColumn->MoveRow(row, row - 1);
  grdColumn->FocusCell(grdColumn->Col(), row - 1);
  MarkChanged();
}

void TfrmTable::actColDownExecute() {
  const int row = grdColumn->Row();
  if (!(row >= 1 && row < grdColumn->RowCount() - 2)) return;
  grdColumn->MoveRow(row, row + 1);
  grdColumn->FocusCell(grdColumn->Col(), row + 1);
  MarkChanged();
}

// ---- the constraints tree ----

int TfrmTable::NodeImage(const TovTreeNode& node) const { return node.data(0, kImageRole).toInt(); }

TovTreeNode* TfrmTable::SelectedChild() const {
  QTreeWidgetItem* item = lstConst->currentItem();
  if (!item || !item->parent() || IsNew) return nullptr;
  return static_cast<TovTreeNode*>(item);
}

void TfrmTable::popConstPopup() {
  for (QAction* item : {mnuConstOpen, mnuConstDelete, mnuConstNew}) item->setEnabled(false);
  mnuConstNew->setIcon(QIcon());
  QTreeWidgetItem* item = lstConst->currentItem();
  if (IsNew || !item) return;
  if (TovTreeNode* node = SelectedChild()) {
    mnuConstOpen->setEnabled(true);
    mnuConstDelete->setEnabled(NodeImage(*node) != kConstraintImage);
  }
  mnuConstNew->setEnabled(true);
  mnuConstNew->setIcon(item->icon(0));
}

void TfrmTable::mnuConstOpenClick() {
  TovTreeNode* node = SelectedChild();
  if (!node) return;
  const std::string name = node->text(0).toStdString();
  const std::string schema = node->SubItem(3).toStdString();
  switch (NodeImage(*node)) {
    case kIndexImage: {
      const TOpenArgs args{schema, name, kIndexKind, static_cast<uint8_t>(AppOption.OpenMode), 0, ObjectName()};
      TovObjectEditor::CreateEditor<TfrmIndex>(*ConnectionWindow, args);
      break;
    }
    case kTriggerImage: {
      const TOpenArgs args{schema, name, okTrigger, static_cast<uint8_t>(AppOption.OpenMode), 0, ""};
      TovObjectEditor::CreateEditor<TfrmTrigger>(*ConnectionWindow, args);
      break;
    }
    default: {
      // The constraint editor needs the table, which OpenObject does not carry.
      const TOpenArgs args{SchemaName(), node->SubItem(2).toStdString(), kConstraintKind, 0, 0, ObjectName()};
      TovObjectEditor::CreateEditor<TfrmConst>(*ConnectionWindow, args);
      break;
    }
  }
}

void TfrmTable::mnuConstDeleteClick() {
  TovTreeNode* node = SelectedChild();
  if (!node) return;
  const std::string name = node->text(0).toStdString();
  const int flags = MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2;
  if (NodeImage(*node) == kIndexImage) {
    if (MsgBox(kIndexQuestion, flags) != IDYES) return;
    ConnectionWindow->ExecSQL(DropIndexStatement(name));
    MsgBox(kIndexDeleted, MB_ICONINFORMATION);
  } else if (NodeImage(*node) == kTriggerImage) {
    if (MsgBox(kTriggerQuestion, flags) != IDYES) return;
    ConnectionWindow->ExecSQL("DROP TRIGGER " + QuoteIdent(node->SubItem(3).toStdString()) + "." + QuoteIdent(name));
    MsgBox(kTriggerDeleted, MB_ICONINFORMATION);
  } else {
    return;
  }
  LoadConstraints();
}

void TfrmTable::mnuConstNewClick() {
  QTreeWidgetItem* item = lstConst->currentItem();
  if (IsNew || !item) return;
  switch (item->data(0, kImageRole).toInt()) {
    case kIndexImage: {
      const TOpenArgs args{SchemaName(), "", kIndexKind, 0, 0, ObjectName()};
      TovObjectEditor::CreateEditor<TfrmIndex>(*ConnectionWindow, args);
      break;
    }
    case kTriggerImage: {
      const TOpenArgs args{SchemaName(), "", okTrigger, 0, 0, ObjectName()};
      TovObjectEditor::CreateEditor<TfrmTrigger>(*ConnectionWindow, args);
      break;
    }
    default: {
      const TOpenArgs args{SchemaName(), "", kConstraintKind, 0, 0, ObjectName()};
      TovObjectEditor::CreateEditor<TfrmConst>(*ConnectionWindow, args);
      break;
    }
  }
}

// ---- the window ----

void TfrmTable::ChangedIsNew() {
  TovObjectEditor::ChangedIsNew();
  pagObject->setTabVisible(pagObject->indexOf(tabStorage), !ConnectionWindow->LevelReduced());
}

// actColUpUpdate and actColDownUpdate, whenever the current row or the
// row count changes.
void TfrmTable::ActionsUpdated() {
  const int row = grdColumn->Row();
  actColUp->setEnabled(row > 1 && row < grdColumn->RowCount() - 1);
  actColDown->setEnabled(row >= 1 && row < grdColumn->RowCount() - 2);
  const bool output = !Changed && !IsNew;
  for (QAction* action : {actOutput, actPrint, actSave}) action->setEnabled(output);
  for (QAction* item : reportItems_)
    if (mnuObject->actions().contains(item)) item->setEnabled(!IsNew);
  // The generator is another subsystem's: enabled once it is registered.
  actDataGenerate->setEnabled(!IsNew && DataGenerateRegistered());
}

void TfrmTable::LoadKeyColumns() {
  KeyColumns.clear();
  std::vector<std::string> codes;
  if (!TableCodes(codes)) return;
  TovConnectionWindow& c = *ConnectionWindow;
  CatalogueRead(c, [&] {
    for (TovSQLQuery& q = c.OpenSQLParams(kKeyOrderSql, codes); !q.Eof(); q.Next()) KeyColumns.push_back(q.AsString(size_t{0}));
  });
}

void TfrmTable::RunDelete(bool cascade) { DeleteInTransaction(cascade); }

void TfrmTable::LoadWindowSize() {
  TovObjectEditor::LoadWindowSize();
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kKind.SizeKey), true)) return;
  const int room = spl1->height();
  const int constHeight = AppRegistry.ReadIntegerDef(kConstHeightValue, room / kConstHeightThirds);
  spl1->setSizes({std::max(room - constHeight, 0), constHeight});
}

void TfrmTable::SaveWindowSize() {
  TovObjectEditor::SaveWindowSize();
  platform::KeyScope key(AppRegistry);
  if (AppRegistry.OpenKey(GuiKey(kKind.SizeKey), true)) AppRegistry.WriteInteger(kConstHeightValue, pnlConst->height());
}

void TfrmTable::CreateScript(TovConnectionWindow& owner, const TScriptArgs& args, std::ostream& stream) {
  auto* form = new TfrmTable(owner);
  try {
    if (!args.NewSchema.empty() && !args.NewName.empty()) {
      form->TargetSchema = args.NewSchema;
      form->TargetName = args.NewName;
    }
    form->WriteTableScript(args, stream);
  } catch (...) {
    form->Discard();
    throw;
  }
  form->Discard();
}

void RegisterTableEditor() {
  RegisterObjectEditor(kTableKind, &TovObjectEditor::CreateEditor<TfrmTable>, &TfrmTable::CreateScript);
  RegisterObjectReport(kTableKind, {&TfrmTable::CreateReportFile, &TfrmTable::CreateReportSheet});
}
