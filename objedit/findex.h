// findex: TfrmIndex, the editor of one index: its table, its key columns in
// order and its storage. Below level 10, at a reduced level 10 and on a
// remote connection the index is made with CREATE INDEX; otherwise as a DSO
// with its DSIs, written by the storage frame. Either way it is dropped as
// a DSO. The rules are plain functions of objedit/core/findexcore.
#pragma once

#include "objedit/core/findexcore.h"
#include "objedit/objeditor.h"

class QLabel;
class QMenu;
class QToolButton;
class TfraStorage;
class TovListBox;

class TfrmIndex : public TovObjectEditor {
  Q_OBJECT

 public:
  static const TEditorKind kKind;
  // DEFAULT_INDEX_SIZE as last read with six values.
  static TDefIdxSize DefIdxSize;

  explicit TfrmIndex(TovConnectionWindow& owner);

  std::string KeyListText;
  std::string TableType;

  TovComboBox* cmbDatabase = nullptr;
  QLabel* lblTableName = nullptr;
  TovComboBox* cmbTableOwner = nullptr;
  TovComboBox* cmbTableName = nullptr;
  TovListBox* lstIdxCol = nullptr;
  TovListBox* lstTabCol = nullptr;
  QToolButton* btnIns = nullptr;
  QToolButton* btnDel = nullptr;
  QWidget* tabStorage = nullptr;
  TfraStorage* fraStorage = nullptr;
  QAction* actOutput = nullptr;
  QAction* actPrint = nullptr;
  QAction* actSave = nullptr;
  QMenu* popOutput = nullptr;

  void BuildCreateDDL(std::vector<std::string>& list);
  void BuildDropDDL(std::vector<std::string>& list);
  bool NeedsDrop();
  void GetDefIdxSize();
  void initIdxStrage();
  void LoadTableColumns();
  void ChangedIsNew() override;

 protected:
  bool LoadObject() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  bool CheckDefinition() override;
  void Opening(const TOpenArgs& args) override;
  void PrepareLoad() override;
  void FinishLoad() override;
  bool Compiled() override;
  bool ReloadsWhenNothingChanged() const override;
  void RunDelete(bool cascade) override;
  void ActionsUpdated() override;

 private:
  void setupUi();
  // Each key list half the definition page's width less the margin.
  void tabDefineResize();
  bool CreateIndexForm() const;
  bool CompileCloses() const;
  std::vector<std::string> KeyColumns() const;
  std::string FirstSpace();
  void AddKeyColumns();
  void RemoveKeyColumns();
  void TableOwnerLeft();
  void TableNameLeft();
  void actPrintExecute();
  void actSaveExecute();

  std::string columnsSchemaCode_;
};

// Registers the index editor and its script writer (kind 46).
void RegisterIndexEditor();
