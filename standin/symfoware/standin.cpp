#include "standin/symfoware/standin.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include "platform/odbcenv.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/createtable.h"
#include "standin/symfoware/functions.h"
#include "standin/symfoware/rewriter.h"
#include "standin/symfoware/routinecall.h"
#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/sqltrace.h"
#include "standin/symfoware/upkeep.h"

namespace symfoware {

const char kStandinDriverName[] = "Symfoware Server Stand-in";

namespace {

using platform::SqlError;
using platform::TFieldType;

const QString kSqliteDriver = QStringLiteral("QSQLITE");
const QString kMemory = QStringLiteral(":memory:");
const char kDatabaseAttribute[] = "Database";

const char kLogonRefused[] = "JYP5014E 利用者名またはパスワードが誤っています。";
const char kAccountLocked[] = "JYP5015E 利用者のアカウントはロックされています。";
const char kLockedStatus[] = "L";
const char kNoFolder[] = "データソースにデータベースのフォルダが指定されていません: ";
const char kNoDatabase[] = "データベースが見つかりません: ";
const char kTooManySchemas[] = "JYP9001E スタンドインのデータソースに作成できるスキーマは9個までです。";
const char kSchemaExists[] = "JYP9002E スキーマは既に存在します: ";
const char kNoSuchSchema[] = "JYP9020E スキーマが存在しません: ";
const char kSchemaNotEmpty[] = "JYP9021E スキーマにオブジェクトが存在するため削除できません: ";
// What a schema holds, in the order CASCADE drops it: what depends on a
// table before the table.
const char kSchemaObjectsSql[] =
    "SELECT 'TRIGGER', TRIG_NAME FROM RDBII_SYSTEM.RDBII_TRIGGER WHERE TRIG_SCHEMA_NAME = ? "
    "UNION ALL SELECT CASE PROCEDURE_TYPE WHEN 2 THEN 'FUNCTION' ELSE 'PROCEDURE' END, PROCEDURE_NAME "
    "FROM RDBII_SYSTEM.RDBII_PROC WHERE SCHEMA_NAME = ? "
    "UNION ALL SELECT 'SEQUENCE', SEQUENCE_NAME FROM RDBII_SYSTEM.RDBII_SEQUENCE WHERE SCHEMA_NAME = ? "
    "UNION ALL SELECT 'VIEW', TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE WHERE SCHEMA_NAME = ? AND TABLE_TYPE = 'VW' "
    "UNION ALL SELECT 'TABLE', TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE WHERE SCHEMA_NAME = ? "
    "AND TABLE_TYPE <> 'VW'";
const size_t kSchemaObjectKinds = 5;  // the parts of the union, each bound to the schema

// Views of the catalogue that are read without a schema; SQLite lets only
// temporary views reach into attached databases.
const char* const kUnqualifiedViews[] = {
    "CREATE TEMP VIEW ALL_TABLES AS SELECT SCHEMA_NAME OWNER, TABLE_NAME "
    "FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_TYPE <> 'VW'",
    "CREATE TEMP VIEW ALL_OBJECTS AS "
    "SELECT SCHEMA_NAME OWNER, TABLE_NAME OBJECT_NAME, "
    "CASE TABLE_TYPE WHEN 'VW' THEN 'VIEW' ELSE 'TABLE' END OBJECT_TYPE, 'VALID' STATUS "
    "FROM RDBII_SYSTEM.RDBII_TABLE "
    "UNION ALL SELECT SCHEMA_NAME, PROCEDURE_NAME, "
    "CASE PROCEDURE_TYPE WHEN 2 THEN 'FUNCTION' ELSE 'PROCEDURE' END, 'VALID' "
    "FROM RDBII_SYSTEM.RDBII_PROC "
    "UNION ALL SELECT TRIG_SCHEMA_NAME, TRIG_NAME, 'TRIGGER', 'VALID' FROM RDBII_SYSTEM.RDBII_TRIGGER "
    "UNION ALL SELECT SCHEMA_NAME, SEQUENCE_NAME, 'SEQUENCE', 'VALID' FROM RDBII_SYSTEM.RDBII_SEQUENCE",
};

QString Q(const std::string& s) { return QString::fromStdString(s); }

// A failure a test asked for: at a journal position, or for a pattern.
struct TInjectedFailure {
  std::optional<size_t> position;
  QRegularExpression pattern;
  std::string message;
  size_t times = 0;  // how many more statements fail; 0: every one
};

struct TJournal {
  std::mutex lock;
  std::deque<TJournalEntry> entries;
  size_t journalled = 0;  // since the last clear
  std::vector<TInjectedFailure> failures;
};

TJournal& Journal() {
  static TJournal journal;
  return journal;
}

void Journalize(TJournalEntry entry) {
  TJournal& journal = Journal();
  const std::lock_guard<std::mutex> hold(journal.lock);
  journal.entries.push_back(std::move(entry));
  ++journal.journalled;
  if (journal.entries.size() > kJournalLimit) journal.entries.pop_front();
}

// The message of a failure asked for the statement about to run, if any.
std::optional<std::string> InjectedFailure(const std::string& sql) {
  TJournal& journal = Journal();
  const std::lock_guard<std::mutex> hold(journal.lock);
  for (auto f = journal.failures.begin(); f != journal.failures.end(); ++f) {
    const bool hit = f->position ? *f->position == journal.journalled
                                 : f->pattern.match(QString::fromStdString(sql)).hasMatch();
    if (!hit) continue;
    const std::string message = f->message;
    if (f->times > 0 && --f->times == 0) journal.failures.erase(f);
    return message;
  }
  return std::nullopt;
}

void AddFailure(TInjectedFailure failure) {
  TJournal& journal = Journal();
  const std::lock_guard<std::mutex> hold(journal.lock);
  journal.failures.push_back(std::move(failure));
}

TFieldType FieldTypeOfCode(const std::string& code) {
  struct Entry {
    const char* code;
    TFieldType type;
  };
  static const Entry kTable[] = {
      {"CH", TFieldType::ftString},     {"CV", TFieldType::ftString},   {"CN", TFieldType::ftWideString},
      {"NV", TFieldType::ftWideString}, {"NU", TFieldType::ftBCD},      {"DE", TFieldType::ftBCD},
      {"IN", TFieldType::ftInteger},    {"SI", TFieldType::ftSmallint}, {"FL", TFieldType::ftFloat},
      {"RE", TFieldType::ftFloat},      {"DP", TFieldType::ftFloat},    {"DT", TFieldType::ftDate},
      {"TI", TFieldType::ftTime},       {"TM", TFieldType::ftDateTime}, {"BL", TFieldType::ftBlob},
      {"IT", TFieldType::ftString},
  };
  for (const Entry& e : kTable)
    if (code == e.code) return e.type;
  return TFieldType::ftUnknown;
}

// Rows read straight from SQLite as UTF-8, without Qt's per-value
// conversions. Qt has already stepped to the first row when it ran the
// statement and holds that row, so the first row comes through Qt and the
// rest from the statement itself.
class SqliteRowCursor : public platform::SqlRowCursor {
 public:
  explicit SqliteRowCursor(QSqlQuery query) : query_(std::move(query)) {
    const QVariant handle = query_.result()->handle();
    stmt_ = *static_cast<sqlite3_stmt* const*>(handle.constData());
  }

