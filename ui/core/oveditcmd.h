// oveditcmd: the edit commands through which the main window's edit
// actions reach the focused control. A control answers them as it can;
// Qt's own edits and combo boxes answer through one adapter (ui/oveditadapter).
#pragma once

#include <string>

class TovEditCommands {
 public:
  virtual ~TovEditCommands() = default;
  // Undo the last change, or redo it when the control keeps a redo.
  virtual void Undo(bool redo) = 0;
  virtual void CutToClipboard() = 0;
  virtual void CopyToClipboard() = 0;
  virtual void PasteFromClipboard() = 0;
  // Deletes the selection.
  virtual void ClearSelection() = 0;
  virtual void SelectAll() = 0;
  virtual void ReplaceSelection(const std::string& text) = 0;
  virtual std::string SelectedText() const = 0;
  virtual bool ReadOnly() const = 0;
  virtual bool HasSelection() const = 0;
  virtual bool CanUndo() const = 0;
};

// A control that only shows items: no text to change; copy and select all
// are its own.
class TovItemEditCommands : public TovEditCommands {
 public:
  void Undo(bool) override {}
  void CutToClipboard() override {}
  void CopyToClipboard() override {}
  void PasteFromClipboard() override {}
  void ClearSelection() override {}
  void ReplaceSelection(const std::string&) override {}
  std::string SelectedText() const override { return ""; }
  bool ReadOnly() const override { return true; }
  bool HasSelection() const override { return false; }
  bool CanUndo() const override { return false; }
};

// The SQL editor as the main window's edit actions drive it. Positions are
// byte offsets into the UTF-8 text, line breaks CR LF.
class TovEditorCommands : public virtual TovEditCommands {
 public:
  virtual std::string Text() const = 0;
  virtual int SelStart() const = 0;
  virtual int SelEnd() const = 0;
  // Selects from `start` to `end`, the caret at `end`; equal offsets leave
  // no selection.
  virtual void SetSelection(int start, int end) = 0;
  virtual bool BoxSelection() const = 0;
  virtual void SetBoxSelection(bool on) = 0;
  // Searches from the caret; a hit becomes the selection.
  virtual bool FindText(const std::string& text, bool forward, bool matchCase) = 0;
  // The number of rows the caret can reach, and the jump to a 1-based line.
  virtual int CaretRowCount() const = 0;
  virtual void JumpToLine(int line) = 0;
  // Scrolls the view back to the first column; the caret stays.
  virtual void ScrollToFirstColumn() = 0;
  virtual void ToggleLineComment() = 0;
  virtual void IndentSelection() = 0;
  virtual void UnindentSelection() = 0;
  // Keyboard macros (one list shared by every editor).
  virtual bool MacroRecording() const = 0;
  virtual void StartMacroRecord() = 0;
  virtual void StopMacroRecord() = 0;
  virtual bool HasMacro() const = 0;
  virtual void PlayMacro() = 0;
};
