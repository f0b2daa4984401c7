#include "CLTCOMD.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>

#include <algorithm>

#include "CLTCOMCTX.h"
#include "zk_loghook.h"
#include "zk_codes.h"
#include "zk_seam.h"
#include "cltclock.h"
#include "CLTUTL.h"
#include "sockadapt.h"

namespace {

constexpr const char* kModule = "CLTCOMD";

constexpr const char* kMsgComm = CLT_MSG_COMM_ERROR;
constexpr const char* kMsgConnect = CLT_MSG_COMM_ERROR_ADDR;
constexpr const char* kMsgVersion = "KFPZ02403-E %s version error, Marlo/client(%lx):object(%lx)\n";
constexpr const char* kMsgInfo = "KFPZ03000-I Error information, type=%s, inf=%s\n";

constexpr int32_t kListenBacklog = 5;
constexpr uint32_t kHostNameSize = 64;
constexpr int32_t kPortDrawSeconds = 16;
constexpr int32_t kPortDrawSecondStep = 100;
constexpr int32_t kPortDrawMilliDivisor = 10;
constexpr uint32_t kRecvDropLarge = 0x9000;
constexpr uint32_t kRecvDropSmall = 0x1000;

// Module-trace events.
constexpr uint32_t kEvOpen = 0x180301;
constexpr uint32_t kEvClose = 0x180302;
constexpr uint32_t kEvSend = 0x180303;
constexpr uint32_t kEvRecv = 0x180304;
constexpr uint32_t kEvSendto = 0x180305;
constexpr uint32_t kEvRcvfrom = 0x180306;
constexpr uint16_t kPhaseEntry = 1;
constexpr uint16_t kPhaseExit = 2;

// Settings in force without a control block: their defaults.
const clt_env kDefaultEnv = [] {
  clt_env e{};
  e.pdcltlinger = 30;
  e.pdcltnodelay = 'Y';
  e.pdcltbindloopbackaddr = 'N';
  return e;
}();

struct errmap_row {
  int32_t code;
  int32_t wsa;
  int32_t result;
};

const errmap_row kErrMap[] = {
    {COM_WSA_SOCKET, SA_WSAEMFILE, COM_E_SOCKETS},
    {COM_WSA_SOCKET, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_SOCKET, SA_WSAENOBUFS, COM_E_NOBUFS},

    {COM_WSA_CONNECT, SA_WSAEFAULT, COM_E_INVALID},
    {COM_WSA_CONNECT, SA_WSAEAFNOSUPPORT, COM_E_INVALID},
    {COM_WSA_CONNECT, SA_WSAEMFILE, COM_E_SOCKETS},
    {COM_WSA_CONNECT, SA_WSAEDESTADDRREQ, COM_E_TIMEOUT},
    {COM_WSA_CONNECT, SA_WSAETIMEDOUT, COM_E_TIMEOUT},
    {COM_WSA_CONNECT, SA_WSAEADDRINUSE, COM_E_ADDRINUSE},
    {COM_WSA_CONNECT, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_CONNECT, SA_WSAENETUNREACH, COM_E_NETWORK},
    {COM_WSA_CONNECT, SA_WSAENOBUFS, COM_E_NOBUFS},
    {COM_WSA_CONNECT, SA_WSAECONNREFUSED, COM_E_REFUSED},

    {COM_WSA_BIND, SA_WSAEFAULT, COM_E_INVALID},
    {COM_WSA_BIND, SA_WSAEAFNOSUPPORT, COM_E_INVALID},
    {COM_WSA_BIND, SA_WSAEADDRINUSE, COM_E_INVALID},
    {COM_WSA_BIND, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_BIND, SA_WSAENOBUFS, COM_E_NOBUFS},

    {COM_WSA_GETSOCKNAME, SA_WSAEFAULT, COM_E_INVALID},
    {COM_WSA_GETSOCKNAME, SA_WSAENETDOWN, COM_E_NETWORK},

    {COM_WSA_LISTEN, SA_WSAEFAULT, COM_E_INVALID},
    {COM_WSA_LISTEN, SA_WSAEMFILE, COM_E_SOCKETS},
    {COM_WSA_LISTEN, SA_WSAENOBUFS, COM_E_NOBUFS},
    {COM_WSA_LISTEN, SA_WSAEHOSTDOWN, COM_E_NETWORK},

    {COM_WSA_WAIT_READ, SA_WSAEINVAL, COM_E_INVALID},
    {COM_WSA_WAIT_READ, SA_WSAENOTSOCK, COM_E_INVALID},
    {COM_WSA_WAIT_READ, SA_WSAENETDOWN, COM_E_NETWORK},

    {COM_WSA_ACCEPT, SA_WSAEFAULT, COM_E_INVALID},
    {COM_WSA_ACCEPT, SA_WSAEINVAL, COM_E_INVALID},
    {COM_WSA_ACCEPT, SA_WSAENOTSOCK, COM_E_INVALID},
    {COM_WSA_ACCEPT, SA_WSAEMFILE, COM_E_SOCKETS},
    {COM_WSA_ACCEPT, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_ACCEPT, SA_WSAENOBUFS, COM_E_NOBUFS},

    {COM_WSA_SENDTO, SA_WSAEACCES, COM_E_NETWORK},
    {COM_WSA_SENDTO, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_SENDTO, SA_WSAENETUNREACH, COM_E_NETWORK},
    {COM_WSA_SENDTO, SA_WSAENETRESET, COM_E_NETWORK},
    {COM_WSA_SENDTO, SA_WSAECONNABORTED, COM_E_NETWORK},
    {COM_WSA_SENDTO, SA_WSAECONNRESET, COM_E_NETWORK},
    {COM_WSA_SENDTO, SA_WSAESHUTDOWN, COM_E_NETWORK},
    {COM_WSA_SENDTO, SA_WSAEFAULT, COM_E_INVALID},
    {COM_WSA_SENDTO, SA_WSAENOTSOCK, COM_E_INVALID},
    {COM_WSA_SENDTO, SA_WSAEDESTADDRREQ, COM_E_INVALID},
    {COM_WSA_SENDTO, SA_WSAEMSGSIZE, COM_E_INVALID},
    {COM_WSA_SENDTO, SA_WSAEAFNOSUPPORT, COM_E_INVALID},
    {COM_WSA_SENDTO, SA_WSAENOTCONN, COM_E_INVALID},
    {COM_WSA_SENDTO, SA_WSAENOBUFS, COM_E_NOBUFS},

    {COM_WSA_RECVFROM, SA_WSAEFAULT, COM_E_INVALID},
    {COM_WSA_RECVFROM, SA_WSAEINVAL, COM_E_INVALID},
    {COM_WSA_RECVFROM, SA_WSAENOTSOCK, COM_E_INVALID},
    {COM_WSA_RECVFROM, SA_WSAEMSGSIZE, COM_E_INVALID},
    {COM_WSA_RECVFROM, SA_WSAENOTCONN, COM_E_INVALID},
    {COM_WSA_RECVFROM, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_RECVFROM, SA_WSAECONNABORTED, COM_E_NETWORK},
    {COM_WSA_RECVFROM, SA_WSAECONNRESET, COM_E_NETWORK},
    {COM_WSA_RECVFROM, SA_WSAESHUTDOWN, COM_E_NETWORK},

    {COM_WSA_HOSTNAME_OF, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_HOSTNAME_OF, SA_WSAHOST_NOT_FOUND, COM_E_HOST},
    {COM_WSA_HOSTNAME_OF, SA_WSANO_DATA, COM_E_HOST},
    {COM_WSA_HOSTADDR, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_HOSTADDR, SA_WSAHOST_NOT_FOUND, COM_E_HOST},
    {COM_WSA_HOSTADDR, SA_WSANO_DATA, COM_E_HOST},

    {COM_WSA_CLOSE, SA_WSAENOTSOCK, COM_E_INVALID},
    {COM_WSA_CLOSE, SA_WSAENETDOWN, COM_E_NETWORK},

    {COM_WSA_SEND_ALL, SA_WSAEACCES, COM_E_NETWORK},
    {COM_WSA_SEND_ALL, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_SEND_ALL, SA_WSAENETRESET, COM_E_NETWORK},
    {COM_WSA_SEND_ALL, SA_WSAECONNABORTED, COM_E_NETWORK},
    {COM_WSA_SEND_ALL, SA_WSAECONNRESET, COM_E_NETWORK},
    {COM_WSA_SEND_ALL, SA_WSAEFAULT, COM_E_INVALID},
    {COM_WSA_SEND_ALL, SA_WSAEINVAL, COM_E_INVALID},
    {COM_WSA_SEND_ALL, SA_WSAENOTSOCK, COM_E_INVALID},
    {COM_WSA_SEND_ALL, SA_WSAEMSGSIZE, COM_E_INVALID},
    {COM_WSA_SEND_ALL, SA_WSAENOTCONN, COM_E_INVALID},
    {COM_WSA_SEND_ALL, SA_WSAENOBUFS, COM_E_NOBUFS},

    {COM_WSA_RECV, SA_WSAEINVAL, COM_E_INVALID},
    {COM_WSA_RECV, SA_WSAENOTSOCK, COM_E_INVALID},
    {COM_WSA_RECV, SA_WSAEMSGSIZE, COM_E_INVALID},
    {COM_WSA_RECV, SA_WSAENOTCONN, COM_E_INVALID},
    {COM_WSA_RECV, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_RECV, SA_WSAECONNABORTED, COM_E_NETWORK},
    {COM_WSA_RECV, SA_WSAECONNRESET, COM_E_NETWORK},
    {COM_WSA_RECV, SA_WSAESHUTDOWN, COM_E_NETWORK},

    {COM_WSA_LINGER, SA_WSAEFAULT, COM_E_INVALID},
    {COM_WSA_LINGER, SA_WSAENOTCONN, COM_E_INVALID},
    {COM_WSA_LINGER, SA_WSAENETDOWN, COM_E_NETWORK},
    {COM_WSA_LINGER, SA_WSAENETRESET, COM_E_NETWORK},
    {COM_WSA_LINGER, SA_WSAENOBUFS, COM_E_NOBUFS},

    {COM_WSA_STARTUP, SA_WSAEINVAL, COM_E_INVALID},
    {COM_WSA_STARTUP, SA_WSAVERNOTSUPPORTED, COM_E_INVALID},

    {COM_WSA_CLEANUP, SA_WSAENETDOWN, COM_E_NETWORK},
};

const clt_env& env_of(const clt_com_ctx& ctx) { return ctx.env != nullptr ? *ctx.env : kDefaultEnv; }

// The socket-trace call code of an adapter function code, 0 for none.
int32_t trace_call(int32_t code) {
  switch (code) {
    case COM_WSA_SOCKET: return CLT_SOC_SOCKET;
    case COM_WSA_CONNECT: return CLT_SOC_CONNECT;
    case COM_WSA_BIND: return CLT_SOC_BIND;
    case COM_WSA_GETSOCKNAME: return CLT_SOC_GETSOCKNAME;
    case COM_WSA_LISTEN: return CLT_SOC_LISTEN;
    case COM_WSA_WAIT_READ:
    case COM_WSA_SELECT:
    case COM_WSA_WAIT_READ_CANCEL:
    case COM_WSA_WAIT_WRITE_CANCEL: return CLT_SOC_SELECT;
    case COM_WSA_ACCEPT: return CLT_SOC_ACCEPT;
    case COM_WSA_SENDTO: return CLT_SOC_SENDTO;
    case COM_WSA_RECVFROM: return CLT_SOC_RECVFROM;
    case COM_WSA_HOSTNAME_OF:
    case COM_WSA_HOSTADDR: return CLT_SOC_GETHOSTBYNAME;
    case COM_WSA_CLOSE: return CLT_SOC_CLOSE;
    case COM_WSA_SEND_ALL: return CLT_SOC_SEND;
    case COM_WSA_RECV: return CLT_SOC_RECV;
    case COM_WSA_GETHOSTNAME: return CLT_SOC_GETHOSTNAME;
    case COM_WSA_LINGER:
    case COM_WSA_SNDBUF:
    case COM_WSA_RCVBUF:
    case COM_WSA_EXCLUSIVE: return CLT_SOC_SETSOCKOPT;
    default: return 0;
  }
}

constexpr int32_t kTraceDataPlain = 2;

void soc_trace(const clt_com_ctx& ctx, int32_t call, int32_t phase, int32_t wsa, int32_t sock,
               int32_t len, const void* data) {
  if (call == 0 || ctx.call == nullptr || ctx.call->soc_trace_on == 0) return;
  clt_trc_soc(call, phase, wsa, sock, len, 0, data, data != nullptr ? kTraceDataPlain : 0);
}

// Module trace at entry: the operation's name (up to 11 characters and
// its zero) in the three data words.
void mdl_enter(const clt_com_ctx& ctx, uint32_t event, const char* name) {
  if (ctx.call == nullptr || ctx.call->mdl_trace_on == 0) return;
  uint32_t* words = ctx.call->mdl_data;
  memset(words, 0, sizeof ctx.call->mdl_data);
  memcpy(words, name, std::min(strlen(name), sizeof ctx.call->mdl_data - 1));
  clt_trc_mdl(event, kPhaseEntry, words);
}

// Module trace at exit: "com", the result and the last WinSock error.
int32_t mdl_exit(const clt_com_ctx& ctx, uint32_t event, int32_t result) {
  if (ctx.call == nullptr || ctx.call->mdl_trace_on == 0) return result;
  uint32_t* words = ctx.call->mdl_data;
  static constexpr char kTag[4] = "com";
  memcpy(&words[0], kTag, sizeof kTag);
  words[1] = static_cast<uint32_t>(result);
  words[2] = static_cast<uint32_t>(ctx.call->wsa_error);
  clt_trc_mdl(event, kPhaseExit, words);
  return result;
}

void msg_comm(const char* func, int32_t wsa) { clt_errlog_msg(kMsgComm, func, wsa); }

void msg_connect(const sockaddr_in* addr, int32_t wsa) {
  const auto* b = reinterpret_cast<const uint8_t*>(&addr->sin_addr.s_addr);
  clt_errlog_msg(kMsgConnect, "connect", b[0], b[1], b[2], b[3], static_cast<unsigned>(ntohs(addr->sin_port)),
                 wsa);
}

// One wait on one socket in rounds of one second (the time seam's round).
// seconds 0 waits without limit; with round_us given, rounds of that
// length instead, as many as the microseconds ask. Cancel polling ends
// the wait with -1 once the flag is 1. A reply's deadline (until_us, 0 =
// none) ends the wait as a time-out once it has passed.
int32_t wait_rounds(int32_t sock, sa_wait_kind kind, const com_wait* wait, bool microsecond_rounds,
                    const clt_main* cancel_of, int64_t until_us, int32_t* wsa) {
  int64_t rounds = wait != nullptr && wait->sec > 0 ? wait->sec : 0;
  int64_t round_len = sa_round_us();
  if (microsecond_rounds && wait != nullptr && wait->sec == 0 && wait->usec > 0) {
    rounds = wait->usec;
    round_len = 1;
  }
  for (int64_t done = 0;;) {
    int64_t this_round = round_len;
    if (until_us != 0) {
      const int64_t left = until_us - sa_mono_us();
      if (left <= 0) {
        *wsa = 0;
        return 0;
      }
      this_round = std::min(this_round, left);
    }
    int32_t rc = sa_wait(sock, kind, this_round, wsa);
    if (rc > 0) return rc;
    if (rc < 0 && *wsa != SA_WSAEINPROGRESS) return rc;
    if (cancel_of != nullptr && clt_com_cancel_get(cancel_of) == 1) {
      *wsa = 0;
      return -1;
    }
    if (rc == 0 && rounds != 0 && ++done >= rounds) return 0;
  }
}

int64_t reply_until(const clt_com_ctx& ctx) { return ctx.call != nullptr ? ctx.call->reply_until_us : 0; }

int32_t adapter_call(const clt_com_ctx& ctx, int32_t code, int32_t* wsa, com_wsa_args& a) {
  const clt_env& env = env_of(ctx);
  *wsa = 0;
  switch (code) {
    case COM_WSA_SOCKET: return sa_socket(a.value, wsa);
    case COM_WSA_CONNECT: return sa_connect(a.sock, a.addr, wsa);
    case COM_WSA_BIND: return sa_bind(a.sock, a.addr, wsa);
    case COM_WSA_GETSOCKNAME: return sa_getsockname(a.sock, a.addr, wsa);
    case COM_WSA_LISTEN: return sa_listen(a.sock, a.value, wsa);
    case COM_WSA_WAIT_READ: return wait_rounds(a.sock, SA_WAIT_READ, a.wait, true, nullptr, reply_until(ctx), wsa);
    case COM_WSA_ACCEPT: {
      int32_t s = sa_accept(a.sock, a.addr, wsa);
      if (s >= 0 && env.pdcltnodelay == 'Y') {
        int32_t opt_wsa = 0;
        if (sa_set_nodelay(s, &opt_wsa) < 0) msg_comm("setsockopt", opt_wsa);
      }
      return s;
    }
    case COM_WSA_SENDTO: return sa_sendto(a.sock, a.buf, a.len, a.addr, wsa);
    case COM_WSA_RECVFROM: return sa_recvfrom(a.sock, a.buf, a.len, a.addr, wsa);
    case COM_WSA_HOSTNAME_OF: return sa_host_name(*a.host, static_cast<char*>(a.buf), a.len, wsa);
    case COM_WSA_CLOSE: return sa_close(a.sock, wsa);
    case COM_WSA_HOSTADDR: {
      uint32_t literal = 0;
      uint32_t entry = 0;
      bool looked_up = clt_resolve_host(a.name, &literal, &entry, wsa);
      *a.host = looked_up ? entry : literal;
      return 0;
    }
    case COM_WSA_SEND_ALL: {
      a.done = 0;
      const auto* p = static_cast<const uint8_t*>(a.buf);
      while (a.done < a.len) {
        int32_t n = sa_send(a.sock, p + a.done, a.len - a.done, wsa);
        if (n < 0) return n;
        a.done += static_cast<uint32_t>(n);
      }
      return static_cast<int32_t>(a.len);
    }
    case COM_WSA_RECV: return sa_recv(a.sock, a.buf, a.len, wsa);
    case COM_WSA_GETHOSTNAME: return sa_gethostname(static_cast<char*>(a.buf), a.len, wsa);
    case COM_WSA_LINGER: return sa_set_linger(a.sock, static_cast<uint16_t>(a.value), wsa);
    case COM_WSA_SNDBUF: return sa_set_sndbuf(a.sock, a.value, wsa);
    case COM_WSA_RCVBUF: return sa_set_rcvbuf(a.sock, a.value, wsa);
    case COM_WSA_EXCLUSIVE: return sa_set_exclusive(a.sock, wsa);
    case COM_WSA_VERSION: return static_cast<int32_t>(COM_ADAPTER_VERSION);
    case COM_WSA_SELECT: return wait_rounds(a.sock, SA_WAIT_READ, a.wait, false, nullptr, reply_until(ctx), wsa);
    case COM_WSA_WAIT_READ_CANCEL:
      return wait_rounds(a.sock, SA_WAIT_READ, a.wait, false, ctx.main, reply_until(ctx), wsa);
    case COM_WSA_WAIT_WRITE_CANCEL: return wait_rounds(a.sock, SA_WAIT_WRITE, a.wait, false, ctx.main, 0, wsa);
    // Sockets here need no start-up or clean-up.
    default: return 0;
  }
}

// Closes a socket after a failure, keeping the failure's WinSock error
// as the last one.
int32_t close_after_failure(const clt_com_ctx& ctx, int32_t sock, int32_t result) {
  int32_t saved = ctx.call != nullptr ? ctx.call->wsa_error : 0;
  com_close(sock, 0);
  if (ctx.call != nullptr) ctx.call->wsa_error = saved;
  return result;
}

// The address to tell the server when the receive socket is bound to
// any address: the local host name's address, or the server host's when
// the name cannot be had or resolved and that address is this host's.
int32_t advertised_address(const char* server_host, uint32_t* out) {
  int32_t err = 0;
  char name[kHostNameSize] = {};
  com_wsa_args a;
  a.buf = name;
  a.len = sizeof name - 1;
  uint32_t addr = 0;
  bool named = com_wsa_call(COM_WSA_GETHOSTNAME, &err, a) >= 0;
  int32_t name_err = err;
  if (named) {
    com_wsa_args h;
    h.name = name;
    h.host = &addr;
    com_wsa_call(COM_WSA_HOSTADDR, &err, h);
    if (addr != 0) {
      *out = addr;
      return 0;
    }
  }
  com_wsa_args h;
  h.name = server_host;
  h.host = &addr;
  com_wsa_call(COM_WSA_HOSTADDR, &err, h);
  if (addr == 0) {
    msg_comm("gethostbyname", err);
    return com_wsa_errmap(COM_WSA_HOSTADDR, err);
  }
  if (clt_bind_test(addr) != 0) {
    if (!named) {
      msg_comm("gethostname", name_err);
      return com_wsa_errmap(COM_WSA_GETHOSTNAME, name_err);
    }
    msg_comm("gethostbyname", err);
    return com_wsa_errmap(COM_WSA_HOSTADDR, err);
  }
  *out = addr;
  return 0;
}

// A new socket of `type`, or the code of its failure, which is logged.
int32_t create_socket(int32_t type) {
  int32_t err = 0;
  com_wsa_args a;
  a.value = type;
  const int32_t s = com_wsa_call(COM_WSA_SOCKET, &err, a);
  if (s >= 0) return s;
  msg_comm("socket", err);
  return com_wsa_errmap(COM_WSA_SOCKET, err);
}

int32_t open_connect(const clt_com_ctx& ctx, sockaddr_in* addr) {
  const clt_env& env = env_of(ctx);
  const int32_t s = create_socket(SOCK_STREAM);
  if (s < 0) return s;
  int32_t err = 0;
  com_wsa_args a;
  if (env.pdnblockwaittime != 0) {
    soc_trace(ctx, CLT_SOC_CONNECT, kPhaseEntry, 0, s, 0, nullptr);
    int32_t rc = sa_set_nonblocking(s, &err);
    if (ctx.call != nullptr) ctx.call->wsa_error = err;
    soc_trace(ctx, CLT_SOC_CONNECT, kPhaseExit, err, s, 0, nullptr);
    if (rc < 0) {
      msg_comm("ioctlsocket", err);
      return close_after_failure(ctx, s, COM_E_INVALID);
    }
  }
  a.sock = s;
  a.addr = addr;
  if (com_wsa_call(COM_WSA_CONNECT, &err, a) < 0) {
    if (env.pdnblockwaittime == 0 || err != SA_WSAEWOULDBLOCK) {
      msg_connect(addr, err);
      return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_CONNECT, err));
    }
    com_wait w{env.pdnblockwaittime, 0};
    a.wait = &w;
    int32_t rc = com_wsa_call(COM_WSA_WAIT_WRITE_CANCEL, &err, a);
    if (rc == 0) {
      msg_connect(addr, SA_WSAETIMEDOUT);
      return close_after_failure(ctx, s, COM_E_TIMEOUT);
    }
    if (rc < 0) {
      msg_comm("select", err);
      msg_connect(addr, err);
      return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_WAIT_READ, err));
    }
    // A failed connect also wakes the wait here; its own error tells
    // refused from connected.
    if (sa_connect_error(s, &err) < 0) {
      if (ctx.call != nullptr) ctx.call->wsa_error = err;
      msg_connect(addr, err);
      return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_CONNECT, err));
    }
  }
  if (env.pdcltlinger > 0) {
    a.value = env.pdcltlinger;
    if (com_wsa_call(COM_WSA_LINGER, &err, a) < 0) {
      msg_comm("setsockopt", err);
      return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_LINGER, err));
    }
    if (env.pdcltsndbufsize > 0) {
      a.value = env.pdcltsndbufsize;
      if (com_wsa_call(COM_WSA_SNDBUF, &err, a) < 0) {
        msg_comm("setsockopt", err);
        return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_LINGER, err));
      }
    }
  }
  return s;
}

