#include "tools/fcomp.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSignalBlocker>
#include <QToolBar>
#include <QVBoxLayout>

#include <sstream>

#include "admin/outputbar.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "platform/qstr.h"
#include "sqlwork/ovconncombo.h"
#include "sqlwork/sqlactions.h"
#include "tools/tracelists.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/ovtoolbar.h"
#include "ui/zarurctl.h"

namespace {

constexpr char kTitle[] = "オブジェクト比較";
constexpr char kSizeKey[] = "COMP";
constexpr char kReportKey[] = "OBJECTCOMP";
constexpr char kRunning[] = " 比較中... [ESC]キーを押すと処理を中断";
constexpr char kFinished[] = "オブジェクト比較を終了しました。";
constexpr int kWindowImage = 1;
constexpr int kHelpContext = 50600;
constexpr int kDesignWidth = 720;
constexpr int kDesignHeight = 480;
constexpr int kSchemaRows = 20;
constexpr int kNameWidth = 200;
constexpr int kSchemaWidth = 120;
constexpr int kTypeWidth = 120;
constexpr int kNameColumn = 0;
constexpr int kSchemaColumn = 1;
constexpr int kTypeColumn = 2;
constexpr int kResultColumn = 3;
// The kind code a row was made with, kept beside its icon.
constexpr int kRowKindRole = Qt::UserRole + 1;

constexpr TActionSpec kExec = {"実行(&E)", "実行|オブジェクトを比較します。", 28};
constexpr TActionSpec kOutput = {"出力(&P)", "出力|比較結果を出力します。", 36};
constexpr TActionSpec kExcel = {"エクセル出力", "エクセル出力|比較結果をExcelファイルに出力します。", 44};
constexpr TActionSpec kCopy = {"クリップボード出力", "クリップボード出力|比較結果をクリップボードに出力します。", 21};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

struct TKindButton {
  const char* Name;
  const char* Caption;
  int Image;
  TCompKind Kind;
};
constexpr TKindButton kKindButtons[] = {
    {"btnTable", "テーブル", okTable, TCompKind::Table},
    {"btnIndex", "インデックス", okIndex, TCompKind::Index},
    {"btnView", "ビュー", okView, TCompKind::View},
    {"btnProc", "プロシージャ", okProcedure, TCompKind::Procedure},
    {"btnFunc", "ファンクション", okFunction, TCompKind::Function},
    {"btnTrigger", "トリガー", okTrigger, TCompKind::Trigger},
    {"btnSeq", "シーケンス", okSequence, TCompKind::Sequence},
};

const char* const kColumnCaptions[] = {"オブジェクト名", "スキーマ", "タイプ", "比較結果"};

std::string Text(const QComboBox& box) { return box.currentText().toStdString(); }

}  // namespace

TfrmComp* TfrmComp::Create(TovConnectionWindow& connection) { return new TfrmComp(connection); }

TfrmComp::TfrmComp(TovConnectionWindow& connection) : TovForm(connection) {
  setObjectName("frmComp");
  setWindowTitle(Q(kTitle));
  SetHelpContext(kHelpContext);
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  CreateTaskButton();
  SetTaskCaption(kTitle);
  SetImageIndex(kWindowImage);
  setWindowIcon(imgMain().Icon(kWindowImage));
  chkEqurl->setChecked(CompOption.Equrl);
  chkNotEqurl->setChecked(CompOption.NotEqurl);
  chkOnly1->setChecked(CompOption.Only1);
  chkOnly2->setChecked(CompOption.Only2);
  FillConnections();
  for (QComboBox* box : {cmbDBName1, cmbDBName2}) {
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(EntryOfWindow(*box, connection.Window()));
  }
  cmbDBName1Change();
  cmbDBName2Change();
  UpdateActions();
  TaskButtonClick();
}

QWidget* TfrmComp::MakeTargetGroup(QGroupBox* group, QComboBox*& connections, TovComboBox*& schemas) {
  auto* grid = new QGridLayout(group);
  connections = new QComboBox(group);
  schemas = new TovComboBox(group);
  schemas->SetCharCase(ecUpperCase);
  schemas->setMaxVisibleItems(kSchemaRows);
  grid->addWidget(new QLabel(Q("DB"), group), 0, 0);
  grid->addWidget(connections, 0, 1);
  grid->addWidget(new QLabel(Q("所有者"), group), 1, 0);
  grid->addWidget(schemas, 1, 1);
  grid->setColumnStretch(1, 1);
  return group;
}

