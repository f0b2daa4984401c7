#include "clt_srvtrc.h"

#include <string.h>

#include "CLTCOMCTX.h"
#include "CLTTRCSQ.h"

namespace {

constexpr uint8_t kRequested = 0xFF;
constexpr uint8_t kModeStart = 0;
constexpr uint8_t kModeStop = 1;
constexpr uint8_t kStopped = 255;
constexpr int32_t kDefaultPrmSize = 256;
constexpr int32_t kPrmSizeLow = 4, kPrmSizeHigh = 32008;
constexpr int32_t kLongText = 2000000;
constexpr int32_t kShortText = 4096;
constexpr char kAllLevels[] = "supr";

void end_window(clt_main* main, uint8_t mode) {
  clt_env* env = clt_main_env(main);
  clt_sqltrc_close();
  main->srvtrc_active = 0;
  if (mode == kModeStop) main->srvtrc_stopped = kStopped;
  main->srvtrc_level[0] = '\0';
  env->pduapreplvl = 0;
  env->uapreplvl_text[0] = '\0';
  env->pdprmtrcsize = kDefaultPrmSize;
  env->pdprmtrc = 'N';
}

// The level text of the mask, in the order s, u, p, r; all four read "a".
void level_text(uint8_t mask, char* out) {
  const struct {
    uint8_t bit;
    char letter;
  } kLetters[] = {{CLT_REP_SQL, 's'}, {CLT_REP_UAP, 'u'}, {CLT_REP_OPTIMIZER, 'p'}, {CLT_REP_RESULT, 'r'}};
  size_t n = 0;
  for (const auto& l : kLetters) {
    if ((mask & l.bit) != 0) out[n++] = l.letter;
  }
  out[n] = '\0';
  if (strcmp(out, kAllLevels) == 0) strcpy(out, "a");
}

void start_window(clt_main* main) {
  clt_env* env = clt_main_env(main);
  main->srvtrc_active = 1;
  main->srvtrc_first = 1;
  const bool text_given = env->sqltextsize_default == 0;
  if (clt_main_com(main)->shm_channel != 1) {
    uint8_t mask = main->srvtrc_mask;
    if (main->kind == CLT_KIND_EMBEDDED_MARKED) {
      // Such a connection has no application statistics: 'u' alone opens
      // nothing, and leaves no window that no trace would count down.
      if (mask == CLT_REP_UAP) {
        main->srvtrc_active = 0;
        main->srvtrc_first = 0;
        return;
      }
      mask = static_cast<uint8_t>(mask & ~CLT_REP_UAP);
    }
    level_text(mask, main->srvtrc_level);
    env->pduapreplvl = mask;
    strcpy(env->uapreplvl_text, main->srvtrc_level);
    if (!text_given) env->pdsqltextsize = (mask & CLT_REP_OPTIMIZER) != 0 ? kLongText : kShortText;
  } else {
    env->pduapreplvl = 0;
    env->uapreplvl_text[0] = '\0';
    env->pdsqltextsize = kShortText;
  }
  env->pdprmtrcsize = main->srvtrc_prmsize;
  env->pdprmtrc = main->srvtrc_prmsize >= kPrmSizeLow && main->srvtrc_prmsize <= kPrmSizeHigh ? 'T' : 'N';
  clt_sqltrc_open();
}

}  // namespace

void clt_srvtrc_complete(clt_main* main) {
  const bool requested = main->srvtrc_pending == kRequested;
  if (main->srvtrc_active && requested && (main->srvtrc_mode == kModeStart || main->srvtrc_mode == kModeStop)) {
    end_window(main, main->srvtrc_mode);
  }
  if (clt_sqltrc_cur() == nullptr && requested && main->srvtrc_mode == kModeStart) start_window(main);
}

void clt_srvtrc_count(clt_main* main) {
  if (!main->srvtrc_active) return;
  if (main->srvtrc_count > 0) --main->srvtrc_count;
  if (main->srvtrc_count == 0) end_window(main, kModeStop);
}
