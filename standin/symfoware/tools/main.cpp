// symfoware-tool: the stand-in for the Symfoware command-line tools, one
// executable installed under every tool name. It answers from the stand-in
// catalogue of the local stand-in data sources (the ODBC data sources that
// ODBCINI and ODBCSYSINI name):
//
//   rdbprt -m DB                          the local databases
//   rdbprt -d DB -m DEF [-f] FILE         a table's definition ("TABLE (S.T)") or a
//                                         routine's ("ROUTINE(S.N)")
//   rdbprt -m DEF -d DB -p -f FILE        a database space's ("DBSPACE(N)")
//   rdbprt -m DEF -f FILE                 the spaces roles may allocate in
//                                         ("ROLE(R1,R2)"; dbspace.h)
//   rdbddlex -d DB FILE                   CREATE or DROP DBSPACE of the file
//   rdbinf -p DB.SPACE                    the DSIs of a database space
//   rdbspcinf -d DB                       the database spaces and their sizes
//   rdbspcinf -p DB.SPACE                 one space's sizes and its DSIs
//   rdbexecsql -s DB -u USER/PASSWORD -i SCRIPT
//                                         the access plan of the script's
//                                         statements (accessplan.h)
//   rdbps -e                              the sessions (monitors.h)
//   rdbterm -p PID[/SID]                  ends a session
//   rdblkinf -l -e                        the locks
//   rdblog -V -t                          the log files of the catalogue
//   rdbups -t DB.S.T | -g DB.DSO | -i DB.DSI [-R]
//                                         optimizer statistics of a table, DSO
//                                         or DSI that the catalogue knows
//   rdbrtr rdbrls rdbinh rdbpmt rdbdmp rdbdmpdic rdbdvinf rdbrcv
//   rdbrcvdic rdbstop rdbstart            backup and recovery (backup.h)
//   rdbunl, rdbsaloader                   unload and load (loader.h)
//
// Every report ends with "<tool>が正常終了しました 復帰コード 00", or with
// "<tool>が異常終了しました 復帰コード 08" when the request cannot be met;
// rdblkinf prints no such line when it ends well, since every line it
// prints is a lock to its reader; nor do the retains, releases, inhibits
// and permits, which say nothing at all when they end well, and rdbdvinf,
// whose reader counts its lines.
// SYMFOWARE_TOOL_FAIL makes a tool fail on purpose: "MODE" for every tool
// or "TOOL:MODE,..." for some, MODE being one of
//   silent  print nothing
//   stderr  print the report on standard error only
//   code    end with "復帰コード 12" and exit status 12
//   nolf    leave out the last line break
//   exit    print the report but exit with status 1
//   nosuccess  rdbterm: leave out the "qdg13294i:" line
//   nostatus   rdblog: leave out the "Status       :" line
//   noname     rdbprt: leave out the "Database space name ......" line
//   nospace    rdbspcinf: leave out the "Database space :" lines
//   talk    rdbrtr, rdbrls, rdbinh, rdbpmt: say a line when they end well
//   extra   rdbdvinf: print a tenth line
//   short   rdbdvinf: leave out the first line
// SYMFOWARE_TOOL_LOG names a file that receives one line per call: the
// tool's name and its arguments, separated by TABs.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/odbcenv.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/standin.h"
#include "standin/symfoware/tools/accessplan.h"
#include "standin/symfoware/tools/backup.h"
#include "standin/symfoware/tools/dbspace.h"
#include "standin/symfoware/tools/loader.h"
#include "standin/symfoware/tools/monitors.h"
#include "standin/symfoware/tools/reports.h"
#include "standin/symfoware/tools/routines.h"

