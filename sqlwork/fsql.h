// fsql: TfrmSQL, the ad-hoc SQL window of one connection: the editor, the
// bind-variable grid and the result pages, the run of the editor text
// (fsqlcore does the statement loop), script files, history browsing,
// connection switching and code assist.
#pragma once

#include <QPointer>

#include <optional>
#include <string>
#include <vector>

#include "app/core/fobjectcore.h"
#include "app/core/odsql.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "sqlwork/core/fsqlcore.h"
#include "ui/rdata.h"

class QAction;
class QLabel;
class QMenu;
class QMimeData;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class TfraExplan;
class TovComboBox;
class TovMemo;
class TovStrEdit;
class TovStringGrid;
class TovSQLBuildConnect;
class TovSQLDesignerView;

class TfrmSQL : public TovForm, public TDataOwner, private TSQLWindowPort, private TPlanFramePort {
  Q_OBJECT

 public:
  // A window for the connection window; shown at once.
  explicit TfrmSQL(TovConnectionWindow& connection);

  QMenu* mnuMain;
  QToolBar* tolCmd;
  QAction* actExec;
  QAction* actPrev;
  QAction* actNext;
  QAction* actLog;
  QAction* actOpen;
  QAction* actSave;
  QAction* actExit;
  QLabel* pnlName;
  TovComboBox* cmbDBName;
  QLabel* lblSeparater;
  TovStrEdit* txtSeparater;
  QWidget* pnlSQL;
  QSplitter* splParam;
  TovMemo* txtSQL;
  TovStringGrid* grdParam;
  QSplitter* splSQL;
  QTabWidget* pagData;
  QWidget* tabData;
  TfraData* fraData;
  // Plan mode while down: the plan page in place of the results.
  QToolButton* btnExplan;
  QTabWidget* pagExplan;
  QWidget* tabExplan;
  TfraExplan* fraExplan;
  TovSQLQuery qrySQL;

  // ---- the SQL builder pane ----
  QToolButton* btnShowDesign;
  QSplitter* splBuild;
  QWidget* pnlBuild;
  QSplitter* splDesign;
  QWidget* pnlDesign;
  QToolBar* tolDesign;
  TovSQLDesignerView* SQLDesign;
  QAction* actInsTable;
  QAction* actDelTable;
  QMenu* popSQLDesign;
  QToolButton* btnSQLType;
  QMenu* popSQLType;
  QAction* mnuSQLSelect;
  QAction* mnuSQLInsert;
  QAction* mnuSQLUpdate;
  QAction* mnuSQLDelete;
  QAction* mnuSQLCreate;
  QWidget* pnlColumn;
  QToolBar* tolColumn;
  QAction* btnInsColumn;
  QAction* btnDelColumn;
  QAction* btnUpColumn;
  QAction* btnDownColumn;
  TovStringGrid* grdColumn;

  // The frames the last run made besides fraData, one per result page
  // after the first and at most one spare; the window's children, freed at
  // the next run or with it.
  std::vector<QPointer<TfraData>> ResultFrames;
  // The history entry shown in the editor; -1 for none.
  int LogIndex = -1;
  TSQLRunner Runner{*this};

  void actExecExecute(QObject* sender);
  void actExecUpdate();
  void actPrevExecute();
  void actNextExecute();
  void actLogExecute();
  void actOpenExecute();
  void actSaveExecute();
  void actSaveUpdate();
  void cmbDBNameSelect();
  void btnExplanClick();
  void btnShowDesignClick();
  void actInsTableExecute();
  void actInsTableUpdate();
  void actDelTableExecute();
  void actDelTableUpdate();
  void SQLDesignConnectDblClick(TovSQLBuildConnect& join);
  bool SQLDesignDragOver(const QMimeData& data) const;
  void SQLDesignDragDrop(const QMimeData& data);
  // The kind menu's choice (1 SELECT .. 5 CREATE VIEW).
  void mnuSQLTypeClick(int kind);
  void btnInsColumnClick();
  void btnDelColumnClick();
  void btnUpColumnClick();
  void btnDownColumnClick();
  // Files dropped on the window from the desktop.
  void WMDropFiles(const std::vector<std::string>& fileNames);

  // ---- TovForm ----
  bool CloseQuery() override;
  void DBChange(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void CodeAssist(int x, int y) override;

  // ---- TDataOwner ----
  TKind OwnerKind() const override { return TKind::SqlWindow; }
  std::string RecordLimitText() const override { return {}; }
  std::string FieldComment(const std::string&) const override { return {}; }
  // A page's spreadsheet output renews its result by running the window.
  void RenewResult() override { actExecExecute(nullptr); }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void setupUi();
  // The builder pane over the editor; splBuild, which holds both.
  QSplitter* setupBuilder(QWidget* editorPane);
  // The builder reads the editor text again when its pane shows.
  void RebuildDesign();
  // The heights of the editor panel, the builder pane and the canvas.
  void SetBuildHeights(int sqlHeight, int buildHeight, int designHeight);
  int RoomHeight() const;
  // The pane's shown state and heights from GUI\EXECSQL (its key open),
  // below an editor panel `sqlHeight` high; and back.
  void LoadBuildSize(int sqlHeight);
  void SaveBuildSize();
  std::vector<std::string> EditorLines() const;
  // History entry `index` into the editor, unmodified.
  void LoadLogEntry(int index);
  // Empties the editor and appends the files' lines, sorted by name; a file
  // that cannot be read ends it with the files before it in place.
  void LoadFiles(std::vector<std::string> fileNames);
  void FillConnections();
  TovSQLConnection* Connection() const;
  // Runs a handler, showing what it raises in the error box.
  template <class F>
  void Guarded(F handler);

  // ---- TSQLWindowPort ----
  TTransactionPort& Transactions() override;
  void DiscardResults() override;
  std::vector<std::string> PrepareStatement(int index, bool ownFrame, const std::string& text,
                                            bool paramCheck) override;
  void BindValues(const std::vector<std::string>& values) override;
  void OpenResult(const std::string& text) override;
  void AddResultPage(const std::string& caption) override;
  int ExecStatement() override;
  void FinishStatement() override;
  void ShowErrorPosition(int firstLine, int lastLine, const std::string& message) override;
  void SetStatusText(const std::string& text) override;
  TParamGrid ParamGrid() const override;
  void ShowParamGrid(const TParamGrid& grid) override;
  int LastLineIndex() const override;

  // ---- TPlanFramePort ----
  std::vector<std::string> SetPlanSQL(const std::string& text) override;
  void ExecutePlan() override;

  TfraData* current_ = nullptr;
  // The made frame no result has taken yet.
  TfraData* spare_ = nullptr;
  // The editor row of the run's first line (a selection may start lower).
  int runFirstRow_ = 0;
  std::optional<TConnectionTransactions> transactions_;
};

template <class F>
void TfrmSQL::Guarded(F handler) {
  try {
    handler();
  } catch (const EAbort&) {
  } catch (const std::exception& e) {
    MsgBox(e.what(), MB_ICONERROR);
  }
}
