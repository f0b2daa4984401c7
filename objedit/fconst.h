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
  // it); none after the message that says why nothing can be built. The
  // script as read is kept for the rebuild's way back.
  std::optional<std::vector<std::string>> ChangedTableScript();
  // The rebuild of the table through the table compile.
  void Compile(QObject* sender) override;
  // Runs the compile in DeleteMode; the window closes once the constraint
  // is gone.
  void actDeleteExecute();

 protected:
  void Opening(const TOpenArgs& args) override;
  // The lists are filled for a new constraint too.
  void PrepareLoad() override;
  bool LoadObject() override { return true; }
  std::vector<std::string> SourceLines() override { return {}; }
  std::vector<std::string> BuildStatements(TEditorPage) override { return {}; }

 private:
  void setupUi();
  void Move(bool toConstraint, bool all);
  std::vector<std::string> TableCodes();
  // The rebuild; true when every statement ran.
  bool RebuildTable();
  std::vector<std::string> tableScript_;
};

// Registers the constraint editor (kind 66); it writes no scripts.
void RegisterConstraintEditor();
