// POSIX sockets under the WinSock-shaped socket layer: every call
// reports its failure as a WinSock error number, so that the layer's
// error maps, retries and messages work unchanged.
#pragma once

#include <stdint.h>

struct sockaddr_in;

// WinSock error numbers the layer is keyed on.
enum : int32_t {
  SA_WSAEINTR = 10004,
  SA_WSAEBADF = 10009,
  SA_WSAEACCES = 10013,
  SA_WSAEFAULT = 10014,
  SA_WSAEINVAL = 10022,
  SA_WSAEMFILE = 10024,
  SA_WSAEWOULDBLOCK = 10035,
  SA_WSAEINPROGRESS = 10036,
  SA_WSAEALREADY = 10037,
  SA_WSAENOTSOCK = 10038,
  SA_WSAEDESTADDRREQ = 10039,
  SA_WSAEMSGSIZE = 10040,
  SA_WSAEPROTOTYPE = 10041,
  SA_WSAENOPROTOOPT = 10042,
  SA_WSAEPROTONOSUPPORT = 10043,
  SA_WSAESOCKTNOSUPPORT = 10044,
  SA_WSAEOPNOTSUPP = 10045,
  SA_WSAEPFNOSUPPORT = 10046,
  SA_WSAEAFNOSUPPORT = 10047,
  SA_WSAEADDRINUSE = 10048,
  SA_WSAEADDRNOTAVAIL = 10049,
  SA_WSAENETDOWN = 10050,
  SA_WSAENETUNREACH = 10051,
  SA_WSAENETRESET = 10052,
  SA_WSAECONNABORTED = 10053,
  SA_WSAECONNRESET = 10054,
  SA_WSAENOBUFS = 10055,
  SA_WSAEISCONN = 10056,
  SA_WSAENOTCONN = 10057,
  SA_WSAESHUTDOWN = 10058,
  SA_WSAETOOMANYREFS = 10059,
  SA_WSAETIMEDOUT = 10060,
  SA_WSAECONNREFUSED = 10061,
  SA_WSAELOOP = 10062,
  SA_WSAENAMETOOLONG = 10063,
  SA_WSAEHOSTDOWN = 10064,
  SA_WSAEHOSTUNREACH = 10065,
  SA_WSAVERNOTSUPPORTED = 10092,
  SA_WSAHOST_NOT_FOUND = 11001,
  SA_WSATRY_AGAIN = 11002,
  SA_WSANO_RECOVERY = 11003,
  SA_WSANO_DATA = 11004,
};

// The WinSock error number of an errno value; values without a WinSock
// counterpart pass through unchanged.
int32_t sa_wsa_from_errno(int err);

// Every call returns the plain POSIX result (-1 on failure) and stores the
// WinSock error of the call (0 on success) in *wsa.
int32_t sa_socket(int32_t type, int32_t* wsa);
int32_t sa_connect(int32_t s, const sockaddr_in* addr, int32_t* wsa);
int32_t sa_bind(int32_t s, const sockaddr_in* addr, int32_t* wsa);
int32_t sa_getsockname(int32_t s, sockaddr_in* addr, int32_t* wsa);
int32_t sa_listen(int32_t s, int32_t backlog, int32_t* wsa);
int32_t sa_accept(int32_t s, sockaddr_in* peer, int32_t* wsa);
int32_t sa_set_nonblocking(int32_t s, int32_t* wsa);
// The pending error of a socket whose non-blocking connect ended.
int32_t sa_connect_error(int32_t s, int32_t* wsa);
// One send or recv call; send never raises SIGPIPE.
int32_t sa_send(int32_t s, const void* buf, uint32_t len, int32_t* wsa);
int32_t sa_recv(int32_t s, void* buf, uint32_t len, int32_t* wsa);
int32_t sa_sendto(int32_t s, const void* buf, uint32_t len, const sockaddr_in* to, int32_t* wsa);
int32_t sa_recvfrom(int32_t s, void* buf, uint32_t len, sockaddr_in* from, int32_t* wsa);
int32_t sa_close(int32_t s, int32_t* wsa);
int32_t sa_set_nodelay(int32_t s, int32_t* wsa);
int32_t sa_set_linger(int32_t s, uint16_t seconds, int32_t* wsa);
int32_t sa_set_sndbuf(int32_t s, int32_t size, int32_t* wsa);
int32_t sa_set_rcvbuf(int32_t s, int32_t size, int32_t* wsa);
// What SO_EXCLUSIVEADDRUSE asks for: no other socket may bind the same
// address and port. Here that is a socket without SO_REUSEADDR.
int32_t sa_set_exclusive(int32_t s, int32_t* wsa);
int32_t sa_gethostname(char* buf, uint32_t len, int32_t* wsa);
// The first IPv4 address of a host name, network order; -1 when unknown.
int32_t sa_host_lookup(const char* name, uint32_t* addr, int32_t* wsa);
// The name of an IPv4 address (network order); -1 when unknown.
int32_t sa_host_name(uint32_t addr, char* buf, uint32_t len, int32_t* wsa);

enum sa_wait_kind : int32_t { SA_WAIT_READ = 0, SA_WAIT_WRITE = 1 };

// Waits at most the given time for one socket (poll, so any descriptor
// number works). 1 ready, 0 timed out, -1 failed. A signal does not end
// the wait early: the remaining time is waited again.
int32_t sa_wait(int32_t s, sa_wait_kind kind, int64_t microseconds, int32_t* wsa);
// The monotonic clock in microseconds, for deadlines.
int64_t sa_mono_us(void);
// The length of one wait round of the socket layer: one second. Tests
// shorten it so that a silent peer times out in milliseconds.
int64_t sa_round_us(void);
// Sets the round length (0 restores one second); returns the previous one.
int64_t sa_set_round_us(int64_t microseconds);
