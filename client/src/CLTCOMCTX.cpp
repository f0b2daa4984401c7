#include "CLTCOMCTX.h"

namespace {

// Before a locator is installed no call is running that the layers
// could belong to.
clt_com_ctx no_call() { return clt_com_ctx{}; }

clt_com_locator g_locator = no_call;

}  // namespace

clt_com_ctx clt_com_cur(void) { return g_locator(); }

clt_com_locator clt_com_set_locator(clt_com_locator locator) {
  clt_com_locator old = g_locator;
  g_locator = locator != nullptr ? locator : no_call;
  return old;
}
