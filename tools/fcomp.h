// fcomp: TfrmComp, "オブジェクト比較": the schema objects of two targets (a
// connection with a schema or "(全て)"), each listed through its own
// connection, paired and compared by their DDL; the results filtered,
// opened in the object editors, or sent to a spreadsheet or the clipboard.
// The rules are tools/core/fcompcore.
#pragma once

#include <QPointer>

#include <string>
#include <vector>

#include "app/ovforms.h"
#include "tools/core/fcompcore.h"

class QAction;
class QComboBox;
class QGroupBox;
class QMenu;
class QToolBar;
class TovCheckBox;
class TovComboBox;
class TovListView;

class TfrmComp : public TovForm {
  Q_OBJECT

 public:
  // A new window with both targets on the connection.
  static TfrmComp* Create(TovConnectionWindow& connection);

  QToolBar* tolCmd;
  QAction* btnExec;
  QAction* actOutput;
  QAction* actExcel;
  QAction* actCopy;
  QAction* btnExit;
  QMenu* popOutput;
  QToolBar* pnlNewObj;
  QAction* btnTable;
  QAction* btnIndex;
  QAction* btnView;
  QAction* btnProc;
  QAction* btnFunc;
  QAction* btnTrigger;
  QAction* btnSeq;
  QWidget* pnlComp;
  QGroupBox* grpComp1;
  QGroupBox* grpOption;
  QGroupBox* grpComp2;
  QComboBox* cmbDBName1;
  TovComboBox* cmbSchema1;
  QComboBox* cmbDBName2;
  TovComboBox* cmbSchema2;
  TovCheckBox* chkOnly1;
  TovCheckBox* chkOnly2;
  TovCheckBox* chkNotEqurl;
  TovCheckBox* chkEqurl;
  TovListView* lstComp;
  QMenu* popObject;
  QAction* mnuOpen;
  QAction* mnuOpen1;
  QAction* mnuOpen2;

  // Target 1 is the window's connection window; target 2 this one.
  TovConnectionWindow* Target2() const;
  // The result list's rows as the list shows them.
  std::vector<TCompRow> Rows() const;

  void cmbDBName1Change();
  void cmbDBName2Change();
  void cmbSchema1DropDown();
  void cmbSchema2DropDown();
  void btnExecClick();
  void mnuOpenClick();
  void mnuOpen1Click();
  void mnuOpen2Click();
  void actExcelExecute();
  void actCopyExecute();
  void DBChange(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;

 private:
  explicit TfrmComp(TovConnectionWindow& connection);
  void setupUi();
  QWidget* MakeTargetGroup(QGroupBox* group, QComboBox*& connections, TovComboBox*& schemas);
  void FillConnections();
  void FillSchemas(TovComboBox& box, TovConnectionWindow* connection);
  // Procedures and functions are listed only when both targets can read them.
  void UpdateRoutineButtons();
  void UpdateActions();
  std::vector<TCompKind> ChosenKinds() const;
  TovConnectionWindow* TargetOf(int side) const;
  bool ListTarget(int side, const std::vector<TCompKind>& kinds, std::vector<TCompObject>& objects);
  std::string GenerateDDLOf(int side, int kind, const std::string& schema, const std::string& name);
  void AddRow(const TCompRow& row);
  void OpenSelected(TCompOpen which);
  void FocusOn(TCompFocus focus);

  QPointer<QWidget> target2_;
};
