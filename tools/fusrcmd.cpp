#include "tools/fusrcmd.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QSignalBlocker>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/core/ovatexit.h"
#include "app/core/ovmainwin.h"
#include "app/core/ovshortcut.h"
#include "app/core/zarur.h"
#include "editor/ovmemo.h"
#include "platform/qstr.h"
#include "sqlwork/sqlactions.h"
#include "tools/core/fusrcmdcore.h"
#include "tools/toolsmodal.h"
#include "ui/ovstdctl.h"
#include "ui/zarurctl.h"
#include "ui/ovtoolbar.h"

namespace {

constexpr char kCaption[] = "ユーザー定義コマンド";
constexpr int kHelpContext = 50400;
constexpr int kClientWidth = 640;
constexpr int kClientHeight = 480;
constexpr int kListWidth = 160;
constexpr int kSeqDigits = 9;
constexpr char kNoHotKey[] = "なし";
constexpr char kDeleteQuestion[] = "選択中のコマンドを削除しますか？";
constexpr char kRevertQuestion[] = "全ての変更を取り消しますか？";
constexpr char kRegisterQuestion[] = "情報が変更されています。登録しますか？";

constexpr TActionSpec kSave = {"保存(&S)", "保存|選択中のコマンドを保存します。", 15};
constexpr TActionSpec kAdd = {"追加(&A)", "追加|入力したコマンドを追加します。", 39};
constexpr TActionSpec kDelete = {"削除(&D)", "削除|選択中のコマンドを削除します。", 41};
constexpr TActionSpec kRevert = {"戻す(&R)", "戻す|変更を取り消します。", 16};
constexpr TActionSpec kExit = {"終了(&X)", "終了|画面を閉じます。", 42};

// The substitution variables a command text may hold, as the window lists them.
constexpr const char* kVariableLines[] = {
    "&0 , &NAME  : オブジェクト名",
    "&1 , &OWNER : スキーマ名",
    "&2 , &TYPE  : オブジェクトタイプ",
    "&3 ～       : 詳細情報",
};
constexpr char kVariableTitle[] = "【 利用可能な置換変数 】";
constexpr char kVariableNote[] = "※数値はオブジェクトリスト中の詳細情報の連番です。";

// The keys that alone are no short-cut: the modifiers themselves.
bool ModifierOnly(int key) {
  return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
         key == Qt::Key_AltGr;
}

}  // namespace

// ---- the hot-key control ----

TovHotKey::TovHotKey(QWidget* parent) : QLineEdit(parent) {
  setReadOnly(true);
  SetHotKey(kScNone);
}

void TovHotKey::SetHotKey(int code) {
  code_ = code;
  setText(code == kScNone ? QString::fromUtf8(kNoHotKey) : Q(ShortCutToText(code)));
}

void TovHotKey::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Tab || key == Qt::Key_Backtab || ModifierOnly(key)) {
    QLineEdit::keyPressEvent(event);
    return;
  }
  int code = KeySequenceToShortCut(QKeySequence(event->keyCombination()));
  if ((key == Qt::Key_Backspace || key == Qt::Key_Delete) && event->modifiers() == Qt::NoModifier) code = kScNone;
  if (code != code_) {
    SetHotKey(code);
    emit changed();
  }
  event->accept();
}

// ---- the editor ----

TfrmUserCommand::TfrmUserCommand(QWidget* owner) : TovForm(owner, TPlace::OwnWindow) {
  setObjectName("frmUserCommand");
  setWindowTitle(kCaption);
  setWindowFlag(Qt::WindowStaysOnTopHint);
  SetDesignSize(kClientWidth, kClientHeight);
  setupUi();
  SetHelpContext(kHelpContext);
  ConnectControls();
}

