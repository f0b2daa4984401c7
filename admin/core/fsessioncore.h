// fsessioncore: the session monitor without its widgets: the rows of the
// process-list report, the rule that marks this program's own sessions, and
// the command that ends a session with the test of its outcome.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "admin/core/admincore.h"

// One row of the list: the caption is the process ID right-justified in
// eight characters, so that text order is numeric order.
struct TSessionRow {
  std::string ProcessId;
  std::string SessionId;
  std::string State;
  std::string User;
  std::string Elapsed;
  std::string ClientType;
  std::string Module;

  friend bool operator==(const TSessionRow&, const TSessionRow&) = default;
};

inline constexpr const char* kSessionCommand = "rdbps -e";
// The session ID the catalogue's rows carry.
inline constexpr const char* kNoSessionId = "----";
inline constexpr const char* kSessionCatalogueSQL =
    " SELECT NAME, CONNECTION_ID, PROCESS_ID, ELAPSE, IDLE, CLIENT_TYPE, LOGIN_NAME, TRANSACTION_STATUS, "
    "ACTION_INF, CLIENT_INF, MODULE_INF, DB_NAME FROM RDBII_SYSTEM.RDBII_CON_INF WITH OPTION LOCK_MODE(NO LOCK) ";

// A process ID as the list shows it ("%8d").
std::string ProcessIdCaption(long long processId);
// The rows of "rdbps -e": the four heading lines skipped, the report's own
// process left out; the first line whose process ID is no number ends it.
std::vector<TSessionRow> ParseSessions(const std::vector<std::string>& lines);
// A row of the connection view, from PROCESS_ID, TRANSACTION_STATUS,
// LOGIN_NAME, IDLE, CLIENT_TYPE and NAME; it has no session ID.
TSessionRow CatalogueSessionRow(long long processId, const std::string& status, const std::string& login,
                                const std::string& idle, const std::string& clientType, const std::string& name);
// The list: the report's rows, or the connection view's (read only then)
// when the report gave none on a catalogue that has the view.
std::vector<TSessionRow> SessionList(const std::vector<std::string>& report, int level,
                                     const std::function<std::vector<TSessionRow>()>& catalogueRows);
// A row of this program (module containing "orv/") run by the logged-on user.
bool IsOwnProgramRow(const std::string& module, const std::string& user, const std::string& loginUser);

// "rdbterm -p <pid>[/<sid>]": the session part only when the session ID is
// a number.
std::string KillCommand(const std::string& processCaption, const std::string& sessionId);
// The tool ended the session: some line holds "qdg13294i:".
bool KillSucceeded(const std::vector<std::string>& lines);

// Runs a command line into its output lines; false when it failed.
using TCommandRun = std::function<bool(const std::string& commandLine, std::vector<std::string>& lines)>;
inline constexpr const char* kKillFailed = "コマンドの実行に失敗しました。";
// Ends the session of a row through `run`; the messages to show, none when
// the session ended.
std::vector<std::string> KillSession(const std::string& processCaption, const std::string& sessionId,
                                     const TCommandRun& run);
