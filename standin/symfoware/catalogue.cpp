#include "standin/symfoware/catalogue.h"

#include <sqlite3.h>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <cstring>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/sqlbackend.h"
#include "standin/symfoware/sqlite.h"

namespace symfoware {

const char kCatalogueSchema[] = "RDBII_SYSTEM";

std::string Qualified(const std::string& table) { return std::string(kCatalogueSchema) + "." + table; }

QString Quoted(const QString& name) { return '"' + QString(name).replace('"', "\"\"") + '"'; }

namespace {

// Catalogue tables belong to this database, which keeps them out of the
// user's lists; the level probes look for their rows there.
const char kDictionary[] = "RDBII_DICTIONARY";
const char kFileSuffix[] = ".sqlite";
const char kDefaultSpace[] = "DBSPACE1";
// SQL's defaults of CHAR and NUMERIC without a length or precision, and the
// bytes of one national character.
constexpr int kDefaultCharLength = 1;
constexpr int kDefaultPrecision = 18;
constexpr int kNationalCharBytes = 2;
constexpr long long kFirstCode = 1;
// Level 11: the catalogue has the log-management table and the system
// parameter that keeps the storage pages available.
const char kDefaultIndexSize[] = "4,4,64,64,0,0";

// Every catalogue object with the columns the program reads; character
// values are stored without trailing blanks.
const char* const kCatalogueDdl[] = {
    "CREATE TABLE RDBII_DATABASE (DB_CODE INTEGER, DB_NAME VARCHAR(36))",
    "CREATE TABLE RDBII_SCHEMA (DB_CODE INTEGER, DB_NAME VARCHAR(36), SCHEMA_CODE INTEGER, "
    "SCHEMA_NAME VARCHAR(36), SCHEMA_OWNER VARCHAR(36), CREATE_TIME VARCHAR(26))",
    "CREATE TABLE RDBII_USER (USER_CODE INTEGER, USER_NAME VARCHAR(36), IDENT VARCHAR(2), "
    "USER_KIND VARCHAR(1), PASSWORD_STATUS VARCHAR(1), LAST_LOGIN_DATE VARCHAR(26), "
    "LOGIN_FAILED_TIME INTEGER)",
    "CREATE TABLE RDBII_PARAMETER (USER_CODE INTEGER, PARAMETER_NAME VARCHAR(36), "
    "PARAMETER_VALUE VARCHAR(64), SET_USER_CODE INTEGER)",
    "CREATE TABLE RDBII_ROLE (ROLE_CODE INTEGER, ROLE_NAME VARCHAR(36), ROLE_OWNER VARCHAR(36), "
    "CREATE_TIME VARCHAR(26))",
    "CREATE TABLE RDBII_ROLE_GRANT (ROLE_CODE INTEGER, GRANTOR VARCHAR(36), GRANTEE VARCHAR(36))",
    "CREATE TABLE RDBII_ROLE_PRIV (ROLE_CODE INTEGER, GRANTOR VARCHAR(36), DB_CODE INTEGER, "
    "SCHEMA_CODE INTEGER, OBJECT_CODE INTEGER, OBJECT_TYPE VARCHAR(2), PRIVILEGE_TYPE VARCHAR(10))",
    "CREATE TABLE RDBII_PRIVILEGES (GRANTOR VARCHAR(36), GRANTEE VARCHAR(36), DB_CODE INTEGER, "
    "SCHEMA_CODE INTEGER, TABLE_CODE INTEGER, OBJECT_TYPE VARCHAR(2), PRIVILEGE_TYPE VARCHAR(10), "
    "IS_GRANTABLE VARCHAR(3))",
    "CREATE TABLE RDBII_TABLE (DB_CODE INTEGER, DB_NAME VARCHAR(36), SCHEMA_CODE INTEGER, "
    "SCHEMA_NAME VARCHAR(36), TABLE_CODE INTEGER, TABLE_NAME VARCHAR(36), TABLE_TYPE VARCHAR(2), "
    "TABLE_OWNER VARCHAR(36), CREATE_TIME VARCHAR(26), UPDATABLE VARCHAR(3), CHECK_OPTION VARCHAR(1))",
    "CREATE TABLE RDBII_TABLE_EX (DB_CODE INTEGER, DB_NAME VARCHAR(36), SCHEMA_CODE INTEGER, "
    "SCHEMA_NAME VARCHAR(36), TABLE_CODE INTEGER, TABLE_NAME VARCHAR(36), TABLE_TYPE VARCHAR(2), "
    "TABLE_OWNER VARCHAR(36), CREATE_TIME VARCHAR(26), UPDATABLE VARCHAR(3), CHECK_OPTION VARCHAR(1), "
    "DBSPACE_NAME VARCHAR(36))",
    "CREATE TABLE RDBII_COLUMN (DB_CODE INTEGER, SCHEMA_CODE INTEGER, TABLE_CODE INTEGER, "
    "COLUMN_CODE INTEGER, COLUMN_NAME VARCHAR(36), ORDINAL_POSITION INTEGER, DATA_TYPE VARCHAR(2), "
    "CHAR_MAX_LENGTH INTEGER, CHAR_OCTET_LENGTH INTEGER, NUMERIC_PRECISION INTEGER, "
    "NUMERIC_SCALE INTEGER, NUMERIC_RADIX INTEGER, NULLABLE VARCHAR(3), DEFAULT_VALUE VARCHAR(256))",
    "CREATE TABLE RDBII_COMMENT (DB_CODE INTEGER, SCHEMA_CODE INTEGER, TABLE_CODE INTEGER, "
    "COLUMN_CODE INTEGER, INDEX_DSO_CODE INTEGER, COMMENT_TYPE VARCHAR(2), COMMENT_VALUE VARCHAR(512))",
    "CREATE TABLE RDBII_INDEX (DB_CODE INTEGER, SCHEMA_CODE INTEGER, TABLE_CODE INTEGER, "
    "INDEX_DSO_CODE INTEGER, INDEX_DSO_NAME VARCHAR(36), INDEX_DSO_OWNER VARCHAR(36), "
    "CONSTRAINT_CODE INTEGER, CREATE_TIME VARCHAR(26))",
    "CREATE TABLE RDBII_CONSTRAINT (DB_CODE INTEGER, SCHEMA_CODE INTEGER, TABLE_CODE INTEGER, "
    "CONSTRAINT_CODE INTEGER, CONSTRAINT_TYPE VARCHAR(2))",
    "CREATE TABLE RDBII_COLUMN_USAGE (DB_CODE INTEGER, SCHEMA_CODE INTEGER, TABLE_CODE INTEGER, "
    "COLUMN_CODE INTEGER, OBJ_SCHEMA_CODE INTEGER, OBJECT_CODE INTEGER, LIST_TYPE VARCHAR(1), "
    "ORDINAL_POSITION INTEGER)",
    "CREATE TABLE RDBII_TRIGGER (TRIG_DB_CODE INTEGER, TRIG_DB_NAME VARCHAR(36), "
    "TRIG_SCHEMA_CODE INTEGER, TRIG_SCHEMA_NAME VARCHAR(36), TRIG_CODE INTEGER, TRIG_NAME VARCHAR(36), "
    "TRIG_OWNER VARCHAR(36), EVENT_OBJ_SCH_CODE INTEGER, EVENT_OBJ_SCH_NAME VARCHAR(36), "
    "EVENT_OBJ_TBL_CODE INTEGER, EVENT_OBJ_TBL_NAME VARCHAR(36), EVENT_MANIPURATION VARCHAR(6), "
    "COND_TIMING VARCHAR(6), COND_REF_OLD_TABLE VARCHAR(36), COND_REF_NEW_TABLE VARCHAR(36), "
    "ACTION_CONDITION VARCHAR(1024), ACTION_STMT_LIST VARCHAR(4096), ACTION_ORIENTATION VARCHAR(9), "
    "COL_LIST_IS_IMPLCT VARCHAR(3), CREATE_TIME VARCHAR(26))",
    "CREATE TABLE RDBII_TRIG_COLUMNS (TRIG_DB_CODE INTEGER, TRIG_SCHEMA_CODE INTEGER, "
    "TRIG_CODE INTEGER, EVENT_OBJ_COL_CODE INTEGER)",
    "CREATE TABLE RDBII_SEQUENCE (DB_CODE INTEGER, DB_NAME VARCHAR(36), SCHEMA_CODE INTEGER, "
    "SCHEMA_NAME VARCHAR(36), SEQUENCE_CODE INTEGER, SEQUENCE_NAME VARCHAR(36), "
    "SEQUENCE_OWNER VARCHAR(36), START_WITH_VAL INTEGER, MIN_VAL INTEGER, MAX_VAL INTEGER, "
    "INCREMENT_VAL INTEGER, CYCLE_SPEC VARCHAR(1), ORDER_SPEC VARCHAR(1), CACHE_VAL INTEGER, "
    "CACHE_MIN_VAL INTEGER, CREATE_TIME VARCHAR(26))",
    "CREATE TABLE RDBII_OBJECT_SEQ (DB_CODE INTEGER, SEQ_CODE INTEGER, SEQ_NUM INTEGER)",
    "CREATE TABLE RDBII_PROC (DB_CODE INTEGER, DB_NAME VARCHAR(36), SCHEMA_CODE INTEGER, "
    "SCHEMA_NAME VARCHAR(36), PROCEDURE_CODE INTEGER, PROCEDURE_NAME VARCHAR(36), "
    "PROCEDURE_OWNER VARCHAR(36), PROCEDURE_TYPE INTEGER, ROUTINE_TYPE INTEGER, CREATE_TIME VARCHAR(26))",
    "CREATE TABLE RDBII_PROC_EX (DB_CODE INTEGER, DB_NAME VARCHAR(36), SCHEMA_CODE INTEGER, "
    "SCHEMA_NAME VARCHAR(36), PROCEDURE_CODE INTEGER, PROCEDURE_NAME VARCHAR(36), "
    "PROCEDURE_TYPE INTEGER, ROUTINE_NAME VARCHAR(256), LIBRARY_PATH VARCHAR(1024))",
    "CREATE TABLE RDBII_PROC_COL (DB_CODE INTEGER, SCHEMA_CODE INTEGER, PROCEDURE_CODE INTEGER, "
    "ORDINAL_POSITION INTEGER, COLUMN_NAME VARCHAR(36), COLUMN_TYPE INTEGER, DATA_TYPE INTEGER, "
    "NULLABLE VARCHAR(3), CHAR_MAX_LENGTH INTEGER, NUMERIC_PRECISION INTEGER, NUMERIC_SCALE INTEGER)",
    "CREATE TABLE RDBII_DESCRIPTION (DB_CODE INTEGER, SCHEMA_CODE INTEGER, OBJECT_CODE INTEGER, "
    "DESC_TYPE VARCHAR(1), DESC_VALUE TEXT)",
    "CREATE TABLE RDBII_TABLE_USAGE (OBJECT_CODE INTEGER, TABLE_CODE INTEGER)",
    "CREATE TABLE RDBII_OBJECT (DB_NAME VARCHAR(36), OBJECT_ID VARCHAR(1), OBJECT_NAME VARCHAR(36))",
    "CREATE TABLE RDBII_DSI_STATUS (DB_CODE INTEGER, DB_NAME VARCHAR(36), SCHEMA_NAME VARCHAR(36), "
    "TABLE_NAME VARCHAR(36), DSO_NAME VARCHAR(36), NAME VARCHAR(36), CODE INTEGER, TYPE VARCHAR(1))",
    "CREATE TABLE RDBII_SYS_PRM (PARAMETER_NAME VARCHAR(36), PARAMETER_VALUE VARCHAR(256), "
    "KIND VARCHAR(3))",
    "CREATE TABLE RDBII_CON_INF (NAME VARCHAR(36), CONNECTION_ID INTEGER, PROCESS_ID INTEGER, "
    "ELAPSE VARCHAR(26), IDLE VARCHAR(26), CLIENT_TYPE VARCHAR(36), LOGIN_NAME VARCHAR(36), "
    "TRANSACTION_STATUS VARCHAR(36), ACTION_INF VARCHAR(256), CLIENT_INF VARCHAR(256), "
    "MODULE_INF VARCHAR(256), DB_NAME VARCHAR(36))",
    "CREATE TABLE RDBII_TEMP_LOG (LOG_GROUP_NAME VARCHAR(36), TEMPORARY_LOG_STATUS VARCHAR(16), "
    "AI_LOG_PATH VARCHAR(1024), BI_LOG_PATH VARCHAR(1024), LOG_INDEX_PATH VARCHAR(1024), "
    "AI_LOG_SIZE INTEGER, FREE_AI_SIZE INTEGER, BI_LOG_SIZE INTEGER, FREE_BI_SIZE INTEGER)",
    "CREATE TABLE RDBII_ASSISTTABLE (DUMMY VARCHAR(1))",
    "CREATE VIEW SCHEMATA AS SELECT DB_CODE, SCHEMA_CODE, SCHEMA_NAME, SCHEMA_OWNER FROM RDBII_SCHEMA",
    "CREATE VIEW USERS AS SELECT USER_NAME FROM RDBII_USER",
    "CREATE VIEW TABLE_CONSTRAINTS AS SELECT DB_CODE, SCHEMA_CODE, TABLE_CODE, CONSTRAINT_CODE, "
    "CONSTRAINT_TYPE FROM RDBII_CONSTRAINT",
    "CREATE VIEW KEY_COLUMN_USAGE AS SELECT DB_CODE, SCHEMA_CODE, TABLE_CODE, COLUMN_CODE, "
    "OBJECT_CODE CONSTRAINT_CODE, ORDINAL_POSITION FROM RDBII_COLUMN_USAGE WHERE LIST_TYPE = 'U'",
    // The stand-in's own tables: passwords and the object-code counter.
    "CREATE TABLE STANDIN_PASSWORD (USER_NAME VARCHAR(36) PRIMARY KEY, PASSWORD VARCHAR(256))",
    "CREATE TABLE STANDIN_COUNTER (NEXT_CODE INTEGER)",
    // What rdbddlex was told of a database space, and the ALLOCATE grants,
    // which only the rdbprt report shows.
    "CREATE TABLE STANDIN_DBSPACE (DB_NAME VARCHAR(36), SPACE_NAME VARCHAR(36), FILE_NAME VARCHAR(1024), "
    "DEVICE_KIND VARCHAR(16), SIZE_KB INTEGER, CREATOR VARCHAR(36), CREATED VARCHAR(26), LOG_GROUP VARCHAR(36))",
    "CREATE TABLE STANDIN_DBSPACE_PRIV (DB_NAME VARCHAR(36), SPACE_NAME VARCHAR(36), GRANTEE VARCHAR(36), "
    "GRANTOR VARCHAR(36), IS_GRANTABLE VARCHAR(3), IS_ROLE INTEGER)",
    // Storage structures as their statements gave them, which the catalogue
    // proper does not hold; the definition report prints them. Every row
    // names its table and DSO, so a dropped table or DSO takes its rows along.
    "CREATE TABLE STANDIN_DSO (SCHEMA_NAME VARCHAR(36), TABLE_NAME VARCHAR(36), DSO_NAME VARCHAR(36), "
    "DSO_TYPE VARCHAR(1), STRUCTURE VARCHAR(10), PAGE_SIZE1 VARCHAR(2), PAGE_SIZE2 VARCHAR(2), "
    "ORDER_VALUE VARCHAR(1), PRECEDENCE INTEGER, CLUSTER_KEY TEXT, NOT_UNIQUE INTEGER, RULE_TEXT TEXT, "
    "DIVIDE_COLUMNS TEXT, RANGE_DIVIDED INTEGER, INDEX_OPTION VARCHAR(11))",
    "CREATE TABLE STANDIN_DSI (SCHEMA_NAME VARCHAR(36), TABLE_NAME VARCHAR(36), DSO_NAME VARCHAR(36), "
    "DSI_NAME VARCHAR(36), DIVIDE_VALUE TEXT, DSI_OPTION VARCHAR(11), BASE_DSI VARCHAR(36), ALARM VARCHAR(20), "
    "CAPACITY VARCHAR(20), EXPAND_SIZE VARCHAR(20))",
    "CREATE TABLE STANDIN_DSI_SPACE (SCHEMA_NAME VARCHAR(36), TABLE_NAME VARCHAR(36), DSO_NAME VARCHAR(36), "
    "DSI_NAME VARCHAR(36), KIND VARCHAR(8), SPACE_NAME VARCHAR(36), SPACE_SIZE VARCHAR(20))",
    "CREATE TABLE STANDIN_SCOPE (SCOPE_NAME VARCHAR(36), SCHEMA_NAME VARCHAR(36), TABLE_NAME VARCHAR(36), "
    "DSO_NAME VARCHAR(36), DSI_NAME VARCHAR(36))",
    // The database spaces of a global temporary table with their numbers
    // of users, in the order of its ON list.
    "CREATE TABLE STANDIN_TEMPORARY_SPACE (SCHEMA_NAME VARCHAR(36), TABLE_NAME VARCHAR(36), "
    "SPACE_NAME VARCHAR(36), USERS INTEGER)",
    // Lookups by name while objects are described, so that building a large
    // data source stays linear, and by code for the joins of the lists.
    "CREATE INDEX STANDIN_TABLE_NAME ON RDBII_TABLE (SCHEMA_CODE, TABLE_NAME)",
    "CREATE INDEX STANDIN_TABLE_CODE ON RDBII_TABLE (TABLE_CODE)",
    "CREATE INDEX STANDIN_COLUMN_NAME ON RDBII_COLUMN (TABLE_CODE, COLUMN_NAME)",
    "CREATE INDEX STANDIN_INDEX_NAME ON RDBII_INDEX (SCHEMA_CODE, INDEX_DSO_NAME)",
};

// Tables the level probes look for that the stand-in never fills.
const char* const kProbeOnlyTables[] = {"RDBII_LOGMNG"};

const char kAdministratorKind[] = "A";
const char kUserKind[] = "U";

// `prefix` is "" while the catalogue file is the main database, else the
// qualifying schema with its dot.
void InsertUser(QSqlDatabase& db, const std::string& prefix, const std::string& user,
                const std::string& password, const char* kind) {
  QString name = QString::fromStdString(user);
  Run(db, "INSERT INTO " + prefix + "RDBII_USER VALUES (?, ?, 'DB', ?, 'O', NULL, 0)",
      {NextObjectCode(db), name, kind});
  Run(db, "INSERT INTO " + prefix + "STANDIN_PASSWORD VALUES (?, ?)",
      {name, QString::fromStdString(password)});
}

// Writes the dictionary rows and the first values into a catalogue file
// opened as the main database.
void FillNewCatalogue(QSqlDatabase& db, const std::string& dataSource, const std::string& adminUser,
                      const std::string& adminPassword) {
  for (const char* ddl : kCatalogueDdl) Run(db, ddl);
  Run(db, "INSERT INTO STANDIN_COUNTER VALUES (?)", {kFirstCode});
  Run(db, "INSERT INTO RDBII_ASSISTTABLE VALUES ('X')");

  std::string now = CatalogueTime();
  long long dictionaryCode = NextObjectCode(db);
  long long catalogueSchemaCode = NextObjectCode(db);
  QSqlQuery tables = Run(db,
                         "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') AND "
                         "name NOT LIKE 'STANDIN%' ORDER BY name");
  std::vector<std::string> names;
  while (tables.next()) names.push_back(tables.value(0).toString().toStdString());
  for (const char* name : kProbeOnlyTables) names.push_back(name);
  for (const std::string& name : names) {
    Run(db,
        "INSERT INTO RDBII_TABLE (DB_CODE, DB_NAME, SCHEMA_CODE, SCHEMA_NAME, TABLE_CODE, "
        "TABLE_NAME, TABLE_TYPE, TABLE_OWNER, CREATE_TIME) VALUES (?, ?, ?, ?, ?, ?, 'BS', ?, ?)",
        {dictionaryCode, kDictionary, catalogueSchemaCode, kCatalogueSchema, NextObjectCode(db),
         QString::fromStdString(name), QString::fromStdString(adminUser), QString::fromStdString(now)});
  }

  long long dbCode = NextObjectCode(db);
  QString ds = QString::fromStdString(dataSource).toUpper();
  Run(db, "INSERT INTO RDBII_DATABASE VALUES (?, ?)", {dbCode, ds});
  Run(db, "INSERT INTO RDBII_OBJECT VALUES (?, '2', ?)", {ds, kDefaultSpace});
  Run(db, "INSERT INTO RDBII_SYS_PRM VALUES ('DEFAULT_INDEX_SIZE', ?, 'SYS')", {kDefaultIndexSize});
  Run(db, "INSERT INTO RDBII_SYS_PRM VALUES ('CHOOSE_TID_UNION', 'YES', 'SYS')");
  InsertUser(db, "", adminUser, adminPassword, kAdministratorKind);
}

// ---- catalogue rows of SQLite objects ----

}  // namespace

namespace {

constexpr const char* kIntervalWord = "INTERVAL";
// The catalogue's interval qualifiers, numbered from 1 as NUMERIC_RADIX holds them.
constexpr const char* kIntervalFields[] = {"YEAR",          "MONTH",          "DAY",         "HOUR",
                                           "MINUTE",        "SECOND",         "YEAR TO MONTH", "DAY TO HOUR",
                                           "DAY TO MINUTE", "DAY TO SECOND", "HOUR TO MINUTE", "HOUR TO SECOND",
                                           "MINUTE TO SECOND"};
// The leading field's precision when the type names none.
constexpr int kDefaultIntervalPrecision = 2;

// "INTERVAL DAY TO SECOND" with its precision; no qualifier for fields the
// catalogue does not number.
ColumnType IntervalType(const QString& word, const QVariant& precision) {
  const QString fields = word.mid(static_cast<qsizetype>(std::strlen(kIntervalWord))).simplified();
  QVariant qualifier;
  for (size_t i = 0; i < std::size(kIntervalFields); ++i)
    if (fields == QLatin1String(kIntervalFields[i])) qualifier = static_cast<int>(i + 1);
  return {"IT", {}, precision.isValid() ? precision : QVariant(kDefaultIntervalPrecision), {}, qualifier};
}

}  // namespace

// SQLite keeps the declared type as the DDL wrote it.
ColumnType TypeOfDeclaration(const QString& declared) {
  static const QRegularExpression kPattern(
      QStringLiteral("^\\s*([A-Z ]+?)\\s*(?:\\(\\s*(\\d+)\\s*(?:,\\s*(\\d+)\\s*)?\\))?\\s*$"));
  // An interval's quoted TO counts as the word.
  const QString upper = declared.toUpper().remove(QLatin1Char('"'));
  QRegularExpressionMatch m = kPattern.match(upper);
  QString word = m.hasMatch() ? m.captured(1) : upper;
  QVariant first = m.captured(2).isEmpty() ? QVariant() : QVariant(m.captured(2).toInt());
  QVariant second = m.captured(3).isEmpty() ? QVariant(0) : QVariant(m.captured(3).toInt());
  struct Entry {
    const char* word;
    const char* code;
  };
  static const Entry kCharacter[] = {
      {"CHAR", "CH"},          {"CHARACTER", "CH"},         {"VARCHAR", "CV"},
      {"CHAR VARYING", "CV"},  {"CHARACTER VARYING", "CV"}, {"NCHAR", "CN"},
      {"NATIONAL CHAR", "CN"}, {"NCHAR VARYING", "NV"},     {"NVARCHAR", "NV"}};
  for (const Entry& e : kCharacter)
    if (word == QLatin1String(e.word))
      return {e.code, first.isValid() ? first : QVariant(kDefaultCharLength), {}, {}, {}};
  static const Entry kExact[] = {{"NUMERIC", "NU"}, {"DECIMAL", "DE"}, {"DEC", "DE"}};
  for (const Entry& e : kExact)
    if (word == QLatin1String(e.word))
      return {e.code, {}, first.isValid() ? first : QVariant(kDefaultPrecision), second, {}};
  static const Entry kPlain[] = {
      {"INTEGER", "IN"}, {"INT", "IN"},  {"SMALLINT", "SI"},  {"REAL", "RE"}, {"DOUBLE PRECISION", "DP"},
      {"DATE", "DT"},    {"TIME", "TI"}, {"TIMESTAMP", "TM"}, {"BLOB", "BL"}};
  for (const Entry& e : kPlain)
    if (word == QLatin1String(e.word)) return {e.code, {}, {}, {}, {}};
  if (word == QLatin1String("FLOAT")) return {"FL", {}, first, {}, {}};
  if (word.startsWith(QLatin1String(kIntervalWord))) return IntervalType(word, first);
  return {"CV", {}, {}, {}, {}};
}

namespace {

struct Schema {
  long long code;
  QString name;
};

std::vector<Schema> UserSchemas(QSqlDatabase& db, long long dbCode) {
  QSqlQuery q = Run(db,
                    "SELECT SCHEMA_CODE, SCHEMA_NAME FROM " + Qualified("RDBII_SCHEMA") +
                        " WHERE DB_CODE = ? ORDER BY SCHEMA_CODE",
                    {dbCode});
  std::vector<Schema> result;
  while (q.next()) result.push_back({q.value(0).toLongLong(), q.value(1).toString()});
  return result;
}

// The query text of a view: what follows the first AS of its CREATE text.
QString ViewQuery(const QString& createText) {
  static const QRegularExpression kAs(QStringLiteral("\\bAS\\b"), QRegularExpression::CaseInsensitiveOption);
  QRegularExpressionMatch m = kAs.match(createText);
  return m.hasMatch() ? createText.mid(m.capturedEnd()).trimmed() : createText;
}

// One describing pass over the user schemas: its statements are prepared
// once and object codes are counted in memory, written back at the end.
class DescribePass {
 public:
  explicit DescribePass(QSqlDatabase& db) : db_(db), next_(ReadObjectCounter(db)) {}
  ~DescribePass() = default;
  DescribePass(const DescribePass&) = delete;
  DescribePass& operator=(const DescribePass&) = delete;

