#include "admin/core/fimpcore.h"

#include <QString>

#include "app/core/zarur.h"
#include "platform/process.h"

namespace {

constexpr size_t kDumpInformationLines = 9;
constexpr char kDsiDumpCommand[] = "rdbdmp";
constexpr char kDsiDumpKind[] = "DSI";
constexpr char kDictionaryDumpCommand[] = "rdbdmpdic";
constexpr char kDictionaryDumpKind[] = "DIC";

std::string Trimmed(const std::string& text) { return QString::fromStdString(text).trimmed().toStdString(); }
std::string Arg(const std::string& value) { return platform::QuoteArgument(value); }
bool Holds(const std::string& line, const std::string& part) { return line.find(part) != std::string::npos; }

// The text as one word of a POSIX shell.
std::string ShellWord(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct Logged {
  const TToolRun& run;
  TToolSequence& out;

  bool Call(const std::string& command, bool failOnEmpty, bool logged, bool* spoke = nullptr) {
    std::vector<std::string> lines;
    out.Commands.push_back(command);
    const bool ok = run(command, lines, failOnEmpty);
    if (logged) out.Log.insert(out.Log.end(), lines.begin(), lines.end());
    if (spoke) *spoke = !lines.empty();
    return ok;
  }
  // An inhibit succeeds only when the tool said nothing at all.
  bool Inhibit(const std::string& target) {
    bool spoke = false;
    return Call("rdbinh -i " + target, false, true, &spoke) && !spoke;
  }
};

}  // namespace

std::optional<TInputError> CheckRestoreInput(const TRestoreInput& in) {
  const bool control = in.Mode == bmDsiList || in.Mode == bmExtent;
  if (in.Mode >= bmDsi && in.Mode <= bmDictionary) {
    if (Trimmed(in.File).empty())
      return TInputError{control ? "バックアップ制御ファイル名を入力して下さい。" : "入力ファイル名を入力して下さい。",
                         bfFile};
    if (!HasFolderAndName(in.File))
      return TInputError{control ? "バックアップ制御ファイルの指定が正しくありません。"
                                 : "入力ファイルの指定が正しくありません。",
                         bfFile};
  }
  if ((in.Mode == bmDsi || in.Mode == bmExtent) && in.Dsi.empty())
    return TInputError{"出力するDSIを指定して下さい。", bfDsi};
  if (in.Mode != bmDictionary && in.Mode >= bmDsi && Trimmed(in.WorkDir).empty())
    return TInputError{"ワークファイルパスを入力して下さい。", bfWorkDir};
  return std::nullopt;
}

std::string DumpInformationCommand(const std::string& file) { return "rdbdvinf -r " + Arg(file) + " -h -a"; }

bool DumpMatches(const std::vector<std::string>& lines, int mode, const std::string& dsiText) {
  if (lines.size() != kDumpInformationLines) return false;
  const std::string& last = lines.back();
  if (mode == bmDictionary) return Holds(last, kDictionaryDumpCommand) && Holds(last, kDictionaryDumpKind);
  return Holds(last, kDsiDumpCommand) && Holds(last, kDsiDumpKind) && Holds(last, dsiText);
}

TRestoreRun RunRestore(const TRestoreInput& in, const TToolRun& run) {
  TRestoreRun result;
  Logged calls{run, result.Sequence};
  const std::string work = Arg(in.WorkDir);
  const std::string dsi = Arg(in.DataSource + "." + in.Dsi);
  switch (in.Mode) {
    case bmDsi:
    case bmExtent: {
      if (!calls.Inhibit(dsi)) return result;
      const std::string source = in.Mode == bmDsi ? DumpFileArgument(in.File) : Arg(Trimmed(in.File));
      const bool recovered = calls.Call("rdbrcv -L -i " + dsi + " -f " + source + " -w " + work, false, true);
      if (!recovered) calls.Call("rdbpmt -i " + dsi, false, false);
      result.End = recovered ? TRestoreEnd::Completed : TRestoreEnd::Failed;
      return result;
    }
    case bmDsiList: {
      std::vector<std::string> inhibited;
      bool failed = false;
      for (const std::string& line : in.ListLines) {
        const std::string name = DsiListName(line);
        if (SkipsDsiListLine(name)) continue;
        if (!calls.Inhibit(Arg(name))) {
          failed = true;
          break;
        }
        inhibited.push_back(name);
      }
      const bool recovered =
          !failed && calls.Call("rdbrcv -L -t " + Arg(in.File) + " -w " + work, true, true);
      for (const std::string& name : inhibited) calls.Call("rdbrls -i " + Arg(name), false, false);
      result.End = recovered ? TRestoreEnd::Completed : TRestoreEnd::Failed;
      return result;
    }
    default:
      result.End = TRestoreEnd::Completed;
      return result;
  }
}

std::string DictionaryScriptText(const std::string& dumpFile) {
  // Waits for one key where a terminal shows the script; without one the
  // read ends at once.
  return "#!/bin/sh\n"
         "rdbstop -mc\n"
         "rdbrcvdic -L -f " + ShellWord(DumpFileName(dumpFile)) + "\n"
         "rdbstart\n"
         "echo ディクショナリの復元処理が終了しました\n"
         "echo 何かキーを押すと終了します\n"
         "saved=$(stty -g 2>/dev/null)\n"
         "stty -icanon -echo min 1 2>/dev/null\n"
         "dd bs=1 count=1 >/dev/null 2>&1\n"
         "[ -n \"$saved\" ] && stty \"$saved\" 2>/dev/null\n"
         "exit 0\n";
}

bool RunDictionaryRestore(const std::string& workFolder, const std::string& dumpFile,
                          const TDictionaryRestorePort& port) {
  if (port.Ask(kDictionaryQuestion, MB_YESNO | MB_ICONWARNING) != IDYES) return false;
  port.Ask(kDictionaryNotice, MB_ICONWARNING);
  // The state is saved on a best-effort basis: the restore must go on even
  // when, say, the registry file cannot be written.
  try {
    port.SaveState();
  } catch (const std::exception&) {
  }
  const std::string script = workFolder + kDictionaryScript;
  port.WriteScript(script, DictionaryScriptText(dumpFile));
  port.StartScript(script);
  port.EndProgram();
  return true;
}
