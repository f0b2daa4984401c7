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
//
// A second case opens the table through the table editor's data page on a
// connection window of the main window: the editor made on its data page
// with no row limit (its SELECT built from the condition grid, the result
// frame's data opened), the first page painted, the last record reached
// and painted, the editor closed.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "app/core/ovkinds.h"
#include "bench/grid_table.h"
#include "bench/sql_window_run.h"
#include "objedit/ftable.h"
#include "ui/core/ovclientds.h"
#include "ui/ovdbgrid.h"
#include "ui/rdata.h"

using namespace bench_grid;

namespace {

constexpr uint8_t kDataPageMode = 2;  // TOpenArgs::Mode of the data page
constexpr int kNoRowLimit = 0;

}  // namespace

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  QApplication app(argc, argv);
  QTemporaryDir root;
  UseProgramFolders(root.path());
  const TItemsRun run = PrepareItemsRun(root.path(), argc, argv, options);

  TovSQLConnection connection;
  connection.UserName = kUser;
  connection.Password = kPassword;
  connection.DataSource = kDataSource;
  connection.Connect();
  CompareItemsRun(
      options, "grid", "open and first page", run,
      [&] {
        const long before = bench::SettledResidentBytes();
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

  TfrmMain main;
  TfrmObject* window = ShowMainWindow(main, root.path());
  // The editor reads no storage report: the run is the data page's.
  window->Remote = true;
  const TOpenArgs args{kSchema, kTable, kTableKind, kDataPageMode, kNoRowLimit, ""};
  CompareItemsRun(
      options, "data page", "open and first page", run,
      [&] {
        const long before = bench::SettledResidentBytes();
        QElapsedTimer timer;
        timer.start();
        auto* editor = qobject_cast<TfrmTable*>(TovObjectEditor::CreateEditor<TfrmTable>(*window, args));
        if (!editor || !editor->fraData->cdsData.Active()) {
          std::fprintf(stderr, "grid_bench: the data page did not open\n");
          std::exit(1);
        }
        TfraData& frame = *editor->fraData;
        frame.grdData1->grab();
        TItemsTimes times;
        times.FirstPage = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        frame.cdsData.Last();
        times.LastRecord = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        frame.grdData1->grab();
        times.Total = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        times.GrownBytes = static_cast<double>(ResidentBytes() - before);
        times.Records = frame.cdsData.RecordCount();
        editor->Discard();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return times;
      },
      "<= 2", "<= 2");
  return 0;
}
