#include "CLTSQLDR.h"

#include <string.h>

#include <algorithm>

#include "zk_bytes.h"
#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTCOMD.h"
#include "CLTENV.h"
#include "CLTFRAME.h"
#include "CLTMEM.h"
#include "zk_codes.h"
#include "CLTRPCSS.h"
#include "zk_seam.h"
#include "cltclock.h"

namespace {

constexpr const char* kModule = "CLTSQLDR";
constexpr const char* kMsgProtocol = CLT_MSG_PROTOCOL_ERROR;

constexpr uint8_t kBodyOnly = 0x80;
constexpr uint8_t kKindErrorBits = 0x07;
constexpr int16_t kTraceAll = 1;
constexpr uint32_t kKindError = 8;
// Reply header fields.
constexpr uint32_t kHdrKind = 4;
constexpr uint32_t kHdrErrorCode = 40;
constexpr uint32_t kHdrReturn = 44;
constexpr uint32_t kHdrRetryWait = 52;
constexpr uint32_t kDetailCode = 96;

// Socket-layer codes in the three phases of the exchange.
enum phase { kSending = 0, kHeader = 1, kBody = 2 };
struct code_row {
  int32_t soc_code;
  int32_t result[3];
};
constexpr code_row kCodes[] = {
    {COM_E_CANCELLED, {PD_E_CANCELLED, PD_E_CANCELLED, PD_E_CANCELLED}},
    {COM_E_SESSION_END, {PD_E_PROCESS_DOWN, PD_E_UNEXPECTED, PD_E_UNEXPECTED}},
    {COM_E_NETWORK, {PD_E_NETWORK, PD_E_NETWORK, PD_E_NETWORK}},
    {COM_E_TIMEOUT, {PD_E_UNEXPECTED, PD_E_TIMEOUT, PD_E_TIMEOUT}},
    {COM_E_SOCKETS, {PD_E_MEMORY, PD_E_MEMORY, PD_E_UNEXPECTED}},
    {COM_E_NOBUFS, {PD_E_MEMORY, PD_E_MEMORY, PD_E_UNEXPECTED}},
};

int32_t result_of(int32_t soc_code, phase p) {
  for (const code_row& r : kCodes) {
    if (r.soc_code == soc_code) return r.result[p];
  }
  return PD_E_UNEXPECTED;
}


// The peer of the kept connection, for the log lines.
struct peer_info {
  unsigned long addr;
  unsigned port;
};
peer_info peer_of(const clt_rpc_ctx& ctx) {
  if (ctx.call == nullptr || ctx.call->sess == nullptr) return peer_info{0, 0};
  return peer_info{ctx.call->sess->server.sin_addr.s_addr, ctx.call->sess->server.sin_port};
}

int32_t protocol_error(const clt_rpc_ctx& ctx, const char* reason, int32_t result) {
  const peer_info p = peer_of(ctx);
  clt_errlog_msg(kMsgProtocol, p.addr, static_cast<int>(p.port), reason);
  return result;
}

void trace_note(clt_com_trace_copy* copy, const clt_frame_header& header, uint8_t* data, uint32_t len) {
  clt_clock_reading now{};
  clt_clock_now(&now);
  memcpy(copy->header, &header, sizeof copy->header);
  copy->addr[0] = data;
  copy->len[0] = len;
  copy->count = 1;
  copy->seconds = static_cast<uint32_t>(now.seconds);
  copy->millis = now.milliseconds;
}

// The 64-byte reply header at the start of the body.
int32_t check_reply_header(const clt_rpc_ctx& ctx, const uint8_t* body, uint32_t len) {
  const uint32_t wait = get_be32(body + kHdrRetryWait);
  if (wait != 0 && ctx.conn != nullptr) ctx.conn->retry_wait = wait;
  const bool le = ctx.main != nullptr && ctx.main->byteorder != 0;
  auto server_word = [le](const uint8_t* p) { return static_cast<int32_t>(le ? get_le32(p) : get_be32(p)); };
  if (get_be32(body + kHdrKind) == kKindError) {
    const peer_info p = peer_of(ctx);
    clt_errlog_msg(PD_LOG_REPLIED, static_cast<long>(server_word(body + kHdrErrorCode)), p.addr, p.port, kModule,
                   __LINE__);
    // The detail code is read only when the reply holds it.
    if (len >= kDetailCode + sizeof(uint32_t)) {
      const int32_t detail = server_word(body + kDetailCode);
      if (detail == -2472 || detail == -2474 || detail == -2475) {
        if (ctx.conn != nullptr) {
          ctx.conn->reconnect = 1;
          if (ctx.conn->reconnect_reason == 0) ctx.conn->reconnect_reason = detail == -2472 ? 1 : detail == -2474 ? 3 : 4;
        }
        return PD_E_FES_LOST;
      }
    }
  }
  const int32_t code = static_cast<int32_t>(get_be32(body + kHdrReturn));
  if (code == 0) return 0;
  return pd_clt_server_code(code) != code ? pd_clt_server_code(code) : PD_E_UNEXPECTED;
}

}  // namespace

