// The request dispatcher and the statement router.
#pragma once

#include <stdint.h>

#include "zelkit.h"
#include "zk_codes.h"

// The first call of a connection wires the library, creates the control
// block and reads the settings; 0, or -1 with the SQLCA filled.
int32_t clt_first_call_init(rdb_sql_area* area);
int32_t clt_first_call_init_odbc(rdb_sql_area* area, const rdb_odbc_buf* odbc);
// The end of a connection: traces closed, the control block freed.
void clt_last_call_term(rdb_sql_area* area);
void clt_main_free();

// Runs one request of the current context: 0, 100 or -10.
int32_t clt_dispatch(rdb_sql_area* area);
int32_t clt_dispatch_odbc(rdb_sql_area* area, rdb_odbc_buf* odbc);

// Runs a request of an established connection ("DISC" and "DISR" also
// without one): 0, or -1 with the SQLCA filled.
int32_t clt_exec_statement(rdb_sql_area* area);
