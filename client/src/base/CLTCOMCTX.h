// What the socket layer and the transport session keep of the running
// call and of its connection, and how they find them with the
// connection's settings record: clt_com_cur locates the parts of the
// running call.
#pragma once

#include <stdint.h>

#include "CLTCNTL.h"
#include "CLTENV.h"

struct clt_sock_table;
struct clt_sock_entry;
struct clt_tact_req;

// Most pieces that one transport entry sends or receives: the frame
// header and up to five body pieces.
constexpr int32_t CLT_TACT_PIECES = 6;
constexpr int32_t CLT_FRAME_HEADER_SIZE = 12;
constexpr int32_t CLT_REPLY_VALUES = 5;

// Frame and piece copies of the last message sent or reply received,
// kept for the communication trace.
struct clt_com_trace_copy {
  uint32_t header[3];
  uint8_t* addr[CLT_TACT_PIECES];
  uint32_t len[CLT_TACT_PIECES];
  uint32_t count;
  uint32_t seconds;
  uint16_t millis;
};

// Fields of the connection used by the socket layer, the message frame
// and the transport besides those that the control block itself holds
// (cancel flag, function code, server port).
struct clt_com_conn {
  int32_t cur_socket;         // written by com_send and com_recv
  int32_t recv_socket;        // written by com_recv
  uint16_t listen_port;       // network order, from com_open in receive-port mode
  uint8_t loopback;           // 1: the server host is an IPv4 loopback address
  char connect_no_retry;      // 'N' while the connection-end notice runs
  uint32_t fes_group_index;   // non-zero while CONNECT tries a PDFESGRP item
  uint16_t reconnect_state;   // 4 while an automatic reconnect runs
  char no_reqcode;            // 'Y': option letter R, no request-code form
  uint8_t features;           // server feature bits
  uint32_t protocol;          // 2 enables the request-code form
  uint16_t reqcode_override;  // 1: every request uses one fixed request code
  uint32_t reply_capacity;    // reply bytes the caller can take, for the request-code frame
  uint32_t reply_values[CLT_REPLY_VALUES];
  uint32_t req_buf_size;      // request buffer, as the input binding sized it
  uint32_t req_len;
  uint32_t reply_buf_size;
  uint32_t reply_len;
  uint8_t shm_channel;        // 1: the shared-memory channel carries requests
  uint16_t frame_session_port;
  clt_com_trace_copy sent;
  clt_com_trace_copy received;
};

// Per-call fields of the socket layer and the transport.
struct clt_com_call {
  int32_t wsa_error;          // WinSock error of the last adapter call
  uint32_t mdl_data[3];       // module-trace data words
  uint8_t* staging;           // 4108-byte staging buffer of com_send, owned by the RPC session
  int32_t session_end;        // 1 while the session's closing message is sent
  uint8_t waiting_reply;      // 1 while a receive waits
  int32_t mdl_trace_on;
  int32_t soc_trace_on;
  // Transport session.
  clt_sock_table* tact_work;  // table being worked on, null outside an operation
  clt_sock_table* tact_table; // the connection's table
  clt_sock_entry* tact_entry;
  clt_tact_req* tact_req;
  uint32_t tact_mode;
  int32_t tact_result;
  int32_t tact_recv_count;
  int32_t tact_truncated;
  uint16_t tact_phase;
  uint16_t tact_class;
  // The connection's reply buffer, which a receive may replace by a larger one.
  uint8_t* reply_buf;
  uint8_t* reply_cur;
  int32_t reply_may_grow;
};

// The parts of the running call; main, conn and env are null before the
// connection has a control block, call when no call runs.
struct clt_com_ctx {
  clt_com_call* call;
  clt_main* main;
  clt_com_conn* conn;
  clt_env* env;
};

using clt_com_locator = clt_com_ctx (*)(void);

clt_com_ctx clt_com_cur(void);
// Installs the locator of the running call's parts; returns the previous one.
clt_com_locator clt_com_set_locator(clt_com_locator locator);

// The cancel flag crosses threads: the abort export sets it while a
// request of the connection waits.
inline uint16_t clt_com_cancel_get(const clt_main* main) {
  return __atomic_load_n(&main->cancel_requested, __ATOMIC_SEQ_CST);
}
inline void clt_com_cancel_set(clt_main* main, uint16_t value) {
  __atomic_store_n(&main->cancel_requested, value, __ATOMIC_SEQ_CST);
}
