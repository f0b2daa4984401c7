// fusrcmdcore: the rules of the user-command editor without its window:
// the checks before a command is written, the name test of "追加(&A)", and
// where a saved command goes in the list.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/ovdoc.h"

inline constexpr const char* kNoCommandName = "名前を入力して下さい。";
inline constexpr const char* kNoCommandSQL = "ＳＱＬ文を入力して下さい。";
inline constexpr const char* kCommandExists = "同名のコマンドが既に存在しています。";

// The field a refused save puts the focus on.
enum class TUserCommandField { Name, SQL };
struct TUserCommandProblem {
  std::string Message;
  TUserCommandField Field = TUserCommandField::Name;
};
// Why a command with this name and SQL text cannot be written: a name of
// blanks, a name that is no file name, an SQL text of blanks; none when it
// can.
std::optional<TUserCommandProblem> CheckUserCommand(const std::string& name, const std::string& sql);

// True when a listed command other than the one at `selected` (-1: none)
// has the name, ignoring case.
bool CommandNameTaken(const std::vector<TUserCommandEntry>& entries, int selected, const std::string& name);

// The file name a command saved as `name` takes: the listed command's own
// spelling when one has the name ignoring case (its file is written over,
// as on a file system that ignores case), else the name.
std::string CommandFileName(const std::vector<TUserCommandEntry>& entries, const std::string& name);

// Puts a saved command into the list: added when its name (ignoring case)
// is not listed, else its number updated; the list sorted again. Returns
// the command's index afterwards.
int PlaceSavedCommand(std::vector<TUserCommandEntry>& entries, const std::string& name, int32_t seq);
