#include "app/core/ovrunner.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/ovreg.h"
#include "platform/process.h"
#include "tests/platform/temp_settings.h"
#include "tests/standin/odbc_fixture.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kToolBin = TEST_BINARY_DIR "/standin/symfoware/tools/bin";

TEST(CommandLineSplit, FollowsTheWindowsQuotingRules) {
  struct Case {
    std::string line;
    Lines args;
  };
  const Case cases[] = {
      {"rdbprt -m DB", {"rdbprt", "-m", "DB"}},
      {"  rdbprt\t-m   DB  ", {"rdbprt", "-m", "DB"}},
      {"rdbprt -f \"/tmp/my dir/t.rdbprt\"", {"rdbprt", "-f", "/tmp/my dir/t.rdbprt"}},
      {"\"/opt/sym bin/rdbprt\" -m DB", {"/opt/sym bin/rdbprt", "-m", "DB"}},
      {"t a\"b c\"d", {"t", "ab cd"}},
      {"t \"a\"\"b\"", {"t", "a\"b"}},
      {"t a\\\"b", {"t", "a\"b"}},
      {"t a\\\\\"b c\"", {"t", "a\\b c"}},
      {"t a\\\\b", {"t", "a\\\\b"}},
      {"t \"\"", {"t", ""}},
      {"t -u user/pass word", {"t", "-u", "user/pass", "word"}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::SplitCommandLine(c.line), c.args) << c.line;
}

// Names put into a tool's command line reach it as one argument each,
// whatever they hold; plain names are written as they are.
TEST(QuoteArgument, EveryTextComesBackAsOneArgument) {
  const std::string names[] = {"ORVSAMPLE", "MY DSN",  "A\"B",      "A\\",      "A\\\"B", "A;rm -rf ~",
                               "$(id)",     "`id`",    "a'b",       "",           "\t",      "DB.SPACE 1",
                               "日本語 名", "C:\\x\\", "\"\"", "A&&B|C>D"};
  for (const std::string& name : names) {
    const Lines args = platform::SplitCommandLine("rdbinf -p " + platform::QuoteArgument(name) + " -x");
    EXPECT_EQ(args, (Lines{"rdbinf", "-p", name, "-x"})) << name;
  }
  EXPECT_EQ(platform::QuoteArgument("ORVSAMPLE.DBSPACE1"), "ORVSAMPLE.DBSPACE1");
  EXPECT_EQ(platform::QuoteArgument("/tmp/ORV/temp/T.rdbprt"), "/tmp/ORV/temp/T.rdbprt");
}

TEST(OutputLines, SplitAtLineFeedWithCarriageReturnsRemovedAndTheLastLineKept) {
  platform::OutputLines one(1);
  one.Add(0, "a\r\nb\nc");
  EXPECT_EQ(one.Finish(), (Lines{"a", "b", "c"}));
  platform::OutputLines blank(1);
  blank.Add(0, "a\r\n\r\nb\r\n");
  EXPECT_EQ(blank.Finish(), (Lines{"a", "", "b"}));
  EXPECT_EQ(platform::OutputLines(1).Finish(), Lines{});
}

TEST(OutputLines, ALineUnfinishedOnOneStreamTakesNothingOfTheOther) {
  platform::OutputLines lines(2);
  lines.Add(0, "rdbprt: 復帰");
  lines.Add(1, "warning\r\n");
  lines.Add(0, "コード 12\r\nlast");
  lines.Add(1, "err tail");
  EXPECT_EQ(lines.Finish(), (Lines{"warning", "rdbprt: 復帰コード 12", "last", "err tail"}));
}

TEST(OutputLines, Cp932OutputIsConverted) {
  // "復帰コード 00" in CP932.
  const std::string cp932 = "\x95\x9c\x8b\x41\x83\x52\x81\x5b\x83\x68 00";
  EXPECT_EQ(platform::DecodeToolOutput(cp932), "復帰コード 00");
  EXPECT_EQ(platform::DecodeToolOutput("復帰コード 00"), "復帰コード 00");
}

TEST(ReturnCode, TheFirstReturnCodeLineDecides) {
  struct Case {
    Lines lines;
    std::optional<std::string> failing;
  };
  const Case cases[] = {
      {{}, std::nullopt},
      {{"no code here"}, std::nullopt},
      {{"x", "rdbprtが正常終了しました 復帰コード 00"}, std::nullopt},
      {{"rdbprtが異常終了しました 復帰コード 12"}, "rdbprtが異常終了しました 復帰コード 12"},
      {{"復帰コード 12", "復帰コード 00"}, "復帰コード 12"},
      {{"復帰コード 00", "復帰コード 12"}, std::nullopt},
      {{"復帰コード 0"}, "復帰コード 0"},
      {{"復帰コード  00"}, "復帰コード  00"},
  };
  for (const Case& c : cases) EXPECT_EQ(FailingReturnCodeLine(c.lines), c.failing) << ::testing::PrintToString(c.lines);
}

class RunnerTest : public ::testing::Test {
 protected:
  RunnerTest() {
    AppOption = {};
    AppOption.TempDir = env.Path("work") + "/";
    AppOption.SleepTime = 70;
    const char* path = std::getenv("PATH");
    testing_support::TempSettings::Set("PATH", kToolBin + ":" + (path ? path : ""));
    unsetenv("SYMFOWARE_TOOL_FAIL");
  }

  // A shell one-liner as a command line; the runner itself uses no shell.
  static std::string Shell(const std::string& script) { return "sh -c \"" + script + "\""; }

  void CreateSample() {
    odbc.CreateStandin("ORVUSER", "pw");
  }

  testing_support::TempSettings env;
  testing_odbc::OdbcFixture odbc;
};

TEST_F(RunnerTest, StandardErrorIsMergedAndCarriageReturnsGo) {
  Lines lines{"kept"};
  ASSERT_TRUE(RunCommand(Shell("printf 'out\\r\\n'; printf 'err\\r\\n' 1>&2"), lines, true));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "kept");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "out"), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "err"), 1);
}

