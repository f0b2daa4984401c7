// A main window for the print tests: a plain widget that holds the print
// data and answers nothing else (the program's frame is tested in app/).
#pragma once

#include <QWidget>

#include "app/core/ovmainwin.h"
#include "ui/core/ovprintercore.h"
#include "ui/ovprinter.h"

class TPrintMainWindow : public QWidget, public TovMainWindow {
 public:
  TPrintMainWindow() { SetPrintOwner(this); }
  ~TPrintMainWindow() override { SetPrintOwner(nullptr); }

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
  void ConnectionEntryChosen() override {}
  void ApplyConnectionState() override {}
  QMenu* EditorPopupMenu() const override { return nullptr; }
  void BuildUserCommandMenu() override {}
  void BuildReportMenu() override {}
  void RefreshObjectMenus() override {}
  void SetStatusText(int, const std::string&) override {}
  void ShowProgress(int, int) override {}
  void ShowObjectCount() override {}

  TovPrintdata prtData{Printer()};
};
