// FETCH preparation: every FETCH at server level 8 or more chooses here
// the form of its reply (the SQLDA form, or column descriptions of its
// own), whether its request carries the SQLDA's description again or the
// server reuses the one it holds, and whether block fetch serves it; then
// it runs on the executor that fits.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "zelkit.h"
#include "zk_records.h"

// The saved FETCH description: the cursor's identification and the
// SQLDA's header, then one 16-byte image of each variable.
struct clt_fetch_desc_head {
  char name1[30];
  char name2[30];
  uint32_t stmtid;
  uint16_t section;
  char sqlda[16];  // sqldaid, sqldabc, sqln, sqld
};
static_assert(sizeof(clt_fetch_desc_head) == CLT_FETCH_DESC_HEAD);
static_assert(offsetof(clt_fetch_desc_head, stmtid) == 60 && offsetof(clt_fetch_desc_head, section) == 64 &&
                  offsetof(clt_fetch_desc_head, sqlda) == 66,
              "the saved description's head has one layout on every build");
constexpr uint32_t CLT_FETCH_DESC_VAR = 16;

// 0, also when the FETCH ended with a negative SQLCODE that the executor
// reported; -1 when the executor failed or a failure was reported here.
int32_t clt_exec_array(rdb_sql_area* area);
