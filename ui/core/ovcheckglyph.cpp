#include "ui/core/ovcheckglyph.h"

QRect CheckGlyphRect(const QRect& area, const QSize& glyph) {
  const int left = area.left() + (area.width() - glyph.width()) / 2;
  const int top = area.top() + (area.height() - glyph.width()) / 2;
  return {left, top, glyph.width(), glyph.height()};
}
