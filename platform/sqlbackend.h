// The SQL backends behind orv's connection classes: one open session on a
// Qt SQL database, its statement rewriting and its field metadata. The
// ODBC backend lives here; the embedded Symfoware stand-in provides another.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>

#include <memory>
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

  // Turns a statement (its markers already positional "?") into the text
  // the backend runs.
  virtual std::string Rewrite(const std::string& sql) const;
  // Runs a statement the backend handles itself instead of passing it to
  // the database; true when it did.
  virtual bool Intercept(const std::string& sql);
  // Field metadata of an executed query, read before the query is finished.
  virtual std::vector<SqlFieldDef> DescribeFields(const QSqlQuery& query) const;
  // Sets the isolation level read-uncommitted for the coming transactions.
  virtual void SetReadUncommitted() = 0;

 private:
  QSqlDatabase database_;
};

// The message text of a Qt SQL error: the driver's text, else Qt's own.
std::string SqlErrorText(const QSqlError& error);

// A new, unused Qt connection name.
QString NewConnectionName();

// The database name handed to Qt's ODBC driver: the data source, then user
// and password brace-quoted with "}" doubled (Qt puts "DSN=" in front). A
// data source name holding a character ODBC forbids there raises SqlError,
// as does a user or password holding what Qt takes for another kind of
// connection string (".dsn", "DRIVER=", "SERVER=").
std::string OdbcConnectionString(const std::string& dataSource, const std::string& user,
                                 const std::string& password);

// Connects to an ODBC data source through unixODBC.
std::unique_ptr<SqlSession> OpenOdbcSession(const std::string& dataSource, const std::string& user,
                                            const std::string& password);

}  // namespace platform
