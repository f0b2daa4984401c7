// SQLDA fetch conversion entries: the single row of a FETCH reply in the
// SQLDA form into the variables of the request area's SQLDA.
#pragma once

#include <stdint.h>

#include "CLTSQLAG.h"
#include "zelkit.h"

// 0 (also when the reply brought no row, and after -306), or -1 with the
// SQLCA and SQLSTATE set. A reply that names more columns than the SQLDA
// describes is refused before any variable is written.
int32_t clt_sqlda_row_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area);

// The next row of the current block-fetch entry's block in the SQLDA
// form, after checking that the caller's SQLDA and SQLCSNA are those of
// the first blocked FETCH (-850). The entry keeps the row's position.
// `env` is the area's conversion environment for the entry's SQLCA mark,
// taken once by the caller. 0 or -1, as clt_sqlda_row_conv.
int32_t clt_sqlda_blkf_conv(const clt_col_env& env, const uint8_t* body, uint32_t length, rdb_sql_area* area);

// The rows of an array FETCH reply in the SQLDA form into successive
// elements; the row count stays in clt_main's array_rows. 0, or -1 with
// the SQLCA and SQLSTATE set (the rows before a failing one stay).
int32_t clt_sqlda_array_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area);

