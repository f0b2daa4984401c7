#include "CLTTRCEL.h"

#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTSQLDA.h"
#include "CLTTRC.h"
#include "CLTUTL.h"
#include "cltclock.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "CLTTRCEL";
constexpr char kMsgPrefix[] = "> %5d %5d %5d %5d %04d/%02d/%02d %02d:%02d:%02d ";
constexpr char kUapPrefix[] = ">>%5d %5d %5d %5d %04d/%02d/%02d %02d:%02d:%02d ";
constexpr int32_t kCenturyPivot = 70;
constexpr int32_t kTmBase = 1900;
constexpr int32_t kTmBaseLow = 2000;

// Fixed columns of the application error line.
constexpr size_t kColReqNo = 13;
constexpr size_t kColOpen = 18;
constexpr size_t kColEndTime = 19;
constexpr size_t kColClose = 28;
constexpr size_t kColSource = 30;
constexpr size_t kColLine = 42;
constexpr size_t kColReqCode = 48;
constexpr size_t kColMessage = 53;
constexpr size_t kReqNoWidth = 5;
constexpr size_t kEndTimeWidth = 9;
constexpr size_t kSourceWidth = 12;
constexpr size_t kLineWidth = 6;
constexpr size_t kReqCodeWidth = 4;
constexpr char kNoReqNo[] = "*****";
constexpr char kNoEndTime[] = "*********";

// SQLCODEs of a normal ending, which leave no application line.
constexpr int32_t kNormalCodes[] = {0, 100, 110, 120, 121};

clt_errlog_blk* block() {
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || ctx->main == nullptr) return nullptr;
  return static_cast<clt_errlog_blk*>(ctx->errlog_block);
}

// Formats the prefix into the line area; its length.
int32_t put_prefix(clt_errlog_blk* b, const char* format) {
  clt_main* main = clt_cur_main();
  clt_main_req(main)->thread_id = 0;
  const uint32_t now = clt_time_now(0);
  clt_tm tm{};
  clt_localtime(&now, &tm);
  const int n = snprintf(b->line, sizeof b->line, format, static_cast<int>(b->pid), 0,
                         static_cast<int>(main->srv_pid), static_cast<int>(b->counter), clt_log_year(tm),
                         tm.mon + 1, tm.mday, tm.hour, tm.min, tm.sec);
  b->line_pos = 0;
  b->msg_pos = n;
  return n;
}

// Echoes, writes and counts one finished line.
void emit(clt_errlog_blk* b, const char* line, size_t length) {
  if (b->echo != 0) {
    // A process without a standard output loses only the echo.
    [[maybe_unused]] const ssize_t ignored = write(STDOUT_FILENO, line, length);
  }
  clt_trc_write(line, static_cast<uint32_t>(length), CLT_TRC_KIND_ERRLOG, 0);
  ++b->counter;
}

bool normal_code(int32_t sqlcode) {
  for (int32_t code : kNormalCodes) {
    if (code == sqlcode) return true;
  }
  return false;
}

// Copies a field into its columns, cut to the width; blanks stay after a shorter one.
void put_field(char* columns, size_t at, size_t width, const char* text, size_t length) {
  memcpy(columns + at, text, length < width ? length : width);
}

// The message of the line: the SQLCA's own when it carries its number,
// else the complete text the control block kept.
void message_of(const SQLCA* sqlca, const clt_main* main, const char** text, size_t* length) {
  size_t n = sqlca->sqlerrml > 0 ? static_cast<size_t>(sqlca->sqlerrml) : 0;
  if (n > sizeof sqlca->sqlerrmc) n = sizeof sqlca->sqlerrmc;
  const bool numbered = n >= 2 && (memcmp(sqlca->sqlerrmc, "KF", 2) == 0 || memcmp(sqlca->sqlerrmc, "JX", 2) == 0);
  if (numbered) {
    *text = sqlca->sqlerrmc;
    *length = n;
    return;
  }
  *text = main->msg_copy;
  *length = main->msg_copy_length < sizeof main->msg_copy ? main->msg_copy_length : sizeof main->msg_copy;
}

