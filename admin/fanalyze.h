// fanalyze: TfrmAnalyze, the statistics dialog "統計情報": runs rdbups for
// the tables selected in the connection window's object list, or for one
// DSO or DSI of the selected table.
#pragma once

#include <QDialog>

#include <string>

#include "admin/core/objtoolcore.h"

class QCheckBox;
class QPushButton;
class QRadioButton;
class TovComboBox;
class TovConnectionWindow;

class TfrmAnalyze : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAnalyze(TovConnectionWindow& connection);

  QRadioButton* rdoTable;
  QRadioButton* rdoDso;
  QRadioButton* rdoDsi;
  TovComboBox* cmbDso;
  TovComboBox* cmbDsi;
  QCheckBox* chkRecovery;
  QPushButton* btnOk;
  QPushButton* btnCancel;

  void rdoTaniClick();
  void cmbDsoDropDown();
  void cmbDsiDropDown();
  // True when the tool ran and reported success.
  bool RunRdbups(const std::string& schema, const std::string& name);
  void btnOkClick();

 private:
  void setupUi();
  TAnalyzeUnit Unit() const;
  void FillStorage(TovComboBox& combo, bool dsi);
  TovConnectionWindow& connection_;
};

void ShowAnalyze(TovConnectionWindow& connection);
