// format_bench: the SQL formatter on a large SQL text beside the anchor,
// python3-sqlparse (the distribution's package) reindenting the same file
// in the same run.
//
//   format_bench [BYTES]        (default 10485760)
//
// Prints both times, their ratio and the output sizes; fails when our
// output has fewer line breaks than the text has statements.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/core/ovformat.h"
#include "app/core/ovoptions.h"
#include "bench/sql_corpus.h"

namespace {

constexpr size_t kDefaultBytes = 10u << 20;
constexpr int kRuns = 3;  // our time is the best of this many runs
constexpr int kDefaultIndent = 4;
constexpr double kGoal = 50;  // we should be at least this many times faster
// The anchor times its own call, so interpreter start-up is left out.
constexpr const char* kAnchor =
    "/usr/bin/python3 -c \"import sys, time, sqlparse\n"
    "text = open(sys.argv[1], encoding='utf-8').read()\n"
    "start = time.perf_counter()\n"
    "out = sqlparse.format(text, reindent=True, keyword_case='upper')\n"
    "print(time.perf_counter() - start, len(out.encode('utf-8')))\" ";

}  // namespace

int main(int argc, char** argv) {
  const size_t bytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : kDefaultBytes;
  size_t statements = 0;
  const std::string text = sql_corpus::Text(bytes, statements);
  FormatOption = TFormatOption{.Indent = kDefaultIndent};

  double ours = 0;
  std::string formatted;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = std::chrono::steady_clock::now();
    formatted = FormatSQL(text);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    ours = run == 0 ? took.count() : std::min(ours, took.count());
  }
  const auto lineBreaks = static_cast<size_t>(std::count(formatted.begin(), formatted.end(), '\n'));

  const std::filesystem::path file = std::filesystem::temp_directory_path() / "format_bench.sql";
  std::ofstream(file, std::ios::binary) << text;
  double anchor = 0;
  size_t anchorBytes = 0;
  FILE* pipe = popen((std::string(kAnchor) + file.string()).c_str(), "r");
  const bool anchorRan = pipe && std::fscanf(pipe, "%lf %zu", &anchor, &anchorBytes) == 2;
  if (pipe) pclose(pipe);
  std::filesystem::remove(file);

  std::printf("format_bench: %zu bytes, %zu statements\n", text.size(), statements);
  std::printf("  FormatSQL   %8.3f s  output %zu bytes, %zu line breaks\n", ours, formatted.size(), lineBreaks);
  if (anchorRan) {
    std::printf("  sqlparse    %8.3f s  output %zu bytes\n", anchor, anchorBytes);
    std::printf("  ratio       %8.1f x  (goal %.0f x)\n", anchor / ours, kGoal);
  } else {
    std::printf("  sqlparse    not run (python3-sqlparse missing?)\n");
  }
  if (lineBreaks < statements) {
    std::printf("FAIL: %zu line breaks for %zu statements\n", lineBreaks, statements);
    return EXIT_FAILURE;
  }
  return anchorRan ? EXIT_SUCCESS : EXIT_FAILURE;
}
