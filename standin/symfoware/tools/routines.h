// The routine report of the stand-in rdbprt, built from the catalogue.
#pragma once

#include <QSqlDatabase>

#include <string>

#include "standin/symfoware/tools/reports.h"

namespace symfoware::tools {

// "rdbprt -d <db> -m DEF <file>" with the control text "ROUTINE(S.N)": a
// procedure's text after "Routine text information", or a function's
// comment, parameter modes and types, language, symbol and library.
Report RoutineDefinition(QSqlDatabase& catalogue, const std::string& database, const std::string& controlText);

// Whether the control text asks for a routine.
bool IsRoutineControl(const std::string& controlText);

}  // namespace symfoware::tools
