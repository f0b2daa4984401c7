// fsqlcatch: TfrmSQLCatch, the SQL capture "SQLキャッチ": the statements of
// the client SQL trace files written since a chosen moment, folded by text
// when asked, with their counts and times; a statement opens its access
// plan in a new SQL window or the index adviser, and the list goes to a
// spreadsheet or the clipboard.
#pragma once

#include <string>

#include "app/ovforms.h"
#include "tools/core/fsqlcatchreport.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QMenu;
class QTimeEdit;
class QToolBar;
class QToolButton;
class TovComboBox;
class TovListView;

class TfrmSQLCatch : public TovForm {
  Q_OBJECT

 public:
  // The open capture of the connection comes forward, else a new one opens.
  static TfrmSQLCatch* Open(TovConnectionWindow& connection);

  QToolBar* tolCmd;
  QToolButton* btnOutput;
  QMenu* popOutput;
  TovComboBox* cmbDBName;
  QDateEdit* dtpFromDate;
  QTimeEdit* dtpFromTime;
  QCheckBox* chkSummary;
  QToolBar* tolTrace;
  TovListView* lstTrace;
  QMenu* mnuSQLCatch;
  QAction* actRefresh;
  QAction* actSelectFolder;
  QAction* actExplan;
  QAction* actSQLCopy;
  QAction* actOutput;
  QAction* actExcel;
  QAction* actCopy;
  QAction* actExit;
  QAction* actIndexAdviser;

  void Reload(QObject* sender) override;
  void DBChange(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void cmbDBNameChange();
  void actSelectFolderExecute();
  void actExplanExecute();
  void actSQLCopyExecute();
  void actIndexAdviserExecute();
  void actExcelExecute();
  void actCopyExecute();
  // The list as the reports take it.
  TReportTable ListTable() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit TfrmSQLCatch(TovConnectionWindow& connection);
  void setupUi();
  void UpdateActions();
  std::string SelectedSQL() const;
  std::string DataSource() const;
};
