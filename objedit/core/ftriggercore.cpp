#include "objedit/core/ftriggercore.h"

#include "app/core/zarur.h"

namespace {

// The correlation name when the event uses it and it is not the plain one.
std::string Correlation(bool used, const std::string& name, const char* plain) {
  if (!used || name.empty() || UpperCase(name) == plain) return "";
  return std::string(" ") + plain + " AS " + name;
}

}  // namespace

bool TriggerUsesOld(TTriggerEvent event) { return event == TTriggerEvent::Delete || event == TTriggerEvent::Update; }

bool TriggerUsesNew(TTriggerEvent event) { return event == TTriggerEvent::Insert || event == TTriggerEvent::Update; }

std::vector<std::string> TriggerCreateLines(const TTriggerDef& def, const std::string& separator) {
  std::vector<std::string> lines{"CREATE TRIGGER " + def.SchemaPrefix + QuoteIdent(def.Name)};
  std::string event;
  if (def.Timing == TTriggerTiming::Before) event = "BEFORE ";
  else if (def.Timing == TTriggerTiming::After) event = "AFTER ";
  if (def.Event == TTriggerEvent::Insert) event += "INSERT ";
  else if (def.Event == TTriggerEvent::Delete) event += "DELETE ";
  else if (def.Event == TTriggerEvent::Update) {
    event += "UPDATE ";
    if (!def.UpdateColumns.empty()) event += "OF " + def.UpdateColumns;
  }
  lines.push_back(event);
  lines.push_back("ON " + def.TablePrefix + QuoteIdent(def.Table));
  const bool usesOld = TriggerUsesOld(def.Event);
  const bool usesNew = TriggerUsesNew(def.Event);
  if ((usesOld && !def.OldName.empty()) || (usesNew && !def.NewName.empty()) || def.Row) {
    const std::string referencing = Correlation(usesOld, def.OldName, "OLD") + Correlation(usesNew, def.NewName, "NEW");
    if (!referencing.empty()) lines.push_back("REFERENCING" + referencing);
    if (def.Row) lines.push_back("FOR EACH ROW " + (def.When.empty() ? std::string() : "WHEN (" + def.When + ")"));
  }
  lines.insert(lines.end(), def.Body.begin(), def.Body.end());
  if (def.Body.empty() || Trim(def.Body.back()) != separator) lines.push_back(separator);
  return lines;
}

std::vector<std::string> SplitColumnList(const std::string& text) {
  std::vector<std::string> names;
  std::string::size_type start = 0;
  while (start <= text.size()) {
    std::string::size_type comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    const std::string name = Trim(text.substr(start, comma - start));
    if (!name.empty()) names.push_back(name);
    start = comma + 1;
  }
  return names;
}

std::string JoinChosenColumns(const std::vector<std::string>& names, const std::string& oldText) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ", ";
    text += QuoteIdent(name);
  }
  return text.empty() ? oldText : text;
}

std::string LoadedColumnList(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    if (!text.empty()) text += ',';
    text += QuoteIdent(name);
  }
  return text;
}

std::string DropTriggerStatement(const std::string& schema, const std::string& name) {
  return "DROP TRIGGER " + QuoteIdent(schema) + "." + QuoteIdent(name);
}
