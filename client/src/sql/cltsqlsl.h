// The statement list: one entry per prepared cursor statement and per
// cursor, kept with PDCURSORLVL '1' or '2' on servers of level 23 and
// later. An entry remembers whether its cursor is open, has been fetched
// from and has reached the end of its rows, and keeps copies of an OPEN
// that was completed without the server, so that the first FETCH can
// carry that OPEN. The list hangs from the connection's control block,
// newest entry first; the running request's entry is the current one.
#pragma once

#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"

// Results: 0; -1 (none found, or a failure with the SQLCA filled where
// stated); the binds give -20 after a memory failure.
constexpr int32_t CLT_LOC_NO_MEMORY = -20;

// Makes the request's entry current: 0 found; -1 none, no current entry.
int32_t clt_loc_find(rdb_sql_area* area);
// A new entry from the area, current and first; -1 with the SQLCA filled.
int32_t clt_loc_add(rdb_sql_area* area);
// OPEN of function code 17: the cursor's own entry, or a copy of its
// statement's entry under the statement section number.
int32_t clt_loc_bind_cursor(rdb_sql_area* area);
// ALLOCATE CURSOR with an extended statement name: the statement's entry
// takes the cursor, or a copy of another cursor's entry is made for it.
int32_t clt_loc_bind_ext_cursor(rdb_sql_area* area);
// Replaces the current entry's copies by those of the running OPEN;
// -1 with the SQLCA filled.
int32_t clt_loc_store_vars(rdb_sql_area* area);
// Frees the copies of the request's entry and closes it; DEALLOCATE
// PREPARE unlinks and frees it. Always 0.
int32_t clt_loc_release(rdb_sql_area* area);
// After a refresh of `entry`, the entries of the same statement under
// other section numbers follow it (or go, under DEALLOCATE PREPARE).
int32_t clt_loc_free_same_name(clt_loc_entry* entry);
// Frees every entry of the request's extended statement name. Always 0.
int32_t clt_loc_free_ext(rdb_sql_area* area);
// The end of a transaction by ROLLBACK. Always 0.
int32_t clt_loc_free_unheld(rdb_sql_area* area);
// The end of a transaction by COMMIT and its kin. Always 0.
int32_t clt_loc_free_closed(rdb_sql_area* area);
// Empties the list. Always 0.
int32_t clt_loc_free_all(rdb_sql_area* area);

// The running request's entry, or null.
clt_loc_entry* clt_loc_current();

// The current entry's CLT_LOC_* bits as the dispatcher reads them.
int32_t clt_loc_state_of(clt_main* main);
// A locally served OPEN: open, not fetched, not at the end.
void clt_loc_open_current(clt_main* main);

// The reply analysis's part: what a reply of the running request tells
// the list (FETCH, PREPARE, second OPEN, ALLOCATE CURSOR). `sqlcode` is
// the reply's, `hold` its status byte 6, `kind` the statement kind of a
// PREPARE. 0, or -1 with the SQLCA filled.
int32_t clt_loc_after_reply(rdb_sql_area* area, int32_t sqlcode, uint8_t hold, uint16_t kind);
