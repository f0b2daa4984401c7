// fuser: TfrmUser, the editor of one database user: its authentication and
// password, the account lock, the resource and password parameters, the
// roles granted to it and the object privileges it holds, which can be
// revoked here. A changed parameter makes the user again, keeping its lock
// and privileges; other changes alter it. The rules are admin/core/fusercore.
#pragma once

#include "admin/core/fusercore.h"
#include "objedit/objeditor.h"

class QMenu;
class QSplitter;
class TovCheckBox;
class TovListBox;
class TovRadioButton;
class TovStringGrid;

class TfrmUser : public TovObjectEditor {
  Q_OBJECT

 public:
  static const TEditorKind kKind;

  explicit TfrmUser(TovConnectionWindow& owner);

  TovRadioButton* rdoPassYes = nullptr;
  TovRadioButton* rdoExternally = nullptr;
  TovStrEdit* txtPassword1 = nullptr;
  TovStrEdit* txtPassword2 = nullptr;
  TovCheckBox* chkLock = nullptr;
  TovStringGrid* grdUserOpt = nullptr;
  QSplitter* pnlPanes = nullptr;
  TovListBox* chkRole = nullptr;
  TovListBox* lstObj = nullptr;
  QMenu* popObj = nullptr;
  QAction* popRevoke = nullptr;
  // The check of every role as loaded, in the list's order.
  std::vector<bool> RoleChecks;

  void LoadPrivileges();
  void popRevokeClick();
  // The user as the controls hold it.
  TUserDefinition Definition() const;
  bool NeedsDrop() const;

 protected:
  bool LoadObject() override;
  std::vector<std::string> SourceLines() override;
  std::vector<std::string> BuildStatements(TEditorPage page) override;
  bool CheckDefinition() override;
  void PrepareLoad() override;
  void FinishLoad() override;
  void RunDelete(bool cascade) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void setupUi();
  void AuthChosen();
  TUserChanges Changes() const;
  // Focuses the control and shows the warning.
  bool Refuse(const char* message, QWidget* focus);

  std::vector<TUserPrivilege> privileges_;  // one per item of lstObj
  bool loading_ = false;
};

// Registers the user editor and its script writer (kinds 2 and 3).
void RegisterUserEditor();
