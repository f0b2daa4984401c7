// fpreviewcore: the page and zoom of the print preview, which of its actions
// can act, and the picture it shows of a page.
#pragma once

#include "ui/core/ovprintercore.h"

class TPreviewState {
 public:
  explicit TPreviewState(int pageCount) : pageCount_(pageCount) {}
  int Page() const { return page_; }  // 1-based
  double Zoom() const;
  bool CanNextPage() const { return page_ < pageCount_; }
  bool CanPrevPage() const { return page_ > 1; }
  bool CanZoomUp() const;
  bool CanZoomDown() const;
  void NextPage();
  void PrevPage();
  void ZoomUp();
  void ZoomDown();

 private:
  int pageCount_;
  int page_ = 1;
  int zoomSteps_ = 4;  // in quarters, so the limits compare exactly
};

// The button face behind the paper.
inline constexpr TPrintColor kPreviewBackground = 0xFF00000F;
inline constexpr TPrintColor kPreviewShadow = 0x808080;

// What the preview shows of a page, in printer pixels: the background, the
// paper's shadow, the paper, and the page where the margins put it on the
// paper, so that the page is replayed exactly as the printer gets it.
struct TPreviewPicture {
  int Width = 0;
  int Height = 0;
  TPrintPage Picture;
};
// `page` is none when the document has no page to show.
TPreviewPicture PreviewPicture(const TovPrinter& printer, const TPrintPage* page, double leftMM, double topMM);
