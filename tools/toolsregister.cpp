#include "tools/toolsregister.h"

#include "app/core/fmainactcore.h"
#include "app/core/fobjcmdcore.h"
#include "app/core/ovmainwin.h"
#include "tools/fcomp.h"
#include "tools/fdatagen.h"
#include "tools/feoption.h"
#include "tools/foption.h"
#include "tools/fusrcmd.h"
#include "tools/findexadviser.h"
#include "tools/fsqlcatch.h"
#include "tools/fsqlcrud.h"
#include "tools/fxlssetup.h"
#include "ui/zarurctl.h"

void RegisterTools() {
  RegisterActionHandler("actToolEditorOption", [](const TActionRequest&) {
    TovMainWindow* main = ControlOptionsWindow();
    if (!main) return false;
    ShowEditorOption(main->EditorProperties());
    return true;
  });
  RegisterActionHandler("actToolOption", [](const TActionRequest&) { return ShowOption(); });
  RegisterActionHandler("actToolCommandSetup", [](const TActionRequest&) {
    ShowUserCommand();
    return true;
  });
  RegisterActionHandler("actToolReportSetup", [](const TActionRequest&) {
    ShowXLSSetup();
    return true;
  });
  // The windows live in the main window's MDI area, which owns them.
  RegisterActionHandler("actViewSQLCatch", [](const TActionRequest& request) {
    if (!request.Connection) return false;
    TfrmSQLCatch::Open(*request.Connection);
    return true;
  });
  RegisterActionHandler("actToolIndexAdviser", [](const TActionRequest& request) {
    if (!request.Connection) return false;
    TfrmIndexAdviser::Open(*request.Connection);
    return true;
  });
  RegisterActionHandler("actViewSQLCRUD", [](const TActionRequest& request) {
    if (!request.Connection) return false;
    TfrmSQLCRUD::Open(*request.Connection);
    return true;
  });
  RegisterActionHandler("actViewComp", [](const TActionRequest& request) {
    if (!request.Connection) return false;
    TfrmComp::Create(*request.Connection);
    return true;
  });
  // The table and view editors' "生成(&W)".
  RegisterActionHandler(kDataGenerateCommand, [](const TActionRequest& request) {
    if (!request.Connection) return false;
    ShowDataGenerate(*request.Connection, request.Schema, request.Name);
    return true;
  });
}
