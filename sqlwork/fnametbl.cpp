#include "sqlwork/fnametbl.h"

#include <QEventLoop>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/fmaineditcore.h"
#include "app/core/fobjddlcore.h"
#include "app/core/fobjectcore.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/qstr.h"
#include "sqlwork/core/fsoptioncore.h"
#include "sqlwork/ovconncombo.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"
#include "ui/ovtoolbar.h"

namespace {

constexpr char kCaptionPrefix[] = "スクリプト名テーブル編集 - ";
constexpr char kSizeKey[] = "NAMETABLE";
constexpr char kTableKind[] = "TABLE";
constexpr int kHelpContext = 50300;
constexpr int kCommitImage = 15;
constexpr int kInitialDataImage = 39;
constexpr int kExitImage = 42;
// Catalogues above this level know the database space of a table.
constexpr int32_t kLastLevelWithoutSpaces = 9;
constexpr int kDesignWidth = 480;
constexpr int kDesignHeight = 360;

// Refills a combo's list keeping the text typed in it.
void FillList(TovComboBox& combo, const std::vector<std::string>& items) {
  const QString text = combo.currentText();
  const QSignalBlocker blocker(&combo);
  combo.clear();
  for (const std::string& item : items) combo.addItem(Q(item));
  combo.setEditText(text);
}

void CommitIfOpen(TovSQLConnection& connection) {
  if (connection.InTransaction()) connection.CommitTrans();
}

}  // namespace

TfrmNameTable::TfrmNameTable(QWidget* owner, TovConnectionWindow& connection)
    : TovForm(owner, TPlace::OwnWindow) {
  setObjectName("frmNameTable");
  SetDesignSize(kDesignWidth, kDesignHeight);
  SetConnectionWindow(&connection);
  setupUi();
  SetHelpContext(kHelpContext);
  AddQuery(&qrySQL);
  spaceShown_ = !connection.LevelReduced();
  lblDBSpaceName->setVisible(spaceShown_);
  cmbDBSpaceName->setVisible(spaceShown_);
}

void TfrmNameTable::setupUi() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  tolCmd = new QToolBar(this);
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  btnCommit = new QToolButton(tolCmd);
  btnCommit->setText("登録(&C)");
  btnCommit->setIcon(imgMain().Icon(kCommitImage));
  btnCommit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  btnCommit->setPopupMode(QToolButton::MenuButtonPopup);
  auto* menu = new QMenu(btnCommit);
  mnuInstData = menu->addAction(imgMain().Icon(kInitialDataImage), "初期データ登録");
  mnuInstData->setToolTip("初期データ登録");
  mnuInstData->setStatusTip("初期データを登録します。");
  mnuInstData->setEnabled(false);
  btnCommit->setMenu(menu);
  btnExit = new QToolButton(tolCmd);
  btnExit->setText("終了(&X)");
  btnExit->setIcon(imgMain().Icon(kExitImage));
  btnExit->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tolCmd->addWidget(btnCommit);
  tolCmd->addWidget(btnExit);
  root->addWidget(tolCmd);

  auto* fields = new QGridLayout;
  cmbDBName = new TovComboBox(this);
  cmbDBName->setEditable(false);
  cmbSchema = new TovComboBox(this);
  cmbName = new TovComboBox(this);
  lblDBSpaceName = new QLabel("データベーススペース", this);
  cmbDBSpaceName = new TovComboBox(this);
  for (TovComboBox* combo : {cmbSchema, cmbName, cmbDBSpaceName}) combo->SetCharCase(ecUpperCase);
  fields->addWidget(new QLabel("　データベース", this), 0, 0);
  fields->addWidget(cmbDBName, 1, 0);
  fields->addWidget(new QLabel("スキーマ", this), 0, 1);
  fields->addWidget(cmbSchema, 1, 1);
  fields->addWidget(new QLabel("名前", this), 0, 2);
  fields->addWidget(cmbName, 1, 2);
  fields->addWidget(lblDBSpaceName, 0, 3);
  fields->addWidget(cmbDBSpaceName, 1, 3);
  root->addLayout(fields);

  fraData = new TfraData(*this, &ConnectionWindow->Module().Connection, this);
  fraData->setObjectName("fraData");
  root->addWidget(fraData, 1);

  connect(btnCommit, &QToolButton::clicked, this, [this] { RunReported([this] { btnCommitClick(); }); });
  connect(mnuInstData, &QAction::triggered, this, [this] { RunReported([this] { mnuInstDataClick(); }); });
  connect(btnExit, &QToolButton::clicked, this, &QWidget::close);
  connect(cmbDBName, &QComboBox::activated, this, [this] { RunReported([this] { cmbDBNameChange(); }); });
  for (TovComboBox* combo : {cmbSchema, cmbName, cmbDBSpaceName})
    connect(combo, &QComboBox::editTextChanged, this, [this] { CloseRows(); });
  cmbSchema->OnDropDown = [this] { RunReported([this] { cmbSchemaDropDown(); }); };
  cmbName->OnDropDown = [this] { RunReported([this] { cmbNameDropDown(); }); };
  cmbDBSpaceName->OnDropDown = [this] { RunReported([this] { cmbDBSpaceNameDropDown(); }); };
}

