#include "ui/ovprinter.h"

#include <QFontMetrics>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <memory>

#include "platform/qstr.h"

namespace {
constexpr double kPointsPerInch = 72.0;

QWidget* printOwner = nullptr;

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
// from the device it is drawn on.
QFont PixelFont(const TPrintFont& font, int resolution) {
  QFont qfont(Q(font.Name));
  qfont.setPixelSize(std::max(1, static_cast<int>(font.Size * resolution / kPointsPerInch)));
  return qfont;
}
}  // namespace

TovPrinter& Printer() {
  static TovPrinter printer;
  return printer;
}

TovPrintdata& PrintData() {
  static TovPrintdata data(Printer());
  return data;
}

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

void DrawPrintPage(QPainter& painter, const TPrintPage& page, QPointF origin) {
  if (page.Resolution <= 0) return;
  painter.save();
  const double scale = static_cast<double>(painter.device()->logicalDpiY()) / page.Resolution;
  painter.translate(origin);
  painter.scale(scale, scale);
  for (const TPrintItem& item : page.Items) {
    painter.setFont(PixelFont(item.Font, page.Resolution));
    const int align = (item.Align == TPrintAlign::Center ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
    painter.drawText(QRect(item.Left, item.Top, item.Width, item.Height), align | Qt::TextSingleLine | Qt::TextExpandTabs,
                     QString::fromStdString(item.Text));
  }
  painter.restore();
}

void SetPrintOwner(QWidget* owner) { printOwner = owner; }
QWidget* PrintOwner() { return printOwner; }
