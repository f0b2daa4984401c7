// fgrep: TfrmGrep, the search dialog "GREP" of the connection window's
// full-text search: the word, the scope and the case rule.
#pragma once

#include <QDialog>

#include "app/core/fobjcmdcore.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;

class TfrmGrep : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmGrep(QWidget* owner);

  QLineEdit* txtGrepWord;
  QButtonGroup* rdoTarget;
  QCheckBox* chkCase;
  QPushButton* btnOk;
  QPushButton* btnCancel;

  void btnOkClick();

 private:
  void setupUi();
};

// Asks for the search; on "開始" fills the request (the word upper-cased
// unless case counts) and returns true, on cancel leaves it as it was.
bool ShowGrep(TGrepRequest& request);
