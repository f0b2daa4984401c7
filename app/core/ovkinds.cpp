#include "app/core/ovkinds.h"

#include <QCursor>
#include <QGuiApplication>

#include <iterator>

#include "app/core/zarur.h"

namespace {

// Interval qualifiers by their catalogue number (1 to 13): the single
// fields, then the ranges, whose leading field carries the precision.
struct TQualifier {
  const char* Leading;
  const char* Trailing;  // null for a single field
};
constexpr TQualifier kQualifiers[] = {{"YEAR", nullptr},   {"MONTH", nullptr},  {"DAY", nullptr},
                                      {"HOUR", nullptr},   {"MINUTE", nullptr}, {"SECOND", nullptr},
                                      {"YEAR", "MONTH"},   {"DAY", "HOUR"},     {"DAY", "MINUTE"},
                                      {"DAY", "SECOND"},   {"HOUR", "MINUTE"},  {"HOUR", "SECOND"},
                                      {"MINUTE", "SECOND"}};

struct KindRow {
  int code;
  const char* name;
};

// Code 3 is a second user image; it converts to the name only, so it
// follows the row of code 2.
constexpr KindRow kKinds[] = {
    {okUser, "USER"},
    {okUser2, "USER"},
    {okTable, "TABLE"},
    {okIndex, "INDEX"},
    {okView, "VIEW"},
    {okJavaSource, "JAVA SOURCE"},
    {okJavaClass, "JAVA CLASS"},
    {50, "JAVA RESOURCE"},
    {okProcedure, "PROCEDURE"},
    {okFunction, "FUNCTION"},
    {okPackage, "PACKAGE"},
    {okPackageBody, "PACKAGE BODY"},
    {okType, "TYPE"},
    {okTypeBody, "TYPE BODY"},
    {okTrigger, "TRIGGER"},
    {okSequence, "SEQUENCE"},
    {59, "CLUSTER"},
    {60, "SYNONYM"},
    {61, "MATERIALIZED VIEW"},
    {62, "MATERIALIZED VIEW LOG"},
    {63, "REFRESH GROUP"},
    {64, "DATABASE LINK"},
    {65, "LIBRARY"},
    {okConstraint, "CONSTRAINT"},
    {67, "PROFILE"},
    {okRole, "ROLE"},
    {okTablespace, "TABLESPACE"},
    {70, "ROLLBACK SEGMENT"},
    {72, "DIRECTORY"},
    {okTablePartition, "TABLE PARTITION"},
    {okIndexPartition, "INDEX PARTITION"},
};

constexpr const char* kReservedWords[] = {
    "ABSOLUTE", "ACTION", "ADD", "ADMIN", "AFTER", "ALL", "ALLOCATE", "ALTER", "AND", "ANY", "ARE", "AS",
    "ASC", "ASSERTION", "AT", "AUTHORIZATION", "AVG", "BEFORE", "BEGIN", "BETWEEN", "BINARY", "BIT",
    "BIT_LENGTH", "BLOB", "BOTH", "BY", "CALL", "CASCADE", "CASCADED", "CASE", "CAST", "CATALOG", "CHAR",
    "CHARACTER", "CHARACTER_LENGTH", "CHAR_LENGTH", "CHECK", "CLOSE", "COALESCE", "COLLATE", "COLLATION",
    "COLUMN", "COMMIT", "CONDITION", "CONNECT", "CONNECTION", "CONSTRAINT", "CONSTRAINTS", "CONTINUE",
    "CONVERT", "CORRESPONDING", "COUNT", "CREATE", "CROSS", "CURRENT", "CURRENT_DATE", "CURRENT_TIME",
    "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR", "DATE", "DAY", "DEALLOCATE", "DEC", "DECIMAL", "DECLARE",
    "DEFAULT", "DEFERRABLE", "DEFERRED", "DELETE", "DESC", "DESCRIBE", "DESCRIPTOR", "DIAGNOSTICS",
    "DISCONNECT", "DISTINCT", "DO", "DOMAIN", "DOUBLE", "DROP", "EACH", "ELSE", "ELSEIF", "END", "END-EXEC",
    "ESCAPE", "EXCEPT", "EXCEPTION", "EXEC", "EXECUTE", "EXISTS", "EXIT", "EXTERNAL", "EXTRACT", "FALSE",
    "FETCH", "FIRST", "FLOAT", "FOR", "FOREIGN", "FOUND", "FROM", "FULL", "FUNCTION", "GET", "GLOBAL", "GO",
    "GOTO", "GRANT", "GROUP", "HANDLER", "HAVING", "HOUR", "IDENTITY", "IF", "IMMEDIATE", "IN", "INDICATOR",
    "INITIALLY", "INNER", "INOUT", "INPUT", "INSENSITIVE", "INSERT", "INSTEAD", "INT", "INTEGER",
    "INTERSECT", "INTERVAL", "INTO", "IS", "ISOLATION", "JOIN", "KEY", "LANGUAGE", "LARGE", "LAST",
    "LEADING", "LEAVE", "LEFT", "LEVEL", "LIKE", "LOCAL", "LOOP", "LOWER", "MATCH", "MAX", "MIN", "MINUTE",
    "MODULE", "MONTH", "NAMES", "NATIONAL", "NATURAL", "NCHAR", "NEW", "NEW_TABLE", "NEXT", "NO", "NONE",
    "NOT", "NULL", "NULLIF", "NUMERIC", "OBJECT", "OCTET_LENGTH", "OF", "OLD", "OLD_TABLE", "ON", "ONLY",
    "OPEN", "OPTION", "OR", "ORDER", "OUT", "OUTER", "OUTPUT", "OVERLAPS", "PAD", "PARALLEL", "PARAMETER",
    "PARTIAL", "POSITION", "PRECISION", "PREPARE", "PRESERVE", "PRIMARY", "PRIOR", "PRIVILEGES", "PROCEDURE",
    "PUBLIC", "READ", "REAL", "REDO", "REFERENCES", "REFERENCING", "RELATIVE", "REPEAT", "RESIGNAL",
    "RESTRICT", "RETURN", "RETURNS", "REVOKE", "RIGHT", "ROLE", "ROLLBACK", "ROUTINE", "ROW", "ROW_ID",
    "ROWNUM", "ROWS", "SCHEMA", "SCROLL", "SECOND", "SECTION", "SELECT", "SEQUENCE", "SESSION",
    "SESSION_USER", "SET", "SIGNAL", "SIZE", "SMALLINT", "SOME", "SPACE", "SPECIFIC", "SQL", "SQLCODE",
    "SQLERROR", "SQLEXCEPTION", "SQLSTATE", "SQLWARNING", "SUBSTRING", "SUM", "SYSTEM_USER", "TABLE",
    "TEMPORARY", "THEN", "TIME", "TIMESTAMP", "TIMEZONE_HOUR", "TIMEZONE_MINUTE", "TO", "TRAILING",
    "TRANSACTION", "TRANSLATE", "TRANSLATION", "TRIGGER", "TRIM", "TRUE", "UNDO", "UNION", "UNIQUE",
    "UNKNOWN", "UNTIL", "UPDATE", "UPPER", "USAGE", "USER", "USING", "VALUE", "VALUES", "VARCHAR", "VARYING",
    "VIEW", "WHEN", "WHENEVER", "WHERE", "WHILE", "WITH", "WORK", "WRITE", "YEAR", "ZONE",
};

constexpr const char* kDataTypes[] = {
    "CHAR", "CHAR VARYING", "NCHAR", "NCHAR VARYING", "NUMERIC", "DECIMAL", "INTEGER",
    "SMALLINT", "FLOAT", "REAL", "DOUBLE PRECISION", "DATE", "TIME", "TIMESTAMP",
    "INTERVAL YEAR", "INTERVAL MONTH", "INTERVAL DAY", "INTERVAL HOUR", "INTERVAL MINUTE", "INTERVAL SECOND",
};

const std::vector<std::string> kLengthTypes = {"CHAR", "CHAR VARYING", "NCHAR", "NCHAR VARYING"};
const std::vector<std::string> kScaledTypes = {"NUMERIC", "DECIMAL"};
const std::vector<std::string> kPrecisionTypes = {"FLOAT",          "INTERVAL YEAR",   "INTERVAL MONTH",
                                                  "INTERVAL DAY",   "INTERVAL HOUR",   "INTERVAL MINUTE",
                                                  "INTERVAL SECOND"};

bool IsNull(const QVariant& field) { return !field.isValid() || field.isNull(); }
std::string FieldText(const QVariant& field) { return IsNull(field) ? std::string() : field.toString().toStdString(); }

// Shows the wait cursor while a list is being filled.
class WaitCursor {
 public:
  WaitCursor() : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    if (shown_) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  }
  ~WaitCursor() {
    if (shown_) QGuiApplication::restoreOverrideCursor();
  }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  bool shown_;
};

}  // namespace

