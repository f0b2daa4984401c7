// findexadvisercore: the index adviser without its window: names as the
// statement writes them, the indexes an access plan scans, the condition
// columns grouped by OR and the cyclic proposals made of them, the proposal
// names, the DDL of a proposal for each catalogue level, the definition
// report's DSIs and spaces, the sizes of DEFAULT_INDEX_SIZE, the time of a
// statement read back from the client SQL trace and the test's result text.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// DEFAULT_INDEX_SIZE as the index editor reads it (TDefIdxSize).
#include "objedit/core/findexcore.h"

inline constexpr char kUnusedText[] = "未使用";
inline constexpr char kUsedText[] = "使用";
inline constexpr char kNotCreatedText[] = "未作成";
inline constexpr char kCreatedText[] = "作成済";
inline constexpr char kUniqueIndexText[] = "UNIQUE INDEX";
inline constexpr char kNonUniqueIndexText[] = "NONUNIQUE INDEX";
inline constexpr char kNoIndexRow[] = "(インデックスがありません)";

// A name as written, normalised: one trailing ";" dropped, a quoted name
// unquoted (doubled quotes made single), any other upper-cased.
std::string EraseStr(const std::string& name);
std::string ExtractDQuote(const std::string& quoted);

// One index an access plan scans.
struct TovIndexList {
  std::string Schema;
  std::string DSOName;
  friend bool operator==(const TovIndexList&, const TovIndexList&) = default;
};
// The indexes of the plan file's element sections whose scan type is an
// index scan; the file's last line is never read.
std::vector<TovIndexList> PlanUsedIndexes(const std::vector<std::string>& lines);

// One condition word as an index column.
struct TovNewIndexList {
  std::string Table;  // the qualifier, normalised; empty without one
  int Group = 0;      // the OR group, from 0
  std::string Column;
  bool Matched = false;
  friend bool operator==(const TovNewIndexList&, const TovNewIndexList&) = default;
};
// The condition list of the WHERE and ON words: "OR" starts the next group.
std::vector<TovNewIndexList> ConditionList(const std::vector<std::string>& words);
// The number of groups of the list (at least 1).
int GroupCount(const std::vector<TovNewIndexList>& conditions);

// The columns of group `group` that belong to a statement table: a
// qualified word when its qualifier is the table's alias (when it has one)
// or else its name, an unqualified word when `hasColumn` finds the column
// in the table. Each taken entry becomes matched; a column is taken once
// (case ignored), in condition order.
std::vector<std::string> GroupColumns(std::vector<TovNewIndexList>& conditions, int group, const std::string& table,
                                      const std::string& alias, const std::function<bool(const std::string&)>& hasColumn);

// The proposals of a column set: from each start, min(k, n) columns taken
// cyclically, joined by ", ".
std::vector<std::string> CyclicProposals(const std::vector<std::string>& columns, int k);

// "IDX_" + table, then with 2, 3, ... while the name is among `taken`.
std::string ProposalName(const std::string& table, const std::vector<std::string>& taken);

// The definition report's DSI names (after "DSI information", up to the
// first blank line, "No." lines left out), each once; and the space of a
// DSI (the second word two lines below "Used database space information"
// after the DSI's "DSI name ...... " line), empty when not found.
std::vector<std::string> ReportDSIList(const std::vector<std::string>& lines);
std::string ReportDSISpace(const std::vector<std::string>& lines, const std::string& dsi);

// What the statements of a proposal are built from.
struct TIndexDDLInput {
  int Level = 0;
  bool LevelReduced = false;
  // The table row as shown, and the schema the analysis took for it (the
  // login user's when the row names none).
  std::string Schema;
  std::string TableRow;
  std::string Name;     // N, quoted
  std::string Columns;  // C
  std::vector<std::string> DSIs;
  std::function<std::string(const std::string&)> SpaceOf;  // the space of a DSI
  TDefIdxSize Sizes;
  std::string Separator;
};
std::vector<std::string> BuildIndexDDL(const TIndexDDLInput& input);

// The statement that drops a created proposal: "DROP DSO <N> CASCADE" from
// level 10, "DROP INDEX <table row>.<N>" at level 9.
std::string DropProposalSQL(int level, const std::string& tableRow, const std::string& name);

// ---- the measured times ----

inline constexpr char kTraceFileMissing[] = "トレースファイルが見つかりません。\r\nクライアントの設定を確認してください。";

// The statement as the trace's record is compared with it: CR LF made a
// blank, then every blank removed.
std::string TraceStatementKey(const std::string& statement);
// The time text ("hh:nn:ss.zzz") of the file's last record when its
// statement is `statement`; empty otherwise.
std::string LastRecordTime(const std::vector<std::string>& lines, const std::string& statement);
// The trace file of the folder last written; nothing when there is none.
std::optional<std::string> LatestTraceFile(const std::string& folder);

// The lines of the test's message for the before and after texts.
std::string TestResultText(const std::string& before, const std::string& after);