// Binds the receive socket to a port of PDCLTRCVPORT: one bind for a
// single port, else a walk of the range from a port drawn from the clock.
int32_t bind_receive_port(const clt_com_ctx& ctx, int32_t s, sockaddr_in* sin) {
  const clt_env& env = env_of(ctx);
  int32_t err = 0;
  com_wsa_args a;
  a.sock = s;
  a.addr = sin;
  const uint16_t low = env.rcvport_low;
  const uint16_t high = env.rcvport_high;
  if (low >= high) {
    sin->sin_port = htons(low);
    if (com_wsa_call(COM_WSA_BIND, &err, a) < 0) {
      msg_comm("bind", err);
      return com_wsa_errmap(COM_WSA_BIND, err);
    }
    return 0;
  }
  clt_clock_reading now{};
  clt_clock_now(&now);
  const uint32_t seconds = static_cast<uint32_t>(now.seconds);
  const uint32_t millis = now.milliseconds;
  const uint32_t span = static_cast<uint32_t>(high - low) + 1;
  const uint32_t draw = (seconds % kPortDrawSeconds) * kPortDrawSecondStep + millis / kPortDrawMilliDivisor;
  const uint16_t start = static_cast<uint16_t>(low + draw % span);
  uint16_t port = start;
  for (;;) {
    sin->sin_port = htons(port);
    if (com_wsa_call(COM_WSA_BIND, &err, a) >= 0) return 0;
    if (err != SA_WSAEACCES && err != SA_WSAEADDRINUSE) {
      msg_comm("bind", err);
      return com_wsa_errmap(COM_WSA_BIND, err);
    }
    port = port == high ? low : static_cast<uint16_t>(port + 1);
    if (port == start) {
      msg_comm("bind", err);
      return COM_E_INVALID;
    }
  }
}

