#include "cltastcp.h"

#include <arpa/inet.h>
#include <inttypes.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>

#include <algorithm>

#include "CLTMEM.h"
#include "zk_codes.h"
#include "zk_bytes.h"
#include "zk_cmd_records.h"
#include "clttrcmd.h"
#include "sockadapt.h"

namespace {

constexpr const char* kModule = "cltastcp";
constexpr const char* kMsgComm = CLT_MSG_COMM_ERROR;
constexpr const char* kMsgConnect = CLT_MSG_COMM_ERROR_ADDR;
constexpr const char* kMsgMemory = "KFPZ02402-E Memory shortage, size=%" PRIu32 ", inf=%s:%d\n";
constexpr const char* kMsgReply = "KFPZ02410-E Marlo replied error, code=%" PRId32 ", IPaddr=%" PRIx32 ", port=%u, inf=%s:%d\n";
constexpr uint32_t kHostNameSize = 512;
constexpr uint32_t kAddressBytes = 4;
constexpr uint32_t kPeriodSeconds = 60;

// The time-out of a wait as the socket trace shows it: seconds and
// microseconds, 32 bits each.
struct trace_timeout {
  uint32_t sec;
  uint32_t usec;
};

int32_t outcome(int32_t rc, int32_t wsa) { return rc < 0 ? wsa : rc; }

int32_t close_traced(clt_cmd_ctx* ctx, int32_t s, int32_t* wsa) {
  clt_ast_trc_soc(CLT_AST_CALL_CLOSESOCKET, CLT_AST_BEFORE, 0, s, 0, nullptr, CLT_AST_DATA_NONE, ctx);
  const int32_t rc = sa_close(s, wsa);
  clt_ast_trc_soc(CLT_AST_CALL_CLOSESOCKET, CLT_AST_AFTER, outcome(rc, *wsa), s, 0, nullptr, CLT_AST_DATA_NONE, ctx);
  return rc;
}

// The first address of a host name; false after the message.
bool lookup(clt_cmd_ctx* ctx, const char* name, uint32_t* addr) {
  int32_t wsa = 0;
  const int32_t name_len = static_cast<int32_t>(strlen(name));
  clt_ast_trc_soc(CLT_AST_CALL_GETHOSTBYNAME, CLT_AST_BEFORE, 0, -1, name_len, name, CLT_AST_DATA_PLAIN, ctx);
  const int32_t rc = sa_host_lookup(name, addr, &wsa);
  clt_ast_trc_soc(CLT_AST_CALL_GETHOSTBYNAME, CLT_AST_AFTER, outcome(rc, wsa), -1, rc == 0 ? kAddressBytes : 0,
                  addr, CLT_AST_DATA_PLAIN, ctx);
  if (rc == 0) return true;
  clt_ast_trc_msg(ctx, kMsgComm, "gethostbyname", wsa);
  return false;
}

// Waits until the socket is readable, in periods of 60 rounds. The wait
// limit bounds the whole reply, however the peer spreads its bytes:
// PDCMDWAITTIME is a number of 60-second periods here, so a limit of 60
// ends the reply an hour after it began to be awaited (`until`, 0 = no limit).
int32_t wait_readable(clt_cmd_ctx* ctx, int64_t until) {
  const bool limited = until != 0;
  const trace_timeout timeout{kPeriodSeconds, 0};
  const void* shown = limited ? &timeout : nullptr;
  const int32_t mode = limited ? CLT_AST_DATA_PLAIN : CLT_AST_DATA_NONE;
  for (;;) {
    int64_t wait = CLT_AST_PERIOD_ROUNDS * sa_round_us();
    if (limited) {
      const int64_t left = until - sa_mono_us();
      if (left <= 0) return CLT_AST_E_TIMEOUT;
      wait = std::min(wait, left);
    }
    int32_t wsa = 0;
    clt_ast_trc_soc(CLT_AST_CALL_SELECT, CLT_AST_BEFORE, 0, ctx->sock, sizeof timeout, shown, mode, ctx);
    const int32_t rc = sa_wait(ctx->sock, SA_WAIT_READ, wait, &wsa);
    clt_ast_trc_soc(CLT_AST_CALL_SELECT, CLT_AST_AFTER, outcome(rc, wsa), ctx->sock, sizeof timeout, shown, mode, ctx);
    if (rc < 0) {
      clt_ast_trc_msg(ctx, kMsgComm, "select", wsa);
      return CLT_AST_E_FAILED;
    }
    if (rc > 0) return 0;
  }
}

int32_t recv_exact(clt_cmd_ctx* ctx, uint8_t* buf, uint32_t len, int64_t until) {
  for (uint32_t got = 0; got < len;) {
    if (const int32_t rc = wait_readable(ctx, until); rc != 0) return rc;
    int32_t wsa = 0;
    clt_ast_trc_soc(CLT_AST_CALL_RECV, CLT_AST_BEFORE, 0, ctx->sock, 0, nullptr, CLT_AST_DATA_NONE, ctx);
    const int32_t n = sa_recv(ctx->sock, buf + got, len - got, &wsa);
    clt_ast_trc_soc(CLT_AST_CALL_RECV, CLT_AST_AFTER, outcome(n, wsa), ctx->sock, std::max(n, 0), buf + got,
                    CLT_AST_DATA_PLAIN, ctx);
    if (n <= 0) {
      clt_ast_trc_msg(ctx, kMsgComm, "recv", wsa);
      return CLT_AST_E_NETWORK;
    }
    got += static_cast<uint32_t>(n);
  }
  return 0;
}

}  // namespace

