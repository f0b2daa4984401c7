// fxlssql: the options dialog of the spreadsheet output of a result-grid
// frame (target file, form workbook, sheet, start cell, direction, titles,
// renewal), and the frame's output command itself (TfraData::btnExcelClick,
// defined here beside the dialog it opens).
#pragma once

#include <QDialog>

#include "app/core/fmaincore.h"
#include "ui/core/fxlssqlcore.h"

class QButtonGroup;
class QCheckBox;
class QPushButton;
class TovComboBox;
class TovNumEdit;
class TovStrEdit;

class TfrmXlsSQL : public QDialog {
 public:
  // Filled from the settings.
  explicit TfrmXlsSQL(QWidget* owner);

  TovStrEdit* txtSaveFile;
  QPushButton* btnSaveFile;
  TovStrEdit* txtSheet;
  TovStrEdit* txtFormFile;
  QPushButton* btnFormFile;
  TovComboBox* cmbColumn;
  TovNumEdit* txtRow;
  QButtonGroup* rdoExcel;       // 0 vertical, 1 horizontal
  QButtonGroup* rdoExcelTitle;  // 0 names, 1 comments, 2 none
  QCheckBox* chkRefresh;
  QPushButton* btnOk;
  QPushButton* btnCancel;

  // Checks the entries, asks before an existing target is replaced, stores
  // the settings and closes with OK; otherwise the dialog stays.
  void btnOkClick();
  void btnSaveFileClick();
  void btnFormFileClick();
  // The file, sheet, form workbook and start cell the confirmed dialog
  // asks for.
  TXlsOutput Output() const;

 private:
  void setupUi();
};