int32_t open_receive_port(const clt_com_ctx& ctx, sockaddr_in* addr) {
  const clt_env& env = env_of(ctx);
  const int32_t s = create_socket(SOCK_STREAM);
  if (s < 0) return s;
  int32_t err = 0;
  com_wsa_args a;
  a.sock = s;
  if (env.exclusive_addr == 1 && com_wsa_call(COM_WSA_EXCLUSIVE, &err, a) < 0) {
    msg_comm("setsockopt(SO_EXCLUSIVEADDRUSE)", err);
    return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_LINGER, err));
  }
  // The front-end host when there is one, else the connection's host.
  char server_host[sizeof env.pdfeshost] = {};
  if (env.pdfeshost[0] != '\0') {
    snprintf(server_host, sizeof server_host, "%s", env.pdfeshost);
  } else if (clt_env_host_part(env.pdhost, server_host) != 0) {
    server_host[0] = '\0';
  }
  const bool loopback_bind = env.pdcltbindloopbackaddr == 'Y' && ctx.conn != nullptr && ctx.conn->loopback == 1;
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = loopback_bind ? inet_addr(server_host) : INADDR_ANY;
  int32_t rc = bind_receive_port(ctx, s, &sin);
  if (rc < 0) return close_after_failure(ctx, s, rc);
  a.addr = &sin;
  if (com_wsa_call(COM_WSA_GETSOCKNAME, &err, a) < 0) {
    msg_comm("getsockname", err);
    return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_GETSOCKNAME, err));
  }
  // A socket bound to the loopback address accepts only there, so that
  // address is the one to tell the server.
  const bool rcvaddr_given = env.rcvaddr != 0 || env.rcvaddr_host[0] != '\0';
  if (!rcvaddr_given && sin.sin_addr.s_addr == INADDR_ANY) {
    uint32_t found = 0;
    rc = advertised_address(server_host, &found);
    if (rc < 0) return close_after_failure(ctx, s, rc);
    sin.sin_addr.s_addr = found;
  }
  // A host name in PDCLTRCVADDR is resolved now; a literal already was.
  if (env.rcvaddr_host[0] != '\0') {
    clt_env* writable = ctx.env;
    uint32_t resolved = 0;
    com_wsa_args h;
    h.name = env.rcvaddr_host;
    h.host = &resolved;
    com_wsa_call(COM_WSA_HOSTADDR, &err, h);
    writable->rcvaddr = resolved;
    if (resolved == 0) {
      msg_comm("gethostbyname", err);
      return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_HOSTADDR, err));
    }
    const auto* b = reinterpret_cast<const uint8_t*>(&resolved);
    snprintf(writable->rcvaddr_disp, sizeof writable->rcvaddr_disp, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
  }
  if (env.rcvaddr != 0) sin.sin_addr.s_addr = env.rcvaddr;
  if (ctx.conn != nullptr) ctx.conn->listen_port = sin.sin_port;
  a.value = kListenBacklog;
  if (com_wsa_call(COM_WSA_LISTEN, &err, a) < 0) {
    msg_comm("listen", err);
    return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_LISTEN, err));
  }
  *addr = sin;
  return s;
}

