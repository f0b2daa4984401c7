// The SQL window's builder pane: the canvas with its tool bar and pop-up,
// the column grid with its tool bar, the kind menu, the pane's heights and
// the tables dropped on the canvas. The builder itself is ovsqlbld.
#include <QActionGroup>
#include <QHeaderView>
#include <QLayout>
#include <QMenu>
#include <QMimeData>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/fmainactcore.h"
#include "app/core/ovkinds.h"
#include "app/core/ovreg.h"
#include "app/core/workspacecore.h"
#include "app/core/zarur.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "sqlwork/fsql.h"
#include "sqlwork/fsqlbldc.h"
#include "sqlwork/ftablelist.h"
#include "sqlwork/ovsqlbld.h"
#include "sqlwork/sqlactions.h"
#include "ui/ovgrid.h"
#include "ui/ovimages.h"

namespace {

constexpr char kSizeKey[] = "EXECSQL";
constexpr char kShowBuildValue[] = "ShowBuild";
constexpr char kBuildHeightValue[] = "BuildHeight";
constexpr char kDesignHeightValue[] = "DesignHeight";
constexpr char kShowDesignHint[] = "SQLビルダ|SQLビルダを表示します。";
constexpr int kShowDesignImage = 110;
constexpr char kSQLTypeCaption[] = "SQLタイプ選択";
constexpr int kSQLTypeImage = 10;
constexpr char kViewNamePrompt[] = "ビュー名";
constexpr TActionSpec kInsTable = {"テーブル追加(&I)", "テーブル追加", 39};
constexpr TActionSpec kDelTable = {"テーブル削除(&D)", "テーブル削除", 40};
constexpr TActionSpec kInsColumn = {"", "列の追加", 39};
constexpr TActionSpec kDelColumn = {"", "列の削除", 40};
constexpr TActionSpec kUpColumn = {"", "上に移動", 35};
constexpr TActionSpec kDownColumn = {"", "下に移動", 36};
// The splitters keep this much of the pane and of the canvas.
constexpr int kBuildMinHeight = 60;
// A quarter of the room under the tool bar: the editor panel three, the
// pane two and the canvas one.
constexpr int kHeightQuarters = 4;
constexpr int kSQLQuarters = 3;
constexpr int kBuildQuarters = 2;
// The grid's rows are the font's size and this much more.
constexpr int kRowHeightExtra = 6;
constexpr const char* kKindNames[] = {"SELECT", "INSERT", "UPDATE", "DELETE", "CREATE VIEW"};

QFont FixedFont(const std::string& name, int size) {
  QFont font(Q(name));
  if (size > 0) font.setPointSize(size);
  font.setFixedPitch(true);
  return font;
}

// The splitter's first pane gets the height, its next shown pane the rest.
void SetFirstHeight(QSplitter& splitter, int height) {
  // A pane just shown has not had its layout yet.
  if (QLayout* layout = splitter.parentWidget()->layout()) layout->activate();
  splitter.refresh();
  QList<int> sizes = splitter.sizes();
  int total = 0;
  for (int size : sizes) total += size;
  for (int i = 1; i < sizes.size(); ++i) {
    if (splitter.widget(i)->isHidden()) continue;
    sizes.fill(0);
    sizes[0] = height;
    sizes[i] = std::max(total - height, 0);
    splitter.setSizes(sizes);
    return;
  }
}

}  // namespace

