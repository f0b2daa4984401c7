#include "sqlwork/core/ovsqlbldmodel.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "app/core/ovconnwin.h"
#include "app/core/zarur.h"
#include "sqlwork/core/ovsqlbld.h"

namespace {

// A new box's place and width, the frame its height allows for, and the
// visible items of its list.
constexpr int kFirstLeft = 16;
constexpr int kFirstTop = 16;
constexpr int kBoxWidth = 120;
constexpr int kVisibleItems = 5;
// Placement steps of a box that would cover another.
constexpr int kPlaceStepX = 150;
constexpr int kPlaceStepY = 176;
// The horizontal stub of a join line beside its box.
constexpr int kJoinStub = 16;

// Indexed with at(): an operator code out of range raises instead of
// reading past the tables.
constexpr std::array<const char*, joCount> kOperatorTexts = {"=", ">", ">=", "<", "<=", "<>"};
// The operator read from Table2's side.
constexpr std::array<int, joCount> kMirroredOperator = {joEqual,   joLess,         joLessEqual,
                                                        joGreater, joGreaterEqual, joNotEqual};

constexpr const char* kHeaders[kBuildColumns] = {"項目名/式",  "別名",         "表示",    "ソート",
                                                 "ソート順序", "グルーピング", "抽出条件"};
constexpr char kValueHeader[] = "値";

// A quoted part stays as written; any other is the upper-cased name.
std::string WrittenName(const std::string& part) { return part.starts_with('"') ? part : UpperCase(part); }
// The name the catalogue holds for a written part.
std::string CatalogueName(const std::string& part) { return part.starts_with('"') ? UnquoteName(part) : part; }

std::string FirstValue(TovSQLQuery& query) { return query.Eof() ? std::string() : query.AsString(size_t{0}); }

constexpr char kSchemaCodeSQL[] =
    "SELECT SCHEMA_CODE FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE DB_NAME = :DBName AND SCHEMA_NAME = :SchemaName";
constexpr char kTableCodeSQL[] =
    "SELECT TABLE_CODE FROM RDBII_SYSTEM.RDBII_TABLE WHERE DB_NAME = :DBName AND SCHEMA_NAME = :SchemaName AND "
    "TABLE_NAME = :TableName";
constexpr char kKeyColumnsSQL[] =
    "SELECT TRIM(COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = "
    ":SCHEMA_CODE AND TABLE_CODE = :TABLE_CODE AND COLUMN_CODE IN (SELECT COLUMN_CODE FROM "
    "RDBII_SYSTEM.RDBII_COLUMN_USAGE WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE AND TABLE_CODE = "
    ":TABLE_CODE AND OBJECT_CODE IN (SELECT CONSTRAINT_CODE FROM RDBII_SYSTEM.RDBII_CONSTRAINT WHERE DB_CODE = "
    ":DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE AND TABLE_CODE = :TABLE_CODE AND CONSTRAINT_TYPE = 'PK'))";
constexpr char kColumnsSQL[] =
    "SELECT TRIM(COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = "
    ":SCHEMA_CODE AND TABLE_CODE = :TABLE_CODE ORDER BY ORDINAL_POSITION";

// A character that continues a (qualified) name, so a qualifier cannot
// begin after it.
bool IsNameChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || u >= 0x80 || c == '_' || c == '$' || c == '#' || c == '@' || c == '.';
}

// Replaces every qualifier oldName + "." (case ignored) that begins the text
// or follows a character outside names, never inside a quoted text.
std::string ReplaceQualifier(const std::string& text, const std::string& oldName, const std::string& newName) {
  const std::string pattern = UpperCase(oldName + ".");
  std::string out;
  char quote = 0;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (quote == 0) {
      const bool boundary = i == 0 || !IsNameChar(text[i - 1]);
      if (boundary && UpperCase(text.substr(i, pattern.size())) == pattern) {
        out += newName + ".";
        i += pattern.size();
        continue;
      }
      if (c == '\'' || c == '"') quote = c;
    } else if (c == quote) {
      quote = 0;
    }
    out += c;
    ++i;
  }
  return out;
}

