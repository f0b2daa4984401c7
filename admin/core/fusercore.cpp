#include "admin/core/fusercore.h"

#include "app/core/ovconnwin.h"
#include "app/core/zarur.h"

namespace {

const std::string kPrivilegesSql =
    std::string("SELECT PRV.GRANTOR, PRV.GRANTEE, PRV.DB_CODE, PRV.SCHEMA_CODE, MTBL.KEY_SC_NAME, PRV.OBJECT_TYPE, "
                "PRV.TABLE_CODE, MTBL.OBJ_TYPEID, MTBL.OBJ_DIV, MTBL.OBJ_NAME, PRV.PRIVILEGE_TYPE, PRV.IS_GRANTABLE "
                "FROM RDBII_SYSTEM.RDBII_PRIVILEGES PRV, (") +
    kNamedObjectsUnion +
    ") MTBL WHERE PRV.DB_CODE = MTBL.KEY_DB_CODE AND PRV.SCHEMA_CODE = MTBL.KEY_SC_CODE AND PRV.TABLE_CODE = "
    "MTBL.OBJ_CODE AND PRV.GRANTEE = :GRANTEE ORDER BY MTBL.OBJ_TYPEID WITH OPTION LOCK_MODE(NO LOCK)";
enum : size_t { kSchemaNameField = 4, kObjectTypeField = 5, kDivisionField = 8, kObjectNameField = 9,
                kPrivilegeField = 10, kGrantableField = 11 };
// IS_GRANTABLE of a privilege held WITH GRANT OPTION, compared untrimmed.
constexpr const char* kGrantableValue = "YES";

constexpr const char* kPasswordWord = "PASSWORD";

void Add(std::vector<std::string>& lines, const std::vector<std::string>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
}

// "  FOR USER" and one line per parameter set, only the first without a comma.
void AddParameters(std::vector<std::string>& lines, const TUserDefinition& user) {
  lines.push_back("  FOR USER");
  if (!user.Dbms) return;
  bool first = true;
  for (const TUserParameter& p : user.Parameters) {
    if (p.Value.empty()) continue;
    lines.push_back(std::string("  ") + (first ? "" : ",") + p.Name + " = " + p.Value);
    first = false;
  }
}

std::vector<std::string> LockLines(const std::string& name, const std::string& separator) {
  return {"ALTER USER " + name, "  WITH DBMS PASSWORD LOCK", separator};
}

}  // namespace

std::string UserPrivilegeText(const TUserPrivilege& privilege) { return RolePrivilegeText(privilege.Privilege); }

std::vector<TUserPrivilege> ReadUserPrivileges(TovConnectionWindow& connection, const std::string& user) {
  std::vector<TUserPrivilege> privileges;
  TovSQLQuery& q = connection.OpenSQLParams(kPrivilegesSql, {user});
  for (; !q.Eof(); q.Next())
    privileges.push_back({{Trim(q.AsString(kPrivilegeField)),
                           RoleKindWord(q.AsString(kObjectTypeField), q.AsString(kDivisionField)),
                           Trim(q.AsString(kSchemaNameField)), Trim(q.AsString(kObjectNameField))},
                          q.AsString(kGrantableField) == kGrantableValue});
  q.Close();
  return privileges;
}

std::vector<std::string> UserCreateLines(const TUserDefinition& user, const std::string& separator) {
  std::vector<std::string> lines{kUserControl, separator, "CREATE USER " + user.Name};
  lines.push_back(user.Dbms ? "  WITH DBMS PASSWORD " + QuoteStr(user.Password) : "  WITH OS ");
  AddParameters(lines, user);
  lines.push_back(separator);
  for (const TRoleMember& role : user.Roles)
    if (role.Enabled && role.Checked) Add(lines, {"GRANT " + QuoteIdent(role.Name) + " TO " + user.Name, separator});
  return lines;
}

std::vector<std::string> UserDropLines(const std::string& name, const std::string& separator) {
  return {kUserControl, separator, "DROP USER " + QuoteIdent(name), separator};
}

