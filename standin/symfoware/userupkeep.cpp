// The user statements of the catalogue upkeep: the system parameter that
// allows them, CREATE, ALTER and DROP USER with their parameters, and the
// password and account lock the logon checks.
#include <QRegularExpression>
#include <QSqlQuery>

#include <array>

#include "platform/sqlbackend.h"
#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/upkeep.h"

namespace symfoware {

namespace {

using platform::SqlError;

const char kUserExists[] = "JYP9041E 同じ名前の利用者が既に定義されています: ";
const char kNoSuchUser[] = "JYP9042E 利用者が存在しません: ";
const char kBadParameter[] = "JYP9043E 指定できない利用者パラメタです: ";
const char kUserKind[] = "U";
const char kDbmsIdent[] = "DB";
const char kOsIdent[] = "OS";
const char kLocked[] = "L";
const char kOpen[] = "O";

// The parameters a user may be given.
constexpr std::array<const char*, 12> kParameters{
    "MAX_CONNECTION",      "MAX_MEMORY_USE",      "MAX_WORKFILE_USE",           "MAX_WORKFILE_NUM",
    "MAX_TRAN_TIME",       "MAX_TRAN_MEM",        "MAX_WAIT_TIME",              "PASSWORD_CHANGE_TIME",
    "PASSWORD_LIMIT_TIME", "INVALID_PASSWORD_WAIT_TIME", "INVALID_PASSWORD_TIME", "MIN_PASSWORD_SIZE"};

struct Parameter {
  QString name;
  QString value;
};

// "A = 1, B = 2" after FOR USER; an unknown name is refused.
std::vector<Parameter> Parameters(const QString& text) {
  static const QRegularExpression kOne(QStringLiteral("^\\s*([A-Za-z_]+)\\s*=\\s*([^\\s,;]+)\\s*$"));
  std::vector<Parameter> parameters;
  if (text.trimmed().isEmpty()) return parameters;
  for (const QString& part : text.split(',')) {
    const QRegularExpressionMatch m = kOne.match(part);
    const QString name = m.captured(1).toUpper();
    bool known = false;
    for (const char* p : kParameters) known = known || name == QLatin1String(p);
    if (!m.hasMatch() || !known) throw SqlError(StandinMessage(kBadParameter + part.trimmed().toStdString()));
    parameters.push_back({name, m.captured(2)});
  }
  return parameters;
}

}  // namespace

bool CatalogueUpkeep::User(const std::string& sql) {
  static const QRegularExpression kSetParameter(
      QStringLiteral("^\\s*SET\\s+SYSTEM\\s+PARAMETER\\s+\\w+\\s*=\\s*\\w+\\s*;?\\s*$"),
      QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression kDrop(QStringLiteral("^\\s*DROP\\s+USER\\s+(\"(?:[^\"]|\"\")+\"|[^\\s;\"]+)\\s*;?\\s*$"),
                                        QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression kMake(
      QStringLiteral("^\\s*(CREATE|ALTER)\\s+USER\\s+(\"(?:[^\"]|\"\")+\"|[^\\s;\"]+)\\s+WITH\\s+(?:DBMS\\s+PASSWORD\\s+"
                     "(?:(LOCK)|'((?:[^']|'')*)')|(OS))\\s*(?:FOR\\s+USER\\b(.*?))?\\s*;?\\s*$"),
      QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
  const QString text = QString::fromStdString(sql);
  if (kSetParameter.match(text).hasMatch()) return true;
  if (const QRegularExpressionMatch m = kDrop.match(text); m.hasMatch()) {
    DropUser(NameOf(m.captured(1)));
    return true;
  }
  const QRegularExpressionMatch m = kMake.match(text);
  if (!m.hasMatch()) return false;
  const QString name = NameOf(m.captured(2));
  const bool create = m.captured(1).compare(QLatin1String("CREATE"), Qt::CaseInsensitive) == 0;
  const bool lock = !m.captured(3).isEmpty();
  const bool os = !m.captured(5).isEmpty();
  const QString password = m.captured(4).replace(QLatin1String("''"), QLatin1String("'"));
  const bool forUser = m.capturedStart(6) >= 0;
  const std::vector<Parameter> parameters = Parameters(m.captured(6));
  long long code = UserCode(name);
  if (create && code) throw SqlError(StandinMessage(kUserExists + name.toStdString()));
  if (!create && !code) throw SqlError(StandinMessage(kNoSuchUser + name.toStdString()));
  if (create && lock) throw SqlError(StandinMessage(kBadParameter + std::string("LOCK")));
  Atomically([&] {
    if (create) {
      code = NextObjectCode(db_);
      Run(db_, "INSERT INTO " + Qualified("RDBII_USER") + " VALUES (?, ?, ?, ?, ?, NULL, 0)",
          {code, name, os ? kOsIdent : kDbmsIdent, kUserKind, kOpen});
    } else if (lock) {
      Run(db_, "UPDATE " + Qualified("RDBII_USER") + " SET PASSWORD_STATUS = ? WHERE USER_CODE = ?", {kLocked, code});
    } else {
      // A new password or method opens a locked account.
      Run(db_, "UPDATE " + Qualified("RDBII_USER") + " SET IDENT = ?, PASSWORD_STATUS = ? WHERE USER_CODE = ?",
          {os ? kOsIdent : kDbmsIdent, kOpen, code});
    }
    if (!lock) {
      Run(db_, "DELETE FROM " + Qualified("STANDIN_PASSWORD") + " WHERE USER_NAME = ?", {name});
      // An OS user has no password here, so it cannot log on to the stand-in.
      if (!os) Run(db_, "INSERT INTO " + Qualified("STANDIN_PASSWORD") + " VALUES (?, ?)", {name, password});
    }
    if (!forUser) return;
    Run(db_, "DELETE FROM " + Qualified("RDBII_PARAMETER") + " WHERE USER_CODE = ?", {code});
    const long long setter = UserCode(user_);
    for (const Parameter& p : parameters)
      Run(db_, "INSERT INTO " + Qualified("RDBII_PARAMETER") + " VALUES (?, ?, ?, ?)", {code, p.name, p.value, setter});
  });
  return true;
}

long long CatalogueUpkeep::UserCode(const QString& name) {
  QSqlQuery q = Run(db_, "SELECT USER_CODE FROM " + Qualified("RDBII_USER") + " WHERE USER_NAME = ?", {name});
  return q.next() ? q.value(0).toLongLong() : 0;
}

void CatalogueUpkeep::DropUser(const QString& name) {
  const long long code = UserCode(name);
  if (!code) throw SqlError(StandinMessage(kNoSuchUser + name.toStdString()));
  Atomically([&] {
    Run(db_, "DELETE FROM " + Qualified("RDBII_PARAMETER") + " WHERE USER_CODE = ?", {code});
    Run(db_, "DELETE FROM " + Qualified("RDBII_USER") + " WHERE USER_CODE = ?", {code});
    Run(db_, "DELETE FROM " + Qualified("STANDIN_PASSWORD") + " WHERE USER_NAME = ?", {name});
    for (const char* table : {"RDBII_ROLE_GRANT", "RDBII_PRIVILEGES"})
      Run(db_, "DELETE FROM " + Qualified(table) + " WHERE GRANTEE = ?", {name});
  });
}

}  // namespace symfoware
