// ovshortcut: keyboard short-cuts as the settings and the user commands
// store them (Windows codes: virtual key in the low byte, 0x2000 Shift,
// 0x4000 Ctrl, 0x8000 Alt; texts such as "Ctrl+S") and as Qt key sequences.
// One table of keys serves every conversion.
#pragma once

#include <QKeySequence>

#include <string>

inline constexpr int kScShift = 0x2000;
inline constexpr int kScCtrl = 0x4000;
inline constexpr int kScAlt = 0x8000;
inline constexpr int kScNone = 0;

// The code of a short-cut text; modifiers and key names ignore case. kScNone
// for an empty text and for a key the table does not know.
int TextToShortCut(const std::string& text);
// The text of a code ("Shift+Ctrl+Alt+" in that order, then the key name);
// empty for kScNone and for a key the table does not know.
std::string ShortCutToText(int code);
// The Qt key sequence of a code; empty for kScNone and for an unknown key.
QKeySequence ShortCutToKeySequence(int code);
// The code of a one-key Qt sequence; kScNone for an empty sequence, one of
// several keys, a Meta or keypad modifier, or a key the table does not know.
int KeySequenceToShortCut(const QKeySequence& keys);
