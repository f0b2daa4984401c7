// frolecore: the plain rules of the role editor: the kind words of its
// object privileges, the statements that create a role, grant it to and
// revoke it from members, and revoke its object privileges.
#pragma once

#include <string>
#include <vector>

#include "app/core/ovkinds.h"

inline constexpr int kRoleKind = okRole;

// The kind word of a privilege's object from its object type and division
// ("TABLE", "PROCEDURE", ...), empty for an unknown one.
std::string RoleKindWord(const std::string& objectType, const std::string& division);

// One object privilege of a role, as the catalogue names it.
struct TRolePrivilege {
  std::string Privilege;
  std::string KindWord;
  std::string Schema;
  std::string Object;
  friend bool operator==(const TRolePrivilege&, const TRolePrivilege&) = default;
};
// "SELECT ON TABLE S1.T1", as the list shows it.
std::string RolePrivilegeText(const TRolePrivilege& privilege);
// The privilege's part of GRANT and REVOKE, schema and object quoted.
std::string RolePrivilegeClause(const TRolePrivilege& privilege);
std::string RevokeRolePrivilege(const TRolePrivilege& privilege, const std::string& role);

// One item of the member list: a user or PUBLIC.
struct TRoleMember {
  std::string Name;
  bool Enabled = true;  // the login user or the grantor is locked
  bool Checked = false;
};

// A new role's script: CREATE ROLE, its object privileges, and the grants
// to its enabled, ticked members; each statement followed by `separator`.
std::vector<std::string> RoleCreateLines(const std::string& role, const std::vector<TRolePrivilege>& privileges,
                                         const std::vector<TRoleMember>& members, const std::string& separator);
// An existing role's compile: GRANT or REVOKE for every enabled member
// whose tick differs from `loaded` (one state per member, same order).
std::vector<std::string> RoleMemberChanges(const std::string& role, const std::vector<TRoleMember>& members,
                                           const std::vector<bool>& loaded, const std::string& separator);

inline constexpr const char* kRoleStem = "ROLE - ";
inline constexpr const char* kRoleSizeKey = "ROLE";
inline constexpr const char* kPublicMember = "PUBLIC";
inline constexpr const char* kRevokeQuestion = "オブジェクト権限を取り消しますか？";
inline constexpr const char* kRevoked = "権限を取り消しました。";
