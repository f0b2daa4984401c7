// ftrigger: TfrmTrigger, the editor of one trigger: its firing condition
// (table, timing, event, updated columns, correlation names, condition) and
// its triggered statements, from which the CREATE TRIGGER text is built. A
// compile drops an existing trigger first and runs the text directly; the
// rules are plain functions of objedit/core/ftriggercore.
#pragma once

#include "objedit/core/ftriggercore.h"
#include "objedit/objeditor.h"

class QGroupBox;
class QLabel;
class QToolButton;
class TfraCross;
class TfraGrant;
class TovCheckBox;
class TovRadioButton;

class TfrmTrigger : public TovObjectEditor {
  Q_OBJECT

 public:
  static const TEditorKind kKind;

  explicit TfrmTrigger(TovConnectionWindow& owner);

  QGroupBox* grpHead = nullptr;
  TovComboBox* cmbTableOwner = nullptr;
  TovComboBox* cmbTableName = nullptr;
  TovRadioButton* rdoBefore = nullptr;
  TovRadioButton* rdoAfter = nullptr;
  TovRadioButton* rdoInsert = nullptr;
  TovRadioButton* rdoDelete = nullptr;
  TovRadioButton* rdoUpdate = nullptr;
  QLabel* lblUpdCol = nullptr;
  TovStrEdit* txtUpdCol = nullptr;
  QToolButton* btnField = nullptr;
  TovStrEdit* txtOld = nullptr;
  TovStrEdit* txtNew = nullptr;
  TovCheckBox* chkRow = nullptr;
  QLabel* lblWhen = nullptr;
  TovStrEdit* txtWhen = nullptr;
  TovMemo* txtBody = nullptr;
  QWidget* tabGrant = nullptr;
  TfraGrant* fraGrant = nullptr;
  QWidget* tabCross = nullptr;
  TfraCross* fraCross = nullptr;

  // The CREATE TRIGGER text of the definition page.
  void BuildCreateDDL(std::vector<std::string>& lines);
  void TriggerTypeClick();
  void chkRowClick();
  void btnFieldClick();
  void Compile(QObject* sender) override;
  void CodeAssist(int x, int y) override;

 protected:
  bool LoadObject() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  void Opening(const TOpenArgs& args) override;
  void FinishLoad() override;

 private:
  void setupUi();
  TTriggerEvent Event() const;
};

// Registers the trigger editor and its script writer (kind 57).
void RegisterTriggerEditor();