  // Runs a statement prepared on its first use.
  QSqlQuery& Exec(const std::string& sql, const std::vector<QVariant>& values) {
    auto it = prepared_.find(sql);
    if (it == prepared_.end()) {
      QSqlQuery query(db_);
      query.setForwardOnly(true);
      if (!query.prepare(QString::fromStdString(sql)))
        throw platform::SqlError(platform::SqlErrorText(query.lastError()));
      it = prepared_.emplace(sql, std::move(query)).first;
    }
    QSqlQuery& query = it->second;
    query.finish();
    for (size_t i = 0; i < values.size(); ++i) query.bindValue(static_cast<int>(i), values[i]);
    if (!query.exec()) throw platform::SqlError(platform::SqlErrorText(query.lastError()));
    return query;
  }
  long long NextCode() { return next_++; }
  void Finish() {
    for (auto& [sql, query] : prepared_) query.finish();
    WriteObjectCounter(db_, next_);
  }
  QSqlDatabase& Database() { return db_; }

 private:
  QSqlDatabase& db_;
  long long next_;
  std::map<std::string, QSqlQuery> prepared_;
};

class ObjectDescriber {
 public:
  // The objects' owner is `creator`, or the schema's owner when none is given.
  ObjectDescriber(DescribePass& pass, long long dbCode, const QString& dbName, const Schema& schema,
                  const QString& creator = {})
      : pass_(pass),
        dbCode_(dbCode),
        dbName_(dbName),
        schema_(schema),
        now_(QString::fromStdString(CatalogueTime())),
        owner_(creator.isEmpty() ? Owner() : creator) {}

