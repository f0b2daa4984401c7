#include "CLTTRCSQ.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTTRC.h"
#include "CLTTRCEL.h"
#include "CLTTRCIO.h"
#include "CLTTRCSV.h"
#include "cltclock.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "CLTTRCSQ";
constexpr size_t kCode = 4;
constexpr char kBlank = ' ';
constexpr char kLf = '\n';
constexpr char kYes = 'Y';

// The work buffer: 96 bytes per 16-byte dump line and room for a header.
constexpr uint32_t kDumpLineRoom = 96;
constexpr uint32_t kDumpHeaderRoom = 110;
constexpr uint32_t kDumpBytesPerLine = 16;

// Request counter.
constexpr uint32_t kCounterMax = 999999;

// Columns of the request line with PDTRCLVL 2.
constexpr size_t kColCnct = 0, kColPid = 6, kColTid = 12, kColCounter = 18, kColCode = 25, kColSection = 30,
                 kColSqlcode = 34, kColWarn = 40, kColStart = 46, kColEnd = 59, kColOption = 72, kColExec = 77;
// Columns of the older layout of PDTRCLVL 0 and 1.
constexpr size_t kOldCounter = 1, kOldCode = 9, kOldSection = 15, kOldSqlcode = 21, kOldSqlstate = 27, kOldWarn = 36,
                 kOldStart = 54, kOldEnd = 65;
constexpr size_t kLineEnd = 79;
constexpr size_t kLineEndExec = 88;
constexpr int16_t kLevelNewLayout = 2;
constexpr size_t kWarnChars = 16;
constexpr size_t kSqlstate = 5;
constexpr char kUserLine[] = " *USER* ";
constexpr size_t kAuthid = 30;

// Execution time: more than a day prints a day.
constexpr int64_t kDaySeconds = 86400;
constexpr double kMicrosPerSecond = 1000000.0;
constexpr int64_t kMicros = 1000000;
constexpr int32_t kMillisPerSecond = 1000;
constexpr int32_t kSecondsPerHour = 3600;
constexpr int32_t kSecondsPerMinute = 60;

// Statement record.
constexpr int32_t kShortStatement = 4096;
constexpr int32_t kNearLimit = 812;
constexpr char kSqlHead[] = "     *SQL* ";
constexpr uint32_t kSqlHeadLen = sizeof kSqlHead - 1;
constexpr uint32_t kStatementExtra = kSqlHeadLen + 1;  // head and line feed
constexpr uint8_t kPrintLow = 0x20, kPrintHigh = 0x7E;
constexpr uint32_t kUcs2Factor = 3;
constexpr uint32_t kCnvStore = 0;

// Server statistics block: four time words, four counts, two more from level -23 on.
constexpr size_t kStatTimeWords = 4;
constexpr size_t kStatCounts = 4;
constexpr size_t kStatLateCounts = 2;
constexpr int32_t kLevelLateCounts = -23;
constexpr size_t kServerColExec = 16, kServerColPlain = 13, kDiffColExec = 33, kDiffColPlain = 29;

const char* const kStatementCodes[] = {"SET ", "AUI2", "OPN2", "CALL", "AUI3", "AUXI"};

bool code_is(const rdb_sql_area* area, const char* code) { return memcmp(area->reqcode, code, kCode) == 0; }

// Copies a formatted field into the line without its terminator.
void put_field(char* line, size_t column, const char* format, ...) __attribute__((format(printf, 3, 4)));
void put_field(char* line, size_t column, const char* format, ...) {
  char field[64];
  va_list args;
  va_start(args, format);
  const int n = vsnprintf(field, sizeof field, format, args);
  va_end(args);
  if (n > 0) memcpy(line + column, field, std::min(static_cast<size_t>(n), sizeof field - 1));
}

void put_clock(char* line, size_t column, uint32_t seconds, uint16_t millis, bool compact) {
  clt_tm tm{};
  clt_localtime(&seconds, &tm);
  put_field(line, column, compact ? "%02d%02d%02d%03hd" : "%02d:%02d:%02d.%03hd", tm.hour, tm.min, tm.sec,
            static_cast<short>(millis));
}