bool UserPasswordSent(const TUserDefinition& user, const TUserChanges& changes, bool recreate) {
  if (!user.Dbms) return false;
  return recreate || changes.Auth || changes.Password || (changes.Lock && !user.Locked);
}

std::vector<std::string> UserAlterLines(const TUserDefinition& user, const std::vector<bool>& loadedChecks,
                                        const TUserChanges& changes, const std::string& separator) {
  std::vector<std::string> lines;
  if (changes.Auth || changes.Lock || changes.Password) {
    Add(lines, {kUserControl, separator});
    const bool password = UserPasswordSent(user, changes, false);
    if (!user.Dbms || password) {
      lines.push_back("ALTER USER " + user.Name);
      lines.push_back(user.Dbms ? "  WITH DBMS PASSWORD " + QuoteStr(user.Password) : "  WITH OS ");
      AddParameters(lines, user);
      lines.push_back(separator);
    }
    // A new password unlocks the account, so a locked one is locked again.
    if (user.Dbms && user.Locked) Add(lines, LockLines(user.Name, separator));
  }
  for (size_t i = 0; i < user.Roles.size() && i < loadedChecks.size(); ++i) {
    const TRoleMember& role = user.Roles[i];
    if (!role.Enabled || role.Checked == loadedChecks[i]) continue;
    const std::string quoted = QuoteIdent(role.Name);
    lines.push_back(role.Checked ? "GRANT " + quoted + " TO " + user.Name : "REVOKE " + quoted + " FROM " + user.Name);
    lines.push_back(separator);
  }
  return lines;
}

std::vector<std::string> UserRecreateLines(const TUserDefinition& user, const std::string& separator) {
  std::vector<std::string> lines = UserDropLines(user.Name, separator);
  Add(lines, UserCreateLines(user, separator));
  if (user.Dbms && user.Locked) Add(lines, LockLines(user.Name, separator));
  Add(lines, UserGrantLines(user.Privileges, user.Name, separator));
  return lines;
}

std::string GrantUserPrivilege(const TUserPrivilege& privilege, const std::string& user) {
  return "GRANT " + UserPrivilegeText(privilege) + " TO " + user + (privilege.Grantable ? " WITH GRANT OPTION" : "");
}

std::string RevokeUserPrivilege(const TUserPrivilege& privilege, const std::string& user) {
  return "REVOKE " + UserPrivilegeText(privilege) + " FROM " + QuoteIdent(user);
}

std::vector<std::string> UserGrantLines(const std::vector<TUserPrivilege>& privileges, const std::string& user,
                                        const std::string& separator) {
  std::vector<std::string> lines;
  for (const TUserPrivilege& p : privileges) Add(lines, {GrantUserPrivilege(p, user), separator});
  return lines;
}

bool UserNeedsDrop(bool isNew, bool scriptMode, bool sourcePage, bool parametersChanged) {
  return isNew || scriptMode || sourcePage || parametersChanged;
}

TUserCheck CheckUserDefinition(const TUserCheckInput& in) {
  if (Trim(in.Name).empty()) return TUserCheck::NameMissing;
  if (!in.DefinitionPage || !in.Dbms) return TUserCheck::Ok;
  // The placeholder is blanks, so an untyped password counts as empty.
  const bool asked = in.IsNew || in.PasswordChanged || in.PasswordSent;
  if (asked && Trim(in.Password).empty()) return TUserCheck::PasswordMissing;
  if (asked && Trim(in.Confirmation).empty()) return TUserCheck::ConfirmationMissing;
  if (in.Password != in.Confirmation && (asked || in.ConfirmationChanged)) return TUserCheck::PasswordMismatch;
  return TUserCheck::Ok;
}

bool SourceLacksPassword(const std::vector<std::string>& lines) {
  const std::string word = kPasswordWord;
  for (std::string line : lines) {
    if (line.find(word) == std::string::npos) continue;
    for (size_t at; (at = line.find(word)) != std::string::npos;) line.erase(at, word.size());
    if (Trim(line).empty()) return true;
  }
  return false;
}
