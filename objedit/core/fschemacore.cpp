#include "objedit/core/fschemacore.h"

#include "app/core/zarur.h"

std::vector<std::string> SchemaCreateLines(const std::string& name, const std::string& comment) {
  std::vector<std::string> lines{"CREATE SCHEMA " + QuoteIdent(name)};
  if (!comment.empty()) lines.push_back(" COMMENT " + QuoteStr(comment));
  return lines;
}

std::string DropSchemaStatement(const std::string& name) { return "DROP SCHEMA " + QuoteIdent(name); }

bool SchemaNeedsDrop(const TSchemaDropTest& test) {
  return test.IsNew || test.ScriptMode || test.SourcePage || test.CommentChanged;
}
