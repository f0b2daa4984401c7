// foption: TfrmOption, the program options dialog ("オプション"): eight
// pages over the option record, the formatter settings and the short-cuts
// of the main window's actions. The records change only on "OK"; the rules
// are in core/foptioncore.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/core/ovoptions.h"
#include "app/ovforms.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QTabWidget;
class QToolButton;
class QTreeWidgetItem;
class TovMemo;
class TovNumEdit;
class TovStrEdit;
class TovTreeView;

class TfrmOption : public TovForm {
  Q_OBJECT

 public:
  // A font page's list, size box and sample, and the options they edit.
  struct TFontGroup {
    QListWidget* List = nullptr;
    TovNumEdit* Size = nullptr;
    TovMemo* Sample = nullptr;
    std::string TovOption::*Name = nullptr;
    int32_t TovOption::*Points = nullptr;
  };
  // A folder box, its option and the folder an empty box stores.
  struct TFolderBox {
    TovStrEdit* Box = nullptr;
    std::string TovOption::*Folder = nullptr;
    std::string Default;
  };

  explicit TfrmOption(QWidget* owner);

  // Shows the dialog modally: true when it closed with "OK", the records
  // and short-cuts then holding its values. The dialog frees itself.
  bool Execute();

  QTabWidget* pagOption = nullptr;
  QCheckBox* chkFind = nullptr;
  QCheckBox* chkFindAuto = nullptr;
  QCheckBox* chkRowSelect = nullptr;
  QButtonGroup* rdoSort = nullptr;
  QCheckBox* chkBeforeSource = nullptr;
  QCheckBox* chkAfterSource = nullptr;
  TovNumEdit* txtDataFontSize = nullptr;
  TovNumEdit* txtDiagramFontSize = nullptr;
  TovNumEdit* txtGridFontSize = nullptr;
  TovNumEdit* txtDefTopRecord = nullptr;
  TovNumEdit* txtSQLTop = nullptr;
  QComboBox* cmbSQLLeft = nullptr;
  TovNumEdit* txtMatrixRow = nullptr;
  TovNumEdit* txtMatrixCol = nullptr;
  TovNumEdit* txtIndent = nullptr;
  QButtonGroup* rdoItemReturn = nullptr;
  QButtonGroup* rdoReserveTran = nullptr;
  QButtonGroup* rdoItemTran = nullptr;
  QButtonGroup* rdoCommaPos = nullptr;
  QButtonGroup* rdoAndPos = nullptr;
  QButtonGroup* rdoReservePos = nullptr;
  TovMemo* txtFormat = nullptr;
  TovTreeView* lstShortCut = nullptr;
  TovStrEdit* txtFileDir = nullptr;
  TovStrEdit* txtExcelDir = nullptr;
  TovStrEdit* txtBeforeSource = nullptr;
  TovStrEdit* txtAfterSource = nullptr;
  TovStrEdit* txtTempDir = nullptr;
  QCheckBox* ChkAutoCommit = nullptr;
  QPushButton* btnOk = nullptr;
  QPushButton* btnCancel = nullptr;
  QPushButton* btnHelp = nullptr;

  // A short-cut key on the selected node: an ovshortcut code.
  void lstShortCutKeyUp(int code);
  void FormatChange();
  void txtIndentChange();
  void btnOkClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setupUi();
  void ConnectControls();
  void LoadControls();
  void BuildShortCutTree();
  void ApplyOptions();
  void ApplyShortCuts();
  void ApplyToConnectionWindows(bool treeSortChanged);
  void FontSizeExit(const TFontGroup& group);
  void BrowseFolder(TovStrEdit* box, const char* title);
  void BrowseForm(TovStrEdit* box);
  void EnableSourceGroups();
  QWidget* BoxOf(int check) const;

  std::vector<std::pair<QCheckBox*, bool TovOption::*>> checks_;
  std::vector<std::pair<TovNumEdit*, int32_t TovOption::*>> numbers_;
  std::vector<std::pair<QButtonGroup*, int32_t TovOption::*>> radios_;
  std::vector<std::pair<QButtonGroup*, int32_t TFormatOption::*>> formatRadios_;
  std::vector<std::pair<TovStrEdit*, std::string TovOption::*>> texts_;
  std::vector<TFolderBox> folders_;
  std::vector<TFontGroup> fonts_;
  std::vector<QToolButton*> kindButtons_;
  std::vector<QWidget*> beforeGroup_;
  std::vector<QWidget*> afterGroup_;
  QComboBox* cmbOpenMode_ = nullptr;
  QButtonGroup* rdoPasteTitle_ = nullptr;
  QButtonGroup* rdoExcelTitle_ = nullptr;
  TovStrEdit* txtSeparater_ = nullptr;
  int lastIndent_ = 0;
  std::string sampleSQL_;
  bool* accepted_ = nullptr;
};

// Shows the options dialog owned by the main window; true on "OK".
bool ShowOption();
