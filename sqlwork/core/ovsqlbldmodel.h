// ovsqlbldmodel: the SQL builder's model. Table boxes with their catalogue
// lookups, the joins between their columns with the geometry of their lines,
// the seven-column grid rows and the statement kind, and the translation of
// all of it into statement text (BuildSQL) and back (ParseSQL). The builder
// window only shows this model and forwards its events here; every change of
// boxes, joins or rows rewrites SQLText unless SQLDesign is set.
//
// Catalogue reads go through the connection window; the derived table of a
// box runs on its connection without reading a row.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "app/core/zarursql.h"

class TovConnectionWindow;

inline constexpr char kUnknownObject[] = "接続中のデータベースに存在しないオブジェクトが指定されました。";
// The message of a text the builder cannot show.
inline constexpr char kCannotShowSQL[] = "この SQL は、SQLビルダ上に表示する事は出来ません。";
// The first item of a box's column list in SELECT and CREATE VIEW.
inline constexpr char kAllColumns[] = "*";

struct TBuildPoint {
  int X = 0;
  int Y = 0;
  bool operator==(const TBuildPoint&) const = default;
};

struct TBuildRect {
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  int Right() const { return Left + Width; }
  int Bottom() const { return Top + Height; }
  bool Intersects(const TBuildRect& other) const;
};

struct TBuildSize {
  int Width = 0;
  int Height = 0;
  bool operator==(const TBuildSize&) const = default;
};

// Sizes the window measures from its fonts: the column list's item height,
// the caption panel's and the alias edit's heights.
inline constexpr int kDefaultItemHeight = 16;
inline constexpr int kDefaultCaptionHeight = 16;
inline constexpr int kDefaultAliasHeight = 21;
// The width of a box's sizing frame.
inline constexpr int kBoxFrameWidth = 4;
struct TBuildMetrics {
  int ItemHeight = kDefaultItemHeight;
  int CaptionHeight = kDefaultCaptionHeight;
  int AliasHeight = kDefaultAliasHeight;
};

// One item of a box's column list; Key marks a primary-key column.
struct TBuildColumn {
  std::string Name;
  bool Key = false;
};

// A table of the statement. Table is the name as written (quoted when it
// was written quoted), or a derived table's whole text in parentheses.
class TovSQLBuildTable {
 public:
  std::string Schema;
  std::string Table;
  std::string Alias;
  std::vector<TBuildColumn> Items;
  TBuildRect Bounds;
  // The first visible item of the column list and the list's client height;
  // the window keeps them as the list scrolls and the box is resized.
  int TopIndex = 0;
  int ListHeight = 0;

  // The alias, else the table.
  std::string GetName() const;
  // The quoted schema and ".", or empty without a schema.
  std::string SchemaPrefix() const;
  // The qualifier of the box's columns in the statement kind.
  std::string ColumnPrefix(int kind) const;
  // The caption panel's text.
  std::string Caption() const;
  bool IsDerived() const;
  // The table as the FROM list and the INSERT, UPDATE and DELETE heads
  // write it.
  std::string Reference() const;
  // The index of an item (case-sensitive), -1 when absent.
  int IndexOf(const std::string& column) const;
  // Whether an item has the name, case ignored.
  bool HasColumn(const std::string& column) const;
};

// Join operators, in the order of the join dialog's choices.
enum TJoinOperator { joEqual, joGreater, joGreaterEqual, joLess, joLessEqual, joNotEqual, joCount };

// A join between a column of Table1 and a column of Table2. Points is the
// four-point line, P0 at Table1 and P3 at Table2, in canvas coordinates.
class TovSQLBuildConnect {
 public:
  TovSQLBuildTable* Table1 = nullptr;
  TovSQLBuildTable* Table2 = nullptr;
  std::string Column1;
  std::string Column2;
  int Operator = joEqual;
  std::array<TBuildPoint, 4> Points{};

  // Table2 lies left of Table1: the line leaves Table1 on its left side and
  // the operator label reads the other way round.
  bool Mirrored() const;
  std::string Label() const;
};

// max(|dx|, |dy|) + min(|dx|, |dy|) / 2, the length the hit test compares with.
int ApproxDistance(int dx, int dy);

