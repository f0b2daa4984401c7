// rexplan: TfraExplan, the frame that shows the access plan of one
// statement as a two-column tree (rexplancore runs the tool and reads the
// trace) and copies it to the clipboard or writes it into a workbook.
#pragma once

#include <QWidget>

#include <string>

#include "app/core/odsql.h"
#include "sqlwork/core/rexplancore.h"

class QHeaderView;
class QStandardItemModel;
class QToolBar;
class QToolButton;
class TovConnectionWindow;
class TovForm;
class TovTreeView;

class TfraExplan : public QWidget {
  Q_OBJECT

 public:
  // A frame of `owner`, whose connection window the plans run on.
  TfraExplan(TovForm& owner, QWidget* parent);

  QToolBar* tolLeft;
  QToolButton* btnExcel;
  QToolButton* btnCopy;
  QHeaderView* hedPlan;
  TovTreeView* lstPlan;
  TovSQLQuery qryData;
  TovSQLQuery qryPlan;
  // The statement as SetSQL keeps it.
  std::string SQLText;

  // Puts the statement into qryData (its bind-variable markers with it).
  void SetSQL(const std::string& text);
  // Shows the plan of SQLText; errors propagate.
  void Execute();
  void ShowPlan();
  // The owner's connection window; stops silently without one.
  TovConnectionWindow& GetConnectionWindow();

  void btnCopyClick();
  void btnExcelClick();

 private:
  void setupUi();
  void ShowTree(const TPlanTree& tree);
  int ColumnCount() const;

  TovForm& owner_;
  QStandardItemModel* sections_;
};
