#include "admin/flock.h"

#include <QAction>
#include <QToolBar>
#include <QVBoxLayout>

#include "admin/core/flockcore.h"
#include "admin/core/fsessioncore.h"
#include "app/core/ovrunner.h"
#include "sqlwork/sqlactions.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"

namespace {

constexpr char kTitle[] = "ロック情報";
constexpr char kSizeKey[] = "LOCK";
constexpr int kWindowImage = 6;
constexpr int kDesignWidth = 800;
constexpr int kDesignHeight = 400;

constexpr TActionSpec kRefresh = {"最新(&R)", "最新|リストの内容を最新の状態に変更します。", 16};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

const std::vector<TAdminColumn> kColumns = {
    {"DSI名", 250, false},  {"ﾌﾟﾛｾｽID", 70, false},          {"ｾｯｼｮﾝID", 70, false},
    {"状態", 70, false},    {"ﾕｰｻﾞｰ", 85, false},            {"ｸﾗｲｱﾝﾄﾌﾟﾛｾｽ種別", 130, false},
    {"ﾓｼﾞｭｰﾙ名", 160, false}, {"排他単位", 100, false}, {"占有目的", 0, false}};

}  // namespace

void TfrmLock::Open(TovConnectionWindow& connection) {
  if (BringForward<TfrmLock>(kTitle, connection)) return;
  new TfrmLock(connection);
}

TfrmLock::TfrmLock(TovConnectionWindow& connection) : TfrmAdmin(connection, kTitle) {
  setObjectName("frmLock");
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  CreateTaskButton();
  SetImageIndex(kWindowImage);
  setWindowIcon(imgMain().Icon(kWindowImage));
  StartOn(connection);
  TaskButtonClick();
}

void TfrmLock::setupUi() {
  btnRollback = MakeAction(this, kRefresh);
  btnExit = MakeAction(this, kExit);
  connect(btnRollback, &QAction::triggered, this, [this] { RunReported([this] { Reload(this); }); });
  connect(btnExit, &QAction::triggered, this, [this] { Frame()->close(); });
  for (QAction* action : {btnRollback, btnExit}) AddToolAction(action);
  lstLock = new TovListView(this);
  lstLock->setObjectName("lstLock");
  SetupAdminList(*lstLock, kColumns);
  layout_->addWidget(lstLock, 1);
}

void TfrmLock::Reload(QObject* sender) {
  (void)sender;
  const TSqlWaitCursor cursor;
  ShowCaption();
  lstLock->setUpdatesEnabled(false);
  lstLock->clear();
  // The rows added so far stay when filling fails.
  RunReported([this] { ReloadRows(); });
  lstLock->setUpdatesEnabled(true);
  lstLock->CustomSort();
}

void TfrmLock::ReloadRows() {
  if (!ConnectionWindow) return;
  CommitOpenTransaction();
  std::vector<std::string> lines;
  if (!RunCommand(kLockCommand, lines, true)) return;
  const std::string login = ConnectionWindow->Module().Connection.UserName;
  for (const TLockRow& row : ParseLocks(lines))
    AddAdminRow(*lstLock, kColumns,
                {row.Dsi, row.ProcessId, row.SessionId, row.State, row.User, row.ClientType, row.Module, row.Unit,
                 row.Purpose},
                IsOwnProgramRow(row.Module, row.User, login));
}

void TfrmLock::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }

void TfrmLock::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }
