#include "sqlwork/core/fnametblcore.h"

#include "app/core/zarur.h"
#include "platform/process.h"

namespace {

constexpr char kSchemaSeparator = '.';
constexpr char kLineBreak[] = "\r\n";
constexpr char kSpaceLabel[] = "Database space :";
constexpr char kLayoutMismatchCode[] = "JYP7205E";
constexpr char kMissingTableCode[] = "JYP7202";
// Catalogues up to this level wrap the object union once more.
constexpr int32_t kLastWrappedLevel = 9;

constexpr char kColumns[] = "DB_NAME, SCHEMA_NAME, OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME";

std::string Qualified(const TNameTableName& table) { return QuoteIdent(table.Schema) + "." + QuoteIdent(table.Name); }

// The object union, one line per kind, as the catalogue is read.
const std::vector<std::string>& ObjectUnion() {
  static const std::string tableWhere = "WHERE (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP')";
  static const std::string viewWhere = "WHERE (A.TABLE_TYPE = 'VW')";
  static const std::string commentJoin =
      "FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = B.TABLE_CODE ";
  static const std::string plainFrom = "FROM RDBII_SYSTEM.RDBII_TABLE A ";
  static const std::string tableSelect =
      "SELECT 'TABLE' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, 1 \"SORT\", DB_NAME ";
  static const std::string viewSelect =
      "SELECT 'VIEW' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, 3 \"SORT\", DB_NAME ";
  static const std::vector<std::string> lines = {
      tableSelect + commentJoin + tableWhere + " UNION " + tableSelect + plainFrom + tableWhere + " UNION ",
      "SELECT 'INDEX' OBJECT_TYPE, TRIM(A.INDEX_DSO_NAME) OBJECT_NAME, TRIM(B.SCHEMA_NAME) SCHEMA_NAME, 2 \"SORT\", "
      "DB_NAME FROM RDBII_SYSTEM.RDBII_INDEX A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_TABLE B ON A.TABLE_CODE = "
      "B.TABLE_CODE",
      " UNION " + viewSelect + commentJoin + viewWhere + " UNION " + viewSelect + plainFrom + viewWhere,
      " UNION SELECT 'PROCEDURE' OBJECT_TYPE, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME), 4 \"SORT\", "
      "DB_NAME FROM RDBII_SYSTEM.RDBII_PROC A WHERE A.PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0 ",
      " UNION SELECT 'FUNCTION' OBJECT_TYPE, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME), 5 \"SORT\", "
      "DB_NAME FROM RDBII_SYSTEM.RDBII_PROC A WHERE A.PROCEDURE_TYPE = 2 ",
      " UNION SELECT 'TRIGGER' OBJECT_TYPE, TRIM(A.TRIG_NAME) OBJECT_NAME, TRIM(A.TRIG_SCHEMA_NAME), 6 \"SORT\", "
      "TRIG_DB_NAME DB_NAME FROM RDBII_SYSTEM.RDBII_TRIGGER A",
      " UNION SELECT 'SEQUENCE' OBJECT_TYPE, TRIM(A.SEQUENCE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, 7 "
      "\"SORT\", DB_NAME FROM RDBII_SYSTEM.RDBII_SEQUENCE A) ALL_OBJECT ",
  };
  return lines;
}

}  // namespace

TNameTableName SplitNameTableEntry(const std::string& entry) {
  const size_t dot = entry.find(kSchemaSeparator);
  if (dot == std::string::npos) return {"", entry};
  return {entry.substr(0, dot), entry.substr(dot + 1)};
}

std::string NameTableEntry(const TNameTableName& table) { return table.Schema + kSchemaSeparator + table.Name; }

