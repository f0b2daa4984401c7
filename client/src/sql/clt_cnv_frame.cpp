#include "clt_cnv_frame.h"

clt_cnv_run clt_cnv_start(const clt_env& env, const clt_cnv_slot& slot, bool bounded_when_measuring) {
  const bool store = slot.mode == CLT_CNV_STORE;
  return clt_cnv_run{.env = env,
                     .slot = slot,
                     .src = slot.source,
                     .n = *slot.source_length,
                     .dst = slot.target,
                     .size = *slot.target_size,
                     .store = store,
                     .bounded = store || bounded_when_measuring};
}

bool clt_cnv_user(const clt_env& env, const clt_cnv_slot& slot, int kind, const uint8_t* source,
                  uint8_t* target) {
  if (env.gaiji_func != nullptr) {
    env.gaiji_func(kind, source, target);
    return false;
  }
  target[0] = static_cast<uint8_t>(slot.replacement >> 8);
  target[1] = static_cast<uint8_t>(slot.replacement);
  return true;
}
