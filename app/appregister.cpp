#include "app/appregister.h"

#include "app/flogon.h"
#include "app/fmain.h"
#include "app/fobject.h"

void RegisterApp(TfrmMain& main) {
  InstallConnectionWindows(&main);
  SetLogonProcedure([](TfrmMain& frame, const TLogonRequest& request) { LogonAtStart(request, &frame); });
}
