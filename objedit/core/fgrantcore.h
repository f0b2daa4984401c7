// fgrantcore: the grantee privilege editor without its widgets: the nine
// privileges and the object kinds each exists for, the boxes from the
// catalogue's counts over the selected objects, the catalogue queries, and
// the statements of a run and of a revoke. The window is objedit/fgrant.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "objedit/core/rgrantcore.h"
#include "ui/core/ovchklstcore.h"

// The nine privileges in box order.
const std::vector<TGrantPrivilege>& GranteePrivileges();
// The privilege of box `item` exists for objects of `kind`.
bool GranteePrivilegeExists(size_t item, int kind);

// "<schema>"."<name>" as the object list keeps it, and the two parts back.
std::string GrantEntryText(const std::string& schema, const std::string& name);
std::pair<std::string, std::string> SplitGrantEntry(const std::string& entry);

// The per-grantee counts (users or roles) with the grantee, the data
// source, the schema and the object name; and every grant on one object,
// with the data source, schema and name twice.
std::string GrantCountSql(bool roles);
std::string GrantAllSql();
// The count columns of one privilege box: granted, with grant option.
std::string GrantCountColumn(size_t item);
std::string GrantOptionCountColumn(size_t item);

// A box from how many of the objects hold the privilege.
TCheckBoxState GranteeBoxOf(long long holding, size_t objects);

// One statement of a run; a failure of an ignorable one is passed over.
struct TGranteeStatement {
  std::string Sql;
  bool IgnoreErrors = false;
};
// The statements of one changed box pair for one object: with the left box
// ticked a user's REVOKE (errors ignored) and then the GRANT, else the
// REVOKE.
std::vector<TGranteeStatement> GranteeStatements(size_t item, int kind, const std::string& entry,
                                                 const std::string& grantee, bool role, bool left, bool right);
// The error the run passes over: the privilege was not held.
bool IsNotHeldError(const std::string& message);

// One row of the granted list, and the REVOKE of it.
struct TGrantedRow {
  std::string Grantee;
  std::string Privilege;  // padded by the query
  std::string Grantable;
  std::string Object;     // the object list's entry
  std::string KindName;
  std::string GranteeType;  // "USER" or "ROLE"
};
std::string RevokeGrantedSql(const TGrantedRow& row, bool cascade);
