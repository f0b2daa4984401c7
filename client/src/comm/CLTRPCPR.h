// Request packets: the 52-byte request header that every packet but the
// JAR request begins with, and the builders of the requests that carry
// no input host variables (CONNECT, the transaction and disconnect
// family, SET SESSION AUTHORIZATION, SET OPTION, server information,
// error log, function code 51).
#pragma once

#include <stdint.h>

#include "CLTCOMCTX.h"
#include "zelkit.h"
#include "zk_records.h"
#include "zk_req_records.h"

using clt_req_locator = clt_req_ctx (*)(void);
clt_req_ctx clt_req_cur(void);
// Installs the locator of the running request; returns the previous one.
clt_req_locator clt_req_set_locator(clt_req_locator locator);

// server level >= n, tested on the level word read unsigned.
bool clt_srv_level_at_least(uint32_t level_word, uint32_t n);

// Whether the connection keeps the statement list: PDCURSORLVL '1' or
// '2' on a server of level 23 or later.
bool clt_cursor_list_kept(const clt_main* main, const clt_env* env);

// Encodes an identifier or password into a 30-byte field: quoted values
// unchanged between the quotes, others upper-cased, blank-padded and
// complemented. session_auth: the closing quote is not checked.
void clt_req_encode_auth(uint8_t field[CLT_AUTH_FIELD_SIZE], const char* value, int32_t length,
                         bool session_auth);

// Reports a refused variable (1-based number) of a list: -311 with
// "(into)" and 07002 or "(using)" and 07001, and its SQLVAR line of the
// given fault kind in the error log. Returns -1.
int32_t clt_req_var_error(const clt_req_ctx& c, const char* module, int32_t line, const SQLDA* sqlda, int32_t number,
                          bool into, int32_t kind);

int32_t clt_req_connect(void);
int32_t clt_req_control(void);
int32_t clt_req_session_auth(void);
int32_t clt_req_setopt(void);
int32_t clt_req_srvinf(void);
int32_t clt_req_errorlog(void);
int32_t clt_req_ccmd(void);
int32_t clt_req_execute_utl(void);
// One block of a JAR or external-library file request: the first block
// (kind 1) with the file name, or a following block of file data.
int32_t clt_req_jar(int32_t kind, uint32_t data_len, const void* data);