  bool Next(std::vector<platform::SqlTextValue>& values) override {
    if (first_) {
      first_ = false;
      // Past the end a statement would start over, so an empty result
      // must never be stepped again.
      done_ = !platform::NextQtRow(query_, values);
      return !done_;
    }
    if (done_) return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE) {
      done_ = true;
      return false;
    }
    if (rc != SQLITE_ROW) throw SqlError(StandinMessage(sqlite3_errmsg(sqlite3_db_handle(stmt_))));
    const int count = sqlite3_column_count(stmt_);
    values.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) Read(i, values[static_cast<size_t>(i)]);
    return true;
  }

 private:
  // Into the value's own string, so a row costs no allocation once the
  // strings are as long as the values they take.
  void Read(int column, platform::SqlTextValue& value) const {
    const char* bytes = nullptr;
    size_t size = 0;
    char number[kNumberText];
    switch (sqlite3_column_type(stmt_, column)) {
      case SQLITE_NULL:
        value.reset();
        return;
      case SQLITE_INTEGER:
        size = static_cast<size_t>(
            std::to_chars(number, number + sizeof number, sqlite3_column_int64(stmt_, column)).ptr - number);
        bytes = number;
        break;
      case SQLITE_FLOAT:
        // The shortest text that reads back as the same number.
        size = static_cast<size_t>(
            std::to_chars(number, number + sizeof number, sqlite3_column_double(stmt_, column)).ptr - number);
        bytes = number;
        break;
      case SQLITE_BLOB:
        bytes = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
        size = static_cast<size_t>(sqlite3_column_bytes(stmt_, column));
        break;
      default:
        bytes = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        size = static_cast<size_t>(sqlite3_column_bytes(stmt_, column));
        break;
    }
    if (!value) value.emplace();
    value->assign(bytes ? bytes : "", bytes ? size : 0);
  }

