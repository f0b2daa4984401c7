// Row plans of kept blocks in the SQLDA form. Once a further row of a
// block has gone through the whole analysis and conversion, what their
// checks settled for the block stays with the connection: the caller's
// SQLDA as it was, the conversion environment, the block's status,
// completion report and column count, and for each variable its plain
// copy. A later row of that block, with the same SQLDA and environment,
// then only reads its values, checks that they lie within the block and
// writes them: the same bytes, report, warnings and counts as the whole
// way. What a plan does not cover (converted character codes, address
// texts, character-set names, repetitions, large objects, national
// characters, wide indicators, values outside the block) goes the whole
// way, as does every row of a block without a plan. A plan lasts until
// its cursor's next block, the connection's next CONNECT (which sets the
// server's level, byte order and code conversion) or the connection's end.
#pragma once

#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"

struct clt_blkf_entry;

// Serves the entry's next row, one with a completion report of its own,
// by the plan of its block: true when served; false, with nothing
// changed, when the row needs the whole way. `total` is the block's
// length as the analysis takes it.
bool clt_row_plan_serve(clt_main* main, rdb_sql_area* area, clt_blkf_entry* e, uint32_t total);

// After the whole way delivered such a row of the entry's block by the
// shipped converter of plain column arrays: keeps the block's plan when
// the row's conversion is one a plan covers.
void clt_row_plan_keep(clt_main* main, rdb_sql_area* area, const clt_blkf_entry* e, uint32_t total);

// Whether the entry's block has its plan.
bool clt_row_plan_held(clt_main* main, const clt_blkf_entry* e);

// A new block arrives for the entry: the old block's plan goes.
void clt_row_plan_forget(clt_main* main, const clt_blkf_entry* e);

// Frees the connection's plans: at its end, and at CONNECT.
void clt_row_plan_free(clt_reply_conn* reply);