void TfrmComp::setupUi() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  const TOutputBar bar = AddOutputBar(*this, *layout, {kExec, kOutput, kExcel, kCopy, kExit});
  tolCmd = bar.Bar;
  popOutput = bar.Menu;
  btnExec = bar.Refresh;
  actOutput = bar.Output;
  actExcel = bar.Excel;
  actCopy = bar.Copy;
  btnExit = bar.Exit;
  btnExec->setObjectName("btnExec");
  btnExit->setObjectName("btnExit");
  SetTextButtonWidths(*tolCmd, {btnExec, actOutput, btnExit});

  pnlNewObj = new QToolBar(Q("オブジェクト"), this);
  pnlNewObj->setObjectName("pnlNewObj");
  pnlNewObj->setToolButtonStyle(Qt::ToolButtonIconOnly);
  for (const TKindButton& k : kKindButtons) {
    QAction* button = pnlNewObj->addAction(imgMain().Icon(k.Image), Q(k.Caption));
    button->setObjectName(k.Name);
    button->setCheckable(true);
    button->setData(static_cast<int>(k.Kind));
  }
  btnTable = pnlNewObj->actions().at(0);
  btnIndex = pnlNewObj->actions().at(1);
  btnView = pnlNewObj->actions().at(2);
  btnProc = pnlNewObj->actions().at(3);
  btnFunc = pnlNewObj->actions().at(4);
  btnTrigger = pnlNewObj->actions().at(5);
  btnSeq = pnlNewObj->actions().at(6);
  layout->addWidget(pnlNewObj);

  pnlComp = new QWidget(this);
  pnlComp->setObjectName("pnlComp");
  auto* panel = new QHBoxLayout(pnlComp);
  grpComp1 = new QGroupBox(Q("比較先１"), pnlComp);
  grpOption = new QGroupBox(Q(" 表示するオブジェクトの条件 "), pnlComp);
  grpComp2 = new QGroupBox(Q("比較先２"), pnlComp);
  MakeTargetGroup(grpComp1, cmbDBName1, cmbSchema1);
  MakeTargetGroup(grpComp2, cmbDBName2, cmbSchema2);
  cmbDBName1->setObjectName("cmbDBName1");
  cmbDBName2->setObjectName("cmbDBName2");
  cmbSchema1->setObjectName("cmbSchema1");
  cmbSchema2->setObjectName("cmbSchema2");
  auto* options = new QGridLayout(grpOption);
  chkOnly1 = new TovCheckBox(Q("比較先１にのみ存在する"), grpOption);
  chkOnly2 = new TovCheckBox(Q("比較先２にのみ存在する"), grpOption);
  chkNotEqurl = new TovCheckBox(Q("内容不一致"), grpOption);
  chkEqurl = new TovCheckBox(Q("内容一致"), grpOption);
  chkOnly1->setObjectName("chkOnly1");
  chkOnly2->setObjectName("chkOnly2");
  chkNotEqurl->setObjectName("chkNotEqurl");
  chkEqurl->setObjectName("chkEqurl");
  options->addWidget(chkOnly1, 0, 0);
  options->addWidget(chkOnly2, 0, 1);
  options->addWidget(chkNotEqurl, 1, 0);
  options->addWidget(chkEqurl, 1, 1);
  // Both targets share what the conditions leave of the panel's width.
  panel->addWidget(grpComp1, 1);
  panel->addWidget(grpOption, 0);
  panel->addWidget(grpComp2, 1);
  layout->addWidget(pnlComp);

  lstComp = new TovListView(this);
  lstComp->setObjectName("lstComp");
  lstComp->SetListStyle(false);
  lstComp->SetSortState(0);
  lstComp->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstComp->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstComp->setColumnCount(static_cast<int>(std::size(kColumnCaptions)));
  QStringList captions;
  for (const char* caption : kColumnCaptions) captions << Q(caption);
  lstComp->setHeaderLabels(captions);
  lstComp->setColumnWidth(kNameColumn, kNameWidth);
  lstComp->setColumnWidth(kSchemaColumn, kSchemaWidth);
  lstComp->setColumnWidth(kTypeColumn, kTypeWidth);
  lstComp->header()->setStretchLastSection(true);
  lstComp->setContextMenuPolicy(Qt::CustomContextMenu);
  layout->addWidget(lstComp, 1);

  popObject = new QMenu(this);
  mnuOpen = popObject->addAction(Q("開く(&O)"));
  mnuOpen1 = popObject->addAction(Q("比較先１のオブジェクトを開く"));
  mnuOpen2 = popObject->addAction(Q("比較先２のオブジェクトを開く"));
  mnuOpen->setObjectName("mnuOpen");
  mnuOpen1->setObjectName("mnuOpen1");
  mnuOpen2->setObjectName("mnuOpen2");

  connect(btnExec, &QAction::triggered, this, [this] { RunReported([this] { btnExecClick(); }); });
  connect(actExcel, &QAction::triggered, this, [this] { RunReported([this] { actExcelExecute(); }); });
  connect(actCopy, &QAction::triggered, this, [this] { RunReported([this] { actCopyExecute(); }); });
  connect(btnExit, &QAction::triggered, this, [this] { Frame()->close(); });
  connect(cmbDBName1, &QComboBox::currentIndexChanged, this, [this] { RunReported([this] { cmbDBName1Change(); }); });
  connect(cmbDBName2, &QComboBox::currentIndexChanged, this, [this] { RunReported([this] { cmbDBName2Change(); }); });
  cmbSchema1->OnDropDown = [this] { RunReported([this] { cmbSchema1DropDown(); }); };
  cmbSchema2->OnDropDown = [this] { RunReported([this] { cmbSchema2DropDown(); }); };
  connect(mnuOpen, &QAction::triggered, this, [this] { RunReported([this] { mnuOpenClick(); }); });
  connect(mnuOpen1, &QAction::triggered, this, [this] { RunReported([this] { mnuOpen1Click(); }); });
  connect(mnuOpen2, &QAction::triggered, this, [this] { RunReported([this] { mnuOpen2Click(); }); });
  connect(lstComp, &QTreeWidget::itemDoubleClicked, this, [this] { RunReported([this] { mnuOpenClick(); }); });
  connect(lstComp, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  connect(lstComp, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popObject->popup(lstComp->viewport()->mapToGlobal(at)); });
}

