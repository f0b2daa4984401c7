// zarurassist: what the code-assist list offers for the word before the
// caret: the word's parts, what each part names, and which list follows.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The word before the caret, split at ".".
struct TovAssistWord {
  std::vector<std::string> Parts;
  bool FinalDot = false;  // the members of what precedes are wanted
};

// The parts of a word, or nothing for a word of dots only or of more than
// three parts. An empty word is one empty prefix.
std::optional<TovAssistWord> SplitAssistWord(const std::string& word);

enum class TovAssistStatus { Table, Alias, Schema, Routine, Prefix };

// The catalogue and the editor's statement as the classification asks them.
struct TovAssistLookups {
  std::function<bool(const std::string& schema, const std::string& name)> IsTable;  // a table or view
  // The table an alias of the editor's statement stands for, as written.
  std::function<std::optional<std::string>(const std::string& alias)> AliasTable;
  std::function<bool(const std::string& name)> IsSchema;
  std::function<bool(const std::string& schema, const std::string& name)> IsRoutine;
};

enum class TovAssistListKind {
  None,
  SchemasTablesWords,  // every schema, the user's tables, the reserved words
  SchemaObjects,       // the objects of Schema
  Columns,             // the columns of Schema.Table
  Schemas,             // every schema only
};

struct TovAssistList {
  TovAssistListKind Kind = TovAssistListKind::None;
  std::string Schema;  // as bound
  std::string Table;   // as bound
  std::optional<std::string> Prefix;
  bool operator==(const TovAssistList&) const = default;
};

// Classifies the parts in turn and picks the list; `user` is the schema of
// unqualified names. Stops at the first part that names nothing.
TovAssistList ChooseAssistList(const TovAssistWord& word, const std::string& user, const TovAssistLookups& lookups);

// The table of the first pair of the editor's statement whose alias is
// `alias` (ignoring case), read leniently from its comment-free lines.
std::optional<std::string> AliasTableInText(const std::vector<std::string>& lines, const std::string& alias);

// Images of the candidates: the object kinds' own, and these.
inline constexpr int kAssistImageSchema = 4;
inline constexpr int kAssistImageKeyword = 10;
inline constexpr int kAssistImageNone = -1;

// The image of a candidate by its type text ("SCHEMA", "TABLE", "INDEX" ...).
int AssistObjectImage(const std::string& type);
// The type name of a catalogue column type code ("CV" is "CHAR VARYING");
// an unknown code is returned as it stands.
std::string AssistColumnTypeName(const std::string& code);

// The statement listing the objects of a schema (bound: the schema, the
// database name); servers before version 10 get one more derived level.
std::string AssistObjectsSQL(int serverVersion);
