// The embedded Symfoware stand-in as orv's connection classes reach it: a
// data source whose ODBC driver entry names the stand-in opens the folder
// in its "Database" attribute, one SQLite file per schema.
#pragma once

#include <memory>
#include <string>

#include "platform/sqlbackend.h"

namespace symfoware {

// The driver name of stand-in data sources in odbcinst.ini and odbc.ini;
// it contains "Symfoware", so the logon dialog lists them.
extern const char kStandinDriverName[];
// SQLite attaches at most ten databases: the catalogue and nine schemas.
constexpr int kMaxUserSchemas = 9;

bool IsStandinDriver(const std::string& driver);

// Opens the stand-in data source `dataSource` as `user`; a wrong user or
// password, or a data source without a folder, raises SqlError.
std::unique_ptr<platform::SqlSession> OpenStandinSession(const std::string& dataSource,
                                                         const std::string& user,
                                                         const std::string& password);

// The same for a folder named directly (set-up and tools).
std::unique_ptr<platform::SqlSession> OpenStandinFolder(const std::string& folder, const std::string& user,
                                                        const std::string& password);

}  // namespace symfoware
