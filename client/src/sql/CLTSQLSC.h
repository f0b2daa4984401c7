// Server call and link: every request reaches the server over the
// transport the connection uses (direct frame or RPC call), links open and
// close, failed exchanges become KFPA messages and SQLCODEs, and the
// connection manager hears of requests that timed out or were cancelled.
#pragma once

#include <stdint.h>

#include "zelkit.h"

constexpr uint32_t CLT_RDM_NOTICE_SIZE = 256;
constexpr uint32_t CLT_RDM_NOTICE_CODE = 0x0022006E;

// What the server call reaches in transports built elsewhere: the second
// server protocol, the shared-memory channel and the front-end lookup.
// A missing second protocol or front-end lookup fails the request as a
// client error; a missing channel has nothing open to close.
struct clt_link_services {
  // 0, -1 with the SQLCA filled, or a transport result for the link open
  // to report.
  int32_t (*rd_open)(rdb_sql_area* area);
  int32_t (*rd_exec)(uint8_t* request, uint32_t* request_len, uint8_t* reply, uint32_t* reply_len,
                     rdb_sql_area* area);
  int32_t (*rd_close)(rdb_sql_area* area);
  void (*rd_free_buffers)(rdb_sql_area* area);
  void (*shm_close_peer)();
  void (*shm_close_own)();
  int32_t (*get_fes)();
};
extern clt_link_services clt_link_svc;

// The server function of a function code, or null when it has none.
const char* clt_server_function(int32_t func_code);

int32_t clt_call_server(uint8_t* request, uint32_t* request_len, uint8_t* reply, uint32_t* reply_len,
                        rdb_sql_area* area);
int32_t clt_open_link(rdb_sql_area* area);
int32_t clt_close_link(rdb_sql_area* area);
// Reports a transport result of an exchange into the SQLCA as the server
// call does (the connection-end notice first after a time-out; the lists
// freed after a cancel); returns -1.
int32_t clt_report_exchange(rdb_sql_area* area, int32_t rc);
int32_t clt_rdm_notify(void);
int32_t clt_rdm_notify_alt(void);

// The connection-end notice as it goes to the connection manager.
void clt_rdm_notice_build(uint8_t* notice, uint8_t reason);
