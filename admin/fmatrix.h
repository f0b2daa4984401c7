// fmatrix: TfrmMatrix, the cross-reference matrix "マトリックス表" of the
// objects selected in a connection window's object list: what each
// references, what references it, or which columns each table or index
// has; copied to the clipboard or written into a spreadsheet built from
// the matrix template.
#pragma once

#include "admin/core/fmatrixcore.h"
#include "app/ovforms.h"

class QAction;
class QMenu;
class QTabWidget;
class QToolBar;
class TovStringGrid;

class TfrmMatrix : public TovForm {
  Q_OBJECT

 public:
  static TfrmMatrix* Create(TovConnectionWindow& connection);

  QToolBar* tolCmd;
  QTabWidget* pagMatrix;
  TovStringGrid* grdMatrix;
  QMenu* mnuMatrix;
  QMenu* mnuOutput;
  QAction* actRefresh;
  QAction* actOutput;
  QAction* actExcel;
  QAction* actCopy;
  QAction* actExit;

  TMatrixPage Page() const;
  // The grid's texts, fixed rows and columns included.
  std::vector<std::vector<std::string>> GridRows() const;

  void Reload(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void pagMatrixChange();
  void actExcelExecute();
  void actCopyExecute();

 private:
  explicit TfrmMatrix(TovConnectionWindow& connection);
  void setupUi();
  void ReadObjects(TMatrixModel& model);
  void ReadFields(TMatrixModel& model);
  void ShowModel(const TMatrixModel& model);
  void FitHeaders();
};
