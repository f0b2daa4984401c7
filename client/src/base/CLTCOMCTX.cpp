#include "CLTCOMCTX.h"

#include <string.h>


namespace {

constexpr char kGlobalEyecatcher[] = "Marlo_Client_Global_Data";
constexpr char kGlobalTag[] = "CLTSTS ";
constexpr char kIdleRequest[] = "    ";
constexpr char kEndMarker[] = "END";

clt_global_data make_static_block() {
  clt_global_data g{};
  memcpy(g.eyecatcher, kGlobalEyecatcher, sizeof(kGlobalEyecatcher));
  memcpy(g.tag, kGlobalTag, sizeof(kGlobalTag));
  g.tact_state[0] = CLT_TACT_STATE_INITIAL[0];
  g.tact_state[1] = CLT_TACT_STATE_INITIAL[1];
  memcpy(g.reqcode, kIdleRequest, sizeof(g.reqcode));
  memcpy(g.end_marker, kEndMarker, sizeof(kEndMarker));
  for (clt_audit_item& item : g.audit) item.length = CLT_AUDIT_NULL_LENGTH;
  g.audit_long.length = CLT_AUDIT_NULL_LENGTH;
  return g;
}

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

clt_global_data clt_global = make_static_block();
std::atomic<clt_global_data*> clt_cur_global{nullptr};

std::mutex& clt_context_lock() {
  static std::mutex lock;
  return lock;
}

bool clt_take_context(clt_global_data* ctx) {
  clt_global_data* expected = nullptr;
  return clt_cur_global.compare_exchange_strong(expected, ctx);
}

void clt_release_context() { clt_cur_global.store(nullptr); }

clt_com_ctx clt_com_cur(void) { return g_locator(); }

clt_com_locator clt_com_set_locator(clt_com_locator locator) {
  clt_com_locator old = g_locator;
  g_locator = locator != nullptr ? locator : from_context;
  return old;
}
