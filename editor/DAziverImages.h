// DAziverImages: the editor's built-in pictures: the digit images 0-9 and
// the six mark images of the image bar, and the cursors "RightArrow" (the
// left bar's) and "DragSelCopy" (a copying drag), drawn for this program.
#pragma once

#include <QCursor>
#include <QPainter>

#include "editor/core/DAziverOptions.h"

// Image size of both lists.
inline constexpr int kRowImageSize = 8;

void DrawDigitImage(QPainter& painter, int x, int y, int digit);
void DrawMarkImage(QPainter& painter, int x, int y, int mark);

// The Qt cursor of a cursor identifier; unknown ones are the arrow.
QCursor CursorOf(TCursor cursor);
