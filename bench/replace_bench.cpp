// replace_bench: the edit menu's replace-all in a shown SQL editor over a
// generated script, one hit in about every 160 bytes (a 20 MB script holds
// about 125,000), beside the anchor: the same replacements in a plain
// string, the least a replace-all has to do. Goal: 20 MB within 2 seconds,
// undone in one step.
//
//   replace_bench [MEGABYTES] [--scale N]      (default 20)
#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/core/fmaineditcore.h"
#include "bench/bench_harness.h"
#include "editor/ovmemo.h"
#include "platform/dialogs.h"

namespace {

constexpr size_t kMegabyte = 1024 * 1024;
constexpr int kDefaultMegabytes = 20;
// One statement of about 160 bytes with one hit.
constexpr const char* kStatement =
    "select customer_id, order_date, amount, status, note from orders where region = 'north' and amount > 100 "
    "and status in ('open', 'held') order by order_date;\r\n";

constexpr char kFind[] = "from";
constexpr char kReplacement[] = "FROM";

std::string Script(size_t bytes) {
  std::string text;
  text.reserve(bytes + kMegabyte);
  while (text.size() < bytes) text += kStatement;
  return text;
}

// The anchor: every hit replaced in `text`.
size_t ReplaceInString(std::string& text) {
  const std::string_view find = kFind;
  size_t count = 0;
  for (size_t at = text.find(find); at != std::string::npos; at = text.find(find, at + find.size()), ++count)
    text.replace(at, find.size(), kReplacement);
  return count;
}

}  // namespace

int main(int argc, char** argv) {
  const bench::TOptions options = bench::ParseOptions(argc, argv);
  QApplication app(argc, argv);
  platform::ScopedScriptedDialogs dialogs;
  const int megabytes = (argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultMegabytes) * options.Scale;
  const std::string text = Script(static_cast<size_t>(megabytes) * kMegabyte);
  TovMemo memo(nullptr);
  memo.Lines().SetTextStr(text);
  memo.show();
  QApplication::processEvents();
  std::printf("replace-all in %d MB\n", megabytes);
  int count = 0;
  bool undone = true;
  size_t anchorCount = 0;
  std::string copy;
  bench::Compare(
      options, "replace-all",
      {"editor",
       [&] {
         const double seconds = bench::Seconds([&] { count = ReplaceAllInEditor(memo, kFind, kReplacement, true); });
         memo.Undo(false);
         undone = undone && memo.Lines().GetTextStr() == text;
         return seconds;
       },
       static_cast<double>(megabytes)},
      {"plain string",
       [&] {
         copy = text;  // outside the time: the copy's memory is reused from the second run on
         return bench::Seconds([&] { anchorCount = ReplaceInString(copy); });
       },
       static_cast<double>(megabytes)},
      "MB");
  std::printf("    %d replacements (the string: %zu), %s in one undo step; goal at 20 MB: 2 s\n", count, anchorCount,
              undone ? "restored" : "NOT restored");
  return undone ? 0 : 1;
}
