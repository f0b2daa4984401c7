// fviewcatalog: what the view editor reads of a view: its check option,
// its columns with types, defaults and comments, its comment and its query
// expression.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "objedit/core/ftablecore.h"
#include "objedit/core/fviewcore.h"

class TovConnectionWindow;

// What the definition page shows of a view.
struct TViewDefinition {
  bool CheckOption = false;
  // Types as the table editor names them; character lengths in bytes.
  std::vector<TTableColumn> Columns;
  std::string Comment;
};

// None when the catalogue does not know the view.
std::optional<TViewDefinition> ReadViewDefinition(TovConnectionWindow& window, const std::string& schema,
                                                  const std::string& name);
// The view's query expression as stored (not formatted); none when the
// catalogue has none.
std::optional<std::string> ReadViewQuery(TovConnectionWindow& window, const std::string& schema,
                                         const std::string& name);
