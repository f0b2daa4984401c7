#include "ui/ovprinter.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <memory>
#include <stdexcept>

#include "app/core/ovmainwin.h"
#include "editor/core/EditorProp.h"
#include "platform/gui/wingdi.h"
#include "platform/qstr.h"

namespace {
constexpr double kPointsPerInch = 72.0;

TovMainWindow* printOwner = nullptr;

struct TPrinterState {
  std::unique_ptr<QPrinter> device;
  int index = -1;
};

TPrinterState& State() {
  static TPrinterState state;
  if (!state.device) state.device = std::make_unique<QPrinter>(QPrinter::HighResolution);
  return state;
}

// A font whose pixel size comes from the resolution it is laid out at, not
// from the device it is drawn on. Unhinted, so that its advances scale with
// the page and the preview shows the rows as the printer measured them.
QFont PixelFont(const TPrintFont& font, int resolution) {
  QFont qfont(Q(font.Name));
  qfont.setPixelSize(std::max(1, static_cast<int>(font.Size * resolution / kPointsPerInch)));
  qfont.setHintingPreference(QFont::PreferNoHinting);
  return qfont;
}

QPen PagePen(const TPrintPen& pen) {
  if (pen.Style == TPrintPenStyle::Clear) return Qt::NoPen;
  QPen qpen(platform::ColorToQColor(pen.Color), pen.Width);
  // The thinnest pen stays one device pixel wide, however the page scales.
  qpen.setCosmetic(pen.Width <= 1);
  return qpen;
}

QRect PageRect(const TPrintRect& rect) { return QRect(rect.Left, rect.Top, rect.Width(), rect.Height()); }

// Printing takes its data and the editor settings from the main window.
TovMainWindow& Owner() {
  if (!printOwner) throw std::logic_error("no main window holds the print data");
  return *printOwner;
}

}  // namespace

TovPrinter& Printer() {
  static TovPrinter printer;
  return printer;
}

TovPrintdata& PrintData() { return Owner().PrintData(); }

int PrintTabWidth() { return Owner().EditorProperties().Caret().TabSpaceCount(); }

QPrinter& QtPrinter() { return *State().device; }

QStringList PrinterNames() {
  QStringList names = QPrinterInfo::availablePrinterNames();
  names.append(kPdfPrinterName);
  return names;
}

int PrinterIndex() {
  TPrinterState& state = State();
  if (state.index < 0) {
    int found = PrinterNames().indexOf(QPrinterInfo::defaultPrinterName());
    state.index = -1;
    SetPrinterIndex(found < 0 ? static_cast<int>(PrinterNames().size()) - 1 : found);
  }
  return state.index;
}

bool PrintsToPdf() { return QtPrinter().outputFormat() == QPrinter::PdfFormat; }

void SetPrinterIndex(int index) {
  TPrinterState& state = State();
  const QStringList names = PrinterNames();
  if (index == state.index || index < 0 || index >= names.size()) return;
  const QPageLayout::Orientation orientation = state.device->pageLayout().orientation();
  state.device = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (names[index] == kPdfPrinterName) {
    state.device->setOutputFormat(QPrinter::PdfFormat);
    state.device->setPageMargins(QMarginsF(), QPageLayout::Millimeter);
  } else {
    state.device->setPrinterName(names[index]);
  }
  state.device->setPageOrientation(orientation);
  state.index = index;
}

void SetOrientation(int orientation) {
  QtPrinter().setPageOrientation(orientation == 1 ? QPageLayout::Landscape : QPageLayout::Portrait);
}

void RefreshPrinter() {
  QPrinter& device = QtPrinter();
  const QRectF paper = device.paperRect(QPrinter::DevicePixel);
  const QRectF page = device.pageRect(QPrinter::DevicePixel);
  TPrinterDescription d;
  d.DeviceName = device.outputFormat() == QPrinter::PdfFormat ? kPdfPrinterName : device.printerName().toStdString();
  d.ResolutionX = d.ResolutionY = device.resolution();
  d.PhysicalWidth = qRound(paper.width());
  d.PhysicalHeight = qRound(paper.height());
  d.PageWidth = qRound(page.width());
  d.PageHeight = qRound(page.height());
  d.OffsetLeft = qRound(page.left() - paper.left());
  d.OffsetTop = qRound(page.top() - paper.top());
  d.ColorSupported = device.outputFormat() == QPrinter::PdfFormat ||
                     QPrinterInfo(device).supportedColorModes().contains(QPrinter::Color);
  d.CopiesSupported = d.CollateSupported = device.supportsMultipleCopies();
  Printer().Describe(d);
}

int TQtTextMeasure::Width(std::string_view text, const TPrintFont& font) const {
  return QFontMetrics(PixelFont(font, device_.logicalDpiY()), &device_)
      .horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

int TQtTextMeasure::LineHeight(const TPrintFont& font) const {
  return QFontMetrics(PixelFont(font, device_.logicalDpiY()), &device_).height();
}

void ReplayPage(QPainter& painter, const TPrintPage& page) {
  painter.save();
  for (const TPrintItem& item : page.Items) {
    switch (item.Kind) {
      case TPrintItemKind::Text: {
        painter.setFont(PixelFont(item.Font, page.Resolution));
        painter.setPen(platform::ColorToQColor(item.Font.Color));
        const int align = (item.Align == TPrintAlign::Center ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
        painter.drawText(PageRect(item.Rect), align | Qt::TextSingleLine, Q(item.Text));
        break;
      }
      case TPrintItemKind::Line:
        painter.setPen(PagePen(item.Pen));
        painter.drawLine(item.Rect.Left, item.Rect.Top, item.Rect.Right, item.Rect.Bottom);
        break;
      case TPrintItemKind::Rectangle:
        if (item.Brush.Style == TPrintBrushStyle::Solid) {
          painter.fillRect(PageRect(item.Rect), platform::ColorToQColor(item.Brush.Color));
        }
        if (item.Pen.Style == TPrintPenStyle::Solid) {
          // The outline keeps inside the rectangle, as the page recorded it.
          painter.setPen(PagePen(item.Pen));
          painter.setBrush(Qt::NoBrush);
          painter.drawRect(PageRect(item.Rect).adjusted(0, 0, -1, -1));
        }
        break;
    }
  }
  painter.restore();
}

void DrawPrintPage(QPainter& painter, const TPrintPage& page, QPointF origin) {
  if (page.Resolution <= 0) return;
  painter.save();
  const double scale = static_cast<double>(painter.device()->logicalDpiY()) / page.Resolution;
  painter.translate(origin);
  painter.scale(scale, scale);
  ReplayPage(painter, page);
  painter.restore();
}

void SetPrintOwner(TovMainWindow* main) { printOwner = main; }
TovMainWindow* PrintOwner() { return printOwner; }
QWidget* PrintOwnerWindow() { return printOwner ? printOwner->Window() : nullptr; }
