#include "app/fobjtree.h"

#include <gtest/gtest.h>

#include <QTreeWidget>

#include "app/core/ovkinds.h"
#include "app/core/ovwhere.h"
#include "tests/platform/testapp.h"

namespace {

// A tree as "text:image" lines, indented two blanks per level, "*" marking
// the selected node and "+" an expanded one.
void Dump(const TTreeNode& node, int depth, std::string& out) {
  out += std::string(static_cast<size_t>(depth) * 2, ' ') + node.Text + ":" + std::to_string(node.Image) +
         (node.Selected ? "*" : "") + (node.Expanded ? "+" : "") + "\n";
  for (const TTreeNode& child : node.Children) Dump(child, depth + 1, out);
}

std::string Dump(const TTreeNode& root) {
  std::string out;
  Dump(root, 0, out);
  return out;
}

TEST(ObjectTree, KindsShownFollowTheSettingsInTreeOrder) {
  TovOption option;
  EXPECT_TRUE(ShownObjectKinds(option).empty());
  option.TypeSeq = option.TypeTable = option.TypeFunc = true;
  EXPECT_EQ(ShownObjectKinds(option), (std::vector<int>{okTable, okFunction, okSequence}));
}

TEST(ObjectTree, LoginSchemaIsTheUnquotedUserName) {
  EXPECT_EQ(LoginSchemaName("SCOTT"), "SCOTT");
  EXPECT_EQ(LoginSchemaName("\"Mixed\""), "Mixed");
  EXPECT_EQ(LoginSchemaName("\"a\"\"b\"tail"), "a\"b");
  EXPECT_EQ(LoginSchemaName(""), "");
}

TEST(ObjectTree, UserFirstMovesTheLoginSchemaToTheTopIgnoringCase) {
  const std::vector<std::string> sorted = {"A", "HR", "Scott", "Z"};
  EXPECT_EQ(LoginSchemaFirst(sorted, "SCOTT", true), (std::vector<std::string>{"SCOTT", "A", "HR", "Z"}));
  EXPECT_EQ(LoginSchemaFirst(sorted, "SCOTT", false), sorted);
  EXPECT_EQ(LoginSchemaFirst(sorted, "NOBODY", true), sorted);
}

TEST(ObjectTree, BuildsBothOrdersWithTheSchemaFilter) {
  struct Case {
    const char* name;
    int sort;
    int filter;
    std::vector<std::string> stored;
    std::string want;
  };
  const Case cases[] = {
      {"by schema, all", kTreeBySchema, kFilterAllSchemas, {"HR"},
       "DS:1+\n  HR:4\n    TABLE:45\n    VIEW:47\n  ME:120*+\n    TABLE:45\n    VIEW:47\n"
       "  ZED:4\n    TABLE:45\n    VIEW:47\n"},
      {"by schema, login only", kTreeBySchema, kFilterLoginSchema, {},
       "DS:1+\n  ME:120*+\n    TABLE:45\n    VIEW:47\n"},
      {"by schema, stored list", kTreeBySchema, kFilterStoredSchemas, {"ZED", "HR", "GONE"},
       "DS:1+\n  HR:4\n    TABLE:45\n    VIEW:47\n  ZED:4\n    TABLE:45\n    VIEW:47\n"},
      {"by schema, empty stored list shows all", kTreeBySchema, kFilterStoredSchemas, {},
       "DS:1+\n  HR:4\n    TABLE:45\n    VIEW:47\n  ME:120*+\n    TABLE:45\n    VIEW:47\n"
       "  ZED:4\n    TABLE:45\n    VIEW:47\n"},
      {"by kind, all", kTreeByKind, kFilterAllSchemas, {},
       "DS:1*+\n  TABLE:45\n    HR:4\n    ME:120\n    ZED:4\n  VIEW:47\n    HR:4\n    ME:120\n    ZED:4\n"},
      {"by kind, login only", kTreeByKind, kFilterLoginSchema, {},
       "DS:1*+\n  TABLE:45\n    ME:120\n  VIEW:47\n    ME:120\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTreeInput input{"DS", {"HR", "ME", "ZED"}, "ME", c.stored, c.filter, c.sort, {okTable, okView}};
    EXPECT_EQ(Dump(BuildTreeModel(input)), c.want);
  }
}

TEST(ObjectTree, UserWithoutSchemasGetsTheRootAlone) {
  TTreeInput input{"DS", {}, "ME", {}, kFilterAllSchemas, kTreeBySchema, {okTable}};
  EXPECT_EQ(Dump(BuildTreeModel(input)), "DS:1+\n");
}

TEST(ObjectTree, ShownTreeSelectsTheLoginSchemaWithoutSignals) {
  TestApp();
  QTreeWidget tree;
  int changes = 0;
  QObject::connect(&tree, &QTreeWidget::currentItemChanged, [&] { ++changes; });
  TTreeInput input{"DS", {"HR", "ME"}, "ME", {}, kFilterAllSchemas, kTreeBySchema, {okTable}};
  ShowTreeModel(tree, BuildTreeModel(input));
  ASSERT_EQ(tree.topLevelItemCount(), 1);
  QTreeWidgetItem* root = tree.topLevelItem(0);
  EXPECT_TRUE(root->isExpanded());
  ASSERT_EQ(root->childCount(), 2);
  EXPECT_EQ(tree.currentItem(), root->child(1));
  EXPECT_TRUE(root->child(1)->isExpanded());
  EXPECT_FALSE(root->child(0)->isExpanded());
  EXPECT_EQ(ItemImage(*root->child(1)), kImageLoginSchema);
  EXPECT_EQ(ItemImage(*root->child(1)->child(0)), okTable);
  EXPECT_EQ(changes, 0);
}

TEST(ObjectList, ScopeOfEachNodeLevelAndOrder) {
  struct Case {
    const char* name;
    TTreeSelection node;
    int sort;
    int filter;
    bool level0;
    bool level1;
    TListScope want;
  };
  const Case cases[] = {
      {"nothing selected", {}, kTreeBySchema, 0, true, true, {}},
      {"root, level 0 off", {0, "DS", ""}, kTreeBySchema, 0, false, true, {}},
      {"root, all", {0, "DS", ""}, kTreeBySchema, kFilterAllSchemas, true, false, {true, "%", "%", false}},
      {"root, login", {0, "DS", ""}, kTreeBySchema, kFilterLoginSchema, true, false, {true, "%", "ME", false}},
      {"schema, level 1 off", {1, "HR", "DS"}, kTreeBySchema, 0, true, false, {}},
      {"schema", {1, "HR", "DS"}, kTreeBySchema, 0, false, true, {true, "%", "HR", true}},
      {"kind by kind, all", {1, "TABLE", "DS"}, kTreeByKind, kFilterAllSchemas, false, true,
       {true, "TABLE", "%", true}},
      {"kind by kind, login", {1, "TABLE", "DS"}, kTreeByKind, kFilterLoginSchema, false, true,
       {true, "TABLE", "ME", true}},
      {"kind under schema", {2, "VIEW", "HR"}, kTreeBySchema, 0, false, false, {true, "VIEW", "HR", true}},
      {"schema under kind", {2, "HR", "VIEW"}, kTreeByKind, 0, false, false, {true, "VIEW", "HR", true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TListScope got = ListScopeOf(c.node, {c.sort, c.filter, c.level0, c.level1, "ME"});
    EXPECT_EQ(got.Show, c.want.Show);
    EXPECT_EQ(got.Kind, c.want.Kind);
    EXPECT_EQ(got.Schema, c.want.Schema);
    EXPECT_EQ(got.StoredSchemaSet, c.want.StoredSchemaSet);
  }
}

TEST(ObjectList, SchemaConditionFromPatternAndSchemaSet) {
  EXPECT_EQ(SchemaCondition("HR", {"A"}, "ME"), "LIKE 'HR'");
  EXPECT_EQ(SchemaCondition("%", {"A", "O'B"}, "ME"), "IN ('A','O''B')");
  // No schema set: the user's own name, so a by-kind node lists the login user's objects only.
  EXPECT_EQ(SchemaCondition("%", {}, "ME"), "LIKE 'ME'");
}

TEST(ObjectList, FindPatternFromTheFindBox) {
  struct Case {
    const char* text;
    bool find;
    bool findAuto;
    bool skip;
    const char* want;
  };
  const Case cases[] = {
      {"CUST", true, true, false, "%CUST%"},  {" CUST ", true, true, false, "%CUST%"},
      {"CU%T", true, true, false, "CU%T"},    {" CUST ", true, false, false, "CUST"},
      {"CUST", false, true, false, "%"},      {"CUST", true, true, true, "%"},
      {"", true, true, false, "%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FindPattern(c.text, c.find, c.findAuto, c.skip), c.want);
  }
}

TEST(ObjectList, FindHistoryMovesKnownTextsUpAndKeepsTwenty) {
  std::vector<std::string> history = {"A", "B", "C"};
  PushFindHistory(history, "C");
  EXPECT_EQ(history, (std::vector<std::string>{"C", "A", "B"}));
  PushFindHistory(history, "a");  // differs in case: a new entry
  EXPECT_EQ(history, (std::vector<std::string>{"a", "C", "A", "B"}));
  for (int i = 0; i < 30; ++i) {
    std::string text = "T";
    text += std::to_string(i);
    PushFindHistory(history, text);
  }
  ASSERT_EQ(history.size(), static_cast<size_t>(kWhereHistoryMax));
  EXPECT_EQ(history.front(), "T29");
  EXPECT_EQ(history.back(), "T10");
}

TEST(ObjectList, LayoutPerKindAndCatalogueLevel) {
  struct Case {
    const char* kind;
    bool treeData;
    int level;
    const char* key;
    std::vector<std::string> captions;
    int createTime;
    int currentValue;
  };
  const Case cases[] = {
      {"TABLE", true, 9, "TABLE", {"オブジェクト名", "所有者", "タイプ", "作成日時", "コメント"}, 4, kNoField},
      {"TABLE", true, 10, "TABLE",
       {"オブジェクト名", "所有者", "タイプ", "ﾃﾞｰﾀﾍﾞｰｽｽﾍﾟｰｽ名", "作成日時", "コメント"}, 5, kNoField},
      {"INDEX", true, 11, "INDEX",
       {"オブジェクト名", "所有者", "タイプ", "テーブル名", "テーブル所有者", "ﾃﾞｰﾀﾍﾞｰｽｽﾍﾟｰｽ名", "作成日時"}, 7,
       kNoField},
      {"VIEW", true, 9, "VIEW", {"オブジェクト名", "所有者", "タイプ", "更新可能", "作成日時", "コメント"}, 5,
       kNoField},
      {"VIEW", true, 10, "VIEW",
       {"オブジェクト名", "所有者", "タイプ", "ﾃﾞｰﾀﾍﾞｰｽｽﾍﾟｰｽ名", "更新可能", "作成日時", "コメント"}, 6, kNoField},
      {"TRIGGER", true, 9, "TRIGGER",
       {"オブジェクト名", "所有者", "タイプ", "イベント", "アクション", "テーブル名", "テーブル所有者", "作成日時"}, 8,
       kNoField},
      {"SEQUENCE", true, 9, "SEQUENCE",
       {"オブジェクト名", "所有者", "タイプ", "現在値", "最小値", "最大値", "増分", "サイクル", "順序生成",
        "キャッシュ", "作成日時"},
       11, 4},
      {"TABLE", false, 10, "SOURCE", {"オブジェクト名", "所有者", "タイプ", "作成日時", "コメント"}, 4, kNoField},
      {"PROCEDURE", true, 10, "SOURCE", {"オブジェクト名", "所有者", "タイプ", "作成日時", "コメント"}, 4, kNoField},
      {"%", true, 10, "SOURCE", {"オブジェクト名", "所有者", "タイプ", "作成日時", "コメント"}, 4, kNoField},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.kind) + " " + std::to_string(c.level));
    const TListLayout layout = ObjectListLayout(c.kind, c.treeData, c.level);
    EXPECT_EQ(layout.Key, c.key);
    std::vector<std::string> captions;
    for (const TListColumn& column : layout.Columns) captions.push_back(column.Caption);
    EXPECT_EQ(captions, c.captions);
    EXPECT_EQ(layout.CreateTimeField, c.createTime);
    EXPECT_EQ(layout.CurrentValueField, c.currentValue);
  }
  const TListLayout seq = ObjectListLayout("SEQUENCE", true, 9);
  std::vector<std::string> right;
  for (const TListColumn& column : seq.Columns)
    if (column.RightAligned) right.push_back(column.Caption);
  EXPECT_EQ(right, (std::vector<std::string>{"現在値", "最小値", "最大値", "増分", "キャッシュ"}));
}

TEST(ObjectList, QueriesBindTheDataSourceOrDatabaseCode) {
  const TListQuery table = ObjectListQuery("TABLE", 9, "DS'X", "7", "LIKE 'HR'", "%E%", "TABLE");
  EXPECT_NE(table.SQL.find("FROM RDBII_SYSTEM.RDBII_TABLE A "), std::string::npos);
  EXPECT_NE(table.SQL.find("TRIM(A.DB_NAME) = :DB_NAME AND TRIM(A.SCHEMA_NAME) LIKE 'HR' AND "
                           "TRIM(A.TABLE_NAME) LIKE'%E%' AND (A.TABLE_TYPE = 'BS'"),
            std::string::npos);
  EXPECT_EQ(table.SQL.find("DS'X"), std::string::npos);
  EXPECT_EQ(table.Values, (std::vector<std::string>{"DS'X"}));
  EXPECT_NE(ObjectListQuery("TABLE", 10, "DS", "7", "LIKE 'HR'", "%", "TABLE").SQL.find("RDBII_TABLE_EX A"),
            std::string::npos);
  const TListQuery general = ObjectListQuery("SOURCE", 10, "DS", "7", "IN ('hr')", "%", "VIEW");
  EXPECT_EQ(general.Values, (std::vector<std::string>{"7"}));
  EXPECT_NE(general.SQL.find("WHERE DB_CODE = :DB_CODE AND TRIM(SCHEMA_NAME) IN ('hr') AND "
                             "UPPER(TRIM(SCHEMA_NAME)) IN ('HR') AND TRIM(OBJECT_TYPE) LIKE 'VIEW' AND "
                             "TRIM(OBJECT_NAME) LIKE'%'"),
            std::string::npos);
}

}  // namespace
