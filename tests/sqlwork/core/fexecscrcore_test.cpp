#include "sqlwork/core/fexecscrcore.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "app/core/zarur.h"
#include "platform/dialogs.h"

namespace {

using Lines = std::vector<std::string>;

// The window of a run: files from a table, statements recorded and failed
// when the table says so, the log as lines with "#" before marked ones, Esc
// pressed at a given poll.
class RecordingRunner : public TScriptRunPort {
 public:
  Lines ReadScript(const std::string& path) override {
    auto file = files.find(path);
    if (file == files.end()) throw std::runtime_error(path + ": 読み込めません");
    return file->second;
  }
  void ExecStatement(const std::string& text) override {
    sent.push_back(text);
    if (text.find("FAIL") != std::string::npos) throw std::runtime_error("JYP0001E 失敗\nline 2");
  }
  void ClearLog() override { log.clear(); }
  void Log(const Lines& lines, bool errorMark) override {
    for (size_t i = 0; i < lines.size(); ++i) log.push_back((errorMark && i == 0 ? "#" : "") + lines[i]);
  }
  bool EscapePressed() override { return ++polls == escapeAt; }
  void Progress(int file, int files) override { progress.push_back(std::to_string(file) + "/" + std::to_string(files)); }
  void ReportError(const std::string& message) override { errors.push_back(message); }

