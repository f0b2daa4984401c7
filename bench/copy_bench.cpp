// copy_bench: a large result copied to the clipboard from the SQL window,
// with the main window's status bar shown and hidden.
//
//   copy_bench [ROWS]      (default 200000)
//
// The table is bench/grid_table.h's, on a connection window of the main
// window. Its rows are run and fetched in a new SQL window, then copied by
// the result frame's copy command twice: with the status bar shown, where
// the progress is drawn, and hidden, where it is not. Drawing the progress
// should cost little beside the copy itself: the goal is a ratio of 1.5.
#include <QApplication>
#include <QElapsedTimer>
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
constexpr double kGoal = 1.5;

double CopyMs(TfraData& frame) {
  QElapsedTimer timer;
  timer.start();
  frame.btnCopy->trigger();
  return static_cast<double>(timer.elapsed());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir root;
  UseProgramFolders(root.path());
  const int rows = argc > 1 ? std::atoi(argv[1]) : kCopyRows;
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

  main.stsMain->hide();
  CopyMs(frame);  // a first copy warms what both measured copies reuse
  main.stsMain->show();
  const double shown = CopyMs(frame);
  main.stsMain->hide();
  const double hidden = CopyMs(frame);
  std::printf("copy %d rows  status bar hidden %8.0f ms\n", frame.cdsData.RecordCount(), hidden);
  std::printf("              status bar shown  %8.0f ms  ratio %.2f (goal <= %.1f)\n", shown, shown / hidden, kGoal);
  return 0;
}
