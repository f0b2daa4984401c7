// fviewcore: the plain rules of the view editor: its CREATE VIEW text in
// the long and the short form, the skeleton of a new view and the schema and
// name carried into the typed source when the name boxes change.
#pragma once

#include <string>
#include <vector>

#include "app/core/ovkinds.h"

inline constexpr int kViewKind = okView;

struct TViewColumn {
  std::string Name;
  std::string Comment;
};

// What one CREATE VIEW statement is made of.
struct TViewDef {
  std::string SchemaPrefix;  // quoted schema and ".", or empty
  std::string Name;          // as stored; quoted when written
  std::vector<TViewColumn> Columns;
  std::string Comment;
  std::string Query;  // the query expression, formatted; lines split at line breaks
  bool CheckOption = false;
};

// Beyond this display width a column list line is broken after its column.
inline constexpr int kViewColumnLineWidth = 70;

// The CREATE VIEW statement without a separator line. The long form names
// the columns with their comments and the view comment; the short form is
// "CREATE VIEW <s><n> AS" and the query.
std::vector<std::string> ViewCreateLines(const TViewDef& def, bool longForm);
std::string DropViewStatement(const std::string& schema, const std::string& name);

// The two lines a new view's empty source receives.
std::vector<std::string> NewViewSkeleton(const std::string& schemaPrefix, const std::string& name);
// In the first line holding "<old schema>." (ignoring case) its first
// occurrence becomes "<new schema>."; false, and nothing changed, when no
// line holds it.
bool ReplaceSchemaInSource(std::vector<std::string>& lines, const std::string& oldSchema,
                           const std::string& newSchema);
// The same for ".<old name>".
bool ReplaceNameInSource(std::vector<std::string>& lines, const std::string& oldName, const std::string& newName);

inline constexpr const char* kViewStem = "VIEW - ";
inline constexpr const char* kViewSizeKey = "VIEW";
// The catalogue's CHECK_OPTION of a view made WITH CHECK OPTION.
inline constexpr const char* kViewCheckOptionOn = "Y";
inline constexpr const char* kWithCheckOption = "WITH CHECK OPTION";
