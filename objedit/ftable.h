// ftable: TfrmTable, the editor of one table: its columns in an editable
// grid that always ends with an empty entry row, its unique constraints,
// indexes and triggers in a tree, its storage, privileges and cross
// references, and its CREATE, ALTER and DROP texts (the rules themselves:
// objedit/core/ftablecore).
#pragma once

#include <ostream>

#include "objedit/core/ftabledatacore.h"
#include "objedit/core/ftablecore.h"
#include "objedit/core/ftablereportcore.h"
#include "objedit/objeditor.h"
#include "ui/rdata.h"

class QHeaderView;
class QMenu;
class QSplitter;
class QToolBar;
class TfraCross;
class TfraGrant;
class TfraStorage;
class TfraWhere;
class TovStringGrid;
class TovTreeView;
class TovTreeNode;
class TovWorksheet;

class TfrmTable : public TovObjectEditor, public TDataOwner {
  Q_OBJECT

 public:
  static const TEditorKind kKind;
  explicit TfrmTable(TovConnectionWindow& owner);

  // The script writer of kind 45: the CREATE text, under the target names
  // when both are given.
  static void CreateScript(TovConnectionWindow& owner, const TScriptArgs& args, std::ostream& stream);
  // The invisible report writers: a workbook named after the table in
  // `folder`, or the given sheet.
  static void CreateReportFile(TovConnectionWindow& owner, const std::string& definition, const std::string& schema,
                               const std::string& table, const std::string& folder);
  static void CreateReportSheet(TovConnectionWindow& owner, const std::string& definition, const std::string& schema,
                                const std::string& table, TovWorksheet& sheet);

  TovStrEdit* txtComment = nullptr;
  QToolBar* ToolBar1 = nullptr;
  QAction* btnColInsert = nullptr;
  QAction* btnColDelete = nullptr;
  QAction* actColUp = nullptr;
  QAction* actColDown = nullptr;
  TovStringGrid* grdColumn = nullptr;
  QSplitter* spl1 = nullptr;
  QWidget* pnlConst = nullptr;
  QHeaderView* hedConst = nullptr;
  TovTreeView* lstConst = nullptr;
  QMenu* popConst = nullptr;
  QAction* mnuConstOpen = nullptr;
  QAction* mnuConstDelete = nullptr;
  QAction* mnuConstNew = nullptr;
  QWidget* tabStorage = nullptr;
  TfraStorage* fraStorage = nullptr;
  QWidget* tabGrant = nullptr;
  TfraGrant* fraGrant = nullptr;
  QWidget* tabCross = nullptr;
  TfraCross* fraCross = nullptr;
  // ---- the data page ----
  QWidget* tabData = nullptr;
  QSplitter* splWhere = nullptr;
  TfraWhere* pnlWhere = nullptr;
  QAction* actDataGenerate = nullptr;
  TfraData* fraData = nullptr;
  // ---- the output menu ----
  QAction* actOutput = nullptr;
  QAction* actPrint = nullptr;
  QAction* actSave = nullptr;
  QMenu* popOutput = nullptr;

  std::vector<std::string> DisplayColumns;
  std::vector<std::string> KeyColumns;
  std::vector<std::string> TypeNames;
  std::vector<std::string> CopyDDL;
  std::string TargetSchema;
  std::string TargetName;

  // The table as the window holds it now, and its rows as last loaded.
  TTableDefinition Definition() const;
  std::vector<TTableColumn> Columns() const;
  const std::vector<TTableColumn>& LoadedColumns() const { return loadedColumns_; }

  void BuildCreateDDL(std::vector<std::string>& list);
  void BuildAlterDDL(std::vector<std::string>& list);
  void BuildDropDDL(std::vector<std::string>& list, bool cascade);
  bool NeedsRebuild();
  void changeObjectname(std::vector<std::string>& lines);
  // DefaultAutoQuote on every default cell.
  void QuoteDefaults();
  void LoadConstraints();

  // ---- the column grid's handlers ----
  bool grdColumnSelectCell(int col, int row);
  void btnColInsertClick();
  void btnColDeleteClick();
  void actColUpExecute();
  void actColDownExecute();
  void grdColumnEditButtonClick();
  // Column 6 takes the width the other columns leave.
  void FormResize();
  // ---- the tree's ----
  void popConstPopup();
  void mnuConstOpenClick();
  void mnuConstDeleteClick();
  void mnuConstNewClick();

  // ---- output ----
  void actPrintExecute();
  void actSaveExecute();
  void BuildReportMenu();
  void ReportMenuClick(QAction* item);
  void WriteReportFile(const std::string& definition, const std::string& fileName);
  void WriteReportSheet(const std::string& definition, TovWorksheet& sheet);
  // The table's script with the rows and indexes the options ask for.
  void WriteTableScript(const TScriptArgs& args, std::ostream& stream);

  // ---- TDataOwner ----
  TKind OwnerKind() const override { return TKind::TableEditor; }
  std::string RecordLimitText() const override;
  std::string FieldComment(const std::string& field) const override;
  void RenewResult() override;

  void ChangedIsNew() override;
  // Alters the table, or re-creates it keeping its rows, indexes, grants
  // and dependents (objedit/core/ftablecompile); in ftablecompile.cpp.
  void Compile(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;

 protected:
  bool LoadObject() override;
  // The column, name and database space checks of a compile.
  bool CheckDefinition() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  void PrepareLoad() override;
  void FinishLoad() override;
  void ActionsUpdated() override;
  void Opening(const TOpenArgs& args) override;
  void Loaded() override;
  TCascadeOffer CascadeOffer() const override { return TCascadeOffer::Clear; }
  void RunDelete(bool cascade) override;

 private:
  void setupUi();
  void setupGrid();
  void setupTree();
  void setupDataPage();
  void setupOutput();
  // The grid rows of the where grid after a load; KeyColumns.
  void LoadDataConditions();
  void LoadKeyColumns();
  void WriteRows(const TScriptArgs& args, std::ostream& stream);
  void WriteIndexes(std::ostream& stream);
  TTableReportData ReportData();
  // The three codes of the table; false when one is missing.
  bool TableCodes(std::vector<std::string>& codes);
  void SetRow(int row, const TTableColumn& column);
  void ClearRow(int row);
  void CellEdited(int col, int row);
  TovTreeNode* SelectedChild() const;
  int NodeImage(const TovTreeNode& node) const;
  // Runs `body` with the target names in the name boxes.
  void WithTargetNames(const std::function<void()>& body);

  std::vector<TTableColumn> loadedColumns_;
  // The CREATE text and storage of the table as last loaded: what a failed
  // re-creation builds again.
  std::vector<std::string> loadedCreate_;
  std::vector<QAction*> reportItems_;
  std::string loadedComment_;
  bool filling_ = false;
  bool lowerNames_ = false;
};

// Registers the table editor and its script writer (kind 45).
void RegisterTableEditor();
