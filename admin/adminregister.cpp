#include "admin/adminregister.h"

#include "admin/fdb.h"
#include "admin/fexp.h"
#include "admin/fimp.h"
#include "admin/floader.h"
#include "admin/flock.h"
#include "admin/fsession.h"
#include "app/core/fmainactcore.h"
#include "app/core/fobjcmdcore.h"

namespace {

// Only the main menu opens the restore window.
constexpr char kAdminImportAction[] = "actAdminImport";

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
  RegisterOpener<&TfrmExp::Open>(kAdminExportAction);
  RegisterOpener<&TfrmImp::Open>(kAdminImportAction);
  RegisterOpener<&TfrmLoader::Open>(kAdminLoadAction);
}
