// odsql: the connection and query classes every statement of orv runs
// through. A connection opens an ODBC data source, or the embedded
// Symfoware stand-in when the data source's driver is the stand-in.
#pragma once

#include <QSqlQuery>
#include <QVariant>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sqlbackend.h"

// The database layer's exception; what() is the driver's message.
using EDatabaseError = platform::SqlError;
using platform::TFieldType;
using TovFieldDef = platform::SqlFieldDef;

// What a statement without a connection raises.
inline constexpr char kNotConnected[] = "データベースに接続されていません。";

class TovSQLConnection {
 public:
  TovSQLConnection();
  ~TovSQLConnection();
  TovSQLConnection(const TovSQLConnection&) = delete;
  TovSQLConnection& operator=(const TovSQLConnection&) = delete;

  std::string UserName;
  std::string Password;
  std::string DataSource;
  // The default database; the connection window sets it after connecting.
  std::string DefaultDatabase;

  // Connects with the three fields and sets the isolation level
  // read-uncommitted; a failure raises EDatabaseError with the driver's text.
  void Connect();
  void Disconnect();
  bool Connected() const { return session_ != nullptr; }

  // ODBC has no begin: a transaction is manual-commit mode plus this
  // tracked state.
  void BeginTrans();
  void CommitTrans();
  void RollbackTrans();
  bool InTransaction() const { return inTransaction_; }

  // The open session; raises EDatabaseError when not connected.
  platform::SqlSession& Session();

 private:
  std::unique_ptr<platform::SqlSession> session_;
  bool inTransaction_ = false;
};

// Which way a marker's value goes.
enum class TParamDirection { Input, Output, InputOutput };

// One ":NAME" marker occurrence and the value bound to it. An output
// value is read back into Value after ExecSQL, as text: Size is the room
// in characters the driver gets for it. An input-output value goes in as
// Value and its room is its own length.
struct TovParameter {
  std::string Name;
  QVariant Value;
  TParamDirection Direction = TParamDirection::Input;
  int Size = 0;
};

class TovSQLQuery {
 public:
  explicit TovSQLQuery(TovSQLConnection* connection = nullptr);

  TovSQLConnection* Connection() const { return connection_; }
  void SetConnection(TovSQLConnection* connection);

  // With parameter parsing on, setting the text makes one parameter per
  // marker occurrence, in order.
  bool ParamCheck() const { return paramCheck_; }
  void SetParamCheck(bool on) { paramCheck_ = on; }
  const std::string& SQL() const { return sql_; }
  void SetSQL(const std::string& sql);

  // A statement run many times with new values (parameter parsing on) may
  // keep its prepared form between runs, until its text or connection
  // changes; only while the connection stays open.
  void SetKeepPrepared(bool on);

  std::vector<TovParameter>& Parameters() { return parameters_; }
  void ClearParameters() { parameters_.clear(); }

  // At most this many records are fetched on open; 0 for all.
  int MaxRecords() const { return maxRecords_; }
  void SetMaxRecords(int count) { maxRecords_ = count; }

  // Runs the query and fetches its whole result, so the connection is free
  // for other statements while this result is read.
  void Open();
  // Runs the query and keeps its cursor open instead of fetching: Fields()
  // are set and FetchRow reads the rows one by one, so a large result is
  // held only by whoever reads it. Value, Next and Eof do not apply.
  void OpenCursor();
  // The next row of the open cursor into values, as texts; false at its
  // end (the cursor is then closed).
  bool FetchRow(std::vector<platform::SqlTextValue>& values);
  bool CursorOpen() const { return cursor_ != nullptr; }

  // Runs a statement that returns no rows; the number of rows affected.
  int ExecSQL();
  void Close();
  bool Active() const { return active_; }

  const std::vector<TovFieldDef>& Fields() const { return fields_; }
  // Index of a field by name (ignoring case), -1 when there is none.
  int FieldIndex(const std::string& name) const;

  size_t RecordCount() const { return rows_.size(); }
  size_t RecNo() const { return recNo_; }
  bool Eof() const { return recNo_ >= rows_.size(); }
  void First() { recNo_ = 0; }
  void Next();

  // Values of the current record; a bad field name raises EDatabaseError.
  const QVariant& Value(size_t field) const;
  const QVariant& FieldByName(const std::string& name) const;
  std::string AsString(size_t field) const;
  std::string AsString(const std::string& name) const;

 private:
  platform::SqlSession& PreparedSession();
  QSqlQuery Execute(platform::SqlSession& session);
  // Runs the statement on `query`, preparing it first when asked.
  void Run(platform::SqlSession& session, QSqlQuery& query, bool prepare);
  // The kept prepared statement, run with the present values.
  QSqlQuery& KeptQuery(platform::SqlSession& session);
  // The values bound to the markers, in order.
  std::vector<QVariant> BoundValues() const;
  // Output values into the output and input-output parameters.
  void ReadBack(const std::vector<QVariant>& values);

  TovSQLConnection* connection_;
  std::string sql_;
  bool paramCheck_ = true;
  std::vector<TovParameter> parameters_;
  int maxRecords_ = 0;
  bool active_ = false;
  std::vector<TovFieldDef> fields_;
  std::vector<std::vector<QVariant>> rows_;
  size_t recNo_ = 0;
  std::unique_ptr<platform::SqlRowCursor> cursor_;
  // The kept prepared statement and the texts it was made from.
  bool keepPrepared_ = false;
  std::optional<QSqlQuery> prepared_;
  platform::SqlSession* preparedFor_ = nullptr;
  std::string convertedText_;
  std::string rewrittenText_;
  void ForgetPrepared();
};
