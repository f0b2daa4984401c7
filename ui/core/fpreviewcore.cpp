#include "ui/core/fpreviewcore.h"

#include <algorithm>

namespace {
constexpr double kZoomStep = 0.25;
constexpr int kMinZoomSteps = 2;  // 0.5
constexpr int kMaxZoomSteps = 8;  // 2.0
// Paper, shadow and border of the preview picture, in printer pixels.
constexpr int kPaperInset = 50;
constexpr int kShadowInset = 100;
constexpr int kPictureMargin = 150;
}  // namespace

double TPreviewState::Zoom() const { return zoomSteps_ * kZoomStep; }
bool TPreviewState::CanZoomUp() const { return zoomSteps_ < kMaxZoomSteps; }
bool TPreviewState::CanZoomDown() const { return zoomSteps_ > kMinZoomSteps; }

void TPreviewState::NextPage() {
  if (CanNextPage()) ++page_;
}
void TPreviewState::PrevPage() {
  if (CanPrevPage()) --page_;
}
void TPreviewState::ZoomUp() {
  if (CanZoomUp()) ++zoomSteps_;
}
void TPreviewState::ZoomDown() {
  if (CanZoomDown()) --zoomSteps_;
}

TPreviewPicture PreviewPicture(const TovPrinter& printer, const TPrintPage* page, double leftMM, double topMM) {
  TPreviewPicture result;
  result.Width = printer.PhysicalWidth() + kPictureMargin;
  result.Height = printer.PhysicalHeight() + kPictureMargin;
  result.Picture.Resolution = printer.ResolutionY();
  TPrintCanvas canvas(result.Picture);
  canvas.Pen.Style = TPrintPenStyle::Clear;
  canvas.Brush.Color = kPreviewBackground;
  canvas.Rectangle({0, 0, result.Width, result.Height});
  canvas.Brush.Color = kPreviewShadow;
  canvas.Rectangle({kShadowInset, kShadowInset, kShadowInset + printer.PhysicalWidth(),
                    kShadowInset + printer.PhysicalHeight()});
  canvas.Pen.Style = TPrintPenStyle::Solid;
  canvas.Brush.Color = kPrintWhite;
  canvas.Rectangle(
      {kPaperInset, kPaperInset, kPaperInset + printer.PhysicalWidth(), kPaperInset + printer.PhysicalHeight()});
  if (page) {
    canvas.Draw(kPaperInset + std::max(printer.MMToPixelX(leftMM), printer.OffsetLeft()),
                kPaperInset + std::max(printer.MMToPixelY(topMM), printer.OffsetTop()), *page);
  }
  return result;
}
