// ffieldcore: the column picker without its window: the catalogue
// statements it runs, the type text of a column from its catalogue codes,
// and the texts it copies (names, column lists and statement skeletons).
#pragma once

#include <QVariant>

#include <string>
#include <vector>

// The catalogue statements: tables of a schema (the kind list is built from
// the two buttons), key columns and columns of one table. Parameters
// :DATABASE, :OWNER and (the last two) :NAME.
std::string FieldTableSQL(bool tables, bool views);
extern const char* const kFieldIndexSQL;
extern const char* const kFieldColumnSQL;

// A column's fields as the column statement reads them.
struct TColumnTypeFields {
  std::string DataType;  // the two-letter code
  QVariant Length;
  QVariant Precision;
  QVariant Scale;
  QVariant Radix;  // the interval qualifier, 1 to 13
};
// "CHAR(10)", "DECIMAL(7,2)", "INTERVAL DAY(2) TO SECOND"; empty for an
// unknown code.
std::string FieldTypeText(const TColumnTypeFields& field);

// A selected column: the table is empty when only one table is selected.
struct TFieldColumn {
  std::string Table;
  std::string Column;
};
// A selected table and the alias the user gave it (may be empty).
struct TFieldTable {
  std::string Name;
  std::string Alias;
};

// The list caption of a column: "<table>.<column>" with a table.
std::string FieldCaption(const TFieldColumn& column);
// The selected tables through QuoteIdent, joined by ",".
std::string CopyTableText(const std::vector<std::string>& tables);
// The selected columns, qualified by their table's alias when it has a
// non-empty one, joined by ",".
std::string CopyColumnText(const std::vector<TFieldColumn>& columns, const std::vector<TFieldTable>& tables);
// The statement skeletons, laid out by FormatSQL. With more than one table
// the SELECT writes every table's alias after it; no column gives "*".
std::string SelectSkeleton(const std::string& schema, const std::vector<TFieldTable>& tables,
                           const std::vector<TFieldColumn>& columns);
std::string InsertSkeleton(const std::string& schema, const std::string& table,
                           const std::vector<TFieldColumn>& columns);
std::string UpdateSkeleton(const std::string& schema, const std::string& table,
                           const std::vector<TFieldColumn>& columns);
