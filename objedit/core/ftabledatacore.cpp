#include "objedit/core/ftabledatacore.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>

#include "app/core/zarur.h"
#include "platform/textwidth.h"

namespace {

// The cells each kind of column quotes by itself.
constexpr std::array<int, 5> kCharQuoted{kWhereEqual, kWhereLower, kWhereUpper, kWhereNotEqual, kWhereLike};
constexpr std::array<int, 3> kDateQuoted{kWhereEqual, kWhereLower, kWhereUpper};
constexpr std::array<const char*, 4> kCharTypes{"CHAR", "CHAR VARYING", "NCHAR", "NCHAR VARYING"};
constexpr std::array<const char*, 3> kDateWords{"DATE", "TIME", "TIMESTAMP"};
// The cells that make a row a condition.
constexpr std::array<int, 5> kConditionCells{kWhereEqual, kWhereLower, kWhereUpper, kWhereNotEqual, kWhereLike};
constexpr const char* kDescending = "DESC";
constexpr size_t kCutAnd = 4;
constexpr const char* kSortKeyFormat = "%.5d";
constexpr size_t kSortKeyRoom = 16;
constexpr const char* kDataFolder = "DATA";
constexpr const char* kKindFolder = "TABLE";
constexpr const char* kDataFileExtension = ".SQL";
constexpr const char* kOneDataFile = "_DATA.SQL";
constexpr int kInsertIntoFile = 1;
constexpr int kInsertIntoOneFile = 2;
constexpr const char* kNationalPrefix = "N";

bool ContainsWord(const std::string& text, const char* word) { return text.find(word) != std::string::npos; }

bool QuotedAlready(const std::string& cell) { return !cell.empty() && cell.front() == '\''; }

void AutoQuote(TWhereRow& row, const std::string& type) {
  if (std::find(kCharTypes.begin(), kCharTypes.end(), type) != kCharTypes.end()) {
    for (int col : kCharQuoted)
      if (!row[col].empty() && !QuotedAlready(row[col])) row[col] = QuoteStr(row[col]);
    return;
  }
  if (std::none_of(kDateWords.begin(), kDateWords.end(), [&](const char* w) { return ContainsWord(type, w); }))
    return;
  for (int col : kDateQuoted) {
    std::string& cell = row[col];
    if (cell.empty() || QuotedAlready(cell)) continue;
    const std::string upper = UpperCase(cell);
    // DATE'2001-01-01' and CURRENT_DATE are SQL of their own.
    if (std::any_of(kDateWords.begin(), kDateWords.end(), [&](const char* w) { return ContainsWord(upper, w); }))
      continue;
    cell = QuoteStr(cell);
  }
}

// Always in double quotes, whatever QuoteIdent would do.
std::string DoubleQuoted(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string TrimRight(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(0, end);
}

bool EndsWithAnd(const std::string& text) {
  const std::string trimmed = TrimRight(text);
  return trimmed.size() >= 3 && UpperCase(trimmed.substr(trimmed.size() - 3)) == "AND";
}

std::string ConditionsOf(const TWhereRow& row) {
  const std::string n = QuoteIdent(row[kWhereName]);
  std::string text;
  if (!row[kWhereEqual].empty()) text += n + " = " + row[kWhereEqual] + " AND ";
  if (!row[kWhereNotEqual].empty()) text += n + " <> " + row[kWhereNotEqual] + " AND ";
  if (!row[kWhereLike].empty()) text += n + " LIKE " + row[kWhereLike] + " AND ";
  const std::string& lower = row[kWhereLower];
  const std::string& upper = row[kWhereUpper];
  if (!lower.empty() && !upper.empty()) {
    text += n + " BETWEEN " + lower + " AND " + upper + " AND ";
  } else {
    if (!lower.empty()) text += n + " >= " + lower + " AND ";
    if (!upper.empty()) text += n + " <= " + upper + " AND ";
  }
  return text;
}

struct TSortEntry {
  std::string Key;
  size_t Row;
  bool Descending;
};

// The sort clause; the cells renumbered.
std::string OrderBy(std::vector<TWhereRow>& rows) {
  std::vector<TSortEntry> entries;
  for (size_t r = 0; r < rows.size(); ++r) {
    std::string& cell = rows[r][kWhereSort];
    if (Trim(cell).empty()) {
      cell.clear();
      continue;
    }
    const bool descending = ContainsWord(UpperCase(cell), kDescending);
    std::string digits;
    for (char c : cell)
      if (c >= '0' && c <= '9') digits += c;
    cell.clear();
    if (digits.empty() && !descending) continue;
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size()) number = 0;
    char key[kSortKeyRoom];
    std::snprintf(key, sizeof key, kSortKeyFormat, number);
    entries.push_back({key, r, descending});
  }
  if (entries.empty()) return {};
  std::stable_sort(entries.begin(), entries.end(), [](const TSortEntry& a, const TSortEntry& b) { return a.Key < b.Key; });
  std::string text = " ORDER BY ";
  for (size_t i = 0; i < entries.size(); ++i) {
    const TSortEntry& e = entries[i];
    if (i > 0) text += ",";
    text += QuoteIdent(rows[e.Row][kWhereName]);
    if (e.Descending) text += std::string(" ") + kDescending;
    rows[e.Row][kWhereSort] = std::to_string(i + 1) + (e.Descending ? std::string(" ") + kDescending : "");
  }
  return text;
}

bool HasWideChar(const std::string& text) {
  for (size_t pos = 0; pos < text.size();) {
    char32_t code = 0;
    const size_t length = DecodeUtf8(text, pos, code);
    if (length == 0) {
      ++pos;
      continue;
    }
    if (IsWideChar(code)) return true;
    pos += length;
  }
  return false;
}

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (unsigned char c : bytes) {
    out += kDigits[c >> 4];
    out += kDigits[c & 0x0F];
  }
  return out;
}

