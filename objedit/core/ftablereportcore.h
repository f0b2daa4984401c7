// ftablereportcore: the table report without its workbook: which
// definitions the table editor lists, and where a definition puts the
// table's values: the header cells, the copies of the body block and the
// value array of one record per column and per unique constraint or index.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/core/ovdoc.h"
#include "objedit/core/ftablecore.h"

inline constexpr const char* kTableReportType = "TABLE";
// The tree images of the records of the second body.
inline constexpr int kReportConstraintImage = 66;
inline constexpr int kReportIndexImage = 46;

// The report definitions under `shareDir` whose first XLSDEF has the
// report type `type` ("TABLE", "VIEW"), in listing order, each with its
// position in the whole listing (the main window's report menu has one
// item per listed file).
struct TEditorReportEntry {
  std::string Name;
  size_t Position = 0;
};
std::vector<TEditorReportEntry> EditorReportEntries(const std::string& shareDir, const std::string& type);

// A unique constraint or index of the tree: its image, text and column text.
struct TReportConstraint {
  int Image = 0;
  std::string Name;
  std::string Columns;
};
// What the report writes of a table.
struct TTableReportData {
  std::string Schema;
  std::string Table;
  std::string Comment;
  std::string StorageType;
  std::string Cross;       // the 参照 tree as text
  std::string CoverCross;  // the 被参照 tree
  std::vector<TTableColumn> Columns;     // the named rows of the column grid
  std::vector<std::string> KeyColumns;   // the primary key in key order
  std::vector<TReportConstraint> Constraints;  // the tree's level-1 nodes
};

struct TReportCell {
  int32_t Row = 0;
  int32_t Col = 0;
  std::string Text;
  friend bool operator==(const TReportCell&, const TReportCell&) = default;
};
struct TReportLayout {
  // The body block (rows BodyTop .. BlockBottom, 255 columns) is copied
  // with its formats to each of these rows.
  int32_t BlockBottom = 0;
  std::vector<int32_t> BlockCopies;
  std::vector<TReportCell> Header;
  // From (BodyTop, 1): (C + K) records of H rows, W columns; none for an
  // empty cell.
  std::vector<std::vector<std::optional<std::string>>> Values;
};
TReportLayout TableReportLayout(const TReportDefinition& definition, const TTableReportData& data);

// The value of a column record's item: SEQ (n + 1), COLUMNNAME, DTYPE,
// LENGTH and SCALE (the "長さ" text split at its comma), NOTNULL, DEFAULT,
// COMMENT (a leading "=" kept as text); none for any other item.
std::optional<std::string> ColumnReportValue(const TTableColumn& column, size_t n, uint8_t item);

// The tree text of a cross-reference tree: one line per node with one
// full-width space per level before its text, joined by LF.
struct TTreeLine {
  int Level = 0;
  std::string Text;
};
std::string ReportTreeText(const std::vector<TTreeLine>& lines);