std::string NameTableCreateSQL(const TNameTableName& table, const std::optional<std::string>& space) {
  std::string sql = "CREATE TABLE " + Qualified(table) +
                    "(  DB_NAME     VARCHAR(30),  SCHEMA_NAME VARCHAR(30),  OBJECT_NAME VARCHAR(30),  OBJECT_TYPE "
                    "VARCHAR(30),  SCRIPT_NAME VARCHAR(50)) ";
  if (space) sql += "  ON " + *space;
  return sql;
}

std::string NameTableSelectSQL(const TNameTableName& table) {
  return std::string("SELECT ") + kColumns + " FROM " + Qualified(table);
}

std::string NameTableSpaceSQL(const TNameTableName& table) {
  return "SELECT TRIM(A.DBSPACE_NAME) FROM RDBII_SYSTEM.RDBII_TABLE_EX A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT C "
         "ON C.DB_CODE = A.DB_CODE AND C.SCHEMA_CODE = A.SCHEMA_CODE AND C.TABLE_CODE = A.TABLE_CODE WHERE "
         "TRIM(A.SCHEMA_NAME) = " +
         QuoteStr(table.Schema) + " AND TRIM(A.TABLE_NAME) =" + QuoteStr(table.Name) +
         " AND (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP')";
}

std::string InitialDataSQL(bool allObjects, const std::string& dataSource, int32_t catalogLevel,
                           const std::string& schema) {
  std::vector<std::string> lines;
  // The data source goes in as a literal: its name may hold a quote.
  lines.push_back(allObjects ? "SELECT TRIM(DB_NAME), TRIM(SCHEMA_NAME), TRIM(OBJECT_NAME) OBJECT_NAME, "
                               "TRIM(OBJECT_TYPE), TRIM(OBJECT_NAME) || '.SQL'  FROM ("
                             : "SELECT " + QuoteStr(UpperCase(dataSource)) +
                                   " DB_NAME, TRIM(SCHEMA_NAME), TRIM(OBJECT_NAME), TRIM(OBJECT_TYPE), "
                                   "TRIM(OBJECT_NAME) || '.SQL'  FROM (");
  const bool wrapped = catalogLevel <= kLastWrappedLevel;
  if (wrapped) lines.push_back("SELECT * FROM (");
  for (const std::string& line : ObjectUnion()) lines.push_back(line);
  if (wrapped) lines.push_back(") ALL_OBJECT2 ");
  if (!allObjects) lines.push_back("WHERE TRIM(SCHEMA_NAME) = " + QuoteStr(schema));
  lines.push_back("ORDER BY DB_NAME, \"SORT\", OBJECT_NAME");
  std::string sql;
  for (const std::string& line : lines) sql += (sql.empty() ? "" : kLineBreak) + line;
  return sql;
}

// Quoted like the CREATE and the SELECT, so that the rows go where they
// are read from; the values are bound, so no quote in them ends the text.
std::string NameTableInsertSQL(const TNameTableName& table) {
  return "INSERT INTO " + Qualified(table) + " VALUES (:DB_NAME, :SCHEMA_NAME, :OBJECT_NAME, :OBJECT_TYPE, :SCRIPT_NAME)";
}

std::string SpaceListCommand(const std::string& dataSource) {
  return "rdbspcinf -d " + platform::QuoteArgument(dataSource);
}

std::vector<std::string> DatabaseSpaceNames(const std::vector<std::string>& lines) {
  const std::string label = kSpaceLabel;
  std::vector<std::string> names;
  for (const std::string& line : lines) {
    const std::string trimmed = Trim(line);
    if (trimmed.compare(0, label.size(), label) != 0) continue;
    names.push_back(Trim(trimmed.substr(trimmed.find(':') + 1)));
  }
  return names;
}

TNameTableReadFailure ClassifyReadFailure(const std::string& message) {
  if (message.find(kLayoutMismatchCode) != std::string::npos) return TNameTableReadFailure::LayoutMismatch;
  if (message.find(kMissingTableCode) != std::string::npos) return TNameTableReadFailure::Missing;
  return TNameTableReadFailure::Other;
}
