#include "admin/core/ftbscore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using Lines = std::vector<std::string>;

const Lines kSpaceReport{
    "Database space name ...... SPACE1",
    "  File name       ...... \\\\srv\\rdb\\space1.dat",
    "  Device kind     ...... FILE",
    "  Allocate size   ...... 10240K",
    "  Creator         ...... HR",
    "  Created date    ...... 2024-01-23 15:30:45",
    "  Loggroup        ...... system",
    "  Privilege information",
    "    Privilege ...... allocate",
    "      Grantee ...... HR",
    "        Grantor   .... HR",
    "        Grantable .... YES",
    "      Grantee ...... *",
    "        Grantor   .... HR",
    "        Grantable .... NO",
    "  DSI information",
    "    DSI name ...... EMP_DSI1",
    "    Usage type    ...... DATA",
    "    Schema name   ...... HR",
    "    Table name    ...... EMP",
    "    DSO name      ...... EMP_DSO",
    "    Allocate size ...... 1(M byte)",
    "    DSI name ...... EMP_DSI1",
    "    Usage type    ...... DATA",
    "    Schema name   ...... HR",
    "    Table name    ...... EMP",
    "    DSO name      ...... EMP_DSO",
    "    Allocate size ...... 512(K byte)",
    "    DSI name ...... IX_DSI",
    "    Usage type    ...... INDEX",
    "    Schema name   ...... HR",
    "    Table name    ...... EMP",
    "    DSO name      ...... IX_DSO",
    "    Allocate size ...... 0(  byte)",
    "",
    "rdbprtが正常終了しました 復帰コード 00"};

TEST(TbsReport, DefinitionLabelsAtTheirColumns) {
  TTbsReport report;
  ASSERT_TRUE(ReadTbsDefinition(kSpaceReport, report));
  const TTbsDefinition& d = report.Definition;
  EXPECT_EQ(d[tfName], "SPACE1");
  EXPECT_EQ(d[tfFile], "\\\\srv\\rdb\\space1.dat");
  EXPECT_EQ(d[tfAllocate], "10240K");
  EXPECT_EQ(d[tfCreator], "HR");
  EXPECT_EQ(d[tfCreated], "2024-01-23 15:30:45");
  EXPECT_EQ(d[tfLogGroup], "system");
  EXPECT_EQ(d[tfStatic], "") << "not given by this report";
  ASSERT_EQ(report.Grantees.size(), 2u);
  EXPECT_EQ(report.Grantees[0].Privilege, "ALLOCATE") << "in any case";
  EXPECT_EQ(report.Grantees[0].Grantable, "YES");
  EXPECT_EQ(report.Grantees[1].Grantee, "PUBLIC") << "the star";
  EXPECT_EQ(report.Grantees[1].Grantor, "HR") << "four dots, column 23";
  EXPECT_EQ(report.Grantees[1].Grantable, "NO");
  TTbsReport none;
  EXPECT_FALSE(ReadTbsDefinition({"Database space : X", "rdbprtが正常終了しました 復帰コード 00"}, none));
}

TEST(TbsReport, EqualDsisMergedInKilobytes) {
  TTbsReport report;
  ASSERT_TRUE(ReadTbsDefinition(kSpaceReport, report));
  MergeDsiSizes(report.Dsis);
  ASSERT_EQ(report.Dsis.size(), 3u);
  EXPECT_EQ(report.Dsis[0].Size, "1536");
  EXPECT_EQ(report.Dsis[1].Name, "") << "merged into the first";
  EXPECT_EQ(report.Dsis[2].Size, "1");
  std::vector<TTbsDsi> odd{{"A", "DATA", "S", "T", "D", "x(M byte)"}, {"B", "DATA", "S", "T", "D", "7"}};
  MergeDsiSizes(odd);
  EXPECT_EQ(odd[0].Size, "0");
  std::vector<TTbsDsi> bad{{"A", "DATA", "S", "T", "D", "x"}, {"A", "DATA", "S", "T", "D", "7"}};
  EXPECT_THROW(MergeDsiSizes(bad), std::invalid_argument);
}

