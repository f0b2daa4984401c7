#include "standin/symfoware/sqlite.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

#include "platform/sqlbackend.h"

namespace symfoware {

namespace {
const char kMessagePrefix[] = "[Symfoware Stand-in] ";
const QString kSqliteDriver = QStringLiteral("QSQLITE");
}  // namespace

std::string StandinMessage(const std::string& text) { return kMessagePrefix + text; }

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
