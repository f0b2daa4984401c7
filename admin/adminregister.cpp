#include "admin/adminregister.h"

#include "admin/fanalyze.h"
#include "admin/fcomment.h"
#include "admin/fdb.h"
#include "admin/fexp.h"
#include "admin/fgrep.h"
#include "admin/fimp.h"
#include "admin/floader.h"
#include "admin/flock.h"
#include "admin/fmatrix.h"
#include "admin/fproject.h"
#include "admin/fsession.h"
#include "admin/fstorage.h"
#include "admin/ftbs.h"
#include "admin/fuser.h"
#include "admin/fusrlist.h"
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

void OpenCommentCheck(TovConnectionWindow& connection) { TfrmComment::Create(connection); }
void OpenMatrix(TovConnectionWindow& connection) { TfrmMatrix::Create(connection); }

// The connection window's object tools: the schema filter answers whether
// the user chose, the search dialog is a typed hook.
void RegisterObjectTools() {
  RegisterActionHandler(kSchemaFilterCommand, [](const TActionRequest& request) {
    return request.Connection && ShowSchemaFilter(*request.Connection);
  });
  RegisterOpener<&ShowAnalyze>(kStatisticsCommand);
  RegisterOpener<&OpenCommentCheck>(kCommentCheckCommand);
  RegisterOpener<&OpenMatrix>(kCrossMatrixCommand);
  SetGrepDialog(&ShowGrep);
}

}  // namespace

void RegisterAdmin() {
  // The windows live in the main window's MDI area, which owns them.
  RegisterOpener<&TfrmSession::Open>(kAdminSessionAction);
  RegisterOpener<&TfrmLock::Open>(kAdminLockAction);
  RegisterOpener<&TfrmDB::Open>(kAdminDatabaseAction);
  RegisterObjectTools();
  RegisterOpener<&TfrmUserList::Open>(kAdminUserAction);
  RegisterUserEditor();
  RegisterOpener<&TfrmStorage::Open>(kAdminStorageAction);
  RegisterSpaceEditor();
  RegisterOpener<&TfrmExp::Open>(kAdminExportAction);
  RegisterOpener<&TfrmImp::Open>(kAdminImportAction);
  RegisterOpener<&TfrmLoader::Open>(kAdminLoadAction);
}