QSplitter* TfrmSQL::setupBuilder(QWidget* editorPane) {
  btnShowDesign = new QToolButton(tolCmd);
  btnShowDesign->setCheckable(true);
  btnShowDesign->setIcon(imgMain().Icon(kShowDesignImage));
  btnShowDesign->setToolTip(Q(ShortHint(kShowDesignHint)));
  btnShowDesign->setStatusTip(Q(LongHint(kShowDesignHint)));
  tolCmd->insertWidget(tolCmd->actions().value(tolCmd->actions().indexOf(actSave) + 1), btnShowDesign);

  splBuild = new QSplitter(Qt::Vertical, pnlSQL);
  splBuild->setChildrenCollapsible(false);
  pnlBuild = new QWidget(splBuild);
  pnlBuild->setMinimumHeight(kBuildMinHeight);
  auto* buildLayout = new QVBoxLayout(pnlBuild);
  buildLayout->setContentsMargins(0, 0, 0, 0);
  splDesign = new QSplitter(Qt::Vertical, pnlBuild);
  splDesign->setChildrenCollapsible(false);
  buildLayout->addWidget(splDesign);

  pnlDesign = new QWidget(splDesign);
  pnlDesign->setMinimumHeight(kBuildMinHeight);
  auto* designLayout = new QVBoxLayout(pnlDesign);
  designLayout->setContentsMargins(0, 0, 0, 0);
  designLayout->setSpacing(0);
  tolDesign = new QToolBar(pnlDesign);
  actInsTable = MakeAction(this, kInsTable);
  actDelTable = MakeAction(this, kDelTable);
  btnSQLType = new QToolButton(tolDesign);
  btnSQLType->setText(QString::fromUtf8(kSQLTypeCaption));
  btnSQLType->setToolTip(QString::fromUtf8(kSQLTypeCaption));
  btnSQLType->setIcon(imgMain().Icon(kSQLTypeImage));
  popSQLType = new QMenu(this);
  auto* kinds = new QActionGroup(popSQLType);
  std::vector<QAction*> kindItems;
  for (const char* name : kKindNames) {
    QAction* item = popSQLType->addAction(name);
    item->setCheckable(true);
    kinds->addAction(item);
    kindItems.push_back(item);
  }
  mnuSQLSelect = kindItems[0];
  mnuSQLInsert = kindItems[1];
  mnuSQLUpdate = kindItems[2];
  mnuSQLDelete = kindItems[3];
  mnuSQLCreate = kindItems[4];
  tolDesign->addAction(actInsTable);
  tolDesign->addAction(actDelTable);
  tolDesign->addWidget(btnSQLType);
  SQLDesign = new TovSQLDesignerView(pnlDesign);
  SQLDesign->setObjectName("SQLDesign");
  SQLDesign->setFont(FixedFont(AppOption.DiagramFontName, AppOption.DiagramFontSize));
  SQLDesign->setContextMenuPolicy(Qt::CustomContextMenu);
  popSQLDesign = new QMenu(this);
  popSQLDesign->addActions({actInsTable, actDelTable});
  designLayout->addWidget(tolDesign);
  designLayout->addWidget(SQLDesign, 1);

  pnlColumn = new QWidget(splDesign);
  pnlColumn->setMinimumHeight(kBuildMinHeight);
  auto* columnLayout = new QVBoxLayout(pnlColumn);
  columnLayout->setContentsMargins(0, 0, 0, 0);
  columnLayout->setSpacing(0);
  tolColumn = new QToolBar(pnlColumn);
  btnInsColumn = MakeAction(this, kInsColumn);
  btnDelColumn = MakeAction(this, kDelColumn);
  btnUpColumn = MakeAction(this, kUpColumn);
  btnDownColumn = MakeAction(this, kDownColumn);
  tolColumn->addActions({btnInsColumn, btnDelColumn, btnUpColumn, btnDownColumn});
  grdColumn = new TovStringGrid(pnlColumn);
  grdColumn->setObjectName("grdColumn");
  const QFont gridFont = FixedFont(AppOption.GridFontName, AppOption.GridFontSize);
  grdColumn->setFont(gridFont);
  grdColumn->verticalHeader()->setDefaultSectionSize(QFontInfo(gridFont).pointSize() + kRowHeightExtra);
  columnLayout->addWidget(tolColumn);
  columnLayout->addWidget(grdColumn, 1);
  splDesign->addWidget(pnlDesign);
  splDesign->addWidget(pnlColumn);

  SQLDesign->SetGrid(grdColumn);
  SQLDesign->SetSQLText(txtSQL);
  grdColumn->SetGridMode(geAccess);
  grdColumn->SetEditStyle(bcExpression, gePickList);
  grdColumn->SetEditStyle(bcShow, geCheckBox);
  grdColumn->SetEditStyle(bcSort, geDropList);
  grdColumn->SetEditStyle(bcGroup, geDropList);

  splBuild->addWidget(pnlBuild);
  splBuild->addWidget(editorPane);
  pnlBuild->hide();

  const auto guarded = [this](QAction* action, void (TfrmSQL::*handler)()) {
    connect(action, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  };
  connect(btnShowDesign, &QToolButton::clicked, this, [this] { Guarded([this] { btnShowDesignClick(); }); });
  guarded(actInsTable, &TfrmSQL::actInsTableExecute);
  guarded(actDelTable, &TfrmSQL::actDelTableExecute);
  guarded(btnInsColumn, &TfrmSQL::btnInsColumnClick);
  guarded(btnDelColumn, &TfrmSQL::btnDelColumnClick);
  guarded(btnUpColumn, &TfrmSQL::btnUpColumnClick);
  guarded(btnDownColumn, &TfrmSQL::btnDownColumnClick);
  connect(btnSQLType, &QToolButton::clicked, this, [this] {
    popSQLType->actions().value(SQLDesign->Model().SQLType() - 1)->setChecked(true);
    popSQLType->popup(btnSQLType->mapToGlobal(btnSQLType->rect().bottomLeft()));
  });
  for (int kind = sqlKindSelect; kind <= sqlKindCreateView; ++kind)
    connect(kindItems[kind - 1], &QAction::triggered, this, [this, kind] { Guarded([&] { mnuSQLTypeClick(kind); }); });
  connect(SQLDesign, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    popSQLDesign->popup(SQLDesign->mapToGlobal(at));
  });
  SQLDesign->OnChange = [this] {
    actInsTableUpdate();
    actDelTableUpdate();
  };
  SQLDesign->OnChange();
  SQLDesign->OnConnectDblClick = [this](TovSQLBuildConnect& join) {
    Guarded([&] { SQLDesignConnectDblClick(join); });
  };
  SQLDesign->OnDragOver = [this](const QMimeData& data) { return SQLDesignDragOver(data); };
  SQLDesign->OnDragDrop = [this](const QMimeData& data) { Guarded([&] { SQLDesignDragDrop(data); }); };
  return splBuild;
}

