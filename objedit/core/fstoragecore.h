// fstoragecore: the storage of a table or an index as the storage frame
// holds it, read from the rdbprt definition report and written back as the
// DSO, DSI and SCOPE statements that create it.
#pragma once

#include <optional>
#include <string>
#include <vector>

// Storage kinds, as the kind list of the storage frame numbers them.
inline constexpr int kStorageDefault = 0;  // "標準": the server decides
inline constexpr int kStorageSequential = 1;
inline constexpr int kStorageSequentialList = 2;
inline constexpr int kStorageSequentialRange = 3;
inline constexpr int kStorageRandom = 4;
inline constexpr int kStorageRandomList = 5;
inline constexpr int kStorageRandomRange = 6;
inline constexpr int kStorageObject = 7;
inline constexpr int kStorageTemporary = 8;  // "一時表"

// How the divide condition partitions a table.
enum class TPartitioning { None, List, Range };

// The kind of a table from its structure type ("SEQUENTIAL", "RANDOM",
// "OBJECT"; anything else is a temporary table) and its partitioning.
int StorageKindOf(const std::string& structureType, TPartitioning partitioning);

// Allocation kinds of the allocation rows.
inline constexpr const char* kAllocData = "DATA";
inline constexpr const char* kAllocPrime = "PRIME";
inline constexpr const char* kAllocOverflow = "OVERFLOW";
inline constexpr const char* kAllocExpand = "EXPAND";
inline constexpr const char* kAllocBase = "BASE";
inline constexpr const char* kAllocIndex = "INDEX";

// The per-DSI options of an index ("cmbDegenRealgn" and column 8).
inline constexpr const char* kIndexRealignment = "再配置";
inline constexpr const char* kIndexDegenerate = "縮退";
inline constexpr const char* kIndexNoOption = "なし";

// A size with its unit cell ("KB", "MB"; empty for none).
struct TStorageSize {
  std::string Value;
  std::string Unit;
  friend bool operator==(const TStorageSize&, const TStorageSize&) = default;
};

// One row of the DSI grid. A table row uses DivideValue and Scope, an
// index row TableDsi and Option.
struct TStorageDsi {
  std::string Name;
  std::string DivideValue;
  TStorageSize Alarm;
  TStorageSize Expand;
  TStorageSize Allocation;
  std::string Scope;
  std::string TableDsi;
  std::string Option;
  friend bool operator==(const TStorageDsi&, const TStorageDsi&) = default;
};

// One row of the allocation grid; an EXPAND row names a stand-by space and
// has neither size nor unit.
struct TStorageAllocation {
  std::string Dsi;
  std::string Kind;
  std::string Space;
  std::string Size;
  std::string Unit;
  friend bool operator==(const TStorageAllocation&, const TStorageAllocation&) = default;
};

// A database space of a temporary table and its number of users.
struct TTemporarySpace {
  std::string Space;
  std::string Users;
  friend bool operator==(const TTemporarySpace&, const TTemporarySpace&) = default;
};

struct TTableStorage {
  int Kind = kStorageDefault;
  std::string DsoName;
  std::string DataPageSize;
  std::string PrimePageSize;
  std::string OverflowPageSize;
  bool Order = true;  // reuse of deleted space
  bool Precedence = false;
  std::string DivideColumns;  // as the divide-column edit holds them
  std::string ClusterKey;     // as the cluster-key edit holds them
  bool NotUnique = false;
  std::string Rule;
  std::vector<TStorageDsi> Dsis;
  std::vector<TStorageAllocation> Allocations;
  std::vector<TTemporarySpace> TemporarySpaces;
  bool PreserveRows = false;  // PRESERVE YES: rows live for the session
  friend bool operator==(const TTableStorage&, const TTableStorage&) = default;
};

struct TIndexStorage {
  std::string DsoName;
  std::string BasePageSize;
  std::string IndexPageSize;
  std::string Option;  // kIndexRealignment, kIndexDegenerate or kIndexNoOption
  std::vector<TStorageDsi> Dsis;
  std::vector<TStorageAllocation> Allocations;
  friend bool operator==(const TIndexStorage&, const TIndexStorage&) = default;
};

// Readers of the definition report's lines (a successful run). The table
// reader gives nothing when the report names no base DSO. Adding up the
// sizes of one DSI, kind and space throws std::runtime_error when a size is
// not an integer.
std::optional<TTableStorage> ReadTableStorage(const std::vector<std::string>& lines);
TIndexStorage ReadIndexStorage(const std::vector<std::string>& lines, const std::string& dsoName);
// The items of the first DSI list, in report order, without duplicates.
std::vector<std::string> ReadDsiList(const std::vector<std::string>& lines);

class TovConnectionWindow;

// What running and reading a definition report came to: read, failed (the
// caller shows "定義情報を読み込めませんでした。"), or not run at all (a remote
// connection, an empty table name).
enum class TReportResult { Read, Failed, Skipped };

// The readers run through the connection window's table report. The table
// reader leaves `storage` empty when the report names no base DSO.
TReportResult LoadTableStorage(TovConnectionWindow& window, const std::string& schema, const std::string& table,
                               std::optional<TTableStorage>& storage);
TReportResult LoadIndexStorage(TovConnectionWindow& window, const std::string& schema, const std::string& table,
                               const std::string& dsoName, TIndexStorage& storage);
// The names are trimmed; either empty skips the report.
TReportResult LoadDsiList(TovConnectionWindow& window, const std::string& tableSchema, const std::string& table,
                          std::vector<std::string>& names);

// The statements that create the storage, appended to `out` with a
// `separator` line after each statement. `schemaPrefix` is the quoted
// schema and "." (or empty). Kinds 0 and 8 append nothing.
void BuildTableStorageDDL(const TTableStorage& storage, const std::string& schemaPrefix, const std::string& name,
                          const std::string& separator, std::vector<std::string>& out);
// The index DSO and DSI statements: a separator line closes each statement
// but the last, which the caller closes. `tableDsis` are the DSI names of the
// index's table; a "BASE" line is written only when there are several.
void BuildIndexStorageDDL(const TIndexStorage& storage, const std::string& tableSchema, const std::string& table,
                          const std::vector<std::string>& keyColumns, const std::vector<std::string>& tableDsis,
                          const std::string& separator, std::vector<std::string>& out);
// Whether a table editor writes its storage statements: ShowStorageSource
// for the interactive editor, the script setting Storage for a script.
bool TableStorageWanted(bool scriptMode);
