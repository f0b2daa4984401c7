// The entry p_rdb_exsql: the refusal of a second call, and the initial
// state of an ODBC context.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "CLTCOMCTX.h"
#include "zelkit.h"
#include "zk_records.h"

// Fills the SQLCA of a refused second call with SQLCODE -725.
void clt_refuse_second_call(rdb_sql_area* area, const char* module, int32_t line);

// Puts an ODBC context block into its initial state.
void clt_global_init_odbc(clt_global_data* ctx);
