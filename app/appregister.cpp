#include "app/appregister.h"

#include "app/core/fmainactcore.h"

#include "app/flogon.h"
#include "app/fmain.h"
#include "app/fobject.h"

namespace {

TfrmObject* ConnectionWindowOf(const TActionRequest& request) {
  return request.Connection ? qobject_cast<TfrmObject*>(request.Connection->Window()) : nullptr;
}

}  // namespace

void RegisterApp(TfrmMain& main) {
  InstallConnectionWindows(&main);
  RegisterActionHandler(kCopyObjectMenusCommand, [](const TActionRequest& request) {
    if (TfrmObject* window = ConnectionWindowOf(request)) window->CopyObjectShortCuts();
    return true;
  });
  RegisterActionHandler(kListOptionsCommand, [](const TActionRequest& request) {
    if (TfrmObject* window = ConnectionWindowOf(request)) window->ApplyListOptions(request.Text == kTreeSortChanged);
    return true;
  });
  RegisterActionHandler(kNewObjectCommand, [](const TActionRequest& request) {
    if (TfrmObject* window = ConnectionWindowOf(request)) window->actNewExecute(request.Sender);
    return true;
  });
  RegisterActionHandler(kCopyUserCommandMenuCommand, [](const TActionRequest& request) {
    if (TfrmObject* window = ConnectionWindowOf(request)) window->CopyUserCommandMenu();
    return true;
  });
  RegisterActionHandler(kUserCommandCommand, [](const TActionRequest& request) {
    if (TfrmObject* window = ConnectionWindowOf(request)) window->UserCommandClick(request.Sender);
    return true;
  });
  RegisterActionHandler(kCopyReportMenuCommand, [](const TActionRequest& request) {
    if (TfrmObject* window = ConnectionWindowOf(request)) window->CopyReportMenu();
    return true;
  });
  RegisterActionHandler(kReportCommand, [](const TActionRequest& request) {
    if (TfrmObject* window = ConnectionWindowOf(request)) window->ReportClick(request.Sender);
    return true;
  });
  SetLogonProcedure([](TfrmMain& frame, const TLogonRequest& request) { LogonAtStart(request, &frame); });
}
