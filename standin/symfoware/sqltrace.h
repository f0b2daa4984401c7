// The client SQL trace of the stand-in: a data source whose "SQLTrace"
// attribute names an existing folder gets one trace file per session there,
// and every statement the session runs appends its record as the
// Symfoware client writes it: "SQL statement :", the statement's lines,
// "Total Time   : hh:nn:ss(zzz)" with the measured time, "index dso name"
// for each index the statement searched, "SQL TRACE END".
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace symfoware {

extern const char kTraceAttribute[];

// The text of one record (lines ended by CR LF).
std::string TraceRecordText(const std::string& statement, int64_t millis, const std::vector<std::string>& indexes);

// The indexes SQLite's plan of a (rewritten) statement searches; none for
// a statement that cannot be explained.
std::vector<std::string> SearchedIndexes(sqlite3* db, const std::string& statement);

class TClientTrace {
 public:
  // Nothing is written when `folder` is no existing directory.
  explicit TClientTrace(const std::string& folder);
  bool Active() const { return !path_.empty(); }
  // Marks the start of the next statement.
  void Start() { started_ = std::chrono::steady_clock::now(); }
  // Milliseconds since Start.
  int64_t Elapsed() const;
  // Appends the record of a statement that took `millis`.
  void Write(const std::string& statement, int64_t millis, const std::vector<std::string>& indexes) const;

 private:
  std::string path_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace symfoware
