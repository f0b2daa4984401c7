#include "platform/sqlbackend.h"

#include <sql.h>
#include <sqlext.h>

#include <QDateTime>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlRecord>
#include <QSqlResult>

#include <atomic>

namespace platform {

namespace {
const char kDateFormat[] = "yyyy-MM-dd";
const char kDateTimeFormat[] = "yyyy-MM-dd HH:mm:ss";
const char kDateTimeMsFormat[] = "yyyy-MM-dd HH:mm:ss.zzz";
const char kTimeFormat[] = "HH:mm:ss";


const QString kOdbcDriver = QStringLiteral("QODBC");
const char kForbiddenInDsn[] = "[]{}(),;?*=!@\\";
const char kBadDataSourceName[] = "データソース名が正しくありません: ";
// What makes Qt read a name that passes kForbiddenInDsn as a file DSN.
const char kFileDsnWord[] = ".DSN";

TFieldType TypeFromMeta(const QMetaType& type) {
  switch (type.id()) {
    case QMetaType::Short:
    case QMetaType::UShort:
      return TFieldType::ftSmallint;
    case QMetaType::Int:
    case QMetaType::UInt:
      return TFieldType::ftInteger;
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
      return TFieldType::ftLargeint;
    case QMetaType::Double:
    case QMetaType::Float:
      return TFieldType::ftFloat;
    case QMetaType::QDate:
      return TFieldType::ftDate;
    case QMetaType::QTime:
      return TFieldType::ftTime;
    case QMetaType::QDateTime:
      return TFieldType::ftDateTime;
    case QMetaType::QByteArray:
      return TFieldType::ftBlob;
    case QMetaType::QString:
      return TFieldType::ftString;
    default:
      return TFieldType::ftUnknown;
  }
}

// Qt's ODBC driver keeps the ODBC SQL type of each column; it tells more
// than the Qt type (DECIMAL is a double there, SMALLINT an int).
TFieldType TypeFromOdbc(int sqlType, const QMetaType& fallback) {
  switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
      return TFieldType::ftString;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
      return TFieldType::ftWideString;
    case SQL_LONGVARCHAR:
      return TFieldType::ftMemo;
    case SQL_WLONGVARCHAR:
      return TFieldType::ftWideMemo;
    case SQL_SMALLINT:
    case SQL_TINYINT:
      return TFieldType::ftSmallint;
    case SQL_INTEGER:
      return TFieldType::ftInteger;
    case SQL_BIGINT:
      return TFieldType::ftLargeint;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
      return TFieldType::ftBCD;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return TFieldType::ftFloat;
    case SQL_TYPE_DATE:
      return TFieldType::ftDate;
    case SQL_TYPE_TIME:
      return TFieldType::ftTime;
    case SQL_TYPE_TIMESTAMP:
      return TFieldType::ftDateTime;
    case SQL_BINARY:
      return TFieldType::ftBytes;
    case SQL_VARBINARY:
      return TFieldType::ftVarBytes;
    case SQL_LONGVARBINARY:
      return TFieldType::ftBlob;
    default:
      return TypeFromMeta(fallback);
  }
}

class OdbcSession : public SqlSession {
 public:
  using SqlSession::SqlSession;

  std::vector<SqlFieldDef> DescribeFields(const QSqlQuery& query) const override {
    std::vector<SqlFieldDef> fields = SqlSession::DescribeFields(query);
    QSqlRecord record = query.record();
    for (int i = 0; i < record.count(); ++i) {
      QSqlField f = record.field(i);
      fields[i].type = TypeFromOdbc(f.typeID(), f.metaType());
      // Qt reports the decimal digits as the precision; for exact numerics
      // they are the scale and the column size is the precision.
      if (fields[i].type == TFieldType::ftBCD) {
        fields[i].scale = f.precision();
        fields[i].precision = f.length();
      }
    }
    SetBaseColumns(query, fields);
    return fields;
  }

  void SetReadUncommitted() override {
    QVariant handle = Database().driver()->handle();
    SQLHDBC hdbc = *static_cast<SQLHDBC const*>(handle.constData());
    SQLRETURN rc = SQLSetConnectAttr(hdbc, SQL_ATTR_TXN_ISOLATION,
                                     reinterpret_cast<SQLPOINTER>(SQL_TXN_READ_UNCOMMITTED), 0);
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) return;
    throw SqlError(DiagnosticText(hdbc));
  }

 private:
  // The driver's base-table descriptors; a computed column has no base
  // column name, and a driver that does not know leaves them empty.
  static void SetBaseColumns(const QSqlQuery& query, std::vector<SqlFieldDef>& fields) {
    const QVariant handle = query.result()->handle();
    if (!handle.isValid()) return;
    SQLHSTMT hstmt = *static_cast<SQLHSTMT const*>(handle.constData());
    if (!hstmt) return;
    const auto text = [hstmt](SQLUSMALLINT column, SQLUSMALLINT attribute) {
      SQLCHAR value[kDescriptorLength] = {};
      SQLSMALLINT length = 0;
      const SQLRETURN rc = SQLColAttribute(hstmt, column, attribute, value, sizeof value, &length, nullptr);
      if (rc != SQL_SUCCESS && rc != SQL_SUCCESS_WITH_INFO) return std::string();
      return std::string(reinterpret_cast<const char*>(value));
    };
    for (size_t i = 0; i < fields.size(); ++i) {
      const auto column = static_cast<SQLUSMALLINT>(i + 1);
      fields[i].baseTable = text(column, SQL_DESC_BASE_TABLE_NAME);
      fields[i].baseColumn = text(column, SQL_DESC_BASE_COLUMN_NAME);
      fields[i].baseSchema = text(column, SQL_DESC_SCHEMA_NAME);
      if (fields[i].baseTable.empty() || fields[i].baseColumn.empty()) fields[i].baseTable.clear();
    }
  }

