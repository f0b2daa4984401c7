#include "zk_loghook.h"

namespace {

clt_log_writers g_writers{};

}  // namespace

void clt_trc_mdl(uint32_t event, uint16_t phase, const uint32_t words[3]) {
  if (g_writers.mdl != nullptr) g_writers.mdl(event, phase, words);
}

void clt_trc_soc(int32_t call, int32_t phase, int32_t wsa_error, int32_t sock, int32_t length,
                 int32_t extra, const void* data, int32_t data_kind) {
  if (g_writers.soc != nullptr) g_writers.soc(call, phase, wsa_error, sock, length, extra, data, data_kind);
}

clt_log_writers clt_log_set_writers(const clt_log_writers& writers) {
  clt_log_writers old = g_writers;
  g_writers = writers;
  return old;
}
