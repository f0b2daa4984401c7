#include "CLTTRCDT.h"

#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>

#include "CLTCOMCTX.h"
#include "CLTCOMD.h"
#include "CLTMEM.h"
#include "CLTTRC.h"
#include "CLTTRCEL.h"
#include "zk_bytes.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "CLTTRCDT";
constexpr char kMemLine[] = " %d %04d/%02d/%02d %02d:%02d:%02d %s";
constexpr size_t kMemLineSize = 512;

// Module record fields.
constexpr uint32_t kMdlEvent = 28;
constexpr uint32_t kMdlPhase = 32;
constexpr uint32_t kMdlWords = 36;
// RPC and socket record fields.
constexpr uint32_t kRecLength = 0;
constexpr uint32_t kRecStamp = 4;
constexpr uint32_t kRpcWords = 28;
constexpr uint32_t kSocCall = 28;
constexpr uint32_t kSocPhase = 30;
constexpr uint32_t kSocError = 32;
constexpr uint32_t kSocSocket = 36;
constexpr uint32_t kRecDataLength = 40;

clt_trc_ctx* trc() {
  clt_global_data* ctx = clt_cur();
  return ctx != nullptr ? &ctx->runtime.trc : nullptr;
}

// Sequence number, seconds, milliseconds and process id, one after another.
void stamp(uint8_t* at, uint32_t seq, uint32_t seconds) {
  put_le32(at, seq);
  put_le32(at + 4, seconds);
  put_le32(at + 8, clt_time_now(1));
  put_le32(at + 12, clt_getpid());
}

// A record buffer of a trace: ready, or the state that says why not.
uint16_t allocate(uint8_t** record, uint32_t size, int32_t line) {
  *record = static_cast<uint8_t*>(cltmem_alloc(size, 0, kModule, line));
  if (*record != nullptr) return CLT_TRC_READY;
  clt_errlog_msg(CLT_LOG_CLIENT_ERROR, CLT_LOG_REASON_MEMORY, kModule, line);
  return CLT_TRC_NO_MEMORY;
}

void release(uint8_t** record) {
  if (*record == nullptr) return;
  cltmem_free(*record, kModule, __LINE__);
  *record = nullptr;
}

// Copies up to `room` bytes of the caller's data; the full length.
uint32_t copy_data(uint8_t* to, uint32_t room, const void* data, int32_t length, int32_t kind, uint32_t* kept) {
  *kept = 0;
  if ((kind & CLT_SOC_DATA_PIECES) == 0) {
    const uint32_t full = static_cast<uint32_t>(length);
    *kept = std::min(full, room);
    memcpy(to, data, *kept);
    return full;
  }
  const auto* pieces = static_cast<const com_piece*>(data);
  uint32_t full = 0;
  for (int32_t i = 0; i < length; ++i) {
    const uint32_t take = std::min(pieces[i].len, room - *kept);
    memcpy(to + *kept, pieces[i].addr, take);
    *kept += take;
    full += pieces[i].len;
  }
  return full;
}

}  // namespace

void clt_trc_open_rpcsoc() {
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || ctx->main == nullptr || ctx->runtime.trc.rpcsoc_open != 0) return;
  clt_trc_ctx& t = ctx->runtime.trc;
  const clt_env* env = clt_main_env(ctx->main);
  clt_trc_record_dir();
  t.limit[CLT_TRC_SLOT_RPC] = env->pdtrcrpc;
  t.rpc_state = env->pdtrcrpc == 0 ? static_cast<uint16_t>(CLT_TRC_OFF) : allocate(&t.rpc_record, CLT_RPC_RECORD_SIZE, __LINE__);
  t.limit[CLT_TRC_SLOT_SOC] = env->pdtrcsoc;
  t.soc_data_max = env->trcsoc_datasize;
  if (env->pdtrcsoc == 0) {
    t.soc_state = CLT_TRC_OFF;
  } else {
    t.soc_state = allocate(&t.soc_record, CLT_TRC_HEADER_SIZE + static_cast<uint32_t>(t.soc_data_max), __LINE__);
  }
  ctx->runtime.com.soc_trace_on = t.soc_state == CLT_TRC_READY ? 1 : 0;
  t.rpcsoc_open = 1;
}

void clt_trc_free_rpcsoc() {
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || ctx->runtime.trc.rpcsoc_open == 0) return;
  clt_trc_ctx& t = ctx->runtime.trc;
  release(&t.rpc_record);
  release(&t.soc_record);
  ctx->runtime.com.soc_trace_on = 0;
  t.rpcsoc_open = 0;
}

int32_t clt_trc_rpc_on() {
  const clt_trc_ctx* t = trc();
  return t != nullptr && t->rpc_state == CLT_TRC_READY && t->rpc_record != nullptr ? 1 : 0;
}

