#include "zk_wiring.h"

#include <mutex>
#include <new>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTENV.h"
#include "CLTGFES.h"
#include "CLTMEM.h"
#include "CLTNAMSV.h"
#include "CLTRPCPR.h"
#include "CLTRPCSS.h"
#include "CLTSQLAN.h"
#include "CLTSQLBR.h"
#include "CLTSQLBS.h"
#include "CLTSQLEX.h"
#include "CLTSQLSC.h"
#include "CLTTRC.h"
#include "CLTTRCDT.h"
#include "CLTTRCEL.h"
#include "CLTTRCES.h"
#include "CLTTRCSQ.h"
#include "clt_sqltrc_file.h"
#include "clt_srvtrc.h"
#include "clt_trcctl.h"
#include "cltapinf.h"
#include "cltwrtln.h"
#include "clt_exec_further.h"
#include "clt_shm_exec.h"
#include "cltrdsql.h"
#include "cltrpcsw.h"
#include "clt_rcnct_trc.h"
#include "clt_cnv.h"
#include "cltsqadc.h"
#include "cltsqlsl.h"
#include "zk_reply_routes.h"
#include "zk_loghook.h"
#include "zk_seam.h"

namespace {

// The memory trace names the module that has always owned these buffers.
constexpr const char* kModule = "CLTCOMCTX";

static_assert(sizeof(clt_req_identity) == CLT_REQ_IDENTITY_SIZE, "identity storage fits its record");
static_assert(alignof(clt_req_identity) == 1, "identity storage needs no alignment");

clt_req_identity* identity_of(clt_global_data* ctx) {
  return std::launder(reinterpret_cast<clt_req_identity*>(ctx->runtime.identity));
}

// The running request as the builders see it: besides the control block
// and its settings, the place the executor chose for the request, the
// connection's request state and the saved identity.
clt_req_ctx request_from_context() {
  clt_req_ctx c{};
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || ctx->main == nullptr) return c;
  clt_main* main = ctx->main;
  c.packet = ctx->runtime.cur_req;
  // The checks sized the buffer; the statement builder stays within it.
  c.packet_size = clt_main_com(main)->req_buf_size;
  if (clt_shm_active() && clt_main_com(main)->shm.oversize == 0) c.packet_size = clt_shm_request_room();
  c.area = main->area;
  c.main = main;
  c.conn = clt_main_req(main);
  c.reply = clt_main_reply(main);
  c.env = clt_main_env(main);
  c.apname = clt_main_uap(main)->apname;
  c.pduser = clt_text(main, CLT_TEXT_USER);
  c.pdpassword = clt_text(main, CLT_TEXT_PASSWORD);
  c.identity = identity_of(ctx);
  c.audit = ctx->audit;
  c.audit_long = &ctx->audit_long;
  c.errlog_count = clt_errlog_counter();
  return c;
}

// The RPC session's parts of the running call and of its connection.
clt_rpc_ctx rpc_from_context() {
  clt_rpc_ctx c{};
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr) return c;
  c.call = &ctx->runtime.rpc;
  if (ctx->main != nullptr) c.conn = clt_main_rpc(ctx->main);
  return c;
}

clt_reply_conn* reply_from_context() {
  clt_main* main = clt_cur_main();
  return main != nullptr ? clt_main_reply(main) : nullptr;
}

// Frees the request buffer, then the reply buffer, and forgets their sizes.
void free_buffers() {
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || ctx->main == nullptr) return;
  clt_global_runtime& rt = ctx->runtime;
  if (rt.req_buf != nullptr) cltmem_free(rt.req_buf, kModule, __LINE__);
  if (rt.com.reply_buf != nullptr) cltmem_free(rt.com.reply_buf, kModule, __LINE__);
  rt.req_buf = nullptr;
  rt.cur_req = nullptr;
  rt.com.reply_buf = nullptr;
  rt.com.reply_cur = nullptr;
  clt_com_conn* conn = clt_main_com(ctx->main);
  conn->req_buf_size = 0;
  conn->req_len = 0;
  conn->reply_buf_size = 0;
  conn->reply_len = 0;
}

