// datagen_bench: the test-data generator's normal run inserting ROWS rows
// into a ten-column stand-in table, a commit every 1000 rows, beside the
// same rows of constant values through the same prepared INSERT on the
// same connection with the same commits: the generator's own share.
//
//   datagen_bench [ROWS] [--scale N]    (default 1,000,000)
//
// The columns use a sequence, random numbers, random strings (one with a
// NULL ratio), a random date, a pick list, a template, a fixed value and a
// date sequence. Prints the medians, the ratio (goal: at most 1.5) and the
// growth of resident memory per run, which must not follow the rows.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "bench/bench_harness.h"
#include "bench/grid_table.h"
#include "standin/symfoware/catalogue.h"
#include "tools/core/fdatagenport.h"

namespace {

constexpr int kDefaultRows = 1000000;
constexpr int64_t kCommitInterval = 1000;
constexpr uint64_t kSeed = 74;
constexpr double kRatioGoal = 1.5;
constexpr char kTable[] = "GEN";

TColParams Col(const char* name, const char* type, int length, int32_t kind) {
  TColParams col;
  col.ColumnName = name;
  col.TypeName = type;
  col.Length = length;
  col.Rule.Name = name;
  col.Rule.SetType = kind;
  return col;
}

std::vector<TColParams> Rules(const std::string& shareDir) {
  const QDateTime first(QDate(2024, 1, 1), QTime(0, 0));
  std::vector<TColParams> cols;
  cols.push_back(Col("ID", "INTEGER", 0, dgSequence));
  cols.back().Rule.NumFrom = 1;
  cols.back().Rule.Marume = 1;
  cols.push_back(Col("QTY", "INTEGER", 0, dgRandomNumber));
  cols.back().Rule.NumFrom = 1;
  cols.back().Rule.NumTo = 1000;
  cols.push_back(Col("CODE", "CHAR", 10, dgRandomString));
  cols.back().Rule.StrType = dsAlphaNumerics;
  cols.back().Rule.StrFull = true;
  cols.push_back(Col("DAY", "DATE", 0, dgRandomDate));
  cols.back().Rule.DateType = kDataGenDateOnly;
  cols.back().Rule.DateFrom = first;
  cols.back().Rule.DateTo = first.addDays(365);
  cols.push_back(Col("KIND", "CHAR VARYING", 10, dgPick));
  cols.back().Rule.Variable = {"A", "B", "C", "D"};
  cols.push_back(Col("NAME", "NCHAR VARYING", 20, dgTemplate));
  cols.back().Rule.Temp1 = "SEI";
  cols.back().Rule.Temp2 = "MEI";
  cols.back().Rule.TempSep = " ";
  cols.push_back(Col("FLAG", "CHAR", 1, dgFixed));
  cols.back().Rule.Variable = {"'Y'"};
  cols.push_back(Col("NOTE", "CHAR VARYING", 20, dgRandomString));
  cols.back().Rule.StrType = dsLetters;
  cols.back().Rule.NullPar = 30;
  cols.push_back(Col("PRICE", "DECIMAL", 9, dgRandomNumber));
  cols.back().Rule.NumTo = 100000;
  cols.back().Rule.Marume = 0.01;
  cols.push_back(Col("STAMP", "TIMESTAMP", 0, dgDateSequence));
  cols.back().Rule.DateType = kDataGenDateOnly;
  cols.back().Rule.DateFrom = first;
  LoadTemplateWords(cols, shareDir);
  return cols;
}

void WriteWords(const QString& shareDir, const char* name, const char* words) {
  QDir().mkpath(shareDir + "/" + kDataGenFolder);
  QFile file(shareDir + "/" + kDataGenFolder + "/" + name + ".txt");
  if (!file.open(QIODevice::WriteOnly) || file.write(words) < 0) {
    std::fprintf(stderr, "datagen_bench: cannot write the word list %s\n", name);
    std::exit(1);
  }
}

const TDataGenPortHooks kQuietHooks{[] { return false; }, [](const std::string&) {}, [](bool&) { return false; }};

}  // namespace

