// DAziverImages: the editor's built-in pictures: the digit images 0-9 and
// the six mark images of the image bar, and the cursors "RightArrow" (the
// left bar's) and "DragSelCopy" (a copying drag), drawn for this program.
#pragma once

#include <QCursor>
#include <QObject>
#include <QPainter>
#include <QPixmap>

#include <vector>

#include "editor/core/DAziverOptions.h"

// Image size of both lists.
inline constexpr int kRowImageSize = 8;

void DrawDigitImage(QPainter& painter, int x, int y, int digit);
void DrawMarkImage(QPainter& painter, int x, int y, int mark);

// The ruler's numbers in the built-in 9-pixel digit glyphs (5 pixels wide,
// "1" 3), one pixel apart, with (x, y) the top left of the first.
void DrawRulerNumber(QPainter& painter, int x, int y, int number, const QColor& color);

// An image list that a control shows but does not own (ImageDigits,
// ImageMarks); the control lets go of it when it is destroyed.
class TImageList : public QObject {
 public:
  using QObject::QObject;
  int Add(const QPixmap& image);
  int Count() const { return static_cast<int>(FImages.size()); }
  // Draws image `index` at (x, y); false when the list has no such image.
  bool Draw(QPainter& painter, int x, int y, int index) const;

 private:
  std::vector<QPixmap> FImages;
};

// The Qt cursor of a cursor identifier; unknown ones are the arrow.
QCursor CursorOf(TCursor cursor);
