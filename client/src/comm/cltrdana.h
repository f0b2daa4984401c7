// Checks of the second server protocol's replies and the statement
// rules around them: the walk from the reply to its blocks and its reply
// packet, every offset checked against the bytes received; the
// transaction state that statement replies carry; the fix-up of describe
// replies; and the size sums of the output variables that go before the
// request of a statement returning rows.
#pragma once

#include <stdint.h>

#include "zelkit.h"

// Where the parts of a reply lie, from the reply's start.
struct clt_rd_reply_map {
  uint32_t block2;
  uint32_t block3;
  uint32_t server;       // 0: no server block
  uint32_t packet;
  uint32_t packet_len;   // the reply packet's first word
  uint8_t implicit_commit;
  char server_flag;
  uint8_t trn_byte;      // the server's transaction state byte
};

// Walks a reply of `received` bytes; 0, or the number of the check that
// failed (a block offset outside 1 to 65534 or past the bytes, a reply
// packet at 0, of length 0 or past the bytes).
int32_t clt_rd_map_reply(const uint8_t* reply, uint32_t received, clt_rd_reply_map* map);

// The server's transaction state byte s applied to the kept state: the
// new state and the status byte to write; false when s changes nothing.
bool clt_rd_trn_step(uint8_t state, uint8_t s, uint8_t* next, uint8_t* status_byte);

// The status byte's place in a reply packet of `length` bytes; 0 when the
// packet's status offset lies outside it.
uint32_t clt_rd_status_flags_at(const uint8_t* packet, uint32_t length);

// Describe replies: column entries with an element count below -1 get
// count 1, code 0 and length 0. 0, or the number of the check that failed.
int32_t clt_rd_fix_describe(uint8_t* packet, uint32_t length);

// What refused an output variable.
enum class clt_rd_var_fault { none, count, address, type };
struct clt_rd_sum_result {
  clt_rd_var_fault fault;
  int32_t number;        // the variable's 1-based position
};

// The three size sums of `count` output variables of da: variable-length
// data, fixed-length data, indicators; array_count above 1 marks an
// array FETCH, whose sums are multiplied by it.
clt_rd_sum_result clt_rd_sum_vars(const SQLDA& da, int32_t count, int32_t array_count, uint32_t* sums);
