#include "standin/symfoware/sqltrace.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <atomic>
#include <cstdio>
#include <unistd.h>

namespace symfoware {

const char kTraceAttribute[] = "SQLTrace";

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kExplain[] = "EXPLAIN QUERY PLAN ";
// The detail column of SQLite's plan rows.
constexpr int kDetailColumn = 3;
constexpr int64_t kMillisPerSecond = 1000;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kSecondsPerHour = 3600;
// The trace shows a time of day: a longer run shows its last moment.
constexpr int64_t kLongestMillis = 86399999;

std::atomic<int> sessionNumber{0};

}  // namespace

std::string TraceRecordText(const std::string& statement, int64_t millis, const std::vector<std::string>& indexes) {
  std::string text = std::string("SQL statement :") + kCrLf;
  size_t from = 0;
  while (from <= statement.size()) {
    size_t end = statement.find('\n', from);
    if (end == std::string::npos) end = statement.size();
    size_t cut = end;
    if (cut > from && statement[cut - 1] == '\r') --cut;
    text.append(statement, from, cut - from).append(kCrLf);
    from = end + 1;
  }
  const int64_t time = std::min(std::max<int64_t>(millis, 0), kLongestMillis);
  const int64_t seconds = time / kMillisPerSecond;
  char line[64];
  std::snprintf(line, sizeof line, "Total Time   : %02lld:%02lld:%02lld(%03lld)", static_cast<long long>(seconds / kSecondsPerHour),
                static_cast<long long>(seconds / kSecondsPerMinute % kSecondsPerMinute),
                static_cast<long long>(seconds % kSecondsPerMinute), static_cast<long long>(time % kMillisPerSecond));
  text.append(line).append(kCrLf);
  for (const std::string& index : indexes) text.append("    index dso name ").append(index).append(kCrLf);
  return text.append("SQL TRACE END").append(kCrLf);
}

std::vector<std::string> SearchedIndexes(sqlite3* db, const std::string& statement) {
  std::vector<std::string> indexes;
  sqlite3_stmt* plan = nullptr;
  const std::string text = kExplain + statement;
  if (sqlite3_prepare_v2(db, text.c_str(), static_cast<int>(text.size()), &plan, nullptr) != SQLITE_OK) {
    sqlite3_finalize(plan);
    return indexes;
  }
  while (sqlite3_step(plan) == SQLITE_ROW) {
    const auto* detail = reinterpret_cast<const char*>(sqlite3_column_text(plan, kDetailColumn));
    const QStringList words = QString::fromUtf8(detail ? detail : "").split(' ', Qt::SkipEmptyParts);
    // An automatic index is SQLite's own, built for the one statement.
    const qsizetype at = words.indexOf("INDEX");
    if (at > 0 && at + 1 < words.size() && !words.contains("AUTOMATIC")) indexes.push_back(words[at + 1].toStdString());
  }
  sqlite3_finalize(plan);
  return indexes;
}

TClientTrace::TClientTrace(const std::string& folder) {
  if (folder.empty() || !QFileInfo(QString::fromStdString(folder)).isDir()) return;
  path_ = QDir(QString::fromStdString(folder))
              .filePath(QString("pdsql_%1_%2.trc").arg(getpid()).arg(++sessionNumber))
              .toStdString();
}

int64_t TClientTrace::Elapsed() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started_).count();
}

void TClientTrace::Write(const std::string& statement, int64_t millis, const std::vector<std::string>& indexes) const {
  if (!Active()) return;
  const std::string text = TraceRecordText(statement, millis, indexes);
  // One append per record; a trace that cannot be written never fails the
  // statement, as the client's own trace does not.
  QFile file(QString::fromStdString(path_));
  if (file.open(QIODevice::Append)) file.write(text.data(), static_cast<qint64>(text.size()));
}

}  // namespace symfoware
