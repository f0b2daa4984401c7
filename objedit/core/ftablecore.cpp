#include "objedit/core/ftablecore.h"

#include <QDateTime>

#include <charconv>
#include <cmath>

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

const TEditorKind kTableEditorKind{kTableKind, "TABLE - ", true, "TABLE", "DROP TABLE ", false};

namespace {

constexpr int kNameField = 31;
// The level at which a reduced catalogue writes no ON line.
constexpr int kReducibleLevel = 10;
constexpr const char* kIndent = "    ";
constexpr const char* kNullDefault = "NULL";
constexpr const char* kNullable = "YES";
constexpr const char* kIntervalCode = "IT";
constexpr const char* kCopyStampFormat = "MMddhhmmss";

struct TTypeCode {
  const char* Code;
  const char* Text;
};
constexpr std::array<TTypeCode, 16> kTypeCodes{{{"CH", "CHAR"},
                                                {"CV", "CHAR VARYING"},
                                                {"CN", "NCHAR"},
                                                {"NV", "NCHAR VARYING"},
                                                {"NU", "NUMERIC"},
                                                {"DE", "DECIMAL"},
                                                {"IN", "INTEGER"},
                                                {"SI", "SMALLINT"},
                                                {"FL", "FLOAT"},
                                                {"RE", "REAL"},
                                                {"DP", "DOUBLE PRECISION"},
                                                {"DT", "DATE"},
                                                {"TI", "TIME"},
                                                {"TM", "TIMESTAMP"},
                                                {kIntervalCode, "INTERVAL"},
                                                {"BL", "BLOB"}}};

constexpr std::array<const char*, 7> kSizedTypes{"CHAR",    "CHAR VARYING", "NCHAR", "NCHAR VARYING",
                                                 "DECIMAL", "NUMERIC",      "FLOAT"};

// " YEAR" after "INTERVAL"; nothing for a code that is not a number 1 to 13.
std::string IntervalQualifier(const std::string& code, const std::string& precision) {
  int number = 0;
  const auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), number);
  if (error != std::errc() || end != code.data() + code.size()) return {};
  const std::string text = IntervalQualifierText(number, precision);
  return text.empty() ? text : " " + text;
}

// Appends `item` to a list text, after `separator` unless it is the first.
void AppendListed(std::string& text, const char* separator, const std::string& item) {
  if (!text.empty()) text += separator;
  text += item;
}

bool Filled(const std::string& text) { return !Trim(text).empty(); }

void DropTrailingComma(std::vector<std::string>& list) {
  if (!list.empty() && !list.back().empty() && list.back().back() == ',') list.back().pop_back();
}

// The definition of one column after the name: type, size, default and
// NOT NULL.
std::string ColumnBody(const TTableColumn& c) {
  std::string text = c.Type;
  if (!c.Size.empty()) text += "(" + c.Size + ")";
  if (!c.Default.empty()) text += " DEFAULT " + c.Default;
  if (c.NotNull) text += " NOT NULL";
  return text;
}

std::string CommentClause(const std::string& comment) {
  return Filled(comment) ? " COMMENT " + QuoteStr(comment) : " COMMENT OFF";
}

template <class T>
std::vector<T> Grouped(const std::vector<TGroupedColumn>& rows, const char* separator,
                       const std::function<T(const std::string& group, const std::string& columns)>& make) {
  std::vector<T> groups;
  std::string columns;
  for (size_t i = 0; i < rows.size(); ++i) {
    AppendListed(columns, separator, QuoteIdent(rows[i].Column));
    if (i + 1 == rows.size() || rows[i + 1].Group != rows[i].Group) {
      groups.push_back(make(rows[i].Group, columns));
      columns.clear();
    }
  }
  return groups;
}

// The first word of `rest` with the suffix, before a closing quote.
std::string CopyName(const std::string& rest, const std::function<std::string()>& stamp) {
  const std::string name = rest.substr(0, rest.find(' '));
  std::string suffix = "_";
  suffix += stamp();
  const bool quoted = !name.empty() && name.back() == '"';
  return quoted ? name.substr(0, name.size() - 1) + suffix + '"' : name + suffix;
}

bool StartsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

}  // namespace

std::array<std::string, kTableGridCols> CellsOfColumn(const TTableColumn& c) {
  return {c.Key ? kChecked : "", c.Name, c.Type, c.Size, c.NotNull ? kChecked : "", c.Default, c.Comment};
}

TTableColumn ColumnOfCells(const std::array<std::string, kTableGridCols>& cells, int readPosition,
                           const std::string& columnCode) {
  return {cells[kColKey] == kChecked, cells[kColName],    cells[kColType],    cells[kColSize],
          cells[kColNotNull] == kChecked, cells[kColDefault], cells[kColComment], readPosition, columnCode};
}

