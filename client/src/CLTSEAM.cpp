#include "CLTSEAM.h"

#include "CLTMSG.h"
#include "CLTUTL.h"

clt_services clt_svc{};

namespace {

int32_t no_dispatcher(rdb_sql_area* area, int32_t line) {
  clt_report(area, "CLTSEAM", line, -720, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, "CLTSEAM",
             line);
  return -10;
}

}  // namespace

int32_t clt_dispatch(rdb_sql_area* area) {
  return clt_svc.dispatch ? clt_svc.dispatch(area) : no_dispatcher(area, __LINE__);
}

int32_t clt_dispatch_odbc(rdb_sql_area* area, rdb_odbc_buf* odbc) {
  return clt_svc.dispatch_odbc ? clt_svc.dispatch_odbc(area, odbc) : no_dispatcher(area, __LINE__);
}

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

void clt_req_free_buffers() {
  if (clt_svc.req_free_buffers) clt_svc.req_free_buffers();
}

int32_t clt_blkf_free_all(rdb_sql_area* area) {
  return clt_svc.blkf_free_all ? clt_svc.blkf_free_all(area) : 0;
}

int32_t clt_loc_free_all(rdb_sql_area* area) {
  return clt_svc.loc_free_all ? clt_svc.loc_free_all(area) : 0;
}

int32_t clt_env_get(const clt_main* main, clt_setting which) {
  return (main && clt_svc.env_get) ? clt_svc.env_get(main, which) : 0;
}

void clt_env_put(clt_main* main, clt_setting which, int32_t value) {
  if (main && clt_svc.env_put) clt_svc.env_put(main, which, value);
}
