#include "admin/adminregister.h"

#include "admin/fdb.h"
#include "admin/flock.h"
#include "admin/fsession.h"
#include "admin/fuser.h"
#include "admin/fusrlist.h"
#include "app/core/fmainactcore.h"
#include "app/core/fobjcmdcore.h"

namespace {

template <void (*Open)(TovConnectionWindow&)>
void RegisterOpener(const char* action) {
  RegisterActionHandler(action, [](const TActionRequest& request) {
    if (!request.Connection) return false;
    Open(*request.Connection);
    return true;
  });
}

}  // namespace

void RegisterAdmin() {
  // The windows live in the main window's MDI area, which owns them.
  RegisterOpener<&TfrmSession::Open>(kAdminSessionAction);
  RegisterOpener<&TfrmLock::Open>(kAdminLockAction);
  RegisterOpener<&TfrmDB::Open>(kAdminDatabaseAction);
  RegisterOpener<&TfrmUserList::Open>(kAdminUserAction);
  RegisterUserEditor();
}
