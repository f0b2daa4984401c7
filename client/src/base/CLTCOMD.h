// Socket layer: the only place that touches sockets. TCP and UDP over
// IPv4, one-second wait rounds with cancel polling, socket and module
// traces, and the -4xx failure codes keyed on WinSock error numbers.
#pragma once

#include <stdint.h>

struct sockaddr_in;
struct clt_com_call;

// One entry of a piece list: the pieces go out as one byte stream.
struct com_piece {
  uint8_t* addr;
  uint32_t len;
};

// A wait: seconds (0 = no limit) and microseconds.
struct com_wait {
  int32_t sec;
  int32_t usec;
};

constexpr uint32_t COM_STAGING_SIZE = 0x100C;
constexpr uint32_t COM_ADAPTER_VERSION = 0x10000;

// com_open flags.
enum : int32_t {
  COM_OPEN_CONNECT = 0x01,
  COM_OPEN_RECVPORT = 0x02,
  COM_OPEN_BIND = 0x04,
};

// Failure codes of the layer.
enum : int32_t {
  COM_E_INVALID = -402,
  COM_E_NOBUFS = -403,
  COM_E_SOCKETS = -404,
  COM_E_REFUSED = -405,
  COM_E_TIMEOUT = -406,
  COM_E_NETWORK = -407,
  COM_E_VERSION = -411,
  COM_E_HOST = -412,
  COM_E_SESSION_END = -415,
  COM_E_CANCELLED = -416,
  COM_E_ADDRINUSE = -417,
  COM_E_OTHER = -499,
  COM_E_BROADCAST = -308,
};

// Adapter function codes.
enum : int32_t {
  COM_WSA_SOCKET = 1,
  COM_WSA_CONNECT = 2,
  COM_WSA_BIND = 3,
  COM_WSA_GETSOCKNAME = 4,
  COM_WSA_LISTEN = 5,
  COM_WSA_WAIT_READ = 6,
  COM_WSA_ACCEPT = 7,
  COM_WSA_SENDTO = 10,
  COM_WSA_RECVFROM = 11,
  COM_WSA_HOSTNAME_OF = 12,
  COM_WSA_CLOSE = 13,
  COM_WSA_HOSTADDR = 14,
  COM_WSA_SEND_ALL = 16,
  COM_WSA_RECV = 17,
  COM_WSA_GETHOSTNAME = 18,
  COM_WSA_LINGER = 19,
  COM_WSA_SNDBUF = 20,
  COM_WSA_RCVBUF = 21,
  COM_WSA_EXCLUSIVE = 22,
  COM_WSA_STARTUP = 30,
  COM_WSA_CLEANUP = 31,
  COM_WSA_VERSION = 81,
  COM_WSA_SELECT = 106,
  COM_WSA_WAIT_READ_CANCEL = 107,
  COM_WSA_WAIT_WRITE_CANCEL = 109,
};

// Arguments of one adapter call; each code reads the members it needs.
struct com_wsa_args {
  int32_t sock = -1;
  int32_t value = 0;              // socket type, backlog, option value
  sockaddr_in* addr = nullptr;    // address in or out
  void* buf = nullptr;
  uint32_t len = 0;
  const com_wait* wait = nullptr;
  const char* name = nullptr;     // host name
  uint32_t* host = nullptr;       // resolved address out
  uint32_t done = 0;              // send all: bytes sent before a failure
};

int32_t com_wsa_call(int32_t code, int32_t* wsa_error, com_wsa_args& args);
// The internal code of a failed adapter call.
int32_t com_wsa_errmap(int32_t code, int32_t wsa_error);

int32_t com_check_adapter(void);
int32_t com_startup(void);
int32_t com_cleanup(void);

int32_t com_open(int32_t flags, sockaddr_in* addr);
int32_t com_accept(int32_t listen_sock, sockaddr_in* peer, const com_wait* wait);
int32_t com_send(int32_t sock, const com_piece* pieces, int32_t count);
int32_t com_recv(int32_t sock, const com_piece* pieces, int32_t count, const com_wait* wait);
int32_t com_sendto(int32_t sock, const sockaddr_in* to, const void* buf, uint32_t len);
int32_t com_rcvfrom(int32_t sock, sockaddr_in* from, void* buf, uint32_t len, const com_wait* wait);
int32_t com_close(int32_t sock, int32_t flags);
int32_t com_hostaddr(const char* name, uint32_t* addr);
int32_t com_broadcast_addr(uint32_t* addr);

// The caller's wait setting bounds the whole reply, not each read: while
// one lives, every wait for the reply ends by the same deadline, however
// the peer spreads its bytes or segments. 0 seconds sets none; an outer
// deadline that ends sooner stays. Seconds are the layer's wait rounds.
class com_reply_deadline {
 public:
  com_reply_deadline(clt_com_call* call, int32_t seconds);
  ~com_reply_deadline();
  com_reply_deadline(const com_reply_deadline&) = delete;
  com_reply_deadline& operator=(const com_reply_deadline&) = delete;

 private:
  clt_com_call* call_;
  int64_t saved_;
};

// A dotted literal of exactly three dots is converted (an invalid one
// gives 0) and no lookup is made: false. Otherwise the name is looked
// up, *literal is 0, and true is returned with the first address of the
// host in *entry (0 when the name is unknown).
bool clt_resolve_host(const char* name, uint32_t* literal, uint32_t* entry, int32_t* wsa_error);

// 0 when a TCP socket can be bound to `address` (network order) with port 0,
// that is, when the address belongs to this host; 1 otherwise.
int32_t clt_bind_test(uint32_t address);
