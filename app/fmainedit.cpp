#include "app/fmainedit.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMainWindow>
#include <QMimeData>
#include <QTimer>

#include "app/core/fmaineditcore.h"
#include "app/core/ovformat.h"
#include "app/core/zarur.h"
#include "app/fobjddl.h"
#include "app/core/ovmainwin.h"
#include "app/ovforms.h"
#include "ui/ovcomctrls.h"
#include "ui/oveditadapter.h"
#include "ui/ovfinddlg.h"

namespace {

// How often the edit actions follow the focused control, as the class
// library's idle update does.
constexpr int kIdleUpdateMs = 100;
// The definition windows open with the open flag and no record limit.
constexpr int kOpenFlag = 1;
constexpr int kNoRecordLimit = 0;
constexpr int kSubItemColumn = 1;

constexpr const char* kMacroStartCaption = "マクロ記録開始";
constexpr const char* kMacroStartHint = "マクロ記録開始|キーボードマクロの記録を開始します。";
constexpr const char* kMacroStopCaption = "マクロ記録終了";
constexpr const char* kMacroStopHint = "マクロ記録終了|キーボードマクロの記録を終了します。";

}  // namespace

TMainEditActions::TMainEditActions(const TMainFrame& frame, TActionList& actions)
    : QObject(frame.Window), frame_(frame), actions_(actions) {
  dlgFind = new TovFindDialog(TovFindDialog::TKind::Find, frame.Window);
  dlgReplace = new TovFindDialog(TovFindDialog::TKind::Replace, frame.Window);
  connect(dlgFind, &TovFindDialog::FindRequested, this, [this] { Search(*dlgFind, true); });
  connect(dlgReplace, &TovFindDialog::FindRequested, this, [this] { Search(*dlgReplace, true); });
  connect(dlgReplace, &TovFindDialog::ReplaceRequested, this, &TMainEditActions::ReplaceOne);
  connect(dlgReplace, &TovFindDialog::ReplaceAllRequested, this, &TMainEditActions::ReplaceAll);

  Wire("actEditUndo", &TMainEditActions::Undo);
  Wire("actEditRedo", &TMainEditActions::Redo);
  Wire("actEditCut", &TMainEditActions::Cut);
  Wire("actEditCopy", &TMainEditActions::Copy);
  Wire("actEditPaste", &TMainEditActions::Paste);
  Wire("actEditDelete", &TMainEditActions::Delete);
  Wire("actEditSelectAll", &TMainEditActions::SelectAll);
  Wire("actEditSelectMode", &TMainEditActions::SelectMode);
  Wire("actEditFind", &TMainEditActions::Find);
  Wire("actEditFindNext", &TMainEditActions::FindNext);
  Wire("actEditFindPrev", &TMainEditActions::FindPrev);
  Wire("actEditReplace", &TMainEditActions::Replace);
  Wire("actEditJump", &TMainEditActions::Jump);
  Wire("actEditFormat", &TMainEditActions::Format);
  Wire("actEditComment", &TMainEditActions::Comment);
  Wire("actEditUpperCase", &TMainEditActions::UpperCase);
  Wire("actEditLowerCase", &TMainEditActions::LowerCase);
  Wire("actEditIndentF", &TMainEditActions::IndentF);
  Wire("actEditIndentR", &TMainEditActions::IndentR);
  Wire("actEditMacroSave", &TMainEditActions::MacroSave);
  Wire("actEditMacroExec", &TMainEditActions::MacroExec);
  Wire("actEditOpen", &TMainEditActions::OpenDefinition);
  actions_.Action("actEditSelectMode")->setCheckable(true);

  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now && now->window() == frame_.Window) focused_ = now;
    UpdateStates();
  });
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TMainEditActions::UpdateStates);
  idle_ = new QTimer(this);
  connect(idle_, &QTimer::timeout, this, [this] { actions_.UpdateActions(); });
  idle_->start(kIdleUpdateMs);
  UpdateStates();
}

void TMainEditActions::Wire(const char* action, void (TMainEditActions::*run)()) {
  actions_.Wire(actions_.Action(action), [this, run] { (this->*run)(); });
}

