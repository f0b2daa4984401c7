// The table editor's compile: TfrmTable::Compile and its checks.
#include "objedit/ftablecompile.h"

#include <sstream>

#include "app/core/dsymfoware.h"
#include "app/core/fobjectcore.h"
#include "app/core/fobjectreport.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovddlhooks.h"
#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "app/ovforms.h"
#include "objedit/core/fddlexeccore.h"
#include "objedit/core/ftablecatalog.h"
#include "objedit/core/findexcore.h"
#include "objedit/ftable.h"
#include "objedit/rgrant.h"
#include "objedit/rstorage.h"
#include "platform/qstr.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"

namespace {

constexpr const char* kLineBreak = "\r\n";
constexpr const char* kSourceRowsQuestion =
    "ソース修正時には、既存のデータは別テーブルに退避され、再作成後のテーブルは空になります。\r\n処理を続行しますか？";
constexpr int kWarningFlags = MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2;
// The cell of grdDSIsub that names the first DSI's database space.
constexpr int kDsiSpaceCol = 2;
constexpr int kDsiSpaceRow = 1;

// Sets an option for the life of the scope.
template <class T>
class TOptionScope {
 public:
  TOptionScope(T& option, T value) : option_(option), saved_(option) { option_ = value; }
  ~TOptionScope() { option_ = saved_; }
  TOptionScope(const TOptionScope&) = delete;
  TOptionScope& operator=(const TOptionScope&) = delete;

 private:
  T& option_;
  T saved_;
};

}  // namespace

// ---- the table editor's compile ----

bool TfrmTable::CheckDefinition() {
  if (ActivePage() == TEditorPage::Define) {
    std::vector<TTableColumn> rows = Columns();
    std::array<std::string, kTableGridCols> cells;
    const int entry = grdColumn->RowCount() - 1;
    for (int col = 0; col < kTableGridCols; ++col) cells[static_cast<size_t>(col)] = grdColumn->Cells(col, entry);
    rows.push_back(ColumnOfCells(cells, 0, ""));
    if (const std::optional<TColumnProblem> problem = CheckTableColumns(rows)) {
      MsgBox(problem->Message, MB_ICONWARNING);
      grdColumn->setFocus();
      if (problem->Row >= 0) grdColumn->FocusCell(problem->Col, problem->Row + 1);
      return false;
    }
  }
  TovConnectionWindow& c = *ConnectionWindow;
  if (c.LevelReduced() || ActivePage() == TEditorPage::Grant || c.IsRemote() ||
      fraStorage->GetStorageKind() == kStorageTemporary)
    return true;
  if (fraStorage->GetStorageKind() == kStorageDefault) {
    if (fraStorage->cmbTBS->currentIndex() < 0 && fraStorage->cmbTBS->count() > 0)
      fraStorage->cmbTBS->setCurrentIndex(0);
    return true;
  }
  fraStorage->cmbTBSDropDown();
  const QString space = Q(fraStorage->grdDSIsub->Cells(kDsiSpaceCol, kDsiSpaceRow));
  const int found = fraStorage->cmbTBS->findText(space);
  if (found >= 0) {
    fraStorage->cmbTBS->setCurrentIndex(found);
    return true;
  }
  MsgBox(kSpaceMissing, MB_ICONWARNING);
  pagObject->setCurrentWidget(tabStorage);
  fraStorage->grdDSIsub->setFocus();
  fraStorage->grdDSIsub->FocusCell(kDsiSpaceCol, kDsiSpaceRow);
  return false;
}

void TfrmTable::Compile(QObject*) {
  FlushActiveControl();
  if (!CheckNames() || !CheckDefinition()) return;
  TovConnectionWindow& window = *ConnectionWindow;
  const TEditorPage page = ActivePage();
  const bool temporary = fraStorage->GetStorageKind() == kStorageTemporary;
  TTableCompile c;
  c.Schema = SchemaName();
  c.Name = ObjectName();
  c.Separator = AppOption.Separator;
  c.Remote = window.IsRemote();
  c.Rebuild = !IsNew && NeedsRebuild();
  c.KeepData = c.Rebuild && AppOption.BackupData && !temporary;
  if (c.Rebuild) {
    LoadConstraints();
    c.Grants = ReadTableGrants(window, c.Schema, c.Name);
    c.LoadedCreate = loadedCreate_;
    c.CopyDDL = CopyDDL;
  }
  if (page == TEditorPage::Grant)
    c.PageStatements = BuildStatements(page);
  else
    c.Statements = BuildStatements(page);
  if (c.Rebuild && !window.LevelReduced())
    for (const std::string& index : ReadTableIndexNames(window, c.Schema, c.Name))
      c.Indexes.push_back(ObjectDDLLines(window, kIndexKind, c.Schema, index));
  if (StatementsEmpty(TableCompileStatements(c))) {
    MsgBox(kNothingChanged, MB_ICONINFORMATION);
    SetIsNew(false);
    // The next load of the data page selects every column again.
    DisplayColumns.clear();
    LoadActivePage();
    return;
  }
  const bool rowsBack = c.KeepData && (page == TEditorPage::Define || page == TEditorPage::Storage);
  if (rowsBack) {
    std::vector<TEditedColumn> edited;
    bool read = false;
    for (const TTableColumn& column : Columns()) {
      edited.push_back({column.Name, column.ColumnCode});
      read = read || (!column.ColumnCode.empty() && !Trim(column.Name).empty());
    }
    c.Restore = RestoreStatement(c.Schema, c.Name, CopyTableName(c.CopyDDL),
                                 ReadStoredColumns(window, c.Schema, c.Name), edited, c.Separator);
    // Rows that would find no column: nothing runs rather than lose them.
    if (c.Restore.empty() && read) {
      MsgBox(kLoadFailed, MB_ICONERROR);
      return;
    }
  }
  if (c.KeepData && page == TEditorPage::Source && MsgBox(kSourceRowsQuestion, kWarningFlags) != IDYES) return;
  const std::optional<TTableCompileOutcome> run =
      RunTableRebuild(window, c, c.Rebuild && !c.KeepData && !temporary, !IsNew);
  if (!run) return;
  const TTableCompileOutcome outcome = *run;
  // A new table the first stage made exists, whatever came after it.
  const bool exists = !IsNew || !window.GetTableCode(window.Module().Connection.DataSource, c.Schema, c.Name).empty();
  // After a way back the table has new column codes: the window reads it
  // again. A failure that dropped nothing keeps the edits for another try.
  if (outcome == TTableCompileOutcome::Compiled || outcome == TTableCompileOutcome::WentBack ||
      (IsNew && exists)) {
    SetIsNew(false);
    DisplayColumns.clear();
    LoadActivePage();
  }
}
