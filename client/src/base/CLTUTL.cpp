#include "CLTUTL.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "zk_codes.h"
#include "zk_records.h"
#include "CLTCOMCTX.h"
#include "zk_seam.h"

namespace {

constexpr char kSqlcaId[] = "SQLCA   ";
constexpr size_t kSqlcaIdSize = 8;
constexpr size_t kSqlstateSize = 5;
constexpr char kBlank = ' ';
constexpr char kTokenSeparator = '\xFF';
constexpr char kWarningMark = 'W';
constexpr int kStdout = 1;
constexpr uint8_t kStandardSqlstateOn = 'Y';

// Byte of sqlwarn that each warning number 1 to 11 marks.
constexpr int kWarningByte[] = {1, 2, 3, 4, 6, 5, 7, 9, 10, 11, 12};
constexpr uint16_t kWarningCount = sizeof(kWarningByte) / sizeof(kWarningByte[0]);

struct sqlstate_pair {
  int32_t sqlcode;
  const char* state;
};

// Standard SQLSTATEs, searched in this order.
constexpr sqlstate_pair kStandardSqlstates[] = {
    {-104, "42601"},  {-107, "42520"},  {-305, "22002"},  {-306, "22503"},
    {-315, "54002"},  {-316, "2250J"},  {-340, "07502"},  {-371, "HZ501"},
    {-501, "24504"},  {-502, "24505"},  {-563, "54201"},  {-565, "42930"},
    {-720, "5C011"},  {-722, "52302"},  {-723, "52303"},  {-724, "42932"},
    {-725, "54202"},  {-728, "5C012"},  {-729, "53202"},  {-731, "5C013"},
    {-732, "5C014"},  {-733, "5C015"},  {-735, "5B001"},  {-752, "08002"},
    {-805, "56020"},  {-821, "5600E"},  {-824, "42934"},  {-850, "HZ701"},
    {-874, "R0000"},  {-932, "08620"},  {-937, "5200B"},  {-966, "08007"},
    {-988, "0A505"},  {-1700, "5C030"}, {-1800, "53006"}, {-1801, "22516"},
    {-1802, "52206"},
};

void format_token(clt_msg_token* token, const char* format, va_list args) {
  int written = vsnprintf(token->text, sizeof(token->text), format, args);
  if (written < 0) written = 0;
  // A text that did not fit keeps what the buffer holds.
  size_t kept = static_cast<size_t>(written) < sizeof(token->text)
                    ? static_cast<size_t>(written)
                    : sizeof(token->text) - 1;
  token->length = static_cast<uint16_t>(kept);
}

// Appends one token to the message text as far as the field reaches.
void append_token(SQLCA* sqlca, const clt_msg_token* token) {
  size_t used = static_cast<size_t>(sqlca->sqlerrml);
  const size_t room = sizeof(sqlca->sqlerrmc);
  if (used != 0 && used < room) {
    sqlca->sqlerrmc[used++] = kTokenSeparator;
  }
  size_t length = token->length < sizeof(token->text) ? token->length : sizeof(token->text);
  if (used < room) {
    size_t copied = length < room - used ? length : room - used;
    memcpy(sqlca->sqlerrmc + used, token->text, copied);
    used += copied;
  }
  sqlca->sqlerrml = static_cast<int16_t>(used);
}

}  // namespace

const char* clt_module_name(const char* source) {
  const char* name = source;
  for (const char* p = source; *p; ++p) {
    if (*p == '\\' || *p == '/') name = p + 1;
  }
  return name;
}

void clt_set_msg(const char* format, clt_msg_token* token, int32_t echo, ...) {
  clt_msg_token work;
  clt_msg_token* target = token ? token : &work;
  va_list args;
  va_start(args, echo);
  format_token(target, format, args);
  va_end(args);
  if (echo != 0) {
    ssize_t ignored = write(kStdout, target->text, target->length);
    (void)ignored;  // the echo is a courtesy; the message is kept either way
  }
}

void clt_reset_sqlca(SQLCA* sqlca) {
  memcpy(sqlca->sqlcaid, kSqlcaId, kSqlcaIdSize);
  sqlca->sqlcabc = CLT_SQLCA_SIZE;
  sqlca->SQLCODE = 0;
  sqlca->sqlerrml = 0;
  memset(sqlca->sqlerrp, kBlank, sizeof(sqlca->sqlerrp));
  sqlca->sqlerrd[2] = 0;
  sqlca->sqlerrd[3] = 0;
  memset(sqlca->sqlwarn, kBlank, sizeof(sqlca->sqlwarn));
  memset(sqlca->sqlsrcfile, kBlank, sizeof(sqlca->sqlsrcfile));
  sqlca->sqlsrcline = 0;
}

