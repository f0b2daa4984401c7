// The embedded Symfoware stand-in as orv's connection classes reach it: a
// data source whose ODBC driver entry names the stand-in opens the folder
// in its "Database" attribute, one SQLite file per schema.
#pragma once

#include <QVariant>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sqlbackend.h"

namespace symfoware {

// The driver name of stand-in data sources in odbcinst.ini and odbc.ini;
// it contains "Symfoware", so the logon dialog lists them.
extern const char kStandinDriverName[];
// SQLite attaches at most ten databases: the catalogue and nine schemas.
constexpr int kMaxUserSchemas = 9;

bool IsStandinDriver(const std::string& driver);

// One statement the program ran on a stand-in data source: its text as
// written (markers and all), its values in order, the rows it inserted,
// changed or deleted (-1 for a statement that writes no rows or failed) and
// the message of a failure.
struct TJournalEntry {
  std::string Statement;
  std::vector<QVariant> Values;
  int RowsAffected = -1;
  std::string Error;
};
// The statement journal of this process, oldest first; it keeps the latest
// kJournalLimit statements.
constexpr size_t kJournalLimit = 1000;
std::vector<TJournalEntry> StatementJournal();
void ClearStatementJournal();

// Makes statements run without a result set (DDL and the like) fail with
// `message` instead of running, journalled as failed: the one that comes
// at `position` of the journal (0 right after ClearStatementJournal), or
// every one whose text matches `pattern` (a regular expression, case
// ignored), or only the first `times` of them when `times` is not 0. Until
// ClearStatementFailures.
void FailStatementAt(size_t position, const std::string& message);
void FailStatementsMatching(const std::string& pattern, const std::string& message, size_t times = 0);
void ClearStatementFailures();

// Routine bodies never run: a CALL of a procedure and a SELECT of a
// function answer with what a test supplies for the routine (schema and
// name as the catalogue holds them): the values of the CALL's markers in
// order (a function: its result first), or an error raised with its text.
// A routine without an answer fails its run with the stand-in's message.
struct TRoutineAnswer {
  std::vector<std::optional<std::string>> Values;
  std::string Error;
};
void SetRoutineAnswer(const std::string& schema, const std::string& name, const TRoutineAnswer& answer);
void ClearRoutineAnswers();

// Opens the stand-in data source `dataSource` as `user`; a wrong user or
// password, or a data source without a folder, raises SqlError. When its
// "SQLTrace" attribute names an existing folder, the session writes the
// client SQL trace there (standin/symfoware/sqltrace.h).
std::unique_ptr<platform::SqlSession> OpenStandinSession(const std::string& dataSource,
                                                         const std::string& user,
                                                         const std::string& password);

// The same for a folder named directly (set-up and tools), traced into
// `traceFolder` when it names an existing folder.
std::unique_ptr<platform::SqlSession> OpenStandinFolder(const std::string& folder, const std::string& user,
                                                        const std::string& password,
                                                        const std::string& traceFolder = "");

}  // namespace symfoware
