#include "ui/core/fpreviewcore.h"

#include <gtest/gtest.h>

#include "printfixture.h"

TEST(PreviewState, ZoomAndPagesStopAtTheirEnds) {
  TPreviewState state(3);
  EXPECT_DOUBLE_EQ(state.Zoom(), 1.0);
  for (int i = 0; i < 4; ++i) {
    EXPECT_TRUE(state.CanZoomUp());
    state.ZoomUp();
  }
  EXPECT_DOUBLE_EQ(state.Zoom(), 2.0);
  EXPECT_FALSE(state.CanZoomUp());
  state.ZoomUp();
  EXPECT_DOUBLE_EQ(state.Zoom(), 2.0);
  for (int i = 0; i < 6; ++i) state.ZoomDown();
  EXPECT_DOUBLE_EQ(state.Zoom(), 0.5);
  EXPECT_FALSE(state.CanZoomDown());

  EXPECT_FALSE(state.CanPrevPage());
  state.NextPage();
  state.NextPage();
  EXPECT_EQ(state.Page(), 3);
  EXPECT_FALSE(state.CanNextPage());
  state.NextPage();
  EXPECT_EQ(state.Page(), 3);
  EXPECT_TRUE(state.CanPrevPage());
}

TEST(PreviewPicture, PaperWithShadowAndThePageWhereTheMarginsPutIt) {
  TovPrinter printer;
  printer.Describe(TestPrinterDescription());
  TPrintPage page{254, {}};
  TPrintCanvas(page).TextRect({0, 0, 100, 20}, TPrintAlign::Left, "body");
  struct Case {
    double left, top;
    int x, y;
  } cases[] = {{20, 30, 250, 350},  // margins beyond the unprintable band
               {2, 3, 100, 100}};   // inside it: the band
  for (const Case& c : cases) {
    const TPreviewPicture p = PreviewPicture(printer, &page, c.left, c.top);
    EXPECT_EQ(p.Width, 2250);
    EXPECT_EQ(p.Height, 3120);
    EXPECT_EQ(p.Picture.Resolution, 254);
    ASSERT_EQ(p.Picture.Items.size(), 4u);
    const TPrintItem& background = p.Picture.Items[0];
    EXPECT_EQ(background.Rect, (TPrintRect{0, 0, 2250, 3120}));
    EXPECT_EQ(background.Brush.Color, kPreviewBackground);
    EXPECT_EQ(background.Pen.Style, TPrintPenStyle::Clear);
    const TPrintItem& shadow = p.Picture.Items[1];
    EXPECT_EQ(shadow.Rect, (TPrintRect{100, 100, 2200, 3070}));
    EXPECT_EQ(shadow.Brush.Color, kPreviewShadow);
    const TPrintItem& paper = p.Picture.Items[2];
    EXPECT_EQ(paper.Rect, (TPrintRect{50, 50, 2150, 3020}));
    EXPECT_EQ(paper.Brush.Color, kPrintWhite);
    EXPECT_EQ(paper.Pen.Style, TPrintPenStyle::Solid);
    EXPECT_EQ(p.Picture.Items[3].Rect, (TPrintRect{c.x, c.y, c.x + 100, c.y + 20})) << c.left;
    EXPECT_EQ(p.Picture.Items[3].Text, "body");
  }
  EXPECT_EQ(PreviewPicture(printer, nullptr, 20, 20).Picture.Items.size(), 3u);
}
