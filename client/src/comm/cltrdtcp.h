// Sockets of the second server protocol: one stream connection to the
// server's name port, messages sent whole, and replies received in
// one-second waits up to the length their first four bytes announce.
#pragma once

#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"

// Wait of the greeting and of CONNECT's reply, whatever PDCWAITTIME says.
constexpr uint32_t CLT_RD_GREETING_WAIT = 300;

// Resolves the local host name (its first address becomes the client
// host address) and the server host, and connects once. 0 with the
// socket in the link; -1 when a name or the socket failed; -2415 when
// the connect failed.
int32_t clt_rd_tcp_connect(clt_rd_link* link, const char* host, uint16_t port);

// How long a receive may wait: limit_seconds one-second waits (0: no
// limit); a cancel request of cancel_of ends it.
struct clt_rd_wait {
  uint32_t limit_seconds;
  const clt_main* cancel_of;
};

// Receives one message into buf: 0 with its length in *received;
// -1 select failed, -2407 the wait limit, -2418 the peer closed or recv
// failed, -2499 cancelled, -2466 a length above the capacity or more
// bytes than announced (KFPA11720-E in the SQLCA).
int32_t clt_rd_tcp_recv(int32_t sock, uint8_t* buf, uint32_t capacity, const clt_rd_wait& wait, uint32_t* received,
                        rdb_sql_area* area);
// 0, or -2418 when a send failed.
int32_t clt_rd_tcp_send(int32_t sock, const uint8_t* message, uint32_t length);
// 0, or -1 when closing failed.
int32_t clt_rd_tcp_close(int32_t sock);
