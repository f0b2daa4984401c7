#include "ui/core/ovprintercore.h"

#include <algorithm>
#include <cmath>
#include <string>

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

void TPrintCanvas::Text(int left, int top, int width, int height, TPrintAlign align, const std::string& text) {
  page_->Items.push_back({Font, left, top, width, height, align, text});
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
  // Pages move as the list grows, so the canvas is made anew on the last one.
  TPrintFont font = canvas_ ? canvas_->Font : TPrintFont{};
  canvas_.emplace(pages_.back());
  canvas_->Font = font;
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
    throw std::out_of_range("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")");
  }
  return pages_[static_cast<size_t>(index)];
}
