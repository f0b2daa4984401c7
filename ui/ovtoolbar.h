// ovtoolbar: the command tool bars of the tool windows, whose text buttons
// share one width.
#pragma once

#include <QAction>
#include <QToolBar>
#include <QWidget>

#include <initializer_list>

// The width of a tool bar button that shows its caption.
inline constexpr int kTextButtonWidth = 78;

// Gives the buttons of the actions on the bar at least the text-button width.
inline void SetTextButtonWidths(QToolBar& bar, std::initializer_list<QAction*> actions) {
  for (QAction* action : actions)
    if (QWidget* button = bar.widgetForAction(action)) button->setMinimumWidth(kTextButtonWidth);
}