  // Returns the last row of the schema's sqlite_master looked at.
  long long DescribeSince(long long upTo) {
    const std::string master = Quoted(schema_.name).toStdString() + ".sqlite_master";
    QSqlQuery objects = Run(pass_.Database(), "SELECT type, name, sql, rowid FROM " + master +
                                                  " WHERE rowid > ? AND type IN ('table', 'view', 'index') ORDER BY rowid",
                            {upTo});
    struct Row {
      QString type, name, sql;
    };
    std::vector<Row> rows;
    long long last = upTo;
    while (objects.next()) {
      rows.push_back({objects.value(0).toString(), objects.value(1).toString(), objects.value(2).toString()});
      last = objects.value(3).toLongLong();
    }
    objects.finish();
    for (const Row& row : rows)
      if (row.type != QLatin1String("index") && !Listed(row.name))
        DescribeTable(row.type == QLatin1String("view"), row.name, row.sql);
    // Indexes SQLite makes for keys have no text: they are not the user's.
    for (const Row& row : rows)
      if (row.type == QLatin1String("index") && !row.sql.isEmpty()) DescribeIndex(row.name);
    return last;
  }

  // The columns an ALTER TABLE ... ADD gave a listed table.
  void DescribeAddedColumns(const QString& table) {
    if (const long long code = TableCode(table)) DescribeColumns(code, table, true);
  }

