#include "app/zarurmemo.h"

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QTreeWidgetItem>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

#include "app/core/fobjectcore.h"
#include "app/core/odsql.h"
#include "app/core/ovkinds.h"
#include "app/core/ovoptions.h"
#include "app/core/zarur.h"
#include "app/core/zarurassist.h"
#include "app/core/zarurerrpos.h"
#include "editor/ovmemo.h"
#include "ui/ovimages.h"

namespace {

const char kTableSQL[] =
    "SELECT TRIM(TABLE_NAME) TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE WHERE (TABLE_TYPE = 'BS' OR TABLE_TYPE = 'TD' "
    "OR TABLE_TYPE = 'TP') AND TRIM(DB_NAME) = :DB_NAME AND TRIM(SCHEMA_NAME) = :SCHEMA_NAME AND UPPER(TABLE_NAME) = "
    ":TABLE_NAME";
const char kViewSQL[] =
    "SELECT TRIM(TABLE_NAME) VIEW_NAME FROM RDBII_SYSTEM.RDBII_TABLE WHERE (TABLE_TYPE = 'VW') AND TRIM(DB_NAME) = "
    ":DB_NAME AND TRIM(SCHEMA_NAME) = :OWNER AND UPPER(TABLE_NAME) = :TABLE_NAME";
const char kSchemaSQL[] =
    "SELECT SCHEMA_NAME FROM RDBII_SYSTEM.RDBII_SCHEMA WHERE TRIM(DB_NAME) = :DB_NAME AND TRIM(SCHEMA_NAME) = :OWNER";
const char kRoutineSQL[] =
    "SELECT TRIM(PROCEDURE_NAME) OBJECT_NAME FROM RDBII_SYSTEM.RDBII_PROC WHERE PROCEDURE_TYPE = 2 AND ROUTINE_TYPE "
    "= 0 AND TRIM(DB_NAME) = :DB_NAME AND TRIM(SCHEMA_NAME) = :OWNER AND UPPER(PROCEDURE_NAME) = :PROCEDURE_NAME";
const char kSchemasTablesSQL[] =
    "SELECT TRIM(SCHEMA_NAME) OBJECT_NAME, 'SCHEMA' OBJECT_TYPE, TRIM(SCHEMA_NAME) SCHEMA_NAME, 1 \"SORT\" FROM "
    "RDBII_SYSTEM.RDBII_SCHEMA UNION SELECT TRIM(A.TABLE_NAME) OBJECT_NAME, 'TABLE' OBJECT_TYPE, TRIM(A.SCHEMA_NAME) "
    "SCHEMA_NAME, 2 \"SORT\" FROM RDBII_SYSTEM.RDBII_TABLE A LEFT OUTER JOIN RDBII_SYSTEM.RDBII_COMMENT B ON "
    "A.TABLE_CODE = B.TABLE_CODE WHERE (A.TABLE_TYPE = 'BS' OR A.TABLE_TYPE = 'TD' OR A.TABLE_TYPE = 'TP') AND "
    "A.DB_NAME = :DB_NAME AND A.SCHEMA_NAME = :OWNER ORDER BY \"SORT\", OBJECT_NAME";
const char kColumnsSQL[] =
    "SELECT TRIM(COLUMN_NAME), DATA_TYPE, CHAR_MAX_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE , CHAR_MAX_LENGTH, 'B' "
    "CHAR_USED, 'NO' VIRTUAL_COLUMN, NUMERIC_RADIX FROM RDBII_SYSTEM.RDBII_COLUMN WHERE DB_CODE = :DB_CODE AND "
    "SCHEMA_CODE = :SCHEMA_CODE AND TABLE_CODE = :TABLE_CODE ";
const char kKeyColumnsSQL[] =
    "SELECT TRIM(COLUMN_NAME) FROM RDBII_SYSTEM.RDBII_COLUMN WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE "
    "AND TABLE_CODE = :TABLE_CODE AND COLUMN_CODE IN (SELECT COLUMN_CODE FROM RDBII_SYSTEM.RDBII_COLUMN_USAGE WHERE "
    "DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE AND TABLE_CODE = :TABLE_CODE AND OBJECT_CODE IN (SELECT "
    "CONSTRAINT_CODE FROM RDBII_SYSTEM.RDBII_CONSTRAINT WHERE DB_CODE = :DB_CODE AND SCHEMA_CODE = :SCHEMA_CODE AND "
    "TABLE_CODE = :TABLE_CODE AND CONSTRAINT_TYPE = 'PK'))";

const char kObjectHeader[] = "オブジェクト名";
const char kTypeHeader[] = "タイプ";
const char kColumnHeader[] = "列名";
const char kDataTypeHeader[] = "データ型";
const char kKeywordType[] = "KEYWORD";
const char kAllColumns[] = "*";
const QChar kEnter = QChar(u'\r');

using TBindings = std::vector<std::pair<std::string, std::string>>;

// Opens `sql` on `query`, each marker bound by its name (a name used more
// than once gets the same value each time).
TovSQLQuery& OpenBound(TovSQLQuery& query, const std::string& sql, const TBindings& values) {
  query.Close();
  query.SetParamCheck(true);
  query.SetSQL(sql);
  for (TovParameter& p : query.Parameters()) {
    const std::string name = UpperCase(!p.Name.empty() && p.Name.front() == ':' ? p.Name.substr(1) : p.Name);
    for (const auto& [marker, value] : values)
      if (UpperCase(marker) == name) p.Value = QString::fromStdString(value);
  }
  query.Open();
  return query;
}

bool HasRow(TovSQLQuery& query, const std::string& sql, const TBindings& values) {
  const bool found = !OpenBound(query, sql, values).Eof();
  query.Close();
  return found;
}

// The first field of the first row, empty without a row.
std::string FirstValue(TovSQLQuery& query, const std::string& sql, const TBindings& values) {
  OpenBound(query, sql, values);
  std::string value = query.Eof() ? std::string() : TrimBlanks(query.AsString(size_t{0}));
  query.Close();
  return value;
}

struct TCandidate {
  std::string Name;
  std::string Type;
  int Image = kAssistImageNone;
};
struct TCandidates {
  std::string Headers[2];
  std::vector<TCandidate> Items;
};

void AddObjectRows(TovSQLQuery& query, TCandidates& out) {
  for (; !query.Eof(); query.Next()) {
    const std::string type = TrimBlanks(query.AsString(size_t{1}));
    out.Items.push_back({TrimBlanks(query.AsString(size_t{0})), type, AssistObjectImage(type)});
  }
  query.Close();
}

// The schemas and `owner`'s tables; an empty owner leaves the schemas only.
TCandidates SchemasAndTables(TovSQLQuery& query, const std::string& dbName, const std::string& owner) {
  TCandidates out{{kObjectHeader, kTypeHeader}, {}};
  OpenBound(query, kSchemasTablesSQL, {{"DB_NAME", dbName}, {"OWNER", owner}});
  AddObjectRows(query, out);
  return out;
}

TCandidates SchemaObjects(TovSQLQuery& query, const std::string& dbName, const std::string& schema,
                          int serverVersion) {
  TCandidates out{{kObjectHeader, kTypeHeader}, {}};
  OpenBound(query, AssistObjectsSQL(serverVersion), {{"OWNER", schema}, {"DBName", dbName}});
  AddObjectRows(query, out);
  return out;
}

// "*" and the columns of the table, its key columns marked; nothing when a
// code is missing.
TCandidates TableColumns(TovSQLQuery& query, const std::string& dbName, const std::string& schema,
                         const std::string& table) {
  TovSQLQuery lookup(query.Connection());
  const std::string db = FirstValue(lookup, kDBCodeSql, {{"DBName", dbName}});
  const std::string schemaCode = FirstValue(lookup, kSchemaCodeSql, {{"DBName", dbName}, {"SchemaName", schema}});
  const std::string tableCode =
      FirstValue(lookup, kTableCodeSql, {{"DBName", dbName}, {"SchemaName", schema}, {"TableName", table}});
  if (db.empty() || schemaCode.empty() || tableCode.empty()) return {};
  const TBindings codes{{"DB_CODE", db}, {"SCHEMA_CODE", schemaCode}, {"TABLE_CODE", tableCode}};
  std::vector<std::string> keys;
  for (OpenBound(query, kKeyColumnsSQL, codes); !query.Eof(); query.Next())
    keys.push_back(TrimBlanks(query.AsString(size_t{0})));
  query.Close();
  TCandidates out{{kColumnHeader, kDataTypeHeader}, {{kAllColumns, {}, kAssistImageNone}}};
  for (OpenBound(query, kColumnsSQL, codes); !query.Eof(); query.Next()) {
    const std::string name = TrimBlanks(query.AsString(size_t{0}));
    const bool key = std::find(keys.begin(), keys.end(), name) != keys.end();
    out.Items.push_back({name, AssistColumnTypeName(query.AsString(size_t{1})), key ? okIndex : kAssistImageNone});
  }
  query.Close();
  return out;
}

std::vector<std::string> EditorRows(TovMemo& editor) {
  std::vector<std::string> rows;
  for (int i = 0; i < editor.Lines().GetCount(); ++i) rows.push_back(editor.Lines().Get(i));
  return rows;
}

}  // namespace

