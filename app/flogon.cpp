#include "app/flogon.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/dsymfoware.h"
#include "app/core/flogoncore.h"
#include "app/core/fmaincore.h"
#include "app/fconnection.h"
#include "app/ovforms.h"
#include "app/ovhhelp.h"
#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "platform/odbcenv.h"
#include "platform/qstr.h"

namespace {

const std::string kWindowKey = GuiKey("LOGON");
const char kSymfowareDriver[] = "Symfoware";
constexpr int kHelpContext = 200;
constexpr int kDefaultWidth = 344;
constexpr int kDefaultHeight = 327;
constexpr int kMaxFieldLength = 255;
constexpr int kDropDownRows = 20;
constexpr int kUserColumnWidth = 120;
const char kFieldFont[] = "ＭＳ ゴシック";

TLogonReceiver& Receiver() {
  static TLogonReceiver receiver;
  return receiver;
}

std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }
std::string Text(const QComboBox* combo) { return combo->currentText().toStdString(); }

std::string ItemText(const QTreeWidgetItem* item, int column) { return item->text(column).toStdString(); }
std::string ItemData(const QTreeWidgetItem* item, int role) {
  return item->data(kColUser, role).toString().toStdString();
}

// Shows a password as "*" characters.
class PasswordStyle : public QProxyStyle {
 public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_LineEdit_PasswordCharacter) return '*';
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

// The application's standard exception box.
void ShowException(const std::exception& e) { MsgBox(e.what(), MB_OK | MB_ICONERROR); }

}  // namespace

// ---- saved logons ----

// ---- connection ----

void SetLogonReceiver(TLogonReceiver receiver) { Receiver() = std::move(receiver); }

std::unique_ptr<TdmSymfoware> ConnectDataModule(const std::string& password, const std::string& user,
                                                const std::string& dataSource) {
  auto module = std::make_unique<TdmSymfoware>();
  TovSQLConnection& c = module->Connection;
  c.UserName = user;
  c.Password = password;
  c.DataSource = UpperCase(dataSource);
  c.Connect();
  // The user name keeps its typed case: the connection window settles it
  // against the catalogue, so a user known only in lower case keeps it.
  c.DefaultDatabase = UpperCase(c.DataSource);
  return module;
}

void LogonAtStart(const TLogonRequest& request, QWidget* owner) {
  if (!request.User.empty())
    TfrmLogon::LogonDatabase(request.DataSource, request.User, request.Password, true, owner);
  else
    TfrmLogon::LogonDatabase("", "", "", false, owner);
}

// ---- the dialog ----

TfrmLogon::TfrmLogon(QWidget* owner) : QDialog(owner) { setupUi(); }