int32_t clt_ast_connect(clt_cmd_ctx* ctx) {
  // Sockets here need no start-up of the socket library.
  char name[kHostNameSize] = {};
  int32_t wsa = 0;
  clt_ast_trc_soc(CLT_AST_CALL_GETHOSTNAME, CLT_AST_BEFORE, 0, -1, 0, nullptr, CLT_AST_DATA_NONE, ctx);
  const int32_t named = sa_gethostname(name, sizeof name - 1, &wsa);
  clt_ast_trc_soc(CLT_AST_CALL_GETHOSTNAME, CLT_AST_AFTER, outcome(named, wsa), -1,
                  static_cast<int32_t>(strlen(name)), name, CLT_AST_DATA_PLAIN, ctx);
  if (named < 0) {
    clt_ast_trc_msg(ctx, kMsgComm, "gethostname", wsa);
    return CLT_AST_E_FAILED;
  }
  if (!lookup(ctx, name, &ctx->local_addr) || !lookup(ctx, ctx->host, &ctx->host_addr)) return CLT_AST_E_FAILED;

  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(ctx->port);
  addr.sin_addr.s_addr = ctx->host_addr;
  for (int32_t attempt = 1;; ++attempt) {
    clt_ast_trc_soc(CLT_AST_CALL_SOCKET, CLT_AST_BEFORE, 0, -1, 0, nullptr, CLT_AST_DATA_NONE, ctx);
    const int32_t s = sa_socket(SOCK_STREAM, &wsa);
    clt_ast_trc_soc(CLT_AST_CALL_SOCKET, CLT_AST_AFTER, outcome(s, wsa), s, 0, nullptr, CLT_AST_DATA_NONE, ctx);
    if (s < 0) {
      clt_ast_trc_msg(ctx, kMsgComm, "socket", wsa);
      return CLT_AST_E_FAILED;
    }
    clt_ast_trc_soc(CLT_AST_CALL_CONNECT, CLT_AST_BEFORE, 0, s, sizeof addr, &addr, CLT_AST_DATA_PLAIN, ctx);
    const int32_t rc = sa_connect(s, &addr, &wsa);
    clt_ast_trc_soc(CLT_AST_CALL_CONNECT, CLT_AST_AFTER, outcome(rc, wsa), s, 0, nullptr, CLT_AST_DATA_NONE, ctx);
    if (rc == 0) {
      ctx->sock = s;
      return 0;
    }
    const auto* b = reinterpret_cast<const uint8_t*>(&addr.sin_addr.s_addr);
    clt_ast_trc_msg(ctx, kMsgConnect, "connect", b[0], b[1], b[2], b[3], static_cast<unsigned>(ctx->port), wsa);
    int32_t close_wsa = 0;
    close_traced(ctx, s, &close_wsa);
    if (wsa != SA_WSAEADDRINUSE || attempt >= CLT_AST_CONNECT_TRIES) return CLT_AST_E_CONNECT;
  }
}