std::string TableTypeText(const std::string& dataType, const std::string& intervalCode, const std::string& precision) {
  const std::string code = Trim(dataType);
  for (const TTypeCode& type : kTypeCodes) {
    if (code != type.Code) continue;
    std::string text = type.Text;
    if (code == kIntervalCode) text += IntervalQualifier(Trim(intervalCode), Trim(precision));
    return text;
  }
  return {};
}

TTableColumn ColumnOfCatalog(const TCatalogColumn& c, int k, bool key) {
  TTableColumn column;
  column.Key = key;
  column.Name = c.Name;
  column.Type = TableTypeText(c.DataType, c.IntervalCode, c.Precision.toString().toStdString());
  column.Size = ColumnSizeText(column.Type, c.Length, c.Precision, c.Scale);
  column.NotNull = Trim(c.Nullable) != kNullable;
  const std::string defaultValue = Trim(c.Default);
  column.Default = defaultValue == kNullDefault ? std::string() : defaultValue;
  column.Comment = c.Comment;
  column.ReadPosition = k;
  column.ColumnCode = Trim(c.ColumnCode);
  return column;
}

bool IsSizedType(const std::string& typeText) {
  for (const char* type : kSizedTypes)
    if (typeText == type) return true;
  return false;
}

std::vector<TUniqueConstraint> GroupUniqueConstraints(const std::vector<TGroupedColumn>& rows) {
  return Grouped<TUniqueConstraint>(rows, ", ", [](const std::string& code, const std::string& columns) {
    return TUniqueConstraint{"(" + columns + ")", code};
  });
}

std::vector<TTableIndex> GroupIndexes(const std::vector<TGroupedColumn>& rows) {
  return Grouped<TTableIndex>(rows, ", ", [](const std::string& name, const std::string& columns) {
    return TTableIndex{name, columns};
  });
}

std::string PaddedColumnName(const std::string& name) {
  const std::string quoted = QuoteIdent(name);
  const int width = DisplayWidth(quoted);
  return quoted + std::string(width < kNameField ? static_cast<size_t>(kNameField - width) : 0, ' ');
}

void BuildTableCreateDDL(const TTableDefinition& table, const TTableDdlContext& context,
                         std::vector<std::string>& list) {
  const bool temporary = table.Storage.Kind == kStorageTemporary;
  list.push_back(std::string(temporary ? "CREATE GLOBAL TEMPORARY TABLE " : "CREATE TABLE ") + context.SchemaPrefix +
                 QuoteIdent(table.Name));
  list.push_back("(");
  std::string keys;
  for (const TTableColumn& c : table.Columns) {
    if (!Filled(c.Name)) continue;
    std::string line = kIndent + PaddedColumnName(c.Name) + ColumnBody(c);
    if (!c.Comment.empty()) line += " COMMENT " + QuoteStr(c.Comment);
    list.push_back(line + ",");
    if (c.Key) AppendListed(keys, ",", QuoteIdent(c.Name));
  }
  if (!keys.empty()) list.push_back(std::string(kIndent) + "PRIMARY KEY(" + keys + "),");
  for (const std::string& unique : table.UniqueConstraints) list.push_back(std::string(kIndent) + "UNIQUE" + unique + ",");
  // Only a comma is taken off: a table without a column keeps its "(".
  DropTrailingComma(list);
  list.push_back(")");
  if (temporary) list.push_back(table.Storage.PreserveRows ? "ON COMMIT PRESERVE ROWS" : "ON COMMIT DELETE ROWS");
  if (Filled(table.Comment)) list.push_back("COMMENT " + QuoteStr(table.Comment));
  if (temporary) {
    std::string spaces;
    for (const TTemporarySpace& space : table.Storage.TemporarySpaces)
      if (!space.Space.empty()) AppendListed(spaces, ",", QuoteIdent(space.Space) + " " + space.Users);
    if (!spaces.empty()) list.push_back("ON " + spaces);
  } else if (!(context.CatalogLevel == kReducibleLevel && context.Reduced)) {
    list.push_back("ON " + table.Space);
  }
  list.push_back(context.Separator);
  if (!context.Reduced && !context.Remote && context.StorageWanted)
    BuildTableStorageDDL(table.Storage, context.SchemaPrefix, table.Name, context.Separator, list);
}

