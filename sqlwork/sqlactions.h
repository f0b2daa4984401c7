// sqlactions: the actions of the SQL workbench's windows, made from a
// caption, a hint "short|long" and an image of the main window's list.
#pragma once

#include <string>

class QAction;
class QObject;

struct TActionSpec {
  const char* Caption;
  const char* Hint;
  int Image;
};
// An action without a picture.
inline constexpr int kNoActionImage = -1;
// The group of a window's own menu among the main window's when it merges
// into the bar: before all of the main window's menus.
inline constexpr int kWindowMenuGroup = 0;

// The action: the short hint as its tool tip, the long one in the status bar.
QAction* MakeAction(QObject* parent, const TActionSpec& spec);
// The part of a hint after its "|", shown in the status bar.
std::string LongHint(const std::string& hint);
