#include "cltapinf.h"

#include <stdio.h>
#include <string.h>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTTRC.h"
#include "CLTTRCEL.h"
#include "zk_bytes.h"

namespace {

constexpr const char* kModule = "cltapinf";
constexpr char kCode[4] = {'C', 'I', 'N', 'F'};
constexpr size_t kCnctAt = 4, kCounterAt = 8, kSectionAt = 12, kZeroAt = 14, kHead = 24;
constexpr char kPerConnection = '1';
constexpr size_t kNameSize = 32;

void put32(const clt_main* main, uint8_t* p, uint32_t v) {
  if (main->byteorder == 1) {
    put_le32(p, v);
  } else {
    put_be32(p, v);
  }
}
void put16(const clt_main* main, uint8_t* p, uint16_t v) {
  if (main->byteorder == 1) {
    put_le16(p, v);
  } else {
    put_be16(p, v);
  }
}

}  // namespace

void clt_apinf_filename(const clt_main* main, int32_t number, char* destination, size_t size) {
  const clt_env* env = clt_main_env(const_cast<clt_main*>(main));
  if (env->pdtaapinfmode != kPerConnection && env->taapinf_names[number] != nullptr) {
    snprintf(destination, size, "%s", env->taapinf_names[number]);
    return;
  }
  uint32_t seconds = main->cnct_time_sec;
  clt_tm tm{};
  clt_localtime(&seconds, &tm);
  snprintf(destination, size, "pdtaapinf%02d%02d%02d%03hd_%ld_%d", tm.hour, tm.min, tm.sec,
           static_cast<short>(main->cnct_time_msec), static_cast<long>(main->cnct_number), number + 1);
}

void clt_apinf_write() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx != nullptr ? ctx->main : nullptr;
  if (main == nullptr) return;
  clt_reply_conn* rc = clt_main_reply(main);
  uint8_t* block = rc->apinf;
  if (block == nullptr) return;
  uint32_t length = 0;
  memcpy(&length, block, sizeof length);
  uint8_t* record = block + sizeof length;
  if (length >= kHead) {
    memcpy(record, kCode, sizeof kCode);
    put32(main, record + kCnctAt, main->cnct_number);
    put32(main, record + kCounterAt, main->reqcounter);
    put16(main, record + kSectionAt, main->area != nullptr ? main->area->section : 0);
    memset(record + kZeroAt, 0, kHead - kZeroAt);
    char names[2][kNameSize];
    clt_apinf_filename(main, 0, names[0], kNameSize);
    clt_apinf_filename(main, 1, names[1], kNameSize);
    const char* const pair[2] = {names[0], names[1]};
    clt_trc_append_piece(clt_text(main, CLT_TEXT_TAAPINFPATH), pair, record, length,
                         clt_main_env(main)->pdtaapinfsize);
  }
  // Written once: the block belongs to the request that brought it.
  cltmem_free(block, kModule, __LINE__);
  rc->apinf = nullptr;
}
