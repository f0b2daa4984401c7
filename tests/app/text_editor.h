// A double of the SQL editor over one text, for the edit actions' tests.
#pragma once

#include <QString>

#include <string>
#include <vector>

#include "ui/core/oveditcmd.h"

namespace testing_editor {

// An SQL editor over one text: plain search from the caret, replace at the
// selection, one row per line.
class TextEditor : public TovEditorCommands {
 public:
  explicit TextEditor(std::string text) : text_(std::move(text)) {}
  void Undo(bool) override {}
  void CutToClipboard() override {}
  void CopyToClipboard() override {}
  void PasteFromClipboard() override {}
  void ClearSelection() override { ReplaceSelection(""); }
  void SelectAll() override { SetSelection(0, static_cast<int>(text_.size())); }
  void ReplaceSelection(const std::string& text) override {
    text_.replace(static_cast<size_t>(start_), static_cast<size_t>(end_ - start_), text);
    start_ = end_ = start_ + static_cast<int>(text.size());
    ++replaces;
  }
  std::string SelectedText() const override { return text_.substr(static_cast<size_t>(start_), static_cast<size_t>(end_ - start_)); }
  bool ReadOnly() const override { return readOnly; }
  bool HasSelection() const override { return end_ > start_; }
  bool CanUndo() const override { return false; }
  std::string Text() const override { return text_; }
  int SelStart() const override { return start_; }
  int SelEnd() const override { return end_; }
  void SetSelection(int start, int end) override {
    start_ = start;
    end_ = end;
  }
  bool BoxSelection() const override { return false; }
  void SetBoxSelection(bool) override {}
  bool FindText(const std::string& text, bool forward, bool matchCase) override {
    const std::string hay = matchCase ? text_ : QString::fromStdString(text_).toUpper().toStdString();
    const std::string needle = matchCase ? text : QString::fromStdString(text).toUpper().toStdString();
    const size_t at = forward ? hay.find(needle, static_cast<size_t>(end_))
                              : (start_ == 0 ? std::string::npos : hay.rfind(needle, static_cast<size_t>(start_ - 1)));
    if (needle.empty() || at == std::string::npos) return false;
    SetSelection(static_cast<int>(at), static_cast<int>(at + needle.size()));
    return true;
  }
  int CaretRowCount() const override {
    int rows = 1;
    for (size_t at = text_.find("\r\n"); at != std::string::npos; at = text_.find("\r\n", at + 2)) ++rows;
    return rows;
  }
  void JumpToLine(int line) override { jumped.push_back(line); }
  void ScrollToFirstColumn() override {}
  void ToggleLineComment() override {}
  void IndentSelection() override {}
  void UnindentSelection() override {}
  bool MacroRecording() const override { return recording; }
  void StartMacroRecord() override { recording = true; }
  void StopMacroRecord() override {
    recording = false;
    hasMacro = true;
  }
  bool HasMacro() const override { return hasMacro; }
  void PlayMacro() override { ++played; }

  std::vector<int> jumped;
  int replaces = 0;
  bool readOnly = false;
  bool recording = false;
  bool hasMacro = false;
  int played = 0;

 private:
  std::string text_;
  int start_ = 0;
  int end_ = 0;
};

}  // namespace testing_editor
