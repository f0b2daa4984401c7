// fimp: TfrmImp, the restore window "復元": one DSI from a dump file, the
// DSIs of a backup control file, one DSI by extent, or the dictionary,
// whose restore needs the server stopped and so ends the program.
#pragma once

#include "admin/core/fimpcore.h"
#include "admin/ftoolwin.h"

class QLabel;
class QTabWidget;
class QToolButton;
class TovComboBox;
class TovRadioButton;
class TovStrEdit;

class TfrmImp : public TfrmToolAdmin {
  Q_OBJECT

 public:
  // Opens the window of the connection, or brings its open one forward.
  static void Open(TovConnectionWindow& connection);

  QTabWidget* pagImp;
  QWidget* tabSelect;
  QWidget* tabLog;
  TovRadioButton* rdoMode[kBackupModes];
  QLabel* lblImpFile;
  TovStrEdit* txtImpFile;
  QToolButton* btnImpFile;
  QLabel* lblInDsi;
  TovComboBox* cmbInDsi;
  QLabel* lblWorkDir;
  TovStrEdit* txtWorkDir;
  QToolButton* btnWorkDir;

  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void rdoModeClick();
  void btnImpFileClick();
  void btnWorkDirClick();
  void btnExecClick();

 private:
  explicit TfrmImp(TovConnectionWindow& connection);
  void setupUi();
  int CheckedMode() const;
  TRestoreInput Input() const;
  void RestoreDictionary(const std::string& dumpFile);
};
