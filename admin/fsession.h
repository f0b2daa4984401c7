// fsession: TfrmSession, the session monitor "セッション情報": the sessions
// connected to the server of one logon, from the process-list report or
// the connection view, and the command that ends one of them.
#pragma once

#include "admin/core/fsessioncore.h"
#include "admin/fadmin.h"
#include "app/core/odsql.h"

class QAction;
class QSplitter;
class TovListView;

class TfrmSession : public TfrmAdmin {
  Q_OBJECT

 public:
  // Opens the window of the connection, or brings its open one forward.
  static void Open(TovConnectionWindow& connection);

  TovListView* lstSession;
  QSplitter* spl1;
  QAction* actKill;
  QAction* actRefresh;
  QAction* actExit;
  TovSQLQuery qrySession;

  void Reload(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void actKillExecute();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit TfrmSession(TovConnectionWindow& connection);
  void setupUi();
  void Bind(TovConnectionWindow& connection) override;
  void ReloadRows();
  std::vector<TSessionRow> CatalogueRows();
  void UpdateActions();
};
