#include "CLTCOMCTX.h"

#include <new>

#include "CLTCNTL.h"
#include "CLTLIBMN.h"
#include "CLTMEM.h"
#include "CLTRPCPR.h"
#include "CLTRPCSS.h"
#include "zk_seam.h"
#include "CLTSQLAN.h"

namespace {

constexpr const char* kModule = "CLTCOMCTX";

static_assert(sizeof(clt_req_identity) == CLT_REQ_IDENTITY_SIZE, "identity storage fits its record");
static_assert(alignof(clt_req_identity) == 1, "identity storage needs no alignment");

// The running call's own parts; the connection's parts once the call
// has a control block.
clt_com_ctx from_context() {
  clt_com_ctx c{};
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr) return c;
  c.call = &ctx->runtime.com;
  if (ctx->main != nullptr) {
    c.main = ctx->main;
    c.conn = clt_main_com(ctx->main);
    c.env = clt_main_env(ctx->main);
  }
  return c;
}

clt_com_locator g_locator = from_context;

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
  c.area = main->area;
  c.main = main;
  c.conn = clt_main_req(main);
  c.env = clt_main_env(main);
  c.apname = clt_main_uap(main)->apname;
  c.pduser = clt_text(main, CLT_TEXT_USER);
  c.pdpassword = clt_text(main, CLT_TEXT_PASSWORD);
  c.identity = identity_of(ctx);
  c.audit = ctx->audit;
  c.audit_long = &ctx->audit_long;
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

// The builders and the control-block release reach the running call
// through this module once it is linked in.
const bool kWired = [] {
  clt_req_set_locator(request_from_context);
  clt_rpc_set_locator(rpc_from_context);
  clt_reply_set_locator(reply_from_context);
  clt_svc.req_free_buffers = free_buffers;
  return true;
}();

}  // namespace

clt_com_ctx clt_com_cur(void) { return g_locator(); }

clt_com_locator clt_com_set_locator(clt_com_locator locator) {
  clt_com_locator old = g_locator;
  g_locator = locator != nullptr ? locator : from_context;
  return old;
}
