#include "ui/core/rdatacore.h"

#include <algorithm>
#include <cctype>

#include "app/core/zarur.h"
#include "platform/inifile.h"
#include "platform/sqlbackend.h"
#include "ui/core/ovdbgridcore.h"

namespace {

constexpr const char* kCrLf = "\r\n";
constexpr const char* kNoLockOption = "WITH OPTION LOCK_MODE(NO LOCK)";
constexpr const char* kNoLockMode = "LOCK_MODE(NO LOCK)";
constexpr const char* kWithOption = "WITH OPTION";

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Byte position of `pattern` (ASCII) in `text`, letters compared without
// case; the bytes of multi-byte characters never match ASCII letters.
size_t FindNoCase(const std::string& text, const std::string& pattern, size_t from = 0) {
  if (pattern.size() > text.size()) return std::string::npos;
  for (size_t i = from; i + pattern.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < pattern.size() && AsciiUpper(text[i + k]) == AsciiUpper(pattern[k])) ++k;
    if (k == pattern.size()) return i;
  }
  return std::string::npos;
}

std::string ReplaceNoCase(std::string text, const std::string& pattern, const std::string& by, bool all) {
  size_t at = FindNoCase(text, pattern);
  while (at != std::string::npos) {
    text.replace(at, pattern.size(), by);
    if (!all) break;
    at = FindNoCase(text, pattern, at + by.size());
  }
  return text;
}

bool Contains(const std::string& text, const std::string& pattern) { return text.find(pattern) != std::string::npos; }

// Appending to a list of lines through its text: the clause starts a line.
std::string AppendLine(const std::string& text, const std::string& clause) {
  return LinesText(LinesText(text) + clause);
}

bool IsWordByte(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

// Where the first WITH OPTION stands outside literals, quoted names,
// comments and parentheses; npos when none does.
size_t TopLevelWithOption(const std::string& sql) {
  int depth = 0;
  for (size_t i = 0; i < sql.size(); ++i) {
    const char c = sql[i];
    if (c == '\'' || c == '"') {
      const size_t close = sql.find(c, i + 1);
      if (close == std::string::npos) return std::string::npos;
      i = close;  // a doubled quote inside is two literals back to back
    } else if (c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') {
      const size_t end = sql.find('\n', i);
      if (end == std::string::npos) return std::string::npos;
      i = end;
    } else if (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*') {
      const size_t end = sql.find("*/", i + 2);
      if (end == std::string::npos) return std::string::npos;
      i = end + 1;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (depth > 0) --depth;
    } else if (depth == 0 && AsciiUpper(c) == 'W' && (i == 0 || !IsWordByte(sql[i - 1])) &&
               FindNoCase(sql, "WITH", i) == i) {
      size_t k = i + 4;
      const size_t blanks = k;
      while (k < sql.size() && std::isspace(static_cast<unsigned char>(sql[k])) != 0) ++k;
      if (k > blanks && FindNoCase(sql, "OPTION", k) == k && (k + 6 == sql.size() || !IsWordByte(sql[k + 6]))) return i;
    }
  }
  return std::string::npos;
}

const char* AggregateFunction(TAggregate kind) {
  switch (kind) {
    case TAggregate::Count:
      return "count";
    case TAggregate::Sum:
      return "sum";
    case TAggregate::Average:
      return "avg";
    case TAggregate::Max:
      return "max";
    case TAggregate::Min:
      return "min";
  }
  return "";
}

const char* AggregateLabel(TAggregate kind) {
  switch (kind) {
    case TAggregate::Count:
      return "]列の件数 = ";
    case TAggregate::Sum:
      return "]列の合計 = ";
    case TAggregate::Average:
      return "]列の平均 = ";
    case TAggregate::Max:
      return "]列の最大 = ";
    case TAggregate::Min:
      return "]列の最小 = ";
  }
  return "";
}

}  // namespace

std::vector<std::string> StatementLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return lines;
}

std::string LinesText(const std::string& text) {
  std::string out;
  for (const std::string& line : StatementLines(text)) out += line + kCrLf;
  return out;
}

