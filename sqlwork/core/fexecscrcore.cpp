#include "sqlwork/core/fexecscrcore.h"

#include <algorithm>
#include <stdexcept>

#include "app/core/zarur.h"
#include "sqlwork/core/fsqlcore.h"
#include "sqlwork/core/ovsqlbld.h"

namespace {

constexpr size_t kLoggedHead = 3;
constexpr size_t kLoggedWhole = 4;

bool StartsWithWord(const std::string& text, const std::string& word) {
  if (text == word) return true;
  return text.size() > word.size() && text.compare(0, word.size(), word) == 0 &&
         std::string(" \t\r\n").find(text[word.size()]) != std::string::npos;
}

// Raised to end the run at the first error.
struct TErrorStop {};

}  // namespace

bool IsRemarkLine(const std::string& line) {
  const std::string text = UpperCase(TrimBlanks(line));
  return text.empty() || StartsWithWord(text, "REM") || StartsWithWord(text, "REMARK");
}

std::vector<std::string> StripRemarkLines(std::vector<std::string> lines) {
  auto first = std::find_if_not(lines.begin(), lines.end(), IsRemarkLine);
  lines.erase(lines.begin(), first);
  while (!lines.empty() && IsRemarkLine(lines.back())) lines.pop_back();
  return lines;
}

std::vector<std::string> LoggedStatement(const std::vector<std::string>& lines) {
  if (lines.size() <= kLoggedWhole) return lines;
  std::vector<std::string> logged(lines.begin(), lines.begin() + kLoggedHead);
  logged.push_back(kScriptOmitted);
  logged.push_back(lines.back());
  return logged;
}

std::string ScriptHeading(const std::string& path) { return "スクリプト実行 [ " + path + " ]"; }

std::string ScriptRunMessage(int errors) {
  std::string text = "スクリプトの実行を終了しました。";
  if (errors > 0) text += "\r\n( " + std::to_string(errors) + "個のエラーが発生しました )";
  return text;
}

int RunScripts(TScriptRunPort& port, std::vector<TScriptEntry>& entries, const std::string& separator,
                            bool errorStop) {
  int errors = 0;
  for (TScriptEntry& entry : entries) entry.RanCleanly = false;
  const int files = static_cast<int>(entries.size());
  try {
    for (int f = 0; f < files; ++f) {
      TScriptEntry& entry = entries[static_cast<size_t>(f)];
      std::vector<std::string> lines;
      try {
        lines = port.ReadScript(entry.Path);
      } catch (const std::exception& e) {
        port.ReportError(e.what());
        ++errors;
        throw TErrorStop{};
      }
      bool clean = true;
      std::vector<std::string> buffer;
      auto runBuffer = [&] {
        std::vector<std::string> statement = StripRemarkLines(std::move(buffer));
        buffer.clear();
        if (Trim(JoinSQLLines(statement)).empty()) return;
        try {
          port.ExecStatement(JoinSQLLines(statement));
          port.Log({kScriptSucceeded}, false);
        } catch (const std::exception& e) {
          clean = false;
          ++errors;
          std::vector<std::string> log{kScriptFailed};
          for (std::string& line : LoggedStatement(statement)) log.push_back(std::move(line));
          for (std::string& line : SQLTextLines(e.what())) log.push_back(std::move(line));
          port.Log(log, true);
          if (errorStop) throw TErrorStop{};
        }
      };
      port.Log({"", ScriptHeading(entry.Path)}, false);
      for (const std::string& line : lines) {
        if (port.EscapePressed()) throw TErrorStop{};
        port.Progress(f, files);
        if (IsSeparatorLine(line, separator))
          runBuffer();
        else
          buffer.push_back(line);
      }
      runBuffer();
      entry.RanCleanly = clean;
    }
  } catch (const TErrorStop&) {
  }
  return errors;
}

int ScriptListExtent(const std::vector<int>& textWidths) {
  if (textWidths.empty()) return 0;
  return *std::max_element(textWidths.begin(), textWidths.end()) + kScriptListExtentRoom;
}

bool TSortDirections::Next(int column) {
  const auto at = static_cast<size_t>(column);
  if (descending_.size() <= at) descending_.resize(at + 1, false);
  const bool ascending = !descending_[at];
  descending_[at] = ascending;
  return ascending;
}

std::vector<TScriptEntry> RemainingScripts(const std::vector<TScriptEntry>& entries) {
  std::vector<TScriptEntry> remaining;
  std::copy_if(entries.begin(), entries.end(), std::back_inserter(remaining),
               [](const TScriptEntry& entry) { return !entry.RanCleanly; });
  return remaining;
}

bool RunScriptList(TScriptRunPort& port, std::vector<TScriptEntry>& entries, const std::string& separatorEdit) {
  TCheckList checks{{kScriptCompDelItem, AppOption.ScriptCompDel}, {kScriptErrStopItem, AppOption.ScriptErrStop}};
  const int answer = MsgBoxWithChecks(kScriptRunQuestion, MB_YESNO | MB_ICONQUESTION, checks);
  AppOption.ScriptCompDel = checks[0].checked;
  AppOption.ScriptErrStop = checks[1].checked;
  if (answer != IDYES) return false;
  if (!separatorEdit.empty()) AppOption.Separator = separatorEdit;
  port.ClearLog();
  const int errors = RunScripts(port, entries, AppOption.Separator, AppOption.ScriptErrStop);
  if (AppOption.ScriptCompDel) entries = RemainingScripts(entries);
  MsgBox(ScriptRunMessage(errors), MB_ICONINFORMATION);
  return true;
}
