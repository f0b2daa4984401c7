// The help viewer behind the help component. The desktop one (gui/) opens the
// help file with the desktop's handler and shows context pop-ups as
// "What's This" texts; tests install a recording double.
#pragma once

#include <memory>
#include <string>

namespace platform {

// The dynamic property of a widget that holds its help context number; F1
// asks for the context of the focused widget or of its nearest parent that
// has one.
inline constexpr char kHelpContextProperty[] = "helpContext";
// A widget of this context takes F1 as a key of its own: no help opens while
// it or a widget in it has the focus.
inline constexpr int kNoHelpContext = -1;

class HelpViewer {
 public:
  virtual ~HelpViewer() = default;
  // Opens the help file at its default topic; false when it cannot be opened.
  virtual bool OpenHelpFile(const std::string& helpFile) = 0;
  // Shows `text` as a pop-up at a screen position.
  virtual void ShowPopup(const std::string& text, int x, int y) = 0;
  // Tells the user something in the main window's status bar, for a while:
  // the bar's own fields come back after it.
  virtual void ShowStatus(const std::string& text) = 0;
};

HelpViewer& Help();
// Installs `viewer`; returns the one it replaces.
std::unique_ptr<HelpViewer> SetHelpViewer(std::unique_ptr<HelpViewer> viewer);

}  // namespace platform
