#include "objedit/fgrant.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMdiSubWindow>
#include <QMenu>
#include <QShortcut>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/core/fobjcmdcore.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "platform/qstr.h"
#include "ui/ovchklst.h"
#include "ui/ovcomctrls.h"
#include "ui/ovimages.h"
#include "ui/ovmenubar.h"
#include "ui/ovtoolbar.h"
#include "ui/zarurctl.h"
#include "objedit/objeditor.h"

namespace {

constexpr const char* kCaptionStem = "権限付与 - ";
constexpr const char* kSizeKey = "GRANT";
constexpr const char* kUserType = "USER";
constexpr const char* kRoleType = "ROLE";
constexpr const char* kNoGrantee = "ユーザーを選択して下さい。";
constexpr const char* kAskGrant = "権限を付与しますか？";
constexpr const char* kGranted = "権限を付与しました。";
constexpr const char* kAskRevoke = "オブジェクト権限を取り消しますか？";
constexpr const char* kRevoked = "権限を取り消しました。";
constexpr const char* kCascadeCheck = "CASCADE オプション";
constexpr int kHelpContext = 20800;
constexpr int kExecImage = 28;
constexpr int kExitImage = 42;
constexpr int kMenuGroup = 2;
constexpr int kWindowIcon = 91;
constexpr int kTypeColumnWidth = 60;
constexpr int kGranteeColumnWidth = 140;
constexpr int kPrivilegeColumnWidth = 120;
constexpr int kGrantableColumnWidth = 124;
constexpr int kDesignWidth = 640;
constexpr int kDesignHeight = 480;
constexpr int kImageRole = Qt::UserRole;
constexpr int kPrivilegeRowHeight = 16;
// Columns of lstGrant, the hidden ones last.
enum { kColGrantee, kColPrivilege, kColGrantable, kColObject, kColKindName, kColGranteeType, kGrantColumns };

std::string Caption(TovConnectionWindow& owner) {
  return kCaptionStem + owner.Module().GetUserName() + " @ " + owner.Module().GetDataSourceName();
}

int ImageOf(const QTreeWidgetItem& item) { return item.data(0, kImageRole).toInt(); }

}  // namespace

TfrmGrant* TfrmGrant::Open(TovConnectionWindow& owner) {
  AbortForOpenTwin<TfrmGrant>(Caption(owner));
  auto* form = new TfrmGrant(owner);
  try {
    form->LoadGrantees();
  } catch (...) {
    form->Discard();
    throw;
  }
  ShowTwin(*form);
  return form;
}

TfrmGrant::TfrmGrant(TovConnectionWindow& owner) : TovForm(owner) {
  setupUi();
  CreateTaskButton();
  SetImageIndex(kWindowIcon);
  SetHelpContext(kHelpContext);
  SetDesignSize(kDesignWidth, kDesignHeight);
  setWindowTitle(Q(Caption(owner)));
  SetTaskCaption(owner.Module().GetUserName() + " @ " + owner.Module().GetDataSourceName());
  for (TovSQLQuery* q : {&qryGrantUser, &qryGrantRole, &qryGAll}) AddQuery(q);
  // Every activation works on the objects selected at that moment.
  if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
    connect(frame, &QMdiSubWindow::aboutToActivate, this, [this] { RunReported([this] { FormActivate(); }); });
}

