// fobjtreecore: the plain half of the object tree and list: which nodes
// the tree holds, which catalogue query and column layout a tree node's
// list uses, the find box's pattern and history, and the stored column
// widths. The windows show what these routines build.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/core/ovreg.h"

// Images of the tree's own nodes (a kind node shows its kind code).
inline constexpr int kImageDataSource = 1;
inline constexpr int kImageSchema = 4;
inline constexpr int kImageLoginSchema = 120;

// Tree orders (setting TreeSort) and schema filters (cmbTree, value "Disp").
inline constexpr int kTreeBySchema = 0;
inline constexpr int kTreeByKind = 1;
inline constexpr int kFilterAllSchemas = 0;
inline constexpr int kFilterLoginSchema = 1;
inline constexpr int kFilterStoredSchemas = 2;

// The key of a data source's tree settings (value "Schema": the stored
// schema list, one name per line; value "Disp": the schema filter).
std::string ObjectTreeKey(const std::string& dataSource);
// The stored schema list; empty when the key does not exist.
std::vector<std::string> ReadStoredSchemaList(const std::string& dataSource);

// The object kinds the settings show, in tree order.
std::vector<int> ShownObjectKinds(const TovOption& option);
// The user's own schema: the user name, unquoted when it is quoted.
std::string LoginSchemaName(const std::string& userName);
// With userFirst on and the login schema in the list (ignoring case), the
// login schema's name moves to the top.
std::vector<std::string> LoginSchemaFirst(std::vector<std::string> schemas, const std::string& loginSchema,
                                          bool userFirst);

// One node of the tree as built.
struct TTreeNode {
  std::string Text;
  int Image = 0;
  bool Expanded = false;
  bool Selected = false;
  std::vector<TTreeNode> Children;

  friend bool operator==(const TTreeNode&, const TTreeNode&) = default;
};

struct TTreeInput {
  std::string DataSource;
  std::vector<std::string> Schemas;  // in display order
  std::string LoginSchema;
  std::vector<std::string> StoredSchemas;
  int SchemaFilter = kFilterAllSchemas;
  int TreeSort = kTreeBySchema;
  std::vector<int> Kinds;
};

// The whole tree: the data source, then schemas and kinds in the order asked.
TTreeNode BuildTreeModel(const TTreeInput& input);
// The selected tree node: level 0 the data source, 1 and 2 below it.
struct TTreeSelection {
  int Level = -1;  // -1: nothing selected
  std::string Text;
  std::string ParentText;
};

// What the list shows for a node: kind pattern K and schema pattern S, and
// whether the schema set is the stored list (else the login user's schemas).
struct TListScope {
  bool Show = false;
  std::string Kind;
  std::string Schema;
  bool StoredSchemaSet = false;
};

struct TListContext {
  int TreeSort = kTreeBySchema;
  int SchemaFilter = kFilterAllSchemas;
  bool ShowLevel0 = false;
  bool ShowLevel1 = false;
  std::string UserName;
};

TListScope ListScopeOf(const TTreeSelection& node, const TListContext& context);
// The schema condition: "IN (...)", or "LIKE" the user name or the pattern.
std::string SchemaCondition(const std::string& schemaPattern, const std::vector<std::string>& schemaSet,
                            const std::string& userName);

// The name pattern of the find box, or "%" when the find box takes no part.
std::string FindPattern(const std::string& findText, bool find, bool findAuto, bool skipFind);
// Moves the text to the top of the history (adding it when it is not there,
// compared case-sensitively); the history keeps at most kWhereHistoryMax.
void PushFindHistory(std::vector<std::string>& history, const std::string& text);

inline constexpr int kNoField = -1;
// The layout of the kinds without one of their own.
inline constexpr const char* kSourceLayoutKey = "SOURCE";

struct TListColumn {
  std::string Caption;
  int Width = 0;
  bool RightAligned = false;

  friend bool operator==(const TListColumn&, const TListColumn&) = default;
};

// A column layout with the fields of its query that need conversion.
struct TListLayout {
  std::string Key;
  std::vector<TListColumn> Columns;
  int CreateTimeField = kNoField;
  int CurrentValueField = kNoField;
};

// The layout for kind pattern K: the kind's own with TreeData on and K one
// of TABLE, INDEX, VIEW, TRIGGER, SEQUENCE; else "SOURCE".
TListLayout ObjectListLayout(const std::string& kindPattern, bool treeData, int32_t catalogLevel);

// The list's query and the values of its markers.
struct TListQuery {
  std::string SQL;
  std::vector<std::string> Values;
};

// The data source name and the database code are bound as values;
// schemaCondition, namePattern and kindPattern go into the text, the
// patterns as literals.
TListQuery ObjectListQuery(const std::string& layoutKey, int32_t catalogLevel, const std::string& dataSource,
                           const std::string& dbCode, const std::string& schemaCondition,
                           const std::string& namePattern, const std::string& kindPattern);
// The current value of a sequence and its values.
TListQuery SequenceValueQuery(const std::string& dataSource, const std::string& schema, const std::string& name);

// Registry key of the list's column widths, value names key plus index.
inline const std::string kObjectWindowKey = GuiKey("OBJECT");
void SaveColumnWidths(const std::string& columnKey, const std::vector<int>& widths);
std::vector<int> LoadColumnWidths(const TListLayout& layout);
