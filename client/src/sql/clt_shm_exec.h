// The executors' side of the shared-memory channel: one request through
// the sections with its failures reported into the SQLCA, the choice per
// request between the sections and the socket, and the oversize notice
// that announces a request going over the socket.
#pragma once

#include <stdint.h>

#include "zelkit.h"

// One request through the channel under the running function code.
// request and reply are the section views, *total the request's length
// with the 64 header bytes. 0, or -1 with the SQLCA filled (a server
// status of -366 leaves it as it was).
int32_t clt_shm_exec(uint8_t* request, uint32_t* total, uint8_t* reply, uint32_t* capacity, rdb_sql_area* area);

// CONNECT before its request: with the channel wanted (PDIPC=MEMORY) the
// channel flag is set, the sequences cleared and the client's pair made,
// so that the RPC session offers the channel; when making it fails the
// connection goes on over the socket (the error log tells why).
void clt_shm_connect_begin(bool wanted);
// CONNECT after the server accepted: the server's pair opened when it
// took the offer, else the flag cleared. -1 after -723 "CLIENT MEMORY".
int32_t clt_shm_connect_end(rdb_sql_area* area);

// Whether the channel carries the connection's requests now.
bool clt_shm_active(void);

// Places the running request: when the channel is active, the function
// code goes through it and both the request (request_size) and the reply
// (reply_size) fit the sections, *request and *reply are moved into them
// and the oversize flag becomes 0; otherwise it is 1 and they stay.
void clt_shm_place(uint32_t request_size, uint32_t reply_size, uint8_t** request, uint8_t** reply);

// The bytes a request placed in the sections may take.
uint32_t clt_shm_request_room(void);

// The exchange of a built request whichever way it goes: through the
// sections when placed there; with the channel active otherwise, after
// the channel's disconnect (DISCONNECT) or oversize notice, over the
// socket. *reply_len is the reply capacity and receives the reply's
// length. 0, or -1 with the SQLCA filled.
int32_t clt_shm_exchange(uint8_t* request, uint32_t* request_len, uint8_t* reply, uint32_t* reply_len,
                         rdb_sql_area* area);
