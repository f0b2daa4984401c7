#include "app/core/odsql.h"

#include <QSqlError>
#include <QSqlQuery>

#include <strings.h>

#include <algorithm>

#include "platform/odbcenv.h"
#include "platform/sqlmarkers.h"
#include "standin/symfoware/standin.h"

namespace {

const char kNoTransaction[] = "トランザクションが開始されていません。";
const char kInTransaction[] = "トランザクションは既に開始されています。";
const char kUnknownField[] = "フィールドが見つかりません: ";
const char kNoRecord[] = "レコードがありません。";
const char kDriverAttribute[] = "Driver";

// The stand-in serves data sources whose driver entry names it; every
// other data source is reached through unixODBC.
std::unique_ptr<platform::SqlSession> OpenBackend(const std::string& dataSource, const std::string& user,
                                                  const std::string& password) {
  std::optional<std::string> driver = platform::OdbcDataSourceAttribute(dataSource, kDriverAttribute);
  if (driver && symfoware::IsStandinDriver(*driver))
    return symfoware::OpenStandinSession(dataSource, user, password);
  return platform::OpenOdbcSession(dataSource, user, password);
}

}  // namespace

// ---- TovSQLConnection ----

TovSQLConnection::TovSQLConnection() = default;

TovSQLConnection::~TovSQLConnection() { Disconnect(); }

void TovSQLConnection::Connect() {
  Disconnect();
  // The user and password go as typed: brace-quoted in the connection
  // string, so no character of them can break it or add attributes.
  session_ = OpenBackend(QString::fromStdString(DataSource).toUpper().toStdString(), UserName, Password);
  try {
    session_->SetReadUncommitted();
  } catch (...) {
    session_.reset();
    throw;
  }
}

void TovSQLConnection::Disconnect() {
  if (!session_) return;
  // Closing with an open transaction discards it, as the driver would.
  if (inTransaction_) session_->Database().rollback();
  inTransaction_ = false;
  session_.reset();
}

platform::SqlSession& TovSQLConnection::Session() {
  if (!session_) throw EDatabaseError(kNotConnected);
  return *session_;
}

void TovSQLConnection::BeginTrans() {
  QSqlDatabase& db = Session().Database();
  if (inTransaction_) throw EDatabaseError(kInTransaction);
  if (!db.transaction()) throw EDatabaseError(platform::SqlErrorText(db.lastError()));
  inTransaction_ = true;
}

void TovSQLConnection::CommitTrans() {
  QSqlDatabase& db = Session().Database();
  if (!inTransaction_) throw EDatabaseError(kNoTransaction);
  Session().Committing();
  if (!db.commit()) throw EDatabaseError(platform::SqlErrorText(db.lastError()));
  inTransaction_ = false;
}

void TovSQLConnection::RollbackTrans() {
  QSqlDatabase& db = Session().Database();
  if (!inTransaction_) throw EDatabaseError(kNoTransaction);
  if (!db.rollback()) throw EDatabaseError(platform::SqlErrorText(db.lastError()));
  inTransaction_ = false;
}

// ---- TovSQLQuery ----

TovSQLQuery::TovSQLQuery(TovSQLConnection* connection) : connection_(connection) {}

void TovSQLQuery::SetConnection(TovSQLConnection* connection) {
  Close();
  ForgetPrepared();
  connection_ = connection;
}

void TovSQLQuery::SetKeepPrepared(bool on) {
  keepPrepared_ = on;
  ForgetPrepared();
}

void TovSQLQuery::ForgetPrepared() {
  prepared_.reset();
  preparedFor_ = nullptr;
  convertedText_.clear();
  rewrittenText_.clear();
}

void TovSQLQuery::SetSQL(const std::string& sql) {
  Close();
  ForgetPrepared();
  sql_ = sql;
  if (!paramCheck_) return;
  parameters_.clear();
  for (const std::string& name : platform::ConvertMarkers(sql).names) parameters_.push_back({name, {}});
}

platform::SqlSession& TovSQLQuery::PreparedSession() {
  Close();
  if (!connection_) throw EDatabaseError(kNotConnected);
  return connection_->Session();
}

std::vector<QVariant> TovSQLQuery::BoundValues() const {
  std::vector<QVariant> values;
  values.reserve(parameters_.size());
  for (const TovParameter& p : parameters_) values.push_back(p.Value);
  return values;
}

void TovSQLQuery::ReadBack(const std::vector<QVariant>& values) {
  for (size_t i = 0; i < parameters_.size() && i < values.size(); ++i)
    if (parameters_[i].Direction != TParamDirection::Input) parameters_[i].Value = values[i];
}

namespace {

// The driver writes an output value into the bound one: a text of Size
// characters gives it the room.
QVariant BindValue(const TovParameter& p) {
  if (p.Direction != TParamDirection::Output) return p.Value;
  return QString(std::max(p.Size, 1), QLatin1Char(' '));
}

QSql::ParamType BindType(TParamDirection direction) {
  switch (direction) {
    case TParamDirection::Output:
      return QSql::Out;
    case TParamDirection::InputOutput:
      return QSql::InOut;
    case TParamDirection::Input:
      break;
  }
  return QSql::In;
}

}  // namespace

