// fxlssetup: TfrmXLSSetup, the editor of the report definitions ("レポート
// 定義"): one tab per XLSDEF document, the definition's fields and its three
// item grids. Modal; after it the main window rebuilds its report menu. The
// rules are in core/fxlssetupcore, the documents in app/core/ovdoc.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/ovforms.h"
#include "tools/core/fxlssetupcore.h"

class QAction;
class QButtonGroup;
class QGroupBox;
class QTabWidget;
class QToolBar;
class QToolButton;
class TovComboBox;
class TovNumEdit;
class TovStrEdit;
class TovStringGrid;

class TfrmXLSSetup : public TovForm {
  Q_OBJECT

 public:
  // One item grid with its row actions.
  struct TItemGrid {
    QGroupBox* Group = nullptr;
    TovStringGrid* Grid = nullptr;
    QAction* actAdd = nullptr;
    QAction* actDelete = nullptr;
    QAction* actUp = nullptr;
    QAction* actDown = nullptr;
  };

  explicit TfrmXLSSetup(QWidget* owner);

  QToolBar* tolMain = nullptr;
  QAction* actSave = nullptr;
  QAction* actAdd = nullptr;
  QAction* actDelete = nullptr;
  QAction* actRevert = nullptr;
  QAction* actExit = nullptr;
  QTabWidget* tabDefinition = nullptr;
  TovStrEdit* txtName = nullptr;
  TovStrEdit* txtXlsFile = nullptr;
  QToolButton* btnXlsFile = nullptr;
  TovNumEdit* txtBodyTop = nullptr;
  TovNumEdit* txtBodyCount = nullptr;
  TovComboBox* cmbType = nullptr;
  QGroupBox* grpOutput = nullptr;
  QButtonGroup* rdoOutput = nullptr;
  std::array<TItemGrid, kXlsGridCount> grids{};

  void ListDefinitions();
  void LoadDefinition();
  // False when the checks refused the definition (a message was shown).
  bool SaveDefinition();
  void cmbTypeChange();
  void btnXlsFileClick();
  void actSaveExecute();
  void actAddExecute();
  void actDeleteExecute();
  void actRevertExecute();
  void UpdateActions();
  // The layout under GUI\XLSSETUP.
  void ReadLayout();
  void WriteLayout();

  bool CloseQuery() override;

 private:
  void setupUi();
  TItemGrid MakeGrid(QWidget* parent, const char* caption, const char* name);
  void ConnectControls();
  void ConnectGrid(TItemGrid& grid, TXlsGrid which);
  void MarkChanged();
  void ClearGrid(TovStringGrid& grid);
  void FillGrid(TovStringGrid& grid, const std::vector<TXlsRow>& rows);
  std::vector<TXlsRow> RowsOf(const TovStringGrid& grid) const;
  TXlsFields Fields() const;
  int TypeIndex() const;
  void EnableOutput();
  void CellEdited(TovStringGrid& grid, int col, int row);
  void GridAdd(TItemGrid& grid);
  void GridDelete(TItemGrid& grid);
  void GridMove(TItemGrid& grid, int step);
  void UpdateGridActions(TItemGrid& grid);
  void tabDefinitionChange(int index);
  void ShowTabs(const std::vector<std::string>& names, int selected);

  std::vector<std::string> names_;
  int shown_ = -1;
  bool loading_ = false;
};

// Opens the editor over the main window and rebuilds the report menu when
// it ends, also by an error.
void ShowXLSSetup();