void TfrmNameTable::showEvent(QShowEvent* event) {
  TovForm::showEvent(event);
  if (shown_) return;
  shown_ = true;
  // At least as wide: the commit button's menu arrow takes room of its own.
  btnCommit->setMinimumWidth(kTextButtonWidth);
  btnExit->setMinimumWidth(kTextButtonWidth);
}

bool TfrmNameTable::RowsShown() const { return fraData->cdsData.Active(); }

TNameTableName TfrmNameTable::Table() const {
  return {cmbSchema->currentText().toStdString(), cmbName->currentText().toStdString()};
}

std::string TfrmNameTable::DataSource() const {
  return ConnectionWindow ? ConnectionWindow->Module().GetDataSourceName() : std::string();
}

void TfrmNameTable::CloseRows() {
  if (RowsShown()) {
    fraData->qryDataBeforeClose();
    fraData->cdsData.Close();
    fraData->qryDataAfterOpenClose();
  }
  mnuInstData->setEnabled(false);
}

// ---- connections ----

void TfrmNameTable::FillConnections() { FillConnectionCombo(*cmbDBName, MainWindow()); }

void TfrmNameTable::cmbDBNameChange() {
  TovConnectionWindow* connection =
      cmbDBName->count() > 0 ? ConnectionOfEntry(*cmbDBName, cmbDBName->currentIndex()) : ConnectionWindow;
  if (!connection) return;
  SetConnectionWindow(connection);
  fraData->SetConnection(&connection->Module().Connection);
  CloseRows();
  const TNameTableName table = SplitNameTableEntry(NameTableFor(ScriptOption.NameTable, DataSource()));
  cmbSchema->setEditText(Q(table.Schema));
  cmbName->setEditText(Q(table.Name));
  if (spaceShown_ && connection->Level() > kLastLevelWithoutSpaces) {
    qrySQL.SetParamCheck(false);
    qrySQL.SetSQL(NameTableSpaceSQL(table));
    qrySQL.Open();
    for (; !qrySQL.Eof(); qrySQL.Next()) cmbDBSpaceName->setEditText(Q(qrySQL.AsString(size_t{0})));
    qrySQL.Close();
  }
  const std::string caption = kCaptionPrefix + NameTableEntry(table) + " @ " + DataSource();
  setWindowTitle(Q(caption));
  SetTaskCaption(table.Name);
  ReloadRows();
}

void TfrmNameTable::DBChange(QObject* sender) {
  (void)sender;
  const QString previous = cmbDBName->currentText();
  FillConnections();
  const int index = cmbDBName->findText(previous);
  if (index < 0) {
    // The grid lets go of a connection that may be gone already.
    if (!ConnectionWindow) fraData->SetConnection(nullptr);
    close();
    return;
  }
  const QSignalBlocker blocker(cmbDBName);
  cmbDBName->setCurrentIndex(index);
}

// ---- lists ----

void TfrmNameTable::cmbSchemaDropDown() {
  if (!ConnectionWindow) return;
  std::vector<std::string> schemas;
  ConnectionWindow->GetSchemaList(schemas, false);
  FillList(*cmbSchema, schemas);
}

void TfrmNameTable::cmbNameDropDown() {
  if (!ConnectionWindow) return;
  std::vector<std::string> names;
  ConnectionWindow->GetObjectNames(names, cmbSchema->currentText().toStdString(), kTableKind);
  FillList(*cmbName, names);
}

// The tool reads the server's definitions, which a remote one keeps away.
void TfrmNameTable::cmbDBSpaceNameDropDown() {
  if (!ConnectionWindow || ConnectionWindow->IsRemote()) return;
  FillList(*cmbDBSpaceName, {});
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  CommitIfOpen(connection);
  std::vector<std::string> lines;
  if (!RunCommand(SpaceListCommand(connection.DataSource), lines, true)) {
    MsgBox(kSpaceListFailed, MB_ICONERROR);
    return;
  }
  FillList(*cmbDBSpaceName, DatabaseSpaceNames(lines));
}

// ---- rows ----

void TfrmNameTable::Reload(QObject* sender) {
  (void)sender;
  RunReported([this] { ReloadRows(); });
}

void TfrmNameTable::ReloadRows() {
  CloseRows();
  const TNameTableName table = Table();
  if (table.Schema.empty() || table.Name.empty()) return;
  fraData->SetSQL(NameTableSelectSQL(table));
  fraData->PrepareSQL();
  fraData->OpenData();
  mnuInstData->setEnabled(RowsShown());
}