 private:
  QSqlQuery& Exec(const std::string& sql, const std::vector<QVariant>& values) { return pass_.Exec(sql, values); }

  bool Listed(const QString& table) {
    return Exec("SELECT 1 FROM " + Qualified("RDBII_TABLE") + " WHERE SCHEMA_CODE = ? AND TABLE_NAME = ? AND DB_CODE = ?",
                {schema_.code, table, dbCode_})
        .next();
  }

  long long TableCode(const QString& table) {
    QSqlQuery& q = Exec("SELECT TABLE_CODE FROM " + Qualified("RDBII_TABLE") +
                            " WHERE SCHEMA_CODE = ? AND TABLE_NAME = ? AND DB_CODE = ?",
                        {schema_.code, table, dbCode_});
    return q.next() ? q.value(0).toLongLong() : 0;
  }

  long long ColumnCode(long long tableCode, const QString& column) {
    QSqlQuery& q = Exec(
        "SELECT COLUMN_CODE FROM " + Qualified("RDBII_COLUMN") + " WHERE TABLE_CODE = ? AND COLUMN_NAME = ?",
        {tableCode, column});
    return q.next() ? q.value(0).toLongLong() : 0;
  }

  QString Owner() {
    QSqlQuery& q =
        Exec("SELECT SCHEMA_OWNER FROM " + Qualified("RDBII_SCHEMA") + " WHERE SCHEMA_CODE = ?", {schema_.code});
    return q.next() ? q.value(0).toString() : QString();
  }

