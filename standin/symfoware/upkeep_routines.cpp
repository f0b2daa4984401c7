// The catalogue upkeep of routines and triggers: their CREATE statements
// are read (routinedef.h) and kept in the catalogue alone; their DROP is
// the upkeep's Drop.
#include <QSqlQuery>

#include <optional>

#include "platform/sqlbackend.h"
#include "standin/symfoware/routinedef.h"
#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/upkeep.h"

namespace symfoware {

namespace {

using platform::SqlError;

const char kNoSuchSchema[] = "JYP9044E スキーマが存在しません: ";
const char kRoutineExists[] = "JYP9045E 同じ名前のルーチンが既に定義されています: ";
const char kTriggerExists[] = "JYP9046E 同じ名前のトリガーが既に定義されています: ";
const char kNoSuchTable[] = "JYP9047E 表が存在しません: ";
const char kNoSuchColumn[] = "JYP9048E 列が存在しません: ";
const char kRoutineComment[] = "PR";
const char kRoutinePrivilegeType[] = "PR";
const char kTriggerPrivilegeType[] = "TR";
const char kGrantable[] = "YES";
const char* const kRoutineOwnerPrivileges[] = {"DROP", "EXECUTE"};
constexpr int kProcedureType = 1;
constexpr int kFunctionType = 2;
// Functions and procedures alike: code assist and the object lists read 0.
constexpr int kRoutineType = 0;

QVariant Q(const std::string& text) { return QString::fromStdString(text); }
QVariant Optional(const std::optional<int>& value) { return value ? QVariant(*value) : QVariant(); }
QString Dotted(const QString& schema, const QString& name) { return schema + '.' + name; }

bool Exists(QSqlDatabase& db, const std::string& sql, const std::vector<QVariant>& values) {
  QSqlQuery q = Run(db, sql, values);
  return q.next();
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

long long CatalogueUpkeep::SchemaCode(const QString& schema) {
  QSqlQuery q = Run(db_, "SELECT SCHEMA_CODE FROM " + Qualified("RDBII_SCHEMA") + " WHERE DB_CODE = ? AND SCHEMA_NAME = ?",
                    {dbCode_, schema});
  if (!q.next()) throw SqlError(StandinMessage(kNoSuchSchema + schema.toStdString()));
  return q.value(0).toLongLong();
}

std::vector<long long> CatalogueUpkeep::UsedTableCodes(const std::vector<TQualifiedName>& names,
                                                       const QString& schema) {
  std::vector<long long> codes;
  for (const TQualifiedName& used : names) {
    QSqlQuery q = Run(db_,
                      "SELECT TABLE_CODE FROM " + Qualified("RDBII_TABLE") +
                          " WHERE DB_CODE = ? AND SCHEMA_NAME = ? AND TABLE_NAME = ?",
                      {dbCode_, used.schema.empty() ? schema : Q(used.schema), Q(used.name)});
    if (q.next()) codes.push_back(q.value(0).toLongLong());
  }
  return codes;
}

bool CatalogueUpkeep::CreateRoutine(const std::string& sql) {
  const std::optional<TCreateRoutine> routine = ParseCreateRoutine(sql);
  if (!routine) return false;
  const QString schema = routine->name.schema.empty() ? user_ : QString::fromStdString(routine->name.schema);
  const QString name = QString::fromStdString(routine->name.name);
  const long long schemaCode = SchemaCode(schema);
  if (Exists(db_,
             "SELECT 1 FROM " + Qualified("RDBII_PROC") + " WHERE DB_CODE = ? AND SCHEMA_NAME = ? AND PROCEDURE_NAME = ?",
             {dbCode_, schema, name}))
    throw SqlError(StandinMessage(kRoutineExists + Dotted(schema, name).toStdString()));
  const std::vector<long long> used = UsedTableCodes(routine->used, schema);
  Atomically([&] {
    const long long code = NextObjectCode(db_);
    const int type = routine->function ? kFunctionType : kProcedureType;
    const QVariant db = Q(dbName_);
    Run(db_, "INSERT INTO " + Qualified("RDBII_PROC") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {dbCode_, db, schemaCode, schema, code, name, user_, type, kRoutineType, Q(CatalogueTime())});
    Run(db_, "INSERT INTO " + Qualified("RDBII_PROC_EX") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {dbCode_, db, schemaCode, schema, code, name, type,
         routine->function ? Q(routine->symbol) : QVariant(), routine->function ? Q(routine->library) : QVariant()});
    int position = 0;
    for (const TRoutineParam& param : routine->params)
      Run(db_, "INSERT INTO " + Qualified("RDBII_PROC_COL") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
          {dbCode_, schemaCode, code, ++position, param.name.empty() ? QVariant() : Q(param.name), param.mode,
           param.dataType, QString(param.nullable ? "YES" : "NO"), Optional(param.length),
           Optional(param.precision), Optional(param.scale)});
    if (!routine->function)
      Run(db_, "INSERT INTO " + Qualified("RDBII_DESCRIPTION") + " VALUES (?, ?, ?, 'P', ?)",
          {dbCode_, schemaCode, code, Q(Trimmed(sql))});
    if (routine->comment)
      Run(db_, "INSERT INTO " + Qualified("RDBII_COMMENT") + " VALUES (?, ?, ?, NULL, NULL, ?, ?)",
          {dbCode_, schemaCode, code, kRoutineComment, Q(*routine->comment)});
    for (long long table : used)
      Run(db_, "INSERT INTO " + Qualified("RDBII_TABLE_USAGE") + " VALUES (?, ?)", {code, table});
    for (const char* privilege : kRoutineOwnerPrivileges)
      Run(db_, "INSERT INTO " + Qualified("RDBII_PRIVILEGES") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
          {user_, user_, dbCode_, schemaCode, code, kRoutinePrivilegeType, privilege, kGrantable});
  });
  return true;
}

bool CatalogueUpkeep::CreateTrigger(const std::string& sql) {
  const std::optional<TCreateTrigger> trigger = ParseCreateTrigger(sql);
  if (!trigger) return false;
  const QString schema = trigger->name.schema.empty() ? user_ : QString::fromStdString(trigger->name.schema);
  const QString name = QString::fromStdString(trigger->name.name);
  const long long schemaCode = SchemaCode(schema);
  if (Exists(db_,
             "SELECT 1 FROM " + Qualified("RDBII_TRIGGER") +
                 " WHERE TRIG_DB_CODE = ? AND TRIG_SCHEMA_NAME = ? AND TRIG_NAME = ?",
             {dbCode_, schema, name}))
    throw SqlError(StandinMessage(kTriggerExists + Dotted(schema, name).toStdString()));
  const QString tableSchema = trigger->table.schema.empty() ? schema : QString::fromStdString(trigger->table.schema);
  const QString tableName = QString::fromStdString(trigger->table.name);
  QSqlQuery table = Run(db_,
                        "SELECT SCHEMA_CODE, TABLE_CODE FROM " + Qualified("RDBII_TABLE") +
                            " WHERE DB_CODE = ? AND SCHEMA_NAME = ? AND TABLE_NAME = ? AND TABLE_TYPE <> 'VW'",
                        {dbCode_, tableSchema, tableName});
  if (!table.next()) throw SqlError(StandinMessage(kNoSuchTable + Dotted(tableSchema, tableName).toStdString()));
  const QVariant tableSchemaCode = table.value(0), tableCode = table.value(1);
  table.finish();
  std::vector<long long> columns;
  for (const std::string& column : trigger->columns) {
    QSqlQuery c = Run(db_, "SELECT COLUMN_CODE FROM " + Qualified("RDBII_COLUMN") + " WHERE TABLE_CODE = ? AND COLUMN_NAME = ?",
                      {tableCode, Q(column)});
    if (!c.next()) throw SqlError(StandinMessage(kNoSuchColumn + tableName.toStdString() + "." + column));
    columns.push_back(c.value(0).toLongLong());
  }
  const std::vector<long long> used = UsedTableCodes(trigger->used, schema);
  Atomically([&] {
    const long long code = NextObjectCode(db_);
    Run(db_,
        "INSERT INTO " + Qualified("RDBII_TRIGGER") +
            " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {dbCode_, Q(dbName_), schemaCode, schema, code, name, user_, tableSchemaCode, tableSchema, tableCode,
         tableName, Q(trigger->event), Q(trigger->timing), Q(trigger->oldName), Q(trigger->newName),
         Q(trigger->condition), Q(trigger->body), QString(trigger->row ? "ROW" : "STATEMENT"),
         QString(columns.empty() ? "YES" : "NO"), Q(CatalogueTime())});
    for (long long column : columns)
      Run(db_, "INSERT INTO " + Qualified("RDBII_TRIG_COLUMNS") + " VALUES (?, ?, ?, ?)",
          {dbCode_, schemaCode, code, column});
    for (long long usedTable : used)
      Run(db_, "INSERT INTO " + Qualified("RDBII_TABLE_USAGE") + " VALUES (?, ?)", {code, usedTable});
    Run(db_, "INSERT INTO " + Qualified("RDBII_PRIVILEGES") + " VALUES (?, ?, ?, ?, ?, ?, 'DROP', ?)",
        {user_, user_, dbCode_, schemaCode, code, kTriggerPrivilegeType, kGrantable});
  });
  return true;
}

}  // namespace symfoware
