#include "sqlwork/sqlregister.h"

#include "app/core/fmainactcore.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovmainwin.h"
#include "editor/ovmemo.h"
#include "sqlwork/fexecscr.h"
#include "sqlwork/ffield.h"
#include "sqlwork/fsoption.h"
#include "sqlwork/fsql.h"
#include "sqlwork/ftmplate.h"
#include "ui/zarurctl.h"

void RegisterSqlWork() {
  // The windows live in the main window's MDI area, which owns them.
  RegisterActionHandler("actViewSQL", [](const TActionRequest& request) {
    if (!request.Connection) return false;
    new TfrmSQL(*request.Connection);
    return true;
  });
  RegisterActionHandler(kSQLWindowCommand, [](const TActionRequest& request) {
    if (!request.Connection) return false;
    auto* form = new TfrmSQL(*request.Connection);
    form->txtSQL->Lines().SetTextStr(request.Text);
    form->actExecExecute(nullptr);
    return true;
  });
  RegisterActionHandler("actViewScript", [](const TActionRequest& request) {
    if (!request.Connection) return false;
    ShowExecScript(*request.Connection);
    return true;
  });
  RegisterActionHandler("actViewField", [](const TActionRequest& request) {
    if (!request.Connection) return false;
    ShowFieldWindow(*request.Connection, request.Schema, request.Name);
    return true;
  });
  RegisterActionHandler("actViewTemplate", [](const TActionRequest& request) {
    ShowTemplateWindow(request.Text);
    return true;
  });
  RegisterActionHandler("actToolScriptOption", [](const TActionRequest&) {
    TovMainWindow* main = ControlOptionsWindow();
    return ShowScriptOptionDialog(main ? main->Window() : nullptr);
  });
  SetScriptOutputDialog(ShowScriptOutputDialog);
}
