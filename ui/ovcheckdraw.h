// ovcheckdraw: the system's check-box glyph as the grid's check cells and the
// check list's boxes draw it.
#pragma once

#include <QSize>

#include "ui/core/ovcheckglyph.h"

class QPainter;
class QRect;
class QWidget;

// The glyph's size in the widget's style.
QSize CheckGlyphSize(const QWidget& widget);
// The glyph in the square, ticked, grayed or empty, in the inactive look
// when not enabled.
void DrawCheckGlyph(QPainter& painter, const QWidget& widget, const QRect& glyph, TCheckLook look, bool enabled);
