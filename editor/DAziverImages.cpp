#include "editor/DAziverImages.h"

#include <QBitmap>
#include <QColor>
#include <QFont>
#include <QPixmap>

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
