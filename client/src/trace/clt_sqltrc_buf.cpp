#include "clt_sqltrc_buf.h"

#include "CLTCOMCTX.h"
#include "CLTTRC.h"
#include "zk_bytes.h"

uint32_t clt_trc_server32(const clt_main* main, const uint8_t* p) {
  return main->byteorder == 1 ? get_le32(p) : get_be32(p);
}

bool clt_level_word_at_most(const clt_main* main, int32_t word) {
  return main->srv_level != 0 && static_cast<uint32_t>(main->srv_level) <= static_cast<uint32_t>(word);
}

clt_sqltrc_buf* clt_sqltrc_cur() {
  clt_global_data* ctx = clt_cur();
  return ctx != nullptr ? static_cast<clt_sqltrc_buf*>(ctx->sqltrc_block) : nullptr;
}

int32_t clt_sqltrc_flags(const clt_main* main, int32_t which) {
  const clt_env* env = clt_main_env(const_cast<clt_main*>(main));
  return which == 0 ? env->pduapreplvl : env->trcctl_bits;
}

bool clt_sqltrc_kind_on(const clt_main* main, int32_t which) {
  const clt_env* env = clt_main_env(const_cast<clt_main*>(main));
  if (which == 0) return env->pdsqltrace != -1 || main->srvtrc_active != 0;
  return env->trcctl_size != -1;
}

void clt_sqltrc_emit(const char* record, uint32_t length, const bool want[2]) {
  if (want[0]) clt_trc_write(record, length, CLT_TRC_KIND_SQL, 0);
  if (want[1]) clt_trc_write(record, length, CLT_TRC_KIND_SQLCTL, 0);
}
