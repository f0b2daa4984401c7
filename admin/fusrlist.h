// fusrlist: TfrmUserList, "ユーザー情報": the users, roles and schemas of
// one logon's database on three pages, from which their editors open, their
// scripts are written and they are dropped. The rules are
// admin/core/fusrlistcore.
#pragma once

#include "admin/core/fusrlistcore.h"
#include "admin/fadmin.h"

class QAction;
class QMenu;
class QTabBar;
class TovListView;

class TfrmUserList : public TfrmAdmin {
  Q_OBJECT

 public:
  // Opens the window of the connection, or brings its open one forward.
  static void Open(TovConnectionWindow& connection);

  QTabBar* pagUsrList;
  TovListView* lstObject;
  QMenu* mnuObject;
  QAction* actNew;
  QAction* actOpen;
  QAction* actScript;
  QAction* actDelete;
  QAction* actRefresh;
  QAction* actExit;
  // The DB_CODE of the bound connection's database; the schema page lists
  // its schemas.
  std::string DBCode;

  // The image of the active page.
  int PageImage() const;
  // A row's image.
  static int RowImage(const QTreeWidgetItem& row);

  void Reload(QObject* sender) override;
  void DBChange(QObject* sender) override;
  void LoadWindowSize() override;
  void SaveWindowSize() override;
  void actNewExecute();
  void actOpenExecute();
  void actScriptExecute();
  void actDeleteExecute();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit TfrmUserList(TovConnectionWindow& connection);
  void setupUi();
  void Bind(TovConnectionWindow& connection) override;
  void UpdateActions();
  // The editor of the page's kind for the name (empty: a new one).
  void OpenEditor(const std::string& name, uint8_t mode);
  void WriteScripts(const std::string& target);
};