std::string SortedStatement(const std::string& baseSql, const std::string& sortColumn, bool descending) {
  std::string text = LinesText(baseSql);
  if (sortColumn.empty() || Contains(UpperCase(baseSql), "ORDER BY")) return text;
  text = ReplaceNoCase(text, kNoLockOption, "", true);
  text = AppendLine(text, " ORDER BY " + sortColumn + (descending ? " DESC" : ""));
  return AppendLine(text, std::string(" ") + kNoLockOption + " ");
}

std::string LimitedStatement(const std::string& text, const std::string& rowLimit) {
  std::string sql = LinesText(text);
  if (!rowLimit.empty()) {
    if (Contains(sql, "LOCK_MODE"))
      sql = LinesText(ReplaceNoCase(sql, Contains(sql, "LIMIT") ? kNoLockMode : kNoLockOption, "", false));
    sql = AppendLine(sql, " WITH OPTION LIMIT (" + rowLimit + ")");
  }
  if (!Contains(sql, "LOCK_MODE"))
    sql = AppendLine(sql, " WITH OPTION LOCK_MODE(SHARE LOCK)");
  else if (Contains(sql, "LIMIT"))
    sql = LinesText(ReplaceNoCase(sql, kWithOption, kNoLockOption, false));
  return sql;
}

std::string WithoutOptionClauses(const std::string& sql) {
  const size_t at = TopLevelWithOption(sql);
  return TrimBlanks(at == std::string::npos ? sql : sql.substr(0, at));
}

std::string AggregateStatement(TAggregate kind, const std::string& fieldName, const std::string& baseSql) {
  return std::string("select ") + AggregateFunction(kind) + "(" + QuoteIdent(fieldName) + ") from (" +
         WithoutOptionClauses(Trim(baseSql)) + ") as dummy";
}

std::string AggregateMessage(TAggregate kind, const std::string& fieldName, const std::string& value) {
  return "[" + fieldName + AggregateLabel(kind) + value;
}

std::vector<std::string> ResultTitles(const std::vector<TResultField>& fields, int pasteTitle) {
  std::vector<std::string> titles;
  for (const TResultField& field : fields) {
    if (!field.Visible) continue;
    titles.push_back(pasteTitle == kPasteTitleComments && !field.Comment.empty() ? field.Comment : field.DisplayName);
  }
  return titles;
}

std::vector<TResultField> ResultFields(const TovClientDataSet& data, const std::function<std::string(int)>& comment) {
  std::vector<TResultField> fields;
  for (const TovField& field : data.Fields())
    fields.push_back({field.DisplayLabel.empty() ? field.FieldName : field.DisplayLabel, comment(field.Index),
                      field.Visible});
  return fields;
}

std::vector<std::string> TDataSetRecords::VisibleValues() const {
  std::vector<std::string> values;
  for (const TovField& field : data_.Fields()) {
    if (!field.Visible) continue;
    const bool locator = field.DataType == TFieldType::ftOraBlob || field.DataType == TFieldType::ftOraClob;
    const bool empty = rule_ == TOutputValues::Clipboard ? field.IsBlob() : locator;
    // Binary fields show their bytes in hexadecimal.
    values.push_back(empty ? std::string() : data_.FieldText(field.Index));
  }
  return values;
}

bool TDataSetRecords::EscapePressed() { return IsEscapePressed(); }

namespace {

void AppendRow(std::string& out, const std::vector<std::string>& values, char separator, bool quote) {
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) out += separator;
    out += quote ? ClipboardValue(values[i], separator) : values[i];
  }
  out += kCrLf;
}

}  // namespace

std::string ResultClipboardText(const std::vector<std::string>& titles, bool comma, TResultRecords& records) {
  const char separator = comma ? ',' : '\t';
  std::string text;
  if (!titles.empty()) AppendRow(text, titles, separator, false);
  int number = 0;
  while (!records.AtEnd() && !records.EscapePressed()) {
    records.Progress(++number);
    AppendRow(text, records.VisibleValues(), separator, true);
    records.Next();
  }
  return text;
}

