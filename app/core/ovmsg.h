// ovmsg: the window messages the program's windows send each other, and
// the property through which a window names the connection window that
// owns it.
#pragma once

#include <QEvent>

#include <cstdint>

class QObject;

// Each message arrives synchronously as a TWindowMessage of its number.
inline constexpr int kMsgConnectionsChanged = 0x8001;  // the set of connections changed
inline constexpr int kMsgReload = 0x8002;              // re-read the window's contents
inline constexpr int kMsgCodeAssist = 0x8003;          // an SQL editor asks for its code-assist list

// A window message as an event of the same number.
class TWindowMessage : public QEvent {
 public:
  explicit TWindowMessage(int message, intptr_t wParam = 0, intptr_t lParam = 0)
      : QEvent(static_cast<QEvent::Type>(message)), WParam(wParam), LParam(lParam) {}
  intptr_t WParam;
  intptr_t LParam;
};

// Delivers a message to a window at once; true when the window took it.
bool SendFormMessage(QObject* window, int message, intptr_t wParam = 0, intptr_t lParam = 0);

// The windows a connection window owns carry it in this property; its
// close query asks them, from the last MDI child to the first.
inline constexpr char kOwnerProperty[] = "ovOwner";
void SetFormOwner(QObject* form, QObject* owner);
QObject* FormOwnerObject(const QObject* form);
