// fobjectcore: the plain computation of the connection window: the
// transaction rule of its SQL routines, script batches, the catalogue
// level probe, the case of the user name, the task-button caption and the
// readers of the tool reports behind the storage lists.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/core/odsql.h"

// What the SQL routines need of a connection's transaction.
class TTransactionPort {
 public:
  virtual ~TTransactionPort() = default;
  virtual bool InTransaction() const = 0;
  virtual void BeginTrans() = 0;
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;
};

// A connection's own transaction behind the port.
class TConnectionTransactions : public TTransactionPort {
 public:
  explicit TConnectionTransactions(TovSQLConnection& connection) : connection_(connection) {}
  bool InTransaction() const override { return connection_.InTransaction(); }
  void BeginTrans() override { connection_.BeginTrans(); }
  void CommitTrans() override { connection_.CommitTrans(); }
  void RollbackTrans() override { connection_.RollbackTrans(); }

 private:
  TovSQLConnection& connection_;
};

// The two statements ExecSQL turns into the connection's own operations
// (exact texts: case-sensitive, untrimmed).
inline constexpr char kCommitText[] = "COMMIT";
inline constexpr char kRollbackText[] = "ROLLBACK";

// ExecSQL's transaction rule around one statement: begin when there is no
// transaction; else commit (on "COMMIT" or with AutoCommit) or roll back
// (on "ROLLBACK") and begin again, failures of these swallowed. "COMMIT"
// and "ROLLBACK" stop there; any other text is run by `execute`, whose
// failure propagates with the transaction untouched, and with AutoCommit is
// committed and a transaction begun again (failures swallowed).
void ExecWithTransactionRule(TTransactionPort& tx, bool autoCommit, const std::string& sql,
                             const std::function<void(const std::string&)>& execute);
// The rule before every query: with AutoCommit, commit an open transaction
// and begin one; failures propagate.
void BeginQueryTransaction(TTransactionPort& tx, bool autoCommit);

// The statements of a script: the lines between lines that equal the
// separator once trimmed, each line followed by CRLF; batches of blanks
// only are left out.
std::vector<std::string> ScriptBatches(const std::vector<std::string>& lines, const std::string& separator);

// True when the query with its parameter values returns a row.
using TRowExists = std::function<bool(const std::string& sql, const std::vector<std::string>& values)>;

// The catalogue codes of a database, a schema and a table (bound by name:
// DBName, SchemaName, TableName).
inline constexpr char kDBCodeSql[] = "SELECT DB_CODE FROM RDBII_SYSTEM.RDBII_DATABASE WHERE DB_NAME = :DBName";
inline constexpr char kSchemaCodeSql[] =
    "SELECT SCHEMA_CODE FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE DB_NAME = :DBName AND SCHEMA_NAME = :SchemaName";
inline constexpr char kTableCodeSql[] =
    "SELECT TABLE_CODE FROM RDBII_SYSTEM.RDBII_TABLE WHERE DB_NAME = :DBName AND SCHEMA_NAME = :SchemaName AND "
    "TABLE_NAME = :TableName";

struct TCatalogLevel {
  int ServerVersion = 9;
  int CatalogLevel = 9;
  bool LevelReduced = false;

  friend bool operator==(const TCatalogLevel&, const TCatalogLevel&) = default;
};
// Level 10 with RDBII_TABLE_EX in the dictionary, 11 with RDBII_LOGMNG as
// well, reduced back to 10 without the system parameter CHOOSE_TID_UNION.
TCatalogLevel ProbeCatalogLevel(const TRowExists& rowExists);

// The user name as the catalogue knows it: as typed when that user exists,
// upper-cased when only the upper-case user exists, else as typed.
std::string CatalogUserName(const TRowExists& rowExists, const std::string& typed);

// The connection window's task-button caption: the label without blanks,
// cut to 10 columns and "…" when it is wider than 12.
std::string TaskButtonCaption(const std::string& user, const std::string& dataSource);

// The base DSO of a table in an rdbprt definition report.
std::optional<std::string> BaseDsoName(const std::vector<std::string>& lines);
// The DSIs of the report's first DSI list, by its fixed line positions.
std::vector<std::string> TableDsiNames(const std::vector<std::string>& lines);
// Adds the data DSIs of rdbinf reports to `names`.
void AddDataDsiNames(const std::vector<std::string>& lines, std::vector<std::string>& names);
// Sorts ignoring case and drops the lines equal to an earlier one
// ignoring case.
void SortUnique(std::vector<std::string>& lines);
