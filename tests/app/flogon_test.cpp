#include "app/flogon.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

#include "app/core/dsymfoware.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/odbc_fixture.h"

namespace {

using Names = std::vector<std::string>;

TEST(SavedLogonOrder, KeepsSortOrderDropsVanishedKeysAndAppendsNewOnes) {
  struct Case {
    Names sort, keys, expected;
  };
  const Case cases[] = {
      {{"DB002", "DB000"}, {"DB000", "DB001", "DB002"}, {"DB002", "DB000", "DB001"}},
      {{"DB005", "DB001"}, {"DB001"}, {"DB001"}},
      {{"db001", "DB009"}, {"DB001", "DB003"}, {"db001", "DB003"}},
      {{}, {"DB001", "DB000"}, {"DB001", "DB000"}},
      {{"DB000"}, {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(SavedLogonOrder(c.sort, c.keys), c.expected);
}

TEST(FreeLogonKey, TakesTheFirstGapIgnoringCase) {
  EXPECT_EQ(FreeLogonKey({}), "DB000");
  EXPECT_EQ(FreeLogonKey({"DB000", "DB002"}), "DB001");
  EXPECT_EQ(FreeLogonKey({"db000", "Db001"}), "DB002");
  Names thousand;
  for (int i = 0; i < 1000; ++i) thousand.push_back(Format("DB%.3d", {i}));
  EXPECT_EQ(FreeLogonKey(thousand), "DB1000");
  EXPECT_EQ(SplitSortList("DB001\r\nDB000\r\n"), (Names{"DB001", "DB000"}));
  EXPECT_EQ(JoinSortList({"DB001", "DB000"}), "DB001\r\nDB000\r\n");
}

// Registry, dialogs and ODBC configuration of one test.
class LogonTest : public ::testing::Test {
 protected:
  void SetUp() override { odbc_.CreateStandin("ADMIN", "secret"); }
  void TearDown() override { SetLogonReceiver({}); }

  static void SaveLogon(const std::string& key, const std::string& user, const std::string& database,
                        const std::string& password) {
    AppRegistry.OpenKey(std::string(kDatabaseKey) + "\\" + key, true);
    AppRegistry.WriteString("UserID", user);
    AppRegistry.WriteString("Database", database);
    AppRegistry.WriteString("Password", ScramblePassword(password));
    AppRegistry.CloseKey();
  }
  static void WriteDatabaseValue(const std::string& name, const std::string& value) {
    AppRegistry.OpenKey(kDatabaseKey, true);
    AppRegistry.WriteString(name, value);
    AppRegistry.CloseKey();
  }
  static std::string ReadValue(const std::string& key, const std::string& name) {
    if (!AppRegistry.OpenKeyReadOnly(key)) return "<no key>";
    std::string value = AppRegistry.ReadString(name);
    AppRegistry.CloseKey();
    return value;
  }
  static Names SavedKeys() {
    AppRegistry.OpenKeyReadOnly(kDatabaseKey);
    Names keys = AppRegistry.GetKeyNames();
    AppRegistry.CloseKey();
    return keys;
  }
  static Names ListUsers(const TfrmLogon& dialog) {
    Names users;
    for (int i = 0; i < dialog.lstUserID->topLevelItemCount(); ++i)
      users.push_back(dialog.lstUserID->topLevelItem(i)->text(kColUser).toStdString());
    return users;
  }

  // Runs `step` on each logon dialog that LogonDatabase shows, in turn.
  void OnDialogs(std::vector<std::function<void(TfrmLogon&)>> steps) {
    steps_ = std::move(steps);
    QTimer::singleShot(0, [this] { NextDialog(); });
  }
  void NextDialog() {
    // A new dialog may sit at the address of the one before it; the guarded
    // pointer tells them apart, as it is cleared when that one goes.
    auto* dialog = qobject_cast<TfrmLogon*>(QApplication::activeModalWidget());
    if (!dialog || dialog == last_.data()) {
      QTimer::singleShot(1, [this] { NextDialog(); });
      return;
    }
    last_ = dialog;
    auto step = steps_.front();
    steps_.erase(steps_.begin());
    step(*dialog);
    if (!steps_.empty()) QTimer::singleShot(0, [this] { NextDialog(); });
  }

  testing_support::TempSettings settings_;
  testing_odbc::OdbcFixture odbc_;
  std::vector<std::function<void(TfrmLogon&)>> steps_;
  QPointer<TfrmLogon> last_;
};

TEST_F(LogonTest, ListsOnlySymfowareDataSourcesAndSavedLogonsInSortOrder) {
  SaveLogon("DB000", "ADMIN", "ORVTEST", "secret");
  SaveLogon("DB001", "GUEST", "SYMREAL", "g");
  SaveLogon("DB003", "NEW", "ORVTEST", "n");
  WriteDatabaseValue("Sort", "DB001\r\nDB002\r\nDB000\r\n");
  WriteDatabaseValue("UserID", "admin");
  WriteDatabaseValue("Database", "orvtest");

  TfrmLogon dialog(nullptr);
  dialog.txtUserID->setText("admin");
  dialog.cmbDatabase->setEditText("ORVTEST");
  dialog.LoadLogonList();
  Names sources;
  for (int i = 0; i < dialog.cmbDatabase->count(); ++i)
    sources.push_back(dialog.cmbDatabase->itemText(i).toStdString());
  EXPECT_EQ(sources, (Names{"ORVTEST", "ORVTEST2", "SYMREAL", "NOFOLDER"}));
  EXPECT_EQ(dialog.cmbDatabase->currentText(), "ORVTEST");
  // DB002 vanished, DB003 is not in Sort yet.
  EXPECT_EQ(ListUsers(dialog), (Names{"GUEST", "ADMIN", "NEW"}));
  // The saved password of the typed user and data source (case ignored).
  EXPECT_EQ(dialog.txtPassword->text(), "secret");
  EXPECT_TRUE(dialog.actOk->isEnabled());
}

// A hand edit or another version left values of another type: they read
// as empty and the other saved logons still list.
TEST_F(LogonTest, SavedValuesOfAnotherTypeReadAsEmpty) {
  SaveLogon("DB000", "ADMIN", "ORVTEST", "secret");
  SaveLogon("DB001", "GUEST", "SYMREAL", "g");
  AppRegistry.OpenKey(std::string(kDatabaseKey) + "\\DB001", true);
  AppRegistry.WriteInteger("UserID", 5);
  AppRegistry.WriteInteger("Password", 6);
  AppRegistry.OpenKey(kDatabaseKey, true);
  AppRegistry.WriteInteger("Sort", 7);
  AppRegistry.WriteInteger("UserID", 8);
  AppRegistry.CloseKey();

  TfrmLogon dialog(nullptr);
  ASSERT_NO_THROW(dialog.LoadLogonList());
  EXPECT_EQ(ListUsers(dialog), (Names{"ADMIN", ""}));
}

// The dialog sits in the middle of the main window, also when the window
// system places that window only after the dialog has shown (as at start).
TEST_F(LogonTest, TheDialogStaysCentredOnItsOwner) {
  QWidget owner;
  owner.setGeometry(100, 80, 900, 700);
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
  const auto centred = [&owner](const TfrmLogon& d) {
    return (d.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <= 2;
  };
  bool atFirst = false;
  bool afterMove = false;
  OnDialogs({[&](TfrmLogon& d) {
    atFirst = centred(d);
    owner.move(260, 150);
    QCoreApplication::processEvents();
    afterMove = centred(d);
    d.actCancel->trigger();
  }});
  EXPECT_FALSE(TfrmLogon::LogonDatabase("", "", "", false, &owner));
  EXPECT_TRUE(atFirst);
  EXPECT_TRUE(afterMove);
}

TEST_F(LogonTest, SavesANewLogonUnderTheFirstFreeNumber) {
  SaveLogon("DB000", "ADMIN", "ORVTEST", "a");
  SaveLogon("DB002", "GUEST", "ORVTEST", "g");
  TfrmLogon dialog(nullptr);
  dialog.LoadLogonList();
  dialog.chkSave->setChecked(true);
  // Differs from a saved user only in case: the save compares exactly.
  dialog.txtUserID->setText("admin");
  dialog.txtPassword->setText("pw");
  dialog.cmbDatabase->setEditText("ORVTEST");
  dialog.SaveLogonList(true);

  std::string key = std::string(kDatabaseKey) + "\\DB001";
  EXPECT_EQ(ReadValue(key, "UserID"), "admin");
  EXPECT_EQ(ReadValue(key, "Database"), "ORVTEST");
  EXPECT_EQ(UnscramblePassword(ReadValue(key, "Password")), "pw");
  EXPECT_EQ(ReadValue(kDatabaseKey, "Sort"), "DB000\r\nDB002\r\n");
  EXPECT_EQ(ReadValue(kDatabaseKey, "UserID"), "admin");

  // A listed entry gets the typed password and nothing else changes.
  dialog.txtUserID->setText("GUEST");
  dialog.txtPassword->setText("new");
  dialog.cmbDatabase->setEditText("orvtest");
  dialog.SaveLogonList(true);
  EXPECT_EQ(UnscramblePassword(ReadValue(std::string(kDatabaseKey) + "\\DB002", "Password")), "new");
  EXPECT_EQ(ReadValue(std::string(kDatabaseKey) + "\\DB002", "Database"), "ORVTEST");
  EXPECT_EQ(SavedKeys().size(), 3u);
}

TEST_F(LogonTest, MovesAndDeletesEntries) {
  SaveLogon("DB000", "A", "ORVTEST", "a");
  SaveLogon("DB001", "B", "ORVTEST", "b");
  SaveLogon("DB002", "C", "ORVTEST", "c");
  TfrmLogon dialog(nullptr);
  dialog.LoadLogonList();
  EXPECT_FALSE(dialog.actUp->isEnabled());
  dialog.lstUserID->setCurrentItem(dialog.lstUserID->topLevelItem(0));
  EXPECT_EQ(dialog.txtUserID->text(), "A");
  EXPECT_EQ(dialog.txtPassword->text(), "a");
  EXPECT_FALSE(dialog.actUp->isEnabled());
  dialog.actDown->trigger();
  EXPECT_EQ(ListUsers(dialog), (Names{"B", "A", "C"}));
  dialog.actDown->trigger();
  EXPECT_EQ(ListUsers(dialog), (Names{"B", "C", "A"}));
  EXPECT_FALSE(dialog.actDown->isEnabled());
  dialog.actUp->trigger();
  EXPECT_EQ(ListUsers(dialog), (Names{"B", "A", "C"}));
  // The order reaches the registry only with a save.
  EXPECT_EQ(ReadValue(kDatabaseKey, "Sort"), "");

  QTest::keyClick(dialog.lstUserID, Qt::Key_Delete);
  EXPECT_EQ(ListUsers(dialog), (Names{"B", "C"}));
  EXPECT_EQ(SavedKeys(), (Names{"DB001", "DB002"}));
}

TEST_F(LogonTest, AnEmptyUserOrDataSourceIsRefusedWithAWarning) {
  TfrmLogon dialog(nullptr);
  dialog.txtUserID->setText("  ");
  dialog.txtPassword->setText("pw");
  EXPECT_TRUE(dialog.actOk->isEnabled());
  dialog.actOk->trigger();
  dialog.txtUserID->setText(" ADMIN ");
  dialog.cmbDatabase->setEditText("  ");
  dialog.actOk->trigger();
  ASSERT_EQ(settings_.Dialogs().messages.size(), 2u);
  EXPECT_EQ(settings_.Dialogs().messages[0].text, "ユーザー名を入力して下さい。");
  EXPECT_EQ(settings_.Dialogs().messages[0].flags, unsigned(MB_ICONWARNING));
  EXPECT_EQ(settings_.Dialogs().messages[1].text, "データベースを入力して下さい。");
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(dialog.txtUserID->text(), "ADMIN");
  // OK needs both a user and a password.
  dialog.txtPassword->clear();
  EXPECT_FALSE(dialog.actOk->isEnabled());
}

TEST_F(LogonTest, AutomaticLogonHandsOverTheConnectedDataModule) {
  std::unique_ptr<TdmSymfoware> received;
  SetLogonReceiver([&](std::unique_ptr<TdmSymfoware> module) { received = std::move(module); });
  EXPECT_TRUE(TfrmLogon::LogonDatabase(" orvtest ", " admin ", "secret", true));
  ASSERT_TRUE(received);
  EXPECT_TRUE(received->Connection.Connected());
  // The user keeps its typed case here; the connection window settles it
  // against the catalogue.
  EXPECT_EQ(received->GetUserName() + " @ " + received->GetDataSourceName(), "admin @ ORVTEST");
  EXPECT_EQ(received->Connection.DefaultDatabase, "ORVTEST");
  EXPECT_EQ(ReadValue(kDatabaseKey, "UserID"), "admin");
  EXPECT_EQ(ReadValue(kDatabaseKey, "Database"), "ORVTEST");
  EXPECT_TRUE(settings_.Dialogs().messages.empty());
}

// Settings that cannot be saved (here a file where their folder belongs)
// are said once; the logon still succeeds and nothing ends the program.
TEST_F(LogonTest, ALogonWhoseSettingsCannotBeSavedSucceedsAndSaysSoOnce) {
  const std::string store = settings_.UserStore();
  const std::string folder = store.substr(0, store.rfind('/'));
  QDir().mkpath(QString::fromStdString(folder.substr(0, folder.rfind('/'))));
  QFile blocker(QString::fromStdString(folder));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  std::unique_ptr<TdmSymfoware> received;
  SetLogonReceiver([&](std::unique_ptr<TdmSymfoware> module) { received = std::move(module); });
  EXPECT_TRUE(TfrmLogon::LogonDatabase("ORVTEST", "ADMIN", "secret", true));
  EXPECT_TRUE(received);
  ASSERT_EQ(settings_.Dialogs().messages.size(), 1u);
  EXPECT_NE(settings_.Dialogs().messages[0].text.find("保存できません"), std::string::npos);
}

TEST_F(LogonTest, AFailedAutomaticLogonShowsTheErrorThenTheFilledDialog) {
  bool shown = false;
  OnDialogs({[&](TfrmLogon& d) {
    shown = true;
    EXPECT_EQ(d.txtUserID->text(), "ADMIN");
    EXPECT_EQ(d.txtPassword->text(), "wrong");
    EXPECT_EQ(d.cmbDatabase->currentText(), "ORVTEST");
    d.actCancel->trigger();
  }});
  EXPECT_FALSE(TfrmLogon::LogonDatabase("orvtest", "ADMIN", "wrong", true));
  EXPECT_TRUE(shown);
  ASSERT_EQ(settings_.Dialogs().messages.size(), 1u);
  EXPECT_NE(settings_.Dialogs().messages[0].text.find("パスワードが誤っています"), std::string::npos);
  EXPECT_EQ(settings_.Dialogs().messages[0].flags & 0xF0u, unsigned(MB_ICONERROR));
  EXPECT_EQ(ReadValue(kDatabaseKey, "UserID"), "<no key>");
}

TEST_F(LogonTest, AWrongPasswordKeepsTheDialogUntilTheLogonSucceeds) {
  std::unique_ptr<TdmSymfoware> received;
  SetLogonReceiver([&](std::unique_ptr<TdmSymfoware> module) { received = std::move(module); });
  OnDialogs({[](TfrmLogon& d) {
               d.txtUserID->setText("ADMIN");
               d.txtPassword->setText("wrong");
               d.cmbDatabase->setEditText("ORVTEST");
               d.chkSave->setChecked(true);
               QTest::mouseClick(d.btnOk, Qt::LeftButton);
             },
             [](TfrmLogon& d) {
               EXPECT_EQ(d.txtPassword->text(), "wrong");
               d.txtPassword->setText("secret");
               d.chkSave->setChecked(true);
               d.actOk->trigger();
             }});
  EXPECT_TRUE(TfrmLogon::LogonDatabase("", "", "", false));
  ASSERT_TRUE(received);
  EXPECT_EQ(received->GetUserName(), "ADMIN");
  EXPECT_EQ(settings_.Dialogs().messages.size(), 1u);
  // Only the successful logon was saved.
  EXPECT_EQ(SavedKeys(), (Names{"DB000"}));
  EXPECT_EQ(UnscramblePassword(ReadValue(std::string(kDatabaseKey) + "\\DB000", "Password")), "secret");
}

TEST_F(LogonTest, CancelLeavesTheSavedOrderAndRemembersTheLastLogon) {
  SaveLogon("DB000", "A", "ORVTEST", "a");
  SaveLogon("DB001", "B", "ORVTEST", "b");
  WriteDatabaseValue("Sort", "DB000\r\nDB001\r\n");
  WriteDatabaseValue("UserID", "b");
  WriteDatabaseValue("Database", "orvtest");
  OnDialogs({[](TfrmLogon& d) {
    // The last logon is filled in with its saved password.
    EXPECT_EQ(d.txtUserID->text(), "b");
    EXPECT_EQ(d.cmbDatabase->currentText(), "ORVTEST");
    EXPECT_EQ(d.txtPassword->text(), "b");
    EXPECT_TRUE(d.btnImport->isHidden());
    d.lstUserID->setCurrentItem(d.lstUserID->topLevelItem(0));
    d.actDown->trigger();
    d.actCancel->trigger();
  }});
  EXPECT_FALSE(TfrmLogon::LogonDatabase("", "", "", false));
  EXPECT_EQ(ReadValue(kDatabaseKey, "Sort"), "DB000\r\nDB001\r\n");
}

}  // namespace

namespace {
TEST_F(LogonTest, EnterWalksTheFieldsAndTheDataSourceIsUpperCase) {
  TfrmLogon dialog(nullptr);
  dialog.show();
  QApplication::setActiveWindow(&dialog);
  dialog.txtUserID->setFocus();
  QTest::keyClicks(dialog.txtUserID, "admin");
  QTest::keyClick(dialog.txtUserID, Qt::Key_Return);
  EXPECT_TRUE(dialog.txtPassword->hasFocus());
  EXPECT_TRUE(dialog.isVisible()) << "Enter in a field does not press the default button";
  QTest::keyClick(dialog.txtPassword, Qt::Key_Return);
  EXPECT_TRUE(dialog.cmbDatabase->hasFocus());
  QTest::keyClicks(dialog.cmbDatabase, "orvtest");
  EXPECT_EQ(dialog.cmbDatabase->currentText(), "ORVTEST");
}
}  // namespace
