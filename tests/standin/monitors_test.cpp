#include <gtest/gtest.h>

#include <QFile>

#include <string>
#include <vector>

#include "tests/standin/odbc_fixture.h"
#include "tests/standin/tools_sample.h"

namespace {

using Lines = std::vector<std::string>;

using testing_tools::ToolLines;

bool Holds(const Lines& lines, const std::string& text) {
  for (const std::string& line : lines)
    if (line.find(text) != std::string::npos) return true;
  return false;
}

class MonitorsTest : public ::testing::Test {
 protected:
  MonitorsTest() {
    TestApp();
    unsetenv("SYMFOWARE_TOOL_FAIL");
    unsetenv("SYMFOWARE_TOOL_LOG");
  }
  ~MonitorsTest() override {
    unsetenv("SYMFOWARE_TOOL_FAIL");
    unsetenv("SYMFOWARE_TOOL_LOG");
  }
  testing_tools::SampleDataSource sample;
};

TEST_F(MonitorsTest, SessionsHeadingsOwnLineAndTrailer) {
  const Lines lines = ToolLines("rdbps", {"-e"});
  ASSERT_GE(lines.size(), 9u);
  EXPECT_EQ(lines[4], "ORVUSER   4711   12   WAIT    00:05:13  ODBC    orv/orv");
  EXPECT_TRUE(lines[lines.size() - 2].ends_with("RUN 00:00:00 RDBCMD rdbps"));
  EXPECT_EQ(lines.back(), "rdbpsが正常終了しました 復帰コード 00");
}

TEST_F(MonitorsTest, EndingASessionTakesItAndItsLocksAway) {
  EXPECT_TRUE(Holds(ToolLines("rdblkinf", {"-l", "-e"}), " 4800 "));
  const Lines ended = ToolLines("rdbterm", {"-p", "4800/13"});
  EXPECT_EQ(ended.front(), "qdg13294i:プロセス(4800/13)を切断しました");
  EXPECT_FALSE(Holds(ToolLines("rdbps", {"-e"}), " 4800 "));
  const Lines locks = ToolLines("rdblkinf", {"-l", "-e"});
  EXPECT_FALSE(Holds(locks, " 4800 "));
  EXPECT_TRUE(Holds(locks, " 4711 "));
  const Lines again = ToolLines("rdbterm", {"-p", "4800"});
  EXPECT_FALSE(Holds(again, "qdg13294i:"));
  EXPECT_EQ(again.back(), "rdbtermが異常終了しました 復帰コード 08");
  EXPECT_TRUE(Holds(ToolLines("rdbterm", {"-p", "7"}), "qdg13294i:"));
}

TEST_F(MonitorsTest, LocksEndWithoutAReturnCodeUnlessTheyFail) {
  const Lines lines = ToolLines("rdblkinf", {"-l", "-e"});
  EXPECT_EQ(lines.front(), "RDBII rdblkinf ロック情報");
  EXPECT_EQ(lines.back(), "GRANT   GUEST    5120  15   ODBC  orv/orv  ROW   SH");
  EXPECT_FALSE(Holds(lines, "復帰コード"));
  setenv("SYMFOWARE_TOOL_FAIL", "code", 1);
  EXPECT_EQ(ToolLines("rdblkinf", {"-l", "-e"}).back(), "rdblkinfが異常終了しました 復帰コード 12");
}

TEST_F(MonitorsTest, LogFilesFromTheCatalogue) {
  const Lines lines = ToolLines("rdblog", {"-V", "-t"});
  ASSERT_GE(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Status       :ACTIVE");
  EXPECT_EQ(lines[1], "Ai           :10M /var/symfoware/log/ai");
  EXPECT_EQ(lines[2], "Bi           :10M /var/symfoware/log/bi");
  EXPECT_TRUE(lines[3].starts_with("Index        :"));
}

TEST_F(MonitorsTest, ToolSpecificFailuresAndTheArgumentLog) {
  setenv("SYMFOWARE_TOOL_FAIL", "rdbterm:nosuccess,rdblog:nostatus", 1);
  const std::string log = sample.Path("calls.log");
  setenv("SYMFOWARE_TOOL_LOG", log.c_str(), 1);
  const Lines ended = ToolLines("rdbterm", {"-p", "4711/12"});
  EXPECT_FALSE(Holds(ended, "qdg13294i:"));
  EXPECT_EQ(ended.back(), "rdbtermが正常終了しました 復帰コード 00");
  EXPECT_FALSE(Holds(ToolLines("rdblog", {"-V", "-t"}), "Status       :"));
  ToolLines("rdbps", {"-e", "a b"});
  QFile file(QString::fromStdString(log));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(), "rdbterm\t-p\t4711/12\nrdblog\t-V\t-t\nrdbps\t-e\ta b\n");
}

}  // namespace
