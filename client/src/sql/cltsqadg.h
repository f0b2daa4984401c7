// SQLDA fetch conversion, one row: the values of a FETCH reply in the
// SQLDA form (each in the form its variable's sqlcod asks for, read in
// sequence) into the variables of the request area's SQLDA.
#pragma once

#include <stdint.h>

#include "CLTSQLAG.h"
#include "zelkit.h"
#include "zk_records.h"

// Converts the row at *position (the offset of its first value from the
// data part's start; 0 before the first row) into element `element` of
// the SQLDA's variables, and moves *position past it. `mark` is the SQLCA
// mark of the reply that brought the row; `kept` the kept column flag
// bytes. 0, also after -306 (the position then stays); -1 with the SQLCA
// and SQLSTATE set.
int32_t clt_sqlda_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area, int32_t* position, char mark,
                       int16_t element, int16_t columns, clt_flag_copy* kept);
// The same in the conversion environment `env` the caller already took
// for the area (clt_col_env_of with `mark`): a block's rows take it once.
int32_t clt_sqlda_conv_in(const clt_col_env& env, const uint8_t* body, uint32_t length, rdb_sql_area* area,
                          int32_t* position, int16_t element, int16_t columns, clt_flag_copy* kept);