int32_t open_bind_only(const clt_com_ctx& ctx, sockaddr_in* addr) {
  const int32_t s = create_socket(SOCK_DGRAM);
  if (s < 0) return s;
  int32_t err = 0;
  com_wsa_args a;
  a.sock = s;
  a.addr = addr;
  if (com_wsa_call(COM_WSA_BIND, &err, a) < 0) {
    msg_comm("bind", err);
    return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_BIND, err));
  }
  if (com_wsa_call(COM_WSA_GETSOCKNAME, &err, a) < 0) {
    msg_comm("getsockname", err);
    return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_GETSOCKNAME, err));
  }
  return s;
}

// Sends one staged chunk; in non-blocking mode a full socket buffer is
// awaited and the rest of the chunk sent.
int32_t send_chunk(const clt_com_ctx& ctx, int32_t sock, uint8_t* chunk, uint32_t len) {
  const clt_env& env = env_of(ctx);
  uint32_t sent = 0;
  for (;;) {
    int32_t err = 0;
    com_wsa_args a;
    a.sock = sock;
    a.buf = chunk + sent;
    a.len = len - sent;
    if (com_wsa_call(COM_WSA_SEND_ALL, &err, a) >= 0) return 0;
    sent += a.done;
    if (env.pdnblockwaittime != 0 && err == SA_WSAEWOULDBLOCK) {
      com_wait w{env.pdnblockwaittime, 0};
      a.wait = &w;
      int32_t rc = com_wsa_call(COM_WSA_WAIT_WRITE_CANCEL, &err, a);
      if (rc == 0) {
        msg_comm("send", SA_WSAETIMEDOUT);
        return COM_E_TIMEOUT;
      }
      if (rc < 0) {
        msg_comm("select", err);
        msg_comm("send", err);
        return com_wsa_errmap(COM_WSA_WAIT_READ, err);
      }
      continue;
    }
    if (ctx.call != nullptr && ctx.call->session_end == 1) return COM_E_SESSION_END;
    msg_comm("send", err);
    return com_wsa_errmap(COM_WSA_SEND_ALL, err);
  }
}

}  // namespace

