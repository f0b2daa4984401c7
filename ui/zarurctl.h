// zarurctl: the display options every window gives its editors and grids
// when it builds them: the user's editor settings, the editor pop-up menu
// and the shared macro list for SQL editors, the data font for plain grids.
#pragma once

class QWidget;
class TovMainWindow;
class TEditor;

// The main window whose editor settings and editor pop-up menu the SQL
// editors get; none before it exists (the editors then keep their own).
void SetControlOptionsWindow(TovMainWindow* main);
TovMainWindow* ControlOptionsWindow();
// Shows that main window's object count again when an output or a run ends.
struct TObjectCountAgain {
  TObjectCountAgain() = default;
  TObjectCountAgain(const TObjectCountAgain&) = delete;
  TObjectCountAgain& operator=(const TObjectCountAgain&) = delete;
  ~TObjectCountAgain();
};

// Gives a control the program's display options by its class, the first
// that matches: a plain multi-line edit the editor font; a TovMemo the
// editor settings, the editor pop-up menu and SharedMacroList; a
// TovStringGrid grid mode geAccess; a plain string grid and a TovDBGridV the
// data font at a fixed pitch; a TovDBGridH that font and a default column
// width of DataColWidthH letters "A". Other controls are left alone.
// An SQL editor carrying this property keeps options of its own (a
// dialog's sample): ApplyControlOptions leaves it alone.
inline constexpr char kOwnEditorOptionsProperty[] = "ovOwnEditorOptions";
void ApplyControlOptions(QWidget* control);
// Every open SQL editor but those with options of their own takes the
// user's editor settings again (after they were edited).
void RefreshEditorOptions();

// Shows the editor's caret in the main window's status bar whenever it
// moves while the editor has the focus, and when the editor gets the focus.
void ShowCaretInStatusBar(TEditor& editor);
