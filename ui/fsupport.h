// fsupport: the support information window.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QAction;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolBar;
class QToolButton;

class TfrmSupport : public QDialog {
  Q_OBJECT

 public:
  TfrmSupport(QWidget* owner, const std::vector<std::string>& report);

  QPlainTextEdit* txtSupport;
  QPushButton* btnOK;
  QToolBar* tolCmd;
  QToolButton* btnOutput;
  QMenu* popOutput;
  QAction* actOutput;
  QAction* actCopy;
  QAction* actPrint;

 private:
  void setupUi();
  void actCopyExecute();
  void actPrintExecute();
};

// The report of this program on this machine.
std::vector<std::string> SupportReport();
int ShowSupportInfo();