// The session-close slot gives no result: the control block's release
// goes on whatever the close reports. A second-protocol connection has
// its own link instead of the session.
void close_session(int32_t flags) {
  clt_rd_release();
  pd_clt_close_session(flags);
}

// The per-request traces and logs.
void trace_op(clt_trace_op which, rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  switch (which) {
    case clt_trace_op::sqltrc_start: clt_sqltrc_stamp(false); break;
    case clt_trace_op::sqltrc_open: clt_sqltrc_open(); break;
    case clt_trace_op::sqltrc_write:
      clt_sqltrc_stamp(true);
      clt_sqltrc_write();
      if (main != nullptr) clt_srvtrc_count(main);
      break;
    case clt_trace_op::sqltrc_close: clt_sqltrc_close(); break;
    case clt_trace_op::srvtrc_window:
      if (main != nullptr) clt_srvtrc_complete(main);
      break;
    case clt_trace_op::wrtln_write: clt_wrtln_write(); break;
    case clt_trace_op::apinf_write: clt_apinf_write(); break;
    case clt_trace_op::errlog_uap: clt_errlog_uap(area); break;
    case clt_trace_op::trc_stream_dump: clt_trc_stream_dump(); break;
    case clt_trace_op::rcnct_trc_open: clt_rcnct_trc_open(); break;
    case clt_trace_op::rcnct_trc_reset: clt_rcnct_trc_reset(); break;
    case clt_trace_op::rcnct_trc_write: clt_rcnct_trc_write(); break;
    case clt_trace_op::rcnct_trc_close: clt_rcnct_trc_close(); break;
  }
}

void shm_close_peer() { clt_shm_close_peer(); }
void shm_close_own() { clt_shm_close_own(); }

std::once_flag g_wired;

void wire() {
  clt_req_set_locator(request_from_context);
  clt_rpc_set_locator(rpc_from_context);
  clt_reply_set_locator(reply_from_context);
  clt_global.runtime.rpc.rebuild_connect = clt_rebuild_connect;
  clt_rpc_nam_svc = {nam_open, nam_close, nam_lookup, nam_indirect_lookup};
  clt_svc.req_free_buffers = free_buffers;
  clt_svc.pd_clt_close = close_session;
  clt_svc.runtime = clt_exec_runtime_further;
  clt_svc.loc_state = clt_loc_state_of;
  clt_svc.loc_mark_open = clt_loc_open_current;
  clt_svc.env_get = clt_env_setting_get;
  clt_svc.env_put = clt_env_setting_put;
  clt_svc.cnv_convert = clt_cnv_convert;
  clt_exec_svc.bind_input = clt_bind_input;
  clt_exec_svc.sqlda_check = clt_sqlda_check;
  clt_reply_svc.convert = clt_col_convert;
  clt_svc.errlog_open = clt_errlog_open_blk;
  clt_svc.errlog_close = clt_errlog_close_blk;
  clt_svc.errlog_vmsg = clt_errlog_vmsg;
  clt_svc.trc_open_buf = clt_trc_open_ess;
  clt_svc.trc_close_buf = clt_trc_close_ess;
  clt_svc.trc_close_rpcsoc = clt_trc_free_rpcsoc;
  clt_svc.trc_mem = clt_trc_mem_line;
  clt_svc.trace = trace_op;
  clt_svc.trcctl_read = clt_trcctl_read_conn;
  clt_svc.sqltrc_start_time = clt_sqltrc_start_time_of;
  clt_trc_set_sql_writer(clt_sqltrc_pair_write);
  clt_log_set_writers({clt_trc_mdl_record, clt_trc_soc_record});
  clt_link_svc.get_fes = clt_get_fes;
  clt_link_svc.rd_open = clt_rd_open;
  clt_link_svc.rd_exec = clt_rd_exec;
  clt_link_svc.rd_close = clt_rd_close;
  clt_link_svc.rd_free_buffers = clt_rd_free_buffers;
  clt_link_svc.shm_close_peer = shm_close_peer;
  clt_link_svc.shm_close_own = shm_close_own;
}

}  // namespace

void zk_wire_services() { std::call_once(g_wired, wire); }
