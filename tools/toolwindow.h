// What the trace tool windows (SQL capture, table-access matrix, index
// adviser) share: their caption from the logon, and one window per caption.
#pragma once

#include <QMdiSubWindow>
#include <QString>

#include <string>

#include "app/core/ovconnwin.h"
#include "app/core/ovmainwin.h"
#include "ui/zarurctl.h"

// "<user> @ <data source>": the task button's text.
inline std::string ToolLogonLabel(TovConnectionWindow& connection) {
  TdmSymfoware& module = connection.Module();
  return module.GetUserName() + " @ " + module.GetDataSourceName();
}

// "<title> - <user> @ <data source>": the window's caption.
inline std::string ToolCaption(const char* title, TovConnectionWindow& connection) {
  return title + (" - " + ToolLogonLabel(connection));
}

// The open window of kind T with `caption`, brought forward; nullptr when
// there is none.
template <class T>
T* ShowOpenToolWindow(const QString& caption) {
  TovMainWindow* main = ControlOptionsWindow();
  if (!main) return nullptr;
  for (QWidget* window : main->ChildWindows()) {
    auto* form = qobject_cast<T*>(window);
    if (!form || form->windowTitle() != caption) continue;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(form->parentWidget())) main->ShowChildWindow(frame);
    return form;
  }
  return nullptr;
}
