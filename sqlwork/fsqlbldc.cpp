#include "sqlwork/fsqlbldc.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

#include "platform/helpviewer.h"
#include "platform/qstr.h"
#include "sqlwork/core/ovsqlbldmodel.h"
#include "ui/ovstdctl.h"

namespace {

constexpr char kCaption[] = "結合";
constexpr int kHelpContext = 51100;
constexpr int kDropDownRows = 20;
// The choices in the order of the join operators.
constexpr std::array<const char*, joCount> kOperatorChoices = {"＝", "＞", ">=", "＜", "<=", "<>"};

std::string GroupCaption(const TovSQLBuildTable& table) { return " " + table.Table + " の列選択 "; }

void FillColumns(TovComboBox& combo, const TovSQLBuildTable& table, const std::string& column) {
  combo.clear();
  for (const TBuildColumn& item : table.Items)
    if (item.Name != kAllColumns) combo.addItem(Q(item.Name));
  combo.setCurrentIndex(combo.findText(Q(column), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

}  // namespace

TfrmSQLBldConnect::TfrmSQLBldConnect(QWidget* owner, TovSQLDesigner& designer, TovSQLBuildConnect& join)
    : QDialog(owner), designer_(designer), join_(&join) {
  setObjectName("frmSQLBldConnect");
  setWindowTitle(QString::fromUtf8(kCaption));
  setProperty(platform::kHelpContextProperty, kHelpContext);
  auto* root = new QVBoxLayout(this);
  auto* tables = new QHBoxLayout;
  grpTable1 = new QGroupBox(this);
  grpTable2 = new QGroupBox(this);
  cmbColumn1 = new TovComboBox(grpTable1);
  cmbColumn2 = new TovComboBox(grpTable2);
  for (auto [group, combo] : {std::pair{grpTable1, cmbColumn1}, std::pair{grpTable2, cmbColumn2}}) {
    combo->setEditable(false);
    combo->setMaxVisibleItems(kDropDownRows);
    (new QVBoxLayout(group))->addWidget(combo);
    tables->addWidget(group);
  }
  root->addLayout(tables);
  rdoConnectType = new QGroupBox(" 結合条件 ", this);
  rdoConnectTypeItems = new QButtonGroup(this);
  auto* choices = new QHBoxLayout(rdoConnectType);
  for (int op = 0; op < joCount; ++op) {
    auto* choice = new QRadioButton(QString::fromUtf8(kOperatorChoices[op]), rdoConnectType);
    rdoConnectTypeItems->addButton(choice, op);
    choices->addWidget(choice);
  }
  root->addWidget(rdoConnectType);
  auto* buttons = new QHBoxLayout;
  btnOk = new QPushButton("OK", this);
  btnCancel = new QPushButton("キャンセル", this);
  btnDelete = new QPushButton("削除", this);
  btnHelp = new QPushButton("ヘルプ", this);
  for (QPushButton* button : {btnOk, btnCancel, btnDelete, btnHelp}) buttons->addWidget(button);
  root->addLayout(buttons);
  btnOk->setDefault(true);
  connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnDelete, &QPushButton::clicked, this, [this] { btnDeleteClick(); });
  connect(btnHelp, &QPushButton::clicked, this, [this] {
    btnHelp->setFocus();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(btnHelp, &f1);
  });
  LoadConnect();
}

void TfrmSQLBldConnect::LoadConnect() {
  grpTable1->setTitle(Q(GroupCaption(*join_->Table1)));
  grpTable2->setTitle(Q(GroupCaption(*join_->Table2)));
  FillColumns(*cmbColumn1, *join_->Table1, join_->Column1);
  FillColumns(*cmbColumn2, *join_->Table2, join_->Column2);
  if (QAbstractButton* choice = rdoConnectTypeItems->button(join_->Operator)) choice->setChecked(true);
}

void TfrmSQLBldConnect::StoreConnect() {
  if (!join_) return;
  join_->Column1 = cmbColumn1->currentText().toStdString();
  join_->Column2 = cmbColumn2->currentText().toStdString();
  join_->Operator = rdoConnectTypeItems->checkedId() < 0 ? joEqual : rdoConnectTypeItems->checkedId();
}

void TfrmSQLBldConnect::btnDeleteClick() {
  designer_.RemoveJoin(*join_);
  join_ = nullptr;
  accept();
}

bool ShowSQLBldConnect(QWidget* owner, TovSQLDesigner& designer, TovSQLBuildConnect& join) {
  TfrmSQLBldConnect dialog(owner, designer, join);
  const bool ok = dialog.exec() == QDialog::Accepted;
  if (ok) dialog.StoreConnect();
  return ok;
}