int32_t com_wsa_call(int32_t code, int32_t* wsa_error, com_wsa_args& args) {
  clt_com_ctx ctx = clt_com_cur();
  const int32_t call = trace_call(code);
  const bool sending = code == COM_WSA_SEND_ALL || code == COM_WSA_SENDTO;
  soc_trace(ctx, call, kPhaseEntry, 0, args.sock, sending ? static_cast<int32_t>(args.len) : 0,
            sending ? args.buf : nullptr);
  int32_t rc = adapter_call(ctx, code, wsa_error, args);
  if (ctx.call != nullptr) ctx.call->wsa_error = *wsa_error;
  const bool received = (code == COM_WSA_RECV || code == COM_WSA_RECVFROM) && rc > 0;
  soc_trace(ctx, call, kPhaseExit, *wsa_error, args.sock, received ? rc : 0, received ? args.buf : nullptr);
  return rc;
}

int32_t com_wsa_errmap(int32_t code, int32_t wsa_error) {
  // The option calls share one row of the map.
  if (code == COM_WSA_SNDBUF || code == COM_WSA_RCVBUF || code == COM_WSA_EXCLUSIVE) code = COM_WSA_LINGER;
  for (const errmap_row& r : kErrMap) {
    if (r.code == code && r.wsa == wsa_error) return r.result;
  }
  return COM_E_OTHER;
}

