#include "CLTTRC.h"

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "zk_codes.h"
#include "zk_seam.h"

void clt_trc_open_mdl() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  if (!ctx->trc_dir) ctx->trc_dir = clt_text(main, CLT_TEXT_CLTPATH);
  ctx->mdl_trc_setting[0] = clt_env_get(main, clt_setting::trcmdl);
  ctx->mdl_trc_setting[1] = 0;
  if (ctx->mdl_trc_setting[0] == 0) {
    ctx->mdl_trc_state = CLT_TRC_OFF;
    return;
  }
  ctx->mdl_trc_record = cltmem_alloc(CLT_MDL_RECORD_SIZE, 0, "CLTTRC", __LINE__);
  if (ctx->mdl_trc_record) {
    ctx->mdl_trc_state = CLT_TRC_READY;
  } else {
    ctx->mdl_trc_state = CLT_TRC_NO_MEMORY;
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, "CLTTRC", __LINE__);
  }
}

void clt_trc_close_mdl() {
  clt_global_data* ctx = clt_cur();
  if (ctx->mdl_trc_record) {
    cltmem_free(ctx->mdl_trc_record, "CLTTRC", __LINE__);
    ctx->mdl_trc_record = nullptr;
  }
}
