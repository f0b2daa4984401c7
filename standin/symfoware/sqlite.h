// Small pieces the stand-in shares: a SQLite file opened on its own, the
// raw handle under a Qt SQLite connection, and the driver-style prefix of
// the stand-in's messages.
#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace symfoware {

// A message of the stand-in, prefixed as a driver's message would be.
std::string StandinMessage(const std::string& text);
// SQLite's unknown-table and unknown-column messages in the server's words
// (codes JYP7202E/ORA-00942 and JYP7205E/ORA-00904, the name after the
// first ":"); any other text unchanged.
std::string ServerErrorText(const std::string& sqliteText);

// The server's refusal of a text that holds more than one statement: a
// syntax error at the ";" that ends the first, with its line and column.
// SQLite would prepare the first statement alone, and Qt then refuses the
// rest with SQLite's "not an error". Nothing for a single statement.
std::optional<std::string> SeveralStatementsError(sqlite3* db, const std::string& sql);

// Runs a statement with positional values; raises the SQLite message.
QSqlQuery Run(QSqlDatabase& db, const std::string& sql, const std::vector<QVariant>& values = {});

// The sqlite3 handle of an open Qt SQLite connection.
sqlite3* SqliteHandle(QSqlDatabase& db);

// A SQLite file opened as the main database of a connection of its own,
// closed and removed on destruction.
class SqliteFile {
 public:
  explicit SqliteFile(const std::string& path);
  ~SqliteFile();
  SqliteFile(const SqliteFile&) = delete;
  SqliteFile& operator=(const SqliteFile&) = delete;
  QSqlDatabase& Database() { return db_; }

 private:
  QSqlDatabase db_;
};

}  // namespace symfoware
