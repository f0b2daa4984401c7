// The SQL backends behind orv's connection classes: one open session on a
// Qt SQL database, its statement rewriting and its field metadata. The
// ODBC backend lives here; the embedded Symfoware stand-in provides another.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform {

// A failure of the database layer; what() is the driver's message text.
class SqlError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Field type codes of the data-access layer.
enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftWord,
  ftLargeint,
  ftFloat,
  ftBCD,
  ftDate,
  ftTime,
  ftDateTime,
  ftBytes,
  ftVarBytes,
  ftBlob,
  ftMemo,
  ftWideString,
  ftOraBlob,
  ftOraClob,
  ftWideMemo,
};

// Metadata of one result column. Size is the column size the driver
// reports (characters for text, digits for numbers), -1 when unknown.
struct SqlFieldDef {
  std::string name;
  TFieldType type = TFieldType::ftUnknown;
  int size = -1;
  int precision = -1;
  int scale = -1;
  bool nullable = true;
  // Where the column's values come from when it is a plain column of one
  // base table; empty for computed columns and when the backend cannot say.
  std::string baseSchema;
  std::string baseTable;
  std::string baseColumn;
};

// One value of a result row as text: the bytes of a binary value, the text
// of any other (dates as "yyyy-MM-dd", times "HH:mm:ss"); none for a null.
using SqlTextValue = std::optional<std::string>;

// The text of a value as a result row gives it (SqlTextValue's form).
std::string SqlValueText(const QVariant& value);

// Steps Qt's query to its next row and reads that row's texts; false at
// the end. A failure raises SqlError.
bool NextQtRow(QSqlQuery& query, std::vector<SqlTextValue>& values);

// Reads the rows of one executed query as texts.
class SqlRowCursor {
 public:
  virtual ~SqlRowCursor() = default;
  // The next row into values; false at the end. A failure raises SqlError.
  virtual bool Next(std::vector<SqlTextValue>& values) = 0;
};

// One open connection of a backend. Owns its Qt database connection and
// removes it when destroyed.
class SqlSession {
 public:
  explicit SqlSession(QSqlDatabase database);
  virtual ~SqlSession();
  SqlSession(const SqlSession&) = delete;
  SqlSession& operator=(const SqlSession&) = delete;

  QSqlDatabase& Database() { return database_; }
  const QSqlDatabase& Database() const { return database_; }

  // Turns a statement (its markers already positional "?") into the text
  // the backend runs.
  virtual std::string Rewrite(const std::string& sql) const;
  // Runs a statement the backend handles itself instead of passing it to
  // the database; true when it did.
  virtual bool Intercept(const std::string& sql);
  // The same, tried first, for a statement the backend reads as the program
  // wrote it (markers positional, nothing rewritten), with its bound values
  // in order; it writes what the statement gives back (the output values of
  // a CALL) into them.
  virtual bool InterceptWritten(const std::string& sql, std::vector<QVariant>& values);
  // Field metadata of an executed query, read before the query is finished.
  virtual std::vector<SqlFieldDef> DescribeFields(const QSqlQuery& query) const;
  // Reads the rows of an executed query, which the cursor then owns.
  virtual std::unique_ptr<SqlRowCursor> OpenCursor(QSqlQuery query) const;
  // Sets the isolation level read-uncommitted for the coming transactions.
  virtual void SetReadUncommitted() = 0;
  // The message of the failed query's statement as the backend's server
  // words it.
  virtual std::string ErrorText(const QSqlQuery& query) const;
  // A statement ran or failed: its text as the program wrote it, its values
  // in order and the query that ran it (the stand-in journals it).
  virtual void Executed(const std::string& sql, const std::vector<QVariant>& values, const QSqlQuery& query);
  // The open transaction is about to be committed (the stand-in empties
  // the temporary tables whose rows end with it; a server does that itself).
  virtual void Committing();

 private:
  QSqlDatabase database_;
};

// The message text of a Qt SQL error: the driver's text, else Qt's own.
std::string SqlErrorText(const QSqlError& error);

// A new, unused Qt connection name.
QString NewConnectionName();

// What Qt's ODBC driver is handed for a logon. Qt reads the database name
// as a file DSN when it holds ".dsn" and as a whole connection string when
// it holds "DRIVER=" or "SERVER=", else puts "DSN=" in front; user and
// password it appends afterwards as ";UID=" and ";PWD=" unquoted. So the
// database name is the data source alone, and user and password go apart,
// brace-quoted with "}" doubled: whatever they hold reaches the driver as
// typed. A data source name holding a character ODBC forbids there, or
// ".dsn", raises SqlError.
struct OdbcLogon {
  std::string Database;
  std::string User;
  std::string Password;
};
OdbcLogon OdbcLogonAttributes(const std::string& dataSource, const std::string& user, const std::string& password);

// Connects to an ODBC data source through unixODBC.
std::unique_ptr<SqlSession> OpenOdbcSession(const std::string& dataSource, const std::string& user,
                                            const std::string& password);

}  // namespace platform
