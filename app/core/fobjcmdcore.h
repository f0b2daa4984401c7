// fobjcmdcore: the connection window's commands without their widgets:
// which command is available, the walk over the selected items, the DROP
// and recompile statements, the passes of a delete, the paths and file
// modes of the script output, the renaming of a pasted object's DDL and the
// DDL search. The window gathers its list and tree into these records.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/core/fmainactcore.h"
#include "app/core/fobjtreecore.h"
#include "app/core/ovoptions.h"

class TovConnectionWindow;

// One item of the object list as the commands read it: image = kind,
// caption = name, sub-item 1 = owner.
struct TObjectItem {
  int Kind = 0;
  std::string Schema;
  std::string Name;

  friend bool operator==(const TObjectItem&, const TObjectItem&) = default;
};

// The objects copied in any connection window and pasted in another.
struct TCopyObjectList {
  std::string Schema;
  std::string ObjectName;
  int32_t ObjectType = 0;

  friend bool operator==(const TCopyObjectList&, const TCopyObjectList&) = default;
};
extern std::vector<TCopyObjectList> CopiedObjects;

// ---- windows of other subsystems the commands open ----

// Named handlers (RegisterActionHandler); each gets the connection window
// as TActionRequest::Connection (the routine runner's, kExecProcCommand, is
// in fmainactcore.h).
inline constexpr const char* kObjectGrantCommand = "ObjectGrant";
inline constexpr const char* kCrossMatrixCommand = "CrossMatrix";
inline constexpr const char* kStatisticsCommand = "Statistics";
inline constexpr const char* kCommentCheckCommand = "CommentCheck";
// The test-data generator for the request's object (Schema, Name).
inline constexpr const char* kDataGenerateCommand = "DataGenerate";
// The schema filter behind "設定": true when the user chose schemas.
inline constexpr const char* kSchemaFilterCommand = "SchemaFilter";
// The tree pop-up's and the export and load commands open the windows of
// the main window's actions of these names.
inline constexpr const char* kAdminUserAction = "actAdminUser";
inline constexpr const char* kAdminStorageAction = "actAdminStorage";
inline constexpr const char* kAdminSessionAction = "actAdminSession";
inline constexpr const char* kAdminLockAction = "actAdminLock";
inline constexpr const char* kAdminDatabaseAction = "actAdminDatabase";
inline constexpr const char* kAdminExportAction = "actAdminExport";
inline constexpr const char* kAdminLoadAction = "actAdminLoad";

// The script output dialog: true on "開始" with the target (a folder ending
// in "/", or with OneScript the script file) and the data source's name
// table (empty for none); the options are then in ScriptOption.
using TScriptOutputDialog =
    std::function<bool(TovConnectionWindow& connection, std::string& target, std::string& nameTable)>;
void SetScriptOutputDialog(TScriptOutputDialog dialog);
const TScriptOutputDialog& ScriptOutputDialog();

// The search dialog of the full-text search; it answers values, so it is a
// typed hook like the script output dialog.
struct TGrepRequest {
  std::string Text;
  int Scope = 0;  // see TGrepScope
  bool CaseSensitive = false;
};
enum TGrepScope { gsSelected = 0, gsListed = 1, gsRefetched = 2, gsAll = 3 };
// True on "開始": the text (upper-cased unless case-sensitive), scope and flag.
using TGrepDialog = std::function<bool(TGrepRequest& request)>;
void SetGrepDialog(TGrepDialog dialog);
const TGrepDialog& GrepDialog();

// Asks for the row limit of "データを開く(件数指定)" under `caption`: none
// on Cancel; an empty answer is 0; with "既定値にする" checked a number
// above 0 becomes DefTopRecord.
std::optional<int> AskRowCount(const std::string& caption);

// ---- availability ----

// The new-object entries of the sub-menu "新規作成(&N)": action name,
// caption, kind.
struct TNewObjectEntry {
  std::string Name;
  std::string Caption;
  int Kind;
};
const std::vector<TNewObjectEntry>& NewObjectEntries();

// What the availability rules read.
struct TObjectMenuInput {
  std::vector<int> SelectedKinds;  // in list order
  TTreeSelection Node;
  int NodeImage = 0;
  int TreeSort = kTreeBySchema;
  int32_t CatalogLevel = 0;
  bool Remote = false;
  bool LevelReduced = false;
  bool Copied = false;  // CopiedObjects holds records
  bool ReportEntries = false;
  bool CommandEntries = false;
  // Whether the window of a command is there: a handler or hook name, or
  // an editor's kind ("kind:<code>").
  std::function<bool(const std::string& name)> Registered;
};
// The names of the availability's window checks besides the handlers'.
inline constexpr const char* kPasteWindows = "PasteWindows";
inline constexpr const char* kScriptOutputHook = "ScriptOutputDialog";
inline constexpr const char* kGrepHook = "GrepDialog";
std::string EditorName(int kind);
// The kind an editor name stands for; none for any other name.
std::optional<int> EditorKindOf(const std::string& name);

// A tree node that stands for a kind: level 2 with schemas first, any
// level below the root with kinds first.
bool IsKindNode(const TTreeSelection& node, int treeSort);
// The state of every command of the menus and the tree pop-up, by name
// ("mnuNew1", "mnuReport", "mnuCommand" and the action names).
std::map<std::string, TActionState> ObjectMenuState(const TObjectMenuInput& input);