// The fixed columns after the prefix; the number of characters written.
size_t put_columns(char* columns, const rdb_sql_area* area, const clt_main* main) {
  const SQLCA* sqlca = area->sqlca;
  memset(columns, ' ', CLT_ERRLOG_UAP_AREA);
  char code[CLT_ERRLOG_UAP_AREA];
  const int n = snprintf(code, sizeof code, "SQLCODE:%4d ", static_cast<int>(sqlca->SQLCODE));
  memcpy(columns, code, static_cast<size_t>(n));
  put_field(columns, kColReqNo, kReqNoWidth, kNoReqNo, strlen(kNoReqNo));
  columns[kColOpen] = '(';
  put_field(columns, kColEndTime, kEndTimeWidth, kNoEndTime, strlen(kNoEndTime));
  columns[kColClose] = ')';
  columns[kColClose + 1] = ' ';
  put_field(columns, kColSource, kSourceWidth, sqlca->sqlsrcfile, strnlen(sqlca->sqlsrcfile, sizeof sqlca->sqlsrcfile));
  char line[CLT_ERRLOG_UAP_AREA];
  const int m = snprintf(line, sizeof line, ":%4d ", static_cast<int>(sqlca->sqlsrcline));
  put_field(columns, kColLine, kLineWidth, line, static_cast<size_t>(m));
  put_field(columns, kColReqCode, kReqCodeWidth, area->reqcode, kReqCodeWidth);
  const char* text = nullptr;
  size_t length = 0;
  message_of(sqlca, main, &text, &length);
  memcpy(columns + kColMessage, text, length);
  return kColMessage + length;
}

// The server's additional error text when one is kept; it is taken once.
const char* additional_text(clt_main* main) {
  clt_reply_conn* reply = clt_main_reply(main);
  if (reply->errlog_flag != 'Y' || reply->errlog_text == nullptr) return nullptr;
  reply->errlog_flag = 0;
  return reply->errlog_text;
}

}  // namespace

uint32_t clt_getpid() { return static_cast<uint32_t>(getpid()); }

uint32_t clt_time_now(int32_t which) {
  clt_clock_reading now{};
  clt_clock_now(&now);
  return which == 1 ? now.milliseconds : static_cast<uint32_t>(now.seconds);
}

void clt_localtime(const uint32_t* seconds, clt_tm* out) {
  const time_t t = static_cast<time_t>(*seconds);
  struct tm tm {};
  localtime_r(&t, &tm);
  *out = clt_tm{tm.tm_sec, tm.tm_min, tm.tm_hour, tm.tm_mday, tm.tm_mon, tm.tm_year, tm.tm_wday, tm.tm_yday, tm.tm_isdst};
}

int32_t clt_log_year(const clt_tm& tm) { return tm.year + (tm.year < kCenturyPivot ? kTmBaseLow : kTmBase); }

void clt_errlog_open_blk() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  clt_trc_record_dir();
  const clt_env* env = clt_main_env(main);
  ctx->runtime.trc.limit[CLT_TRC_SLOT_ERRLOG] = env->pduaperlog;
  clt_errlog_close_blk();
  auto* b = static_cast<clt_errlog_blk*>(cltmem_alloc(sizeof(clt_errlog_blk), 0, kModule, __LINE__));
  if (b == nullptr) return;
  memset(b, 0, sizeof *b);
  memcpy(b->eyecatcher, CLT_ERRLOG_EYECATCHER, sizeof b->eyecatcher);
  b->pid = clt_getpid();
  b->echo = env->pderrstd == 'Y' ? 1 : 0;
  ctx->errlog_block = b;
}

void clt_errlog_close_blk() {
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || ctx->errlog_block == nullptr) return;
  cltmem_free(ctx->errlog_block, kModule, __LINE__);
  ctx->errlog_block = nullptr;
}

void clt_errlog_vmsg(const char* format, va_list args) {
  clt_errlog_blk* b = block();
  if (b == nullptr || format == nullptr) return;
  const int32_t at = put_prefix(b, kMsgPrefix);
  char* msg = b->line + at;
  const int n = vsnprintf(msg, CLT_ERRLOG_MSG_MAX + 1, format, args);
  size_t length = n > 0 ? static_cast<size_t>(n) : 0;
  if (length > CLT_ERRLOG_MSG_MAX) {
    // Cut, but the line keeps its end.
    length = CLT_ERRLOG_MSG_MAX;
    msg[length - 1] = '\n';
  }
  emit(b, b->line, static_cast<size_t>(at) + length);
}

