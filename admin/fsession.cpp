#include "admin/fsession.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "platform/qstr.h"
#include "platform/regstore.h"
#include "sqlwork/sqlactions.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"

namespace {

constexpr char kTitle[] = "セッション情報";
constexpr char kSizeKey[] = "SESSION";
constexpr char kListHeightValue[] = "ListHeight";
constexpr char kKillQuestion[] = "指定したプロセスを切断しますか？";
constexpr int kWindowImage = 5;
constexpr int kListMinHeight = 30;
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 400;

constexpr TActionSpec kKill = {"切断(&D)", "切断|選択中のセッションをデータベースより切断します。", 41};
constexpr TActionSpec kRefresh = {"最新(&R)", "最新|リストの内容を最新の状態に変更します。", 16};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

const std::vector<TAdminColumn> kColumns = {{"ﾌﾟﾛｾｽID", 70, false}, {"ｾｯｼｮﾝID", 70, true},     {"動作状態", 70, false},
                                {"ﾕｰｻﾞｰ", 90, false},    {"経過時間", 100, true},    {"ｸﾗｲｱﾝﾄﾌﾟﾛｾｽ種別", 140, false},
                                {"ﾓｼﾞｭｰﾙ名", 200, false}};
// The session ID's column.
constexpr int kSessionColumn = 1;

}  // namespace

void TfrmSession::Open(TovConnectionWindow& connection) {
  if (BringForward<TfrmSession>(kTitle, connection)) return;
  new TfrmSession(connection);
}

TfrmSession::TfrmSession(TovConnectionWindow& connection) : TfrmAdmin(connection, kTitle) {
  setObjectName("frmSession");
  SetDesignSize(kDesignWidth, kDesignHeight);
  setupUi();
  CreateTaskButton();
  SetImageIndex(kWindowImage);
  setWindowIcon(imgMain().Icon(kWindowImage));
  AddQuery(&qrySession);
  StartOn(connection);
  TaskButtonClick();
}

void TfrmSession::setupUi() {
  actKill = MakeAction(this, kKill);
  actRefresh = MakeAction(this, kRefresh);
  actExit = MakeAction(this, kExit);
  connect(actKill, &QAction::triggered, this, [this] { RunReported([this] { actKillExecute(); }); });
  connect(actRefresh, &QAction::triggered, this, [this] { RunReported([this] { Reload(this); }); });
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });

  auto* menuBar = new QMenuBar(this);
  menuBar->addMenu("セッション情報(&O)")->addAction(actKill);
  layout_->setMenuBar(menuBar);
  for (QAction* action : {actKill, actRefresh, actExit}) AddToolAction(action);

  spl1 = new QSplitter(Qt::Vertical, this);
  spl1->setChildrenCollapsible(false);
  auto* top = new QWidget(spl1);
  top->setMinimumHeight(0);
  lstSession = new TovListView(spl1);
  lstSession->setObjectName("lstSession");
  lstSession->setMinimumHeight(kListMinHeight);
  SetupAdminList(*lstSession, kColumns);
  lstSession->setContextMenuPolicy(Qt::ActionsContextMenu);
  lstSession->addAction(actKill);
  lstSession->installEventFilter(this);
  connect(lstSession, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateActions(); });
  layout_->addWidget(spl1, 1);
  UpdateActions();
}

void TfrmSession::Bind(TovConnectionWindow& connection) { qrySession.SetConnection(&connection.Module().Connection); }

void TfrmSession::UpdateActions() { actKill->setEnabled(!lstSession->selectedItems().isEmpty()); }

bool TfrmSession::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lstSession && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    RunReported([this] { actKillExecute(); });
    return true;
  }
  return TfrmAdmin::eventFilter(watched, event);
}

void TfrmSession::Reload(QObject* sender) {
  (void)sender;
  const TSqlWaitCursor cursor;
  ShowCaption();
  QTreeWidgetItem* selected = lstSession->currentItem();
  const QString remembered = selected && selected->isSelected() ? selected->text(0) : QString();
  lstSession->setUpdatesEnabled(false);
  lstSession->clear();
  try {
    ReloadRows();
    lstSession->CustomSort();
    for (int i = 0; i < lstSession->topLevelItemCount(); ++i) {
      QTreeWidgetItem* item = lstSession->topLevelItem(i);
      if (remembered.isEmpty() || item->text(0) != remembered) continue;
      lstSession->setCurrentItem(item);
      break;
    }
  } catch (...) {
    qrySession.Close();
    lstSession->setUpdatesEnabled(true);
    UpdateActions();
    throw;
  }
  qrySession.Close();
  lstSession->setUpdatesEnabled(true);
  UpdateActions();
}

void TfrmSession::ReloadRows() {
  if (!ConnectionWindow) return;
  CommitOpenTransaction();
  std::vector<std::string> lines;
  if (!RunCommand(kSessionCommand, lines, true)) lines.clear();
  const std::string login = ConnectionWindow->Module().Connection.UserName;
  for (const TSessionRow& row : SessionList(lines, ConnectionWindow->Level(), [this] { return CatalogueRows(); })) {
    AddAdminRow(*lstSession, kColumns,
                {row.ProcessId, row.SessionId, row.State, row.User, row.Elapsed, row.ClientType, row.Module},
                IsOwnProgramRow(row.Module, row.User, login));
  }
}

std::vector<TSessionRow> TfrmSession::CatalogueRows() {
  std::vector<TSessionRow> rows;
  qrySession.SetSQL(kSessionCatalogueSQL);
  qrySession.Open();
  for (qrySession.First(); !qrySession.Eof(); qrySession.Next())
    rows.push_back(CatalogueSessionRow(qrySession.FieldByName("PROCESS_ID").toLongLong(),
                                       qrySession.AsString("TRANSACTION_STATUS"), qrySession.AsString("LOGIN_NAME"),
                                       qrySession.AsString("IDLE"), qrySession.AsString("CLIENT_TYPE"),
                                       qrySession.AsString("NAME")));
  return rows;
}

void TfrmSession::actKillExecute() {
  QTreeWidgetItem* item = lstSession->currentItem();
  if (!item || !item->isSelected()) return;
  if (MsgBox(kKillQuestion, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  const std::string process = item->text(0).toStdString();
  const std::string session = item->text(kSessionColumn).toStdString();
  try {
    CommitOpenTransaction();
    const auto run = [](const std::string& command, std::vector<std::string>& lines) {
      return RunCommand(command, lines, true);
    };
    for (const std::string& message : KillSession(process, session, run)) MsgBox(message, MB_ICONERROR);
  } catch (...) {
    Reload(this);
    throw;
  }
  Reload(this);
}

void TfrmSession::LoadWindowSize() {
  LoadWindowSizeFrom(kSizeKey);
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kSizeKey), true)) return;
  const int height = std::max(AppRegistry.ReadIntegerDef(kListHeightValue, this->height() / 2),
                              spl1->widget(1)->minimumHeight());
  const int room = std::max(spl1->height(), height);
  spl1->setSizes({room - height, height});
}

void TfrmSession::SaveWindowSize() {
  SaveWindowSizeTo(kSizeKey);
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kSizeKey), true)) return;
  AppRegistry.WriteInteger(kListHeightValue, lstSession->height());
}
