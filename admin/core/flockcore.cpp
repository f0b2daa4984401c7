#include "admin/core/flockcore.h"

#include <algorithm>

#include "app/core/zarur.h"

namespace {

enum TLockWord { wState, wUser, wPid, wSid, wType, wModule, wUnit, wPurpose, kLockWords };
// A DSI line: "DSI-name : <DSI>".
constexpr int kDsiNameWord = 2;

bool Is(const TAryStr& w, const char* first, const char* second) { return w[0] == first && w[1] == second; }

}  // namespace

std::vector<TLockRow> ParseLocks(const std::vector<std::string>& lines) {
  std::vector<TLockRow> rows;
  std::string dsi;
  for (TAryStr w : SplitListToArray(lines, ' ')) {
    const bool empty = std::all_of(w.begin(), w.end(), [](const std::string& word) { return word.empty(); });
    if (empty) continue;
    w.resize(kLockWords);
    if (Is(w, "RDBII", "rdblkinf") || Is(w, "Status", "Uid")) continue;
    if (w[0] == "DSI-name") {
      dsi = w[kDsiNameWord];
      continue;
    }
    rows.push_back({dsi, w[wPid], w[wSid], w[wState], w[wUser], w[wType], w[wModule], w[wUnit], w[wPurpose]});
  }
  return rows;
}