// The warning column: the first warning character, or '-' when blank, and the bits.
void put_warnings(char* line, size_t column, const char* warn) {
  uint32_t bits = 0;
  for (size_t i = 0; i < kWarnChars; ++i) {
    if (warn[i] != kBlank) bits |= 1u << (kWarnChars - 1 - i);
  }
  if (warn[0] == kBlank) bits = 0;
  put_field(line, column, "%c%04x", warn[0] == kBlank ? '-' : warn[0], bits);
}

// The elapsed time of step 4 in microseconds, the microsecond part kept in the buffer.
double execution_micros(clt_sqltrc_buf* b, int64_t* whole_seconds) {
  const double elapsed = b->frequency > 0 ? static_cast<double>(b->end_counter - b->start_counter) /
                                                static_cast<double>(b->frequency)
                                          : 0.0;
  char text[64];
  snprintf(text, sizeof text, "%lf", elapsed);
  const char* point = strchr(text, '.');
  const int64_t whole = strtoll(text, nullptr, 10);
  const int64_t micros = point != nullptr && point[1] != '\0' ? strtoll(point + 1, nullptr, 10) : 0;
  *whole_seconds = whole;
  if (whole >= kDaySeconds) {
    b->exec_usec = 0;
    return static_cast<double>(kDaySeconds) * kMicrosPerSecond;
  }
  b->exec_usec = static_cast<uint32_t>(micros);
  return static_cast<double>(whole) * kMicrosPerSecond + static_cast<double>(micros);
}

void put_option(char* line, clt_main* main, const rdb_sql_area* area) {
  const bool array_fetch = (code_is(area, "FETC") || code_is(area, "RSFT")) && area->fetchrows > 1;
  const uint32_t value = array_fetch ? main->array_rows : static_cast<uint16_t>(main->icnct_phase);
  put_field(line, kColOption, "%04x", value);
  if (clt_main_com(main)->shm_channel == 1) line[kColOption] = 'M';
  if (code_is(area, "SET ") && area->setvars == kYes) line[kColOption + 1] = 'D';
}

// Steps 2 to 4: the request line, and the user line after "SAUH".
uint32_t build_request_line(clt_sqltrc_buf* b, clt_main* main, const rdb_sql_area* area) {
  const clt_env* env = clt_main_env(main);
  char* line = b->text;
  memset(line, kBlank, CLT_SQLTRC_TEXT_SIZE);
  if (++b->counter > kCounterMax) b->counter = 1;
  const SQLCA* sqlca = area->sqlca;
  const bool exec = env->pdsqlexectime == kYes;
  int64_t whole = 0;
  const double micros = execution_micros(b, &whole);
  if (env->pdtrclvl == kLevelNewLayout) {
    put_field(line, kColCnct, "%5d", static_cast<int>(main->cnct_number));
    put_field(line, kColPid, "%5d", static_cast<int>(clt_getpid()));
    put_field(line, kColTid, "%5d", 0);
    put_field(line, kColCounter, "%6d", static_cast<int>(b->counter));
    memcpy(line + kColCode, area->reqcode, kCode);
    put_field(line, kColSection, "%4d", area->section);
    put_field(line, kColSqlcode, "%5d", static_cast<int>(sqlca->SQLCODE));
    put_warnings(line, kColWarn, sqlca->sqlwarn);
    if (main->srvtrc_first) {
      put_field(line, kColStart, "%s:%s:%s.%s", "--", "--", "--", "---");
      put_field(line, kColEnd, "%s:%s:%s.%s", "--", "--", "--", "---");
    } else {
      put_clock(line, kColStart, b->start_sec, b->start_msec, false);
      put_clock(line, kColEnd, b->end_sec, b->end_msec, false);
    }
    put_option(line, main, area);
    if (exec) {
      if (main->srvtrc_first) {
        put_field(line, kColExec, "%s", "-----------");
      } else {
        put_field(line, kColExec, "%11.0lf", micros);
      }
    }
  } else {
    put_field(line, kOldCounter, "%6d", static_cast<int>(b->counter));
    memcpy(line + kOldCode, area->reqcode, kCode);
    put_field(line, kOldSection, "%4d", area->section);
    put_field(line, kOldSqlcode, "%5d", static_cast<int>(sqlca->SQLCODE));
    memcpy(line + kOldSqlstate, area->sqlstate, kSqlstate);
    for (size_t i = 0; i < kWarnChars; ++i) line[kOldWarn + i] = sqlca->sqlwarn[i] == kBlank ? '-' : sqlca->sqlwarn[i];
    put_clock(line, kOldStart, b->start_sec, b->start_msec, true);
    put_clock(line, kOldEnd, b->end_sec, b->end_msec, true);
  }
  const size_t end = exec ? kLineEndExec : kLineEnd;
  line[end] = kLf;
  uint32_t length = static_cast<uint32_t>(end + 1);
  if (code_is(area, "SAUH")) {
    memcpy(line + length, kUserLine, sizeof kUserLine - 1);
    length += sizeof kUserLine - 1;
    memcpy(line + length, area->authid, kAuthid);
    length += kAuthid;
    line[length++] = kLf;
  }
  return length;
}