void clt_set_sqlca(SQLCA* sqlca, const char* source, int32_t line, int32_t sqlcode,
                   int32_t count, int32_t detail, uint16_t warning,
                   const clt_msg_token* token, ...) {
  sqlca->sqlerrd[0] = 0;
  if (sqlcode != 0) {
    sqlca->sqlerrml = 0;
    memset(sqlca->sqlerrmc, kBlank, sizeof(sqlca->sqlerrmc));
    sqlca->SQLCODE = sqlcode;
  }
  // A length the caller left out of range would write past the field.
  if (sqlca->sqlerrml < 0 || static_cast<size_t>(sqlca->sqlerrml) > sizeof(sqlca->sqlerrmc)) {
    sqlca->sqlerrml = 0;
  }
  if (token && token->length != 0) {
    memset(sqlca->sqlerrmc, kBlank, sizeof(sqlca->sqlerrmc));
    va_list more;
    va_start(more, token);
    for (const clt_msg_token* t = token; t; t = va_arg(more, const clt_msg_token*)) {
      append_token(sqlca, t);
    }
    va_end(more);
  }
  if (source && source[0] != kBlank) {
    const char* name = clt_module_name(source);
    size_t length = strnlen(name, sizeof(sqlca->sqlsrcfile));
    memcpy(sqlca->sqlsrcfile, name, length);
  }
  if (line != 0) sqlca->sqlsrcline = line;
  if (count != 0) sqlca->sqlerrd[2] = count;
  clt_main* main = clt_cur_main();
  if (main && clt_env_get(main, clt_setting::aryerrpos) == 'Y') sqlca->sqlerrd[2] = -1;
  if (detail != 0) {
    sqlca->sqlerrd[3] = detail;
  } else if (sqlcode < 0) {
    sqlca->sqlerrd[3] = CLT_DETAIL_DEFAULT;
  }
  if (warning != 0) {
    sqlca->sqlwarn[0] = kWarningMark;
    if (warning <= kWarningCount) sqlca->sqlwarn[kWarningByte[warning - 1]] = kWarningMark;
  }
}

void clt_put_token(char* field, int32_t position, int32_t length, const char* source,
                   int32_t source_position, int32_t source_length) {
  if (position < 1 || length <= 0) return;
  char* target = field + (position - 1);
  int32_t copied = 0;
  if (source && source_position >= 1 && source_length > 0) {
    copied = source_length < length ? source_length : length;
    memcpy(target, source + (source_position - 1), static_cast<size_t>(copied));
  }
  memset(target + copied, kBlank, static_cast<size_t>(length - copied));
}

void clt_set_sqlstate(rdb_sql_area* area, const char* default_state) {
  const char* state = default_state;
  clt_main* main = clt_cur_main();
  if (main) {
    int32_t sqlcode = area->sqlca->SQLCODE;
    if (main->std_sqlstate == kStandardSqlstateOn) {
      for (const sqlstate_pair& pair : kStandardSqlstates) {
        if (pair.sqlcode == sqlcode) {
          state = pair.state;
          break;
        }
      }
    } else if (sqlcode < 0) {
      state = CLT_SQLSTATE_DEFAULT;
    }
  }
  memcpy(area->sqlstate, state, kSqlstateSize);
}

int32_t clt_report(rdb_sql_area* area, const char* module, int32_t line, int32_t sqlcode,
                   const char* default_state, const char* format, ...) {
  clt_msg_token token;
  va_list args;
  va_start(args, format);
  format_token(&token, format, args);
  va_end(args);
  clt_reset_sqlca(area->sqlca);
  clt_set_sqlca(area->sqlca, module, line, sqlcode, 0, 0, 0, &token, nullptr);
  clt_set_sqlstate(area, default_state);
  return -1;
}

int32_t clt_runtime(clt_runtime_op which, rdb_sql_area* area) {
  if (clt_svc.runtime) return clt_svc.runtime(which, area);
  return clt_report(area, "CLTSEAM", __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR,
                    "CLTSEAM", static_cast<int32_t>(__LINE__));
}

int32_t clt_env_host_part(const char* value, char* out) {
  const size_t len = strcspn(value, ":,");
  memcpy(out, value, len);
  out[len] = '\0';
  return len == 0 ? CLT_ENV_NOT_FOUND : CLT_ENV_OK;
}
