#include "tools/core/fsqlcatchcore.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "app/core/ovabort.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/core/zarursql.h"
#include "platform/dialogs.h"
#include "platform/qstr.h"
#include "platform/textfile.h"

namespace {

constexpr char kTotalTimeLead[] = "Total Time   : ";
constexpr char kTimeErrorFormat[] = "'%s' は正しい時刻ではありません";
// "hh:nn:ss" before the milliseconds the trace writes in parentheses.
constexpr size_t kMillisDotPosition = 8;
constexpr int64_t kMillisPerSecond = 1000;
constexpr int64_t kSecondsPerMinute = 60;
constexpr int64_t kMinutesPerHour = 60;
constexpr int64_t kHoursPerDay = 24;
constexpr int kMaxMillisDigits = 3;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTextAt(std::string_view text, size_t at, std::string_view what) {
  if (at + what.size() > text.size()) return false;
  for (size_t i = 0; i < what.size(); ++i)
    if (Lower(text[at + i]) != Lower(what[i])) return false;
  return true;
}

size_t FindText(std::string_view text, std::string_view what) {
  for (size_t at = 0; at + what.size() <= text.size(); ++at)
    if (SameTextAt(text, at, what)) return at;
  return std::string_view::npos;
}

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimView(std::string_view text) {
  size_t from = 0, to = text.size();
  while (from < to && IsTrimmed(text[from])) ++from;
  while (to > from && IsTrimmed(text[to - 1])) --to;
  return text.substr(from, to - from);
}

bool Contains(std::string_view line, std::string_view what) { return line.find(what) != std::string_view::npos; }

std::string NameOf(const std::string& line) { return line.substr(0, line.find('=')); }

// Reads "h:m:s" with an optional ".zzz" (up to three digits); every part
// digits only.
std::optional<int64_t> ReadTimeOfDay(std::string_view text) {
  const std::array<int64_t, 3> limits = {kHoursPerDay, kMinutesPerHour, kSecondsPerMinute};
  int64_t seconds = 0;
  size_t at = 0;
  for (size_t part = 0; part < limits.size(); ++part) {
    if (part > 0) {
      if (at >= text.size() || text[at] != ':') return std::nullopt;
      ++at;
    }
    const size_t start = at;
    int64_t value = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && at - start < 2)
      value = value * 10 + (text[at++] - '0');
    if (at == start || value >= limits[part]) return std::nullopt;
    seconds = seconds * (part == 0 ? 1 : limits[part]) + value;
  }
  int64_t millis = 0;
  if (at < text.size() && text[at] == '.') {
    const size_t start = ++at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    const size_t digits = at - start;
    // A time without milliseconds leaves the dot put before them alone.
    if (digits > static_cast<size_t>(kMaxMillisDigits)) return std::nullopt;
    for (size_t i = 0; i < static_cast<size_t>(kMaxMillisDigits); ++i)
      millis = millis * 10 + (i < digits ? text[start + i] - '0' : 0);
  }
  if (at != text.size()) return std::nullopt;
  return seconds * kMillisPerSecond + millis;
}

}  // namespace

// ---- trace folder per data source ----

std::string TraceFolderOf(const std::vector<std::string>& list, const std::string& dataSource) {
  const std::string wanted = UpperCase(dataSource);
  for (const std::string& line : list)
    if (line.find('=') != std::string::npos && UpperCase(NameOf(line)) == wanted)
      return line.substr(line.find('=') + 1);
  return {};
}

void SetTraceFolder(std::vector<std::string>& list, const std::string& dataSource, const std::string& folder) {
  const std::string wanted = UpperCase(dataSource);
  const auto it = std::find_if(list.begin(), list.end(), [&](const std::string& line) {
    return line.find('=') != std::string::npos && UpperCase(NameOf(line)) == wanted;
  });
  if (folder.empty()) {
    if (it != list.end()) list.erase(it);
  } else if (it != list.end()) {
    *it = NameOf(*it) + "=" + folder;
  } else {
    list.push_back(dataSource + "=" + folder);
  }
}

namespace {

std::optional<std::string> AskTraceFolder(const std::string& start) {
  return platform::Dialogs().ShowFile({platform::FileDialogKind::Folder, kTraceFolderCaption, start, "", ""});
}

std::string WithoutSlash(std::string folder) {
  if (!folder.empty() && folder.back() == '/') folder.pop_back();
  return folder;
}

}  // namespace

