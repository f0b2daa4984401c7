#include "app/core/fobjreportcore.h"

#include <QString>

#include <algorithm>
#include <map>
#include <set>

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

namespace {

std::string EntryText(const TListReportEntry& entry) { return entry.KindName + "," + entry.Schema + "," + entry.Name; }

std::string SheetKey(const TListReportEntry& entry) { return SanitizeFileName(entry.KindName + "." + entry.Schema); }

std::map<int, TObjectReport>& Reports() {
  static std::map<int, TObjectReport> reports;
  return reports;
}

// Table and view share their catalogue table and their comment type.
constexpr const char* kTableComment =
    "SELECT C.COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT C "
    "ON C.DB_CODE = A.DB_CODE AND C.SCHEMA_CODE = A.SCHEMA_CODE AND C.TABLE_CODE = A.TABLE_CODE "
    "AND C.COMMENT_TYPE = 'TV'  WHERE TRIM(A.DB_NAME) = :DB AND TRIM(A.SCHEMA_NAME) = :SCHEMA "
    "AND TRIM(A.TABLE_NAME) = :NAME";
constexpr const char* kRoutineCommentHead =
    "SELECT C.COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_PROC A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT C "
    "ON C.DB_CODE = A.DB_CODE AND C.SCHEMA_CODE = A.SCHEMA_CODE AND C.TABLE_CODE = A.PROCEDURE_CODE  "
    "WHERE TRIM(A.DB_NAME) = :DB AND TRIM(A.SCHEMA_NAME) = :SCHEMA AND A.PROCEDURE_CODE = C.TABLE_CODE";
constexpr const char* kRoutineCommentName = " AND TRIM(A.PROCEDURE_NAME) = :NAME";

}  // namespace

void SortReportEntries(std::vector<TListReportEntry>& entries) {
  std::stable_sort(entries.begin(), entries.end(), [](const TListReportEntry& a, const TListReportEntry& b) {
    return QString::fromStdString(EntryText(a)).compare(QString::fromStdString(EntryText(b)), Qt::CaseInsensitive) < 0;
  });
}

std::string UniqueSheetName(const std::string& name, const std::function<bool(const std::string&)>& taken) {
  std::string sheet = CutToWidth(name, kSheetNameWidth);
  for (int number = 2; taken(sheet); ++number) {
    const QString suffix = QString("(%1)").arg(number);
    sheet = CutToWidth(name, kSheetNameWidth - static_cast<int>(suffix.size())) + suffix.toStdString();
  }
  return sheet;
}

std::vector<TReportGroup> ReportGroups(const std::vector<TListReportEntry>& entries) {
  std::vector<TReportGroup> groups;
  std::set<std::string> names;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (i > 0 && SheetKey(entries[i]) == SheetKey(entries[i - 1])) {
      ++groups.back().Count;
      continue;
    }
    // Sheet names ignore case in a workbook.
    const auto taken = [&](const std::string& n) { return names.count(QString::fromStdString(n).toUpper().toStdString()) > 0; };
    const std::string sheet = UniqueSheetName(SheetKey(entries[i]), taken);
    names.insert(QString::fromStdString(sheet).toUpper().toStdString());
    groups.push_back({entries[i].KindName, entries[i].Schema, sheet, i, 1});
  }
  return groups;
}

TReportSizes ReportSizes(const TReportDefinition& definition) {
  TReportSizes sizes;
  for (const auto* list : {&definition.Header, &definition.Body})
    for (const TReportPlacement& p : *list) sizes.WidestColumn = std::max(sizes.WidestColumn, p.Col);
  for (const TReportPlacement& p : definition.Body) sizes.RowsPerObject = std::max(sizes.RowsPerObject, p.Row);
  return sizes;
}

std::vector<int32_t> BodyBlockCopies(const TReportDefinition& definition, const TReportSizes& sizes, size_t count) {
  std::vector<int32_t> rows;
  const size_t perBlock = static_cast<size_t>(definition.BodyCount);
  const size_t blocks = (count + perBlock - 1) / perBlock;
  for (size_t b = 1; b < blocks; ++b)
    rows.push_back(definition.BodyTop + static_cast<int32_t>(b) * definition.BodyCount * sizes.RowsPerObject);
  return rows;
}

std::vector<std::vector<std::optional<std::string>>> BodyGrid(const TReportDefinition& definition,
                                                              const TReportSizes& sizes, size_t count,
                                                              const TGridValue& value) {
  std::vector<std::vector<std::optional<std::string>>> grid(
      count * static_cast<size_t>(sizes.RowsPerObject),
      std::vector<std::optional<std::string>>(static_cast<size_t>(sizes.WidestColumn)));
  for (size_t j = 0; j < count; ++j)
    for (const TReportPlacement& p : definition.Body)
      if (std::optional<std::string> v = value(j, p.Item))
        grid[j * static_cast<size_t>(sizes.RowsPerObject) + static_cast<size_t>(p.Row - 1)][static_cast<size_t>(p.Col - 1)] =
            std::move(v);
  return grid;
}

std::optional<TCreateTimeQuery> CreateTimeQuery(int kind) {
  const auto query = [](const char* table, const char* db, const char* schema, const char* name, bool codes) {
    return TCreateTimeQuery{std::string("SELECT CREATE_TIME FROM RDBII_SYSTEM.RDBII_") + table + " WHERE " + db +
                                " = :DB AND " + schema + " = :SCHEMA AND " + name + " = :NAME",
                            codes};
  };
  switch (kind) {
    case okTable:
    case okView:
      return query("TABLE", "DB_NAME", "SCHEMA_NAME", "TABLE_NAME", false);
    case okIndex:
      return query("INDEX", "DB_CODE", "SCHEMA_CODE", "INDEX_DSO_NAME", true);
    case okProcedure:
    case okFunction:
      return query("PROC", "DB_NAME", "SCHEMA_NAME", "PROCEDURE_NAME", false);
    case okTrigger:
      return query("TRIGGER", "TRIG_DB_NAME", "TRIG_SCHEMA_NAME", "TRIG_NAME", false);
    case okSequence:
      return query("SEQUENCE", "DB_NAME", "SCHEMA_NAME", "SEQUENCE_NAME", false);
    default:
      return std::nullopt;
  }
}

std::optional<std::string> CommentQuery(int kind) {
  switch (kind) {
    case okTable:
    case okView:
      return kTableComment;
    case okProcedure:
      return std::string(kRoutineCommentHead) + " AND A.PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0" + kRoutineCommentName;
    case okFunction:
      return std::string(kRoutineCommentHead) + " AND A.PROCEDURE_TYPE = 2" + kRoutineCommentName;
    default:
      return std::nullopt;
  }
}

void RegisterObjectReport(int kind, TObjectReport report) {
  if (!report.CreateReportFile && !report.CreateReportSheet)
    Reports().erase(kind);
  else
    Reports()[kind] = std::move(report);
}

const TObjectReport* ObjectReport(int kind) {
  const auto it = Reports().find(kind);
  return it == Reports().end() ? nullptr : &it->second;
}
