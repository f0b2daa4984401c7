// Block-fetch row conversion: each FETCH that a cursor's block-fetch entry
// serves delivers the block's next row. Every row but the block's last
// reports completion of its own; the last carries the block's SQLCA. The
// caller may not change its descriptor areas between blocked FETCHes.
//
// The block is read through bounds checks: a value, count, offset or
// indicator outside the reply, or a block of more rows than were asked,
// is refused as a server error before anything is written.
#pragma once

#include <stdint.h>

#include "zelkit.h"

// Blocks in column arrays (every conversion variant but 5); a cursor whose
// FETCHes use the SQLDA form goes to clt_sqlda_blkf_conv. 0 when the row
// is delivered or there is none to deliver (also after -306); -1 with the
// SQLCA and SQLSTATE set. The entry's next row advances either way.
int32_t clt_fetch_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area);
// Blocks in row records (conversion variant 5). The same contract.
int32_t clt_fetch_conv_var5(const uint8_t* body, uint32_t length, rdb_sql_area* area);
