// fimpcore: the restore without its window: the checks of the inputs, the
// check that a dump file holds what is to be restored (the nine lines of
// rdbdvinf), the tool sequences of the DSI restores, and the dictionary
// restore's script and steps behind a port.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "admin/core/fexpcore.h"

struct TRestoreInput {
  int Mode = bmDsi;
  std::string DataSource;  // upper-cased and trimmed: the database name
  std::string Dsi;         // trimmed
  std::string DsiText;     // as typed, for the dump check
  std::string File;        // as typed
  std::string WorkDir;     // as typed; ";" separates several folders
  std::vector<std::string> ListLines;  // the backup control file, mode 1
};
std::optional<TInputError> CheckRestoreInput(const TRestoreInput& in);

// The command that describes a dump file.
std::string DumpInformationCommand(const std::string& file);
// Whether rdbdvinf's lines describe a dump of what the mode restores: exactly
// nine lines, the last naming rdbdmp, "DSI" and the DSI (mode 0), or
// rdbdmpdic and "DIC" (mode 3).
bool DumpMatches(const std::vector<std::string>& lines, int mode, const std::string& dsiText);

enum class TRestoreEnd {
  Silent,     // an inhibit failed or spoke: its output is in the log
  Completed,  // the recovery ran and succeeded
  Failed,     // the recovery failed, or the list's inhibits did
};
struct TRestoreRun {
  TToolSequence Sequence;
  TRestoreEnd End = TRestoreEnd::Silent;
};
// The DSI restore of modes 0 to 2 (inhibit, recover, give access back).
TRestoreRun RunRestore(const TRestoreInput& in, const TToolRun& run);

// The dictionary restore's script, its log when no terminal shows it, and
// its text.
inline constexpr char kDictionaryScript[] = "ovimp.sh";
inline constexpr char kDictionaryScriptLog[] = "ovimp.log";
std::string DictionaryScriptText(const std::string& dumpFile);

// What the dictionary restore needs of the program.
struct TDictionaryRestorePort {
  std::function<int(const std::string& text, unsigned flags)> Ask;
  // Saves what the normal end of the program would; may throw.
  std::function<void()> SaveState;
  // Writes the script anew (executable) and starts it without waiting.
  std::function<void(const std::string& path, const std::string& text)> WriteScript;
  std::function<void(const std::string& path)> StartScript;
  std::function<void()> EndProgram;
};
// Asks twice; on No nothing happens and false is returned. Otherwise saves
// the state, writes and starts the script in the work folder (with its
// final "/") and ends the program.
bool RunDictionaryRestore(const std::string& workFolder, const std::string& dumpFile,
                          const TDictionaryRestorePort& port);

inline constexpr char kImportQuestion[] = "インポートを開始します。よろしいですか？";
inline constexpr char kImportDone[] = "インポートを完了しました。";
inline constexpr char kImportFailed[] = "インポートの実行に失敗しました。";
inline constexpr char kDumpFormatWrong[] = "入力ファイルの形式が正しくありません。";
inline constexpr char kDictionaryQuestion[] =
    "Symfowareサーバーの停止を行うためOrvantoを終了いたします。\r\n続行してよろしいですか？";
inline constexpr char kDictionaryNotice[] =
    "Orvantoを終了いたします。\r\n復元の完了後、再度Orvantoを起動の上、接続してください。";