void clt_trc_rpc(uint32_t word1, uint32_t word2, uint32_t word3, const void* data, uint32_t length,
                 int32_t /*reserved*/) {
  if (clt_trc_rpc_on() == 0) return;
  clt_trc_ctx* t = trc();
  uint8_t* r = t->rpc_record;
  memset(r, 0, CLT_TRC_HEADER_SIZE);
  stamp(r + kRecStamp, ++t->rpc_seq, clt_time_now(0));
  put_le32(r + kRpcWords, word1);
  put_le32(r + kRpcWords + 4, word2);
  put_le32(r + kRpcWords + 8, word3);
  put_le32(r + kRecDataLength, length);
  uint32_t kept = 0;
  if (data != nullptr) copy_data(r + CLT_TRC_HEADER_SIZE, CLT_RPC_DATA_MAX, data, static_cast<int32_t>(length), 0, &kept);
  put_le32(r + kRecLength, CLT_TRC_HEADER_SIZE + kept);
  clt_trc_write(r, CLT_TRC_HEADER_SIZE + kept, CLT_TRC_KIND_RPC, 0);
}

void clt_trc_rpc_call_block(uint8_t* block, const char* group, const char* function, const uint8_t* request,
                            uint32_t request_len, const uint8_t* reply, uint32_t reply_len, int32_t flags) {
  memset(block, 0, CLT_RPC_CALL_BLOCK_SIZE);
  memcpy(block + CLT_RPC_CB_GROUP, group, strnlen(group, CLT_RPC_CB_NAME_SIZE - 1));
  memcpy(block + CLT_RPC_CB_FUNCTION, function, strnlen(function, CLT_RPC_CB_NAME_SIZE - 1));
  put_le32(block + CLT_RPC_CB_REQ_LEN, request_len);
  if (request != nullptr) memcpy(block + CLT_RPC_CB_REQ, request, std::min(request_len, CLT_RPC_CB_HEAD));
  put_le32(block + CLT_RPC_CB_REPLY_LEN, reply_len);
  if (reply != nullptr) memcpy(block + CLT_RPC_CB_REPLY, reply, std::min(reply_len, CLT_RPC_CB_HEAD));
  put_le32(block + CLT_RPC_CB_FLAGS, static_cast<uint32_t>(flags));
}

void clt_trc_mdl_record(uint32_t event, uint16_t phase, const uint32_t words[3]) {
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || ctx->mdl_trc_state != CLT_TRC_READY || ctx->mdl_trc_record == nullptr) return;
  clt_trc_ctx& t = ctx->runtime.trc;
  auto* r = static_cast<uint8_t*>(ctx->mdl_trc_record);
  // The seconds are read again only when the phase changes.
  if (phase != t.mdl_phase) {
    t.mdl_phase = phase;
    t.mdl_seconds = clt_time_now(0);
  }
  memset(r, 0, CLT_MDL_RECORD_SIZE);
  stamp(r, ++t.mdl_seq, t.mdl_seconds);
  put_le32(r + kMdlEvent, event);
  put_le16(r + kMdlPhase, phase);
  for (uint32_t i = 0; i < 3; ++i) memcpy(r + kMdlWords + 4 * i, &words[i], sizeof words[i]);
  clt_trc_write(r, CLT_MDL_RECORD_SIZE, CLT_TRC_KIND_MDL, 0);
}

void clt_trc_soc_record(int32_t call, int32_t phase, int32_t wsa_error, int32_t sock, int32_t length,
                        int32_t /*extra*/, const void* data, int32_t data_kind) {
  clt_trc_ctx* t = trc();
  if (t == nullptr || t->soc_state != CLT_TRC_READY || t->soc_record == nullptr) return;
  uint8_t* r = t->soc_record;
  memset(r, 0, CLT_TRC_HEADER_SIZE);
  stamp(r + kRecStamp, ++t->soc_seq, clt_time_now(0));
  put_le16(r + kSocCall, static_cast<uint16_t>(call));
  put_le16(r + kSocPhase, static_cast<uint16_t>(phase));
  put_le32(r + kSocError, static_cast<uint32_t>(wsa_error));
  put_le32(r + kSocSocket, static_cast<uint32_t>(sock));
  uint32_t kept = 0;
  if ((data_kind & (CLT_SOC_DATA_PLAIN | CLT_SOC_DATA_PIECES)) != 0 && data != nullptr && length > 0) {
    const uint32_t full = copy_data(r + CLT_TRC_HEADER_SIZE, static_cast<uint32_t>(t->soc_data_max), data, length,
                                    data_kind, &kept);
    put_le32(r + kRecDataLength, full);
  }
  put_le32(r + kRecLength, CLT_TRC_HEADER_SIZE + kept);
  clt_trc_write(r, CLT_TRC_HEADER_SIZE + kept, CLT_TRC_KIND_SOC, 0);
}

void clt_trc_mem_line(const char* text) {
  clt_global_data* ctx = clt_cur();
  // With a context the file was found at its first call; without one it is looked for each time.
  if (ctx != nullptr && ctx->main != nullptr && ctx->memtrc != CLT_MEMTRC_ON) return;
  const int fd = open(clt_memtrc_path(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return;
  const uint32_t now = clt_time_now(0);
  clt_tm tm{};
  clt_localtime(&now, &tm);
  char line[kMemLineSize];
  int n = snprintf(line, sizeof line, kMemLine, static_cast<int>(clt_getpid()), clt_log_year(tm), tm.mon + 1,
                   tm.mday, tm.hour, tm.min, tm.sec, text);
  if (n > 0) {
    n = std::min(n, static_cast<int>(sizeof line) - 1);
    [[maybe_unused]] const ssize_t ignored = write(fd, line, static_cast<size_t>(n));
  }
  close(fd);
}