int TfrmSQL::RoomHeight() const { return std::max(height() - tolCmd->height(), 0); }

void TfrmSQL::SetBuildHeights(int sqlHeight, int buildHeight, int designHeight) {
  SetFirstHeight(*splSQL, sqlHeight);
  SetFirstHeight(*splBuild, buildHeight);
  SetFirstHeight(*splDesign, designHeight);
}

void TfrmSQL::btnShowDesignClick() {
  const int quarter = RoomHeight() / kHeightQuarters;
  if (btnShowDesign->isChecked()) {
    pnlBuild->show();
    SetBuildHeights(kSQLQuarters * quarter, kBuildQuarters * quarter, quarter);
  } else {
    const int build = pnlBuild->height();
    pnlBuild->hide();
    const QList<int> sizes = splSQL->sizes();
    if (sizes.size() > 1) splSQL->setSizes({sizes[0] - build, sizes[1] + build});
  }
  txtSQL->CloseCodeAssist();
  RebuildDesign();
}

void TfrmSQL::RebuildDesign() {
  if (!pnlBuild->isHidden()) SQLDesign->ParseSQL();
}

void TfrmSQL::LoadBuildSize(int sqlHeight) {
  const int quarter = RoomHeight() / kHeightQuarters;
  const bool shown = AppRegistry.ReadBoolDef(kShowBuildValue, false);
  {
    const QSignalBlocker blocker(btnShowDesign);
    btnShowDesign->setChecked(shown);
  }
  pnlBuild->setVisible(shown);
  const int build = std::max(std::min(AppRegistry.ReadIntegerDef(kBuildHeightValue, kBuildQuarters * quarter), sqlHeight),
                             kBuildMinHeight);
  const int design =
      std::max(std::min(AppRegistry.ReadIntegerDef(kDesignHeightValue, quarter), build), kBuildMinHeight);
  SetBuildHeights(sqlHeight, build, design);
}

