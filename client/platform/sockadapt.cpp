#include "sockadapt.h"

#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace {

constexpr int64_t kMicrosPerSecond = 1000000;
constexpr int64_t kNanosPerMicro = 1000;

struct errno_pair {
  int err;
  int32_t wsa;
};

// EPIPE has no WinSock twin; a send to a peer that is gone reports a
// reset connection there, so it does here.
constexpr errno_pair kErrnoMap[] = {
    {EINTR, SA_WSAEINTR},
    {EBADF, SA_WSAENOTSOCK},
    {EACCES, SA_WSAEACCES},
    {EPERM, SA_WSAEACCES},
    {EFAULT, SA_WSAEFAULT},
    {EINVAL, SA_WSAEINVAL},
    {EMFILE, SA_WSAEMFILE},
    {ENFILE, SA_WSAEMFILE},
    {EAGAIN, SA_WSAEWOULDBLOCK},
    {EINPROGRESS, SA_WSAEWOULDBLOCK},
    {EALREADY, SA_WSAEALREADY},
    {ENOTSOCK, SA_WSAENOTSOCK},
    {EDESTADDRREQ, SA_WSAEDESTADDRREQ},
    {EMSGSIZE, SA_WSAEMSGSIZE},
    {EPROTOTYPE, SA_WSAEPROTOTYPE},
    {ENOPROTOOPT, SA_WSAENOPROTOOPT},
    {EPROTONOSUPPORT, SA_WSAEPROTONOSUPPORT},
    {ESOCKTNOSUPPORT, SA_WSAESOCKTNOSUPPORT},
    {EOPNOTSUPP, SA_WSAEOPNOTSUPP},
    {EPFNOSUPPORT, SA_WSAEPFNOSUPPORT},
    {EAFNOSUPPORT, SA_WSAEAFNOSUPPORT},
    {EADDRINUSE, SA_WSAEADDRINUSE},
    {EADDRNOTAVAIL, SA_WSAEADDRNOTAVAIL},
    {ENETDOWN, SA_WSAENETDOWN},
    {ENETUNREACH, SA_WSAENETUNREACH},
    {ENETRESET, SA_WSAENETRESET},
    {ECONNABORTED, SA_WSAECONNABORTED},
    {ECONNRESET, SA_WSAECONNRESET},
    {EPIPE, SA_WSAECONNRESET},
    {ENOBUFS, SA_WSAENOBUFS},
    {ENOMEM, SA_WSAENOBUFS},
    {EISCONN, SA_WSAEISCONN},
    {ENOTCONN, SA_WSAENOTCONN},
    {ESHUTDOWN, SA_WSAESHUTDOWN},
    {ETOOMANYREFS, SA_WSAETOOMANYREFS},
    {ETIMEDOUT, SA_WSAETIMEDOUT},
    {ECONNREFUSED, SA_WSAECONNREFUSED},
    {ELOOP, SA_WSAELOOP},
    {ENAMETOOLONG, SA_WSAENAMETOOLONG},
    {EHOSTDOWN, SA_WSAEHOSTDOWN},
    {EHOSTUNREACH, SA_WSAEHOSTUNREACH},
};

int32_t done(int rc, int32_t* wsa) {
  *wsa = rc < 0 ? sa_wsa_from_errno(errno) : 0;
  return rc < 0 ? -1 : rc;
}

const sockaddr* as_sa(const sockaddr_in* a) { return reinterpret_cast<const sockaddr*>(a); }
sockaddr* as_sa(sockaddr_in* a) { return reinterpret_cast<sockaddr*>(a); }

int32_t set_int_opt(int32_t s, int level, int name, int value, int32_t* wsa) {
  return done(setsockopt(s, level, name, &value, sizeof value), wsa);
}

int32_t wsa_from_gai(int rc) {
  switch (rc) {
    case EAI_AGAIN: return SA_WSATRY_AGAIN;
    case EAI_FAIL: return SA_WSANO_RECOVERY;
    case EAI_MEMORY: return SA_WSAENOBUFS;
    case EAI_SYSTEM: return sa_wsa_from_errno(errno);
#ifdef EAI_NODATA
    case EAI_NODATA: return SA_WSANO_DATA;
#endif
    default: return SA_WSAHOST_NOT_FOUND;
  }
}

timespec to_timespec(int64_t us) {
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(us / kMicrosPerSecond);
  ts.tv_nsec = static_cast<long>((us % kMicrosPerSecond) * kNanosPerMicro);
  return ts;
}

int64_t mono_us() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * kMicrosPerSecond + ts.tv_nsec / kNanosPerMicro;
}

int64_t g_round_us = kMicrosPerSecond;

}  // namespace

int32_t sa_wsa_from_errno(int err) {
  for (const errno_pair& p : kErrnoMap) {
    if (p.err == err) return p.wsa;
  }
  return err;
}

int32_t sa_socket(int32_t type, int32_t* wsa) {
  return done(socket(AF_INET, type | SOCK_CLOEXEC, 0), wsa);
}

int32_t sa_connect(int32_t s, const sockaddr_in* addr, int32_t* wsa) {
  return done(connect(s, as_sa(addr), sizeof *addr), wsa);
}

int32_t sa_bind(int32_t s, const sockaddr_in* addr, int32_t* wsa) {
  return done(bind(s, as_sa(addr), sizeof *addr), wsa);
}

int32_t sa_getsockname(int32_t s, sockaddr_in* addr, int32_t* wsa) {
  socklen_t len = sizeof *addr;
  return done(getsockname(s, as_sa(addr), &len), wsa);
}

int32_t sa_listen(int32_t s, int32_t backlog, int32_t* wsa) { return done(listen(s, backlog), wsa); }

