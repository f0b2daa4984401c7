// fmatrixcore: the cross-reference matrix without its window: the pages and
// their queries, the matrix model (rows and columns kept in byte-wise order
// as the objects are read, crossing marks), the field page's type texts and
// the page blocks of the spreadsheet template.
#pragma once

#include <QVariant>

#include <optional>
#include <string>
#include <vector>

// The pages in tab order.
enum class TMatrixPage { Referenced, Referencing, Field };
inline constexpr TMatrixPage kMatrixPages[] = {TMatrixPage::Referenced, TMatrixPage::Referencing, TMatrixPage::Field};
// "OBJECT＼被参照", "OBJECT＼参照", "項目＼表": the tab caption and the
// spreadsheet's A1.
const char* MatrixPageTitle(TMatrixPage page);
// The object pages' query (the cross-reference frame's: what an object
// uses on the referencing page, what uses it on the referenced page); its
// markers :OWNER, :NAME and :TYPE take schema, name and kind name.
const char* MatrixObjectSql(TMatrixPage page);
// The field page's queries: the primary-key column names of a table, and
// the columns of a table or view or (kind 46) an index; their markers take
// the data source, the schema and the name.
extern const char kMatrixPrimaryKeySql[];
const char* MatrixColumnSql(int kind);

inline constexpr const char* kMatrixCross = "○";
inline constexpr const char* kMatrixKey = "◎";
inline constexpr int kMatrixFixed = 2;
inline constexpr int kMatrixMinCount = 3;

// The type text of a catalogue column on the field page ("INT" for "IN");
// none for a code outside the table.
struct TMatrixColumnType {
  std::string DataType;
  QVariant Radix;
  QVariant Length;
  QVariant Precision;
  QVariant Scale;
};
std::optional<std::string> MatrixTypeText(const TMatrixColumnType& column);

// The grid of a page: rows of cells, row 0 the schemas and row 1 the names
// of the columns' objects; on the object pages column 0 the names and
// column 1 the schemas of the rows' objects, on the field page column 0 the
// column names and column 1 the type texts. Kinds ride on row 1 (columns)
// and column 0 (rows), 0 where there is none.
class TMatrixModel {
 public:
  TMatrixModel();

  int RowCount() const { return static_cast<int>(cells_.size()); }
  int ColCount() const { return static_cast<int>(cells_.front().size()); }
  const std::string& Cell(int row, int col) const { return cells_[Index(row)][Index(col)]; }
  int RowKind(int row) const { return rowKinds_[Index(row)]; }
  int ColKind(int col) const { return colKinds_[Index(col)]; }
  const std::vector<std::vector<std::string>>& Cells() const { return cells_; }

  // Object pages: a row for the selected object, appended.
  int AddObjectRow(const std::string& name, const std::string& schema, int kind);
  // The column of a referenced or referencing object: the one of equal
  // schema, name and kind, else a new one at its byte-wise place; one of
  // equal name but another kind goes in front of the other.
  int ObjectColumn(const std::string& schema, const std::string& name, int kind);
  // Field page: a column for the object, appended.
  int AddObjectColumn(const std::string& schema, const std::string& name, int kind);
  // The row of a column name with its type, at its byte-wise place.
  int FieldRow(const std::string& columnName, const std::string& typeText);
  void Mark(int row, int col, const std::string& mark);
  // At least three rows and three columns.
  void Finish();

 private:
  static size_t Index(int i) { return static_cast<size_t>(i); }
  void InsertColumn(int at, const std::string& schema, const std::string& name, int kind);
  void InsertRow(int at);
  std::vector<std::vector<std::string>> cells_;
  std::vector<int> rowKinds_;
  std::vector<int> colKinds_;
};

// How often the template's first page block is copied down and right for
// a grid of `rows` by `cols` with pages of pageRows by pageCols.
struct TMatrixBlockCopies {
  int Down = 0;
  int Right = 0;
};
TMatrixBlockCopies MatrixBlockCopies(int rows, int cols, int pageRows, int pageCols);
