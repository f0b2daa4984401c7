// fexecprccore: the plain rules of the routine runner: the type text and
// image of a parameter, the SQL text of a typed value, the CALL or SELECT
// statement with its output markers, the binding of each marker and the
// lines of the output pane.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "objedit/core/fsourcecore.h"

// One row of the tree: name, type text, the value typed, the catalogue mode.
struct TExecParam {
  std::string Name;
  std::string Type;
  std::string Value;
  int Mode = kParamIn;
};

// The node name of a catalogue row: the column name for procedures,
// "PARAM<position>" for functions, "RESULT" for a return value.
std::string ExecParamName(int kind, int mode, int position, const std::string& columnName);
// The tree image of a mode (80 input, 82 input-output, 81 output, 79 return).
int ExecParamImage(int mode);

// Numeric types take their value unquoted; a size after the name counts too.
bool IsNumericParamType(const std::string& type);
// The SQL text of one typed value.
std::string FormatParamLiteral(const std::string& type, const std::string& value);

// The statement that runs the routine (names quoted where they need it): a
// CALL with one ":<name>" marker per output and input-output parameter, or
// the function's SELECT; empty for other kinds.
std::string ExecStatement(int kind, const std::string& schema, const std::string& name,
                          const std::vector<TExecParam>& params);

// How a marker of the CALL is bound, in the order of the markers. Every
// output comes back as text (the pane shows text), TIME and TIMESTAMP too.
struct TExecBinding {
  std::string Name;
  int Size = 0;
  bool InOut = false;
  std::string Value;  // the typed value of an input-output parameter
};
std::vector<TExecBinding> ExecBindings(const std::vector<TExecParam>& params);

// The output pane after a run: the values as typed for inputs, the bound
// results (nullopt: NULL) for outputs, and for a function its RESULT.
std::vector<std::string> ExecResultLines(int kind, const std::vector<TExecParam>& params,
                                         const std::vector<std::optional<std::string>>& outputs,
                                         const std::optional<std::string>& result);

inline constexpr int kExecImageIn = 80;
inline constexpr int kExecImageInOut = 82;
inline constexpr int kExecImageOut = 81;
inline constexpr int kExecImageReturn = 79;
inline constexpr int kExecDefaultSize = 30000;
inline constexpr const char* kExecResultName = "RESULT";
inline constexpr const char* kExecStem = "ストアドプログラム実行 - ";
inline constexpr const char* kExecRunning = "ストアドプログラム実行中...";
inline constexpr const char* kExecOutputHead = "【 実行後パラメータ値 】";
inline constexpr const char* kExecDone = "プログラムを実行しました。";
inline constexpr const char* kExecSizeKey = "EXECPROC";
inline constexpr const char* kExecAssistFrom = "FROM RDBII_SYSTEM.RDBII_ASSISTTABLE WITH OPTION LOCK_MODE(NO LOCK)";
