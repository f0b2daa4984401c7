// Buffers of the second server protocol's link: the send and receive
// buffers sized before each request, and the third buffer that keeps the
// disconnect reply while the end-of-disconnect message is exchanged.
#pragma once

#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"

// Results of the link's operations besides 0.
enum : int32_t {
  CLT_RD_E_TIMEOUT = -2407,   // the wait limit ran out
  CLT_RD_E_CONNECT = -2415,   // the server did not take the connection
  CLT_RD_E_NETWORK = -2418,   // send or receive failed, or the peer closed
  CLT_RD_E_REPORTED = -2466,  // the SQLCA holds the report already
  CLT_RD_E_CANCELLED = -2499,
};

// Room a buffer keeps beyond the request or the reply it holds: the
// protocol's own blocks.
constexpr uint32_t CLT_RD_BUFFER_MARGIN = 1024;

// Makes the send buffer hold request_len + 1024 bytes and the receive
// buffer reply_capacity + 1024, in whole 4096-byte steps, and clears both.
// 0, or CLT_RD_E_REPORTED with KFPA11729-E in the SQLCA.
int32_t clt_rd_prepare_buffers(clt_rd_link* link, uint32_t request_len, uint32_t reply_capacity, rdb_sql_area* area);
// Makes the third buffer hold `needed` bytes (not cleared); 0 or CLT_RD_E_REPORTED.
int32_t clt_rd_prepare_third(clt_rd_link* link, uint32_t needed, rdb_sql_area* area);
// Frees the three buffers.
void clt_rd_free_link_buffers(clt_rd_link* link);
