#include "sqlwork/ftablelist.h"

#include <QCursor>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

#include "app/core/ovconnwin.h"
#include "app/core/ovkinds.h"
#include "app/core/ovmsg.h"
#include "app/core/ovreg.h"
#include "app/core/ovrunner.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "platform/qstr.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"

namespace {

constexpr char kCaptionPrefix[] = "表の選択 - ";
constexpr char kSizeKey[] = "TABLELIST";
constexpr int kWindowImage = 12;
constexpr int kOkImage = 28;
constexpr int kExitImage = 42;
constexpr int kDropDownRows = 20;
constexpr int kListMinWidth = 30;
constexpr int kItemHeight = 16;
constexpr char kTableTypes[] = ",'BS','TD','TP'";
constexpr char kViewTypes[] = ",'VW'";
constexpr char kViewType[] = "VW";
constexpr char kListSQL[] =
    "SELECT TRIM(TABLE_NAME), TABLE_TYPE FROM RDBII_SYSTEM.RDBII_TABLE WHERE TABLE_TYPE IN (";
constexpr char kListSQLTail[] = ") AND DB_NAME = :DB_NAME AND SCHEMA_NAME = :OWNER";
// Window states as stored.
constexpr int kStateNormal = 0;
constexpr int kStateMinimized = 1;
constexpr int kStateMaximized = 2;

QToolButton* TextButton(QWidget* parent, const char* caption, const char* hint, int image) {
  auto* button = new QToolButton(parent);
  button->setText(QString::fromUtf8(caption));
  button->setToolTip(QString::fromUtf8(hint));
  button->setIcon(imgMain().Icon(image));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  return button;
}

QToolButton* KindButton(QWidget* parent, const char* hint, int image) {
  auto* button = new QToolButton(parent);
  button->setToolTip(QString::fromUtf8(hint));
  button->setIcon(imgMain().Icon(image));
  button->setCheckable(true);
  button->setChecked(true);
  return button;
}

}  // namespace

TfrmTableList::TfrmTableList(QWidget* owner, TovConnectionWindow& connection)
    : QDialog(owner), qryTable(&connection.Module().Connection) {
  setObjectName("frmTableList");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowMinMaxButtonsHint);
  dbName_ = UpperCase(connection.Module().GetDataSourceName());
  setWindowTitle(Q(kCaptionPrefix + connection.Module().GetUserName() + " @ " + dbName_));
  setWindowIcon(imgMain().Icon(kWindowImage));

  auto* root = new QVBoxLayout(this);
  auto* tools = new QHBoxLayout;
  btnOk = TextButton(this, "選択(&O)", "選択", kOkImage);
  btnExit = TextButton(this, "終了(&X)", "終了", kExitImage);
  btnTable = KindButton(this, "テーブル表示", ObjectKindFromName("TABLE"));
  btnView = KindButton(this, "ビュー表示", ObjectKindFromName("VIEW"));
  for (QToolButton* button : {btnOk, btnExit, btnTable, btnView}) tools->addWidget(button);
  tools->addStretch();
  root->addLayout(tools);
  auto* filter = new QHBoxLayout;
  cmbOwner = new TovComboBox(this);
  cmbOwner->setEditable(false);
  cmbOwner->setMaxVisibleItems(kDropDownRows);
  txtFindTable = new TovStrEdit(this);
  txtFindTable->SetCharCase(ecUpperCase);
  filter->addWidget(new QLabel("所有者", this));
  filter->addWidget(cmbOwner, 1);
  filter->addWidget(new QLabel("検　索", this));
  filter->addWidget(txtFindTable, 1);
  root->addLayout(filter);
  lstTable = new TovListBox(this);
  lstTable->setSortingEnabled(true);
  lstTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lstTable->setMinimumWidth(kListMinWidth);
  root->addWidget(lstTable, 1);

  connect(btnOk, &QToolButton::clicked, this, &QDialog::accept);
  connect(btnExit, &QToolButton::clicked, this, &QDialog::reject);
  connect(lstTable, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(btnTable, &QToolButton::clicked, this, [this] { chkButtonClick(btnTable); });
  connect(btnView, &QToolButton::clicked, this, [this] { chkButtonClick(btnView); });
  connect(cmbOwner, &QComboBox::activated, this, [this] { chkButtonClick(nullptr); });
  txtFindTable->installEventFilter(this);
}

TfrmTableList::~TfrmTableList() { SaveWindowSize(); }

bool TfrmTableList::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtFindTable && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      RunReported([this] { RefreshList(); });
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TfrmTableList::event(QEvent* event) {
  if (event->type() == static_cast<QEvent::Type>(kMsgReload)) {
    RunReported([this] { RefreshList(); });
    return true;
  }
  return QDialog::event(event);
}

