#include "standin/symfoware/tools/routines.h"

#include <QRegularExpression>
#include <QSqlQuery>
#include <QVariant>

#include <array>

namespace symfoware::tools {

namespace {

constexpr int kFunctionType = 2;
constexpr int kReturnMode = 5;
constexpr std::array<const char*, 16> kTypeNames = {
    "CHAR",    "CHAR VARYING", "BLOB",  "NCHAR",  "NCHAR VARYING",    "INTEGER", "SMALLINT",  "NUMERIC",
    "DECIMAL", "FLOAT",        "DOUBLE PRECISION", "REAL", "TIMESTAMP", "DATE",   "TIME", "INTERVAL"};

const QRegularExpression& RoutinePattern() {
  static const QRegularExpression pattern(
      QStringLiteral("^\\s*ROUTINE\\s*\\(\\s*\"?([^.\"\\s]+)\"?\\s*\\.\\s*\"?([^)\"\\s]+)\"?\\s*\\)\\s*$"),
      QRegularExpression::CaseInsensitiveOption);
  return pattern;
}

std::string ModeName(int mode) {
  switch (mode) {
    case 2:
      return "INOUT";
    case 4:
      return "OUT";
    case kReturnMode:
      return "RETURN";
    default:
      return "IN";
  }
}

std::string TypeText(int code, const QVariant& length, const QVariant& precision, const QVariant& scale) {
  if (code < 1 || code > static_cast<int>(kTypeNames.size())) return "";
  std::string type = kTypeNames[static_cast<size_t>(code - 1)];
  if (!length.isNull()) return type + "(" + length.toString().toStdString() + ")";
  if (!precision.isNull() && !scale.isNull())
    return type + "(" + precision.toString().toStdString() + "," + scale.toString().toStdString() + ")";
  if (!precision.isNull()) return type + "(" + precision.toString().toStdString() + ")";
  return type;
}

std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

bool IsRoutineControl(const std::string& controlText) {
  return RoutinePattern().match(QString::fromStdString(controlText)).hasMatch();
}

Report RoutineDefinition(QSqlDatabase& db, const std::string& database, const std::string& controlText) {
  const QRegularExpressionMatch m = RoutinePattern().match(QString::fromStdString(controlText));
  if (!m.hasMatch()) return {{"rdbprt: 制御文が正しくありません: " + controlText}, false};
  const QString schema = m.captured(1), name = m.captured(2);
  QSqlQuery q(db);
  q.prepare("SELECT PROCEDURE_CODE, PROCEDURE_TYPE FROM RDBII_PROC WHERE UPPER(DB_NAME) = UPPER(?) AND "
            "SCHEMA_NAME = ? AND PROCEDURE_NAME = ?");
  q.addBindValue(QString::fromStdString(database));
  q.addBindValue(schema);
  q.addBindValue(name);
  if (!q.exec() || !q.next())
    return {{"rdbprt: ルーチンが見つかりません: " + schema.toStdString() + "." + name.toStdString()}, false};
  const QVariant code = q.value(0);
  const bool function = q.value(1).toInt() == kFunctionType;
  std::vector<std::string> lines{"RDB definition information",
                                 "Routine name ...... " + schema.toStdString() + "." + name.toStdString()};
  if (!function) {
    QSqlQuery text(db);
    text.prepare("SELECT DESC_VALUE FROM RDBII_DESCRIPTION WHERE OBJECT_CODE = ? AND DESC_TYPE = 'P'");
    text.addBindValue(code);
    lines.push_back("Routine text information");
    if (text.exec() && text.next())
      for (const QString& line : text.value(0).toString().split(QRegularExpression("\r?\n")))
        lines.push_back(line.toStdString());
    return {lines, true};
  }
  QSqlQuery comment(db);
  comment.prepare("SELECT COMMENT_VALUE FROM RDBII_COMMENT WHERE TABLE_CODE = ? AND COLUMN_CODE IS NULL");
  comment.addBindValue(code);
  if (comment.exec() && comment.next() && !comment.value(0).toString().isEmpty()) {
    lines.push_back("  Comment");
    lines.push_back("    " + Quoted(comment.value(0).toString().toStdString()));
  }
  QSqlQuery params(db);
  params.prepare("SELECT COLUMN_TYPE, DATA_TYPE, CHAR_MAX_LENGTH, NUMERIC_PRECISION, NUMERIC_SCALE FROM "
                 "RDBII_PROC_COL WHERE PROCEDURE_CODE = ? ORDER BY ORDINAL_POSITION");
  params.addBindValue(code);
  if (params.exec())
    while (params.next()) {
      lines.push_back("    Parameter mode ...... " + ModeName(params.value(0).toInt()));
      lines.push_back("    Parameter type ...... " +
                      TypeText(params.value(1).toInt(), params.value(2), params.value(3), params.value(4)));
    }
  QSqlQuery ex(db);
  ex.prepare("SELECT ROUTINE_NAME, LIBRARY_PATH FROM RDBII_PROC_EX WHERE PROCEDURE_CODE = ?");
  ex.addBindValue(code);
  const bool found = ex.exec() && ex.next();
  lines.push_back("    Language  ...... C");
  lines.push_back("    Symbol    ...... " + (found ? ex.value(0).toString().toStdString() : std::string()));
  lines.push_back("    Library   ...... " + (found ? ex.value(1).toString().toStdString() : std::string()));
  return {lines, true};
}

}  // namespace symfoware::tools
