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

// The catalogue's named objects as one derived table: KEY_DB_CODE,
// KEY_SC_CODE, OBJ_CODE and OBJ_TYPEID identify them, OBJ_NAME, OBJ_DIV
// and the schema name KEY_SC_NAME describe them; privileges join it.
inline constexpr const char* kNamedObjectsUnion =
    "SELECT 'SP' OBJ_TYPE, '' OBJ_DIV, 1 OBJ_TYPEID, DB.DB_CODE KEY_DB_CODE, -1 KEY_SC_CODE, DB.DB_CODE OBJ_CODE, "
    "DB.DB_NAME OBJ_NAME, '' KEY_SC_NAME FROM RDBII_SYSTEM.RDBII_DATABASE DB "
    "UNION ALL SELECT 'SC', '', 2, SC.DB_CODE, SC.SCHEMA_CODE, SC.SCHEMA_CODE, SC.SCHEMA_NAME, SC.SCHEMA_NAME "
    "FROM RDBII_SYSTEM.RDBII_SCHEMA SC "
    "UNION ALL SELECT 'TV', TB.TABLE_TYPE, 3, TB.DB_CODE, TB.SCHEMA_CODE, TB.TABLE_CODE, TB.TABLE_NAME, "
    "SC.SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_TABLE TB, RDBII_SYSTEM.RDBII_SCHEMA SC WHERE SC.DB_CODE = TB.DB_CODE "
    "AND SC.SCHEMA_CODE = TB.SCHEMA_CODE "
    "UNION ALL SELECT 'PR', CASE PR.PROCEDURE_TYPE WHEN 1 THEN 'PROCEDURE' WHEN 2 THEN 'FUNCTION' ELSE '' END, 4, "
    "PR.DB_CODE, PR.SCHEMA_CODE, PR.PROCEDURE_CODE, PR.PROCEDURE_NAME, SC.SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_PROC "
    "PR, RDBII_SYSTEM.RDBII_SCHEMA SC WHERE SC.DB_CODE = PR.DB_CODE AND SC.SCHEMA_CODE = PR.SCHEMA_CODE "
    "UNION ALL SELECT 'TR', '', 5, TG.TRIG_DB_CODE, TG.TRIG_SCHEMA_CODE, TG.TRIG_CODE, TG.TRIG_NAME, "
    "SC.SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_TRIGGER TG, RDBII_SYSTEM.RDBII_SCHEMA SC WHERE SC.DB_CODE = "
    "TG.TRIG_DB_CODE AND SC.SCHEMA_CODE = TG.TRIG_SCHEMA_CODE "
    "UNION ALL SELECT 'SQ', '', 6, SQ.DB_CODE, SQ.SCHEMA_CODE, SQ.SEQUENCE_CODE, SQ.SEQUENCE_NAME, SC.SCHEMA_NAME "
    "FROM RDBII_SYSTEM.RDBII_SEQUENCE SQ, RDBII_SYSTEM.RDBII_SCHEMA SC WHERE SC.DB_CODE = SQ.DB_CODE AND "
    "SC.SCHEMA_CODE = SQ.SCHEMA_CODE";

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
