// fmainframe: what the main window's actions work on: the frame's parts,
// and the action list as the edit actions see it.
#pragma once

#include <functional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QMainWindow;
class QMdiArea;
class QToolBar;
class QWidget;
class THTMLHelp;
class TovMainWindow;

// What the actions work on of the main frame.
struct TMainFrame {
  QMainWindow* Window = nullptr;
  TovMainWindow* Face = nullptr;
  QMdiArea* MdiArea = nullptr;
  // The current-database list: one item per connection window.
  QComboBox* ConnectionList = nullptr;
  // The six tool bars in layout order; the last takes the new-object buttons.
  std::vector<QToolBar*> ToolBars;
  QToolBar* NewObjectBar = nullptr;
  QWidget* StatusBar = nullptr;
  QWidget* TaskBar = nullptr;
  QWidget* WorkSpace = nullptr;
  THTMLHelp* Help = nullptr;
  std::function<bool()> CanLogon;
  std::function<void()> Logon;
  std::function<void(bool)> SetWorkSpaceVisible;
};

class TActionList {
 public:
  virtual ~TActionList() = default;
  virtual QAction* Action(const std::string& name) const = 0;
  // Makes triggering the item run `run`.
  virtual void Wire(QAction* item, std::function<void()> run) = 0;
  // The idle update: edit actions, macro caption, report items.
  virtual void UpdateActions() = 0;
};
