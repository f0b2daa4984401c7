// A main window for the ui tests: a plain widget that holds the print data,
// the editor settings and an editor menu, and answers nothing else (the
// program's frame is tested in app/).
#pragma once

#include <QMenu>
#include <QWidget>
#include <memory>

#include "app/core/ovmainwin.h"
#include "editor/core/EditorProp.h"
#include "editor/core/heClasses.h"
#include "ui/core/ovprintercore.h"
#include "ui/ovprinter.h"

class TTestMainWindow : public QWidget, public TovMainWindow {
 public:
  TTestMainWindow() { SetPrintOwner(this); }
  ~TTestMainWindow() override { SetPrintOwner(nullptr); }

  QWidget* Window() override { return this; }
  TovPrintdata& PrintData() override { return prtData; }
  QMdiSubWindow* AddChildWindow(QWidget*) override { return nullptr; }
  void ShowChildWindow(QMdiSubWindow*) override {}
  std::vector<QWidget*> ChildWindows() const override { return {}; }
  QAction* AddTaskButton(QToolButton*) override { return nullptr; }
  void AddConnectionEntry(QWidget*, const std::string&) override {}
  void RemoveConnectionEntry(QWidget*) override {}
  void SelectConnectionEntry(const QWidget*) override {}
  QWidget* CurrentConnection() const override { return nullptr; }
  std::vector<TConnectionEntry> ConnectionEntries() const override { return {}; }
  void ConnectionEntryChosen() override {}
  void ApplyConnectionState() override {}
  QMenu* EditorPopupMenu() const override { return menu; }
  TovMemoProp& EditorProperties() const override { return *prop; }
  void BuildUserCommandMenu() override {}
  void BuildReportMenu() override {}
  std::vector<TReportEntry> ReportMenuItems() const override { return {}; }
  void RefreshObjectMenus() override {}
  std::string ActionCaption(const std::string&) const override { return ""; }
  int ActionShortCut(const std::string&) const override { return 0; }
  void SetActionShortCuts(const std::map<std::string, int>&) override {}
  void RefreshWorkSpace(const QWidget*) override {}
  void SetStatusText(int, const std::string&) override {}
  void ShowProgress(int, int) override {}
  void ShowObjectCount() override {}

  TovPrintdata prtData{Printer()};
  QMenu* menu = new QMenu(this);
  std::unique_ptr<TovMemoProp> prop = Make<TovMemoProp>();
};
