// ovprinter: the selected printer over Qt's printers, the program's print
// data, and the replay of recorded pages on any paint device.
#pragma once

#include <QPointF>
#include <QStringList>

#include "ui/core/fprintcore.h"
#include "ui/core/ovprintercore.h"

class QPainter;
class QPaintDevice;
class QPrinter;
class QWidget;
class TovMainWindow;

// The entry after the platform's printers: a PDF file, named when printing.
inline constexpr const char* kPdfPrinterName = "PDF";

TovPrinter& Printer();
// The program's one print data, the main window's: the pages of the last
// document. Printing needs the main window set by SetPrintOwner.
TovPrintdata& PrintData();
// The columns a TAB of printed text reaches to: the tab width of the user's
// editor settings, which the main window holds.
int PrintTabWidth();
// The Qt device of the selected printer.
QPrinter& QtPrinter();

// The platform's printers, then the PDF file.
QStringList PrinterNames();
int PrinterIndex();
bool PrintsToPdf();
// Selects a printer by its place in PrinterNames(), at its defaults.
void SetPrinterIndex(int index);
void SetOrientation(int orientation);
// Describes the selected printer to Printer().
void RefreshPrinter();

// Text measured at the resolution of a paint device.
class TQtTextMeasure : public TTextMeasure {
 public:
  explicit TQtTextMeasure(QPaintDevice& device) : device_(device) {}
  int Width(std::string_view text, const TPrintFont& font) const override;
  int LineHeight(const TPrintFont& font) const override;

 private:
  QPaintDevice& device_;
};

// Draws a page's drawings in its own pixels; the painter's transform places
// and scales them.
void ReplayPage(QPainter& painter, const TPrintPage& page);
// Draws a page on a printer with its top left corner at `origin` (device
// pixels), scaled from its own resolution to the printer's.
void DrawPrintPage(QPainter& painter, const TPrintPage& page, QPointF origin);

// The main window: owner of the print windows and of the print data, hidden
// while the preview shows.
void SetPrintOwner(TovMainWindow* main);
TovMainWindow* PrintOwner();
// The main window as the parent of the print windows; none without one.
QWidget* PrintOwnerWindow();