int32_t clt_ast_send(clt_cmd_ctx* ctx) {
  const bool logon = ctx->state == CLT_AST_SEND_LOGON;
  const uint8_t* record = logon ? ctx->logon_record : ctx->command_record;
  const uint32_t len = logon ? CLT_AST_LOGON_SIZE : ctx->command_record_len;
  clt_ast_trc_soc(CLT_AST_CALL_SEND, CLT_AST_BEFORE, 0, ctx->sock, static_cast<int32_t>(len), record,
                  CLT_AST_DATA_PLAIN, ctx);
  int32_t wsa = 0;
  for (uint32_t done = 0; done < len;) {
    const int32_t n = sa_send(ctx->sock, record + done, len - done, &wsa);
    if (n < 0) {
      clt_ast_trc_soc(CLT_AST_CALL_SEND, CLT_AST_AFTER, wsa, ctx->sock, 0, nullptr, CLT_AST_DATA_NONE, ctx);
      clt_ast_trc_msg(ctx, kMsgComm, "send", wsa);
      return CLT_AST_E_NETWORK;
    }
    done += static_cast<uint32_t>(n);
  }
  clt_ast_trc_soc(CLT_AST_CALL_SEND, CLT_AST_AFTER, static_cast<int32_t>(len), ctx->sock, 0, nullptr,
                  CLT_AST_DATA_NONE, ctx);
  return 0;
}

int32_t clt_ast_recv(clt_cmd_ctx* ctx) {
  const int64_t until =
      ctx->wait_time != 0
          ? sa_mono_us() + static_cast<int64_t>(ctx->wait_time) * CLT_AST_PERIOD_ROUNDS * sa_round_us()
          : 0;
  if (const int32_t rc = recv_exact(ctx, ctx->staging, CLT_AST_HEADER_SIZE, until); rc != 0) return rc;
  const uint32_t reply_len = std::max(get_be32(ctx->staging + CLT_AST_OFF_RECLEN),
                                      get_be32(ctx->staging + CLT_AST_OFF_TOTAL));
  // A reply announcing less than its header has already sent more than
  // it announced.
  if (reply_len < CLT_AST_HEADER_SIZE) {
    clt_ast_trc_msg(ctx, kMsgReply, static_cast<int32_t>(reply_len), static_cast<uint32_t>(ntohl(ctx->host_addr)),
                    static_cast<unsigned>(ctx->port), kModule, __LINE__);
    return CLT_AST_E_REPLY;
  }
  // The buffer grows as the reply's bytes arrive, never ahead of them: a
  // header may announce gigabytes that never come.
  uint8_t* buf = nullptr;
  uint32_t room = 0;
  for (uint32_t got = CLT_AST_HEADER_SIZE; got < reply_len || buf == nullptr;) {
    if (got >= room) {
      const uint32_t size = clt_grow_size(room, static_cast<uint64_t>(got) + 1, reply_len);
      auto* next = static_cast<uint8_t*>(cltmem_alloc_plain(size, 0));
      if (next == nullptr) {
        clt_ast_trc_msg(ctx, kMsgMemory, size, kModule, __LINE__);
        cltmem_free_plain(buf);
        return CLT_AST_E_MEMORY;
      }
      memcpy(next, buf != nullptr ? buf : ctx->staging, got);
      cltmem_free_plain(buf);
      buf = next;
      room = size;
    }
    const uint32_t chunk = std::min(room, reply_len) - got;
    if (const int32_t rc = recv_exact(ctx, buf + got, chunk, until); rc != 0) {
      cltmem_free_plain(buf);
      return rc;
    }
    got += chunk;
  }
  if (ctx->state == CLT_AST_RECV_LOGON) {
    ctx->logon_reply = buf;
    ctx->logon_reply_len = reply_len;
  } else {
    ctx->command_reply = buf;
    ctx->command_reply_len = reply_len;
  }
  return 0;
}

int32_t clt_ast_close(clt_cmd_ctx* ctx) {
  int32_t wsa = 0;
  const int32_t rc = close_traced(ctx, ctx->sock, &wsa);
  ctx->sock = -1;
  if (rc < 0) {
    clt_ast_trc_msg(ctx, kMsgComm, "closesocket", wsa);
    return CLT_AST_E_FAILED;
  }
  return 0;
}
