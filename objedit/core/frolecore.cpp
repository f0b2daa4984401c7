#include "objedit/core/frolecore.h"

#include <array>

#include "app/core/zarur.h"

namespace {

struct TKindWord {
  const char* ObjectType;
  const char* Word;  // null: the division itself
};
constexpr std::array<TKindWord, 6> kKindWords{{{"DB", "DBSPACE"},
                                               {"SC", "SCHEMA"},
                                               {"TV", "TABLE"},
                                               {"PR", nullptr},
                                               {"TR", "TRIGGER"},
                                               {"SQ", "SEQUENCE"}}};
// The divisions of a table or view, and of a routine.
constexpr std::array<const char*, 5> kTableDivisions{"BS", "VW", "TD", "RT", "TP"};
constexpr std::array<const char*, 2> kRoutineDivisions{"PROCEDURE", "FUNCTION"};

template <size_t N>
bool OneOf(const std::array<const char*, N>& items, const std::string& text) {
  for (const char* item : items)
    if (text == item) return true;
  return false;
}

}  // namespace

std::string RoleKindWord(const std::string& objectType, const std::string& division) {
  const std::string type = Trim(objectType), div = Trim(division);
  for (const TKindWord& k : kKindWords) {
    if (type != k.ObjectType) continue;
    if (type == "TV") return OneOf(kTableDivisions, div) ? k.Word : "";
    if (!k.Word) return OneOf(kRoutineDivisions, div) ? div : "";
    return k.Word;
  }
  return "";
}

std::string RolePrivilegeText(const TRolePrivilege& p) {
  return p.Privilege + " ON " + p.KindWord + " " + p.Schema + "." + p.Object;
}

std::string RolePrivilegeClause(const TRolePrivilege& p) {
  return p.Privilege + " ON " + p.KindWord + " " + QuoteIdent(p.Schema) + "." + QuoteIdent(p.Object);
}

std::string RevokeRolePrivilege(const TRolePrivilege& privilege, const std::string& role) {
  return "REVOKE " + RolePrivilegeClause(privilege) + " FROM ROLE " + QuoteIdent(role);
}

std::vector<std::string> RoleCreateLines(const std::string& role, const std::vector<TRolePrivilege>& privileges,
                                         const std::vector<TRoleMember>& members, const std::string& separator) {
  const std::string quoted = QuoteIdent(role);
  std::vector<std::string> lines{"CREATE ROLE " + quoted, separator};
  for (const TRolePrivilege& p : privileges) {
    lines.push_back("GRANT " + RolePrivilegeClause(p) + " TO ROLE " + quoted);
    lines.push_back(separator);
  }
  for (const TRoleMember& m : members)
    if (m.Enabled && m.Checked) {
      lines.push_back("GRANT " + quoted + " TO " + m.Name);
      lines.push_back(separator);
    }
  return lines;
}

std::vector<std::string> RoleMemberChanges(const std::string& role, const std::vector<TRoleMember>& members,
                                           const std::vector<bool>& loaded, const std::string& separator) {
  const std::string quoted = QuoteIdent(role);
  std::vector<std::string> lines;
  for (size_t i = 0; i < members.size() && i < loaded.size(); ++i) {
    const TRoleMember& m = members[i];
    if (!m.Enabled || m.Checked == loaded[i]) continue;
    lines.push_back(m.Checked ? "GRANT " + quoted + " TO " + m.Name : "REVOKE " + quoted + " FROM " + m.Name);
    lines.push_back(separator);
  }
  return lines;
}
