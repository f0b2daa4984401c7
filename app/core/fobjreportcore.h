// fobjreportcore: the object list report without its workbook: the
// entries of the selection in report order, their groups and sheet names,
// the sizes a definition gives, the value grid of a group and the
// catalogue statements behind creation times and comments; and the report
// operations that the table and view editors register.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/core/ovdoc.h"
#include "app/core/ovkinds.h"

class TovConnectionWindow;
class TovWorksheet;

// Kinds the report leaves out.
inline constexpr int kSkippedReportKinds[] = {okTablePartition, okIndexPartition};
// The longest sheet name a workbook holds.
inline constexpr int kSheetNameWidth = 31;
// The columns a body block spans.
inline constexpr int kBodyBlockColumns = 255;

// The report items this report fills (rows of the report item table).
inline constexpr uint8_t kItemObjectType = 4;
inline constexpr uint8_t kItemSeq = 5;
inline constexpr uint8_t kItemObjectName = 6;
inline constexpr uint8_t kItemSchema = 7;
inline constexpr uint8_t kItemCreateDate = 8;
inline constexpr uint8_t kItemComment = 9;

struct TListReportEntry {
  std::string KindName;
  std::string Schema;
  std::string Name;

  friend bool operator==(const TListReportEntry&, const TListReportEntry&) = default;
};
// The entries as the report orders them: by "kind,schema,name" ignoring case.
void SortReportEntries(std::vector<TListReportEntry>& entries);

// A run of entries with the same sheet key, and the sheet it goes to.
struct TReportGroup {
  std::string KindName;
  std::string Schema;
  std::string SheetName;
  size_t First = 0;
  size_t Count = 0;

  friend bool operator==(const TReportGroup&, const TReportGroup&) = default;
};
// The groups of sorted entries. A sheet name is its key cut to 31 columns;
// one already taken gets a number inside those 31 columns.
std::vector<TReportGroup> ReportGroups(const std::vector<TListReportEntry>& entries);
// `name` cut to the sheet width, numbered when `taken` says it is used.
std::string UniqueSheetName(const std::string& name, const std::function<bool(const std::string&)>& taken);

struct TReportSizes {
  int32_t WidestColumn = 1;
  int32_t RowsPerObject = 1;
};
TReportSizes ReportSizes(const TReportDefinition& definition);
// The first rows the body block is copied to for a group of `count` objects.
std::vector<int32_t> BodyBlockCopies(const TReportDefinition& definition, const TReportSizes& sizes, size_t count);

// The grid of a group's body: rows per object for every object, the
// widest column wide; `value` answers an object's item, none for an
// empty cell.
using TGridValue = std::function<std::optional<std::string>(size_t object, uint8_t item)>;
std::vector<std::vector<std::optional<std::string>>> BodyGrid(const TReportDefinition& definition,
                                                              const TReportSizes& sizes, size_t count,
                                                              const TGridValue& value);

// The statement that reads an object's creation time (:DB, :SCHEMA, :NAME)
// and whether its DB and schema values are codes; none for another kind.
struct TCreateTimeQuery {
  std::string SQL;
  bool Codes = false;
};
std::optional<TCreateTimeQuery> CreateTimeQuery(int kind);
// The statement that reads an object's comment (:DB, :SCHEMA, :NAME);
// none for a kind without comments.
std::optional<std::string> CommentQuery(int kind);

// ---- the editors' report operations ----

// A table or view written as a workbook of its own into a folder ("/"
// terminated), or into a sheet: definition name, owner, name.
using TCreateReportFile = std::function<void(TovConnectionWindow& connection, const std::string& definition,
                                             const std::string& owner, const std::string& name,
                                             const std::string& folder)>;
using TCreateReportSheet = std::function<void(TovConnectionWindow& connection, const std::string& definition,
                                              const std::string& owner, const std::string& name, TovWorksheet& sheet)>;
struct TObjectReport {
  TCreateReportFile CreateReportFile;
  TCreateReportSheet CreateReportSheet;
};
// Registers (or with empty operations removes) the report operations of a kind.
void RegisterObjectReport(int kind, TObjectReport report);
// The registered operations of a kind, or none.
const TObjectReport* ObjectReport(int kind);
