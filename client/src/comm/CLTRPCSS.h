// RPC session: calls of named server functions and server services over
// the transport session, with the message header that numbers messages
// and cuts long ones into segments, the call block that names group and
// function, busy retries and the mapping of lower codes to -24xx.
#pragma once

#include <netinet/in.h>
#include <stdint.h>

#include "CLTCOMD.h"
#include "zk_records.h"

struct clt_main;


// Error-log lines of the RPC layers.
#define PD_LOG_MEMORY "KFPZ02402-E Memory shortage, size=%lu, inf=%s:%d\n"
#define PD_LOG_ENV "KFPZ02401-E Environment definition error, variable=%s, reason=%s\n"
#define PD_LOG_REPLIED "KFPZ02410-E Marlo replied error, code=%ld, IPaddr=%lx, port=%u, inf=%s:%d\n"

constexpr uint32_t PD_MSG_HEADER_SIZE = 96;
constexpr uint32_t PD_MSG_SHORT_SIZE = 40;
constexpr uint32_t PD_ROUTE_SIZE = 52;
constexpr uint32_t PD_CALL_HEADER_SIZE = 256;
constexpr uint32_t PD_CALL_BLOCK_SIZE = PD_ROUTE_SIZE + PD_CALL_HEADER_SIZE;
constexpr uint32_t PD_COMPACT_SIZE = 96;
constexpr uint32_t PD_REPLY_HEADER_SIZE = 256;
constexpr uint32_t PD_REPLY_SHORT_SIZE = 64;
constexpr uint32_t PD_NAME_SIZE = 32;
constexpr uint32_t PD_ADDR_RECORD_SIZE = 12;
constexpr int32_t PD_SEND_PIECES_MAX = 4;
constexpr int32_t PD_RECV_PIECES_MAX = 5;

// Service codes of the message header.
enum : uint32_t {
  PD_SVC_SQL = 0x80520,
  PD_SVC_KEPT = 0x3003C,
  PD_SVC_REPLY = 0x30036,
  PD_SVC_NAME = 0x60003,
  PD_SVC_STATE = 0x220008,
  PD_SVC_STATE_ASK = 0x220015,
  PD_SVC_SHORT_LOW = 0x30000,
  PD_SVC_SHORT_HIGH = 0x40000,
};

// Flags of pd_clt_call.
enum : int32_t { PD_CALL_NO_REPLY = 0x01, PD_CALL_KEEP = 0x04 };
// Flags of pd_clt_send and pd_clt_send_msg.
enum : int32_t {
  PD_SEND_ONLY = 0x01,
  PD_SEND_KEEP = 0x04,
  PD_SEND_CLOSING = 0x10,
  PD_SEND_NO_CLOSE = 0x20,
};
// Flags of pd_clt_rdm_call and pd_clt_svc_call.
enum : int32_t { PD_SVC_ASK = 0x08, PD_SVC_OWN_LOOKUP = 0x100 };

// Codes of the RPC layer.
enum : int32_t {
  PD_E_PARAM = -2401,
  PD_E_STATE = -2402,
  PD_E_SETUP = -2403,
  PD_E_MEMORY = -2404,
  PD_E_NETWORK = -2406,
  PD_E_TIMEOUT = -2407,
  PD_E_TRUNCATED = -2409,
  PD_E_FES_NOT_UP = -2410,
  PD_E_REFUSED = -2414,
  PD_E_NOT_UP = -2415,
  PD_E_UNEXPECTED = -2418,
  PD_E_PROTOCOL = -2419,
  PD_E_PROCESS_DOWN = -2430,
  PD_E_BUSY_STATUS = -2433,
  PD_E_BUSY = -2456,
  PD_E_SERVER_ERROR = -2464,
  PD_E_FES_LOST = -2498,
  PD_E_CANCELLED = -2499,
};

// Settings of the connection as the RPC session and the name service
// use them, taken from the running call's settings record (defaults
// when the call has none).
struct clt_rpc_env {
  int32_t cwaittime;          // PDCWAITTIME, seconds, 0 = no limit
  int32_t connectwaittime;    // PDCONNECTWAITTIME, seconds, 0 = the default of the wait
  int32_t calcmdwaittime;     // PDCALCMDWAITTIME, seconds, 0 = no limit
  uint16_t nblock_wait;       // PDNBLOCKWAITTIME
  uint16_t service_port;      // PDSERVICEPORT, 0 = not set
  const char* service_group;  // current service group
  char fes_host[524];         // current front-end host, without its port
  uint16_t fes_port;          // port given with the front-end host
  char host[512];             // current host of PDHOST, without its port
  uint16_t name_port;         // PDNAMEPORT
  int32_t cache;              // PDCACHE, entries of the name cache
  char opt_no_4096;           // 'Y': option letter P
  char opt_no_reqcode;        // 'Y': option letter R
  char opt_busy_wait;         // 'Y': option letter X
  int32_t cnctrtycount;       // PDCNCTRTYCOUNT
  int32_t cnctrtywaittime;    // PDCNCTRTYWAITTIME, seconds
  int32_t swatchtime;         // PDSWATCHTIME
  uint8_t cltgrp;             // PDCLTGRP byte
  char hatrnqueuing;          // 'N' for "NO"
  char ipc;                   // 'Y' when PDIPC is MEMORY
  uint32_t sendmemsize;       // PDSENDMEMSIZE, bytes
  uint32_t recvmemsize;       // PDRECVMEMSIZE, bytes
  uint16_t srvtype;           // PDSRVTYPE
  char tcpconopt;             // PDTCPCONOPT, non-zero when set
};

