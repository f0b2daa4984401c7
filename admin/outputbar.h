// outputbar: the command bar of the object-list report windows: refresh,
// an output button dropping down its spreadsheet and clipboard items, exit.
#pragma once

#include "sqlwork/sqlactions.h"

class QAction;
class QMenu;
class QToolBar;
class QVBoxLayout;
class QWidget;

struct TOutputBarSpecs {
  TActionSpec Refresh;
  TActionSpec Output;
  TActionSpec Excel;
  TActionSpec Copy;
  TActionSpec Exit;
};

struct TOutputBar {
  QToolBar* Bar;
  QMenu* Menu;  // the output button's drop-down
  QAction* Refresh;
  QAction* Output;
  QAction* Excel;
  QAction* Copy;
  QAction* Exit;
};

// Builds the bar on top of `layout`, its actions owned by `form`.
TOutputBar AddOutputBar(QWidget& form, QVBoxLayout& layout, const TOutputBarSpecs& specs);
