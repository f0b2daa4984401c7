#include "ui/core/fpreviewcore.h"

#include <gtest/gtest.h>

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
