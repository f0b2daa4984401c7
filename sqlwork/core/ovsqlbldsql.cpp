// The SQL builder's text: the statement written from boxes, joins and grid
// rows, and a SELECT or CREATE VIEW text read back into them.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>

#include "app/core/ovconnwin.h"
#include "app/core/ovformat.h"
#include "app/core/zarur.h"
#include "sqlwork/core/ovsqlbld.h"
#include "sqlwork/core/ovsqlbldmodel.h"

namespace {

constexpr std::array<const char*, joCount> kOperatorSQL = {" = ", " > ", " >= ", " < ", " <= ", " <> "};
constexpr char kAnd[] = " AND ";
constexpr size_t kAndLength = sizeof(kAnd) - 1;
// A sort row without a position comes after every numbered one.
constexpr int kUnnumbered = 99999;
constexpr char kSortKeyFormat[] = "%.5d";
constexpr size_t kSortKeySize = 16;

// Comparisons that make a join, with their operator codes.
struct TJoinWord {
  const char* Word;
  int Operator;
};
constexpr TJoinWord kJoinWords[] = {{"=", joEqual},      {">", joGreater},   {">=", joGreaterEqual}, {"<", joLess},
                                    {"<=", joLessEqual}, {"!=", joNotEqual}, {"<>", joNotEqual}};
// Operators a condition cell keeps apart from its left operand.
const std::vector<std::string> kConditionWords = {"=", ">", ">=", "<", "<=", "!=", "<>", "IS", "IN", "LIKE", "BETWEEN"};

bool Filled(const std::string& cell) { return !TrimBlanks(cell).empty(); }
bool IsGroupOrHaving(const std::string& cell) { return cell == kGroupBy || cell == kHaving; }

void StripTail(std::vector<std::string>& lines, size_t count) {
  std::string& line = lines.back();
  line.erase(line.size() - std::min(count, line.size()));
}

std::string SortDigits(const std::string& position) {
  std::string digits;
  for (char c : TrimBlanks(position)) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

std::string SortKey(const std::string& digits) {
  int number = kUnnumbered;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) number = kUnnumbered;
  char key[kSortKeySize];
  std::snprintf(key, sizeof key, kSortKeyFormat, number);
  return key;
}

// Line breaks to blanks, then trimmed: a condition cell holds one line.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  return TrimBlanks(text);
}

// "table.column" split at its first "."; each part trimmed and unquoted.
void SplitOperand(const std::string& operand, std::string& table, std::string& column) {
  const size_t dot = operand.find('.');
  table = dot == std::string::npos ? std::string() : UnquoteName(TrimBlanks(operand.substr(0, dot)));
  column = UnquoteName(TrimBlanks(dot == std::string::npos ? operand : operand.substr(dot + 1)));
}

}  // namespace

void TovSQLDesigner::BuildSQL() {
  if (SQLDesign || !Connection) return;
  TBuildBusy busy(SQLDesign);
  std::vector<std::string> lines;
  try {
    ComposeLines(lines);
  } catch (...) {
    SQLText = JoinSQLLines(lines);
    lastSQL_ = SQLText;
    snapshot_ = rows_;
    throw;
  }
  SQLText = FormatSQL(JoinSQLLines(lines));
  lastSQL_ = SQLText;
  snapshot_ = rows_;
}

