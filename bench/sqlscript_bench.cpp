// sqlscript_bench: scripts of many small statements run from the SQL
// window, beside Debian's sqlite3 command-line program running the same
// script file on the same SQLite file.
//
//   sqlscript_bench [STATEMENTS [SELECTS]] [--scale N]    (default 10000, STATEMENTS / 5)
//
// Two scripts on bench/grid_table.h's table: one SELECT then INSERTs, and
// SELECTS one-row SELECTs. Ours: the script in a new SQL window, run
// by its execute command with AutoCommit off, the first box's "no further
// boxes" ticked as a user would, and committed at the end. The anchor:
// sqlite3 with the schema's file attached under the schema's name, the
// script read inside one transaction and committed. Between them, the same
// statements run bare through the program's query: the driver's share.
// The window and sqlite3 run in turns; prints the medians, our ratio and
// our growth of resident memory per shown result.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/core/ovoptions.h"
#include "bench/sql_window_run.h"
#include "platform/dialogs.h"
#include "ui/ovstdctl.h"

using namespace bench_grid;

namespace {

constexpr int kDefaultStatements = 10000;
constexpr int kSelectShare = 5;  // the SELECT script has this part of the statements
constexpr int kTableRows = 1000;
constexpr int kFirstNewId = kTableRows + 1;
constexpr double kMemoryGoalKb = 64;
constexpr char kSeparator[] = ";";

// Statements each followed by a separator line, which both programs take.
std::string InsertScript(int statements) {
  std::string script = "SELECT ID, NAME FROM B.ITEMS WHERE ID = 1\n;\n";
  for (int i = 1; i < statements; ++i) {
    const std::string id = std::to_string(kFirstNewId + i);
    script += "INSERT INTO B.ITEMS (ID, QTY, NAME) VALUES (" + id + ", " + std::to_string(i % 1000) + ", 'new " + id +
              "')\n;\n";
  }
  return script;
}

std::string SelectScript(int statements) {
  std::string script;
  for (int i = 0; i < statements; ++i)
    script += "SELECT ID, NAME FROM B.ITEMS WHERE ID = " + std::to_string(i % kTableRows + 1) + "\n;\n";
  return script;
}

std::string WriteScript(const QString& root, const char* name, const std::string& script) {
  const QString path = root + "/" + name;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(script.data(), static_cast<qint64>(script.size())) < 0) {
    std::fprintf(stderr, "sqlscript_bench: cannot write %s\n", qPrintable(path));
    std::exit(1);
  }
  return path.toStdString();
}

double RunSqlite(const std::string& file, const std::string& script) {
  QProcess anchor;
  anchor.setStandardOutputFile(QProcess::nullDevice());
  QElapsedTimer timer;
  timer.start();
  anchor.start("sqlite3", {"-cmd", QString::fromStdString("ATTACH '" + file + "' AS " + kSchema), "-cmd", "BEGIN",
                           "-cmd", QString::fromStdString(".read " + script), ":memory:", "COMMIT"});
  anchor.waitForFinished(-1);
  if (anchor.exitStatus() != QProcess::NormalExit || anchor.exitCode() != 0) {
    std::fprintf(stderr, "sqlscript_bench: sqlite3 failed: %s\n", anchor.readAllStandardError().constData());
    std::exit(1);
  }
  return static_cast<double>(timer.elapsed());
}

// The statements alone through the program's query on the window's
// connection, rows fetched and the run committed: what the driver costs
// without the window.
double RunBare(TfrmObject& connection, const std::string& script) {
  TovSQLConnection& sql = connection.Module().Connection;
  QElapsedTimer timer;
  timer.start();
  if (!sql.InTransaction()) sql.BeginTrans();
  size_t from = 0;
  const std::string separator = std::string("\n") + kSeparator + "\n";
  std::vector<platform::SqlTextValue> row;
  for (size_t at; (at = script.find(separator, from)) != std::string::npos; from = at + separator.size()) {
    const std::string statement = script.substr(from, at - from);
    TovSQLQuery query(&sql);
    query.SetSQL(statement);
    if (statement.rfind("SELECT", 0) == 0) {
      query.OpenCursor();
      while (query.FetchRow(row)) {
      }
    } else {
      query.ExecSQL();
    }
  }
  sql.CommitTrans();
  return static_cast<double>(timer.elapsed());
}