QSqlQuery TovSQLQuery::Execute(platform::SqlSession& session) {
  QSqlQuery query(session.Database());
  query.setForwardOnly(true);
  Run(session, query, true);
  return query;
}

void TovSQLQuery::Run(platform::SqlSession& session, QSqlQuery& query, bool prepare) {
  bool ok = true;
  std::vector<QVariant> values;
  if (paramCheck_) {
    if (prepare) ok = query.prepare(QString::fromStdString(session.Rewrite(platform::ConvertMarkers(sql_).text)));
    if (ok) {
      for (size_t i = 0; i < parameters_.size(); ++i) {
        const TovParameter& p = parameters_[i];
        query.bindValue(static_cast<int>(i), BindValue(p), BindType(p.Direction));
        values.push_back(p.Value);
      }
      ok = query.exec();
    }
  } else {
    // Executed directly, so nothing in the text is taken for a marker.
    ok = query.exec(QString::fromStdString(session.Rewrite(sql_)));
  }
  session.Executed(sql_, values, query);
  if (!ok) throw EDatabaseError(session.ErrorText(query));
}

QSqlQuery& TovSQLQuery::KeptQuery(platform::SqlSession& session) {
  const bool reuse = prepared_ && preparedFor_ == &session;
  if (!reuse) {
    prepared_.emplace(session.Database());
    prepared_->setForwardOnly(true);
  }
  try {
    Run(session, *prepared_, !reuse);
  } catch (...) {
    // A statement that failed to prepare is not kept.
    if (!reuse) ForgetPrepared();
    throw;
  }
  preparedFor_ = &session;
  return *prepared_;
}

void TovSQLQuery::Open() {
  platform::SqlSession& session = PreparedSession();
  QSqlQuery query = Execute(session);
  std::vector<TovFieldDef> fields = session.DescribeFields(query);
  std::vector<std::vector<QVariant>> rows;
  while ((maxRecords_ <= 0 || rows.size() < static_cast<size_t>(maxRecords_)) && query.next()) {
    std::vector<QVariant> row;
    row.reserve(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) row.push_back(query.value(static_cast<int>(i)));
    rows.push_back(std::move(row));
  }
  if (query.lastError().isValid()) throw EDatabaseError(session.ErrorText(query));
  query.finish();
  fields_ = std::move(fields);
  rows_ = std::move(rows);
  recNo_ = 0;
  active_ = true;
}

void TovSQLQuery::OpenCursor() {
  platform::SqlSession& session = PreparedSession();
  QSqlQuery query = Execute(session);
  fields_ = session.DescribeFields(query);
  cursor_ = session.OpenCursor(std::move(query));
  active_ = true;
}

bool TovSQLQuery::FetchRow(std::vector<platform::SqlTextValue>& values) {
  if (!cursor_) return false;
  if (cursor_->Next(values)) return true;
  cursor_.reset();
  return false;
}

int TovSQLQuery::ExecSQL() {
  platform::SqlSession& session = PreparedSession();
  // A kept statement keeps its texts too: converting and rewriting them
  // again would cost more than running it.
  if (!keepPrepared_ || preparedFor_ != &session || convertedText_.empty()) {
    convertedText_ = paramCheck_ ? platform::ConvertMarkers(sql_).text : sql_;
    rewrittenText_ = session.Rewrite(convertedText_);
  }
  std::vector<QVariant> values = BoundValues();
  if (session.InterceptWritten(convertedText_, values)) {
    ReadBack(values);
    return 0;
  }
  if (session.Intercept(rewrittenText_)) return 0;
  QSqlQuery fresh;
  QSqlQuery& query = keepPrepared_ && paramCheck_ ? KeptQuery(session) : (fresh = Execute(session));
  int affected = query.numRowsAffected();
  if (paramCheck_) {
    const QVariantList bound = query.boundValues();
    ReadBack(std::vector<QVariant>(bound.begin(), bound.end()));
  }
  query.finish();
  return affected;
}

void TovSQLQuery::Close() {
  cursor_.reset();
  active_ = false;
  fields_.clear();
  rows_.clear();
  recNo_ = 0;
}

int TovSQLQuery::FieldIndex(const std::string& name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (strcasecmp(fields_[i].name.c_str(), name.c_str()) == 0) return static_cast<int>(i);
  return -1;
}

void TovSQLQuery::Next() {
  if (!Eof()) ++recNo_;
}

const QVariant& TovSQLQuery::Value(size_t field) const {
  if (field >= fields_.size()) throw EDatabaseError(kUnknownField + std::to_string(field));
  if (Eof()) throw EDatabaseError(kNoRecord);
  return rows_[recNo_][field];
}

const QVariant& TovSQLQuery::FieldByName(const std::string& name) const {
  int index = FieldIndex(name);
  if (index < 0) throw EDatabaseError(kUnknownField + name);
  return Value(static_cast<size_t>(index));
}

std::string TovSQLQuery::AsString(size_t field) const { return Value(field).toString().toStdString(); }

std::string TovSQLQuery::AsString(const std::string& name) const {
  return FieldByName(name).toString().toStdString();
}
