// fschemacore: the plain rules of the schema editor: its CREATE and DROP
// texts and when a compile drops the schema first.
#pragma once

#include <string>
#include <vector>

// The schema's image and source-history kind.
inline constexpr int kSchemaKind = 4;

// "CREATE SCHEMA <name>" and, with a comment, " COMMENT '<comment>'" on a
// line of its own; no separator.
std::vector<std::string> SchemaCreateLines(const std::string& name, const std::string& comment);
std::string DropSchemaStatement(const std::string& name);

// What tells a compile to drop the schema before it creates it again.
struct TSchemaDropTest {
  bool IsNew = false;
  bool ScriptMode = false;
  bool SourcePage = false;
  bool CommentChanged = false;
};
bool SchemaNeedsDrop(const TSchemaDropTest& test);

inline constexpr const char* kSchemaStem = "SCHEMA - ";
inline constexpr const char* kSchemaSizeKey = "SCHEMA";