namespace {

using symfoware::tools::FindDatabase;
using symfoware::tools::LocalDatabase;
using symfoware::tools::ParseToolArguments;
using symfoware::tools::Report;

constexpr char kFailEnvironment[] = "SYMFOWARE_TOOL_FAIL";
constexpr char kLogEnvironment[] = "SYMFOWARE_TOOL_LOG";
constexpr char kUserEnvironment[] = "USER";
constexpr char kDefaultOwnUser[] = "RDBUSER";
constexpr char kKillSuccessMark[] = "qdg13294i:";
constexpr char kLogStatusLabel[] = "Status       :";
constexpr char kSpaceNameLabel[] = "Database space name ......";
constexpr char kSpaceUsageLabel[] = "Database space :";
constexpr char kDriverAttribute[] = "Driver";
constexpr char kDatabaseAttribute[] = "Database";
constexpr char kLineBreak[] = "\r\n";
constexpr char kExtraInformationLine[] = "Comment      : -";
constexpr char kControlFallbackEncoding[] = "CP932";
constexpr int kFailureCode = 8;
constexpr int kRequestedFailureCode = 12;
constexpr int kRequestedExitStatus = 1;

enum class FailMode {
  None, Silent, Stderr, Code, NoLineBreak, Exit, NoSuccess, NoStatus, NoSpaceName, NoSpace, Talk, Extra, Short
};

FailMode RequestedFailure(const std::string& tool) {
  const char* value = std::getenv(kFailEnvironment);
  if (!value) return FailMode::None;
  static const std::map<QString, FailMode> kModes{{"silent", FailMode::Silent}, {"stderr", FailMode::Stderr},
                                                  {"code", FailMode::Code},     {"nolf", FailMode::NoLineBreak},
                                                  {"exit", FailMode::Exit},     {"nosuccess", FailMode::NoSuccess},
                                                  {"nostatus", FailMode::NoStatus}, {"talk", FailMode::Talk},
                                                  {"noname", FailMode::NoSpaceName}, {"nospace", FailMode::NoSpace},
                                                  {"extra", FailMode::Extra},       {"short", FailMode::Short}};
  for (const QString& entry : QString::fromLocal8Bit(value).split(',', Qt::SkipEmptyParts)) {
    const qsizetype colon = entry.indexOf(':');
    if (colon >= 0 && entry.left(colon) != QString::fromStdString(tool)) continue;
    auto it = kModes.find(entry.mid(colon + 1).trimmed());
    if (it != kModes.end()) return it->second;
  }
  return FailMode::None;
}

struct Options {
  std::map<std::string, std::string> values;  // "-d" -> "DB"
  std::vector<std::string> bare;
};

Options ParseOptions(int argc, char* argv[]) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg.size() == 2 && arg[0] == '-' && i + 1 < argc && argv[i + 1][0] != '-')
      options.values[arg] = argv[++i];
    else if (arg.size() == 2 && arg[0] == '-')
      options.values[arg] = "";
    else
      options.bare.push_back(arg);
  }
  return options;
}

// Every database of the stand-in data sources, with its folder.
std::vector<LocalDatabase> LocalDatabases() {
  std::vector<LocalDatabase> databases;
  for (const platform::OdbcDataSource& source : platform::ListOdbcDataSources()) {
    std::optional<std::string> driver = platform::OdbcDataSourceAttribute(source.name, kDriverAttribute);
    std::optional<std::string> folder = platform::OdbcDataSourceAttribute(source.name, kDatabaseAttribute);
    if (!driver || !symfoware::IsStandinDriver(*driver) || !folder || folder->empty()) continue;
    const std::string catalogue = symfoware::SchemaFilePath(*folder, symfoware::kCatalogueSchema);
    if (!QFileInfo::exists(QString::fromStdString(catalogue))) continue;
    symfoware::SqliteFile file(catalogue);
    QSqlQuery q(file.Database());
    if (!q.exec("SELECT DB_NAME FROM RDBII_DATABASE ORDER BY DB_CODE")) continue;
    while (q.next()) databases.push_back({q.value(0).toString().toStdString(), *folder});
  }
  return databases;
}

Report Failure(const std::string& message) { return {{message}, false}; }

// Control files are UTF-8, else CP932, with LF or CRLF.
std::string ReadControlText(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = file.readAll();
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8.decode(bytes);
  if (utf8.hasError()) {
    QStringDecoder cp932(kControlFallbackEncoding);
    text = cp932.decode(bytes);
  }
  return text.trimmed().toStdString();
}

