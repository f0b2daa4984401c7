// objlist_bench: the object list of a connection window on a large
// stand-in catalogue.
//
//   objlist_bench [OBJECTS] [--scale N]        (default 100000)
//
// Builds a stand-in data source of OBJECTS objects (tables, indexes and
// views that SQLite holds, sequences, procedures, functions and triggers
// that only the catalogue lists) with symfoware-setup and prints how long
// that took. Then, in a real connection window, fills the list for a schema
// node and for the root, in turns with the anchor: the same catalogue
// SELECTs run bare on the same connection, every field of every row read.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/fobjtreecore.h"
#include "app/core/odsql.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "app/fmain.h"
#include "app/fobject.h"
#include "bench/bench_harness.h"

namespace {

constexpr int kDefaultObjects = 100000;
constexpr int kSchemas = 8;  // the stand-in attaches at most nine user schemas
const char kDataSource[] = "ORVBENCH";
const char kUser[] = "ORVUSER";
const char kPassword[] = "orvuser";

// Shares of a schema's objects, in parts of kShareTotal.
constexpr int kShareTotal = 8;
constexpr int kTableShare = 3;
constexpr int kIndexShare = 2;
constexpr int kViewShare = 1;
// The rest is split evenly among the four catalogue-only kinds.
constexpr int kCatalogueKinds = 4;

std::string Name(char prefix, int i) {
  char text[16];
  std::snprintf(text, sizeof text, "%c%06d", prefix, i);
  return text;
}

// Appends the parts in order (GCC 12 warns falsely on chains of
// std::string operator+ at -O3).
void Add(std::string& script, std::initializer_list<std::string_view> parts) {
  for (std::string_view part : parts) script.append(part);
}

// Rows 1..count of a catalogue table, one per object, in one statement.
void AddCatalogueRows(std::string& script, std::string_view table, int count, std::string_view select,
                      std::string_view from) {
  Add(script, {"INSERT INTO RDBII_SYSTEM.", table,
               " WITH RECURSIVE N(I) AS (SELECT 1 UNION ALL SELECT I + 1 FROM N WHERE I < ", std::to_string(count),
               ") SELECT ", select, " FROM ", from, ";\n"});
}

std::string Script(int objects) {
  std::string script;
  const int perSchema = objects / kSchemas;
  const int tables = perSchema * kTableShare / kShareTotal;
  const int indexes = perSchema * kIndexShare / kShareTotal;
  const int views = perSchema * kViewShare / kShareTotal;
  const int each = (perSchema - tables - indexes - views) / kCatalogueKinds;
  for (int s = 1; s <= kSchemas; ++s) {
    std::string schema = "S";
    schema.append(std::to_string(s));
    Add(script, {"CREATE SCHEMA ", schema, ";\n"});
    for (int i = 1; i <= tables; ++i)
      Add(script, {"CREATE TABLE ", schema, ".", Name('T', i), " (ID INTEGER NOT NULL PRIMARY KEY, NAME CHAR(20));\n"});
    for (int i = 1; i <= indexes; ++i)
      Add(script, {"CREATE INDEX ", schema, ".", Name('I', i), " ON ", Name('T', 1 + (i - 1) % tables), " (NAME);\n"});
    for (int i = 1; i <= views; ++i)
      Add(script,
          {"CREATE VIEW ", schema, ".", Name('V', i), " AS SELECT ID FROM ", Name('T', 1 + (i - 1) % tables), ";\n"});
  }
  const std::string head = "S.DB_CODE, S.DB_NAME, S.SCHEMA_CODE, S.SCHEMA_NAME, NEXT_OBJECT_CODE(), ";
  for (int s = 1; s <= kSchemas; ++s) {
    std::string schema;
    Add(schema, {"'S", std::to_string(s), "'"});
    std::string inSchema;
    Add(inSchema, {"RDBII_SYSTEM.RDBII_SCHEMA S, N WHERE S.SCHEMA_NAME = ", schema});
    std::string select;
    Add(select, {head, "'Q' || substr('00000' || I, -6, 6), 'ORVUSER', 1, 1, 99999999, 1, 'N', 'N', 20, 0, ",
                 "'2026-01-05 09:00:00'"});
    AddCatalogueRows(script, "RDBII_SEQUENCE", each, select, inSchema);
    for (int type = 1; type <= 2; ++type) {
      select.clear();
      Add(select, {head, type == 1 ? "'P'" : "'F'", " || substr('00000' || I, -6, 6), 'ORVUSER', ",
                   std::to_string(type), ", 0, '2026-01-07 11:00:00'"});
      AddCatalogueRows(script, "RDBII_PROC", each, select, inSchema);
    }
    std::string onTable;
    Add(onTable, {"RDBII_SYSTEM.RDBII_TABLE T, N WHERE T.SCHEMA_NAME = ", schema, " AND T.TABLE_NAME = '",
                  Name('T', 1), "'"});
    AddCatalogueRows(script, "RDBII_TRIGGER", each,
                     "T.DB_CODE, T.DB_NAME, T.SCHEMA_CODE, T.SCHEMA_NAME, NEXT_OBJECT_CODE(), "
                     "'G' || substr('00000' || I, -6, 6), 'ORVUSER', T.SCHEMA_CODE, T.SCHEMA_NAME, T.TABLE_CODE, "
                     "T.TABLE_NAME, 'UPDATE', 'BEFORE', '', 'N', '', '', 'ROW', 'NO', '2026-01-08 15:00:00'",
                     onTable);
  }
  return script;
}

// The catalogue SELECTs of one fill, run bare: every field of every row read.
void RunBare(TfrmObject& window, const TTreeSelection& node) {
  const std::string user = window.DataModule->GetUserName();
  const std::string dataSource = window.DataModule->GetDataSourceName();
  const TListScope scope = ListScopeOf(node, {AppOption.TreeSort, window.SchemaFilter, AppOption.ShowLevel0,
                                              AppOption.ShowLevel1, user});
  std::vector<std::string> schemas;
  if (scope.StoredSchemaSet)
    schemas = ReadStoredSchemaList(dataSource);
  else
    window.GetSchemaList(schemas);
  const TListLayout layout = ObjectListLayout(scope.Kind, AppOption.TreeData, window.Level());
  const TListQuery query = ObjectListQuery(layout.Key, window.Level(), dataSource, window.GetDBCode(dataSource),
                                           SchemaCondition(scope.Schema, schemas, user), "%", scope.Kind);
  TovSQLQuery& q = window.OpenSQLParams(query.SQL, query.Values);
  size_t characters = 0;
  for (; !q.Eof(); q.Next())
    for (size_t field = 0; field < q.Fields().size(); ++field) characters += q.AsString(field).size();
  q.Close();
  if (characters == 0) std::fprintf(stderr, "objlist_bench: the query read nothing\n");
}

void Measure(const bench::TOptions& options, TfrmObject& window, QTreeWidgetItem* node, const char* label) {
  {
    const QSignalBlocker blocker(window.lstTree);
    window.lstTree->setCurrentItem(node);
  }
  TTreeSelection selection;
  selection.Level = node->parent() ? (node->parent()->parent() ? 2 : 1) : 0;
  selection.Text = node->text(0).toStdString();
  if (node->parent()) selection.ParentText = node->parent()->text(0).toStdString();
  window.FillObjectList(false);
  const auto objects = static_cast<double>(window.lstObject->topLevelItemCount());
  bench::Compare(
      options, label,
      {"fill", [&] { return bench::Seconds([&] { window.FillObjectList(false); }); }, objects},
      {"bare SELECTs", [&] { return bench::Seconds([&] { RunBare(window, selection); }); }, objects}, "object");
  std::printf("    %d objects listed\n", window.lstObject->topLevelItemCount());
}

}  // namespace