std::optional<std::string> ResolveTraceFolder(const std::string& dataSource) {
  std::string folder = TraceFolderOf(TrcOption.Path, dataSource);
  if (!QFileInfo(Q(folder)).isDir()) {
    const std::optional<std::string> chosen = AskTraceFolder("");
    if (!chosen) return std::nullopt;
    folder = WithoutSlash(*chosen);
    SetTraceFolder(TrcOption.Path, dataSource, folder);
  }
  return WithoutSlash(folder);
}

bool SelectTraceFolder(const std::string& dataSource) {
  const std::string stored = TraceFolderOf(TrcOption.Path, dataSource);
  const std::optional<std::string> chosen = AskTraceFolder(QFileInfo(Q(stored)).isDir() ? stored : "");
  if (!chosen) return false;
  SetTraceFolder(TrcOption.Path, dataSource, WithoutSlash(*chosen) + "/");
  return true;
}

void AbortOnEscape() {
  if (!IsEscapePressed()) return;
  MsgBox(kProcessAborted, MB_ICONWARNING);
  throw EAbort();
}

std::vector<TTraceEntry> TraceEntries(const std::string& folder) {
  const QDir dir(Q(folder));
  const QFileInfoList infos =
      dir.entryInfoList({kTraceFilePattern}, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                        QDir::NoSort);
  std::vector<TTraceEntry> entries;
  for (const QFileInfo& info : infos)
    entries.push_back({info.filePath().toStdString(), info.isDir(), info.lastModified()});
  return entries;
}

namespace {

// The steps of the record parse over any list of lines (the files are read
// as views into their text, callers may hold strings).
template <class Lines>
size_t StatementStartIn(const Lines& lines, size_t from) {
  for (size_t i = from; i < lines.size(); ++i)
    if (TrimView(lines[i]).starts_with(kStatementMarker)) return i;
  return lines.size();
}

template <class Lines>
size_t StatementIn(const Lines& lines, size_t from, std::string& text) {
  text.clear();
  size_t i = from;
  for (; i < lines.size() && !Contains(lines[i], kTotalTimeMarker); ++i) text += lines[i];
  return i;
}

template <class Lines>
void ParseRecords(const Lines& lines, const TTraceRecordSink& sink) {
  std::string text;
  size_t i = 0;
  while (true) {
    i = StatementStartIn(lines, i);
    if (i >= lines.size()) return;
    i = StatementIn(lines, i + 1, text);
    int64_t millis = kOpenRecordMillis;
    bool closed = false;
    for (; i < lines.size() && !closed; ++i) {
      if (Contains(lines[i], kTotalTimeMarker)) millis = TraceLineMillis(lines[i]);
      // A record whose time was never read goes on to the next end marker.
      if (Contains(lines[i], kTraceEndMarker) && millis < kOpenRecordMillis) closed = true;
    }
    if (!closed) return;
    sink(text, millis);
  }
}

// The lines of a text as views into it (LF or CR LF ends a line).
std::vector<std::string_view> LineViews(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string_view::npos) end = text.size();
    size_t cut = end;
    if (cut > from && text[cut - 1] == '\r') --cut;
    lines.push_back(text.substr(from, cut - from));
    from = end + 1;
  }
  return lines;
}

std::optional<std::string> ReadTraceText(const std::string& path) {
  try {
    return platform::ReadTextFile(path);
  } catch (const std::runtime_error&) {
    return std::nullopt;  // an unreadable file is passed over
  }
}

}  // namespace

std::optional<std::vector<std::string>> LoadTraceLines(const std::string& path) {
  const std::optional<std::string> text = ReadTraceText(path);
  if (!text) return std::nullopt;
  std::vector<std::string> lines;
  for (std::string_view line : LineViews(*text)) lines.emplace_back(line);
  return lines;
}

// ---- records ----

int64_t TraceLineMillis(std::string_view line) {
  std::string text(line);
  if (const size_t at = FindText(text, kTotalTimeLead); at != std::string::npos)
    text.erase(at, std::char_traits<char>::length(kTotalTimeLead));
  if (const size_t at = text.find('('); at != std::string::npos) text.erase(at, 1);
  if (const size_t at = text.find(')'); at != std::string::npos) text.erase(at, 1);
  // Built piecewise: an insert in place trips a false overlap warning.
  const size_t dot = std::min(kMillisDotPosition, text.size());
  text = text.substr(0, dot).append(".").append(text, dot, std::string::npos);
  const std::optional<int64_t> millis = ReadTimeOfDay(TrimView(text));
  if (!millis) throw ETraceTimeError(Format(kTimeErrorFormat, {text}));
  return *millis;
}

