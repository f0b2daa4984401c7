#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/standin/odbc_fixture.h"
#include "tests/standin/tools_sample.h"

namespace {

using Lines = std::vector<std::string>;

class SpaceToolsTest : public ::testing::Test {
 protected:
  SpaceToolsTest() {
    TestApp();
    unsetenv("SYMFOWARE_TOOL_FAIL");
    QDir().mkpath(QString::fromStdString(sample.Path("work folder")));
  }
  // A control file in a folder whose name holds a blank.
  std::string Control(const std::string& name, const std::string& text) {
    const std::string path = sample.Path("work folder/" + name);
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::WriteOnly);
    file.write((text + "\r\n").c_str());
    return path;
  }
  int Run(const std::string& tool, const QStringList& args, Lines* lines = nullptr) {
    QProcess process;
    process.start(QString::fromStdString(testing_tools::kToolBin + "/" + tool), args);
    process.waitForFinished();
    if (lines) {
      lines->clear();
      for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) lines->push_back(QString::fromUtf8(line).remove('\r').toStdString());
    }
    return process.exitCode();
  }
  static bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  testing_tools::SampleDataSource sample;
};

TEST_F(SpaceToolsTest, DdlexCreatesReportsAndDropsASpace) {
  const QString create = QString::fromStdString(
      Control("rdbddlexC.txt", "CREATE DBSPACE NEWSPACE\r\n  ALLOCATE FILE /srv/rdb/new space.dat\r\n  ATTRIBUTE SPACE (2M)"));
  Lines out;
  ASSERT_EQ(Run("rdbddlex", {"-d", "ORVSAMPLE", create}, &out), 0) << (out.empty() ? "" : out.front());
  EXPECT_EQ(out.back(), "rdbddlexが正常終了しました 復帰コード 00");
  EXPECT_NE(Run("rdbddlex", {"-d", "ORVSAMPLE", create}), 0) << "a space that exists";

  ASSERT_EQ(Run("rdbspcinf", {"-d", "ORVSAMPLE"}, &out), 0);
  const auto at = std::find(out.begin(), out.end(), "Database space : NEWSPACE");
  ASSERT_NE(at, out.end());
  EXPECT_EQ(at[1], "Device         : /srv/rdb/new space.dat");
  EXPECT_EQ(at[2], "Size           : 2048K");

  const QString prt = QString::fromStdString(Control("rdbprt.txt", "DBSPACE(NEWSPACE)"));
  ASSERT_EQ(Run("rdbprt", {"-m", "DEF", "-d", "ORVSAMPLE", "-p", "-f", prt}, &out), 0);
  EXPECT_EQ(out[0], "Database space name ...... NEWSPACE");
  EXPECT_TRUE(Has(out, "  Allocate size   ...... 2048K"));
  EXPECT_TRUE(Has(out, "  Device kind     ...... FILE"));
  EXPECT_TRUE(Has(out, "    Privilege ...... ALLOCATE")) << "the creator's own grant";
  EXPECT_TRUE(Has(out, "        Grantable .... YES"));

  ASSERT_EQ(Run("rdbspcinf", {"-p", "ORVSAMPLE.NEWSPACE"}, &out), 0);
  EXPECT_EQ(out[0], "Database space : NEWSPACE");
  EXPECT_TRUE(Has(out, "  total   :     2048K")) << "all of it free";

  const QString drop = QString::fromStdString(Control("rdbddlexD.txt", "DROP DBSPACE NEWSPACE"));
  ASSERT_EQ(Run("rdbddlex", {"-d", "ORVSAMPLE", drop}), 0);
  EXPECT_NE(Run("rdbddlex", {"-d", "ORVSAMPLE", drop}), 0) << "gone";
  EXPECT_NE(Run("rdbprt", {"-m", "DEF", "-d", "ORVSAMPLE", "-p", "-f", prt}), 0);
}

