#include "ui/oveditadapter.h"

#include <QComboBox>
#include <QLineEdit>

namespace {

// Qt's single-line edit, alone or inside a combo box.
class TLineEditCommands : public TovEditCommands {
 public:
  explicit TLineEditCommands(QLineEdit& edit) : edit_(edit) {}
  void Undo(bool redo) override { redo ? edit_.redo() : edit_.undo(); }
  void CutToClipboard() override { edit_.cut(); }
  void CopyToClipboard() override { edit_.copy(); }
  void PasteFromClipboard() override { edit_.paste(); }
  void ClearSelection() override { edit_.del(); }
  void SelectAll() override { edit_.selectAll(); }
  void ReplaceSelection(const std::string& text) override { edit_.insert(QString::fromStdString(text)); }
  std::string SelectedText() const override { return edit_.selectedText().toStdString(); }
  bool ReadOnly() const override { return edit_.isReadOnly(); }
  bool HasSelection() const override { return edit_.hasSelectedText(); }
  bool CanUndo() const override { return edit_.isUndoAvailable(); }

 private:
  QLineEdit& edit_;
};

// A control that answers the commands itself, borrowed.
class TBorrowedCommands : public TovEditCommands {
 public:
  explicit TBorrowedCommands(TovEditCommands& own) : own_(own) {}
  void Undo(bool redo) override { own_.Undo(redo); }
  void CutToClipboard() override { own_.CutToClipboard(); }
  void CopyToClipboard() override { own_.CopyToClipboard(); }
  void PasteFromClipboard() override { own_.PasteFromClipboard(); }
  void ClearSelection() override { own_.ClearSelection(); }
  void SelectAll() override { own_.SelectAll(); }
  void ReplaceSelection(const std::string& text) override { own_.ReplaceSelection(text); }
  std::string SelectedText() const override { return own_.SelectedText(); }
  bool ReadOnly() const override { return own_.ReadOnly(); }
  bool HasSelection() const override { return own_.HasSelection(); }
  bool CanUndo() const override { return own_.CanUndo(); }

 private:
  TovEditCommands& own_;
};

}  // namespace

std::unique_ptr<TovEditCommands> EditCommandsOf(QWidget* widget) {
  if (!widget) return nullptr;
  if (auto* own = dynamic_cast<TovEditCommands*>(widget)) return std::make_unique<TBorrowedCommands>(*own);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) return std::make_unique<TLineEditCommands>(*edit);
  if (auto* combo = qobject_cast<QComboBox*>(widget); combo && combo->lineEdit())
    return std::make_unique<TLineEditCommands>(*combo->lineEdit());
  return nullptr;
}

TovEditorCommands* EditorCommandsOf(QWidget* widget) { return dynamic_cast<TovEditorCommands*>(widget); }