  void DescribeTable(bool isView, const QString& table, const QString& createText) {
    long long code = pass_.NextCode();
    QVariant updatable = isView ? QVariant(QStringLiteral("NO")) : QVariant();
    QVariant checkOption =
        isView ? QVariant(createText.contains(QLatin1String("WITH CHECK OPTION"), Qt::CaseInsensitive) ? "Y"
                                                                                                       : "N")
               : QVariant();
    std::vector<QVariant> values{dbCode_, dbName_,   schema_.code,         schema_.name,
                                 code,    table,     isView ? "VW" : "BS", owner_,
                                 now_,    updatable, checkOption};
    Exec("INSERT INTO " + Qualified("RDBII_TABLE") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", values);
    values.push_back(isView ? QVariant() : QVariant(kDefaultSpace));
    Exec("INSERT INTO " + Qualified("RDBII_TABLE_EX") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)", values);
    if (isView)
      Exec("INSERT INTO " + Qualified("RDBII_DESCRIPTION") + " VALUES (?, ?, ?, 'V', ?)",
           {dbCode_, schema_.code, code, ViewQuery(createText)});
    for (const char* privilege : isView ? ViewPrivileges() : TablePrivileges()) {
      Exec("INSERT INTO " + Qualified("RDBII_PRIVILEGES") + " VALUES (?, ?, ?, ?, ?, 'TV', ?, 'YES')",
           {owner_, owner_, dbCode_, schema_.code, code, privilege});
    }
    DescribeColumns(code, table);
    if (isView) DescribeUsage(code, table);
  }

  // Columns already listed keep their rows; the key is described only with
  // the table (columns added later never join it).
  void DescribeColumns(long long tableCode, const QString& table, bool added = false) {
    QSqlQuery& info = Exec("SELECT cid, name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?, ?)",
                           {table, schema_.name});
    struct Key {
      int position;
      QString column;
    };
    std::vector<Key> keys;
    int ordinal = 0;
    std::vector<std::vector<QVariant>> columns;
    while (info.next()) {
      ++ordinal;
      QString name = info.value(1).toString();
      if (added && ColumnCode(tableCode, name) != 0) continue;
      ColumnType type = TypeOfDeclaration(info.value(2).toString());
      int pk = info.value(5).toInt();
      bool notNull = info.value(3).toInt() != 0 || pk > 0;
      QVariant def = info.value(4).isNull() ? QVariant(QStringLiteral("NULL")) : info.value(4);
      QVariant octets = type.length.isValid()
                            ? QVariant(type.length.toInt() *
                                       (type.code == "CN" || type.code == "NV" ? kNationalCharBytes : 1))
                            : QVariant();
      columns.push_back({dbCode_, schema_.code, tableCode, pass_.NextCode(), name, ordinal,
                         QString::fromStdString(type.code), type.length, octets, type.precision, type.scale,
                         type.qualifier, notNull ? "NO" : "YES", def});
      if (pk > 0) keys.push_back({pk, name});
    }
    for (const auto& values : columns)
      Exec("INSERT INTO " + Qualified("RDBII_COLUMN") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
           values);
    // Constraints belong to the table as created: added columns never join one.
    if (added) return;
    if (!keys.empty()) {
      std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.position < b.position; });
      std::vector<QString> names;
      for (const Key& key : keys) names.push_back(key.column);
      DescribeConstraint(tableCode, "PK", names);
    }
    // UNIQUE constraints are SQLite's automatic indexes of origin "u".
    std::vector<std::vector<QString>> uniques;
    QSqlQuery& list = Exec("SELECT name FROM pragma_index_list(?, ?) WHERE origin = 'u' ORDER BY seq DESC",
                           {table, schema_.name});
    std::vector<QString> indexes;
    while (list.next()) indexes.push_back(list.value(0).toString());
    for (const QString& index : indexes) {
      QSqlQuery& info = Exec("SELECT name FROM pragma_index_info(?, ?) ORDER BY seqno", {index, schema_.name});
      std::vector<QString> names;
      while (info.next()) names.push_back(info.value(0).toString());
      DescribeConstraint(tableCode, "UK", names);
    }
  }

