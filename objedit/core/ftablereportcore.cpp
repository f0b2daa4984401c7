#include "objedit/core/ftablereportcore.h"

#include <algorithm>

#include "app/core/ovconst.h"
#include "app/core/zarur.h"

namespace {

constexpr const char* kFullWidthSpace = "　";
constexpr const char* kNotNullMark = "Y";
constexpr const char* kTypeAttribute = "TYPE";
constexpr char kSizeSeparator = ',';

uint8_t Item(const char* key) { return FindReportItem(key, kReportItemKey); }

int32_t Largest(const std::vector<TReportPlacement>& entries, int32_t TReportPlacement::*field, int32_t start) {
  for (const TReportPlacement& p : entries) start = std::max(start, p.*field);
  return start;
}

bool IsRecordImage(int image) { return image == kReportConstraintImage || image == kReportIndexImage; }

std::optional<std::string> HeaderValue(const TTableReportData& data, uint8_t item) {
  if (item == Item("SCHEMA")) return data.Schema;
  if (item == Item("TABLENAME")) return data.Table;
  if (item == Item("COMMENT")) return data.Comment;
  if (item == Item("STORAGETYPE")) return data.StorageType;
  if (item == Item("CROSS")) return data.Cross;
  if (item == Item("COVERCROSS")) return data.CoverCross;
  return std::nullopt;
}

// A comment the spreadsheet would take for a formula stays text.
std::string CommentText(const std::string& comment) {
  const std::string trimmed = Trim(comment);
  return !trimmed.empty() && trimmed.front() == '=' ? "'" + comment : comment;
}

std::optional<std::string> ColumnValue(const TTableReportData& data, size_t n, uint8_t item) {
  const TTableColumn& column = data.Columns[n];
  if (item == Item("PK")) {
    const auto at = std::find(data.KeyColumns.begin(), data.KeyColumns.end(), column.Name);
    if (at == data.KeyColumns.end()) return std::nullopt;
    return std::to_string(at - data.KeyColumns.begin() + 1);
  }
  return ColumnReportValue(column, n, item);
}

std::optional<std::string> ConstraintValue(const TReportConstraint& node, size_t seq, uint8_t item) {
  if (item == Item("SEQ")) return std::to_string(seq);
  if (item == Item("CONSTNAME")) return node.Name;
  if (item == Item("CONSTVALUE")) return node.Columns;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ColumnReportValue(const TTableColumn& column, size_t n, uint8_t item) {
  const size_t comma = column.Size.find(kSizeSeparator);
  if (item == Item("SEQ")) return std::to_string(n + 1);
  if (item == Item("COLUMNNAME")) return column.Name;
  if (item == Item("DTYPE")) return column.Type;
  if (item == Item("LENGTH")) return column.Size.substr(0, comma);
  if (item == Item("SCALE")) return comma == std::string::npos ? std::string() : column.Size.substr(comma + 1);
  if (item == Item("NOTNULL")) return column.NotNull ? kNotNullMark : "";
  if (item == Item("DEFAULT")) return column.Default;
  if (item == Item("COMMENT")) return CommentText(column.Comment);
  return std::nullopt;
}

std::vector<TEditorReportEntry> EditorReportEntries(const std::string& shareDir, const std::string& type) {
  std::vector<TEditorReportEntry> entries;
  const auto folder = FindFolderAnyCase(shareDir, kReportFolder);
  if (!folder) return entries;
  const std::vector<TDocFile> files = ListDocFiles(*folder, kReportExtension);
  for (size_t i = 0; i < files.size(); ++i) {
    const auto element = ReadDocElement(files[i].Path, kReportElement, kReportMissingVersion);
    if (!element) continue;
    const auto found = element->find(kTypeAttribute);
    if (found != element->end() && found->second == type) entries.push_back({files[i].Name, i});
  }
  return entries;
}

TReportLayout TableReportLayout(const TReportDefinition& definition, const TTableReportData& data) {
  int32_t width = Largest(definition.Header, &TReportPlacement::Col, 1);
  width = Largest(definition.Body, &TReportPlacement::Col, width);
  width = Largest(definition.Body2, &TReportPlacement::Col, width);
  const int32_t height =
      Largest(definition.Body2, &TReportPlacement::Row, Largest(definition.Body, &TReportPlacement::Row, 1));
  const size_t columns = definition.Body.empty() ? 0 : data.Columns.size();
  size_t constraints = 0;
  if (!definition.Body2.empty()) {
    int previous = 0;
    for (const TReportConstraint& node : data.Constraints) {
      if (!IsRecordImage(node.Image)) continue;
      constraints += node.Image != previous ? 2 : 1;
      previous = node.Image;
    }
  }
  const size_t records = columns + constraints;
  const int32_t count = std::max(definition.BodyCount, 1);
  const size_t blocks = (records + static_cast<size_t>(count) - 1) / static_cast<size_t>(count);
  TReportLayout layout;
  const int32_t blockRows = count * height;
  layout.BlockBottom = definition.BodyTop + blockRows - 1;
  for (size_t p = 1; p < blocks; ++p) layout.BlockCopies.push_back(definition.BodyTop + static_cast<int32_t>(p) * blockRows);
  for (const TReportPlacement& p : definition.Header)
    if (const auto text = HeaderValue(data, p.Item)) layout.Header.push_back({p.Row, p.Col, *text});
  layout.Values.assign(records * static_cast<size_t>(height),
                       std::vector<std::optional<std::string>>(static_cast<size_t>(width)));
  for (const TReportPlacement& p : definition.Body)
    for (size_t n = 0; n < columns; ++n)
      layout.Values[static_cast<size_t>(p.Row - 1) + n * static_cast<size_t>(height)][static_cast<size_t>(p.Col - 1)] =
          ColumnValue(data, n, p.Item);
  for (const TReportPlacement& p : definition.Body2) {
    // One blank record after the columns, one more between the groups.
    size_t row = static_cast<size_t>(p.Row - 1) + columns * static_cast<size_t>(height);
    int previous = 0;
    size_t seq = 0;
    for (const TReportConstraint& node : data.Constraints) {
      if (!IsRecordImage(node.Image)) continue;
      if (node.Image != previous) row += static_cast<size_t>(height);
      previous = node.Image;
      layout.Values[row][static_cast<size_t>(p.Col - 1)] = ConstraintValue(node, ++seq, p.Item);
      row += static_cast<size_t>(height);
    }
  }
  return layout;
}

std::string ReportTreeText(const std::vector<TTreeLine>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\n";
    for (int level = 0; level < lines[i].Level; ++level) text += kFullWidthSpace;
    text += lines[i].Text;
  }
  return text;
}
