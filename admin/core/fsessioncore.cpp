#include "admin/core/fsessioncore.h"

#include <QString>

#include <optional>

#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "platform/process.h"

namespace {

constexpr int kHeadingLines = 4;
constexpr int kProcessIdWidth = 8;
constexpr char kOwnModuleMark[] = "orv/";
constexpr char kOwnClientType[] = "RDBCMD";
constexpr char kOwnModule[] = "rdbps";
constexpr char kKillSuccess[] = "qdg13294i:";

enum TSessionWord { wUser, wPid, wSid, wState, wElapsed, wType, wModule, kSessionWords };

}  // namespace

std::string ProcessIdCaption(long long processId) {
  return QString::number(processId).rightJustified(kProcessIdWidth).toStdString();
}

std::vector<TSessionRow> ParseSessions(const std::vector<std::string>& lines) {
  std::vector<TSessionRow> rows;
  const TAryAryStr table = SplitListToArray(lines, ' ');
  for (size_t i = kHeadingLines; i < table.size(); ++i) {
    TAryStr w = table[i];
    w.resize(kSessionWords);
    if (w[wType] == kOwnClientType && w[wModule] == kOwnModule) continue;
    const std::optional<long long> pid = WholeNumber(w[wPid]);
    if (!pid) break;
    rows.push_back({ProcessIdCaption(*pid), w[wSid], w[wState], w[wUser], w[wElapsed], w[wType], w[wModule]});
  }
  return rows;
}

TSessionRow CatalogueSessionRow(long long processId, const std::string& status, const std::string& login,
                                const std::string& idle, const std::string& clientType, const std::string& name) {
  return {ProcessIdCaption(processId), kNoSessionId, Trim(status), Trim(login), Trim(idle), Trim(clientType), Trim(name)};
}

std::vector<TSessionRow> SessionList(const std::vector<std::string>& report, int level,
                                     const std::function<std::vector<TSessionRow>()>& catalogueRows) {
  std::vector<TSessionRow> rows = ParseSessions(report);
  if (rows.empty() && HasInformationViews(level)) rows = catalogueRows();
  return rows;
}

bool IsOwnProgramRow(const std::string& module, const std::string& user, const std::string& loginUser) {
  return module.find(kOwnModuleMark) != std::string::npos && UpperCase(loginUser) == Trim(user);
}

std::string KillCommand(const std::string& processCaption, const std::string& sessionId) {
  std::string command = "rdbterm -p ";
  std::string target = Trim(processCaption);
  if (const std::optional<long long> sid = WholeNumber(Trim(sessionId))) (target += '/') += std::to_string(*sid);
  return command + platform::QuoteArgument(target);
}

bool KillSucceeded(const std::vector<std::string>& lines) {
  for (const std::string& line : lines)
    if (line.find(kKillSuccess) != std::string::npos) return true;
  return false;
}

std::vector<std::string> KillSession(const std::string& processCaption, const std::string& sessionId,
                                     const TCommandRun& run) {
  std::vector<std::string> messages;
  std::vector<std::string> lines;
  if (!run(KillCommand(processCaption, sessionId), lines)) messages.push_back(kKillFailed);
  if (!KillSucceeded(lines)) messages.push_back(std::string(kKillFailed) + "\r\n" + ListToText(lines));
  return messages;
}
