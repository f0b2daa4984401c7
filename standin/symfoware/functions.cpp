#include "standin/symfoware/functions.h"

#include <sqlite3.h>

#include <string>

#include "standin/symfoware/sqlite.h"

namespace symfoware {
namespace {

constexpr int kMinArgs = 2;
constexpr int kMaxArgs = 3;

// Byte offsets of the first n UTF-8 characters' end, or the whole size.
size_t PrefixBytes(const std::string& text, long long n, long long& chars) {
  chars = 0;
  size_t i = 0;
  while (i < text.size() && chars < n) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    ++chars;
  }
  return i;
}

template <bool kLeft>
void Pad(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
  if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
    sqlite3_result_null(ctx);
    return;
  }
  std::string text(reinterpret_cast<const char*>(sqlite3_value_text(argv[0])));
  long long width = sqlite3_value_int64(argv[1]);
  std::string pad = " ";
  if (argc == kMaxArgs && sqlite3_value_type(argv[2]) != SQLITE_NULL)
    pad = reinterpret_cast<const char*>(sqlite3_value_text(argv[2]));
  if (width < 0 || pad.empty()) {
    sqlite3_result_null(ctx);
    return;
  }
  long long chars = 0;
  std::string result = text.substr(0, PrefixBytes(text, width, chars));
  // The pad text is repeated character by character until the width.
  std::string fill;
  size_t padPos = 0;
  while (chars < width) {
    long long one = 0;
    size_t next = padPos + PrefixBytes(pad.substr(padPos), 1, one);
    fill += pad.substr(padPos, next - padPos);
    padPos = next < pad.size() ? next : 0;
    ++chars;
  }
  result = kLeft ? fill + result : result + fill;
  sqlite3_result_text(ctx, result.c_str(), static_cast<int>(result.size()), SQLITE_TRANSIENT);
}

// One prepared statement on the connection of a function call.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) : db_(db) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool Ok() const { return stmt_ != nullptr; }
  void Bind(int index, sqlite3_value* value) { sqlite3_bind_value(stmt_, index, value); }
  void Bind(int index, long long value) { sqlite3_bind_int64(stmt_, index, value); }
  int Step() { return sqlite3_step(stmt_); }
  long long Int(int column) const { return sqlite3_column_int64(stmt_, column); }
  bool IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
  std::string Text(int column) const {
    const unsigned char* t = sqlite3_column_text(stmt_, column);
    return t ? reinterpret_cast<const char*>(t) : "";
  }
  std::string Error() const { return sqlite3_errmsg(db_); }

 private:
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
};

const char kNoSequence[] = "JYP9010E 順序が存在しません。";
const char kSequenceExhausted[] = "JYP9011E 順序の値が上限を超えました。";
const char kCycle[] = "Y";

void Fail(sqlite3_context* ctx, const std::string& text) {
  std::string message = StandinMessage(text);
  sqlite3_result_error(ctx, message.c_str(), static_cast<int>(message.size()));
}

// NEXTVAL(schema, sequence): the next value of the sequence, which becomes
// its current value in RDBII_OBJECT_SEQ.
void NextValue(sqlite3_context* ctx, int, sqlite3_value** argv) {
  sqlite3* db = sqlite3_context_db_handle(ctx);
  Statement sequence(
      db,
      "SELECT S.DB_CODE, S.SEQUENCE_CODE, S.START_WITH_VAL, S.MIN_VAL, S.MAX_VAL, S.INCREMENT_VAL, "
      "S.CYCLE_SPEC, Q.SEQ_NUM, Q.SEQ_CODE IS NOT NULL FROM RDBII_SYSTEM.RDBII_SEQUENCE S "
      "LEFT OUTER JOIN RDBII_SYSTEM.RDBII_OBJECT_SEQ Q "
      "ON Q.DB_CODE = S.DB_CODE AND Q.SEQ_CODE = S.SEQUENCE_CODE "
      "WHERE S.SCHEMA_NAME = ? AND S.SEQUENCE_NAME = ?");
  if (!sequence.Ok()) return Fail(ctx, sequence.Error());
  sequence.Bind(1, argv[0]);
  sequence.Bind(2, argv[1]);
  if (sequence.Step() != SQLITE_ROW) return Fail(ctx, kNoSequence);
  long long dbCode = sequence.Int(0), code = sequence.Int(1), start = sequence.Int(2), min = sequence.Int(3),
            max = sequence.Int(4), increment = sequence.Int(5);
  bool cycle = sequence.Text(6) == kCycle;
  bool started = !sequence.IsNull(7);
  bool hasRow = sequence.Int(8) != 0;
  long long next = started ? sequence.Int(7) + increment : start;
  if (next > max || next < min) {
    if (!cycle) return Fail(ctx, kSequenceExhausted);
    next = increment > 0 ? min : max;
  }
  Statement write(
      db, hasRow ? "UPDATE RDBII_SYSTEM.RDBII_OBJECT_SEQ SET SEQ_NUM = ? WHERE DB_CODE = ? AND SEQ_CODE = ?"
                 : "INSERT INTO RDBII_SYSTEM.RDBII_OBJECT_SEQ (SEQ_NUM, DB_CODE, SEQ_CODE) VALUES (?, ?, ?)");
  write.Bind(1, next);
  write.Bind(2, dbCode);
  write.Bind(3, code);
  if (!write.Ok() || write.Step() != SQLITE_DONE) return Fail(ctx, write.Error());
  sqlite3_result_int64(ctx, next);
}

constexpr int kNextValueArgs = 2;

}  // namespace

void RegisterFunctions(sqlite3* db) {
  sqlite3_create_function_v2(db, "NEXTVAL", kNextValueArgs, SQLITE_UTF8, nullptr, NextValue, nullptr, nullptr,
                             nullptr);
  for (int argc = kMinArgs; argc <= kMaxArgs; ++argc) {
    sqlite3_create_function_v2(db, "RPAD", argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, Pad<false>,
                               nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, "LPAD", argc, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, Pad<true>,
                               nullptr, nullptr, nullptr);
  }
}

}  // namespace symfoware
