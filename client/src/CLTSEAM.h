// Services that the frame calls in parts of zelkit built elsewhere: the
// error log and traces, the trace-control file, the transports and the
// SQL runtime, and the settings record. Each goes through one slot of
// clt_services; a part that is built fills its slots, and tests put
// doubles there. A call whose slot is empty is left out.
#pragma once

#include <stdarg.h>
#include <stdint.h>

#include "zelkit.h"

struct clt_main;

// Settings of clt_env that the frame reads or changes. Yes/no settings
// answer their byte ('Y', 'N'), numbers their value; 0 means not given.
enum class clt_setting {
  aryerrpos,          // PDARYERRPOS
  trcmdl,             // PDTRCMDL, 0 = off
  ipc,                // PDIPC: 'Y' when "MEMORY"
  sqltextsize,        // PDSQLTEXTSIZE
  sqltextsize_given,  // given-flag of PDSQLTEXTSIZE
  trcctl_level,       // report level mask of the trace-control file
  trcctl_size,        // file size of the trace-control file, 0 = unset
  trcctl_keepopen,    // keep-open switch of the trace-control file
};

struct clt_services {
  // Request dispatcher.
  int32_t (*dispatch)(rdb_sql_area* area);
  int32_t (*dispatch_odbc)(rdb_sql_area* area, rdb_odbc_buf* odbc);
  // Error log and traces.
  void (*errlog_open)();
  void (*errlog_close)();
  void (*errlog_vmsg)(const char* format, va_list args);
  void (*trc_open_buf)();
  void (*trc_close_buf)();
  void (*trc_close_rpcsoc)();
  void (*trc_mem)(const char* line);
  void (*trcctl_read)();
  // Transports and SQL runtime.
  void (*req_free_buffers)();
  int32_t (*blkf_free_all)(rdb_sql_area* area);
  int32_t (*loc_free_all)(rdb_sql_area* area);
  // Settings record.
  int32_t (*env_get)(const clt_main* main, clt_setting which);
  void (*env_put)(clt_main* main, clt_setting which, int32_t value);
};

extern clt_services clt_svc;

// Run one request; 0, 100 or -10. Without a dispatcher the request is
// reported as a client error.
int32_t clt_dispatch(rdb_sql_area* area);
int32_t clt_dispatch_odbc(rdb_sql_area* area, rdb_odbc_buf* odbc);

void clt_errlog_open();
void clt_errlog_close();
void clt_errlog_msg(const char* format, ...) __attribute__((format(printf, 1, 2)));
void clt_trc_open_buf();
void clt_trc_close_buf();
void clt_trc_close_rpcsoc();
void clt_trc_mem(const char* line);
void clt_trcctl_read();
void clt_req_free_buffers();
int32_t clt_blkf_free_all(rdb_sql_area* area);
int32_t clt_loc_free_all(rdb_sql_area* area);

// A setting of the connection; 0 when it was not given or no settings
// record answers.
int32_t clt_env_get(const clt_main* main, clt_setting which);
void clt_env_put(clt_main* main, clt_setting which, int32_t value);
