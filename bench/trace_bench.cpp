// trace_bench: the SQL capture's reading of a trace folder.
//
//   trace_bench [MEGABYTES] [--scale N]        (default 200)
//
// Writes a folder of client SQL trace files of MEGABYTES megabytes (records
// of about 200 bytes, 10,000 distinct statements, split into files of 10 MB),
// then reads it with the capture's reader, identical statements folded, and
// prints the time and its ratio to the anchor: grep -c "SQL TRACE END" over
// the same files, the least any reader of the records has to do. The peak
// resident memory of the reading is printed too: it grows with the distinct
// statements, not with the records.
#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/bench_harness.h"
#include "tools/core/fsqlcatchcore.h"

namespace {

constexpr size_t kDefaultMegabytes = 200;
constexpr size_t kDistinctStatements = 10000;
constexpr size_t kFileBytes = 10u << 20;
constexpr char kGoal[] = "<= 4";

std::string Record(size_t n) {
  const size_t statement = n % kDistinctStatements;
  char time[16];
  std::snprintf(time, sizeof time, "%02zu(%03zu)", n % 60, n % 1000);
  std::string record = "SQL statement :\r\nSELECT ORDER_NO, CUSTOMER_NO, ORDER_DATE, AMOUNT, STATUS\r\n"
                       "  FROM SALES.ORDERS WHERE CUSTOMER_NO = ";
  record += std::to_string(statement);
  record += " AND STATUS IN ('OPEN', 'HELD')\r\nTotal Time   : 00:00:";
  record += time;
  record += "\r\n";
  if (n % 2 == 0) record += "    index dso name ORDERS_CUSTOMER\r\n";
  record += "SQL TRACE END\r\n";
  return record;
}

// The folder's files; the records written.
size_t WriteFolder(const QString& folder, size_t bytes) {
  size_t written = 0, records = 0;
  for (int file = 0; written < bytes; ++file) {
    std::ofstream out(QDir(folder).filePath(QString("pdsql_%1.trc").arg(file)).toStdString(), std::ios::binary);
    for (size_t inFile = 0; inFile < kFileBytes && written < bytes; ++records) {
      const std::string record = Record(records);
      out << record;
      inFile += record.size();
      written += record.size();
    }
  }
  return records;
}

}  // namespace

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  const size_t megabytes =
      (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : kDefaultMegabytes) * static_cast<size_t>(options.Scale);
  if (megabytes == 0) {
    std::fprintf(stderr, "trace_bench: MEGABYTES must be a positive number\n");
    return 2;
  }
  QTemporaryDir dir;
  const size_t records = WriteFolder(dir.path(), megabytes << 20);
  const std::string folder = dir.path().toStdString();
  QStringList files = QDir(dir.path()).entryList({"*.trc"}, QDir::Files);
  for (QString& file : files) file = QDir(dir.path()).filePath(file);
  std::printf("%zu MB of trace, %zu records, %zu distinct statements\n", megabytes, records, kDistinctStatements);

  TTraceList list;
  long count = 0;
  long peak = 0;
  const auto read = [&] {
    bench::ResetPeakResident();
    const double seconds =
        bench::Seconds([&] { ReadTraceFolder(folder, QDateTime::fromSecsSinceEpoch(0), true, list, nullptr); });
    peak = std::max(peak, bench::PeakResidentBytes());
    return seconds;
  };
  const auto grep = [&] {
    return bench::Seconds([&] {
      QProcess process;
      process.start("grep", QStringList{"-c", "SQL TRACE END"} + files);
      process.waitForFinished(-1);
      count = 0;
      for (const QByteArray& line : process.readAllStandardOutput().split('\n'))
        if (const qsizetype colon = line.lastIndexOf(':'); colon >= 0) count += line.mid(colon + 1).toLong();
    });
  };
  const auto units = static_cast<double>(megabytes);
  bench::Compare(options, "read and fold", {"capture reader", read, units}, {"grep -c", grep, units}, "MB", kGoal);
  std::printf("    %d statements folded, %ld records counted by grep, peak resident %.1f MB\n", list.Count(), count,
              bench::Megabytes(static_cast<double>(peak)));
  return 0;
}
