// CREATE PROCEDURE, CREATE FUNCTION, CREATE TRIGGER and CALL read into plain
// records: what the catalogue keeps of a routine or trigger (the stand-in
// never runs their bodies) and what a CALL names. A text the server could
// not read raises SqlError with its syntax error; a statement of another
// kind gives nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "standin/symfoware/parser.h"

namespace symfoware {

// Parameter modes and data type codes of RDBII_PROC_COL.
inline constexpr int kModeIn = 1;
inline constexpr int kModeInOut = 2;
inline constexpr int kModeOut = 4;
inline constexpr int kModeReturn = 5;

struct TRoutineParam {
  int mode = kModeIn;
  std::string name;  // empty for a function's parameters and result
  int dataType = 0;  // 1 to 16
  std::optional<int> length;
  std::optional<int> precision;
  std::optional<int> scale;
  bool nullable = true;
};

struct TCreateRoutine {
  bool function = false;
  TQualifiedName name;
  std::vector<TRoutineParam> params;  // a function's result last
  std::optional<std::string> comment;
  std::string symbol;   // NAME of a function
  std::string library;  // LIBRARY of a function
  // Tables and views the body names: qualified anywhere, unqualified after
  // FROM, JOIN, INTO and UPDATE (the catalogue keeps those that exist).
  std::vector<TQualifiedName> used;
};
std::optional<TCreateRoutine> ParseCreateRoutine(const std::string& sql);

struct TCreateTrigger {
  TQualifiedName name;
  std::string timing;  // BEFORE or AFTER
  std::string event;   // INSERT, DELETE or UPDATE
  std::vector<std::string> columns;  // UPDATE OF
  TQualifiedName table;
  std::string oldName;  // REFERENCING OLD AS, empty when not given
  std::string newName;
  bool row = false;       // FOR EACH ROW
  std::string condition;  // WHEN, without its parentheses
  std::string body;       // the triggered statements as written
  std::vector<TQualifiedName> used;
};
std::optional<TCreateTrigger> ParseCreateTrigger(const std::string& sql);

// "CALL <routine>(<arguments>)": which arguments are "?" markers.
struct TCall {
  TQualifiedName routine;
  std::vector<bool> markers;
};
std::optional<TCall> ParseCall(const std::string& sql);

}  // namespace symfoware
