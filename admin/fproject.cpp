#include "admin/fproject.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "admin/core/objtoolcore.h"
#include "admin/dialogbuttons.h"
#include "app/core/fobjtreecore.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "platform/qstr.h"

namespace {

constexpr char kCaption[] = "表示スキーマ設定";
constexpr char kNothingChecked[] = "所属するユーザーを最低一つは選択して下さい。";

}  // namespace

TfrmProject::TfrmProject(TovConnectionWindow& connection)
    : QDialog(connection.Window(), Qt::Dialog | Qt::WindowStaysOnTopHint), connection_(connection) {
  setObjectName("frmProject");
  setupUi();
  std::vector<std::string> schemas;
  connection_.GetSchemaList(schemas, false);
  for (const std::string& schema : schemas) {
    auto* item = new QListWidgetItem(Q(schema), chkUserList);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
}

void TfrmProject::setupUi() {
  setWindowTitle(QString::fromUtf8(kCaption));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QString::fromUtf8("表示するスキーマ"), this));
  chkUserList = new QListWidget(this);
  chkUserList->setObjectName("chkUserList");
  layout->addWidget(chkUserList, 1);
  const TDialogButtons buttons = AddDialogButtons(*this, *layout, "OK", true);
  btnOk = buttons.Ok;
  btnCancel = buttons.Cancel;
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
}

void TfrmProject::LoadChecks() {
  const std::vector<std::string> stored = ReadStoredSchemaList(connection_.Module().GetDataSourceName());
  for (int i = 0; i < chkUserList->count(); ++i) {
    QListWidgetItem* item = chkUserList->item(i);
    const bool checked = std::find(stored.begin(), stored.end(), item->text().toStdString()) != stored.end();
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
  }
}

void TfrmProject::SaveChecks() {
  std::vector<std::string> names;
  for (int i = 0; i < chkUserList->count(); ++i)
    if (chkUserList->item(i)->checkState() == Qt::Checked) names.push_back(chkUserList->item(i)->text().toStdString());
  TovRegistry reg;  // the key closes with the object
  reg.OpenKey(ObjectTreeKey(connection_.Module().GetDataSourceName()), true);
  reg.WriteString(kSchemaFilterValue, SchemaFilterText(names));
}

void TfrmProject::btnOkClick() {
  for (int i = 0; i < chkUserList->count(); ++i)
    if (chkUserList->item(i)->checkState() == Qt::Checked) {
      accept();
      return;
    }
  MsgBox(kNothingChecked, MB_ICONWARNING);
  chkUserList->setFocus();
}

bool ShowSchemaFilter(TovConnectionWindow& connection) {
  TfrmProject form(connection);
  form.LoadChecks();
  if (form.exec() != QDialog::Accepted) return false;
  form.SaveChecks();
  return true;
}
