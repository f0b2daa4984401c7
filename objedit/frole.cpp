#include "objedit/frole.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/core/ovconnwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "ui/ovstdctl.h"

namespace {

constexpr int kPaneParts = 3;  // the member pane takes one part of three

constexpr const char* kUsersSql =
    "SELECT USER_NAME FROM RDBII_SYSTEM.RDBII_USER ORDER BY USER_NAME  WITH OPTION LOCK_MODE(NO LOCK) ";
constexpr const char* kMembersSql =
    " SELECT GRANTOR, GRANTEE FROM RDBII_SYSTEM.RDBII_ROLE_GRANT GRN, RDBII_SYSTEM.RDBII_ROLE ROL WHERE 0 = 0 AND "
    "ROL.ROLE_CODE = GRN.ROLE_CODE AND ROL.ROLE_NAME = :ROLE_NAME WITH OPTION LOCK_MODE(NO LOCK) ";
enum : size_t { kGrantorField, kGranteeField };
const std::string kPrivilegesSql =
    std::string("SELECT ROL.ROLE_NAME, PRV.GRANTOR, PRV.DB_CODE, PRV.SCHEMA_CODE, MTBL.KEY_SC_NAME, PRV.OBJECT_TYPE, "
                "PRV.OBJECT_CODE, MTBL.OBJ_TYPEID, MTBL.OBJ_DIV, MTBL.OBJ_NAME, PRV.PRIVILEGE_TYPE FROM "
                "RDBII_SYSTEM.RDBII_ROLE_PRIV PRV, RDBII_SYSTEM.RDBII_ROLE ROL, (") +
    kNamedObjectsUnion +
    ") MTBL WHERE PRV.ROLE_CODE = ROL.ROLE_CODE AND PRV.DB_CODE = MTBL.KEY_DB_CODE AND PRV.SCHEMA_CODE = "
    "MTBL.KEY_SC_CODE AND PRV.OBJECT_CODE = MTBL.OBJ_CODE AND ROL.ROLE_NAME = :ROLE_NAME ORDER BY MTBL.OBJ_TYPEID "
    "WITH OPTION LOCK_MODE(NO LOCK)";
enum : size_t { kSchemaNameField = 4, kObjectTypeField = 5, kDivisionField = 8, kObjectNameField = 9,
                kPrivilegeField = 10 };

}  // namespace

const TEditorKind TfrmRole::kKind{kRoleKind, kRoleStem, false, kRoleSizeKey, "DROP ROLE ", false};

TfrmRole::TfrmRole(TovConnectionWindow& owner) : TovObjectEditor(owner, kKind, kPlainPageModes) {
  setupUi();
  DBCode = owner.GetDBCode(owner.Module().GetDataSourceName());
}

void TfrmRole::setupUi() {
  pnlPanes = new QSplitter(tabDefine);
  pnlPanes->setObjectName("pnlPanes");
  chkUser = new TovListBox(pnlPanes);
  chkUser->setObjectName("chkUser");
  lstObj = new TovListBox(pnlPanes);
  lstObj->setObjectName("lstObj");
  lstObj->setSelectionMode(QAbstractItemView::ExtendedSelection);
  pnlPanes->addWidget(TitledPane(pnlPanes, "ユーザー", chkUser));
  pnlPanes->addWidget(TitledPane(pnlPanes, "オブジェクト権限", lstObj));
  (new QVBoxLayout(tabDefine))->addWidget(pnlPanes);
  connect(chkUser, &QListWidget::itemChanged, this, [this] {
    if (!loading_) MarkChanged();
  });

  popObj = new QMenu(this);
  popObj->setObjectName("popObj");
  popRevoke = popObj->addAction(Q("取消(&R)"));
  popRevoke->setObjectName("popRevoke");
  connect(popRevoke, &QAction::triggered, this, [this] { RunReported([this] { popRevokeClick(); }); });
  lstObj->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lstObj, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { popObj->popup(lstObj->viewport()->mapToGlobal(at)); });
  OnDeleteKey(*lstObj, [this] { popRevokeClick(); });
}

void TfrmRole::resizeEvent(QResizeEvent* e) {
  TovObjectEditor::resizeEvent(e);
  const int width = pnlPanes->width();
  pnlPanes->setSizes({width / kPaneParts, width - width / kPaneParts});
}