void TfrmLogon::setupUi() {
  setObjectName(QStringLiteral("frmLogon"));
  setWindowTitle(QStringLiteral("ログオン"));
  setProperty(kHelpContextProperty, kHelpContext);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  resize(kDefaultWidth, kDefaultHeight);
  QFont fieldFont(QString::fromUtf8(kFieldFont));

  lblUserID = new QLabel(QStringLiteral("接続先リスト"), this);
  lstUserID = new TovListView(this);
  lstUserID->setObjectName(QStringLiteral("lstUserID"));
  lstUserID->setHeaderLabels({QStringLiteral("ユーザーID"), QStringLiteral("データベース")});
  lstUserID->setColumnWidth(kColUser, kUserColumnWidth);
  lstUserID->header()->setStretchLastSection(true);
  lstUserID->setRootIsDecorated(false);
  lstUserID->setSelectionMode(QAbstractItemView::SingleSelection);
  lstUserID->setSelectionBehavior(QAbstractItemView::SelectRows);
  lstUserID->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lstUserID->installEventFilter(this);

  auto field = [&](auto* edit, const char* name) {
    edit->setObjectName(QString::fromLatin1(name));
    edit->setMaxLength(kMaxFieldLength);
    edit->setFont(fieldFont);
    return edit;
  };
  txtUserID = field(new TovStrEdit(this), "txtUserID");
  txtPassword = field(new TovStrEdit(this), "txtPassword");
  txtPassword->setEchoMode(QLineEdit::Password);
  auto* passwordStyle = new PasswordStyle;
  passwordStyle->setParent(txtPassword);
  txtPassword->setStyle(passwordStyle);
  cmbDatabase = new TovComboBox(this);
  cmbDatabase->SetCharCase(ecUpperCase);
  cmbDatabase->setObjectName(QStringLiteral("cmbDatabase"));
  cmbDatabase->setEditable(true);
  cmbDatabase->setInsertPolicy(QComboBox::NoInsert);
  cmbDatabase->setMaxVisibleItems(kDropDownRows);
  field(cmbDatabase->lineEdit(), "cmbDatabaseEdit");
  chkSave = new QCheckBox(QStringLiteral("接続先リストに登録する"), this);
  chkSave->setObjectName(QStringLiteral("chkSave"));

  auto action = [&](const char* name, const char* caption, void (TfrmLogon::*handler)()) {
    auto* a = new QAction(QString::fromUtf8(caption), this);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  actOk = action("actOk", "接続", &TfrmLogon::actOkExecute);
  actCancel = action("actCancel", "キャンセル", &TfrmLogon::actCancelExecute);
  actUp = action("actUp", "上へ移動", &TfrmLogon::actUpExecute);
  actDown = action("actDown", "下へ移動", &TfrmLogon::actDownExecute);
  actDel = action("actDel", "削除", &TfrmLogon::actDelExecute);
  actImport = action("actImport", "接続先リストの取込", &TfrmLogon::actImportExecute);

  auto button = [&](QAction* a) {
    auto* b = new QPushButton(a->text(), this);
    connect(b, &QPushButton::clicked, a, &QAction::trigger);
    connect(a, &QAction::changed, b, [a, b] { b->setEnabled(a->isEnabled()); });
    return b;
  };
  btnOk = button(actOk);
  btnOk->setObjectName(QStringLiteral("btnOk"));
  btnOk->setDefault(true);
  btnCancel = button(actCancel);
  btnCancel->setObjectName(QStringLiteral("btnCancel"));
  auto toolButton = [&](QAction* a, const char* name) {
    auto* b = new QToolButton(this);
    b->setObjectName(QString::fromLatin1(name));
    b->setDefaultAction(a);
    return b;
  };
  btnUp = toolButton(actUp, "btnUp");
  btnDown = toolButton(actDown, "btnDown");
  btnDel = toolButton(actDel, "btnDel");
  btnImport = toolButton(actImport, "btnImport");

  // The tool bars stay beside the list, the import bar on top.
  auto* tools = new QVBoxLayout;
  tools->addWidget(btnImport);
  tools->addStretch();
  tools->addWidget(btnUp);
  tools->addWidget(btnDown);
  tools->addWidget(btnDel);
  auto* listRow = new QHBoxLayout;
  listRow->addWidget(lstUserID);
  listRow->addLayout(tools);
  auto* fields = new QGridLayout;
  fields->addWidget(new QLabel(QStringLiteral("ユーザーＩＤ"), this), 0, 0);
  fields->addWidget(txtUserID, 0, 1);
  fields->addWidget(new QLabel(QStringLiteral("パスワード"), this), 1, 0);
  fields->addWidget(txtPassword, 1, 1);
  fields->addWidget(new QLabel(QStringLiteral("データソース"), this), 2, 0);
  fields->addWidget(cmbDatabase, 2, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(chkSave);
  buttons->addStretch();
  buttons->addWidget(btnOk);
  buttons->addWidget(btnCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblUserID);
  layout->addLayout(listRow);
  layout->addLayout(fields);
  layout->addLayout(buttons);

  connect(lstUserID, &QTreeWidget::itemSelectionChanged, this, &TfrmLogon::lstUserIDSelectItem);
  connect(lstUserID, &QTreeWidget::itemDoubleClicked, this, &TfrmLogon::actOkExecute);
  connect(txtUserID, &QLineEdit::textChanged, this, &TfrmLogon::UpdateActions);
  connect(txtPassword, &QLineEdit::textChanged, this, &TfrmLogon::UpdateActions);
  UpdateActions();
}

void TfrmLogon::UpdateActions() {
  QTreeWidgetItem* selected = lstUserID->currentItem();
  bool hasSelection = selected && selected->isSelected();
  int index = hasSelection ? lstUserID->indexOfTopLevelItem(selected) : -1;
  actOk->setEnabled(!txtUserID->text().isEmpty() && !txtPassword->text().isEmpty());
  actUp->setEnabled(hasSelection && index > 0);
  actDown->setEnabled(hasSelection && index < lstUserID->topLevelItemCount() - 1);
  actDel->setEnabled(hasSelection);
  actImport->setEnabled(true);
}

bool TfrmLogon::LogonDatabase(const std::string& DataSource, const std::string& User,
                              const std::string& Password, bool Auto, QWidget* owner) {
  std::string dataSource = DataSource, user = User, password = Password;
  bool automatic = Auto;
  for (;;) {
    TfrmLogon dialog(owner);
    if (!user.empty()) {
      dialog.txtUserID->setText(Q(Trim(user)));
      dialog.cmbDatabase->setEditText(Q(UpperCase(Trim(dataSource))));
      dialog.txtPassword->setText(Q(Trim(password)));
    } else {
      platform::KeyScope key(AppRegistry);
      if (AppRegistry.OpenKeyReadOnly(kDatabaseKey)) {
        dialog.txtUserID->setText(Q(AppRegistry.ReadStringDef("UserID", "")));
        dialog.cmbDatabase->setEditText(Q(UpperCase(AppRegistry.ReadStringDef("Database", ""))));
      }
    }
    dialog.LoadLogonList();
    dialog.LoadWindowSize();
    dialog.cmbDatabase->SetAutoComplete(true);
    dialog.cmbDatabase->lineEdit()->deselect();
    dialog.btnImport->hide();

    if (!automatic && dialog.exec() != QDialog::Accepted) return false;
    try {
      dialog.SaveWindowSize();
      std::unique_ptr<TdmSymfoware> module =
          ConnectDataModule(Text(dialog.txtPassword), Text(dialog.txtUserID), Text(dialog.cmbDatabase));
      if (Receiver()) Receiver()(std::move(module));
      dialog.SaveLogonList(true);
      return true;
    } catch (const std::exception& e) {
      ShowException(e);
      dataSource = Text(dialog.cmbDatabase);
      user = Text(dialog.txtUserID);
      password = Text(dialog.txtPassword);
      automatic = false;
    }
  }
}

void TfrmLogon::GetDataSource(std::vector<std::string>& Strings) {
  // A failing enumeration leaves the list incomplete, without a message.
  try {
    for (const platform::OdbcDataSource& source : platform::ListOdbcDataSources())
      if (source.description.find(kSymfowareDriver) != std::string::npos) Strings.push_back(source.name);
  } catch (const std::exception&) {
  }
}

void TfrmLogon::LoadLogonList() {
  QString typed = cmbDatabase->currentText();
  std::vector<std::string> sources;
  GetDataSource(sources);
  cmbDatabase->blockSignals(true);
  cmbDatabase->clear();
  for (const std::string& s : sources) cmbDatabase->addItem(Q(s));
  cmbDatabase->setEditText(typed);
  cmbDatabase->blockSignals(false);

  std::vector<std::string> order;
  {
    platform::KeyScope key(AppRegistry);
    if (AppRegistry.OpenKeyReadOnly(kDatabaseKey)) {
      std::vector<std::string> keys = AppRegistry.GetKeyNames();
      std::vector<std::string> sort =
          AppRegistry.ValueExists("Sort") ? SplitSortList(AppRegistry.ReadStringDef("Sort", "")) : keys;
      order = SavedLogonOrder(sort, keys);
    }
  }

  lstUserID->clear();
  for (const std::string& name : order) {
    std::string user, database, password;
    {
      platform::KeyScope key(AppRegistry);
      if (!AppRegistry.OpenKeyReadOnly(kDatabaseKey + "\\" + name)) continue;
      user = AppRegistry.ReadStringDef("UserID", "");
      database = AppRegistry.ReadStringDef("DataBase", "");
      password = UnscramblePassword(AppRegistry.ReadStringDef("Password", ""));
    }
    AddLogonItem(lstUserID, user, database, password, name);
    if (SameName(user, Text(txtUserID)) && SameName(database, Text(cmbDatabase)))
      txtPassword->setText(Q(password));
  }
  UpdateActions();
}

void TfrmLogon::SaveLogonList(bool WriteLast) {
  std::vector<std::string> keys;
  for (int i = 0; i < lstUserID->topLevelItemCount(); ++i)
    keys.push_back(ItemData(lstUserID->topLevelItem(i), kRoleKey));
  std::vector<std::string> existing;
  {
    platform::KeyScope key(AppRegistry);
    AppRegistry.OpenKey(kDatabaseKey, true);
    if (WriteLast) {
      AppRegistry.WriteString("UserID", Text(txtUserID));
      AppRegistry.WriteString("Database", Text(cmbDatabase));
    }
    AppRegistry.WriteString("Sort", JoinSortList(keys));
    existing = AppRegistry.GetKeyNames();
  }
  if (!chkSave->isChecked()) return;

  for (int i = 0; i < lstUserID->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = lstUserID->topLevelItem(i);
    if (ItemText(item, kColUser) == Text(txtUserID) &&
        SameName(ItemText(item, kColDatabase), Text(cmbDatabase))) {
      platform::KeyScope key(AppRegistry);
      AppRegistry.OpenKey(kDatabaseKey + "\\" + ItemData(item, kRoleKey), true);
      AppRegistry.WriteString("Password", ScramblePassword(Text(txtPassword)));
      return;
    }
  }
  if (!WriteLast) return;
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(kDatabaseKey + "\\" + FreeLogonKey(existing), true);
  AppRegistry.WriteString("UserID", Text(txtUserID));
  AppRegistry.WriteString("Database", Text(cmbDatabase));
  AppRegistry.WriteString("Password", ScramblePassword(Text(txtPassword)));
}

void TfrmLogon::LoadWindowSize() {
  TWindowSize size{kDefaultWidth, kDefaultHeight};
  {
    platform::KeyScope key(AppRegistry);
    if (AppRegistry.OpenKeyReadOnly(kWindowKey)) size = ReadWindowSize(AppRegistry, size, LeastSizeOf(*this));
  }
  resize(size.Width, size.Height);
}

void TfrmLogon::SaveWindowSize() {
  platform::KeyScope key(AppRegistry);
  AppRegistry.OpenKey(kWindowKey, true);
  WriteWindowSize(AppRegistry, {width(), height()});
}

void TfrmLogon::actOkExecute() {
  txtUserID->setText(Q(Trim(Text(txtUserID))));
  txtPassword->setText(Q(Trim(Text(txtPassword))));
  cmbDatabase->setEditText(Q(Trim(Text(cmbDatabase))));
  if (txtUserID->text().isEmpty()) {
    MsgBoxFmt("%sを入力して下さい。", {"ユーザー名"}, MB_ICONWARNING);
    return;
  }
  if (cmbDatabase->currentText().isEmpty()) {
    MsgBoxFmt("%sを入力して下さい。", {"データベース"}, MB_ICONWARNING);
    return;
  }
  accept();
}

void TfrmLogon::actCancelExecute() { reject(); }

void TfrmLogon::lstUserIDSelectItem() {
  QTreeWidgetItem* item = lstUserID->currentItem();
  if (item && item->isSelected()) {
    txtUserID->setText(item->text(kColUser));
    cmbDatabase->setEditText(item->text(kColDatabase));
    txtPassword->setText(item->data(kColUser, kRolePassword).toString());
  }
  UpdateActions();
}

void TfrmLogon::MoveSelected(int step) {
  QTreeWidgetItem* item = lstUserID->currentItem();
  if (!item || !item->isSelected()) return;
  int index = lstUserID->indexOfTopLevelItem(item);
  int target = index + step;
  if (target < 0 || target >= lstUserID->topLevelItemCount()) return;
  lstUserID->blockSignals(true);
  lstUserID->takeTopLevelItem(index);
  lstUserID->insertTopLevelItem(target, item);
  lstUserID->blockSignals(false);
  lstUserID->setFocus();
  lstUserID->setCurrentItem(item);
  item->setSelected(true);
  UpdateActions();
}

void TfrmLogon::actUpExecute() { MoveSelected(-1); }

void TfrmLogon::actDownExecute() { MoveSelected(1); }

void TfrmLogon::actDelExecute() {
  QTreeWidgetItem* item = lstUserID->currentItem();
  if (!item || !item->isSelected()) return;
  AppRegistry.DeleteKey(kDatabaseKey + "\\" + ItemData(item, kRoleKey));
  delete item;
  UpdateActions();
}

void TfrmLogon::actImportExecute() {
  // Saved with "save" on for the moment, so that a password typed for a
  // listed entry is kept.
  bool save = chkSave->isChecked();
  chkSave->setChecked(true);
  SaveLogonList(false);
  chkSave->setChecked(save);
  LoadLogonList();
  if (TfrmConnection::ShowConnection(lstUserID, this)) LoadLogonList();
}

// The owner's window may still be placed by the window system after the
// dialog shows (at start the logon comes at once): the dialog follows it.
void TfrmLogon::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnOwner();
  if (parentWidget()) parentWidget()->window()->installEventFilter(this);
}

void TfrmLogon::CentreOnOwner() {
  if (!parentWidget()) return;
  const QWidget* owner = parentWidget()->window();
  move(owner->frameGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

bool TfrmLogon::eventFilter(QObject* watched, QEvent* event) {
  if (parentWidget() && watched == parentWidget()->window() &&
      (event->type() == QEvent::Move || event->type() == QEvent::Resize) && isVisible())
    CentreOnOwner();
  if (watched == lstUserID && event->type() == QEvent::KeyPress) {
    int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      actOkExecute();
      return true;
    }
    if (key == Qt::Key_Delete) {
      actDelExecute();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
