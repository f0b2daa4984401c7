// reportout: the spreadsheet and clipboard reports of the tool windows'
// lists (the SQL capture, the table-access matrix, the object comparison):
// the save dialog, the workbook written and saved, the question before a
// copy and the clipboard filled, each with its closing message.
#pragma once

#include <optional>
#include <string>

#include "tools/core/reportoutcore.h"

class QTreeWidget;
class TovMainWindow;

// The list's column captions and, per row, its texts.
TReportList ListReport(const QTreeWidget& list);

// Writes the list into a new workbook saved under the name the save
// dialog (proposing ReportFileName(key)) returns; the saved file, or none
// when the dialog was cancelled.
std::optional<std::string> ReportToSpreadsheet(const std::string& key, const TReportList& list);

// Copies the rows (no captions) to the clipboard, separated by commas or
// TABs as PasteColumn says, asking first when PasteDialog is on; Esc ends
// the copy with the rows collected so far. The main window shows the
// progress.
void ReportToClipboard(const TReportList& list, TovMainWindow* main);
