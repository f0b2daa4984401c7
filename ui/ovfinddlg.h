// ovfinddlg: the find and replace dialogs of the editor search: modeless,
// searching downward, without the whole-word choice (the find dialog also
// without the direction). The owner acts on their signals.
#pragma once

#include <QDialog>

#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TovFindDialog : public QDialog {
  Q_OBJECT

 public:
  enum class TKind { Find, Replace };
  TovFindDialog(TKind kind, QWidget* owner);

  std::string FindText() const;
  void SetFindText(const std::string& text);
  std::string ReplaceText() const;
  bool MatchCase() const;

  QLineEdit* txtFind = nullptr;
  QLineEdit* txtReplace = nullptr;
  QCheckBox* chkCase = nullptr;
  QCheckBox* chkWholeWord = nullptr;
  QRadioButton* rdoUp = nullptr;
  QRadioButton* rdoDown = nullptr;
  QPushButton* btnFind = nullptr;
  QPushButton* btnReplace = nullptr;
  QPushButton* btnReplaceAll = nullptr;

 signals:
  void FindRequested();
  void ReplaceRequested();
  void ReplaceAllRequested();
};