template <class F>
Report WithCatalogue(const std::string& tool, const std::string& database, F&& report) {
  const std::vector<LocalDatabase> databases = LocalDatabases();
  const LocalDatabase* db = FindDatabase(databases, database);
  if (!db) return Failure(tool + ": データベースが見つかりません: " + database);
  symfoware::SqliteFile file(symfoware::SchemaFilePath(db->folder, symfoware::kCatalogueSchema));
  return report(file.Database(), db->name);
}

Report Rdbprt(const Options& o) {
  auto mode = o.values.find("-m");
  if (mode != o.values.end() && mode->second == "DB") return symfoware::tools::DatabaseList(LocalDatabases());
  auto database = o.values.find("-d");
  auto file = o.values.find("-f");
  const std::string path = file != o.values.end() ? file->second : o.bare.empty() ? std::string() : o.bare.front();
  const std::string control = ReadControlText(path);
  // The role report names no database: roles belong to the one catalogue.
  if (mode != o.values.end() && mode->second == "DEF" && database == o.values.end() &&
      symfoware::tools::IsRoleControl(control)) {
    const std::vector<LocalDatabase> databases = LocalDatabases();
    if (databases.empty()) return Failure("rdbprt: データベースがありません");
    return WithCatalogue("rdbprt", databases.front().name, [&](QSqlDatabase& db, const std::string& name) {
      return symfoware::tools::RoleDefinition(db, name, control);
    });
  }
  if (mode == o.values.end() || mode->second != "DEF" || database == o.values.end())
    return Failure("rdbprt: このオプションの組み合わせはスタンドインにありません");
  if (control.empty()) return Failure("rdbprt: 制御ファイルを読み込めません: " + path);
  return WithCatalogue("rdbprt", database->second, [&](QSqlDatabase& db, const std::string& name) {
    if (symfoware::tools::IsSpaceControl(control)) return symfoware::tools::SpaceDefinition(db, name, control);
    if (symfoware::tools::IsRoutineControl(control)) return symfoware::tools::RoutineDefinition(db, name, control);
    return symfoware::tools::TableDefinition(db, name, control);
  });
}

Report Rdbinf(const Options& o) {
  auto target = o.values.find("-p");
  const size_t dot = target == o.values.end() ? std::string::npos : target->second.find('.');
  if (dot == std::string::npos) return Failure("rdbinf: -p <データベース名>.<データベーススペース名> を指定してください");
  const std::string database = target->second.substr(0, dot);
  const std::string space = target->second.substr(dot + 1);
  return WithCatalogue("rdbinf", database, [&](QSqlDatabase& db, const std::string& name) {
    return symfoware::tools::DsiInformation(db, name, space);
  });
}

Report Rdbspcinf(const Options& o) {
  if (auto target = o.values.find("-p"); target != o.values.end()) {
    const size_t dot = target->second.find('.');
    if (dot == std::string::npos) return Failure("rdbspcinf: -p <データベース名>.<データベーススペース名> を指定してください");
    const std::string space = target->second.substr(dot + 1);
    return WithCatalogue("rdbspcinf", target->second.substr(0, dot), [&](QSqlDatabase& db, const std::string& name) {
      return symfoware::tools::SpaceUsage(db, name, space);
    });
  }
  auto database = o.values.find("-d");
  if (database == o.values.end() || database->second.empty())
    return Failure("rdbspcinf: -d <データベース名> を指定してください");
  return WithCatalogue("rdbspcinf", database->second, [](QSqlDatabase& db, const std::string& name) {
    return symfoware::tools::DatabaseSpaces(db, name);
  });
}

std::string OwnUser() {
  const char* user = std::getenv(kUserEnvironment);
  return user && *user ? QString::fromLocal8Bit(user).toUpper().toStdString() : std::string(kDefaultOwnUser);
}

Report Rdbddlex(const Options& o) {
  auto database = o.values.find("-d");
  if (database == o.values.end() || database->second.empty() || o.bare.empty())
    return Failure("rdbddlex: -d <データベース名> <制御ファイル> を指定してください");
  const std::string control = ReadControlText(o.bare.front());
  if (control.empty()) return Failure("rdbddlex: 制御ファイルを読み込めません: " + o.bare.front());
  return WithCatalogue("rdbddlex", database->second, [&](QSqlDatabase& db, const std::string& name) {
    return symfoware::tools::RunDdl(db, name, control, OwnUser());
  });
}

