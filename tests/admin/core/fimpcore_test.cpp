#include "admin/core/fimpcore.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/core/zarur.h"
#include "tests/admin/core/tool_script.h"

namespace {

using Lines = std::vector<std::string>;
using testing_admin::ToolAnswer;
using testing_admin::ToolScript;

const Lines kRecovered = {"rdbrcvが正常終了しました 復帰コード 00"};
const Lines kRecoveryFailed = {"rdbrcvが異常終了しました 復帰コード 12"};

TRestoreInput Dsi(int mode) {
  TRestoreInput in;
  in.Mode = mode;
  in.DataSource = "DB01";
  in.Dsi = in.DsiText = "DSI1";
  in.File = "/bk/DSI1.DMP";
  in.WorkDir = "/work;/work 2";
  return in;
}

TRestoreInput List(const Lines& lines) {
  TRestoreInput in = Dsi(bmDsiList);
  in.File = "/bk/ctrl.txt";
  in.ListLines = lines;
  return in;
}

Lines Information(const std::string& last, size_t count = 9) {
  Lines lines(count - 1, "filler");
  lines.push_back(last);
  return lines;
}

struct RestoreCase {
  const char* name;
  TRestoreInput in;
  std::vector<ToolAnswer> answers;
  Lines calls;
  TRestoreEnd end;
};

TEST(Restore, RunsItsToolsInOrderAndSaysHowItEnded) {
  const RestoreCase cases[] = {
      {"a recovered DSI needs no permit", Dsi(bmDsi), {{"rdbrcv", true, kRecovered}},
       {"rdbinh -i DB01.DSI1", "rdbrcv -L -i DB01.DSI1 -f DSI1.DMP@/bk -w \"/work;/work 2\""},
       TRestoreEnd::Completed},
      {"a failed recovery gives access back", Dsi(bmDsi), {{"rdbrcv", false, kRecoveryFailed}},
       {"rdbinh -i DB01.DSI1", "rdbrcv -L -i DB01.DSI1 -f DSI1.DMP@/bk -w \"/work;/work 2\"", "rdbpmt -i DB01.DSI1"},
       TRestoreEnd::Failed},
      {"a talkative inhibit stops silently", Dsi(bmDsi), {{"rdbinh", true, {"rdbinh: 閉塞中です"}}},
       {"rdbinh -i DB01.DSI1"}, TRestoreEnd::Silent},
      {"a failing inhibit stops silently", Dsi(bmExtent), {{"rdbinh", false, {}}}, {"rdbinh -i DB01.DSI1"},
       TRestoreEnd::Silent},
      {"the extent recovers from the trimmed control file",
       [] {
         TRestoreInput in = Dsi(bmExtent);
         in.File = " /bk/space.txt ";
         return in;
       }(),
       {{"rdbrcv", true, kRecovered}},
       {"rdbinh -i DB01.DSI1", "rdbrcv -L -i DB01.DSI1 -f /bk/space.txt -w \"/work;/work 2\""},
       TRestoreEnd::Completed},
      {"a list: every DSI inhibited, one recovery, every DSI released",
       List({"DB01.A /bk/A.DMP", "# DB01.B", "", "DB01.C /bk/C.DMP"}),
       {{"rdbrcv", true, kRecovered}},
       {"rdbinh -i DB01.A", "rdbinh -i DB01.C", "rdbrcv -L -t /bk/ctrl.txt -w \"/work;/work 2\"", "rdbrls -i DB01.A",
        "rdbrls -i DB01.C"},
       TRestoreEnd::Completed},
      {"a list releases up to the last inhibited line",
       List({"DB01.A x", "DB01.B x", "DB01.C x", "DB01.D x"}),
       {{"rdbinh -i DB01.C", true, {"rdbinh: 閉塞中です"}}},
       {"rdbinh -i DB01.A", "rdbinh -i DB01.B", "rdbinh -i DB01.C", "rdbrls -i DB01.A", "rdbrls -i DB01.B"},
       TRestoreEnd::Failed},
      {"a list recovery that prints nothing failed", List({"DB01.A x"}), {},
       {"rdbinh -i DB01.A", "rdbrcv -L -t /bk/ctrl.txt -w \"/work;/work 2\"", "rdbrls -i DB01.A"},
       TRestoreEnd::Failed},
  };
  for (const RestoreCase& c : cases) {
    ToolScript script(c.answers);
    const TRestoreRun run = RunRestore(c.in, script.Runner());
    EXPECT_EQ(script.calls, c.calls) << c.name;
    EXPECT_EQ(run.End, c.end) << c.name;
  }
}

TEST(Restore, OnlyTheInhibitsAndRecoveriesAreLogged) {
  ToolScript script({{"rdbrcv", false, kRecoveryFailed}, {"rdbpmt", true, {"rdbpmt: 解除しました"}}});
  const TRestoreRun run = RunRestore(Dsi(bmDsi), script.Runner());
  EXPECT_EQ(run.Sequence.Log, kRecoveryFailed);
}

TEST(Restore, ADumpFileMustDescribeWhatIsRestored) {
  struct Case {
    const char* name;
    Lines lines;
    int mode;
    bool matches;
  };
  const Case cases[] = {
      {"the DSI's dump", Information("rdbdmp    DSI   DB01.DSI1"), bmDsi, true},
      {"eight lines", Information("rdbdmp    DSI   DB01.DSI1", 8), bmDsi, false},
      {"ten lines", Information("rdbdmp    DSI   DB01.DSI1", 10), bmDsi, false},
      {"another DSI", Information("rdbdmp    DSI   DB01.DSI2"), bmDsi, false},
      {"a dictionary dump in mode 0", Information("rdbdmpdic DIC   RDBII_DICTIONARY"), bmDsi, false},
      {"a dictionary dump naming the DSI text in mode 0", Information("rdbdmpdic DSI DIC DSI1"), bmDsi, true},
      {"the dictionary's dump", Information("rdbdmpdic DIC   RDBII_DICTIONARY"), bmDictionary, true},
      {"a DSI dump for the dictionary", Information("rdbdmp    DSI   DB01.DSI1"), bmDictionary, false},
      {"no output", {}, bmDsi, false},
  };
  for (const Case& c : cases) EXPECT_EQ(DumpMatches(c.lines, c.mode, "DSI1"), c.matches) << c.name;
  EXPECT_EQ(DumpInformationCommand("/my dumps/A.DMP"), "rdbdvinf -r \"/my dumps/A.DMP\" -h -a");
}

TEST(Restore, ChecksItsInputsInOrder) {
  struct Case {
    int mode;
    std::string file, dsi, work;
    std::optional<TInputError> error;
  };
  const Case cases[] = {
      {bmDsi, "", "D", "/w", TInputError{"入力ファイル名を入力して下さい。", bfFile}},
      {bmDsi, "A.DMP", "D", "/w", TInputError{"入力ファイルの指定が正しくありません。", bfFile}},
      {bmDsi, "/A.DMP", "", "/w", TInputError{"出力するDSIを指定して下さい。", bfDsi}},
      {bmDsi, "/A.DMP", "D", " ", TInputError{"ワークファイルパスを入力して下さい。", bfWorkDir}},
      {bmDsi, "/A.DMP", "D", "/w", std::nullopt},
      {bmDsiList, "", "", "/w", TInputError{"バックアップ制御ファイル名を入力して下さい。", bfFile}},
      {bmDsiList, "c.txt", "", "/w", TInputError{"バックアップ制御ファイルの指定が正しくありません。", bfFile}},
      {bmDsiList, "/c.txt", "", "", TInputError{"ワークファイルパスを入力して下さい。", bfWorkDir}},
      {bmExtent, "/c.txt", "", "/w", TInputError{"出力するDSIを指定して下さい。", bfDsi}},
      {bmDictionary, "DIC.DMP", "", "", TInputError{"入力ファイルの指定が正しくありません。", bfFile}},
      {bmDictionary, "/DIC.DMP", "", "", std::nullopt},
  };
  for (const Case& c : cases) {
    TRestoreInput in;
    in.Mode = c.mode;
    in.File = c.file;
    in.Dsi = c.dsi;
    in.WorkDir = c.work;
    EXPECT_EQ(CheckRestoreInput(in), c.error) << c.mode << " " << c.file;
  }
}

// The dictionary restore's steps, recorded.
struct DictionaryPort {
  TDictionaryRestorePort Port() {
    TDictionaryRestorePort port;
    port.Ask = [this](const std::string& text, unsigned flags) {
      steps.push_back("ask " + text + " " + std::to_string(flags));
      return answer;
    };
    port.SaveState = [this] {
      steps.push_back("save");
      if (saveFails) throw std::runtime_error("registry");
    };
    port.WriteScript = [this](const std::string& path, const std::string& text) {
      steps.push_back("write " + path);
      script = text;
    };
    port.StartScript = [this](const std::string& path) { steps.push_back("start " + path); };
    port.EndProgram = [this] { steps.push_back("end"); };
    return port;
  }
  int answer = IDYES;
  bool saveFails = false;
  Lines steps;
  std::string script;
};

TEST(DictionaryRestore, NoWritesNothingAndYesWritesTheScriptAndEndsTheProgram) {
  DictionaryPort no;
  no.answer = IDNO;
  EXPECT_FALSE(RunDictionaryRestore("/tmp/orv/", "/bk/DIC.DMP", no.Port()));
  EXPECT_EQ(no.steps, (Lines{"ask " + std::string(kDictionaryQuestion) + " " + std::to_string(MB_YESNO | MB_ICONWARNING)}));

  DictionaryPort yes;
  yes.saveFails = true;  // ignored: the restore goes on
  EXPECT_TRUE(RunDictionaryRestore("/tmp/orv/", "/my bk/it's.DMP", yes.Port()));
  EXPECT_EQ(yes.steps, (Lines{"ask " + std::string(kDictionaryQuestion) + " " + std::to_string(MB_YESNO | MB_ICONWARNING),
                              "ask " + std::string(kDictionaryNotice) + " " + std::to_string(MB_ICONWARNING), "save",
                              "write /tmp/orv/ovimp.sh", "start /tmp/orv/ovimp.sh", "end"}));
  EXPECT_NE(yes.script.find("rdbstop -mc\nrdbrcvdic -L -f 'it'\\''s.DMP@/my bk'\nrdbstart\n"), std::string::npos);
  EXPECT_NE(yes.script.find("echo ディクショナリの復元処理が終了しました\necho 何かキーを押すと終了します\n"),
            std::string::npos);
  EXPECT_EQ(yes.script.rfind("#!/bin/sh\n", 0), 0u);
}

}  // namespace
