#include "objedit/core/ftablecatalog.h"

#include <algorithm>

#include "app/core/dsymfoware.h"
#include "app/core/odsql.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

namespace {

// The grants query, each half telling whether its grantees are users or
// roles: a role's privileges go back "TO ROLE".
constexpr const char* kGrantSql =
    "SELECT TRIM(A.GRANTEE) GRANTEE, TRIM(A.PRIVILEGE_TYPE) PRIVILEGE_TYPE, TRIM(A.IS_GRANTABLE) IS_GRANTABLE, "
    "'U' GRANTEE_KIND FROM RDBII_SYSTEM.RDBII_PRIVILEGES A WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE "
    "AND TABLE_CODE = :OBJECT_CODE UNION SELECT TRIM(B.ROLE_NAME) GRANTEE, TRIM(A.PRIVILEGE_TYPE) PRIVILEGE_TYPE, '' "
    "IS_GRANTABLE, 'R' GRANTEE_KIND FROM RDBII_SYSTEM.RDBII_ROLE_PRIV A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_ROLE B ON "
    "B.ROLE_CODE = A.ROLE_CODE WHERE A.DB_CODE = :DB_CODE AND A.SCHEMA_CODE = :SCHEMA_CODE AND A.OBJECT_CODE = "
    ":OBJECT_CODE WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kIndexSql =
    "SELECT TRIM(INDEX_DSO_NAME), CONSTRAINT_CODE FROM RDBII_SYSTEM.RDBII_INDEX WHERE DB_CODE = :DB_CODE AND "
    "SCHEMA_CODE = :SCHEMA_CODE AND TABLE_CODE = :TABLE_CODE";
constexpr const char* kColumnSql =
    "SELECT TRIM(COLUMN_NAME), COLUMN_CODE FROM RDBII_SYSTEM.RDBII_COLUMN WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = "
    ":SCHEMA_CODE AND TABLE_CODE = :TABLE_CODE";
constexpr const char* kUsingViewsSql =
    "SELECT T.TABLE_CODE, T.SCHEMA_CODE, TRIM(T.SCHEMA_NAME), TRIM(T.TABLE_NAME) FROM RDBII_SYSTEM.RDBII_TABLE_USAGE "
    "U, RDBII_SYSTEM.RDBII_TABLE T WHERE U.TABLE_CODE = :TABLE_CODE AND T.TABLE_CODE = U.OBJECT_CODE AND "
    "T.TABLE_TYPE = 'VW' WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kTriggerSql =
    "SELECT TRIG_CODE, TRIG_SCHEMA_CODE, TRIM(TRIG_SCHEMA_NAME), TRIM(TRIG_NAME) FROM RDBII_SYSTEM.RDBII_TRIGGER "
    "WHERE TRIG_DB_CODE = :DB_CODE AND EVENT_OBJ_SCH_CODE = :SCHEMA_CODE AND EVENT_OBJ_TBL_CODE = :TABLE_CODE WITH "
    "OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kGrantable = "YES";
constexpr const char* kRoleGrantee = "R";
constexpr const char* kViewWord = "TABLE";
constexpr const char* kTriggerWord = "TRIGGER";

// Reads the catalogue in a transaction of its own, closed in every case.
template <class F>
void CatalogueRead(TovConnectionWindow& window, F read) {
  TovSQLConnection& connection = window.Module().Connection;
  if (connection.InTransaction()) connection.CommitTrans();
  connection.BeginTrans();
  try {
    read();
  } catch (...) {
    if (connection.InTransaction()) connection.CommitTrans();
    throw;
  }
  if (connection.InTransaction()) connection.CommitTrans();
}

// Database, schema and table code; `database` as the reader names it.
std::vector<std::string> Codes(TovConnectionWindow& window, const std::string& database, const std::string& schema,
                               const std::string& table) {
  std::vector<std::string> codes;
  CatalogueRead(window, [&] {
    codes = {window.GetDBCode(database), window.GetSchemaCode(database, schema),
             window.GetTableCode(database, schema, table)};
  });
  return codes;
}

std::string TypedDataSource(TovConnectionWindow& window) { return window.Module().Connection.DataSource; }

struct TDependentRow {
  std::string Code, SchemaCode, Schema, Name;
};

std::vector<TTableGrant> GrantsOf(TovConnectionWindow& window, const std::string& dbCode,
                                  const std::string& schemaCode, const std::string& objectCode) {
  std::vector<TTableGrant> grants;
  CatalogueRead(window, [&] {
    for (TovSQLQuery& q =
             window.OpenSQLParams(kGrantSql, {dbCode, schemaCode, objectCode, dbCode, schemaCode, objectCode});
         !q.Eof(); q.Next())
      grants.push_back({q.AsString(size_t{0}), q.AsString(1), Trim(q.AsString(2)) == kGrantable,
                        Trim(q.AsString(3)) == kRoleGrantee});
  });
  return grants;
}

}  // namespace

