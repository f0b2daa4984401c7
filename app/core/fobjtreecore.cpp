#include "app/core/fobjtreecore.h"

#include <algorithm>

#include "app/core/ovkinds.h"
#include "app/core/ovwhere.h"
#include "app/core/zarur.h"
#include "app/core/zarursql.h"

namespace {

constexpr const char* kAnyPattern = "%";

// Kinds in tree order with the setting that shows each.
struct KindSetting {
  int Kind;
  bool TovOption::*Flag;
};
constexpr KindSetting kKindSettings[] = {
    {okTable, &TovOption::TypeTable},     {okIndex, &TovOption::TypeIndex},     {okView, &TovOption::TypeView},
    {okProcedure, &TovOption::TypeProc},  {okFunction, &TovOption::TypeFunc},   {okTrigger, &TovOption::TypeTrigger},
    {okSequence, &TovOption::TypeSeq},
};

bool SameText(const std::string& a, const std::string& b) { return UpperCase(a) == UpperCase(b); }

bool Contains(const std::vector<std::string>& list, const std::string& text) {
  return std::find(list.begin(), list.end(), text) != list.end();
}

std::vector<std::string> FilteredSchemas(const TTreeInput& input) {
  std::vector<std::string> shown;
  for (const std::string& schema : input.Schemas) {
    bool pass = true;
    if (input.SchemaFilter == kFilterLoginSchema) pass = schema == input.LoginSchema;
    if (input.SchemaFilter == kFilterStoredSchemas && !input.StoredSchemas.empty())
      pass = Contains(input.StoredSchemas, schema);
    if (pass) shown.push_back(schema);
  }
  return shown;
}

TTreeNode SchemaNode(const std::string& schema, const std::string& loginSchema) {
  return {schema, schema == loginSchema ? kImageLoginSchema : kImageSchema, false, false, {}};
}

TTreeNode KindNode(int kind) { return {ObjectKindName(kind), kind, false, false, {}}; }

// ---- column layouts ----

const TListColumn kName{"オブジェクト名", 200};
const TListColumn kOwner{"所有者", 100};
const TListColumn kType{"タイプ", 140};
const TListColumn kDBSpace{"ﾃﾞｰﾀﾍﾞｰｽｽﾍﾟｰｽ名", 100};
const TListColumn kCreated{"作成日時", 160};
const TListColumn kComment{"コメント", 200};
const TListColumn kUpdatable{"更新可能", 80};
const TListColumn kTableName{"テーブル名", 200};
const TListColumn kTableOwner{"テーブル所有者", 110};

constexpr int32_t kLevelWithDBSpace = 10;

// Fields of a row: 0 kind, 1 name, 2 onwards the columns after the caption.
constexpr int kSourceCreateTimeField = 4;

std::vector<TListColumn> Head() { return {kName, kOwner, kType}; }

constexpr const char* kObjectTreeSubKey = "OBJECTTREE\\";

}  // namespace

std::string ObjectTreeKey(const std::string& dataSource) {
  return OptionKey(kObjectTreeSubKey + dataSource);
}

std::vector<std::string> ReadStoredSchemaList(const std::string& dataSource) {
  TovRegistry reg;  // the key closes with the object
  if (!reg.OpenKey(ObjectTreeKey(dataSource), false)) return {};
  return TextToList(reg.ReadStringDef("Schema", ""));
}

std::vector<int> ShownObjectKinds(const TovOption& option) {
  std::vector<int> kinds;
  for (const KindSetting& setting : kKindSettings)
    if (option.*setting.Flag) kinds.push_back(setting.Kind);
  return kinds;
}

std::string LoginSchemaName(const std::string& userName) { return UnquoteName(userName); }

std::vector<std::string> LoginSchemaFirst(std::vector<std::string> schemas, const std::string& loginSchema,
                                          bool userFirst) {
  if (!userFirst) return schemas;
  auto found = std::find_if(schemas.begin(), schemas.end(),
                            [&](const std::string& schema) { return SameText(schema, loginSchema); });
  if (found == schemas.end()) return schemas;
  schemas.erase(found);
  schemas.insert(schemas.begin(), loginSchema);
  return schemas;
}