int32_t com_check_adapter(void) {
  int32_t err = 0;
  com_wsa_args a;
  int32_t version = com_wsa_call(COM_WSA_VERSION, &err, a);
  if (static_cast<uint32_t>(version) == COM_ADAPTER_VERSION) return 0;
  clt_errlog_msg(kMsgVersion, "DLL", static_cast<unsigned long>(COM_ADAPTER_VERSION),
                 static_cast<unsigned long>(static_cast<uint32_t>(version)));
  return COM_E_VERSION;
}

int32_t com_startup(void) {
  int32_t err = 0;
  com_wsa_args a;
  if (com_wsa_call(COM_WSA_STARTUP, &err, a) != 0) return com_wsa_errmap(COM_WSA_STARTUP, err);
  return 0;
}

int32_t com_cleanup(void) {
  int32_t err = 0;
  com_wsa_args a;
  return com_wsa_call(COM_WSA_CLEANUP, &err, a);
}

int32_t com_open(int32_t flags, sockaddr_in* addr) {
  if (com_check_adapter() != 0) return COM_E_OTHER;
  clt_com_ctx ctx = clt_com_cur();
  mdl_enter(ctx, kEvOpen, "com_open");
  int32_t rc;
  if (flags & COM_OPEN_CONNECT) {
    rc = open_connect(ctx, addr);
  } else if (flags & COM_OPEN_RECVPORT) {
    rc = open_receive_port(ctx, addr);
  } else if (flags & COM_OPEN_BIND) {
    rc = open_bind_only(ctx, addr);
  } else {
    rc = COM_E_INVALID;
  }
  return mdl_exit(ctx, kEvOpen, rc);
}

