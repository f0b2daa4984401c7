#include "standin/symfoware/upkeep.h"

#include <sqlite3.h>

#include <QRegularExpression>
#include <QSqlQuery>

#include <algorithm>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "platform/sqlbackend.h"
#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/createtable.h"

namespace symfoware {

namespace {

using platform::SqlError;

const char kNoSuchObject[] = "JYP9003E 削除するオブジェクトが存在しません: ";
const char kUsedByView[] = "JYP9004E ビューから参照されているため削除できません: ";
const char kAmbiguousName[] = "JYP9005E 同じ名前のオブジェクトが複数のスキーマにあります。スキーマ名を指定してください: ";
const char kNoSuchSpace[] = "JYP9010E データベーススペースが存在しません: ";
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

QString NameOf(const QString& token) {
  if (!token.startsWith('"')) return token.toUpper();
  return token.mid(1, token.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
}

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
                                             {"STANDIN_SCOPE", "SCHEMA_NAME", "TABLE_NAME"},
                                             {"STANDIN_TEMPORARY_SPACE", "SCHEMA_NAME", "TABLE_NAME"}};

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

namespace {

bool Exists(QSqlDatabase& db, const std::string& sql, const std::vector<QVariant>& values) {
  QSqlQuery q = Run(db, sql, values);
  return q.next();
}

}  // namespace

CatalogueUpkeep::CatalogueUpkeep(QSqlDatabase& db, const std::string& user)
    : db_(db), user_(QString::fromStdString(user)) {
  QSqlQuery q = Run(db_, "SELECT DB_CODE, DB_NAME FROM " + Qualified("RDBII_DATABASE"));
  if (!q.next()) throw SqlError(StandinMessage(kNoSuchObject + std::string("RDBII_DATABASE")));
  dbCode_ = q.value(0).toLongLong();
  dbName_ = q.value(1).toString().toStdString();
  q.finish();
  Settle();
  sqlite3_rollback_hook(
      SqliteHandle(db_), [](void* self) { static_cast<CatalogueUpkeep*>(self)->rolledBack_ = true; }, this);
}

CatalogueUpkeep::~CatalogueUpkeep() {
  if (db_.isOpen()) sqlite3_rollback_hook(SqliteHandle(db_), nullptr, nullptr);
}

void CatalogueUpkeep::SettleAfterRollback() {
  if (!rolledBack_) return;
  rolledBack_ = false;
  Settle();
}

bool CatalogueUpkeep::Drop(const std::string& sql) {
  static const QString kName = QStringLiteral("(\"(?:[^\"]|\"\")+\"|[^\\s.\";]+)");
  // The older servers' "DROP INDEX [<schema>.]<table>.<index>"; without a
  // schema the index is looked up as CREATE INDEX finds its table.
  static const QRegularExpression kDropIndex(QStringLiteral("^\\s*DROP\\s+INDEX\\s+") + kName + "\\s*\\.\\s*" + kName +
                                                 "(?:\\s*\\.\\s*" + kName + ")?\\s*;?\\s*$",
                                             QRegularExpression::CaseInsensitiveOption);
  if (const QRegularExpressionMatch index = kDropIndex.match(QString::fromStdString(sql)); index.hasMatch()) {
    const bool full = index.capturedLength(3) > 0;
    const QString schema = full ? NameOf(index.captured(1)) : QString();
    const QString table = NameOf(index.captured(full ? 2 : 1));
    const Found object = Find(kIndex, schema, NameOf(index.captured(full ? 3 : 2)));
    if (!Exists(db_,
                "SELECT 1 FROM " + Qualified("RDBII_INDEX") + " I, " + Qualified("RDBII_TABLE") +
                    " T WHERE I.INDEX_DSO_CODE = ? AND T.TABLE_CODE = I.TABLE_CODE AND T.TABLE_NAME = ?",
                {object.code, table}))
      throw SqlError(StandinMessage(kNoSuchObject + (schema + '.' + table + '.' + object.name).toStdString()));
    Atomically([&] {
      DropInSqlite(kIndex, object, false);
      RemoveRows(kIndex, object);
    });
    Settle();
    return true;
  }
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
    DescribeNewObjects(db_, dbName_, described_, user_.toStdString());
}

bool CatalogueUpkeep::CreateTableOn(const std::string& sql) {
  static const QRegularExpression kCreateOn(
      QStringLiteral("^(\\s*CREATE\\s+TABLE\\s.*\\))\\s*ON\\s+(\"(?:[^\"]|\"\")+\"|[^\\s\";]+)\\s*;?\\s*$"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  const std::optional<TableComments> comments = TakeTableComments(sql);
  const std::string plain = comments ? comments->sql : sql;
  const std::optional<TemporaryTable> temporary = TakeTemporaryClauses(plain);
  const QString statement = QString::fromStdString(temporary ? temporary->sql : plain);
  const QRegularExpressionMatch m = kCreateOn.match(statement);
  if (!m.hasMatch() && !comments && !temporary) return false;
  const QString space = m.hasMatch() ? NameOf(m.captured(2)) : QString();
  if (m.hasMatch()) CheckSpace(space);
  if (temporary)
    for (const auto& [name, users] : temporary->spaces) CheckSpace(QString::fromStdString(name));
  // Codes only grow: every table described from here on is the new one.
  const long long firstNew = ReadObjectCounter(db_);
  try {
    Atomically([&] {
      RunDdl(db_, m.hasMatch() ? m.captured(1) : statement);
      DescribeNewObjects(db_, dbName_, described_, user_.toStdString());
      if (m.hasMatch())
        Run(db_,
            "UPDATE " + Qualified("RDBII_TABLE_EX") +
                " SET DBSPACE_NAME = ? WHERE TABLE_CODE >= ? AND TABLE_TYPE <> 'VW'",
            {space, firstNew});
      if (temporary) {
        for (const char* table : {"RDBII_TABLE", "RDBII_TABLE_EX"})
          Run(db_, "UPDATE " + Qualified(table) + " SET TABLE_TYPE = ? WHERE TABLE_CODE >= ? AND TABLE_TYPE <> 'VW'",
              {QString(temporary->preserveRows ? "TP" : "TD"), firstNew});
        for (const auto& [name, users] : temporary->spaces)
          Run(db_,
              "INSERT INTO " + Qualified("STANDIN_TEMPORARY_SPACE") + " SELECT SCHEMA_NAME, TABLE_NAME, ?, ? FROM " +
                  Qualified("RDBII_TABLE") + " WHERE TABLE_CODE >= ? AND TABLE_TYPE <> 'VW'",
              {QString::fromStdString(name), QString::fromStdString(users).toInt(), firstNew});
      }
      if (comments) WriteComments(*comments, firstNew);
      // The server gives a table placed ON a space a base DSO and DSI of
      // its name, which a compile drops before it makes the table's own.
      if (m.hasMatch() && !temporary)
        Run(db_,
            "INSERT INTO " + Qualified("RDBII_DSI_STATUS") +
                " SELECT DB_CODE, DB_NAME, SCHEMA_NAME, TABLE_NAME, TABLE_NAME, TABLE_NAME, 1, ? FROM " +
                Qualified("RDBII_TABLE") + " WHERE TABLE_CODE >= ? AND TABLE_TYPE = 'BS'",
            {QString::fromLatin1(kTableDsoType), firstNew});
    });
  } catch (...) {
    Settle();
    throw;
  }
  return true;
}

bool CatalogueUpkeep::CreateView(const std::string& sql) {
  const std::optional<ViewClauses> view = TakeViewClauses(sql);
  if (!view) return false;
  // Codes only grow: the view described from here on is the new one.
  const long long firstNew = ReadObjectCounter(db_);
  try {
    Atomically([&] {
      RunDdl(db_, QString::fromStdString(view->sql));
      DescribeNewObjects(db_, dbName_, described_, user_.toStdString());
      if (view->checkOption)
        for (const char* table : {"RDBII_TABLE", "RDBII_TABLE_EX"})
          Run(db_, "UPDATE " + Qualified(table) + " SET CHECK_OPTION = 'Y' WHERE TABLE_CODE >= ? AND TABLE_TYPE = 'VW'",
              {firstNew});
      WriteComments(view->comments, firstNew, true);
    });
  } catch (...) {
    Settle();
    throw;
  }
  return true;
}

namespace {

const char kNoSuchColumn[] = "JYP9025E 列が存在しません: ";
const char kBadAlter[] = "JYP9026E ALTER TABLE の指定に誤りがあります: ";

// The text inside the parentheses that open at `open`, quotes respected;
// `end` is put past the closing one. Nothing when they never close.
std::optional<QString> Parenthesised(const QString& text, qsizetype open, qsizetype& end) {
  int depth = 0;
  QChar quote;
  for (qsizetype i = open; i < text.size(); ++i) {
    const QChar c = text[i];
    if (!quote.isNull()) {
      if (c == quote) quote = QChar();
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      end = i + 1;
      return text.mid(open + 1, i - open - 1);
    }
  }
  return std::nullopt;
}

QString Unquoted(const QString& literal) { return literal.mid(1, literal.size() - 2).replace("''", "'"); }

}  // namespace

bool CatalogueUpkeep::AlterTable(const std::string& sql) {
  static const QString kName = QStringLiteral("(\"(?:[^\"]|\"\")+\"|[^\\s.\";()]+)");
  static const QRegularExpression kAlter(QStringLiteral("^\\s*ALTER\\s+TABLE\\s+") + kName + "(?:\\s*\\.\\s*" + kName +
                                             ")?\\s+(.*?)\\s*;?\\s*$",
                                         QRegularExpression::CaseInsensitiveOption |
                                             QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression kComment(QStringLiteral("^COMMENT\\s+(OFF|'(?:[^']|'')*')$"),
                                           QRegularExpression::CaseInsensitiveOption |
                                               QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression kModify(
      QStringLiteral("^MODIFY\\s+") + kName + "\\s+COMMENT\\s+(OFF|'(?:[^']|'')*')$",
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  static const QRegularExpression kAdd(QStringLiteral("^\\s*ADD\\s*(?=\\()"), QRegularExpression::CaseInsensitiveOption);
  const QRegularExpressionMatch m = kAlter.match(QString::fromStdString(sql));
  if (!m.hasMatch()) return false;
  const bool qualified = m.capturedLength(2) > 0;
  const QString schema = qualified ? NameOf(m.captured(1)) : QString();
  if (schema == QLatin1String(kCatalogueSchema)) return false;
  const QString rest = m.captured(3);
  const auto commentOf = [](const QString& word) -> std::optional<QString> {
    if (word.compare(QLatin1String("OFF"), Qt::CaseInsensitive) == 0) return std::nullopt;
    return Unquoted(word);
  };
  if (const QRegularExpressionMatch c = kComment.match(rest); c.hasMatch()) {
    const Found table = Find(kTable, schema, NameOf(m.captured(qualified ? 2 : 1)));
    Atomically([&] { SetComment(table, {}, commentOf(c.captured(1))); });
    return true;
  }
  if (const QRegularExpressionMatch c = kModify.match(rest); c.hasMatch()) {
    const Found table = Find(kTable, schema, NameOf(m.captured(qualified ? 2 : 1)));
    Atomically([&] { SetComment(table, NameOf(c.captured(1)), commentOf(c.captured(2))); });
    return true;
  }
  std::vector<QString> columns;
  qsizetype at = 0;
  while (at < rest.size()) {
    const QRegularExpressionMatch add = kAdd.match(rest.mid(at));
    if (!add.hasMatch()) {
      if (columns.empty()) return false;
      throw SqlError(StandinMessage(kBadAlter + rest.toStdString()));
    }
    qsizetype end = 0;
    const std::optional<QString> column = Parenthesised(rest, at + add.capturedLength(), end);
    if (!column) throw SqlError(StandinMessage(kBadAlter + rest.toStdString()));
    columns.push_back(column->trimmed());
    at = end;
    while (at < rest.size() && rest[at].isSpace()) ++at;
  }
  if (columns.empty()) return false;
  const Found table = Find(kTable, schema, NameOf(m.captured(qualified ? 2 : 1)));
  Atomically([&] {
    for (const QString& column : columns)
      RunDdl(db_, "ALTER TABLE " + Dotted(table.schema, table.name) + " ADD COLUMN " + column);
    DescribeAddedColumns(db_, dbName_, table.schema, table.name);
  });
  Settle();
  return true;
}

void CatalogueUpkeep::SetComment(const Found& table, const QString& column, const std::optional<QString>& comment) {
  long long columnCode = 0;
  if (!column.isEmpty()) {
    QSqlQuery q = Run(db_, "SELECT COLUMN_CODE FROM " + Qualified("RDBII_COLUMN") +
                               " WHERE TABLE_CODE = ? AND COLUMN_NAME = ?",
                      {table.code, column});
    if (!q.next())
      throw SqlError(StandinMessage(kNoSuchColumn + (table.schema + '.' + table.name + '.' + column).toStdString()));
    columnCode = q.value(0).toLongLong();
  }
  const QVariant type = QString::fromLatin1(column.isEmpty() ? "TV" : "CL");
  Run(db_,
      "DELETE FROM " + Qualified("RDBII_COMMENT") +
          " WHERE TABLE_CODE = ? AND COLUMN_CODE = ? AND INDEX_DSO_CODE = 0 AND COMMENT_TYPE = ?",
      {table.code, columnCode, type});
  if (comment)
    Run(db_,
        "INSERT INTO " + Qualified("RDBII_COMMENT") + " SELECT DB_CODE, SCHEMA_CODE, TABLE_CODE, ?, 0, ?, ? FROM " +
            Qualified("RDBII_TABLE") + " WHERE TABLE_CODE = ?",
        {columnCode, type, *comment, table.code});
}

void CatalogueUpkeep::CheckSpace(const QString& space) {
  QSqlQuery known = Run(db_,
                        "SELECT 1 FROM " + Qualified("RDBII_OBJECT") +
                            " WHERE OBJECT_ID = '2' AND UPPER(DB_NAME) = UPPER(?) AND OBJECT_NAME = ?",
                        {QString::fromStdString(dbName_), space});
  if (!known.next()) throw SqlError(StandinMessage(kNoSuchSpace + space.toStdString()));
}

void CatalogueUpkeep::WriteComments(const TableComments& comments, long long firstNew, bool view) {
  if (!comments.table.empty())
    Run(db_,
        "INSERT INTO " + Qualified("RDBII_COMMENT") +
            " SELECT T.DB_CODE, T.SCHEMA_CODE, T.TABLE_CODE, 0, 0, 'TV', ? FROM " + Qualified("RDBII_TABLE") +
            " T WHERE T.TABLE_CODE >= ? AND (T.TABLE_TYPE = 'VW') = ?",
        {QString::fromStdString(comments.table), firstNew, view ? 1 : 0});
  for (const auto& [column, comment] : comments.columns)
    Run(db_,
        "INSERT INTO " + Qualified("RDBII_COMMENT") +
            " SELECT C.DB_CODE, C.SCHEMA_CODE, C.TABLE_CODE, C.COLUMN_CODE, 0, 'CL', ? FROM " +
            Qualified("RDBII_COLUMN") + " C WHERE C.TABLE_CODE >= ? AND C.COLUMN_NAME = ?",
        {QString::fromStdString(comment), firstNew, QString::fromStdString(column)});
}

namespace {

// The one object a name found, or the server's refusal of none or several.
template <class T>
T OnlyOne(const std::vector<T>& found, const QString& schema, const QString& name) {
  const QString shown = schema.isEmpty() ? name : schema + '.' + name;
  if (found.empty()) throw SqlError(StandinMessage(kNoSuchObject + shown.toStdString()));
  if (found.size() > 1) throw SqlError(StandinMessage(kAmbiguousName + shown.toStdString()));
  return found.front();
}

}  // namespace

CatalogueUpkeep::Found CatalogueUpkeep::Find(const Kind& kind, const QString& schema, const QString& name) {
  return OnlyOne(FindAll(kind, schema, name), schema, name);
}

std::vector<CatalogueUpkeep::Found> CatalogueUpkeep::FindAll(const Kind& kind, const QString& schema,
                                                             const QString& name) {
  std::string lookup = kind.lookup;
  std::vector<QVariant> values{dbCode_, name};
  if (!schema.isEmpty()) {
    lookup += std::string(" AND ") + kind.schemaColumn + " = ?";
    values.push_back(schema);
  }
  QSqlQuery q = Run(db_, lookup, values);
  std::vector<Found> found;
  while (q.next()) found.push_back({q.value(0).toLongLong(), q.value(1).toString(), q.value(2).toString()});
  return found;
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

// ---- object privileges ----

namespace {

const char kNoSuchGrantee[] = "JYP9006E 権限の受領者が存在しません: ";
const char kNoSuchPrivilege[] = "JYP9007E このオブジェクトには指定できない権限です: ";
const char kNotHeld[] = "JYP3522E 取り消す権限が付与されていません: ";
const char kDependentGrants[] =
    "JYP9009E 他の利用者に付与された権限があるため取り消せません。CASCADE を指定してください: ";
const char kGrantable[] = "YES";
const char kNotGrantable[] = "NO";
const char kPublic[] = "PUBLIC";

// What a privilege statement may name after ON, and what it may grant.
struct PrivilegeKind {
  const char* word;  // the keyword before the object; null for none
  std::vector<const Kind*> kinds;
  const char* objectType;
};

const std::vector<const char*> kTablePrivileges{"ALTER",  "DELETE", "DROP",    "INDEX",
                                                "INSERT", "SELECT", "TRIGGER", "UPDATE"};
const std::vector<const char*> kViewPrivileges{"DELETE", "INSERT", "SELECT", "UPDATE"};
const std::vector<const char*> kRoutinePrivileges{"DROP", "EXECUTE"};
const std::vector<const char*> kTriggerPrivileges{"DROP"};
const std::vector<const char*> kSequencePrivileges{"SELECT", "DROP"};

const std::vector<const char*>& PrivilegesOf(const Kind& kind) {
  if (&kind == &kTable) return kTablePrivileges;
  if (&kind == &kView) return kViewPrivileges;
  if (&kind == &kTrigger) return kTriggerPrivileges;
  if (&kind == &kSequence) return kSequencePrivileges;
  return kRoutinePrivileges;
}

// A view is named with TABLE or without a keyword.
const PrivilegeKind kPrivilegeKinds[] = {{"TABLE", {&kTable, &kView}, "TV"}, {"PROCEDURE", {&kProcedure}, "PR"},
                                         {"FUNCTION", {&kFunction}, "PR"},   {"TRIGGER", {&kTrigger}, "TR"},
                                         {"SEQUENCE", {&kSequence}, "SQ"},   {nullptr, {&kTable, &kView}, "TV"}};

// Quoted names, words and the marks between them.
std::vector<QString> Tokens(const QString& sql) {
  static const QRegularExpression kToken(QStringLiteral("\"(?:[^\"]|\"\")+\"|[^\\s,.;\"]+|[,.;]"));
  std::vector<QString> tokens;
  for (auto it = kToken.globalMatch(sql); it.hasNext();) tokens.push_back(it.next().captured());
  return tokens;
}

// Reads tokens one by one; a word is compared without regard to case.
class TokenReader {
 public:
  explicit TokenReader(std::vector<QString> tokens) : tokens_(std::move(tokens)) {}
  bool AtEnd() const { return at_ >= tokens_.size() || (tokens_[at_] == ";" && at_ + 1 == tokens_.size()); }
  bool Is(const char* word, size_t ahead = 0) const {
    return at_ + ahead < tokens_.size() && tokens_[at_ + ahead].compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
  }
  bool Take(const char* word) {
    if (!Is(word)) return false;
    ++at_;
    return true;
  }
  bool Take(std::initializer_list<const char*> words) {
    size_t ahead = 0;
    for (const char* w : words)
      if (!Is(w, ahead++)) return false;
    at_ += words.size();
    return true;
  }
  std::optional<QString> Next() {
    if (AtEnd()) return std::nullopt;
    return tokens_[at_++];
  }

 private:
  std::vector<QString> tokens_;
  size_t at_ = 0;
};

struct Grantee {
  QString name;
  bool role;
};

}  // namespace

struct CatalogueUpkeep::PrivilegeStatement {
  bool grant = true;
  bool grantOption = false;  // WITH GRANT OPTION, or GRANT OPTION FOR
  bool cascade = false;
  std::vector<QString> privileges;
  const PrivilegeKind* kind = nullptr;
  QString schema;  // as named, empty when unqualified
  QString name;
  Found object;
  long long schemaCode = 0;
  std::vector<Grantee> grantees;
};

// GRANT and REVOKE of object privileges; false for any other statement.
bool CatalogueUpkeep::ParsePrivilege(const std::string& sql, PrivilegeStatement& s) {
  TokenReader r(Tokens(QString::fromStdString(sql)));
  if (r.Take("REVOKE")) {
    s.grant = false;
    s.grantOption = r.Take({"GRANT", "OPTION", "FOR"});
  } else if (!r.Take("GRANT")) {
    return false;
  }
  // The privileges up to ON; a role grant has none.
  for (;;) {
    std::optional<QString> word = r.Next();
    if (!word || word->compare(QLatin1String("TO"), Qt::CaseInsensitive) == 0 ||
        word->compare(QLatin1String("FROM"), Qt::CaseInsensitive) == 0)
      return false;
    s.privileges.push_back(word->toUpper());
    if (r.Take("ON")) break;
    if (!r.Take(",")) return false;
  }
  for (const PrivilegeKind& k : kPrivilegeKinds)
    if (!k.word || (r.Is(k.word) && !r.Is(".", 1) && !r.Is("TO", 1) && !r.Is("FROM", 1) && r.Take(k.word))) {
      s.kind = &k;
      break;
    }
  std::optional<QString> first = r.Next();
  if (!first) return false;
  s.name = NameOf(*first);
  if (r.Take(".")) {
    std::optional<QString> second = r.Next();
    if (!second) return false;
    s.schema = s.name;
    s.name = NameOf(*second);
  }
  // Only objects of a schema take these privileges; ON DBSPACE and the like
  // are not kept here.
  if (s.schema == QLatin1String(kCatalogueSchema)) return false;
  if (!r.Take(s.grant ? "TO" : "FROM")) return false;
  do {
    const bool role = r.Take("ROLE");
    std::optional<QString> grantee = r.Next();
    if (!grantee) return false;
    s.grantees.push_back({NameOf(*grantee), role});
  } while (r.Take(","));
  if (s.grant) s.grantOption = r.Take({"WITH", "GRANT", "OPTION"});
  if (!s.grant && !(s.cascade = r.Take("CASCADE"))) r.Take("RESTRICT");
  return r.AtEnd();
}

bool CatalogueUpkeep::Privilege(const std::string& sql) {
  PrivilegeStatement s;
  if (!ParsePrivilege(sql, s)) return false;
  std::vector<std::pair<Found, const Kind*>> found;
  for (const Kind* k : s.kind->kinds)
    for (const Found& f : FindAll(*k, s.schema, s.name)) found.push_back({f, k});
  const auto [object, objectKind] = OnlyOne(found, s.schema, s.name);
  s.object = object;
  const std::vector<const char*>& allowed = PrivilegesOf(*objectKind);
  for (const QString& privilege : s.privileges) {
    if (std::none_of(allowed.begin(), allowed.end(), [&](const char* p) { return privilege == QLatin1String(p); }))
      throw SqlError(StandinMessage(kNoSuchPrivilege + privilege.toStdString()));
  }
  QSqlQuery code =
      Run(db_, "SELECT SCHEMA_CODE FROM " + Qualified("RDBII_SCHEMA") + " WHERE DB_CODE = ? AND SCHEMA_NAME = ?",
          {dbCode_, s.object.schema});
  s.schemaCode = code.next() ? code.value(0).toLongLong() : 0;
  code.finish();
  for (const Grantee& g : s.grantees) {
    const std::string lookup = g.role ? "SELECT 1 FROM " + Qualified("RDBII_ROLE") + " WHERE ROLE_NAME = ?"
                                      : "SELECT 1 FROM " + Qualified("RDBII_USER") + " WHERE USER_NAME = ?";
    QSqlQuery q = Run(db_, lookup, {g.name});
    if (!q.next() && (g.role || g.name != QLatin1String(kPublic)))
      throw SqlError(StandinMessage(kNoSuchGrantee + ((g.role ? "ROLE " : "") + g.name).toStdString()));
  }
  Atomically([&] {
    if (s.grant)
      Grant(s);
    else
      Revoke(s);
  });
  return true;
}

void CatalogueUpkeep::Grant(const PrivilegeStatement& s) {
  for (const Grantee& g : s.grantees)
    for (const QString& privilege : s.privileges) {
      if (g.role) {
        // Role privileges are never grantable.
        QSqlQuery held = Run(db_,
                             "SELECT 1 FROM " + Qualified("RDBII_ROLE_PRIV") + " P, " + Qualified("RDBII_ROLE") +
                                 " R WHERE R.ROLE_CODE = P.ROLE_CODE AND R.ROLE_NAME = ? AND P.OBJECT_CODE = ? "
                                 "AND P.PRIVILEGE_TYPE = ?",
                             {g.name, s.object.code, privilege});
        const bool exists = held.next();
        held.finish();
        if (!exists)
          Run(db_,
              "INSERT INTO " + Qualified("RDBII_ROLE_PRIV") + " SELECT ROLE_CODE, ?, ?, ?, ?, ?, ? FROM " +
                  Qualified("RDBII_ROLE") + " WHERE ROLE_NAME = ?",
              {user_, dbCode_, s.schemaCode, s.object.code, QString::fromLatin1(s.kind->objectType), privilege,
               g.name});
        continue;
      }
      // A grant of a privilege held already can add the grant option,
      // never take it away.
      Run(db_,
          "UPDATE " + Qualified("RDBII_PRIVILEGES") +
              " SET IS_GRANTABLE = CASE WHEN ? THEN 'YES' ELSE IS_GRANTABLE END "
              "WHERE GRANTEE = ? AND TABLE_CODE = ? AND PRIVILEGE_TYPE = ?",
          {s.grantOption ? 1 : 0, g.name, s.object.code, privilege});
      if (sqlite3_changes(SqliteHandle(db_)) > 0) continue;
      Run(db_, "INSERT INTO " + Qualified("RDBII_PRIVILEGES") + " VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
          {user_, g.name, dbCode_, s.schemaCode, s.object.code, QString::fromLatin1(s.kind->objectType), privilege,
           QString::fromLatin1(s.grantOption ? kGrantable : kNotGrantable)});
    }
}

void CatalogueUpkeep::Revoke(const PrivilegeStatement& s) {
  for (const Grantee& g : s.grantees)
    for (const QString& privilege : s.privileges) {
      const std::string held =
          g.role ? "SELECT COUNT(*) FROM " + Qualified("RDBII_ROLE_PRIV") + " P, " + Qualified("RDBII_ROLE") +
                       " R WHERE R.ROLE_CODE = P.ROLE_CODE AND R.ROLE_NAME = ? AND P.OBJECT_CODE = ? "
                       "AND P.PRIVILEGE_TYPE = ?"
                 : "SELECT COUNT(*) FROM " + Qualified("RDBII_PRIVILEGES") +
                       " WHERE GRANTEE = ? AND TABLE_CODE = ? AND PRIVILEGE_TYPE = ?" +
                       (s.grantOption ? " AND IS_GRANTABLE = 'YES'" : "");
      QSqlQuery q = Run(db_, held, {g.name, s.object.code, privilege});
      const bool holds = q.next() && q.value(0).toLongLong() > 0;
      q.finish();
      if (!holds)
        throw SqlError(StandinMessage(kNotHeld + ((g.role ? "ROLE " : "") + g.name + ' ' + privilege).toStdString()));
      RevokeFrom(s, g.name, g.role, privilege);
    }
}

// Withdraws the privilege (or its grant option) from one grantee; what the
// grantee passed on goes with it under CASCADE and stops it otherwise.
void CatalogueUpkeep::RevokeFrom(const PrivilegeStatement& s, const QString& grantee, bool role,
                                 const QString& privilege) {
  if (role) {
    Run(db_,
        "DELETE FROM " + Qualified("RDBII_ROLE_PRIV") +
            " WHERE OBJECT_CODE = ? AND PRIVILEGE_TYPE = ? AND ROLE_CODE IN "
            "(SELECT ROLE_CODE FROM " +
            Qualified("RDBII_ROLE") + " WHERE ROLE_NAME = ?)",
        {s.object.code, privilege, grantee});
    return;
  }
  if (s.grantOption)
    Run(db_,
        "UPDATE " + Qualified("RDBII_PRIVILEGES") +
            " SET IS_GRANTABLE = 'NO' WHERE GRANTEE = ? AND TABLE_CODE = ? AND PRIVILEGE_TYPE = ?",
        {grantee, s.object.code, privilege});
  else
    Run(db_,
        "DELETE FROM " + Qualified("RDBII_PRIVILEGES") + " WHERE GRANTEE = ? AND TABLE_CODE = ? AND PRIVILEGE_TYPE = ?",
        {grantee, s.object.code, privilege});
  // The grants this grantee made of the privilege, to users and to roles.
  std::vector<Grantee> passedOn;
  QSqlQuery users = Run(db_,
                        "SELECT GRANTEE FROM " + Qualified("RDBII_PRIVILEGES") +
                            " WHERE GRANTOR = ? AND GRANTEE <> ? AND TABLE_CODE = ? AND PRIVILEGE_TYPE = ?",
                        {grantee, grantee, s.object.code, privilege});
  while (users.next()) passedOn.push_back({users.value(0).toString(), false});
  users.finish();
  QSqlQuery roles = Run(db_,
                        "SELECT R.ROLE_NAME FROM " + Qualified("RDBII_ROLE_PRIV") + " P, " + Qualified("RDBII_ROLE") +
                            " R WHERE R.ROLE_CODE = P.ROLE_CODE AND P.GRANTOR = ? AND P.OBJECT_CODE = ? "
                            "AND P.PRIVILEGE_TYPE = ?",
                        {grantee, s.object.code, privilege});
  while (roles.next()) passedOn.push_back({roles.value(0).toString(), true});
  roles.finish();
  if (passedOn.empty()) return;
  if (!s.cascade)
    throw SqlError(StandinMessage(kDependentGrants + grantee.toStdString() + ' ' + privilege.toStdString()));
  PrivilegeStatement whole = s;
  whole.grantOption = false;
  for (const Grantee& g : passedOn) RevokeFrom(whole, g.name, g.role, privilege);
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
    DescribeNewObjects(db_, dbName_, described_, user_.toStdString());
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

// ---- sequences ----

namespace {

const char kSequenceExists[] = "JYP9017E 同じ名前の順序が既に定義されています: ";
const char kBadSequence[] = "JYP9018E 順序の定義に誤りがあります: ";
const char kNoSuchSchema[] = "JYP9019E スキーマが存在しません: ";
const char kNoFlag[] = "N";
const char kYesFlag[] = "Y";
constexpr long long kSequenceLimit = 999999999999999999LL;

std::optional<long long> NumberOf(const std::optional<QString>& token) {
  if (!token) return std::nullopt;
  bool ok = false;
  const long long value = token->toLongLong(&ok);
  return ok ? std::optional<long long>(value) : std::nullopt;
}

}  // namespace

bool CatalogueUpkeep::CreateSequence(const std::string& sql) {
  TokenReader r(Tokens(QString::fromStdString(sql)));
  if (!r.Take({"CREATE", "SEQUENCE"})) return false;
  const std::string text = QString::fromStdString(sql).simplified().toStdString();
  const auto bad = [&] { return SqlError(StandinMessage(kBadSequence + text)); };
  std::optional<QString> first = r.Next();
  if (!first) throw bad();
  QString schema = user_, name = NameOf(*first);
  if (r.Take(".")) {
    const std::optional<QString> second = r.Next();
    if (!second) throw bad();
    schema = name;
    name = NameOf(*second);
  }
  std::optional<long long> increment, start, max, min, cacheAlloc, cacheKeep;
  bool cycle = false, order = false;
  while (!r.AtEnd()) {
    if (r.Take({"INCREMENT", "BY"})) {
      increment = NumberOf(r.Next());
      if (!increment || *increment == 0) throw bad();
    } else if (r.Take({"START", "WITH"})) {
      if (!(start = NumberOf(r.Next()))) throw bad();
    } else if (r.Take("MAXVALUE")) {
      if (!(max = NumberOf(r.Next()))) throw bad();
    } else if (r.Take("MINVALUE")) {
      if (!(min = NumberOf(r.Next()))) throw bad();
    } else if (r.Take("CYCLE")) {
      cycle = true;
    } else if (r.Take("ORDER")) {
      order = true;
    } else if (r.Take("CACHE")) {
      if (!(cacheAlloc = NumberOf(r.Next())) || !r.Take(",") || !(cacheKeep = NumberOf(r.Next()))) throw bad();
    } else {
      throw bad();
    }
  }
  const long long step = increment.value_or(1);
  const long long low = min.value_or(step > 0 ? 1 : -kSequenceLimit);
  const long long high = max.value_or(step > 0 ? kSequenceLimit : -1);
  const long long startValue = start.value_or(step > 0 ? low : high);
  if (low > high || startValue < low || startValue > high) throw bad();
  QSqlQuery owner = Run(db_, "SELECT SCHEMA_CODE FROM " + Qualified("RDBII_SCHEMA") +
                                 " WHERE DB_CODE = ? AND SCHEMA_NAME = ?",
                        {dbCode_, schema});
  if (!owner.next()) throw SqlError(StandinMessage(kNoSuchSchema + schema.toStdString()));
  const long long schemaCode = owner.value(0).toLongLong();
  owner.finish();
  QSqlQuery held = Run(db_, "SELECT 1 FROM " + Qualified("RDBII_SEQUENCE") +
                                " WHERE DB_CODE = ? AND SCHEMA_NAME = ? AND SEQUENCE_NAME = ?",
                       {dbCode_, schema, name});
  const bool exists = held.next();
  held.finish();
  if (exists) throw SqlError(StandinMessage(kSequenceExists + Dotted(schema, name).toStdString()));
  Atomically([&] {
    Run(db_, "INSERT INTO " + Qualified("RDBII_SEQUENCE") +
                 " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
        {dbCode_, QString::fromStdString(dbName_), schemaCode, schema, NextObjectCode(db_), name, user_, startValue,
         low, high, step, QString::fromLatin1(cycle ? kYesFlag : kNoFlag),
         QString::fromLatin1(order ? kYesFlag : kNoFlag), cacheAlloc.value_or(0), cacheKeep.value_or(0),
         QString::fromStdString(CatalogueTime())});
  });
  return true;
}

// ---- roles ----

namespace {

const char kRoleExists[] = "JYP9022E 同じ名前のロールが既に定義されています: ";
const char kNoSuchRole[] = "JYP9023E ロールが存在しません: ";
const char kRoleNotGranted[] = "JYP9024E ロールが付与されていません: ";

}  // namespace

long long CatalogueUpkeep::RoleCode(const QString& role) {
  QSqlQuery q = Run(db_, "SELECT ROLE_CODE FROM " + Qualified("RDBII_ROLE") + " WHERE ROLE_NAME = ?", {role});
  if (!q.next()) throw SqlError(StandinMessage(kNoSuchRole + role.toStdString()));
  return q.value(0).toLongLong();
}

bool CatalogueUpkeep::Role(const std::string& sql) {
  TokenReader r(Tokens(QString::fromStdString(sql)));
  const auto one = [&r]() -> std::optional<QString> {
    std::optional<QString> name = r.Next();
    if (name) *name = NameOf(*name);
    return name;
  };
  const bool create = r.Take({"CREATE", "ROLE"});
  if (create || r.Take({"DROP", "ROLE"})) {
    const std::optional<QString> role = one();
    if (!role || !r.AtEnd()) return false;
    if (create) {
      QSqlQuery held = Run(db_, "SELECT 1 FROM " + Qualified("RDBII_ROLE") + " WHERE ROLE_NAME = ?", {*role});
      const bool exists = held.next();
      held.finish();
      if (exists) throw SqlError(StandinMessage(kRoleExists + role->toStdString()));
      Run(db_, "INSERT INTO " + Qualified("RDBII_ROLE") + " VALUES (?, ?, ?, ?)",
          {NextObjectCode(db_), *role, user_, QString::fromStdString(CatalogueTime())});
      return true;
    }
    const long long code = RoleCode(*role);
    Atomically([&] {
      for (const char* table : {"RDBII_ROLE_GRANT", "RDBII_ROLE_PRIV", "RDBII_ROLE"})
        Run(db_, "DELETE FROM " + Qualified(table) + " WHERE ROLE_CODE = ?", {code});
    });
    return true;
  }
  // GRANT r[, r] TO u[, u] and REVOKE r[, r] FROM u[, u]: no ON.
  const bool grant = r.Take("GRANT");
  if (!grant && !r.Take("REVOKE")) return false;
  std::vector<QString> roles, grantees;
  do {
    const std::optional<QString> role = one();
    if (!role) return false;
    roles.push_back(*role);
  } while (r.Take(","));
  if (!r.Take(grant ? "TO" : "FROM")) return false;
  do {
    const std::optional<QString> grantee = one();
    if (!grantee) return false;
    grantees.push_back(*grantee);
  } while (r.Take(","));
  if (!r.AtEnd()) return false;
  std::vector<long long> codes;
  for (const QString& role : roles) codes.push_back(RoleCode(role));
  for (const QString& grantee : grantees) {
    QSqlQuery user = Run(db_, "SELECT 1 FROM " + Qualified("RDBII_USER") + " WHERE USER_NAME = ?", {grantee});
    if (!user.next() && grantee != QLatin1String(kPublic))
      throw SqlError(StandinMessage(kNoSuchGrantee + grantee.toStdString()));
  }
  Atomically([&] {
    for (size_t i = 0; i < roles.size(); ++i)
      for (const QString& grantee : grantees) {
        Run(db_, "DELETE FROM " + Qualified("RDBII_ROLE_GRANT") + " WHERE ROLE_CODE = ? AND GRANTEE = ?",
            {codes[i], grantee});
        if (grant)
          Run(db_, "INSERT INTO " + Qualified("RDBII_ROLE_GRANT") + " VALUES (?, ?, ?)", {codes[i], user_, grantee});
        else if (sqlite3_changes(SqliteHandle(db_)) == 0)
          throw SqlError(StandinMessage(kRoleNotGranted + (roles[i] + " FROM " + grantee).toStdString()));
      }
  });
  return true;
}

}  // namespace symfoware
