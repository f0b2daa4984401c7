// Esc polling for long loops on the GUI thread. Between two items a loop
// calls PollEscape: the events that waited meanwhile are processed (so the
// windows repaint), except user input, which is held back from the windows;
// an Esc key press among it is recorded and reported.
#pragma once

#include <QObject>

namespace platform {

// Filters user input while it is installed: Esc presses are counted, every
// input event is swallowed. Other events pass.
class EscapeFilter : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  bool EscapeSeen() const { return escapeSeen_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool escapeSeen_ = false;
};

// Processes the pending events with an EscapeFilter installed on the
// application; true when an Esc key press was among them. Without an
// application object there is nothing to poll and the answer is false.
bool PollEscape();

}  // namespace platform
