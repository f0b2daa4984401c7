// The database space tools of the stand-in: rdbddlex carries out its
// control file's CREATE DBSPACE or DROP DBSPACE on the catalogue and keeps
// what it was told of the space; rdbprt's DBSPACE and ROLE reports and
// rdbspcinf -p read it back.
#pragma once

#include <QSqlDatabase>

#include <string>

#include "standin/symfoware/tools/reports.h"

namespace symfoware::tools {

// What the catalogue keeps of a database space; a space rdbddlex never
// made has the stand-in's default file and size.
struct SpaceFile {
  std::string file;
  std::string kind;
  long long sizeKb = 0;
  std::string creator;
  std::string created;
  std::string logGroup;
};
SpaceFile SpaceFileOf(QSqlDatabase& catalogue, const std::string& database, const std::string& space);

// True for a control text "DBSPACE(<name>)" or "ROLE(<r1>,...)".
bool IsSpaceControl(const std::string& controlText);
bool IsRoleControl(const std::string& controlText);

// "rdbddlex -d <db> <file>": the control text's CREATE DBSPACE or DROP
// DBSPACE, run by `user`.
Report RunDdl(QSqlDatabase& catalogue, const std::string& database, const std::string& controlText,
              const std::string& user);
// "rdbprt -m DEF -d <db> -p -f <file>" with "DBSPACE(<name>)".
Report SpaceDefinition(QSqlDatabase& catalogue, const std::string& database, const std::string& controlText);
// "rdbprt -m DEF -f <file>" with "ROLE(<r1>,...)": the database spaces
// each role may allocate in.
Report RoleDefinition(QSqlDatabase& catalogue, const std::string& database, const std::string& controlText);
// "rdbspcinf -p <db>.<space>": the space's sizes, its DSIs as elements.
Report SpaceUsage(QSqlDatabase& catalogue, const std::string& database, const std::string& space);

}  // namespace symfoware::tools
