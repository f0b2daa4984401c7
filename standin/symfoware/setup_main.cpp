// symfoware-setup: builds a stand-in data source from an SQL script and
// registers it in an ODBC ini folder.
//
//   symfoware-setup ODBC_DIR DATA_SOURCE FOLDER SCRIPT ADMIN/PASSWORD [USER/PASSWORD ...]
//
// The administrator runs the script, so the schemas it creates are his.
// ODBC_DIR receives odbcinst.ini and odbc.ini naming the data source;
// point ODBCSYSINI at it and ODBCINI at its odbc.ini.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include <sqlite3.h>

#include <iostream>
#include <string>
#include <vector>

#include "platform/sqlmarkers.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/sqltrace.h"
#include "standin/symfoware/standin.h"

namespace {

constexpr int kFixedArguments = 6;

struct Credentials {
  std::string user;
  std::string password;
};

Credentials SplitCredentials(const std::string& text) {
  size_t slash = text.find('/');
  if (slash == std::string::npos) return {text, ""};
  return {text.substr(0, slash), text.substr(slash + 1)};
}

// Statements of the script, split at ";" outside literals and comments.
std::vector<std::string> SplitScript(const std::string& script) {
  std::vector<std::string> statements;
  std::string current;
  for (const platform::SqlSpan& span : platform::SplitSqlSpans(script)) {
    if (span.kind == platform::SqlSpanKind::Comment) continue;
    for (size_t i = span.begin; i < span.end; ++i) {
      if (span.kind == platform::SqlSpanKind::Code && script[i] == ';') {
        statements.push_back(current);
        current.clear();
      } else {
        current.push_back(script[i]);
      }
    }
  }
  statements.push_back(current);
  std::vector<std::string> nonEmpty;
  for (const std::string& s : statements)
    if (s.find_first_not_of(" \t\r\n") != std::string::npos) nonEmpty.push_back(s);
  return nonEmpty;
}

// NEXT_OBJECT_CODE() in the script hands out object codes for the
// catalogue rows it writes itself (routines, sequences, triggers ...).
void NextObjectCodeFunction(sqlite3_context* ctx, int, sqlite3_value**) {
  auto* next = static_cast<long long*>(sqlite3_user_data(ctx));
  sqlite3_result_int64(ctx, (*next)++);
}

// Statements that only add tables, views or indexes: a run of them is
// described in one pass, before the next statement that may read the
// catalogue.
bool OnlyCreates(const std::string& statement) {
  static const QRegularExpression kCreate(QStringLiteral("^\\s*CREATE\\s+(UNIQUE\\s+)?(TABLE|VIEW|INDEX)\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
  return kCreate.match(QString::fromStdString(statement)).hasMatch();
}

// A dropped object's row of sqlite_master may be used again: after a DROP
// every schema is looked at whole once more.
bool Drops(const std::string& statement) {
  static const QRegularExpression kDrop(QStringLiteral("^\\s*DROP\\b"), QRegularExpression::CaseInsensitiveOption);
  return kDrop.match(QString::fromStdString(statement)).hasMatch();
}

// Runs the script in one transaction (CREATE SCHEMA commits and begins
// again, as it must to attach its file) and describes the tables, views and
// indexes it made before any later statement can look up their codes.
void RunScript(platform::SqlSession& session, const std::string& script, const std::string& dataSource) {
  QSqlDatabase& db = session.Database();
  long long next = 0;
  sqlite3_create_function_v2(symfoware::SqliteHandle(db), "NEXT_OBJECT_CODE", 0, SQLITE_UTF8, &next,
                             NextObjectCodeFunction, nullptr, nullptr, nullptr);
  symfoware::TDescribedUpTo described;
  bool undescribed = false;
  const auto describe = [&] {
    if (undescribed) symfoware::DescribeNewObjects(db, dataSource, described);
    undescribed = false;
  };
  symfoware::Run(db, "BEGIN");
  for (const std::string& statement : SplitScript(script)) {
    std::string text = session.Rewrite(statement);
    if (!OnlyCreates(text)) describe();
    if (Drops(text)) described.clear();
    if (session.Intercept(text)) continue;
    next = symfoware::ReadObjectCounter(db);
    QSqlQuery query(db);
    if (!query.exec(QString::fromStdString(text)))
      throw platform::SqlError(platform::SqlErrorText(query.lastError()) + "\n" + statement);
    query.finish();
    symfoware::WriteObjectCounter(db, next);
    undescribed = undescribed || OnlyCreates(text);
  }
  describe();
  symfoware::Run(db, "COMMIT");
}

void WriteFile(const QString& path, const std::string& text) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    throw std::runtime_error("cannot write " + path.toStdString());
  file.write(text.data(), static_cast<qint64>(text.size()));
}

void RegisterDataSource(const QString& odbcDir, const std::string& dataSource, const std::string& folder) {
  QDir().mkpath(odbcDir);
  std::string driver = symfoware::kStandinDriverName;
  WriteFile(QDir(odbcDir).filePath("odbcinst.ini"),
            "[" + driver + "]\nDescription=" + driver + " (embedded in orv)\n");
  // The client SQL trace is on: its files go to the folder's "trace".
  const std::string trace = folder + "/trace";
  QDir().mkpath(QString::fromStdString(trace));
  WriteFile(QDir(odbcDir).filePath("odbc.ini"), "[" + dataSource + "]\nDriver=" + driver + "\nDescription=" +
                                                    dataSource + "\nDatabase=" + folder + "\n" +
                                                    symfoware::kTraceAttribute + "=" + trace + "\n");
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  if (argc < kFixedArguments) {
    std::cerr
        << "usage: symfoware-setup ODBC_DIR DATA_SOURCE FOLDER SCRIPT ADMIN/PASSWORD [USER/PASSWORD ...]\n";
    return 2;
  }
  QString odbcDir = QString::fromLocal8Bit(argv[1]);
  std::string dataSource = argv[2];
  std::string folder = QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath().toStdString();
  QFile scriptFile(QString::fromLocal8Bit(argv[4]));
  Credentials admin = SplitCredentials(argv[5]);
  try {
    if (!scriptFile.open(QIODevice::ReadOnly))
      throw std::runtime_error("cannot read " + scriptFile.fileName().toStdString());
    std::string script = scriptFile.readAll().toStdString();
    symfoware::CreateDataSourceFolder(folder, dataSource, admin.user, admin.password);
    auto session = symfoware::OpenStandinFolder(folder, admin.user, admin.password);
    for (int i = kFixedArguments; i < argc; ++i) {
      Credentials user = SplitCredentials(argv[i]);
      symfoware::AddUser(session->Database(), user.user, user.password);
    }
    RunScript(*session, script, dataSource);
    RegisterDataSource(odbcDir, dataSource, folder);
  } catch (const std::exception& e) {
    std::cerr << "symfoware-setup: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
