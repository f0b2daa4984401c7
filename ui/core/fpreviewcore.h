// fpreviewcore: the page and zoom of the print preview, and which of its
// actions can act.
#pragma once

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
