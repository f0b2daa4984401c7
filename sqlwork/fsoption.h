// fsoption: TfrmScriptOption, the dialog of the script output options:
// before a connection window's script output ("スクリプト出力", with the
// data source's name table) and as the plain options dialog of the tool
// menu ("スクリプト出力オプション"). The rules are in core/fsoptioncore.
#pragma once

#include <QDialog>

#include <string>

class QButtonGroup;
class QLabel;
class QPushButton;
class QToolButton;
class TovCheckBox;
class TovComboBox;
class TovConnectionWindow;
class TovStrEdit;

class TfrmScriptOption : public QDialog {
  Q_OBJECT

 public:
  // Without a connection window the name-table controls stay disabled.
  TfrmScriptOption(QWidget* owner, TovConnectionWindow* connection);

  TovCheckBox* chkOneScript = nullptr;
  TovCheckBox* chkDir = nullptr;
  TovCheckBox* chkSameName = nullptr;
  QLabel* lblDir = nullptr;
  TovStrEdit* txtDir = nullptr;
  QToolButton* btnDialog = nullptr;
  QLabel* lblNameTable = nullptr;
  TovComboBox* cmbNameTable = nullptr;
  QPushButton* btnNameTable = nullptr;
  QButtonGroup* rdoOwner = nullptr;
  TovCheckBox* chkIndex = nullptr;
  TovCheckBox* chkInsert = nullptr;
  QButtonGroup* rdoInsert = nullptr;
  TovCheckBox* chkStorage = nullptr;
  TovCheckBox* chkGrant = nullptr;
  QButtonGroup* rdoGrant = nullptr;
  TovCheckBox* chkNullLine = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
  QPushButton* btnHelp = nullptr;

  // The name table as typed, without blanks around it.
  std::string NameTableText() const;
  // The controls take the options' values, then the enabling rules run.
  void FillControls();
  void ApplyEnabling();
  void btnDialogClick();
  void cmbNameTableDropDown();
  void btnNameTableClick();
  // Checks the target and the name table; closes with OK when they pass.
  void btnOkClick();
  // Stores the controls' values into ScriptOption.
  void StoreOptions();

 private:
  void setupUi();
  // The data source whose name table the dialog edits, when it has one.
  std::string DataSource() const;

  TovConnectionWindow* connection_;
};

// The dialog before a script output, owned by the connection window: true
// on "開始" with the options stored, the target (a folder ending in "/",
// or with OneScript a file) and the name table of the data source.
bool ShowScriptOutputDialog(TovConnectionWindow& connection, std::string& target, std::string& nameTable);
// The plain options dialog owned by `owner` (the main window): true on OK
// with the options stored; NameTable stays as it was.
bool ShowScriptOptionDialog(QWidget* owner);
