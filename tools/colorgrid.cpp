#include "tools/colorgrid.h"

#include <QMouseEvent>
#include <QPainter>

#include "platform/gui/wingdi.h"
#include "tools/core/feoptioncore.h"

namespace {

// The marks are drawn in the colour that stands out on the cell.
constexpr int kLightLimit = 128;

}  // namespace

TColorGrid::TColorGrid(QWidget* parent) : QWidget(parent) {
  setFixedSize(kColumns * kCellSize + 1, kRows * kCellSize + 1);
}

void TColorGrid::SetForegroundIndex(int index) {
  foreground_ = index;
  update();
}

void TColorGrid::SetBackgroundIndex(int index) {
  background_ = index;
  update();
}

void TColorGrid::SetForegroundEnabled(bool enabled) {
  foregroundEnabled_ = enabled;
  update();
}

void TColorGrid::SetBackgroundEnabled(bool enabled) {
  backgroundEnabled_ = enabled;
  update();
}

int TColorGrid::CellAt(QPoint point) const {
  const int column = point.x() / kCellSize;
  const int row = point.y() / kCellSize;
  if (point.x() < 0 || point.y() < 0 || column >= kColumns || row >= kRows) return kNoCell;
  return row * kColumns + column;
}

QRect TColorGrid::CellRect(int index) const {
  return {(index % kColumns) * kCellSize, (index / kColumns) * kCellSize, kCellSize, kCellSize};
}

void TColorGrid::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const std::vector<TColor>& colors = EditorColorList();
  for (int i = 0; i < kGridColorCount; ++i) {
    const QColor color = platform::ColorToQColor(colors[static_cast<size_t>(i)]);
    const QRect cell = CellRect(i);
    painter.fillRect(cell, isEnabled() ? color : color.lighter());
    painter.setPen(Qt::gray);
    painter.drawRect(cell);
    QString mark;
    if (foregroundEnabled_ && i == foreground_) mark += "FG";
    if (backgroundEnabled_ && i == background_) mark += mark.isEmpty() ? "BG" : "\nBG";
    if (mark.isEmpty()) continue;
    painter.setPen(color.lightness() < kLightLimit ? Qt::white : Qt::black);
    QFont small = font();
    small.setPixelSize(kCellSize / 3);
    painter.setFont(small);
    painter.drawText(cell, Qt::AlignCenter, mark);
  }
}

void TColorGrid::mousePressEvent(QMouseEvent* event) {
  const int cell = CellAt(event->position().toPoint());
  if (cell == kNoCell) return;
  if (event->button() == Qt::LeftButton && foregroundEnabled_) SetForegroundIndex(cell);
  if (event->button() == Qt::RightButton && backgroundEnabled_) SetBackgroundIndex(cell);
  if (OnMouseDown) OnMouseDown(event->button());
}