void TfrmSQL::SaveBuildSize() {
  AppRegistry.WriteBool(kShowBuildValue, btnShowDesign->isChecked());
  AppRegistry.WriteInteger(kBuildHeightValue, pnlBuild->height());
  AppRegistry.WriteInteger(kDesignHeightValue, pnlDesign->height());
}

// ---- tables ----

void TfrmSQL::actInsTableUpdate() { actInsTable->setEnabled(SQLDesign->Model().CanInsertTable()); }

void TfrmSQL::actInsTableExecute() {
  actInsTableUpdate();
  if (!actInsTable->isEnabled() || !ConnectionWindow) return;
  const std::vector<std::string> names = ShowTableList(this, *ConnectionWindow);
  if (names.empty()) return;
  SQLDesign->Apply([&] { SQLDesign->Model().InsertTables(names); });
}

void TfrmSQL::actDelTableUpdate() { actDelTable->setEnabled(SQLDesign->Model().SelectedTable() != nullptr); }

void TfrmSQL::actDelTableExecute() {
  if (TovSQLBuildTable* table = SQLDesign->Model().SelectedTable()) SQLDesign->RemoveTable(*table);
}

void TfrmSQL::SQLDesignConnectDblClick(TovSQLBuildConnect& join) {
  if (!ShowSQLBldConnect(this, SQLDesign->Model(), join)) return;
  SQLDesign->BuildSQL();
}

bool TfrmSQL::SQLDesignDragOver(const QMimeData& data) const { return data.hasFormat(kObjectDragFormat); }

void TfrmSQL::SQLDesignDragDrop(const QMimeData& data) {
  const int table = ObjectKindFromName("TABLE");
  const int view = ObjectKindFromName("VIEW");
  // A table the catalogue does not know ends the drop without a rebuild.
  bool added = false;
  for (const TDraggedObject& object : DecodeDraggedObjects(data.data(kObjectDragFormat))) {
    if (object.Kind != table && object.Kind != view) continue;
    SQLDesign->InsertTable(object.Schema + "." + object.Name);
    added = true;
  }
  if (added) SQLDesign->BuildSQL();
}

// ---- the kind ----

void TfrmSQL::mnuSQLTypeClick(int kind) {
  std::string viewName;
  if (kind == sqlKindCreateView) {
    platform::InputRequest request;
    request.caption = kApplicationTitle;
    request.prompt = kViewNamePrompt;
    request.value = SQLDesign->Model().ViewName;
    if (!platform::Dialogs().ShowInput(request)) return;
    viewName = request.value;
  }
  SQLDesign->Apply([&] { SQLDesign->Model().ChooseSQLType(kind, viewName); });
}

// ---- the grid's rows ----

void TfrmSQL::btnInsColumnClick() {
  grdColumn->setFocus();
  const int row = std::max(grdColumn->Row(), 1);
  SQLDesign->Apply([&] { SQLDesign->Model().InsertRow(row); });
}

void TfrmSQL::btnDelColumnClick() {
  const int row = std::max(grdColumn->Row(), 1);
  if (row < grdColumn->RowCount() - 1) grdColumn->setFocus();
  SQLDesign->Apply([&] { SQLDesign->Model().DeleteRow(row); });
}

void TfrmSQL::btnUpColumnClick() {
  const int row = grdColumn->Row();
  bool moved = false;
  SQLDesign->Apply([&] { moved = SQLDesign->Model().MoveRowUp(row); });
  if (moved) grdColumn->SetRow(row - 1);
}

void TfrmSQL::btnDownColumnClick() {
  const int row = grdColumn->Row();
  bool moved = false;
  SQLDesign->Apply([&] { moved = SQLDesign->Model().MoveRowDown(row); });
  if (moved) grdColumn->SetRow(row + 1);
}