TEST_F(RunnerTest, BothPipesAreReadToTheirEndAndTheLastLineIsKept) {
  // Far more than a pipe holds on each stream, so a runner that stops at
  // the process end or reads one pipe only would lose lines or hang.
  const int count = 30000;
  Lines lines;
  ASSERT_TRUE(RunCommand(Shell("yes out | head -n " + std::to_string(count) + "; yes err | head -n " +
                               std::to_string(count) + " 1>&2; printf 'tail'"),
                         lines, true));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "out"), count);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "err"), count);
  EXPECT_EQ(lines.back(), "tail");
}

TEST_F(RunnerTest, AFailingCodeOnAnUnterminatedLastLineIsNotLost) {
  platform::ScriptedDialogs& dialogs = env.Dialogs();
  Lines lines;
  EXPECT_FALSE(RunCommand(Shell("printf 'report\\r\\n復帰コード 12'"), lines, true));
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].text, std::string(kCommandFailed) + "復帰コード 12");
  EXPECT_EQ(dialogs.messages[0].flags & 0xF0u, 0x10u);
  EXPECT_EQ(lines, (Lines{"report", "復帰コード 12"}));
}

TEST_F(RunnerTest, EmptyOutputFailsOnlyOnRequestAndSilently) {
  Lines lines;
  EXPECT_FALSE(RunCommand("true", lines, true));
  EXPECT_TRUE(RunCommand("true", lines, false));
  EXPECT_TRUE(RunCommandQuiet("true", lines));
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST_F(RunnerTest, OutputWithoutAReturnCodeLineAndANonZeroExitSucceeds) {
  Lines lines;
  EXPECT_TRUE(RunCommand(Shell("echo listed; exit 3"), lines, true));
  EXPECT_EQ(lines, Lines{"listed"});
}

TEST_F(RunnerTest, AMissingToolFailsSilently) {
  Lines lines;
  EXPECT_FALSE(RunCommand("rdbno-such-tool -m DB", lines, false));
  EXPECT_FALSE(RunCommandQuiet("rdbno-such-tool -m DB", lines));
  EXPECT_TRUE(lines.empty());
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST_F(RunnerTest, QuietRunFailsOnACodeWithoutAMessage) {
  Lines lines;
  EXPECT_FALSE(RunCommandQuiet(Shell("echo '復帰コード 08'"), lines));
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST_F(RunnerTest, DatabaseSpaceControlFilePausesEveryPassOfRunCommandOnly) {
  AppOption.SleepTime = 300;
  QDir().mkpath(QString::fromStdString(AppOption.TempDir));
  QFile control(QString::fromStdString(AppOption.TempDir + kDbSpaceControlFile));
  ASSERT_TRUE(control.open(QIODevice::WriteOnly));
  control.write("CREATE DBSPACE SPACE1 ALLOCATE FILE /x SIZE 10M;\r\n");
  control.close();
  Lines lines;
  QElapsedTimer timer;
  timer.start();
  RunCommandQuiet("true", lines);
  EXPECT_LT(timer.elapsed(), AppOption.SleepTime);
  timer.restart();
  RunCommand("true", lines, false);
  EXPECT_GE(timer.elapsed(), AppOption.SleepTime);
  // Another text, or another case, makes no pause.
  ASSERT_TRUE(control.open(QIODevice::WriteOnly | QIODevice::Truncate));
  control.write("create dbspace SPACE1;\r\n");
  control.close();
  timer.restart();
  RunCommand("true", lines, false);
  EXPECT_LT(timer.elapsed(), AppOption.SleepTime);
}

TEST_F(RunnerTest, WriteTempFileWritesOneLineAndAlwaysQuotesThePath) {
  for (const std::string& sub : {std::string("ctl/t.rdbprt"), std::string("UPPER.TXT")}) {
    const std::string path = WriteTempFile(sub, "TABLE (S.T)");
    EXPECT_EQ(path, "\"" + AppOption.TempDir + sub + "\"");
    QFile file(QString::fromStdString(AppOption.TempDir + sub));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), "TABLE (S.T)\r\n");
  }
  // The quoted path survives the command-line split with blanks in it.
  AppOption.TempDir = env.Path("my work") + "/";
  const std::string path = WriteTempFile("T.rdbprt", "x");
  EXPECT_EQ(platform::SplitCommandLine("rdbprt -f " + path).back(), AppOption.TempDir + "T.rdbprt");
}

TEST_F(RunnerTest, LocalDataSourceIsTheOneRdbprtListsInAnyCase) {
  CreateSample();
  EXPECT_EQ(IsRemoteDataSource("ORVTEST"), 0);
  EXPECT_EQ(IsRemoteDataSource("orvtest"), 0);
  EXPECT_EQ(IsRemoteDataSource("OTHER"), 1);
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

TEST_F(RunnerTest, EveryFailureOfTheProbeMeansRemote) {
  CreateSample();
  for (const char* mode : {"silent", "code", "rdbprt:code"}) {
    testing_support::TempSettings::Set("SYMFOWARE_TOOL_FAIL", mode);
    EXPECT_EQ(IsRemoteDataSource("ORVTEST"), 1) << mode;
  }
  // Output on standard error only, or without the last line break, is
  // still read in full.
  for (const char* mode : {"stderr", "nolf", "exit"}) {
    testing_support::TempSettings::Set("SYMFOWARE_TOOL_FAIL", mode);
    EXPECT_EQ(IsRemoteDataSource("ORVTEST"), 0) << mode;
  }
  unsetenv("SYMFOWARE_TOOL_FAIL");
  testing_support::TempSettings::Set("PATH", "/nonexistent");
  EXPECT_EQ(IsRemoteDataSource("ORVTEST"), 1);
  EXPECT_TRUE(env.Dialogs().messages.empty());
}

}  // namespace

TEST(WorkFolderTest, EndsInOneSlashAndNeverBecomesTheRoot) {
  const TovOption saved = AppOption;
  const struct {
    const char* tempDir;
    const char* folder;
  } cases[] = {{"/tmp/w", "/tmp/w/"}, {"/tmp/w/", "/tmp/w/"}, {"", ""}};
  for (const auto& c : cases) {
    AppOption.TempDir = c.tempDir;
    EXPECT_EQ(WorkFolder(), c.folder) << c.tempDir;
  }
  AppOption = saved;
}
