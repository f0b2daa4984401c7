#include "admin/outputbar.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TOutputBar AddOutputBar(QWidget& form, QVBoxLayout& layout, const TOutputBarSpecs& specs) {
  TOutputBar bar{};
  bar.Bar = new QToolBar(&form);
  bar.Bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  layout.addWidget(bar.Bar);
  bar.Refresh = MakeAction(&form, specs.Refresh);
  bar.Output = MakeAction(&form, specs.Output);
  bar.Excel = MakeAction(&form, specs.Excel);
  bar.Copy = MakeAction(&form, specs.Copy);
  bar.Exit = MakeAction(&form, specs.Exit);
  bar.Excel->setObjectName("actExcel");
  bar.Copy->setObjectName("actCopy");
  bar.Menu = new QMenu(&form);
  bar.Menu->addAction(bar.Excel);
  bar.Menu->addAction(bar.Copy);
  bar.Output->setMenu(bar.Menu);
  for (QAction* action : {bar.Refresh, bar.Output, bar.Exit}) bar.Bar->addAction(action);
  // The output button only drops its menu down.
  if (auto* button = qobject_cast<QToolButton*>(bar.Bar->widgetForAction(bar.Output)))
    button->setPopupMode(QToolButton::InstantPopup);
  return bar;
}