int32_t sa_accept(int32_t s, sockaddr_in* peer, int32_t* wsa) {
  socklen_t len = sizeof *peer;
  return done(accept4(s, as_sa(peer), &len, SOCK_CLOEXEC), wsa);
}

int32_t sa_set_nonblocking(int32_t s, int32_t* wsa) {
  int flags = fcntl(s, F_GETFL);
  if (flags < 0) return done(flags, wsa);
  return done(fcntl(s, F_SETFL, flags | O_NONBLOCK), wsa);
}

int32_t sa_connect_error(int32_t s, int32_t* wsa) {
  int err = 0;
  socklen_t len = sizeof err;
  if (getsockopt(s, SOL_SOCKET, SO_ERROR, &err, &len) < 0) return done(-1, wsa);
  *wsa = err == 0 ? 0 : sa_wsa_from_errno(err);
  return err == 0 ? 0 : -1;
}

int32_t sa_send(int32_t s, const void* buf, uint32_t len, int32_t* wsa) {
  ssize_t n;
  do {
    n = send(s, buf, len, MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  return done(static_cast<int>(n), wsa);
}

int32_t sa_recv(int32_t s, void* buf, uint32_t len, int32_t* wsa) {
  ssize_t n;
  do {
    n = recv(s, buf, len, 0);
  } while (n < 0 && errno == EINTR);
  return done(static_cast<int>(n), wsa);
}

int32_t sa_sendto(int32_t s, const void* buf, uint32_t len, const sockaddr_in* to, int32_t* wsa) {
  ssize_t n;
  do {
    n = sendto(s, buf, len, MSG_NOSIGNAL, as_sa(to), sizeof *to);
  } while (n < 0 && errno == EINTR);
  return done(static_cast<int>(n), wsa);
}

int32_t sa_recvfrom(int32_t s, void* buf, uint32_t len, sockaddr_in* from, int32_t* wsa) {
  socklen_t alen = sizeof *from;
  ssize_t n;
  do {
    n = recvfrom(s, buf, len, 0, as_sa(from), &alen);
  } while (n < 0 && errno == EINTR);
  return done(static_cast<int>(n), wsa);
}

int32_t sa_close(int32_t s, int32_t* wsa) {
  // After EINTR the descriptor is already released on Linux; closing it
  // again could close a descriptor another thread just opened.
  int rc = close(s);
  if (rc < 0 && errno == EINTR) rc = 0;
  return done(rc, wsa);
}

int32_t sa_set_nodelay(int32_t s, int32_t* wsa) { return set_int_opt(s, IPPROTO_TCP, TCP_NODELAY, 1, wsa); }

int32_t sa_set_linger(int32_t s, uint16_t seconds, int32_t* wsa) {
  linger l{};
  l.l_onoff = 1;
  l.l_linger = seconds;
  return done(setsockopt(s, SOL_SOCKET, SO_LINGER, &l, sizeof l), wsa);
}

int32_t sa_set_sndbuf(int32_t s, int32_t size, int32_t* wsa) {
  return set_int_opt(s, SOL_SOCKET, SO_SNDBUF, size, wsa);
}

int32_t sa_set_rcvbuf(int32_t s, int32_t size, int32_t* wsa) {
  return set_int_opt(s, SOL_SOCKET, SO_RCVBUF, size, wsa);
}

int32_t sa_set_exclusive(int32_t s, int32_t* wsa) { return set_int_opt(s, SOL_SOCKET, SO_REUSEADDR, 0, wsa); }

int32_t sa_gethostname(char* buf, uint32_t len, int32_t* wsa) { return done(gethostname(buf, len), wsa); }

int32_t sa_host_lookup(const char* name, uint32_t* addr, int32_t* wsa) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* res = nullptr;
  int rc = getaddrinfo(name, nullptr, &hints, &res);
  if (rc != 0 || res == nullptr) {
    *wsa = rc != 0 ? wsa_from_gai(rc) : SA_WSANO_DATA;
    return -1;
  }
  *addr = reinterpret_cast<const sockaddr_in*>(res->ai_addr)->sin_addr.s_addr;
  freeaddrinfo(res);
  *wsa = 0;
  return 0;
}

int32_t sa_host_name(uint32_t addr, char* buf, uint32_t len, int32_t* wsa) {
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = addr;
  int rc = getnameinfo(as_sa(&sin), sizeof sin, buf, len, nullptr, 0, NI_NAMEREQD);
  if (rc != 0) {
    *wsa = wsa_from_gai(rc);
    return -1;
  }
  *wsa = 0;
  return 0;
}

int32_t sa_wait(int32_t s, sa_wait_kind kind, int64_t microseconds, int32_t* wsa) {
  pollfd p{};
  p.fd = s;
  p.events = kind == SA_WAIT_READ ? POLLIN : POLLOUT;
  const int64_t deadline = mono_us() + microseconds;
  for (;;) {
    int64_t left = deadline - mono_us();
    if (left < 0) left = 0;
    timespec ts = to_timespec(left);
    int rc = ppoll(&p, 1, &ts, nullptr);
    if (rc < 0 && errno == EINTR) continue;
    if (rc < 0) return done(rc, wsa);
    *wsa = 0;
    if (rc == 0) return 0;
    if (p.revents & POLLNVAL) {
      *wsa = SA_WSAENOTSOCK;
      return -1;
    }
    // As with select, an error or hang-up counts as ready: the next call
    // on the socket reports it.
    return 1;
  }
}

int64_t sa_mono_us(void) { return mono_us(); }

int64_t sa_round_us(void) { return g_round_us; }

int64_t sa_set_round_us(int64_t microseconds) {
  int64_t old = g_round_us;
  g_round_us = microseconds > 0 ? microseconds : kMicrosPerSecond;
  return old;
}
