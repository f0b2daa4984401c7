// floader: TfrmLoader, the window "ロード": the unloader writes a table
// DSI's rows to a file, the loader adds a file's rows to a table's DSI.
#pragma once

#include "admin/core/floadercore.h"
#include "admin/ftoolwin.h"

class QGroupBox;
class QLabel;
class QTabWidget;
class QToolButton;
class TovCheckBox;
class TovComboBox;
class TovNumEdit;
class TovRadioButton;
class TovStrEdit;

class TfrmLoader : public TfrmToolAdmin {
  Q_OBJECT

 public:
  // Opens the window of the connection, or brings its open one forward.
  static void Open(TovConnectionWindow& connection);

  QTabWidget* pagLoader;
  QWidget* tabUnload;
  QWidget* tabLoad;
  QWidget* tabLog;
  // Unload page.
  TovRadioButton* rdoOutFormat[3];
  QLabel* lblOutFile;
  TovStrEdit* txtOutFile;
  QToolButton* btnOutFile;
  TovComboBox* cmbOutDsi;
  QLabel* lblCtrlFile;
  TovStrEdit* txtCtrlFile;
  QToolButton* btnCtrlFile;
  TovRadioButton* rdoOutDataFormat[3];
  TovCheckBox* chkOutNull;
  // Load page.
  TovStrEdit* txtInFile;
  QToolButton* btnInFile;
  TovComboBox* cmbInDsi;
  TovNumEdit* txtIdxMisiyo;
  TovRadioButton* rdoInDataFormat[3];
  TovCheckBox* chkInNull;
  TovCheckBox* chkDlmEnable;
  TovStrEdit* txtDlmChar;
  TovComboBox* cmbQuoteChar;
  TovCheckBox* chkError;
  QGroupBox* grpError;
  TovNumEdit* txtErrRec;
  TovStrEdit* txtErrFile;
  QToolButton* btnErrFile;

  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void rdoOutFormatClick();
  void rdoInDataFormatClick();
  void chkErrorClick();
  void btnExecClick();

 private:
  explicit TfrmLoader(TovConnectionWindow& connection);
  void setupUi();
  QWidget* UnloadPage();
  QWidget* LoadPage();
  void FillFromOptions();
  TUnloadInput UnloadInput() const;
  TLoadInput LoadInput() const;
  void Unload();
  void Load();
  void RunTool(const std::string& command);
};
