#include "standin/symfoware/sqlite.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <string_view>

#include "platform/sqlbackend.h"

namespace symfoware {

namespace {
const char kMessagePrefix[] = "[Symfoware Stand-in] ";
const QString kSqliteDriver = QStringLiteral("QSQLITE");
}  // namespace

QSqlQuery Run(QSqlDatabase& db, const std::string& sql, const std::vector<QVariant>& values) {
  QSqlQuery query(db);
  query.setForwardOnly(true);
  bool ok = query.prepare(QString::fromStdString(sql));
  if (ok) {
    for (const QVariant& v : values) query.addBindValue(v);
    ok = query.exec();
  }
  if (!ok) throw platform::SqlError(platform::SqlErrorText(query.lastError()));
  return query;
}

std::string StandinMessage(const std::string& text) { return kMessagePrefix + text; }

std::optional<std::string> SeveralStatementsError(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* stmt = nullptr;
  const char* tail = nullptr;
  const int rc = sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail);
  sqlite3_finalize(stmt);
  if (rc != SQLITE_OK || tail == nullptr) return std::nullopt;
  const size_t end = static_cast<size_t>(tail - sql.c_str());
  // Qt's rule for refusing the rest: anything but blanks after the first.
  if (QString::fromStdString(sql.substr(end)).trimmed().isEmpty()) return std::nullopt;
  const size_t semicolon = end > 0 ? sql.rfind(';', end - 1) : std::string::npos;
  const size_t at = semicolon == std::string::npos ? end : semicolon;
  const size_t lineStart = at == 0 ? 0 : sql.rfind('\n', at - 1) + 1;  // npos + 1 is 0
  const int line = static_cast<int>(std::count(sql.begin(), sql.begin() + static_cast<std::ptrdiff_t>(at), '\n')) + 1;
  const auto column = QString::fromStdString(sql.substr(lineStart, at - lineStart)).size() + 1;
  return "near \"" + std::string(1, sql[at]) + "\": syntax error at line " + std::to_string(line) + ", column " +
         std::to_string(column);
}

std::string ServerErrorText(const std::string& sqliteText) {
  struct Mapping {
    std::string_view sqlite;
    std::string_view prefix;
    std::string_view suffix;
  };
  static constexpr Mapping kMappings[] = {
      {"no such table: ", "JYP7202E ORA-00942: 表またはビューが存在しません: ", ""},
      {"no such column: ", "JYP7205E ORA-00904: \"", "\": 列が存在しません"},
      {"NOT NULL constraint failed: ", "JYP5012E NULL値は格納できません: ", ""},
  };
  for (const Mapping& m : kMappings) {
    if (!sqliteText.starts_with(m.sqlite)) continue;
    // SQLite may add context after the name (", while compiling ...").
    std::string name = sqliteText.substr(m.sqlite.size());
    name = name.substr(0, name.find_first_of(" ,"));
    return std::string(m.prefix) + name + std::string(m.suffix);
  }
  return sqliteText;
}

sqlite3* SqliteHandle(QSqlDatabase& db) {
  QVariant handle = db.driver()->handle();
  return *static_cast<sqlite3* const*>(handle.constData());
}

SqliteFile::SqliteFile(const std::string& path)
    : db_(QSqlDatabase::addDatabase(kSqliteDriver, platform::NewConnectionName())) {
  db_.setDatabaseName(QString::fromStdString(path));
  if (!db_.open()) {
    std::string message = platform::SqlErrorText(db_.lastError());
    QString name = db_.connectionName();
    db_ = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    throw platform::SqlError(StandinMessage(message));
  }
}

SqliteFile::~SqliteFile() {
  QString name = db_.connectionName();
  db_.close();
  db_ = QSqlDatabase();
  QSqlDatabase::removeDatabase(name);
}

}  // namespace symfoware