std::string WithSlash(const std::string& folder) {
  if (folder.empty() || folder.back() == '/') return folder;
  return folder + "/";
}

}  // namespace

std::vector<TWhereRow> RebuildWhereRows(const std::vector<TWhereRow>& kept, const std::vector<TWhereColumn>& columns,
                                        bool autoQuote) {
  std::map<std::string, const TWhereRow*> byName;
  for (const TWhereRow& row : kept) byName.emplace(row[kWhereName], &row);
  std::vector<TWhereRow> rows;
  rows.reserve(columns.size());
  for (const TWhereColumn& column : columns) {
    TWhereRow row{};
    if (const auto found = byName.find(column.Name); found != byName.end()) row = *found->second;
    row[kWhereName] = column.Name;
    if (autoQuote) AutoQuote(row, column.Type);
    rows.push_back(std::move(row));
  }
  return rows;
}

void KeepDisplayColumns(std::vector<std::string>& display, const std::vector<TWhereRow>& rows) {
  std::erase_if(display, [&](const std::string& name) {
    return std::none_of(rows.begin(), rows.end(), [&](const TWhereRow& row) { return row[kWhereName] == name; });
  });
  if (!display.empty()) return;
  for (const TWhereRow& row : rows) display.push_back(row[kWhereName]);
}

bool RecordLimitValid(const std::string& text) {
  if (text.empty()) return true;
  const std::string trimmed = Trim(text);
  int64_t value = 0;
  const auto [end, error] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
  return error == std::errc() && end == trimmed.data() + trimmed.size() && value != 0;
}

