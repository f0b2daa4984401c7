// What the socket layer and the transport session keep of the running
// call and of its connection, and how they find them with the
// connection's settings record: clt_com_cur locates the parts of the
// running call.
#pragma once

#include <stdint.h>

#include <atomic>
#include <mutex>

#include "zk_records.h"

// The static context of all embedded SQL of the process.
extern clt_global_data clt_global;

// The context of the running call; null when none runs.
extern std::atomic<clt_global_data*> clt_cur_global;

inline clt_global_data* clt_cur() { return clt_cur_global.load(); }
inline clt_main* clt_cur_main() {
  clt_global_data* ctx = clt_cur();
  return ctx ? ctx->main : nullptr;
}

// The settings record of the running call's connection; null when no call
// runs or the context has no control block.
inline clt_env* clt_current_env(void) {
  clt_main* main = clt_cur_main();
  return main != nullptr ? clt_main_env(main) : nullptr;
}

// The lock under which another thread (a refused call, p_rdb_abort) looks
// at the running call's context; the running call publishes and withdraws
// its control block, its request code and its marks under it.
std::mutex& clt_context_lock();

// The request code and the cancellable flag cross threads too: the
// running call writes them as the call starts and ends, p_rdb_abort
// reads them.
inline void clt_reqcode_put(clt_global_data* ctx, const char* code) {
  for (size_t i = 0; i < sizeof ctx->reqcode; ++i) __atomic_store_n(&ctx->reqcode[i], code[i], __ATOMIC_RELAXED);
}
inline void clt_reqcode_get(const clt_global_data* ctx, char* code) {
  for (size_t i = 0; i < sizeof ctx->reqcode; ++i) code[i] = __atomic_load_n(&ctx->reqcode[i], __ATOMIC_RELAXED);
}
// The running call's marks: another thread's refused call reads whether
// a call runs and marks it refused; the running call clears the mark as
// it starts (before it shows as running) and both as it ends, under the
// context lock, so no refusal's mark passes into the next call.
inline uint32_t clt_call_running_get(const clt_global_data* ctx) {
  return __atomic_load_n(&ctx->call_running, __ATOMIC_ACQUIRE);
}
inline void clt_call_running_put(clt_global_data* ctx, uint32_t value) {
  __atomic_store_n(&ctx->call_running, value, __ATOMIC_RELEASE);
}
inline uint32_t clt_refused_call_get(const clt_global_data* ctx) {
  return __atomic_load_n(&ctx->refused_call, __ATOMIC_ACQUIRE);
}
inline void clt_refused_call_put(clt_global_data* ctx, uint32_t value) {
  __atomic_store_n(&ctx->refused_call, value, __ATOMIC_RELEASE);
}
inline void clt_cancellable_put(clt_main* main, uint16_t value) {
  __atomic_store_n(&main->cancellable, value, __ATOMIC_SEQ_CST);
}

// Makes ctx the running context; false when another call runs. The test
// and the store are one step, so two threads never both get in.
bool clt_take_context(clt_global_data* ctx);
void clt_release_context();

// The parts of the running call; main, conn and env are null before the
// connection has a control block, call when no call runs.
struct clt_com_ctx {
  clt_com_call* call;
  clt_main* main;
  clt_com_conn* conn;
  clt_env* env;
};

using clt_com_locator = clt_com_ctx (*)(void);

clt_com_ctx clt_com_cur(void);
// Installs the locator of the running call's parts; returns the previous one.
clt_com_locator clt_com_set_locator(clt_com_locator locator);

// The cancel flag crosses threads: the abort export sets it while a
// request of the connection waits.
inline uint16_t clt_com_cancel_get(const clt_main* main) {
  return __atomic_load_n(&main->cancel_requested, __ATOMIC_SEQ_CST);
}
inline void clt_com_cancel_set(clt_main* main, uint16_t value) {
  __atomic_store_n(&main->cancel_requested, value, __ATOMIC_SEQ_CST);
}
