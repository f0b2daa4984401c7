#include "ui/ovcheckdraw.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QWidget>

QSize CheckGlyphSize(const QWidget& widget) {
  const QStyle& style = *widget.style();
  return {style.pixelMetric(QStyle::PM_IndicatorWidth, nullptr, &widget),
          style.pixelMetric(QStyle::PM_IndicatorHeight, nullptr, &widget)};
}

void DrawCheckGlyph(QPainter& painter, const QWidget& widget, const QRect& glyph, TCheckLook look, bool enabled) {
  QStyleOptionButton option;
  option.initFrom(&widget);
  option.rect = glyph;
  option.state &= ~(QStyle::State_Enabled | QStyle::State_HasFocus | QStyle::State_MouseOver);
  if (enabled)
    option.state |= QStyle::State_Enabled;
  else
    option.palette.setCurrentColorGroup(QPalette::Disabled);
  switch (look) {
    case TCheckLook::Ticked:
      option.state |= QStyle::State_On;
      break;
    case TCheckLook::Grayed:
      option.state |= QStyle::State_NoChange;
      break;
    case TCheckLook::Empty:
      option.state |= QStyle::State_Off;
      break;
  }
  widget.style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, &widget);
}
