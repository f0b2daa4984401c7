// grid_bench: a large result in the client data set and the vertical data
// grid, beside Debian's sqlite3 command-line program.
//
//   grid_bench [ROWS]        (default 1000000)
//
// Builds a stand-in table of ROWS rows x 10 columns (integers, decimals,
// short and Japanese texts, dates). The anchor is sqlite3 printing the same
// SELECT to /dev/null; the size of its output is the raw data size. Ours:
// open the query into the client data set, show a TovDBGridV offscreen with
// its first page painted, go to the last record (every row fetched) and
// paint it. Prints both times, their ratio and our growth of resident memory
// against the raw size.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/core/odsql.h"
#include "standin/symfoware/catalogue.h"
#include "ui/core/ovclientds.h"
#include "ui/ovdbgrid.h"

namespace {

constexpr int kDefaultRows = 1000000;
constexpr int kGridWidth = 1200;
constexpr int kGridHeight = 800;
constexpr int kDaysInMonth = 28;
constexpr int kMonths = 12;
constexpr int kPriceCents = 100000;
constexpr double kCentsPerUnit = 100.0;
constexpr long kKilobyte = 1024;
const char kDataSource[] = "ORVGRID";
const char kUser[] = "ORVUSER";
const char kPassword[] = "orvuser";
const char kSchema[] = "B";
const char kSelect[] = "SELECT ID, QTY, PRICE, RATE, CODE, NAME, JNAME, NOTE, DAY, STAMP FROM B.ITEMS";

// Resident memory of this process in bytes.
long ResidentBytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + sizeof("VmRSS:")) * kKilobyte;
  return 0;
}

void Check(int code, sqlite3* db) {
  if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW) {
    std::fprintf(stderr, "grid_bench: %s\n", sqlite3_errmsg(db));
    std::exit(1);
  }
}

// Fills the table straight into the schema's file in one transaction.
void Fill(const std::string& file, int rows) {
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

void WriteOdbcConfig(const QString& dir, const QString& folder) {
  QFile inst(dir + "/odbcinst.ini");
  inst.open(QIODevice::WriteOnly);
  inst.write("[Symfoware Server Stand-in]\nDescription=Symfoware Server Stand-in (embedded in orv)\n");
  QFile ini(dir + "/odbc.ini");
  ini.open(QIODevice::WriteOnly);
  ini.write(QStringLiteral("[%1]\nDriver=Symfoware Server Stand-in\nDatabase=%2\n").arg(kDataSource, folder).toUtf8());
  qputenv("ODBCSYSINI", dir.toUtf8());
  qputenv("ODBCINI", (dir + "/odbc.ini").toUtf8());
}

void Run(TovSQLConnection& connection, const std::string& sql) {
  TovSQLQuery q(&connection);
  q.SetSQL(sql);
  q.ExecSQL();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : kDefaultRows;
  QTemporaryDir root;
  const QString folder = root.path() + "/" + kDataSource;
  symfoware::CreateDataSourceFolder(folder.toStdString(), kDataSource, kUser, kPassword);
  WriteOdbcConfig(root.path(), folder);
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
  QElapsedTimer timer;
  timer.start();
  Fill(file, rows);
  std::printf("setup        %d rows built in %.1f s\n", rows, static_cast<double>(timer.elapsed()) / 1000);

  // The anchor, and the raw size: what it prints.
  const QString raw = root.path() + "/raw.txt";
  QProcess sizing;
  sizing.setStandardOutputFile(raw);
  sizing.start("sqlite3", {QString::fromStdString(file), QString(kSelect).replace("B.ITEMS", "ITEMS")});
  sizing.waitForFinished(-1);
  const double rawBytes = static_cast<double>(QFileInfo(raw).size());
  QFile::remove(raw);
  QProcess anchor;
  anchor.setStandardOutputFile(QProcess::nullDevice());
  timer.restart();
  anchor.start("sqlite3", {QString::fromStdString(file), QString(kSelect).replace("B.ITEMS", "ITEMS")});
  anchor.waitForFinished(-1);
  const double anchorMs = static_cast<double>(timer.elapsed());

  connection.Connect();
  const long before = ResidentBytes();
  timer.restart();
  TovSQLQuery query(&connection);
  query.SetSQL(kSelect);
  TovClientDataSet data;
  data.Open(query, nullptr);
  TovDBGridV grid;
  grid.resize(kGridWidth, kGridHeight);
  grid.SetDataSet(&data);
  grid.show();
  grid.grab();
  const double firstPageMs = static_cast<double>(timer.elapsed());
  data.Last();
  const double lastMs = static_cast<double>(timer.elapsed());
  grid.grab();
  const double oursMs = static_cast<double>(timer.elapsed());
  const double grown = static_cast<double>(ResidentBytes() - before);
  std::printf("sqlite3      %8.0f ms  (%.1f MB printed)\n", anchorMs, rawBytes / kKilobyte / kKilobyte);
  std::printf("grid         %8.0f ms  ratio %.2f (goal <= 2)\n", oursMs, oursMs / anchorMs);
  std::printf("  phases     open and first page %.0f ms, every row fetched %.0f ms, last page painted %.0f ms\n",
              firstPageMs, lastMs - firstPageMs, oursMs - lastMs);
  std::printf("memory       %8.1f MB grown  ratio %.2f of the raw size (goal <= 2); %d records\n",
              grown / kKilobyte / kKilobyte, grown / rawBytes, data.RecordCount());
  return 0;
}
