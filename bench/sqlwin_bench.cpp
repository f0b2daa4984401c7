// sqlwin_bench: a large SELECT run from the SQL window, beside Debian's
// sqlite3 command-line program.
//
//   sqlwin_bench [ROWS] [--scale N]      (default 1000000)
//
// The table is bench/grid_table.h's, on a connection window of the main
// window. The anchor is sqlite3 printing the same SELECT to /dev/null; the
// size of its output is the raw data size. Ours: the statement typed into a
// new SQL window and run by its execute command, the first page of the
// result painted, the last record reached (every row fetched) and painted,
// the window closed. The two run in turns; prints the medians, their ratio
// and our growth of resident memory against the raw size.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "bench/sql_window_run.h"
#include "ui/ovdbgrid.h"

using namespace bench_grid;

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  QApplication app(argc, argv);
  QTemporaryDir root;
  UseProgramFolders(root.path());
  const TItemsRun run = PrepareItemsRun(root.path(), argc, argv, options);
  TfrmMain main;
  TfrmObject* connection = ShowMainWindow(main, root.path());
  CompareItemsRun(
      options, "SQL window", "run and first page", run,
      [&] {
        TfrmSQL* form = NewSqlWindow(*connection, kSelect);
        const long before = ResidentBytes();
        QElapsedTimer timer;
        timer.start();
        form->actExecExecute(nullptr);
        TfraData& frame = *form->fraData;
        frame.grdData1->grab();
        TItemsTimes times;
        times.FirstPage = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        frame.cdsData.Last();
        times.LastRecord = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        frame.grdData1->grab();
        times.Total = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        times.GrownBytes = static_cast<double>(ResidentBytes() - before);
        times.Records = frame.cdsData.RecordCount();
        CloseSqlWindow(form);
        return times;
      },
      "<= 2", "<= 2");
  return 0;
}