TTreeNode BuildTreeModel(const TTreeInput& input) {
  TTreeNode root{input.DataSource, kImageDataSource, true, false, {}};
  const std::vector<std::string> schemas = FilteredSchemas(input);
  if (input.TreeSort == kTreeByKind) {
    for (int kind : input.Kinds) {
      TTreeNode kindNode = KindNode(kind);
      for (const std::string& schema : schemas) kindNode.Children.push_back(SchemaNode(schema, input.LoginSchema));
      root.Children.push_back(kindNode);
    }
    root.Selected = true;
    return root;
  }
  bool selected = false;
  for (const std::string& schema : schemas) {
    TTreeNode schemaNode = SchemaNode(schema, input.LoginSchema);
    for (int kind : input.Kinds) schemaNode.Children.push_back(KindNode(kind));
    if (!selected && schema == input.LoginSchema) {
      schemaNode.Expanded = true;
      schemaNode.Selected = true;
      selected = true;
    }
    root.Children.push_back(schemaNode);
  }
  return root;
}

TListScope ListScopeOf(const TTreeSelection& node, const TListContext& context) {
  const std::string loginOrAny = context.SchemaFilter == kFilterLoginSchema ? context.UserName : kAnyPattern;
  const bool bySchema = context.TreeSort != kTreeByKind;
  switch (node.Level) {
    case 0:
      if (!context.ShowLevel0) return {};
      return {true, kAnyPattern, loginOrAny, false};
    case 1:
      if (!context.ShowLevel1) return {};
      if (bySchema) return {true, kAnyPattern, node.Text, true};
      return {true, node.Text, loginOrAny, true};
    case 2:
      if (bySchema) return {true, node.Text, node.ParentText, true};
      return {true, node.ParentText, node.Text, true};
    default:
      return {};
  }
}

std::string SchemaCondition(const std::string& schemaPattern, const std::vector<std::string>& schemaSet,
                            const std::string& userName) {
  if (schemaPattern != kAnyPattern) return "LIKE " + QuoteStr(schemaPattern);
  if (schemaSet.empty()) return "LIKE " + QuoteStr(userName);
  std::string condition = "IN (";
  for (size_t i = 0; i < schemaSet.size(); ++i) {
    if (i > 0) condition += ',';
    condition += QuoteStr(schemaSet[i]);
  }
  return condition + ")";
}

std::string FindPattern(const std::string& findText, bool find, bool findAuto, bool skipFind) {
  if (!find || skipFind || findText.empty()) return kAnyPattern;
  const std::string trimmed = Trim(findText);
  if (findAuto && findText.find('%') == std::string::npos) return "%" + trimmed + "%";
  return trimmed;
}

void PushFindHistory(std::vector<std::string>& history, const std::string& text) {
  auto found = std::find(history.begin(), history.end(), text);
  if (found != history.end()) history.erase(found);
  history.insert(history.begin(), text);
  if (history.size() > static_cast<size_t>(kWhereHistoryMax)) history.resize(kWhereHistoryMax);
}

TListLayout ObjectListLayout(const std::string& kindPattern, bool treeData, int32_t catalogLevel) {
  const bool ex = catalogLevel >= kLevelWithDBSpace;
  const auto with = [](std::vector<TListColumn> tail) {
    std::vector<TListColumn> columns = Head();
    columns.insert(columns.end(), tail.begin(), tail.end());
    return columns;
  };
  if (treeData) {
    if (kindPattern == "TABLE")
      return ex ? TListLayout{"TABLE", with({kDBSpace, kCreated, kComment}), 5, kNoField}
                : TListLayout{"TABLE", with({kCreated, kComment}), 4, kNoField};
    if (kindPattern == "INDEX")
      return {"INDEX", with({kTableName, kTableOwner, kDBSpace, kCreated}), 7, kNoField};
    if (kindPattern == "VIEW")
      return ex ? TListLayout{"VIEW", with({kDBSpace, kUpdatable, kCreated, kComment}), 6, kNoField}
                : TListLayout{"VIEW", with({kUpdatable, kCreated, kComment}), 5, kNoField};
    if (kindPattern == "TRIGGER")
      return {"TRIGGER",
              with({{"イベント", 100}, {"アクション", 100}, {"テーブル名", 100}, kTableOwner, kCreated}),
              8,
              kNoField};
    if (kindPattern == "SEQUENCE")
      return {"SEQUENCE",
              with({{"現在値", 70, true},
                    {"最小値", 60, true},
                    {"最大値", 60, true},
                    {"増分", 50, true},
                    {"サイクル", 100},
                    {"順序生成", 100},
                    {"キャッシュ", 100, true},
                    kCreated}),
              11,
              4};
  }
  return {kSourceLayoutKey, with({kCreated, kComment}), kSourceCreateTimeField, kNoField};
}

