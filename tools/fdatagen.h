// fdatagen: TfrmDataGenerate, the test-data generator ("データ生成ツール"):
// one rule per column of a table, the settings document of the table, the
// generation run with its log and the test run into a temporary copy of
// the table shown in the result frame. Modal, opened for an existing table
// or view by ShowDataGenerate. The rules and runs are in core/fdatagen*.
#pragma once

#include <string>
#include <vector>

#include "app/ovforms.h"
#include "tools/core/fdatagencheck.h"
#include "ui/rdata.h"

class QAction;
class QDateTimeEdit;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTabWidget;
class QToolBar;
class TovCheckBox;
class TovComboBox;
class TovListView;
class TovMemo;
class TovNumEdit;
class TovStrEdit;
class TovStringGrid;

class TfrmDataGenerate : public TovForm, public TDataOwner {
  Q_OBJECT

 public:
  TfrmDataGenerate(TovConnectionWindow& connection, const std::string& schema, const std::string& table);
  ~TfrmDataGenerate() override;

  QToolBar* tolMain = nullptr;
  QAction* actExecute = nullptr;
  QAction* actTest = nullptr;
  QAction* actExit = nullptr;
  TovComboBox* cmbSchema = nullptr;
  TovStrEdit* txtName = nullptr;
  QTabWidget* pgcMain = nullptr;
  QWidget* tabOption = nullptr;
  QWidget* tabResult = nullptr;
  QRadioButton* rdoNormal = nullptr;
  TovNumEdit* txtCount = nullptr;
  QWidget* pnlMaster = nullptr;
  QRadioButton* rdoMaster = nullptr;
  TovComboBox* cmbMasterSchema = nullptr;
  TovComboBox* cmbMasterTable = nullptr;
  TovNumEdit* txtCountFrom = nullptr;
  TovNumEdit* txtCountTo = nullptr;
  TovListView* lstColumn = nullptr;
  TovComboBox* cmbSetType = nullptr;
  QSpinBox* updNull = nullptr;
  QStackedWidget* pnlPages = nullptr;
  TovNumEdit* txtNumFrom = nullptr;
  TovNumEdit* txtNumTo = nullptr;
  QLabel* lblMarume = nullptr;
  TovNumEdit* txtMarume = nullptr;
  TovCheckBox* chkZeros = nullptr;
  TovCheckBox* chkPrefix = nullptr;
  TovStrEdit* txtPrefix = nullptr;
  QDateTimeEdit* dtpDateFrom = nullptr;
  QDateTimeEdit* dtpDateTo = nullptr;
  TovComboBox* cmbDateType = nullptr;
  TovComboBox* cmbStrType = nullptr;
  TovCheckBox* chkStrFull = nullptr;
  QLabel* lblStrDigit = nullptr;
  TovNumEdit* txtStrDigit = nullptr;
  TovStringGrid* grdIn = nullptr;
  TovMemo* txtVariable = nullptr;
  TovComboBox* cmbTemplate1 = nullptr;
  TovComboBox* cmbTemplate2 = nullptr;
  TovStrEdit* txtTemplateSep = nullptr;
  TovComboBox* cmbLinkOwner = nullptr;
  TovComboBox* cmbLinkTable = nullptr;
  TovComboBox* cmbLinkColumn = nullptr;
  TovComboBox* cmbColumn = nullptr;
  TovMemo* txtLog = nullptr;
  TfraData* fraData = nullptr;
  QLabel* lblEscape = nullptr;

  // The rule records, one per row of the column list.
  const std::vector<TColParams>& Columns() const { return cols_; }
  int32_t Mode() const { return mode_; }

  void LoadColumns();
  // Offers the settings document once, on the first activation.
  void LoadSettings();
  void SaveSettings();
  void AssignDefaultRules();
  void SelectColumn(int row);
  void ShowColumnRule();
  void StoreColumnRule();
  // False when a problem was shown.
  bool CheckInput();
  void actExecuteExecute();
  void btnTestClick();

  // TDataOwner: a frame of kind Other whose result is left as it is.
  TKind OwnerKind() const override { return TKind::Other; }
  std::string RecordLimitText() const override { return {}; }
  std::string FieldComment(const std::string&) const override { return {}; }
  void RenewResult() override {}

  void LoadWindowSize() override;
  void SaveWindowSize() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void setupUi();
  QWidget* BuildModeGroup(QWidget* parent);
  QWidget* BuildRulePanel(QWidget* parent);
  void BuildPages();
  void ConnectControls();
  void SetTypeChanged();
  int32_t CurrentKind() const;
  void ApplyKindControls();
  void FillTemplateLists();
  void FillDropDowns();
  bool InKey(const std::string& column) const;
  bool InUnique(const std::string& column) const;
  TDataGenDocument Settings() const;
  void ShowLog(bool log);
  void AppendLog(const std::string& line);
  void RunGeneration();
  void RunTestRows();
  std::string TestTableSpace();
  bool FixedValueWorks(const std::string& expression);
  std::vector<std::string> GridLines() const;
  friend void ShowDataGenerate(TovConnectionWindow&, const std::string&, const std::string&);

  std::string schema_;
  std::string table_;
  int32_t mode_ = 0;
  std::vector<TColParams> cols_;
  std::vector<std::string> primaryKey_;
  std::vector<std::string> unique_;
  std::vector<int32_t> shownKinds_;
  bool loading_ = false;
  bool settingsOffered_ = false;
};

// Opens the generator for `schema`.`table` of the connection, modally.
void ShowDataGenerate(TovConnectionWindow& connection, const std::string& schema, const std::string& table);
