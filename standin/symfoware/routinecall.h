// Routine runs on the stand-in. Bodies never run: a CALL of a procedure and
// a SELECT of "<schema>.<function>(...)" (which the rewriter turns into the
// function below) answer from what a test supplied for the routine
// (SetRoutineAnswer in standin.h), after the checks the server makes: the
// routine exists, the arguments match its parameters, an output parameter
// gets a marker.
#pragma once

#include <QSqlDatabase>
#include <QVariant>

#include <string>
#include <vector>

struct sqlite3;

namespace symfoware {

// The SQLite function a schema-qualified function call becomes:
// STANDIN_FUNCTION('<schema>', '<function>', <arguments>...).
inline constexpr const char* kRoutineFunction = "STANDIN_FUNCTION";
void RegisterRoutineFunction(sqlite3* db);

// Runs `sql` when it is a CALL and returns true: the answer's values go
// into `values`, the CALL's markers in order. False for any other
// statement. A failure raises SqlError in the server's words; an answer's
// error is raised as given.
bool AnswerCall(QSqlDatabase& db, const std::string& user, const std::string& sql, std::vector<QVariant>& values);

}  // namespace symfoware
