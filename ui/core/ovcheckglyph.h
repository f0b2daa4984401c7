// ovcheckglyph: where a check-box glyph stands inside the area it is drawn in,
// shared by the string grid's check cells and the check list's boxes.
#pragma once

#include <QRect>
#include <QSize>

enum class TCheckLook { Empty, Ticked, Grayed };

// The glyph square centred in the area; the glyph's width serves both axes
// when centring, as the system glyph is square.
QRect CheckGlyphRect(const QRect& area, const QSize& glyph);