struct TOurRun {
  double Ms = 0;
  double GrownBytes = 0;
  int Pages = 0;
};

// The script typed into a new SQL window and run; the run committed.
TOurRun RunWindow(TfrmObject& connection, const std::string& script) {
  TfrmSQL* form = NewSqlWindow(connection, script);
  form->txtSeparater->setText(kSeparator);
  platform::ScopedScriptedDialogs dialogs;
  dialogs->QueueMessage(IDOK, {true});
  TOurRun run;
  const long before = ResidentBytes();
  QElapsedTimer timer;
  timer.start();
  form->actExecExecute(nullptr);
  connection.ExecSQL("COMMIT");
  QApplication::processEvents();
  run.Ms = static_cast<double>(timer.elapsed());
  run.GrownBytes = static_cast<double>(ResidentBytes() - before);
  run.Pages = form->pagData->count();
  if (dialogs->unanswered > 0 || dialogs->messages.size() > 1) {
    std::fprintf(stderr, "sqlscript_bench: the run showed %zu boxes\n", dialogs->messages.size());
    std::exit(1);
  }
  CloseSqlWindow(form);
  return run;
}

// The window and sqlite3 in turns, each run after `prepare`.
void CompareScript(const bench::TOptions& options, const char* name, int statements, double bareMs,
                   const std::function<void()>& prepare, const std::function<double()>& anchor,
                   const std::function<TOurRun()>& window) {
  std::printf("%s: %d statements\n", name, statements);
  TOurRun largest;
  bench::Compare(
      options, name,
      {"SQL window",
       [&] {
         prepare();
         const TOurRun ours = window();
         if (ours.GrownBytes >= largest.GrownBytes) largest = ours;
         return ours.Ms / 1000;
       },
       static_cast<double>(statements)},
      {"sqlite3",
       [&] {
         prepare();
         return anchor() / 1000;
       },
       static_cast<double>(statements)},
      "statement", "<= 2");
  std::printf("    bare queries %8.0f ms  (the program's query alone, no window)\n", bareMs);
  std::printf("    memory       %8.1f MB grown at most, %.1f KB per shown result (goal <= %.0f); %d result pages\n",
              largest.GrownBytes / kKilobyte / kKilobyte, largest.GrownBytes / kKilobyte / largest.Pages,
              kMemoryGoalKb, largest.Pages);
}

}  // namespace

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  QApplication app(argc, argv);
  QTemporaryDir root;
  UseProgramFolders(root.path());
  const int statements = (argc > 1 ? std::atoi(argv[1]) : kDefaultStatements) * options.Scale;
  const std::string file = MakeItemsTable(root.path(), kTableRows);

  TfrmMain main;
  TfrmObject* connection = ShowMainWindow(main, root.path());
  AppOption.AutoCommit = false;

  const std::string inserts = InsertScript(statements);
  const std::string insertFile = WriteScript(root.path(), "inserts.sql", inserts);
  // The rows inserted go again before each run so that each inserts the same ids.
  const auto removeInserted = [&] {
    connection->ExecSQL("DELETE FROM B.ITEMS WHERE ID > " + std::to_string(kTableRows));
    connection->ExecSQL("COMMIT");
  };
  removeInserted();
  const double insertBare = RunBare(*connection, inserts);
  CompareScript(options, "one SELECT, then INSERTs", statements, insertBare, removeInserted,
                [&] { return RunSqlite(file, insertFile); }, [&] { return RunWindow(*connection, inserts); });

  const int selects = argc > 2 ? std::atoi(argv[2]) * options.Scale : statements / kSelectShare;
  const std::string selectScript = SelectScript(selects);
  const std::string selectFile = WriteScript(root.path(), "selects.sql", selectScript);
  // The SELECTs read the table as made, whatever rows the INSERT runs left.
  removeInserted();
  CompareScript(options, "one-row SELECTs", selects, RunBare(*connection, selectScript), [] {},
                [&] { return RunSqlite(file, selectFile); }, [&] { return RunWindow(*connection, selectScript); });
  return 0;
}
