// fmainact: the main window's action list actMain with its menus, tool
// buttons and the editor pop-up menu: every action's caption, hint, image
// and short-cut, its state by the connection-state rules, and what the
// actions of the file, view, tool, window and help menus do. The edit
// actions are fmainedit's.
#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/core/fmainactcore.h"
#include "app/core/ovdoc.h"
#include "app/fmainframe.h"

class QAction;
class QMenu;
class QMenuBar;
class QToolButton;
class TMainEditActions;


class TMainActions : public QObject, public TActionList {
  Q_OBJECT

 public:
  // Builds the actions, the menu bar, the pop-up menus and fills the tool bars.
  explicit TMainActions(const TMainFrame& frame);
  ~TMainActions() override;

  QAction* Action(const std::string& name) const override;
  // True when triggering the item runs something: its own routine, or the
  // handler another subsystem registered for it.
  bool HasHandler(const QAction* item) const;
  QToolButton* NewObjectButton(const std::string& name) const;

  // The connection-state rules on every action and button they name; an
  // action run by another subsystem stays disabled until its handler is
  // registered.
  void ApplyConnectionState();
  // The SHORTCUT settings onto the actions, and back.
  void ApplyShortCuts();
  void StoreShortCuts();
  // The short-cut code of an action (kScNone for an unknown name), and new
  // codes for actions by name, the keys then assigned again.
  int ShortCut(const std::string& name) const;
  void SetShortCuts(const std::map<std::string, int>& codes);
  void BuildUserCommandMenu();
  void BuildReportMenu();
  std::vector<TReportEntry> ReportMenuItems() const;
  void BuildHomePageMenu();
  // Lets every connection window copy the object-list short-cuts.
  void RefreshObjectMenus();
  void UpdateActions() override;
  void Wire(QAction* item, std::function<void()> run) override;

  QMenuBar* mnuMain = nullptr;
  QMenu* popEditor = nullptr;
  QMenu* mnuWindow = nullptr;
  QMenu* mnuToolBar = nullptr;
  QMenu* mnuUserCommand = nullptr;
  QMenu* mnuReport = nullptr;
  QMenu* mnuHomePage = nullptr;
  QAction* mnuTB1 = nullptr;
  QAction* mnuTB2 = nullptr;
  QAction* mnuDispList = nullptr;
  QAction* mnuDispReport = nullptr;
  TMainEditActions* EditActions = nullptr;

 private:
  void CreateActions();
  void BuildMenus();
  void BuildMenuItems(QMenu* menu, const std::vector<std::string>& items);
  void FillToolBars();
  void SpecialItem(QMenu* menu, const std::string& name);
  QAction* ProxyItem(QMenu* menu, const std::string& target, const char* keys);
  void DropItems(std::vector<QAction*>& items);
  void RunExternal(const std::string& name, QObject* sender);
  void RunConnectionCommand(const char* command, QObject* sender);
  void AssignKeySequences();
  std::vector<QAction*> ItemsInMenuOrder() const;
  void CopyToConnectionWindows(const char* command);
  void ViewMenuShow();
  void WindowMenuShow();
  void TileWindows(bool oneAboveTheOther);
  void ArrangeIcons();
  void EndTransaction(bool commit);
  void Logoff();
  void SetObjectListStyle(bool list);
  void ReloadFocusedForm();

  std::vector<QWidget*> ConnectionWindows() const;

  TMainFrame frame_;
  std::map<std::string, QAction*> actions_;
  std::map<const QAction*, std::string> external_;
  std::set<const QAction*> handled_;
  std::map<std::string, QToolButton*> newObjectButtons_;
  std::vector<QAction*> userCommandItems_;
  std::vector<QAction*> reportItems_;
  std::vector<QAction*> windowListItems_;
  QAction* mnuWindowList = nullptr;
};
