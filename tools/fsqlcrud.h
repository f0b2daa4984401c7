// fsqlcrud: TfrmSQLCRUD, the table-access matrix "テーブルアクセス表": for
// the chosen tables of one schema, the statements of the client SQL trace
// files written since a chosen moment that create, read, update or delete
// their rows, one row per table and statement; a row opens its access plan
// in a new SQL window, and the matrix goes to a spreadsheet or the
// clipboard. The rules are tools/core/fsqlcrudcore.
#pragma once

#include <string>
#include <vector>

#include "app/ovforms.h"
#include "tools/core/fsqlcrudcore.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QListWidget;
class QMenu;
class QTimeEdit;
class QToolBar;
class QToolButton;
class TovComboBox;
class TovListView;

class TfrmSQLCRUD : public TovForm {
  Q_OBJECT

 public:
  // The open matrix of the connection comes forward, else a new one opens.
  static TfrmSQLCRUD* Open(TovConnectionWindow& connection);

  QToolBar* tolCmd;
  QToolButton* btnOutput;
  QMenu* popOutput;
  TovComboBox* cmbDBName;
  QDateEdit* dtpFromDate;
  QTimeEdit* dtpFromTime;
  QCheckBox* chkPerseSQL;
  TovComboBox* cmbOwner;
  QListWidget* lstTable;
  TovListView* lstCRUD;
  QMenu* mnuSQLCRUD;
  QAction* actRefresh;
  QAction* actSelectFolder;
  QAction* actExplan;
  QAction* actSQLCopy;
  QAction* actOutput;
  QAction* actExcel;
  QAction* actCopy;
  QAction* actExit;

  // The matrix as it shows: table, C, R, U, D, statement.
  std::vector<TAccessRow> Rows() const;
  // The entries of the table list with their ticks.
  std::vector<TTableEntry> TableEntries() const;

  void Reload(QObject* sender) override;
  void DBChange(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void cmbDBNameChange();
  void cmbOwnerSelect();
  void actSelectFolderExecute();
  void actExplanExecute();
  void actSQLCopyExecute();
  void actExcelExecute();
  void actCopyExecute();

 private:
  explicit TfrmSQLCRUD(TovConnectionWindow& connection);
  void setupUi();
  void UpdateActions();
  std::string SelectedSQL() const;
  std::string DataSource() const;
};
