#ifndef ORV_TOOLS_CORE_FDATAGENRUN_H
#define ORV_TOOLS_CORE_FDATAGENRUN_H

// The generator's runs over a small statement port, so that the loop, its
// commits, its log and its error handling work without a window.
#include "tools/core/fdatagencore.h"

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const char* kDataGenBuildingLine = "SQL 文の生成中...";
inline constexpr const char* kDataGenStartLine = "データ生成開始";
inline constexpr const char* kDataGenCommittedSuffix = " 件のデータを確定";
inline constexpr const char* kDataGenInterruptedLine = "処理を中断しました。";
inline constexpr const char* kDataGenFinishedLine = "データ作成処理が終了しました。";
inline constexpr const char* kDataGenErrorQuestion = "データ生成中にエラーが発生しました。\r\n処理を継続しますか？";
inline constexpr const char* kDataGenIgnoreErrors = "以降のエラーを無視する";

class TDataGenPort {
 public:
  virtual ~TDataGenPort() = default;
  // Prepares the INSERT every row executes.
  virtual void Prepare(const std::string& sql) = 0;
  // Executes the prepared INSERT with one row's parameters; throws on failure.
  virtual void Execute(const std::vector<TDataGenValue>& values) = 0;
  // Commits and begins the next transaction.
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  // The link values for the next row (link queries move on here).
  virtual void AdvanceRow(TDataGenRowInput& input) = 0;
  // The parent table's next row into the input (its column names too);
  // false past its last row. The first call opens the parent table.
  virtual bool NextParentRow(TDataGenRowInput& input) = 0;
  virtual bool EscapePressed() = 0;
  virtual void Log(const std::string& line) = 0;
  // Shows the error question; true continues. `ignoreLater` is the check
  // box, written back whatever the answer.
  virtual bool AskContinue(bool& ignoreLater) = 0;
};

struct TDataGenRunResult {
  int64_t Inserted = 0;
  bool Interrupted = false;
};

// The normal run: `count` rows with a commit every `commitInterval` rows
// (0: at the end only).
TDataGenRunResult RunNormal(const std::vector<TColParams>& cols, const std::string& insertSql, int64_t count,
                            int64_t commitInterval, TDataGenRandom& random, TDataGenRowInput input,
                            TDataGenPort& port);

// The parent-dependent run: for each parent row, between `countFrom` and
// `countTo` child rows (row numbers from 0 within the parent row).
TDataGenRunResult RunDependent(const std::vector<TColParams>& cols, const std::string& insertSql, int64_t countFrom,
                               int64_t countTo, int64_t commitInterval, TDataGenRandom& random,
                               TDataGenRowInput input, TDataGenPort& port);

// The rows a test run shows at most.
inline constexpr int64_t kDataGenTestRows = 100;
// The rows of a test run: the normal mode's first min(count, 100) rows, or
// the dependent mode's rows up to 100 in all (Esc stops it). No log, no
// commits; the first failing row raises its error.
struct TDataGenTestPlan {
  bool Dependent = false;
  int64_t Count = 0;
  int64_t CountFrom = 0;
  int64_t CountTo = 0;
};
TDataGenRunResult RunTest(const std::vector<TColParams>& cols, const std::string& insertSql,
                          const TDataGenTestPlan& plan, TDataGenRandom& random, TDataGenRowInput input,
                          TDataGenPort& port);

#endif
