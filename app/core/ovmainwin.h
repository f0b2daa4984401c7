// ovmainwin: the main window as every other window sees it. The frame
// (TfrmMain) implements it; connection windows, TovForm and the later
// subsystems use this face instead of the frame's controls.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "app/core/ovdoc.h"

class QAction;
class QMdiSubWindow;
class QMenu;
class QToolButton;
class QWidget;
class TovMemoProp;
class TovPrintdata;

// The status-bar panel that shows messages and progress.
inline constexpr int kStatusMessagePanel = 2;
// The status-bar panel that shows the caret of the SQL editor in use.
inline constexpr int kStatusCaretPanel = 0;

// A caret position as the status bar shows it: "<row> : <column>", both
// counted from 1 (the editor counts from 0).
inline std::string CaretPositionText(int row, int col) {
  return std::to_string(row + 1) + " : " + std::to_string(col + 1);
}

// One entry of the current-database list.
struct TConnectionEntry {
  std::string Label;
  QWidget* ConnectionWindow = nullptr;
};

class TovMainWindow {
 public:
  virtual ~TovMainWindow() = default;

  // The frame itself, as the parent of the windows it owns.
  virtual QWidget* Window() = 0;
  // The pages of the last printed document (prtData): recorded by the
  // render routines, replayed by printing and the preview.
  virtual TovPrintdata& PrintData() = 0;

  // Adds a window as an MDI child; returns its frame.
  virtual QMdiSubWindow* AddChildWindow(QWidget* window) = 0;
  // Shows an MDI child's frame and makes it the active child.
  virtual void ShowChildWindow(QMdiSubWindow* frame) = 0;
  // The windows of the MDI children, the first created first.
  virtual std::vector<QWidget*> ChildWindows() const = 0;

  // Appends a button at the right end of the task bar and scrolls it into
  // view; the returned action owns the button.
  virtual QAction* AddTaskButton(QToolButton* button) = 0;

  // The current-database list holds one entry per connection window.
  // Adding an entry makes it the current one.
  virtual void AddConnectionEntry(QWidget* connectionWindow, const std::string& label) = 0;
  // Removes the window's entry; the last entry left becomes the current one.
  virtual void RemoveConnectionEntry(QWidget* connectionWindow) = 0;
  // Makes the entry of this window current (none when it has no entry).
  // Two logons under one label are told apart by their windows.
  virtual void SelectConnectionEntry(const QWidget* connectionWindow) = 0;
  // The connection window of the current entry, or none.
  virtual QWidget* CurrentConnection() const = 0;
  // The entries of the list in order.
  virtual std::vector<TConnectionEntry> ConnectionEntries() const = 0;
  // What choosing an entry does: the connection's window comes forward.
  virtual void ConnectionEntryChosen() = 0;
  // Sets the actions by the connection-state rules; an object or connection
  // window runs it when it becomes active.
  virtual void ApplyConnectionState() = 0;

  // The pop-up menu and the editor settings every SQL editor gets.
  virtual QMenu* EditorPopupMenu() const = 0;
  virtual TovMemoProp& EditorProperties() const = 0;
  // Rebuild the menus of the user commands and of the report definitions
  // from their documents (their editors call them after saving), and let
  // every connection window copy the object-list short-cuts.
  virtual void BuildUserCommandMenu() = 0;
  virtual void BuildReportMenu() = 0;
  virtual void RefreshObjectMenus() = 0;
  // The items of the report menu as they stand, in menu order; the other
  // windows' report items copy them by position.
  virtual std::vector<TReportEntry> ReportMenuItems() const = 0;
  // The caption and the short-cut (an ovshortcut code) of a main-window
  // action by name; empty and none for an unknown name.
  virtual std::string ActionCaption(const std::string& name) const = 0;
  virtual int ActionShortCut(const std::string& name) const = 0;
  // Gives actions new short-cuts (codes by action name) and lets the keys act.
  virtual void SetActionShortCuts(const std::map<std::string, int>& codes) = 0;

  // Rebuilds the workspace list from the stored entries, showing those of
  // the open connection windows except `leftOut` (none: every one).
  virtual void RefreshWorkSpace(const QWidget* leftOut) = 0;

  virtual void SetStatusText(int panel, const std::string& text) = 0;
  // The caret of an SQL editor (row and column from 0) in its panel; the
  // editors feed it as their caret moves (ShowCaretInStatusBar).
  void ShowCaretPosition(int row, int col) { SetStatusText(kStatusCaretPanel, CaretPositionText(row, col)); }
  // The progress of a long operation in the message panel.
  virtual void ShowProgress(int done, int total) = 0;
  // The object count of the current connection's list in the message
  // panel; nothing when no connection is current.
  virtual void ShowObjectCount() = 0;
};
