#include <gtest/gtest.h>

#include "app/core/ovreg.h"
#include "app/core/zarur.h"

namespace {

// Restores the settings a test changes.
class SettingsGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    lower = AppOption.UserLowerName;
    nullLine = ScriptOption.NullLine;
  }
  void TearDown() override {
    AppOption.UserLowerName = lower;
    ScriptOption.NullLine = nullLine;
  }
  bool lower = false, nullLine = false;
};

using QuoteIdentTest = SettingsGuard;
using DeleteEmptyLinesTest = SettingsGuard;

TEST_F(QuoteIdentTest, QuotesOnlyWhatSymfowareWouldNotReadAsWritten) {
  const std::pair<const char*, const char*> cases[] = {
      {"PUBLIC", "PUBLIC"},
      {"public", "\"public\""},
      {"TABLE1", "TABLE1"},
      {"Table1", "\"Table1\""},
      {" TABLE1", "\" TABLE1\""},
      {"TABLE1\t", "\"TABLE1\t\""},
      {"MY TABLE", "MY TABLE"},
      {"MY-TABLE", "\"MY-TABLE\""},
      {"F(X)", "\"F(X)\""},
      {"表（１）", "\"表（１）\""},
      {"表名", "表名"},
      {"\"Quoted\"", "\"Quoted\""},
      {"\"A(B)\"", "\"\"\"A(B)\"\"\""},
      {"A\"B", "A\"B"},
      {"a\"b", "\"a\"\"b\""},
      {"", ""},
      {"/home/user/temp/x.ctl", "\"/home/user/temp/x.ctl\""},
  };
  AppOption.UserLowerName = false;
  for (const auto& [name, quoted] : cases) EXPECT_EQ(QuoteIdent(name), quoted) << name;
}

TEST_F(QuoteIdentTest, UserLowerNameQuotesEveryNameButPublicAndQuotedOnes) {
  AppOption.UserLowerName = true;
  const std::pair<const char*, const char*> cases[] = {
      {"TABLE1", "\"TABLE1\""}, {"PUBLIC", "PUBLIC"}, {"", "\"\""},
      {"\"X\"", "\"X\""},       {"表名", "\"表名\""},
  };
  for (const auto& [name, quoted] : cases) EXPECT_EQ(QuoteIdent(name), quoted) << name;
}

TEST_F(DeleteEmptyLinesTest, RemovesEmptyEntriesOnlyWhenNullLineIsOn) {
  const std::vector<std::string> lines = {"", "CREATE TABLE T", "", "  ", "(A INT)", ""};
  std::vector<std::string> list = lines;
  ScriptOption.NullLine = false;
  DeleteEmptyLines(list);
  EXPECT_EQ(list, lines);
  ScriptOption.NullLine = true;
  DeleteEmptyLines(list);
  EXPECT_EQ(list, (std::vector<std::string>{"CREATE TABLE T", "  ", "(A INT)"}));
}

}  // namespace
