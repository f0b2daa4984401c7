#include "admin/fgrep.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "admin/core/objtoolcore.h"
#include "admin/dialogbuttons.h"
#include "app/core/ovmainwin.h"
#include "app/core/zarur.h"
#include "platform/qstr.h"
#include "ui/zarurctl.h"

namespace {

constexpr char kNoWord[] = "検索する文字列を指定して下さい。";
constexpr const char* kScopes[] = {"現在選択中のオブジェクト", "現在一覧表示されているオブジェクト",
                                   "現在選択中のスキーマ、タイプで再検索したオブジェクト", "全てのオブジェクト"};

}  // namespace

TfrmGrep::TfrmGrep(QWidget* owner) : QDialog(owner, Qt::Dialog | Qt::WindowStaysOnTopHint) {
  setObjectName("frmGrep");
  setupUi();
}

void TfrmGrep::setupUi() {
  setWindowTitle("GREP");
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QString::fromUtf8("検索文字列"), this));
  txtGrepWord = new QLineEdit(this);
  txtGrepWord->setObjectName("txtGrepWord");
  layout->addWidget(txtGrepWord);
  auto* group = new QGroupBox(QString::fromUtf8(" 対象オブジェクト "), this);
  auto* groupLayout = new QVBoxLayout(group);
  rdoTarget = new QButtonGroup(this);
  int index = 0;
  for (const char* scope : kScopes) {
    auto* button = new QRadioButton(QString::fromUtf8(scope), group);
    rdoTarget->addButton(button, index++);
    groupLayout->addWidget(button);
  }
  layout->addWidget(group);
  chkCase = new QCheckBox(QString::fromUtf8("大文字小文字を区別する"), this);
  chkCase->setObjectName("chkCase");
  layout->addWidget(chkCase);
  const TDialogButtons buttons = AddDialogButtons(*this, *layout, QString::fromUtf8("開始"), true);
  btnOk = buttons.Ok;
  btnCancel = buttons.Cancel;
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
}

void TfrmGrep::btnOkClick() {
  if (!GrepWordGiven(txtGrepWord->text().toStdString())) {
    MsgBox(kNoWord, MB_ICONWARNING);
    txtGrepWord->setFocus();
    return;
  }
  accept();
}

bool ShowGrep(TGrepRequest& request) {
  TovMainWindow* main = ControlOptionsWindow();
  TfrmGrep form(main ? main->Window() : nullptr);
  form.txtGrepWord->setText(Q(request.Text));
  if (QAbstractButton* scope = form.rdoTarget->button(request.Scope)) scope->setChecked(true);
  form.chkCase->setChecked(request.CaseSensitive);
  if (form.exec() != QDialog::Accepted) return false;
  request.CaseSensitive = form.chkCase->isChecked();
  request.Text = GrepWord(form.txtGrepWord->text().toStdString(), request.CaseSensitive);
  request.Scope = form.rdoTarget->checkedId();
  return true;
}
