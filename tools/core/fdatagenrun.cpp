#include "tools/core/fdatagenrun.h"

#include <exception>

namespace {

void LogError(TDataGenPort& port, const std::string& text) {
  size_t start = 0;
  while (true) {
    const size_t end = text.find("\r\n", start);
    port.Log(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
}

void CommitAndLog(TDataGenPort& port, int64_t inserted) {
  port.Commit();
  port.Log(std::to_string(inserted) + kDataGenCommittedSuffix);
}

void LogFinished(TDataGenPort& port) {
  port.Log("");
  port.Log(kDataGenFinishedLine);
}

void LogInterrupted(TDataGenPort& port) {
  port.Log("");
  port.Log(kDataGenInterruptedLine);
  LogFinished(port);
}

void Start(TDataGenPort& port, const std::string& insertSql) {
  port.Log(kDataGenBuildingLine);
  port.Prepare(insertSql);
  port.Log(kDataGenStartLine);
  port.Commit();
}

// One row of a logged run: executed, or its error logged and asked about.
// False when the user stops the run.
class TRowRunner {
 public:
  TRowRunner(const std::vector<TColParams>& cols, int64_t commitInterval, TDataGenRandom& random,
             TDataGenRowInput& input, TDataGenPort& port, TDataGenRunResult& result)
      : cols_(cols), interval_(commitInterval), random_(random), input_(input), port_(port), result_(result) {}

  bool Run(int64_t row) {
    bool stop = false;
    try {
      port_.AdvanceRow(input_);
      port_.Execute(RowValues(cols_, row, random_, input_));
      ++result_.Inserted;
    } catch (const std::exception& error) {
      LogError(port_, error.what());
      if (!ignoreErrors_) stop = !port_.AskContinue(ignoreErrors_);
    }
    // Checked after every attempt: a failed row right after a commit point
    // commits (nothing) and logs the same count again.
    if (result_.Inserted > 0 && interval_ != 0 && result_.Inserted % interval_ == 0)
      CommitAndLog(port_, result_.Inserted);
    return !stop;
  }

  void Finish() {
    if (result_.Inserted > 0 && (interval_ == 0 || result_.Inserted % interval_ != 0))
      CommitAndLog(port_, result_.Inserted);
    LogFinished(port_);
  }

 private:
  const std::vector<TColParams>& cols_;
  int64_t interval_;
  TDataGenRandom& random_;
  TDataGenRowInput& input_;
  TDataGenPort& port_;
  TDataGenRunResult& result_;
  bool ignoreErrors_ = false;
};

// The child rows of one parent row: row numbers from 0 while `row` says
// go on. After the least count each further row ends the parent row with
// probability 1 / (greatest - k + 2).
template <typename TRow>
bool ChildRows(int64_t countFrom, int64_t countTo, TDataGenRandom& random, TRow row) {
  for (int64_t k = 1; k <= countTo; ++k) {
    if (k > countFrom && random.Next(countTo - k + 2) == 0) break;
    if (!row(k - 1)) return false;
  }
  return true;
}

}  // namespace

TDataGenRunResult RunNormal(const std::vector<TColParams>& cols, const std::string& insertSql, int64_t count,
                            int64_t commitInterval, TDataGenRandom& random, TDataGenRowInput input,
                            TDataGenPort& port) {
  TDataGenRunResult result;
  Start(port, insertSql);
  TRowRunner runner(cols, commitInterval, random, input, port, result);
  for (int64_t row = 0; row < count; ++row) {
    if (port.EscapePressed()) {
      port.Rollback();
      LogInterrupted(port);
      result.Interrupted = true;
      return result;
    }
    if (!runner.Run(row)) break;
  }
  runner.Finish();
  return result;
}

TDataGenRunResult RunDependent(const std::vector<TColParams>& cols, const std::string& insertSql, int64_t countFrom,
                               int64_t countTo, int64_t commitInterval, TDataGenRandom& random,
                               TDataGenRowInput input, TDataGenPort& port) {
  TDataGenRunResult result;
  Start(port, insertSql);
  TRowRunner runner(cols, commitInterval, random, input, port, result);
  while (port.NextParentRow(input)) {
    if (port.EscapePressed()) {
      port.Rollback();
      LogInterrupted(port);
      result.Interrupted = true;
      return result;
    }
    if (!ChildRows(countFrom, countTo, random, [&](int64_t row) { return runner.Run(row); })) break;
  }
  runner.Finish();
  return result;
}

TDataGenRunResult RunTest(const std::vector<TColParams>& cols, const std::string& insertSql,
                          const TDataGenTestPlan& plan, TDataGenRandom& random, TDataGenRowInput input,
                          TDataGenPort& port) {
  TDataGenRunResult result;
  port.Prepare(insertSql);
  const auto row = [&](int64_t number) {
    if (result.Inserted >= kDataGenTestRows) return false;
    port.AdvanceRow(input);
    port.Execute(RowValues(cols, number, random, input));
    ++result.Inserted;
    return true;
  };
  if (!plan.Dependent) {
    for (int64_t number = 0; number < plan.Count && row(number);) ++number;
    return result;
  }
  while (result.Inserted < kDataGenTestRows && port.NextParentRow(input)) {
    if (port.EscapePressed()) {
      result.Interrupted = true;
      break;
    }
    if (!ChildRows(plan.CountFrom, plan.CountTo, random, row)) break;
  }
  return result;
}