bool carries_statement(const rdb_sql_area* area) {
  return std::any_of(std::begin(kStatementCodes), std::end(kStatementCodes),
                     [&](const char* code) { return code_is(area, code); });
}

// Step 5; false when the rest of the request's trace is left out.
bool write_statement(clt_sqltrc_buf* b, clt_main* main, const rdb_sql_area* area, const bool want[2]) {
  const rdb_sql_text* stmt = area->sqltext;
  if (stmt == nullptr || stmt->length < 0) return true;
  const clt_env* env = clt_main_env(main);
  const char* text = stmt->text;
  int32_t length = stmt->length;
  char* converted = nullptr;
  if (env->pdcltcnvmode >= CLT_CNV_UCS2_FIRST && env->pdcltcnvmode <= CLT_CNV_UCS2_LAST) {
    const uint32_t room = static_cast<uint32_t>(length) * kUcs2Factor;
    converted = static_cast<char*>(cltmem_alloc(std::max<uint32_t>(room, 1), 0, kModule, __LINE__));
    if (converted == nullptr) {
      clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, kModule, static_cast<int32_t>(__LINE__));
      return true;
    }
    int32_t source_length = length;
    int32_t target_size = static_cast<int32_t>(room);
    int32_t out = 0;
    uint32_t replaced = 0;
    if (clt_cnv_through_slot(CLT_CNV_SLOT_CLIENT, &source_length, text, &target_size, converted, &out, &replaced,
                             kCnvStore) < 0) {
      out = 0;
    }
    text = converted;
    length = std::clamp(out, 0, static_cast<int32_t>(room));
  }
  char* record = b->text;
  if (length > kShortStatement) {
    length = std::min(length, env->pdsqltextsize);
    const uint32_t need = static_cast<uint32_t>(length) + kStatementExtra;
    if (b->stmt_size < need) {
      if (b->stmt_buf != nullptr) cltmem_free(b->stmt_buf, kModule, __LINE__);
      b->stmt_size = 0;
      b->stmt_buf = static_cast<char*>(cltmem_alloc(need, 0, kModule, __LINE__));
      if (b->stmt_buf == nullptr) {
        clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, kModule, static_cast<int32_t>(__LINE__));
        if (converted != nullptr) cltmem_free(converted, kModule, __LINE__);
        return false;
      }
      b->stmt_size = need;
    }
  }
  if (b->stmt_buf != nullptr && b->stmt_size >= static_cast<uint32_t>(length) + kStatementExtra) {
    record = b->stmt_buf;
  } else {
    memset(record, kBlank, CLT_SQLTRC_TEXT_SIZE);
  }
  if (length == env->pdsqltextsize && length > 0) {
    const uint8_t last = static_cast<uint8_t>(text[length - 1]);
    if (last < kPrintLow || last > kPrintHigh) --length;
  }
  clt_global_data* ctx = clt_cur();
  const int32_t limit = ctx->runtime.trc.limit[CLT_TRC_SLOT_SQL];
  if (limit != 0 && length >= limit) length = std::max(limit - kNearLimit, 0);
  memcpy(record, kSqlHead, kSqlHeadLen);
  char* body = record + kSqlHeadLen;
  memcpy(body, text, static_cast<size_t>(length));
  const size_t used = strnlen(body, static_cast<size_t>(length));
  memset(body + used, 0, static_cast<size_t>(length) - used);
  body[length] = kLf;
  clt_sqltrc_emit(record, static_cast<uint32_t>(length) + kStatementExtra, want);
  if (converted != nullptr) cltmem_free(converted, kModule, __LINE__);
  return true;
}