// ---- targets ----

TovConnectionWindow* TfrmComp::Target2() const { return AsConnectionWindow(target2_.data()); }

TovConnectionWindow* TfrmComp::TargetOf(int side) const { return side == 1 ? ConnectionWindow : Target2(); }

void TfrmComp::FillConnections() {
  FillConnectionCombo(*cmbDBName1, MainWindow());
  FillConnectionCombo(*cmbDBName2, MainWindow());
}

void TfrmComp::cmbDBName1Change() {
  if (TovConnectionWindow* connection = ConnectionOfEntry(*cmbDBName1, cmbDBName1->currentIndex())) {
    SetConnectionWindow(connection);
    cmbSchema1->setEditText(Q(kCompAllSchemas));
  }
  UpdateRoutineButtons();
}

void TfrmComp::cmbDBName2Change() {
  if (TovConnectionWindow* connection = ConnectionOfEntry(*cmbDBName2, cmbDBName2->currentIndex())) {
    target2_ = connection->Window();
    cmbSchema2->setEditText(Q(kCompAllSchemas));
  }
  UpdateRoutineButtons();
}

void TfrmComp::UpdateRoutineButtons() {
  bool listable = true;
  for (int side : {1, 2})
    if (TovConnectionWindow* target = TargetOf(side))
      listable = listable && CompRoutinesListable(target->IsRemote(), target->Level());
  for (QAction* button : {btnProc, btnFunc}) {
    button->setEnabled(listable);
    if (!listable) button->setChecked(false);
  }
}

void TfrmComp::FillSchemas(TovComboBox& box, TovConnectionWindow* connection) {
  if (!connection) return;
  std::vector<std::string> schemas;
  connection->GetSchemaList(schemas, false);
  const QString text = box.currentText();
  const QSignalBlocker blocker(&box);
  box.clear();
  box.addItem(Q(kCompAllSchemas));
  for (const std::string& schema : schemas) box.addItem(Q(schema));
  box.setEditText(text);
}