// The grid: row 0 is the header, data rows start at row 1, and the last row
// is always kept empty as the place for a new entry.
inline constexpr int kBuildColumns = 7;
enum TBuildColumnIndex { bcExpression, bcAlias, bcShow, bcSort, bcSortOrder, bcGroup, bcCondition };
using TBuildRow = std::array<std::string, kBuildColumns>;
inline constexpr char kChecked[] = "1";
inline constexpr char kAscending[] = "昇順";
inline constexpr char kDescending[] = "降順";
inline constexpr char kGroupBy[] = "GROUP BY";
inline constexpr char kHaving[] = "HAVING";

// What ParseSQL did with the editor text. Unreadable: the text is not one
// the builder can show (kCannotShowSQL); the model is left empty.
enum class TParseResult { Unchanged, Parsed, Unreadable };

// Holds a busy flag set (when `on`) and gives back its former value.
class TBuildBusy {
 public:
  explicit TBuildBusy(bool& flag, bool on = true) : flag_(flag), was_(flag) {
    if (on) flag_ = true;
  }
  ~TBuildBusy() { flag_ = was_; }
  TBuildBusy(const TBuildBusy&) = delete;
  TBuildBusy& operator=(const TBuildBusy&) = delete;

 private:
  bool& flag_;
  bool was_;
};

// Names and grid texts compare without regard to case.
bool SameText(const std::string& a, const std::string& b);

class TovSQLDesigner {
 public:
  explicit TovSQLDesigner(TovConnectionWindow* connection = nullptr);
  ~TovSQLDesigner();
  TovSQLDesigner(const TovSQLDesigner&) = delete;
  TovSQLDesigner& operator=(const TovSQLDesigner&) = delete;

  // Catalogue queries, the user name of unqualified tables and of CREATE
  // VIEW; without one BuildSQL and ParseSQL do nothing.
  TovConnectionWindow* Connection = nullptr;
  // The editor's text: BuildSQL writes it, ParseSQL reads it.
  std::string SQLText;
  std::string ViewName;
  // The busy flag: set while the builder rewrites the text or the grid.
  bool SQLDesign = false;
  TBuildMetrics Metrics;
  // The canvas's client size and scroll positions, kept by the window.
  int ClientWidth = 0;
  int ClientHeight = 0;
  int ScrollX = 0;
  int ScrollY = 0;

  int SQLType() const { return sqlType_; }
  // The text as the last BuildSQL or ParseSQL left it.
  const std::string& LastSQL() const { return lastSQL_; }
  // The user changed the text since: the boxes are shown disabled.
  bool TextChanged() const { return SQLText != lastSQL_; }

  // ---- boxes ----
  const std::vector<std::unique_ptr<TovSQLBuildTable>>& Tables() const { return tables_; }
  // Adds a box with its columns from the catalogue. An unknown table raises
  // kUnknownObject and leaves the box with the items it had.
  TovSQLBuildTable& AddTable(const std::string& name, const std::string& alias);
  // AddTable with a new alias in SELECT and CREATE VIEW, without one else.
  TovSQLBuildTable& InsertTable(const std::string& name);
  // Tables can be added: SELECT and CREATE VIEW take many, the others one.
  bool CanInsertTable() const;
  // The chosen tables added in order (only the first in the kinds that take
  // one), then the statement rewritten; the number added.
  int InsertTables(const std::vector<std::string>& names);
  std::string NewAlias() const;
  // The last box named `name` (any box when empty), case ignored, whose
  // list holds the column; none when there is no such box.
  TovSQLBuildTable* FindTable(const std::string& name, const std::string& column) const;
  // Removes the box with its joins and the grid rows that use its name.
  void RemoveTable(TovSQLBuildTable& box);
  void ClearAll();
  TovSQLBuildTable* SelectedTable() const { return selected_; }
  void SelectTable(TovSQLBuildTable* box) { selected_ = box; }
  // Drags a box; it never goes above or left of the canvas's origin.
  void MoveTable(TovSQLBuildTable& box, int dx, int dy);
  // A new alias text; the qualifiers of the old name in the grid follow it.
  void SetAlias(TovSQLBuildTable& box, const std::string& alias);
  // The scroll range the boxes need.
  TBuildSize ScrollRange() const;

