// fsqllogcore: the SQL history: the texts run in SQL windows, newest first,
// as the process-wide list SQLLogFiles of file names "SQLLOG<n>.SQL" (n from
// 1 to the SQLBuf setting) with one file per entry in the work folder and
// the index SQLLOG.IDX beside them. Recording, reading an entry, the SQL
// window's history stepping, and the history dialog's list work (list
// lines, moving, removing, searching) are here, free of widgets.
#pragma once

#include <string>
#include <vector>

// Shown when more than one entry is selected for a move.
inline constexpr char kSQLLogMoveWarning[] = "同時に複数行を移動する事は出来ません。１行だけ選択して下さい。";
// The number of an entry's first lines its list line shows.
inline constexpr int kSQLLogListLines = 5;

// Records `lines` (the editor's lines) as the newest entry: with SQLBuf or
// more entries the oldest one is dropped first; the entry takes the first
// number from 1 to SQLBuf that no entry uses, its file is written and the
// index saved. With no number free only the drop happens; with SQLBuf 0 or
// less nothing at all. Throws std::runtime_error with the system's reason
// when the file cannot be written: the history then stays as it was. When
// only the index cannot be written the entry stays recorded (the index is
// written again at exit) and the error is thrown all the same.
void RecordSQLLog(const std::vector<std::string>& lines);

// The lines of entry `index` of SQLLogFiles; empty when out of range or when
// its file cannot be read. Names that are no plain file name of the work
// folder count as unreadable.
std::vector<std::string> ReadSQLLogEntry(int index);

// The SQL window's history steps. `logIndex` is the entry the editor shows
// (TfrmSQL.LogIndex, -1 for none), `count` the size of SQLLogFiles; the
// result is the new LogIndex. Result == logIndex: nothing to do. Result >= 0
// and different: load that entry into the editor. Result -1 and different:
// empty the editor (stepped past the newest entry). A position at or past
// the end of the list counts as the oldest entry, so stepping never leaves
// the list after entries were removed.
//
// One entry older: from the oldest (or past it) nothing happens.
int PrevLogIndex(int logIndex, int count);
// One entry newer: from -1 nothing happens.
int NextLogIndex(int logIndex, int count);

// One line of the history dialog's list, and its mark from the last search.
struct TSQLLogItem {
  std::string Text;
  bool Marked = false;

  friend bool operator==(const TSQLLogItem&, const TSQLLogItem&) = default;
};

// An entry's list line: its first kSQLLogListLines lines joined by single
// blanks.
std::string SQLLogListLine(const std::vector<std::string>& lines);
// The dialog's list: one unmarked item per entry of SQLLogFiles, an
// unreadable entry giving an empty line.
std::vector<TSQLLogItem> SQLLogItems();

enum class TSQLLogDirection { Up = -1, Down = 1 };
struct TSQLLogMove {
  bool TooMany = false;  // more than one entry selected: warn, nothing moved
  int Index = -1;        // the moved entry's new position, -1 when none moved
};
// Moves the one selected entry one place up or down in SQLLogFiles and in
// `items` (its mark travels with it). The first entry does not move up, the
// last not down; with nothing selected nothing moves.
TSQLLogMove MoveSQLLogEntry(std::vector<TSQLLogItem>& items, const std::vector<int>& selected,
                            TSQLLogDirection direction);
// Removes the selected entries from SQLLogFiles and from `items`; their files
// stay. Positions outside the list are passed over.
void RemoveSQLLogEntries(std::vector<TSQLLogItem>& items, std::vector<int> selected);
// Marks the entries whose text, upper-cased, holds `text` upper-cased, and
// unmarks the others; an entry whose file cannot be read keeps its mark.
// False (nothing searched) when `text` is blank.
bool SearchSQLLog(std::vector<TSQLLogItem>& items, const std::string& text);
