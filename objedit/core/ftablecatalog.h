// ftablecatalog: what a table's re-creation reads of the catalogue before
// anything runs: its grants (users and roles told apart), its indexes, its
// columns as stored, and the views and triggers that DROP TABLE ...
// CASCADE takes with it. Each read is a catalogue transaction of its own.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "objedit/core/ftablecompile.h"

class TovConnectionWindow;

// The privileges held on a table, view or trigger of `schema`.
std::vector<TTableGrant> ReadObjectGrants(TovConnectionWindow& window, const std::string& schema,
                                          const std::string& objectCode);
std::vector<TTableGrant> ReadTableGrants(TovConnectionWindow& window, const std::string& schema,
                                         const std::string& table);
// The names of the table's indexes.
std::vector<std::string> ReadTableIndexNames(TovConnectionWindow& window, const std::string& schema,
                                             const std::string& table);
// The table's columns as stored.
std::vector<TStoredColumn> ReadStoredColumns(TovConnectionWindow& window, const std::string& schema,
                                             const std::string& table);

// Writes an object's DDL as lines (the kind's script writer); empty when
// none could be written.
using TDependentWriter =
    std::function<std::vector<std::string>(int kind, const std::string& schema, const std::string& name)>;
// The views that use the table, directly or through other views, each after
// the views it uses, then the triggers on the table; with their DDL and
// grants.
std::vector<TTableDependent> ReadTableDependents(TovConnectionWindow& window, const std::string& schema,
                                                 const std::string& table, const TDependentWriter& write);
