#include "admin/fanalyze.h"
#include "admin/dialogbuttons.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/core/fobjcmdcore.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "platform/qstr.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"

namespace {

constexpr char kNoTable[] = "オブジェクトリストよりテーブルを選択してください。。";
constexpr char kDone[] = "最適化を実行しました。";
// A run that failed before any report line: the runner said nothing.
constexpr char kRunFailed[] = "コマンドの実行に失敗しました。";

}  // namespace

TfrmAnalyze::TfrmAnalyze(TovConnectionWindow& connection)
    : QDialog(connection.Window(), Qt::Dialog | Qt::WindowStaysOnTopHint), connection_(connection) {
  setObjectName("frmAnalyze");
  setupUi();
}

void TfrmAnalyze::setupUi() {
  setWindowTitle(QString::fromUtf8("統計情報"));
  auto* layout = new QVBoxLayout(this);
  auto* unit = new QGroupBox(QString::fromUtf8("最適化の単位"), this);
  auto* grid = new QVBoxLayout(unit);
  rdoTable = new QRadioButton(QString::fromUtf8("テーブル"), unit);
  rdoTable->setObjectName("rdoTable");
  rdoDso = new QRadioButton("DSO", unit);
  rdoDso->setObjectName("rdoDso");
  rdoDsi = new QRadioButton("DSI", unit);
  rdoDsi->setObjectName("rdoDsi");
  cmbDso = new TovComboBox(unit);
  cmbDso->setObjectName("cmbDso");
  cmbDsi = new TovComboBox(unit);
  cmbDsi->setObjectName("cmbDsi");
  for (TovComboBox* combo : {cmbDso, cmbDsi}) combo->setEditable(true);
  grid->addWidget(rdoTable);
  auto* dso = new QHBoxLayout;
  dso->addWidget(rdoDso);
  dso->addWidget(cmbDso, 1);
  grid->addLayout(dso);
  auto* dsi = new QHBoxLayout;
  dsi->addWidget(rdoDsi);
  dsi->addWidget(cmbDsi, 1);
  grid->addLayout(dsi);
  layout->addWidget(unit);
  chkRecovery = new QCheckBox(QString::fromUtf8("リカバリ"), this);
  chkRecovery->setObjectName("chkRecovery");
  layout->addWidget(chkRecovery);
  const TDialogButtons buttons = AddDialogButtons(*this, *layout, QString::fromUtf8("開始"), false);
  btnOk = buttons.Ok;
  btnCancel = buttons.Cancel;
  for (QRadioButton* button : {rdoTable, rdoDso, rdoDsi})
    connect(button, &QRadioButton::toggled, this, [this] { rdoTaniClick(); });
  cmbDso->OnDropDown = [this] { RunReported([this] { cmbDsoDropDown(); }); };
  cmbDsi->OnDropDown = [this] { RunReported([this] { cmbDsiDropDown(); }); };
  connect(btnOk, &QPushButton::clicked, this, [this] { RunReported([this] { btnOkClick(); }); });
  rdoTable->setChecked(true);
  rdoTaniClick();
}

TAnalyzeUnit TfrmAnalyze::Unit() const {
  if (rdoDso->isChecked()) return TAnalyzeUnit::Dso;
  if (rdoDsi->isChecked()) return TAnalyzeUnit::Dsi;
  return TAnalyzeUnit::Table;
}

void TfrmAnalyze::rdoTaniClick() {
  cmbDso->setEnabled(rdoDso->isChecked());
  cmbDsi->setEnabled(rdoDsi->isChecked());
}

void TfrmAnalyze::FillStorage(TovComboBox& combo, bool dsi) {
  // A remote server's storage is not known here.
  if (connection_.IsRemote()) return;
  const std::vector<TObjectItem> selected = connection_.SelectedObjects();
  if (selected.empty()) return;
  std::vector<std::string> names;
  if (dsi)
    connection_.GetTableDSIList(names, selected.front().Schema, selected.front().Name);
  else
    connection_.GetTableDSOList(names, selected.front().Schema, selected.front().Name);
  combo.clear();
  for (const std::string& name : names) combo.addItem(Q(name));
}

void TfrmAnalyze::cmbDsoDropDown() { FillStorage(*cmbDso, false); }
void TfrmAnalyze::cmbDsiDropDown() { FillStorage(*cmbDsi, true); }

bool TfrmAnalyze::RunRdbups(const std::string& schema, const std::string& name) {
  TRdbupsTarget target;
  target.Unit = Unit();
  target.DataSource = connection_.Module().GetDataSourceName();
  target.Schema = schema;
  target.Name = name;
  if (cmbDso->isEnabled())
    target.ComboText = cmbDso->currentText().toStdString();
  else if (cmbDsi->isEnabled())
    target.ComboText = cmbDsi->currentText().toStdString();
  target.Recovery = chkRecovery->isChecked();
  TovSQLConnection& connection = connection_.Module().Connection;
  if (connection.InTransaction()) connection.CommitTrans();
  std::vector<std::string> lines;
  if (RunCommand(RdbupsCommand(target), lines, true)) return true;
  if (lines.empty()) MsgBox(kRunFailed, MB_ICONERROR);
  return false;
}

void TfrmAnalyze::btnOkClick() {
  const std::vector<TObjectItem> selected = connection_.SelectedObjects();
  if (selected.empty()) {
    MsgBox(kNoTable, MB_ICONERROR);
    return;
  }
  const TObjectCountAgain countAgain;
  bool allDone = true;
  if (selected.size() > 1) {
    connection_.WalkSelected(false, [&](const TObjectItem& item) {
      if (item.Kind == okTable) allDone = RunRdbups(item.Schema, item.Name) && allDone;
    });
  } else if (Unit() == TAnalyzeUnit::Table) {
    allDone = RunRdbups(selected.front().Schema, selected.front().Name);
  } else {
    allDone = RunRdbups("", "");
  }
  // Success is told only when every run ended well.
  if (allDone) MsgBox(kDone, MB_ICONINFORMATION);
}

void ShowAnalyze(TovConnectionWindow& connection) {
  TfrmAnalyze form(connection);
  const std::vector<TObjectItem> selected = connection.SelectedObjects();
  const bool several = selected.size() > 1;
  if (several) {
    form.rdoDso->setEnabled(false);
    form.rdoDsi->setEnabled(false);
  }
  if (several || (selected.size() == 1 && selected.front().Kind == okTable)) {
    form.cmbDso->clear();
    form.cmbDsi->clear();
  }
  form.rdoTable->setChecked(true);
  form.rdoTaniClick();
  form.exec();
}