// Step 7: client and server elapsed times and the server's counts.
void write_server_line(clt_sqltrc_buf* b, clt_main* main, const bool want[2]) {
  const uint8_t* block = clt_main_reply(main)->trace_block;
  if (block == nullptr) return;
  const clt_env* env = clt_main_env(main);
  const bool exec = env->pdsqlexectime == kYes;
  const bool dashed = main->srvtrc_first != 0;
  char* line = b->text;
  memset(line, kBlank, CLT_SQLTRC_TEXT_SIZE);
  uint32_t words[kStatTimeWords + kStatCounts + kStatLateCounts];
  for (size_t i = 0; i < std::size(words); ++i) words[i] = clt_trc_server32(main, block + i * sizeof(uint32_t));
  int64_t client_micros = 0;
  if (dashed) {
    put_field(line, 0, "%s:%s:%s.%s", "--", "--", "--", exec ? "------" : "---");
  } else if (exec) {
    int64_t whole = 0;
    execution_micros(b, &whole);
    if (whole >= kDaySeconds) whole = kDaySeconds;
    put_field(line, 0, "%02d:%02d:%02d.%06ld", static_cast<int>(whole / kSecondsPerHour),
              static_cast<int>(whole % kSecondsPerHour / kSecondsPerMinute), static_cast<int>(whole % kSecondsPerMinute),
              static_cast<long>(b->exec_usec));
    client_micros = whole * kMicros + b->exec_usec;
  } else {
    int64_t seconds = static_cast<int64_t>(b->end_sec) - b->start_sec;
    int32_t millis = static_cast<int32_t>(b->end_msec) - b->start_msec;
    if (millis < 0) {
      millis += kMillisPerSecond;
      --seconds;
    }
    put_field(line, 0, "%02d:%02d:%02d.%03ld", static_cast<int>(seconds / kSecondsPerHour),
              static_cast<int>(seconds % kSecondsPerHour / kSecondsPerMinute),
              static_cast<int>(seconds % kSecondsPerMinute), static_cast<long>(millis));
    client_micros = (seconds * kMillisPerSecond + millis) * kMillisPerSecond;
  }
  int64_t server_seconds = static_cast<int64_t>(words[2]) - words[0];
  int64_t server_usec = static_cast<int64_t>(words[3]) - words[1];
  if (server_usec < 0) {
    server_usec += kMicros;
    --server_seconds;
  }
  put_field(line, exec ? kServerColExec : kServerColPlain, "%02d:%02d:%02d.%06ld",
            static_cast<int>(server_seconds / kSecondsPerHour),
            static_cast<int>(server_seconds % kSecondsPerHour / kSecondsPerMinute),
            static_cast<int>(server_seconds % kSecondsPerMinute), static_cast<long>(server_usec));
  const int64_t server_micros = server_seconds * kMicros + server_usec;
  const size_t diff_col = exec ? kDiffColExec : kDiffColPlain;
  int n = 0;
  if (dashed) {
    n = snprintf(line + diff_col, CLT_SQLTRC_TEXT_SIZE - diff_col, "-");
  } else if (exec) {
    n = snprintf(line + diff_col, CLT_SQLTRC_TEXT_SIZE - diff_col, "%.0lf",
                 static_cast<double>(std::max<int64_t>(client_micros - server_micros, 0)));
  } else {
    n = snprintf(line + diff_col, CLT_SQLTRC_TEXT_SIZE - diff_col, "%ld",
                 static_cast<long>(std::max<int64_t>((client_micros - server_micros) / kMillisPerSecond, 0)));
  }
  size_t at = diff_col + static_cast<size_t>(std::max(n, 0));
  const size_t counts = kStatCounts + (clt_level_word_at_most(main, kLevelLateCounts) ? kStatLateCounts : 0);
  for (size_t i = 0; i < counts; ++i) {
    at += static_cast<size_t>(snprintf(line + at, CLT_SQLTRC_TEXT_SIZE - at, " %u", words[kStatTimeWords + i]));
  }
  line[at++] = kBlank;
  line[at++] = kLf;
  clt_sqltrc_emit(line, static_cast<uint32_t>(at), want);
}

