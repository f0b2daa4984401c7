#include "cltrdtcp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <string.h>
#include <sys/socket.h>

#include "CLTCOMCTX.h"
#include "CLTCOMD.h"
#include "CLTUTL.h"
#include "cltrdbuf.h"
#include "sockadapt.h"
#include "zk_loghook.h"
#include "zk_bytes.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "cltrdtcp";
constexpr uint32_t kHostNameSize = 512;
constexpr uint32_t kLengthField = 4;
constexpr int32_t kAddressBytes = 4;
constexpr int32_t kSocClose = 17;
constexpr int32_t kPhaseBefore = 1;
constexpr int32_t kPhaseAfter = 2;

void log_failure(const char* func, int32_t err) { clt_errlog_msg(CLT_MSG_COMM_ERROR, func, err); }

int32_t refuse(rdb_sql_area* area, int32_t line) {
  clt_report(area, kModule, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, kModule, line);
  return CLT_RD_E_REPORTED;
}

}  // namespace

int32_t clt_rd_tcp_connect(clt_rd_link* link, const char* host, uint16_t port) {
  int32_t err = 0;
  char name[kHostNameSize + 1] = {};
  com_wsa_args a;
  a.buf = name;
  a.len = kHostNameSize;
  if (com_wsa_call(COM_WSA_GETHOSTNAME, &err, a) < 0) {
    log_failure("gethostname", err);
    return -1;
  }
  uint32_t own = 0;
  com_wsa_args own_args;
  own_args.name = name;
  own_args.host = &own;
  com_wsa_call(COM_WSA_HOSTADDR, &err, own_args);
  if (own == 0) {
    log_failure("gethostbyname", err);
    return -1;
  }
  memcpy(link->client_addr, &own, sizeof link->client_addr);
  uint32_t server = 0;
  com_wsa_args server_args;
  server_args.name = host;
  server_args.host = &server;
  com_wsa_call(COM_WSA_HOSTADDR, &err, server_args);
  if (server == 0) {
    log_failure("gethostbyname", err);
    return -1;
  }
  com_wsa_args s;
  s.value = SOCK_STREAM;
  const int32_t sock = com_wsa_call(COM_WSA_SOCKET, &err, s);
  if (sock < 0) {
    log_failure("socket", err);
    return -1;
  }
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = server;
  com_wsa_args c;
  c.sock = sock;
  c.addr = &to;
  if (com_wsa_call(COM_WSA_CONNECT, &err, c) < 0) {
    const auto* b = reinterpret_cast<const uint8_t*>(&server);
    static_assert(sizeof server == kAddressBytes);
    clt_errlog_msg(CLT_MSG_COMM_ERROR_ADDR, "connect", b[0], b[1], b[2], b[3], static_cast<unsigned>(port), err);
    clt_rd_tcp_close(sock);
    return CLT_RD_E_CONNECT;
  }
  link->socket = sock;
  return 0;
}

int32_t clt_rd_tcp_recv(int32_t sock, uint8_t* buf, uint32_t capacity, const clt_rd_wait& wait, uint32_t* received,
                        rdb_sql_area* area) {
  *received = 0;
  uint32_t have = 0;
  uint32_t waited = 0;
  const com_wait second{1, 0};
  for (;;) {
    int32_t err = 0;
    com_wsa_args w;
    w.sock = sock;
    w.wait = &second;
    const int32_t ready = com_wsa_call(COM_WSA_SELECT, &err, w);
    if (ready < 0) {
      log_failure("select", err);
      return -1;
    }
    if (ready == 0) {
      if (wait.cancel_of != nullptr && clt_com_cancel_get(wait.cancel_of) == 1) return CLT_RD_E_CANCELLED;
      ++waited;
      if (wait.limit_seconds != 0 && waited >= wait.limit_seconds) return CLT_RD_E_TIMEOUT;
      continue;
    }
    // A full buffer whose message has not ended announced more than it holds.
    if (have == capacity) return refuse(area, __LINE__);
    com_wsa_args r;
    r.sock = sock;
    r.buf = buf + have;
    r.len = capacity - have;
    const int32_t n = com_wsa_call(COM_WSA_RECV, &err, r);
    if (n <= 0) {
      log_failure("recv", err);
      return CLT_RD_E_NETWORK;
    }
    have += static_cast<uint32_t>(n);
    if (have < kLengthField) continue;
    const uint32_t length = get_be32(buf);
    if (length > capacity || have > length) return refuse(area, __LINE__);
    if (have == length) {
      *received = have;
      return 0;
    }
  }
}

int32_t clt_rd_tcp_send(int32_t sock, const uint8_t* message, uint32_t length) {
  int32_t err = 0;
  com_wsa_args a;
  a.sock = sock;
  a.buf = const_cast<uint8_t*>(message);
  a.len = length;
  if (com_wsa_call(COM_WSA_SEND_ALL, &err, a) < 0) {
    log_failure("send", err);
    return CLT_RD_E_NETWORK;
  }
  return 0;
}

// The close of this link has a socket-trace call code of its own.
int32_t clt_rd_tcp_close(int32_t sock) {
  const clt_com_ctx ctx = clt_com_cur();
  const bool trace = ctx.call != nullptr && ctx.call->soc_trace_on != 0;
  if (trace) clt_trc_soc(kSocClose, kPhaseBefore, 0, sock, 0, 0, nullptr, 0);
  int32_t err = 0;
  const int32_t rc = sa_close(sock, &err);
  if (ctx.call != nullptr) ctx.call->wsa_error = err;
  if (trace) clt_trc_soc(kSocClose, kPhaseAfter, err, sock, 0, 0, nullptr, 0);
  if (rc < 0) {
    log_failure("closesocket", err);
    return -1;
  }
  return 0;
}
