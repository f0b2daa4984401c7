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
#include "app/ovforms.h"
#include "sqlwork/core/fsqlcore.h"
#include "ui/rdata.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;
class TfraExplan;
class TovComboBox;
class TovMemo;
class TovStrEdit;
class TovStringGrid;

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
  std::string FieldComment(int) const override { return {}; }
  // A page's spreadsheet output renews its result by running the window.
  void RenewResult() override { actExecExecute(nullptr); }

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void setupUi();
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
