// Esc polling for long loops on the GUI thread. Between two items a loop
// calls PollEscape: the events that waited meanwhile are processed (so the
// windows repaint), except user input and the window system's requests to
// close a window, which are held back from the windows and posted again in
// their order, so that they arrive once the loop has returned to the event
// loop; an Esc key press among them is taken as the request to stop.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <memory>
#include <utility>
#include <vector>

namespace platform {

// Holds user input while it is installed: Esc presses are recorded and
// dropped, every other input event and window close request is kept until
// Replay. Other events pass.
class EscapeFilter : public QObject {
  Q_OBJECT
 public:
  using QObject::QObject;
  bool EscapeSeen() const { return escapeSeen_; }
  // Posts the held events again, to the receivers still alive.
  void Replay();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool escapeSeen_ = false;
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> held_;
};

// Processes the pending events with an EscapeFilter installed on the
// application; true when an Esc key press was among them. Without an
// application object there is nothing to poll and the answer is false.
bool PollEscape();

}  // namespace platform
