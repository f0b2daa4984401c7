// Statements run on a stand-in session as the program's query runs them:
// rewritten, intercepted or executed, then reported to the session so that
// its catalogue follows.
#pragma once

#include <QFile>
#include <QSqlQuery>

#include <string>

#include "platform/sqlbackend.h"

namespace testing_odbc {

inline void RunDdl(platform::SqlSession& session, const std::string& sql) {
  const std::string text = session.Rewrite(sql);
  if (session.Intercept(text)) return;
  QSqlQuery q(session.Database());
  const bool ok = q.exec(QString::fromStdString(text));
  session.Executed(sql, {}, q);
  if (!ok) throw platform::SqlError(session.ErrorText(q));
}

// Runs the statements of a fixture script, each ended by ";" at a line's
// end; lines starting "--" are left out.
inline void RunScriptFile(platform::SqlSession& session, const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) throw platform::SqlError("no script " + path);
  std::string statement;
  for (const QByteArray& line : file.readAll().split('\n')) {
    const std::string text = QString::fromUtf8(line).trimmed().toStdString();
    if (text.empty() || text.rfind("--", 0) == 0) continue;
    statement += (statement.empty() ? "" : "\n") + text;
    if (statement.back() != ';') continue;
    statement.pop_back();
    RunDdl(session, statement);
    statement.clear();
  }
}

}  // namespace testing_odbc