// ---- the walk over the selection ----

// The object list as the walk sees it; indexes in list order.
class TSelectionList {
 public:
  virtual ~TSelectionList() = default;
  virtual int SelectedCount() const = 0;
  // The first selected item at or after `from`, or -1.
  virtual int NextSelected(int from) const = 0;
  virtual TObjectItem Item(int index) const = 0;
  virtual void Deselect(int index) = 0;
  virtual void Remove(int index) = 0;
  virtual void MakeVisible(int index) = 0;
};

struct TWalkHooks {
  std::function<bool()> EscapePressed;
  std::function<void(int done, int total)> Progress;
};

// Walks the selected items in list order: Esc stops before an item; each
// item is worked on and then deselected, so the items after a stop stay
// selected. An exception of the work ends the walk.
void WalkSelection(TSelectionList& list, bool makeVisible, const TWalkHooks& hooks,
                   const std::function<void(const TObjectItem&)>& work);

// ---- statements ----

// The DROP statement of an object; none for a kind that is not dropped.
std::optional<std::string> DropStatement(const TObjectItem& item, bool cascade);
// Whether the confirmation offers "CASCADE オプション".
bool OffersCascade(const std::vector<int>& kinds);
// The statement that recompiles an object; none for a kind without one.
std::optional<std::string> RecompileStatement(const TObjectItem& item);

enum class TDeleteEnd { Deleted, Stopped, Failed };
struct TDeleteOutcome {
  TDeleteEnd End = TDeleteEnd::Deleted;
  std::string Error;  // the error to show with Failed
};
// Drops the selected items in passes: a dropped item leaves the list, a
// failing one stays selected. A failure ends at once unless errors are
// ignored and other items are selected; a pass follows while the last one
// removed something and items remain. Objects left at the end are a
// failure with the last error.
TDeleteOutcome DeletePasses(TSelectionList& list, bool ignoreErrors, const TWalkHooks& hooks,
                            const std::function<void(const TObjectItem&)>& drop);

// ---- script output ----

enum class TFileMode { Create, Append };
TFileMode ScriptFileMode(bool exists, bool sameName);
// Writes the text into the file, its folders made; Create truncates an
// existing file. A file that cannot be written raises std::runtime_error.
void WriteScriptFile(const std::string& path, TFileMode mode, const std::string& text);
inline constexpr const char* kScriptsWritten = "スクリプトが出力されました。";
inline constexpr const char* kScriptExtension = ".SQL";
inline constexpr const char* kGrantFolder = "GRANT";
inline constexpr const char* kGrantFileName = "_GRANT.SQL";
inline constexpr char kPathSeparator = '/';
// A path part made of a name: no separators or characters a file name
// cannot hold, and never empty, "." or "..".
std::string SafePathPart(const std::string& name);
// The name table's name: one name or two joined by ".", each plain or
// double-quoted.
bool ValidNameTable(const std::string& table);
inline constexpr const char* kInvalidNameTable = "名前TBL名が無効です。";
// The statement that reads an object's script name from a name table.
std::string ScriptNameSQL(const std::string& table);

// Where one object's script and GRANT statements go.
struct TScriptTarget {
  std::string Folder;  // ends in "/"; with OneScript the script file's path
  int TreeSort = kTreeBySchema;
  std::string Owner;
  int Kind = 0;
  std::string Name;
  std::string ScriptName;  // from the name table, empty for none
};
std::string ScriptFilePath(const TScriptOption& option, const TScriptTarget& target);
// The separate GRANT file (GrantMode 1 and 2 without OneScript); none when
// the statements go into the object's own stream.
std::optional<std::string> GrantFilePath(const TScriptOption& option, const TScriptTarget& target);

// ---- paste ----

// The schema a paste creates its objects in.
std::string PasteTargetSchema(const TTreeSelection& node, bool schemaNode, int treeSort, const std::string& userName);
// The copied object's DDL under the new schema and name: the first line
// renamed, a routine's END line renamed, and with `withData` the rows
// copied by one INSERT … SELECT.
std::vector<std::string> PasteLines(std::vector<std::string> lines, const TCopyObjectList& record,
                                    const std::string& targetSchema, const std::string& newName, bool withData);

// ---- full-text search ----

// Whether the DDL holds the text; without case sensitivity the DDL is
// upper-cased first (the text already is).
bool GrepMatches(const std::string& ddl, const std::string& text, bool caseSensitive);

// ---- user commands ----

// A user command's text for one list item: "&NAME" and "&0" the name,
// "&OWNER" and "&TYPE" the first and second sub-item, "&k" the k-th
// sub-item for k from the count minus 1 down to 1, so that "&12" goes
// before "&1"; any case, every occurrence.
std::string ReplaceCommandPlaceholders(const std::string& text, const std::string& name,
                                       const std::vector<std::string>& subItems);
// Whether the text is run per selected item.
bool HasCommandPlaceholders(const std::string& text);
// A failing statement of a user command as it is shown.
std::string UserCommandErrorText(const std::string& message, const std::string& statement);
