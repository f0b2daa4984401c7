// frole: TfrmRole, the editor of one role: the users and PUBLIC it is
// granted to, and the object privileges it holds, which can be revoked
// here. A new role is created with its privileges and members; an existing
// one is granted to and revoked from the members whose tick changed. The
// rules are plain functions of objedit/core/frolecore.
#pragma once

#include "objedit/core/frolecore.h"
#include "objedit/objeditor.h"

class QMenu;
class QSplitter;
class TovListBox;

class TfrmRole : public TovObjectEditor {
  Q_OBJECT

 public:
  static const TEditorKind kKind;

  explicit TfrmRole(TovConnectionWindow& owner);

  QSplitter* pnlPanes = nullptr;
  TovListBox* chkUser = nullptr;
  TovListBox* lstObj = nullptr;
  QMenu* popObj = nullptr;
  QAction* popRevoke = nullptr;
  // The tick of every member as loaded, in the list's order.
  std::vector<bool> MemberChecks;
  // The database's code; read when the window is made.
  std::string DBCode;

  void LoadMembers();
  void LoadPrivileges();
  void BuildCreateDDL(std::vector<std::string>& list);
  void popRevokeClick();

 protected:
  bool LoadObject() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  void PrepareLoad() override;
  void FinishLoad() override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void setupUi();
  std::vector<TRoleMember> Members() const;
  // Ticks and locks the first item of that name.
  void LockMember(const std::string& name);

  std::vector<TRolePrivilege> privileges_;  // one per item of lstObj
  bool loading_ = false;
};

// Registers the role editor and its script writer (kind 68).
void RegisterRoleEditor();
