// The ODBC driver's entry points: one context block per connection.
#include <stdlib.h>

#include "CLTLIBMN.h"
#include "CLTLIBCT.h"
#include "zelkit.h"
#include "zk_codes.h"

namespace {

constexpr int32_t kOdbcRefused = -1;

}  // namespace

int32_t p_rdb_exodbc(int32_t /*reserved*/, rdb_sql_area* area, rdb_odbc_buf* odbc) {
  if (clt_cur()) {
    // The running call is not marked: an ODBC refusal only answers itself.
    if (area && area->sqlca) clt_refuse_second_call(area, "CLTDLODB", __LINE__);
    return kOdbcRefused;
  }
  // Without a buffer or its handle there is no context to run on.
  if (!odbc || !odbc->ctxhandle) return CLT_RC_BAD_ARGUMENT;
  auto* ctx = static_cast<clt_global_data*>(odbc->ctxhandle);
  if (!clt_take_context(ctx)) {
    if (area && area->sqlca) clt_refuse_second_call(area, "CLTDLODB", __LINE__);
    return kOdbcRefused;
  }
  int32_t result = CLT_RC_BAD_ARGUMENT;
  if (area && area->sqlca) result = clt_dispatch_odbc(area, odbc);
  clt_release_context();
  return result;
}

int32_t p_rdb_initodbc(int32_t /*reserved*/, void** handle) {
  if (!handle) return CLT_RC_BAD_ARGUMENT;
  auto* ctx = static_cast<clt_global_data*>(calloc(1, sizeof(clt_global_data)));
  if (!ctx) return CLT_RC_BAD_ARGUMENT;
  clt_global_init_odbc(ctx);
  *handle = ctx;
  return 0;
}

int32_t p_rdb_termodbc(int32_t /*reserved*/, void* handle) {
  free(handle);
  return 0;
}
