// The stand-in's catalogue upkeep: after each DDL statement of a session the
// catalogue again says what the schemas hold. What SQLite holds (tables,
// views, indexes) is described once it exists; the rows of a dropped object
// go with it. Routines, triggers and sequences live in the catalogue alone,
// so their DROP statements are run here and never reach SQLite.
#pragma once

#include <QSqlDatabase>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/storage.h"

namespace symfoware {

struct TableComments;

// The unquoted form of a name as the server reads it: upper case unless
// quoted, quotes undoubled.
QString NameOf(const QString& token);

class CatalogueUpkeep {
 public:
  // What a DROP of one kind of object finds and removes.
  struct Kind;

  // For a session of `user` whose catalogue is already true.
  explicit CatalogueUpkeep(QSqlDatabase& db, const std::string& user = {});

  // Runs `sql` when it is a DROP of a table, view, procedure, function,
  // trigger, sequence or index storage structure (DSO), with or without
  // CASCADE, and "DROP INDEX [<schema>.]<table>.<index>" of the older
  // servers, and returns true; false for any other statement. A missing
  // object, or a table or view that a view uses while CASCADE is absent,
  // raises SqlError in the server's words and changes nothing.
  bool Drop(const std::string& sql);

  // Runs `sql` when it is a GRANT or REVOKE of privileges on a table, view,
  // procedure, function, trigger or sequence (to users, PUBLIC and ROLE r;
  // WITH GRANT OPTION, REVOKE GRANT OPTION FOR, CASCADE) and returns true;
  // false for any other statement. Users and PUBLIC hold theirs in
  // RDBII_PRIVILEGES, roles in RDBII_ROLE_PRIV. An unknown object, grantee
  // or privilege, a revoke of what is not held, or a revoke that others'
  // grants depend on without CASCADE raises SqlError and changes nothing.
  bool Privilege(const std::string& sql);

  // Runs `sql` when it is a storage statement (CREATE DSO, CREATE DSI,
  // CREATE or DROP SCOPE, DROP DSI, DROP DSO of a table's structure) and
  // returns true; false for any other statement. An index's DSO is a SQLite
  // index besides. What the server refuses raises SqlError and changes
  // nothing; dropping a scope that does not exist succeeds.
  bool Storage(const std::string& sql);

  // Runs `sql` when it is a CREATE SEQUENCE (INCREMENT BY, START WITH,
  // MAXVALUE, MINVALUE, CYCLE, CACHE a, b, ORDER) and returns true; false for
  // any other statement. The sequence lives in RDBII_SEQUENCE alone; it has
  // no current value until its first NEXTVAL. A clause the server would
  // refuse, an unknown schema or a name in use raises SqlError.
  bool CreateSequence(const std::string& sql);

  // Runs `sql` when it is a CREATE ROLE, DROP ROLE (with its grants and
  // privileges), GRANT of roles TO users or PUBLIC or REVOKE of roles FROM
  // them, and returns true; false for any other statement. An unknown role
  // or user, a role that exists already or a revoke of a role not granted
  // raises SqlError and changes nothing.
  bool Role(const std::string& sql);

  // Runs `sql` when it is an ALTER TABLE of a table: one or more
  // "ADD(<column definition>)" (the columns added in SQLite and described
  // with the next codes and positions), "COMMENT <literal>", "COMMENT OFF",
  // "MODIFY <column> COMMENT <literal>" or "MODIFY <column> COMMENT OFF";
  // returns true. An unknown table or column raises SqlError and changes
  // nothing; false for any other statement.
  bool AlterTable(const std::string& sql);

  // Runs `sql`, as the program wrote it, when it is a CREATE PROCEDURE or
  // CREATE FUNCTION and returns true: the routine lives in the catalogue
  // alone (RDBII_PROC, RDBII_PROC_EX, RDBII_PROC_COL, a procedure's text in
  // RDBII_DESCRIPTION, its comment, the tables its body names, the owner's
  // privileges). A text the server could not read, an unknown schema or a
  // name in use raises SqlError and creates nothing; false for any other
  // statement.
  bool CreateRoutine(const std::string& sql);

