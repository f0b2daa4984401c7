// flock: TfrmLock, the lock monitor "ロック情報": the locks held on the
// server of one logon, one row per lock under the DSI it is on.
#pragma once

#include "admin/fadmin.h"

class QAction;
class TovListView;

class TfrmLock : public TfrmAdmin {
  Q_OBJECT

 public:
  // Opens the window of the connection, or brings its open one forward.
  static void Open(TovConnectionWindow& connection);

  TovListView* lstLock;
  QAction* btnRollback;
  QAction* btnExit;

  void Reload(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;

 private:
  explicit TfrmLock(TovConnectionWindow& connection);
  void setupUi();
  void ReloadRows();
};
