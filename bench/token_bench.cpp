// token_bench: the clause reader's tokenizer on a large SQL text.
//
//   token_bench [BYTES] [--scale N]        (default 1048576)
//
// Builds a text of BYTES bytes from a mix of statements (words, numbers,
// quoted texts, delimiters, wide characters), cuts it token by token with
// ExtractToken and prints the time and its ratio to the anchor: one plain
// pass over the same bytes that classifies each and counts the class
// changes, the least any tokenizer has to do.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/core/ovtoken.h"
#include "bench/bench_harness.h"

namespace {

constexpr size_t kDefaultBytes = 1u << 20;

constexpr std::string_view kStatements[] = {
    "SELECT EMP_NO, NAME, SALARY * 1.05 FROM \"Sales\".EMPLOYEE WHERE DEPT = 'A-01' AND NAME <> '山田'\r\n",
    "UPDATE T SET C1 = C1 + 12, C2 = 'it\\'s' WHERE (K1 = :K1 OR K2 IN (1, 2, 3)) -- note\r\n",
    "\tINSERT INTO 表名 (列1, 列2) VALUES ('値', 42);\r\n",
};

std::string Text(size_t bytes) {
  std::string text;
  text.reserve(bytes);
  for (size_t i = 0; text.size() < bytes; ++i) text += kStatements[i % std::size(kStatements)];
  text.resize(bytes);
  return text;
}

size_t CountTokens(const std::string& text) {
  std::string_view rest = text;
  std::string token;
  size_t count = 0;
  while (ExtractToken(rest, token) != tkNone) ++count;
  return count;
}

// Class changes of a plain byte scan: blank, delimiter, quote, other.
size_t CountClassChanges(const std::string& text) {
  constexpr std::string_view kDelimiters = ".:;,+-<>/*%^=()[]|&~@#$\\`{}!?\n\r";
  enum Class { kBlank, kDelimiter, kQuote, kOther };
  size_t changes = 0;
  int last = kBlank;
  for (char c : text) {
    const int cls = (c == ' ' || c == '\t')                    ? kBlank
                    : kDelimiters.find(c) != std::string_view::npos ? kDelimiter
                    : (c == '\'' || c == '"')                  ? kQuote
                                                               : kOther;
    changes += cls != last;
    last = cls;
  }
  return changes;
}

}  // namespace

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  const size_t bytes =
      (argc > 1 ? std::strtoull(argv[1], nullptr, 10) : kDefaultBytes) * static_cast<size_t>(options.Scale);
  if (bytes == 0) {
    std::fprintf(stderr, "token_bench: BYTES must be a positive number\n");
    return 2;
  }
  const std::string text = Text(bytes);
  size_t tokens = 0, changes = 0;
  const auto units = static_cast<double>(bytes) / bench::kMegabyte;
  std::printf("%zu bytes of SQL\n", bytes);
  bench::Compare(options, "tokenize",
                 {"ExtractToken", [&] { return bench::Seconds([&] { tokens = CountTokens(text); }); }, units},
                 {"plain scan", [&] { return bench::Seconds([&] { changes = CountClassChanges(text); }); }, units},
                 "MB");
  std::printf("    %zu tokens, %zu class changes\n", tokens, changes);
  return 0;
}
