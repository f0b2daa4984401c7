// DAziverImages: the editor's built-in pictures: the digit images 0-9 and
// the six mark images of the image bar, drawn for this program.
#pragma once

#include <QPainter>

// Image size of both lists.
inline constexpr int kRowImageSize = 8;

void DrawDigitImage(QPainter& painter, int x, int y, int digit);
void DrawMarkImage(QPainter& painter, int x, int y, int mark);