std::string BuildSelectText(const TSelectSource& source, std::vector<TWhereRow>& rows) {
  std::string text = "SELECT ";
  for (size_t i = 0; i < source.DisplayColumns.size(); ++i)
    text += (i > 0 ? ", " : "") + DoubleQuoted(source.DisplayColumns[i]);
  text += " FROM " + DoubleQuoted(source.Schema) + "." + DoubleQuoted(source.Table);
  bool conditions = false;
  for (const TWhereRow& row : rows) {
    if (std::all_of(kConditionCells.begin(), kConditionCells.end(), [&](int col) { return row[col].empty(); }))
      continue;
    if (!conditions) text += " WHERE ";
    conditions = true;
    text += ConditionsOf(row);
  }
  if (conditions && EndsWithAnd(text)) text.resize(text.size() - kCutAnd);
  if (!source.FreeCondition.empty()) {
    // In brackets after the grid's conditions: an OR must not widen them.
    if (conditions)
      text += " AND (" + source.FreeCondition + ")";
    else
      text += " WHERE " + source.FreeCondition;
  }
  return text + OrderBy(rows);
}

void PushWhereHistory(std::vector<std::string>& items, const std::string& text) {
  std::erase(items, text);
  items.insert(items.begin(), text);
}

bool FitParamRows(std::vector<TParamRow>& rows, bool shown, const std::vector<std::string>& names) {
  bool changed = !shown;
  if (rows.size() != names.size()) {
    rows.resize(names.size());
    changed = true;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (rows[i].Name == names[i]) continue;
    changed = true;
    rows[i].Value.clear();
    rows[i].Name = names[i];
  }
  return changed;
}

std::string InsertLiteral(TFieldType type, const std::optional<std::string>& value) {
  if (!value) return "null";
  const std::string& text = *value;
  switch (type) {
    case TFieldType::ftString:
    case TFieldType::ftWideString:
    case TFieldType::ftMemo:
    case TFieldType::ftWideMemo:
    case TFieldType::ftOraClob:
      if (text.empty()) return "' '";
      if (!HasWideChar(text)) return QuoteStr(text);
      return std::string(kNationalPrefix).append(QuoteStr(text));
    case TFieldType::ftDate:
      return "DATE'" + text + "'";
    case TFieldType::ftTime:
      return "TIME'" + text + "'";
    case TFieldType::ftDateTime: {
      std::string stamp = text;
      std::replace(stamp.begin(), stamp.end(), 'T', ' ');
      return "TIMESTAMP'" + stamp + "'";
    }
    case TFieldType::ftBytes:
    case TFieldType::ftVarBytes:
    case TFieldType::ftBlob:
    case TFieldType::ftOraBlob:
      // Raw bytes would break the script's text.
      return "X'" + Hex(text) + "'";
    default:
      return text;
  }
}

void AppendInsertStatement(const std::string& head, const std::vector<std::string>& literals,
                           const std::string& separator, std::vector<std::string>& lines) {
  std::string line = head + " values(";
  for (size_t i = 0; i < literals.size(); ++i) {
    line += literals[i];
    if (i + 1 == literals.size()) break;
    line += ",";
    if (DisplayWidth(line) > kInsertLineWidth) {
      lines.push_back(line);
      line.clear();
    }
  }
  lines.push_back(line + ")");
  lines.push_back(separator);
}

std::optional<TDataFilePlace> DataFilePlace(const TScriptOption& option, bool schemaFirst, const std::string& schema,
                                            const std::string& table) {
  if (option.OneScript) return std::nullopt;
  const std::string path = WithSlash(option.Path);
  const std::string s = SanitizeFileName(schema);
  const std::string t = SanitizeFileName(table);
  if (option.InsertMode == kInsertIntoFile) {
    const std::string folder = schemaFirst ? path + s + "/" + kDataFolder + "/" : path + kDataFolder + "/" + s + "/";
    return TDataFilePlace{folder, folder + t + kDataFileExtension, false};
  }
  if (option.InsertMode == kInsertIntoOneFile) {
    std::string folder = path;
    if (option.SubDir) folder += (schemaFirst ? s : std::string(kKindFolder)) + "/";
    return TDataFilePlace{folder, folder + kOneDataFile, true};
  }
  return std::nullopt;
}
