// fusercore: the plain rules of the user editor: the statements that create,
// alter, re-create and drop a user, grant and revoke its roles and object
// privileges, and the checks a compile makes before anything is sent.
// Every statement list starts the user statements with the system
// parameter that lets them run, and ends each statement with a separator.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/core/ovkinds.h"
#include "objedit/core/frolecore.h"

class TovConnectionWindow;

inline constexpr int kUserKind = okUser2;
inline constexpr const char* kUserStem = "USER - ";
inline constexpr const char* kUserSizeKey = "USER";
inline constexpr const char* kUserControl = "SET SYSTEM PARAMETER USER_CONTROL=YES";
// What both password edits hold after an existing user was loaded: the
// stored password cannot be read back.
inline constexpr const char* kPasswordPlaceholder = "          ";
// The parameters of the grid, in its order.
inline constexpr std::array<const char*, 12> kUserParameterNames{
    "MAX_CONNECTION",       "MAX_MEMORY_USE",      "MAX_WORKFILE_USE",           "MAX_WORKFILE_NUM",
    "MAX_TRAN_TIME",        "MAX_TRAN_MEM",        "MAX_WAIT_TIME",              "PASSWORD_CHANGE_TIME",
    "PASSWORD_LIMIT_TIME",  "INVALID_PASSWORD_WAIT_TIME", "INVALID_PASSWORD_TIME", "MIN_PASSWORD_SIZE"};

// The catalogue's IDENT of an OS-authenticated user and PASSWORD_STATUS of a
// locked one.
inline constexpr const char* kOsIdent = "OS";
inline constexpr const char* kLockedStatus = "L";

// One object privilege granted to the user; grantable ones carry
// WITH GRANT OPTION when granted again.
struct TUserPrivilege {
  TRolePrivilege Privilege;
  bool Grantable = false;
};
// "SELECT ON TABLE S1.T1", as the list shows it and GRANT and REVOKE name it.
std::string UserPrivilegeText(const TUserPrivilege& privilege);
// The object privileges granted to the user, by kind of object.
std::vector<TUserPrivilege> ReadUserPrivileges(TovConnectionWindow& connection, const std::string& user);

// A parameter row of the grid; an empty value is not set.
struct TUserParameter {
  std::string Name;
  std::string Value;
};

// The user as the editor's controls hold it.
struct TUserDefinition {
  std::string Name{};      // as typed (the edit takes upper case only)
  bool Dbms = true;        // "DBMS管理", else "OS管理"
  std::string Password{};  // the first password edit
  bool Locked = false;     // the lock box
  std::vector<TUserParameter> Parameters{};
  std::vector<TRoleMember> Roles{};  // an owned role is disabled and checked
  std::vector<TUserPrivilege> Privileges{};
};

// What changed since the user was loaded.
struct TUserChanges {
  bool Auth = false;        // the authentication method
  bool Lock = false;        // the lock box
  bool Password = false;    // either password edit
  bool Parameters = false;  // the parameter grid
};

// CREATE USER with its parameters (only with "DBMS管理") and the grants of
// the enabled, checked roles.
std::vector<std::string> UserCreateLines(const TUserDefinition& user, const std::string& separator);
// DROP USER, the name quoted.
std::vector<std::string> UserDropLines(const std::string& name, const std::string& separator);
// An existing user's changes: ALTER USER only when the authentication, the
// lock or a password changed, never with a password that was not typed;
// then GRANT and REVOKE for the enabled roles whose check differs from
// `loadedChecks` (one per role, same order). Roles alone give only those.
std::vector<std::string> UserAlterLines(const TUserDefinition& user, const std::vector<bool>& loadedChecks,
                                        const TUserChanges& changes, const std::string& separator);
// An existing user made again: DROP, CREATE, the lock when the box is
// checked, and the user's object privileges granted again.
std::vector<std::string> UserRecreateLines(const TUserDefinition& user, const std::string& separator);
// The statement that grants a listed privilege again.
std::string GrantUserPrivilege(const TUserPrivilege& privilege, const std::string& user);
std::string RevokeUserPrivilege(const TUserPrivilege& privilege, const std::string& user);
// The GRANT statements of the user's object privileges, each followed by
// the separator.
std::vector<std::string> UserGrantLines(const std::vector<TUserPrivilege>& privileges, const std::string& user,
                                        const std::string& separator);

// Whether a compile drops the user and creates it again.
bool UserNeedsDrop(bool isNew, bool scriptMode, bool sourcePage, bool parametersChanged);

// The compile's checks on the definition page, in their order.
struct TUserCheckInput {
  std::string Name;
  bool DefinitionPage = true;
  bool Dbms = true;
  bool IsNew = false;
  std::string Password;
  std::string Confirmation;
  bool PasswordChanged = false;
  bool ConfirmationChanged = false;
  // The statements will send the password: re-creation, unlocking, or a
  // switch to "DBMS管理".
  bool PasswordSent = false;
};
enum class TUserCheck { Ok, NameMissing, PasswordMissing, ConfirmationMissing, PasswordMismatch };
TUserCheck CheckUserDefinition(const TUserCheckInput& input);
// Whether the statements send a password, given what changed.
bool UserPasswordSent(const TUserDefinition& user, const TUserChanges& changes, bool recreate);
// Source lines: true when one names PASSWORD without a password.
bool SourceLacksPassword(const std::vector<std::string>& lines);

inline constexpr const char* kPasswordMissing = "パスワードを入力して下さい。";
inline constexpr const char* kPasswordMismatch = "パスワードが一致しません。";
inline constexpr const char* kSourcePasswordMissing = "パスワード（PASSWORD句）を入力してください。";