void TfrmTableList::RefreshList() {
  TSqlWaitCursor wait;
  lstTable->setUpdatesEnabled(false);
  struct TAfter {
    TfrmTableList& list;
    ~TAfter() {
      list.qryTable.Close();
      list.lstTable->setUpdatesEnabled(true);
    }
  } after{*this};
  lstTable->clear();
  std::string types;
  if (btnTable->isChecked()) types += kTableTypes;
  if (btnView->isChecked()) types += kViewTypes;
  types.erase(0, 1);
  qryTable.Close();
  qryTable.SetSQL(kListSQL + types + kListSQLTail);
  std::vector<TovParameter>& parameters = qryTable.Parameters();
  for (TovParameter& parameter : parameters)
    parameter.Value = Q(parameter.Name == "OWNER" ? cmbOwner->currentText().toStdString() : dbName_);
  qryTable.Open();
  const std::string find = txtFindTable->text().toStdString();
  for (; !qryTable.Eof(); qryTable.Next()) {
    const std::string name = qryTable.AsString(size_t{0});
    if (!TrimBlanks(find).empty() && name.find(find) == std::string::npos) continue;
    const int kind = UpperCase(qryTable.AsString(size_t{1})) == kViewType ? ObjectKindFromName("VIEW")
                                                                        : ObjectKindFromName("TABLE");
    auto* item = new QListWidgetItem(imgMain().Icon(kind), Q(name), lstTable);
    item->setData(Qt::UserRole, kind);
    item->setSizeHint({0, kItemHeight});
  }
}

void TfrmTableList::chkButtonClick(QToolButton* sender) {
  if (sender && !btnTable->isChecked() && !btnView->isChecked()) sender->setChecked(true);
  RunReported([this] { RefreshList(); });
}

std::vector<std::string> TfrmTableList::ChosenNames() const {
  std::vector<std::string> names;
  const std::string owner = cmbOwner->currentText().toStdString();
  for (int i = 0; i < lstTable->count(); ++i) {
    if (!lstTable->item(i)->isSelected()) continue;
    const std::string name = lstTable->item(i)->text().toStdString();
    names.push_back(owner.empty() ? name : owner + "." + name);
  }
  return names;
}

void TfrmTableList::LoadWindowSize() {
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kSizeKey), true)) return;
  int state = AppRegistry.ReadIntegerDef("WindowState", kStateNormal);
  if (state == kStateMinimized) state = kStateNormal;
  if (state == kStateMaximized) {
    setWindowState(Qt::WindowMaximized);
    return;
  }
  const int caption = style()->pixelMetric(QStyle::PM_TitleBarHeight);
  move(QCursor::pos() - QPoint(caption, caption));
  resize(AppRegistry.ReadIntegerDef("Width", width()), AppRegistry.ReadIntegerDef("Height", height()));
  btnTable->setChecked(AppRegistry.ReadBoolDef("ShowTable", btnTable->isChecked()));
  btnView->setChecked(AppRegistry.ReadBoolDef("ShowView", btnView->isChecked()));
}

void TfrmTableList::SaveWindowSize() {
  platform::KeyScope key(AppRegistry);
  if (!AppRegistry.OpenKey(GuiKey(kSizeKey), true)) return;
  const int state = isMaximized() ? kStateMaximized : isMinimized() ? kStateMinimized : kStateNormal;
  AppRegistry.WriteInteger("WindowState", state);
  if (state != kStateNormal) return;
  AppRegistry.WriteInteger("Left", x());
  AppRegistry.WriteInteger("Top", y());
  AppRegistry.WriteInteger("Width", width());
  AppRegistry.WriteInteger("Height", height());
  AppRegistry.WriteInteger("TableWidth", lstTable->width());
  AppRegistry.WriteBool("ShowTable", btnTable->isChecked());
  AppRegistry.WriteBool("ShowView", btnView->isChecked());
}

std::vector<std::string> ShowTableList(QWidget* owner, TovConnectionWindow& connection) {
  TfrmTableList dialog(owner, connection);
  dialog.LoadWindowSize();
  std::vector<std::string> schemas;
  connection.GetSchemaList(schemas, false);
  for (const std::string& schema : schemas) dialog.cmbOwner->addItem(Q(schema));
  const int own = dialog.cmbOwner->findText(Q(connection.Module().GetUserName()));
  dialog.cmbOwner->setCurrentIndex(own >= 0 ? own : 0);
  dialog.RefreshList();
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.ChosenNames();
}
