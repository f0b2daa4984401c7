#include "zk_seam.h"


clt_services clt_svc{};

void clt_errlog_open() {
  if (clt_svc.errlog_open) clt_svc.errlog_open();
}

void clt_errlog_close() {
  if (clt_svc.errlog_close) clt_svc.errlog_close();
}

void clt_errlog_msg(const char* format, ...) {
  if (!clt_svc.errlog_vmsg) return;
  va_list args;
  va_start(args, format);
  clt_svc.errlog_vmsg(format, args);
  va_end(args);
}

void clt_trc_open_buf() {
  if (clt_svc.trc_open_buf) clt_svc.trc_open_buf();
}

void clt_trc_close_buf() {
  if (clt_svc.trc_close_buf) clt_svc.trc_close_buf();
}

void clt_trc_close_rpcsoc() {
  if (clt_svc.trc_close_rpcsoc) clt_svc.trc_close_rpcsoc();
}

void clt_trc_mem(const char* line) {
  if (clt_svc.trc_mem) clt_svc.trc_mem(line);
}

void clt_trcctl_read() {
  if (clt_svc.trcctl_read) clt_svc.trcctl_read();
}

void clt_trace(clt_trace_op which, rdb_sql_area* area) {
  if (clt_svc.trace) clt_svc.trace(which, area);
}

int32_t clt_sqltrc_start_time(uint32_t* seconds, uint16_t* milliseconds) {
  return clt_svc.sqltrc_start_time ? clt_svc.sqltrc_start_time(seconds, milliseconds) : -1;
}

void clt_req_free_buffers() {
  if (clt_svc.req_free_buffers) clt_svc.req_free_buffers();
}

void pd_clt_close(int32_t flags) {
  if (clt_svc.pd_clt_close) clt_svc.pd_clt_close(flags);
}

int32_t clt_loc_state(clt_main* main) {
  return clt_svc.loc_state ? clt_svc.loc_state(main) : CLT_LOC_NONE;
}

void clt_loc_mark_open(clt_main* main) {
  if (clt_svc.loc_mark_open) clt_svc.loc_mark_open(main);
}

int32_t clt_cnv_through_slot(int32_t slot, int32_t* source_length, const char* source, int32_t* target_size,
                             char* target, int32_t* output_length, uint32_t* replaced, uint32_t mode) {
  // No conversion was wired: the conversion fails.
  if (!clt_svc.cnv_convert) return -1;
  return clt_svc.cnv_convert(slot, source_length, source, target_size, target, output_length, replaced, mode);
}

int32_t clt_env_get(const clt_main* main, clt_setting which, int32_t index) {
  return (main && clt_svc.env_get) ? clt_svc.env_get(main, which, index) : 0;
}

void clt_env_put(clt_main* main, clt_setting which, int32_t value) {
  if (main && clt_svc.env_put) clt_svc.env_put(main, which, value);
}