  static constexpr size_t kNumberText = 32;
  QSqlQuery query_;
  sqlite3_stmt* stmt_ = nullptr;
  bool first_ = true;
  bool done_ = false;
};

class StandinSession : public platform::SqlSession {
 public:
  StandinSession(const std::string& folder, const std::string& user, const std::string& password,
                 const std::string& traceFolder)
      : SqlSession(QSqlDatabase::addDatabase(kSqliteDriver, platform::NewConnectionName())),
        folder_(folder),
        trace_(traceFolder) {
    std::string catalogue = SchemaFilePath(folder, kCatalogueSchema);
    if (!QFileInfo::exists(Q(catalogue))) throw SqlError(StandinMessage(kNoDatabase + folder));
    Database().setDatabaseName(kMemory);
    if (!Database().open()) throw SqlError(StandinMessage(platform::SqlErrorText(Database().lastError())));
    Attach(kCatalogueSchema);
    user_ = CheckLogon(user, password);
    for (const std::string& schema : UserSchemas()) Attach(schema);
    Run("PRAGMA case_sensitive_like = ON");
    for (const char* view : kUnqualifiedViews) Run(view);
    RegisterFunctions(SqliteHandle(Database()));
    RegisterRoutineFunction(SqliteHandle(Database()));
    upkeep_ = std::make_unique<CatalogueUpkeep>(Database(), user_);
  }

  // A statement is rewritten right before it runs: its traced time starts.
  std::string Rewrite(const std::string& sql) const override {
    std::string text = RewriteStatement(sql);
    if (trace_.Active()) {
      trace_.Start();
      rewritten_ = text;
    }
    return text;
  }

  // Statements the catalogue alone runs, journalled as the others are.
  bool Intercept(const std::string& sql) override {
    upkeep_->SettleAfterRollback();
    try {
      if (const std::optional<std::string> message = InjectedFailure(sql)) throw SqlError(*message);
      // Rows are SQLite's alone; none of the catalogue's statements below
      // need to read them.
      if (IsRowStatement(sql)) return false;
      if (!InterceptCreateSchema(sql) && !InterceptDropSchema(sql) && !upkeep_->Allocate(sql) && !upkeep_->Storage(sql) && !upkeep_->Drop(sql) &&
          !upkeep_->CreateTableOn(sql) && !upkeep_->CreateView(sql) && !upkeep_->AlterTable(sql) && !upkeep_->Privilege(sql) && !upkeep_->CreateSequence(sql) &&
          !upkeep_->Role(sql) && !upkeep_->User(sql))
        return false;
    } catch (const SqlError& e) {
      Journalize({sql, {}, -1, e.what()});
      trace_.Write(sql, trace_.Elapsed(), {});
      throw;
    }
    Journalize({sql, {}, -1, {}});
    trace_.Write(sql, trace_.Elapsed(), {});
    return true;
  }

