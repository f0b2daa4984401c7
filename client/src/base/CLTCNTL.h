// The connection control block clt_main: its creation at the first call
// of a connection and its end with the connection.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"

clt_env* clt_main_env(clt_main* main);
clt_uap* clt_main_uap(clt_main* main);
clt_com_conn* clt_main_com(clt_main* main);
clt_req_conn* clt_main_req(clt_main* main);
clt_rpc_conn* clt_main_rpc(clt_main* main);
clt_reply_conn* clt_main_reply(clt_main* main);
char* clt_text(clt_main* main, clt_text_area which);

int32_t clt_main_create(rdb_sql_area* area);

// Makes the per-connection trace file names that are still missing.
void clt_make_trc_names();

// Frees the per-request buffers of the control block.
void clt_free_request_buffers(clt_main* main);