namespace {

constexpr const char* kTableComment =
    " LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT C ON C.DB_CODE = A.DB_CODE AND C.SCHEMA_CODE = A.SCHEMA_CODE AND "
    "C.TABLE_CODE = A.TABLE_CODE AND C.COMMENT_TYPE = 'TV'  WHERE TRIM(A.DB_NAME) = :DB_NAME";

std::string TableOrViewHead(const std::string& kind, const std::string& columns, bool ex) {
  return "SELECT '" + kind + "', TRIM(A.TABLE_NAME), TRIM(A.SCHEMA_NAME), '" + kind + "', " + columns +
         " FROM RDBII_SYSTEM." + (ex ? "RDBII_TABLE_EX" : "RDBII_TABLE") + " A" + kTableComment;
}

std::string GeneralQuery(const std::string& c, const std::string& p, const std::string& k) {
  const std::vector<std::string> parts = {
      "SELECT TRIM(OBJECT_TYPE), TRIM(OBJECT_NAME), TRIM(SCHEMA_NAME), TRIM(OBJECT_TYPE) OBJECT_TYPE, "
      "TRIM(CREATE_TIME), COMMENT_VALUE FROM (SELECT 'TABLE' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, "
      "TRIM(A.SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME, B.COMMENT_VALUE COMMENT_VALUE , A.DB_CODE DB_CODE FROM "
      "RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = B.TABLE_CODE AND "
      "B.COMMENT_TYPE = 'TV' WHERE (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP')",
      " UNION ",
      "SELECT 'INDEX' OBJECT_TYPE, TRIM(A.INDEX_DSO_NAME) OBJECT_NAME, TRIM(B.SCHEMA_NAME) SCHEMA_NAME, "
      "A.CREATE_TIME, C.COMMENT_VALUE COMMENT_VALUE",
      ", A.DB_CODE DB_CODE",
      " FROM RDBII_SYSTEM.RDBII_INDEX A",
      " LEFT OUTER JOIN RDBII_SYSTEM.RDBII_TABLE B ON A.TABLE_CODE = B.TABLE_CODE AND A.DB_CODE = B.DB_CODE AND "
      "A.SCHEMA_CODE = B.SCHEMA_CODE",
      " LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT C ON A.DB_CODE = C.DB_CODE AND A.SCHEMA_CODE = C.SCHEMA_CODE AND "
      "A.INDEX_DSO_CODE = C.INDEX_DSO_CODE",
      " UNION ",
      "SELECT 'VIEW' OBJECT_TYPE, TRIM(A.TABLE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, A.CREATE_TIME, "
      "B.COMMENT_VALUE ",
      ", A.DB_CODE DB_CODE ",
      "FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON A.TABLE_CODE = B.TABLE_CODE "
      "AND B.COMMENT_TYPE = 'TV' ",
      "WHERE (A.TABLE_TYPE = 'VW')",
      " UNION ",
      "SELECT 'PROCEDURE' OBJECT_TYPE, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, "
      "A.CREATE_TIME, B.COMMENT_VALUE COMMENT_VALUE ",
      ", A.DB_CODE DB_CODE ",
      "FROM RDBII_SYSTEM.RDBII_PROC A ",
      "LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ",
      "ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.PROCEDURE_CODE = B.TABLE_CODE ",
      "WHERE A.PROCEDURE_TYPE = 1 AND ROUTINE_TYPE = 0 ",
      " UNION ",
      "SELECT 'FUNCTION' OBJECT_TYPE, TRIM(A.PROCEDURE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, "
      "A.CREATE_TIME, B.COMMENT_VALUE COMMENT_VALUE ",
      ", A.DB_CODE DB_CODE ",
      "FROM RDBII_SYSTEM.RDBII_PROC A ",
      "LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ",
      "ON A.DB_CODE = B.DB_CODE AND A.SCHEMA_CODE = B.SCHEMA_CODE AND A.PROCEDURE_CODE = B.TABLE_CODE ",
      "WHERE A.PROCEDURE_TYPE = 2 ",
      " UNION ",
      "SELECT 'TRIGGER' OBJECT_TYPE, TRIM(A.TRIG_NAME) OBJECT_NAME, TRIM(A.TRIG_SCHEMA_NAME) SCHEMA_NAME, "
      "A.CREATE_TIME, B.COMMENT_VALUE ",
      ", A.TRIG_DB_CODE DB_CODE ",
      "FROM RDBII_SYSTEM.RDBII_TRIGGER A ",
      "LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ",
      "ON A.TRIG_DB_CODE = B.DB_CODE AND A.TRIG_SCHEMA_CODE = B.SCHEMA_CODE AND A.TRIG_CODE = B.TABLE_CODE ",
      " UNION ",
      "SELECT 'SEQUENCE' OBJECT_TYPE, TRIM(A.SEQUENCE_NAME) OBJECT_NAME, TRIM(A.SCHEMA_NAME) SCHEMA_NAME, "
      "A.CREATE_TIME, '' COMMENT_VALUE ",
      ", A.DB_CODE DB_CODE ",
      "FROM RDBII_SYSTEM.RDBII_SEQUENCE A",
      ") ALL_OBJECT ",
      " WHERE DB_CODE = :DB_CODE AND TRIM(SCHEMA_NAME) " + c + " AND UPPER(TRIM(SCHEMA_NAME)) " + UpperCase(c) +
          " AND TRIM(OBJECT_TYPE) LIKE " + k + " AND TRIM(OBJECT_NAME) LIKE" + p,
  };
  std::string sql;
  for (const std::string& part : parts) sql += part;
  return sql;
}

}  // namespace