  void DescribeConstraint(long long tableCode, const char* type, const std::vector<QString>& columns) {
    long long constraint = pass_.NextCode();
    Exec("INSERT INTO " + Qualified("RDBII_CONSTRAINT") + " VALUES (?, ?, ?, ?, ?)",
         {dbCode_, schema_.code, tableCode, constraint, QString::fromLatin1(type)});
    int position = 0;
    for (const QString& column : columns)
      Exec("INSERT INTO " + Qualified("RDBII_COLUMN_USAGE") + " VALUES (?, ?, ?, ?, ?, ?, 'U', ?)",
           {dbCode_, schema_.code, tableCode, ColumnCode(tableCode, column), schema_.code, constraint, ++position});
  }

  // The tables and views a view reads itself (not through another view):
  // SQLite names, for each column it reads, the innermost view that reads it.
  void DescribeUsage(long long viewCode, const QString& view) {
    struct Probe {
      QByteArray view;
      std::set<std::pair<QString, QString>> used;  // schema, table
    } probe{view.toUtf8(), {}};
    const auto collect = [](void* data, int action, const char* table, const char*, const char* schema,
                            const char* inner) {
      auto* p = static_cast<Probe*>(data);
      if (action == SQLITE_READ && table && schema && inner && p->view.compare(inner, Qt::CaseInsensitive) == 0)
        p->used.insert({QString::fromUtf8(schema), QString::fromUtf8(table)});
      return SQLITE_OK;
    };
    sqlite3* handle = SqliteHandle(pass_.Database());
    const QByteArray select = ("SELECT * FROM " + Quoted(schema_.name) + '.' + Quoted(view)).toUtf8();
    sqlite3_set_authorizer(handle, collect, &probe);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, select.constData(), -1, &stmt, nullptr);
    sqlite3_finalize(stmt);
    sqlite3_set_authorizer(handle, nullptr, nullptr);
    for (const auto& [schema, table] : probe.used) {
      QSqlQuery& used = Exec("SELECT TABLE_CODE FROM " + Qualified("RDBII_TABLE") +
                                 " WHERE SCHEMA_NAME = ? AND TABLE_NAME = ? AND DB_CODE = ?",
                             {schema, table, dbCode_});
      if (!used.next()) continue;
      const long long usedCode = used.value(0).toLongLong();
      Exec("INSERT INTO " + Qualified("RDBII_TABLE_USAGE") + " VALUES (?, ?)", {viewCode, usedCode});
    }
  }

