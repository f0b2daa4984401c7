#include "ui/core/ovprintercore.h"

#include <gtest/gtest.h>

#include "printfixture.h"

TEST(PrinterArithmetic, MillimetresAndBodyAgainstBands) {
  TovPrinter printer;
  printer.Describe(TestPrinterDescription());
  EXPECT_EQ(printer.BandRight(), 50);
  EXPECT_EQ(printer.BandBottom(), 50);
  EXPECT_DOUBLE_EQ(printer.MM().PhysicalWidth, 210.0);
  EXPECT_DOUBLE_EQ(printer.PixelToMMY(297), 29.7);
  struct Case {
    double mm;
    int pixels;
  } toPixel[] = {{20, 200}, {0.25, 2}, {0.35, 4}, {0.15, 2}, {0.26, 3}, {-1, -10}};
  for (const Case& c : toPixel) {
    EXPECT_EQ(printer.MMToPixelX(c.mm), c.pixels) << c.mm;
    EXPECT_EQ(printer.MMToPixelY(c.mm), c.pixels) << c.mm;
  }
  struct Body {
    double first, second;
    int width, height;
  } bodies[] = {
      {20, 20, 1700, 2570},  // margins beyond the bands
      {2, 3, 2000, 2870},    // margins inside the bands: the bands count
      {2, 20, 1850, 2720},   // one of each
  };
  for (const Body& b : bodies) {
    EXPECT_EQ(printer.BodyWidth(b.first, b.second), b.width) << b.first << " " << b.second;
    EXPECT_EQ(printer.BodyHeight(b.first, b.second), b.height) << b.first << " " << b.second;
  }
}

TEST(PrinterArithmetic, ScaleAndCopiesFallBackWhenThePrinterDoesNotSay) {
  TovPrinter printer;
  TPrinterDescription d = TestPrinterDescription();
  d.MaxCopies = 50;  // without the copies capability it does not count
  printer.Describe(d);
  EXPECT_EQ(printer.MaxCopies(), 999);
  EXPECT_EQ(printer.Scale(), 100);
  EXPECT_DOUBLE_EQ(printer.ScaledMM().PageWidth, 200.0);
  d.CopiesSupported = true;
  d.Scale = 50;
  printer.Describe(d);
  EXPECT_EQ(printer.MaxCopies(), 50);
  EXPECT_DOUBLE_EQ(printer.ScaledMM().PageWidth, 100.0);
}

TEST(PrintData, OrderErrorsChangeNothing) {
  TovPrinter printer;
  printer.Describe(TestPrinterDescription());
  TovPrintdata data(printer);
  auto expectError = [](auto step, const char* message) {
    try {
      step();
      ADD_FAILURE() << "no error, expected " << message;
    } catch (const TovPrintdataError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  };
  const char* notStarted = "印刷が開始されていません。";
  expectError([&] { data.NewPage(); }, notStarted);
  expectError([&] { data.Canvas(); }, notStarted);
  expectError([&] { data.EndDoc(); }, notStarted);
  EXPECT_EQ(data.PageCount(), 0);

  data.BeginDoc();
  data.Canvas().TextRect({0, 0, 10, 10}, TPrintAlign::Left, "one");
  data.NewPage();
  expectError([&] { data.BeginDoc(); }, "既に印刷が開始されています。");
  expectError([&] { data.Pages(0); }, "印刷が完了していません。");
  EXPECT_EQ(data.PageCount(), 2);
  data.EndDoc();
  ASSERT_EQ(data.Pages(0).Items.size(), 1u);
  EXPECT_EQ(data.Pages(0).Items[0].Text, "one");
  EXPECT_EQ(data.Pages(0).Resolution, 254);
  try {
    data.Pages(2);
    ADD_FAILURE() << "index 2 of 2 pages";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "リストのインデックスが範囲を超えています (2)");
  }
  EXPECT_THROW(data.Pages(-1), std::out_of_range);
}

TEST(PrintData, NewPageCarriesFontPenAndBrushAndBeginDocStartsAfresh) {
  TovPrinter printer;
  printer.Describe(TestPrinterDescription());
  TovPrintdata data(printer);
  data.BeginDoc();
  EXPECT_EQ(data.Canvas().Font, (TPrintFont{"", 9, kPrintBlack}));
  EXPECT_EQ(data.Canvas().Pen, TPrintPen{});
  EXPECT_EQ(data.Canvas().Brush, TPrintBrush{});
  const TPrintFont font{"IPAGothic", 12, 0x0000FF};
  const TPrintPen pen{0x00FF00, 3, TPrintPenStyle::Solid};
  const TPrintBrush brush{0xFF0000, TPrintBrushStyle::Clear};
  data.Canvas().Font = font;
  data.Canvas().Pen = pen;
  data.Canvas().Brush = brush;
  data.NewPage();
  data.NewPage();  // carried on over a page that draws nothing
  data.Canvas().TextRect({0, 0, 10, 10}, TPrintAlign::Center, "x");
  data.Canvas().Line(1, 2, 30, 40);
  data.Canvas().Rectangle({5, 6, 70, 80});
  data.EndDoc();
  ASSERT_EQ(data.PageCount(), 3);
  EXPECT_TRUE(data.Pages(1).Items.empty());
  const std::vector<TPrintItem> expected = {
      {TPrintItemKind::Text, {0, 0, 10, 10}, font, pen, brush, TPrintAlign::Center, "x"},
      {TPrintItemKind::Line, {1, 2, 30, 40}, font, pen, brush, TPrintAlign::Left, ""},
      {TPrintItemKind::Rectangle, {5, 6, 70, 80}, font, pen, brush, TPrintAlign::Left, ""},
  };
  EXPECT_EQ(data.Pages(2).Items, expected);

  data.BeginDoc();
  EXPECT_EQ(data.PageCount(), 1);
  EXPECT_EQ(data.Canvas().Font.Size, 9);
  EXPECT_EQ(data.Canvas().Pen, TPrintPen{});
  data.EndDoc();
  EXPECT_TRUE(data.Pages(0).Items.empty());
}

TEST(PrintData, APageDrawnOnAnotherMovesAndScalesToItsResolution) {
  TPrintPage page{300, {}};
  TPrintCanvas(page).Rectangle({10, 20, 40, 60});
  page.Items[0].Pen.Width = 3;
  struct Case {
    int resolution;
    TPrintRect rect;
    int penWidth;
  } cases[] = {{300, {110, 220, 140, 260}, 3}, {600, {120, 240, 180, 320}, 6}};
  for (const Case& c : cases) {
    TPrintPage picture{c.resolution, {}};
    TPrintCanvas(picture).Draw(100, 200, page);
    ASSERT_EQ(picture.Items.size(), 1u);
    EXPECT_EQ(picture.Items[0].Rect, c.rect) << c.resolution;
    EXPECT_EQ(picture.Items[0].Pen.Width, c.penWidth) << c.resolution;
  }
}
