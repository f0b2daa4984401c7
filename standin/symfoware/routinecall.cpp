#include "standin/symfoware/routinecall.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include <QSqlQuery>

#include "platform/sqlbackend.h"
#include "standin/symfoware/catalogue.h"
#include "standin/symfoware/routinedef.h"
#include "standin/symfoware/sqlite.h"
#include "standin/symfoware/standin.h"

namespace symfoware {

namespace {

using platform::SqlError;

const char kNoSuchRoutine[] = "JYP9040E ルーチンが存在しません: ";
const char kArgumentCount[] = "JYP9041E 引数の数がルーチンの定義と一致しません: ";
const char kOutputNeedsMarker[] = "JYP9042E 出力パラメタには変数を指定してください: ";
const char kNoAnswer[] = "JYP9043E スタンドインはルーチンの本体を実行しません。応答が用意されていません: ";
constexpr int kProcedureType = 1;
constexpr int kFunctionType = 2;
constexpr int kFixedArgs = 2;  // schema and name before the function's own

struct TAnswers {
  std::mutex lock;
  std::map<std::pair<std::string, std::string>, TRoutineAnswer> answers;
};

TAnswers& Answers() {
  static TAnswers answers;
  return answers;
}

std::optional<TRoutineAnswer> AnswerOf(const std::string& schema, const std::string& name) {
  TAnswers& all = Answers();
  const std::lock_guard<std::mutex> hold(all.lock);
  const auto it = all.answers.find({schema, name});
  if (it == all.answers.end()) return std::nullopt;
  return it->second;
}

// The answer for a routine, or the failure a run of it gives (its text
// without the driver's prefix).
TRoutineAnswer RequiredAnswer(const std::string& schema, const std::string& name) {
  const std::optional<TRoutineAnswer> answer = AnswerOf(schema, name);
  if (!answer) throw SqlError(kNoAnswer + schema + "." + name);
  if (!answer->Error.empty()) throw SqlError(answer->Error);
  return *answer;
}

// The modes of a routine's parameters in order; nothing when the catalogue
// holds no routine of that kind.
std::optional<std::vector<int>> ParameterModes(QSqlDatabase& db, const std::string& schema, const std::string& name,
                                               int type) {
  QSqlQuery q = Run(db,
                    "SELECT PROCEDURE_CODE FROM " + Qualified("RDBII_PROC") +
                        " WHERE SCHEMA_NAME = ? AND PROCEDURE_NAME = ? AND PROCEDURE_TYPE = ?",
                    {QString::fromStdString(schema), QString::fromStdString(name), type});
  if (!q.next()) return std::nullopt;
  const QVariant code = q.value(0);
  q.finish();
  QSqlQuery cols = Run(db,
                       "SELECT COLUMN_TYPE FROM " + Qualified("RDBII_PROC_COL") +
                           " WHERE PROCEDURE_CODE = ? ORDER BY ORDINAL_POSITION",
                       {code});
  std::vector<int> modes;
  while (cols.next()) modes.push_back(cols.value(0).toInt());
  return modes;
}

// Runs one statement on the connection of a function call.
std::optional<std::vector<int>> FunctionModes(sqlite3* db, const std::string& schema, const std::string& name) {
  const std::string sql = "SELECT C.COLUMN_TYPE FROM " + Qualified("RDBII_PROC") + " P LEFT OUTER JOIN " +
                          Qualified("RDBII_PROC_COL") +
                          " C ON C.PROCEDURE_CODE = P.PROCEDURE_CODE WHERE P.SCHEMA_NAME = ? AND "
                          "P.PROCEDURE_NAME = ? AND P.PROCEDURE_TYPE = ? ORDER BY C.ORDINAL_POSITION";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) throw SqlError(sqlite3_errmsg(db));
  sqlite3_bind_text(stmt, 1, schema.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_text(stmt, 2, name.c_str(), -1, SQLITE_TRANSIENT);
  sqlite3_bind_int(stmt, 3, kFunctionType);
  std::optional<std::vector<int>> modes;
  while (sqlite3_step(stmt) == SQLITE_ROW) {
    if (!modes) modes.emplace();
    if (sqlite3_column_type(stmt, 0) != SQLITE_NULL) modes->push_back(sqlite3_column_int(stmt, 0));
  }
  sqlite3_finalize(stmt);
  return modes;
}

void RoutineFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  try {
    const auto text = [&](int i) {
      const unsigned char* value = sqlite3_value_text(argv[i]);
      return std::string(value ? reinterpret_cast<const char*>(value) : "");
    };
    const std::string schema = text(0), name = text(1);
    const std::optional<std::vector<int>> modes = FunctionModes(sqlite3_context_db_handle(ctx), schema, name);
    if (!modes) throw SqlError(kNoSuchRoutine + schema + "." + name);
    const auto inputs = std::count_if(modes->begin(), modes->end(), [](int m) { return m != kModeReturn; });
    if (inputs != argc - kFixedArgs) throw SqlError(kArgumentCount + schema + "." + name);
    const TRoutineAnswer answer = RequiredAnswer(schema, name);
    if (answer.Values.empty() || !answer.Values.front()) {
      sqlite3_result_null(ctx);
      return;
    }
    const std::string& value = *answer.Values.front();
    sqlite3_result_text(ctx, value.c_str(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  } catch (const std::exception& e) {
    sqlite3_result_error(ctx, e.what(), -1);
  }
}

}  // namespace

void SetRoutineAnswer(const std::string& schema, const std::string& name, const TRoutineAnswer& answer) {
  TAnswers& all = Answers();
  const std::lock_guard<std::mutex> hold(all.lock);
  all.answers[{schema, name}] = answer;
}

void ClearRoutineAnswers() {
  TAnswers& all = Answers();
  const std::lock_guard<std::mutex> hold(all.lock);
  all.answers.clear();
}

void RegisterRoutineFunction(sqlite3* db) {
  sqlite3_create_function_v2(db, kRoutineFunction, -1, SQLITE_UTF8, nullptr, RoutineFunction, nullptr, nullptr,
                             nullptr);
}

bool AnswerCall(QSqlDatabase& db, const std::string& user, const std::string& sql, std::vector<QVariant>& values) {
  const std::optional<TCall> call = ParseCall(sql);
  if (!call) return false;
  const std::string schema = call->routine.schema.empty() ? user : call->routine.schema;
  const std::string& name = call->routine.name;
  const std::optional<std::vector<int>> modes = ParameterModes(db, schema, name, kProcedureType);
  if (!modes) throw SqlError(StandinMessage(kNoSuchRoutine + schema + "." + name));
  if (modes->size() != call->markers.size()) throw SqlError(StandinMessage(kArgumentCount + schema + "." + name));
  for (size_t i = 0; i < modes->size(); ++i)
    if ((*modes)[i] != kModeIn && !call->markers[i])
      throw SqlError(StandinMessage(kOutputNeedsMarker + schema + "." + name));
  TRoutineAnswer answer;
  try {
    answer = RequiredAnswer(schema, name);
  } catch (const SqlError& e) {
    throw SqlError(StandinMessage(e.what()));
  }
  // The answer's values fill the markers in order; one not given is null.
  for (size_t i = 0; i < values.size(); ++i)
    values[i] = i < answer.Values.size() && answer.Values[i] ? QVariant(QString::fromStdString(*answer.Values[i]))
                                                             : QVariant();
  return true;
}

}  // namespace symfoware
