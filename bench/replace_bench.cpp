// replace_bench: the edit menu's replace-all in a shown SQL editor over a
// generated script, one hit in about every 160 bytes (a 20 MB script holds
// about 125,000), at 2 and 20 MB. Prints the wall-clock time of each and
// the goal: 20 MB within 2 seconds, undone in one step.
//
//   replace_bench
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <string>

#include "app/core/fmaineditcore.h"
#include "editor/ovmemo.h"
#include "platform/dialogs.h"

namespace {

constexpr size_t kMegabyte = 1024 * 1024;
constexpr int kSizes[] = {2, 20};
constexpr double kGoalSeconds = 2.0;
constexpr double kMillisPerSecond = 1000.0;
// One statement of about 160 bytes with one hit.
constexpr const char* kStatement =
    "select customer_id, order_date, amount, status, note from orders where region = 'north' and amount > 100 "
    "and status in ('open', 'held') order by order_date;\r\n";

std::string Script(size_t bytes) {
  std::string text;
  text.reserve(bytes + kMegabyte);
  while (text.size() < bytes) text += kStatement;
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  platform::ScopedScriptedDialogs dialogs;
  for (const int megabytes : kSizes) {
    const std::string text = Script(static_cast<size_t>(megabytes) * kMegabyte);
    TovMemo memo(nullptr);
    memo.Lines().SetTextStr(text);
    memo.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    const int count = ReplaceAllInEditor(memo, "from", "FROM", true);
    const double seconds = static_cast<double>(timer.elapsed()) / kMillisPerSecond;
    memo.Undo(false);
    const bool undone = memo.Lines().GetTextStr() == text;
    std::printf("%2d MB: %7d replacements in %6.2f s, %s in one undo step%s\n", megabytes, count, seconds,
                undone ? "restored" : "NOT restored",
                megabytes == kSizes[1] ? (seconds <= kGoalSeconds ? " (goal 2 s: met)" : " (goal 2 s: missed)") : "");
  }
  return 0;
}