void BuildTableAlterDDL(const TTableDefinition& table, const std::string& loadedComment,
                        const std::vector<TTableColumn>& loadedColumns, const TTableDdlContext& context,
                        std::vector<std::string>& list) {
  std::vector<std::string> added;
  for (const TTableColumn& c : table.Columns)
    if (!c.Name.empty() && c.ReadPosition == 0) added.push_back("ADD(" + PaddedColumnName(c.Name) + ColumnBody(c) + ")");
  if (!added.empty()) {
    list.push_back("ALTER TABLE " + QuoteIdent(table.Schema) + "." + QuoteIdent(table.Name));
    list.insert(list.end(), added.begin(), added.end());
    list.push_back(context.Separator);
  }
  const std::string head = "ALTER TABLE " + context.SchemaPrefix + QuoteIdent(table.Name);
  if (table.Comment != loadedComment) {
    list.push_back(head + CommentClause(table.Comment));
    list.push_back(context.Separator);
  }
  for (size_t i = 0; i < table.Columns.size(); ++i) {
    const TTableColumn& c = table.Columns[i];
    const std::string before = i < loadedColumns.size() ? loadedColumns[i].Comment : std::string();
    if (!Filled(c.Name) || c.Comment == before) continue;
    list.push_back(head + " MODIFY " + QuoteIdent(c.Name) + CommentClause(c.Comment));
    list.push_back(context.Separator);
  }
}

void BuildTableDropDDL(const std::string& schema, const std::string& name, bool cascade,
                       const std::string& separator, std::vector<std::string>& list) {
  list.push_back(DropStatement(kTableEditorKind, schema, name, cascade));
  list.push_back(separator);
}

std::string AutoQuoteDefault(const std::string& text) {
  if (text.empty() || text.front() == '\'') return text;
  const char* first = text.data() + (text.front() == '+' ? 1 : 0);
  const char* last = text.data() + text.size();
  double value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc() && end == last && std::isfinite(value)) return text;
  return QuoteStr(text);
}

bool NeedsRebuild(const TRebuildTest& t) {
  if (t.IsNew || t.ScriptMode || t.SourcePage || t.StorageChanged) return true;
  auto cellsDiffer = [&](size_t i, int lastCol) {
    if (i >= t.LoadedColumns.size()) return true;
    const auto now = CellsOfColumn(t.Columns[i]);
    const auto before = CellsOfColumn(t.LoadedColumns[i]);
    for (int col = 0; col <= lastCol; ++col)
      if (now[static_cast<size_t>(col)] != before[static_cast<size_t>(col)]) return true;
    return false;
  };
  bool modified = t.Columns.size() != t.LoadedColumns.size();
  for (size_t i = 0; !modified && i < t.Columns.size(); ++i) modified = cellsDiffer(i, kColComment);
  if (!modified) return false;
  size_t counter = 0;
  for (size_t i = 0; i < t.Columns.size(); ++i) {
    const TTableColumn& c = t.Columns[i];
    if (c.ReadPosition != 0) {
      if (static_cast<size_t>(c.ReadPosition) != counter + 1 || cellsDiffer(i, kColDefault)) return true;
      ++counter;
    } else if (i + 1 != t.Columns.size()) {
      return true;
    }
  }
  return counter < t.LoadedColumns.size();
}

std::string CopyTimeStamp() {
  return QDateTime::currentDateTime().toString(kCopyStampFormat).toStdString();
}

void ChangeObjectName(std::vector<std::string>& lines, const std::function<std::string()>& stamp) {
  static const std::string kTemporaryHead = "CREATE GLOBAL TEMPORARY TABLE ";
  static const std::string kTableHead = "CREATE TABLE ";
  static const std::string kDsoHead = "CREATE DSO ";
  static const std::string kFromHead = "FROM ";
  static const std::string kDsiHead = "CREATE DSI ";
  std::vector<std::string> out;
  std::string copy;
  std::string source;
  std::string dso;
  bool dsiRewritten = false;
  for (const std::string& line : lines) {
    const std::string text = Trim(line);
    if (StartsWith(text, kTemporaryHead)) {
      copy = CopyName(text.substr(kTemporaryHead.size()), stamp);
      out.push_back(kTemporaryHead + copy);
    } else if (StartsWith(text, kTableHead)) {
      const std::string rest = text.substr(kTableHead.size());
      source = rest.substr(0, rest.find(' '));
      copy = CopyName(rest, stamp);
      out.push_back(kTableHead + copy);
    } else if (StartsWith(text, kDsoHead)) {
      dso = CopyName(text.substr(kDsoHead.size()), stamp);
      out.push_back(kDsoHead + dso);
    } else if (StartsWith(text, kFromHead)) {
      out.push_back(kFromHead + copy);
    } else if (StartsWith(text, kDsiHead)) {
      out.push_back(kDsiHead + CopyName(text.substr(kDsiHead.size()), stamp) + " DSO " + dso);
      dsiRewritten = true;
    } else {
      out.push_back(line);
    }
  }
  if (!source.empty() && dsiRewritten) out.push_back("INSERT INTO " + copy + " SELECT * FROM " + source);
  lines = std::move(out);
}
