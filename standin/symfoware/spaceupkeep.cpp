// The catalogue upkeep of database spaces: ALLOCATE grants and the SQL
// drop of newer catalogues. The grants live in the stand-in's own table,
// which only the rdbprt report reads back.
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStringList>

#include "platform/sqlbackend.h"
#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/upkeep.h"

namespace symfoware {

namespace {

using platform::SqlError;

constexpr char kNoSuchSpace[] = "データベーススペースが見つかりません: ";
constexpr char kNoSuchGrantee[] = "利用者が見つかりません: ";
constexpr char kNotGranted[] = "ALLOCATE権は付与されていません: ";
constexpr char kEveryone[] = "PUBLIC";
constexpr char kGrantable[] = "YES";
constexpr char kNotGrantable[] = "NO";

// A name, quoted or not.
const QString kName = QStringLiteral("(\"(?:[^\"]|\"\")*\"|[^\\s,;\"]+)");
const QString kNames = QStringLiteral("(\"(?:[^\"]|\"\")*\"(?:\\s*,\\s*\"(?:[^\"]|\"\")*\"|\\s*,\\s*[^\\s,;\"]+)*|"
                                      "[^\\s,;\"]+(?:\\s*,\\s*\"(?:[^\"]|\"\")*\"|\\s*,\\s*[^\\s,;\"]+)*)");

std::vector<QString> SplitNames(const QString& text) {
  static const QRegularExpression kOne(kName);
  std::vector<QString> names;
  for (auto it = kOne.globalMatch(text); it.hasNext();) names.push_back(NameOf(it.next().captured(1)));
  return names;
}

}  // namespace

bool CatalogueUpkeep::Allocate(const std::string& sql) {
  static const QRegularExpression kGrant(
      "^\\s*GRANT\\s+ALLOCATE\\s+ON\\s+DBSPACE\\s+" + kName + "\\s+TO\\s+(ROLE\\s+)?" + kNames +
          "(\\s+WITH\\s+GRANT\\s+OPTION)?\\s*;?\\s*$",
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression kRevoke(
      "^\\s*REVOKE\\s+(GRANT\\s+OPTION\\s+FOR\\s+)?ALLOCATE\\s+ON\\s+DBSPACE\\s+" + kName + "\\s+FROM\\s+(ROLE\\s+)?" +
          kNames + "(\\s+CASCADE)?\\s*;?\\s*$",
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression kDrop("^\\s*DROP\\s+DBSPACE\\s+" + kName + "\\s*;?\\s*$",
                                        QRegularExpression::CaseInsensitiveOption);
  const QString text = QString::fromStdString(sql);
  const QString db = QString::fromStdString(dbName_);
  const auto checkSpace = [&](const QString& space) {
    QSqlQuery q = Run(db_,
                      "SELECT 1 FROM " + Qualified("RDBII_OBJECT") +
                          " WHERE OBJECT_ID = '2' AND UPPER(DB_NAME) = UPPER(?) AND OBJECT_NAME = ?",
                      {db, space});
    if (!q.next()) throw SqlError(StandinMessage(kNoSuchSpace + space.toStdString()));
  };
  const auto checkGrantee = [&](const QString& grantee, bool role) {
    if (role) {
      RoleCode(grantee);
    } else if (grantee != kEveryone && UserCode(grantee) == 0) {
      throw SqlError(StandinMessage(kNoSuchGrantee + grantee.toStdString()));
    }
  };
  const std::string privileges = Qualified("STANDIN_DBSPACE_PRIV");
  const std::string which = " WHERE UPPER(DB_NAME) = UPPER(?) AND SPACE_NAME = ? AND GRANTEE = ? AND IS_ROLE = ?";
  if (const QRegularExpressionMatch m = kGrant.match(text); m.hasMatch()) {
    const QString space = NameOf(m.captured(1));
    const bool role = !m.captured(2).isEmpty();
    // Roles and PUBLIC are never given the grant option.
    const bool option = !m.captured(4).isEmpty();
    checkSpace(space);
    Atomically([&] {
      for (const QString& grantee : SplitNames(m.captured(3))) {
        checkGrantee(grantee, role);
        Run(db_, "DELETE FROM " + privileges + which, {db, space, grantee, role ? 1 : 0});
        Run(db_, "INSERT INTO " + privileges + " VALUES (?, ?, ?, ?, ?, ?)",
            {db.toUpper(), space, grantee, user_, option && !role && grantee != kEveryone ? kGrantable : kNotGrantable,
             role ? 1 : 0});
      }
    });
    return true;
  }
  if (const QRegularExpressionMatch m = kRevoke.match(text); m.hasMatch()) {
    const bool optionOnly = !m.captured(1).isEmpty();
    const QString space = NameOf(m.captured(2));
    const bool role = !m.captured(3).isEmpty();
    checkSpace(space);
    Atomically([&] {
      for (const QString& grantee : SplitNames(m.captured(4))) {
        QSqlQuery held = Run(db_, "SELECT 1 FROM " + privileges + which, {db, space, grantee, role ? 1 : 0});
        const bool granted = held.next();
        held.finish();
        if (!granted) throw SqlError(StandinMessage(kNotGranted + grantee.toStdString()));
        if (optionOnly)
          Run(db_, "UPDATE " + privileges + " SET IS_GRANTABLE = ?" + which, {kNotGrantable, db, space, grantee, role ? 1 : 0});
        else
          Run(db_, "DELETE FROM " + privileges + which, {db, space, grantee, role ? 1 : 0});
      }
    });
    return true;
  }
  if (const QRegularExpressionMatch m = kDrop.match(text); m.hasMatch()) {
    const QString space = NameOf(m.captured(1));
    checkSpace(space);
    Atomically([&] {
      Run(db_,
          "DELETE FROM " + Qualified("RDBII_OBJECT") +
              " WHERE OBJECT_ID = '2' AND UPPER(DB_NAME) = UPPER(?) AND OBJECT_NAME = ?",
          {db, space});
      for (const char* table : {"STANDIN_DBSPACE", "STANDIN_DBSPACE_PRIV"})
        Run(db_, "DELETE FROM " + Qualified(table) + " WHERE UPPER(DB_NAME) = UPPER(?) AND SPACE_NAME = ?",
            {db, space});
    });
    return true;
  }
  return false;
}

}  // namespace symfoware