void TovSQLDesigner::ComposeLines(std::vector<std::string>& lines) {
  const int kind = sqlType_;
  const bool selecting = AllColumnsItem();
  const bool hasBox = !tables_.empty();
  auto add = [&](const std::string& line) { lines.push_back(line); };

  if (kind == sqlKindCreateView)
    add("CREATE VIEW " + QuoteIdent(Connection->Module().GetUserName()) + "." + ViewName + " AS ");
  if (selecting) {
    if (hasBox) add("SELECT");
    bool written = false;
    for (int r = 1; r < RowCount(); ++r) {
      const TBuildRow& row = rows_[r];
      if (!(Filled(row[bcExpression]) || Filled(row[bcAlias])) || !CellChecked(bcShow, r)) continue;
      if (lines.empty()) add("SELECT");
      std::string expression = !Filled(row[bcGroup]) || IsGroupOrHaving(row[bcGroup])
                                   ? row[bcExpression]
                                   : row[bcGroup] + "(" + row[bcExpression] + ")";
      if (Filled(row[bcAlias])) expression += " " + row[bcAlias];
      add("  " + expression + ",");
      written = true;
    }
    if (written) StripTail(lines, 1);
    if (hasBox) {
      add("FROM");
      for (const auto& box : tables_) add("  " + box->Reference() + ",");
      StripTail(lines, 1);
    }
  }
  if (kind == sqlKindInsert && hasBox) {
    add("INSERT INTO " + tables_.front()->Reference());
    std::string columns;
    std::string values;
    for (int r = 1; r < RowCount(); ++r) {
      if (!Filled(Cell(bcAlias, r))) continue;
      if (!columns.empty()) {
        columns += ", ";
        values += ", ";
      }
      columns += Cell(bcExpression, r);
      values += Cell(bcAlias, r);
    }
    if (!columns.empty()) add("  (" + columns + ")");
    if (!values.empty()) add("  VALUES(" + values + ")");
  }
  if (kind == sqlKindUpdate && hasBox) {
    add("UPDATE " + tables_.front()->Reference() + " SET");
    bool written = false;
    for (int r = 1; r < RowCount(); ++r) {
      if (!Filled(Cell(bcAlias, r)) || !Filled(Cell(bcExpression, r))) continue;
      add("  " + Cell(bcExpression, r) + " = " + Cell(bcAlias, r) + ",");
      written = true;
    }
    if (written) StripTail(lines, 1);
  }
  if (kind == sqlKindDelete && hasBox) add("DELETE FROM " + tables_.front()->Reference());
  if (kind == sqlKindInsert) return;

  // Conditions: the WHERE rows, then the GROUP BY and HAVING clauses.
  bool where = false;
  auto addCondition = [&](const char* clause, bool& opened, const std::string& line) {
    if (!opened) add(clause);
    opened = true;
    add(line);
  };
  for (const auto& join : joins_) {
    addCondition("WHERE", where,
                 "  " + join->Table1->ColumnPrefix(kind) + QuoteIdent(join->Column1) + kOperatorSQL.at(join->Operator) +
                     join->Table2->ColumnPrefix(kind) + QuoteIdent(join->Column2) + kAnd);
  }
  for (int r = 1; r < RowCount(); ++r) {
    if (Filled(Cell(bcCondition, r)) && !IsGroupOrHaving(Cell(bcGroup, r)))
      addCondition("WHERE", where, "  " + Cell(bcExpression, r) + " " + Cell(bcCondition, r) + kAnd);
  }
  if (where) StripTail(lines, kAndLength);
  if (selecting) {
    std::string groups;
    for (int r = 1; r < RowCount(); ++r) {
      if (Filled(Cell(bcExpression, r)) && Cell(bcGroup, r) == kGroupBy)
        groups += (groups.empty() ? "" : ",") + Cell(bcExpression, r);
    }
    if (!groups.empty()) add("GROUP BY " + groups);
  }
  bool having = false;
  for (int r = 1; r < RowCount(); ++r) {
    if (Filled(Cell(bcCondition, r)) && IsGroupOrHaving(Cell(bcGroup, r)))
      addCondition("HAVING", having, "  " + Cell(bcExpression, r) + " " + Cell(bcCondition, r) + kAnd);
  }
  if (having) StripTail(lines, kAndLength);
  if (!selecting) return;

  // ORDER BY: numbered positions first (zero-padded keys sort as numbers),
  // then the rows with a sort word only; the positions are renumbered.
  std::vector<std::pair<std::string, int>> entries;
  for (int r = 1; r < RowCount(); ++r) {
    TBuildRow& row = rows_[r];
    if (!(Filled(row[bcExpression]) || Filled(row[bcAlias])) || !(Filled(row[bcSortOrder]) || Filled(row[bcSort])))
      continue;
    const std::string digits = SortDigits(row[bcSortOrder]);
    if (!digits.empty() || Filled(row[bcSort])) entries.emplace_back(SortKey(digits), r);
    row[bcSortOrder].clear();
  }
  std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::string order;
  int number = 0;
  for (const auto& [key, r] : entries) {
    TBuildRow& row = rows_[r];
    if (!order.empty()) order += ",";
    order += Filled(row[bcAlias]) ? row[bcAlias] : row[bcExpression];
    if (row[bcSort] == kDescending) order += " DESC";
    if (!Filled(row[bcSort])) row[bcSort] = kAscending;
    row[bcSortOrder] = std::to_string(++number);
  }
  if (!order.empty()) add("ORDER BY " + order);
}

