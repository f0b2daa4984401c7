#include "app/core/ovrunner.h"

#include <QCursor>
#include <QFile>
#include <QGuiApplication>

#include <chrono>
#include <stdexcept>
#include <thread>

#include "app/core/ovreg.h"
#include "app/core/zarur.h"
#include "platform/folders.h"
#include "platform/process.h"
#include "platform/qstr.h"
#include "platform/savefile.h"

namespace {

constexpr char kLineBreak[] = "\r\n";
constexpr char kListDatabases[] = "rdbprt -m DB";
constexpr int kDatabaseListHeadings = 2;
constexpr size_t kDatabaseNameField = 1;
constexpr int kLocal = 0;
constexpr int kRemote = 1;
constexpr char kCannotWrite[] = "ファイルに書き込めません: ";

const char kPathDelimiter = '/';

// True while the database-space window's control file asks for a pause.
bool DbSpaceBeingCreated() {
  QFile file(Q(WorkFolder() + kDbSpaceControlFile));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const std::string head = file.read(static_cast<qint64>(sizeof(kDbSpaceCreating) - 1)).toStdString();
  return head == kDbSpaceCreating;
}

void PauseWhileDbSpaceCreated() {
  if (DbSpaceBeingCreated()) std::this_thread::sleep_for(std::chrono::milliseconds(AppOption.SleepTime));
}

// Runs the tool and appends its lines; false when it could not start.
bool CollectOutput(const std::string& commandLine, std::vector<std::string>& lines, bool pause) {
  const platform::ProcessRun run =
      platform::RunProcess(commandLine, pause ? std::function<void()>(PauseWhileDbSpaceCreated) : nullptr);
  if (!run.started) return false;
  for (const std::string& line : run.lines) lines.push_back(platform::DecodeToolOutput(line));
  return true;
}

}  // namespace

TSqlWaitCursor::TSqlWaitCursor() : shown_(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
  if (shown_) QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
}

TSqlWaitCursor::~TSqlWaitCursor() {
  if (shown_) QGuiApplication::restoreOverrideCursor();
}

// An empty work folder stays empty (the current folder), never the root.
std::string WorkFolder() {
  const std::string& folder = AppOption.TempDir;
  return folder.empty() || folder.back() == kPathDelimiter ? folder : folder + kPathDelimiter;
}

std::optional<std::string> FailingReturnCodeLine(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    if (line.find(kReturnCodeWord) == std::string::npos) continue;
    if (line.find(kReturnCodeSuccess) != std::string::npos) return std::nullopt;
    return line;
  }
  return std::nullopt;
}

std::string WriteTempFile(const std::string& fileName, const std::string& text) {
  const std::string path = WorkFolder() + fileName;
  const std::string folder = path.substr(0, path.rfind(kPathDelimiter) + 1);
  platform::CreateFolder(folder);
  if (platform::SaveFileWhole(path, text + kLineBreak) != 0) throw std::runtime_error(kCannotWrite + path);
  // Quoted always: a path with a blank or a lower-case letter would
  // otherwise split or change on the command line.
  const std::string quoted = QuoteIdent(path);
  return quoted.starts_with('"') ? quoted : '"' + quoted + '"';
}

bool RunCommand(const std::string& commandLine, std::vector<std::string>& lines, bool failOnEmpty) {
  TSqlWaitCursor wait;
  if (!CollectOutput(commandLine, lines, true)) return false;
  if (failOnEmpty && lines.empty()) return false;
  if (std::optional<std::string> failure = FailingReturnCodeLine(lines)) {
    MsgBox(kCommandFailed + *failure, MB_ICONERROR);
    return false;
  }
  return true;
}

bool RunCommandQuiet(const std::string& commandLine, std::vector<std::string>& lines) {
  TSqlWaitCursor wait;
  if (!CollectOutput(commandLine, lines, false)) return false;
  return !FailingReturnCodeLine(lines).has_value();
}

bool ListsLocalDatabase(const std::vector<std::string>& lines, const std::string& dataSource) {
  if (ListToText(lines).find(kReturnCodeSuccess) == std::string::npos) return false;
  const std::string name = UpperCase(dataSource);
  for (const TAryStr& row : SplitListToArray(lines, ' ', kDatabaseListHeadings))
    if (row.size() > kDatabaseNameField && Trim(row[kDatabaseNameField]) == name) return true;
  return false;
}

int IsRemoteDataSource(const std::string& dataSource) {
  TSqlWaitCursor wait;
  try {
    std::vector<std::string> lines;
    if (RunCommandQuiet(kListDatabases, lines) && ListsLocalDatabase(lines, dataSource)) return kLocal;
  } catch (...) {
    // The probe never fails visibly: any failure means remote.
  }
  return kRemote;
}
