// The user editor on the stand-in sample: what it loads, the statements of
// its compiles, its revoke and delete, and the logons they allow.
#include <QAbstractButton>
#include <QListWidget>

#include <sstream>

#include "admin/fuser.h"
#include "app/core/ovkinds.h"
#include "app/fobjddl.h"
#include "tests/admin/admin_fixture.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"

namespace testing_admin {
namespace {

class UserEditorTest : public AdminProgram {
 protected:
  UserEditorTest() {
    connection = Logon();
    AppOption.Separator = ";";
  }
  TfrmUser* Open(const std::string& name) {
    OpenObject(*connection, okUser2, "", name, 0, 0, 0);
    const std::vector<TfrmUser*> editors = Windows<TfrmUser>();
    return editors.empty() ? nullptr : editors.back();
  }
  static Lines Roles(const TfrmUser& editor) {
    Lines roles;
    for (int i = 0; i < editor.chkRole->count(); ++i) {
      const QListWidgetItem* item = editor.chkRole->item(i);
      roles.push_back(item->text().toStdString() + (item->checkState() == Qt::Checked ? " checked" : "") +
                      ((item->flags() & Qt::ItemIsEnabled) ? "" : " locked"));
    }
    return roles;
  }
  static QListWidgetItem* Role(TfrmUser& editor, const char* name) {
    const QList<QListWidgetItem*> found = editor.chkRole->findItems(name, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
  }
  static void Type(QLineEdit& edit, const std::string& text) {
    edit.setText(QString::fromStdString(text));
    emit edit.textEdited(edit.text());
  }
  static std::string LogonError(const std::string& user, const std::string& password) {
    try {
      symfoware::OpenStandinSession(testing_tools::kSampleDataSource, user, password);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "";
  }

  TfrmObject* connection = nullptr;
};

TEST_F(UserEditorTest, AnExistingUserIsLoadedWithItsRolesParametersAndPrivileges) {
  TfrmUser* guest = Open("GUEST");
  ASSERT_NE(guest, nullptr);
  EXPECT_EQ(guest->windowTitle().toStdString(), "USER - GUEST @ ORVSAMPLE");
  EXPECT_EQ(Roles(*guest), (Lines{"SALES_READER checked", "GUEST_OWN checked locked"}));
  EXPECT_TRUE(guest->rdoPassYes->isChecked());
  EXPECT_FALSE(guest->chkLock->isChecked());
  EXPECT_FALSE(guest->chkLock->isHidden());
  EXPECT_EQ(guest->txtPassword1->text().toStdString(), kPasswordPlaceholder);
  EXPECT_EQ(guest->grdUserOpt->Cells(1, 1), "10") << "MAX_CONNECTION";
  ASSERT_EQ(guest->lstObj->count(), 1);
  EXPECT_EQ(guest->lstObj->item(0)->text().toStdString(), "SELECT ON TABLE STOCK.ITEM");
  EXPECT_FALSE(guest->Changed);

  TfrmUser* auditor = Open("AUDITOR");
  ASSERT_NE(auditor, nullptr);
  EXPECT_TRUE(auditor->chkLock->isChecked());
  EXPECT_EQ(auditor->grdUserOpt->Cells(1, 9), "90") << "PASSWORD_LIMIT_TIME";
  ASSERT_EQ(auditor->lstObj->count(), 1);
  EXPECT_EQ(auditor->lstObj->item(0)->text().toStdString(), "SELECT ON SEQUENCE SALES.ORDER_SEQ");
  EXPECT_EQ(auditor->lstObj->item(0)->foreground().color(), QColor(255, 0, 0)) << "grantable";

  TfrmUser* os = Open("OPERATOR");
  ASSERT_NE(os, nullptr);
  EXPECT_TRUE(os->rdoExternally->isChecked());
  EXPECT_TRUE(os->grdUserOpt->isHidden());
  EXPECT_FALSE(os->txtPassword1->isEnabled());
  EXPECT_TRUE(Boxes().empty());

  // A twin is brought forward instead.
  Open("GUEST");
  EXPECT_EQ(Windows<TfrmUser>().size(), 3u);
}

TEST_F(UserEditorTest, AUsersLifeThroughTheEditor) {
  TfrmUser* editor = Open("");
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->windowTitle().toStdString(), "USER - 新規");
  EXPECT_TRUE(editor->chkLock->isHidden());
  Type(*editor->txtName, "U7");
  Type(*editor->txtPassword1, "PW");
  Type(*editor->txtPassword2, "PW");
  Role(*editor, "SALES_READER")->setCheckState(Qt::Checked);
  symfoware::ClearStatementJournal();
  EXPECT_EQ(CompileThroughPreview(*editor),
            (Lines{kUserControl, ";", "CREATE USER U7", "  WITH DBMS PASSWORD 'PW'", "  FOR USER", ";",
                   "GRANT SALES_READER TO U7", ";"}));
  EXPECT_EQ(Journal(), (Lines{kUserControl, "CREATE USER U7\r\n  WITH DBMS PASSWORD 'PW'\r\n  FOR USER",
                              "GRANT SALES_READER TO U7"}));
  EXPECT_EQ(LogonError("U7", "PW"), "");
  EXPECT_FALSE(editor->IsNew);
  EXPECT_EQ(editor->windowTitle().toStdString(), "USER - U7 @ ORVSAMPLE");

  // Roles alone: the old password still logs on.
  Role(*editor, "SALES_READER")->setCheckState(Qt::Unchecked);
  Role(*editor, "GUEST_OWN")->setCheckState(Qt::Checked);
  symfoware::ClearStatementJournal();
  EXPECT_EQ(CompileThroughPreview(*editor), (Lines{"REVOKE SALES_READER FROM U7", ";", "GRANT GUEST_OWN TO U7", ";"}));
  EXPECT_EQ(Journal(), (Lines{"REVOKE SALES_READER FROM U7", "GRANT GUEST_OWN TO U7"}));
  EXPECT_EQ(LogonError("U7", "PW"), "");

  // Locked: the logon is refused.
  editor->chkLock->click();
  symfoware::ClearStatementJournal();
  EXPECT_EQ(CompileThroughPreview(*editor),
            (Lines{kUserControl, ";", "ALTER USER U7", "  WITH DBMS PASSWORD LOCK", ";"}));
  EXPECT_NE(LogonError("U7", "PW").find("JYP5015E"), std::string::npos);
  EXPECT_TRUE(editor->chkLock->isChecked());

  // Unlocking asks for the password the placeholder stands for.
  editor->chkLock->click();
  editor->actCompile->trigger();
  EXPECT_EQ(Boxes(), Lines{kPasswordMissing});
  env.Dialogs().messages.clear();

  // Dropped.
  env.Dialogs().QueueMessage(IDYES);
  symfoware::ClearStatementJournal();
  editor->actDelete->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(Journal(), (Lines{kUserControl, "DROP USER U7"}));
  EXPECT_EQ(Boxes(), (Lines{"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
  EXPECT_TRUE(Windows<TfrmUser>().empty());
  EXPECT_NE(LogonError("U7", "PW").find("JYP5014E"), std::string::npos);
}

TEST_F(UserEditorTest, AChangedParameterMakesTheUserAgainWithItsLockAndPrivileges) {
  TfrmUser* editor = Open("AUDITOR");
  ASSERT_NE(editor, nullptr);
  editor->grdUserOpt->SetEditText(1, 1, "3");
  EXPECT_TRUE(editor->Changed);
  editor->actCompile->trigger();
  EXPECT_EQ(Boxes(), Lines{kPasswordMissing}) << "the placeholder is never sent";
  env.Dialogs().messages.clear();

  Type(*editor->txtPassword1, "NEWPW");
  Type(*editor->txtPassword2, "NEWPW");
  symfoware::ClearStatementJournal();
  EXPECT_EQ(CompileThroughPreview(*editor),
            (Lines{kUserControl, ";", "DROP USER AUDITOR", ";", kUserControl, ";", "CREATE USER AUDITOR",
                   "  WITH DBMS PASSWORD 'NEWPW'", "  FOR USER", "  MAX_CONNECTION = 3", "  ,PASSWORD_LIMIT_TIME = 90",
                   ";", "ALTER USER AUDITOR", "  WITH DBMS PASSWORD LOCK", ";",
                   "GRANT SELECT ON SEQUENCE SALES.ORDER_SEQ TO AUDITOR WITH GRANT OPTION", ";"}));
  for (const std::string& statement : Journal()) EXPECT_EQ(statement.rfind("failed", 0), std::string::npos) << statement;
  EXPECT_TRUE(editor->chkLock->isChecked());
  EXPECT_EQ(editor->grdUserOpt->Cells(1, 1), "3");
  ASSERT_EQ(editor->lstObj->count(), 1);
  EXPECT_EQ(editor->lstObj->item(0)->foreground().color(), QColor(255, 0, 0));
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(UserEditorTest, CompileChecksStopBeforeAnythingIsSent) {
  TfrmUser* editor = Open("");
  ASSERT_NE(editor, nullptr);
  struct Case {
    const char* name;
    const char* password;
    const char* confirmation;
    const char* message;
  };
  const Case cases[] = {
      {"", "A", "A", kNameMissing},
      {"U8", "", "", kPasswordMissing},
      {"U8", "A", "", kPasswordMissing},
      {"U8", "A", "B", kPasswordMismatch},
  };
  symfoware::ClearStatementJournal();
  for (const Case& c : cases) {
    Type(*editor->txtName, c.name);
    Type(*editor->txtPassword1, c.password);
    Type(*editor->txtPassword2, c.confirmation);
    editor->actCompile->trigger();
    EXPECT_EQ(Boxes(), Lines{c.message}) << c.name << "/" << c.password << "/" << c.confirmation;
    env.Dialogs().messages.clear();
  }
  EXPECT_TRUE(Journal().empty());

  // A bare PASSWORD line on the source page of an existing user.
  TfrmUser* guest = Open("GUEST");
  ASSERT_NE(guest, nullptr);
  guest->pagObject->setCurrentWidget(guest->tabSource);
  guest->txtSource->Lines().Assign({"CREATE USER GUEST", "  WITH DBMS", "PASSWORD", "  FOR USER"});
  guest->actCompile->trigger();
  EXPECT_EQ(Boxes(), Lines{kSourcePasswordMissing});
  EXPECT_TRUE(Journal().empty());
}

TEST_F(UserEditorTest, RevokeRunsEachSelectedLine) {
  TfrmUser* editor = Open("GUEST");
  ASSERT_NE(editor, nullptr);
  editor->lstObj->item(0)->setSelected(true);
  env.Dialogs().QueueMessage(IDYES);
  symfoware::ClearStatementJournal();
  editor->popRevoke->trigger();
  EXPECT_EQ(Journal(), Lines{"REVOKE SELECT ON TABLE STOCK.ITEM FROM GUEST"});
  EXPECT_EQ(Boxes(), (Lines{"オブジェクト権限を取り消しますか？", "権限を取り消しました。"}));
  EXPECT_EQ(editor->lstObj->count(), 0);
}

TEST_F(UserEditorTest, ScriptsOfAUserAndOfNoUser) {
  std::ostringstream guest;
  GenerateDDL(*connection, okUser, "", "OPERATOR", guest, "", "");
  EXPECT_EQ(guest.str(), std::string(kUserControl) + "\r\n;\r\nCREATE USER OPERATOR\r\n  WITH OS \r\n  FOR USER\r\n;\r\n");
  std::ostringstream none;
  GenerateDDL(*connection, okUser2, "", "NOBODY", none, "", "");
  EXPECT_EQ(none.str(), "");
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(Windows<TfrmUser>().empty());
}

}  // namespace
}  // namespace testing_admin
