// fexpcore: the backup without its window: the checks of the inputs, the
// DSI names of a list file, and the fixed tool sequences (retain, dump,
// release) that return the commands they ran, the tools' output and the
// outcome. The restore shares the list-file and file-name rules.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Runs one tool command line and appends its printed lines; false when it
// failed (RunCommand's judgement).
using TToolRun = std::function<bool(const std::string& command, std::vector<std::string>& lines, bool failOnEmpty)>;

// The backup and restore units, the numbers of their radio buttons.
enum TBackupMode { bmDsi = 0, bmDsiList = 1, bmExtent = 2, bmDictionary = 3 };

// The DSI name of a list-file line: the trimmed line up to its first blank,
// trimmed; empty for a line without a blank.
std::string DsiListName(const std::string& line);
// A line that runs nothing: its name begins with "#", or is empty (a blank
// line or one without a blank would call the tool without a name).
bool SkipsDsiListLine(const std::string& name);

// Whether a path has both a folder part and a file-name part.
bool HasFolderAndName(const std::string& path);
// "<NAME>@<DIR>" of a path: its file name and its folder without the final
// separator; and the same quoted as one argument.
std::string DumpFileName(const std::string& path);
std::string DumpFileArgument(const std::string& path);

// A failed check: its message and the control it focuses.
enum TBackupField { bfFile, bfDsi, bfCtrlFile, bfWorkDir };
struct TInputError {
  std::string Message;
  TBackupField Field;

  friend bool operator==(const TInputError&, const TInputError&) = default;
};

struct TBackupInput {
  int Mode = bmDsi;
  std::string DataSource;  // upper-cased and trimmed: the database name
  std::string Dsi;         // trimmed
  std::string ExpFile;
  std::string CtrlFile;  // as typed
  bool ErrStop = true;
  std::vector<std::string> ListLines;  // the DSI list file, mode 1
};
std::optional<TInputError> CheckBackupInput(const TBackupInput& in);

// What a run did: every command in order, the printed lines of the logged
// ones, and whether it ended well.
struct TToolSequence {
  std::vector<std::string> Commands;
  std::vector<std::string> Log;
  bool Success = false;
};

// The backup of the mode. A retain that fails or prints anything ends it
// as failed; a dump that fails makes it fail though the release after it
// runs and succeeds; a list without a DSI line backs up nothing and fails.
TToolSequence RunBackup(const TBackupInput& in, const TToolRun& run);

inline constexpr char kExportQuestion[] = "エクスポートを開始します。よろしいですか？";
inline constexpr char kExportDone[] = "エクスポートを完了しました。";
inline constexpr char kExportFailed[] = "エクスポートの実行に失敗しました。";
