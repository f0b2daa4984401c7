#include "ui/core/ovprintercore.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/core/zarursql.h"

namespace {
constexpr double kMMPerInch = 25.4;
constexpr double kPercent = 100.0;

double ToMM(int pixels, int resolution) { return resolution > 0 ? pixels * kMMPerInch / resolution : 0.0; }

// Nearest pixel, halves to even.
int ToPixel(double mm, int resolution) { return static_cast<int>(std::nearbyint(resolution * mm / kMMPerInch)); }

TPrinterMM Scaled(const TPrinterMM& mm, double factor) {
  return {mm.PageWidth * factor,  mm.PageHeight * factor, mm.PhysicalWidth * factor, mm.PhysicalHeight * factor,
          mm.OffsetLeft * factor, mm.OffsetTop * factor,  mm.BandRight * factor,     mm.BandBottom * factor};
}
}  // namespace

void TovPrinter::Describe(const TPrinterDescription& d) {
  desc_ = d;
  bandRight_ = d.PhysicalWidth - d.PageWidth - d.OffsetLeft;
  bandBottom_ = d.PhysicalHeight - d.PageHeight - d.OffsetTop;
  mm_ = {ToMM(d.PageWidth, d.ResolutionX),     ToMM(d.PageHeight, d.ResolutionY), ToMM(d.PhysicalWidth, d.ResolutionX),
         ToMM(d.PhysicalHeight, d.ResolutionY), ToMM(d.OffsetLeft, d.ResolutionX), ToMM(d.OffsetTop, d.ResolutionY),
         ToMM(bandRight_, d.ResolutionX),       ToMM(bandBottom_, d.ResolutionY)};
  scale_ = d.Scale > 0 ? d.Scale : kDefaultPrintScale;
  scaledMM_ = Scaled(mm_, scale_ / kPercent);
  maxCopies_ = d.CopiesSupported && d.MaxCopies > 0 ? d.MaxCopies : kDefaultMaxCopies;
}

int TovPrinter::MMToPixelX(double mm) const { return ToPixel(mm, desc_.ResolutionX); }
int TovPrinter::MMToPixelY(double mm) const { return ToPixel(mm, desc_.ResolutionY); }
double TovPrinter::PixelToMMX(int pixels) const { return ToMM(pixels, desc_.ResolutionX); }
double TovPrinter::PixelToMMY(int pixels) const { return ToMM(pixels, desc_.ResolutionY); }

int TovPrinter::BodyWidth(double leftMM, double rightMM) const {
  return desc_.PhysicalWidth - std::max(MMToPixelX(leftMM), desc_.OffsetLeft) - std::max(MMToPixelX(rightMM), bandRight_);
}

int TovPrinter::BodyHeight(double topMM, double bottomMM) const {
  return desc_.PhysicalHeight - std::max(MMToPixelY(topMM), desc_.OffsetTop) -
         std::max(MMToPixelY(bottomMM), bandBottom_);
}

void TPrintCanvas::Add(TPrintItemKind kind, const TPrintRect& rect, TPrintAlign align, const std::string& text) {
  page_->Items.push_back({kind, rect, Font, Pen, Brush, align, text});
}

void TPrintCanvas::TextRect(const TPrintRect& rect, TPrintAlign align, const std::string& text) {
  Add(TPrintItemKind::Text, rect, align, text);
}

void TPrintCanvas::Line(int fromX, int fromY, int toX, int toY) {
  Add(TPrintItemKind::Line, {fromX, fromY, toX, toY}, TPrintAlign::Left, "");
}

void TPrintCanvas::Rectangle(const TPrintRect& rect) { Add(TPrintItemKind::Rectangle, rect, TPrintAlign::Left, ""); }

void TPrintCanvas::Draw(int x, int y, const TPrintPage& page) {
  const double factor =
      page.Resolution > 0 && page_->Resolution > 0 ? static_cast<double>(page_->Resolution) / page.Resolution : 1.0;
  auto scaled = [factor](int value) { return static_cast<int>(std::lround(value * factor)); };
  for (TPrintItem item : page.Items) {
    item.Rect = {x + scaled(item.Rect.Left), y + scaled(item.Rect.Top), x + scaled(item.Rect.Right),
                 y + scaled(item.Rect.Bottom)};
    item.Pen.Width = scaled(item.Pen.Width);
    page_->Items.push_back(std::move(item));
  }
}

void TovPrintdata::RequireOpen() const {
  if (!open_) throw TovPrintdataError("印刷が開始されていません。");
}

void TovPrintdata::BeginDoc() {
  if (open_) throw TovPrintdataError("既に印刷が開始されています。");
  pages_.clear();
  canvas_.reset();
  open_ = true;
  NewPage();
}

void TovPrintdata::NewPage() {
  RequireOpen();
  pages_.push_back({printer_.ResolutionY(), {}});
  // Pages move as the list grows, so the canvas is made anew on the last
  // one, taking over what the previous page's canvas was set to.
  std::optional<TPrintCanvas> previous = canvas_;
  canvas_.emplace(pages_.back());
  if (previous) {
    canvas_->Font = previous->Font;
    canvas_->Pen = previous->Pen;
    canvas_->Brush = previous->Brush;
  }
}

TPrintCanvas& TovPrintdata::Canvas() {
  RequireOpen();
  return *canvas_;
}

void TovPrintdata::EndDoc() {
  RequireOpen();
  canvas_.reset();
  open_ = false;
}

const TPrintPage& TovPrintdata::Pages(int index) const {
  if (open_) throw TovPrintdataError("印刷が完了していません。");
  if (index < 0 || index >= PageCount()) {
    throw EListError(index);
  }
  return pages_[static_cast<size_t>(index)];
}
