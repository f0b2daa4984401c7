#include "admin/core/fusercore.h"

#include <gtest/gtest.h>

#include "app/core/ovoptions.h"

namespace {

using Lines = std::vector<std::string>;

const std::string kSep = ";";

std::vector<TUserParameter> Grid(const std::vector<std::pair<std::string, std::string>>& set) {
  std::vector<TUserParameter> rows;
  for (const char* name : kUserParameterNames) {
    std::string value;
    for (const auto& [n, v] : set)
      if (n == name) value = v;
    rows.push_back({name, value});
  }
  return rows;
}

TUserDefinition OsUserWithTwoRoles() {
  return {.Name = "U",
          .Dbms = false,
          .Parameters = Grid({{"MAX_CONNECTION", "5"}}),  // hidden with OS, never written
          .Roles = {{"R1", true, true}, {"OWNED", false, true}, {"R2", true, true}, {"R3", true, false}}};
}

TUserDefinition ExistingDbmsUser() {
  return {.Name = "U",
          .Password = kPasswordPlaceholder,
          .Parameters = Grid({{"MAX_CONNECTION", "10"}, {"MIN_PASSWORD_SIZE", "8"}}),
          .Roles = {{"R1", true, true}, {"OWNED", false, true}, {"R2", true, false}},
          .Privileges = {{{"SELECT", "TABLE", "S1", "T1"}, false}, {{"EXECUTE", "PROCEDURE", "S1", "P1"}, true}}};
}
const std::vector<bool> kLoaded{true, true, false};

struct DdlCase {
  const char* name;
  Lines actual;
  Lines expected;
};

TEST(UserDdl, StatementsOfEveryCompile) {
  const TUserDefinition minimum{.Name = "U", .Password = "PW", .Parameters = Grid({{"MIN_PASSWORD_SIZE", "4"}})};

  TUserDefinition rolesOnly = ExistingDbmsUser();
  rolesOnly.Roles[0].Checked = false;  // R1 revoked
  rolesOnly.Roles[1].Checked = false;  // owned: never revoked
  rolesOnly.Roles[2].Checked = true;   // R2 granted

  TUserDefinition locked = ExistingDbmsUser();
  locked.Locked = true;
  TUserDefinition password = ExistingDbmsUser();
  password.Password = std::string("NEW'PW");
  TUserDefinition unlocked = ExistingDbmsUser();
  unlocked.Password = std::string("PW2");
  TUserDefinition relocked = password;
  relocked.Locked = true;
  TUserDefinition toOs = ExistingDbmsUser();
  toOs.Dbms = false;

  TUserDefinition recreated = ExistingDbmsUser();
  recreated.Password = std::string("PW");
  recreated.Locked = true;
  recreated.Parameters = Grid({{"MAX_CONNECTION", "20"}});

  const DdlCase cases[] = {
      {"CREATE with OS and two roles, an owned one left out", UserCreateLines(OsUserWithTwoRoles(), kSep),
       {kUserControl, ";", "CREATE USER U", "  WITH OS ", "  FOR USER", ";", "GRANT R1 TO U", ";", "GRANT R2 TO U", ";"}},
      {"CREATE with DBMS and MIN_PASSWORD_SIZE alone, no comma", UserCreateLines(minimum, kSep),
       {kUserControl, ";", "CREATE USER U", "  WITH DBMS PASSWORD 'PW'", "  FOR USER", "  MIN_PASSWORD_SIZE = 4", ";"}},
      {"CREATE with two parameters: a comma before the second", UserCreateLines(recreated, kSep),
       {kUserControl, ";", "CREATE USER U", "  WITH DBMS PASSWORD 'PW'", "  FOR USER", "  MAX_CONNECTION = 20", ";",
        "GRANT R1 TO U", ";"}},
      {"ALTER of roles only: GRANT and REVOKE, never an owned role", UserAlterLines(rolesOnly, kLoaded, {}, kSep),
       {"REVOKE R1 FROM U", ";", "GRANT R2 TO U", ";"}},
      {"nothing changed: nothing", UserAlterLines(ExistingDbmsUser(), kLoaded, {}, kSep), {}},
      {"ALTER of the lock alone sends no password", UserAlterLines(locked, kLoaded, {false, true, false, false}, kSep),
       {kUserControl, ";", "ALTER USER U", "  WITH DBMS PASSWORD LOCK", ";"}},
      {"ALTER of the password", UserAlterLines(password, kLoaded, {false, false, true, false}, kSep),
       {kUserControl, ";", "ALTER USER U", "  WITH DBMS PASSWORD 'NEW''PW'", "  FOR USER", "  MAX_CONNECTION = 10",
        "  ,MIN_PASSWORD_SIZE = 8", ";"}},
      {"unlocking sends the password typed", UserAlterLines(unlocked, kLoaded, {false, true, false, false}, kSep),
       {kUserControl, ";", "ALTER USER U", "  WITH DBMS PASSWORD 'PW2'", "  FOR USER", "  MAX_CONNECTION = 10",
        "  ,MIN_PASSWORD_SIZE = 8", ";"}},
      {"a new password of a locked user keeps it locked",
       UserAlterLines(relocked, kLoaded, {false, false, true, false}, kSep),
       {kUserControl, ";", "ALTER USER U", "  WITH DBMS PASSWORD 'NEW''PW'", "  FOR USER", "  MAX_CONNECTION = 10",
        "  ,MIN_PASSWORD_SIZE = 8", ";", "ALTER USER U", "  WITH DBMS PASSWORD LOCK", ";"}},
      {"switching to OS", UserAlterLines(toOs, kLoaded, {true, false, false, false}, kSep),
       {kUserControl, ";", "ALTER USER U", "  WITH OS ", "  FOR USER", ";"}},
      {"re-creation carries the lock and the privileges", UserRecreateLines(recreated, kSep),
       {kUserControl, ";", "DROP USER U", ";", kUserControl, ";", "CREATE USER U", "  WITH DBMS PASSWORD 'PW'",
        "  FOR USER", "  MAX_CONNECTION = 20", ";", "GRANT R1 TO U", ";", "ALTER USER U", "  WITH DBMS PASSWORD LOCK",
        ";", "GRANT SELECT ON TABLE S1.T1 TO U", ";", "GRANT EXECUTE ON PROCEDURE S1.P1 TO U WITH GRANT OPTION", ";"}},
      {"DROP quotes the name", UserDropLines("a-b", kSep), {kUserControl, ";", "DROP USER \"a-b\"", ";"}},
  };
  for (const DdlCase& c : cases) EXPECT_EQ(c.actual, c.expected) << c.name;
}

TEST(UserDdl, PrivilegesAreRevokedFromTheQuotedUser) {
  EXPECT_EQ(RevokeUserPrivilege({{"SELECT", "TABLE", "S1", "T1"}, true}, "a-b"),
            "REVOKE SELECT ON TABLE S1.T1 FROM \"a-b\"");
}

TEST(UserDdl, ReCreationOnTheSourcePageInScriptModeForANewUserOrChangedParameters) {
  EXPECT_FALSE(UserNeedsDrop(false, false, false, false));
  EXPECT_TRUE(UserNeedsDrop(true, false, false, false));
  EXPECT_TRUE(UserNeedsDrop(false, true, false, false));
  EXPECT_TRUE(UserNeedsDrop(false, false, true, false));
  EXPECT_TRUE(UserNeedsDrop(false, false, false, true));
}

struct CheckCase {
  const char* name;
  TUserCheckInput input;
  TUserCheck expected;
};

TEST(UserCompileChecks, NameAndPasswordRules) {
  const auto input = [](const std::string& name, bool isNew, const std::string& pw, const std::string& confirm,
                        bool pwChanged, bool confirmChanged, bool sent) {
    TUserCheckInput in;
    in.Name = name;
    in.IsNew = isNew;
    in.Password = pw;
    in.Confirmation = confirm;
    in.PasswordChanged = pwChanged;
    in.ConfirmationChanged = confirmChanged;
    in.PasswordSent = sent;
    return in;
  };
  const std::string blank = kPasswordPlaceholder;
  TUserCheckInput os = input("U", true, "", "", false, false, false);
  os.Dbms = false;
  TUserCheckInput source = input("U", false, "", "", true, false, true);
  source.DefinitionPage = false;
  const CheckCase cases[] = {
      {"empty name", input("  ", true, "A", "A", true, true, true), TUserCheck::NameMissing},
      {"new user without a password", input("U", true, "", "", false, false, true), TUserCheck::PasswordMissing},
      {"new user without a confirmation", input("U", true, "A", "", true, false, true),
       TUserCheck::ConfirmationMissing},
      {"new user, different texts", input("U", true, "A", "B", true, true, true), TUserCheck::PasswordMismatch},
      {"new user, same texts", input("U", true, "A", "A", true, true, true), TUserCheck::Ok},
      {"existing user, placeholder kept", input("U", false, blank, blank, false, false, false), TUserCheck::Ok},
      {"re-creation with the placeholder asks for the password", input("U", false, blank, blank, false, false, true),
       TUserCheck::PasswordMissing},
      {"password blanked out", input("U", false, "", blank, true, false, true), TUserCheck::PasswordMissing},
      {"confirmation changed alone to differ", input("U", false, blank, "X", false, true, false),
       TUserCheck::PasswordMismatch},
      {"OS: no password asked", os, TUserCheck::Ok},
      {"source page: no password rules", source, TUserCheck::Ok},
  };
  for (const CheckCase& c : cases) EXPECT_EQ(CheckUserDefinition(c.input), c.expected) << c.name;
}

TEST(UserCompileChecks, PasswordIsSentWhenUnlockingSwitchingToDbmsOrReCreating) {
  TUserDefinition user = ExistingDbmsUser();
  EXPECT_FALSE(UserPasswordSent(user, {}, false));
  EXPECT_TRUE(UserPasswordSent(user, {}, true));
  EXPECT_TRUE(UserPasswordSent(user, {true, false, false, false}, false));
  EXPECT_TRUE(UserPasswordSent(user, {false, true, false, false}, false)) << "unlocked";
  user.Locked = true;
  EXPECT_FALSE(UserPasswordSent(user, {false, true, false, false}, false)) << "locked";
  user.Dbms = false;
  EXPECT_FALSE(UserPasswordSent(user, {true, false, false, false}, true)) << "OS";
}

TEST(UserCompileChecks, ABarePasswordLineOnTheSourcePage) {
  EXPECT_TRUE(SourceLacksPassword({"CREATE USER U", "  WITH DBMS", "PASSWORD", "  FOR USER"}));
  EXPECT_FALSE(SourceLacksPassword({"  WITH DBMS PASSWORD"})) << "the line holds more";
  EXPECT_TRUE(SourceLacksPassword({"PASSWORD"}));
  EXPECT_TRUE(SourceLacksPassword({"  PASSWORDPASSWORD "}));
  EXPECT_FALSE(SourceLacksPassword({"  WITH DBMS PASSWORD 'X'"}));
  EXPECT_FALSE(SourceLacksPassword({"  password"})) << "case-sensitive";
  EXPECT_FALSE(SourceLacksPassword({"CREATE USER U", "  WITH OS "}));
}

}  // namespace
