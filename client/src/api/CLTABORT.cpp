#include "CLTABORT.h"

#include <string.h>

#include <atomic>
#include <mutex>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "zelkit.h"

namespace {

constexpr int32_t kNothingToCancel = -40;
constexpr int32_t kAlreadyCancelled = -80;
constexpr size_t kCodeSize = 4;

// Requests that are never cancelled: no request at all, and those that
// make, end or repair a connection or end a transaction.
constexpr const char* kNotCancellable[] = {"    ", "CNCT", "RNCN", "RNSC", "DISC",
                                           "DISR", "RNDS", "ROLL", "CMIT"};

bool cancellable_request(const char* code) {
  for (const char* refused : kNotCancellable) {
    if (memcmp(code, refused, kCodeSize) == 0) return false;
  }
  return true;
}

// The flags are shared with the running request's thread.
std::atomic_ref<uint16_t> flag(uint16_t& field) { return std::atomic_ref<uint16_t>(field); }

}  // namespace

clt_abort_exclusion::clt_abort_exclusion() { clt_context_lock().lock(); }
clt_abort_exclusion::~clt_abort_exclusion() { clt_context_lock().unlock(); }

int32_t p_rdb_abort(void) {
  clt_abort_exclusion exclusion;
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx ? ctx->main : nullptr;
  if (!main) return kNothingToCancel;
  if (flag(main->cancel_recorded).load() == 1) return kAlreadyCancelled;
  char code[kCodeSize];
  clt_reqcode_get(ctx, code);
  if (!cancellable_request(code)) return kNothingToCancel;
  if (flag(main->cancellable).load() == 0) return kNothingToCancel;
  flag(main->cancel_requested).store(1);
  flag(main->cancel_recorded).store(1);
  return 0;
}