  void DescribeIndex(const QString& index) {
    if (Exec("SELECT 1 FROM " + Qualified("RDBII_INDEX") + " WHERE SCHEMA_CODE = ? AND INDEX_DSO_NAME = ?",
             {schema_.code, index})
            .next())
      return;
    QSqlQuery& table = Exec("SELECT tbl_name FROM " + Quoted(schema_.name).toStdString() +
                                ".sqlite_master WHERE type = 'index' AND name = ?",
                            {index});
    const QString tableName = table.next() ? table.value(0).toString() : QString();
    long long tableCode = TableCode(tableName);
    long long code = pass_.NextCode();
    Exec("INSERT INTO " + Qualified("RDBII_INDEX") + " VALUES (?, ?, ?, ?, ?, ?, 0, ?)",
         {dbCode_, schema_.code, tableCode, code, index, owner_, now_});
    QSqlQuery& info = Exec("SELECT seqno, name FROM pragma_index_info(?, ?)", {index, schema_.name});
    std::vector<std::pair<int, QString>> keys;
    while (info.next()) keys.emplace_back(info.value(0).toInt(), info.value(1).toString());
    for (const auto& [rank, column] : keys)
      Exec("INSERT INTO " + Qualified("RDBII_COLUMN_USAGE") + " VALUES (?, ?, ?, ?, ?, ?, 'I', ?)",
           {dbCode_, schema_.code, tableCode, ColumnCode(tableCode, column), schema_.code, code, rank + 1});
  }

