#include "ui/core/fpreviewcore.h"

namespace {
constexpr double kZoomStep = 0.25;
constexpr int kMinZoomSteps = 2;  // 0.5
constexpr int kMaxZoomSteps = 8;  // 2.0
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
