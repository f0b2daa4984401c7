// SQLDA fetch conversion entries: the single row of a FETCH reply in the
// SQLDA form into the variables of the request area's SQLDA.
#pragma once

#include <stdint.h>

#include "CLTSQLAN.h"
#include "zelkit.h"

// 0 (also when the reply brought no row, and after -306), or -1 with the
// SQLCA and SQLSTATE set. A reply that names more columns than the SQLDA
// describes is refused before any variable is written.
int32_t clt_sqlda_row_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area);

// The rows of an array FETCH reply in the SQLDA form into successive
// elements; the row count stays in clt_main's array_rows. 0, or -1 with
// the SQLCA and SQLSTATE set (the rows before a failing one stay).
int32_t clt_sqlda_array_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area);

// The converter of each route of the reply analysis; routes whose
// converters are not built fail the request as a client error.
int32_t clt_col_convert(clt_reply_route route, const uint8_t* body, uint32_t length, rdb_sql_area* area);
