// The ODBC driver manager as orv sees it: the list of data sources and the
// attributes of one data source, read through unixODBC (which honours the
// ODBCINI and ODBCSYSINI environment variables).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace platform {

// One entry of SQLDataSources: the data source name and its driver
// description (unixODBC reports the DSN's driver entry there).
struct OdbcDataSource {
  std::string name;
  std::string description;
};

// Every data source of the user and system files, in the driver manager's
// order. An environment that cannot be allocated gives an empty list; an
// error while enumerating ends the list early.
std::vector<OdbcDataSource> ListOdbcDataSources();

// An attribute ("Driver", "Database", ...) of a data source, user file
// first, then the system file; nothing when the data source or the
// attribute does not exist.
std::optional<std::string> OdbcDataSourceAttribute(const std::string& dataSource,
                                                   const std::string& attribute);

}  // namespace platform
