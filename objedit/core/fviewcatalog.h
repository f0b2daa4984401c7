// fviewcatalog: what the view editor and its script writer read of a view:
// its check option, its columns with their comments, its comment and its
// query expression.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "objedit/core/fviewcore.h"

class TovConnectionWindow;

struct TViewCatalog {
  bool CheckOption = false;
  std::vector<TViewColumn> Columns;
  std::string Comment;
  std::string Query;  // as stored, not formatted
};

// None when the catalogue does not know the view (or lost its query).
std::optional<TViewCatalog> ReadViewCatalog(TovConnectionWindow& window, const std::string& schema,
                                            const std::string& name);
