#include "objedit/core/fgrantcore.h"

#include <array>

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"
#include "app/core/zarursql.h"

namespace {

constexpr const char* kRoleWord = "ROLE";
constexpr const char* kTableWord = "TABLE";
constexpr const char* kNotHeldCode = "JYP3522E";
constexpr const char* kGrantOptionSuffix = " WITH GRANT OPTION";
constexpr const char* kCascadeSuffix = " CASCADE";
constexpr const char* kNameFilter = "DB_NAME = :DATABASE AND SCHEMA_NAME = :OWNER AND OBJ_NAME = :NAME";
constexpr const char* kNoLock = " WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kUnion = " UNION ALL ";

// Box order; the count column stems follow it.
const std::vector<TGrantPrivilege> kPrivileges{
    {"ALTER", "ALTER(定義変更権)"},         {"DELETE", "DELETE(データ削除権)"},
    {"DROP", "DROP(オブジェクト削除権)"},    {"EXECUTE", "EXECUTE(プログラム実行権)"},
    {"INDEX", "INDEX(索引作成権)"},         {"INSERT", "INSERT(データ追加権)"},
    {"SELECT", "SELECT(データ問合せ権)"},   {"TRIGGER", "TRIGGER(トリガ作成権)"},
    {"UPDATE", "UPDATE(データ更新権)"}};
const std::array<const char*, 9> kColumns{"ALT", "DEL", "DRP", "EXE", "IDX", "INS", "SEL", "TRG", "UPD"};
const std::array<std::vector<int>, 9> kKinds{{{okTable},
                                              {okTable, okView},
                                              {okTable, okView, okProcedure, okFunction, okTrigger, okSequence},
                                              {okProcedure, okFunction},
                                              {okTable},
                                              {okTable, okView},
                                              {okTable, okView, okSequence},
                                              {okTable},
                                              {okTable, okView}}};

// An object type of the catalogue: its alias, its catalogue and the columns
// that join and name it.
struct TObjectType {
  const char* Type;
  const char* Table;
  const char* Alias;
  const char* DbCode;
  const char* SchemaCode;
  const char* Code;
  const char* DbName;
  const char* SchemaName;
  const char* Name;
};
const TObjectType kTypes[] = {
    {"TV", "RDBII_TABLE", "B", "DB_CODE", "SCHEMA_CODE", "TABLE_CODE", "DB_NAME", "SCHEMA_NAME", "TABLE_NAME"},
    {"PR", "RDBII_PROC", "C", "DB_CODE", "SCHEMA_CODE", "PROCEDURE_CODE", "DB_NAME", "SCHEMA_NAME",
     "PROCEDURE_NAME"},
    {"TR", "RDBII_TRIGGER", "D", "TRIG_DB_CODE", "TRIG_SCHEMA_CODE", "TRIG_CODE", "TRIG_DB_NAME",
     "TRIG_SCHEMA_NAME", "TRIG_NAME"},
    {"SQ", "RDBII_SEQUENCE", "E", "DB_CODE", "SCHEMA_CODE", "SEQUENCE_CODE", "DB_NAME", "SCHEMA_NAME",
     "SEQUENCE_NAME"}};

std::string CountList() {
  std::string out;
  for (size_t i = 0; i < kColumns.size(); ++i) out += (i ? ", " : "") + GrantCountColumn(i);
  for (size_t i = 0; i < kColumns.size(); ++i) out += ", " + GrantOptionCountColumn(i);
  return out;
}

std::string NameColumns(const TObjectType& t) {
  const std::string a = std::string(t.Alias) + ".";
  return "TRIM(" + a + t.DbName + ") DB_NAME, " + a + t.SchemaName + " SCHEMA_NAME, " + a + t.Name + " OBJ_NAME";
}

// The join of an object type's catalogue to the rows of `alias`, whose
// object code is `code`.
std::string CatalogueJoin(const TObjectType& t, const std::string& alias, const std::string& code) {
  const std::string a = std::string(t.Alias) + ".";
  return " LEFT OUTER JOIN RDBII_SYSTEM." + std::string(t.Table) + " " + t.Alias + " ON " + alias + ".DB_CODE = " +
         a + t.DbCode + " AND " + alias + ".SCHEMA_CODE = " + a + t.SchemaCode + " AND " + alias + "." + code +
         " = " + a + t.Code;
}

std::string TypeFilter(const TObjectType& t) { return std::string(" WHERE ") + t.Type + "." + "OBJECT_TYPE = '" + t.Type + "'"; }

std::string Aggregate(bool role) {
  std::string out = "SELECT ";
  for (size_t i = 0; i < kColumns.size(); ++i)
    out += std::string(i ? ", " : "") + "SUM(CASE WHEN TRIM(PRIVILEGE_TYPE) = '" + kPrivileges[i].Keyword +
           "' THEN 1 ELSE 0 END) " + GrantCountColumn(i);
  for (size_t i = 0; i < kColumns.size(); ++i)
    out += role ? ", 0 " + GrantOptionCountColumn(i)
                : ", SUM(CASE WHEN TRIM(PRIVILEGE_TYPE) = '" + std::string(kPrivileges[i].Keyword) +
                      "' AND IS_GRANTABLE = 'YES' THEN 1 ELSE 0 END) " + GrantOptionCountColumn(i);
  if (role)
    return out + ", ROLE_CODE, DB_CODE, SCHEMA_CODE, OBJECT_CODE, OBJECT_TYPE FROM RDBII_SYSTEM.RDBII_ROLE_PRIV "
                 "GROUP BY ROLE_CODE, DB_CODE, SCHEMA_CODE, OBJECT_CODE, OBJECT_TYPE";
  return out + ", TRIM(GRANTEE) GRANTEE, DB_CODE, SCHEMA_CODE, TABLE_CODE, OBJECT_TYPE FROM "
               "RDBII_SYSTEM.RDBII_PRIVILEGES GROUP BY GRANTEE, DB_CODE, SCHEMA_CODE, TABLE_CODE, OBJECT_TYPE";
}

std::string CountBranch(bool role, const TObjectType& t) {
  const std::string alias = t.Type;
  std::string out = "SELECT " + CountList() + ", " + (role ? "A.ROLE_NAME" : alias + ".GRANTEE") + " GRANTEE, " +
                    NameColumns(t) + " FROM (" + Aggregate(role) + ") " + alias;
  if (role) out += " LEFT OUTER JOIN RDBII_SYSTEM.RDBII_ROLE A ON " + alias + ".ROLE_CODE = A.ROLE_CODE";
  return out + CatalogueJoin(t, alias, role ? "OBJECT_CODE" : "TABLE_CODE") + TypeFilter(t);
}

std::string AllBranch(bool role, const TObjectType& t) {
  const std::string alias = t.Type;
  std::string out = role ? "SELECT TRIM(ROLE_NAME) GRANTEE, RPAD(TRIM(PRIVILEGE_TYPE), 10) PRIVILEGE, 'NO' GRANTABLE, "
                         : "SELECT TRIM(GRANTEE) GRANTEE, RPAD(TRIM(PRIVILEGE_TYPE), 10) PRIVILEGE, "
                           "TRIM(IS_GRANTABLE) GRANTABLE, ";
  out += NameColumns(t) + " FROM RDBII_SYSTEM." + (role ? "RDBII_ROLE_PRIV " : "RDBII_PRIVILEGES ") + alias;
  if (role) out += " LEFT OUTER JOIN RDBII_SYSTEM.RDBII_ROLE RN ON " + alias + ".ROLE_CODE = RN.ROLE_CODE";
  return out + CatalogueJoin(t, alias, role ? "OBJECT_CODE" : "TABLE_CODE") + TypeFilter(t);
}

std::string Branches(bool role, std::string (*branch)(bool, const TObjectType&)) {
  std::string out;
  for (const TObjectType& t : kTypes) out += (out.empty() ? "" : kUnion) + branch(role, t);
  return out;
}

// The keyword a statement names the object kind with; a view is a table.
std::string KindWord(const std::string& kindName) { return kindName == "VIEW" ? kTableWord : kindName; }

}  // namespace

