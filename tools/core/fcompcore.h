// fcompcore: the object comparison without its window: the kinds a run
// lists, the catalogue query that lists one target's objects, the input
// checks, the pairing of the two listings with the comparison of their DDL,
// and the sides a result row opens.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/core/ovoptions.h"

// The schema box's entry for every schema of the login user.
inline constexpr char kCompAllSchemas[] = "(全て)";

inline constexpr char kCompNoFilter[] = "表示するオブジェクト条件を指定して下さい。";
inline constexpr char kCompNoSchema1[] = "比較先１のスキーマを指定して下さい。";
inline constexpr char kCompNoSchema2[] = "比較先２のスキーマを指定して下さい。";
inline constexpr char kCompSamePlace[] = "比較先が同一の場所を示しています。";

// The object kinds in the order a listing unites them.
enum class TCompKind { Table, Index, View, Procedure, Function, Trigger, Sequence };
inline constexpr TCompKind kCompKinds[] = {TCompKind::Table,     TCompKind::Index,    TCompKind::View,
                                           TCompKind::Procedure, TCompKind::Function, TCompKind::Trigger,
                                           TCompKind::Sequence};

// The kinds a run lists: the chosen ones in listing order, every kind when
// none is chosen; procedures and functions only when `routines`.
std::vector<TCompKind> CompListedKinds(const std::vector<TCompKind>& chosen, bool routines);
// Procedures and functions cannot be read through a remote connection at
// catalogue level 9 or below.
bool CompRoutinesListable(bool remote, int level);

// One side of the comparison as its listing sees it.
struct TCompTarget {
  std::string User;
  std::string DataSource;
  std::string Schema;  // a schema, or kCompAllSchemas
  std::string DBCode;
};
// A listing statement and its values, one per marker in order.
struct TCompListing {
  std::string SQL;
  std::vector<std::string> Values;
};
// The statement that lists the target's objects of the kinds, owned by its
// user: rows of OBJECT_TYPE, OBJECT_NAME, OWNER, ordered by all three.
TCompListing CompListingQuery(const std::vector<TCompKind>& kinds, const TCompTarget& target);
// The fields of a listing row.
inline constexpr size_t kCompTypeField = 0;
inline constexpr size_t kCompNameField = 1;
inline constexpr size_t kCompOwnerField = 2;

struct TCompObject {
  std::string Owner;
  std::string Name;
  std::string Type;  // TABLE, INDEX, ...
};

enum class TCompResult { Equal, NotEqual, Only1, Only2 };
std::string CompResultText(TCompResult result);
// The result a row's text shows; none for another text.
std::optional<TCompResult> CompResultOfText(const std::string& text);

// A row of the result list.
struct TCompRow {
  int Kind = 0;
  std::string Name;
  std::string Schema;
  std::string Type;
  TCompResult Result = TCompResult::Equal;

  friend bool operator==(const TCompRow&, const TCompRow&) = default;
};

// Two named schemas that differ: objects then pair by name and type alone
// and their DDL is written without schema names.
bool CompDifferentSchemas(const std::string& schema1, const std::string& schema2);

// What the window's controls hold when "実行(&E)" is pressed.
struct TCompInput {
  TCompOption Filter;
  std::string Label1;
  std::string Schema1;
  std::string Label2;
  std::string Schema2;
};
enum class TCompFocus { Equrl, Schema1, Schema2 };
struct TCompProblem {
  std::string Message;
  TCompFocus Focus = TCompFocus::Equrl;

  friend bool operator==(const TCompProblem&, const TCompProblem&) = default;
};
// Why the comparison cannot run, checked in order; none when it can.
std::optional<TCompProblem> CheckCompInput(const TCompInput& input);

// The DDL text without the lines that start (after blanks) with CREATE DSO
// or CREATE DSI: storage that two equal tables or indexes may not share.
std::string WithoutStorageLines(const std::string& ddl);

// What a run reaches outside itself. Sides are 1 and 2.
struct TCompPorts {
  // Reads a side's listing rows; false when Esc stopped the reading.
  std::function<bool(int side, std::vector<TCompObject>& objects)> List;
  // The DDL of an object written through a side's connection.
  std::function<std::string(int side, int kind, const std::string& schema, const std::string& name)> DDL;
  std::function<bool()> Escape;
  // Empties the result list (once both listings are read).
  std::function<void()> Clear;
  std::function<void(const TCompRow&)> Row;
};
struct TCompRun {
  std::string Schema1;  // the schema boxes' texts
  std::string Schema2;
  TCompOption Filter;
};
// Lists both sides, pairs their objects on owner, name and type (owner left
// out between two different schemas), compares the DDL of each pair and
// reports the rows the filter shows: pairs from the last object of side 1
// to the first, then what is left of side 1, then of side 2, each from the
// last. The script options Schema, Index and Insert serve the run and are
// put back however it ends. False when Esc stopped it.
bool RunComparison(const TCompRun& run, const TCompPorts& ports);

// Which menu item opens a row's objects.
enum class TCompOpen { Both, Side1, Side2 };
struct TCompOpenTarget {
  int Side = 1;
  std::string Schema;

  friend bool operator==(const TCompOpenTarget&, const TCompOpenTarget&) = default;
};
// The sides a row opens and the schema each is opened in: side 1 for equal,
// different and side-1 rows, side 2 for equal, different and side-2 rows,
// as far as the item asks for them; between two different schemas each
// side's own schema, else the row's.
std::vector<TCompOpenTarget> CompOpenTargets(TCompResult result, const std::string& rowSchema, TCompOpen which,
                                             const std::string& schema1, const std::string& schema2);