void TfrmGrant::setupUi() {
  actExec = MakeAction(this, "actExec", "実行(&E)", "実行|権限の付与を行います。", kExecImage);
  actExit = MakeAction(this, "actExit", "終了(&X)", "終了|画面を閉じます。", kExitImage);
  connect(actExec, &QAction::triggered, this, [this] { RunReported([this] { Compile(this); }); });
  connect(actExit, &QAction::triggered, this, [this] { Frame()->close(); });
  mnuObject = new QMenu("権限付与(&O)", this);
  mnuObject->setObjectName("mnuObject");
  SetMenuGroup(*mnuObject, kMenuGroup);
  mnuObject->addAction(actExec);
  auto* tolCmd = new QToolBar(this);
  tolCmd->setObjectName("tolCmd");
  tolCmd->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  tolCmd->addActions({actExec, actExit});
  SetTextButtonWidths(*tolCmd, {actExec, actExit});

  lstUser = new TovListView(this);
  lstUser->setObjectName("lstUser");
  lstUser->setColumnCount(2);
  lstUser->setHeaderLabels({"名前", "タイプ"});
  lstUser->setRootIsDecorated(false);
  lstUser->setSelectionMode(QAbstractItemView::SingleSelection);
  lstUser->header()->setStretchLastSection(false);
  lstUser->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  lstUser->setColumnWidth(1, kTypeColumnWidth);
  connect(lstUser, &QTreeWidget::itemSelectionChanged, this, [this] { RunReported([this] { lstUserClick(); }); });
  connect(lstUser, &QTreeWidget::itemDoubleClicked, this,
          [this] { RunReported([this] { lstUserDblClick(); }); });

  chkGrant = new TovCheckListBox(this);
  chkGrant->setObjectName("chkGrant");
  chkGrant->SetItemHeight(kPrivilegeRowHeight);
  for (const TGrantPrivilege& p : GranteePrivileges()) chkGrant->addItem(Q(p.Item));
  connect(chkGrant, &QListWidget::itemClicked, this, [this] { SetChanged(true); });

  lstGrant = new TovListView(this);
  lstGrant->setObjectName("lstGrant");
  lstGrant->setColumnCount(kGrantColumns);
  lstGrant->setHeaderLabels({"権限付与先", "権限名", "GRANT", "オブジェクト名", "", ""});
  lstGrant->setRootIsDecorated(false);
  lstGrant->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstGrant->setColumnWidth(kColGrantee, kGranteeColumnWidth);
  lstGrant->setColumnWidth(kColPrivilege, kPrivilegeColumnWidth);
  lstGrant->setColumnWidth(kColGrantable, kGrantableColumnWidth);
  lstGrant->setColumnHidden(kColKindName, true);
  lstGrant->setColumnHidden(kColGranteeType, true);
  popObj = new QMenu(this);
  popRevoke = popObj->addAction("権限の取消(&R)");
  popRevoke->setObjectName("popRevoke");
  connect(popRevoke, &QAction::triggered, this, [this] { RunReported([this] { popRevokeClick(); }); });
  lstGrant->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lstGrant, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popObj->popup(lstGrant->viewport()->mapToGlobal(at)); });
  auto* del = new QShortcut(QKeySequence(Qt::Key_Delete), lstGrant, nullptr, nullptr, Qt::WidgetShortcut);
  connect(del, &QShortcut::activated, this, [this] { RunReported([this] { popRevokeClick(); }); });

  auto* top = new QWidget(this);
  auto* topLayout = new QVBoxLayout(top);
  topLayout->setContentsMargins(0, 0, 0, 0);
  auto* captions = new QHBoxLayout;
  captions->addWidget(new QLabel(" ユーザー一覧", top));
  captions->addWidget(new QLabel(" 権限一覧", top));
  topLayout->addLayout(captions);
  auto* lists = new QHBoxLayout;
  lists->addWidget(lstUser);
  lists->addWidget(chkGrant);
  topLayout->addLayout(lists);
  auto* bottom = new QWidget(this);
  auto* bottomLayout = new QVBoxLayout(bottom);
  bottomLayout->setContentsMargins(0, 0, 0, 0);
  bottomLayout->addWidget(new QLabel(" 付与済みの権限", bottom));
  bottomLayout->addWidget(lstGrant);
  auto* split = new QSplitter(Qt::Vertical, this);
  split->addWidget(top);
  split->addWidget(bottom);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(tolCmd);
  layout->addWidget(split);
  actExec->setEnabled(false);
}

void TfrmGrant::FormActivate() {
  CollectObjects();
  Load();
}

void TfrmGrant::LoadWindowSize() { LoadWindowSizeFrom(kSizeKey); }
void TfrmGrant::SaveWindowSize() { SaveWindowSizeTo(kSizeKey); }

void TfrmGrant::CollectObjects() {
  if (!ConnectionWindow) return;
  Objects.clear();
  for (const TObjectItem& item : ConnectionWindow->SelectedObjects())
    Objects.push_back({GrantEntryText(item.Schema, item.Name), item.Kind});
}

