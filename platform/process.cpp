#include "platform/process.h"

#include "platform/textcodec.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cerrno>
#include <string_view>

extern char** environ;

namespace platform {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

constexpr int kPollMillis = 20;
// How long the pipes are still read once the process has ended: a child it
// left behind may hold them open for ever.
constexpr int kPipeGraceMillis = 500;
constexpr char kNullDevice[] = "/dev/null";

// A pipe whose ends are closed when it goes.
class Pipe {
 public:
  Pipe() {
    if (pipe2(fds_.data(), O_CLOEXEC) != 0) fds_ = {-1, -1};
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  bool Ok() const { return fds_[0] >= 0; }
  int Read() const { return fds_[0]; }
  int Write() const { return fds_[1]; }
  void CloseRead() { Close(fds_[0]); }
  void CloseWrite() { Close(fds_[1]); }

 private:
  static void Close(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  std::array<int, 2> fds_{};
};

// Reads one chunk into `output`; false at the end of the pipe.
bool ReadChunk(int fd, size_t stream, OutputLines& output) {
  std::array<char, kPipeReadChunk> buffer{};
  for (;;) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n > 0) {
      output.Add(stream, std::string(buffer.data(), static_cast<size_t>(n)));
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    return false;
  }
}

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
  std::vector<std::string> args;
  size_t i = 0;
  const size_t n = commandLine.size();
  while (i < n && IsBlank(commandLine[i])) ++i;
  if (i == n) return args;
  // The program name knows no escapes.
  std::string program;
  if (commandLine[i] == '"') {
    ++i;
    while (i < n && commandLine[i] != '"') program += commandLine[i++];
    if (i < n) ++i;
  } else {
    while (i < n && !IsBlank(commandLine[i])) program += commandLine[i++];
  }
  args.push_back(program);
  for (;;) {
    while (i < n && IsBlank(commandLine[i])) ++i;
    if (i >= n) break;
    std::string arg;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(commandLine[i]))) {
      if (commandLine[i] == '\\') {
        size_t slashes = 0;
        while (i < n && commandLine[i] == '\\') ++slashes, ++i;
        if (i < n && commandLine[i] == '"') {
          arg.append(slashes / 2, '\\');
          if (slashes % 2 == 1) {
            arg += '"';
            ++i;
          }
        } else {
          arg.append(slashes, '\\');
        }
      } else if (commandLine[i] == '"') {
        if (quoted && i + 1 < n && commandLine[i + 1] == '"') {
          arg += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        arg += commandLine[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

std::string QuoteArgument(const std::string& argument) {
  static const std::string_view kPlain =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-./:=@%+,";
  const bool plain = !argument.empty() && std::all_of(argument.begin(), argument.end(), [](char c) {
    return kPlain.find(c) != std::string_view::npos || static_cast<unsigned char>(c) >= 0x80;
  });
  if (plain) return argument;
  std::string quoted = "\"";
  size_t slashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    quoted.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    quoted += c;
    slashes = 0;
  }
  // Those before the closing quote are doubled too.
  quoted.append(slashes * 2, '\\');
  return quoted + "\"";
}

ProcessRun RunProcess(const std::string& commandLine, const std::function<void()>& eachPass) {
  ProcessRun run;
  std::vector<std::string> args = SplitCommandLine(commandLine);
  if (args.empty() || args[0].empty()) return run;
  Pipe out, err;
  if (!out.Ok() || !err.Ok()) return run;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, kNullDevice, O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.Write(), STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err.Write(), STDERR_FILENO);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return run;
  run.started = true;
  out.CloseWrite();
  err.CloseWrite();

  // Both pipes are read to their end, so nothing printed is lost whatever
  // the order in which the process ends and its pipes drain; once it has
  // ended they are read for a short grace only.
  std::array<pollfd, 2> fds{pollfd{out.Read(), POLLIN, 0}, pollfd{err.Read(), POLLIN, 0}};
  OutputLines output(fds.size());
  size_t open = fds.size();
  int status = 0;
  bool ended = false;
  std::chrono::steady_clock::time_point endedAt;
  while (open > 0) {
    if (!ended && waitpid(pid, &status, WNOHANG) == pid) {
      ended = true;
      endedAt = std::chrono::steady_clock::now();
    }
    if (ended && std::chrono::steady_clock::now() - endedAt > std::chrono::milliseconds(kPipeGraceMillis)) break;
    if (eachPass) eachPass();
    for (pollfd& p : fds) p.revents = 0;
    const int ready = poll(fds.data(), fds.size(), kPollMillis);
    if (ready < 0 && errno != EINTR) break;
    for (size_t stream = 0; stream < fds.size(); ++stream) {
      pollfd& p = fds[stream];
      if (p.fd < 0 || p.revents == 0) continue;
      if (!ReadChunk(p.fd, stream, output)) {
        p.fd = -1;
        --open;
      }
    }
  }
  run.lines = output.Finish();
  while (!ended && waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string DecodeToolOutput(const std::string& bytes) {
  return DecodeUtf8OrCp932(bytes);
}

void OutputLines::Add(size_t stream, const std::string& bytes) {
  std::string& line = pending_.at(stream);
  for (char c : bytes) {
    if (c == '\n') {
      lines_.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
}

std::vector<std::string> OutputLines::Finish() {
  for (std::string& line : pending_) {
    if (!line.empty()) lines_.push_back(line);
    line.clear();
  }
  return std::move(lines_);
}

}  // namespace platform