TParseResult TovSQLDesigner::ParseSQL() {
  if (SQLDesign || !Connection || SQLText == lastSQL_) return TParseResult::Unchanged;
  TBuildBusy busy(SQLDesign);
  // However the parse ends, the text counts as read: an unreadable text is
  // not parsed again until it changes.
  struct TFinish {
    TovSQLDesigner& designer;
    ~TFinish() {
      designer.rows_.back() = {};
      designer.lastSQL_ = designer.SQLText;
      designer.snapshot_ = designer.rows_;
    }
  } finish{*this};
  ClearAll();
  ClearGrid();

  std::vector<std::string> lines = SQLTextLines(SQLText);
  StripSQLComments(lines, true);
  if (TrimBlanks(JoinSQLLines(lines)).empty()) return TParseResult::Parsed;
  ViewName.clear();
  TovSQLParts parts;
  int kind = sqlKindNone;
  try {
    kind = AnalyzeSQL(JoinSQLLines(lines), parts, kCannotShowSQL);
  } catch (const ESQLParseError&) {
    return TParseResult::Unreadable;
  }
  if (kind < sqlKindSelect || kind > sqlKindCreateView) return TParseResult::Unreadable;
  // The view is written under the user's schema, so a schema given with
  // its name is not kept: it would be written twice.
  std::string viewSchema;
  SplitQualifiedName(parts.ViewName, viewSchema, ViewName);
  SetSQLType(kind);

  // Table names go in as written: AddTable unquotes them for the catalogue.
  for (int i = 0; i < parts.Tables.Count(); ++i) AddTable(parts.Tables.GetName(i), parts.Tables.GetValue(i));

  const int outputs = parts.SelectItems.Count();
  rows_.resize(static_cast<size_t>(outputs) + 2);
  for (int i = 0; i < outputs; ++i) {
    TBuildRow& row = rows_[i + 1];
    row = {};
    const std::string& expression = parts.SelectItems.GetName(i);
    row[bcExpression] = expression;
    row[bcAlias] = parts.SelectItems.GetValue(i);
    if (AllColumnsItem()) row[bcShow] = kChecked;
    for (const std::string& word : GroupWords()) {
      const std::string head = word + "(";
      if (UpperCase(expression).starts_with(head) && expression.ends_with(')')) {
        row[bcExpression] = TrimBlanks(expression.substr(head.size(), expression.size() - head.size() - 1));
        row[bcGroup] = word;
        break;
      }
    }
  }
  rows_.back() = {};

  for (const std::string& item : parts.GroupItems) {
    int found = -1;
    for (int r = 1; r < RowCount() && found < 0; ++r) {
      if (SameText(Cell(bcExpression, r), item)) found = r;
    }
    if (found < 0) {
      TBuildRow row{};
      row[bcExpression] = item;
      row[bcGroup] = kGroupBy;
      FillLastRow(row);
    } else {
      rows_[found][bcGroup] = kGroupBy;
    }
  }
  ReadConditions(parts.WhereWords, false);
  ReadConditions(parts.HavingWords, true);
  for (int i = 0; i < parts.OrderItems.Count(); ++i) {
    const std::string& expression = parts.OrderItems.GetName(i);
    const std::string direction = SameText(parts.OrderItems.GetValue(i), "DESC") ? kDescending : kAscending;
    const std::string position = std::to_string(i + 1);
    const int found = FindRowByName(expression);
    if (found < 0) {
      TBuildRow row{};
      row[bcExpression] = expression;
      row[bcSort] = direction;
      row[bcSortOrder] = position;
      FillLastRow(row);
    } else {
      rows_[found][bcSort] = direction;
      rows_[found][bcSortOrder] = position;
    }
  }
  return TParseResult::Parsed;
}

