#include "ui/uiregister.h"

#include "app/core/fmainactcore.h"
#include "app/core/ovmainwin.h"
#include "ui/fsupport.h"
#include "ui/ovprinter.h"
#include "ui/zarurctl.h"

void RegisterUi(TovMainWindow& main) {
  SetPrintOwner(&main);
  SetControlOptionsWindow(&main);
  RegisterActionHandler("actHelpSupport", [](const TActionRequest&) {
    ShowSupportInfo();
    return true;
  });
}
