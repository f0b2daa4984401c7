// admincore: what the monitors' readers share: the catalogue levels that
// have the server's information views (connections, system parameters,
// temporary logs; below them the tools' reports and the server's files are
// read), and the whole numbers of reports and files.
#pragma once

#include <QString>

#include <optional>
#include <string>

inline constexpr int kLastLevelWithoutViews = 9;
inline constexpr bool HasInformationViews(int level) { return level > kLastLevelWithoutViews; }

// A text that is a whole number and nothing else, or none.
inline std::optional<long long> WholeNumber(const std::string& text) {
  bool ok = false;
  const long long value = QString::fromStdString(text).toLongLong(&ok);
  if (!ok) return std::nullopt;
  return value;
}