  std::map<std::string, Lines> files;
  Lines sent;
  Lines log;
  Lines progress;
  Lines errors;
  int polls = 0;
  int escapeAt = -1;
};

TEST(ScriptLines, RemarksAtTheEdgesGoAndLongStatementsAreShortened) {
  for (const char* remark : {"", "  ", "REM", "rem a note", "REM\tx", "remark", "  REMARK  ", "Remark x"})
    EXPECT_TRUE(IsRemarkLine(remark)) << remark;
  for (const char* line : {"REMOVE X", "REMARKS", "SELECT 1 -- REM", "XREM"}) EXPECT_FALSE(IsRemarkLine(line)) << line;
  EXPECT_EQ(StripRemarkLines({"REM a", "remark", "INSERT INTO T", "REM inside", "VALUES (1)", "REM", ""}),
            (Lines{"INSERT INTO T", "REM inside", "VALUES (1)"}));
  EXPECT_EQ(LoggedStatement({"1", "2", "3", "4", "5", "6"}), (Lines{"1", "2", "3", "  -- (中略) --", "6"}));
  EXPECT_EQ(LoggedStatement({"1", "2", "3", "4"}), (Lines{"1", "2", "3", "4"}));
  EXPECT_EQ(ScriptRunMessage(0), "スクリプトの実行を終了しました。");
  EXPECT_EQ(ScriptRunMessage(2), "スクリプトの実行を終了しました。\r\n( 2個のエラーが発生しました )");
}

struct RunCase {
  const char* name;
  std::map<std::string, Lines> files;
  bool compDel;
  bool errStop;
  int escapeAt;
  Lines sent;
  Lines log;
  std::string message;
  Lines remaining;
};

class ScriptRun : public testing::TestWithParam<RunCase> {
 protected:
  ScriptRun() { saved_ = AppOption; }
  ~ScriptRun() override { AppOption = saved_; }
  platform::ScopedScriptedDialogs dialogs;
  TovOption saved_;
};

void PrintTo(const RunCase& c, std::ostream* out) { *out << c.name; }

TEST_P(ScriptRun, SendsLogsCountsAndKeepsTheList) {
  const RunCase& c = GetParam();
  RecordingRunner runner;
  runner.files = c.files;
  runner.escapeAt = c.escapeAt;
  runner.log = {"old"};
  AppOption.Separator = "/";
  AppOption.ScriptCompDel = !c.compDel;
  AppOption.ScriptErrStop = !c.errStop;
  std::vector<TScriptEntry> entries;
  for (const char* path : {"/a.sql", "/b.sql"}) entries.push_back({path, true});
  dialogs->QueueMessage(IDYES, {c.compDel, c.errStop});
  dialogs->QueueMessage(IDOK);
  ASSERT_TRUE(RunScriptList(runner, entries, ";"));
  EXPECT_EQ(AppOption.Separator, ";");
  EXPECT_EQ(runner.sent, c.sent);
  EXPECT_EQ(runner.log, c.log);
  ASSERT_EQ(dialogs->messages.size(), 2u);
  EXPECT_EQ(dialogs->messages[0].text, "スクリプトを実行しますか？");
  EXPECT_EQ(dialogs->messages[1].text, c.message);
  Lines remaining;
  for (const TScriptEntry& e : entries) remaining.push_back(e.Path);
  EXPECT_EQ(remaining, c.remaining);
  EXPECT_EQ(AppOption.ScriptCompDel, c.compDel);
  EXPECT_EQ(AppOption.ScriptErrStop, c.errStop);
}

const std::map<std::string, Lines> kCleanFiles{
    {"/a.sql", {"REM first", "remark", "INSERT INTO T VALUES (1)", "  ;  ", "REMOVE X", ";", "REM", ";", ";"}},
    {"/b.sql", {"UPDATE T", "SET A = 2"}}};
const std::map<std::string, Lines> kFailingFirst{
    {"/a.sql", {"L1", "L2", "L3", "L4", "L5", "FAIL", ";", "INSERT INTO T VALUES (3)"}},
    {"/b.sql", {"DELETE FROM T", ";"}}};
const std::string kOneError = "スクリプトの実行を終了しました。\r\n( 1個のエラーが発生しました )";
const Lines kFailedLog{"", "スクリプト実行 [ /a.sql ]", "#《エラー》", "L1", "L2", "L3", "  -- (中略) --", "FAIL",
                       "JYP0001E 失敗", "line 2"};

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptRun,
    testing::Values(
        RunCase{"CleanFilesWithSeparatorsRemarksAndNone", kCleanFiles, true, false, -1,
                {"INSERT INTO T VALUES (1)", "REMOVE X", "UPDATE T\r\nSET A = 2"},
                {"", "スクリプト実行 [ /a.sql ]", "《正常終了》", "《正常終了》", "", "スクリプト実行 [ /b.sql ]",
                 "《正常終了》"},
                "スクリプトの実行を終了しました。",
                {}},
        RunCase{"CleanFilesStayWithoutCompDel", kCleanFiles, false, false, -1,
                {"INSERT INTO T VALUES (1)", "REMOVE X", "UPDATE T\r\nSET A = 2"},
                {"", "スクリプト実行 [ /a.sql ]", "《正常終了》", "《正常終了》", "", "スクリプト実行 [ /b.sql ]",
                 "《正常終了》"},
                "スクリプトの実行を終了しました。",
                {"/a.sql", "/b.sql"}},
        RunCase{"AnErrorGoesOnAndOnlyTheFailedFileStays", kFailingFirst, true, false, -1,
                {"L1\r\nL2\r\nL3\r\nL4\r\nL5\r\nFAIL", "INSERT INTO T VALUES (3)", "DELETE FROM T"},
                [] {
                  Lines log = kFailedLog;
                  for (const char* l : {"《正常終了》", "", "スクリプト実行 [ /b.sql ]", "《正常終了》"}) log.push_back(l);
                  return log;
                }(),
                kOneError,
                {"/a.sql"}},
        RunCase{"AnErrorStopKeepsTheFilesNotRun", kFailingFirst, true, true, -1,
                {"L1\r\nL2\r\nL3\r\nL4\r\nL5\r\nFAIL"}, kFailedLog, kOneError, {"/a.sql", "/b.sql"}},
        // Esc before the fifth line: the statement collected is dropped,
        // and nothing not run to its end leaves the list.
        RunCase{"EscStopsBeforeTheNextLine", kCleanFiles, true, false, 5,
                {"INSERT INTO T VALUES (1)"},
                {"", "スクリプト実行 [ /a.sql ]", "《正常終了》"},
                "スクリプトの実行を終了しました。",
                {"/a.sql", "/b.sql"}},
        RunCase{"AnUnreadableFileCountsAndEndsTheRun", {{"/b.sql", {"DELETE FROM T"}}}, true, false, -1, {}, {},
                kOneError, {"/a.sql", "/b.sql"}}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(ScriptRunQuestion, NoRunsNothingButKeepsTheChoices) {
  platform::ScopedScriptedDialogs dialogs;
  const TovOption saved = AppOption;
  RecordingRunner runner;
  runner.log = {"kept"};
  std::vector<TScriptEntry> entries{{"/a.sql", false}};
  AppOption.Separator = "/";
  dialogs->QueueMessage(IDNO, {true, true});
  EXPECT_FALSE(RunScriptList(runner, entries, ";"));
  EXPECT_TRUE(AppOption.ScriptCompDel && AppOption.ScriptErrStop);
  EXPECT_EQ(AppOption.Separator, "/");
  EXPECT_EQ(runner.log, Lines{"kept"});
  EXPECT_TRUE(runner.sent.empty());
  AppOption = saved;
}

TEST(ScriptList, ScrollRangeAndSortDirections) {
  EXPECT_EQ(ScriptListExtent({}), 0);
  EXPECT_EQ(ScriptListExtent({40, 300, 120}), 470);
  // Each column keeps its own direction, ascending first.
  TSortDirections directions;
  EXPECT_TRUE(directions.Next(2));
  EXPECT_TRUE(directions.Next(0));
  EXPECT_FALSE(directions.Next(2));
  EXPECT_FALSE(directions.Next(0));
  EXPECT_TRUE(directions.Next(2));
  EXPECT_TRUE(directions.Next(1));
}

}  // namespace
