// fview: TfrmView, the editor of one view: its columns with types and
// comments, its comment and check option, its CREATE VIEW text, its rows
// with conditions, the access plan of that query, its privileges and
// cross references; compiled by DROP and CREATE in one transaction. Also
// the view's script writer and its spreadsheet reports (the rules:
// objedit/core/fviewcore, fviewcatalog and fviewreportcore).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "objedit/core/fviewcore.h"
#include "objedit/core/fviewreportcore.h"
#include "objedit/objeditor.h"
#include "ui/rdata.h"

class TovCheckBox;
class QLabel;
class QMenu;
class QSplitter;
class TfraCross;
class TfraExplan;
class TfraGrant;
class TfraWhere;
class TovStringGrid;
class TovWorksheet;

class TfrmView : public TovObjectEditor, public TDataOwner {
  Q_OBJECT

 public:
  static const TEditorKind kKind;
  explicit TfrmView(TovConnectionWindow& owner);

  // The script writer of kind 47: the short CREATE VIEW, under the target
  // names when both are given.
  static void CreateScript(TovConnectionWindow& owner, const TScriptArgs& args, std::ostream& stream);
  // The invisible report writers: a workbook named after the view in
  // `folder` (the stored ExcelExt, made unique), or the given sheet.
  static void CreateReportFile(TovConnectionWindow& owner, const std::string& schema, const std::string& view,
                               const std::string& definition, const std::string& folder);
  static void CreateReportSheet(TovConnectionWindow& owner, const std::string& schema, const std::string& view,
                                const std::string& definition, TovWorksheet& sheet);

  // ---- the definition page ----
  QLabel* Label1 = nullptr;
  TovStrEdit* txtComment = nullptr;
  TovCheckBox* chkCheckOption = nullptr;
  TovStringGrid* grdColumn = nullptr;
  // ---- the data and access-plan pages ----
  QWidget* tabData = nullptr;
  QSplitter* splData = nullptr;
  TfraWhere* pnlWhere = nullptr;
  TfraData* fraData = nullptr;
  QWidget* tabExplan = nullptr;
  QSplitter* splExplan = nullptr;
  TfraExplan* fraExplan = nullptr;
  QWidget* tabGrant = nullptr;
  TfraGrant* fraGrant = nullptr;
  QWidget* tabCross = nullptr;
  TfraCross* fraCross = nullptr;
  // ---- actions ----
  QAction* actDataGenerate = nullptr;
  QAction* actOutput = nullptr;
  QAction* actPrint = nullptr;
  QAction* actSave = nullptr;
  QMenu* popOutput = nullptr;

  std::vector<std::string> DisplayColumns;
  std::string TargetSchema;
  std::string TargetName;

  // The definition grid's rows.
  std::vector<TTableColumn> Columns() const;
  // The CREATE VIEW statement and a separator line; EAbort when the
  // catalogue lost the query (after the message, except in a script).
  void BuildCreateDDL(std::vector<std::string>& lines);

  // ---- handlers ----
  // Leaving the schema box (`schemaBox`) or the name box of a new view.
  void txtNameExit(bool schemaBox);
  void grdColumnEditButtonClick();
  void FormResize();
  void actPrintExecute();
  void actSaveExecute();
  void BuildReportMenu();
  void ReportMenuClick(QAction* item);
  void WriteReportFile(const std::string& definition, const std::string& fileName);
  void WriteReportSheet(const std::string& definition, TovWorksheet& sheet);

  // ---- TDataOwner ----
  TKind OwnerKind() const override { return TKind::ViewEditor; }
  std::string RecordLimitText() const override;
  std::string FieldComment(const std::string& field) const override;
  void RenewResult() override;

  void ChangedIsNew() override;

 protected:
  bool LoadObject() override;
  void FinishLoad() override;
  void Loaded() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  TCompileVariant Variant() const override { return TCompileVariant::Transactional; }
  void CompileCleanUp() override;
  void Opening(const TOpenArgs& args) override;
  void ActionsUpdated() override;
  void RunDelete(bool cascade) override;
  bool PageShownWhileNew(TEditorPage page) const override { return page == TEditorPage::Source; }
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setupUi();
  void setupGrid();
  void setupPages();
  void setupOutput();
  void SetRow(int row, const TTableColumn& column);
  // Moves the condition panel onto the data or the access-plan page.
  void PlaceWherePanel(QSplitter& page);
  TViewReportData ReportData();

  std::vector<QAction*> reportItems_;
  // The value a name box had when it was entered.
  std::string enteredSchema_;
  std::string enteredName_;
  bool filling_ = false;
};

// Registers the view editor, its script writer and its reports (kind 47).
void RegisterViewEditor();