  // The same for CREATE TRIGGER: RDBII_TRIGGER, RDBII_TRIG_COLUMNS for an
  // UPDATE OF list, the tables its statements name and the owner's DROP
  // privilege. An unqualified table is in the trigger's schema; an unknown
  // table or column refuses the trigger.
  bool CreateTrigger(const std::string& sql);

  // Runs `sql` when it is SET SYSTEM PARAMETER, CREATE USER, ALTER USER or
  // DROP USER and returns true; false for any other statement. A user keeps
  // its method (IDENT), lock (PASSWORD_STATUS "L"), parameters and the
  // password the logon checks; a dropped one takes its parameters, role
  // grants and privileges along. A user that exists (CREATE) or does not
  // (ALTER, DROP), or an unknown parameter raises SqlError.
  bool User(const std::string& sql);

  // Runs `sql` when it is a GRANT or REVOKE of ALLOCATE ON DBSPACE (to
  // users, PUBLIC or ROLE r; WITH GRANT OPTION, REVOKE GRANT OPTION FOR,
  // CASCADE) or a DROP DBSPACE, and returns true; false for any other
  // statement. An unknown space, user or role, or a revoke of what is not
  // held raises SqlError and changes nothing.
  bool Allocate(const std::string& sql);

  // After a statement SQLite ran: a CREATE or ALTER gets what it made
  // described.
  void Executed(const std::string& sql);

  // Runs `sql` when it is a CREATE TABLE placed "ON <space>", with COMMENT
  // clauses or a CREATE GLOBAL TEMPORARY TABLE and returns true: SQLite
  // creates the table without them, the catalogue lists it in that database
  // space, of its temporary type ('TP' keeps rows for the session, 'TD'
  // for the transaction) and holds its comments.
  // An unknown space raises SqlError and creates nothing; false for any
  // other statement.
  bool CreateTableOn(const std::string& sql);

 private:
  struct Found {
    long long code;
    QString schema;
    QString name;
  };
  void WriteComments(const TableComments& comments, long long firstNew);
  // Sets (or with nothing, removes) the comment of a table or of one column.
  void SetComment(const Found& table, const QString& column, const std::optional<QString>& comment);
  // SqlError unless the database space exists.
  void CheckSpace(const QString& space);
  Found Find(const Kind& kind, const QString& schema, const QString& name);
  std::vector<Found> FindAll(const Kind& kind, const QString& schema, const QString& name);
  struct PrivilegeStatement;
  static bool ParsePrivilege(const std::string& sql, PrivilegeStatement& s);
  void Grant(const PrivilegeStatement& s);
  void Revoke(const PrivilegeStatement& s);
  void RevokeFrom(const PrivilegeStatement& s, const QString& grantee, bool role, const QString& privilege);
  void DropInSqlite(const Kind& kind, const Found& object, bool cascade);
  void RemoveRows(const Kind& kind, const Found& object);
  void RemoveIndexesAndTriggersOf(long long tableCode);
  void Settle();
  // The code of a user, 0 for none.
  long long UserCode(const QString& name);
  void DropUser(const QString& name);
  // The code of a role, or the server's refusal of an unknown one.
  long long RoleCode(const QString& role);
  // The code of a schema of this database, or the server's refusal.
  long long SchemaCode(const QString& schema);
  // The codes of the tables and views of those names that exist; an
  // unqualified name is looked for in `schema`.
  std::vector<long long> UsedTableCodes(const std::vector<TQualifiedName>& names, const QString& schema);
  // Runs `change` whole or not at all.
  void Atomically(const std::function<void()>& change);
  void CreateDso(const TCreateDso& dso);
  void CreateDsi(const TCreateDsi& dsi);
  void CreateScope(const TCreateScope& scope);
  // False when the name is no table's structure (an index's DSO is Drop's).
  bool DropStorage(const TDropStorage& drop);

  QSqlDatabase& db_;
  long long dbCode_ = 0;
  std::string dbName_;
  QString user_;
  TDescribedUpTo described_;
};

}  // namespace symfoware
