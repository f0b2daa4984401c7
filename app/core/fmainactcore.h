// fmainactcore: the main window's actions without their widgets: the
// action table (caption, hint, image, default short-cut, who runs it), the
// order of the menus, the connection-state rules, the handlers other
// subsystems register for the actions that open their windows, and the
// catalogue look-up behind "定義情報".
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

class QObject;
class TovConnectionWindow;

// Who runs an action.
enum class TActionRunner {
  Main,       // the main window itself
  External,   // a handler registered by the subsystem that builds its window
  ShortCutOnly,  // carries a short-cut for the connection windows; run by none here
};

struct TActionDef {
  std::string Name;
  std::string Caption;
  std::string Hint;  // short part "|" long part; the short part is the tool tip
  int Image = -1;
  TActionRunner Runner = TActionRunner::Main;
  // A default short-cut text that no setting holds (the settings' own
  // defaults are the short-cut table's, DefaultShortCuts).
  std::string FixedKeys;
};

// Every action of the main window's action list.
const std::vector<TActionDef>& MainActions();
const TActionDef* FindActionDef(const std::string& name);
// The name of the SHORTCUT value of an action, empty for an action without one.
std::string ShortCutSettingName(const std::string& actionName);
// The default short-cut text of an action.
std::string DefaultActionKeys(const std::string& actionName);
// True for an action run by another subsystem that opens a window for the
// current connection, and so does nothing without one.
bool ActionNeedsConnection(const std::string& actionName);
// The tool tip of a hint: the part before "|".
std::string ShortHint(const std::string& hint);

// The menus in bar order. An item is an action name ("act..."), "-" for a
// separator, or the name of an item or submenu the window builds ("mnu...").
struct TMenuDef {
  std::string Name;
  std::string Caption;
  std::vector<std::string> Items;
  int GroupIndex = 0;  // places a child window's merged menus among these
};
inline constexpr const char* kMenuSeparator = "-";
const std::vector<TMenuDef>& MainMenus();
// The editor pop-up menu.
const std::vector<std::string>& EditorPopupItems();
// The tool bars and their actions, in layout order ("cmbDBName" and the
// new-object buttons are the window's own).
struct TToolBarDef {
  std::string Name;
  std::vector<std::string> Items;
};
const std::vector<TToolBarDef>& MainToolBars();

// The seven new-object buttons: name, caption, image.
struct TNewObjectButton {
  std::string Name;
  std::string Caption;
  int Image;
};
const std::vector<TNewObjectButton>& NewObjectButtons();
// The property that carries the kind (image) of a new-object button or
// action: the new-object command creates an object of that kind.
inline constexpr const char* kImageIndexProperty = "ImageIndex";

// What the connection-state rules read.
struct TConnectionState {
  int Count = 0;         // items of the connection list
  bool Current = false;  // a connection is current
  bool Remote = false;
  int CatalogLevel = 0;
  bool LevelReduced = false;
  bool AutoCommit = true;
};
struct TActionState {
  bool Enabled = true;
  bool Visible = true;

  friend bool operator==(const TActionState&, const TActionState&) = default;
};
// The name under which the rules give the state of the user-command items.
inline constexpr const char* kUserCommandItems = "mnuUserCommandItems";
// The rules in their order: the state of every action and button they set,
// by name.
std::map<std::string, TActionState> ConnectionStateRules(const TConnectionState& state);
// Commit and rollback after the options dialog closed with OK.
bool CommitRollbackEnabled(int count, bool autoCommit);

// Handlers of actions run by other subsystems, and of the commands the
// main window hands on (new objects, user commands, reports, the copies of
// the connection windows' menus). The request carries what the action
// gathered; a handler's result is its window's or dialog's answer (the
// options dialog: closed with OK).
struct TActionRequest {
  TovConnectionWindow* Connection = nullptr;
  std::string Schema;
  std::string Name;
  std::string Text;
  QObject* Sender = nullptr;
};
using TActionHandler = std::function<bool(const TActionRequest&)>;
// Command names of what the main window hands on.
inline constexpr const char* kNewObjectCommand = "NewObject";
// The routine runner of the request's connection for one routine (Schema,
// Name, Text = the kind code in decimal): the connection window's and the
// workspace's "実行(&E)".
inline constexpr const char* kExecProcCommand = "ExecProc";
inline constexpr const char* kUserCommandCommand = "UserCommand";
inline constexpr const char* kReportCommand = "ReportOutput";
inline constexpr const char* kCopyObjectMenusCommand = "CopyObjectMenus";
inline constexpr const char* kCopyUserCommandMenuCommand = "CopyUserCommandMenu";
inline constexpr const char* kCopyReportMenuCommand = "CopyReportMenu";
// A connection window takes the list options (Find, RowSelect) and, when
// the request's Text is kTreeSortChanged, the tree order of TreeSort.
inline constexpr const char* kListOptionsCommand = "ListOptions";
inline constexpr const char* kTreeSortChanged = "TreeSort";
// A new SQL window of the request's connection runs the request's text.
inline constexpr const char* kSQLWindowCommand = "SQLWindow";

void RegisterActionHandler(const std::string& name, TActionHandler handler);
// The registered handler, or none.
const TActionHandler* ActionHandler(const std::string& name);
// Called after every registration (the main window re-applies its rules).
void SetActionHandlerListener(std::function<void()> listener);
// Removes every handler (tests start clean).
void ClearActionHandlers();

// The object a selected text names: upper-cased; "SCHEMA.NAME" or a name
// in the user's own schema.
struct TNamedObject {
  std::string Schema;
  std::string Name;
  bool SchemaTyped = false;

  friend bool operator==(const TNamedObject&, const TNamedObject&) = default;
};
TNamedObject NamedObject(const std::string& selected, const std::string& userName);
// The catalogue statement that finds every object of that name.
std::string DefinitionSQL(bool schemaTyped);
struct TDefinedObject {
  int Kind = 0;
  std::string Schema;

  friend bool operator==(const TDefinedObject&, const TDefinedObject&) = default;
};
// The kinds and schemas of the objects of that name, on the connection.
std::vector<TDefinedObject> FindDefinitions(TovConnectionWindow& connection, const TNamedObject& object);
