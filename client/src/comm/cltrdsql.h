// The second server protocol: the link that CONNECT opens to the remote
// server, and every request of the connection carried over it in a
// message of the protocol (connect, disconnect, commit, rollback or
// statement), its reply taken apart into the reply packet that the reply
// analysis reads, or one built here where the server sends none.
#pragma once

#include <stdint.h>

#include "zelkit.h"

// Opens the link: connects to PDHOST at the name port and waits for the
// server's greeting. 0; -1 with the SQLCA filled; or a transport result
// (-24xx) for the link open to report.
int32_t clt_rd_open(rdb_sql_area* area);
// One request: the packet goes in the message of its function code and
// the reply packet comes back into the caller's reply buffer, its length
// in *reply_len (the capacity on entry). 0 or a transport result; -2466
// when the SQLCA holds the report already.
int32_t clt_rd_exec(uint8_t* request, uint32_t* request_len, uint8_t* reply, uint32_t* reply_len, rdb_sql_area* area);
// Closes the socket when the link is open; always 0.
int32_t clt_rd_close(rdb_sql_area* area);
// Frees the link's buffers.
void clt_rd_free_buffers(rdb_sql_area* area);
// Ends a second-protocol connection's link whatever its state: the
// socket and the buffers. Nothing for other connections.
void clt_rd_release();
