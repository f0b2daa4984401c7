#include "standin/symfoware/upkeep.h"

#include <sqlite3.h>

#include <QRegularExpression>
#include <QSqlQuery>

#include <variant>
#include <vector>

#include "platform/sqlbackend.h"
#include "standin/symfoware/sqlite.h"

namespace symfoware {

namespace {

using platform::SqlError;

const char kNoSuchObject[] = "JYP9003E 削除するオブジェクトが存在しません: ";
const char kUsedByView[] = "JYP9004E ビューから参照されているため削除できません: ";
const char kAmbiguousName[] = "JYP9005E 同じ名前のオブジェクトが複数のスキーマにあります。スキーマ名を指定してください: ";
const char kSavepoint[] = "STANDIN_UPKEEP";
const char kDsoExists[] = "JYP9011E 同じ名前のDSOが既に定義されています: ";
const char kTableHasDso[] = "JYP9012E 表には既にDSOが定義されています: ";
const char kNoSuchDso[] = "JYP9013E DSOが存在しません: ";
const char kDsiExists[] = "JYP9014E 同じ名前のDSIが既に定義されています: ";
const char kNoSuchDsi[] = "JYP9015E DSIが存在しません: ";
const char kScopeExists[] = "JYP9016E 同じ名前のスコープが既に定義されています: ";
const char kTableDsoType[] = "T";
const char kIndexDsoType[] = "I";
// Lists kept in one text column (cluster keys, divide columns).
const char kListSeparator = '\n';

// Catalogue rows that belong to an object, found by its code.
struct CodeColumn {
  const char* table;
  const char* column;
};

// Storage rows that name their object instead of giving its code.
struct NameColumns {
  const char* table;
  const char* schemaColumn;
  const char* nameColumn;
};

// The unquoted form of a name as the server reads it: upper case unless
// quoted, quotes undoubled.
QString NameOf(const QString& token) {
  if (!token.startsWith('"')) return token.toUpper();
  return token.mid(1, token.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
}

QString Dotted(const QString& schema, const QString& name) { return Quoted(schema) + '.' + Quoted(name); }

// Runs DDL on SQLite with a failure worded as the server's.
void RunDdl(QSqlDatabase& db, const QString& sql) {
  try {
    Run(db, sql.toStdString());
  } catch (const SqlError& e) {
    throw SqlError(StandinMessage(ServerErrorText(e.what())));
  }
}

}  // namespace

struct CatalogueUpkeep::Kind {
  const char* word;
  // SQLite's word for the object, null for one the catalogue alone holds.
  const char* sqliteWord;
  // Code, schema and name of the objects of a name in one database.
  const char* lookup;
  const char* schemaColumn;
  std::vector<CodeColumn> rows;
  std::vector<NameColumns> namedRows;
  // Tables and views: views that use them, indexes and triggers on them.
  bool hasDependents;
};

namespace {

using Kind = CatalogueUpkeep::Kind;

const std::vector<CodeColumn> kTableRows{
    {"RDBII_TABLE", "TABLE_CODE"},        {"RDBII_TABLE_EX", "TABLE_CODE"},   {"RDBII_COLUMN", "TABLE_CODE"},
    {"RDBII_COMMENT", "TABLE_CODE"},      {"RDBII_CONSTRAINT", "TABLE_CODE"}, {"RDBII_COLUMN_USAGE", "TABLE_CODE"},
    {"RDBII_PRIVILEGES", "TABLE_CODE"},   {"RDBII_ROLE_PRIV", "OBJECT_CODE"}, {"RDBII_TABLE_USAGE", "OBJECT_CODE"},
    {"RDBII_TABLE_USAGE", "TABLE_CODE"}, {"RDBII_DESCRIPTION", "OBJECT_CODE"}};
const std::vector<CodeColumn> kRoutineRows{
    {"RDBII_PROC", "PROCEDURE_CODE"},    {"RDBII_PROC_EX", "PROCEDURE_CODE"},  {"RDBII_PROC_COL", "PROCEDURE_CODE"},
    {"RDBII_DESCRIPTION", "OBJECT_CODE"}, {"RDBII_COMMENT", "TABLE_CODE"},      {"RDBII_TABLE_USAGE", "OBJECT_CODE"},
    {"RDBII_PRIVILEGES", "TABLE_CODE"},   {"RDBII_ROLE_PRIV", "OBJECT_CODE"}};
const std::vector<NameColumns> kTableStorage{{"RDBII_DSI_STATUS", "SCHEMA_NAME", "TABLE_NAME"},
                                             {"STANDIN_DSO", "SCHEMA_NAME", "TABLE_NAME"},
                                             {"STANDIN_DSI", "SCHEMA_NAME", "TABLE_NAME"},
                                             {"STANDIN_DSI_SPACE", "SCHEMA_NAME", "TABLE_NAME"},
                                             {"STANDIN_SCOPE", "SCHEMA_NAME", "TABLE_NAME"}};

const Kind kTable{"TABLE",
                  "TABLE",
                  "SELECT TABLE_CODE, SCHEMA_NAME, TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE "
                  "WHERE TABLE_TYPE <> 'VW' AND DB_CODE = ? AND TABLE_NAME = ?",
                  "SCHEMA_NAME",
                  kTableRows,
                  kTableStorage,
                  true};
const Kind kView{"VIEW",
                 "VIEW",
                 "SELECT TABLE_CODE, SCHEMA_NAME, TABLE_NAME FROM RDBII_SYSTEM.RDBII_TABLE "
                 "WHERE TABLE_TYPE = 'VW' AND DB_CODE = ? AND TABLE_NAME = ?",
                 "SCHEMA_NAME",
                 kTableRows,
                 {},
                 true};
const Kind kProcedure{"PROCEDURE",
                      nullptr,
                      "SELECT PROCEDURE_CODE, SCHEMA_NAME, PROCEDURE_NAME FROM RDBII_SYSTEM.RDBII_PROC "
                      "WHERE PROCEDURE_TYPE <> 2 AND DB_CODE = ? AND PROCEDURE_NAME = ?",
                      "SCHEMA_NAME",
                      kRoutineRows,
                      {},
                      false};
const Kind kFunction{"FUNCTION",
                     nullptr,
                     "SELECT PROCEDURE_CODE, SCHEMA_NAME, PROCEDURE_NAME FROM RDBII_SYSTEM.RDBII_PROC "
                     "WHERE PROCEDURE_TYPE = 2 AND DB_CODE = ? AND PROCEDURE_NAME = ?",
                     "SCHEMA_NAME",
                     kRoutineRows,
                     {},
                     false};
const Kind kTrigger{"TRIGGER",
                    nullptr,
                    "SELECT TRIG_CODE, TRIG_SCHEMA_NAME, TRIG_NAME FROM RDBII_SYSTEM.RDBII_TRIGGER "
                    "WHERE TRIG_DB_CODE = ? AND TRIG_NAME = ?",
                    "TRIG_SCHEMA_NAME",
                    {{"RDBII_TRIGGER", "TRIG_CODE"},
                     {"RDBII_TRIG_COLUMNS", "TRIG_CODE"},
                     {"RDBII_TABLE_USAGE", "OBJECT_CODE"},
                     {"RDBII_COMMENT", "TABLE_CODE"},
                     {"RDBII_PRIVILEGES", "TABLE_CODE"},
                     {"RDBII_ROLE_PRIV", "OBJECT_CODE"}},
                    {},
                    false};
const Kind kSequence{"SEQUENCE",
                     nullptr,
                     "SELECT SEQUENCE_CODE, SCHEMA_NAME, SEQUENCE_NAME FROM RDBII_SYSTEM.RDBII_SEQUENCE "
                     "WHERE DB_CODE = ? AND SEQUENCE_NAME = ?",
                     "SCHEMA_NAME",
                     {{"RDBII_SEQUENCE", "SEQUENCE_CODE"},
                      {"RDBII_OBJECT_SEQ", "SEQ_CODE"},
                      {"RDBII_COMMENT", "TABLE_CODE"},
                      {"RDBII_PRIVILEGES", "TABLE_CODE"},
                      {"RDBII_ROLE_PRIV", "OBJECT_CODE"}},
                     {},
                     false};
// An index is a storage structure of its own: DROP DSO names it.
const Kind kIndex{"DSO",
                  "INDEX",
                  "SELECT I.INDEX_DSO_CODE, S.SCHEMA_NAME, I.INDEX_DSO_NAME FROM RDBII_SYSTEM.RDBII_INDEX I, "
                  "RDBII_SYSTEM.RDBII_SCHEMA S WHERE S.SCHEMA_CODE = I.SCHEMA_CODE AND I.DB_CODE = ? "
                  "AND I.INDEX_DSO_NAME = ?",
                  "S.SCHEMA_NAME",
                  {{"RDBII_INDEX", "INDEX_DSO_CODE"},
                   {"RDBII_COLUMN_USAGE", "OBJECT_CODE"},
                   {"RDBII_COMMENT", "INDEX_DSO_CODE"}},
                  {{"RDBII_DSI_STATUS", "SCHEMA_NAME", "DSO_NAME"},
                   {"STANDIN_DSO", "SCHEMA_NAME", "DSO_NAME"},
                   {"STANDIN_DSI", "SCHEMA_NAME", "DSO_NAME"},
                   {"STANDIN_DSI_SPACE", "SCHEMA_NAME", "DSO_NAME"},
                   {"STANDIN_SCOPE", "SCHEMA_NAME", "DSO_NAME"}},
                  false};

const Kind* const kKinds[] = {&kTable, &kView, &kProcedure, &kFunction, &kTrigger, &kSequence, &kIndex};

// Views of a schema that no longer compile: those that used what was
// just dropped, directly or through other views.
std::vector<QString> BrokenViews(QSqlDatabase& db, const QString& schema) {
  QSqlQuery views = Run(db, "SELECT name FROM " + Quoted(schema).toStdString() + ".sqlite_master WHERE type = 'view'");
  std::vector<QString> names;
  while (views.next()) names.push_back(views.value(0).toString());
  views.finish();
  std::vector<QString> broken;
  for (const QString& view : names) {
    const QByteArray probe = ("SELECT * FROM " + Dotted(schema, view)).toUtf8();
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(SqliteHandle(db), probe.constData(), -1, &stmt, nullptr) != SQLITE_OK)
      broken.push_back(view);
    sqlite3_finalize(stmt);
  }
  return broken;
}

}  // namespace

CatalogueUpkeep::CatalogueUpkeep(QSqlDatabase& db) : db_(db) {
  QSqlQuery q = Run(db_, "SELECT DB_CODE, DB_NAME FROM " + Qualified("RDBII_DATABASE"));
  if (!q.next()) throw SqlError(StandinMessage(kNoSuchObject + std::string("RDBII_DATABASE")));
  dbCode_ = q.value(0).toLongLong();
  dbName_ = q.value(1).toString().toStdString();
  q.finish();
  Settle();
}

bool CatalogueUpkeep::Drop(const std::string& sql) {
  static const QString kName = QStringLiteral("(\"(?:[^\"]|\"\")+\"|[^\\s.\";]+)");
  static const QRegularExpression kDrop(QStringLiteral("^\\s*DROP\\s+(\\w+)\\s+") + kName + "(?:\\s*\\.\\s*" +
                                            kName + ")?(\\s+CASCADE)?\\s*;?\\s*$",
                                        QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = kDrop.match(QString::fromStdString(sql));
  if (!m.hasMatch()) return false;
  const Kind* kind = nullptr;
  for (const Kind* k : kKinds)
    if (m.captured(1).compare(QLatin1String(k->word), Qt::CaseInsensitive) == 0) kind = k;
  if (!kind) return false;
  const bool qualified = m.capturedLength(3) > 0;
  const QString schema = qualified ? NameOf(m.captured(2)) : QString();
  // The catalogue's own objects are described nowhere: SQLite alone runs that.
  if (schema == QLatin1String(kCatalogueSchema)) return false;
  const Found object = Find(*kind, schema, NameOf(m.captured(qualified ? 3 : 2)));
  Atomically([&] {
    DropInSqlite(*kind, object, m.capturedLength(4) > 0);
    RemoveRows(*kind, object);
  });
  Settle();
  return true;
}

void CatalogueUpkeep::Atomically(const std::function<void()>& change) {
  Run(db_, std::string("SAVEPOINT ") + kSavepoint);
  try {
    change();
  } catch (...) {
    Run(db_, std::string("ROLLBACK TO ") + kSavepoint);
    Run(db_, std::string("RELEASE ") + kSavepoint);
    throw;
  }
  Run(db_, std::string("RELEASE ") + kSavepoint);
}

void CatalogueUpkeep::Executed(const std::string& sql) {
  static const QRegularExpression kMakes(QStringLiteral("^\\s*(CREATE|ALTER)\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
  // The catalogue's own objects are described nowhere.
  static const QRegularExpression kOnCatalogue(
      QStringLiteral("^\\s*(CREATE|ALTER)\\s+(\\w+\\s+)*?\"?") + kCatalogueSchema + "\"?\\s*\\.",
      QRegularExpression::CaseInsensitiveOption);
  const QString text = QString::fromStdString(sql);
  if (kMakes.match(text).hasMatch() && !kOnCatalogue.match(text).hasMatch())
    DescribeNewObjects(db_, dbName_, described_);
}

CatalogueUpkeep::Found CatalogueUpkeep::Find(const Kind& kind, const QString& schema, const QString& name) {
  std::string lookup = kind.lookup;
  std::vector<QVariant> values{dbCode_, name};
  if (!schema.isEmpty()) {
    lookup += std::string(" AND ") + kind.schemaColumn + " = ?";
    values.push_back(schema);
  }
  QSqlQuery q = Run(db_, lookup, values);
  std::vector<Found> found;
  while (q.next()) found.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
  const QString shown = schema.isEmpty() ? name : schema + '.' + name;
  if (found.empty()) throw SqlError(StandinMessage(kNoSuchObject + shown.toStdString()));
  if (found.size() > 1) throw SqlError(StandinMessage(kAmbiguousName + shown.toStdString()));
  return found.front();
}

void CatalogueUpkeep::DropInSqlite(const Kind& kind, const Found& object, bool cascade) {
  if (!kind.sqliteWord) return;
  RunDdl(db_, QStringLiteral("DROP ") + kind.sqliteWord + ' ' + Dotted(object.schema, object.name));
  if (!kind.hasDependents) return;
  const std::vector<QString> broken = BrokenViews(db_, object.schema);
  if (broken.empty()) return;
  if (!cascade) throw SqlError(StandinMessage(kUsedByView + (object.schema + '.' + broken.front()).toStdString()));
  for (const QString& view : broken) {
    const Found dependent = Find(kView, object.schema, view);
    RunDdl(db_, QStringLiteral("DROP VIEW ") + Dotted(object.schema, view));
    RemoveRows(kView, dependent);
  }
}

void CatalogueUpkeep::RemoveRows(const Kind& kind, const Found& object) {
  if (kind.hasDependents) RemoveIndexesAndTriggersOf(object.code);
  for (const CodeColumn& rows : kind.rows)
    Run(db_, "DELETE FROM " + Qualified(rows.table) + " WHERE " + rows.column + " = ?", {object.code});
  for (const NameColumns& rows : kind.namedRows)
    Run(db_,
        "DELETE FROM " + Qualified(rows.table) + " WHERE " + rows.schemaColumn + " = ? AND " + rows.nameColumn +
            " = ?",
        {object.schema, object.name});
}

// SQLite drops a table's indexes with it; the catalogue forgets them here,
// and the triggers that fired on the table.
void CatalogueUpkeep::RemoveIndexesAndTriggersOf(long long tableCode) {
  struct Owned {
    const Kind& kind;
    std::string lookup;
  };
  const Owned owned[] = {
      {kIndex, "SELECT I.INDEX_DSO_CODE, S.SCHEMA_NAME, I.INDEX_DSO_NAME FROM " + Qualified("RDBII_INDEX") + " I, " +
                   Qualified("RDBII_SCHEMA") + " S WHERE S.SCHEMA_CODE = I.SCHEMA_CODE AND I.TABLE_CODE = ?"},
      {kTrigger, "SELECT TRIG_CODE, TRIG_SCHEMA_NAME, TRIG_NAME FROM " + Qualified("RDBII_TRIGGER") +
                     " WHERE EVENT_OBJ_TBL_CODE = ?"},
  };
  for (const Owned& o : owned) {
    QSqlQuery q = Run(db_, o.lookup, {tableCode});
    std::vector<Found> found;
    while (q.next()) found.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
    q.finish();
    for (const Found& f : found) RemoveRows(o.kind, f);
  }
}

// Everything each schema holds now is described, so the next pass looks
// only past it; a dropped object's row of sqlite_master may be used again.
void CatalogueUpkeep::Settle() {
  QSqlQuery schemas = Run(db_,
                          "SELECT SCHEMA_NAME FROM " + Qualified("RDBII_SCHEMA") +
                              " WHERE DB_CODE = ? AND SCHEMA_NAME <> ?",
                          {dbCode_, QString::fromLatin1(kCatalogueSchema)});
  std::vector<QString> names;
  while (schemas.next()) names.push_back(schemas.value(0).toString());
  schemas.finish();
  described_.clear();
  for (const QString& schema : names) {
    QSqlQuery last = Run(db_, "SELECT IFNULL(MAX(rowid), 0) FROM " + Quoted(schema).toStdString() + ".sqlite_master");
    described_[schema] = last.next() ? last.value(0).toLongLong() : 0;
  }
}

// ---- storage structures ----

namespace {

QVariant V(const std::string& text) { return QString::fromStdString(text); }
QVariant Flag(bool on) { return on ? 1 : 0; }

std::string JoinedList(const std::vector<std::string>& items) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : std::string(1, kListSeparator)) + item;
  return text;
}

bool Exists(QSqlDatabase& db, const std::string& sql, const std::vector<QVariant>& values) {
  QSqlQuery q = Run(db, sql, values);
  return q.next();
}

}  // namespace

bool CatalogueUpkeep::Storage(const std::string& sql) {
  const std::optional<TStorageStatement> statement = ParseStorageStatement(sql);
  if (!statement) return false;
  bool kept = true;
  Atomically([&] {
    if (const auto* dso = std::get_if<TCreateDso>(&*statement)) CreateDso(*dso);
    if (const auto* dsi = std::get_if<TCreateDsi>(&*statement)) CreateDsi(*dsi);
    if (const auto* scope = std::get_if<TCreateScope>(&*statement)) CreateScope(*scope);
    if (const auto* scope = std::get_if<TDropScope>(&*statement))
      Run(db_, "DELETE FROM " + Qualified("STANDIN_SCOPE") + " WHERE SCOPE_NAME = ?", {V(scope->scope)});
    if (const auto* drop = std::get_if<TDropStorage>(&*statement)) kept = DropStorage(*drop);
  });
  return kept;
}

void CatalogueUpkeep::CreateDso(const TCreateDso& dso) {
  const Found table = Find(kTable, QString::fromStdString(dso.table.schema), QString::fromStdString(dso.table.name));
  if (Exists(db_, "SELECT 1 FROM " + Qualified("STANDIN_DSO") + " WHERE DSO_NAME = ? UNION ALL SELECT 1 FROM " +
                      Qualified("RDBII_DSI_STATUS") + " WHERE DSO_NAME = ? UNION ALL SELECT 1 FROM " +
                      Qualified("RDBII_INDEX") + " WHERE INDEX_DSO_NAME = ?",
             {V(dso.dso), V(dso.dso), V(dso.dso)}))
    throw SqlError(StandinMessage(kDsoExists + dso.dso));
  if (!dso.index && Exists(db_,
                           "SELECT 1 FROM " + Qualified("RDBII_DSI_STATUS") +
                               " WHERE SCHEMA_NAME = ? AND TABLE_NAME = ? AND TYPE = ?",
                           {table.schema, table.name, kTableDsoType}))
    throw SqlError(StandinMessage(kTableHasDso + (table.schema + '.' + table.name).toStdString()));
  if (dso.index) {
    QStringList keys;
    for (const std::string& key : dso.keyColumns) keys << Quoted(QString::fromStdString(key));
    RunDdl(db_, "CREATE INDEX " + Dotted(table.schema, QString::fromStdString(dso.dso)) + " ON " +
                    Quoted(table.name) + " (" + keys.join(", ") + ")");
    DescribeNewObjects(db_, dbName_, described_);
  }
  // An index of CREATE INDEX has the storage the server gives it.
  if (dso.structure.empty()) return;
  Run(db_, "INSERT INTO " + Qualified("STANDIN_DSO") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {table.schema, table.name, V(dso.dso), dso.index ? kIndexDsoType : kTableDsoType, V(dso.structure),
       V(dso.pageSize1), V(dso.pageSize2), V(dso.order), Flag(dso.precedence), V(JoinedList(dso.cluster)),
       Flag(dso.notUnique), V(dso.rule), V(JoinedList(dso.divideColumns)), Flag(dso.rangeDivided),
       V(dso.indexOption)});
}

void CatalogueUpkeep::CreateDsi(const TCreateDsi& dsi) {
  QSqlQuery owner = Run(db_,
                        "SELECT SCHEMA_NAME, TABLE_NAME FROM " + Qualified("STANDIN_DSO") +
                            " WHERE DSO_NAME = ? AND DSO_TYPE = ?",
                        {V(dsi.dso), dsi.index ? kIndexDsoType : kTableDsoType});
  if (!owner.next()) throw SqlError(StandinMessage(kNoSuchDso + dsi.dso));
  const QVariant schema = owner.value(0), table = owner.value(1);
  owner.finish();
  if (Exists(db_, "SELECT 1 FROM " + Qualified("RDBII_DSI_STATUS") + " WHERE NAME = ?", {V(dsi.dsi)}))
    throw SqlError(StandinMessage(kDsiExists + dsi.dsi));
  QSqlQuery count =
      Run(db_, "SELECT COUNT(*) FROM " + Qualified("RDBII_DSI_STATUS") + " WHERE DSO_NAME = ?", {V(dsi.dso)});
  const long long code = count.next() ? count.value(0).toLongLong() + 1 : 1;
  count.finish();
  Run(db_, "INSERT INTO " + Qualified("RDBII_DSI_STATUS") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
      {dbCode_, V(dbName_), schema, table, V(dsi.dso), V(dsi.dsi), code,
       dsi.index ? kIndexDsoType : kTableDsoType});
  Run(db_, "INSERT INTO " + Qualified("STANDIN_DSI") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {schema, table, V(dsi.dso), V(dsi.dsi), V(dsi.divideValue), V(dsi.option), V(dsi.baseDsi), V(dsi.alarm),
       V(dsi.capacity), V(dsi.expandSize)});
  for (const TDsiSpace& space : dsi.spaces)
    Run(db_, "INSERT INTO " + Qualified("STANDIN_DSI_SPACE") + " VALUES (?, ?, ?, ?, ?, ?, ?)",
        {schema, table, V(dsi.dso), V(dsi.dsi), V(space.kind), V(space.space), V(space.size)});
}

void CatalogueUpkeep::CreateScope(const TCreateScope& scope) {
  if (Exists(db_, "SELECT 1 FROM " + Qualified("STANDIN_SCOPE") + " WHERE SCOPE_NAME = ?", {V(scope.scope)}))
    throw SqlError(StandinMessage(kScopeExists + scope.scope));
  for (const std::string& dsi : scope.dsis) {
    QSqlQuery owner = Run(db_,
                          "SELECT SCHEMA_NAME, TABLE_NAME, DSO_NAME FROM " + Qualified("RDBII_DSI_STATUS") +
                              " WHERE NAME = ?",
                          {V(dsi)});
    if (!owner.next()) throw SqlError(StandinMessage(kNoSuchDsi + dsi));
    const std::vector<QVariant> values{V(scope.scope), owner.value(0), owner.value(1), owner.value(2), V(dsi)};
    owner.finish();
    Run(db_, "INSERT INTO " + Qualified("STANDIN_SCOPE") + " VALUES (?, ?, ?, ?, ?)", values);
  }
}

bool CatalogueUpkeep::DropStorage(const TDropStorage& drop) {
  const QVariant name = V(drop.name.name), schema = V(drop.name.schema);
  const std::string ofSchema = " AND (? = '' OR SCHEMA_NAME = ?)";
  const char* column = drop.dso ? "DSO_NAME" : "DSI_NAME";
  const bool kept =
      drop.dso ? Exists(db_,
                        "SELECT 1 FROM " + Qualified("STANDIN_DSO") + " WHERE DSO_NAME = ? AND DSO_TYPE = ?" +
                            ofSchema + " UNION ALL SELECT 1 FROM " + Qualified("RDBII_DSI_STATUS") +
                            " WHERE DSO_NAME = ? AND TYPE = ?" + ofSchema,
                        {name, kTableDsoType, schema, schema, name, kTableDsoType, schema, schema})
               : Exists(db_, "SELECT 1 FROM " + Qualified("RDBII_DSI_STATUS") + " WHERE NAME = ?" + ofSchema,
                        {name, schema, schema});
  if (!kept) {
    // A table of the server's own storage: its DSO and DSI bear its name.
    const bool defaultStorage =
        Exists(db_,
               "SELECT 1 FROM " + Qualified("RDBII_TABLE") + " T WHERE T.TABLE_TYPE <> 'VW' AND T.DB_CODE = ? AND "
               "T.TABLE_NAME = ? AND (? = '' OR T.SCHEMA_NAME = ?) AND NOT EXISTS (SELECT 1 FROM " +
                   Qualified("RDBII_DSI_STATUS") +
                   " D WHERE D.SCHEMA_NAME = T.SCHEMA_NAME AND D.TABLE_NAME = T.TABLE_NAME AND D.TYPE = ?)",
               {dbCode_, name, schema, schema, kTableDsoType});
    if (defaultStorage) return true;
    if (drop.dso) return false;
    throw SqlError(StandinMessage(kNoSuchDsi + drop.name.name));
  }
  for (const char* table : {"STANDIN_DSI", "STANDIN_DSI_SPACE", "STANDIN_SCOPE"})
    Run(db_, "DELETE FROM " + Qualified(table) + " WHERE " + column + " = ?" + ofSchema, {name, schema, schema});
  Run(db_,
      "DELETE FROM " + Qualified("RDBII_DSI_STATUS") + " WHERE " + (drop.dso ? "DSO_NAME" : "NAME") + " = ?" +
          ofSchema,
      {name, schema, schema});
  if (drop.dso)
    Run(db_, "DELETE FROM " + Qualified("STANDIN_DSO") + " WHERE DSO_NAME = ?" + ofSchema, {name, schema, schema});
  return true;
}

}  // namespace symfoware
