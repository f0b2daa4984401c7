// Child processes for the command-line tools: a command line split by the
// Windows quoting rules, started without a shell, with standard output and
// standard error read through pipes into one list of lines.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// The arguments of a command line as the Windows C runtime splits it: the
// program name up to the next blank or inside double quotes; further
// arguments at blanks and TABs outside quotes, 2n backslashes before a
// quote giving n backslashes and a quote toggle, 2n+1 giving n and a
// literal quote, and "" inside quotes a literal quote.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// An argument written so that SplitCommandLine gives it back as one, whatever
// blanks, quotes, backslashes or shell characters it holds; a plain word
// stays as it is.
std::string QuoteArgument(const std::string& argument);

// Lines of a process's output streams: each stream is split at LF with CR
// removed, so a line unfinished on one stream never takes in text of the
// other; lines are listed as they are completed, and the unterminated last
// line of each stream is kept at the end.
class OutputLines {
 public:
  explicit OutputLines(size_t streams) : pending_(streams) {}
  void Add(size_t stream, const std::string& bytes);
  // Ends every stream; returns the lines.
  std::vector<std::string> Finish();

 private:
  std::vector<std::string> pending_;
  std::vector<std::string> lines_;
};

// What a run left behind.
struct ProcessRun {
  bool started = false;  // false: the program could not be started
  int exitStatus = -1;
  std::vector<std::string> lines;  // standard output and error, as bytes
};

// Bytes taken from one pipe per polling pass.
inline constexpr size_t kPipeReadChunk = 8191;

// Runs the command line with standard input on the null device and reads
// both pipes to their end, at most kPipeReadChunk bytes from each per
// polling pass, calling `eachPass` before every pass; then waits for the
// process. Blocks the calling thread.
ProcessRun RunProcess(const std::string& commandLine, const std::function<void()>& eachPass);

// Tool output as text: taken as UTF-8 when it is valid UTF-8, else
// converted from CP932.
std::string DecodeToolOutput(const std::string& bytes);

}  // namespace platform
