#include "app/core/fobjcmdcore.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <regex>
#include <stdexcept>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include "app/core/ovkinds.h"
#include "app/core/zarur.h"

std::vector<TCopyObjectList> CopiedObjects;

namespace {

// Routines cannot be read from a remote server with an old catalogue.
constexpr int32_t kLastLevelWithoutRemoteRoutines = 9;

constexpr const char* kEditorPrefix = "kind:";
constexpr const char* kRowCountPrompt = "レコード件数";
constexpr const char* kMakeDefault = "既定値にする";
constexpr const char* kBodyScriptExtension = "B.SQL";
constexpr std::string_view kEndWord = "END";
// Stands in for a name part that would name no file or leave the folder.
constexpr const char* kUnusablePartPrefix = "_";

TScriptOutputDialog& ScriptOutputHook() {
  static TScriptOutputDialog hook;
  return hook;
}
TGrepDialog& GrepHook() {
  static TGrepDialog hook;
  return hook;
}

bool IsRoutine(int kind) { return kind == okProcedure || kind == okFunction; }
bool RenamesNamePart(int kind) { return kind == okJavaSource || (kind >= okProcedure && kind <= okTrigger); }
bool HasEndLine(int kind) { return kind >= okProcedure && kind <= okTrigger; }

std::string Qualified(const std::string& owner, const std::string& name) {
  return QuoteIdent(owner) + "." + QuoteIdent(name);
}

// Replaces every occurrence of `from` in `text` at or after `start`.
std::string ReplaceFrom(std::string text, size_t start, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (size_t at = text.find(from, start); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Renames a routine's first line in place; false when the line does not
// name the copied object.
bool RenameNamePart(std::string& line, const TCopyObjectList& record, const std::string& targetSchema,
                    const std::string& newName) {
  std::string schema;
  size_t at = std::string::npos;
  for (const std::string& candidate : {QuoteIdent(record.Schema), record.Schema}) {
    at = line.find(candidate + ".");
    if (at != std::string::npos) {
      schema = candidate;
      break;
    }
  }
  if (at == std::string::npos) return false;
  const size_t partStart = at + schema.size() + 1;
  size_t partEnd = line.find(' ', partStart);
  if (partEnd == std::string::npos) partEnd = line.find('(', partStart);
  partEnd = partEnd == std::string::npos ? line.size() : partEnd + 1;
  const std::string part = line.substr(partStart, partEnd - partStart);
  if (part.find(record.ObjectName) == std::string::npos) return false;
  // The copy lands in the schema the user chose, not in the copied one's.
  line = line.substr(0, at) + QuoteIdent(targetSchema) + "." + ReplaceFrom(part, 0, record.ObjectName, newName) +
         line.substr(partEnd);
  return true;
}

bool IsPlainNameChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '$' || c == '#' || c >= 0x80;
}

// One plain or double-quoted name at `pos`; the position after it, or npos.
size_t NameEnd(const std::string& text, size_t pos) {
  if (pos >= text.size()) return std::string::npos;
  if (text[pos] != '"') {
    size_t end = pos;
    while (end < text.size() && IsPlainNameChar(static_cast<unsigned char>(text[end]))) ++end;
    return end == pos ? std::string::npos : end;
  }
  size_t end = pos + 1;
  size_t length = 0;
  while (end < text.size()) {
    if (text[end] == '"') {
      if (end + 1 < text.size() && text[end + 1] == '"') {
        end += 2;
        ++length;
        continue;
      }
      return length == 0 ? std::string::npos : end + 1;
    }
    ++end;
    ++length;
  }
  return std::string::npos;
}

}  // namespace

void SetScriptOutputDialog(TScriptOutputDialog dialog) { ScriptOutputHook() = std::move(dialog); }
const TScriptOutputDialog& ScriptOutputDialog() { return ScriptOutputHook(); }
void SetGrepDialog(TGrepDialog dialog) { GrepHook() = std::move(dialog); }
const TGrepDialog& GrepDialog() { return GrepHook(); }

std::optional<int> AskRowCount(const std::string& caption) {
  std::string value = std::to_string(AppOption.DefTopRecord);
  TCheckList checks = {{kMakeDefault, false}};
  if (!InputDialog(caption, kRowCountPrompt, value, true, checks)) return std::nullopt;
  const int count = value.empty() ? 0 : std::stoi(value);
  if (checks.front().checked && count > 0) AppOption.DefTopRecord = count;
  return count;
}

// ---- availability ----

const std::vector<TNewObjectEntry>& NewObjectEntries() {
  static const std::vector<TNewObjectEntry> entries = {
      {"actNewTable", "テーブル(&T)", okTable},       {"actNewIndex", "インデックス(&I)", okIndex},
      {"actNewView", "ビュー(&V)", okView},           {"actNewProc", "プロシージャ(&P)", okProcedure},
      {"actNewFunc", "ファンクション(&F)", okFunction}, {"actNewTrigger", "トリガー(&R)", okTrigger},
      {"actNewSequence", "順序(&S)", okSequence},     {"actNewConstraint", "制約(&C)", okConstraint},
  };
  return entries;
}

std::string EditorName(int kind) { return kEditorPrefix + std::to_string(kind); }

std::optional<int> EditorKindOf(const std::string& name) {
  const std::string prefix = kEditorPrefix;
  if (name.compare(0, prefix.size(), prefix) != 0) return std::nullopt;
  try {
    return std::stoi(name.substr(prefix.size()));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

bool IsKindNode(const TTreeSelection& node, int treeSort) {
  return treeSort == kTreeByKind ? node.Level >= 1 : node.Level == 2;
}

std::map<std::string, TActionState> ObjectMenuState(const TObjectMenuInput& in) {
  std::map<std::string, TActionState> state;
  const auto registered = [&](const std::string& name) { return in.Registered && in.Registered(name); };
  const bool selected = !in.SelectedKinds.empty();
  const bool oldRemote = in.Remote && in.CatalogLevel <= kLastLevelWithoutRemoteRoutines;
  const auto anyEditor = [&](const std::vector<int>& kinds) {
    return std::any_of(kinds.begin(), kinds.end(), [&](int kind) { return registered(EditorName(kind)); });
  };

  const bool kindNode = IsKindNode(in.Node, in.TreeSort);
  state["mnuNew1"] = {true, !kindNode};
  state["actNew"] = {kindNode && registered(EditorName(in.NodeImage)) && !(oldRemote && IsRoutine(in.NodeImage)),
                     kindNode};
  for (const TNewObjectEntry& entry : NewObjectEntries())
    state[entry.Name] = {registered(EditorName(entry.Kind)) && !(oldRemote && IsRoutine(entry.Kind)),
                         entry.Kind != okConstraint};

  const bool openable = selected && anyEditor(in.SelectedKinds);
  for (const char* name : {"actOpen", "actOpenDefine", "actOpenSource", "actOpenData", "actOpenDataTop"})
    state[name] = {openable, true};
  std::vector<int> crossKinds;
  for (int kind : in.SelectedKinds)
    if (kind == okTable || kind == okView || IsRoutine(kind) || kind == okTrigger) crossKinds.push_back(kind);
  state["actCross"] = {selected && anyEditor(crossKinds), true};
  for (const char* name : {"actCompile", "actPrint", "actSynonym", "actCopy", "actDelete", "actAddWorkSpace"})
    state[name] = {selected, true};
  state["actScript"] = {selected && registered(kScriptOutputHook), true};
  state["actExec"] = {selected && registered(kExecProcCommand), true};
  state["actMatrix"] = {selected && registered(kCrossMatrixCommand), true};
  state["actGrant"] = {selected && registered(kObjectGrantCommand), true};
  state["actAnalyze"] = {selected && !in.Remote && registered(kStatisticsCommand), true};
  state["actExport"] = {selected && !in.Remote && !in.LevelReduced && registered(kAdminExportAction), true};
  state["actLoad"] = {selected && !in.Remote && !in.LevelReduced && registered(kAdminLoadAction), true};
  state["mnuReport"] = {selected && in.ReportEntries, true};
  state["actPaste"] = {in.Copied && registered(kPasteWindows), true};
  state["mnuCommand"] = {in.CommandEntries, true};
  state["actComment"] = {selected && IsRoutine(in.SelectedKinds.front()) && !oldRemote &&
                             registered(kCommentCheckCommand),
                         true};
  state["actGrep"] = {registered(kGrepHook), true};

  const bool root = in.Node.Level == 0;
  const std::vector<std::pair<const char*, const char*>> treeCommands = {
      {"actUser", kAdminUserAction},         {"actStorage", kAdminStorageAction},
      {"actSession", kAdminSessionAction},   {"actLock", kAdminLockAction},
      {"actDatabase", kAdminDatabaseAction}, {"actDBExport", kAdminExportAction}};
  for (const auto& [name, handler] : treeCommands) {
    const std::string command = name;
    const bool reduced = in.LevelReduced && (command == "actStorage" || command == "actDatabase" ||
                                             command == "actDBExport");
    state[name] = {!in.Remote && !reduced && registered(handler), root};
  }
  return state;
}

// ---- the walk over the selection ----

void WalkSelection(TSelectionList& list, bool makeVisible, const TWalkHooks& hooks,
                   const std::function<void(const TObjectItem&)>& work) {
  const int total = list.SelectedCount();
  int done = 0;
  for (int index = list.NextSelected(0); index >= 0; index = list.NextSelected(index + 1)) {
    if (hooks.EscapePressed && hooks.EscapePressed()) return;
    if (makeVisible) list.MakeVisible(index);
    if (hooks.Progress) hooks.Progress(++done, total);
    work(list.Item(index));
    list.Deselect(index);
  }
}

// ---- statements ----

std::optional<std::string> DropStatement(const TObjectItem& item, bool cascade) {
  const std::string object = Qualified(item.Schema, item.Name);
  const std::string option = cascade ? " CASCADE" : "";
  switch (item.Kind) {
    case okTable:
      return "DROP TABLE " + object + option;
    // Qualified: a bare name resolves in the login schema and could drop
    // another schema's index of that name.
    case okIndex:
      return "DROP DSO " + object + " CASCADE";
    case okView:
      return "DROP VIEW " + object + option;
    case okProcedure:
      return "DROP PROCEDURE " + object + option;
    case okFunction:
      return "DROP FUNCTION " + object + option;
    case okTrigger:
      return "DROP TRIGGER " + object;
    case okSequence:
      return "DROP SEQUENCE " + object;
    default:
      return std::nullopt;
  }
}

bool OffersCascade(const std::vector<int>& kinds) {
  return std::any_of(kinds.begin(), kinds.end(),
                     [](int kind) { return kind == okTable || kind == okView || IsRoutine(kind); });
}

std::optional<std::string> RecompileStatement(const TObjectItem& item) {
  const std::string object = Qualified(item.Schema, item.Name);
  switch (item.Kind) {
    case okView:
      return "ALTER VIEW " + object + " COMPILE";
    case okJavaSource:
      return "ALTER JAVA SOURCE " + object + " COMPILE";
    case okJavaClass:
      return "ALTER JAVA CLASS  " + object + " COMPILE";
    case okProcedure:
      return "ALTER PROCEDURE " + object + " COMPILE";
    case okFunction:
      return "ALTER FUNCTION " + object + " COMPILE";
    case okPackage:
      return "ALTER PACKAGE " + object + " COMPILE PACKAGE";
    case okPackageBody:
      return "ALTER PACKAGE " + object + " COMPILE BODY";
    case okType:
      return "ALTER TYPE " + object + " COMPILE SPECIFICATION";
    case okTypeBody:
      return "ALTER TYPE " + object + " COMPILE BODY";
    default:
      return std::nullopt;
  }
}

TDeleteOutcome DeletePasses(TSelectionList& list, bool ignoreErrors, const TWalkHooks& hooks,
                            const std::function<void(const TObjectItem&)>& drop) {
  std::string lastError;
  while (list.SelectedCount() > 0) {
    const int total = list.SelectedCount();
    int done = 0;
    int removed = 0;
    for (int index = list.NextSelected(0); index >= 0;) {
      if (hooks.EscapePressed && hooks.EscapePressed()) return {TDeleteEnd::Stopped, ""};
      list.MakeVisible(index);
      if (hooks.Progress) hooks.Progress(++done, total);
      try {
        drop(list.Item(index));
        list.Remove(index);
        ++removed;
        index = list.NextSelected(index);
      } catch (const std::exception& e) {
        lastError = e.what();
        if (!ignoreErrors || list.SelectedCount() == 1) return {TDeleteEnd::Failed, lastError};
        index = list.NextSelected(index + 1);
      }
    }
    // Objects that failed for a dependency are tried again once their
    // dependants are gone; a pass that drops nothing leaves them for good.
    if (removed == 0) return {TDeleteEnd::Failed, lastError};
  }
  return {TDeleteEnd::Deleted, ""};
}

// ---- script output ----

TFileMode ScriptFileMode(bool exists, bool sameName) {
  return sameName || !exists ? TFileMode::Create : TFileMode::Append;
}

void WriteScriptFile(const std::string& path, TFileMode mode, const std::string& text) {
  const QString file = QString::fromStdString(path);
  QDir().mkpath(QFileInfo(file).absolutePath());
  QFile out(file);
  const QIODevice::OpenMode openMode =
      QIODevice::WriteOnly | (mode == TFileMode::Create ? QIODevice::Truncate : QIODevice::Append);
  if (!out.open(openMode) || out.write(text.data(), static_cast<qint64>(text.size())) < 0)
    throw std::runtime_error("Cannot create file \"" + path + "\". " + out.errorString().toStdString());
}

std::string SafePathPart(const std::string& name) {
  const std::string part = SanitizeFileName(name);
  if (part.empty() || part == "." || part == "..") return kUnusablePartPrefix + part;
  return part;
}

bool ValidNameTable(const std::string& table) {
  const size_t first = NameEnd(table, 0);
  if (first == std::string::npos) return false;
  if (first == table.size()) return true;
  if (table[first] != '.') return false;
  return NameEnd(table, first + 1) == table.size();
}

std::string ScriptNameSQL(const std::string& table) {
  if (!ValidNameTable(table)) throw std::runtime_error(kInvalidNameTable);
  return "SELECT SCRIPT_NAME FROM " + table +
         " WHERE SCHEMA_NAME = :OWNER AND OBJECT_NAME = :OBJECT_NAME AND OBJECT_TYPE = :OBJECT_TYPE";
}

namespace {

std::string ScriptFileName(const TScriptOption& option, const TScriptTarget& target) {
  if (!target.ScriptName.empty()) return SafePathPart(target.ScriptName);
  const bool body = target.Kind == okPackageBody || target.Kind == okTypeBody;
  return SafePathPart(target.Name + (body && !option.SubDir ? kBodyScriptExtension : kScriptExtension));
}

std::string Folder(const std::string& base, const std::vector<std::string>& parts) {
  std::string path = base;
  for (const std::string& part : parts) path += SafePathPart(part) + kPathSeparator;
  return path;
}

}  // namespace

std::string ScriptFilePath(const TScriptOption& option, const TScriptTarget& target) {
  if (option.OneScript) return target.Folder;
  const std::string kind = ObjectKindName(target.Kind);
  std::vector<std::string> parts;
  if (option.SubDir)
    parts = target.TreeSort == kTreeByKind ? std::vector<std::string>{kind, target.Owner}
                                           : std::vector<std::string>{target.Owner, kind};
  return Folder(target.Folder, parts) + ScriptFileName(option, target);
}

std::optional<std::string> GrantFilePath(const TScriptOption& option, const TScriptTarget& target) {
  constexpr int kSameStream = 0;
  constexpr int kFilePerObject = 1;
  if (!option.Grant || option.OneScript || option.GrantMode == kSameStream) return std::nullopt;
  const bool byKind = target.TreeSort == kTreeByKind;
  if (option.GrantMode == kFilePerObject) {
    const std::vector<std::string> parts = byKind ? std::vector<std::string>{kGrantFolder, target.Owner}
                                                  : std::vector<std::string>{target.Owner, kGrantFolder};
    return Folder(target.Folder, parts) + ScriptFileName(option, target);
  }
  std::vector<std::string> parts;
  if (option.SubDir) parts = {byKind ? ObjectKindName(target.Kind) : target.Owner};
  return Folder(target.Folder, parts) + kGrantFileName;
}

// ---- paste ----

std::string PasteTargetSchema(const TTreeSelection& node, bool schemaNode, int treeSort, const std::string& userName) {
  if (schemaNode) return node.Text;
  if (node.Level <= 0 || treeSort == kTreeByKind) return userName;
  return node.ParentText;
}

std::vector<std::string> PasteLines(std::vector<std::string> lines, const TCopyObjectList& record,
                                    const std::string& targetSchema, const std::string& newName, bool withData) {
  if (lines.empty()) return lines;
  const int kind = record.ObjectType;
  if (!RenamesNamePart(kind) || !RenameNamePart(lines.front(), record, targetSchema, newName))
    lines.front() = "CREATE " + ObjectKindName(kind) + " " + Qualified(targetSchema, newName);
  if (HasEndLine(kind) && lines.size() >= 2) {
    std::string& endLine = lines[lines.size() - 2];
    const size_t end = endLine.find(kEndWord);
    if (end != std::string::npos)
      endLine = ReplaceFrom(endLine, end + kEndWord.size(), record.ObjectName, newName);
  }
  if (kind == okTable && withData)
    lines.push_back("INSERT INTO " + Qualified(targetSchema, newName) + " SELECT * FROM " +
                    Qualified(record.Schema, record.ObjectName));
  return lines;
}

// ---- full-text search ----

// UTF-8 never matches inside another character, so a byte search is a
// character search.
bool GrepMatches(const std::string& ddl, const std::string& text, bool caseSensitive) {
  return (caseSensitive ? ddl : UpperCase(ddl)).find(text) != std::string::npos;
}

// ---- user commands ----

namespace {

constexpr char kPlaceholderMark = '&';

void ReplaceAnyCase(QString& text, const QString& placeholder, const std::string& value) {
  text.replace(placeholder, QString::fromStdString(value), Qt::CaseInsensitive);
}

}  // namespace

std::string ReplaceCommandPlaceholders(const std::string& text, const std::string& name,
                                       const std::vector<std::string>& subItems) {
  QString result = QString::fromStdString(text);
  const std::string none;
  ReplaceAnyCase(result, "&NAME", name);
  ReplaceAnyCase(result, "&0", name);
  ReplaceAnyCase(result, "&OWNER", subItems.empty() ? none : subItems[0]);
  ReplaceAnyCase(result, "&TYPE", subItems.size() < 2 ? none : subItems[1]);
  for (size_t k = subItems.empty() ? 0 : subItems.size() - 1; k >= 1; --k)
    ReplaceAnyCase(result, QString("&%1").arg(k), subItems[k - 1]);
  return result.toStdString();
}

bool HasCommandPlaceholders(const std::string& text) { return text.find(kPlaceholderMark) != std::string::npos; }

std::string UserCommandErrorText(const std::string& message, const std::string& statement) {
  return message + "\n\n" + statement;
}
