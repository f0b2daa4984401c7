// ftriggercore: the CREATE TRIGGER text of the trigger editor's fields, the
// enabling of the fields by event, and the column list of an UPDATE trigger.
#pragma once

#include <string>
#include <vector>

enum class TTriggerTiming { None, Before, After };
enum class TTriggerEvent { None, Insert, Delete, Update };

// The fields of the definition page; the prefixes are the texts put before
// the trigger's and the table's names (empty when the script leaves the
// schema out).
struct TTriggerDef {
  std::string SchemaPrefix;
  std::string Name;
  TTriggerTiming Timing = TTriggerTiming::Before;
  TTriggerEvent Event = TTriggerEvent::Insert;
  std::string UpdateColumns;
  std::string TablePrefix;
  std::string Table;
  std::string OldName;
  std::string NewName;
  bool Row = true;
  std::string When;
  std::vector<std::string> Body;
};

// Which correlation names an event uses.
bool TriggerUsesOld(TTriggerEvent event);
bool TriggerUsesNew(TTriggerEvent event);

// CREATE TRIGGER, timing and event, ON, REFERENCING and FOR EACH ROW, the
// body and the separator (not twice after a body ending in it).
std::vector<std::string> TriggerCreateLines(const TTriggerDef& def, const std::string& separator);

// The names of the column list, split at commas and trimmed.
std::vector<std::string> SplitColumnList(const std::string& text);
// The chosen names quoted and joined with ", "; the old text when nothing was
// chosen.
std::string JoinChosenColumns(const std::vector<std::string>& names, const std::string& oldText);

// The column list of a loaded UPDATE trigger: quoted names joined by ",".
std::string LoadedColumnList(const std::vector<std::string>& names);

std::string DropTriggerStatement(const std::string& schema, const std::string& name);

inline constexpr const char* kTriggerStem = "TRIGGER - ";
inline constexpr const char* kTriggerSizeKey = "TRIGGER";
inline constexpr const char* kTableNameMissing = "テーブル名を入力して下さい。";
inline constexpr const char* kTriggerEventMissing = "トリガーの起動タイミングを指定して下さい。";
