// fexp: TfrmExp, the backup window "バックアップ": one DSI, the DSIs of a
// list file, one DSI by extent or the dictionary, each through the
// server's retain, dump and release tools.
#pragma once

#include "admin/core/fexpcore.h"
#include "admin/ftoolwin.h"

class QLabel;
class QTabWidget;
class QToolButton;
class TovCheckBox;
class TovComboBox;
class TovRadioButton;
class TovStrEdit;

class TfrmExp : public TfrmToolAdmin {
  Q_OBJECT

 public:
  // Opens the window of the connection, or brings its open one forward.
  static void Open(TovConnectionWindow& connection);

  QTabWidget* pagExp;
  QWidget* tabSelect;
  QWidget* tabLog;
  TovRadioButton* rdoMode[kBackupModes];
  QLabel* lblExpFile;
  TovStrEdit* txtExpFile;
  QToolButton* btnExpFile;
  QLabel* lblOutDsi;
  TovComboBox* cmbOutDsi;
  QLabel* lblCtrlFile;
  TovStrEdit* txtCtrlFile;
  QToolButton* btnCtrlFile;
  TovCheckBox* chkErrStop;

  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void rdoModeClick();
  void btnExecClick();

 private:
  explicit TfrmExp(TovConnectionWindow& connection);
  void setupUi();
  int CheckedMode() const;
  TBackupInput Input() const;
};
