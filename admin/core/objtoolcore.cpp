#include "admin/core/objtoolcore.h"

#include "app/core/zarur.h"
#include "platform/process.h"

namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr char kTableSwitch[] = " -t";
constexpr char kDsoSwitch[] = " -g";
constexpr char kDsiSwitch[] = " -i";
constexpr char kRecoverySwitch[] = " -R";

const char* UnitSwitch(TAnalyzeUnit unit) {
  switch (unit) {
    case TAnalyzeUnit::Dso:
      return kDsoSwitch;
    case TAnalyzeUnit::Dsi:
      return kDsiSwitch;
    case TAnalyzeUnit::Table:
      break;
  }
  return kTableSwitch;
}

}  // namespace

std::string SchemaFilterText(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += name + kLineEnd;
  return text;
}

std::string RdbupsCommand(const TRdbupsTarget& target) {
  std::string object = target.DataSource + ".";
  if (!target.Schema.empty()) object += target.Schema + ".";
  object += target.Name.empty() ? target.ComboText : target.Name;
  std::string command = std::string(kRdbupsTool) + UnitSwitch(target.Unit) + " " + platform::QuoteArgument(object);
  if (target.Recovery) command += kRecoverySwitch;
  return command;
}

std::string GrepWord(const std::string& text, bool caseSensitive) {
  return caseSensitive ? text : UpperCase(text);
}

bool GrepWordGiven(const std::string& text) { return !Trim(text).empty(); }
