#include "sqlwork/core/ffieldcore.h"

#include <array>

#include "app/core/ovformat.h"
#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

namespace {

constexpr char kLockOption[] = " WITH OPTION LOCK_MODE(NO LOCK)";
constexpr char kTableKinds[] = "'BS', 'TD', 'TP'";
constexpr char kViewKinds[] = "'VW'";
constexpr char kIntervalCode[] = "IT";
constexpr char kIntervalName[] = "INTERVAL ";
constexpr char kLineBreak[] = "\r\n";

struct TTypeName {
  const char* Code;
  const char* Name;
};
// The picker writes "INT" where the editors write "INTEGER".
constexpr std::array<TTypeName, 15> kTypeNames = {{{"CH", "CHAR"},
                                                   {"CV", "CHAR VARYING"},
                                                   {"BL", "BLOB"},
                                                   {"CN", "NCHAR"},
                                                   {"NV", "NCHAR VARYING"},
                                                   {"IN", "INT"},
                                                   {"SI", "SMALLINT"},
                                                   {"DT", "DATE"},
                                                   {"NU", "NUMERIC"},
                                                   {"DE", "DECIMAL"},
                                                   {"FL", "FLOAT"},
                                                   {"DP", "DOUBLE PRECISION"},
                                                   {"RE", "REAL"},
                                                   {"TI", "TIME"},
                                                   {"TM", "TIMESTAMP"}}};

std::string IntervalQualifier(const QVariant& radix, const QVariant& precision) {
  bool ok = false;
  const int number = radix.toInt(&ok);
  return ok ? IntervalQualifierText(number, precision.toString().toStdString()) : std::string();
}

std::string AliasOf(const std::vector<TFieldTable>& tables, const std::string& name) {
  for (const TFieldTable& table : tables)
    if (table.Name == name) return table.Alias;
  return {};
}

std::string Joined(const std::vector<std::string>& items, const char* separator) {
  std::string text;
  for (const std::string& item : items) {
    if (!text.empty()) text += separator;
    text += item;
  }
  return text;
}

std::string Qualified(const std::string& schema, const std::string& table) {
  return QuoteIdent(schema) + "." + QuoteIdent(table);
}

std::vector<std::string> QuotedColumns(const std::vector<TFieldColumn>& columns, const char* suffix) {
  std::vector<std::string> names;
  for (const TFieldColumn& column : columns) names.push_back(QuoteIdent(column.Column) + suffix);
  return names;
}

}  // namespace

std::string FieldTableSQL(bool tables, bool views) {
  std::vector<std::string> kinds;
  if (tables) kinds.emplace_back(kTableKinds);
  if (views) kinds.emplace_back(kViewKinds);
  return "SELECT TRIM(TABLE_NAME), TABLE_TYPE FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_TYPE IN (" +
         Joined(kinds, ",") + ") AND TRIM(DB_NAME) = :DATABASE AND TRIM(SCHEMA_NAME) = :OWNER" + kLockOption;
}

const char* const kFieldIndexSQL =
    "SELECT TRIM(A.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN A LEFT OUTER JOIN RDBII_SYSTEM.KEY_COLUMN_USAGE B "
    "ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = B.TABLE_CODE AND "
    "A.COLUMN_CODE = B.COLUMN_CODE LEFT OUTER JOIN RDBII_SYSTEM.TABLE_CONSTRAINTS C ON A.DB_CODE = C.DB_CODE AND "
    "A.SCHEMA_CODE = C.SCHEMA_CODE AND A.TABLE_CODE = C.TABLE_CODE AND B.CONSTRAINT_CODE = C.CONSTRAINT_CODE "
    "LEFT OUTER JOIN RDBII_SYSTEM.RDBII_TABLE D ON A.DB_CODE = D.DB_CODE AND A.SCHEMA_CODE = D.SCHEMA_CODE AND "
    "A.TABLE_CODE = D.TABLE_CODE WHERE TRIM(D.DB_NAME) = :DATABASE AND D.SCHEMA_NAME = :OWNER AND "
    "D.TABLE_NAME = :NAME AND C.CONSTRAINT_TYPE = 'PK' ORDER BY A.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";