  // Routines and triggers are read as written: the catalogue keeps their
  // texts. A CALL answers into its markers' values.
  bool InterceptWritten(const std::string& sql, std::vector<QVariant>& values) override {
    static const QRegularExpression kWritten(QStringLiteral("^\\s*(CREATE\\s+(PROCEDURE|FUNCTION|TRIGGER)|CALL)\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
    upkeep_->SettleAfterRollback();
    if (!kWritten.match(Q(sql)).hasMatch()) return false;
    const std::vector<QVariant> bound = values;
    trace_.Start();
    try {
      if (const std::optional<std::string> message = InjectedFailure(sql)) throw SqlError(*message);
      if (!upkeep_->CreateRoutine(sql) && !upkeep_->CreateTrigger(sql) && !AnswerCall(Database(), user_, sql, values))
        return false;
    } catch (const SqlError& e) {
      Journalize({sql, bound, -1, e.what()});
      trace_.Write(sql, trace_.Elapsed(), {});
      throw;
    }
    Journalize({sql, bound, -1, {}});
    trace_.Write(sql, trace_.Elapsed(), {});
    return true;
  }

  void Executed(const std::string& sql, const std::vector<QVariant>& values, const QSqlQuery& query) override {
    if (trace_.Active()) {
      const int64_t millis = trace_.Elapsed();
      trace_.Write(sql, millis,
                   query.lastError().isValid() ? std::vector<std::string>()
                                               : SearchedIndexes(SqliteHandle(Database()), rewritten_));
    }
    if (query.lastError().isValid()) {
      Journalize({sql, values, -1, ErrorText(query)});
      return;
    }
    const QVariant handle = query.result()->handle();
    auto* stmt = handle.isValid() ? *static_cast<sqlite3_stmt* const*>(handle.constData()) : nullptr;
    Journalize({sql, values, WritesRows(stmt) ? sqlite3_changes(sqlite3_db_handle(stmt)) : -1, {}});
    upkeep_->Executed(sql);
  }

  // Rows of a temporary table created ON COMMIT DELETE ROWS end with
  // their transaction.
  void Committing() override {
    QSqlQuery tables = Run("SELECT SCHEMA_NAME, TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_TYPE = 'TD'");
    std::vector<std::string> names;
    const auto quoted = [](const QString& n) { return '"' + QString(n).replace('"', QLatin1String("\"\"")) + '"'; };
    while (tables.next())
      names.push_back((quoted(tables.value(0).toString()) + '.' + quoted(tables.value(1).toString())).toStdString());
    tables.finish();
    for (const std::string& table : names) Run("DELETE FROM " + table);
  }

  std::vector<platform::SqlFieldDef> DescribeFields(const QSqlQuery& query) const override {
    std::vector<platform::SqlFieldDef> fields = SqlSession::DescribeFields(query);
    QVariant handle = query.result()->handle();
    auto* stmt = *static_cast<sqlite3_stmt* const*>(handle.constData());
    if (!stmt) return fields;
    for (size_t i = 0; i < fields.size(); ++i) {
      int column = static_cast<int>(i);
      const char* declared = sqlite3_column_decltype(stmt, column);
      if (!declared) continue;
      ColumnType type = TypeOfDeclaration(QString::fromUtf8(declared));
      fields[i].type = FieldTypeOfCode(type.code);
      fields[i].size = type.length.isValid()      ? type.length.toInt()
                       : type.precision.isValid() ? type.precision.toInt()
                                                  : -1;
      fields[i].precision = type.precision.isValid() ? type.precision.toInt() : -1;
      fields[i].scale = type.scale.isValid() ? type.scale.toInt() : -1;
      fields[i].nullable = ColumnNullable(stmt, column);
      SetBaseColumn(stmt, column, fields[i]);
    }
    return fields;
  }

  std::unique_ptr<platform::SqlRowCursor> OpenCursor(QSqlQuery query) const override {
    return std::make_unique<SqliteRowCursor>(std::move(query));
  }

  void SetReadUncommitted() override { Run("PRAGMA read_uncommitted = 1"); }

  std::string ErrorText(const QSqlQuery& query) const override {
    QSqlDatabase db = Database();
    if (std::optional<std::string> several = SeveralStatementsError(SqliteHandle(db), query.lastQuery().toStdString()))
      return StandinMessage(*several);
    return StandinMessage(ServerErrorText(platform::SqlErrorText(query.lastError())));
  }

 private:
  bool InterceptCreateSchema(const std::string& sql) {
    static const QRegularExpression kCreateSchema(
        QStringLiteral("^\\s*CREATE\\s+SCHEMA\\s+(\"[^\"]+\"|[^\\s;\"]+)(?:\\s+COMMENT\\s+'((?:[^']|'')*)')?"
                       "\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = kCreateSchema.match(Q(sql));
    if (!m.hasMatch()) return false;
    QString name = m.captured(1);
    name = name.startsWith('"') ? name.mid(1, name.size() - 2) : name.toUpper();
    CreateSchema(name.toStdString(), m.captured(2).replace(QLatin1String("''"), QLatin1String("'")));
    return true;
  }

  // DROP SCHEMA: refused while the schema holds objects unless CASCADE
  // drops them first; the schema's file is then detached and removed.
  bool InterceptDropSchema(const std::string& sql) {
    static const QRegularExpression kDropSchema(
        QStringLiteral("^\\s*DROP\\s+SCHEMA\\s+(\"[^\"]+\"|[^\\s;\"]+)(\\s+CASCADE)?\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = kDropSchema.match(Q(sql));
    if (!m.hasMatch()) return false;
    QString name = m.captured(1);
    name = name.startsWith('"') ? name.mid(1, name.size() - 2) : name.toUpper();
    const std::vector<std::string> schemas = UserSchemas();
    if (std::find(schemas.begin(), schemas.end(), name.toStdString()) == schemas.end())
      throw SqlError(StandinMessage(kNoSuchSchema + name.toStdString()));
    std::vector<std::pair<QString, QString>> objects;
    const std::vector<QVariant> ofSchema(kSchemaObjectKinds, name);
    QSqlQuery held = Run(kSchemaObjectsSql, ofSchema);
    while (held.next()) objects.emplace_back(held.value(0).toString(), held.value(1).toString());
    held.finish();
    if (!objects.empty() && m.capturedLength(2) == 0)
      throw SqlError(StandinMessage(kSchemaNotEmpty + name.toStdString()));
    const auto quoted = [](const QString& n) { return '"' + QString(n).replace('"', QLatin1String("\"\"")) + '"'; };
    for (const auto& [kind, object] : objects) {
      // A table's CASCADE may have taken its triggers and views already.
      QSqlQuery still = Run(kSchemaObjectsSql, ofSchema);
      bool exists = false;
      while (!exists && still.next()) exists = still.value(0).toString() == kind && still.value(1).toString() == object;
      still.finish();
      if (exists)
        upkeep_->Drop((QStringLiteral("DROP ") + kind + ' ' + quoted(name) + '.' + quoted(object) + " CASCADE").toStdString());
    }
    sqlite3* handle = SqliteHandle(Database());
    const bool inTransaction = sqlite3_get_autocommit(handle) == 0;
    if (inTransaction) Run("COMMIT");
    QSqlQuery code = Run("SELECT SCHEMA_CODE FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE SCHEMA_NAME = ?", {name});
    const QVariant schemaCode = code.next() ? code.value(0) : QVariant();
    code.finish();
    Run("DELETE FROM RDBII_SYSTEM.RDBII_COMMENT WHERE SCHEMA_CODE = ? AND COMMENT_TYPE = 'SC'", {schemaCode});
    Run("DELETE FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE SCHEMA_CODE = ?", {schemaCode});
    Run("DETACH DATABASE \"" + name.toStdString() + "\"");
    QFile::remove(Q(SchemaFilePath(folder_, name.toStdString())));
    if (inTransaction) Run("BEGIN");
    return true;
  }

  QSqlQuery Run(const std::string& sql, const std::vector<QVariant>& values = {}) {
    QSqlQuery query(Database());
    query.setForwardOnly(true);
    bool ok = query.prepare(Q(sql));
    if (ok) {
      for (const QVariant& v : values) query.addBindValue(v);
      ok = query.exec();
    }
    if (!ok) throw SqlError(StandinMessage(platform::SqlErrorText(query.lastError())));
    return query;
  }

  static bool IsRowStatement(const std::string& sql) {
    for (const char* word : {"INSERT", "UPDATE", "DELETE", "SELECT"})
      if (StartsWithWord(sql, word)) return true;
    return false;
  }

  // SQLite counts the rows of INSERT, UPDATE and DELETE only; after any
  // other statement its count is the previous one's.
  static bool WritesRows(sqlite3_stmt* stmt) {
    if (!stmt || sqlite3_stmt_readonly(stmt)) return false;
    static const QRegularExpression kRowWriter(QStringLiteral("^\\s*(INSERT|UPDATE|DELETE|REPLACE)\\b"),
                                               QRegularExpression::CaseInsensitiveOption);
    return kRowWriter.match(QString::fromUtf8(sqlite3_sql(stmt))).hasMatch();
  }

  // SQLite names the table behind a view's column too; only a table the
  // statement names itself is the result's base table, so a view's result
  // stays without one (read-only).
  static void SetBaseColumn(sqlite3_stmt* stmt, int column, platform::SqlFieldDef& field) {
    const char* schema = sqlite3_column_database_name(stmt, column);
    const char* table = sqlite3_column_table_name(stmt, column);
    const char* origin = sqlite3_column_origin_name(stmt, column);
    const char* sql = sqlite3_sql(stmt);
    if (!schema || !table || !origin || !sql) return;
    static const QRegularExpression kWordEdge(QStringLiteral("[A-Za-z0-9_$#]"));
    const QString text = QString::fromUtf8(sql), name = QString::fromUtf8(table);
    for (qsizetype at = text.indexOf(name, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(name, at + 1, Qt::CaseInsensitive)) {
      const qsizetype end = at + name.size();
      const bool startsWord = at == 0 || !kWordEdge.match(text.mid(at - 1, 1)).hasMatch();
      const bool endsWord = end >= text.size() || !kWordEdge.match(text.mid(end, 1)).hasMatch();
      if (startsWord && endsWord) {
        field.baseSchema = schema;
        field.baseTable = table;
        field.baseColumn = origin;
        return;
      }
    }
  }

  static bool ColumnNullable(sqlite3_stmt* stmt, int column) {
    const char* schema = sqlite3_column_database_name(stmt, column);
    const char* table = sqlite3_column_table_name(stmt, column);
    const char* origin = sqlite3_column_origin_name(stmt, column);
    if (!schema || !table || !origin) return true;
    int notNull = 0, primaryKey = 0;
    if (sqlite3_table_column_metadata(sqlite3_db_handle(stmt), schema, table, origin, nullptr, nullptr,
                                      &notNull, &primaryKey, nullptr) != SQLITE_OK)
      return true;
    return !notNull && !primaryKey;
  }

  void Attach(const std::string& schema) {
    Run("ATTACH DATABASE ? AS \"" + schema + "\"", {Q(SchemaFilePath(folder_, schema))});
  }

  // The user as the catalogue spells it. Names match exactly or, when no
  // name does, ignoring case, as an unquoted name typed in lower case would.
  std::string CheckLogon(const std::string& user, const std::string& password) {
    QSqlQuery q =
        Run("SELECT USER_NAME, PASSWORD FROM RDBII_SYSTEM.STANDIN_PASSWORD "
            "WHERE USER_NAME = ? OR UPPER(USER_NAME) = UPPER(?) "
            "ORDER BY USER_NAME = ? DESC",
            {Q(user), Q(user), Q(user)});
    if (!q.next() || q.value(1).toString() != Q(password)) throw SqlError(StandinMessage(kLogonRefused));
    const QString name = q.value(0).toString();
    q.finish();
    QSqlQuery status = Run("SELECT PASSWORD_STATUS FROM RDBII_SYSTEM.RDBII_USER WHERE USER_NAME = ?", {name});
    if (status.next() && status.value(0).toString() == QLatin1String(kLockedStatus))
      throw SqlError(StandinMessage(kAccountLocked));
    return name.toStdString();
  }

  std::vector<std::string> UserSchemas() {
    QSqlQuery q =
        Run("SELECT SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE SCHEMA_NAME <> ? "
            "ORDER BY SCHEMA_CODE",
            {kCatalogueSchema});
    std::vector<std::string> names;
    while (q.next()) names.push_back(q.value(0).toString().toStdString());
    return names;
  }

  // SQLite attaches only outside a transaction: an open one is committed
  // first and a new one begun after, so CREATE SCHEMA commits like DDL
  // that ends its own transaction.
  void CreateSchema(const std::string& name, const QString& comment) {
    std::vector<std::string> schemas = UserSchemas();
    for (const std::string& s : schemas)
      if (s == name || name == kCatalogueSchema) throw SqlError(StandinMessage(kSchemaExists + name));
    if (static_cast<int>(schemas.size()) >= kMaxUserSchemas) throw SqlError(StandinMessage(kTooManySchemas));
    sqlite3* handle = SqliteHandle(Database());
    bool inTransaction = sqlite3_get_autocommit(handle) == 0;
    if (inTransaction) Run("COMMIT");
    Attach(name);
    QSqlQuery db = Run("SELECT DB_CODE, DB_NAME FROM RDBII_SYSTEM.RDBII_DATABASE");
    db.next();
    QVariant dbCode = db.value(0), dbName = db.value(1);
    db.finish();
    long long code = NextObjectCode(Database());
    Run("INSERT INTO RDBII_SYSTEM.RDBII_SCHEMA VALUES (?, ?, ?, ?, ?, ?)",
        {dbCode, dbName, code, Q(name), Q(user_), Q(CatalogueTime())});
    if (!comment.isEmpty())
      Run("INSERT INTO RDBII_SYSTEM.RDBII_COMMENT VALUES (?, ?, 0, 0, 0, 'SC', ?)", {dbCode, code, comment});
    if (inTransaction) Run("BEGIN");
  }

  std::string folder_;
  // The client SQL trace; the rewritten text of the running statement,
  // whose plan tells the indexes it searched.
  mutable TClientTrace trace_;
  mutable std::string rewritten_;
  std::string user_;
  std::unique_ptr<CatalogueUpkeep> upkeep_;
};

}  // namespace

bool IsStandinDriver(const std::string& driver) { return driver == kStandinDriverName; }

std::vector<TJournalEntry> StatementJournal() {
  TJournal& journal = Journal();
  const std::lock_guard<std::mutex> hold(journal.lock);
  return {journal.entries.begin(), journal.entries.end()};
}

void ClearStatementJournal() {
  TJournal& journal = Journal();
  const std::lock_guard<std::mutex> hold(journal.lock);
  journal.entries.clear();
  journal.journalled = 0;
}

void FailStatementAt(size_t position, const std::string& message) { AddFailure({position, {}, message}); }

void FailStatementsMatching(const std::string& pattern, const std::string& message, size_t times) {
  AddFailure({std::nullopt,
              QRegularExpression(QString::fromStdString(pattern), QRegularExpression::CaseInsensitiveOption),
              message, times});
}

void ClearStatementFailures() {
  TJournal& journal = Journal();
  const std::lock_guard<std::mutex> hold(journal.lock);
  journal.failures.clear();
}

std::unique_ptr<platform::SqlSession> OpenStandinFolder(const std::string& folder, const std::string& user,
                                                        const std::string& password, const std::string& traceFolder) {
  return std::make_unique<StandinSession>(folder, user, password, traceFolder);
}

std::unique_ptr<platform::SqlSession> OpenStandinSession(const std::string& dataSource,
                                                         const std::string& user,
                                                         const std::string& password) {
  std::optional<std::string> folder = platform::OdbcDataSourceAttribute(dataSource, kDatabaseAttribute);
  if (!folder || folder->empty()) throw SqlError(StandinMessage(kNoFolder + dataSource));
  return OpenStandinFolder(*folder, user, password,
                           platform::OdbcDataSourceAttribute(dataSource, kTraceAttribute).value_or(""));
}

}  // namespace symfoware
