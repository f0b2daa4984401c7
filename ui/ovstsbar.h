// ovstsbar: TovStatusBar, the status bar that never shows hints: its panels
// show only what the program writes into them.
#pragma once

#include <QStatusBar>

class TovStatusBar : public QStatusBar {
  Q_OBJECT

 public:
  // Keeps the hints of every control of `parent`'s window out of the bar.
  explicit TovStatusBar(QWidget* parent);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
