#include "objedit/core/ffldlistcore.h"

#include <algorithm>

#include "app/core/zarur.h"

namespace {

bool IsChosen(const std::string& column, const std::vector<std::string>& chosen) {
  const std::string forms[] = {UpperCase(column), UpperCase(QuoteIdent(column))};
  return std::any_of(chosen.begin(), chosen.end(), [&](const std::string& entry) {
    const std::string upper = UpperCase(entry);
    return upper == forms[0] || upper == forms[1];
  });
}

}  // namespace

TFieldChoice SplitFieldChoice(const std::vector<std::string>& columns, const std::vector<std::string>& chosen) {
  TFieldChoice choice;
  for (const std::string& column : columns)
    (IsChosen(column, chosen) ? choice.Selected : choice.Available).push_back(column);
  if (choice.Available.empty()) std::swap(choice.Selected, choice.Available);
  return choice;
}

std::vector<std::string> ChosenFieldList(const std::vector<std::string>& selected,
                                         const std::vector<std::string>& callerList) {
  return selected.empty() ? callerList : selected;
}

std::string FieldListCaption(const std::string& schema, const std::string& table, const std::string& dataSource) {
  return kFieldListCaption + schema + "." + table + " @ " + dataSource;
}
