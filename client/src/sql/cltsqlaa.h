// Array fetch conversion: the R rows of an array FETCH reply in the
// descriptor form go into successive elements of the variables that the
// request area's SQLDA describes. clt_col_conv reads column arrays
// (each column's values for all rows together); clt_col_conv_var5 reads
// one record per row (conversion variant 5).
//
// R is left in clt_main's array_rows. A reply with more rows than the
// array count, or whose values, offsets, counts or indicators lie outside
// it, is refused (-733) before any variable is written; no value is
// written past its array element.
#pragma once

#include <stdint.h>

#include "CLTSQLAG.h"
#include "zelkit.h"

// The row count of an array reply's status part into *rows; false when
// the reply has no status part that holds it, or names more rows than
// the request's array count.
bool clt_array_rows(const clt_col_env& e, const uint8_t* body, uint32_t total, const rdb_sql_area* area,
                    uint16_t* rows);

// 0, or -1 with the SQLCA and SQLSTATE set.
int32_t clt_col_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area);
int32_t clt_col_conv_var5(const uint8_t* body, uint32_t length, rdb_sql_area* area);