TovEditorCommands* TMainEditActions::Editor() const { return EditorCommandsOf(focused_); }

void TMainEditActions::UpdateStates() {
  const std::unique_ptr<TovEditCommands> commands = EditCommandsOf(focused_);
  TovEditorCommands* ed = Editor();
  const bool any = commands != nullptr;
  const bool readOnlyEditor = ed && ed->ReadOnly();
  const bool writableEditor = ed && !ed->ReadOnly();
  const bool box = ed && ed->BoxSelection();
  const QMimeData* clip = QApplication::clipboard()->mimeData();
  const bool caseChange = any && (!ed || (ed->HasSelection() && writableEditor));
  const auto set = [this](const char* name, bool enabled) { actions_.Action(name)->setEnabled(enabled); };
  for (const char* name : {"actEditUndo", "actEditRedo", "actEditCut", "actEditDelete"}) set(name, any && !readOnlyEditor);
  set("actEditCopy", any);
  set("actEditSelectAll", any);
  set("actEditPaste", any && !readOnlyEditor && clip && clip->hasText());
  for (const char* name : {"actEditSelectMode", "actEditFind", "actEditFindNext", "actEditFindPrev", "actEditJump"})
    set(name, ed != nullptr);
  actions_.Action("actEditSelectMode")->setChecked(box);
  set("actEditReplace", writableEditor);
  set("actEditFormat", writableEditor && !box && !TrimBlanks(ed->Text()).empty());
  set("actEditComment", ed && (!box || ed->HasSelection()));
  set("actEditUpperCase", caseChange);
  set("actEditLowerCase", caseChange);
  // Indents and the definition work on SQL editors alone.
  for (const char* name : {"actEditIndentF", "actEditIndentR", "actEditOpen"}) set(name, caseChange && ed);
  QAction* macroSave = actions_.Action("actEditMacroSave");
  const bool recording = writableEditor && ed->MacroRecording();
  macroSave->setText(recording ? kMacroStopCaption : kMacroStartCaption);
  macroSave->setToolTip(QString::fromStdString(ShortHint(recording ? kMacroStopHint : kMacroStartHint)));
  macroSave->setEnabled(writableEditor);
  set("actEditMacroExec", writableEditor && ed->HasMacro());
}

void TMainEditActions::FieldTarget(TActionRequest& request) const {
  if (TovEditorCommands* ed = Editor()) {
    const TNamedObject named = NamedObject(ed->SelectedText(), request.Connection->Module().GetUserName());
    request.Schema = named.Schema;
    request.Name = named.Name;
    return;
  }
  auto* list = qobject_cast<TovListView*>(focused_);
  const QList<QTreeWidgetItem*> selected = list ? list->selectedItems() : QList<QTreeWidgetItem*>{};
  if (selected.isEmpty() || list->columnCount() <= kSubItemColumn) return;
  request.Schema = selected.first()->text(kSubItemColumn).toStdString();
  request.Name = selected.first()->text(0).toStdString();
}

std::string TMainEditActions::SelectedEditorText() const {
  TovEditorCommands* ed = Editor();
  return ed ? ed->SelectedText() : "";
}

void TMainEditActions::Search(const TovFindDialog& dialog, bool forward) {
  TovEditorCommands* ed = Editor();
  if (!ed) return;
  focused_->setFocus();
  FindInEditor(*ed, dialog.FindText(), forward, dialog.MatchCase());
  if (focused_) focused_->setFocus();
}

