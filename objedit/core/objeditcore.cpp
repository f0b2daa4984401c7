#include "objedit/core/objeditcore.h"

#include <algorithm>
#include <string_view>

#include "app/core/zarur.h"

namespace {
const char kCascade[] = " CASCADE";
}  // namespace

std::string EditorCaption(const TEditorKind& kind, const std::string& schema, const std::string& name,
                          const std::string& dataSource, bool isNew) {
  if (isNew) return kind.Stem + kNewObjectCaption;
  return kind.Stem + (kind.SchemaBound ? schema + "." : std::string()) + name + " @ " + dataSource;
}

std::string EditorMenuCaption(const TEditorKind& kind) {
  constexpr std::string_view kStemEnd = " - ";
  std::string_view name = kind.Stem;
  if (name.ends_with(kStemEnd)) name.remove_suffix(kStemEnd.size());
  return std::string(name) + "(&O)";
}

std::string EditorTaskCaption(const std::string& name, bool isNew) { return isNew ? kNewObjectCaption : name; }

TEditorPage PageOfMode(const TPageModes& modes, uint8_t mode) {
  const size_t otherModes = modes.size() - 1;
  return modes[std::min<size_t>(mode, otherModes)];
}

bool PageNeedsObject(TEditorPage page) {
  return page == TEditorPage::Source || page == TEditorPage::Cross || page == TEditorPage::Grant;
}

std::string EditorSchema(const std::vector<std::string>& ownSchemas, const std::string& schema) {
  if (!schema.empty() || ownSchemas.empty()) return schema;
  return ownSchemas.front();
}

TPageChangeStep PageChangeStep(TPageChangeAnswer answer) {
  return {answer == TPageChangeAnswer::Yes, answer == TPageChangeAnswer::No};
}

std::string DropStatement(const TEditorKind& kind, const std::string& schema, const std::string& name, bool cascade) {
  std::string text = kind.DropKeyword;
  if (kind.SchemaBound) text += QuoteIdent(schema) + ".";
  text += QuoteIdent(name);
  if (cascade) text += kCascade;
  return text;
}