std::uint8_t ObjectKindFromName(const std::string& kindName) {
  const std::string upper = UpperCase(kindName);
  for (const KindRow& row : kKinds)
    if (upper == row.name) return static_cast<std::uint8_t>(row.code);
  return okUnknown;
}

std::string ObjectKindName(int code) {
  for (const KindRow& row : kKinds)
    if (row.code == code) return row.name;
  return {};
}

void GetReservedWords(std::vector<std::string>& list) {
  list.insert(list.end(), std::begin(kReservedWords), std::end(kReservedWords));
}

void GetDataTypeList(std::vector<std::string>& list) {
  WaitCursor wait;
  list.assign(std::begin(kDataTypes), std::end(kDataTypes));
}

std::string ColumnSizeText(const std::string& typeName, const QVariant& length, const QVariant& precision,
                           const QVariant& scale) {
  if (MatchesAny(typeName, kLengthTypes)) return FieldText(length);
  if (MatchesAny(typeName, kScaledTypes)) {
    if (IsNull(precision)) return {};
    return IsNull(scale) ? FieldText(precision) : FieldText(precision) + "," + FieldText(scale);
  }
  if (MatchesAny(typeName, kPrecisionTypes)) return FieldText(precision);
  return {};
}

std::string IntervalQualifierText(int number, const std::string& precision) {
  if (number < 1 || number > static_cast<int>(std::size(kQualifiers))) return {};
  const TQualifier& q = kQualifiers[number - 1];
  if (!q.Trailing) return q.Leading;
  return std::string(q.Leading) + "(" + precision + ") TO " + q.Trailing;
}
