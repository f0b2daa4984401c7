// fddlpreview: the DDL preview "<schema>.<name> のコンパイル": the statements
// an editor is about to run, read-only in the user's editor settings, to
// start, save as a file or cancel. Only shown when the ShowDDL option is on.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QPushButton;
class TovCheckBox;
class TovMemo;

class TfrmDDLPreview : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmDDLPreview(QWidget* owner);

  // ShowDDLPreview: true when the caller may run the list, which then holds
  // the lines as shown; without the ShowDDL option true at once.
  static bool Execute(std::vector<std::string>& list, const std::string& schema, const std::string& name);

  // Saves the statements to a file the user picks.
  void btnSaveClick();

  TovMemo* txtLog = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnSave = nullptr;
  QPushButton* btnCancel = nullptr;
  TovCheckBox* chkModifySource = nullptr;
  std::string SchemaName;
  std::string ObjectName;

 private:
  void setupUi();
};
