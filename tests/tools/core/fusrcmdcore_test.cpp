// The user-command editor's rules: the checks before a write, the name
// test of "追加(&A)" and where a saved command lands in the list.
#include "tools/core/fusrcmdcore.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::string> Names(const std::vector<TUserCommandEntry>& entries) {
  std::vector<std::string> names;
  for (const TUserCommandEntry& e : entries) names.push_back(e.Name);
  return names;
}

TEST(UserCommandRules, ChecksBeforeWriting) {
  struct Case {
    const char* name;
    const char* sql;
    const char* message;  // empty: accepted
    TUserCommandField field;
  };
  const Case cases[] = {
      {"A", "SELECT 1", "", TUserCommandField::Name},
      {"", "SELECT 1", kNoCommandName, TUserCommandField::Name},
      {"   ", "SELECT 1", kNoCommandName, TUserCommandField::Name},
      {"A/B", "SELECT 1", kInvalidNameMessage, TUserCommandField::Name},
      {"..", "SELECT 1", kInvalidNameMessage, TUserCommandField::Name},
      {"A:B", "", kInvalidNameMessage, TUserCommandField::Name},
      {"A", " \r\n\t", kNoCommandSQL, TUserCommandField::SQL},
  };
  for (const Case& c : cases) {
    const auto problem = CheckUserCommand(c.name, c.sql);
    if (!*c.message) {
      EXPECT_FALSE(problem) << c.name;
      continue;
    }
    ASSERT_TRUE(problem) << c.name;
    EXPECT_EQ(problem->Message, c.message) << c.name;
    EXPECT_EQ(problem->Field, c.field) << c.name;
  }
}

TEST(UserCommandRules, AddedNamesClashIgnoringCaseExceptWithTheSelectedCommand) {
  const std::vector<TUserCommandEntry> entries = {{"ALPHA", 1}, {"beta", 2}};
  EXPECT_TRUE(CommandNameTaken(entries, -1, "BETA"));
  EXPECT_TRUE(CommandNameTaken(entries, 0, "Beta"));
  EXPECT_FALSE(CommandNameTaken(entries, 1, "BETA")) << "the selected one is written over";
  EXPECT_FALSE(CommandNameTaken(entries, 0, "GAMMA"));
  EXPECT_EQ(CommandFileName(entries, "BETA"), "beta");
  EXPECT_EQ(CommandFileName(entries, "GAMMA"), "GAMMA");
}

TEST(UserCommandRules, SavedCommandsAreAddedOrRenumberedAndTheListSortedAgain) {
  std::vector<TUserCommandEntry> entries = {{"A", 1}, {"C", 1}, {"B", 2}};
  EXPECT_EQ(PlaceSavedCommand(entries, "D", 0), 0);
  EXPECT_EQ(Names(entries), (std::vector<std::string>{"D", "C", "A", "B"}));
  EXPECT_EQ(PlaceSavedCommand(entries, "a", 5), 3) << "the listed command renumbered";
  EXPECT_EQ(Names(entries), (std::vector<std::string>{"D", "C", "B", "A"}));
}

}  // namespace