TEST(TbsReport, UsageTotalsAndFree) {
  TTbsDefinition d{};
  const Lines p{"Database space : SPACE1", "Static allocate size", "  EMP_DSI1     :     2048K",
                "  total   :     4096K",  "Dynamic allocate size", "  total   :     1024K",
                "Free size",               "  total   :     5120K", "rdbspcinfが正常終了しました 復帰コード 00",
                "Free size",               "  total   :     9999K"};
  ASSERT_TRUE(ReadTbsUsage(p, d));
  EXPECT_EQ(d[tfStatic], "4096");
  EXPECT_EQ(d[tfDynamic], "1024");
  EXPECT_EQ(d[tfFree], "5120") << "the scan stops at the tool's line";
  EXPECT_FALSE(ReadTbsUsage({"Database space name ...... X"}, d));
}

TEST(TbsReport, RoleGrantsOfThisSpaceAndDataSource) {
  const Lines roles{"Role name ...... R_APP",
                    "      Type                ...... DBSPACE",
                    "      Database name       ...... DB01",
                    "      Database space name ...... SPACE1",
                    "Role name ...... R_OTHER",
                    "      Type                ...... DBSPACE",
                    "      Database name       ...... DB02",
                    "      Database space name ...... SPACE1",
                    "Role name ...... R_READ",
                    "      Type                ...... TABLE",
                    "      Database name       ...... DB01",
                    "      Database space name ...... SPACE1"};
  EXPECT_EQ(ReadRoleGrants(roles, "DB01", "SPACE1"), (Lines{"R_APP"}));
  EXPECT_EQ(RoleControlText({"R1", "R2"}), "ROLE(R1,R2)");
  EXPECT_EQ(RoleControlText({}), "");
}

TEST(TbsDdl, CreateDropAndChecks) {
  TTbsInput in{"SP2", false, "/srv/sp2.dat", "2", true, true};
  EXPECT_EQ(TbsCreateLines(in), (Lines{"CREATE DBSPACE SP2", "  ALLOCATE FILE /srv/sp2.dat", "  ATTRIBUTE SPACE (2M)"}));
  in.Network = true;
  in.Megabytes = false;
  EXPECT_EQ(TbsCreateLines(in)[1], "  ALLOCATE NETWORK FILE /srv/sp2.dat");
  EXPECT_EQ(TbsCreateLines(in)[2], "  ATTRIBUTE SPACE (2K)");
  EXPECT_EQ(TbsScriptLines(in, "/").back(), "/");
  EXPECT_EQ(TbsDropLine("sp"), "DROP DBSPACE \"sp\"");
  EXPECT_EQ(CheckTbsInput({" ", false, "d", "1", true, true}), TTbsCheck::NameMissing);
  EXPECT_EQ(CheckTbsInput({"N", false, "", "1", true, true}), TTbsCheck::DeviceMissing);
  EXPECT_EQ(CheckTbsInput({"N", false, "d", "", true, true}), TTbsCheck::SizeMissing);
  EXPECT_EQ(CheckTbsInput({"N", false, "d", "", true, false}), TTbsCheck::Ok);
}