std::string TraceTimeText(double days) {
  const auto millis = static_cast<int64_t>(std::llround(days * static_cast<double>(kMillisPerDay)));
  const int64_t seconds = millis / kMillisPerSecond;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld",
                static_cast<long long>(seconds / (kSecondsPerMinute * kMinutesPerHour)),
                static_cast<long long>(seconds / kSecondsPerMinute % kMinutesPerHour),
                static_cast<long long>(seconds % kSecondsPerMinute), static_cast<long long>(millis % kMillisPerSecond));
  return text;
}


size_t FindStatementStart(const std::vector<std::string>& lines, size_t from) {
  return StatementStartIn(lines, from);
}

size_t CollectStatement(const std::vector<std::string>& lines, size_t from, std::string& text) {
  return StatementIn(lines, from, text);
}

void ParseTraceRecords(const std::vector<std::string>& lines, const TTraceRecordSink& sink) {
  ParseRecords(lines, sink);
}

// ---- TTraceList ----

const TTraceItem& TTraceList::At(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return items_[static_cast<size_t>(index)];
}

TTraceItem& TTraceList::At(int index) { return const_cast<TTraceItem&>(static_cast<const TTraceList&>(*this).At(index)); }

void TTraceList::MakeRoom() {
  if (Count() < capacity_) return;
  capacity_ = GrowListCapacity(capacity_);
  items_.reserve(static_cast<size_t>(capacity_));
}

int TTraceList::Add(const std::string& text) {
  MakeRoom();
  items_.push_back({text, 0, 0});
  if (!indexStale_) index_.try_emplace(text, Count() - 1);
  return Count() - 1;
}

void TTraceList::Insert(int index, const std::string& text) {
  if (index < 0 || index > Count()) throw EListError(index);
  MakeRoom();
  items_.insert(items_.begin() + index, TTraceItem{text, 0, 0});
  indexStale_ = true;
}

int TTraceList::IndexOf(const std::string& text) const {
  if (indexStale_) {
    index_.clear();
    for (int i = 0; i < Count(); ++i) index_.try_emplace(items_[static_cast<size_t>(i)].SQL, i);
    indexStale_ = false;
  }
  const auto it = index_.find(text);
  return it == index_.end() ? -1 : it->second;
}

void TTraceList::Clear() {
  items_ = {};
  capacity_ = 0;
  index_.clear();
  indexStale_ = false;
}

const std::string& TTraceList::GetSQL(int index) const { return At(index).SQL; }
void TTraceList::SetSQL(int index, const std::string& text) {
  At(index).SQL = text;
  indexStale_ = true;
}
int64_t TTraceList::GetExecCount(int index) const { return At(index).ExecCount; }
void TTraceList::SetExecCount(int index, int64_t count) { At(index).ExecCount = count; }
double TTraceList::GetTotalTime(int index) const { return At(index).TotalTime; }
void TTraceList::SetTotalTime(int index, double time) { At(index).TotalTime = time; }

// ---- reading a folder ----

bool ReadTraceFolder(const std::string& folder, const QDateTime& threshold, bool summary, TTraceList& list,
                     const std::function<void()>& step) {
  list.Clear();
  const std::vector<TTraceEntry> entries = TraceEntries(folder);
  if (entries.empty()) return false;
  const auto sink = [&](const std::string& sql, int64_t millis) {
    const double days = static_cast<double>(millis) / static_cast<double>(kMillisPerDay);
    const int found = summary ? list.IndexOf(sql) : -1;
    if (found >= 0) {
      list.SetExecCount(found, list.GetExecCount(found) + 1);
      list.SetTotalTime(found, list.GetTotalTime(found) + days);
      return;
    }
    const int added = list.Add(sql);
    list.SetExecCount(added, 1);
    list.SetTotalTime(added, days);
  };
  for (const TTraceEntry& entry : entries) {
    if (step) step();
    if (entry.IsDirectory || entry.LastWrite < threshold) continue;
    // One file's text at a time, its lines read in place.
    if (const std::optional<std::string> text = ReadTraceText(entry.Path)) ParseRecords(LineViews(*text), sink);
  }
  return true;
}

std::vector<std::string> TraceRow(const TTraceList& list, int index) {
  const int64_t count = list.GetExecCount(index);
  const double total = list.GetTotalTime(index);
  const double time = count > 1 ? total / static_cast<double>(count) : total;
  return {std::to_string(count), TraceTimeText(time), list.GetSQL(index)};
}
