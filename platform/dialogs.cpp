#include "platform/dialogs.h"

#include "platform/seamslot.h"

namespace platform {
namespace {

// Windows button identifiers the script answers with when it runs dry.
constexpr int kIdOk = 1;

}  // namespace

DialogSeam& Dialogs() { return RequiredSeam<DialogSeam>("dialog seam"); }

std::unique_ptr<DialogSeam> SetDialogs(std::unique_ptr<DialogSeam> seam) { return ReplaceSeam(std::move(seam)); }

void ScriptedDialogs::QueueMessage(int button, std::vector<bool> checks) {
  messageAnswers_.push_back({button, std::move(checks)});
}
void ScriptedDialogs::QueueInput(InputAnswer answer) { inputAnswers_.push_back(std::move(answer)); }
void ScriptedDialogs::QueueFile(std::optional<std::string> path) { fileAnswers_.push_back(std::move(path)); }
void ScriptedDialogs::QueueFiles(std::vector<std::string> paths) { filesAnswers_.push_back(std::move(paths)); }

int ScriptedDialogs::ShowMessage(MessageRequest& request) {
  messages.push_back(request);
  if (messageAnswers_.empty()) {
    ++unanswered;
    return kIdOk;
  }
  auto answer = std::move(messageAnswers_.front());
  messageAnswers_.pop_front();
  for (size_t i = 0; i < answer.checks.size() && i < request.checks.size(); ++i)
    request.checks[i].checked = answer.checks[i];
  return answer.button;
}

bool ScriptedDialogs::ShowInput(InputRequest& request) {
  inputs.push_back(request);
  if (inputAnswers_.empty()) {
    ++unanswered;
    return false;
  }
  auto answer = std::move(inputAnswers_.front());
  inputAnswers_.pop_front();
  if (!answer.ok) return false;
  request.value = answer.value;
  for (size_t i = 0; i < answer.checks.size() && i < request.checks.size(); ++i)
    request.checks[i].checked = answer.checks[i];
  return true;
}

// The next scripted answer of a queue; an empty one when it ran dry.
template <class T>
T ScriptedDialogs::NextFileAnswer(std::deque<T>& answers, const FileRequest& request) {
  files.push_back(request);
  if (answers.empty()) {
    ++unanswered;
    return T{};
  }
  T answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedDialogs::ShowFile(const FileRequest& request) {
  return NextFileAnswer(fileAnswers_, request);
}

std::vector<std::string> ScriptedDialogs::ShowFiles(const FileRequest& request) {
  return NextFileAnswer(filesAnswers_, request);
}

ScopedScriptedDialogs::ScopedScriptedDialogs() {
  auto scripted = std::make_unique<ScriptedDialogs>();
  scripted_ = scripted.get();
  previous_ = SetDialogs(std::move(scripted));
}

ScopedScriptedDialogs::~ScopedScriptedDialogs() { SetDialogs(std::move(previous_)); }

}  // namespace platform