void TfrmComp::cmbSchema1DropDown() { FillSchemas(*cmbSchema1, TargetOf(1)); }

void TfrmComp::cmbSchema2DropDown() { FillSchemas(*cmbSchema2, TargetOf(2)); }

void TfrmComp::DBChange(QObject* sender) {
  (void)sender;
  const QString previous1 = cmbDBName1->currentText();
  const QString previous2 = cmbDBName2->currentText();
  FillConnections();
  const int index1 = cmbDBName1->findText(previous1);
  const int index2 = cmbDBName2->findText(previous2);
  if (index1 < 0 || index2 < 0) {
    close();
    return;
  }
  for (auto [box, index] : {std::pair{cmbDBName1, index1}, std::pair{cmbDBName2, index2}}) {
    const QSignalBlocker blocker(box);
    box->setCurrentIndex(index);
  }
}

// ---- the comparison ----

std::vector<TCompKind> TfrmComp::ChosenKinds() const {
  std::vector<TCompKind> kinds;
  for (QAction* button : pnlNewObj->actions())
    if (button->isChecked()) kinds.push_back(static_cast<TCompKind>(button->data().toInt()));
  return kinds;
}

bool TfrmComp::ListTarget(int side, const std::vector<TCompKind>& kinds, std::vector<TCompObject>& objects) {
  TovConnectionWindow* target = TargetOf(side);
  if (!target || kinds.empty()) return true;
  TdmSymfoware& module = target->Module();
  const std::string dataSource = module.GetDataSourceName();
  const TCompTarget listed = {module.GetUserName(), dataSource, Text(side == 1 ? *cmbSchema1 : *cmbSchema2),
                              target->GetDBCode(dataSource)};
  const TCompListing listing = CompListingQuery(kinds, listed);
  TovSQLQuery& q = target->OpenSQLParams(listing.SQL, listing.Values);
  TProgressPace pace;
  for (; !q.Eof(); q.Next()) {
    if (pace.Due() && IsEscapePressed()) return false;
    objects.push_back({q.AsString(kCompOwnerField), q.AsString(kCompNameField), q.AsString(kCompTypeField)});
  }
  return true;
}

std::string TfrmComp::GenerateDDLOf(int side, int kind, const std::string& schema, const std::string& name) {
  TovConnectionWindow* target = TargetOf(side);
  if (!target) return "";
  std::ostringstream ddl;
  GenerateDDL(*target, kind, schema, name, ddl, "", "");
  return ddl.str();
}

void TfrmComp::AddRow(const TCompRow& row) {
  auto* item = new QTreeWidgetItem(lstComp);
  item->setIcon(kNameColumn, imgMain().Icon(row.Kind));
  item->setData(kNameColumn, kRowKindRole, row.Kind);
  item->setText(kNameColumn, Q(row.Name));
  item->setText(kSchemaColumn, Q(row.Schema));
  item->setText(kTypeColumn, Q(row.Type));
  item->setText(kResultColumn, Q(CompResultText(row.Result)));
  lstComp->scrollToItem(item);
}

void TfrmComp::FocusOn(TCompFocus focus) {
  switch (focus) {
    case TCompFocus::Equrl:
      chkEqurl->setFocus();
      return;
    case TCompFocus::Schema1:
      cmbSchema1->setFocus();
      return;
    case TCompFocus::Schema2:
      cmbSchema2->setFocus();
      return;
  }
}

