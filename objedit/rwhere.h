// rwhere: TfraWhere, the condition panel of the table and view editors'
// data pages: its tool bar, the free condition with its history, the row
// limit, the condition grid kept by column name across loads and the
// bind-variable grid (the rules: objedit/core/ftabledatacore). The panel
// lives in a vertical splitter above the page's result; the view editor
// moves it onto its access-plan page.
#pragma once

#include <QWidget>

#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "objedit/core/ftabledatacore.h"

class QAction;
class QSplitter;
class QToolBar;
class TfraData;
class TovComboBox;
class TovNumEdit;
class TovObjectEditor;
class TovStringGrid;
struct TOpenArgs;

class TfraWhere : public QWidget {
  Q_OBJECT

 public:
  // A panel of `owner`, whose display columns are `display`.
  TfraWhere(TovObjectEditor& owner, std::vector<std::string>& display, QWidget* parent);

  QToolBar* tolWhere = nullptr;
  QAction* btnExec = nullptr;
  QAction* btnField = nullptr;
  QAction* btnWhere = nullptr;
  QAction* btnGrdWhereClear = nullptr;
  QWidget* pnlWhere2 = nullptr;
  QWidget* pnlWhere3 = nullptr;
  TovComboBox* cmbWhere = nullptr;
  TovNumEdit* txtRecord = nullptr;
  QSplitter* spl2 = nullptr;
  TovStringGrid* grdWhere = nullptr;
  TovStringGrid* grdParam = nullptr;

  // The row limit from the open arguments and the free-condition history.
  void Opening(const TOpenArgs& args);
  // The condition grid's data rows and back.
  std::vector<TWhereRow> WhereRows() const;
  void SetWhereRows(const std::vector<TWhereRow>& rows);
  // After a load: one row per column keeping the conditions typed before;
  // the display columns lose the names that are gone.
  void LoadConditions(const std::vector<TWhereColumn>& columns);
  // The SELECT of the page; EAbort after the row-limit message.
  std::string BuildSelect();
  // Passes the grid's values, or asks for them first (EAbort).
  void ApplyBindValues(std::vector<TovParameter>& parameters);
  // The data query into the result frame.
  void OpenData(TfraData& frame);
  // Shows or hides the condition grids as btnWhere says.
  void btnWhereClick();
  void btnGrdWhereClearClick();
  void btnFieldClick();

 private:
  void setupUi();

  TovObjectEditor& owner_;
  std::vector<std::string>& display_;
  std::vector<std::string> whereHistory_;
};
