#include "admin/core/fmatrixcore.h"

#include <algorithm>
#include <map>

#include "app/core/ovkinds.h"
#include "objedit/core/rcrosscore.h"

const char kMatrixPrimaryKeySql[] =
    "SELECT TRIM(A.COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN A LEFT OUTER JOIN RDBII_SYSTEM.KEY_COLUMN_USAGE B ON "
    "A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = B.TABLE_CODE AND A.COLUMN_CODE = "
    "B.COLUMN_CODE LEFT OUTER JOIN RDBII_SYSTEM.TABLE_CONSTRAINTS C ON A.DB_CODE = C.DB_CODE AND A.SCHEMA_CODE = "
    "C.SCHEMA_CODE AND A.TABLE_CODE = C.TABLE_CODE AND B.CONSTRAINT_CODE = C.CONSTRAINT_CODE LEFT OUTER JOIN "
    "RDBII_SYSTEM.RDBII_TABLE D ON A.DB_CODE = D.DB_CODE AND A.SCHEMA_CODE = D.SCHEMA_CODE AND A.TABLE_CODE = "
    "D.TABLE_CODE WHERE TRIM(D.DB_NAME) = :DATABASE AND D.SCHEMA_NAME = :OWNER AND D.TABLE_NAME = :NAME AND "
    "C.CONSTRAINT_TYPE = 'PK' ORDER BY A.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";

namespace {

constexpr char kIndexColumnSql[] =
    "SELECT TRIM(D.COLUMN_NAME), D.DATA_TYPE, TRIM(D.NULLABLE), D.CHAR_MAX_LENGTH, D.NUMERIC_PRECISION, "
    "D.NUMERIC_SCALE, D.NUMERIC_RADIX, D.DEFAULT_VALUE FROM RDBII_SYSTEM.RDBII_TABLE A, RDBII_SYSTEM.RDBII_INDEX B, "
    "RDBII_SYSTEM.RDBII_COLUMN_USAGE C, RDBII_SYSTEM.RDBII_COLUMN D WHERE D.DB_CODE = C.DB_CODE AND D.SCHEMA_CODE = "
    "C.SCHEMA_CODE AND D.TABLE_CODE = C.TABLE_CODE AND D.COLUMN_CODE = C.COLUMN_CODE AND C.LIST_TYPE = 'I' AND "
    "C.OBJECT_CODE = B.INDEX_DSO_CODE AND B.TABLE_CODE = A.TABLE_CODE AND B.DB_CODE = A.DB_CODE AND B.SCHEMA_CODE = "
    "A.SCHEMA_CODE AND TRIM(A.DB_NAME) = :DB_NAME AND TRIM(A.SCHEMA_NAME) = :SCHEMA_NAME AND B.INDEX_DSO_NAME = "
    ":INDEX_DSO_NAME ORDER BY D.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";
constexpr char kTableColumnSql[] =
    "SELECT TRIM(B.COLUMN_NAME), B.DATA_TYPE, TRIM(B.NULLABLE), B.CHAR_MAX_LENGTH, B.NUMERIC_PRECISION, "
    "B.NUMERIC_SCALE, B.NUMERIC_RADIX, B.DEFAULT_VALUE FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN "
    "RDBII_SYSTEM.RDBII_COLUMN B ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.TABLE_CODE = "
    "B.TABLE_CODE WHERE TRIM(A.DB_NAME) = :DATABASE AND TRIM(A.SCHEMA_NAME) = :OWNER AND TRIM(A.TABLE_NAME) = :NAME "
    "ORDER BY B.ORDINAL_POSITION WITH OPTION LOCK_MODE(NO LOCK)";

constexpr char kIntervalType[] = "IT";
constexpr char kTab = '\t';
constexpr int kSchemaRow = 0;
constexpr int kNameRow = 1;
constexpr int kNameCol = 0;
constexpr int kSecondCol = 1;

const std::map<std::string, std::string>& TypeNames() {
  static const std::map<std::string, std::string> names = {
      {"CH", "CHAR"},      {"CV", "CHAR VARYING"},     {"CN", "NCHAR"}, {"NV", "NCHAR VARYING"},
      {"IN", "INT"},       {"SI", "SMALLINT"},         {"NU", "NUMERIC"}, {"DE", "DECIMAL"},
      {"FL", "FLOAT"},     {"DP", "DOUBLE PRECISION"}, {"RE", "REAL"},  {"TM", "TIMESTAMP"},
      {"DT", "DATE"},      {"TI", "TIME"},             {"BL", "BLOB"},  {kIntervalType, "INTERVAL"}};
  return names;
}

// The interval qualifier of a radix; "%" stands for the precision.
const std::map<int, std::string>& IntervalQualifiers() {
  static const std::map<int, std::string> qualifiers = {
      {1, " YEAR"},   {2, " MONTH"},  {3, " DAY"},    {4, " HOUR"},
      {5, " MINUTE"}, {6, " SECOND"}, {7, " YEAR(%) TO MONTH"}, {8, " DAY(%) TO HOUR"},
      {9, " DAY(%) TO MINUTE"},       {10, " DAY(%) TO SECOND"}, {11, " HOUR(%) TO MINUTE"},
      {12, " HOUR(%) TO SECOND"},     {13, " MINUTE(%) TO SECOND"}};
  return qualifiers;
}

}  // namespace

