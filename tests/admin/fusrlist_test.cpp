// The user, role and schema list as the running program opens it from
// "管理(&A)", on the stand-in sample: its pages, the editors it opens, its
// drops in passes and its script files.
#include <QFile>
#include <QKeyEvent>
#include <QTabBar>
#include <QTest>

#include "admin/fuser.h"
#include "admin/fusrlist.h"
#include "app/core/fobjcmdcore.h"
#include "objedit/frole.h"
#include "objedit/fschema.h"
#include "platform/windowinput.h"
#include "tests/admin/admin_fixture.h"
#include "tests/platform/escape_at.h"
#include "ui/ovcomctrls.h"
#include "ui/ovgrid.h"

namespace testing_admin {
namespace {

class UserListTest : public AdminProgram {
 protected:
  UserListTest() {
    connection = Logon();
    AppOption.Separator = ";";
    list = OpenFromMenu<TfrmUserList>(kAdminUserAction);
  }
  ~UserListTest() override { SetScriptOutputDialog(nullptr); }

  void ShowPage(int image) {
    for (int i = 0; i < list->pagUsrList->count(); ++i)
      if (list->pagUsrList->tabData(i).toInt() == image) list->pagUsrList->setCurrentIndex(i);
  }
  Lines Rows() const {
    Lines rows;
    for (int i = 0; i < list->lstObject->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* row = list->lstObject->topLevelItem(i);
      std::string text = std::to_string(TfrmUserList::RowImage(*row));
      for (int c = 0; c < row->columnCount(); ++c) {
        text += '|';
        text += row->text(c).toStdString();
      }
      rows.push_back(text);
    }
    return rows;
  }
  Lines Names() const {
    Lines names;
    for (int i = 0; i < list->lstObject->topLevelItemCount(); ++i)
      names.push_back(list->lstObject->topLevelItem(i)->text(0).toStdString());
    return names;
  }
  void Select(const Lines& names) {
    list->lstObject->clearSelection();
    for (int i = 0; i < list->lstObject->topLevelItemCount(); ++i) {
      QTreeWidgetItem* row = list->lstObject->topLevelItem(i);
      if (std::find(names.begin(), names.end(), row->text(0).toStdString()) != names.end()) row->setSelected(true);
    }
  }
  static std::string Read(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "missing " + path;
  }

  TfrmObject* connection = nullptr;
  TfrmUserList* list = nullptr;
};

TEST_F(UserListTest, ThePagesListUsersRolesAndSchemas) {
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->windowTitle().toStdString(), "ユーザー情報 - ORVUSER @ ORVSAMPLE");
  const Lines users = Rows();
  ASSERT_EQ(users.size(), 4u);
  EXPECT_EQ(users[0], "2|AUDITOR|DB：Symfoware/RDBで管理|U：利用者|L||0");
  EXPECT_EQ(users[2], "2|OPERATOR|OS：OSで管理|U：利用者|O||0");
  EXPECT_EQ(users[3].substr(0, users[3].find('|', 2)), "3|ORVUSER") << "the login user";

  ShowPage(kRolePageImage);
  EXPECT_EQ(list->lstObject->columnCount(), 3);
  EXPECT_EQ(Names(), (Lines{"GUEST_OWN", "SALES_READER"}));
  EXPECT_EQ(Rows()[0].substr(0, 17), "68|GUEST_OWN|GUES");

  ShowPage(kSchemaPageImage);
  EXPECT_EQ(Names(), (Lines{"HR", "SALES", "STOCK"}));
  EXPECT_TRUE(Boxes().empty());

