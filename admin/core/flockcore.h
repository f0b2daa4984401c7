// flockcore: the lock monitor without its widgets: the rows of the
// lock-information report, grouped under the DSI each lock is on.
#pragma once

#include <string>
#include <vector>

struct TLockRow {
  std::string Dsi;
  std::string ProcessId;
  std::string SessionId;
  std::string State;
  std::string User;
  std::string ClientType;
  std::string Module;
  std::string Unit;
  std::string Purpose;

  friend bool operator==(const TLockRow&, const TLockRow&) = default;
};

inline constexpr const char* kLockCommand = "rdblkinf -l -e";

// The rows of "rdblkinf -l -e": empty lines and the two headings skipped,
// a "DSI-name" line naming the DSI of the lines after it; every other line
// is a lock.
std::vector<TLockRow> ParseLocks(const std::vector<std::string>& lines);
