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
  bool ReadOnly() const override { return true; }
  bool HasSelection() const override { return false; }
  bool CanUndo() const override { return false; }
};
