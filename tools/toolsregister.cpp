#include "tools/toolsregister.h"

#include "app/core/fmainactcore.h"
#include "app/core/ovmainwin.h"
#include "tools/feoption.h"
#include "ui/zarurctl.h"

void RegisterTools() {
  RegisterActionHandler("actToolEditorOption", [](const TActionRequest&) {
    TovMainWindow* main = ControlOptionsWindow();
    if (!main) return false;
    ShowEditorOption(main->EditorProperties());
    return true;
  });
}
