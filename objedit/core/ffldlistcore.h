// ffldlistcore: how the column chooser splits a table's columns into the
// chosen and the available ones, and what it hands back.
#pragma once

#include <string>
#include <vector>

struct TFieldChoice {
  std::vector<std::string> Selected;   // chosen, in column order
  std::vector<std::string> Available;  // the others, in column order
};

// Splits `columns` (catalogue order) by the caller's `chosen` names, which
// match a column as its name or its QuoteIdent form, ignoring case. When
// no column is left available, every column shows as available: all
// chosen reads as none chosen.
TFieldChoice SplitFieldChoice(const std::vector<std::string>& columns, const std::vector<std::string>& chosen);

// The caller's list after OK: the chosen columns when there are any, else
// the list as it was.
std::vector<std::string> ChosenFieldList(const std::vector<std::string>& selected,
                                         const std::vector<std::string>& callerList);

inline constexpr const char* kFieldListCaption = "項目一覧 - ";
// "項目一覧 - <schema>.<table> @ <data source>".
std::string FieldListCaption(const std::string& schema, const std::string& table, const std::string& dataSource);
