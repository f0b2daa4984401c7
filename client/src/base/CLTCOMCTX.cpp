#include "CLTCOMCTX.h"

#include "CLTCNTL.h"
#include "CLTLIBMN.h"

namespace {

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

}  // namespace

clt_com_ctx clt_com_cur(void) { return g_locator(); }

clt_com_locator clt_com_set_locator(clt_com_locator locator) {
  clt_com_locator old = g_locator;
  g_locator = locator != nullptr ? locator : from_context;
  return old;
}
