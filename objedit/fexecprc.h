// fexecprc: TfrmExecProc, the routine runner: one stored procedure or
// function run with the values the user types into its parameter tree; the
// output parameters (or the function's result) are written into the
// output pane. One window per routine; the rules are plain functions of
// objedit/core/fexecprccore.
#pragma once

#include <QPointer>

#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "app/ovforms.h"
#include "objedit/core/fexecprccore.h"

class QAction;
class QHeaderView;
class QSplitter;
class QStandardItemModel;
class QTreeWidgetItem;
class TovComboBox;
class TovMemo;
class TovStrEdit;
class TovTreeNode;
class TovTreeView;

class TfrmExecProc : public TovForm {
  Q_OBJECT

 public:
  // Opens the runner of a routine of the connection, or brings forward the
  // one already open (EAbort then).
  static TfrmExecProc* CreateRun(TovConnectionWindow& owner, const std::string& schema, const std::string& name,
                                 int kind);

  // 0 before the first run, 1 after a run without error, 2 after a failure.
  enum TRunState { rsNone, rsDone, rsFailed };

  int ObjectKind = 0;
  QTreeWidgetItem* EditNode = nullptr;
  TRunState RunState = rsNone;

  QAction* btnExec = nullptr;
  QAction* btnExit = nullptr;
  QWidget* pnlName = nullptr;
  TovComboBox* cmbSchema = nullptr;
  TovStrEdit* txtName = nullptr;
  QWidget* pnlObj = nullptr;
  TovComboBox* cmbObj = nullptr;
  QHeaderView* hedParam = nullptr;
  TovTreeView* lstParam = nullptr;
  TovStrEdit* txtParam = nullptr;
  QSplitter* splOutput = nullptr;
  TovMemo* txtOutput = nullptr;
  TovSQLQuery qryExec;

  void LoadParams();
  // The parameters as the tree holds them, in node order.
  std::vector<TExecParam> Params() const;
  void PrepareCall();
  void btnExecClick();
  void ShowResult();
  void LoadWindowSize() override;
  void SaveWindowSize() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  TfrmExecProc(TovConnectionWindow& owner, const std::string& schema, const std::string& name, int kind);
  void setupUi();
  void lstParamChange();
  // txtParam over the value cell of EditNode, or hidden without one.
  void PlaceEditor();
  void SelectSibling(int step);

  std::string schema_;
  std::string name_;
  QStandardItemModel* sections_ = nullptr;
};

// Registers the named handler the connection window's and the workspace's
// "実行(&E)" open the runner through.
void RegisterExecProc();
