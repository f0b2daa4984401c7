// fconst: TfrmConst, the editor of one UNIQUE constraint of a table: the
// constraint's columns and the table's in two lists. A change is applied by
// rebuilding the table from its script with the constraint line replaced,
// added or removed (the line rules: objedit/core/fconstcore).
#pragma once

#include "objedit/core/fconstcore.h"
#include "objedit/objeditor.h"

class QListWidget;
class QTabWidget;

class TfrmConst : public TovObjectEditor {
  Q_OBJECT

 public:
  static const TEditorKind kKind;
  explicit TfrmConst(TovConnectionWindow& owner);

  std::string TableName;
  bool DeleteMode = false;

  QWidget* pnlObj = nullptr;
  TovComboBox* cmbTableName = nullptr;
  QTabWidget* pagType = nullptr;
  QWidget* tabPrimary = nullptr;
  QListWidget* lstIdxCol = nullptr;
  QListWidget* lstTabCol = nullptr;
  QAction* btnInsAll = nullptr;
  QAction* btnIns = nullptr;
  QAction* btnDel = nullptr;
  QAction* btnDelAll = nullptr;

  void btnInsClick();
  void btnInsAllClick();
  void btnDelClick();
  void btnDelAllClick();
  // The constraint's columns as the list holds them.
  std::vector<std::string> ConstraintColumns() const;
  // The checks of a compile, each with its message; false stops it.
  bool CheckConstraint();
  // The table's script with the constraint line changed (DeleteMode removes
  // it); none after the message that says why nothing can be built.
  std::optional<std::vector<std::string>> ChangedTableScript();

 protected:
  void Opening(const TOpenArgs& args) override;
  // The lists are filled for a new constraint too.
  void PrepareLoad() override;
  bool LoadObject() override { return true; }
  std::vector<std::string> SourceLines() override { return {}; }
  std::vector<std::string> BuildStatements(TEditorPage) override { return {}; }
  void ActionsUpdated() override;

 private:
  void setupUi();
  void Move(bool toConstraint, bool all);
  std::vector<std::string> TableCodes();
};

// Registers the constraint editor (kind 66); it writes no scripts.
void RegisterConstraintEditor();
