#include "sqlwork/core/fsoptioncore.h"

#include <stdexcept>

#include "app/core/fobjcmdcore.h"
#include "app/core/zarur.h"

namespace {
constexpr char kFolderEnd = '/';
constexpr char kEntrySeparator = '=';
constexpr char kSchemaSeparator = '.';

bool IsEntryOf(const std::string& entry, const std::string& dataSource) {
  const size_t equals = entry.find(kEntrySeparator);
  return equals != std::string::npos && UpperCase(entry.substr(0, equals)) == UpperCase(dataSource);
}
}  // namespace

TScriptOptionEnabling ScriptOptionEnabling(const TScriptOptionInput& in) {
  TScriptOptionEnabling out;
  out.SubDir = !in.OneScript;
  out.NameTable = !in.OneScript && in.HasConnection;
  out.NameTableButton = !in.NameTableEmpty && in.HasConnection;
  out.InsertMode = in.Insert;
  out.GrantMode = in.Grant;
  return out;
}

std::optional<std::string> ScriptTargetError(const std::string& text) {
  if (Trim(text).empty()) return kNoScriptTarget;
  return std::nullopt;
}

std::string StoredScriptTarget(const std::string& text, bool oneScript) {
  if (oneScript || (!text.empty() && text.back() == kFolderEnd)) return text;
  return Trim(text) + kFolderEnd;
}

void SetNameTableFor(std::vector<std::string>& nameTable, const std::string& dataSource, const std::string& table) {
  bool kept = table.empty();
  for (auto it = nameTable.begin(); it != nameTable.end();) {
    if (!IsEntryOf(*it, dataSource)) {
      ++it;
    } else if (!kept) {
      *it = dataSource + kEntrySeparator + table;
      kept = true;
      ++it;
    } else {
      it = nameTable.erase(it);
    }
  }
  if (!kept) nameTable.push_back(dataSource + kEntrySeparator + table);
}

std::string NameTableSchemaPart(const std::string& entry) {
  const size_t dot = entry.find(kSchemaSeparator);
  return dot == std::string::npos ? std::string() : entry.substr(0, dot);
}

std::string NameTableCheckSQL(const std::string& table) {
  if (!ValidNameTable(table)) throw std::runtime_error(kInvalidNameTable);
  return "SELECT DB_NAME, SCHEMA_NAME,  OBJECT_NAME, OBJECT_TYPE, SCRIPT_NAME FROM " + table;
}

void StoreScriptOption(TScriptOption& stored, const TScriptOption& shown, const std::string& nameTable,
                       const std::optional<std::string>& dataSource) {
  std::vector<std::string> names = stored.NameTable;
  if (dataSource) SetNameTableFor(names, *dataSource, nameTable);
  stored = shown;
  stored.Path = StoredScriptTarget(shown.Path, shown.OneScript);
  stored.NameTable = std::move(names);
}
