// ovsqllog: the SQL history's index file SQLLOG.IDX in the work folder,
// one entry file name a line, newest first. The main window loads it at
// start and saves it at exit; every recording saves it too.
#pragma once

inline constexpr char kSQLLogIndex[] = "SQLLOG.IDX";

// Fills SQLLogFiles from the index; a missing or unreadable index gives an
// empty history.
void LoadSQLLogIndex();
// Writes SQLLogFiles as the index, creating the work folder when missing.
// Throws std::runtime_error with the system's reason when it cannot.
void SaveSQLLogIndex();
