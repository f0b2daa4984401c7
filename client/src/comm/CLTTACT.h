// Transport session: framed messages between the client and the server
// processes over TCP. One socket table per connection, one entry per
// peer connection plus the entry of the client's receive socket; every
// operation is an event fed to a table-driven state machine.
#pragma once

#include <netinet/in.h>
#include <stdint.h>

#include "CLTCOMCTX.h"
#include "CLTCOMD.h"
#include "CLTFRAME.h"

constexpr uint32_t CLT_SOCK_TABLE_VERSION = 0x10000;
constexpr uint16_t CLT_TACT_NO_EVENT = 0xFFFF;

// Entry states.
enum : uint16_t { CLT_TACT_CLOSED = 0, CLT_TACT_OPEN = 1, CLT_TACT_CONNECTED = 2 };
// Events.
enum : uint16_t { CLT_TACT_EV_OPEN = 0, CLT_TACT_EV_SEND = 1, CLT_TACT_EV_RECV = 2, CLT_TACT_EV_CLOSE = 3 };
constexpr int CLT_TACT_STATES = 3;
constexpr int CLT_TACT_EVENTS = 7;

// Flags of clt_tact_send and clt_tact_recv, and the modes they give.
enum : int32_t {
  CLT_TACT_FLAG_CLOSE = 0x01,    // close the connection after this message
  CLT_TACT_FLAG_CLOSING = 0x10,  // the session's closing message, which may have no pieces
};
enum : uint32_t {
  CLT_TACT_MODE_CLOSE = 2,
};

// Transport results.
enum : int32_t {
  CLT_TACT_E_NOBUFS = -201,
  CLT_TACT_E_SOCKETS = -202,
  CLT_TACT_E_NOTABLE = -203,
  CLT_TACT_E_NOENTRY = -204,
  CLT_TACT_E_REFUSED = -205,
  CLT_TACT_E_NETWORK = -206,
  CLT_TACT_E_TIMEOUT = -207,
  CLT_TACT_E_TRUNCATED = -208,
  CLT_TACT_E_REQUEST = -209,
  CLT_TACT_E_STATE = -210,
  CLT_TACT_E_NOCONFIG = -211,
  CLT_TACT_E_ZERO = -212,
  CLT_TACT_E_PROTOCOL = -213,
  CLT_TACT_E_CANCELLED = -214,
  CLT_TACT_E_OTHER = -299,
};

// Header of the socket table; links are byte offsets from the table's
// start, 0 = none.
struct clt_sock_table {
  char eyecatcher[8];  // "##vtbse"
  uint32_t version;
  uint32_t free_head;
  uint32_t free_tail;
  uint32_t used_head;
  uint32_t used_tail;
  uint32_t recv_entry;
  uint32_t recv_entry2;  // for peers of another address family; never filled
  uint32_t reply_entry;
  uint32_t count;
  uint8_t reserved[32];
};
static_assert(sizeof(clt_sock_table) == 76, "socket table header is 76 bytes");

struct clt_sock_entry {
  char eyecatcher[8];  // "##vtsoc"
  int32_t kind;        // 2, or the family of the request that accepted it
  uint32_t next;
  uint32_t prev;
  uint16_t state;
  uint16_t event;
  uint16_t pending;
  uint16_t reserved0;
  int32_t sock;
  sockaddr_in peer;
  int32_t moved;       // bytes of the last send or receive
  uint32_t header_off;
  uint32_t pieces_off;
  int32_t soc_code;    // socket-layer code of the last failure
  int32_t result;
  clt_frame_header header;
  com_piece pieces[CLT_TACT_PIECES];
  uint8_t reserved1[8];
};
static_assert(sizeof(void*) != 4 || sizeof(clt_sock_entry) == 136, "socket entry is 136 bytes");

// A send or receive request of the RPC session.
struct clt_tact_req {
  sockaddr_in* addr;  // peer address; out on receive
  int32_t count;
  com_piece* pieces;
  int32_t wait;       // seconds, -1 = no limit
  uint32_t len_out;   // body length sent or received
};

int32_t clt_tact_open(int32_t reserved, int32_t flags);
int32_t clt_tact_close(int32_t reserved, int32_t flags);
int32_t clt_tact_send(clt_tact_req* req, int32_t flags);
int32_t clt_tact_recv(clt_tact_req* req, int32_t flags);
int32_t clt_tact_getaddr(sockaddr_in* addr, int32_t reserved);

int32_t clt_tact_run(clt_sock_entry* entry, clt_tact_req* req, uint32_t mode);
void clt_tact_dispatch(uint16_t state, uint16_t event, clt_sock_entry* entry, clt_tact_req* req, uint32_t mode);

// The action of a state and an event.
uint16_t clt_tact_action(uint16_t state, uint16_t event);
// The transport result of a socket-layer code failing in a phase.
int32_t clt_tact_result_of(int32_t soc_code, uint16_t phase);
