// Reply analysis: the SQL reply body after the 64-byte reply header fills
// the caller's SQLCA and SQLSTATE, keeps the server's extension data in
// the connection, copies descriptions and names into the caller's areas
// and routes returned values to the converters.
//
// Every operation takes the number of reply bytes received: no offset,
// length or count of the reply is used before it is checked against them,
// and a reply that fails a check is refused as a communication error.
#pragma once

#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"

constexpr uint32_t CLT_REPLY_TRACE_BLOCK = 40;
constexpr uint32_t CLT_REPLY_TRCCTL_SIZE = 12;

// Where the analysis sends returned values.
enum class clt_reply_route {
  block,            // block FETCH
  block_variant,    // block FETCH, conversion variant 5
  sqlda_single,     // FETCH of one row in the SQLDA form
  sqlda_array,      // FETCH into arrays in the SQLDA form
  column,           // FETCH into arrays in the descriptor form
  column_variant,   // the same, conversion variant 5
  output,           // every other request with values
};

// The converters of returned values live with the column conversion; a
// converter reports its own failures and returns -1 after them.
struct clt_reply_services {
  int32_t (*convert)(clt_reply_route route, const uint8_t* body, uint32_t length, rdb_sql_area* area);
};
extern clt_reply_services clt_reply_svc;

using clt_reply_locator = clt_reply_conn* (*)(void);
clt_reply_conn* clt_reply_cur(void);
clt_reply_locator clt_reply_set_locator(clt_reply_locator locator);
// Frees what the analysis keeps for the connection.
void clt_reply_free(clt_reply_conn* conn);
// Frees the per-statement work blocks of the previous reply.
void clt_reply_free_work(clt_reply_conn* conn);

constexpr uint32_t CLT_LEVEL_BLOCK_BUFFER = 20;  // PDBLKBUFFSIZE counts from this server level

// Block fetch is configured: PDBLKF 2 or more, or PDBLKBUFFSIZE at a
// server level that knows it.
bool clt_blkf_configured(const clt_main* main, const clt_env* env);

// Frees the saved FETCH description and the kept column flag bytes.
void clt_reply_drop_description(clt_reply_conn* conn);
// Keeps the NUL-terminated text at `text` (within `room` bytes) as the
// error-log text, reusing the kept block when it is long enough. 0; -1
// when no NUL lies within the room. No memory only drops the text.
int32_t clt_reply_keep_errlog(clt_reply_conn* rc, const uint8_t* text, uint32_t room);

int32_t clt_reply_complete(SQLCA* sqlca, const uint8_t* body, uint32_t received);
int32_t clt_reply_analyse(const uint8_t* body, uint32_t received, rdb_sql_area* area);
// A further row of the current kept block, one that gets a completion
// report of its own (`block_sqlcode`: the block's, not negative): what the
// full analysis would change from the block's earlier row, and the row's
// conversion; 0, or -1 with the SQLCA filled. CLT_REPLY_ROW_FULL when the
// block needs the full analysis for every row (a character-set part).
// *route tells which converter took the row.
constexpr int32_t CLT_REPLY_ROW_FULL = 1;
int32_t clt_reply_analyse_row(const uint8_t* body, uint32_t received, rdb_sql_area* area, int32_t block_sqlcode,
                              clt_reply_route* route);
// What that analysis changes before the row's conversion (the state word
// marked as analysing, the area's result byte from the block's status
// part, the SQLCODE the block's, the per-request counters cleared), and
// after it. The begin gives the state word for the end (null without an
// RPC connection).
uint32_t* clt_reply_row_begin(clt_main* main, rdb_sql_area* area, uint8_t result, int32_t block_sqlcode);
void clt_reply_row_end(uint32_t* state);

// Byte `at` of the reply's status part into *out; false when the body
// has no status part that holds it.
bool clt_reply_status(const uint8_t* body, uint32_t received, uint32_t at, uint8_t* out);
constexpr uint32_t CLT_STATUS_FLAGS = 7;          // status byte of the release flags
constexpr uint8_t CLT_STATUS_FREE_UNHELD = 0x02;  // release what a COMMIT releases
constexpr uint8_t CLT_STATUS_FREE_ALL = 0x04;     // release what a ROLLBACK releases
