#include "admin/core/fexpcore.h"

#include <QString>

#include "platform/process.h"

namespace {

constexpr char kCommentMark = '#';
// The retain and release of the dictionary.
constexpr char kRetainDictionary[] = "rdbrtr -z -rw";
constexpr char kReleaseDictionary[] = "rdbrls -z -rw";
// Unless the user asked to stop on an existing output, it is overwritten.
constexpr char kOverwrite[] = " -e -y";

std::string Trimmed(const std::string& text) { return QString::fromStdString(text).trimmed().toStdString(); }

std::string Arg(const std::string& value) { return platform::QuoteArgument(value); }

void Append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
  to.insert(to.end(), lines.begin(), lines.end());
}

// One call: its command kept, its lines logged.
struct Calls {
  const TToolRun& run;
  TToolSequence& out;

  // The result and the lines printed.
  bool Call(const std::string& command, bool failOnEmpty, std::vector<std::string>* printed = nullptr) {
    std::vector<std::string> lines;
    out.Commands.push_back(command);
    const bool ok = run(command, lines, failOnEmpty);
    Append(out.Log, lines);
    if (printed) *printed = lines;
    return ok;
  }
  // A retain succeeds only when the tool said nothing at all.
  bool Retain(const std::string& command) {
    std::vector<std::string> lines;
    return Call(command, false, &lines) && lines.empty();
  }
};

}  // namespace

std::string DsiListName(const std::string& line) {
  const std::string trimmed = Trimmed(line);
  const size_t blank = trimmed.find(' ');
  if (blank == std::string::npos) return {};
  return Trimmed(trimmed.substr(0, blank));
}

bool SkipsDsiListLine(const std::string& name) { return name.empty() || name.front() == kCommentMark; }

bool HasFolderAndName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash != std::string::npos && slash + 1 < path.size();
}

std::string DumpFileName(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return path + "@";
  // The root keeps its separator.
  const std::string folder = slash == 0 ? std::string(1, '/') : path.substr(0, slash);
  return path.substr(slash + 1) + "@" + folder;
}

std::string DumpFileArgument(const std::string& path) { return Arg(DumpFileName(path)); }

std::optional<TInputError> CheckBackupInput(const TBackupInput& in) {
  if (in.Mode == bmDsi || in.Mode == bmDictionary) {
    if (Trimmed(in.ExpFile).empty()) return TInputError{"出力ファイル名を入力して下さい。", bfFile};
    if (!HasFolderAndName(in.ExpFile)) return TInputError{"出力ファイルの指定が正しくありません。", bfFile};
  }
  if ((in.Mode == bmDsi || in.Mode == bmExtent) && in.Dsi.empty())
    return TInputError{"出力するDSIを指定して下さい。", bfDsi};
  if (in.Mode == bmDsiList && Trimmed(in.CtrlFile).empty())
    return TInputError{"DSI指定ファイルを入力して下さい。", bfCtrlFile};
  if (in.Mode == bmExtent && Trimmed(in.CtrlFile).empty())
    return TInputError{"データベーススペース指定ファイルを入力して下さい。", bfCtrlFile};
  return std::nullopt;
}

TToolSequence RunBackup(const TBackupInput& in, const TToolRun& run) {
  TToolSequence out;
  Calls calls{run, out};
  const std::string option = std::string(" -N") + (in.ErrStop ? "" : kOverwrite);
  const std::string dsi = Arg(in.DataSource + "." + in.Dsi);
  switch (in.Mode) {
    case bmDsi:
    case bmExtent: {
      if (!calls.Retain("rdbrtr -i " + dsi)) return out;
      const std::string target = in.Mode == bmDsi ? DumpFileArgument(in.ExpFile) : Arg(in.CtrlFile);
      const bool dumped = calls.Call("rdbdmp -i " + dsi + " -f " + target + option, true);
      const bool released = calls.Call("rdbrls -i " + dsi, false);
      out.Success = dumped && released;
      return out;
    }
    case bmDsiList: {
      std::vector<std::string> retained;
      bool failed = false;
      for (const std::string& line : in.ListLines) {
        const std::string name = DsiListName(line);
        if (SkipsDsiListLine(name)) continue;
        if (!calls.Retain("rdbrtr -i " + Arg(name))) {
          failed = true;
          break;
        }
        retained.push_back(name);
      }
      // A list that names no DSI backs up nothing.
      if (retained.empty()) return out;
      const bool dumped = !failed && calls.Call("rdbdmp -t " + Arg(in.CtrlFile) + option, true);
      bool released = true;
      for (const std::string& name : retained) released = calls.Call("rdbrls -i " + Arg(name), false);
      out.Success = !failed && dumped && released;
      return out;
    }
    case bmDictionary: {
      if (!calls.Retain(kRetainDictionary)) return out;
      const bool dumped = calls.Call("rdbdmpdic -f " + DumpFileArgument(in.ExpFile) + option, true);
      const bool released = calls.Call(kReleaseDictionary, false);
      out.Success = dumped && released;
      return out;
    }
    default:
      return out;
  }
}