std::string ColWidthFileName(const std::string& tempDir, const std::string& colWidthKey) {
  return tempDir + colWidthKey + ".ini";
}

std::vector<int> FittedColumnWidths(const std::vector<std::string>& captions, const std::vector<int>& current, int cap,
                                    const platform::IniFile* file) {
  std::vector<int> widths(current.size());
  for (size_t i = 0; i < current.size(); ++i) {
    const int saved = file != nullptr && i < captions.size() ? file->ReadInteger(kColWidthSectionV, captions[i], 0) : 0;
    widths[i] = saved > 0 ? saved : std::min(current[i], cap);
  }
  return widths;
}

int SavedDefaultColWidth(const platform::IniFile& file) {
  return std::max(file.ReadInteger(kColWidthSectionH, kColWidthAllKey, 0), 0);
}

void SaveColumnWidths(platform::IniFile& file, const std::vector<std::string>& captions, const std::vector<int>& widths,
                      int defaultWidthH) {
  for (size_t i = 0; i < captions.size() && i < widths.size(); ++i)
    file.WriteInteger(kColWidthSectionV, captions[i], widths[i]);
  file.WriteInteger(kColWidthSectionH, kColWidthAllKey, defaultWidthH);
  file.UpdateFile();
}

namespace {

bool IsNumberType(TFieldType type) {
  return type == TFieldType::ftSmallint || type == TFieldType::ftInteger || type == TFieldType::ftFloat ||
         type == TFieldType::ftBCD;
}

TCellLook Look(std::string text, bool right, bool nullMark = false) { return {true, std::move(text), right, nullMark}; }

}  // namespace

std::string NumberCellText(const std::string& text) { return text.starts_with('.') ? "0" + text : text; }

TCellLook ColumnCellLook(TFieldType type, bool isNull, const std::string& text, bool showNull) {
  if (type == TFieldType::ftBlob) return Look(UpperCase(text), false);
  if (isNull && showNull) return Look(kNullMark, false, true);
  if (IsNumberType(type)) return Look(NumberCellText(text), true);
  if (type == TFieldType::ftWord || type == TFieldType::ftMemo || type == TFieldType::ftWideMemo)
    return Look(text, false);
  return {};
}

TCellLook RowCellLook(TFieldType type, bool isNull, const std::string& text, bool showNull, int showMode) {
  constexpr int kByType = 0;
  constexpr int kAllLeft = 1;
  if (type == TFieldType::ftBlob) return Look(UpperCase(text), showMode > kAllLeft);
  if (showMode == kByType) {
    if (isNull && showNull) return Look(kNullMark, false, true);
    if (IsNumberType(type)) return Look(NumberCellText(text), true);
    switch (type) {
      case TFieldType::ftString:
      case TFieldType::ftWord:
      case TFieldType::ftDate:
      case TFieldType::ftDateTime:
      case TFieldType::ftMemo:
      case TFieldType::ftWideMemo:
        return Look(text, false);
      default:
        return {};
    }
  }
  const bool right = showMode > kAllLeft;
  return isNull ? Look(kNullMark, right, true) : Look(text, right);
}

TCellEditor CellEditorFor(TFieldType type) {
  switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftWideString:
    case TFieldType::ftMemo:
    case TFieldType::ftWideMemo:
      return TCellEditor::Memo;
    case TFieldType::ftDate:
    case TFieldType::ftDateTime:
      return TCellEditor::Calendar;
    default:
      return TCellEditor::None;
  }
}

QDateTime CalendarStartValue(const std::string& fieldText, const QDate& today) {
  const QDateTime midnight(today, QTime(0, 0));
  if (fieldText.empty()) return midnight;
  return VarToDateTimeDef(QString::fromStdString(fieldText), midnight);
}

std::string PickedDateText(const QDateTime& value) {
  if (value.time() == QTime(0, 0)) return platform::SqlValueText(value.date());
  return platform::SqlValueText(value);
}
