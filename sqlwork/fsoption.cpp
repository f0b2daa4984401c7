#include "sqlwork/fsoption.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/core/fobjcmdcore.h"
#include "app/core/fobjddlcore.h"
#include "app/core/odsql.h"
#include "app/core/ovconnwin.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/ovforms.h"
#include "platform/dialogs.h"
#include "platform/helpviewer.h"
#include "platform/qstr.h"
#include "sqlwork/core/fsoptioncore.h"
#include "sqlwork/fnametbl.h"
#include "ui/ovimages.h"
#include "ui/ovstdctl.h"

namespace {

constexpr int kHelpContext = 20300;
constexpr char kOutputCaption[] = "スクリプト出力";
constexpr char kOutputButton[] = "開始";
constexpr char kOptionCaption[] = "スクリプト出力オプション";
constexpr char kOptionButton[] = "OK";
constexpr char kFolderCaption[] = "出力先を選択して下さい。";
constexpr char kScriptFilter[] = "SQLファイル(*.sql);;すべてのファイル(*.*)";
constexpr char kTableKind[] = "TABLE";
constexpr char kLineBreak[] = "\r\n";
constexpr char kFolderEnd = '/';
// The folder picture of the button beside the target.
constexpr int kFolderImage = 17;
constexpr int kModeColumns = 3;
constexpr int kOwnerColumns = 1;

// A radio group: a box of buttons with ids 0.. in `columns` columns.
QButtonGroup* RadioGroup(QWidget* parent, QLayout* layout, const char* caption, std::initializer_list<const char*> items,
                         int columns) {
  auto* box = new QGroupBox(QString::fromUtf8(caption), parent);
  auto* grid = new QGridLayout(box);
  auto* group = new QButtonGroup(box);
  int id = 0;
  for (const char* item : items) {
    auto* button = new QRadioButton(QString::fromUtf8(item), box);
    grid->addWidget(button, id / columns, id % columns);
    group->addButton(button, id++);
  }
  layout->addWidget(box);
  return group;
}

void SetChecked(QButtonGroup* group, int id) {
  if (QAbstractButton* button = group->button(id)) button->setChecked(true);
}

// The chosen button's id; `fallback` while none is chosen.
int CheckedOr(const QButtonGroup* group, int fallback) {
  const int id = group->checkedId();
  return id < 0 ? fallback : id;
}

void SetEnabled(QButtonGroup* group, bool enabled) {
  for (QAbstractButton* button : group->buttons()) button->setEnabled(enabled);
}

}  // namespace

