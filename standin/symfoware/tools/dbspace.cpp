#include "standin/symfoware/tools/dbspace.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/upkeep.h"

namespace symfoware::tools {

namespace {

// A space rdbddlex did not make lies on its own device of this size (in K).
constexpr long long kDefaultSpaceSize = 102400;
constexpr char kDeviceFolder[] = "/standin/dbspace/";
constexpr char kDefaultKind[] = "FILE";
constexpr char kDefaultLogGroup[] = "system";
constexpr long long kKilobytesPerMegabyte = 1024;
constexpr char kGrantable[] = "YES";
constexpr char kEveryone[] = "PUBLIC";
constexpr char kDateFormat[] = "yyyy-MM-dd hh:mm:ss";
// Report labels, padded so that every value starts at its column.
constexpr char kRoleValueLabel[] = "      ";

Report Failure(const std::string& message) { return {{message}, false}; }
QVariant V(const std::string& s) { return QString::fromStdString(s); }

bool SpaceExists(QSqlDatabase& db, const std::string& database, const std::string& space) {
  QSqlQuery q = Run(db,
                    "SELECT 1 FROM RDBII_OBJECT WHERE OBJECT_ID = '2' AND UPPER(DB_NAME) = UPPER(?) AND "
                    "OBJECT_NAME = ?",
                    {V(database), V(space)});
  return q.next();
}

// The text between "<word>(" and the closing parenthesis.
std::string Inside(const std::string& text, const char* word) {
  const QRegularExpression re(QStringLiteral("^\\s*%1\\s*\\((.*)\\)\\s*$").arg(word),
                              QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  const QRegularExpressionMatch m = re.match(QString::fromStdString(text));
  return m.hasMatch() ? m.captured(1).trimmed().toStdString() : std::string();
}

std::string Upper(const std::string& text) { return QString::fromStdString(text).toUpper().toStdString(); }

Report CreateSpace(QSqlDatabase& db, const std::string& database, const QRegularExpressionMatch& m,
                   const std::string& user) {
  const std::string space = NameOf(m.captured(1)).toStdString();
  if (SpaceExists(db, database, space)) return Failure("rdbddlex: データベーススペースは既に存在します: " + space);
  const bool network = !m.captured(2).isEmpty();
  const long long size = m.captured(4).toLongLong() * (m.captured(5).toUpper() == "M" ? kKilobytesPerMegabyte : 1);
  const std::string db_ = Upper(database);
  db.transaction();
  try {
    Run(db, "INSERT INTO RDBII_OBJECT VALUES (?, '2', ?)", {V(db_), V(space)});
    Run(db, "INSERT INTO STANDIN_DBSPACE VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
        {V(db_), V(space), m.captured(3).trimmed(), network ? "NETWORK FILE" : kDefaultKind, size, V(user),
         QDateTime::currentDateTime().toString(kDateFormat), kDefaultLogGroup});
    // The creator may allocate and grant that on.
    Run(db, "INSERT INTO STANDIN_DBSPACE_PRIV VALUES (?, ?, ?, ?, ?, 0)",
        {V(db_), V(space), V(user), V(user), kGrantable});
  } catch (...) {
    db.rollback();
    throw;
  }
  db.commit();
  return {};
}

Report DropSpace(QSqlDatabase& db, const std::string& database, const std::string& space) {
  if (!SpaceExists(db, database, space)) return Failure("rdbddlex: データベーススペースが見つかりません: " + space);
  if (!DsisOfSpace(db, database, space).empty())
    return Failure("rdbddlex: データベーススペースにDSIが割り付けられています: " + space);
  db.transaction();
  try {
    Run(db, "DELETE FROM RDBII_OBJECT WHERE OBJECT_ID = '2' AND UPPER(DB_NAME) = UPPER(?) AND OBJECT_NAME = ?",
        {V(database), V(space)});
    for (const char* table : {"STANDIN_DBSPACE", "STANDIN_DBSPACE_PRIV"})
      Run(db, std::string("DELETE FROM ") + table + " WHERE UPPER(DB_NAME) = UPPER(?) AND SPACE_NAME = ?",
          {V(database), V(space)});
  } catch (...) {
    db.rollback();
    throw;
  }
  db.commit();
  return {};
}

std::string Labelled(const char* label, const std::string& value) { return label + value; }

}  // namespace

SpaceFile SpaceFileOf(QSqlDatabase& db, const std::string& database, const std::string& space) {
  QSqlQuery q = Run(db,
                    "SELECT FILE_NAME, DEVICE_KIND, SIZE_KB, CREATOR, CREATED, LOG_GROUP FROM STANDIN_DBSPACE "
                    "WHERE UPPER(DB_NAME) = UPPER(?) AND SPACE_NAME = ?",
                    {V(database), V(space)});
  if (!q.next()) return {kDeviceFolder + space, kDefaultKind, kDefaultSpaceSize, "", "", kDefaultLogGroup};
  return {q.value(0).toString().toStdString(), q.value(1).toString().toStdString(), q.value(2).toLongLong(),
          q.value(3).toString().toStdString(), q.value(4).toString().toStdString(),
          q.value(5).toString().toStdString()};
}

bool IsSpaceControl(const std::string& controlText) { return !Inside(controlText, "DBSPACE").empty(); }
bool IsRoleControl(const std::string& controlText) { return !Inside(controlText, "ROLE").empty(); }

Report RunDdl(QSqlDatabase& db, const std::string& database, const std::string& controlText, const std::string& user) {
  static const QRegularExpression kCreate(
      QStringLiteral("^\\s*CREATE\\s+DBSPACE\\s+(\"(?:[^\"]|\"\")*\"|\\S+)\\s+ALLOCATE\\s+(NETWORK\\s+)?FILE\\s+"
                     "([^\\r\\n]+?)\\s+ATTRIBUTE\\s+SPACE\\s*\\(\\s*(\\d+)\\s*([KM])\\s*\\)\\s*$"),
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression kDrop(QStringLiteral("^\\s*DROP\\s+DBSPACE\\s+(\"(?:[^\"]|\"\")*\"|\\S+)\\s*$"),
                                        QRegularExpression::CaseInsensitiveOption);
  const QString text = QString::fromStdString(controlText);
  if (const QRegularExpressionMatch m = kCreate.match(text); m.hasMatch()) return CreateSpace(db, database, m, user);
  if (const QRegularExpressionMatch m = kDrop.match(text); m.hasMatch())
    return DropSpace(db, database, NameOf(m.captured(1)).toStdString());
  return Failure("rdbddlex: 制御ファイルの定義が正しくありません");
}

Report SpaceDefinition(QSqlDatabase& db, const std::string& database, const std::string& controlText) {
  const std::string space = Inside(controlText, "DBSPACE");
  if (!SpaceExists(db, database, space)) return Failure("rdbprt: データベーススペースが見つかりません: " + space);
  const SpaceFile file = SpaceFileOf(db, database, space);
  std::vector<std::string> lines{Labelled("Database space name ...... ", space),
                                 Labelled("  File name       ...... ", file.file),
                                 Labelled("  Device kind     ...... ", file.kind),
                                 Labelled("  Allocate size   ...... ", std::to_string(file.sizeKb) + "K"),
                                 Labelled("  Creator         ...... ", file.creator),
                                 Labelled("  Created date    ...... ", file.created),
                                 Labelled("  Loggroup        ...... ", file.logGroup),
                                 "  Privilege information"};
  QSqlQuery q = Run(db,
                    "SELECT GRANTEE, GRANTOR, IS_GRANTABLE FROM STANDIN_DBSPACE_PRIV WHERE UPPER(DB_NAME) = UPPER(?) "
                    "AND SPACE_NAME = ? AND IS_ROLE = 0 ORDER BY rowid",
                    {V(database), V(space)});
  bool first = true;
  while (q.next()) {
    if (first) lines.push_back("    Privilege ...... ALLOCATE");
    first = false;
    const std::string grantee = q.value(0).toString().toStdString();
    lines.push_back("      Grantee ...... " + (grantee == kEveryone ? std::string("*") : grantee));
    lines.push_back("        Grantor   .... " + q.value(1).toString().toStdString());
    lines.push_back("        Grantable .... " + q.value(2).toString().toStdString());
  }
  lines.push_back("  DSI information");
  for (const SpaceDsiRow& dsi : DsisOfSpace(db, database, space)) {
    lines.push_back("    DSI name ...... " + dsi.name);
    lines.push_back("    Usage type    ...... " + dsi.usage);
    lines.push_back("    Schema name   ...... " + dsi.schema);
    lines.push_back("    Table name    ...... " + dsi.table);
    lines.push_back("    DSO name      ...... " + dsi.dso);
    lines.push_back("    Allocate size ...... " + dsi.size + "(K byte)");
  }
  lines.push_back("");
  return {lines, true};
}

Report RoleDefinition(QSqlDatabase& db, const std::string& database, const std::string& controlText) {
  std::vector<std::string> lines;
  for (const QString& role : QString::fromStdString(Inside(controlText, "ROLE")).split(',', Qt::SkipEmptyParts)) {
    const std::string name = role.trimmed().toStdString();
    lines.push_back("Role name ...... " + name);
    QSqlQuery q = Run(db,
                      "SELECT DB_NAME, SPACE_NAME FROM STANDIN_DBSPACE_PRIV WHERE GRANTEE = ? AND IS_ROLE = 1 "
                      "AND UPPER(DB_NAME) = UPPER(?) ORDER BY rowid",
                      {V(name), V(database)});
    while (q.next()) {
      lines.push_back(std::string(kRoleValueLabel) + "Type                ...... DBSPACE");
      lines.push_back(std::string(kRoleValueLabel) + "Database name       ...... " + q.value(0).toString().toStdString());
      lines.push_back(std::string(kRoleValueLabel) + "Database space name ...... " +
                      q.value(1).toString().toStdString());
    }
  }
  return {lines, true};
}

Report SpaceUsage(QSqlDatabase& db, const std::string& database, const std::string& space) {
  if (!SpaceExists(db, database, space)) return Failure("rdbspcinf: データベーススペースが見つかりません: " + space);
  const SpaceFile file = SpaceFileOf(db, database, space);
  std::vector<std::string> lines{"Database space : " + space, "Static allocate size"};
  long long used = 0;
  for (const SpaceDsiRow& dsi : DsisOfSpace(db, database, space)) {
    used += std::stoll(dsi.size);
    lines.push_back("  " + dsi.name + " : " + dsi.size + "K");
  }
  lines.push_back(SizeTotalLine(used));
  lines.push_back("Dynamic allocate size");
  lines.push_back(SizeTotalLine(0));
  lines.push_back("Free size");
  lines.push_back(SizeTotalLine(file.sizeKb - used));
  return {lines, true};
}

}  // namespace symfoware::tools
