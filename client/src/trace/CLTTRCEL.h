// The error log: message lines of the library's own faults and the
// application error line after a failed request, written into the pair
// "pderr1.trc"/"pderr2.trc"; and the time and process id that every trace
// stamps its records with.
#pragma once

#include <stdarg.h>
#include <stdint.h>

#include "zelkit.h"

constexpr char CLT_ERRLOG_EYECATCHER[8] = "##velog";
constexpr uint32_t CLT_ERRLOG_LINE_SIZE = 558;
constexpr uint32_t CLT_ERRLOG_MSG_MAX = 511;    // message characters, line feed included
constexpr uint32_t CLT_ERRLOG_UAP_AREA = 256;   // blank-filled fixed columns of the application line

struct clt_errlog_blk {
  char eyecatcher[8];
  uint16_t counter;
  uint32_t pid;
  int32_t echo;
  int32_t line_pos;
  int32_t msg_pos;
  char line[CLT_ERRLOG_LINE_SIZE];
};

void clt_errlog_open_blk();
void clt_errlog_close_blk();
// The lines the running call's error log has written; 0 without a log.
uint16_t clt_errlog_counter();
void clt_errlog_vmsg(const char* format, va_list args);
void clt_errlog_uap(rdb_sql_area* area);

// Message lines of a caller's faulty list (kind 1 "sqln", 2 "sqld") or
// variable (the clt_var_fault kinds; number is the caller's 1-based count).
enum : int32_t { CLT_LOG_SQLN = 1, CLT_LOG_SQLD = 2 };
void clt_errlog_sqlda(int32_t kind, const SQLDA* sqlda);
void clt_errlog_sqlvar(int32_t kind, int32_t number, const SQLVAR* var);

// Local broken-down time as nine fields.
struct clt_tm {
  int32_t sec, min, hour, mday, mon, year, wday, yday, isdst;
};
uint32_t clt_getpid();
// which 1: the milliseconds (0 to 999); otherwise seconds since 1970.
uint32_t clt_time_now(int32_t which);
void clt_localtime(const uint32_t* seconds, clt_tm* out);
// The year as the logs print it: years below 70 belong to the 2000s.
int32_t clt_log_year(const clt_tm& tm);
