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

}  // namespace

TDataGenRunResult RunNormal(const std::vector<TColParams>& cols, const std::string& insertSql, int64_t count,
                            int64_t commitInterval, TDataGenRandom& random, TDataGenRowInput input,
                            TDataGenPort& port) {
  TDataGenRunResult result;
  port.Log(kDataGenBuildingLine);
  port.Prepare(insertSql);
  port.Log(kDataGenStartLine);
  port.Commit();
  bool ignoreErrors = false;
  for (int64_t row = 0; row < count; ++row) {
    if (port.EscapePressed()) {
      port.Rollback();
      port.Log("");
      port.Log(kDataGenInterruptedLine);
      LogFinished(port);
      result.Interrupted = true;
      return result;
    }
    bool stop = false;
    try {
      port.AdvanceRow(input);
      port.Execute(RowValues(cols, row, random, input));
      ++result.Inserted;
    } catch (const std::exception& error) {
      LogError(port, error.what());
      if (!ignoreErrors) stop = !port.AskContinue(ignoreErrors);
    }
    // Checked after every attempt: a failed row right after a commit point
    // commits (nothing) and logs the same count again.
    if (result.Inserted > 0 && commitInterval != 0 && result.Inserted % commitInterval == 0)
      CommitAndLog(port, result.Inserted);
    if (stop) break;
  }
  if (result.Inserted > 0 && (commitInterval == 0 || result.Inserted % commitInterval != 0))
    CommitAndLog(port, result.Inserted);
  LogFinished(port);
  return result;
}
