#ifndef ORV_TOOLS_CORE_FDATAGENCHECK_H
#define ORV_TOOLS_CORE_FDATAGENCHECK_H

// What the generator window computes around the rules: a column's record
// from its catalogue row, the summary the column list shows, the checks
// before a run, and the statements of the test run's temporary table.
#include "tools/core/fdatagencore.h"

#include <QVariant>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// A column's record from a row of the column query (name, DATA_TYPE,
// NULLABLE, CHAR_MAX_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE,
// NUMERIC_RADIX, DEFAULT_VALUE); nothing for the empty row of a table
// without columns.
std::optional<TColParams> DataGenColumnFromRow(const std::vector<QVariant>& row);

// The parameter summary of a column's rule, as the column list shows it.
std::string ColumnRuleSummary(const TColParams& col);

// Where the check sends the focus.
enum class TDataGenFocus { Count, MasterTable, ChildCount, Column, StrDigit, ColumnList };
struct TDataGenProblem {
  std::string Message;
  TDataGenFocus Focus = TDataGenFocus::Column;
  int Column = -1;  // the column row concerned, -1 for none

  friend bool operator==(const TDataGenProblem&, const TDataGenProblem&) = default;
};
inline constexpr const char* kFromAboveTo = "From ＞ To の指定はできません。";
// The checks before a run, in their order; the first problem. A fixed value
// that holds no ".NEXTVAL" is tried by `fixedValueWorks`.
std::optional<TDataGenProblem> InputCheck(const TDataGenDocument& settings, const std::vector<TColParams>& cols,
                                          const std::function<bool(const std::string&)>& fixedValueWorks);
// The statement a fixed value is tried with.
std::string FixedValueProbeSQL(const std::string& expression);

// The test run's temporary table: the table's name cut at 19 columns and
// the time as "MMddhhmmss"; its statements, schema and name quoted.
std::string DataGenTestTableName(const std::string& table, const QDateTime& now);
std::string DataGenTestTarget(const std::string& schema, const std::string& name);
// `space` empty: "ON DEFAULT DBSPACE 1".
std::string DataGenTestCreateSQL(const std::string& schema, const std::string& name,
                                 const std::vector<TColParams>& cols, const std::string& space);
inline constexpr const char* kDataGenTableSpaceSQL =
    "SELECT TRIM(DBSPACE_NAME) FROM RDBII_SYSTEM.RDBII_TABLE_EX WHERE TRIM(DB_NAME) = :DB_NAME AND "
    "TRIM(SCHEMA_NAME) = :SCHEMA_NAME AND TRIM(TABLE_NAME) = :TABLE_NAME WITH OPTION LOCK_MODE(NO LOCK)";

// The catalogue queries of the generator window.
inline constexpr const char* kDataGenColumnSQL =
    "SELECT TRIM(B.COLUMN_NAME), B.DATA_TYPE, TRIM(B.NULLABLE), B.CHAR_MAX_LENGTH, B.NUMERIC_PRECISION, "
    "B.NUMERIC_SCALE, B.NUMERIC_RADIX, B.DEFAULT_VALUE FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN "
    "RDBII_SYSTEM.RDBII_COLUMN B ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = "
    "B.TABLE_CODE WHERE TRIM(A.DB_NAME) = :DATABASE AND TRIM(A.SCHEMA_NAME) = :OWNER AND TRIM(A.TABLE_NAME) = "
    ":NAME ORDER BY B.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";
inline constexpr const char* kDataGenConstraintSQL =
    "SELECT A.CONSTRAINT_TYPE, A.CONSTRAINT_CODE FROM RDBII_SYSTEM.RDBII_CONSTRAINT A LEFT OUTER JOIN "
    "RDBII_SYSTEM.RDBII_TABLE B ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = "
    "B.TABLE_CODE WHERE TRIM(B.DB_NAME) = :DATABASE AND B.SCHEMA_NAME = :OWNER AND B.TABLE_NAME = :NAME WITH "
    "OPTION LOCK_MODE(NO LOCK)";
inline constexpr const char* kDataGenKeyColumnSQL =
    "SELECT TRIM(A.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN A LEFT OUTER JOIN RDBII_SYSTEM.KEY_COLUMN_USAGE B "
    "ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = B.TABLE_CODE AND "
    "A.COLUMN_CODE = B.COLUMN_CODE LEFT OUTER JOIN RDBII_SYSTEM.TABLE_CONSTRAINTS C ON A.DB_CODE = C.DB_CODE AND "
    "A.SCHEMA_CODE = C.SCHEMA_CODE AND A.TABLE_CODE = C.TABLE_CODE AND B.CONSTRAINT_CODE = C.CONSTRAINT_CODE "
    "LEFT OUTER JOIN RDBII_SYSTEM.RDBII_TABLE D ON A.DB_CODE = D.DB_CODE AND A.SCHEMA_CODE = D.SCHEMA_CODE AND "
    "A.TABLE_CODE = D.TABLE_CODE WHERE TRIM(D.DB_NAME) = :DATABASE AND D.SCHEMA_NAME = :OWNER AND D.TABLE_NAME = "
    ":NAME AND C.CONSTRAINT_CODE = :CONST ORDER BY A.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";

#endif
