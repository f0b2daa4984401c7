// The one seam through which orv shows modal dialogs. The program installs
// the Qt implementation; tests install ScriptedDialogs, which answers from a
// script and records every request it was shown.
#pragma once

#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// One check box of a message or input dialog; `checked` is read before the
// dialog is shown and written back when it closes.
struct DialogCheck {
  std::string caption;
  bool checked = false;
};

// A message box. `flags` are the Windows message-box flag bits (button set
// in bits 0-3, icon in bits 4-7, default button in bits 8-9); the answer is
// the Windows button identifier (1 OK ... 7 No, 8 for any other ending).
struct MessageRequest {
  std::string caption;
  std::string text;
  unsigned flags = 0;
  std::vector<DialogCheck> checks;
};

// A one-line text or number prompt; `value` is the initial text and, when
// the answer is OK, the text typed.
struct InputRequest {
  std::string caption;
  std::string prompt;
  std::string value;
  bool numeric = false;
  int maxLength = 255;
  std::vector<DialogCheck> checks;
};

enum class FileDialogKind { Open, Save, Folder };

struct FileRequest {
  FileDialogKind kind = FileDialogKind::Open;
  std::string caption;
  std::string directory;
  std::string fileName;
  std::string filter;  // Qt filter text, "SQL (*.sql);;All (*)"
};

class DialogSeam {
 public:
  virtual ~DialogSeam() = default;
  virtual int ShowMessage(MessageRequest& request) = 0;
  // True when OK was pressed; then request.value and the checks hold the answer.
  virtual bool ShowInput(InputRequest& request) = 0;
  // The chosen path, or nothing when cancelled.
  virtual std::optional<std::string> ShowFile(const FileRequest& request) = 0;
  // An open dialog that takes several files: the chosen paths, none when
  // cancelled.
  virtual std::vector<std::string> ShowFiles(const FileRequest& request) = 0;
};

// The installed seam (the Qt one unless a test installed another).
DialogSeam& Dialogs();
// Installs `seam`; returns the one it replaces.
std::unique_ptr<DialogSeam> SetDialogs(std::unique_ptr<DialogSeam> seam);

// Answers from queued scripts in order and records what was shown. A request
// with no scripted answer left gets the first button (1) / Cancel / nothing,
// and counts as unanswered so that a test can fail on it.
class ScriptedDialogs : public DialogSeam {
 public:
  struct InputAnswer {
    bool ok = true;
    std::string value;
    std::vector<bool> checks;  // empty: leave the boxes as they are
  };
  struct MessageAnswer {
    int button = 1;
    std::vector<bool> checks;
  };

  void QueueMessage(int button, std::vector<bool> checks = {});
  void QueueInput(InputAnswer answer);
  void QueueFile(std::optional<std::string> path);
  void QueueFiles(std::vector<std::string> paths);

  int ShowMessage(MessageRequest& request) override;
  bool ShowInput(InputRequest& request) override;
  std::optional<std::string> ShowFile(const FileRequest& request) override;
  std::vector<std::string> ShowFiles(const FileRequest& request) override;

  std::vector<MessageRequest> messages;
  std::vector<InputRequest> inputs;
  std::vector<FileRequest> files;
  int unanswered = 0;

 private:
  template <class T>
  T NextFileAnswer(std::deque<T>& answers, const FileRequest& request);

  std::deque<MessageAnswer> messageAnswers_;
  std::deque<InputAnswer> inputAnswers_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::deque<std::vector<std::string>> filesAnswers_;
};

// Installs a ScriptedDialogs for the lifetime of the guard.
class ScopedScriptedDialogs {
 public:
  ScopedScriptedDialogs();
  ~ScopedScriptedDialogs();
  ScopedScriptedDialogs(const ScopedScriptedDialogs&) = delete;
  ScopedScriptedDialogs& operator=(const ScopedScriptedDialogs&) = delete;
  ScriptedDialogs& operator*() { return *scripted_; }
  ScriptedDialogs* operator->() { return scripted_; }

 private:
  ScriptedDialogs* scripted_;
  std::unique_ptr<DialogSeam> previous_;
};

}  // namespace platform