void TfrmGrant::LoadGrantees() {
  lstUser->clear();
  const std::string logon = UpperCase(ConnectionWindow->Module().GetUserName());
  std::vector<std::string> users, roles;
  ConnectionWindow->GetUserList(users, true);
  ConnectionWindow->GetRoleList(roles);
  auto add = [this](const std::string& name, const char* type, int image) {
    auto* item = new QTreeWidgetItem(lstUser, {Q(name), type});
    item->setData(0, kImageRole, image);
    item->setIcon(0, imgMain().Icon(image));
  };
  for (const std::string& user : users)
    add(user, kUserType, user == logon ? kGranteeLogonImage : kGranteeUserImage);
  for (const std::string& role : roles) add(role, kRoleType, kGranteeRoleImage);
}

void TfrmGrant::PrepareQueries() {
  if (!qryGrantUser.SQL().empty() && !qryGrantRole.SQL().empty() && !qryGAll.SQL().empty()) return;
  for (TovSQLQuery* q : {&qryGrantUser, &qryGrantRole, &qryGAll}) q->SetConnection(&ConnectionWindow->Module().Connection);
  qryGrantUser.SetSQL(GrantCountSql(false));
  qryGrantRole.SetSQL(GrantCountSql(true));
  qryGAll.SetSQL(GrantAllSql());
}

namespace {

void Bind(TovSQLQuery& q, const std::vector<std::string>& values) {
  for (size_t i = 0; i < values.size() && i < q.Parameters().size(); ++i) q.Parameters()[i].Value = Q(values[i]);
}

}  // namespace

void TfrmGrant::Load() {
  PrepareQueries();
  TSqlWaitCursor wait;
  const QSignalBlocker quiet(lstGrant);
  lstGrant->clear();
  for (int i = 0; i < chkGrant->count(); ++i) {
    chkGrant->SetItemEnabledL(i, false);
    chkGrant->SetItemEnabledR(i, false);
    chkGrant->SetStateL(i, cbUnchecked);
    chkGrant->SetStateR(i, cbUnchecked);
  }
  const std::string database = ConnectionWindow->Module().GetDataSourceName();
  for (const TEntry& entry : Objects) {
    const auto [schema, name] = SplitGrantEntry(entry.Text);
    Bind(qryGAll, {database, schema, name, database, schema, name});
    qryGAll.Open();
    for (; !qryGAll.Eof(); qryGAll.Next())
      new QTreeWidgetItem(lstGrant, {Q(qryGAll.AsString(size_t{0})), Q(qryGAll.AsString(1)), Q(qryGAll.AsString(2)),
                                     Q(entry.Text), Q(ObjectKindName(entry.Kind)), Q(qryGAll.AsString(6))});
    qryGAll.Close();
    for (size_t i = 0; i < GranteePrivileges().size(); ++i)
      if (GranteePrivilegeExists(i, entry.Kind)) chkGrant->SetItemEnabledL(static_cast<int>(i), true);
  }
  for (int i = 0; i < chkGrant->count(); ++i) chkGrant->SetItemEnabledR(i, chkGrant->ItemEnabledL(i));
  lstGrant->sortItems(kColGrantee, Qt::AscendingOrder);
  lstUserClick();
}

int TfrmGrant::GranteeImage() const {
  const QList<QTreeWidgetItem*> selected = lstUser->selectedItems();
  return selected.isEmpty() ? -1 : ImageOf(*selected.front());
}

std::string TfrmGrant::GranteeName() const {
  const QList<QTreeWidgetItem*> selected = lstUser->selectedItems();
  return selected.isEmpty() ? std::string() : selected.front()->text(0).toStdString();
}

