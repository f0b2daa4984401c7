// grid_table: the stand-in table of the result benchmarks: ROWS rows x 10
// columns (integers, decimals, short and Japanese texts, dates) written
// straight into the schema's file, with the data source it lives in, the
// SELECT both the benchmark and the sqlite3 anchor run, and the comparison
// of a run of ours with the anchor's.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "bench/bench_harness.h"
#include "standin/symfoware/catalogue.h"

namespace bench_grid {


inline constexpr int kDefaultRows = 1000000;
inline constexpr int kGridWidth = 1200;
inline constexpr int kGridHeight = 800;
inline constexpr int kDaysInMonth = 28;
inline constexpr int kMonths = 12;
inline constexpr int kPriceCents = 100000;
inline constexpr double kCentsPerUnit = 100.0;
using bench::kKilobyte;
using bench::ResidentBytes;
inline constexpr char kDataSource[] = "ORVGRID";
inline constexpr char kUser[] = "ORVUSER";
inline constexpr char kPassword[] = "orvuser";
inline constexpr char kSchema[] = "B";
inline constexpr char kTable[] = "ITEMS";
inline constexpr char kSelect[] = "SELECT ID, QTY, PRICE, RATE, CODE, NAME, JNAME, NOTE, DAY, STAMP FROM B.ITEMS";

inline void Check(int code, sqlite3* db) {
  if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW) {
    std::fprintf(stderr, "bench: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
}

// Fills the table straight into the schema's file in one transaction.
inline void Fill(const std::string& file, int rows) {
  sqlite3* db = nullptr;
  Check(sqlite3_open(file.c_str(), &db), db);
  Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db);
  sqlite3_stmt* insert = nullptr;
  Check(sqlite3_prepare_v2(db, "INSERT INTO ITEMS VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", -1, &insert, nullptr), db);
  char text[64];
  for (int i = 1; i <= rows; ++i) {
    sqlite3_bind_int(insert, 1, i);
    sqlite3_bind_int(insert, 2, i % 1000);
    sqlite3_bind_double(insert, 3, (i % kPriceCents) / kCentsPerUnit);
    sqlite3_bind_double(insert, 4, (i % 7) / 8.0);
    std::snprintf(text, sizeof text, "C%07d", i);
    sqlite3_bind_text(insert, 5, text, -1, SQLITE_TRANSIENT);
    std::snprintf(text, sizeof text, "item %d", i);
    sqlite3_bind_text(insert, 6, text, -1, SQLITE_TRANSIENT);
    std::snprintf(text, sizeof text, "商品%d番", i);
    sqlite3_bind_text(insert, 7, text, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 8, i % 3 ? "note" : "備考あり", -1, SQLITE_STATIC);
    std::snprintf(text, sizeof text, "2024-%02d-%02d", i % kMonths + 1, i % kDaysInMonth + 1);
    sqlite3_bind_text(insert, 9, text, -1, SQLITE_TRANSIENT);
    std::snprintf(text, sizeof text, "2024-%02d-%02d 12:%02d:00", i % kMonths + 1, i % kDaysInMonth + 1, i % 60);
    sqlite3_bind_text(insert, 10, text, -1, SQLITE_TRANSIENT);
    Check(sqlite3_step(insert), db);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  sqlite3_close(db);
}

inline void WriteOdbcConfig(const QString& dir, const QString& folder) {
  QFile inst(dir + "/odbcinst.ini");
  inst.open(QIODevice::WriteOnly);
  inst.write("[Symfoware Server Stand-in]\nDescription=Symfoware Server Stand-in (embedded in orv)\n");
  QFile ini(dir + "/odbc.ini");
  ini.open(QIODevice::WriteOnly);
  ini.write(QStringLiteral("[%1]\nDriver=Symfoware Server Stand-in\nDatabase=%2\n").arg(kDataSource, folder).toUtf8());
  qputenv("ODBCSYSINI", dir.toUtf8());
  qputenv("ODBCINI", (dir + "/odbc.ini").toUtf8());
}

inline void Run(TovSQLConnection& connection, const std::string& sql) {
  TovSQLQuery q(&connection);
  q.SetSQL(sql);
  q.ExecSQL();
}


// Makes the data source in `root` with table B.ITEMS of `rows` rows; the
// returned path is the schema's SQLite file.
inline std::string MakeItemsTable(const QString& root, int rows) {
  const QString folder = root + "/" + kDataSource;
  symfoware::CreateDataSourceFolder(folder.toStdString(), kDataSource, kUser, kPassword);
  WriteOdbcConfig(root, folder);
  TovSQLConnection connection;
  connection.UserName = kUser;
  connection.Password = kPassword;
  connection.DataSource = kDataSource;
  connection.Connect();
  Run(connection, std::string("CREATE SCHEMA ") + kSchema);
  Run(connection,
      "CREATE TABLE B.ITEMS (ID INTEGER, QTY SMALLINT, PRICE DECIMAL(9,2), RATE REAL, CODE CHAR(8), "
      "NAME VARCHAR(20), JNAME NVARCHAR(20), NOTE VARCHAR(20), DAY DATE, STAMP TIMESTAMP)");
  connection.Disconnect();
  const std::string file = symfoware::SchemaFilePath(folder.toStdString(), kSchema);
  Fill(file, rows);
  return file;
}

// The anchor: sqlite3 printing the same SELECT from the schema's file to
// `output`.
inline double RunSqliteSelect(const std::string& file, const QString& output) {
  const QString select = QString(kSelect).replace("B.ITEMS", "ITEMS");
  QProcess anchor;
  anchor.setStandardOutputFile(output);
  QElapsedTimer timer;
  timer.start();
  anchor.start("sqlite3", {QString::fromStdString(file), select});
  anchor.waitForFinished(-1);
  return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// The table made and the size of what the anchor prints, as both
// benchmarks start.
struct TItemsRun {
  std::string File;
  int Rows = 0;
  double RawBytes = 0;
};
inline TItemsRun PrepareItemsRun(const QString& root, int argc, char** argv, const bench::TOptions& options) {
  TItemsRun run;
  run.Rows = (argc > 1 ? std::atoi(argv[1]) : kDefaultRows) * options.Scale;
  QElapsedTimer timer;
  timer.start();
  run.File = MakeItemsTable(root, run.Rows);
  std::printf("setup        %d rows built in %.1f s\n", run.Rows, static_cast<double>(timer.elapsed()) / 1000);
  const QString raw = root + "/raw.txt";
  RunSqliteSelect(run.File, raw);
  run.RawBytes = static_cast<double>(QFileInfo(raw).size());
  QFile::remove(raw);
  return run;
}

// One run of ours: the first page shown, every row fetched, the last page
// painted, in seconds from the start; the growth of resident memory.
struct TItemsTimes {
  double FirstPage = 0;
  double LastRecord = 0;
  double Total = 0;
  double GrownBytes = 0;
  int Records = 0;
};

// Runs ours and sqlite3 in turns and prints the comparison, the phases'
// medians and the largest growth of memory against the raw size.
inline void CompareItemsRun(const bench::TOptions& options, const char* ours, const char* firstPhase,
                            const TItemsRun& run, const std::function<TItemsTimes()>& once, const char* timeGoal,
                            const char* memoryGoal) {
  std::vector<TItemsTimes> runs;
  bench::Compare(
      options, ours,
      {ours,
       [&] {
         runs.push_back(once());
         return runs.back().Total;
       },
       static_cast<double>(run.Rows)},
      {"sqlite3", [&] { return RunSqliteSelect(run.File, QProcess::nullDevice()); }, static_cast<double>(run.Rows)},
      "row", timeGoal);
  std::vector<double> first, fetched, painted;
  double grown = 0;
  for (const TItemsTimes& times : runs) {
    first.push_back(times.FirstPage);
    fetched.push_back(times.LastRecord - times.FirstPage);
    painted.push_back(times.Total - times.LastRecord);
    grown = std::max(grown, times.GrownBytes);
  }
  std::printf("    phases: %s %.3f s, every row fetched %.3f s, last page painted %.3f s; %d records\n", firstPhase,
              bench::Median(first), bench::Median(fetched), bench::Median(painted), runs.back().Records);
  std::printf("    memory %.1f MB grown at most, %.2f of the raw size (%.1f MB printed by sqlite3)  goal %s\n",
              bench::Megabytes(grown), grown / run.RawBytes, bench::Megabytes(run.RawBytes), memoryGoal);
}

}  // namespace bench_grid
