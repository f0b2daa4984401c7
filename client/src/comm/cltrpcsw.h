// The shared-memory channel to a server on the same host: two named
// sections and two auto-reset events, one pair per direction. The client
// makes the request pair, named by its receive port; the server makes the
// reply pair and names its number in the CONNECT reply. A request is
// written at offset 64 of the request section behind the 24-byte header,
// the event is set, and the client waits in one-second slices for the
// reply, polling the RPC session's socket to learn that the server went.
#pragma once

#include <stddef.h>
#include <stdint.h>

// The header at offset 0 of each section, in host byte order.
struct clt_shm_header {
  uint32_t marker;
  uint32_t sequence;
  uint32_t kind;      // request: 4, 0 disconnect, 0x10000 oversize notice; reply: the status (i32)
  uint32_t reqcode;   // request: the request code; reply: the total length
  uint32_t total;     // request: the total length; reply: the retry time
  uint32_t capacity;  // request: the reply capacity; reply: not read
};
static_assert(sizeof(clt_shm_header) == 24, "the section header is 24 bytes");

// The reply form of the same 24 bytes.
struct clt_shm_reply {
  uint32_t marker;
  uint32_t sequence;
  int32_t status;
  uint32_t total;
  uint32_t retry;
  uint32_t unused;
};
static_assert(sizeof(clt_shm_reply) == sizeof(clt_shm_header), "both forms share the header");
static_assert(offsetof(clt_shm_reply, total) == 12 && offsetof(clt_shm_reply, retry) == 16,
              "reply header fields at their offsets");

constexpr uint32_t CLT_SHM_MARKER = 0x00050500;
// The packet of either direction starts here.
constexpr uint32_t CLT_SHM_PACKET = 64;
constexpr uint32_t CLT_SHM_KIND_REQUEST = 4;
constexpr uint32_t CLT_SHM_KIND_DISCONNECT = 0;
constexpr uint32_t CLT_SHM_KIND_NOTICE = 0x00010000;
// The function code under which the oversize notice runs.
constexpr int32_t CLT_FC_SHM_NOTICE = 10001;

// Where a function code goes on the channel: its request code and kind.
struct clt_shm_route {
  uint32_t reqcode;
  uint32_t kind;
};
// False for a function code that the channel does not carry.
bool clt_shm_route_of(int32_t func_code, clt_shm_route* out);

// One exchange: the header written, the event set, the reply awaited and
// checked. 0, or -2402, -2407, -2409, -2418, -2430, -2499, or the
// server's status minus 2100.
int32_t clt_shm_call(const uint32_t* reqcode, uint8_t* request, uint32_t* total, uint8_t* reply,
                     uint32_t* capacity, uint32_t kind);
int32_t clt_shm_signal(uint8_t* request, uint32_t* total);
int32_t clt_shm_wait(uint8_t* reply, uint32_t* capacity);

// The client's request pair (0, -2404, -2418) and the server's reply
// pair (0, -2404, -2418), kept in the control block.
int32_t clt_shm_create(void);
int32_t clt_shm_open(void);
// Release what each made or opened; clear handles are skipped.
int32_t clt_shm_close_own(void);
int32_t clt_shm_close_peer(void);