std::vector<TRoleMember> TfrmRole::Members() const {
  std::vector<TRoleMember> members;
  for (int i = 0; i < chkUser->count(); ++i) {
    const QListWidgetItem* item = chkUser->item(i);
    members.push_back({item->text().toStdString(), (item->flags() & Qt::ItemIsEnabled) != 0,
                       item->checkState() == Qt::Checked});
  }
  return members;
}

void TfrmRole::LockMember(const std::string& name) {
  const QList<QListWidgetItem*> found = chkUser->findItems(Q(name), Qt::MatchExactly);
  if (found.isEmpty()) return;
  found.front()->setCheckState(Qt::Checked);
  found.front()->setFlags(found.front()->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable));
}

void TfrmRole::PrepareLoad() {
  loading_ = true;
  LoadMembers();
}

void TfrmRole::LoadMembers() {
  chkUser->clear();
  std::vector<std::string> users;
  for (TovSQLQuery& q = ConnectionWindow->OpenSQL(kUsersSql); !q.Eof(); q.Next())
    users.push_back(Trim(q.AsString(size_t{0})));
  users.push_back(kPublicMember);
  for (const std::string& user : users) {
    auto* item = new QListWidgetItem(Q(user), chkUser);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  // A new role: the login user holds it.
  if (IsNew) LockMember(UpperCase(ConnectionWindow->Module().GetUserName()));
}

bool TfrmRole::LoadObject() {
  std::vector<std::pair<std::string, std::string>> grants;
  for (TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kMembersSql, {ObjectName()}); !q.Eof(); q.Next())
    grants.emplace_back(Trim(q.AsString(kGrantorField)), Trim(q.AsString(kGranteeField)));
  if (grants.empty()) {
    LockMember(UpperCase(ConnectionWindow->Module().GetUserName()));
  } else {
    LockMember(grants.front().first);
    for (const auto& grant : grants) {
      const QList<QListWidgetItem*> found = chkUser->findItems(Q(grant.second), Qt::MatchExactly);
      if (!found.isEmpty()) found.front()->setCheckState(Qt::Checked);
    }
  }
  LoadPrivileges();
  return true;
}

void TfrmRole::LoadPrivileges() {
  lstObj->clear();
  privileges_.clear();
  for (TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kPrivilegesSql, {ObjectName()}); !q.Eof(); q.Next()) {
    privileges_.push_back({Trim(q.AsString(kPrivilegeField)),
                           RoleKindWord(q.AsString(kObjectTypeField), q.AsString(kDivisionField)),
                           Trim(q.AsString(kSchemaNameField)), Trim(q.AsString(kObjectNameField))});
    lstObj->addItem(Q(RolePrivilegeText(privileges_.back())));
  }
}

void TfrmRole::FinishLoad() {
  MemberChecks.clear();
  for (const TRoleMember& m : Members()) MemberChecks.push_back(m.Checked);
  loading_ = false;
}

void TfrmRole::BuildCreateDDL(std::vector<std::string>& list) {
  const std::vector<std::string> lines = RoleCreateLines(ObjectName(), privileges_, Members(), AppOption.Separator);
  list.insert(list.end(), lines.begin(), lines.end());
}

std::vector<std::string> TfrmRole::SourceLines() {
  std::vector<std::string> lines;
  BuildCreateDDL(lines);
  return lines;
}

std::vector<std::string> TfrmRole::BuildStatements(TEditorPage page) {
  if (page == TEditorPage::Source) return EditedSource();
  if (!IsNew) return RoleMemberChanges(ObjectName(), Members(), MemberChecks, AppOption.Separator);
  std::vector<std::string> list;
  BuildCreateDDL(list);
  return list;
}

void TfrmRole::popRevokeClick() {
  const std::vector<TRolePrivilege> privileges = privileges_;
  RevokeSelected(
      *lstObj, *ConnectionWindow, [&](size_t i) { return RevokeRolePrivilege(privileges[i], ObjectName()); },
      [this] { LoadPrivileges(); });
}

void RegisterRoleEditor() {
  RegisterObjectEditor(kRoleKind, &TovObjectEditor::CreateEditor<TfrmRole>,
                       &TovObjectEditor::CreateScript<TfrmRole>);
}
