#include "editor/DAziverImages.h"

#include <QBitmap>
#include <QColor>
#include <QFont>
#include <QPixmap>

#include <string>

namespace {

constexpr int kDigitPixels = 8;
// One colour per mark image, so the six tell apart at a glance.
constexpr QRgb kMarkColors[] = {0xD04040, 0x40A040, 0x4060D0, 0xD0A020, 0xA040C0, 0x40A0A0};

constexpr int kCursorSize = 32;
// The arrow's tip and the points of its outline, pointing up and right.
constexpr QPoint kRightArrow[] = {{20, 1}, {20, 17}, {15, 12}, {6, 21}, {2, 17}, {11, 8}, {6, 3}};
constexpr QPoint kDragArrow[] = {{0, 0}, {0, 16}, {4, 12}, {8, 20}, {11, 18}, {7, 11}, {12, 11}};
constexpr int kCopyBox = 9;
constexpr int kCopyLeft = 14;
constexpr int kCopyTop = 18;
constexpr int kPlusInset = 2;

QCursor RightArrowCursor() {
  QPixmap pixmap(kCursorSize, kCursorSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(Qt::white);
  painter.setBrush(Qt::black);
  painter.drawPolygon(kRightArrow, static_cast<int>(std::size(kRightArrow)));
  painter.end();
  return QCursor(pixmap, kRightArrow[0].x(), kRightArrow[0].y());
}

// The drag cursor with a small box holding a plus.
QCursor DragSelCopyCursor() {
  QPixmap pixmap(kCursorSize, kCursorSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.setBrush(Qt::white);
  painter.drawPolygon(kDragArrow, static_cast<int>(std::size(kDragArrow)));
  const QRect box(kCopyLeft, kCopyTop, kCopyBox, kCopyBox);
  painter.drawRect(box);
  const QPoint c = box.center();
  painter.drawLine(box.left() + kPlusInset, c.y(), box.right() - kPlusInset, c.y());
  painter.drawLine(c.x(), box.top() + kPlusInset, c.x(), box.bottom() - kPlusInset);
  painter.end();
  return QCursor(pixmap, kDragArrow[0].x(), kDragArrow[0].y());
}

}  // namespace

QCursor CursorOf(TCursor cursor) {
  switch (cursor) {
    case crIBeam: return QCursor(Qt::IBeamCursor);
    case crDrag: return QCursor(Qt::DragMoveCursor);
    case crRightArrow: return RightArrowCursor();
    case crDragSelCopy: return DragSelCopyCursor();
    default: return QCursor(Qt::ArrowCursor);
  }
}

void DrawDigitImage(QPainter& painter, int x, int y, int digit) {
  painter.save();
  const QRect box(x, y, kRowImageSize, kRowImageSize);
  painter.fillRect(box, QColor(Qt::darkBlue));
  QFont font = painter.font();
  font.setPixelSize(kDigitPixels);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(box, Qt::AlignCenter, QString::number(digit));
  painter.restore();
}

void DrawMarkImage(QPainter& painter, int x, int y, int mark) {
  painter.save();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(kMarkColors[static_cast<size_t>(mark) % std::size(kMarkColors)]));
  painter.drawEllipse(x, y, kRowImageSize, kRowImageSize);
  painter.restore();
}

namespace {

// The digit glyphs, one row of bits a pixel row, the leftmost pixel the
// highest of kGlyphWidth bits.
constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 9;
constexpr int kOneWidth = 3;
constexpr int kGlyphGap = 1;
constexpr int kDigitCount = 10;
constexpr uint8_t kGlyphs[kDigitCount][kGlyphHeight] = {
    {0x0E, 0x11, 0x11, 0x13, 0x15, 0x19, 0x11, 0x11, 0x0E},  // 0
    {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E},  // 1, in the middle three bits
    {0x0E, 0x11, 0x01, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F},  // 2
    {0x0E, 0x11, 0x01, 0x01, 0x06, 0x01, 0x01, 0x11, 0x0E},  // 3
    {0x02, 0x06, 0x0A, 0x12, 0x12, 0x1F, 0x02, 0x02, 0x02},  // 4
    {0x1F, 0x10, 0x10, 0x1E, 0x01, 0x01, 0x01, 0x11, 0x0E},  // 5
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x11, 0x11, 0x0E},  // 6
    {0x1F, 0x01, 0x02, 0x02, 0x04, 0x04, 0x08, 0x08, 0x08},  // 7
    {0x0E, 0x11, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x11, 0x0E},  // 8
    {0x0E, 0x11, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x04, 0x0C},  // 9
};
}  // namespace

void DrawRulerNumber(QPainter& painter, int x, int y, int number, const QColor& color) {
  const std::string digits = std::to_string(number);
  for (const char c : digits) {
    const int digit = c - '0';
    const int width = digit == 1 ? kOneWidth : kGlyphWidth;
    // The "1" glyph's three columns sit at the middle of its five bits.
    const int skip = digit == 1 ? 1 : 0;
    for (int row = 0; row < kGlyphHeight; ++row) {
      for (int col = 0; col < width; ++col) {
        if (kGlyphs[digit][row] & (1 << (kGlyphWidth - 1 - col - skip))) painter.fillRect(x + col, y + row, 1, 1, color);
      }
    }
    x += width + kGlyphGap;
  }
}

int TImageList::Add(const QPixmap& image) {
  FImages.push_back(image);
  return Count() - 1;
}

bool TImageList::Draw(QPainter& painter, int x, int y, int index) const {
  if (index < 0 || index >= Count()) return false;
  painter.drawPixmap(x, y, FImages[static_cast<size_t>(index)]);
  return true;
}
