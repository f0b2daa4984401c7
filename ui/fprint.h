// fprint: the print dialog, the print driver around it, and the routines
// that lay text out on the pages of a print job.
#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "ui/core/fprintcore.h"

class QLabel;
class QListWidget;
class QPushButton;
class QRadioButton;
class TovCheckBox;
class TovComboBox;
class TovNumEdit;
class TUpDown;

class TfrmPrint : public QDialog {
  Q_OBJECT

 public:
  enum TPrintState { psDone = 0, psDialog = 1, psPreview = 2, psPrint = 3 };
  TfrmPrint(QWidget* owner, const std::string& title);

  const std::string& Title() const { return title_; }
  TPrintState State() const { return state_; }
  void SetState(TPrintState state) { state_ = state; }
  // The passes the dialog's copies and range ask for.
  TPrintPassSettings Passes() const;
  void ShowSettings();
  void StoreSettings() const;
  void ApplyPrinterSettings();

  TovComboBox* cmbPrinterName;
  QPushButton* btnProperty;
  TovNumEdit* txtCopies;
  TUpDown* btnCopies;
  TovCheckBox* chkCollate;
  QRadioButton* rdoPortrait;
  QRadioButton* rdoLandscape;
  TovNumEdit* txtTopMargin;
  TovNumEdit* txtBottomMargin;
  TovNumEdit* txtLeftMargin;
  TovNumEdit* txtRightMargin;
  QRadioButton* rdoRangeAll;
  QRadioButton* rdoRangeSelect;
  TovNumEdit* txtRangeFrom;
  QLabel* lblRangeTo;
  TovNumEdit* txtRangeTo;
  QListWidget* lstFontName;
  TovNumEdit* txtFontSize;
  QPushButton* btnOk;
  QPushButton* btnCancel;
  QPushButton* btnPreview;
  QPushButton* btnHelp;

 private:
  void setupUi();
  void SelectPrinter(int index);
  void RangeChange();
  void CopiesChange();
  bool FontSizeValid();
  // The margins leave a body to print on.
  bool MarginsValid();
  void btnOkClick();
  void btnPreviewClick();
  void btnHelpClick();
  void btnPropertyClick();
  void grpOrientationClick();
  std::string title_;
  TPrintState state_ = psDialog;
};

using TPrintRender = std::function<void(TfrmPrint&)>;

// The loop of dialog, preview and print; nothing happens without `render`.
void PrintWithDialog(const std::string& title, const TPrintRender& render);
void BeginPrintJob();
// Lays `lines` out on pages of their own; `restart` numbers them from 1.
void PrintLines(const std::string& title, const std::vector<std::string>& lines, bool restart);
void EndPrintJob();
// Sends the print data's pages to the selected printer as the dialog says.
void PrintPages(const TfrmPrint& form);
