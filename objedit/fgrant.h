// fgrant: TfrmGrant, the grantee privilege editor: one grantee's privileges
// on every object selected in the connection window, granted and revoked in
// one run, and the list of every grant on those objects for single revokes.
// One window per connection; the rules are objedit/core/fgrantcore.
#pragma once

#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "app/ovforms.h"
#include "objedit/core/fgrantcore.h"

class QAction;
class QMenu;
class TovCheckListBox;
class TovListView;

class TfrmGrant : public TovForm {
  Q_OBJECT

 public:
  explicit TfrmGrant(TovConnectionWindow& owner);
  // Opens the window of the connection, or brings forward the one it has.
  static TfrmGrant* Open(TovConnectionWindow& owner);

  // One selected object: its quoted text and kind.
  struct TEntry {
    std::string Text;
    int Kind = 0;
  };
  std::vector<TEntry> Objects;

  TovListView* lstUser = nullptr;
  TovCheckListBox* chkGrant = nullptr;
  TovListView* lstGrant = nullptr;
  QAction* actExec = nullptr;
  QAction* actExit = nullptr;
  QMenu* mnuObject = nullptr;
  QMenu* popObj = nullptr;
  QAction* popRevoke = nullptr;
  TovSQLQuery qryGrantUser;
  TovSQLQuery qryGrantRole;
  TovSQLQuery qryGAll;

  // Activation: the selected objects read again, unexecuted changes dropped.
  void FormActivate();
  void CollectObjects();
  void LoadGrantees();
  void PrepareQueries();
  void Load();
  void lstUserClick();
  void lstUserDblClick();
  void Compile(QObject* sender) override;
  void popRevokeClick();
  void LoadWindowSize() override;
  void SaveWindowSize() override;

 private:
  void setupUi();
  int GranteeImage() const;
  std::string GranteeName() const;
};

// Registers the named handler that opens the window for a connection.
void RegisterGranteeEditor();
