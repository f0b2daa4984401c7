// fdb: TfrmDB, the database information window "データベース情報": how the
// server of one logon is set up, from its RDB configuration and buffer
// files, its system parameters (catalogue or parameter file) and its log
// files (catalogue or the log report).
#pragma once

#include "admin/core/fdbcore.h"
#include "admin/fadmin.h"
#include "app/core/odsql.h"

class QAction;
class QHeaderView;
class QLabel;
class QStandardItemModel;
class QTabWidget;
class QToolButton;
class TovListView;
class TovStrEdit;
class TovStringGrid;
class TovTreeView;

class TfrmDB : public TfrmAdmin {
  Q_OBJECT

 public:
  // Opens the window of the connection, or brings its open one forward.
  static void Open(TovConnectionWindow& connection);

  QAction* actRefresh;
  QAction* actExit;
  QTabWidget* pagDB;
  QWidget* tabGeneral;
  QWidget* tabParam;
  QWidget* tabLogFile;
  TovStrEdit* txtRdbFile;
  QToolButton* btnRdbFile;
  QToolButton* btnRdbShow;
  TovStringGrid* grdBuffer;
  TovStringGrid* grdCore;
  TovStringGrid* grdMemory;
  TovStringGrid* grdIO;
  TovListView* lstParameter;
  QWidget* pnlFind;
  TovStrEdit* txtFind;
  QToolButton* btnFind;
  QWidget* pnlSettei;
  TovStrEdit* txtSysFile;
  QToolButton* btnSysFile;
  QToolButton* btnSysShow;
  QHeaderView* hedLogFile;
  TovTreeView* lstLogFile;
  TovSQLQuery qryParameter;
  TovSQLQuery qryLogFile;

  void Reload(QObject* sender) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  explicit TfrmDB(TovConnectionWindow& connection);
  void setupUi();
  QWidget* GeneralPage();
  QWidget* ParameterPage();
  QWidget* LogFilePage();
  void Bind(TovConnectionWindow& connection) override;
  void BrowseInto(TovStrEdit& edit);
  void ReloadGeneral();
  void ClearGeneralValues();
  void ReloadParameters();
  void ReloadLogFiles();
  void LogFilesFromCatalogue();
  void LogFilesFromReport();
  void CopyParameter();
  void FormResize();

  QStandardItemModel* logSections_;
};
