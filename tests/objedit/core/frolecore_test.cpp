#include "objedit/core/frolecore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;

TEST(RoleEditorRules, KindWordsOfTheObjectTypes) {
  struct Case {
    const char* type;
    const char* division;
    const char* word;
  };
  const Case cases[] = {{"DB", "", "DBSPACE"},        {"SC", "", "SCHEMA"},        {"TV", "BS", "TABLE"},
                        {"TV", "VW ", "TABLE"},       {"TV", "XX", ""},            {"PR", "FUNCTION", "FUNCTION"},
                        {"PR", "PROCEDURE", "PROCEDURE"}, {"PR", "", ""},          {"TR ", "", "TRIGGER"},
                        {"SQ", "", "SEQUENCE"},       {"ZZ", "BS", ""}};
  for (const Case& c : cases) EXPECT_EQ(RoleKindWord(c.type, c.division), c.word) << c.type << "/" << c.division;
}

TEST(RoleEditorRules, CreateAndMemberStatements) {
  AppOption.UserLowerName = false;
  const TRolePrivilege select{"SELECT", "TABLE", "S1", "t-1"};
  EXPECT_EQ(RolePrivilegeText(select), "SELECT ON TABLE S1.t-1");
  EXPECT_EQ(RevokeRolePrivilege(select, "R"), "REVOKE SELECT ON TABLE S1.\"t-1\" FROM ROLE R");
  // The locked login user is never named.
  const std::vector<TRoleMember> members{{"ADMIN", false, true}, {"U2", true, true}, {"U3", true, false},
                                         {"PUBLIC", true, false}};
  EXPECT_EQ(RoleCreateLines("R", {select}, members, ";"),
            (Lines{"CREATE ROLE R", ";", "GRANT SELECT ON TABLE S1.\"t-1\" TO ROLE R", ";", "GRANT R TO U2", ";"}));
  struct Case {
    const char* what;
    std::vector<bool> loaded;
    Lines lines;
  };
  const Case cases[] = {
      {"as loaded", {true, true, false, false}, {}},
      {"U2 ticked, PUBLIC unticked", {true, false, false, true}, {"GRANT R TO U2", ";", "REVOKE R FROM PUBLIC", ";"}},
      {"the locked grantor as it was or not", {false, true, false, false}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(RoleMemberChanges("R", members, c.loaded, ";"), c.lines) << c.what;
}

}  // namespace