Report Rdbexecsql(const Options& o) {
  auto source = o.values.find("-s");
  auto logon = o.values.find("-u");
  auto script = o.values.find("-i");
  if (source == o.values.end() || logon == o.values.end() || script == o.values.end())
    return Failure("rdbexecsql: -s <データベース名> -u <ユーザ名>/<パスワード> -i <スクリプト> を指定してください");
  const size_t slash = logon->second.find('/');
  const std::string user = logon->second.substr(0, slash);
  const std::string password = slash == std::string::npos ? std::string() : logon->second.substr(slash + 1);
  const std::string text = ReadControlText(script->second);
  if (text.empty()) return Failure("rdbexecsql: スクリプトを読み込めません: " + script->second);
  std::unique_ptr<platform::SqlSession> session = symfoware::OpenStandinSession(source->second, user, password);
  return symfoware::tools::ExecuteScript(*session, text);
}

// The folders of the local databases, each once.
std::vector<std::string> LocalFolders() {
  std::vector<std::string> folders;
  for (const LocalDatabase& db : LocalDatabases())
    if (std::find(folders.begin(), folders.end(), db.folder) == folders.end()) folders.push_back(db.folder);
  return folders;
}

Report Rdbps(const Options&) {
  return symfoware::tools::Sessions(LocalFolders(), OwnUser(), QCoreApplication::applicationPid());
}

Report Rdbterm(const Options& o) {
  auto target = o.values.find("-p");
  if (target == o.values.end() || target->second.empty())
    return Failure("rdbterm: -p <プロセスID>[/<セッションID>] を指定してください");
  return symfoware::tools::EndSession(LocalFolders(), target->second);
}

Report Rdblog(const Options&) {
  const std::vector<LocalDatabase> databases = LocalDatabases();
  if (databases.empty()) return Failure("rdblog: データベースがありません");
  return WithCatalogue("rdblog", databases.front().name, [](QSqlDatabase& db, const std::string&) {
    return symfoware::tools::LogFiles(db);
  });
}

// The statistics are not kept: the stand-in checks the target and answers
// as the tool does.
Report Rdbups(const Options& o) {
  struct Unit {
    const char* option;
    const char* sql;
    int parts;  // of the target after the database name
  };
  static const Unit kUnits[] = {
      {"-t", "SELECT 1 FROM RDBII_TABLE WHERE SCHEMA_NAME = ? AND TABLE_NAME = ? AND TABLE_TYPE = 'BS'", 2},
      {"-g", "SELECT 1 FROM RDBII_DSI_STATUS WHERE DSO_NAME = ?", 1},
      {"-i", "SELECT 1 FROM RDBII_DSI_STATUS WHERE NAME = ?", 1}};
  for (const Unit& unit : kUnits) {
    auto target = o.values.find(unit.option);
    if (target == o.values.end()) continue;
    const QStringList parts = QString::fromStdString(target->second).split('.');
    if (parts.size() != unit.parts + 1) return Failure("rdbups: 対象の指定が正しくありません: " + target->second);
    return WithCatalogue("rdbups", parts.front().toStdString(), [&](QSqlDatabase& db, const std::string&) {
      QSqlQuery q(db);
      q.prepare(unit.sql);
      for (qsizetype i = 1; i < parts.size(); ++i) q.addBindValue(parts[i]);
      if (!q.exec() || !q.next()) return Failure("rdbups: 対象が見つかりません: " + target->second);
      return Report{};
    });
  }
  return Failure("rdbups: -t、-g または -i を指定してください");
}

// Drops the lines that hold `mark`.
void DropLines(std::vector<std::string>& lines, const char* mark) {
  std::erase_if(lines, [&](const std::string& line) { return line.find(mark) != std::string::npos; });
}

void LogCall(int argc, char* argv[]) {
  const char* path = std::getenv(kLogEnvironment);
  if (!path || !*path) return;
  QFile log(QString::fromLocal8Bit(path));
  if (!log.open(QIODevice::Append)) return;
  QByteArray line = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName().toUtf8();
  for (int i = 1; i < argc; ++i) line += '\t' + QByteArray(argv[i]);
  log.write(line + '\n');
}

