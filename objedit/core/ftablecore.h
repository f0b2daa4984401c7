// ftablecore: the table editor without its window: the table as the
// definition page holds it, the type text and the grid row of a catalogue
// column, the constraint tree's groups, the CREATE, ALTER and DROP texts,
// when a compile must re-create the table and the text of its copy.
#pragma once

#include <QVariant>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "objedit/core/fstoragecore.h"
#include "objedit/core/objeditcore.h"

inline constexpr int kTableKind = 45;
extern const TEditorKind kTableEditorKind;

// The columns of the column grid.
enum TTableGridCol : int {
  kColKey = 0,
  kColName,
  kColType,
  kColSize,
  kColNotNull,
  kColDefault,
  kColComment,
  kTableGridCols
};
inline constexpr std::array<const char*, kTableGridCols> kTableGridHeaders{
    "主キー", "項目名", "型", "長さ", "必須", "省略時値", " コメント"};
inline constexpr std::array<int, kTableGridCols> kTableGridWidths{60, 180, 100, 100, 60, 100, 107};
// A checked cell of the key and NOT NULL columns.
inline constexpr const char* kChecked = "1";

// One row of the column grid.
struct TTableColumn {
  bool Key = false;
  std::string Name;
  std::string Type;
  std::string Size;
  bool NotNull = false;
  std::string Default;
  std::string Comment;
  // The 1-based position the column was read at; 0 for a row the user added.
  int ReadPosition = 0;
  // The COLUMN_CODE it was read with (empty for an added row): the catalogue
  // numbers columns apart from their positions.
  std::string ColumnCode;
  friend bool operator==(const TTableColumn&, const TTableColumn&) = default;
};
// The grid cells of a row and back; a cell of the two check columns is
// kChecked or empty.
std::array<std::string, kTableGridCols> CellsOfColumn(const TTableColumn& column);
TTableColumn ColumnOfCells(const std::array<std::string, kTableGridCols>& cells, int readPosition,
                           const std::string& columnCode);

// A column as the column query reads it.
struct TCatalogColumn {
  std::string Name;
  std::string DataType;  // the two-letter code
  QVariant Length;
  QVariant Precision;
  QVariant Scale;
  std::string Nullable;
  std::string Default;
  std::string Comment;
  std::string IntervalCode;  // NUMERIC_RADIX
  std::string ColumnCode;
};
// "INTERVAL DAY(2) TO SECOND"; empty for a code the editor does not know.
std::string TableTypeText(const std::string& dataType, const std::string& intervalCode, const std::string& precision);
// The grid row of the k-th column read (k from 1); `key` from the
// primary-key query.
TTableColumn ColumnOfCatalog(const TCatalogColumn& column, int k, bool key);

// The types whose "長さ" cell can be edited.
bool IsSizedType(const std::string& typeText);

// A unique constraint of the tree: its column list "(A, B)" and its code.
struct TUniqueConstraint {
  std::string Columns;
  std::string Code;
  friend bool operator==(const TUniqueConstraint&, const TUniqueConstraint&) = default;
};
// An index of the tree: its name and its columns "A, B".
struct TTableIndex {
  std::string Name;
  std::string Columns;
  friend bool operator==(const TTableIndex&, const TTableIndex&) = default;
};
// One row of a grouping query: the column name and the group's key (the
// constraint code, the index name).
struct TGroupedColumn {
  std::string Column;
  std::string Group;
};
// Consecutive rows of one key form one entry; names go through QuoteIdent.
std::vector<TUniqueConstraint> GroupUniqueConstraints(const std::vector<TGroupedColumn>& rows);
std::vector<TTableIndex> GroupIndexes(const std::vector<TGroupedColumn>& rows);

// The table as the definition page and the storage frame hold it.
struct TTableDefinition {
  std::string Schema;
  std::string Name;
  std::string Comment;
  std::vector<TTableColumn> Columns;  // the data rows; rows without a name are passed over
  std::vector<std::string> UniqueConstraints;  // their column lists, in tree order
  TTableStorage Storage;
  std::string Space;  // the database space box
};

// What the statements depend on besides the table.
struct TTableDdlContext {
  std::string SchemaPrefix;  // the quoted schema and ".", or empty in a script
  std::string Separator;
  int CatalogLevel = 0;
  bool Reduced = false;  // the connection's TidUnionMissing
  bool Remote = false;
  bool StorageWanted = false;  // TableStorageWanted of the window
};

// The quoted column name padded to 31 display columns (a longer one as it is).
std::string PaddedColumnName(const std::string& name);
// Appends the CREATE statement, its separator and the storage statements.
void BuildTableCreateDDL(const TTableDefinition& table, const TTableDdlContext& context,
                         std::vector<std::string>& list);
// Appends the ALTER statements for added columns and changed comments
// against the comment and the rows as they were loaded.
void BuildTableAlterDDL(const TTableDefinition& table, const std::string& loadedComment,
                        const std::vector<TTableColumn>& loadedColumns, const TTableDdlContext& context,
                        std::vector<std::string>& list);
void BuildTableDropDDL(const std::string& schema, const std::string& name, bool cascade,
                       const std::string& separator, std::vector<std::string>& list);

// DefaultAutoQuote: a default that is neither empty, nor quoted already,
// nor a number becomes a string literal.
std::string AutoQuoteDefault(const std::string& text);

// What decides between altering the table and re-creating it.
struct TRebuildTest {
  bool IsNew = false;
  bool ScriptMode = false;
  bool SourcePage = false;
  bool StorageChanged = false;
  std::vector<TTableColumn> Columns;        // the data rows now
  std::vector<TTableColumn> LoadedColumns;  // the data rows of the last load
};
// Only comments and one column appended after the last one are altered.
bool NeedsRebuild(const TRebuildTest& test);

// "mmddhhnnss" of the moment, which a copy's names carry after "_".
std::string CopyTimeStamp();
// Rewrites a CREATE text into the text of a copy whose names carry the
// suffix "_" + `stamp()` (read anew for every name), and which copies the
// table's rows when it has a DSI.
void ChangeObjectName(std::vector<std::string>& lines, const std::function<std::string()>& stamp);