int32_t com_accept(int32_t listen_sock, sockaddr_in* peer, const com_wait* wait) {
  if (com_check_adapter() != 0) return COM_E_OTHER;
  clt_com_ctx ctx = clt_com_cur();
  const clt_env& env = env_of(ctx);
  int32_t err = 0;
  com_wsa_args a;
  a.sock = listen_sock;
  a.wait = wait;
  int32_t rc = com_wsa_call(COM_WSA_WAIT_READ, &err, a);
  if (rc == 0) {
    msg_comm("select", 0);
    return COM_E_TIMEOUT;
  }
  if (rc < 0) {
    msg_comm("select", err);
    return com_wsa_errmap(COM_WSA_WAIT_READ, err);
  }
  a.addr = peer;
  int32_t s = com_wsa_call(COM_WSA_ACCEPT, &err, a);
  if (s < 0) {
    msg_comm("accept", err);
    return com_wsa_errmap(COM_WSA_ACCEPT, err);
  }
  if (env.pdcltrcvbufsize > 0) {
    a.sock = s;
    a.value = env.pdcltrcvbufsize;
    if (com_wsa_call(COM_WSA_RCVBUF, &err, a) < 0) {
      msg_comm("setsockopt", err);
      return close_after_failure(ctx, s, com_wsa_errmap(COM_WSA_LINGER, err));
    }
  }
  return s;
}

int32_t com_send(int32_t sock, const com_piece* pieces, int32_t count) {
  if (com_check_adapter() != 0) return COM_E_OTHER;
  clt_com_ctx ctx = clt_com_cur();
  mdl_enter(ctx, kEvSend, "com_send");
  uint8_t* staging = ctx.call != nullptr ? ctx.call->staging : nullptr;
  if (staging == nullptr) {
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, "UNEXPECT", kModule, __LINE__);
    return mdl_exit(ctx, kEvSend, COM_E_OTHER);
  }
  if (ctx.conn != nullptr) ctx.conn->cur_socket = sock;
  int32_t total = 0;
  uint32_t fill = 0;
  for (int32_t i = 0; i < count; ++i) {
    uint32_t off = 0;
    while (off < pieces[i].len) {
      uint32_t n = std::min(pieces[i].len - off, COM_STAGING_SIZE - fill);
      memcpy(staging + fill, pieces[i].addr + off, n);
      fill += n;
      off += n;
      if (fill == COM_STAGING_SIZE || (i == count - 1 && off == pieces[i].len)) {
        int32_t rc = send_chunk(ctx, sock, staging, fill);
        if (rc < 0) return mdl_exit(ctx, kEvSend, rc);
        total += static_cast<int32_t>(fill);
        fill = 0;
      }
    }
  }
  // Trailing empty pieces leave the last bytes staged.
  if (fill > 0) {
    int32_t rc = send_chunk(ctx, sock, staging, fill);
    if (rc < 0) return mdl_exit(ctx, kEvSend, rc);
    total += static_cast<int32_t>(fill);
  }
  return mdl_exit(ctx, kEvSend, total);
}

int32_t com_recv(int32_t sock, const com_piece* pieces, int32_t count, const com_wait* wait) {
  if (com_check_adapter() != 0) return COM_E_OTHER;
  clt_com_ctx ctx = clt_com_cur();
  mdl_enter(ctx, kEvRecv, "com_recv");
  if (ctx.conn != nullptr) {
    ctx.conn->cur_socket = sock;
    ctx.conn->recv_socket = sock;
  }
  const int32_t wait_code = ctx.main != nullptr ? COM_WSA_WAIT_READ_CANCEL : COM_WSA_WAIT_READ;
  int32_t total = 0;
  for (int32_t i = 0; i < count; ++i) {
    uint32_t got = 0;
    uint32_t limit = pieces[i].len;
    while (got < pieces[i].len) {
      int32_t err = 0;
      com_wsa_args a;
      a.sock = sock;
      a.wait = wait;
      if (ctx.call != nullptr) ctx.call->waiting_reply = 1;
      int32_t rc = com_wsa_call(wait_code, &err, a);
      if (ctx.call != nullptr) ctx.call->waiting_reply = 0;
      if (ctx.main != nullptr && clt_com_cancel_get(ctx.main) == 1) {
        clt_com_cancel_set(ctx.main, 0);
        return mdl_exit(ctx, kEvRecv, COM_E_CANCELLED);
      }
      if (rc == 0) {
        msg_comm("select", 0);
        return mdl_exit(ctx, kEvRecv, COM_E_TIMEOUT);
      }
      if (rc < 0) {
        msg_comm("select", err);
        return mdl_exit(ctx, kEvRecv, com_wsa_errmap(COM_WSA_WAIT_READ, err));
      }
      const uint32_t ask = std::min(limit, pieces[i].len - got);
      a.buf = pieces[i].addr + got;
      a.len = ask;
      rc = com_wsa_call(COM_WSA_RECV, &err, a);
      if (rc == 0) {
        msg_comm("recv", 0);
        return mdl_exit(ctx, kEvRecv, COM_E_NETWORK);
      }
      if (rc < 0) {
        msg_comm("recv", err);
        if (err != SA_WSAENOBUFS || ask <= kRecvDropSmall) {
          return mdl_exit(ctx, kEvRecv, com_wsa_errmap(COM_WSA_RECV, err));
        }
        limit = ask > kRecvDropLarge ? kRecvDropLarge : kRecvDropSmall;
        char change[64];
        snprintf(change, sizeof change, "Changed from %d to %d", static_cast<int>(ask), static_cast<int>(limit));
        clt_errlog_msg(kMsgInfo, "TRANSFER SIZE", change);
        continue;
      }
      got += static_cast<uint32_t>(rc);
      total += rc;
    }
  }
  return mdl_exit(ctx, kEvRecv, total);
}

