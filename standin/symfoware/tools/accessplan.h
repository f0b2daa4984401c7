// rdbexecsql of the stand-in: a script read statement by statement, whose
// statements between "ACCESS PLAN ON <trace>, ..." and "ACCESS PLAN OFF"
// are not run but have their plan written as a trace, built from SQLite's
// own plan of the statement.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/sqlbackend.h"
#include "standin/symfoware/tools/reports.h"

namespace symfoware::tools {

// The statements of a script: its text cut at every ";" outside literals,
// quoted names and comments, each trimmed; empty ones dropped.
std::vector<std::string> ScriptStatements(const std::string& script);

// The trace path of an "ACCESS PLAN ON <path>, ..." statement; nothing for
// any other statement.
std::optional<std::string> AccessPlanPath(const std::string& statement);

// One row of SQLite's plan ("EXPLAIN QUERY PLAN").
struct TQueryPlanRow {
  int Id = 0;
  int Parent = 0;
  std::string Detail;
};

// The tables a statement names, by their upper-cased bare name, qualified
// name and alias, each with its qualified name; `schemaTables` lists the
// tables of every schema as "SCHEMA.TABLE", the preferred schemas first.
std::map<std::string, std::string> StatementTables(const std::string& statement,
                                                   const std::vector<std::string>& schemaTables);

// The trace lines of one plan: the main query and every subquery as a
// section of operations (the first table a scan, each further one a nested
// loop join), a full scan "TABLE ALL SCAN", an index search "INDEX TABLE
// SCAN" with its index as "dso name", subqueries reached by "-->".
std::vector<std::string> PlanTrace(const std::vector<TQueryPlanRow>& rows,
                                   const std::map<std::string, std::string>& tables);

// Runs the script on the session: the trace of the statements under
// ACCESS PLAN written at its path, or, for an SQL error, no trace and a
// "SQLMSG=" line.
Report ExecuteScript(platform::SqlSession& session, const std::string& script);

}  // namespace symfoware::tools