int main(int argc, char** argv) {
  bench::TOptions options = bench::ParseOptions(argc, argv);
  QCoreApplication app(argc, argv);
  const int rows = (argc > 1 ? std::atoi(argv[1]) : kDefaultRows) * options.Scale;
  QTemporaryDir root;
  const QString folder = root.path() + "/" + bench_grid::kDataSource;
  symfoware::CreateDataSourceFolder(folder.toStdString(), bench_grid::kDataSource, bench_grid::kUser,
                                    bench_grid::kPassword);
  bench_grid::WriteOdbcConfig(root.path(), folder);
  WriteWords(root.path(), "SEI", "佐藤\n鈴木\n高橋\n田中\n伊藤\n");
  WriteWords(root.path(), "MEI", "太郎\n花子\n一郎\n陽子\n");
  TovSQLConnection connection;
  connection.UserName = bench_grid::kUser;
  connection.Password = bench_grid::kPassword;
  connection.DataSource = bench_grid::kDataSource;
  connection.Connect();
  bench_grid::Run(connection, std::string("CREATE SCHEMA ") + bench_grid::kSchema);
  bench_grid::Run(connection, std::string("CREATE TABLE ") + bench_grid::kSchema + "." + kTable +
                                  " (ID INTEGER NOT NULL, QTY INTEGER, CODE CHAR(10), DAY DATE, KIND VARCHAR(10), "
                                  "NAME NCHAR VARYING(20), FLAG CHAR(1), NOTE VARCHAR(20), PRICE DECIMAL(9,2), "
                                  "STAMP TIMESTAMP)");
  const std::vector<TColParams> cols = Rules(root.path().toStdString() + "/");
  const std::string insert = BuildInsertSQL(cols, bench_grid::kSchema, kTable, "");
  const auto empty = [&] {
    if (connection.InTransaction()) connection.CommitTrans();
    bench_grid::Run(connection, std::string("DELETE FROM ") + bench_grid::kSchema + "." + kTable);
  };

  long ourGrowth = 0;
  const bench::TSide ours{"generator run", [&] {
                            empty();
                            const long before = bench::ResidentBytes();
                            TSeededRandom random(kSeed);
                            TDataGenQueryPort port(connection, cols, {}, "", random, kQuietHooks);
                            const double seconds = bench::Seconds([&] {
                              RunNormal(cols, insert, rows, kCommitInterval, random, {}, port);
                            });
                            ourGrowth = std::max(ourGrowth, bench::ResidentBytes() - before);
                            return seconds;
                          },
                          static_cast<double>(rows)};
  // The same statement with the values of one row, every time.
  TSeededRandom constant(kSeed);
  const std::vector<TDataGenValue> values = RowValues(cols, 0, constant, {});
  const bench::TSide anchor{"constant values", [&] {
                              empty();
                              TSeededRandom random(kSeed);
                              TDataGenQueryPort port(connection, cols, {}, "", random, kQuietHooks);
                              return bench::Seconds([&] {
                                port.Prepare(insert);
                                port.Commit();
                                for (int row = 1; row <= rows; ++row) {
                                  port.Execute(values);
                                  if (row % kCommitInterval == 0) port.Commit();
                                }
                                port.Commit();
                              });
                            },
                            static_cast<double>(rows)};
  char goal[32];
  std::snprintf(goal, sizeof goal, "<= %.1f", kRatioGoal);
  bench::Compare(options, "test data, " + std::to_string(rows) + " rows", ours, anchor, "row", goal);
  std::printf("    resident memory growth of a run: %.1f MB (%.1f bytes per row)\n", bench::Megabytes(ourGrowth),
              static_cast<double>(ourGrowth) / rows);
  connection.Disconnect();
  return 0;
}
