// format_bench: the SQL formatter on a large SQL text beside the anchor,
// python3-sqlparse (the distribution's package) reindenting the same file.
//
//   format_bench [BYTES] [--scale N]        (default 10485760)
//
// At a scale above one the anchor still formats the normal text (sqlparse
// at ten times the size takes minutes and gigabytes), so the ratio is of
// the costs per byte. Prints the times, their ratio and the output sizes;
// fails when our output has fewer line breaks than the text has statements.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/core/ovformat.h"
#include "app/core/ovoptions.h"
#include "bench/bench_harness.h"
#include "bench/sql_corpus.h"

namespace {

constexpr size_t kDefaultBytes = 10u << 20;
constexpr int kDefaultIndent = 4;
// The anchor times its own call, so interpreter start-up is left out.
constexpr const char* kAnchor =
    "/usr/bin/python3 -c \"import sys, time, sqlparse\n"
    "text = open(sys.argv[1], encoding='utf-8').read()\n"
    "start = time.perf_counter()\n"
    "out = sqlparse.format(text, reindent=True, keyword_case='upper')\n"
    "print(time.perf_counter() - start, len(out.encode('utf-8')))\" ";

// One run of the anchor on `file`: its own time, or a negative value.
double RunAnchor(const std::filesystem::path& file, size_t& outputBytes) {
  double seconds = -1;
  FILE* pipe = popen((std::string(kAnchor) + file.string()).c_str(), "r");
  if (pipe == nullptr || std::fscanf(pipe, "%lf %zu", &seconds, &outputBytes) != 2) seconds = -1;
  if (pipe != nullptr) pclose(pipe);
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  const size_t bytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : kDefaultBytes;
  size_t statements = 0;
  const std::string text = sql_corpus::Text(bytes * static_cast<size_t>(options.Scale), statements);
  size_t anchorStatements = 0;
  const std::string anchorText = sql_corpus::Text(bytes, anchorStatements);
  FormatOption = TFormatOption{.Indent = kDefaultIndent};

  const std::filesystem::path file = std::filesystem::temp_directory_path() / "format_bench.sql";
  std::ofstream(file, std::ios::binary) << anchorText;
  size_t anchorBytes = 0;
  if (std::system("/usr/bin/python3 -c 'import sqlparse' 2> /dev/null") != 0) {
    std::printf("format_bench: sqlparse not run (python3-sqlparse missing?)\n");
    std::filesystem::remove(file);
    return EXIT_FAILURE;
  }
  std::printf("format_bench: %zu bytes, %zu statements; sqlparse on %zu bytes\n", text.size(), statements,
              anchorText.size());
  std::string formatted;
  bench::Compare(
      options, "format",
      {"FormatSQL", [&] { return bench::Seconds([&] { formatted = FormatSQL(text); }); },
       bench::Megabytes(static_cast<double>(text.size()))},
      {"sqlparse",
       [&] {
         const double seconds = RunAnchor(file, anchorBytes);
         if (seconds < 0) {
           std::fprintf(stderr, "format_bench: sqlparse failed\n");
           std::exit(EXIT_FAILURE);
         }
         return seconds;
       }, bench::Megabytes(static_cast<double>(anchorText.size()))},
      "MB", "<= 0.0033 (300x faster)");
  std::filesystem::remove(file);
  const auto lineBreaks = static_cast<size_t>(std::count(formatted.begin(), formatted.end(), '\n'));
  std::printf("    output %zu bytes, %zu line breaks; sqlparse's %zu bytes\n", formatted.size(), lineBreaks,
              anchorBytes);
  if (lineBreaks < statements) {
    std::printf("FAIL: %zu line breaks for %zu statements\n", lineBreaks, statements);
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}