// The first word of an SQL text, upper-cased.
std::string FirstWord(const std::string& text) {
  const auto end = std::find_if(text.begin(), text.end(), [](char c) { return !IsNameChar(c) || c == '.'; });
  return UpperCase(std::string(text.begin(), end));
}

}  // namespace

bool SameText(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

// ---- records ----

bool TBuildRect::Intersects(const TBuildRect& other) const {
  return Left < other.Right() && other.Left < Right() && Top < other.Bottom() && other.Top < Bottom();
}

std::string TovSQLBuildTable::GetName() const { return Alias.empty() ? Table : Alias; }

std::string TovSQLBuildTable::SchemaPrefix() const {
  return TrimBlanks(Schema).empty() ? std::string() : QuoteIdent(Schema) + ".";
}

std::string TovSQLBuildTable::ColumnPrefix(int kind) const {
  const bool selecting = kind == sqlKindSelect || kind == sqlKindCreateView;
  return selecting || !Alias.empty() ? GetName() + "." : std::string();
}

std::string TovSQLBuildTable::Caption() const { return Schema.empty() ? Table : Schema + "." + Table; }

bool TovSQLBuildTable::IsDerived() const { return Table.starts_with('(') && Table.ends_with(')'); }

std::string TovSQLBuildTable::Reference() const {
  std::string text = SchemaPrefix() + (IsDerived() ? Table : QuoteIdent(Table));
  if (GetName() != Table) text += " " + GetName();
  return text;
}

int TovSQLBuildTable::IndexOf(const std::string& column) const {
  const auto found =
      std::find_if(Items.begin(), Items.end(), [&](const TBuildColumn& item) { return SameText(item.Name, column); });
  return found == Items.end() ? -1 : static_cast<int>(found - Items.begin());
}

bool TovSQLBuildTable::HasColumn(const std::string& column) const { return IndexOf(column) >= 0; }

bool TovSQLBuildConnect::Mirrored() const { return Table2->Bounds.Left < Table1->Bounds.Left; }

std::string TovSQLBuildConnect::Label() const {
  return kOperatorTexts.at(Mirrored() ? kMirroredOperator.at(Operator) : Operator);
}

int ApproxDistance(int dx, int dy) {
  dx = std::abs(dx);
  dy = std::abs(dy);
  return std::max(dx, dy) + std::min(dx, dy) / 2;
}

// ---- the designer ----

TovSQLDesigner::TovSQLDesigner(TovConnectionWindow* connection) : Connection(connection) {
  ClearGrid();
  snapshot_ = rows_;
}

TovSQLDesigner::~TovSQLDesigner() = default;

bool TovSQLDesigner::AllColumnsItem() const { return sqlType_ == sqlKindSelect || sqlType_ == sqlKindCreateView; }

TovSQLBuildTable& TovSQLDesigner::AddTable(const std::string& name, const std::string& alias) {
  auto owned = std::make_unique<TovSQLBuildTable>();
  TovSQLBuildTable& box = *owned;
  box.Alias = alias;
  box.ListHeight = Metrics.ItemHeight * kVisibleItems;
  box.Bounds = {kFirstLeft, kFirstTop, kBoxWidth,
                box.ListHeight + Metrics.CaptionHeight + Metrics.AliasHeight + 2 * kBoxFrameWidth};
  for (auto covered = tables_.begin(); covered != tables_.end();) {
    if (!(*covered)->Bounds.Intersects(box.Bounds)) {
      ++covered;
      continue;
    }
    box.Bounds.Left += kPlaceStepX;
    if (box.Bounds.Left > ClientWidth) {
      box.Bounds.Left = kFirstLeft;
      box.Bounds.Top += kPlaceStepY;
    }
    covered = tables_.begin();
  }
  tables_.push_back(std::move(owned));

  const std::string text = TrimBlanks(name);
  if (AllColumnsItem()) box.Items.push_back({kAllColumns});
  if (text.starts_with('(') && text.ends_with(')')) {
    box.Table = text;
    ReadDerivedColumns(box);
    return box;
  }
  std::string schema;
  std::string table;
  SplitQualifiedName(text, schema, table);
  // An unqualified table is the login user's; the user name as typed at
  // logon is taken like a typed schema name (upper-cased).
  if (schema.empty() && Connection) schema = Connection->Module().GetUserName();
  box.Schema = WrittenName(schema);
  box.Table = WrittenName(table);
  ReadCatalogueColumns(box);
  return box;
}

// The codes are looked up with the names unquoted, so a table written in
// quotes is found too.
void TovSQLDesigner::ReadCatalogueColumns(TovSQLBuildTable& box) {
  if (!Connection) throw EDatabaseError(kNotConnected);
  TovConnectionWindow& window = *Connection;
  const std::string database = window.Module().GetDataSourceName();
  const std::string schema = CatalogueName(box.Schema);
  const std::string table = CatalogueName(box.Table);
  const std::string dbCode = window.GetDBCode(database);
  const std::string schemaCode = FirstValue(window.OpenSQLParams(kSchemaCodeSQL, {database, schema}));
  const std::string tableCode = FirstValue(window.OpenSQLParams(kTableCodeSQL, {database, schema, table}));
  if (dbCode.empty() || schemaCode.empty() || tableCode.empty()) throw std::runtime_error(kUnknownObject);

  std::vector<std::string> keys;
  TovSQLQuery& keyQuery = window.OpenSQLParams(
      kKeyColumnsSQL, {dbCode, schemaCode, tableCode, dbCode, schemaCode, tableCode, dbCode, schemaCode, tableCode});
  for (; !keyQuery.Eof(); keyQuery.Next()) keys.push_back(keyQuery.AsString(size_t{0}));
  TovSQLQuery& columns = window.OpenSQLParams(kColumnsSQL, {dbCode, schemaCode, tableCode});
  for (; !columns.Eof(); columns.Next()) {
    std::string column = columns.AsString(size_t{0});
    const bool key = std::find(keys.begin(), keys.end(), column) != keys.end();
    box.Items.push_back({std::move(column), key});
  }
}

// A derived table's query runs only for its field names: no row is fetched,
// only the text before a first ";" is sent, and only a query (SELECT or
// WITH) is run at all, so a statement typed in parentheses never changes
// data. A query that cannot be opened leaves the box as it is.
void TovSQLDesigner::ReadDerivedColumns(TovSQLBuildTable& box) const {
  if (!Connection) return;
  std::vector<std::string> lines = SQLTextLines(box.Table.substr(1, box.Table.size() - 2));
  StripSQLComments(lines, true);
  const std::string text = TrimBlanks(JoinSQLLines(lines));
  const std::string word = FirstWord(text);
  if (word != "SELECT" && word != "WITH") return;
  TovSQLQuery query(&Connection->Module().Connection);
  query.SetParamCheck(false);
  query.SetSQL(text);
  try {
    query.OpenCursor();
    for (const TovFieldDef& field : query.Fields()) box.Items.push_back({field.name});
  } catch (const std::exception&) {
    // The box keeps the items it has; the statement text shows the query.
  }
  query.Close();
}

TovSQLBuildTable& TovSQLDesigner::InsertTable(const std::string& name) {
  return AddTable(name, AllColumnsItem() ? NewAlias() : std::string());
}

bool TovSQLDesigner::CanInsertTable() const { return tables_.empty() || AllColumnsItem(); }

int TovSQLDesigner::InsertTables(const std::vector<std::string>& names) {
  if (!CanInsertTable() || names.empty()) return 0;
  const size_t count = AllColumnsItem() ? names.size() : 1;
  for (size_t i = 0; i < count; ++i) InsertTable(names[i]);
  BuildSQL();
  return static_cast<int>(count);
}

std::string TovSQLDesigner::NewAlias() const {
  std::string candidate = "a";
  auto used = [&] {
    return std::any_of(tables_.begin(), tables_.end(), [&](const auto& box) { return box->GetName() == candidate; });
  };
  while (used()) {
    if (candidate.back() == 'z') {
      candidate.back() = 'a';
      candidate += 'a';
    } else {
      ++candidate.back();
    }
  }
  return candidate;
}

TovSQLBuildTable* TovSQLDesigner::FindTable(const std::string& name, const std::string& column) const {
  TovSQLBuildTable* found = nullptr;
  for (const auto& box : tables_) {
    const bool named = name.empty() || SameText(UnquoteName(box->GetName()), name);
    if (named && box->HasColumn(column)) found = box.get();
  }
  return found;
}

void TovSQLDesigner::RemoveTable(TovSQLBuildTable& box) {
  if (selected_ == &box) selected_ = nullptr;
  std::erase_if(joins_, [&](const auto& join) { return join->Table1 == &box || join->Table2 == &box; });
  const std::string qualifier = box.GetName() + ".";
  std::erase_if(tables_, [&](const auto& owned) { return owned.get() == &box; });
  for (int row = RowCount() - 1; row > 0; --row) {
    if (TrimBlanks(Cell(bcExpression, row)).starts_with(qualifier)) rows_.erase(rows_.begin() + row);
  }
  BuildSQL();
}

void TovSQLDesigner::ClearAll() {
  selected_ = nullptr;
  joins_.clear();
  while (!tables_.empty()) RemoveTable(*tables_.front());
}

void TovSQLDesigner::MoveTable(TovSQLBuildTable& box, int dx, int dy) {
  box.Bounds.Left = std::max(0, box.Bounds.Left + dx);
  box.Bounds.Top = std::max(0, box.Bounds.Top + dy);
}

void TovSQLDesigner::SetAlias(TovSQLBuildTable& box, const std::string& alias) {
  const std::string oldName = box.GetName();
  box.Alias = alias;
  if (box.GetName() == oldName || SQLDesign || oldName.empty()) return;
  for (int row = 1; row < RowCount(); ++row) {
    for (int col : {bcExpression, bcCondition})
      rows_[row][col] = ReplaceQualifier(rows_[row][col], oldName, box.GetName());
  }
  BuildSQL();
}

TBuildSize TovSQLDesigner::ScrollRange() const {
  TBuildSize size{ClientWidth, ClientHeight};
  for (const auto& box : tables_) {
    size.Width = std::max(size.Width, box->Bounds.Right());
    size.Height = std::max(size.Height, box->Bounds.Bottom());
  }
  return size;
}

// ---- joins ----

TovSQLBuildConnect& TovSQLDesigner::AddJoin(TovSQLBuildTable& table1, const std::string& column1,
                                            TovSQLBuildTable& table2, const std::string& column2, int op) {
  if (op < joEqual || op >= joCount) throw std::out_of_range("join operator " + std::to_string(op));
  auto join = std::make_unique<TovSQLBuildConnect>();
  join->Table1 = &table1;
  join->Table2 = &table2;
  join->Column1 = column1;
  join->Column2 = column2;
  join->Operator = op;
  joins_.push_back(std::move(join));
  return *joins_.back();
}

void TovSQLDesigner::RemoveJoin(const TovSQLBuildConnect& join) {
  std::erase_if(joins_, [&](const auto& owned) { return owned.get() == &join; });
}

namespace {
bool IsJoinItem(const TovSQLBuildTable& box, int item) {
  return item >= 0 && item < static_cast<int>(box.Items.size()) && !box.Items[item].Name.empty() &&
         box.Items[item].Name != kAllColumns;
}
}  // namespace

bool TovSQLDesigner::CanDropJoin(const TovSQLBuildTable& source, int sourceItem, const TovSQLBuildTable& target,
                                 int targetItem) const {
  return &source != &target && IsJoinItem(source, sourceItem) && IsJoinItem(target, targetItem);
}

void TovSQLDesigner::DropJoin(TovSQLBuildTable& source, int sourceItem, TovSQLBuildTable& target, int targetItem) {
  if (targetItem < 0 || targetItem >= static_cast<int>(target.Items.size())) return;
  if (IsJoinItem(source, sourceItem) && IsJoinItem(target, targetItem))
    AddJoin(source, source.Items[sourceItem].Name, target, target.Items[targetItem].Name);
  BuildSQL();
}

void TovSQLDesigner::CalcPoints(TovSQLBuildConnect& join) const {
  auto endY = [&](const TovSQLBuildTable& box, const std::string& column, int& y) {
    const int index = box.IndexOf(column);
    if (index < 0) return;
    const int top = std::clamp((index - box.TopIndex) * Metrics.ItemHeight, 0, box.ListHeight);
    const int bottom = std::clamp((index - box.TopIndex + 1) * Metrics.ItemHeight, 0, box.ListHeight);
    const int listTop = Metrics.CaptionHeight + Metrics.AliasHeight;
    y = ScrollY + box.Bounds.Top + listTop + top + (bottom - top) / 2 + kBoxFrameWidth;
  };
  auto& p = join.Points;
  endY(*join.Table1, join.Column1, p[0].Y);
  endY(*join.Table2, join.Column2, p[3].Y);
  const TBuildRect& r1 = join.Table1->Bounds;
  const TBuildRect& r2 = join.Table2->Bounds;
  const int stub = join.Mirrored() ? -kJoinStub : kJoinStub;
  p[0].X = ScrollX + (join.Mirrored() ? r1.Left : r1.Right());
  p[3].X = ScrollX + (join.Mirrored() ? r2.Right() : r2.Left);
  p[1] = {p[0].X + stub, p[0].Y};
  p[2] = {p[3].X - stub, p[3].Y};
}

// The line through each segment counts, so a point on a segment's
// extension hits too.
bool TovSQLDesigner::HitTest(const TovSQLBuildConnect& join, TBuildPoint client) const {
  const TBuildPoint cursor{client.X + ScrollX, client.Y + ScrollY};
  for (size_t i = 0; i + 1 < join.Points.size(); ++i) {
    const TBuildPoint& start = join.Points[i];
    const TBuildPoint& end = join.Points[i + 1];
    const long long sx = end.X - start.X;
    const long long sy = end.Y - start.Y;
    const long long ax = start.X - cursor.X;
    const long long ay = start.Y - cursor.Y;
    if (std::llabs(sy * ax - ay * sx) < ApproxDistance(static_cast<int>(sx), static_cast<int>(sy))) return true;
  }
  return false;
}

TovSQLBuildConnect* TovSQLDesigner::JoinAt(TBuildPoint client) {
  for (const auto& join : joins_) {
    CalcPoints(*join);
    if (HitTest(*join, client)) return join.get();
  }
  return nullptr;
}

TBuildPoint TovSQLDesigner::LabelOrigin(const TovSQLBuildConnect& join, int textWidth, int textHeight) const {
  const TBuildPoint& p1 = join.Points[1];
  const TBuildPoint& p2 = join.Points[2];
  return {p1.X + (p2.X - p1.X) / 2 - textWidth / 2, p1.Y + (p2.Y - p1.Y) / 2 - textHeight / 2};
}

// ---- grid ----

bool TovSQLDesigner::IsCellActive(int col) const {
  const bool selecting = AllColumnsItem();
  switch (col) {
    case bcExpression:
      return true;
    case bcAlias:
      return sqlType_ != sqlKindDelete;
    case bcCondition:
      return sqlType_ != sqlKindInsert;
    default:
      return selecting;
  }
}

std::vector<std::string> TovSQLDesigner::PickList(int col) const {
  std::vector<std::string> list;
  switch (col) {
    case bcExpression:
      for (const auto& box : tables_) {
        for (const TBuildColumn& item : box->Items) list.push_back(box->ColumnPrefix(sqlType_) + QuoteIdent(item.Name));
      }
      break;
    case bcSort:
      list = SortWords();
      break;
    case bcGroup:
      list = GroupWords();
      break;
    default:
      break;
  }
  return list;
}

const std::vector<std::string>& TovSQLDesigner::SortWords() {
  static const std::vector<std::string> words = {"", kAscending, kDescending};
  return words;
}

const std::vector<std::string>& TovSQLDesigner::GroupWords() {
  static const std::vector<std::string> words = {"", kGroupBy, kHaving, "AVG", "COUNT", "MAX", "MIN", "SUM"};
  return words;
}

void TovSQLDesigner::GridSetEditText(int col, int row, const std::string& text) {
  rows_.at(row).at(col) = text;
  if (rows_ == snapshot_) return;
  TBuildRow& cells = rows_[row];
  if (col == bcSort && TrimBlanks(text).empty()) cells[bcSortOrder].clear();
  if (col == bcSortOrder && TrimBlanks(text).empty()) cells[bcSort].clear();
  if (row == RowCount() - 1 && (!TrimBlanks(cells[bcExpression]).empty() || !TrimBlanks(cells[bcAlias]).empty())) {
    AppendEmptyRow();
    if (col != bcShow && AllColumnsItem()) rows_[row][bcShow] = kChecked;
  }
  BuildSQL();
  snapshot_ = rows_;
}

void TovSQLDesigner::AddColumns(const TovSQLBuildTable& box, const std::vector<std::string>& items) {
  if (SQLDesign) return;
  for (const std::string& item : items) {
    FillLastRow({box.ColumnPrefix(sqlType_) + QuoteIdent(item), "", AllColumnsItem() ? kChecked : ""});
  }
  BuildSQL();
}

void TovSQLDesigner::InsertRow(int row) {
  if (row < 1 || row >= RowCount()) throw std::out_of_range("grid row " + std::to_string(row));
  rows_.insert(rows_.begin() + row, TBuildRow{});
}

void TovSQLDesigner::DeleteRow(int row) {
  if (row < 1 || row >= RowCount()) throw std::out_of_range("grid row " + std::to_string(row));
  if (row < RowCount() - 1) rows_.erase(rows_.begin() + row);
  if (row == RowCount() - 1) rows_[row] = {};
  BuildSQL();
}

// The last row is the place for a new entry, not a data row: it moves
// neither up nor down.
bool TovSQLDesigner::MoveRowUp(int row) {
  if (row <= 1 || row >= RowCount() - 1) return false;
  std::swap(rows_[row], rows_[row - 1]);
  BuildSQL();
  return true;
}

bool TovSQLDesigner::MoveRowDown(int row) {
  if (row < 1 || row >= RowCount() - 2) return false;
  std::swap(rows_[row], rows_[row + 1]);
  BuildSQL();
  return true;
}

void TovSQLDesigner::SetHeader() {
  TBuildRow& header = rows_.front();
  std::copy(std::begin(kHeaders), std::end(kHeaders), header.begin());
  if (!AllColumnsItem()) header[bcAlias] = kValueHeader;
}

void TovSQLDesigner::ClearGrid() {
  rows_.assign(2, TBuildRow{});
  SetHeader();
}

// ---- kinds ----

void TovSQLDesigner::SetSQLType(int kind) {
  if (kind < sqlKindSelect || kind > sqlKindCreateView)
    throw std::out_of_range("statement kind " + std::to_string(kind));
  if (kind == sqlType_) return;
  sqlType_ = kind;
  if (!SQLDesign) {
    TBuildBusy busy(SQLDesign);
    ClearAll();
    ClearGrid();
    SQLText.clear();
    lastSQL_.clear();
  }
  SetHeader();
}

void TovSQLDesigner::ChooseSQLType(int kind, const std::string& viewName) {
  const bool keep = (kind == sqlKindSelect && sqlType_ == sqlKindCreateView) ||
                    (kind == sqlKindCreateView && sqlType_ == sqlKindSelect);
  if (kind == sqlKindCreateView) ViewName = viewName;
  {
    TBuildBusy busy(SQLDesign, keep);
    SetSQLType(kind);
  }
  if (AllColumnsItem()) BuildSQL();
}