int main(int argc, char* argv[]) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  const int objects =
      (argc > 1 ? std::max(std::atoi(argv[1]), kSchemas * kShareTotal) : kDefaultObjects) * options.Scale;
  QTemporaryDir work;
  const QString root = work.path();
  for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DOCUMENTS_DIR", "HOME"})
    qputenv(name, (root + "/" + name).toUtf8());

  const QString scriptPath = root + "/bench.sql";
  QFile script(scriptPath);
  if (!script.open(QIODevice::WriteOnly)) return 1;
  script.write(QByteArray::fromStdString(Script(objects)));
  script.close();
  QElapsedTimer timer;
  timer.start();
  const int code = QProcess::execute(SYMFOWARE_SETUP, {root + "/odbc", kDataSource, root + "/" + kDataSource,
                                                       scriptPath, QString(kUser) + "/" + kPassword});
  if (code != 0) {
    std::fprintf(stderr, "objlist_bench: symfoware-setup failed (%d)\n", code);
    return 1;
  }
  std::printf("setup        %7d objects  built in %.1f s\n", objects, static_cast<double>(timer.elapsed()) / 1000);
  qputenv("ODBCSYSINI", (root + "/odbc").toUtf8());
  qputenv("ODBCINI", (root + "/odbc/odbc.ini").toUtf8());

  InitFolders();
  TfrmMain main;
  main.show();
  auto* window = new TfrmObject(&main, kPassword, kUser, kDataSource);
  QTreeWidgetItem* rootNode = window->lstTree->topLevelItem(0);
  Measure(options, *window, rootNode->child(0), "schema node");
  Measure(options, *window, rootNode, "root");
  return 0;
}