// The data row whose alias, else whose expression, is the name (case
// ignored); -1 when there is none.
int TovSQLDesigner::FindRowByName(const std::string& name) const {
  for (int col : {bcAlias, bcExpression}) {
    for (int r = 1; r < RowCount(); ++r) {
      if (SameText(Cell(col, r), name)) return r;
    }
  }
  return -1;
}

void TovSQLDesigner::FillLastRow(const TBuildRow& row) {
  rows_.back() = row;
  AppendEmptyRow();
}

// Words in text order with a closing "AND" added: "AND" ends a condition
// unless it belongs to a BETWEEN. A WHERE condition takes a qualified name
// spread over words as its left side and drops the outer-join mark "(+)";
// a HAVING condition takes its words one each for left, operator and right.
void TovSQLDesigner::ReadConditions(std::vector<std::string> words, bool having) {
  words.emplace_back("AND");
  std::string left;
  std::string op;
  std::string right;
  bool between = false;
  for (const std::string& word : words) {
    const std::string upper = UpperCase(word);
    if (upper == "BETWEEN") {
      between = true;
    } else if (upper == "AND" && between) {
      between = false;
    } else if (upper == "AND") {
      if (!left.empty() || !op.empty() || !right.empty()) StoreCondition(left, op, right, having);
      left.clear();
      op.clear();
      right.clear();
      continue;
    }
    const bool outerMark = !having && word == "(+)";
    if (left.empty() || (!having && left.ends_with('.'))) {
      left += word;
    } else if (op.empty()) {
      if (!outerMark) op = word;
    } else if (right.empty()) {
      right = word;
    } else if (!outerMark) {
      right += " " + word;
    }
  }
}

void TovSQLDesigner::StoreCondition(std::string left, std::string op, std::string right, bool having) {
  if (!having) {
    std::string table1, column1, table2, column2;
    SplitOperand(left, table1, column1);
    SplitOperand(right, table2, column2);
    TovSQLBuildTable* box1 = FindTable(table1, column1);
    TovSQLBuildTable* box2 = FindTable(table2, column2);
    const auto joinWord =
        std::find_if(std::begin(kJoinWords), std::end(kJoinWords), [&](const TJoinWord& w) { return op == w.Word; });
    if (box1 && box2 && joinWord != std::end(kJoinWords)) {
      AddJoin(*box1, column1, *box2, column2, joinWord->Operator);
      return;
    }
  }
  if (!MatchesAny(UpperCase(op), kConditionWords)) {
    left += " " + op + " " + right;
    op.clear();
    right.clear();
  }
  const int found = FindRowByName(left);
  if (found >= 0 && !Filled(Cell(bcCondition, found)) &&
      (!having || !Filled(Cell(bcGroup, found)) || Cell(bcGroup, found) == kGroupBy)) {
    TBuildRow& row = rows_[found];
    if (having && !Filled(row[bcGroup])) row[bcGroup] = kHaving;
    row[bcCondition] = OneLine(op + " " + right);
    return;
  }
  TBuildRow row{};
  if (!left.empty() && !op.empty() && !right.empty()) {
    row[bcExpression] = OneLine(left);
    row[bcCondition] = OneLine(op + " " + right);
  } else {
    row[bcCondition] = OneLine(left + " " + op + " " + right);
  }
  if (having) row[bcGroup] = kHaving;
  FillLastRow(row);
}
