#include "standin/symfoware/tools/monitors.h"

#include <QFile>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <array>

namespace symfoware::tools {

namespace {

constexpr char kElapsedNow[] = "00:00:00";
constexpr int kLockProcessWord = 2;
constexpr int kLockSessionWord = 3;
constexpr int kSessionProcessWord = 1;
constexpr int kSessionSessionWord = 2;
constexpr long long kUnit = 1024;
// Bytes in the largest unit that divides them: G, M, K.
constexpr std::array<std::pair<char, long long>, 3> kSizeUnits = {
    {{'G', kUnit * kUnit * kUnit}, {'M', kUnit * kUnit}, {'K', kUnit}}};

QString FilePath(const std::string& folder, const char* name) {
  return QString::fromStdString(folder) + "/" + name;
}

QStringList FileLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
  for (QString& line : lines) line.remove('\r');
  while (!lines.isEmpty() && lines.back().trimmed().isEmpty()) lines.pop_back();
  return lines;
}

void WriteLines(const QString& path, const QStringList& lines) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw std::runtime_error("cannot write " + path.toStdString());
  for (const QString& line : lines) file.write((line + "\n").toUtf8());
}

QStringList Words(const QString& line) { return line.split(' ', Qt::SkipEmptyParts); }

// The process and, when given, the session a line names by its words.
bool Names(const QString& line, int processWord, int sessionWord, const QString& process, const QString& session) {
  const QStringList words = Words(line);
  if (words.size() <= processWord || words[processWord] != process) return false;
  return session.isEmpty() || (words.size() > sessionWord && words[sessionWord] == session);
}

void Append(std::vector<std::string>& lines, const QStringList& more) {
  for (const QString& line : more) lines.push_back(line.toStdString());
}

std::string SizeText(long long bytes) {
  for (const auto& [unit, size] : kSizeUnits)
    if (bytes >= size && bytes % size == 0) return std::to_string(bytes / size) + unit;
  return std::to_string(bytes);
}

}  // namespace

Report Sessions(const std::vector<std::string>& folders, const std::string& ownUser, long long ownProcess) {
  Report report;
  report.lines = {"RDBII rdbps プロセス情報", "", "User      Pid    Sid  Status  Time      Type    Module",
                  "--------  -----  ---  ------  --------  ------  ----------"};
  for (const std::string& folder : folders) Append(report.lines, FileLines(FilePath(folder, kSessionFile)));
  report.lines.push_back(QString("%1 %2 0 RUN %3 RDBCMD rdbps")
                             .arg(QString::fromStdString(ownUser), QString::number(ownProcess), kElapsedNow)
                             .toStdString());
  return report;
}

Report EndSession(const std::vector<std::string>& folders, const std::string& target) {
  const QString text = QString::fromStdString(target);
  const QString process = text.section('/', 0, 0);
  const QString session = text.section('/', 1);
  bool ended = false;
  for (const std::string& folder : folders) {
    const QString sessionPath = FilePath(folder, kSessionFile);
    QStringList sessions = FileLines(sessionPath);
    const qsizetype before = sessions.size();
    sessions.removeIf([&](const QString& line) {
      return Names(line, kSessionProcessWord, kSessionSessionWord, process, session);
    });
    if (sessions.size() == before) continue;
    ended = true;
    WriteLines(sessionPath, sessions);
    const QString lockPath = FilePath(folder, kLockFile);
    QStringList locks = FileLines(lockPath);
    locks.removeIf([&](const QString& line) {
      return Names(line, kLockProcessWord, kLockSessionWord, process, session);
    });
    if (QFile::exists(lockPath)) WriteLines(lockPath, locks);
  }
  if (!ended) return {{"qdg12345e:プロセス(" + target + ")は存在しません"}, false};
  return {{"qdg13294i:プロセス(" + target + ")を切断しました"}, true};
}

Report Locks(const std::vector<std::string>& folders) {
  Report report;
  report.lines = {"RDBII rdblkinf ロック情報", "Status  Uid    Pid   Sid  Type  Module   Unit  Purpose", ""};
  for (const std::string& folder : folders) Append(report.lines, FileLines(FilePath(folder, kLockFile)));
  return report;
}

Report LogFiles(QSqlDatabase& catalogue) {
  QSqlQuery q(catalogue);
  if (!q.exec("SELECT TEMPORARY_LOG_STATUS, AI_LOG_SIZE, AI_LOG_PATH, BI_LOG_SIZE, BI_LOG_PATH, LOG_INDEX_PATH "
              "FROM RDBII_TEMP_LOG ORDER BY LOG_GROUP_NAME") ||
      !q.next())
    return {{"rdblog: ログ管理ファイルがありません"}, false};
  auto text = [&](int column) { return q.value(column).toString().trimmed().toStdString(); };
  auto size = [&](int column) { return SizeText(q.value(column).toLongLong()); };
  // The values follow the colons directly.
  return {{"Status       :" + text(0), "Ai           :" + size(1) + " " + text(2),
           "Bi           :" + size(3) + " " + text(4), "Index        :" + SizeText(0) + " " + text(5)},
          true};
}

}  // namespace symfoware::tools
