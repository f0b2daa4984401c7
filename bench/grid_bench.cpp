// grid_bench: a large result in the client data set and the vertical data
// grid, beside Debian's sqlite3 command-line program.
//
//   grid_bench [ROWS] [--scale N]        (default 1000000)
//
// The table is bench/grid_table.h's. The anchor is sqlite3 printing the same
// SELECT to /dev/null; the size of its output is the raw data size. Ours:
// open the query into the client data set, show a TovDBGridV offscreen with
// its first page painted, go to the last record (every row fetched) and
// paint it. The two run in turns; prints the medians, their ratio and our
// growth of resident memory against the raw size.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "bench/grid_table.h"
#include "ui/core/ovclientds.h"
#include "ui/ovdbgrid.h"

using namespace bench_grid;

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  QApplication app(argc, argv);
  QTemporaryDir root;
  const TItemsRun run = PrepareItemsRun(root.path(), argc, argv, options);

  TovSQLConnection connection;
  connection.UserName = kUser;
  connection.Password = kPassword;
  connection.DataSource = kDataSource;
  connection.Connect();
  CompareItemsRun(
      options, "grid", "open and first page", run,
      [&] {
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
        times.FirstPage = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        data.Last();
        times.LastRecord = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        grid.grab();
        times.Total = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        times.GrownBytes = static_cast<double>(ResidentBytes() - before);
        times.Records = data.RecordCount();
        return times;
      },
      "<= 1.5", "<= 1.7");
  return 0;
}
