// fsoptioncore: the script output options without their dialog: which
// controls are enabled, where the scripts go, the one name-table entry per
// data source, and the options as the dialog stores them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/ovoptions.h"

inline constexpr const char* kNoScriptTarget = "出力先を入力して下さい。";

// What the enabling rules read.
struct TScriptOptionInput {
  bool OneScript = false;
  bool Insert = false;
  bool Grant = false;
  bool NameTableEmpty = true;
  bool HasConnection = false;
};

// What they decide; a sub-folder box that is disabled is also unchecked.
struct TScriptOptionEnabling {
  bool SubDir = true;
  bool NameTable = false;
  bool NameTableButton = false;
  bool InsertMode = false;
  bool GrantMode = false;

  friend bool operator==(const TScriptOptionEnabling&, const TScriptOptionEnabling&) = default;
};
TScriptOptionEnabling ScriptOptionEnabling(const TScriptOptionInput& input);

// The target as stored: a folder ends in "/"; with OneScript the file name
// stays as typed. An empty target (blanks only), folder or file, is refused
// with kNoScriptTarget: as a folder it would be the root folder.
std::optional<std::string> ScriptTargetError(const std::string& text);
std::string StoredScriptTarget(const std::string& text, bool oneScript);

// Sets the data source's entry of the NameTable lines ("<DS>=<table>"):
// the first entry of the data source (its name compared ignoring case)
// takes the table and any later one goes; an empty table removes them all.
void SetNameTableFor(std::vector<std::string>& nameTable, const std::string& dataSource, const std::string& table);

// The schema part of a name-table entry (before its first "."), which the
// table list of the drop-down starts with; empty for every schema.
std::string NameTableSchemaPart(const std::string& entry);

// The statement that tells whether a table is a name table (checked with
// ValidNameTable first).
std::string NameTableCheckSQL(const std::string& table);

// The options the dialog confirms: every field from `shown` (the controls'
// values, Path as typed), NameTable kept unless there is a data source, in
// which case its entry becomes `nameTable`.
void StoreScriptOption(TScriptOption& stored, const TScriptOption& shown, const std::string& nameTable,
                       const std::optional<std::string>& dataSource);
