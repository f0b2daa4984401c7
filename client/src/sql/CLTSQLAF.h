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
#include "zk_records.h"

struct clt_blkf_entry;

// Blocks in column arrays (every conversion variant but 5); a cursor whose
// FETCHes use the SQLDA form goes to clt_sqlda_blkf_conv. 0 when the row
// is delivered or there is none to deliver (also after -306); -1 with the
// SQLCA and SQLSTATE set. The entry's next row advances either way.
int32_t clt_fetch_conv(const uint8_t* body, uint32_t length, rdb_sql_area* area);
// Blocks in row records (conversion variant 5). The same contract.
int32_t clt_fetch_conv_var5(const uint8_t* body, uint32_t length, rdb_sql_area* area);

// The completion report of a row that is not its block's last, from the
// block's SQLCA part (its identifier's mark bytes) and, when `counted`,
// with the entry's count of rows in sqlerrd[2].
void clt_blkf_report_completion(rdb_sql_area* area, clt_main* main, const clt_blkf_entry* e,
                                const uint8_t* sqlca_part, bool counted);
// After every call that the entry's block serves: its next row, and the
// rows left in the control block.
void clt_blkf_next_row(clt_main* main, clt_blkf_entry* e);
