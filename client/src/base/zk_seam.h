// Services that the frame calls in parts of zelkit built elsewhere: the
// error log and traces, the trace-control file, the transports, the SQL
// runtime and the settings record. Each goes through a slot of
// clt_services; a part that is built fills its slots, and tests put
// doubles there. A trace or log call whose slot is empty is left out;
// a runtime operation whose slot is empty fails the request as a client
// error, since nothing could carry it out.
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
  sqltrace,           // PDSQLTRACE, 0 = not given
  rctrace,            // PDRCTRACE, 0 = not given
  trcmode,            // PDTRCMODE: 0 ERR, 1 ALL, 2 NONE
  taapinfmode,        // PDTAAPINFMODE
  cltcnvmode,         // PDCLTCNVMODE code (10 to 12: the UCS-2 modes)
  autoconnect,        // PDAUTOCONNECT 'Y'
  autoreconnect,      // PDAUTORECONNECT 'Y'
  errskipcode,        // PDERRSKIPCODE, item `index` (0 to 9); 0 ends the list
  optionletter,       // PDCLTOPTIONSTR: 'Y' when the letter `index` is set
  odbstatcache,       // PDODBSTATCACHE
  odbescape,          // PDODBESCAPE
  gdataopt,           // PDGDATAOPT
  odbcwrnskip,        // PDODBCWRNSKIP
  blkf,               // PDBLKF
  blkbuffsize,        // PDBLKBUFFSIZE
  binaryblkf,         // PDBINARYBLKF 'Y'
  prpcrcls,           // PDPRPCRCLS 'Y'
  cursorlvl,          // PDCURSORLVL '1' or '2'
  srvtype,            // PDSRVTYPE: 2 for the second server protocol
  uapreplvl,          // PDUAPREPLVL report levels, 0 = none
};

// Operations of the SQL runtime that take the request area and give 0 or
// a failure with the SQLCA filled.
enum class clt_runtime_op {
  connect_entry,
  exec_general,
  exec_disconnect,
  exec_transact,
  exec_close,
  exec_fetch,
  exec_setopt,
  exec_srvinf,
  exec_rdnode,
  exec_session_auth,
  exec_jar,
  exec_execute_utl,
  exec_ccmd,
  exec_errorlog,   // runs under its own request area; the area passed is not used
  exec_array,
  close_link,
  close_cleanup,
  blkf_find,
  blkf_release,
  blkf_free_all,
  loc_find,
  loc_free_ext,
  loc_add,
  loc_bind_cursor,
  loc_store_vars,
  loc_release,
  loc_free_unheld,
  loc_free_closed,
  loc_free_same_name,
  loc_free_all,
  blkf_free_unheld,
};

// State of the current statement-list entry.
enum : int32_t {
  CLT_LOC_NONE = -1,           // no current entry
  CLT_LOC_OPEN = 1,
  CLT_LOC_CLOSE_PENDING = 2,
  CLT_LOC_OPEN_PENDING = 4,    // OPEN kept locally, not yet sent
  CLT_LOC_OTHER_SECTIONS = 8,  // the statement is recorded under other sections too
};

// Per-request traces and logs of the completion steps.
enum class clt_trace_op {
  sqltrc_start,       // the request's start time into the SQL-trace block
  rcnct_trc_reset,    // start, end and result of the reconnect-trace block
  sqltrc_open,
  sqltrc_write,
  sqltrc_close,
  rcnct_trc_open,
  rcnct_trc_write,
  rcnct_trc_close,
  errlog_uap,
  wrtln_write,
  apinf_write,
  trc_stream_dump,
  srvtrc_window,      // the trace window that the server asked for
};

struct clt_services {
  // Error log and traces.
  void (*errlog_open)();
  void (*errlog_close)();
  void (*errlog_vmsg)(const char* format, va_list args);
  void (*trc_open_buf)();
  void (*trc_close_buf)();
  void (*trc_close_rpcsoc)();
  void (*trc_mem)(const char* line);
  void (*trcctl_read)();
  void (*trace)(clt_trace_op which, rdb_sql_area* area);
  // Start time of the request in the SQL-trace block; 0 when there is one.
  int32_t (*sqltrc_start_time)(uint32_t* seconds, uint16_t* milliseconds);
  // Transports and SQL runtime.
  void (*req_free_buffers)();
  void (*pd_clt_close)(int32_t flags);
  int32_t (*runtime)(clt_runtime_op which, rdb_sql_area* area);
  int32_t (*loc_state)(clt_main* main);
  void (*loc_mark_open)(clt_main* main);
  // Character-code conversion: slot, source length, source, target size,
  // target, output length, replacement flag word, mode (0 store, 1 measure).
  int32_t (*cnv_convert)(int32_t slot, int32_t* source_length, const char* source, int32_t* target_size,
                         char* target, int32_t* output_length, uint32_t* replaced, uint32_t mode);
  // Settings record.
  int32_t (*env_get)(const clt_main* main, clt_setting which, int32_t index);
  void (*env_put)(clt_main* main, clt_setting which, int32_t value);
};

extern clt_services clt_svc;

void clt_errlog_open();
void clt_errlog_close();
void clt_errlog_msg(const char* format, ...) __attribute__((format(printf, 1, 2)));
void clt_trc_open_buf();
void clt_trc_close_buf();
void clt_trc_close_rpcsoc();
void clt_trc_mem(const char* line);
void clt_trcctl_read();
void clt_trace(clt_trace_op which, rdb_sql_area* area);
int32_t clt_sqltrc_start_time(uint32_t* seconds, uint16_t* milliseconds);
void clt_req_free_buffers();
void pd_clt_close(int32_t flags);

// The current statement-list entry's CLT_LOC_* bits, CLT_LOC_NONE without one.
int32_t clt_loc_state(clt_main* main);
void clt_loc_mark_open(clt_main* main);

// Converts a text through conversion slot 1 (client to server) or 2
// (server to client), for the layers below the conversion: 0 when the
// whole text was converted, 1 or 2 when it stopped, -1 when it failed.
int32_t clt_cnv_through_slot(int32_t slot, int32_t* source_length, const char* source, int32_t* target_size,
                             char* target, int32_t* output_length, uint32_t* replaced, uint32_t mode);

// A setting of the connection; 0 when it was not given or no settings
// record answers.
int32_t clt_env_get(const clt_main* main, clt_setting which, int32_t index = 0);
void clt_env_put(clt_main* main, clt_setting which, int32_t value);
