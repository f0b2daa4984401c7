#include "admin/fuser.h"

#include <QAction>
#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

#include <cstdlib>

#include "app/core/ovconnwin.h"
#include "app/core/ovoptions.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "platform/qstr.h"
#include "ui/ovgrid.h"
#include "ui/ovstdctl.h"

namespace {

constexpr int kPaneParts = 3;  // the role pane takes one part of three
constexpr int kNameCol = 0;
constexpr int kValueCol = 1;
constexpr int kNameColWidth = 200;
constexpr int kValueColWidth = 120;
constexpr QColor kGrantableColor = QColor(255, 0, 0);

constexpr const char* kUserSql =
    " SELECT USER_CODE,PASSWORD_STATUS,IDENT FROM RDBII_SYSTEM.RDBII_USER WHERE USER_NAME = :USER_NAME WITH OPTION "
    "LOCK_MODE(NO LOCK) ";
enum : size_t { kCodeField, kStatusField, kIdentField };
constexpr const char* kParametersSql =
    " SELECT PARAMETER_NAME,PARAMETER_VALUE,SET_USER_CODE FROM RDBII_SYSTEM.RDBII_PARAMETER WHERE USER_CODE = "
    ":USER_CODE WITH OPTION LOCK_MODE(NO LOCK) ";
enum : size_t { kParameterNameField, kParameterValueField };
constexpr const char* kRolesSql = " SELECT ROLE_NAME FROM RDBII_SYSTEM.RDBII_ROLE WITH OPTION LOCK_MODE(NO LOCK) ";
constexpr const char* kOwnedRolesSql =
    " SELECT ROLE_NAME FROM RDBII_SYSTEM.RDBII_ROLE WHERE ROLE_OWNER = :ROLE_OWNER WITH OPTION LOCK_MODE(NO LOCK) ";
constexpr const char* kGrantedRolesSql =
    " SELECT LST.ROLE_NAME FROM RDBII_SYSTEM.RDBII_ROLE_GRANT GRN , RDBII_SYSTEM.RDBII_ROLE LST WHERE 0 = 0 AND "
    "GRN.ROLE_CODE = LST.ROLE_CODE AND GRN.GRANTEE = :GRANTEE WITH OPTION LOCK_MODE(NO LOCK) ";

std::vector<std::string> FirstColumn(TovConnectionWindow& connection, const std::string& sql,
                                     const std::vector<std::string>& values) {
  std::vector<std::string> texts;
  for (TovSQLQuery& q = connection.OpenSQLParams(sql, values); !q.Eof(); q.Next())
    texts.push_back(Trim(q.AsString(size_t{0})));
  return texts;
}

}  // namespace

const TEditorKind TfrmUser::kKind{kUserKind, kUserStem, false, kUserSizeKey, "DROP USER ", false};

TfrmUser::TfrmUser(TovConnectionWindow& owner) : TovObjectEditor(owner, kKind, kPlainPageModes) { setupUi(); }

