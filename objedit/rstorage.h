// rstorage: TfraStorage, the storage page of the table and index editors:
// the storage kind, the DSO of each kind's page, the DSI and allocation
// grids, the spaces of a temporary table, or for an index created with ON
// the database space alone. It reads the storage of an existing object from
// the definition report, remembers what it showed, and writes the storage
// statements; it runs no statement itself. The rules it follows are plain
// functions of objedit/core (rstoragecore, fstoragecore).
#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "objedit/core/fstoragecore.h"
#include "objedit/core/rstoragecore.h"

class QGroupBox;
class QLabel;
class QStackedWidget;
class QToolButton;
class TovCheckBox;
class TovComboBox;
class TovForm;
class TovRadioButton;
class TovStrEdit;
class TovStringGrid;

class TfraStorage : public QWidget {
  Q_OBJECT

 public:
  TfraStorage(TovForm& owner, QWidget* parent);

  int OwnerKind = -1;
  std::string SchemaName;
  std::string ObjectName;
  std::string TableName;
  // How the frame marks its editor changed; the editor's own SetChanged
  // unless the editor puts its marking here.
  std::function<void(bool)> OnSetChanged;

  void Init(const std::string& schema, const std::string& name);
  // The readers (local connections only); a failed report shows
  // "定義情報を読み込めませんでした。" and leaves the frame as it was, but
  // for what the reader cleared first.
  void LoadTableStorage();
  void LoadIndexStorage(const std::string& schema, const std::string& table);
  void LoadDSIList(std::vector<std::string>& list, const std::string& tableOwner, const std::string& tableName);
  void SaveState();
  bool IsChanged() const;
  int GetStorageKind() const;
  // The table's storage statements, unless the settings leave them out.
  void BuildStorageDDL(std::vector<std::string>& list, const std::string& schemaPrefix, const std::string& name);
  // The index DSO and DSI statements; false when the table boxes are empty
  // (the caller abandons its list).
  bool BuildIndexStorageDDL(std::vector<std::string>& list, const std::string& tableOwner,
                            const std::string& tableName, const std::vector<std::string>& keyColumns);
  void cmbTBSDropDown();
  void cmbStorageTypeChange();
  // Each condition, cluster-key and rule edit as wide as its panel less the
  // room of its caption and button.
  void pagStorageResize();

  // The storage the controls hold, and back.
  TTableStorage TableStorage() const;
  TIndexStorage IndexStorage() const;
  void SetTableStorage(const TTableStorage& storage);
  void SetIndexStorage(const TIndexStorage& storage);

  QWidget* pnlStorageType = nullptr;
  QLabel* lblStorageType = nullptr;
  TovComboBox* cmbStorageType = nullptr;
  QLabel* lblTBS = nullptr;
  TovComboBox* cmbTBS = nullptr;
  QStackedWidget* pagStorage = nullptr;
  QWidget* tabSeqNormal = nullptr;
  QWidget* tabSeqPartition = nullptr;
  QWidget* tabRandNormal = nullptr;
  QWidget* tabRandPartition = nullptr;
  QWidget* tabObject = nullptr;
  QWidget* tabTemp = nullptr;
  QWidget* tabIndex = nullptr;
  TovStrEdit* txtDSOnameSeq = nullptr;
  TovComboBox* cmbPageSizeSeq = nullptr;
  TovCheckBox* chkOrderSeq = nullptr;
  TovCheckBox* chkPrecedenceSeq = nullptr;
  TovStrEdit* txtDSOnameSeqPartition = nullptr;
  TovComboBox* cmbPageSizePartition = nullptr;
  TovCheckBox* chkOrderPartition = nullptr;
  TovCheckBox* chkPrecedencePartition = nullptr;
  TovStrEdit* txtSeqWhere = nullptr;
  QToolButton* btnFieldSeqWhere = nullptr;
  TovStrEdit* txtDSOnameRandNormal = nullptr;
  TovComboBox* cmbPageSizeNormalPrime = nullptr;
  TovComboBox* cmbPageSizeNormalOver = nullptr;
  TovStrEdit* txtClusterNormal = nullptr;
  TovCheckBox* chkNotUniqueNormal = nullptr;
  QToolButton* btnFieldRandNormal = nullptr;
  TovStrEdit* txtRuleNormal = nullptr;
  TovStrEdit* txtDSOnameRandPartition = nullptr;
  TovComboBox* cmbPageSizeRandPrime = nullptr;
  TovComboBox* cmbPageSizeRandOver = nullptr;
  TovStrEdit* txtClusterPartition = nullptr;
  TovCheckBox* chkNotUniquePartition = nullptr;
  QToolButton* btnFieldCluster = nullptr;
  TovStrEdit* txtRulePartition = nullptr;
  TovStrEdit* txtRandWhere = nullptr;
  QToolButton* btnFieldRandWhere = nullptr;
  TovStrEdit* txtDSOnameObj = nullptr;
  TovComboBox* cmbPageSizeObj = nullptr;
  TovStringGrid* grdTemp = nullptr;
  QToolButton* btnTempIns = nullptr;
  QToolButton* btnTempDel = nullptr;
  QGroupBox* grpOnCommit = nullptr;
  TovRadioButton* rdoTransaction = nullptr;
  TovRadioButton* rdoSession = nullptr;
  TovStrEdit* txtDSOnameIdx = nullptr;
  TovComboBox* cmbPageSizeIdxData = nullptr;
  TovComboBox* cmbPageSizeIdxIndex = nullptr;
  TovComboBox* cmbDegenRealgn = nullptr;
  QGroupBox* pnlDSI = nullptr;
  TovStringGrid* grdDSImain = nullptr;
  TovStringGrid* grdDSIsub = nullptr;
  QToolButton* btnDSImainIns = nullptr;
  QToolButton* btnDSImainDel = nullptr;
  QToolButton* btnDSIsubIns = nullptr;
  QToolButton* btnDSIsubDel = nullptr;

 private:
  void setupUi();
  QWidget* SeqPage(const char* name, TovStrEdit*& dso, TovComboBox*& page, TovCheckBox*& order,
                   TovCheckBox*& precedence, TovStrEdit** where, QToolButton** whereButton);
  QWidget* RandPage(const char* name, TovStrEdit*& dso, TovComboBox*& prime, TovComboBox*& over,
                    TovStrEdit*& cluster, TovCheckBox*& notUnique, QToolButton*& clusterButton, TovStrEdit*& rule,
                    TovStrEdit** where, QToolButton** whereButton);
  void SetupGrid(TovStringGrid& grid, TStorageGrid kind);
  void SetIndexGridLayout();
  void RefreshSpaces();
  void SetChanged(bool changed);
  void MarkIfModified(bool modified);
  void btnFieldClick(TovStrEdit& edit);
  void InsertRow(TovStringGrid& grid);
  void DeleteRow(TovStringGrid& grid);
  std::vector<TovStrEdit*> TableDsoEdits() const;
  std::vector<TovComboBox*> PageSizeCombos() const;
  std::vector<TovStrEdit*> WidthRuledEdits() const;

  TovForm& owner_;
  std::vector<std::string> spaces_;
  std::vector<std::string> tableDsis_;
};
