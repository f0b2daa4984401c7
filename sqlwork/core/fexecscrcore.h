// fexecscrcore: the run of the script-file runner without its widgets:
// each file cut into statements at separator lines, remark lines at a
// statement's edges dropped, every statement executed and its outcome
// logged, errors counted, and the list kept or emptied afterwards.
#pragma once

#include <string>
#include <vector>

inline constexpr char kScriptRunQuestion[] = "スクリプトを実行しますか？";
inline constexpr char kScriptCompDelItem[] = "正常終了したスクリプトをリストから削除する";
inline constexpr char kScriptErrStopItem[] = "エラーが発生した時点で処理を中断する";
inline constexpr char kScriptSucceeded[] = "《正常終了》";
inline constexpr char kScriptFailed[] = "《エラー》";
inline constexpr char kScriptOmitted[] = "  -- (中略) --";

// A remark line: trimmed of blanks, TABs, CRs and LFs and upper-cased it is
// empty, "REM" or "REMARK", or one of them followed by a blank, TAB, CR or LF.
bool IsRemarkLine(const std::string& line);
// The statement without its leading and trailing remark lines.
std::vector<std::string> StripRemarkLines(std::vector<std::string> lines);
// A failed statement as the log shows it: lines 1 to 3, "  -- (中略) --" and
// the last line when it has more than 4 lines, else all of them.
std::vector<std::string> LoggedStatement(const std::vector<std::string>& lines);
// "スクリプト実行 [ <path> ]".
std::string ScriptHeading(const std::string& path);
// "スクリプトの実行を終了しました。", with the error count after errors.
std::string ScriptRunMessage(int errors);

// One entry of the script list: its path and whether its file ran to its
// end without an error in the last run.
struct TScriptEntry {
  std::string Path;
  bool RanCleanly = false;
  bool operator==(const TScriptEntry&) const = default;
};

// What a run needs of the window.
class TScriptRunPort {
 public:
  virtual ~TScriptRunPort() = default;
  // The file's lines; raises a message when it cannot be read.
  virtual std::vector<std::string> ReadScript(const std::string& path) = 0;
  // Executes one statement on the window's connection; failures raise.
  virtual void ExecStatement(const std::string& text) = 0;
  virtual void ClearLog() = 0;
  // Appends lines to the log; `errorMark` marks the first of them.
  virtual void Log(const std::vector<std::string>& lines, bool errorMark) = 0;
  // Esc was pressed since the last call.
  virtual bool EscapePressed() = 0;
  virtual void Progress(int file, int files) = 0;
  // The general error report of the program.
  virtual void ReportError(const std::string& message) = 0;
};

// Runs the entries' files in order with `separator` lines between
// statements; with `errorStop` the first failing statement ends the run.
// Every entry's flag is cleared first and set when its file ran to its end
// without an error. Esc ends the run before the next line; an unreadable
// file is reported, counts as an error and ends it. The error count.
int RunScripts(TScriptRunPort& port, std::vector<TScriptEntry>& entries, const std::string& separator,
                            bool errorStop);
// The entries left after a run when the clean ones are removed.
std::vector<TScriptEntry> RemainingScripts(const std::vector<TScriptEntry>& entries);

// The script list's horizontal scroll range: 0 for an empty list, else the
// widest entry's text width plus this room.
inline constexpr int kScriptListExtentRoom = 170;
int ScriptListExtent(const std::vector<int>& textWidths);

// The sort direction of each column of the file list: ascending first, and
// turned after every sort by that column.
class TSortDirections {
 public:
  // Whether this sort by the column is ascending; the next one is not.
  bool Next(int column);

 private:
  std::vector<bool> descending_;
};

// The run of the script list: asks first, with the two options as check
// boxes (written back whatever the answer); on Yes takes a non-empty
// separator edit as the `Separator` option, runs the list, drops the clean
// entries when `ScriptCompDel` is on and says that the run ended. False
// when not asked to run.
bool RunScriptList(TScriptRunPort& port, std::vector<TScriptEntry>& entries, const std::string& separatorEdit);