void TfrmUser::setupUi() {
  auto* settings = new QWidget(tabDefine);
  auto* settingsLayout = new QVBoxLayout(settings);
  settingsLayout->setContentsMargins(0, 0, 0, 0);
  auto* auth = new QGroupBox(Q("認証方法"), settings);
  auto* authLayout = new QHBoxLayout(auth);
  rdoPassYes = new TovRadioButton(Q("DBMS管理"), auth);
  rdoPassYes->setObjectName("rdoPassYes");
  rdoExternally = new TovRadioButton(Q("OS管理"), auth);
  rdoExternally->setObjectName("rdoExternally");
  authLayout->addWidget(rdoPassYes);
  authLayout->addWidget(rdoExternally);
  rdoPassYes->setChecked(true);
  settingsLayout->addWidget(auth);

  auto* passwords = new QFormLayout;
  txtPassword1 = new TovStrEdit(settings);
  txtPassword1->setObjectName("txtPassword1");
  txtPassword2 = new TovStrEdit(settings);
  txtPassword2->setObjectName("txtPassword2");
  for (TovStrEdit* edit : {txtPassword1, txtPassword2}) {
    edit->SetCharCase(ecUpperCase);
    edit->setEchoMode(QLineEdit::Password);
    WatchChanges(edit);
  }
  passwords->addRow(Q("パスワード"), txtPassword1);
  passwords->addRow(Q("(確認入力)"), txtPassword2);
  settingsLayout->addLayout(passwords);
  chkLock = new TovCheckBox(Q("アカウントをロックする"), settings);
  chkLock->setObjectName("chkLock");
  WatchChanges(chkLock);
  settingsLayout->addWidget(chkLock);

  grdUserOpt = new TovStringGrid(settings);
  grdUserOpt->setObjectName("grdUserOpt");
  grdUserOpt->SetColCount(2);
  grdUserOpt->SetRowCount(static_cast<int>(kUserParameterNames.size()) + 1);
  grdUserOpt->SetFixedRows(1);
  grdUserOpt->SetFixedCols(0);
  grdUserOpt->Header().Assign({"オプション名", "設定値"});
  grdUserOpt->setColumnWidth(kNameCol, kNameColWidth);
  grdUserOpt->setColumnWidth(kValueCol, kValueColWidth);
  grdUserOpt->SetGridMode(geAccess);
  grdUserOpt->OnShowEditor = [](TovStringGrid&, int col, int, TovInplaceEditor& editor) {
    editor.setReadOnly(col != kValueCol);
  };
  grdUserOpt->OnBeforeSetEditText = [this](TovStringGrid& sender, int col, int row, const std::string& value) {
    if (!loading_ && (sender.Modified() || sender.Cells(col, row) != value)) MarkChanged();
  };
  settingsLayout->addWidget(grdUserOpt, 1);

  // Choosing a method, also while loading, shows what it needs.
  for (TovRadioButton* button : {rdoPassYes, rdoExternally})
    connect(button, &QAbstractButton::toggled, this, [this](bool on) {
      if (on) AuthChosen();
    });

  chkRole = new TovListBox(tabDefine);
  chkRole->setObjectName("chkRole");
  connect(chkRole, &QListWidget::itemChanged, this, [this] {
    if (!loading_) MarkChanged();
  });
  lstObj = new TovListBox(tabDefine);
  lstObj->setObjectName("lstObj");
  lstObj->setSelectionMode(QAbstractItemView::ExtendedSelection);

  pnlPanes = new QSplitter(tabDefine);
  pnlPanes->setObjectName("pnlPanes");
  pnlPanes->addWidget(settings);
  pnlPanes->addWidget(TitledPane(pnlPanes, "ロール", chkRole));
  auto* split = new QSplitter(Qt::Vertical, tabDefine);
  split->addWidget(pnlPanes);
  split->addWidget(TitledPane(split, "オブジェクト権限", lstObj));
  (new QVBoxLayout(tabDefine))->addWidget(split);

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

void TfrmUser::resizeEvent(QResizeEvent* e) {
  TovObjectEditor::resizeEvent(e);
  const int width = pnlPanes->width();
  pnlPanes->setSizes({width - width / kPaneParts, width / kPaneParts});
}

void TfrmUser::AuthChosen() {
  const bool dbms = rdoPassYes->isChecked();
  txtPassword1->setEnabled(dbms);
  txtPassword2->setEnabled(dbms);
  grdUserOpt->setVisible(dbms);
  MarkChanged();
}

void TfrmUser::PrepareLoad() {
  loading_ = true;
  chkRole->clear();
  for (const std::string& role : FirstColumn(*ConnectionWindow, kRolesSql, {})) {
    auto* item = new QListWidgetItem(Q(role), chkRole);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  for (int row = 0; row < static_cast<int>(kUserParameterNames.size()); ++row) {
    grdUserOpt->SetCells(kNameCol, row + 1, kUserParameterNames[static_cast<size_t>(row)]);
    grdUserOpt->SetCells(kValueCol, row + 1, "");
  }
  chkLock->hide();
  lstObj->clear();
  privileges_.clear();
}

bool TfrmUser::LoadObject() {
  chkLock->show();
  std::string code, status, ident;
  {
    TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kUserSql, {ObjectName()});
    if (q.Eof()) return false;
    code = Trim(q.AsString(kCodeField));
    status = q.AsString(kStatusField);
    ident = q.AsString(kIdentField);
  }
  if (std::strtoll(code.c_str(), nullptr, 10) <= 0) return false;
  chkLock->setChecked(Trim(status) == kLockedStatus);
  (Trim(ident) == kOsIdent ? rdoExternally : rdoPassYes)->setChecked(true);
  txtPassword1->setText(Q(kPasswordPlaceholder));
  txtPassword2->setText(Q(kPasswordPlaceholder));

  for (TovSQLQuery& q = ConnectionWindow->OpenSQLParams(kParametersSql, {code}); !q.Eof(); q.Next()) {
    const std::string name = Trim(q.AsString(kParameterNameField));
    for (int row = 1; row < grdUserOpt->RowCount(); ++row)
      if (grdUserOpt->Cells(kNameCol, row) == name) grdUserOpt->SetCells(kValueCol, row, Trim(q.AsString(kParameterValueField)));
  }
  const auto check = [this](const std::vector<std::string>& roles, bool owned) {
    for (const std::string& role : roles)
      for (QListWidgetItem* item : chkRole->findItems(Q(role), Qt::MatchExactly)) {
        item->setCheckState(Qt::Checked);
        if (owned) item->setFlags(item->flags() & ~(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable));
      }
  };
  check(FirstColumn(*ConnectionWindow, kOwnedRolesSql, {ObjectName()}), true);
  check(FirstColumn(*ConnectionWindow, kGrantedRolesSql, {ObjectName()}), false);
  LoadPrivileges();
  return true;
}

void TfrmUser::LoadPrivileges() {
  lstObj->clear();
  privileges_ = ReadUserPrivileges(*ConnectionWindow, ObjectName());
  for (const TUserPrivilege& p : privileges_) {
    auto* item = new QListWidgetItem(Q(UserPrivilegeText(p)), lstObj);
    if (p.Grantable) item->setForeground(kGrantableColor);
  }
}

void TfrmUser::FinishLoad() {
  rdoPassYes->SaveState();
  rdoExternally->SaveState();
  txtPassword1->SaveText();
  txtPassword2->SaveText();
  chkLock->SaveState();
  grdUserOpt->SaveData();
  RoleChecks.clear();
  for (int i = 0; i < chkRole->count(); ++i) RoleChecks.push_back(chkRole->item(i)->checkState() == Qt::Checked);
  loading_ = false;
}

TUserDefinition TfrmUser::Definition() const {
  TUserDefinition user;
  user.Name = ObjectName();
  user.Dbms = rdoPassYes->isChecked();
  user.Password = txtPassword1->text().toStdString();
  user.Locked = chkLock->isChecked();
  for (int row = 1; row < grdUserOpt->RowCount(); ++row)
    user.Parameters.push_back({grdUserOpt->Cells(kNameCol, row), grdUserOpt->Cells(kValueCol, row)});
  for (int i = 0; i < chkRole->count(); ++i) {
    const QListWidgetItem* item = chkRole->item(i);
    user.Roles.push_back({item->text().toStdString(), (item->flags() & Qt::ItemIsEnabled) != 0,
                          item->checkState() == Qt::Checked});
  }
  user.Privileges = privileges_;
  return user;
}

TUserChanges TfrmUser::Changes() const {
  return {rdoPassYes->Modified() || rdoExternally->Modified(), chkLock->Modified(),
          txtPassword1->Modified() || txtPassword2->Modified(), grdUserOpt->Modified()};
}

bool TfrmUser::NeedsDrop() const {
  return UserNeedsDrop(IsNew, ScriptMode, ActivePage() == TEditorPage::Source, grdUserOpt->Modified());
}

std::vector<std::string> TfrmUser::SourceLines() { return UserCreateLines(Definition(), AppOption.Separator); }

std::vector<std::string> TfrmUser::BuildStatements(TEditorPage page) {
  const TUserDefinition user = Definition();
  const std::string& separator = AppOption.Separator;
  if (page == TEditorPage::Source) {
    std::vector<std::string> list = IsNew ? std::vector<std::string>{} : UserDropLines(user.Name, separator);
    const std::vector<std::string> source = EditedSource();
    list.insert(list.end(), source.begin(), source.end());
    return list;
  }
  if (!NeedsDrop()) return UserAlterLines(user, RoleChecks, Changes(), separator);
  return IsNew ? UserCreateLines(user, separator) : UserRecreateLines(user, separator);
}

bool TfrmUser::Refuse(const char* message, QWidget* focus) {
  MsgBox(message, MB_ICONWARNING);
  focus->setFocus();
  return false;
}

bool TfrmUser::CheckDefinition() {
  if (ActivePage() == TEditorPage::Source) {
    if (!SourceLacksPassword(EditedSource())) return true;
    MsgBox(kSourcePasswordMissing, MB_ICONWARNING);
    SetIsNew(false);
    LoadActivePage();
    return false;
  }
  const TUserDefinition user = Definition();
  TUserCheckInput in;
  in.Name = user.Name;
  in.Dbms = user.Dbms;
  in.IsNew = IsNew;
  in.Password = user.Password;
  in.Confirmation = txtPassword2->text().toStdString();
  in.PasswordChanged = txtPassword1->Modified();
  in.ConfirmationChanged = txtPassword2->Modified();
  in.PasswordSent = UserPasswordSent(user, Changes(), NeedsDrop());
  switch (CheckUserDefinition(in)) {
    case TUserCheck::NameMissing:
      return Refuse(kNameMissing, txtName);
    case TUserCheck::PasswordMissing:
      return Refuse(kPasswordMissing, txtPassword1);
    case TUserCheck::ConfirmationMissing:
      return Refuse(kPasswordMissing, txtPassword2);
    case TUserCheck::PasswordMismatch:
      return Refuse(kPasswordMismatch, txtPassword2);
    case TUserCheck::Ok:
      break;
  }
  return true;
}

void TfrmUser::RunDelete(bool) {
  ConnectionWindow->ExecSQL(kUserControl);
  ConnectionWindow->ExecSQL("DROP USER " + QuoteIdent(ObjectName()));
}

void TfrmUser::popRevokeClick() {
  const std::vector<TUserPrivilege> privileges = privileges_;
  RevokeSelected(
      *lstObj, *ConnectionWindow, [&](size_t i) { return RevokeUserPrivilege(privileges[i], ObjectName()); },
      [this] { LoadPrivileges(); });
}

void RegisterUserEditor() {
  for (int kind : {okUser, okUser2})
    RegisterObjectEditor(kind, &TovObjectEditor::CreateEditor<TfrmUser>, &TovObjectEditor::CreateScript<TfrmUser>);
}
