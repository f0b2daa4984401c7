// copy_bench: a large result copied to the clipboard from the SQL window,
// with the main window's status bar shown and hidden.
//
//   copy_bench [ROWS] [--scale N]      (default 200000)
//
// The table is bench/grid_table.h's, on a connection window of the main
// window. Its rows are run and fetched in a new SQL window, then copied by
// the result frame's copy command twice: with the status bar shown, where
// the progress is drawn, and hidden, where it is not, in turns. Drawing the
// progress should cost little beside the copy itself: the goal is a ratio
// of 1.5.
#include <QApplication>
#include <QStatusBar>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include "bench/sql_window_run.h"
#include "platform/dialogs.h"
#include "ui/rdata.h"

using namespace bench_grid;

namespace {

constexpr int kCopyRows = 200000;

// One copy with the status bar shown or hidden, in seconds.
double CopySeconds(TfrmMain& main, TfraData& frame, bool shown) {
  main.stsMain->setVisible(shown);
  return bench::Seconds([&] { frame.btnCopy->trigger(); });
}

}  // namespace

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  QApplication app(argc, argv);
  QTemporaryDir root;
  UseProgramFolders(root.path());
  const int rows = (argc > 1 ? std::atoi(argv[1]) : kCopyRows) * options.Scale;
  MakeItemsTable(root.path(), rows);
  // The copy's closing message answers itself instead of waiting for a click.
  platform::ScopedScriptedDialogs answered;
  TfrmMain main;
  AppOption.PasteDialog = false;
  TfrmSQL* form = NewSqlWindow(*ShowMainWindow(main, root.path()), kSelect);
  form->actExecExecute(nullptr);
  TfraData& frame = *form->fraData;
  frame.cdsData.Last();
  QApplication::processEvents();

  CopySeconds(main, frame, false);  // a first copy warms what both measured copies reuse
  std::printf("copy %d rows\n", frame.cdsData.RecordCount());
  bench::Compare(options, "copy",
                 {"status bar shown", [&] { return CopySeconds(main, frame, true); }, static_cast<double>(rows)},
                 {"status bar hidden", [&] { return CopySeconds(main, frame, false); }, static_cast<double>(rows)},
                 "row", "<= 1.5");
  return 0;
}
