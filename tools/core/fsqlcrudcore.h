// fsqlcrudcore: the table-access matrix without its window: literals of a
// traced statement made alike, the kind a statement's first word names,
// the tables chosen in the check list, and the matrix of the chosen tables
// against the traced statements.
#pragma once

#include <QDateTime>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Every number becomes "0" and every string literal "''", so that
// statements differing only in their values read alike. Digits that follow
// a letter, digit, "_", "$", "#" or any non-ASCII letter belong to a name
// and stay; comments and quoted names stay as written; a wide character is
// never taken for a quote, digit or comment mark.
std::string NormaliseLiterals(const std::string& sql);

// The statement's first word, upper-cased ("SELECT" for a word that starts
// "SELECT*"); empty when the text starts with a blank or holds none.
std::string StatementKind(const std::string& sql);

// The kinds of statement the matrix shows, one column each.
enum class TAccessKind { Insert, Select, Update, Delete };
// The kind of a statement the matrix shows; none for any other.
std::optional<TAccessKind> AccessKindOf(const std::string& sql);

// An entry of the table check list: "*" first, then the schema's tables.
struct TTableEntry {
  std::string Name;
  bool Ticked = false;
};
inline constexpr char kAllTablesEntry[] = "*";
// The tables a reading looks for, trimmed and upper-cased: every table when
// the first entry ("*") is ticked, else the ticked ones.
std::vector<std::string> ChosenTables(const std::vector<TTableEntry>& entries);
// No entry ticked at all.
bool NoTableTicked(const std::vector<TTableEntry>& entries);
inline constexpr char kNoTableTicked[] = "対象テーブルを選択して下さい。";

// An accepted trace record: its statement upper-cased, and whether the
// record names an index.
struct TTracedStatement {
  std::string SQL;
  bool Index = false;
};
// A matrix row: the table, the marks of C, R, U and D, the statement.
struct TAccessRow {
  std::string Table;
  std::string C;
  std::string R;
  std::string U;
  std::string D;
  std::string SQL;

  friend bool operator==(const TAccessRow&, const TAccessRow&) = default;
};
// A read through an index, and one without.
inline constexpr char kIndexRead[] = "*";
inline constexpr char kFullRead[] = "F";
inline constexpr char kAccessMark[] = "*";
// One row per chosen table and distinct statement that contains
// "<owner>.<table>" (a substring test), tables in the given order,
// statements in reading order.
std::vector<TAccessRow> BuildAccessMatrix(const std::string& owner, const std::vector<std::string>& tables,
                                          const std::vector<TTracedStatement>& statements);

// The records of one trace file that the matrix shows, in order: the
// statement (literals made alike when `normalise`) upper-cased, and for a
// SELECT whether a line between its "Total Time" and "SQL TRACE END" lines
// names an index. Records of other kinds are passed over.
void ParseAccessRecords(const std::vector<std::string>& lines, bool normalise,
                        std::vector<TTracedStatement>& statements);
// The same over the trace files of `folder` last written at or after
// `threshold`; `step` runs before each entry. False when no entry matches
// "*.trc".
bool ReadAccessFolder(const std::string& folder, const QDateTime& threshold, bool normalise,
                      std::vector<TTracedStatement>& statements, const std::function<void()>& step);
