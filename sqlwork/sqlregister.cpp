#include "sqlwork/sqlregister.h"

#include "app/core/fmainactcore.h"
#include "editor/ovmemo.h"
#include "sqlwork/fsql.h"

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
}