void TfrmComp::btnExecClick() {
  FlushActiveControl();
  const TCompOption filter = {chkEqurl->isChecked(), chkNotEqurl->isChecked(), chkOnly1->isChecked(),
                              chkOnly2->isChecked()};
  const TCompInput input = {filter, Text(*cmbDBName1), Text(*cmbSchema1), Text(*cmbDBName2), Text(*cmbSchema2)};
  if (const std::optional<TCompProblem> problem = CheckCompInput(input)) {
    MsgBox(problem->Message, MB_ICONWARNING);
    FocusOn(problem->Focus);
    return;
  }
  CompOption = filter;
  const std::vector<TCompKind> kinds = CompListedKinds(ChosenKinds(), btnProc->isEnabled());
  if (TovMainWindow* main = MainWindow()) main->SetStatusText(kStatusMessagePanel, kRunning);
  bool finished = false;
  {
    const TObjectCountAgain countAgain;
    const TSqlWaitCursor wait;
    TCompPorts ports;
    ports.List = [this, &kinds](int side, std::vector<TCompObject>& objects) {
      return ListTarget(side, kinds, objects);
    };
    ports.DDL = [this](int side, int kind, const std::string& schema, const std::string& name) {
      return GenerateDDLOf(side, kind, schema, name);
    };
    ports.Escape = [] { return IsEscapePressed(); };
    ports.Clear = [this] { lstComp->clear(); };
    ports.Row = [this](const TCompRow& row) { AddRow(row); };
    finished = RunComparison({Text(*cmbSchema1), Text(*cmbSchema2), filter}, ports);
    UpdateActions();
  }
  if (finished) MsgBox(kFinished, MB_ICONINFORMATION);
}

std::vector<TCompRow> TfrmComp::Rows() const {
  std::vector<TCompRow> rows;
  for (int i = 0; i < lstComp->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = lstComp->topLevelItem(i);
    rows.push_back({item->data(kNameColumn, kRowKindRole).toInt(), item->text(kNameColumn).toStdString(),
                    item->text(kSchemaColumn).toStdString(), item->text(kTypeColumn).toStdString(),
                    CompResultOfText(item->text(kResultColumn).toStdString()).value_or(TCompResult::Equal)});
  }
  return rows;
}

// ---- opening ----

void TfrmComp::OpenSelected(TCompOpen which) {
  std::vector<QTreeWidgetItem*> selected;
  for (int i = 0; i < lstComp->topLevelItemCount(); ++i)
    if (lstComp->topLevelItem(i)->isSelected()) selected.push_back(lstComp->topLevelItem(i));
  const TObjectCountAgain countAgain;
  TovMainWindow* main = MainWindow();
  const int total = static_cast<int>(selected.size());
  for (int i = 0; i < total; ++i) {
    if (IsEscapePressed()) return;
    if (main) main->ShowProgress(i + 1, total);
    QTreeWidgetItem* item = selected[static_cast<size_t>(i)];
    const std::optional<TCompResult> result = CompResultOfText(item->text(kResultColumn).toStdString());
    const int kind = item->data(kNameColumn, kRowKindRole).toInt();
    const std::string name = item->text(kNameColumn).toStdString();
    if (result)
      for (const TCompOpenTarget& target : CompOpenTargets(*result, item->text(kSchemaColumn).toStdString(), which,
                                                          Text(*cmbSchema1), Text(*cmbSchema2)))
        if (TovConnectionWindow* connection = TargetOf(target.Side))
          OpenObject(*connection, kind, target.Schema, name, static_cast<uint8_t>(AppOption.OpenMode), 0, 0);
    item->setSelected(false);
  }
}

void TfrmComp::mnuOpenClick() { OpenSelected(TCompOpen::Both); }

void TfrmComp::mnuOpen1Click() { OpenSelected(TCompOpen::Side1); }

void TfrmComp::mnuOpen2Click() { OpenSelected(TCompOpen::Side2); }

void TfrmComp::UpdateActions() {
  const bool rows = lstComp->topLevelItemCount() > 0;
  for (QAction* action : {actOutput, actExcel, actCopy}) action->setEnabled(rows);
  const bool selected = lstComp->HasSelection();
  for (QAction* action : {mnuOpen, mnuOpen1, mnuOpen2}) action->setEnabled(selected);
}

// ---- reports ----

void TfrmComp::actExcelExecute() {
  const std::optional<std::string> saved = ReportToSpreadsheet(kReportKey, ListReportTable(*lstComp), MainWindow());
  if (saved) AppOption.ExcelDir = QFileInfo(Q(*saved)).absolutePath().toStdString() + "/";
}

void TfrmComp::actCopyExecute() { ReportToClipboard(ListReportTable(*lstComp), MainWindow()); }

void TfrmComp::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }

void TfrmComp::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }
