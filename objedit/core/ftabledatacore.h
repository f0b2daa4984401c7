// ftabledatacore: the data page of the table and view editors without its
// window: the condition grid kept by column name across loads, the
// automatic quoting of its values, the SELECT it builds, the history of the
// free condition and the bind-variable grid. Also the rows of a table
// written as INSERT statements and where their data file goes.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "app/core/ovoptions.h"

// ---- the condition grid ----

enum TWhereGridCol : int {
  kWhereName = 0,
  kWhereEqual,
  kWhereNotEqual,
  kWhereLower,
  kWhereUpper,
  kWhereLike,
  kWhereSort,
  kWhereGridCols
};
inline constexpr std::array<const char*, kWhereGridCols> kWhereGridHeaders{
    "項目名", "＝(一致)", "＜＞(不一致)", "≦(下限値)", "≧(上限値)", "LIKE(部分一致)", "ソート順序"};
inline constexpr std::array<int, kWhereGridCols> kWhereGridWidths{200, 120, 120, 120, 120, 120, 80};
// One data row of the grid: the column name, then the five conditions and
// the sort cell.
using TWhereRow = std::array<std::string, kWhereGridCols>;

// A table column as the grid takes it after a load.
struct TWhereColumn {
  std::string Name;
  std::string Type;  // the "型" text
};
// The grid after a load: one row per column in order; a column keeps the
// cells its name had in `kept`; with `autoQuote` the character and date
// cells are quoted.
std::vector<TWhereRow> RebuildWhereRows(const std::vector<TWhereRow>& kept, const std::vector<TWhereColumn>& columns,
                                        bool autoQuote);
// Drops the display columns that are no column any more; an empty list
// takes all of them in grid order.
void KeepDisplayColumns(std::vector<std::string>& display, const std::vector<TWhereRow>& rows);

inline constexpr const char* kRecordLimitInvalid = "表示件数には1以上の整数を入力して下さい。";
// An empty limit means none; otherwise it must read as an integer other than 0.
bool RecordLimitValid(const std::string& text);

// What the SELECT of the data page is built from.
struct TSelectSource {
  std::string Schema;
  std::string Table;
  std::vector<std::string> DisplayColumns;
  std::string FreeCondition;  // cmbWhere's text, as typed
};
// The SELECT text. The sort cells of `rows` are renumbered 1, 2, ... (with
// " DESC") in the order they sort, the others emptied.
std::string BuildSelectText(const TSelectSource& source, std::vector<TWhereRow>& rows);
// The free condition becomes the history's first entry, once.
void PushWhereHistory(std::vector<std::string>& items, const std::string& text);

// ---- the bind-variable grid ----

inline constexpr const char* kBindValuesWanted = "バインド変数値を入力して下さい。";
inline constexpr std::array<const char*, 2> kParamGridHeaders{"バインド変数名", "値"};
struct TParamRow {
  std::string Name;
  std::string Value;
};
// Fits the rows to the query's parameter names; true when the grid had to
// change (it was hidden, had another row count or another name at a row),
// so the values must be asked first. A row whose name changed loses its value.
bool FitParamRows(std::vector<TParamRow>& rows, bool shown, const std::vector<std::string>& names);

// ---- rows as INSERT statements ----

// The literal of one value as the script writes it.
std::string InsertLiteral(TFieldType type, const std::optional<std::string>& value);
// Past this many display columns a statement goes on on a new line.
inline constexpr int kInsertLineWidth = 70;
// "<head> values(" with the literals, broken into lines between literals,
// ")" and a separator line.
void AppendInsertStatement(const std::string& head, const std::vector<std::string>& literals,
                           const std::string& separator, std::vector<std::string>& lines);

// Where the rows of a table go when they leave the table's script: the
// folder to create and the file; `Append` for the one data file of all
// tables.
struct TDataFilePlace {
  std::string Folder;
  std::string File;
  bool Append = false;
  friend bool operator==(const TDataFilePlace&, const TDataFilePlace&) = default;
};
// None when the rows stay in the script (InsertMode 0 or OneScript).
std::optional<TDataFilePlace> DataFilePlace(const TScriptOption& option, bool schemaFirst, const std::string& schema,
                                            const std::string& table);