int32_t clt_send_direct(uint8_t* request, uint32_t* request_len, uint8_t* reply, uint32_t* reply_len,
                        rdb_sql_area* area) {
  (void)area;
  clt_rpc_ctx ctx = clt_rpc_cur();
  clt_com_ctx com = clt_com_cur();
  if (com.call == nullptr || com.conn == nullptr || com.main == nullptr || com.env == nullptr ||
      request_len == nullptr || reply_len == nullptr) {
    return PD_E_UNEXPECTED;
  }
  clt_com_conn* conn = com.conn;
  const bool trace = com.env->pdtrcmode == kTraceAll;
  const int32_t reqcode = clt_rpc_reqcode(com.main->funccode, conn->reqcode_override);
  if (reqcode < 0) return PD_E_UNEXPECTED;

  clt_frame_header header{};
  clt_frame_build(&header, conn->frame_session_port, false, static_cast<uint8_t>(reqcode), *request_len, *reply_len);
  com_piece pieces[2] = {{reinterpret_cast<uint8_t*>(&header), CLT_FRAME_HEADER_SIZE}, {request, *request_len}};
  const uint32_t total = CLT_FRAME_HEADER_SIZE + *request_len;
  int32_t first = 0;
  for (uint32_t sent = 0; sent < total;) {
    if (trace) trace_note(&conn->sent, header, request, *request_len);
    const int32_t rc = com_send(conn->cur_socket, pieces + first, 2 - first);
    if (rc < 0) return result_of(rc, kSending);
    if (rc == 0) return PD_E_NETWORK;
    sent += static_cast<uint32_t>(rc);
    // Drop the pieces that went out and advance into the first one left.
    uint32_t n = static_cast<uint32_t>(rc);
    while (first < 2 && n >= pieces[first].len) n -= pieces[first++].len;
    if (first < 2) {
      pieces[first].addr += n;
      pieces[first].len -= n;
    }
  }

  const int32_t wait_seconds = com.main->funccode == CLT_FC_CCMD ? com.env->pdcalcmdwaittime : com.env->pdcwaittime;
  const com_wait wait{wait_seconds, 0};
  const com_reply_deadline deadline(com.call, wait_seconds);
  const int32_t sock = conn->recv_socket >= 0 ? conn->recv_socket : conn->cur_socket;
  clt_frame_header got{};
  com_piece hp{reinterpret_cast<uint8_t*>(&got), CLT_FRAME_HEADER_SIZE};
  int32_t rc = com_recv(sock, &hp, 1, &wait);
  if (rc < 0) return result_of(rc, kHeader);
  if (rc == 0) return protocol_error(ctx, "SIZE ZERO", PD_E_PROCESS_DOWN);
  const uint32_t body_len = clt_frame_body_len(&got);
  const uint8_t kind = got.kind;
  if ((kind & kBodyOnly) == 0 && (kind & kKindErrorBits) != 0) return protocol_error(ctx, "INF2 ERROR", PD_E_UNEXPECTED);
  if (((kind & kBodyOnly) != 0 || kind == 0) && body_len == 0) return protocol_error(ctx, "INF2 ERROR", PD_E_PROTOCOL);
  // A body that cannot hold the reply header it must begin with is no reply.
  if ((kind & kBodyOnly) == 0 && body_len < CLT_REPLY_HEADER_SIZE) {
    return protocol_error(ctx, "SIZE SHORT", PD_E_PROTOCOL);
  }

  // A length whose buffer size would wrap around is no length a server sends.
  if (clt_round_step(body_len) > UINT32_MAX) return protocol_error(ctx, "SIZE OVER", PD_E_PROTOCOL);
  // A body longer than the caller's buffer goes into a new one that grows
  // as its bytes arrive; it replaces the connection's reply buffer once the
  // body is in, at the announced length rounded up to whole steps.
  uint8_t* target = reply;
  uint32_t room = *reply_len;
  uint8_t* grown = nullptr;
  auto drop = [&grown](int32_t result) {
    if (grown != nullptr) cltmem_free(grown, kModule, __LINE__);
    return result;
  };
  for (uint32_t got_len = 0; got_len < body_len;) {
    if (got_len >= room) {
      const uint32_t size = clt_grow_size(room, got_len + 1, clt_round_step(body_len));
      auto* next = static_cast<uint8_t*>(cltmem_alloc(size, 0, kModule, __LINE__));
      if (next == nullptr) {
        clt_errlog_msg(CLT_LOG_CLIENT_ERROR, "MEMORY", kModule, __LINE__);
        return drop(PD_E_MEMORY);
      }
      memcpy(next, target, got_len);
      if (grown != nullptr) cltmem_free(grown, kModule, __LINE__);
      grown = target = next;
      room = size;
    }
    com_piece bp{target + got_len, std::min(body_len, room) - got_len};
    rc = com_recv(sock, &bp, 1, &wait);
    if (rc < 0) return drop(result_of(rc, kBody));
    if (rc == 0) return drop(protocol_error(ctx, "SIZE ZERO", PD_E_PROCESS_DOWN));
    got_len += static_cast<uint32_t>(rc);
  }
  if (grown != nullptr) {
    if (com.call->reply_buf != nullptr) cltmem_free(com.call->reply_buf, kModule, __LINE__);
    com.call->reply_buf = grown;
    conn->reply_buf_size = room;
  }
  com.call->reply_cur = target;
  if (trace) trace_note(&conn->received, got, target, body_len);
  *reply_len = body_len;
  if ((kind & kBodyOnly) != 0) return 0;

  const int32_t result = check_reply_header(ctx, target, body_len);
  memmove(target, target + CLT_REPLY_HEADER_SIZE, body_len - CLT_REPLY_HEADER_SIZE);
  *reply_len = body_len - CLT_REPLY_HEADER_SIZE;
  return result;
}
