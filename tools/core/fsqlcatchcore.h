// fsqlcatchcore: the client SQL trace as the capture, the table-access
// matrix and the index adviser read it: the trace folder kept per data
// source, the trace files of a folder, the record markers and the record
// reader, and TTraceList, the captured statements with their counts and
// times.
#pragma once

#include <QDateTime>

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// ---- trace folder per data source ----

inline constexpr char kTraceFolderCaption[] = "トレースファイル格納フォルダの選択";
inline constexpr char kTraceFilePattern[] = "*.trc";
inline constexpr char kNoTraceFiles[] =
    "Symfowareのトレースファイルが見つかりません。\r\nトレースファイル設定の確認の上、\r\n"
    "トレースファイル格納フォルダを設定してください。";
inline constexpr char kProcessAborted[] = "処理を中断します。";

// The folder stored for a data source in a list of "NAME=folder" lines
// (names compared without regard to case); empty when there is none.
std::string TraceFolderOf(const std::vector<std::string>& list, const std::string& dataSource);
// Stores the folder for the data source, replacing its line; an empty
// folder removes the line.
void SetTraceFolder(std::vector<std::string>& list, const std::string& dataSource, const std::string& folder);

// The trace folder of the data source from the settings (TrcOption.Path),
// without a trailing "/". When the stored folder is no directory, the
// folder dialog asks for one and the choice is stored; nothing when it was
// cancelled (the caller ends silently).
std::optional<std::string> ResolveTraceFolder(const std::string& dataSource);
// The folder dialog of the "trace folder" command: starts at the stored
// folder when it exists; the choice is stored with a trailing "/". False
// when cancelled.
bool SelectTraceFolder(const std::string& dataSource);

// Polled by long loops: when Esc is waiting, the warning "処理を中断します。"
// and EAbort.
void AbortOnEscape();

// One entry of a folder whose name matches "*.trc" in any case.
struct TTraceEntry {
  std::string Path;
  bool IsDirectory = false;
  QDateTime LastWrite;  // local time
};
// The entries of the folder (directories included), in the order the file
// system gives them.
std::vector<TTraceEntry> TraceEntries(const std::string& folder);
// The file as lines (LF or CR LF ends a line); nothing when it cannot be
// read.
std::optional<std::vector<std::string>> LoadTraceLines(const std::string& path);

// ---- records ----

inline constexpr char kStatementMarker[] = "SQL statement :";
inline constexpr char kTotalTimeMarker[] = "Total Time";
inline constexpr char kTraceEndMarker[] = "SQL TRACE END";
inline constexpr char kIndexMarker[] = "index dso name";

// A time of day in milliseconds, and the one a record holds before its
// "Total Time" line is read (23:59:59.999): a record still at it is not
// closed by "SQL TRACE END".
inline constexpr int64_t kMillisPerDay = 86400000;
inline constexpr int64_t kOpenRecordMillis = kMillisPerDay - 1;

// A "Total Time" text that does not read as a time of day.
class ETraceTimeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The time of a "Total Time   : hh:nn:ss(zzz)" line in milliseconds; throws
// ETraceTimeError for any other text.
int64_t TraceLineMillis(std::string_view line);
// "h:nn:ss.zzz" of a time in days (hours without a leading zero).
std::string TraceTimeText(double days);

// From line `from`, the index of the first line whose trimmed text begins
// with "SQL statement :"; the count of lines when there is none.
size_t FindStatementStart(const std::vector<std::string>& lines, size_t from);
// The statement lines from `from` joined without separator into `text`,
// up to the first line containing "Total Time"; returns that line's index,
// or the count of lines when the file ends first.
size_t CollectStatement(const std::vector<std::string>& lines, size_t from, std::string& text);

// Every finished record of one file in order: its statement text and its
// time in milliseconds. Throws ETraceTimeError for an unreadable time.
using TTraceRecordSink = std::function<void(const std::string& sql, int64_t millis)>;
void ParseTraceRecords(const std::vector<std::string>& lines, const TTraceRecordSink& sink);

// ---- the captured statements ----

struct TTraceItem {
  std::string SQL;
  int64_t ExecCount = 0;
  double TotalTime = 0;  // days
};

// The list of captured statements; grows as the program's lists do and
// raises EListError for an index outside the items. IndexOf finds the
// first item of a text through an index kept beside the items.
class TTraceList {
 public:
  ~TTraceList() { Clear(); }
  // Appends an item with count 0; returns its index.
  int Add(const std::string& text);
  void Insert(int index, const std::string& text);
  int IndexOf(const std::string& text) const;
  void Clear();
  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }

  const std::string& GetSQL(int index) const;
  void SetSQL(int index, const std::string& text);
  int64_t GetExecCount(int index) const;
  void SetExecCount(int index, int64_t count);
  double GetTotalTime(int index) const;
  void SetTotalTime(int index, double time);

 private:
  const TTraceItem& At(int index) const;
  TTraceItem& At(int index);
  void MakeRoom();

  std::vector<TTraceItem> items_;
  int capacity_ = 0;
  // First index of each text; rebuilt when an insert or a rename moved it.
  mutable std::unordered_map<std::string, int> index_;
  mutable bool indexStale_ = false;
};

// Reads the trace files of `folder` last written at or after `threshold`
// into `list` (cleared first): with `summary`, equal statements fold into
// one item with their count and summed time. `step` runs before each entry
// (AbortOnEscape in the windows). False when no entry matches "*.trc".
bool ReadTraceFolder(const std::string& folder, const QDateTime& threshold, bool summary, TTraceList& list,
                     const std::function<void()>& step);

// The capture's row of item `index`: the count, the mean time of an item
// counted more than once (else its time), the statement.
std::vector<std::string> TraceRow(const TTraceList& list, int index);
