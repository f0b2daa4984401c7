// Setting lookups, value parsers and the table-driven checks that the
// settings readers share.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zk_records.h"
#include "zk_codes.h"

// A value equal to this counts as not set (left by p_rdb_clearenv).
inline constexpr const char* CLT_ENV_ERASE_MARK = "qWzkTeprVu";
// Value buffer of every lookup.
inline constexpr int32_t CLT_ENV_VALUE_SIZE = 1048;
inline constexpr const char* CLT_ENV_INI_SECTION = "marlo";
inline constexpr const char* CLT_ENV_DEFAULT_INI = "marlo.ini";

// SQLCODEs and reasons of settings errors.
inline constexpr int32_t CLT_SQLCODE_ENV_ERROR = -724;
inline constexpr int32_t CLT_SQLCODE_SYSCALL = -731;
inline constexpr const char* CLT_REASON_RANGE = "OUT OF RANGE";
inline constexpr const char* CLT_REASON_CHAR = "INVALID CHAR";
inline constexpr const char* CLT_REASON_NO_VALUE = "NO VALUE";
inline constexpr const char* CLT_REASON_IDENT = "INVALID IDENTIFIER";
inline constexpr const char* CLT_FUNC_PROFILE = "GetPrivateProfileString";

// --- lookups ---

// The ini file that a lookup of the connection `env` (null: no control
// block) reads when the caller names `file` (null: none).
const char* clt_env_ini_file(const clt_env* env, const char* file);

// Text lookup in the process environment, then the settings ini file.
// Returns the value's length, 0 when absent. `ini_size` bounds the ini read
// (normally `size`).
int32_t clt_getenv_str_in(const clt_env* env, const char* name, char* buf, int32_t size,
                          const char* file, int32_t ini_size);
// Number lookup in base 10 or 16; stores `*value` only on success.
int32_t clt_getenv_num_in(const clt_env* env, const char* name, int32_t* value, int32_t base,
                          const char* file);

// The same for the connection of the running call (none outside a call).
int32_t clt_getenv_str(const char* name, char* buf, int32_t size, const char* file);
int32_t clt_getenv_num(const char* name, int32_t* value, int32_t base, const char* file);

// --- parsers ---

// Converts all of `text` with the C library's rules for a signed 32-bit
// number in `base` (blanks and one sign in front, "0x" in base 16).
// 0, CLT_ENV_INVALID or CLT_ENV_RANGE (beyond 32 bits).
int32_t clt_env_conv_num(const char* text, size_t len, int32_t base, int64_t* out);

int32_t clt_env_list_head(const char* value, char* out);
int32_t clt_env_port_part(const char* value, int32_t* port);
int32_t clt_env_num_part(const char* value, int32_t* number);
int32_t clt_env_num_range(const char* value, int32_t* first, int32_t* second, int32_t base);
int32_t clt_env_parse_time(const char* value, int32_t limit, int16_t* short_value,
                           int32_t* seconds, int32_t* microseconds);
int32_t clt_env_grp_part(const char* value, char* first, char* second, int32_t* number);
// Up to CLT_ERRSKIP_MAX comma-separated decimal numbers.
int32_t clt_env_num_list(const char* text, int32_t* numbers);

// 0 when `text` is a dotted IPv4 loopback address, -1 otherwise.
int32_t clt_chk_loopback(const char* text);

// --- error reports of the readers ---

// "KFPA11724-E ..." with SQLCODE -724; `ident` chooses the identifier form.
void clt_env_report(const clt_env_conn& conn, const char* module, int32_t line, const char* name,
                    const char* reason, const char* ident = nullptr);
// "KFPA11731-E ..." with SQLCODE -731.
void clt_env_report_syscall(const clt_env_conn& conn, const char* module, int32_t line,
                            const char* func, int32_t err);

// --- tables of settings ---

enum class clt_rule_kind : uint8_t {
  number,   // usual checks: out of range "OUT OF RANGE", not a number "INVALID CHAR"
  lenient,  // anything but a number in range stores the default
  keyword,  // the whole value is one of the keywords, else "INVALID CHAR"
  text,     // at most `high` characters, else "OUT OF RANGE"
  custom,   // the row's own routine
};

struct clt_keyword {
  const char* word;
  int32_t value;
};

// A field of clt_env: offset and width in bytes (1, 2 or 4 for numbers).
struct clt_field {
  uint16_t offset;
  uint16_t width;
};
#define CLT_ENV_FIELD(member) \
  clt_field { static_cast<uint16_t>(offsetof(clt_env, member)), static_cast<uint16_t>(sizeof(clt_env::member)) }

struct clt_env_rule;
using clt_env_cond = bool (*)(const clt_env_conn& conn);
// Returns 0, or -1 after reporting.
using clt_env_routine = int32_t (*)(const clt_env_conn& conn, const clt_env_rule& rule, const char* module);

// One setting in reading order.
struct clt_env_rule {
  const char* name;
  clt_rule_kind kind;
  clt_field field{};
  int32_t low = 0;                  // number range, or shortest text
  int32_t high = 0;                 // number range, or longest text
  int32_t def = 0;                  // stored when absent
  const clt_keyword* words = nullptr;
  int32_t word_count = 0;
  clt_env_cond when = nullptr;      // null: always read
  int32_t otherwise = 0;            // stored when `when` says no
  clt_env_routine routine = nullptr;
  int32_t base = 10;
  int32_t area = -1;                // text rows: a text area instead of `field`
  const char* text_def = nullptr;   // text rows: stored when absent
  const char* too_long = CLT_REASON_RANGE;
  clt_field display{};              // keyword rows: copy of the keyword as written
};

template <size_t N>
constexpr int32_t clt_count(const clt_keyword (&)[N]) { return static_cast<int32_t>(N); }

// Stores `value` into `field` of `env` with the field's width.
void clt_env_store(clt_env& env, clt_field field, int64_t value);
char* clt_env_chars(clt_env& env, clt_field field);

// The settings file that the connection's lookups pass.
inline const char* clt_env_file(const clt_env_conn& conn) { return conn.env->own_ini_file; }

// Usual checks of a numeric row: `*value` gets the number or, when absent
// (or any failure of a lenient row), the row's default; `*given` says which.
// 0, or -1 after reporting.
// Trace-file sizes are 0 or within these bounds.
constexpr int32_t CLT_TRACE_SIZE_LOW = 4096;
constexpr int32_t CLT_TRACE_SIZE_HIGH = 2000000000;

// A trace-file size: 0, or 4096 to 2000000000; `given` says whether a
// value was stored rather than the default.
int32_t clt_env_check_trace_size(const clt_env_conn& conn, const clt_env_rule& rule, const char* module,
                                 int32_t* value, bool* given);
int32_t clt_env_check_num(const clt_env_conn& conn, const clt_env_rule& rule, const char* module,
                          int32_t* value, bool* given);
// Reads one row. 0, or -1 after reporting.
int32_t clt_env_read_rule(const clt_env_conn& conn, const clt_env_rule& rule, const char* module);
// Reads the rows in order; stops at the first bad value. 0 or -1.
int32_t clt_env_read_rules(const clt_env_conn& conn, const clt_env_rule* rules, size_t count,
                           const char* module);
