#include "ui/ovfinddlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TovFindDialog::TovFindDialog(TKind kind, QWidget* owner) : QDialog(owner) {
  const bool replace = kind == TKind::Replace;
  setObjectName(replace ? "dlgReplace" : "dlgFind");
  setWindowTitle(replace ? "置換" : "検索");
  setModal(false);
  auto* grid = new QGridLayout(this);
  txtFind = new QLineEdit(this);
  // The labels lend their accelerators to the boxes beside them.
  auto* findLabel = new QLabel("検索する文字列(&N):", this);
  findLabel->setBuddy(txtFind);
  grid->addWidget(findLabel, 0, 0);
  grid->addWidget(txtFind, 0, 1);
  txtReplace = new QLineEdit(this);
  auto* replaceLabel = new QLabel("置換後の文字列(&P):", this);
  replaceLabel->setBuddy(txtReplace);
  grid->addWidget(replaceLabel, 1, 0);
  grid->addWidget(txtReplace, 1, 1);
  txtReplace->setVisible(replace);
  replaceLabel->setVisible(replace);

  chkWholeWord = new QCheckBox("単語単位で探す(&W)", this);
  chkWholeWord->hide();
  chkCase = new QCheckBox("大文字と小文字を区別する(&C)", this);
  grid->addWidget(chkCase, 2, 0);
  auto* direction = new QGroupBox("方向", this);
  auto* directionLayout = new QHBoxLayout(direction);
  rdoUp = new QRadioButton("上へ(&U)", direction);
  rdoDown = new QRadioButton("下へ(&D)", direction);
  rdoDown->setChecked(true);
  directionLayout->addWidget(rdoUp);
  directionLayout->addWidget(rdoDown);
  grid->addWidget(direction, 2, 1);
  direction->setVisible(replace);

  auto* buttons = new QVBoxLayout;
  btnFind = new QPushButton("次を検索(&F)", this);
  btnFind->setDefault(true);
  buttons->addWidget(btnFind);
  btnReplace = new QPushButton("置換して次に(&R)", this);
  btnReplaceAll = new QPushButton("すべて置換(&A)", this);
  btnReplace->setVisible(replace);
  btnReplaceAll->setVisible(replace);
  buttons->addWidget(btnReplace);
  buttons->addWidget(btnReplaceAll);
  auto* cancel = new QPushButton("キャンセル", this);
  buttons->addWidget(cancel);
  buttons->addStretch();
  grid->addLayout(buttons, 0, 2, 3, 1);

  connect(btnFind, &QPushButton::clicked, this, &TovFindDialog::FindRequested);
  connect(btnReplace, &QPushButton::clicked, this, &TovFindDialog::ReplaceRequested);
  connect(btnReplaceAll, &QPushButton::clicked, this, &TovFindDialog::ReplaceAllRequested);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::string TovFindDialog::FindText() const { return txtFind->text().toStdString(); }

void TovFindDialog::SetFindText(const std::string& text) { txtFind->setText(QString::fromStdString(text)); }

std::string TovFindDialog::ReplaceText() const { return txtReplace->text().toStdString(); }

bool TovFindDialog::MatchCase() const { return chkCase->isChecked(); }