const std::vector<TGrantPrivilege>& GranteePrivileges() { return kPrivileges; }

bool GranteePrivilegeExists(size_t item, int kind) {
  if (item >= kKinds.size()) return false;
  for (int k : kKinds[item])
    if (k == kind) return true;
  return false;
}

std::string GrantEntryText(const std::string& schema, const std::string& name) {
  return QuoteIdent(schema) + "." + QuoteIdent(name);
}

std::pair<std::string, std::string> SplitGrantEntry(const std::string& entry) {
  const size_t dot = entry.find('.');
  if (dot == std::string::npos) return {std::string(), UnquoteName(entry)};
  return {UnquoteName(entry.substr(0, dot)), UnquoteName(entry.substr(dot + 1))};
}

std::string GrantCountColumn(size_t item) { return kColumns.at(item); }
std::string GrantOptionCountColumn(size_t item) { return std::string(kColumns.at(item)) + "G"; }

std::string GrantCountSql(bool roles) {
  return "SELECT " + CountList() + " FROM (" + Branches(roles, CountBranch) +
         ") GR WHERE GRANTEE = :GRANTEE AND " + kNameFilter + kNoLock;
}

std::string GrantAllSql() {
  const std::string columns = "GRANTEE, PRIVILEGE, GRANTABLE, DB_NAME, SCHEMA_NAME, OBJ_NAME, ";
  return "SELECT " + columns + "'USER' GRANTEE_TYPE FROM (" + Branches(false, AllBranch) + ") GALLUSER WHERE " +
         kNameFilter + kUnion + "SELECT " + columns + "'ROLE' GRANTEE_TYPE FROM (" + Branches(true, AllBranch) +
         ") GALLROLE WHERE " + kNameFilter + kNoLock;
}

TCheckBoxState GranteeBoxOf(long long holding, size_t objects) {
  if (holding <= 0) return cbUnchecked;
  return static_cast<size_t>(holding) == objects ? cbChecked : cbGrayed;
}

std::vector<TGranteeStatement> GranteeStatements(size_t item, int kind, const std::string& entry,
                                                 const std::string& grantee, bool role, bool left, bool right) {
  const std::string g = QuoteIdent(grantee);
  const std::string r = role ? std::string(kRoleWord) + " " + g : g;
  const std::string on = Trim(kPrivileges.at(item).Keyword) + " ON " + KindWord(ObjectKindName(kind)) + " " + entry;
  if (!left) return {{"REVOKE " + on + " FROM " + r, false}};
  std::vector<TGranteeStatement> out;
  if (!role && !right) out.push_back({"REVOKE " + on + " FROM " + g, true});
  out.push_back({"GRANT " + on + " TO " + r + (right ? kGrantOptionSuffix : ""), false});
  return out;
}

bool IsNotHeldError(const std::string& message) { return message.find(kNotHeldCode) != std::string::npos; }

std::string RevokeGrantedSql(const TGrantedRow& row, bool cascade) {
  const bool role = row.GranteeType == kRoleWord;
  return "REVOKE " + Trim(row.Privilege) + " ON " + KindWord(row.KindName) + " " + row.Object + " FROM " +
         (role ? std::string(kRoleWord) + " " : std::string()) + QuoteIdent(row.Grantee) +
         (cascade && !role ? kCascadeSuffix : "");
}