void TfrmUserCommand::setupUi() {
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  actSave = MakeAction(this, kSave);
  actAdd = MakeAction(this, kAdd);
  actDelete = MakeAction(this, kDelete);
  actRevert = MakeAction(this, kRevert);
  actExit = MakeAction(this, kExit);
  tolMain = new QToolBar(this);
  tolMain->setObjectName("tolMain");
  tolMain->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  for (QAction* action : {actSave, actAdd, actDelete, actRevert, actExit}) {
    tolMain->addAction(action);
    tolMain->widgetForAction(action)->setMinimumWidth(kTextButtonWidth);
  }
  root->addWidget(tolMain);

  auto* split = new QSplitter(Qt::Horizontal, this);
  split->setChildrenCollapsible(false);
  lstCommand = new QListWidget(split);
  lstCommand->setObjectName("lstCommand");
  lstCommand->setMinimumWidth(kListWidth);
  auto* fields = new QWidget(split);
  auto* fieldLayout = new QVBoxLayout(fields);
  auto* grid = new QGridLayout;
  txtName = new TovStrEdit(fields);
  txtName->setObjectName("txtName");
  txtName->SetCharCase(ecUpperCase);
  txtSeq = new TovNumEdit(fields);
  txtSeq->setObjectName("txtSeq");
  txtSeq->setMaxLength(kSeqDigits);
  hotShortCut = new TovHotKey(fields);
  hotShortCut->setObjectName("hotShortCut");
  grid->addWidget(new QLabel("コマンド名", fields), 0, 0);
  grid->addWidget(txtName, 0, 1);
  grid->addWidget(new QLabel("コマンド番号", fields), 1, 0);
  grid->addWidget(txtSeq, 1, 1);
  grid->addWidget(new QLabel("ショートカット", fields), 2, 0);
  grid->addWidget(hotShortCut, 2, 1);
  fieldLayout->addLayout(grid);
  chkDialog = new QCheckBox("実行時に確認画面を表示する", fields);
  chkDialog->setObjectName("chkDialog");
  chkSQLWindow = new QCheckBox("SQL実行画面を使用する", fields);
  chkSQLWindow->setObjectName("chkSQLWindow");
  chkSQLWindow->setEnabled(false);
  chkError = new QCheckBox("エラーを無視する", fields);
  chkError->setObjectName("chkError");
  for (QCheckBox* box : {chkDialog, chkSQLWindow, chkError}) fieldLayout->addWidget(box);
  txtSQL = new TovMemo(fields);
  txtSQL->setObjectName("txtSQL");
  fieldLayout->addWidget(txtSQL, 1);
  auto* variables = new QGroupBox(fields);
  auto* variableLayout = new QVBoxLayout(variables);
  variableLayout->addWidget(new QLabel(kVariableTitle, variables));
  for (const char* line : kVariableLines) variableLayout->addWidget(new QLabel(QString::fromUtf8(line), variables));
  variableLayout->addWidget(new QLabel(kVariableNote, variables));
  fieldLayout->addWidget(variables);
  split->setStretchFactor(1, 1);
  root->addWidget(split, 1);
}

void TfrmUserCommand::ConnectControls() {
  connect(actSave, &QAction::triggered, this, [this] { RunReported([this] { actSaveExecute(); }); });
  connect(actAdd, &QAction::triggered, this, [this] { RunReported([this] { actAddExecute(); }); });
  connect(actDelete, &QAction::triggered, this, [this] { RunReported([this] { actDeleteExecute(); }); });
  connect(actRevert, &QAction::triggered, this, [this] { RunReported([this] { actRevertExecute(); }); });
  connect(actExit, &QAction::triggered, this, &QWidget::close);
  connect(lstCommand, &QListWidget::currentRowChanged, this, [this] { RunReported([this] { lstCommandClick(); }); });
  for (QLineEdit* box : std::initializer_list<QLineEdit*>{txtName, txtSeq})
    connect(box, &QLineEdit::textChanged, this, [this] { MarkChanged(); });
  connect(hotShortCut, &TovHotKey::changed, this, [this] { MarkChanged(); });
  for (QCheckBox* box : {chkDialog, chkSQLWindow, chkError})
    connect(box, &QCheckBox::toggled, this, [this] { MarkChanged(); });
  txtSQL->OnChange = [this] { MarkChanged(); };
}

void TfrmUserCommand::MarkChanged() {
  if (loading_) return;
  Changed = true;
  UpdateActions();
}

void TfrmUserCommand::UpdateActions() {
  actSave->setEnabled(shown_ >= 0 && Changed && !txtName->Modified());
  actAdd->setEnabled(Changed);
  actDelete->setEnabled(shown_ >= 0);
  actRevert->setEnabled(Changed);
}

void TfrmUserCommand::ShowList(int selected) {
  const QSignalBlocker blocker(lstCommand);
  lstCommand->setUpdatesEnabled(false);
  lstCommand->clear();
  for (const TUserCommandEntry& entry : entries_) lstCommand->addItem(Q(entry.Name));
  lstCommand->setCurrentRow(selected);
  lstCommand->setUpdatesEnabled(true);
}

void TfrmUserCommand::ListCommands() {
  entries_ = UserCommandListEntries(ShareDir);
  ShowList(entries_.empty() ? -1 : 0);
  LoadCommand();
}

void TfrmUserCommand::SortCommands() { SortUserCommands(entries_); }

