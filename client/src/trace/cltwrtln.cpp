#include "cltwrtln.h"

#include <arpa/inet.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTTRC.h"
#include "clt_sqltrc_buf.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "cltwrtln";
constexpr const char* kMsgInvalid = "KFPZ02411-E Invalid message received, IPaddr=%lx, port=%u, inf=%s:%d\n";
constexpr char kCutMark[] = "** PDWRTLNCOMSZ over **\n";
constexpr uint32_t kCutMarkLen = sizeof kCutMark - 1;
constexpr uint32_t kReplyExtension = 28;  // reply word: offset of the extension area
constexpr uint32_t kExtWriteLine = 16;    // extension word: offset of the WRITE LINE block
constexpr uint32_t kBlockLength = 4;
constexpr uint32_t kBlockCut = 8;
constexpr uint32_t kBlockText = 12;
constexpr uint8_t kCutByServer = 1;
constexpr int32_t kLevelWriteLine = -19;
constexpr size_t kNameSize = 16;

// A word of the reply at `at`, when the reply holds it.
bool word_at(const clt_main* main, const uint8_t* reply, uint32_t size, uint32_t at, uint32_t* out) {
  if (at > size || size - at < sizeof(uint32_t)) return false;
  *out = clt_trc_server32(main, reply + at);
  return true;
}

void invalid(const clt_main* main, int32_t line) {
  clt_errlog_msg(kMsgInvalid, 0L, static_cast<unsigned>(ntohs(main->srv_port)), kModule, line);
}

}  // namespace

void clt_wrtln_filename(int32_t number, char* destination, size_t size) {
  snprintf(destination, size, "pdwrtln%d.trc", number + 1);
}

void clt_wrtln_write() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx != nullptr ? ctx->main : nullptr;
  if (main == nullptr) return;
  // The request's reply stays in the connection's reply buffer after the
  // request; what arrived of it bounds every read.
  const uint8_t* reply = ctx->runtime.com.reply_cur != nullptr ? ctx->runtime.com.reply_cur : ctx->runtime.com.reply_buf;
  if (reply == nullptr) {
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, kModule, static_cast<int32_t>(__LINE__));
    return;
  }
  const clt_com_conn* com = clt_main_com(main);
  const uint32_t size = std::min(com->reply_capacity, com->reply_buf_size);
  uint32_t ext = 0;
  if (!word_at(main, reply, size, kReplyExtension, &ext) || ext == 0) return;
  if (!clt_level_word_at_most(main, kLevelWriteLine)) return;
  uint32_t block = 0;
  if (ext >= size || !word_at(main, reply, size, ext + kExtWriteLine, &block)) {
    invalid(main, __LINE__);
    return;
  }
  if (block == 0) return;
  uint32_t length = 0;
  const uint32_t at = ext + block;
  if (at < ext || at >= size || size - at < kBlockText || !word_at(main, reply, size, at + kBlockLength, &length) ||
      length > size - at - kBlockText || length > UINT32_MAX - kCutMarkLen) {
    invalid(main, __LINE__);
    return;
  }
  const uint8_t* text = reply + at + kBlockText;
  const clt_env* env = clt_main_env(main);
  const char* dir = clt_text(main, CLT_TEXT_WRTLNPATH);
  char names[2][kNameSize];
  clt_wrtln_filename(0, names[0], kNameSize);
  clt_wrtln_filename(1, names[1], kNameSize);
  const char* const pair[2] = {names[0], names[1]};
  const int32_t limit = env->pdwrtlnfilsz > 0 ? env->pdwrtlnfilsz : 0;
  if (reply[at + kBlockCut] != kCutByServer) {
    clt_trc_append_piece(dir, pair, text, length, limit);
    return;
  }
  auto* copy = static_cast<uint8_t*>(cltmem_alloc(length + kCutMarkLen, 0, kModule, __LINE__));
  if (copy == nullptr) {
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, kModule, static_cast<int32_t>(__LINE__));
    return;
  }
  memcpy(copy, text, length);
  memcpy(copy + length, kCutMark, kCutMarkLen);
  clt_trc_append_piece(dir, pair, copy, length + kCutMarkLen, limit);
  cltmem_free(copy, kModule, __LINE__);
}