TfrmScriptOption::TfrmScriptOption(QWidget* owner, TovConnectionWindow* connection)
    : QDialog(owner), connection_(connection) {
  setupUi();
  setProperty(platform::kHelpContextProperty, kHelpContext);
  setWindowFlags((windowFlags() | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint) &
                 ~Qt::WindowContextHelpButtonHint);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmScriptOption::setupUi() {
  auto* root = new QVBoxLayout(this);
  chkOneScript = new TovCheckBox("同時に出力するスクリプトを一つにまとめる", this);
  chkDir = new TovCheckBox("タイプに応じたサブフォルダを作成する", this);
  chkSameName = new TovCheckBox("すでに同じファイルが存在する場合は上書きする", this);
  for (QWidget* box : {chkOneScript, chkDir, chkSameName}) root->addWidget(box);

  auto* places = new QGridLayout;
  lblDir = new QLabel("出力先", this);
  txtDir = new TovStrEdit(this);
  btnDialog = new QToolButton(this);
  btnDialog->setIcon(imgMain().Icon(kFolderImage));
  lblNameTable = new QLabel("名前TBL", this);
  cmbNameTable = new TovComboBox(this);
  btnNameTable = new QPushButton("設定", this);
  places->addWidget(lblDir, 0, 0);
  places->addWidget(txtDir, 0, 1);
  places->addWidget(btnDialog, 0, 2);
  places->addWidget(lblNameTable, 1, 0);
  places->addWidget(cmbNameTable, 1, 1);
  places->addWidget(btnNameTable, 1, 2);
  root->addLayout(places);

  rdoOwner = RadioGroup(this, root, " スキーマ名の出力 ",
                        {"常に出力する", "ログインユーザーと違うスキーマの場合に出力する",
                         "オブジェクト所有者と違うスキーマの場合に出力する", "出力しない"},
                        kOwnerColumns);
  chkIndex = new TovCheckBox("テーブルスクリプトに従属インデックスも追加する", this);
  root->addWidget(chkIndex);
  chkInsert = new TovCheckBox("テーブルスクリプト出力時、データも出力(INSERT文)", this);
  root->addWidget(chkInsert);
  rdoInsert = RadioGroup(this, root, "", {"自身のスクリプトに追加", "別フォルダに出力", "別ファイルに出力"}, kModeColumns);
  chkStorage = new TovCheckBox("テーブルススクリプトにDSO/DSI情報も追加する", this);
  root->addWidget(chkStorage);
  chkGrant = new TovCheckBox("オブジェクト権限を出力する", this);
  root->addWidget(chkGrant);
  rdoGrant = RadioGroup(this, root, "", {"自身のスクリプトに追加", "別フォルダに出力", "別ファイルに出力"}, kModeColumns);
  chkNullLine = new TovCheckBox("空白行を出力しない", this);
  root->addWidget(chkNullLine);
  SetEnabled(rdoInsert, false);
  SetEnabled(rdoGrant, false);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  btnOk = new QPushButton(this);
  btnOk->setDefault(true);
  btnCancel = new QPushButton("キャンセル", this);
  btnHelp = new QPushButton("ヘルプ", this);
  for (QPushButton* button : {btnOk, btnCancel, btnHelp}) buttons->addWidget(button);
  root->addLayout(buttons);

  for (TovCheckBox* box : {chkOneScript, chkInsert, chkGrant})
    connect(box, &QCheckBox::toggled, this, [this] { ApplyEnabling(); });
  connect(cmbNameTable, &QComboBox::editTextChanged, this, [this] { ApplyEnabling(); });
  cmbNameTable->OnDropDown = [this] { RunReported([this] { cmbNameTableDropDown(); }); };
  connect(btnDialog, &QToolButton::clicked, this, [this] { btnDialogClick(); });
  connect(btnNameTable, &QPushButton::clicked, this, [this] { RunReported([this] { btnNameTableClick(); }); });
  connect(btnOk, &QPushButton::clicked, this, [this] { btnOkClick(); });
  connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(btnHelp, &QPushButton::clicked, this, [this] {
    btnHelp->setFocus();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(btnHelp, &f1);
  });
}

std::string TfrmScriptOption::NameTableText() const { return Trim(cmbNameTable->currentText().toStdString()); }

std::string TfrmScriptOption::DataSource() const {
  return connection_ ? connection_->Module().GetDataSourceName() : std::string();
}

void TfrmScriptOption::FillControls() {
  const TScriptOption& option = ScriptOption;
  chkOneScript->setChecked(option.OneScript);
  chkDir->setChecked(option.SubDir);
  chkSameName->setChecked(option.SameName);
  txtDir->setText(Q(option.Path));
  if (connection_) cmbNameTable->setEditText(Q(NameTableFor(option.NameTable, DataSource())));
  SetChecked(rdoOwner, option.Schema);
  chkIndex->setChecked(option.Index);
  chkInsert->setChecked(option.Insert);
  SetChecked(rdoInsert, option.InsertMode);
  chkStorage->setChecked(option.Storage);
  chkGrant->setChecked(option.Grant);
  SetChecked(rdoGrant, option.GrantMode);
  chkNullLine->setChecked(option.NullLine);
  ApplyEnabling();
}

void TfrmScriptOption::ApplyEnabling() {
  const TScriptOptionEnabling enabled = ScriptOptionEnabling(
      {chkOneScript->isChecked(), chkInsert->isChecked(), chkGrant->isChecked(), cmbNameTable->IsEmpty(),
       connection_ != nullptr});
  chkDir->setEnabled(enabled.SubDir);
  if (!enabled.SubDir) chkDir->setChecked(false);
  lblNameTable->setEnabled(connection_ != nullptr);
  cmbNameTable->setEnabled(enabled.NameTable);
  btnNameTable->setEnabled(enabled.NameTableButton);
  SetEnabled(rdoInsert, enabled.InsertMode);
  SetEnabled(rdoGrant, enabled.GrantMode);
}

void TfrmScriptOption::btnDialogClick() {
  std::string path = txtDir->text().toStdString();
  std::optional<std::string> chosen;
  if (chkOneScript->isChecked()) {
    if (!path.empty() && path.back() == kFolderEnd) path.pop_back();
    txtDir->setText(Q(path));
    chosen = platform::Dialogs().ShowFile({platform::FileDialogKind::Save, "", "", path, kScriptFilter});
  } else {
    chosen = platform::Dialogs().ShowFile({platform::FileDialogKind::Folder, kFolderCaption, path, "", ""});
  }
  if (chosen) txtDir->setText(Q(*chosen));
}

void TfrmScriptOption::cmbNameTableDropDown() {
  if (!connection_) return;
  std::vector<std::string> names;
  const std::string entry = NameTableFor(ScriptOption.NameTable, DataSource());
  connection_->GetObjectNames(names, NameTableSchemaPart(entry), kTableKind);
  const QString text = cmbNameTable->currentText();
  const QSignalBlocker blocker(cmbNameTable);
  cmbNameTable->clear();
  for (const std::string& name : names) cmbNameTable->addItem(Q(name));
  cmbNameTable->setEditText(text);
}

void TfrmScriptOption::btnNameTableClick() {
  if (!connection_) return;
  SetNameTableFor(ScriptOption.NameTable, DataSource(), NameTableText());
  ShowNameTable(*connection_);
  cmbNameTable->setEditText(Q(NameTableFor(ScriptOption.NameTable, DataSource())));
}

void TfrmScriptOption::btnOkClick() {
  if (const std::optional<std::string> error = ScriptTargetError(txtDir->text().toStdString())) {
    MsgBox(*error, MB_ICONWARNING);
    txtDir->setFocus();
    return;
  }
  const std::string table = NameTableText();
  if (connection_ && cmbNameTable->isEnabled() && !cmbNameTable->IsEmpty()) {
    try {
      connection_->OpenSQL(NameTableCheckSQL(table)).Close();
    } catch (const std::exception& e) {
      // A text that names no table is refused before any SQL is built.
      const std::string detail = ValidNameTable(table) ? kLineBreak + std::string(e.what()) : "";
      MsgBox(kInvalidNameTable + detail, MB_ICONWARNING);
      cmbNameTable->setFocus();
      return;
    }
  }
  accept();
}

void TfrmScriptOption::StoreOptions() {
  TScriptOption shown;
  shown.OneScript = chkOneScript->isChecked();
  shown.SubDir = chkDir->isChecked();
  shown.SameName = chkSameName->isChecked();
  shown.Path = txtDir->text().toStdString();
  shown.Schema = CheckedOr(rdoOwner, ScriptOption.Schema);
  shown.Index = chkIndex->isChecked();
  shown.Insert = chkInsert->isChecked();
  shown.InsertMode = CheckedOr(rdoInsert, ScriptOption.InsertMode);
  shown.Storage = chkStorage->isChecked();
  shown.Grant = chkGrant->isChecked();
  shown.GrantMode = CheckedOr(rdoGrant, ScriptOption.GrantMode);
  shown.NullLine = chkNullLine->isChecked();
  const std::optional<std::string> dataSource =
      connection_ ? std::optional<std::string>(DataSource()) : std::nullopt;
  StoreScriptOption(ScriptOption, shown, NameTableText(), dataSource);
}

bool ShowScriptOutputDialog(TovConnectionWindow& connection, std::string& target, std::string& nameTable) {
  TfrmScriptOption form(connection.Window(), &connection);
  form.setWindowTitle(QString::fromUtf8(kOutputCaption));
  form.btnOk->setText(QString::fromUtf8(kOutputButton));
  form.FillControls();
  if (form.exec() != QDialog::Accepted) return false;
  form.StoreOptions();
  target = ScriptOption.Path;
  nameTable = form.NameTableText();
  return true;
}

bool ShowScriptOptionDialog(QWidget* owner) {
  TfrmScriptOption form(owner, nullptr);
  form.setWindowTitle(QString::fromUtf8(kOptionCaption));
  form.btnOk->setText(QString::fromUtf8(kOptionButton));
  form.FillControls();
  if (form.exec() != QDialog::Accepted) return false;
  form.StoreOptions();
  return true;
}
