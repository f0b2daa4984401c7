#include "CLTTRCES.h"

#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTTRC.h"
#include "CLTTRCEL.h"
#include "zk_bytes.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "CLTTRCES";
constexpr int32_t kModeAll = 1;
constexpr uint32_t kFrameHeaderLength = 12;
constexpr uint32_t kFreedLength = sizeof CLT_ESS_FREED - 1;

// Header fields.
constexpr uint32_t kPid = 0;
constexpr uint32_t kThread = 4;
constexpr uint32_t kServerPid = 16;
constexpr uint32_t kSeconds = 20;
constexpr uint32_t kMillis = 24;
constexpr uint32_t kPieces = 28;
constexpr uint32_t kFirstLength = 32;
constexpr uint32_t kFrame = 36;

// One dump in progress: the file and what is left of its budget.
struct dump {
  int fd;
  int32_t budget;
  uint8_t* buf;
  bool ok = true;

  void put(const void* bytes, uint32_t length) {
    if (ok && length > 0) ok = write(fd, bytes, length) == static_cast<ssize_t>(length);
  }
  void word(uint32_t value) {
    put_le32(buf, value);
    put(buf, sizeof value);
  }
};

void put_header(dump& d, const clt_main* main, const clt_com_trace_copy& copy, uint32_t thread) {
  uint8_t* h = d.buf;
  memset(h, 0, CLT_ESS_HEADER_SIZE);
  put_le32(h + kPid, clt_getpid());
  put_le32(h + kThread, thread);
  put_le32(h + kServerPid, main->srv_pid);
  put_le32(h + kSeconds, copy.seconds);
  put_le32(h + kMillis, copy.millis);
  put_le32(h + kPieces, copy.count);
  put_le32(h + kFirstLength, kFrameHeaderLength);
  memcpy(h + kFrame, copy.header, kFrameHeaderLength);
  d.put(h, CLT_ESS_HEADER_SIZE);
  d.budget -= static_cast<int32_t>(CLT_ESS_HEADER_SIZE);
}

// The pieces after the frame header within the budget; false once it is spent.
bool put_pieces(dump& d, const clt_com_trace_copy& copy) {
  const uint32_t count = std::min<uint32_t>(copy.count, CLT_TACT_PIECES);
  for (uint32_t i = 1; i < count; ++i) {
    d.word(copy.len[i]);
    d.budget -= static_cast<int32_t>(sizeof(uint32_t));
    const int32_t k = std::max(0, std::min(static_cast<int32_t>(copy.len[i]), d.budget));
    if (copy.addr[i] != nullptr) d.put(copy.addr[i], static_cast<uint32_t>(k));
    d.budget -= k;
    if (d.budget <= 0) return false;
  }
  return true;
}

void put_placeholders(dump& d, const clt_com_trace_copy& copy) {
  const uint32_t count = std::min<uint32_t>(copy.count, CLT_TACT_PIECES);
  for (uint32_t i = 1; i < count; ++i) {
    d.word(kFreedLength);
    d.put(CLT_ESS_FREED, kFreedLength);
  }
}

// The file the dump replaces: the older one; with equal times an empty one, else file 1.
int32_t older(const struct stat st[2]) {
  if (st[0].st_mtim.tv_sec != st[1].st_mtim.tv_sec) return st[0].st_mtim.tv_sec < st[1].st_mtim.tv_sec ? 0 : 1;
  if (st[0].st_size == 0) return 0;
  return st[1].st_size == 0 ? 1 : 0;
}

void write_dump(dump& d, clt_global_data* ctx) {
  clt_main* main = ctx->main;
  const clt_com_conn* com = clt_main_com(main);
  const uint32_t thread = clt_main_req(main)->thread_id;
  const bool buffers = main->session_open != 0 && ctx->runtime.req_buf != nullptr && ctx->runtime.com.reply_buf != nullptr;
  put_header(d, main, com->sent, thread);
  if (!buffers) {
    put_placeholders(d, com->sent);
    put_header(d, main, com->received, thread);
    put_placeholders(d, com->received);
    return;
  }
  if (!put_pieces(d, com->sent)) return;
  put_header(d, main, com->received, thread);
  put_pieces(d, com->received);
}

}  // namespace

void clt_trc_open_ess() {
  clt_global_data* ctx = clt_cur();
  clt_trc_record_dir();
  clt_trc_ctx& t = ctx->runtime.trc;
  t.limit[CLT_TRC_SLOT_ESS] = CLT_ESS_LIMIT;
  if (t.ess_buf != nullptr) return;
  t.ess_buf = static_cast<uint8_t*>(cltmem_alloc(CLT_ESS_BUF_SIZE, 0, kModule, __LINE__));
  if (t.ess_buf != nullptr) {
    t.ess_state = CLT_TRC_READY;
  } else {
    t.ess_state = CLT_TRC_NO_MEMORY;
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, kModule, __LINE__);
  }
}

void clt_trc_close_ess() {
  clt_global_data* ctx = clt_cur();
  clt_trc_ctx& t = ctx->runtime.trc;
  if (t.ess_buf == nullptr) return;
  cltmem_free(t.ess_buf, kModule, __LINE__);
  t.ess_buf = nullptr;
}

void clt_trc_stream_dump() {
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || ctx->main == nullptr) return;
  clt_trc_ctx& t = ctx->runtime.trc;
  if (t.ess_state != CLT_TRC_READY || t.ess_buf == nullptr) return;
  if (clt_env_get(ctx->main, clt_setting::trcmode) != kModeAll) return;
  char paths[2][CLT_TRC_PATH_SIZE];
  clt_trc_filename(CLT_TRC_SLOT_ESS, 0, paths[0], sizeof paths[0]);
  clt_trc_filename(CLT_TRC_SLOT_ESS, 1, paths[1], sizeof paths[1]);
  int fds[2] = {-1, -1};
  struct stat st[2] {};
  for (int32_t i = 1; i >= 0; --i) fds[i] = clt_trc_open_append(paths[i]);
  if (fds[0] >= 0 && fds[1] >= 0 && fstat(fds[0], &st[0]) == 0 && fstat(fds[1], &st[1]) == 0) {
    const int32_t index = older(st);
    if (ftruncate(fds[index], 0) == 0) {
      dump d{fds[index], t.limit[CLT_TRC_SLOT_ESS], t.ess_buf};
      write_dump(d, ctx);
    }
  }
  for (int fd : fds) {
    if (fd >= 0) close(fd);
  }
}
