// Block-fetch buffers: one entry per open cursor that keeps the reply
// holding the cursor's current block of rows, the state of that block
// and copies of the descriptor areas the later FETCH calls compare.
#pragma once

#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"

constexpr size_t CLT_BLKF_TAG_SIZE = 8;
constexpr size_t CLT_BLKF_NAME_SIZE = 30;

struct clt_blkf_entry {
  char tag[CLT_BLKF_TAG_SIZE];     // "##blkft"
  uint16_t rows_setting;           // PDBLKF when the entry was made
  uint16_t section;
  char name1[CLT_BLKF_NAME_SIZE];
  char name2[CLT_BLKF_NAME_SIZE];
  uint32_t stmtid;
  uint16_t rows;                   // rows of the current block
  uint16_t next_row;               // index of the next row to deliver
  int32_t block_sqlcode;           // 100: no rows follow; negative: an error ended the block
  uint32_t cumulative;             // rows counted since the entry was made
  uint8_t hold;                    // non-zero keeps the entry across COMMIT
  uint8_t sqlda_form;              // 1: the replies come in the SQLDA form
  char sqlca_mark;                 // eighth character of the block's SQLCA identifier
  char ext_flag;                   // 'Y': matched by the extended cursor name
  uint32_t reply_size;             // the FETCH's computed reply size
  uint32_t reply_buf_size;         // allocated size of the block reply
  uint32_t block_counter;
  SQLDA* sqlda;                    // copy of the cursor's SQLDA, or null
  clt_blkf_entry* next;
  uint8_t* block;                  // the reply holding the block
  uint8_t* flags;                  // copy of the column flag bytes, or null
  uint16_t ext_length;
  char ext_name[CLT_BLKF_NAME_SIZE];
  uint8_t* row_record;             // the variant converter's place in the block
  uint8_t* csna;                   // copy of the request's SQLCSNA, or null
};
#if UINTPTR_MAX == UINT32_MAX
static_assert(sizeof(clt_blkf_entry) == 160);
#endif

// Each takes the caller's area and gives 0, or -1 with the SQLCA filled.
// A new entry for the request's cursor, current and first in the list.
int32_t clt_blkf_add(rdb_sql_area* area);
// Makes the request's entry current, or none; always 0.
int32_t clt_blkf_find(rdb_sql_area* area);
// Unlinks and frees the request's entry; 0 also when it has none.
int32_t clt_blkf_release(rdb_sql_area* area);
// Frees every entry whose cursor is not held; always 0.
int32_t clt_blkf_free_unheld(rdb_sql_area* area);
// Frees every entry; always 0. The runtime's blkf_free_all operation.
int32_t clt_blkf_free_every(rdb_sql_area* area);
// After a CLOSE: releases the cursor's entry and frees the per-cursor
// blocks of the control block.
int32_t clt_close_cleanup(rdb_sql_area* area);

// The running request's entry, or null.
clt_blkf_entry* clt_blkf_current();

// The entry's kept column flag bytes as the converters take them for a
// block of `columns` columns (never more than an SQLDA describes), and
// the copy kept back after the conversion: a new copy is widened with
// zeros to as many bytes as an SQLDA can describe, so that a later block
// without flag bytes of its own, whose column count may differ after the
// caller described its variables anew, reads only within it. The keeping
// gives 0, or -1 after -729.
clt_flag_copy clt_blkf_flags(const clt_blkf_entry* e, uint16_t columns);
int32_t clt_blkf_keep_flags(rdb_sql_area* area, clt_blkf_entry* e, const clt_flag_copy& kept);

// Whether the request's SQLCSNA is the one the entry copied at the first
// blocked FETCH: both absent, or the same counts, indexes and names.
bool clt_blkf_csna_same(const clt_blkf_entry* e, const void* csna);