  // The privileges an owner holds on a new table or view.
  static const std::vector<const char*>& TablePrivileges() {
    static const std::vector<const char*> kList{"ALTER",  "DELETE", "DROP",    "INDEX",
                                                "INSERT", "SELECT", "TRIGGER", "UPDATE"};
    return kList;
  }
  static const std::vector<const char*>& ViewPrivileges() {
    static const std::vector<const char*> kList{"DELETE", "INSERT", "SELECT", "UPDATE"};
    return kList;
  }

  DescribePass& pass_;
  long long dbCode_;
  QString dbName_;
  Schema schema_;
  QString now_;
  QString owner_;
};

}  // namespace

std::string SchemaFilePath(const std::string& folder, const std::string& schema) {
  return QDir(QString::fromStdString(folder))
      .filePath(QString::fromStdString(schema + kFileSuffix))
      .toStdString();
}

std::string CatalogueTime() {
  return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toStdString();
}

namespace {

// The counter lives in the catalogue file, which is the main database
// while a folder is created and attached as RDBII_SYSTEM afterwards.
// Looked up once per connection: listing the tables costs more than the
// counter's own statements.
std::string CounterTable(QSqlDatabase& db) {
  static const std::string kCounter = "STANDIN_COUNTER";
  static std::map<QString, std::string> known;
  auto it = known.find(db.connectionName());
  if (it == known.end()) {
    const bool main = db.tables().contains(QString::fromStdString(kCounter));
    it = known.emplace(db.connectionName(), main ? kCounter : Qualified(kCounter)).first;
  }
  return it->second;
}

}  // namespace

long long ReadObjectCounter(QSqlDatabase& db) {
  QSqlQuery q = Run(db, "SELECT NEXT_CODE FROM " + CounterTable(db));
  return q.next() ? q.value(0).toLongLong() : kFirstCode;
}

void WriteObjectCounter(QSqlDatabase& db, long long next) {
  Run(db, "UPDATE " + CounterTable(db) + " SET NEXT_CODE = ?", {next});
}

long long NextObjectCode(QSqlDatabase& db) {
  long long code = ReadObjectCounter(db);
  WriteObjectCounter(db, code + 1);
  return code;
}

void CreateDataSourceFolder(const std::string& folder, const std::string& dataSource,
                            const std::string& adminUser, const std::string& adminPassword) {
  std::string path = SchemaFilePath(folder, kCatalogueSchema);
  if (QFileInfo::exists(QString::fromStdString(path)))
    throw platform::SqlError(StandinMessage("データベースは既に作成されています: " + path));
  if (!QDir().mkpath(QString::fromStdString(folder)))
    throw platform::SqlError(StandinMessage("フォルダを作成できません: " + folder));
  SqliteFile file(path);
  QSqlDatabase& db = file.Database();
  if (!db.transaction()) throw platform::SqlError(platform::SqlErrorText(db.lastError()));
  FillNewCatalogue(db, dataSource, adminUser, adminPassword);
  if (!db.commit()) throw platform::SqlError(platform::SqlErrorText(db.lastError()));
}

void AddUser(QSqlDatabase& db, const std::string& user, const std::string& password) {
  InsertUser(db, std::string(kCatalogueSchema) + ".", user, password, kUserKind);
}

void DescribeAddedColumns(QSqlDatabase& db, const std::string& dataSource, const QString& schema,
                          const QString& table) {
  QSqlQuery q = Run(db, "SELECT DB_CODE FROM " + Qualified("RDBII_DATABASE") + " WHERE DB_NAME = ?",
                    {QString::fromStdString(dataSource).toUpper()});
  if (!q.next()) throw platform::SqlError(StandinMessage("データベースがありません: " + dataSource));
  const long long dbCode = q.value(0).toLongLong();
  q.finish();
  DescribePass pass(db);
  for (const Schema& s : UserSchemas(db, dbCode))
    if (s.name == schema)
      ObjectDescriber(pass, dbCode, QString::fromStdString(dataSource).toUpper(), s).DescribeAddedColumns(table);
  pass.Finish();
}

void DescribeNewObjects(QSqlDatabase& db, const std::string& dataSource, TDescribedUpTo& upTo,
                        const std::string& creator) {
  QString dbName = QString::fromStdString(dataSource).toUpper();
  QSqlQuery q =
      Run(db, "SELECT DB_CODE FROM " + Qualified("RDBII_DATABASE") + " WHERE DB_NAME = ?", {dbName});
  if (!q.next()) throw platform::SqlError(StandinMessage("データベースがありません: " + dataSource));
  long long dbCode = q.value(0).toLongLong();
  q.finish();
  DescribePass pass(db);
  for (const Schema& schema : UserSchemas(db, dbCode))
    upTo[schema.name] = ObjectDescriber(pass, dbCode, dbName, schema, QString::fromStdString(creator))
                            .DescribeSince(upTo[schema.name]);
  pass.Finish();
}

}  // namespace symfoware