  // ---- joins ----
  const std::vector<std::unique_ptr<TovSQLBuildConnect>>& Joins() const { return joins_; }
  TovSQLBuildConnect& AddJoin(TovSQLBuildTable& table1, const std::string& column1, TovSQLBuildTable& table2,
                              const std::string& column2, int op = joEqual);
  void RemoveJoin(const TovSQLBuildConnect& join);
  // A column dragged from one box onto an item of another (-1: none under
  // the mouse) makes a join unless one of them is "*".
  bool CanDropJoin(const TovSQLBuildTable& source, int sourceItem, const TovSQLBuildTable& target,
                   int targetItem) const;
  void DropJoin(TovSQLBuildTable& source, int sourceItem, TovSQLBuildTable& target, int targetItem);
  void CalcPoints(TovSQLBuildConnect& join) const;
  // Whether a point of the canvas's client area lies on the join's line.
  bool HitTest(const TovSQLBuildConnect& join, TBuildPoint client) const;
  // The first join hit, or none: the hand cursor and the double click.
  TovSQLBuildConnect* JoinAt(TBuildPoint client);
  // Where the operator label of the given text size is drawn.
  TBuildPoint LabelOrigin(const TovSQLBuildConnect& join, int textWidth, int textHeight) const;

  // ---- grid ----
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const TBuildRow& Row(int row) const { return rows_.at(row); }
  const std::string& Cell(int col, int row) const { return rows_.at(row).at(col); }
  bool CellChecked(int col, int row) const { return Cell(col, row) == kChecked; }
  bool IsCellActive(int col) const;
  // The pick list of a column; empty for columns without one.
  std::vector<std::string> PickList(int col) const;
  // The user changed a cell: the sort word and position stay together, the
  // last row gets a successor, and the statement is rewritten.
  void GridSetEditText(int col, int row, const std::string& text);
  // A row per item of the box's column list, checked in SELECT and CREATE
  // VIEW (a double click on the list or a drop on the grid).
  void AddColumns(const TovSQLBuildTable& box, const std::vector<std::string>& items);
  void InsertRow(int row);
  // Deletes a data row (the last row only loses its texts).
  void DeleteRow(int row);
  // Swap a row with its neighbour; false when refused (row 1 up, the last
  // data row down: the empty last row never moves).
  bool MoveRowUp(int row);
  bool MoveRowDown(int row);

  // ---- kinds and text ----
  // Empties the builder unless SQLDesign is set.
  void SetSQLType(int kind);
  // The kind menu: SELECT and CREATE VIEW (named viewName) turn into each
  // other keeping the builder, other changes empty it; the text is rewritten
  // in SELECT and CREATE VIEW.
  void ChooseSQLType(int kind, const std::string& viewName = "");
  // Writes the statement of boxes, joins and rows into SQLText through the
  // formatter and numbers the sort rows.
  void BuildSQL();
  // Reads SQLText back into boxes, joins and rows when it changed since the
  // last build or parse. An unknown table raises kUnknownObject.
  TParseResult ParseSQL();

  // The pick lists of the sort and group columns; parsing takes the first
  // group word an output expression begins with, in this order.
  static const std::vector<std::string>& SortWords();
  static const std::vector<std::string>& GroupWords();

 private:
  void ReadCatalogueColumns(TovSQLBuildTable& box);
  void ReadDerivedColumns(TovSQLBuildTable& box) const;
  bool AllColumnsItem() const;
  void ClearGrid();
  void SetHeader();
  void AppendEmptyRow() { rows_.emplace_back(); }
  void ComposeLines(std::vector<std::string>& lines);
  int FindRowByName(const std::string& name) const;
  void FillLastRow(const TBuildRow& row);
  void ReadConditions(std::vector<std::string> words, bool having);
  void StoreCondition(std::string left, std::string op, std::string right, bool having);

  int sqlType_ = sqlKindSelect;
  std::string lastSQL_;
  std::vector<std::unique_ptr<TovSQLBuildTable>> tables_;
  std::vector<std::unique_ptr<TovSQLBuildConnect>> joins_;
  TovSQLBuildTable* selected_ = nullptr;
  std::vector<TBuildRow> rows_;
  std::vector<TBuildRow> snapshot_;
};
