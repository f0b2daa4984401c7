#include "ui/uiregister.h"

#include "app/core/fmainactcore.h"
#include "ui/fsupport.h"
#include "ui/ovprinter.h"

void RegisterUi(TovMainWindow& main) {
  SetPrintOwner(&main);
  RegisterActionHandler("actHelpSupport", [](const TActionRequest&) {
    ShowSupportInfo();
    return true;
  });
}
