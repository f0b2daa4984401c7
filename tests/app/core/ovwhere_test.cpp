#include "app/core/ovwhere.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "platform/inifile.h"

namespace {

std::vector<std::string> Numbered(const std::string& prefix, int count) {
  std::vector<std::string> list;
  for (int i = 1; i <= count; ++i) list.push_back(prefix + std::to_string(i));
  return list;
}

class WhereHistory : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = AppOption.TempDir;
    AppOption.TempDir = dir.filePath("work").toStdString() + "/";
  }
  void TearDown() override { AppOption.TempDir = saved; }
  std::string File(const std::string& name) { return AppOption.TempDir + name; }
  bool Exists(const std::string& name) { return QFile::exists(QString::fromStdString(File(name))); }

  QTemporaryDir dir;
  std::string saved;
};

TEST_F(WhereHistory, LoadingAMissingFileGivesAnEmptyListAndCreatesNoFile) {
  std::vector<std::string> list = {"stale"};
  LoadWhereHistory("SCH", "TBL", list);
  EXPECT_TRUE(list.empty());
  EXPECT_FALSE(Exists("SCH.TBL.ini"));
  EXPECT_TRUE(QDir(QString::fromStdString(AppOption.TempDir)).exists());  // the work folder is made
}

TEST_F(WhereHistory, KeepsAtMostTwentyConditionsInValueOrder) {
  SaveWhereHistory("SCH", "TBL", Numbered("ID = ", 25));
  platform::IniFile ini(File("SCH.TBL.ini"));
  EXPECT_EQ(ini.ReadSection("WHERE").size(), 20u);
  EXPECT_EQ(ini.ReadString("WHERE", "00", ""), "ID = 1");
  EXPECT_EQ(ini.ReadString("WHERE", "19", ""), "ID = 20");
  std::vector<std::string> list;
  LoadWhereHistory("SCH", "TBL", list);
  EXPECT_EQ(list, Numbered("ID = ", 20));
}

TEST_F(WhereHistory, AShorterListLeavesTheOlderTailInTheFile) {
  SaveWhereHistory("SCH", "TBL", Numbered("OLD", 10));
  SaveWhereHistory("SCH", "TBL", {"NAME LIKE '表%'", "A = 'x=y'", "B IS NULL"});
  std::vector<std::string> list;
  LoadWhereHistory("SCH", "TBL", list);
  std::vector<std::string> expected = {"NAME LIKE '表%'", "A = 'x=y'", "B IS NULL"};
  for (int i = 4; i <= 10; ++i) expected.push_back("OLD" + std::to_string(i));
  EXPECT_EQ(list, expected);
}

TEST_F(WhereHistory, GapsAndEmptyValuesAreSkipped) {
  QDir().mkpath(QString::fromStdString(AppOption.TempDir));
  platform::IniFile ini(File("S.T.ini"));
  ini.WriteString("WHERE", "00", "A = 1");
  ini.WriteString("WHERE", "01", "");
  ini.WriteString("WHERE", "02", "C = 3");
  ini.WriteString("WHERE", "20", "beyond the last");
  ini.UpdateFile();
  std::vector<std::string> list;
  LoadWhereHistory("S", "T", list);
  EXPECT_EQ(list, (std::vector<std::string>{"A = 1", "C = 3"}));
  LoadWhereHistory("S", "", list);
  EXPECT_TRUE(list.empty());
}

TEST_F(WhereHistory, SavingAnEmptyListWritesNothing) {
  SaveWhereHistory("S", "T", {});
  EXPECT_FALSE(Exists("S.T.ini"));
  SaveWhereHistory("S", "T", {"A = 1"});
  const QByteArray before = [&] {
    QFile f(QString::fromStdString(File("S.T.ini")));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  }();
  SaveWhereHistory("S", "T", {});
  QFile f(QString::fromStdString(File("S.T.ini")));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), before);
}

TEST_F(WhereHistory, NamesMapToSafeFileNames) {
  const std::pair<std::pair<const char*, const char*>, const char*> cases[] = {
      {{"%", "%"}, "%.%.ini"},
      {{"A/B", "C*D"}, "AB.CD.ini"},
      {{"スキーマ", "表"}, "スキーマ.表.ini"},
  };
  for (const auto& [names, file] : cases) {
    EXPECT_EQ(WhereHistoryFile(names.first, names.second), File(file));
    SaveWhereHistory(names.first, names.second, {"X = 1"});
    EXPECT_TRUE(Exists(file)) << file;
  }
}

}  // namespace
