// Input variable encoding: the 16-byte entry of every variable of a list
// and, behind the entries, the values and indicators of its input
// variables in the server's byte order.
#pragma once

#include <stdint.h>

#include "CLTRPCPR.h"
#include "zelkit.h"

constexpr int32_t CLT_PUT_VARS_TOKEN = 256;

// Which variable was refused, and why (clt_var_fault).
struct clt_put_vars_fault {
  int32_t number;  // 1-based
  int32_t kind;
};

// Fills the list's variable section. part: where its 16-byte head lies;
// into: the leading variables that only receive values; running: where
// data may go next, advanced on return; mode: 0 none, 1 block fetch, 2
// array fetch. 0; -311 with the fault; -306, -720 or -988 with their
// message in token.
int32_t clt_req_put_vars(const clt_req_ctx& c, const SQLDA* da, const void* csna, uint32_t part, int32_t into,
                         uint32_t* running, char token[CLT_PUT_VARS_TOKEN], int32_t mode, clt_put_vars_fault* fault);

// Length of a text without its trailing blanks.
int32_t clt_rtrim_len(const char* text, int32_t length);