clt_sqltrc_wants wants_of(clt_main* main) {
  const clt_reply_conn* rc = clt_main_reply(main);
  clt_sqltrc_wants w{};
  for (int32_t k = 0; k < 2; ++k) {
    const bool on = clt_sqltrc_kind_on(main, k);
    const int32_t flags = clt_sqltrc_flags(main, k);
    w.line[k] = on && (flags == 0 || (flags & CLT_REP_SQL) != 0);
    w.detail[k] = on && (flags == 0 || (flags & CLT_REP_SQL) != 0 ||
                         ((flags & CLT_REP_OPTIMIZER) != 0 && rc->apinf2 != nullptr) ||
                         ((flags & CLT_REP_RESULT) != 0 && rc->sqltrc != nullptr));
    w.stats[k] = on && (flags & CLT_REP_SQL) != 0;
  }
  return w;
}

}  // namespace

void clt_sqltrc_open() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  if (ctx->sqltrc_block != nullptr || main == nullptr) return;
  clt_env* env = clt_main_env(main);
  clt_trc_record_dir();
  const char* reppath = clt_text(main, CLT_TEXT_REPPATH);
  const char* rep_dir = env->uapreplvl_text[0] != '\0' && reppath[0] != '\0' ? reppath : nullptr;
  if (env->trcctl_size != -1) ctx->trcctl_dir = clt_text(main, CLT_TEXT_TRCPATH);
  const int32_t sql_limit = main->srvtrc_active ? static_cast<int32_t>(main->srvtrc_value) : env->pdsqltrace;
  ctx->runtime.trc.limit[CLT_TRC_SLOT_SQL] = std::max(sql_limit, 0);
  ctx->runtime.trc.limit[CLT_TRC_SLOT_SQLCTL] = std::max(env->trcctl_size, 0);
  if (rep_dir == nullptr) {
    // Keeping the files open needs the report directory's per-connection names.
    if (env->pdsqltrcopenmode == CLT_SQLTRC_OPEN_CNCT) snprintf(env->sqltrcopenmode_disp, sizeof env->sqltrcopenmode_disp, "SQL");
    env->pdsqltrcopenmode = CLT_SQLTRC_OPEN_PER_RECORD;
  } else if (env->pdsqltrcopenmode == CLT_SQLTRC_OPEN_CNCT) {
    main->kept_fd[CLT_TRCNAME_SQL1] = CLT_FD_CLOSED;
    main->kept_fd[CLT_TRCNAME_SQL2] = CLT_FD_CLOSED;
  }
  uint32_t size = CLT_SQLTRC_TEXT_SIZE;
  if (env->pdprmtrc != 'N') {
    const uint32_t lines = (static_cast<uint32_t>(std::max(env->pdprmtrcsize, 0)) + kDumpBytesPerLine - 1) /
                           kDumpBytesPerLine;
    size = std::max(size, kDumpLineRoom * lines + kDumpHeaderRoom);
  }
  auto* b = static_cast<clt_sqltrc_buf*>(cltmem_alloc(sizeof(clt_sqltrc_buf) + size, 0, kModule, __LINE__));
  if (b == nullptr) {
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, kModule, static_cast<int32_t>(__LINE__));
    return;
  }
  memset(b, 0, sizeof *b);
  memcpy(b->eyecatcher, CLT_SQLTRC_EYECATCHER, sizeof b->eyecatcher);
  snprintf(b->apname, sizeof b->apname, "%s", clt_main_uap(main)->apname);
  snprintf(b->user, sizeof b->user, "%s", clt_text(main, CLT_TEXT_USER));
  b->uap_start = clt_time_now(0);
  clt_counter_reading counter{};
  clt_clock_counter(&counter);
  b->frequency = counter.frequency;
  b->text_size = size;
  b->text = b->text_area();
  b->rep_dir = rep_dir;
  ctx->sqltrc_block = b;
}

