#include "tools/core/fusrcmdcore.h"

#include <QString>

#include <algorithm>

#include "app/core/zarur.h"

namespace {

bool SameName(const std::string& a, const std::string& b) {
  return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

}  // namespace

std::optional<TUserCommandProblem> CheckUserCommand(const std::string& name, const std::string& sql) {
  const std::string trimmed = Trim(name);
  if (trimmed.empty()) return TUserCommandProblem{kNoCommandName, TUserCommandField::Name};
  if (!IsDocumentName(name)) return TUserCommandProblem{kInvalidNameMessage, TUserCommandField::Name};
  if (TrimBlanks(sql).empty()) return TUserCommandProblem{kNoCommandSQL, TUserCommandField::SQL};
  return std::nullopt;
}

bool CommandNameTaken(const std::vector<TUserCommandEntry>& entries, int selected, const std::string& name) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (static_cast<int>(i) != selected && SameName(entries[i].Name, name)) return true;
  return false;
}

int PlaceSavedCommand(std::vector<TUserCommandEntry>& entries, const std::string& name, int32_t seq) {
  const auto listed =
      std::find_if(entries.begin(), entries.end(), [&name](const TUserCommandEntry& e) { return SameName(e.Name, name); });
  if (listed == entries.end())
    entries.push_back({name, seq});
  else
    listed->Seq = seq;
  SortUserCommands(entries);
  for (size_t i = 0; i < entries.size(); ++i)
    if (SameName(entries[i].Name, name)) return static_cast<int>(i);
  return -1;
}

std::string CommandFileName(const std::vector<TUserCommandEntry>& entries, const std::string& name) {
  for (const TUserCommandEntry& e : entries)
    if (SameName(e.Name, name)) return e.Name;
  return name;
}
