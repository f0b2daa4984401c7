// fseq: TfrmSeq, the editor of one sequence: its definition, its current
// value and a step forward by NEXTVAL. A changed sequence is dropped and
// created again. The texts are plain functions of objedit/core/fseqcore.
#pragma once

#include <optional>

#include "objedit/core/fseqcore.h"
#include "objedit/objeditor.h"

class QLabel;
class QPushButton;
class TfraGrant;
class TovCheckBox;
class TovNumEdit;

class TfrmSeq : public TovObjectEditor {
  Q_OBJECT

 public:
  static const TEditorKind kKind;

  explicit TfrmSeq(TovConnectionWindow& owner);

  QLabel* lblLastNo = nullptr;
  TovNumEdit* txtLastNo = nullptr;
  TovNumEdit* txtMin = nullptr;
  TovNumEdit* txtMax = nullptr;
  TovNumEdit* txtInc = nullptr;
  TovCheckBox* chkCycle = nullptr;
  TovCheckBox* chkOrder = nullptr;
  TovNumEdit* txtCacheAlloc = nullptr;
  TovNumEdit* txtCacheRetent = nullptr;
  QLabel* lblCurrent = nullptr;
  QLabel* pnlCurrent = nullptr;
  QPushButton* btnInc = nullptr;
  QAction* actInc = nullptr;
  QWidget* tabGrant = nullptr;
  TfraGrant* fraGrant = nullptr;

  // The CREATE SEQUENCE lines of the controls and a separator line.
  void BuildCreateDDL(std::vector<std::string>& list);
  void BuildDropDDL(std::vector<std::string>& list);
  void actIncExecute();
  void ChangedIsNew() override;

 protected:
  bool LoadObject() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  void FinishLoad() override;
  void ActionsUpdated() override;

 private:
  void setupUi();
  TSequenceDef Definition() const;
  void LoadCurrentValue();

  std::string loadedStart_;
  std::optional<std::string> current_;
};

// Registers the sequence editor and its script writer (kind 58).
void RegisterSequenceEditor();
