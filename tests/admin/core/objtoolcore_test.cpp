#include "admin/core/objtoolcore.h"

#include <gtest/gtest.h>

#include "platform/process.h"

namespace {

TEST(RdbupsCommand, BuiltFromUnitTargetAndRecovery) {
  struct Case {
    const char* name;
    TRdbupsTarget target;
    const char* command;
  } cases[] = {
      {"table with schema", {TAnalyzeUnit::Table, "DB01", "HR", "EMP", "", false}, "rdbups -t DB01.HR.EMP"},
      {"table with recovery", {TAnalyzeUnit::Table, "DB01", "HR", "EMP", "", true}, "rdbups -t DB01.HR.EMP -R"},
      {"DSO from its combo", {TAnalyzeUnit::Dso, "DB01", "", "", "EMP_DSO", false}, "rdbups -g DB01.EMP_DSO"},
      {"DSI from its combo", {TAnalyzeUnit::Dsi, "DB01", "", "", "EMP_DSI1", true}, "rdbups -i DB01.EMP_DSI1 -R"},
      {"a name wins over the combo", {TAnalyzeUnit::Table, "DB01", "HR", "EMP", "X_DSO", false},
       "rdbups -t DB01.HR.EMP"},
      {"a blank in a name is quoted", {TAnalyzeUnit::Table, "DB01", "HR", "MY TABLE", "", false},
       "rdbups -t \"DB01.HR.MY TABLE\""},
  };
  for (const Case& c : cases) EXPECT_EQ(RdbupsCommand(c.target), c.command) << c.name;
}

TEST(RdbupsCommand, TargetSplitsBackAsOneArgument) {
  const std::string command = RdbupsCommand({TAnalyzeUnit::Table, "DB01", "HR", "A\"B C;D", "", true});
  EXPECT_EQ(platform::SplitCommandLine(command),
            (std::vector<std::string>{"rdbups", "-t", "DB01.HR.A\"B C;D", "-R"}));
}

TEST(GrepWord, UpperCasedUnlessCaseKept) {
  struct Case {
    const char* text;
    bool caseSensitive;
    const char* word;
  } cases[] = {
      {"emp_no", false, "EMP_NO"},
      {"emp_no", true, "emp_no"},
      {"ｅｍｐ番号", false, "ＥＭＰ番号"},
      {"ｅｍｐ番号", true, "ｅｍｐ番号"},
      {"MixEd", false, "MIXED"},
  };
  for (const Case& c : cases) EXPECT_EQ(GrepWord(c.text, c.caseSensitive), c.word) << c.text;
  EXPECT_FALSE(GrepWordGiven("  \t "));
  EXPECT_TRUE(GrepWordGiven(" a "));
}

TEST(SchemaFilterText, NamesEachEndedByCrLf) {
  EXPECT_EQ(SchemaFilterText({"HR", "SALES"}), "HR\r\nSALES\r\n");
  EXPECT_EQ(SchemaFilterText({}), "");
}

}  // namespace
