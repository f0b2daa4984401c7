// fexecscr: TfrmExecScript, the script-file runner: files collected from
// the file system into an ordered list and run one after another on a
// chosen connection, with a log of every statement's outcome (fexecscrcore
// does the run).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "app/core/ovrunner.h"
#include "app/ovforms.h"
#include "sqlwork/core/fexecscrcore.h"

class QAction;
class QComboBox;
class QFileSystemModel;
class QLabel;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeView;
class TovComboBox;
class TovListBox;
class TovMemo;
class TovStrEdit;

class TfrmExecScript : public TovForm, private TScriptRunPort {
  Q_OBJECT

 public:
  // A window for the connection window; shown at once.
  explicit TfrmExecScript(TovConnectionWindow& connection);

  QMenu* mnuMain;
  QToolBar* tolCmd;
  QAction* actExec;
  QAction* actSelect;
  QAction* actUp;
  QAction* actDown;
  QAction* actDelete;
  QAction* actExit;
  QLabel* pnlName;
  TovComboBox* cmbDBName;
  QLabel* lblSeparator;
  TovStrEdit* txtSeparator;
  QSplitter* splHeader;
  QSplitter* splList;
  TovListBox* lstScript;
  QToolButton* btnSelect;
  QWidget* pnlFile;
  QLabel* lblFolder;
  QComboBox* cmbFolder;
  QTreeView* lstFile;
  QFileSystemModel* fileModel;
  TovMemo* txtLog;
  TovSQLQuery qryExec;

  // The script list: paths in run order with their ran-cleanly flags.
  std::vector<TScriptEntry> Scripts() const;

  void actExecExecute();
  void actSelectExecute();
  void actUpExecute();
  void actDownExecute();
  void actDeleteExecute();
  void cmbDBNameChange();
  // The folder whose files lstFile shows; one that does not exist is passed
  // over.
  void SetFolder(const std::string& folder);
  std::string Folder() const;
  // Files dropped on the window from the desktop.
  void WMDropFiles(std::vector<std::string> fileNames);
  // Opens the selected entries with the desktop's handler.
  void lstScriptOpen();
  // Sorts the file list by the column, each column turning its direction
  // after every sort by it.
  void lstFileColumnClick(int column);

  // ---- TovForm ----
  void DBChange(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void setupUi();
  void UpdateActions();
  void AddScripts(std::vector<std::string> paths);
  void ShowScripts(const std::vector<TScriptEntry>& entries);
  // The script list's horizontal scroll range after its entries changed.
  void UpdateScrollRange();
  // Moves the one selected entry by `step` rows.
  void MoveEntry(int step);
  template <class F>
  void Guarded(F handler);

  // ---- TScriptRunPort ----
  std::vector<std::string> ReadScript(const std::string& path) override;
  void ExecStatement(const std::string& text) override;
  void ClearLog() override;
  void Log(const std::vector<std::string>& lines, bool errorMark) override;
  bool EscapePressed() override;
  void Progress(int file, int files) override;
  void ReportError(const std::string& message) override;

  // The wait cursor of a run, from its start after the question.
  std::optional<TSqlWaitCursor> waitCursor_;
};

// Opens the runner for the connection window.
void ShowExecScript(TovConnectionWindow& connection);
