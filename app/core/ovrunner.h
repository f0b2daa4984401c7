// ovrunner: the one way orv starts a Symfoware command-line tool: its
// control file in the work folder, the run with both output pipes
// collected, the judgement by the tool's return-code line, and the
// local/remote probe of a data source.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The tool's return-code line holds this word; success is "復帰コード 00".
inline constexpr char kReturnCodeWord[] = "復帰コード";
inline constexpr char kReturnCodeSuccess[] = "復帰コード 00";
inline constexpr char kCommandFailed[] = "コマンドの実行に失敗しました。\r\n";
// The database-space window's control file of rdbddlex; while it begins
// with this text every polling pass pauses for the SleepTime setting.
inline constexpr char kDbSpaceControlFile[] = "rdbddlexC.txt";
inline constexpr char kDbSpaceCreating[] = "CREATE DBSPACE";

// Shows the SQL-wait cursor for its lifetime (when there is a GUI).
class TSqlWaitCursor {
 public:
  TSqlWaitCursor();
  ~TSqlWaitCursor();
  TSqlWaitCursor(const TSqlWaitCursor&) = delete;
  TSqlWaitCursor& operator=(const TSqlWaitCursor&) = delete;

 private:
  bool shown_;
};

// The work folder (the TempDir setting) with its final "/".
std::string WorkFolder();

// The first return-code line of `lines` when it is not "復帰コード 00";
// nothing when the first one is a success or there is none.
std::optional<std::string> FailingReturnCodeLine(const std::vector<std::string>& lines);

// Writes `text` and one CRLF as the file `fileName` of the work folder,
// creating missing folders, and returns the full path through QuoteIdent.
// A file that cannot be written raises std::runtime_error.
std::string WriteTempFile(const std::string& fileName, const std::string& text);

// Runs the command line and appends its printed lines to `lines`. False
// when the tool cannot be started (silently), when `failOnEmpty` is set and
// `lines` stays empty (silently), or when the first return-code line is not
// a success (after showing kCommandFailed and that line).
bool RunCommand(const std::string& commandLine, std::vector<std::string>& lines, bool failOnEmpty);
// The same without the empty-output rule, the message and the pause.
bool RunCommandQuiet(const std::string& commandLine, std::vector<std::string>& lines);

// True when an "rdbprt -m DB" report ended well and lists the data source
// (its name upper-cased) among the databases of the local server.
bool ListsLocalDatabase(const std::vector<std::string>& lines, const std::string& dataSource);
// 0 when "rdbprt -m DB" lists the data source as a database of the local
// server, 1 when it does not or the probe fails in any way.
int IsRemoteDataSource(const std::string& dataSource);
