// fsourcecore: the plain rules of the routine source editor: a function's
// CREATE text rebuilt from its catalogue rows, the routine report of rdbprt
// read back into a CREATE text, the skeleton of a new routine and the name
// replacement when the schema or name box is left.
#pragma once

#include <string>
#include <vector>

#include "objedit/core/objeditcore.h"

// Parameter modes of the catalogue (COLUMN_TYPE of RDBII_PROC_COL).
inline constexpr int kParamIn = 1;
inline constexpr int kParamInOut = 2;
inline constexpr int kParamOut = 4;
inline constexpr int kParamReturn = 5;

// One parameter of a routine as the catalogue holds it; length, precision
// and scale are empty when the catalogue has none.
struct TFuncParam {
  int Mode = kParamIn;
  int DataType = 0;
  bool Nullable = true;
  std::string Length;
  std::string Precision;
  std::string Scale;
};

// The lines of a text with CR LF or LF breaks, blank lines at the end left out.
std::vector<std::string> SourceTextLines(const std::string& text);
// True when no line holds more than blanks.
bool BlankSource(const std::vector<std::string>& lines);

// The name of a DATA_TYPE code 1 to 16; empty for any other code.
std::string DataTypeName(int code);
// The type name with its size: "(length)" for the character types,
// "(precision, scale)" or "(precision)" for NUMERIC and DECIMAL,
// "(precision)" for FLOAT and INTERVAL.
std::string ParamTypeText(int code, const std::string& length, const std::string& precision,
                          const std::string& scale);

// What the catalogue tells of a function besides its parameters.
struct TFuncText {
  std::string Schema;
  std::string Name;
  std::string Symbol;
  std::string Library;
  std::string Comment;
  std::vector<TFuncParam> Params;
};
// The CREATE FUNCTION text of a function read from the catalogue, ending
// with the separator line.
std::vector<std::string> FunctionTextFromCatalogue(const TFuncText& func, const std::string& separator);

// The routine report of rdbprt made into the routine's CREATE text (kind
// okProcedure or okFunction). Throws std::runtime_error(kLoadFailed) on an
// abnormal end or when nothing is left.
std::vector<std::string> ParseRoutineReport(const std::vector<std::string>& report, int kind,
                                            const std::string& schema, const std::string& name,
                                            const std::string& separator);
// The control text that asks rdbprt for one routine's report.
std::string RoutineControlText(const std::string& schema, const std::string& name);

// The text a new routine starts from (names quoted where they need it).
std::vector<std::string> RoutineSkeleton(int kind, const std::string& schema, const std::string& name,
                                         const std::string& separator);
// Leaving the schema box: "<old>." becomes "<new>." in the first line that
// holds it, once, ignoring case. False when no line holds it.
bool ReplaceSourceSchema(std::vector<std::string>& lines, const std::string& oldSchema,
                         const std::string& newSchema);
// Leaving the name box: ".<old>" becomes ".<new>" the same way.
bool ReplaceSourceName(std::vector<std::string>& lines, const std::string& oldName, const std::string& newName);

// "DROP PROCEDURE " or "DROP FUNCTION " and the quoted name.
std::string DropRoutineStatement(int kind, const std::string& schema, const std::string& name);
// A compile drops the routine first only when it exists and its last good
// text is there to bring it back.
bool RoutineNeedsDrop(bool isNew, bool sourcePage, const std::vector<std::string>& lastSource);

inline constexpr const char* kSampleMissing = "ファイルが見つかりません。";
inline constexpr const char* kRoutineControlFile = "routine.txt";
inline constexpr const char* kSourceSizeKey = "SOURCE";
inline constexpr const char* kProcedureSampleFile = "sample/procedure.sql";
inline constexpr const char* kFunctionSampleFile = "sample/function.sql";
