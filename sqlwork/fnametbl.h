// fnametbl: TfrmNameTable, "スクリプト名テーブル編集": the modal window
// in which the user picks the connection and the script name table of its
// data source, has the table created when it is missing, fills it from the
// catalogue, edits its rows in the result grid and stores the table as the
// data source's NameTable entry. The statements are in core/fnametblcore.
#pragma once

#include <string>

#include "app/core/odsql.h"
#include "app/ovforms.h"
#include "sqlwork/core/fnametblcore.h"
#include "ui/rdata.h"

class QAction;
class QLabel;
class QToolBar;
class QToolButton;
class TovComboBox;

class TfrmNameTable : public TovForm, public TDataOwner {
  Q_OBJECT

 public:
  // A window of its own above `owner` (the main window), bound to
  // `connection` until another entry is chosen.
  TfrmNameTable(QWidget* owner, TovConnectionWindow& connection);

  QToolBar* tolCmd = nullptr;
  QToolButton* btnCommit = nullptr;
  QAction* mnuInstData = nullptr;
  QToolButton* btnExit = nullptr;
  TovComboBox* cmbDBName = nullptr;
  TovComboBox* cmbSchema = nullptr;
  TovComboBox* cmbName = nullptr;
  QLabel* lblDBSpaceName = nullptr;
  TovComboBox* cmbDBSpaceName = nullptr;
  TfraData* fraData = nullptr;
  TovSQLQuery qrySQL;

  // Whether the space box is shown: not when the catalogue level was
  // lowered for the missing level-11 parameter.
  bool SpaceShown() const { return spaceShown_; }
  // The table's rows are shown.
  bool RowsShown() const;

  // Copies the main window's connection list.
  void FillConnections();
  // Binds the chosen entry's connection (the window's own without a list)
  // and shows its name table.
  void cmbDBNameChange();
  void cmbSchemaDropDown();
  void cmbNameDropDown();
  void cmbDBSpaceNameDropDown();
  void btnCommitClick();
  void mnuInstDataClick();

  // Shows the table's rows again; a failure is reported in a box.
  void Reload(QObject* sender) override;
  void DBChange(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  bool CloseQuery() override;

  // TDataOwner
  TKind OwnerKind() const override { return TKind::Other; }
  std::string RecordLimitText() const override { return ""; }
  std::string FieldComment(const std::string&) const override { return ""; }
  void RenewResult() override { Reload(this); }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void setupUi();
  // Closes the rows and shows them again when schema and name are given;
  // a failing read raises its error.
  void ReloadRows();
  void CloseRows();
  TNameTableName Table() const;
  std::string DataSource() const;
  // Creates the missing table when the user agrees; false when the entry
  // is not to be stored.
  bool AnswerReadFailure(const std::string& message);
  void InsertInitialData(bool allObjects);

  bool spaceShown_ = true;
  bool shown_ = false;
};

// Opens the name table of the connection's data source, modally.
void ShowNameTable(TovConnectionWindow& connection);