void TfrmUserCommand::LoadCommand() {
  loading_ = true;
  AtExit done([this] {
    loading_ = false;
    UpdateActions();
  });
  shown_ = lstCommand->currentRow();
  txtName->clear();
  txtSeq->clear();
  hotShortCut->SetHotKey(kScNone);
  for (QCheckBox* box : {chkDialog, chkSQLWindow, chkError}) box->setChecked(false);
  txtSQL->Lines().SetTextStr("");
  if (shown_ >= 0) {
    const std::string name = entries_[static_cast<size_t>(shown_)].Name;
    TUserCommandDocument doc;
    try {
      doc = ReadUserCommandDocument(UserCommandPath(ShareDir, name));
    } catch (const EDocFormatError& e) {
      MsgBox(e.what(), MB_ICONERROR);
      throw EAbort();
    }
    txtName->setText(Q(name));
    txtSeq->SetInteger(doc.Seq);
    hotShortCut->SetHotKey(doc.ShortCut);
    chkDialog->setChecked(doc.Command.Dialog);
    chkSQLWindow->setChecked(doc.Command.SQLWindow);
    chkError->setChecked(doc.Command.Error);
    txtSQL->Lines().SetTextStr(doc.Command.SQL);
    txtSQL->GetUndoObj().Clear();
    txtSQL->SetRowCol(0, 0);
  }
  txtName->SaveText();
  Changed = false;
}

bool TfrmUserCommand::SaveCommand() {
  const std::string name = txtName->text().toStdString();
  if (const auto problem = CheckUserCommand(name, txtSQL->Text())) {
    MsgBox(problem->Message, MB_ICONWARNING);
    if (problem->Field == TUserCommandField::Name)
      txtName->setFocus();
    else
      txtSQL->setFocus();
    return false;
  }
  const std::string fileName = CommandFileName(entries_, name);
  const TUserCommandDocument doc{txtSeq->AsInteger(), hotShortCut->HotKey(),
                                 {chkDialog->isChecked(), chkSQLWindow->isChecked(), chkError->isChecked(),
                                  txtSQL->Text()}};
  WriteUserCommandDocument(ShareDir, fileName, doc);
  shown_ = PlaceSavedCommand(entries_, fileName, doc.Seq);
  ShowList(shown_);
  Changed = false;
  UpdateActions();
  return true;
}

void TfrmUserCommand::actSaveExecute() {
  if (shown_ >= 0) SaveCommand();
}

void TfrmUserCommand::actAddExecute() {
  if (CommandNameTaken(entries_, shown_, txtName->text().toStdString())) {
    MsgBox(kCommandExists, MB_ICONWARNING);
    txtName->setFocus();
    return;
  }
  SaveCommand();
}

void TfrmUserCommand::actDeleteExecute() {
  if (shown_ < 0) return;
  if (MsgBox(kDeleteQuestion, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) return;
  // A file already gone is no error; the list is read again in any case.
  QFile::remove(Q(UserCommandPath(ShareDir, entries_[static_cast<size_t>(shown_)].Name)));
  ListCommands();
}

void TfrmUserCommand::actRevertExecute() {
  if (MsgBox(kRevertQuestion, MB_YESNO | MB_ICONQUESTION) == IDYES) LoadCommand();
}

// Another command chosen: the changed one is saved first on request. The
// choice is kept by name, as saving may re-sort the list.
void TfrmUserCommand::lstCommandClick() {
  const int chosen = lstCommand->currentRow();
  if (chosen == shown_) return;
  if (Changed) {
    const std::string wanted = chosen >= 0 ? entries_[static_cast<size_t>(chosen)].Name : std::string();
    const int answer = MsgBox(kRegisterQuestion, MB_YESNOCANCEL | MB_ICONQUESTION);
    const auto putBack = [this] {
      const QSignalBlocker blocker(lstCommand);
      lstCommand->setCurrentRow(shown_);
    };
    if (answer == IDCANCEL) {
      putBack();
      return;
    }
    if (answer == IDYES) {
      putBack();
      if (!SaveCommand()) return;
      int row = -1;
      for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].Name == wanted) row = static_cast<int>(i);
      const QSignalBlocker blocker(lstCommand);
      lstCommand->setCurrentRow(row);
    }
  }
  LoadCommand();
}

bool TfrmUserCommand::CloseQuery() {
  if (!Changed) return true;
  const int answer = MsgBox(kRegisterQuestion, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) return false;
  if (answer == IDNO) return true;
  bool saved = false;
  RunReported([this, &saved] { saved = SaveCommand(); });
  return saved;
}

void ShowUserCommand() {
  TovMainWindow* main = ControlOptionsWindow();
  // Whatever ends the editor, the menu shows what the folder holds.
  AtExit rebuild([main] {
    if (main) main->BuildUserCommandMenu();
  });
  QPointer<TfrmUserCommand> form = new TfrmUserCommand(main ? main->Window() : nullptr);
  AtExit release([&form] { delete form.data(); });
  form->chkSQLWindow->setEnabled(true);
  RunReported([&form] { form->ListCommands(); });
  ApplyControlOptions(form->txtSQL);
  ShowModalForm(*form);
}
