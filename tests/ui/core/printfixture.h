// A printer of our own and a fixed-pitch measure for the printing tests.
#pragma once

#include <string_view>

#include "platform/textwidth.h"
#include "ui/core/fprintcore.h"
#include "ui/core/ovprintercore.h"

// 254 pixels per inch: 10 pixels per millimetre, an A4 sheet of 2100 x 2970
// with a 5 mm unprintable band on every side.
inline TPrinterDescription TestPrinterDescription() {
  TPrinterDescription d;
  d.DeviceName = "test printer";
  d.ResolutionX = d.ResolutionY = 254;
  d.PhysicalWidth = 2100;
  d.PhysicalHeight = 2970;
  d.PageWidth = 2000;
  d.PageHeight = 2870;
  d.OffsetLeft = d.OffsetTop = 50;
  return d;
}

// A narrow character is 10 pixels wide, a wide one 20; a line 20 high.
class TFixedMeasure : public TTextMeasure {
 public:
  static constexpr int kNarrow = 10;
  static constexpr int kLine = 20;
  int Width(std::string_view text, const TPrintFont&) const override {
    int width = 0;
    for (size_t pos = 0; pos < text.size();) {
      char32_t code = 0;
      size_t length = DecodeUtf8(text, pos, code);
      width += IsWideChar(code) ? 2 * kNarrow : kNarrow;
      pos += length == 0 ? 1 : length;
    }
    return width;
  }
  int LineHeight(const TPrintFont&) const override { return kLine; }
};