void clt_sqltrc_stamp(bool end) {
  clt_sqltrc_buf* b = clt_sqltrc_cur();
  if (b == nullptr) return;
  clt_timeb now{};
  clt_get_timeb(&now);
  clt_counter_reading counter{};
  clt_clock_counter(&counter);
  if (end) {
    b->end_sec = now.seconds;
    b->end_msec = now.milliseconds;
    b->end_counter = counter.ticks;
  } else {
    b->start_sec = now.seconds;
    b->start_msec = now.milliseconds;
    b->start_counter = counter.ticks;
  }
}

int32_t clt_sqltrc_start_time_of(uint32_t* seconds, uint16_t* milliseconds) {
  const clt_sqltrc_buf* b = clt_sqltrc_cur();
  if (b == nullptr) return -1;
  *seconds = b->start_sec;
  *milliseconds = b->start_msec;
  return 0;
}

void clt_sqltrc_write() {
  clt_global_data* ctx = clt_cur();
  clt_sqltrc_buf* b = clt_sqltrc_cur();
  clt_main* main = ctx != nullptr ? ctx->main : nullptr;
  if (b == nullptr || main == nullptr || main->area == nullptr || main->area->sqlca == nullptr) return;
  const rdb_sql_area* area = main->area;
  ctx->cur_trc_block = b;
  b->text = b->text_area();
  clt_main_req(main)->thread_id = 0;
  const clt_sqltrc_wants w = wants_of(main);
  if (w.line[0] || w.line[1]) {
    const uint32_t length = build_request_line(b, main, area);
    clt_sqltrc_emit(b->text, length, w.line);
  }
  bool go_on = true;
  if ((w.detail[0] || w.detail[1]) && carries_statement(area)) go_on = write_statement(b, main, area, w.detail);
  if (go_on) {
    if (w.detail[0] || w.detail[1]) clt_sqltrc_dump_variables(b, main, area, w.detail);
    if (w.stats[0] || w.stats[1]) write_server_line(b, main, w.stats);
    clt_sqltrc_results(b, main);
  }
  b->text = b->text_area();
  ctx->cur_trc_block = nullptr;
}

void clt_sqltrc_close() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx != nullptr ? ctx->main : nullptr;
  clt_sqltrc_buf* b = clt_sqltrc_cur();
  if (main != nullptr) {
    const clt_env* env = clt_main_env(main);
    // Only the pairs kept open hold descriptors in these fields.
    const bool kept[2] = {env->pdsqltrcopenmode == CLT_SQLTRC_OPEN_CNCT, env->trcctl_keep_open == 1};
    for (int32_t pair = 0; pair < 2; ++pair) {
      if (!kept[pair]) continue;
      for (int32_t i = 0; i < 2; ++i) {
        int32_t& fd = main->kept_fd[pair * 2 + i];
        if (fd >= 0) close(fd);
        fd = CLT_FD_CLOSED;
      }
    }
  }
  if (b == nullptr) return;
  if (b->stmt_buf != nullptr) cltmem_free(b->stmt_buf, kModule, __LINE__);
  cltmem_free(b, kModule, __LINE__);
  ctx->sqltrc_block = nullptr;
  ctx->cur_trc_block = nullptr;
}