// The running call's RPC parts as a locator gives them; main and env are
// filled by clt_rpc_cur from the wire layers' context.
struct clt_rpc_ctx {
  clt_rpc_call* call;
  clt_rpc_conn* conn;
  clt_main* main;
  const clt_rpc_env* env;
};

using clt_rpc_locator = clt_rpc_ctx (*)(void);
clt_rpc_ctx clt_rpc_cur(void);
// The running call's parts alone, without main and env: for the per-row
// paths, which read neither and cannot afford looking them up every call.
clt_rpc_ctx clt_rpc_parts(void);
// The settings of the running call (defaults without a settings record).
void clt_rpc_settings(clt_rpc_env* out);
// Installs the locator of the running call's RPC parts; returns the previous one.
clt_rpc_locator clt_rpc_set_locator(clt_rpc_locator locator);

// Call session block "##vrpcx".
struct pd_clt_sess {
  char eyecatcher[8];
  uint32_t session_id;        // millisecond part of the time of day at open
  uint32_t call_counter;
  int32_t reply_wait;         // PDCWAITTIME, -1 = no limit
  uint8_t kept;               // bit 0: the connection of the previous call is held
  uint8_t addr_record[PD_ADDR_RECORD_SIZE];
  uint8_t call_block[PD_CALL_BLOCK_SIZE];
  uint8_t reply_header[PD_REPLY_HEADER_SIZE];
  uint32_t last_seq;          // sequence number as sent
  sockaddr_in server;         // the server of the kept connection
};

// Buffer session block "##vrpcb".
struct pd_clt_bsess {
  char eyecatcher[8];
  uint32_t session_id;
  uint32_t msg_counter;
  int32_t reply_wait;
  uint8_t kept;
  uint32_t client_addr;       // network order
  uint16_t client_port;       // network order
  uint32_t saved_id;          // word 4 of the last reply header, for short headers
  uint8_t header[PD_MSG_HEADER_SIZE];       // header of the message being sent
  uint8_t recv_header[PD_MSG_HEADER_SIZE];  // header of a further segment
};

// The name service as the RPC session calls it; the wiring fills it.
struct clt_rpc_name_services {
  int32_t (*open)(int32_t flags);
  int32_t (*close)(int32_t flags);
  int32_t (*lookup)(const char* service, const char* group, nam_address* addr, uint8_t* info, int32_t flags);
  int32_t (*indirect_lookup)(const char* name, const char* group, const char* service, void* reserved,
                             nam_address* addr, uint8_t* info, void* reserved2);
};
extern clt_rpc_name_services clt_rpc_nam_svc;

int32_t pd_clt_open(int32_t flags);
int32_t pd_clt_close_session(int32_t flags);
int32_t pd_clt_call(const char* group, const char* service, uint8_t* in, uint32_t* in_len, uint8_t* out,
                    uint32_t* out_len, int32_t flags);
int32_t pd_clt_call_check(const char* group, const char* service, const uint8_t* in, const uint32_t* in_len,
                          const uint8_t* out, const uint32_t* out_len, int32_t flags);
// The buffer session block and the transport under it.
int32_t pd_clt_sess_open(int32_t flags);
int32_t pd_clt_sess_close(int32_t flags);
int32_t pd_clt_send(sockaddr_in* peer, uint32_t service, com_piece* pieces, int32_t count, com_piece* reply,
                    int32_t reply_count, int32_t flags);
int32_t pd_clt_send_msg(sockaddr_in* peer, com_piece* pieces, int32_t count, int32_t flags);
int32_t pd_clt_recv(sockaddr_in* peer, com_piece* pieces, int32_t count, int32_t wait, int32_t flags);
int32_t pd_clt_status_map(int32_t status);
int32_t pd_clt_rdm_call(const char* service, com_piece* out, int32_t out_count, com_piece* in, int32_t in_count,
                        int32_t flags);
int32_t pd_clt_svc_call(const char* service, uint32_t code, com_piece* out, int32_t out_count, com_piece* in,
                        int32_t in_count, int32_t flags);

// The -24xx code of a transport result of a send or a receive.
int32_t pd_clt_tsend_code(int32_t tact_result);
int32_t pd_clt_trecv_code(int32_t tact_result);
// A server error code as the session reports it: -399 to -300 become code - 2100.
int32_t pd_clt_server_code(int32_t code);

// Message headers: exposed for the tests and the name service.
void pd_clt_build_header(uint8_t* header, uint32_t service, uint32_t msg_id, uint16_t nblock_wait);
void pd_clt_build_short(uint8_t* header, uint32_t service, uint32_t msg_id);
