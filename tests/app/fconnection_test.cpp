#include "app/fconnection.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTreeWidget>

#include "app/flogon.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "tests/platform/temp_settings.h"
#include "tests/platform/testapp.h"

namespace {

class LogonImportTest : public ::testing::Test {
 protected:
  void SetUp() override { list_.setColumnCount(2); }

  // Marks the editions with these uninstall identifiers as installed.
  void Install(const std::vector<std::string>& ids) {
    std::string text = "# Tessavar registry store 1\n";
    for (const std::string& id : ids)
      text += "key \"SOFTWARE\" \"Microsoft\" \"Windows\" \"CurrentVersion\" \"Uninstall\" \"" + id + "\"\n";
    QDir().mkpath(QString::fromStdString(settings_.Path("etc") + "/Tessavar"));
    QFile file(QString::fromStdString(settings_.Path("etc") + "/Tessavar/local_machine.registry"));
    file.open(QIODevice::WriteOnly);
    file.write(text.data(), static_cast<qint64>(text.size()));
    file.close();
    testing_support::TempSettings::Restart();
  }

  static void SaveOld(const std::string& edition, const std::string& key, const std::string& user,
                      const std::string& database, const std::string& password, int mode, const char* os) {
    AppRegistry.OpenKey("\\Software\\Tessavar\\" + edition + "\\DATABASE\\" + key, true);
    AppRegistry.WriteString("UserID", user);
    AppRegistry.WriteString("Database", database);
    AppRegistry.WriteString("Password", ScramblePassword(password));
    AppRegistry.WriteInteger("Mode", mode);
    if (os) AppRegistry.WriteString("OS", os);
    AppRegistry.CloseKey();
  }

  static std::string Read(const std::string& key, const std::string& name) {
    if (!AppRegistry.OpenKeyReadOnly(key)) return "<no key>";
    std::string value = AppRegistry.GetDataType(name) == platform::RegDataType::Dword
                            ? std::to_string(AppRegistry.ReadInteger(name))
                            : AppRegistry.ReadString(name);
    AppRegistry.CloseKey();
    return value;
  }

  QApplication& app_ = TestApp();
  testing_support::TempSettings settings_;
  QTreeWidget list_;
};

TEST_F(LogonImportTest, WithNoOlderEditionItSaysSoAndChangesNothing) {
  AddLogonItem(&list_, "A", "DS", "p", "DB000");
  SaveOld("ORV8", "DB000", "OLD", "DS", "x", 0, nullptr);
  Install({EditionTable()[2].UninstallId});
  EXPECT_FALSE(TfrmConnection::ShowConnection(&list_, nullptr));
  ASSERT_EQ(settings_.Dialogs().messages.size(), 1u);
  EXPECT_EQ(settings_.Dialogs().messages[0].text, "取込可能な接続情報が見つかりません。");
  EXPECT_EQ(settings_.Dialogs().messages[0].flags, unsigned(MB_ICONINFORMATION));
  EXPECT_EQ(list_.topLevelItemCount(), 1);
}

TEST_F(LogonImportTest, FindsTheLogonsOfInstalledOlderEditions) {
  const std::vector<TEditionRow> table = {{7, "OWN", "own-7"},
                                          {7, "OLD7", "old-7"},
                                          {8, "ORV8", "orv-8"},
                                          {9, "ORV9", "orv-9"},
                                          {11, "ORV11", "orv-11"}};
  Install({"own-7", "old-7", "orv-8", "orv-11"});
  SaveOld("OWN", "DB000", "MINE", "DS", "m", 0, nullptr);
  SaveOld("OLD7", "DB000", "SYSTEM", "DS7", "s7", 5, nullptr);
  SaveOld("OLD7", "DB001", "SCOTT", "DS7", "t7", 5, nullptr);
  SaveOld("ORV8", "DB000", "U8", "DS8", "p8", 2, "9");
  SaveOld("ORV9", "DB000", "U9", "DS9", "p9", 1, nullptr);  // not installed
  SaveOld("ORV11", "X", "U11", "DS11", "p11", 3, "2");
  SaveOld("ORV11", "Y", "V11", "DS11", "q11", 0, nullptr);

  std::vector<TFoundLogon> found = ScanEditions(table, 11, "OWN");
  ASSERT_EQ(found.size(), 5u);
  auto row = [](const TFoundLogon& f) {
    return std::vector<std::string>{f.Edition, f.UserID, f.Database, f.Password, f.Mode, f.OS};
  };
  EXPECT_EQ(row(found[0]), (std::vector<std::string>{"OLD7", "SYSTEM", "DS7", "s7", "1", "0"}));
  EXPECT_EQ(row(found[1]), (std::vector<std::string>{"OLD7", "SCOTT", "DS7", "t7", "0", "0"}));
  EXPECT_EQ(row(found[2]), (std::vector<std::string>{"ORV8", "U8", "DS8", "p8", "2", "0"}));
  EXPECT_EQ(row(found[3]), (std::vector<std::string>{"ORV11", "U11", "DS11", "p11", "3", "2"}));
  EXPECT_EQ(row(found[4]), (std::vector<std::string>{"ORV11", "V11", "DS11", "q11", "0", "0"}));

  // Editions above the program's own are not considered.
  EXPECT_EQ(ScanEditions(table, 8, "OWN").size(), 3u);
}

TEST_F(LogonImportTest, ImportsIntoFreeNumbersAndSkipsListedLogons) {
  AppRegistry.OpenKey(kDatabaseKey, true);
  AppRegistry.WriteString("Sort", "DB000\r\nDB002\r\n");
  AppRegistry.CloseKey();
  AppRegistry.OpenKey(std::string(kDatabaseKey) + "\\DB004", true);  // saved, not yet in Sort
  AppRegistry.WriteString("UserID", "KEEP");
  AppRegistry.CloseKey();
  AddLogonItem(&list_, "A", "DS", "p", "DB000");
  AddLogonItem(&list_, "B", "DS", "p", "DB002");

  ImportLogons({{"ORV8", "A", "DS", "dup", "0", "0"},
                {"ORV8", "C", "DS", "pc", "2", "0"},
                {"ORV11", "D", "DS2", "pd", "x", "1"},
                {"ORV11", "E", "DS2", "pe", "1", "0"}},
               &list_);
  EXPECT_EQ(list_.topLevelItemCount(), 5);
  std::string base = std::string(kDatabaseKey) + "\\";
  EXPECT_EQ(Read(base + "DB001", "UserID"), "C");
  EXPECT_EQ(UnscramblePassword(Read(base + "DB001", "Password")), "pc");
  EXPECT_EQ(Read(base + "DB001", "Mode"), "2");
  EXPECT_EQ(Read(base + "DB003", "UserID"), "D");
  EXPECT_EQ(Read(base + "DB003", "Mode"), "0");
  EXPECT_EQ(Read(base + "DB003", "OS"), "1");
  EXPECT_EQ(Read(base + "DB005", "UserID"), "E");
  EXPECT_EQ(Read(base + "DB004", "UserID"), "KEEP");
  EXPECT_EQ(Read(kDatabaseKey, "Sort"), "DB000\r\nDB002\r\nDB001\r\nDB003\r\nDB005\r\n");
  EXPECT_EQ(list_.topLevelItem(2)->text(kColUser), "C");
  EXPECT_EQ(list_.topLevelItem(2)->data(kColUser, kRoleKey).toString(), "DB001");
}

}  // namespace