TEST_F(SpaceToolsTest, SampleSpaceShowsItsDsisAndASpaceWithDsisIsNotDropped) {
  Lines out;
  const QString prt = QString::fromStdString(Control("rdbprt.txt", "DBSPACE(DBSPACE1)"));
  ASSERT_EQ(Run("rdbprt", {"-m", "DEF", "-d", "ORVSAMPLE", "-p", "-f", prt}, &out), 0);
  EXPECT_TRUE(Has(out, "  DSI information"));
  EXPECT_TRUE(std::any_of(out.begin(), out.end(), [](const std::string& l) { return l.starts_with("    DSI name ...... "); }));
  EXPECT_TRUE(std::any_of(out.begin(), out.end(),
                          [](const std::string& l) { return l.starts_with("    Allocate size ...... ") && l.ends_with("(K byte)"); }));
  const QString drop = QString::fromStdString(Control("rdbddlexD.txt", "DROP DBSPACE DBSPACE1"));
  EXPECT_NE(Run("rdbddlex", {"-d", "ORVSAMPLE", drop}, &out), 0);
  EXPECT_EQ(out.back(), "rdbddlexが異常終了しました 復帰コード 08");
}

TEST_F(SpaceToolsTest, SampleGrantsInTheSpaceAndRoleReports) {
  Lines out;
  const QString prt = QString::fromStdString(Control("rdbprt.txt", "DBSPACE(DBSPACE1)"));
  ASSERT_EQ(Run("rdbprt", {"-m", "DEF", "-d", "ORVSAMPLE", "-p", "-f", prt}, &out), 0);
  EXPECT_TRUE(Has(out, "  Creator         ...... ORVUSER"));
  EXPECT_TRUE(Has(out, "      Grantee ...... AUDITOR"));
  EXPECT_TRUE(Has(out, "      Grantee ...... *")) << "PUBLIC";
  const QString roles = QString::fromStdString(Control("ctrl.txt", "ROLE(SALES_READER,GUEST_OWN)"));
  ASSERT_EQ(Run("rdbprt", {"-m", "DEF", "-f", roles}, &out), 0);
  EXPECT_EQ(out, (Lines{"Role name ...... SALES_READER", "      Type                ...... DBSPACE",
                        "      Database name       ...... ORVSAMPLE", "      Database space name ...... DBSPACE2",
                        "Role name ...... GUEST_OWN", "rdbprtが正常終了しました 復帰コード 00"}));
}

TEST_F(SpaceToolsTest, ReportsWithoutTheirLabelsFail) {
  Lines out;
  EXPECT_NE(Run("rdbspcinf", {"-p", "ORVSAMPLE.NOSUCH"}, &out), 0);
  EXPECT_FALSE(Has(out, "Database space : NOSUCH"));
  const QString prt = QString::fromStdString(Control("rdbprt.txt", "DBSPACE(NOSUCH)"));
  EXPECT_NE(Run("rdbprt", {"-m", "DEF", "-d", "ORVSAMPLE", "-p", "-f", prt}, &out), 0);
  EXPECT_FALSE(std::any_of(out.begin(), out.end(),
                           [](const std::string& l) { return l.find("Database space name ......") != std::string::npos; }));
  // On request the reports lose the lines their readers look for.
  setenv("SYMFOWARE_TOOL_FAIL", "rdbprt:noname,rdbspcinf:nospace", 1);
  const QString one = QString::fromStdString(Control("rdbprt.txt", "DBSPACE(DBSPACE1)"));
  EXPECT_EQ(Run("rdbprt", {"-m", "DEF", "-d", "ORVSAMPLE", "-p", "-f", one}, &out), 0);
  EXPECT_FALSE(std::any_of(out.begin(), out.end(),
                           [](const std::string& l) { return l.find("Database space name ......") != std::string::npos; }));
  EXPECT_FALSE(out.empty());
  EXPECT_EQ(Run("rdbspcinf", {"-p", "ORVSAMPLE.DBSPACE1"}, &out), 0);
  EXPECT_FALSE(Has(out, "Database space : DBSPACE1"));
  unsetenv("SYMFOWARE_TOOL_FAIL");
  const QString bad = QString::fromStdString(Control("rdbddlexC.txt", "CREATE DBSPACE X"));
  EXPECT_NE(Run("rdbddlex", {"-d", "ORVSAMPLE", bad}), 0);
}

TEST_F(SpaceToolsTest, ArgumentVectorLoggedWithBlanksKept) {
  const std::string log = sample.Path("tool.log");
  setenv("SYMFOWARE_TOOL_LOG", log.c_str(), 1);
  const std::string path = Control("rdbddlexD.txt", "DROP DBSPACE \"my space\"");
  Run("rdbddlex", {"-d", "MY DS", QString::fromStdString(path)});
  unsetenv("SYMFOWARE_TOOL_LOG");
  QFile file(QString::fromStdString(log));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(), "rdbddlex\t-d\tMY DS\t" + path + "\n");
}

}  // namespace
