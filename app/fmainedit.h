// fmainedit: the main window's edit actions. They work on the control that
// last had the focus in the main window (the SQL editor while the find or
// replace dialog is active): through the edit commands of any control, and
// through the SQL editor's own commands for search, line jump, formatting,
// comments, indents, macros and the definition of the selected name.
#pragma once

#include <QObject>
#include <QPointer>

#include <string>

#include "app/core/fmainactcore.h"
#include "app/fmainframe.h"

class QAction;
class QTimer;
class TovEditorCommands;
class TovFindDialog;

class TMainEditActions : public QObject {
  Q_OBJECT

 public:
  TMainEditActions(const TMainFrame& frame, TActionList& actions);

  QWidget* FocusedControl() const { return focused_; }
  // Enables the edit actions for the focused control.
  void UpdateStates();
  // The schema and table the table-and-column picker opens with.
  void FieldTarget(TActionRequest& request) const;
  // The focused SQL editor's selected text, empty for another control.
  std::string SelectedEditorText() const;

  TovFindDialog* dlgFind = nullptr;
  TovFindDialog* dlgReplace = nullptr;

 private:
  void Wire(const char* action, void (TMainEditActions::*run)());
  TovEditorCommands* Editor() const;
  void Search(const TovFindDialog& dialog, bool forward);
  void Undo();
  void Redo();
  void Cut();
  void Copy();
  void Paste();
  void Delete();
  void SelectAll();
  void SelectMode();
  void Find();
  void FindNext();
  void FindPrev();
  void Replace();
  void Jump();
  void Format();
  void Comment();
  void UpperCase();
  void LowerCase();
  void IndentF();
  void IndentR();
  void MacroSave();
  void MacroExec();
  void OpenDefinition();
  void ReplaceOne();
  void ReplaceAll();

  const TMainFrame& frame_;
  TActionList& actions_;
  QPointer<QWidget> focused_;
  QTimer* idle_ = nullptr;
};
