// Executors of the SQL runtime: the frame that every executor follows and
// CONNECT, which chooses the server from the connection's settings,
// connects with retries and sets up what the connection needs afterwards.
#pragma once

#include <stdint.h>

#include "zelkit.h"
#include "zk_seam.h"

// The input binding and the variable checks, which size the connection's
// request and reply buffers: clt_bind_input and clt_sqlda_check, reached
// through these slots so that a test can make a buffer go missing. An
// empty slot fails the request as a client error.
struct clt_exec_services {
  int32_t (*bind_input)(rdb_sql_area* area);
  int32_t (*sqlda_check)(rdb_sql_area* area);
};
extern clt_exec_services clt_exec_svc;

struct clt_main;
// A word of a reply in client order: the server's own order when the
// connection found the two alike, network order otherwise.
uint32_t clt_server32(const clt_main* main, const uint8_t* p);

// A request builder of the frame (clt_req_control and its kin).
using clt_exec_builder = int32_t (*)(void);
// The reply analysis of the frame (clt_reply_analyse and its kin), given
// the reply body, the bytes received and the area.
using clt_exec_analysis = int32_t (*)(const uint8_t* body, uint32_t received, rdb_sql_area* area);

// The runtime operations built so far; any other fails the request as a
// client error.
int32_t clt_exec_runtime(clt_runtime_op which, rdb_sql_area* area);

// The frame of the statement executors: binding and checks, the request
// built at the connection's request buffer, one exchange with the server,
// the analysis. 0, or -1 with the SQLCA filled.
int32_t clt_exec_frame(rdb_sql_area* area, clt_exec_builder build, clt_exec_analysis analyse);

// The frame's steps one by one, for executors that send several requests
// or a request of another form: the binding, checks and buffers; one
// exchange of the `length` bytes built at the request buffer, the reply
// then at `*reply` with `*received` bytes; the current pointers cleared.
int32_t clt_exec_prepare(rdb_sql_area* area);
int32_t clt_exec_send(rdb_sql_area* area, uint32_t length, const uint8_t** reply, uint32_t* received);
void clt_exec_clear(rdb_sql_area* area);

// DISCONNECT (also of a connection CONNECT refuses) and the transaction
// executor of COMMIT, ROLLBACK and their kin.
int32_t clt_exec_disconnect(rdb_sql_area* area);
int32_t clt_exec_transact(rdb_sql_area* area);

// The general statement executor (PREPARE, DESCRIBE, the execute and OPEN
// families, DSET, RENV and every code without an executor of its own) and
// CLOSE: the statement request, one exchange, the reply analysis.
int32_t clt_exec_general(rdb_sql_area* area);
int32_t clt_exec_close(rdb_sql_area* area);

// FETCH with block fetch: the cursor's block-fetch entry found or made;
// a new block asked of the server when the kept one has no row left to
// serve, else the next row of the kept block without a request.
int32_t clt_exec_fetch(rdb_sql_area* area);

// CONNECT: the entry with its choice of server and retries, one attempt,
// and the wait while the server has too many users.
int32_t clt_exec_connect_entry(rdb_sql_area* area);
int32_t clt_exec_connect(rdb_sql_area* area);
// mode 0 keeps the current front-end host, mode 1 clears it before each
// attempt. 0 no wait, -2 connected during the wait, -1 the wait failed.
int32_t clt_connect_retry_wait(rdb_sql_area* area, SQLCA* sqlca, int32_t mode);

// Builds the CONNECT request again at `request` once the RPC session has
// found the server; *length receives its new length.
int32_t clt_rebuild_connect(uint8_t* request, uint32_t* length);