// The data source and the database code are bound rather than pasted into
// the text, so that no name can break the statement and an unknown code
// gives no rows instead of a malformed statement.
TListQuery ObjectListQuery(const std::string& layoutKey, int32_t catalogLevel, const std::string& dataSource,
                           const std::string& dbCode, const std::string& schemaCondition,
                           const std::string& namePattern, const std::string& kindPattern) {
  const bool ex = catalogLevel >= kLevelWithDBSpace;
  const std::string& c = schemaCondition;
  const std::string p = QuoteStr(namePattern);
  if (layoutKey == "TABLE")
    return {TableOrViewHead("TABLE", ex ? "TRIM(A.DBSPACE_NAME),  A.CREATE_TIME, C.COMMENT_VALUE"
                                        : "A.CREATE_TIME, C.COMMENT_VALUE",
                            ex) +
                " AND TRIM(A.SCHEMA_NAME) " + c + " AND TRIM(A.TABLE_NAME) LIKE" + p +
                " AND (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP')",
            {dataSource}};
  if (layoutKey == "VIEW")
    return {TableOrViewHead("VIEW", ex ? "TRIM(A.DBSPACE_NAME), A.UPDATABLE, A.CREATE_TIME, C.COMMENT_VALUE"
                                       : "A.UPDATABLE, A.CREATE_TIME, C.COMMENT_VALUE",
                            ex) +
                " AND TRIM(A.SCHEMA_NAME) " + c + " AND TRIM(A.TABLE_NAME) LIKE" + p + " AND A.TABLE_TYPE = 'VW' ",
            {dataSource}};
  if (layoutKey == "INDEX")
    return {"SELECT 'INDEX', TRIM(A.INDEX_DSO_NAME), TRIM(B.SCHEMA_NAME), 'INDEX', TRIM(B.TABLE_NAME), "
            "TRIM(B.SCHEMA_NAME), ' ', A.CREATE_TIME FROM RDBII_SYSTEM.RDBII_INDEX A  LEFT OUTER JOIN "
            "RDBII_SYSTEM.RDBII_TABLE B ON B.DB_CODE = A.DB_CODE AND B.SCHEMA_CODE = A.SCHEMA_CODE AND B.TABLE_CODE = "
            "A.TABLE_CODE WHERE B.DB_CODE = :DB_CODE AND TRIM(B.SCHEMA_NAME) " +
                c + " AND TRIM(A.INDEX_DSO_NAME) LIKE" + p,
            {dbCode}};
  if (layoutKey == "TRIGGER")
    return {"SELECT 'TRIGGER', TRIM(A.TRIG_NAME), TRIM(A.TRIG_SCHEMA_NAME), 'TRIGGER', TRIM(A.EVENT_MANIPURATION), "
            "A.COND_TIMING, TRIM(A.EVENT_OBJ_TBL_NAME), TRIM(A.EVENT_OBJ_SCH_NAME), A.CREATE_TIME FROM "
            "RDBII_SYSTEM.RDBII_TRIGGER A  WHERE TRIM(A.TRIG_DB_NAME) = :DB_NAME AND TRIM(A.TRIG_SCHEMA_NAME) " +
                c + " AND TRIM(A.TRIG_NAME) LIKE " + p,
            {dataSource}};
  if (layoutKey == "SEQUENCE")
    return {"SELECT 'SEQUENCE', TRIM(A.SEQUENCE_NAME), TRIM(A.SCHEMA_NAME), 'SEQUENCE',  CAST(A.START_WITH_VAL AS "
            "VARCHAR(19)), CAST(A.MIN_VAL AS VARCHAR(19)), CAST(A.MAX_VAL AS VARCHAR(18)), CAST(A.INCREMENT_VAL AS "
            "VARCHAR(18)), A.CYCLE_SPEC, A.ORDER_SPEC, A.CACHE_VAL, A.CREATE_TIME FROM RDBII_SYSTEM.RDBII_SEQUENCE A  "
            "WHERE TRIM(A.DB_NAME) = :DB_NAME AND TRIM(A.SCHEMA_NAME) " +
                c + " AND TRIM(A.SEQUENCE_NAME) LIKE " + p,
            {dataSource}};
  return {GeneralQuery(c, p, QuoteStr(kindPattern)), {dbCode}};
}

