#include "editor/core/ovmemocore.h"

namespace {

constexpr char kSQLDelimiterChars[] = " ()%;.,+-<>{}[]\"'\r\n\t";
// A jump first shows the rows below the line, then those above it.
constexpr int kJumpBelow = 9;
constexpr int kJumpAbove = -11;
constexpr int kJumpLine = -1;

bool IsSQLDelimiterAt(const TCellString& row, int i) {
  return i >= 0 && i < row.Length() && IsDelimiter(SQLDelimiters(), row.Cell(i));
}

// A delimiter that ends a completion word: every one but ".".
bool EndsWord(const TCellString& row, int i) { return IsSQLDelimiterAt(row, i) && row.CodeAt(i) != U'.'; }

}  // namespace

const TDelimiters& SQLDelimiters() {
  static const TDelimiters set = [] {
    TDelimiters s;
    for (const char c : std::string(kSQLDelimiterChars)) s.set(static_cast<unsigned char>(c));
    return s;
  }();
  return set;
}

bool SQLTokenAt(const TCellString& row, int pos, TCellRange& range) {
  if (pos < 0 || pos >= row.Length() || IsSQLDelimiterAt(row, pos)) return false;
  int start = pos;
  while (start > 0 && !IsSQLDelimiterAt(row, start - 1)) --start;
  int end = pos + 1;
  while (end < row.Length() && !IsSQLDelimiterAt(row, end)) ++end;
  range = {start, end - start};
  return true;
}

std::string SQLCaretWord(const TCellString& row, int pos) {
  if (pos < 0 || pos >= row.Length()) return "";
  // A caret after a wide character stands on its trail.
  if (row.TypeAt(pos) == TCellType::Trail) --pos;
  const char32_t c = row.CodeAt(pos);
  const int before = row.TypeAt(pos - 1) == TCellType::Trail ? pos - 2 : pos - 1;
  const char32_t b = before >= 0 ? row.CodeAt(before) : 0;
  if (c == U'.' && (b == 0 || b == U' ' || b == U'\'' || b == U'"' || b == U'.')) return ".";
  if (EndsWord(row, pos) || (c == U'.' && IsSQLDelimiterAt(row, before))) return "";
  int start = pos;
  while (start > 0 && !EndsWord(row, start - 1)) --start;
  int end = pos + 1;
  while (end < row.Length() && !EndsWord(row, end)) ++end;
  return row.Mid(start, end - start).Utf8();
}

std::vector<int> JumpToLineRows(int line, int caretRowCount) {
  std::vector<int> rows;
  for (const int step : {kJumpBelow, kJumpAbove, kJumpLine}) {
    const int row = line + step;
    if (row >= 0 && row < caretRowCount) rows.push_back(row);
  }
  return rows;
}
