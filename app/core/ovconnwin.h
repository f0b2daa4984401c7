// ovconnwin: what the object windows, the object tree and list and the DDL
// generation need of a connection window. The connection window implements
// it; tests put doubles behind it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/core/dsymfoware.h"

class QWidget;
struct TObjectItem;

// The items of a connection window's object list and how many are selected.
struct TObjectCount {
  int Items = 0;
  int Selected = 0;
};

// The server version a connection window probed with its catalogue level:
// both become 10 together, so level 9 is version 9 and any later level 10.
inline constexpr int32_t kFirstServerVersion = 9;
inline constexpr int32_t kLastServerVersion = 10;
inline int32_t ServerVersionOfLevel(int32_t level) {
  return level > kFirstServerVersion ? kLastServerVersion : kFirstServerVersion;
}

class TovConnectionWindow {
 public:
  virtual ~TovConnectionWindow() = default;

  // The connection window itself (owner of the windows opened from it).
  virtual QWidget* Window() = 0;
  // The data module of the logon.
  virtual TdmSymfoware& Module() = 0;
  // The catalogue level (9, 10 or 11) and whether the server is remote.
  virtual int32_t Level() const = 0;
  virtual bool IsRemote() const = 0;

  // The window's execution routines: the returned data set stays valid
  // until the next call of either.
  virtual TovSQLQuery& OpenSQL(const std::string& sql) = 0;
  virtual TovSQLQuery& OpenSQLParams(const std::string& sql, const std::vector<std::string>& values) = 0;

  // Catalogue lists: the login user's schemas of the connection's database,
  // ascending (the flag is not used), and the code of a database (empty
  // when there is none).
  virtual void GetSchemaList(std::vector<std::string>& strings, bool unused) = 0;
  virtual std::string GetDBCode(const std::string& dbName) = 0;

  // What the main window's status bar says of the object list.
  virtual TObjectCount ObjectCount() const = 0;
  // The selected items of the object list, in list order.
  virtual std::vector<TObjectItem> SelectedObjects() const = 0;
  // Runs `work` for each selected item in list order until Esc, with the
  // progress in the status bar and the list's change handler off; each row
  // is deselected after its turn and the object count shown at the end.
  virtual void WalkSelected(bool makeVisible, const std::function<void(const TObjectItem&)>& work) = 0;

  // Runs one statement ("COMMIT" and "ROLLBACK" end the transaction), and
  // the batches between separator lines, stopping at the first failure
  // unless ignoreErrors. Failures raise EDatabaseError.
  virtual void ExecSQL(const std::string& sql) = 0;
  virtual void ExecScript(const std::vector<std::string>& lines, bool ignoreErrors) = 0;
  // Codes of a schema and of a table (empty when there is none).
  virtual std::string GetSchemaCode(const std::string& dbName, const std::string& schemaName) = 0;
  virtual std::string GetTableCode(const std::string& dbName, const std::string& schemaName,
                                   const std::string& tableName) = 0;
  // Name lists of the catalogue; each clears `strings` first. Users with
  // PUBLIC at the end when asked; object names of the schemas and kinds
  // whose names start with the patterns.
  virtual void GetUserList(std::vector<std::string>& strings, bool addPublic) = 0;
  virtual void GetRoleList(std::vector<std::string>& strings) = 0;
  virtual void GetDBSpaceList(std::vector<std::string>& strings) = 0;
  virtual void GetObjectNames(std::vector<std::string>& strings, const std::string& schemaPattern,
                              const std::string& kindPattern) = 0;
  // Storage lists: the DSIs of the database, and the base DSO and the DSIs
  // of a table; from the catalogue where it knows them, else from the tools'
  // reports. A failing report leaves one empty entry.
  virtual void GetDSIList(std::vector<std::string>& strings) = 0;
  virtual void GetTableDSOList(std::vector<std::string>& strings, const std::string& schema,
                               const std::string& table) = 0;
  virtual void GetTableDSIList(std::vector<std::string>& strings, const std::string& schema,
                               const std::string& table) = 0;
  // The catalogue level was lowered to 10 because the level-11 system
  // parameter is missing.
  virtual bool LevelReduced() const = 0;
  // Builds the object tree again (after objects were dropped elsewhere).
  virtual void BuildTree() = 0;
};