int32_t com_sendto(int32_t sock, const sockaddr_in* to, const void* buf, uint32_t len) {
  if (com_check_adapter() != 0) return COM_E_OTHER;
  clt_com_ctx ctx = clt_com_cur();
  const clt_env& env = env_of(ctx);
  mdl_enter(ctx, kEvSendto, "com_sendto");
  sockaddr_in dest = *to;
  for (;;) {
    int32_t err = 0;
    com_wsa_args a;
    a.sock = sock;
    a.addr = &dest;
    a.buf = const_cast<void*>(buf);
    a.len = len;
    int32_t rc = com_wsa_call(COM_WSA_SENDTO, &err, a);
    if (rc >= 0) return mdl_exit(ctx, kEvSendto, rc);
    if (env.pdnblockwaittime != 0 && err == SA_WSAEWOULDBLOCK) {
      com_wait w{env.pdnblockwaittime, 0};
      a.wait = &w;
      rc = com_wsa_call(COM_WSA_WAIT_WRITE_CANCEL, &err, a);
      if (rc == 0) {
        msg_comm("sendto", SA_WSAETIMEDOUT);
        return mdl_exit(ctx, kEvSendto, COM_E_TIMEOUT);
      }
      if (rc < 0) {
        msg_comm("select", err);
        msg_comm("sendto", err);
        return mdl_exit(ctx, kEvSendto, com_wsa_errmap(COM_WSA_WAIT_READ, err));
      }
      continue;
    }
    msg_comm("sendto", err);
    return mdl_exit(ctx, kEvSendto, com_wsa_errmap(COM_WSA_SENDTO, err));
  }
}

int32_t com_rcvfrom(int32_t sock, sockaddr_in* from, void* buf, uint32_t len, const com_wait* wait) {
  if (com_check_adapter() != 0) return COM_E_OTHER;
  clt_com_ctx ctx = clt_com_cur();
  mdl_enter(ctx, kEvRcvfrom, "com_rcvfrom");
  int32_t err = 0;
  com_wsa_args a;
  a.sock = sock;
  a.wait = wait;
  if (ctx.call != nullptr) ctx.call->waiting_reply = 1;
  int32_t rc = com_wsa_call(COM_WSA_WAIT_READ, &err, a);
  if (ctx.call != nullptr) ctx.call->waiting_reply = 0;
  if (rc == 0) {
    msg_comm("select", 0);
    return mdl_exit(ctx, kEvRcvfrom, COM_E_TIMEOUT);
  }
  if (rc < 0) {
    msg_comm("select", err);
    return mdl_exit(ctx, kEvRcvfrom, com_wsa_errmap(COM_WSA_WAIT_READ, err));
  }
  a.addr = from;
  a.buf = buf;
  a.len = len;
  rc = com_wsa_call(COM_WSA_RECVFROM, &err, a);
  if (rc < 0) {
    msg_comm("recvfrom", err);
    return mdl_exit(ctx, kEvRcvfrom, com_wsa_errmap(COM_WSA_RECVFROM, err));
  }
  return mdl_exit(ctx, kEvRcvfrom, rc);
}

int32_t com_close(int32_t sock, int32_t flags) {
  (void)flags;
  if (com_check_adapter() != 0) return COM_E_OTHER;
  clt_com_ctx ctx = clt_com_cur();
  mdl_enter(ctx, kEvClose, "com_close");
  int32_t err = 0;
  com_wsa_args a;
  a.sock = sock;
  if (com_wsa_call(COM_WSA_CLOSE, &err, a) < 0) {
    msg_comm("soclose", err);
    return mdl_exit(ctx, kEvClose, com_wsa_errmap(COM_WSA_CLOSE, err));
  }
  return mdl_exit(ctx, kEvClose, 0);
}

int32_t com_hostaddr(const char* name, uint32_t* addr) {
  if (com_check_adapter() != 0) return COM_E_OTHER;
  int32_t err = 0;
  com_wsa_args a;
  a.name = name;
  a.host = addr;
  com_wsa_call(COM_WSA_HOSTADDR, &err, a);
  if (*addr == 0) {
    msg_comm("gethostbyname", err);
    return COM_E_HOST;
  }
  return 0;
}

int32_t com_broadcast_addr(uint32_t* addr) {
  if (com_hostaddr("broadcast", addr) != 0) {
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, "UNEXPECT", kModule, __LINE__);
    return COM_E_BROADCAST;
  }
  return 0;
}

com_reply_deadline::com_reply_deadline(clt_com_call* call, int32_t seconds)
    : call_(call), saved_(call != nullptr ? call->reply_until_us : 0) {
  if (call_ == nullptr || seconds <= 0) return;
  const int64_t until = sa_mono_us() + static_cast<int64_t>(seconds) * sa_round_us();
  if (saved_ == 0 || until < saved_) call_->reply_until_us = until;
}

com_reply_deadline::~com_reply_deadline() {
  if (call_ != nullptr) call_->reply_until_us = saved_;
}

bool clt_resolve_host(const char* name, uint32_t* literal, uint32_t* entry, int32_t* wsa_error) {
  *literal = 0;
  *entry = 0;
  *wsa_error = 0;
  int dots = 0;
  bool dotted = name[0] != '\0';
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == '.') {
      ++dots;
    } else if (*p < '0' || *p > '9') {
      dotted = false;
    }
  }
  if (dotted && dots == 3) {
    in_addr in{};
    if (inet_aton(name, &in) != 0) *literal = in.s_addr;
    return false;
  }
  if (sa_host_lookup(name, entry, wsa_error) < 0) *entry = 0;
  return true;
}

// The adapter writes the socket-trace records of both calls.
int32_t clt_bind_test(uint32_t address) {
  int32_t err = 0;
  com_wsa_args a;
  a.value = SOCK_STREAM;
  const int32_t s = com_wsa_call(COM_WSA_SOCKET, &err, a);
  if (s < 0) {
    clt_errlog_msg(CLT_MSG_COMM_ERROR, "socket2", err);
    return 1;
  }
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = 0;
  sa.sin_addr.s_addr = address;
  com_wsa_args b;
  b.sock = s;
  b.addr = &sa;
  const int32_t rc = com_wsa_call(COM_WSA_BIND, &err, b);
  // A failed close is logged by com_close and changes nothing here.
  com_close(s, 0);
  return rc < 0 ? 1 : 0;
}
