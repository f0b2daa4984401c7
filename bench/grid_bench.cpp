// grid_bench: a large result in the client data set and the vertical data
// grid, beside Debian's sqlite3 command-line program.
//
//   grid_bench [ROWS]        (default 1000000)
//
// The table is bench/grid_table.h's. The anchor is sqlite3 printing the same
// SELECT to /dev/null; the size of its output is the raw data size. Ours:
// open the query into the client data set, show a TovDBGridV offscreen with
// its first page painted, go to the last record (every row fetched) and
// paint it. Prints both times, their ratio and our growth of resident memory
// against the raw size.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "bench/grid_table.h"
#include "ui/core/ovclientds.h"
#include "ui/ovdbgrid.h"

using namespace bench_grid;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const int rows = argc > 1 ? std::atoi(argv[1]) : kDefaultRows;
  QTemporaryDir root;
  QElapsedTimer timer;
  timer.start();
  const std::string file = MakeItemsTable(root.path(), rows);
  std::printf("setup        %d rows built in %.1f s\n", rows, static_cast<double>(timer.elapsed()) / 1000);
  double rawBytes = 0;
  const double anchorMs = RunAnchor(root.path(), file, rawBytes);

  TovSQLConnection connection;
  connection.UserName = kUser;
  connection.Password = kPassword;
  connection.DataSource = kDataSource;
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