TEST(TbsGrants, TheFiveRowTableAndRoles) {
  struct Case {
    bool l0, r0, l, r;
    const char* statement;
  };
  const Case cases[] = {
      {false, false, true, false, "GRANT ALLOCATE ON DBSPACE SP TO U1"},
      {false, false, true, true, "GRANT ALLOCATE ON DBSPACE SP TO U1 WITH GRANT OPTION"},
      {true, false, true, true, "GRANT ALLOCATE ON DBSPACE SP TO U1 WITH GRANT OPTION"},
      {true, false, false, false, "REVOKE ALLOCATE ON DBSPACE SP FROM U1 CASCADE"},
      {true, true, true, false, "REVOKE GRANT OPTION FOR ALLOCATE ON DBSPACE SP FROM U1 CASCADE"},
      {true, true, false, false, "REVOKE ALLOCATE ON DBSPACE SP FROM U1 CASCADE"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TbsGrantStatements("SP", {{"U1 ", true, c.l0, c.r0, c.l, c.r}}, {}), (Lines{c.statement}))
        << c.statement;
  EXPECT_TRUE(TbsGrantStatements("SP", {{"HR", false, true, true, false, false}}, {}).empty()) << "the creator";
  EXPECT_TRUE(TbsGrantStatements("SP", {{"U1", true, true, true, true, true}}, {}).empty());
  EXPECT_EQ(TbsGrantStatements("sp", {{"u1", true, false, false, true, false}},
                               {{"R1", true, false, false, true, false}, {"r2", true, true, false, false, false}}),
            (Lines{"GRANT ALLOCATE ON DBSPACE \"sp\" TO \"u1\"", "GRANT ALLOCATE ON DBSPACE \"sp\" TO ROLE R1",
                   "REVOKE ALLOCATE ON DBSPACE \"sp\" FROM ROLE \"r2\""}));
}

// Records every command line and the control file it names.
struct Recorder {
  std::vector<bool> answers{};
  Lines commands{}, controls{};
  bool operator()(const std::string& line) {
    commands.push_back(line);
    const std::string path = line.substr(line.rfind(' ') + 1);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    controls.push_back(text.str());
    const bool ok = answers.empty() || answers.front();
    if (!answers.empty()) answers.erase(answers.begin());
    return ok;
  }
};

class TbsCompile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = std::filesystem::temp_directory_path() / (std::string("tbs_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override { std::filesystem::remove_all(folder); }
  std::string Work() const { return folder.string() + "/"; }
  bool NothingLeft() const { return std::filesystem::is_empty(folder); }
  std::filesystem::path folder;
  TTbsInput input{"DROPZONE", false, "/srv/d.dat", "2", true, true};
};

TEST_F(TbsCompile, PathsAgainstARecordingRunner) {
  Recorder none;
  EXPECT_EQ(RunTbsCompile(Work(), input, false, false, "DB01", std::ref(none)), TTbsCompileOutcome::NothingToRun);
  EXPECT_TRUE(none.commands.empty()) << "privileges alone run no tool";

  Recorder fresh;
  EXPECT_EQ(RunTbsCompile(Work(), input, false, true, "DB01", std::ref(fresh)), TTbsCompileOutcome::Created);
  ASSERT_EQ(fresh.commands.size(), 1u) << "a name holding DROP drops nothing";
  EXPECT_EQ(fresh.controls[0], "CREATE DBSPACE DROPZONE\r\n  ALLOCATE FILE /srv/d.dat\r\n  ATTRIBUTE SPACE (2M)\r\n");

  Recorder resized;
  EXPECT_EQ(RunTbsCompile(Work(), input, true, true, "DB01", std::ref(resized)), TTbsCompileOutcome::Created);
  ASSERT_EQ(resized.commands.size(), 2u);
  EXPECT_EQ(resized.controls[0], "DROP DBSPACE DROPZONE\r\n");
  EXPECT_EQ(resized.commands[0], "rdbddlex -d DB01 " + Work() + "rdbddlexD.txt");
  EXPECT_EQ(resized.commands[1], "rdbddlex -d DB01 " + Work() + "rdbddlexC.txt");

  Recorder dropFails{{false}};
  EXPECT_EQ(RunTbsCompile(Work(), input, true, true, "DB01", std::ref(dropFails)), TTbsCompileOutcome::DropFailed);
  EXPECT_EQ(dropFails.commands.size(), 1u) << "no create after a failed drop";

  Recorder createFails{{true, false}};
  EXPECT_EQ(RunTbsCompile(Work(), input, true, true, "DB01", std::ref(createFails)),
            TTbsCompileOutcome::CreateFailed);
  EXPECT_TRUE(NothingLeft()) << "control files removed after every run";
}

TEST_F(TbsCompile, ControlFileRemovedWhenTheRunnerThrows) {
  EXPECT_THROW(RunRdbddlex(Work(), kCreateControlFile, {"X"}, "DB01",
                           [](const std::string&) -> bool { throw std::runtime_error("gone"); }),
               std::runtime_error);
  EXPECT_TRUE(NothingLeft());
}

TEST(TbsCommands, ValuesWithBlanksStayOneArgument) {
  EXPECT_EQ(RdbddlexCommand("DB01", "/w/a.txt"), "rdbddlex -d DB01 /w/a.txt");
  EXPECT_EQ(RdbddlexCommand("my db", "/my work/a.txt"), "rdbddlex -d \"my db\" \"/my work/a.txt\"");
  EXPECT_EQ(RdbspcinfPCommand("DB01", "SPACE1"), "rdbspcinf -p DB01.SPACE1");
  EXPECT_EQ(RdbprtRoleCommand("/w/ctrl.txt"), "rdbprt -m DEF -f /w/ctrl.txt");
  EXPECT_EQ(RdbprtSpaceCommand("DB01", "/w/rdbprt.txt"), "rdbprt -m DEF -d DB01 -p -f /w/rdbprt.txt");
}

}  // namespace
