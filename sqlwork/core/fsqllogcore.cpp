#include "sqlwork/core/fsqllogcore.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <stdexcept>
#include <utility>

#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/ovsqllog.h"
#include "app/core/zarur.h"
#include "platform/folders.h"
#include "platform/textfile.h"

namespace {

constexpr char kEntryPrefix[] = "SQLLOG";
constexpr char kEntryExtension[] = ".SQL";
constexpr char kListLineJoin = ' ';

std::string EntryName(int number) { return kEntryPrefix + std::to_string(number) + kEntryExtension; }

bool SameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

bool Listed(const std::vector<std::string>& list, const std::string& name) {
  return std::any_of(list.begin(), list.end(), [&](const std::string& entry) { return SameName(entry, name); });
}

// A line of a damaged index must not lead the history out of the work
// folder: only a plain file name is read.
bool PlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

// The entry's lines, or nothing when its file cannot be read.
std::optional<std::vector<std::string>> ReadEntryFile(const std::string& name) {
  if (!PlainFileName(name)) return std::nullopt;
  try {
    return TextToList(platform::ReadTextFile(WorkFolder() + name));
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

bool InList(int index, size_t size) { return index >= 0 && static_cast<size_t>(index) < size; }

}  // namespace

void RecordSQLLog(const std::vector<std::string>& lines) {
  const int buffer = AppOption.SQLBuf;
  if (buffer <= 0) return;
  // Worked on a copy so that a failed write leaves the history as it was.
  std::vector<std::string> list = SQLLogFiles;
  if (list.size() >= static_cast<size_t>(buffer)) list.pop_back();
  std::string name;
  for (int number = 1; number <= buffer && name.empty(); ++number)
    if (!Listed(list, EntryName(number))) name = EntryName(number);
  if (name.empty()) {
    SQLLogFiles = std::move(list);
    return;
  }
  platform::CreateFolder(WorkFolder());
  platform::WriteTextFile(WorkFolder() + name, ListToText(lines));
  list.insert(list.begin(), name);
  SQLLogFiles = std::move(list);
  SaveSQLLogIndex();
}

std::vector<std::string> ReadSQLLogEntry(int index) {
  if (!InList(index, SQLLogFiles.size())) return {};
  return ReadEntryFile(SQLLogFiles[static_cast<size_t>(index)]).value_or(std::vector<std::string>{});
}

int PrevLogIndex(int logIndex, int count) { return logIndex < count - 1 ? logIndex + 1 : logIndex; }

int NextLogIndex(int logIndex, int count) {
  if (logIndex < 0) return logIndex;
  return std::max(std::min(logIndex, count - 1) - 1, -1);
}

std::string SQLLogListLine(const std::vector<std::string>& lines) {
  std::string text;
  const size_t shown = std::min(lines.size(), static_cast<size_t>(kSQLLogListLines));
  for (size_t i = 0; i < shown; ++i) {
    if (i > 0) text += kListLineJoin;
    text += lines[i];
  }
  return text;
}

std::vector<TSQLLogItem> SQLLogItems() {
  std::vector<TSQLLogItem> items;
  items.reserve(SQLLogFiles.size());
  for (size_t i = 0; i < SQLLogFiles.size(); ++i)
    items.push_back({SQLLogListLine(ReadSQLLogEntry(static_cast<int>(i))), false});
  return items;
}

TSQLLogMove MoveSQLLogEntry(std::vector<TSQLLogItem>& items, const std::vector<int>& selected,
                            TSQLLogDirection direction) {
  if (selected.size() > 1) return {true, -1};
  const size_t size = std::min(items.size(), SQLLogFiles.size());
  if (selected.empty() || !InList(selected.front(), size)) return {};
  const int from = selected.front();
  const int to = from + static_cast<int>(direction);
  if (!InList(to, size)) return {};
  std::swap(SQLLogFiles[static_cast<size_t>(from)], SQLLogFiles[static_cast<size_t>(to)]);
  std::swap(items[static_cast<size_t>(from)], items[static_cast<size_t>(to)]);
  return {false, to};
}

void RemoveSQLLogEntries(std::vector<TSQLLogItem>& items, std::vector<int> selected) {
  std::sort(selected.begin(), selected.end());
  selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
  const size_t size = std::min(items.size(), SQLLogFiles.size());
  for (auto it = selected.rbegin(); it != selected.rend(); ++it) {
    if (!InList(*it, size)) continue;
    SQLLogFiles.erase(SQLLogFiles.begin() + *it);
    items.erase(items.begin() + *it);
  }
}

bool SearchSQLLog(std::vector<TSQLLogItem>& items, const std::string& text) {
  if (Trim(text).empty()) return false;
  const std::string wanted = UpperCase(text);
  const size_t size = std::min(items.size(), SQLLogFiles.size());
  for (size_t i = 0; i < size; ++i) {
    const std::optional<std::vector<std::string>> lines = ReadEntryFile(SQLLogFiles[i]);
    if (lines) items[i].Marked = UpperCase(ListToText(*lines)).find(wanted) != std::string::npos;
  }
  return true;
}
