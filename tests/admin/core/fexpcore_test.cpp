#include "admin/core/fexpcore.h"

#include <gtest/gtest.h>

#include "tests/admin/core/tool_script.h"

namespace {

using Lines = std::vector<std::string>;
using testing_admin::ToolAnswer;
using testing_admin::ToolScript;

const Lines kDumped = {"rdbdmp: DB01.DSI1 を DSI1.DMP@/bk に出力しました", "rdbdmpが正常終了しました 復帰コード 00"};

TBackupInput Dsi(int mode) {
  TBackupInput in;
  in.Mode = mode;
  in.DataSource = "DB01";
  in.Dsi = "DSI1";
  in.ExpFile = "/bk/DSI1.DMP";
  in.CtrlFile = "/bk/list.txt";
  in.ErrStop = false;
  return in;
}

TBackupInput List(const Lines& lines) {
  TBackupInput in = Dsi(bmDsiList);
  in.ListLines = lines;
  return in;
}

struct BackupCase {
  const char* name;
  TBackupInput in;
  std::vector<ToolAnswer> answers;
  Lines calls;
  bool success;
};

TEST(Backup, RunsItsToolsInOrderAndJudgesTheRun) {
  TBackupInput stop = Dsi(bmDsi);
  stop.ErrStop = true;
  TBackupInput blanks = Dsi(bmDsi);
  blanks.ExpFile = "/back ups/it's.DMP";
  const BackupCase cases[] = {
      {"the DSI trio", Dsi(bmDsi), {{"rdbdmp", true, kDumped}},
       {"rdbrtr -i DB01.DSI1", "rdbdmp -i DB01.DSI1 -f DSI1.DMP@/bk -N -e -y", "rdbrls -i DB01.DSI1"}, true},
      {"the stop box gives -N alone", stop, {{"rdbdmp", true, kDumped}},
       {"rdbrtr -i DB01.DSI1", "rdbdmp -i DB01.DSI1 -f DSI1.DMP@/bk -N", "rdbrls -i DB01.DSI1"}, true},
      {"a path with blanks and a quote is one argument", blanks, {{"rdbdmp", true, kDumped}},
       {"rdbrtr -i DB01.DSI1", "rdbdmp -i DB01.DSI1 -f \"it's.DMP@/back ups\" -N -e -y", "rdbrls -i DB01.DSI1"},
       true},
      {"a talkative retain: no dump, no release",
       Dsi(bmDsi),
       {{"rdbrtr", true, {"rdbrtr: DSI DB01.DSI1 は他のプロセスで退避中です"}}},
       {"rdbrtr -i DB01.DSI1"},
       false},
      {"a failing retain", Dsi(bmDsi), {{"rdbrtr", false, {}}}, {"rdbrtr -i DB01.DSI1"}, false},
      {"a failed dump fails the run though the release succeeds",
       Dsi(bmDsi),
       {{"rdbdmp", false, {"rdbdmpが異常終了しました 復帰コード 12"}}},
       {"rdbrtr -i DB01.DSI1", "rdbdmp -i DB01.DSI1 -f DSI1.DMP@/bk -N -e -y", "rdbrls -i DB01.DSI1"},
       false},
      {"a dump that prints nothing fails", Dsi(bmDsi), {},
       {"rdbrtr -i DB01.DSI1", "rdbdmp -i DB01.DSI1 -f DSI1.DMP@/bk -N -e -y", "rdbrls -i DB01.DSI1"}, false},
      {"a failing release fails the run", Dsi(bmDsi), {{"rdbdmp", true, kDumped}, {"rdbrls", false, {}}},
       {"rdbrtr -i DB01.DSI1", "rdbdmp -i DB01.DSI1 -f DSI1.DMP@/bk -N -e -y", "rdbrls -i DB01.DSI1"}, false},
      {"the extent dumps to the space file", Dsi(bmExtent), {{"rdbdmp", true, kDumped}},
       {"rdbrtr -i DB01.DSI1", "rdbdmp -i DB01.DSI1 -f /bk/list.txt -N -e -y", "rdbrls -i DB01.DSI1"}, true},
      {"the dictionary", Dsi(bmDictionary), {{"rdbdmpdic", true, kDumped}},
       {"rdbrtr -z -rw", "rdbdmpdic -f DSI1.DMP@/bk -N -e -y", "rdbrls -z -rw"}, true},
      {"a list: every DSI retained, one dump, every DSI released",
       List({"# backup of DB01", "  DB01.DSI1 /bk/DSI1.DMP", "", "DB01.DSI2 /bk/DSI2.DMP", "NOBLANK"}),
       {{"rdbdmp", true, kDumped}},
       {"rdbrtr -i DB01.DSI1", "rdbrtr -i DB01.DSI2", "rdbdmp -t /bk/list.txt -N -e -y", "rdbrls -i DB01.DSI1",
        "rdbrls -i DB01.DSI2"},
       true},
      {"a list whose third line fails: two DSIs released",
       List({"DB01.A x", "#DB01.B x", "DB01.C x", "DB01.D x", "DB01.E x"}),
       {{"rdbrtr -i DB01.D", false, {"rdbrtrが異常終了しました 復帰コード 12"}}, {"rdbdmp", true, kDumped}},
       {"rdbrtr -i DB01.A", "rdbrtr -i DB01.C", "rdbrtr -i DB01.D", "rdbrls -i DB01.A", "rdbrls -i DB01.C"},
       false},
      {"a list of comments only runs nothing", List({"# one", "#two x", "   "}), {}, {}, false},
  };
  for (const BackupCase& c : cases) {
    ToolScript script(c.answers);
    const TToolSequence run = RunBackup(c.in, script.Runner());
    EXPECT_EQ(script.calls, c.calls) << c.name;
    EXPECT_EQ(run.Commands, c.calls) << c.name;
    EXPECT_EQ(run.Success, c.success) << c.name;
  }
}

TEST(Backup, OnlyTheDumpCountsEmptyOutputAsFailureAndEveryOutputIsLogged) {
  ToolScript script({{"rdbdmp", true, kDumped}, {"rdbrls", true, {"rdbrlsが正常終了しました 復帰コード 00"}}});
  const TToolSequence run = RunBackup(Dsi(bmDsi), script.Runner());
  EXPECT_EQ(script.emptyFails, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(run.Log, (Lines{kDumped[0], kDumped[1], "rdbrlsが正常終了しました 復帰コード 00"}));
}

TEST(Backup, ListLinesNameTheirDsiByTheirFirstWord) {
  const std::pair<const char*, const char*> cases[] = {
      {"  DB01.DSI1 C:/BK/DSI1.DMP", "DB01.DSI1"}, {"DB01.DSI1\tX Y", "DB01.DSI1\tX"}, {"DB01.DSI1", ""},
      {"", ""}, {"#DB01.DSI1 x", "#DB01.DSI1"}};
  for (const auto& [line, name] : cases) EXPECT_EQ(DsiListName(line), name) << line;
  EXPECT_TRUE(SkipsDsiListLine(""));
  EXPECT_TRUE(SkipsDsiListLine("#x"));
  EXPECT_FALSE(SkipsDsiListLine("DB01.X"));
}

TEST(Backup, ChecksItsInputsInOrder) {
  struct Case {
    int mode;
    std::string file, dsi, ctrl;
    std::optional<TInputError> error;
  };
  const Case cases[] = {
      {bmDsi, " ", "D", "", TInputError{"出力ファイル名を入力して下さい。", bfFile}},
      {bmDsi, "NOFOLDER.DMP", "D", "", TInputError{"出力ファイルの指定が正しくありません。", bfFile}},
      {bmDsi, "/bk/", "D", "", TInputError{"出力ファイルの指定が正しくありません。", bfFile}},
      {bmDsi, "/bk/A.DMP", "", "", TInputError{"出力するDSIを指定して下さい。", bfDsi}},
      {bmDsi, "/bk/A.DMP", "D", "", std::nullopt},
      {bmDsiList, "", "", " ", TInputError{"DSI指定ファイルを入力して下さい。", bfCtrlFile}},
      {bmDsiList, "", "", "/l.txt", std::nullopt},
      {bmExtent, "", "", "", TInputError{"出力するDSIを指定して下さい。", bfDsi}},
      {bmExtent, "", "D", "", TInputError{"データベーススペース指定ファイルを入力して下さい。", bfCtrlFile}},
      {bmDictionary, "", "", "", TInputError{"出力ファイル名を入力して下さい。", bfFile}},
      {bmDictionary, "/bk/DIC.DMP", "", "", std::nullopt},
  };
  for (const Case& c : cases) {
    TBackupInput in;
    in.Mode = c.mode;
    in.ExpFile = c.file;
    in.Dsi = c.dsi;
    in.CtrlFile = c.ctrl;
    EXPECT_EQ(CheckBackupInput(in), c.error) << c.mode << " " << c.file;
  }
}

}  // namespace
