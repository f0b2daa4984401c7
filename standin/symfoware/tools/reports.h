// The reports of the stand-in command-line tools, built from the stand-in
// catalogue of a data-source folder.
#pragma once

#include <QSqlDatabase>

#include <string>
#include <vector>

namespace symfoware::tools {

// A report: its lines and whether the tool ended well.
struct Report {
  std::vector<std::string> lines;
  bool ok = true;
};

// One local database: its name and the catalogue file that holds it.
struct LocalDatabase {
  std::string name;
  std::string folder;
};

// The database of that name, whatever its case; none when there is none.
const LocalDatabase* FindDatabase(const std::vector<LocalDatabase>& databases, const std::string& name);

// "rdbprt -m DB": two heading lines, then "<n> <NAME>" per database.
Report DatabaseList(const std::vector<LocalDatabase>& databases);

// "rdbprt -d <db> -m DEF -f <file>" with the control text "TABLE (S.T)":
// the definition of the table, its DSI blocks and its indexes.
Report TableDefinition(QSqlDatabase& catalogue, const std::string& database, const std::string& controlText);

// "rdbspcinf -d <db>": one block per database space of the database, its
// device, size, allocated and free sizes each under its heading.
Report DatabaseSpaces(QSqlDatabase& catalogue, const std::string& database);

// A DSI that lies in a database space: its name, schema, table, usage
// ("DATA" or "BASE"), structure and size in K.
struct SpaceDsiRow {
  std::string name, schema, table, usage, dso, size;
};
std::vector<SpaceDsiRow> DsisOfSpace(QSqlDatabase& catalogue, const std::string& database, const std::string& space);
// "  total   :" and the K size right-aligned, as rdbspcinf prints it.
std::string SizeTotalLine(long long kilobytes);

// "rdbinf -p <db>.<space>": the DSIs that lie in the database space.
Report DsiInformation(QSqlDatabase& catalogue, const std::string& database, const std::string& space);

}  // namespace symfoware::tools