void Print(FILE* stream, const std::vector<std::string>& lines, bool lastLineBreak) {
  for (size_t i = 0; i < lines.size(); ++i) {
    std::fputs(lines[i].c_str(), stream);
    if (i + 1 < lines.size() || lastLineBreak) std::fputs(kLineBreak, stream);
  }
  std::fflush(stream);
}

// The tools that print no return-code line when they end well.
bool SilentOnSuccess(const std::string& tool) {
  static const std::vector<std::string> kSilent = {"rdblkinf", "rdbrtr", "rdbrls", "rdbinh", "rdbpmt", "rdbdvinf"};
  return std::find(kSilent.begin(), kSilent.end(), tool) != kSilent.end();
}

std::string ReturnCodeLine(const std::string& tool, bool ok, int code) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%02d", code);
  return tool + (ok ? "が正常終了しました" : "が異常終了しました") + " 復帰コード " + digits;
}

}  // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  const std::string tool = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName().toStdString();
  LogCall(argc, argv);
  const FailMode fail = RequestedFailure(tool);
  if (fail == FailMode::Silent) return 0;

  const Options options = ParseOptions(argc, argv);
  Report report;
  try {
    if (tool == "rdbprt")
      report = Rdbprt(options);
    else if (tool == "rdbinf")
      report = Rdbinf(options);
    else if (tool == "rdbspcinf")
      report = Rdbspcinf(options);
    else if (tool == "rdbexecsql")
      report = Rdbexecsql(options);
    else if (tool == "rdbddlex")
      report = Rdbddlex(options);
    else if (tool == "rdbps")
      report = Rdbps(options);
    else if (tool == "rdbterm")
      report = Rdbterm(options);
    else if (tool == "rdblkinf")
      report = symfoware::tools::Locks(LocalFolders());
    else if (tool == "rdblog")
      report = Rdblog(options);
    else if (tool == "rdbups")
      report = Rdbups(options);
    else if (symfoware::tools::IsBackupTool(tool))
      report = symfoware::tools::RunBackupTool(
          tool, ParseToolArguments(argc, argv, symfoware::tools::BackupToolValueOptions(tool)), LocalDatabases());
    else if (tool == "rdbunl")
      report = symfoware::tools::Unload(ParseToolArguments(argc, argv, symfoware::tools::kUnloadValueOptions),
                                        LocalDatabases());
    else if (tool == "rdbsaloader")
      report = symfoware::tools::Load(ParseToolArguments(argc, argv, symfoware::tools::kLoadValueOptions),
                                      LocalDatabases());
    else
      report = Failure(tool + ": この機能はスタンドインにありません");
  } catch (const std::exception& e) {
    report = Failure(tool + ": " + e.what());
  }
  if (fail == FailMode::NoSuccess) DropLines(report.lines, kKillSuccessMark);
  if (fail == FailMode::NoStatus) DropLines(report.lines, kLogStatusLabel);
  if (fail == FailMode::NoSpaceName) DropLines(report.lines, kSpaceNameLabel);
  if (fail == FailMode::NoSpace) DropLines(report.lines, kSpaceUsageLabel);
  if (fail == FailMode::Talk && report.ok && report.lines.empty()) report.lines.push_back(tool + ": 処理しました");
  if (fail == FailMode::Extra && report.ok) report.lines.push_back(kExtraInformationLine);
  if (fail == FailMode::Short && report.ok && !report.lines.empty()) report.lines.erase(report.lines.begin());
  int code = report.ok ? 0 : kFailureCode;
  if (fail == FailMode::Code) code = kRequestedFailureCode;
  if (code != 0 || !SilentOnSuccess(tool)) report.lines.push_back(ReturnCodeLine(tool, code == 0, code));
  Print(fail == FailMode::Stderr ? stderr : stdout, report.lines, fail != FailMode::NoLineBreak);
  if (fail == FailMode::Exit) return kRequestedExitStatus;
  return code;
}