  static constexpr SQLSMALLINT kDescriptorLength = 256;

  static std::string DiagnosticText(SQLHDBC hdbc) {
    std::string text;
    SQLCHAR state[SQL_SQLSTATE_SIZE + 1];
    SQLCHAR message[SQL_MAX_MESSAGE_LENGTH];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; SQLGetDiagRec(SQL_HANDLE_DBC, hdbc, i, state, &native, message, sizeof message,
                                          &length) == SQL_SUCCESS;
         ++i) {
      if (!text.empty()) text += "\n";
      text += reinterpret_cast<const char*>(message);
    }
    return text;
  }
};

std::string BraceQuoted(const std::string& value) {
  std::string quoted = "{";
  for (char c : value) {
    quoted.push_back(c);
    if (c == '}') quoted.push_back('}');
  }
  quoted.push_back('}');
  return quoted;
}

}  // namespace

SqlSession::SqlSession(QSqlDatabase database) : database_(std::move(database)) {}

SqlSession::~SqlSession() {
  QString name = database_.connectionName();
  database_.close();
  database_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(name);
}

std::string SqlSession::Rewrite(const std::string& sql) const { return sql; }

bool SqlSession::Intercept(const std::string&) { return false; }

bool SqlSession::InterceptWritten(const std::string&, std::vector<QVariant>&) { return false; }

std::string SqlSession::ErrorText(const QSqlQuery& query) const { return SqlErrorText(query.lastError()); }

void SqlSession::Executed(const std::string&, const std::vector<QVariant>&, const QSqlQuery&) {}

void SqlSession::Committing() {}

std::vector<SqlFieldDef> SqlSession::DescribeFields(const QSqlQuery& query) const {
  std::vector<SqlFieldDef> fields;
  QSqlRecord record = query.record();
  for (int i = 0; i < record.count(); ++i) {
    QSqlField f = record.field(i);
    SqlFieldDef def;
    def.name = f.name().toStdString();
    def.type = TypeFromMeta(f.metaType());
    def.size = f.length();
    def.precision = f.precision();
    def.nullable = f.requiredStatus() != QSqlField::Required;
    fields.push_back(def);
  }
  return fields;
}

std::string SqlValueText(const QVariant& value) {
  switch (value.metaType().id()) {
    case QMetaType::QByteArray: {
      const QByteArray bytes = value.toByteArray();
      return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    case QMetaType::QDate:
      return value.toDate().toString(QLatin1String(kDateFormat)).toStdString();
    case QMetaType::QDateTime: {
      const QDateTime t = value.toDateTime();
      return t.toString(QLatin1String(t.time().msec() ? kDateTimeMsFormat : kDateTimeFormat)).toStdString();
    }
    case QMetaType::QTime:
      return value.toTime().toString(QLatin1String(kTimeFormat)).toStdString();
    default:
      return value.toString().toStdString();
  }
}

bool NextQtRow(QSqlQuery& query, std::vector<SqlTextValue>& values) {
  if (!query.next()) {
    if (query.lastError().isValid()) throw SqlError(SqlErrorText(query.lastError()));
    return false;
  }
  const int count = query.record().count();
  values.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    const QVariant v = query.value(i);
    values[static_cast<size_t>(i)] = v.isNull() ? SqlTextValue() : SqlTextValue(SqlValueText(v));
  }
  return true;
}

namespace {

// Rows through Qt's own reading of the result.
class QtRowCursor : public SqlRowCursor {
 public:
  explicit QtRowCursor(QSqlQuery query) : query_(std::move(query)) {}
  bool Next(std::vector<SqlTextValue>& values) override { return NextQtRow(query_, values); }

 private:
  QSqlQuery query_;
};

}  // namespace

std::unique_ptr<SqlRowCursor> SqlSession::OpenCursor(QSqlQuery query) const {
  return std::make_unique<QtRowCursor>(std::move(query));
}

std::string SqlErrorText(const QSqlError& error) {
  QString text = error.databaseText().trimmed();
  if (text.isEmpty()) text = error.driverText().trimmed();
  if (text.isEmpty()) text = error.text().trimmed();
  return text.toStdString();
}

QString NewConnectionName() {
  static std::atomic<unsigned> counter{0};
  return QStringLiteral("orv-connection-%1").arg(++counter);
}

OdbcLogon OdbcLogonAttributes(const std::string& dataSource, const std::string& user, const std::string& password) {
  // Drivers read the DSN value unquoted; a name free of the characters
  // ODBC forbids in data source names cannot break the string.
  if (dataSource.empty() || dataSource.find_first_of(kForbiddenInDsn) != std::string::npos ||
      QString::fromStdString(dataSource).toUpper().contains(QLatin1String(kFileDsnWord)))
    throw SqlError(kBadDataSourceName + dataSource);
  return {dataSource, BraceQuoted(user), BraceQuoted(password)};
}

std::unique_ptr<SqlSession> OpenOdbcSession(const std::string& dataSource, const std::string& user,
                                            const std::string& password) {
  const OdbcLogon logon = OdbcLogonAttributes(dataSource, user, password);
  auto session = std::make_unique<OdbcSession>(QSqlDatabase::addDatabase(kOdbcDriver, NewConnectionName()));
  session->Database().setDatabaseName(QString::fromStdString(logon.Database));
  session->Database().setUserName(QString::fromStdString(logon.User));
  session->Database().setPassword(QString::fromStdString(logon.Password));
  if (!session->Database().open()) throw SqlError(SqlErrorText(session->Database().lastError()));
  return session;
}

}  // namespace platform