std::vector<TTableGrant> ReadObjectGrants(TovConnectionWindow& window, const std::string& schema,
                                          const std::string& objectCode) {
  const std::string database = TypedDataSource(window);
  std::string dbCode, schemaCode;
  CatalogueRead(window, [&] {
    dbCode = window.GetDBCode(database);
    schemaCode = window.GetSchemaCode(database, schema);
  });
  return GrantsOf(window, dbCode, schemaCode, objectCode);
}

std::vector<TTableGrant> ReadTableGrants(TovConnectionWindow& window, const std::string& schema,
                                         const std::string& table) {
  const std::vector<std::string> codes = Codes(window, TypedDataSource(window), schema, table);
  return GrantsOf(window, codes[0], codes[1], codes[2]);
}

std::vector<std::string> ReadTableIndexNames(TovConnectionWindow& window, const std::string& schema,
                                             const std::string& table) {
  const std::vector<std::string> codes = Codes(window, TypedDataSource(window), schema, table);
  std::vector<std::string> names;
  CatalogueRead(window, [&] {
    for (TovSQLQuery& q = window.OpenSQLParams(kIndexSql, codes); !q.Eof(); q.Next())
      names.push_back(q.AsString(size_t{0}));
  });
  return names;
}

std::vector<TStoredColumn> ReadStoredColumns(TovConnectionWindow& window, const std::string& schema,
                                             const std::string& table) {
  const std::vector<std::string> codes = Codes(window, window.Module().GetDataSourceName(), schema, table);
  std::vector<TStoredColumn> columns;
  CatalogueRead(window, [&] {
    for (TovSQLQuery& q = window.OpenSQLParams(kColumnSql, codes); !q.Eof(); q.Next())
      columns.push_back({q.AsString(size_t{0}), q.AsString(1)});
  });
  return columns;
}

std::vector<TTableDependent> ReadTableDependents(TovConnectionWindow& window, const std::string& schema,
                                                 const std::string& table, const TDependentWriter& write) {
  const std::vector<std::string> codes = Codes(window, TypedDataSource(window), schema, table);
  // Breadth first from the table; a view reached again moves behind the
  // one that reached it, so each comes after every view it uses.
  std::vector<TDependentRow> views;
  std::vector<std::string> pending{codes[2]};
  while (!pending.empty()) {
    const std::string used = pending.front();
    pending.erase(pending.begin());
    std::vector<TDependentRow> found;
    CatalogueRead(window, [&] {
      for (TovSQLQuery& q = window.OpenSQLParams(kUsingViewsSql, {used}); !q.Eof(); q.Next())
        found.push_back({q.AsString(size_t{0}), q.AsString(1), q.AsString(2), q.AsString(3)});
    });
    for (const TDependentRow& view : found) {
      std::erase_if(views, [&](const TDependentRow& v) { return v.Code == view.Code; });
      views.push_back(view);
      pending.push_back(view.Code);
    }
  }
  std::vector<TDependentRow> triggers;
  CatalogueRead(window, [&] {
    for (TovSQLQuery& q = window.OpenSQLParams(kTriggerSql, codes); !q.Eof(); q.Next())
      triggers.push_back({q.AsString(size_t{0}), q.AsString(1), q.AsString(2), q.AsString(3)});
  });
  std::vector<TTableDependent> dependents;
  const auto add = [&](const TDependentRow& row, int kind, const char* word) {
    dependents.push_back({word, row.Schema, row.Name, write(kind, row.Schema, row.Name),
                          GrantsOf(window, codes[0], row.SchemaCode, row.Code)});
  };
  for (const TDependentRow& view : views) add(view, okView, kViewWord);
  for (const TDependentRow& trigger : triggers) add(trigger, okTrigger, kTriggerWord);
  return dependents;
}
