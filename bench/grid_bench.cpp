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
  QTemporaryDir root;
  const TItemsRun run = PrepareItemsRun(root.path(), argc, argv);

  TovSQLConnection connection;
  connection.UserName = kUser;
  connection.Password = kPassword;
  connection.DataSource = kDataSource;
  connection.Connect();
  const long before = ResidentBytes();
  QElapsedTimer timer;
  timer.start();
  TovSQLQuery query(&connection);
  query.SetSQL(kSelect);
  TovClientDataSet data;
  data.Open(query, nullptr);
  TovDBGridV grid;
  grid.resize(kGridWidth, kGridHeight);
  grid.SetDataSet(&data);
  grid.show();
  grid.grab();
  TItemsTimes times;
  times.FirstPageMs = static_cast<double>(timer.elapsed());
  data.Last();
  times.LastRecordMs = static_cast<double>(timer.elapsed());
  grid.grab();
  times.TotalMs = static_cast<double>(timer.elapsed());
  PrintItemsRun("grid", "open and first page", run, times, static_cast<double>(ResidentBytes() - before),
                data.RecordCount());
  return 0;
}
