#include "editor/DAziverImages.h"

#include <QColor>
#include <QFont>

namespace {

constexpr int kDigitPixels = 8;
// One colour per mark image, so the six tell apart at a glance.
constexpr QRgb kMarkColors[] = {0xD04040, 0x40A040, 0x4060D0, 0xD0A020, 0xA040C0, 0x40A0A0};

}  // namespace

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
