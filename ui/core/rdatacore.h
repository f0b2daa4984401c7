// rdatacore: the plain rules of the result-grid frame: the statements it
// builds around the owner's SELECT (sort, row limit, lock, aggregates), the
// clipboard text of a whole result and the saved column widths.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/core/odsql.h"
#include "ui/core/ovclientds.h"

namespace platform {
class IniFile;
}

// ---- Statement text -------------------------------------------------------

// The text as a list of lines holds it: cut at CR LF, CR or LF, and every
// line ended by CR LF again. An empty text has no lines.
std::string LinesText(const std::string& text);
// The lines of the text, without their line ends.
std::vector<std::string> StatementLines(const std::string& text);

// The statement text of the result query before it is opened: the base
// statement, and, when a sort column is given and the statement has no
// ORDER BY of its own, the sort clause and the no-lock option each on a line
// of its own. `sortColumn` is the 1-based position in the select list.
std::string SortedStatement(const std::string& baseSql, const std::string& sortColumn, bool descending);

// The statement text with the row limit (empty: none) and the lock clause
// that opening adds.
std::string LimitedStatement(const std::string& text, const std::string& rowLimit);

// The statement without its trailing WITH OPTION clauses (those outside
// parentheses, literals and comments), trimmed.
std::string WithoutOptionClauses(const std::string& sql);

enum class TAggregate { Count, Sum, Average, Max, Min };

// The statement asking one aggregate of a column of the base statement's
// result. The base statement's option clauses are removed, since the
// server takes them only at a statement's end.
std::string AggregateStatement(TAggregate kind, const std::string& fieldName, const std::string& baseSql);
// The message that shows the aggregate's value.
std::string AggregateMessage(TAggregate kind, const std::string& fieldName, const std::string& value);

// ---- Clipboard text of a whole result --------------------------------------

// One field of the result as the title row sees it.
struct TResultField {
  std::string DisplayName;
  std::string Comment;  // from the owner's column grid; empty when none
  bool Visible = true;
};

// `PasteTitle`: 0 display names, 1 comments (the display name where a
// comment is empty), 2 no title row.
inline constexpr int kPasteTitleNames = 0;
inline constexpr int kPasteTitleComments = 1;
inline constexpr int kPasteTitleNone = 2;

// The titles of the visible fields, in field order.
std::vector<std::string> ResultTitles(const std::vector<TResultField>& fields, int pasteTitle);

// The fields of the data set for ResultTitles; `comment` gives the owner's
// comment of field i.
std::vector<TResultField> ResultFields(const TovClientDataSet& data, const std::function<std::string(int)>& comment);

// The records of a result, walked once from the first.
class TResultRecords {
 public:
  virtual ~TResultRecords() = default;
  virtual bool AtEnd() const = 0;
  // The visible fields' values as text, in field order; empty for BLOBs.
  virtual std::vector<std::string> VisibleValues() const = 0;
  virtual void Next() = 0;
  // Polled once per record before it is written: true ends the walk.
  virtual bool EscapePressed() = 0;
  // Called with the 1-based number of the record about to be written.
  virtual void Progress(int recordNumber) = 0;
};

// How a whole-result output writes a field's value: the clipboard leaves
// binary fields empty; the spreadsheet writes them in hexadecimal and
// leaves only the server's LOB locators empty.
enum class TOutputValues { Clipboard, Spreadsheet };

// The current and following records of a client data set. Esc is polled
// through IsEscapePressed; `progress` is told each record number.
class TDataSetRecords : public TResultRecords {
 public:
  TDataSetRecords(TovClientDataSet& data, TOutputValues rule, std::function<void(int)> progress)
      : data_(data), rule_(rule), progress_(std::move(progress)) {}
  bool AtEnd() const override { return data_.Eof(); }
  std::vector<std::string> VisibleValues() const override;
  void Next() override { data_.Next(); }
  bool EscapePressed() override;
  void Progress(int number) override { progress_(number); }

 private:
  TovClientDataSet& data_;
  TOutputValues rule_;
  std::function<void(int)> progress_;
};

// The clipboard text: the title row (when titles are given; none when the
// list is empty) and one line per record, values separated by "," or TAB
// and quoted as the grids' own copy quotes them, every line ended by CR LF.
// An Esc ends the walk and what was written so far is the text.
std::string ResultClipboardText(const std::vector<std::string>& titles, bool comma, TResultRecords& records);

// ---- Saved column widths ---------------------------------------------------

inline constexpr const char* kColWidthSectionV = "COLWIDTH_V";
inline constexpr const char* kColWidthSectionH = "COLWIDTH_H";
inline constexpr const char* kColWidthAllKey = "(ALL)";
// Results of this many columns or more keep their widths untouched.
inline constexpr int kMaxSizedColumns = 100;

// "<TempDir><ColWidthKey>.ini".
std::string ColWidthFileName(const std::string& tempDir, const std::string& colWidthKey);

// The vertical grid's new widths: a saved positive width where the file
// holds one for the column's caption, else the smaller of the current width
// and `cap`. Without a file every width is capped.
std::vector<int> FittedColumnWidths(const std::vector<std::string>& captions, const std::vector<int>& current, int cap,
                                    const platform::IniFile* file);
// The transposed grid's saved default column width, 0 when none is saved.
int SavedDefaultColWidth(const platform::IniFile& file);
// Writes every caption's width and the transposed grid's default width.
void SaveColumnWidths(platform::IniFile& file, const std::vector<std::string>& captions, const std::vector<int>& widths,
                      int defaultWidthH);

// ---- Cell drawing ------------------------------------------------------------

inline constexpr const char* kNullMark = "(NULL)";

// How the frame draws a data cell over the grid's own drawing.
struct TCellLook {
  bool Own = false;  // false: the grid's drawing stays
  std::string Text;
  bool RightAligned = false;
  bool NullMark = false;  // drawn in blue
};

// A number's text with "0" before a leading ".".
std::string NumberCellText(const std::string& text);
// A cell of the vertical grid.
TCellLook ColumnCellLook(TFieldType type, bool isNull, const std::string& text, bool showNull);
// A cell of the transposed grid under `DataShowMode` (0 by type, 1 all
// left, 2 all right).
TCellLook RowCellLook(TFieldType type, bool isNull, const std::string& text, bool showNull, int showMode);