void TMainEditActions::Undo() {
  if (auto commands = EditCommandsOf(focused_)) commands->Undo(false);
}
// An edit box takes it as its own redo, an editor as the editor's.
void TMainEditActions::Redo() {
  if (auto commands = EditCommandsOf(focused_)) commands->Undo(true);
}
void TMainEditActions::Cut() {
  if (auto commands = EditCommandsOf(focused_)) commands->CutToClipboard();
}
void TMainEditActions::Copy() {
  if (auto commands = EditCommandsOf(focused_)) commands->CopyToClipboard();
}
void TMainEditActions::Paste() {
  if (auto commands = EditCommandsOf(focused_)) commands->PasteFromClipboard();
}
void TMainEditActions::Delete() {
  if (auto commands = EditCommandsOf(focused_)) commands->ClearSelection();
}
// A data grid's own select-all selects its in-place text first, every
// record at the second press.
void TMainEditActions::SelectAll() {
  if (auto commands = EditCommandsOf(focused_)) commands->SelectAll();
}
void TMainEditActions::SelectMode() {
  if (TovEditorCommands* ed = Editor()) ed->SetBoxSelection(!ed->BoxSelection());
}

void TMainEditActions::Find() {
  TovEditorCommands* ed = Editor();
  if (!ed) return;
  dlgFind->SetFindText(ed->SelectedText());
  dlgFind->show();
  dlgFind->raise();
  dlgFind->activateWindow();
}
void TMainEditActions::FindNext() { Search(*dlgFind, true); }
void TMainEditActions::FindPrev() { Search(*dlgFind, false); }

void TMainEditActions::Replace() {
  TovEditorCommands* ed = Editor();
  if (!ed || ed->ReadOnly()) return;
  dlgReplace->SetFindText(ed->SelectedText());
  dlgReplace->show();
  dlgReplace->raise();
  dlgReplace->activateWindow();
}
void TMainEditActions::ReplaceOne() {
  if (TovEditorCommands* ed = Editor())
    ReplaceInEditor(*ed, dlgReplace->FindText(), dlgReplace->ReplaceText(), dlgReplace->MatchCase());
}
void TMainEditActions::ReplaceAll() {
  if (TovEditorCommands* ed = Editor()) {
    TovMainWindow& face = *frame_.Face;
    ReplaceAllInEditor(*ed, dlgReplace->FindText(), dlgReplace->ReplaceText(), dlgReplace->MatchCase(),
                       [&face](int count) { face.SetStatusText(kStatusMessagePanel, std::to_string(count) + kReplacingText); });
    face.SetStatusText(kStatusMessagePanel, "");
  }
}

void TMainEditActions::Jump() {
  if (TovEditorCommands* ed = Editor()) JumpInEditor(*ed);
}
void TMainEditActions::Format() {
  if (TovEditorCommands* ed = Editor()) FormatInEditor(*ed, [](const std::string& sql) { return FormatSQL(sql); });
}
void TMainEditActions::Comment() {
  if (TovEditorCommands* ed = Editor()) ed->ToggleLineComment();
}
void TMainEditActions::UpperCase() {
  if (auto commands = EditCommandsOf(focused_)) ChangeSelectionCase(*commands, true);
}
void TMainEditActions::LowerCase() {
  if (auto commands = EditCommandsOf(focused_)) ChangeSelectionCase(*commands, false);
}
void TMainEditActions::IndentF() {
  if (TovEditorCommands* ed = Editor()) ed->IndentSelection();
}
void TMainEditActions::IndentR() {
  if (TovEditorCommands* ed = Editor()) ed->UnindentSelection();
}
void TMainEditActions::MacroSave() {
  TovEditorCommands* ed = Editor();
  if (!ed || ed->ReadOnly()) return;
  ed->MacroRecording() ? ed->StopMacroRecord() : ed->StartMacroRecord();
}
void TMainEditActions::MacroExec() {
  if (TovEditorCommands* ed = Editor()) ed->PlayMacro();
}

// Errors of the look-up and of the windows are swallowed: nothing opens.
void TMainEditActions::OpenDefinition() {
  TovEditorCommands* ed = Editor();
  TovConnectionWindow* connection = AsConnectionWindow(frame_.Face->CurrentConnection());
  if (!ed || !connection) return;
  try {
    const TNamedObject named = NamedObject(ed->SelectedText(), connection->Module().GetUserName());
    for (const TDefinedObject& found : FindDefinitions(*connection, named))
      OpenObject(*connection, found.Kind, found.Schema, named.Name, AppOption.OpenMode, kOpenFlag, kNoRecordLimit);
  } catch (...) {
  }
}