void clt_errlog_uap(rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  if (main == nullptr || area == nullptr || area->sqlca == nullptr) return;
  // The server holds more text for this request: fetched first, whatever
  // the request's outcome; the fetch's own result does not matter here.
  if (clt_main_reply(main)->notice == 'Y') clt_runtime(clt_runtime_op::exec_errorlog, area);
  if (normal_code(area->sqlca->SQLCODE)) return;
  clt_errlog_blk* b = block();
  if (b == nullptr) return;
  const int32_t at = put_prefix(b, kUapPrefix);
  size_t length = static_cast<size_t>(at) + put_columns(b->line + at, area, main);
  const char* extra = additional_text(main);
  const size_t extra_len = extra != nullptr ? strlen(extra) : 0;
  char* line = b->line;
  char* temp = nullptr;
  // Two line feeds and the terminator must fit beside the extra text.
  const size_t need = length + 1 + extra_len + 1 + 1;
  if (extra != nullptr && need > sizeof b->line) {
    temp = static_cast<char*>(cltmem_alloc(static_cast<uint32_t>(need), 0, kModule, __LINE__));
    if (temp != nullptr) {
      memcpy(temp, b->line, length);
      line = temp;
    } else {
      extra = nullptr;
    }
  }
  if (extra != nullptr) {
    line[length++] = '\n';
    memcpy(line + length, extra, extra_len);
    length += extra_len;
  }
  line[length++] = '\n';
  emit(b, line, length);
  if (temp != nullptr) cltmem_free(temp, kModule, __LINE__);
}

void clt_errlog_sqlda(int32_t kind, const SQLDA* sqlda) {
  clt_errlog_msg("KFPZ04002-E SQLDA information, type: %s, reason: sqln=%d, sqld=%d\n",
                 kind == CLT_LOG_SQLN ? "sqln" : "sqld", sqlda->sqln, sqlda->sqld);
}

void clt_errlog_sqlvar(int32_t kind, int32_t number, const SQLVAR* var) {
  constexpr const char* kLine = "KFPZ04001-E SQLVAR information, type: %s, reason: %s\n";
  char reason[128];
  const unsigned code = var->sqlcod;
  const bool long_length = clt_long_length(clt_kind_of(var->sqlcod)) && (code & 0xFE) != CLT_T_LOB;
  switch (kind) {
    case CLT_VAR_LENGTH:
      if (long_length) {
        snprintf(reason, sizeof reason, "number=%d, sqlcod=%u, sqllen=%lu", number, code,
                 static_cast<unsigned long>(var->len.sqllen32));
      } else {
        snprintf(reason, sizeof reason, "number=%d, sqlcod=%u, sqllen=%d", number, code, var->len.s.sqllen);
      }
      clt_errlog_msg(kLine, "data length", reason);
      return;
    case CLT_VAR_REAL_LENGTH: {
      const auto* data = static_cast<const uint8_t*>(var->SQLDATA);
      if (long_length) {
        uint32_t real = 0;
        if (data != nullptr) memcpy(&real, data + sizeof(uint32_t), sizeof real);
        snprintf(reason, sizeof reason, "number=%d, sqlcod=%u, sqllen=%lu, real length=%lu", number, code,
                 static_cast<unsigned long>(var->len.sqllen32), static_cast<unsigned long>(real));
      } else {
        int16_t real = 0;
        if (data != nullptr) memcpy(&real, data, sizeof real);
        snprintf(reason, sizeof reason, "number=%d, sqlcod=%u, sqllen=%d ,real length=%d", number, code,
                 var->len.s.sqllen, real);
      }
      clt_errlog_msg(kLine, "real length", reason);
      return;
    }
    case CLT_VAR_DECIMAL:
      snprintf(reason, sizeof reason, "number=%d, sqlcod=%u, sqlprcsn=%d, sqlscale=%d", number, code,
               var->len.d.sqlprcsn, var->len.d.sqlscale);
      clt_errlog_msg(kLine, "decimal", reason);
      return;
    default:
      snprintf(reason, sizeof reason, "number=%d, sqlcod=%u", number, code);
      clt_errlog_msg(kLine, "data type", reason);
      return;
  }
}
