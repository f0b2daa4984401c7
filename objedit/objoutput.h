// objoutput: the output of the table and view editors: printing and saving
// the CREATE text, the report items of a report type in the editor's menus
// and the workbook such an item writes from its definition's template.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/core/ovdoc.h"
#include "objedit/core/ftablereportcore.h"

class QAction;
class QMenu;
class QObject;
class QTreeWidget;
class TovWorksheet;

// Prints the lines under `title` through the print dialog.
void PrintObjectLines(const std::string& title, const std::function<std::vector<std::string>()>& lines);
// Asks where to save "<FileDir><schema>.<name>.sql" and writes the lines
// there, each ended by CR LF: "スクリプトが出力されました。", FileDir follows.
void SaveObjectLines(const std::string& schema, const std::string& name,
                     const std::function<std::vector<std::string>()>& lines);

// One item per report definition of `type` appended to each menu (the main
// window's report item of the same file gives caption and tag); a click
// runs `click` with the item, reported.
std::vector<QAction*> AddReportItems(QObject& owner, const std::vector<QMenu*>& menus, const std::string& type,
                                     const std::function<void(QAction*)>& click);
// The report item's click: asks for "<ExcelDir><name><ext>" (made unique,
// lower-case extension) and runs `write` with the definition (the item's
// caption) and the file; "ファイルが出力されました。", ExcelDir follows.
void RunReportItem(const QAction& item, const std::string& name,
                   const std::function<void(const std::string& definition, const std::string& file)>& write);
// The definition; a file that is no XML shows its message and stops (EAbort).
TReportDefinition ReadEditorReportDefinition(const std::string& name);
// A workbook from the definition's template (or a new one), `fill` on its
// active sheet, saved as `fileName` (its folder made).
void WriteReportWorkbook(const std::string& definitionName, const std::string& fileName,
                         const std::function<void(TovWorksheet&)>& fill);
// The layout into the sheet: the body block copied, header cells, the
// body values from (BodyTop, 1); A1 selected. The main window's status
// bar shows the object count again afterwards.
void WriteReportLayout(TovWorksheet& sheet, const TReportDefinition& definition, const TReportLayout& layout);
// A cross-reference tree as the report's text.
std::string CrossTreeText(const QTreeWidget& tree);