void TfrmNameTable::btnCommitClick() {
  const struct {
    TovComboBox* field;
    const char* message;
    bool asked;
  } checks[] = {{cmbSchema, kNoSchemaName, true}, {cmbName, kNoTableName, true},
                {cmbDBSpaceName, kNoSpaceName, spaceShown_}};
  for (const auto& check : checks) {
    if (!check.asked || !check.field->IsEmpty()) continue;
    MsgBox(check.message, MB_ICONWARNING);
    check.field->setFocus();
    return;
  }
  try {
    ReloadRows();
  } catch (const EDatabaseError& e) {
    if (!AnswerReadFailure(e.what())) return;
  }
  SetNameTableFor(ScriptOption.NameTable, DataSource(), NameTableEntry(Table()));
}

bool TfrmNameTable::AnswerReadFailure(const std::string& message) {
  switch (ClassifyReadFailure(message)) {
    case TNameTableReadFailure::LayoutMismatch:
      MsgBox(kLayoutMismatch, MB_ICONWARNING);
      return false;
    case TNameTableReadFailure::Missing:
      break;
    case TNameTableReadFailure::Other:
      throw EDatabaseError(message);
  }
  if (MsgBox(kCreateQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return true;
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  CommitIfOpen(connection);
  connection.BeginTrans();
  const std::optional<std::string> space =
      spaceShown_ ? std::optional<std::string>(cmbDBSpaceName->currentText().toStdString()) : std::nullopt;
  ConnectionWindow->ExecSQL(NameTableCreateSQL(Table(), space));
  CommitIfOpen(connection);
  ReloadRows();
  return true;
}

void TfrmNameTable::mnuInstDataClick() {
  if (!RowsShown() || !ConnectionWindow) return;
  TCheckList checks = {{kAllObjectsCheck, false}};
  if (MsgBoxWithChecks(kInitialDataQuestion, MB_YESNO | MB_ICONQUESTION, checks) != IDYES) return;
  InsertInitialData(checks.front().checked);
}

void TfrmNameTable::InsertInitialData(bool allObjects) {
  const TNameTableName table = Table();
  qrySQL.SetParamCheck(false);
  qrySQL.SetSQL(InitialDataSQL(allObjects, DataSource(), ConnectionWindow->Level(), table.Schema));
  qrySQL.Open();
  std::vector<std::vector<std::string>> rows;
  for (; !qrySQL.Eof(); qrySQL.Next()) {
    std::vector<std::string>& row = rows.emplace_back();
    for (size_t i = 0; i < kNameTableColumns; ++i) row.push_back(Trim(qrySQL.AsString(i)));
  }
  qrySQL.Close();
  TovSQLConnection& connection = ConnectionWindow->Module().Connection;
  if (!AppOption.AutoCommit) {
    TConnectionTransactions tx(connection);
    const std::string status = EndTransaction(tx, true, false, cmbDBName->currentText().toStdString());
    if (MainWindow()) MainWindow()->SetStatusText(kStatusMessagePanel, status);
  }
  if (!connection.InTransaction()) connection.BeginTrans();
  qrySQL.SetParamCheck(true);
  qrySQL.SetSQL(NameTableInsertSQL(table));
  const int total = static_cast<int>(rows.size());
  int done = 0;
  try {
    for (const std::vector<std::string>& row : rows) {
      if (MainWindow()) MainWindow()->ShowProgress(++done, total);
      for (size_t i = 0; i < kNameTableColumns; ++i) qrySQL.Parameters()[i].Value = Q(row[i]);
      qrySQL.ExecSQL();
    }
  } catch (...) {
    // Each row counts on its own under AutoCommit: those before the failing
    // one stay.
    if (AppOption.AutoCommit) CommitIfOpen(connection);
    throw;
  }
  CommitIfOpen(connection);
  if (MainWindow()) MainWindow()->ShowObjectCount();
  ReloadRows();
}

// ---- window ----

bool TfrmNameTable::CloseQuery() {
  fraData->grdData1->SetDataSet(nullptr);
  fraData->grdData2->SetDataSet(nullptr);
  return TovForm::CloseQuery();
}

void TfrmNameTable::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }
void TfrmNameTable::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }

void ShowNameTable(TovConnectionWindow& connection) {
  TovMainWindow* main = ControlOptionsWindow();
  QPointer<TfrmNameTable> form = new TfrmNameTable(main ? main->Window() : connection.Window(), connection);
  form->CreateTaskButton();
  form->setWindowIcon(imgMain().Icon(kCommitImage));
  form->FillConnections();
  if (const int entry = EntryOfWindow(*form->cmbDBName, connection.Window()); entry >= 0)
    form->cmbDBName->setCurrentIndex(entry);
  RunReported([&] { form->cmbDBNameChange(); });
  form->setWindowModality(Qt::ApplicationModal);
  form->show();
  QEventLoop loop;
  QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
  if (form) loop.exec();
}