  // One window per logon.
  EXPECT_EQ(OpenFromMenu<TfrmUserList>(kAdminUserAction), list);
}

// The tree pop-up brings the logon's list forward; the combo moves it to
// another logon, whose user stands out.
TEST_F(UserListTest, FromTheTreePopUpAndAcrossLogons) {
  ASSERT_NE(list, nullptr);
  connection->Action("actUser")->trigger();
  ASSERT_EQ(Windows<TfrmUserList>().size(), 1u);
  auto* guest = new TfrmObject(main.get(), "guest", "GUEST", testing_tools::kSampleDataSource);
  guest->Action("actUser")->trigger();
  ASSERT_EQ(Windows<TfrmUserList>().size(), 2u);
  list->DBChange(nullptr);
  ASSERT_EQ(list->cmbDBName->count(), 2);
  list->cmbDBName->setCurrentIndex(1);
  EXPECT_EQ(list->ConnectionWindow, static_cast<TovConnectionWindow*>(guest));
  EXPECT_EQ(list->windowTitle().toStdString(), "ユーザー情報 - GUEST @ ORVSAMPLE");
  EXPECT_EQ(Rows()[1].substr(0, 8), "3|GUEST|");
  EXPECT_EQ(Rows()[3].substr(0, 10), "2|ORVUSER|");
}

TEST_F(UserListTest, RowsOpenTheirEditorsWhichCompile) {
  ASSERT_NE(list, nullptr);
  Select({"GUEST"});
  QTest::keyClick(list->lstObject, Qt::Key_Return);
  ASSERT_EQ(Windows<TfrmUser>().size(), 1u);
  TfrmUser* editor = Windows<TfrmUser>().front();
  EXPECT_EQ(editor->windowTitle().toStdString(), "USER - GUEST @ ORVSAMPLE");
  EXPECT_TRUE(list->lstObject->selectedItems().isEmpty()) << "an opened row is deselected";

  editor->chkLock->click();
  symfoware::ClearStatementJournal();
  EXPECT_EQ(CompileThroughPreview(*editor),
            (Lines{kUserControl, ";", "ALTER USER GUEST", "  WITH DBMS PASSWORD LOCK", ";"}));
  EXPECT_EQ(Journal(), (Lines{kUserControl, "ALTER USER GUEST\r\n  WITH DBMS PASSWORD LOCK"}));
  list->actRefresh->trigger();
  EXPECT_EQ(Rows()[1], "2|GUEST|DB：Symfoware/RDBで管理|U：利用者|L||0");

  ShowPage(kRolePageImage);
  Select({"SALES_READER"});
  list->actOpen->trigger();
  ASSERT_EQ(Windows<TfrmRole>().size(), 1u);
  ShowPage(kSchemaPageImage);
  Select({"HR"});
  list->actOpen->trigger();
  ASSERT_EQ(Windows<TfrmSchema>().size(), 1u);
  list->actNew->trigger();
  EXPECT_EQ(Windows<TfrmSchema>().size(), 2u);
  EXPECT_TRUE(Boxes().empty());
}

struct DropCase {
  const char* name;
  Lines selected;
  int failAt;           // the journal position of the one drop that fails, -1 none
  const char* failing;  // drops of this role always fail
  bool delErr;
  Lines left;           // of R1 and R2
  Lines stillSelected;  // the failed rows
  Lines boxes;
};

TEST_F(UserListTest, DropsRunInPassesWhenErrorsAreIgnored) {
  ASSERT_NE(list, nullptr);
  const std::string failed = "JYP9999E test";
  const DropCase cases[] = {
      {"fails once, then succeeds", {"R1", "R2"}, 0, nullptr, true, {}, {}, {"オブジェクトが削除されました。"}},
      {"fails twice", {"R1", "R2"}, -1, "DROP ROLE R1", true, {"R1"}, {"R1"}, {failed}},
      {"a single row", {"R1"}, -1, "DROP ROLE R1", true, {"R1", "R2"}, {"R1"}, {failed}},
      {"without DelErr the first failure ends", {"R1", "R2"}, 0, nullptr, false, {"R1", "R2"}, {"R1", "R2"},
       {failed}},
  };
  for (const DropCase& c : cases) {
    for (const char* role : {"R1", "R2"}) {
      try {
        connection->ExecSQL(std::string("CREATE ROLE ") + role);
      } catch (const std::exception&) {
      }
    }
    ShowPage(kRolePageImage);
    list->Reload(nullptr);
    Select(c.selected);
    AppOption.DelErr = c.delErr;
    symfoware::ClearStatementJournal();
    if (c.failAt >= 0) symfoware::FailStatementAt(static_cast<size_t>(c.failAt), failed);
    if (c.failing) symfoware::FailStatementsMatching(c.failing, failed);
    env.Dialogs().messages.clear();
    env.Dialogs().QueueMessage(IDYES);
    QTest::keyClick(list->lstObject, Qt::Key_Delete);
    symfoware::ClearStatementFailures();
    Lines boxes = Boxes();
    ASSERT_FALSE(boxes.empty()) << c.name;
    EXPECT_EQ(boxes.front(), "オブジェクトを削除しますか？") << c.name;
    boxes.erase(boxes.begin());
    ASSERT_EQ(boxes.size(), c.boxes.size()) << c.name;
    for (size_t i = 0; i < boxes.size(); ++i) EXPECT_NE(boxes[i].find(c.boxes[i]), std::string::npos) << c.name;
    Lines left;
    for (const std::string& name : Names())
      if (name == "R1" || name == "R2") left.push_back(name);
    EXPECT_EQ(left, c.left) << c.name;
    Lines selected;
    for (QTreeWidgetItem* row : list->lstObject->selectedItems()) selected.push_back(row->text(0).toStdString());
    EXPECT_EQ(selected, c.stillSelected) << c.name << ": failed rows stay selected";
  }
}

TEST_F(UserListTest, EscapeStopsADropBeforeTheNextRow) {
  ASSERT_NE(list, nullptr);
  for (const char* role : {"R1", "R2"}) connection->ExecSQL(std::string("CREATE ROLE ") + role);
  ShowPage(kRolePageImage);
  Select({"R1", "R2"});
  symfoware::ClearStatementJournal();
  // Esc is seen before the second row.
  std::unique_ptr<platform::WindowInput> before = platform::SetInput(std::make_unique<testing_support::EscapeAt>(2));
  env.Dialogs().QueueMessage(IDYES);
  list->actDelete->trigger();
  platform::SetInput(std::move(before));
  EXPECT_EQ(Journal(), Lines{"DROP ROLE R1"});
  EXPECT_EQ(Names(), (Lines{"GUEST_OWN", "R2", "SALES_READER"}));
  EXPECT_EQ(list->lstObject->selectedItems().size(), 1);
  EXPECT_EQ(Boxes(), (Lines{"オブジェクトを削除しますか？", "オブジェクトが削除されました。"}));
}

TEST_F(UserListTest, ScriptFilesOfTheSelectedRows) {
  ASSERT_NE(list, nullptr);
  const std::string folder = env.Path("out") + "/";
  std::string target = folder;
  SetScriptOutputDialog([&](TovConnectionWindow&, std::string& chosen, std::string&) {
    chosen = target;
    return true;
  });
  const std::string guestDdl = std::string(kUserControl) +
                               "\r\n;\r\nCREATE USER GUEST\r\n  WITH DBMS PASSWORD '          '\r\n  FOR USER\r\n"
                               "  MAX_CONNECTION = 10\r\n;\r\nGRANT SALES_READER TO GUEST\r\n;\r\n";
  const std::string guestGrant = "GRANT SELECT ON TABLE STOCK.ITEM TO GUEST\r\n;\r\n";
  const std::string operatorDdl =
      std::string(kUserControl) + "\r\n;\r\nCREATE USER OPERATOR\r\n  WITH OS \r\n  FOR USER\r\n;\r\n";

  // GrantMode 0: the grants follow each user's script; one file per row.
  ScriptOption.Grant = true;
  ScriptOption.GrantMode = 0;
  ScriptOption.SameName = true;
  Select({"GUEST", "OPERATOR"});
  list->actScript->trigger();
  EXPECT_EQ(Boxes(), Lines{"スクリプトが出力されました。"});
  EXPECT_EQ(Read(folder + "GUEST.SQL"), guestDdl + guestGrant);
  EXPECT_EQ(Read(folder + "OPERATOR.SQL"), operatorDdl);

  // GrantMode 1 with SubDir: the kind's folder, a grant file per row.
  env.Dialogs().messages.clear();
  ScriptOption.SubDir = true;
  ScriptOption.GrantMode = 1;
  Select({"GUEST"});
  list->actScript->trigger();
  EXPECT_EQ(Read(folder + "USER/GUEST.SQL"), guestDdl);
  EXPECT_EQ(Read(folder + "GRANT/GUEST.SQL"), guestGrant);

  // GrantMode 2: one grant file, appended to without SameName.
  ScriptOption.GrantMode = 2;
  ScriptOption.SameName = false;
  for (int round = 0; round < 2; ++round) {
    Select({"GUEST"});
    list->actScript->trigger();
  }
  EXPECT_EQ(Read(folder + "USER/_GRANT.SQL"), guestGrant + guestGrant);
  EXPECT_EQ(Read(folder + "USER/GUEST.SQL"), guestDdl + guestDdl + guestDdl) << "kept and appended to";

  // One script; roles carry no grant statements, schemas no script.
  target = env.Path("all.sql");
  ScriptOption.OneScript = true;
  ScriptOption.SameName = true;
  ShowPage(kRolePageImage);
  Select({"SALES_READER"});
  list->actScript->trigger();
  const std::string roles = Read(target);
  EXPECT_EQ(roles.rfind("CREATE ROLE SALES_READER", 0), 0u) << roles;
  EXPECT_EQ(roles.find("TO GUEST\r\n;\r\nGRANT SELECT ON TABLE STOCK"), std::string::npos);
  ScriptOption.OneScript = false;
  target = folder;
  ShowPage(kSchemaPageImage);
  Select({"HR"});
  list->actScript->trigger();
  EXPECT_EQ(Read(folder + "HR.SQL"), "");
}

}  // namespace
}  // namespace testing_admin
