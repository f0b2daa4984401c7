// The stand-in's catalogue: the RDBII_SYSTEM schema file with the tables
// and views orv reads, Symfoware's codes, the stand-in's own password and
// code-counter tables, and the rows that describe the SQLite objects of the
// user schemas.
#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

#include <map>
#include <string>

namespace symfoware {

// Name of the catalogue schema and of its file in a data-source folder.
extern const char kCatalogueSchema[];
// A catalogue object named with its schema ("RDBII_SYSTEM.RDBII_TABLE").
std::string Qualified(const std::string& table);
// A name as a quoted identifier, its quotes doubled.
QString Quoted(const QString& name);
std::string SchemaFilePath(const std::string& folder, const std::string& schema);

// Creates a data-source folder: the RDBII_SYSTEM file with every catalogue
// object, the database row named `dataSource`, its default database space
// and the administrator. Fails with a message when the folder already
// holds a catalogue.
void CreateDataSourceFolder(const std::string& folder, const std::string& dataSource,
                            const std::string& adminUser, const std::string& adminPassword);

// Symfoware's type of a declared column type ("CHAR(10)", "NUMERIC(7,2)",
// "INTERVAL DAY "TO" SECOND(2)" as the rewriter leaves an interval): its
// DATA_TYPE code and, where the type has them, length in characters,
// precision (an interval's leading one), scale and interval qualifier.
struct ColumnType {
  std::string code;
  QVariant length;
  QVariant precision;
  QVariant scale;
  QVariant qualifier;  // NUMERIC_RADIX, 1 to 13
};
ColumnType TypeOfDeclaration(const QString& declared);

// Adds a user who logs on with a password of the stand-in's own.
void AddUser(QSqlDatabase& db, const std::string& user, const std::string& password);

// The next object code; codes are unique across every kind of object.
long long NextObjectCode(QSqlDatabase& db);
// The counter behind it, for code handed out in bulk.
long long ReadObjectCounter(QSqlDatabase& db);
void WriteObjectCounter(QSqlDatabase& db, long long next);

// The current time in the catalogue's CREATE_TIME format.
std::string CatalogueTime();

// How far each user schema's objects have been described (the last row of
// its sqlite_master looked at), so that a later pass reads only what is new.
using TDescribedUpTo = std::map<QString, long long>;

// Adds the catalogue rows of the tables, views (with the tables and views
// each reads) and indexes that SQLite holds in the user schemas but the
// catalogue does not list yet, looking
// only past `upTo` and moving it on. An empty `upTo` looks at everything.
// The new tables, views and indexes are owned by `creator`, the session's
// user; without one, by their schema's owner.
void DescribeNewObjects(QSqlDatabase& db, const std::string& dataSource, TDescribedUpTo& upTo,
                        const std::string& creator = {});
// Adds the rows of the columns an ALTER TABLE ... ADD gave a listed table,
// each with the next column code and position.
void DescribeAddedColumns(QSqlDatabase& db, const std::string& dataSource, const QString& schema,
                          const QString& table);

}  // namespace symfoware