const char* const kFieldColumnSQL =
    "SELECT TRIM(A.COLUMN_NAME), A.DATA_TYPE, A.CHAR_MAX_LENGTH, A.NUMERIC_PRECISION, A.NUMERIC_SCALE, "
    "A.CHAR_MAX_LENGTH, 'C' CHAR_USED, A.NUMERIC_RADIX, C.COMMENT_VALUE FROM RDBII_SYSTEM.RDBII_COLUMN A "
    "LEFT OUTER JOIN RDBII_SYSTEM.RDBII_TABLE B ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND "
    "A.TABLE_CODE = B.TABLE_CODE LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT C ON A.DB_CODE = C.DB_CODE AND "
    "A.SCHEMA_CODE = C.SCHEMA_CODE AND A.TABLE_CODE = C.TABLE_CODE AND A.COLUMN_CODE = C.COLUMN_CODE WHERE "
    "TRIM(B.DB_NAME) = :DATABASE AND B.SCHEMA_NAME = :OWNER AND B.TABLE_NAME = :NAME ORDER BY A.ORDINAL_POSITION "
    "WITH OPTION LOCK_MODE(NO LOCK)";

std::string FieldTypeText(const TColumnTypeFields& field) {
  std::string name;
  if (field.DataType == kIntervalCode) {
    name = kIntervalName + IntervalQualifier(field.Radix, field.Precision);
  } else {
    for (const TTypeName& type : kTypeNames)
      if (field.DataType == type.Code) name = type.Name;
  }
  if (name.empty()) return {};
  const std::string size = ColumnSizeText(name, field.Length, field.Precision, field.Scale);
  return size.empty() ? name : name + "(" + size + ")";
}

std::string FieldCaption(const TFieldColumn& column) {
  return column.Table.empty() ? column.Column : column.Table + "." + column.Column;
}

std::string CopyTableText(const std::vector<std::string>& tables) {
  std::vector<std::string> names;
  for (const std::string& table : tables) names.push_back(QuoteIdent(table));
  return Joined(names, ",");
}

std::string CopyColumnText(const std::vector<TFieldColumn>& columns, const std::vector<TFieldTable>& tables) {
  std::vector<std::string> names;
  for (const TFieldColumn& column : columns) {
    const std::string alias = column.Table.empty() ? std::string() : AliasOf(tables, column.Table);
    names.push_back(alias.empty() ? QuoteIdent(column.Column) : alias + "." + QuoteIdent(column.Column));
  }
  return Joined(names, ",");
}

std::string SelectSkeleton(const std::string& schema, const std::vector<TFieldTable>& tables,
                           const std::vector<TFieldColumn>& columns) {
  std::vector<std::string> from;
  for (const TFieldTable& table : tables) {
    std::string item = Qualified(schema, table.Name);
    if (tables.size() > 1) item += " " + table.Alias;
    from.push_back(item);
  }
  const std::string list = columns.empty() ? std::string("*") : CopyColumnText(columns, tables);
  return FormatSQL("SELECT " + list + " FROM " + Joined(from, ","));
}

std::string InsertSkeleton(const std::string& schema, const std::string& table,
                           const std::vector<TFieldColumn>& columns) {
  std::string text = "INSERT INTO " + Qualified(schema, table);
  if (!columns.empty()) text += " (" + Joined(QuotedColumns(columns, ""), ",") + ")";
  return FormatSQL(text + " VALUES()");
}

std::string UpdateSkeleton(const std::string& schema, const std::string& table,
                           const std::vector<TFieldColumn>& columns) {
  const std::string separator = std::string(",") + kLineBreak;
  return FormatSQL("UPDATE " + Qualified(schema, table) + " SET" + kLineBreak +
                   Joined(QuotedColumns(columns, "= "), separator.c_str()));
}
