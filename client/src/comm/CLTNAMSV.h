// Name service: registration with the server's name server by UDP and
// lookups of services by RPC message, driven by a state machine of 8
// states and 11 events, with a small cache of answers.
#pragma once

#include <netinet/in.h>
#include <stdint.h>

#include "zk_codes.h"
#include "zk_records.h"

constexpr uint32_t NAM_VERSION = 0x30313031;  // "0101"
constexpr uint32_t NAM_MAGIC_REG = 0x4e414d42;    // "NAMB"
constexpr uint32_t NAM_MAGIC_QUERY = 0x4e414d2e;  // "NAM."
constexpr uint32_t NAM_MAGIC_U = 0x4e414d55;      // "NAMU"
constexpr uint32_t NAM_HEADER_SIZE = 40;
constexpr uint32_t NAM_REG_SIZE = 56;
constexpr uint32_t NAM_RECORD_SIZE = 16;
constexpr uint32_t NAM_NAME_SIZE = 32;
constexpr uint32_t NAM_ITEM_HEADER = 24;
constexpr uint32_t NAM_SEND_SIZE = 184;
constexpr uint32_t NAM_RECV_SIZE = 276;
constexpr int32_t NAM_NOT_REGISTERED_REPLY = -632;

// States and events of the machine.
enum : int32_t {
  NAM_ST_CLOSED = 0,
  NAM_ST_REG_SENT = 1,
  NAM_ST_REG_WAIT = 2,
  NAM_ST_OPEN = 3,
  NAM_ST_QUERY_SENT = 4,
  NAM_ST_QUERY_WAIT = 5,
  NAM_ST_REREG_SENT = 6,
  NAM_ST_REREG_WAIT = 7,
  NAM_STATES = 8,
};
enum : int32_t {
  NAM_EV_OPEN = 0,
  NAM_EV_CLOSE = 1,
  NAM_EV_LOOKUP = 2,
  NAM_EV_REG_REPLY = 3,
  NAM_EV_QUERY_REPLY = 4,
  NAM_EV_NO_ANSWER = 5,
  NAM_EV_FAILURE = 6,
  NAM_EV_WRONG_MAGIC = 7,
  NAM_EV_SENT = 8,
  NAM_EV_DROP = 9,
  NAM_EV_INDIRECT = 10,
  NAM_EVENTS = 11,
};
// Steps an action posts.
enum : int32_t {
  NAM_STEP_NONE = 0,
  NAM_STEP_FINISH = 1,
  NAM_STEP_SEND_DGRAM = 2,
  NAM_STEP_RECV_DGRAM = 3,
  NAM_STEP_SEND_MSG = 4,
  NAM_STEP_RECV_MSG = 5,
};

// Record of a server: address, family (host order), port, zero.
struct nam_record {
  uint32_t addr;  // network order
  uint16_t family;
  uint16_t port;  // network order
  uint8_t zero[8];
};
static_assert(sizeof(nam_record) == NAM_RECORD_SIZE, "server record is 16 bytes");

struct nam_cache_entry {
  uint32_t next;
  uint32_t prev;
  uint32_t service_id;
  char service[NAM_NAME_SIZE];
  char group[NAM_NAME_SIZE];
  nam_record record;
  uint8_t info[NAM_INFO_SIZE];
  uint32_t flags;
  uint16_t generation;
  uint8_t reserved[14];
};
static_assert(sizeof(nam_cache_entry) == 144, "cache entry is 144 bytes");

// Control block "##ncntl": the machine's saved state, the servers and the cache.
struct nam_cntl {
  char eyecatcher[8];
  uint32_t version;
  uint32_t size;
  int32_t state;
  int32_t sock;
  uint32_t seq;
  int32_t reply_wait;     // PDCWAITTIME, -1 = no limit
  nam_record name_server;  // address 0: not known yet
  nam_record direct_server;
  uint16_t name_port;     // PDNAMEPORT, also the cache generation
  uint16_t host_port;     // port given with the front-end host
  sockaddr_in reg_target;
  sockaddr_in own;
  int32_t count;
  uint32_t first_entry;
  uint32_t used_head;
  uint32_t used_tail;
  uint32_t free_head;
  uint32_t free_tail;
};

// One lookup.
struct nam_req {
  const char* service;
  const char* group;  // may be null
  uint32_t* service_id;
  nam_record* record;
  uint8_t* info;
  uint32_t flags;     // top bit: send the service id with the query
  int32_t result;     // 0, or -306 when the service is not registered
};
constexpr uint32_t NAM_REQ_SEND_ID = 0x80000000u;

// Session context of one library call.
struct nam_sess {
  int32_t state;
  int32_t event;
  int32_t step;
  int32_t sock;
  sockaddr_in step_addr;
  int32_t wait;
  uint8_t send[NAM_SEND_SIZE];
  uint32_t send_size;
  uint32_t send_len;
  uint8_t recv[NAM_RECV_SIZE];
  uint32_t recv_size;
  uint32_t recv_len;
  nam_req* req;
  int32_t retry;
  uint32_t seq;
  int32_t result;
};

int32_t nam_open(int32_t flags);
int32_t nam_close(int32_t flags);
int32_t nam_lookup(const char* service, const char* group, nam_address* addr, uint8_t* info, int32_t flags);
int32_t nam_indirect_lookup(const char* name, const char* group, const char* service, void* reserved,
                            nam_address* addr, uint8_t* info, void* reserved2);

int32_t nam_handle(nam_sess* sess);
int32_t nam_act1_dispatch(int32_t state, int32_t event, nam_sess* sess);
void nam_post_event(nam_sess* sess, int32_t step, const void* data);
int32_t nam_run_event(nam_sess* sess);

int32_t nam_cache_open(void);
void nam_cache_close(void);
int32_t nam_cache_find(nam_cntl* cntl, nam_req* req);
int32_t nam_cache_add(nam_cntl* cntl, const nam_req* req);
int32_t nam_cache_delete(nam_cntl* cntl, const nam_req* req);
int32_t nam_setup_hosts(nam_cntl* cntl, int32_t mode);

// Builds a name-service header; -301 for another magic, version 0 or a
// short buffer.
int32_t nam_msg_build(uint8_t* buf, uint32_t size, uint32_t magic, uint32_t version, uint32_t seq);
// Checks a received message: 0, -1 short, -2 version (the received one in
// *got_version), -3 sequence, -7 magic.
int32_t nam_msg_parse(const uint8_t* buf, uint32_t len, uint32_t magic, uint32_t version, uint32_t seq,
                      uint32_t* got_version);
