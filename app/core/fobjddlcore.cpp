#include "app/core/fobjddlcore.h"

#include <QFileInfo>

#include <algorithm>

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"
#include "platform/qstr.h"

namespace {

constexpr const char* kGrantable = "YES";
constexpr const char* kHistoryExtension = ".SQL";

std::string WithSlash(const std::string& folder) {
  if (folder.empty() || folder.back() == '/') return folder;
  return folder + "/";
}

bool FileExists(const std::string& path) { return QFileInfo::exists(Q(path)); }

std::string BeforeFirstDot(const std::string& name) { return name.substr(0, name.find('.')); }

bool WantsSchemaPrefix(const TGrantItem& item, const std::string& owner, const std::string& userName,
                       int schemaOption) {
  switch (schemaOption) {
    case kSchemaAlways:
      return true;
    case kSchemaUnlessLoginUser:
      return Trim(owner) != userName;
    case kSchemaUnlessOwner:
      return QuoteIdent(item.Schema) != Trim(owner);
    default:  // 3 and above: never
      return false;
  }
}

}  // namespace

std::optional<TOpenCall> OpenCallFor(int kind, const std::string& schema, const std::string& name, uint8_t mode,
                                     int topCount) {
  switch (kind) {
    case okUser:
    case okUser2:
    case okRole:
    case okTablespace:
      return TOpenCall{kind, {"", name, 0, mode, 0, ""}};
    case okTable:
    case okView:
      return TOpenCall{kind, {schema, name, 0, mode, topCount, ""}};
    case okIndex:
    case okTrigger:
    case okSequence:
      return TOpenCall{kind, {schema, name, 0, mode, 0, ""}};
    case okProcedure:
    case okFunction:
      return TOpenCall{kind, {schema, name, kind, mode, 0, ""}};
    case okTablePartition:
      return TOpenCall{okTable, {schema, BeforeFirstDot(name), 0, mode, 0, ""}};
    case okIndexPartition:
      return TOpenCall{okIndex, {schema, BeforeFirstDot(name), 0, mode, 0, ""}};
    default:
      return std::nullopt;
  }
}

std::optional<TScriptArgs> ScriptArgsFor(int kind, const std::string& schema, const std::string& name,
                                         const std::string& newSchema, const std::string& newName) {
  switch (kind) {
    case okUser:
    case okUser2:
    case okRole:
    case okTablespace:
      return TScriptArgs{"", name, 0, "", "", false};
    case okTable:
      return TScriptArgs{schema, name, 0, newSchema, newName, ScriptOption.Index, ScriptOption.Insert};
    case okView:
      return TScriptArgs{schema, name, 0, newSchema, newName, false};
    case okIndex:
    case okTrigger:
    case okSequence:
      return TScriptArgs{schema, name, 0, "", "", false};
    case okProcedure:
    case okFunction:
      return TScriptArgs{schema, name, kind, "", "", false};
    default:
      return std::nullopt;
  }
}

std::vector<std::string> GrantLines(const std::vector<TPrivilegeRow>& rows, const TGrantItem& item,
                                    const std::string& owner, const std::string& userName, int schemaOption,
                                    const std::string& separator) {
  const std::string prefix =
      WantsSchemaPrefix(item, owner, userName, schemaOption) ? QuoteIdent(item.Schema) + "." : "";
  std::vector<std::string> lines;
  for (const TPrivilegeRow& row : rows) {
    std::string line = "GRANT " + Trim(row.Privilege) + " ON TABLE " + prefix + QuoteIdent(item.Name) + " TO " +
                       QuoteIdent(row.Grantee);
    // The grant option follows the catalogue, not a comparison of names.
    if (Trim(row.IsGrantable) == kGrantable) line += " WITH GRANT OPTION";
    lines.push_back(line);
    lines.push_back(separator);
  }
  return lines;
}

TSourceHistory BeforeSourceHistory(const TovOption& option) {
  return {option.SaveBeforeSource,    option.SaveBeforeSrcDir,  option.SaveBeforeSrcRenum, option.SaveBeforeSrcDialog,
          option.SaveBeforeSrcHead,   "変更前ソースの保存", " 変更前ソース"};
}

TSourceHistory AfterSourceHistory(const TovOption& option) {
  return {option.SaveAfterSource,  option.SaveAfterSrcDir,  option.SaveAfterSrcRenum, option.SaveAfterSrcDialog,
          option.SaveAfterSrcHead, "変更後ソースの保存", " 変更後ソース"};
}

namespace {
// A name as one folder of a path: without separators, and never "." or
// "..", which would name this folder or leave it.
std::string FolderComponent(const std::string& name) {
  std::string folder = SanitizeFileName(name);
  if (folder.find_first_not_of('.') == std::string::npos) std::replace(folder.begin(), folder.end(), '.', '_');
  return folder.empty() ? "_" : folder;
}
}  // namespace

std::string HistoryFolder(const std::string& dir, const std::string& schema, int kind) {
  return WithSlash(dir) + FolderComponent(schema) + "/" + FolderComponent(ObjectKindName(kind));
}

std::string HistoryFilePath(const std::string& folder, const std::string& base, bool renumber) {
  const std::string stem = WithSlash(folder) + base;
  if (!renumber) return stem + kHistoryExtension;
  for (int n = 0;; ++n) {
    const std::string path = stem + "_" + Format("%.2d", {n}) + kHistoryExtension;
    if (!FileExists(path)) return path;
  }
}

std::string NameTableFor(const std::vector<std::string>& nameTable, const std::string& dataSource) {
  for (const std::string& entry : nameTable) {
    const size_t equals = entry.find('=');
    if (equals != std::string::npos && UpperCase(entry.substr(0, equals)) == UpperCase(dataSource))
      return entry.substr(equals + 1);
  }
  return "";
}