const char* MatrixPageTitle(TMatrixPage page) {
  switch (page) {
    case TMatrixPage::Referencing:
      return "OBJECT＼参照";
    case TMatrixPage::Field:
      return "項目＼表";
    case TMatrixPage::Referenced:
      break;
  }
  return "OBJECT＼被参照";
}

const char* MatrixObjectSql(TMatrixPage page) {
  return CrossSql(page == TMatrixPage::Referencing ? TCrossSide::Used : TCrossSide::Using);
}

const char* MatrixColumnSql(int kind) { return kind == okIndex ? kIndexColumnSql : kTableColumnSql; }

std::optional<std::string> MatrixTypeText(const TMatrixColumnType& column) {
  const auto found = TypeNames().find(column.DataType);
  if (found == TypeNames().end()) return std::nullopt;
  std::string text = found->second;
  if (column.DataType == kIntervalType) {
    const auto qualifier = IntervalQualifiers().find(column.Radix.toInt());
    if (qualifier != IntervalQualifiers().end()) {
      std::string words = qualifier->second;
      if (const size_t mark = words.find('%'); mark != std::string::npos)
        words.replace(mark, 1, column.Precision.toString().toStdString());
      text += words;
    }
  }
  const std::string size = ColumnSizeText(text, column.Length, column.Precision, column.Scale);
  if (!size.empty()) text += "(" + size + ")";
  return text;
}

TMatrixModel::TMatrixModel()
    : cells_(kMatrixFixed, std::vector<std::string>(kMatrixFixed)), rowKinds_(kMatrixFixed), colKinds_(kMatrixFixed) {}

void TMatrixModel::InsertRow(int at) {
  cells_.insert(cells_.begin() + at, std::vector<std::string>(Index(ColCount())));
  rowKinds_.insert(rowKinds_.begin() + at, 0);
}

void TMatrixModel::InsertColumn(int at, const std::string& schema, const std::string& name, int kind) {
  for (std::vector<std::string>& row : cells_) row.insert(row.begin() + at, std::string());
  colKinds_.insert(colKinds_.begin() + at, kind);
  cells_[kSchemaRow][Index(at)] = schema;
  cells_[kNameRow][Index(at)] = name;
}

int TMatrixModel::AddObjectRow(const std::string& name, const std::string& schema, int kind) {
  const int row = RowCount();
  InsertRow(row);
  cells_[Index(row)][kNameCol] = name;
  cells_[Index(row)][kSecondCol] = schema;
  rowKinds_[Index(row)] = kind;
  return row;
}

int TMatrixModel::ObjectColumn(const std::string& schema, const std::string& name, int kind) {
  const std::string key = schema + kTab + name;
  int col = kMatrixFixed;
  for (; col < ColCount(); ++col) {
    const std::string columnKey = Cell(kSchemaRow, col) + kTab + Cell(kNameRow, col);
    if (key == columnKey) {
      if (ColKind(col) == kind) return col;
      break;
    }
    if (key < columnKey) break;
  }
  InsertColumn(col, schema, name, kind);
  return col;
}

int TMatrixModel::AddObjectColumn(const std::string& schema, const std::string& name, int kind) {
  const int col = ColCount();
  InsertColumn(col, schema, name, kind);
  return col;
}

int TMatrixModel::FieldRow(const std::string& columnName, const std::string& typeText) {
  const std::string key = columnName + kTab + typeText;
  int row = kMatrixFixed;
  for (; row < RowCount(); ++row) {
    const std::string rowKey = Cell(row, kNameCol) + kTab + Cell(row, kSecondCol);
    if (key == rowKey) return row;
    if (key < rowKey) break;
  }
  InsertRow(row);
  cells_[Index(row)][kNameCol] = columnName;
  cells_[Index(row)][kSecondCol] = typeText;
  return row;
}

void TMatrixModel::Mark(int row, int col, const std::string& mark) { cells_[Index(row)][Index(col)] = mark; }

void TMatrixModel::Finish() {
  while (RowCount() < kMatrixMinCount) InsertRow(RowCount());
  while (ColCount() < kMatrixMinCount) InsertColumn(ColCount(), "", "", 0);
}

TMatrixBlockCopies MatrixBlockCopies(int rows, int cols, int pageRows, int pageCols) {
  if (pageRows <= 0 || pageCols <= 0) return {};
  return {std::max(0, (pageRows + rows - kMatrixFixed - 1) / pageRows - 1),
          std::max(0, (pageCols + cols - kMatrixFixed - 1) / pageCols - 1)};
}
