#include "CLTCOMCTX.h"

#include "CLTLIBMN.h"

namespace {

// Until the RPC session keeps the per-call and connection parts, the
// running call offers its control block and settings record.
clt_com_ctx settings_only() {
  clt_com_ctx c{};
  c.main = clt_cur_main();
  c.env = clt_current_env();
  return c;
}

clt_com_locator g_locator = settings_only;

}  // namespace

clt_com_ctx clt_com_cur(void) { return g_locator(); }

clt_com_locator clt_com_set_locator(clt_com_locator locator) {
  clt_com_locator old = g_locator;
  g_locator = locator != nullptr ? locator : settings_only;
  return old;
}