TListQuery SequenceValueQuery(const std::string& dataSource, const std::string& schema, const std::string& name) {
  return {"SELECT A.SEQ_NUM FROM RDBII_SYSTEM.RDBII_OBJECT_SEQ A, RDBII_SYSTEM.RDBII_SEQUENCE B WHERE A.DB_CODE = "
          "B.DB_CODE AND A.SEQ_CODE = B.SEQUENCE_CODE AND B.DB_NAME = :DB_NAME AND B.SCHEMA_NAME = :SCHEMA_NAME AND "
          "B.SEQUENCE_NAME = :SEQUENCE_NAME",
          {dataSource, schema, name}};
}

void SaveColumnWidths(const std::string& columnKey, const std::vector<int>& widths) {
  TovRegistry reg;
  if (!reg.OpenKey(kObjectWindowKey, true)) return;
  for (size_t i = 0; i < widths.size(); ++i) reg.WriteInteger(columnKey + std::to_string(i), widths[i]);
}

std::vector<int> LoadColumnWidths(const TListLayout& layout) {
  std::vector<int> widths;
  TovRegistry reg;
  const bool open = reg.OpenKey(kObjectWindowKey, true);
  for (size_t i = 0; i < layout.Columns.size(); ++i) {
    const int def = layout.Columns[i].Width;
    widths.push_back(open ? reg.ReadIntegerDef(layout.Key + std::to_string(i), def) : def);
  }
  return widths;
}