void TfrmGrant::lstUserClick() {
  actExec->setEnabled(!lstUser->selectedItems().isEmpty());
  if (lstUser->selectedItems().isEmpty()) return;
  PrepareQueries();
  TSqlWaitCursor wait;
  const size_t items = GranteePrivileges().size();
  std::vector<long long> granted(items), grantable(items);
  const bool role = GranteeImage() == kGranteeRoleImage;
  for (int i = 0; i < chkGrant->count(); ++i) chkGrant->SetItemEnabledR(i, !role && chkGrant->ItemEnabledL(i));
  TovSQLQuery& q = role ? qryGrantRole : qryGrantUser;
  const std::string database = ConnectionWindow->Module().GetDataSourceName();
  for (const TEntry& entry : Objects) {
    const auto [schema, name] = SplitGrantEntry(entry.Text);
    Bind(q, {GranteeName(), database, schema, name});
    q.Open();
    for (; !q.Eof(); q.Next())
      for (size_t i = 0; i < items; ++i) {
        const std::string g = q.AsString(GrantCountColumn(i)), o = q.AsString(GrantOptionCountColumn(i));
        if (!g.empty()) granted[i] += std::stoll(g);
        if (!o.empty()) grantable[i] += std::stoll(o);
      }
    q.Close();
  }
  for (size_t i = 0; i < items; ++i) {
    chkGrant->SetStateL(static_cast<int>(i), GranteeBoxOf(granted[i], Objects.size()));
    chkGrant->SetStateR(static_cast<int>(i), GranteeBoxOf(grantable[i], Objects.size()));
  }
  chkGrant->SaveState();
  SetChanged(false);
}

void TfrmGrant::lstUserDblClick() {
  if (lstUser->selectedItems().isEmpty()) return;
  const int kind = GranteeImage() == kGranteeRoleImage ? okRole : okUser2;
  if (EditorRegistered(kind))
    OpenObject(*ConnectionWindow, kind, "", GranteeName(), static_cast<uint8_t>(AppOption.OpenMode), 0, 0);
}

void TfrmGrant::Compile(QObject*) {
  FlushActiveControl();
  if (lstUser->selectedItems().isEmpty()) {
    MsgBox(kNoGrantee, MB_ICONWARNING);
    throw EAbort();
  }
  if (MsgBox(kAskGrant, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  const bool role = GranteeImage() == kGranteeRoleImage;
  const std::string grantee = GranteeName();
  int done = 0;
  for (const TEntry& entry : Objects) {
    if (IsEscapePressed()) break;
    if (TovMainWindow* main = MainWindow()) main->ShowProgress(++done, static_cast<int>(Objects.size()));
    for (size_t i = 0; i < GranteePrivileges().size(); ++i) {
      const int item = static_cast<int>(i);
      if (!GranteePrivilegeExists(i, entry.Kind) || !chkGrant->ItemEnabledL(item) || !chkGrant->ItemModified(item))
        continue;
      for (const TGranteeStatement& s : GranteeStatements(i, entry.Kind, entry.Text, grantee, role,
                                                          chkGrant->CheckedL(item), chkGrant->CheckedR(item))) {
        try {
          ConnectionWindow->ExecSQL(s.Sql);
        } catch (const std::exception& e) {
          if (s.IgnoreErrors) continue;
          if (!IsNotHeldError(e.what())) throw;
          break;
        }
      }
    }
  }
  Load();
  MsgBox(kGranted, MB_ICONINFORMATION);
}

void TfrmGrant::popRevokeClick() {
  const QList<QTreeWidgetItem*> selected = lstGrant->selectedItems();
  if (selected.isEmpty()) return;
  TCheckList checks{{kCascadeCheck, false}};
  if (MsgBoxWithChecks(kAskRevoke, MB_YESNO | MB_ICONQUESTION, checks) != IDYES) return;
  for (QTreeWidgetItem* item : selected) {
    const TGrantedRow row{item->text(kColGrantee).toStdString(),   item->text(kColPrivilege).toStdString(),
                          item->text(kColGrantable).toStdString(), item->text(kColObject).toStdString(),
                          item->text(kColKindName).toStdString(),  item->text(kColGranteeType).toStdString()};
    ConnectionWindow->ExecSQL(RevokeGrantedSql(row, checks.front().checked));
    delete item;
  }
  MsgBox(kRevoked, MB_ICONINFORMATION);
}

void RegisterGranteeEditor() {
  RegisterActionHandler(kObjectGrantCommand, [](const TActionRequest& request) {
    if (!request.Connection) return false;
    try {
      TfrmGrant::Open(*request.Connection);
    } catch (const EAbort&) {
    }
    return true;
  });
}
