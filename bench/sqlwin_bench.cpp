// sqlwin_bench: a large SELECT run from the SQL window, beside Debian's
// sqlite3 command-line program.
//
//   sqlwin_bench [ROWS]      (default 1000000)
//
// The table is bench/grid_table.h's, on a connection window of the main
// window. The anchor is sqlite3 printing the same SELECT to /dev/null; the
// size of its output is the raw data size. Ours: the statement typed into a
// new SQL window and run by its execute command, the first page of the
// result painted, the last record reached (every row fetched) and painted.
// Prints both times, their ratio and our growth of resident memory against
// the raw size.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "app/core/zarur.h"
#include "app/fmain.h"
#include "app/fobject.h"
#include "bench/grid_table.h"
#include "editor/ovmemo.h"
#include "platform/gui/qtplatform.h"
#include "sqlwork/fsql.h"
#include "ui/ovdbgrid.h"

using namespace bench_grid;

namespace {

constexpr int kWindowWidth = 1200;
constexpr int kWindowHeight = 900;

// The program's settings and work files go to the run's own folder.
void UseFolders(const QString& root) {
  for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR"})
    qputenv(name, (root + "/" + name).toUtf8());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir root;
  UseFolders(root.path());
  platform::InstallQtPlatform();
  InitFolders();
  const TItemsRun run = PrepareItemsRun(root.path(), argc, argv);

  TfrmMain main;
  main.resize(kWindowWidth, kWindowHeight);
  main.show();
  AppOption.TempDir = root.path().toStdString() + "/temp/";
  auto* connection = new TfrmObject(&main, kPassword, kUser, kDataSource);
  auto* form = new TfrmSQL(*connection);
  form->parentWidget()->resize(kWindowWidth, kWindowHeight);
  form->txtSQL->Lines().SetTextStr(kSelect);
  QApplication::processEvents();

  const long before = ResidentBytes();
  QElapsedTimer timer;
  timer.start();
  form->actExecExecute(nullptr);
  TfraData& frame = *form->fraData;
  frame.grdData1->grab();
  TItemsTimes times;
  times.FirstPageMs = static_cast<double>(timer.elapsed());
  frame.cdsData.Last();
  times.LastRecordMs = static_cast<double>(timer.elapsed());
  frame.grdData1->grab();
  times.TotalMs = static_cast<double>(timer.elapsed());
  PrintItemsRun("SQL window", "run and first page", run, times, static_cast<double>(ResidentBytes() - before),
                frame.cdsData.RecordCount());
  return 0;
}