void BuildCodeAssistList(TovMemo& editor, QWidget& form, TovSQLQuery& query, const std::string& dbName,
                         const std::string& userName, int serverVersion, int x, int y) {
  if (!AppOption.CodeAssist || editor.CodeAssist() != nullptr) return;
  const std::optional<TovAssistWord> word = SplitAssistWord(editor.GetCaretWord());
  if (!word) return;
  const std::vector<std::string> rows = EditorRows(editor);
  TovAssistLookups lookups;
  lookups.IsTable = [&](const std::string& schema, const std::string& name) {
    const TBindings values{{"DB_NAME", dbName}, {"SCHEMA_NAME", schema}, {"OWNER", schema}, {"TABLE_NAME", name}};
    return HasRow(query, kTableSQL, values) || HasRow(query, kViewSQL, values);
  };
  lookups.AliasTable = [&](const std::string& alias) { return AliasTableInText(rows, alias); };
  lookups.IsSchema = [&](const std::string& name) {
    return HasRow(query, kSchemaSQL, {{"DB_NAME", dbName}, {"OWNER", name}});
  };
  lookups.IsRoutine = [&](const std::string& schema, const std::string& name) {
    return HasRow(query, kRoutineSQL, {{"DB_NAME", dbName}, {"OWNER", schema}, {"PROCEDURE_NAME", name}});
  };
  const TovAssistList list = ChooseAssistList(*word, userName, lookups);

  TCandidates candidates;
  switch (list.Kind) {
    case TovAssistListKind::None: return;
    case TovAssistListKind::SchemasTablesWords:
      candidates = SchemasAndTables(query, dbName, list.Schema);
      for (const std::string& reserved : editor.ReserveWordList().Strings())
        candidates.Items.push_back({reserved, kKeywordType, kAssistImageKeyword});
      break;
    case TovAssistListKind::Schemas: candidates = SchemasAndTables(query, dbName, {}); break;
    case TovAssistListKind::SchemaObjects:
      candidates = SchemaObjects(query, dbName, list.Schema, serverVersion);
      break;
    case TovAssistListKind::Columns: candidates = TableColumns(query, dbName, list.Schema, list.Table); break;
  }
  if (candidates.Items.empty()) return;

  auto* popup = new TovCodeAssist(editor, &form, x, y);
  popup->SetSmallImages([](int index) { return imgMain().Icon(index); });
  for (const std::string& header : candidates.Headers) popup->AddColumn(header);
  for (const TCandidate& item : candidates.Items) popup->AddCandidate(item.Name, item.Type, item.Image);
  if (list.Prefix) popup->SetPrefix(*list.Prefix);
  popup->FilterItems();
  if (popup->Candidates().Matches().size() == 1) {
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, kEnter);
    QApplication::sendEvent(popup, &enter);
    return;
  }
  popup->show();
  popup->setFocus();
  if (QTreeWidgetItem* first = popup->topLevelItem(0)) {
    popup->setCurrentItem(first);
    first->setSelected(true);
  }
}

void ShowSQLErrorPosition(TovMemo& editor, TovSQLQuery& query, const std::string& owner, int firstLine, int lastLine,
                          const std::string& message) {
  const TovErrorPosition position = SQLErrorPosition(
      EditorRows(editor), firstLine, lastLine, message, owner, !editor.SelText().empty(),
      [&](const std::string& tableOwner, const std::string& table) { return TableInAllTables(query, tableOwner, table); });
  switch (position.Select) {
    case TovErrorSelection::Keep: break;
    case TovErrorSelection::Rows: editor.SelectRows(firstLine, lastLine); break;
    case TovErrorSelection::Name:
      editor.SetSelStart(static_cast<int>(position.Range.Start));
      editor.SetSelLength(static_cast<int>(position.Range.Length));
      break;
  }
}
