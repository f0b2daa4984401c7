#include "CLTLIBMN.h"

#include <string.h>

#include "CLTABORT.h"
#include "CLTLIBCT.h"
#include "CLTSQLEX.h"
#include "CLTUTL.h"
#include "zk_codes.h"

// Records without pointers keep their size on every build; the others
// are checked where pointers take 4 bytes, as the callers lay them out.
static_assert(sizeof(SQLCA) == 336);
static_assert(offsetof(SQLCA, SQLCODE) == 12);
static_assert(offsetof(SQLCA, sqlerrmc) == 18);
static_assert(offsetof(SQLCA, sqlerrp) == 272);
static_assert(offsetof(SQLCA, sqlerrd) == 280);
static_assert(offsetof(SQLCA, sqlwarn) == 304);
static_assert(offsetof(SQLCA, sqlsrcfile) == 320);
static_assert(offsetof(SQLCA, sqlsrcline) == 332);
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(SQLVAR) == 16);
static_assert(offsetof(SQLVAR, sqlcod) == 1 && offsetof(SQLVAR, XDIM) == 2);
static_assert(offsetof(SQLVAR, len) == 4 && offsetof(SQLVAR, SQLDATA) == 8);
static_assert(offsetof(SQLVAR, SQLIND) == 12);
static_assert(offsetof(SQLDA, sqln) == 12 && offsetof(SQLDA, sqld) == 14);
static_assert(offsetof(SQLDA, sqlvar) == 16);
static_assert(offsetof(rdb_sql_area, authid) == 10 && offsetof(rdb_sql_area, passwd) == 40);
static_assert(offsetof(rdb_sql_area, reqcode) == 102);
static_assert(offsetof(rdb_sql_area, blkf_perm1) == 109 && offsetof(rdb_sql_area, rowif) == 111);
static_assert(offsetof(rdb_sql_area, sqltext) == 116 && offsetof(rdb_sql_area, sqlca) == 120);
static_assert(offsetof(rdb_sql_area, sqliasda) == 124);
static_assert(offsetof(rdb_sql_area, fetchrows) == 146);
static_assert(offsetof(rdb_sql_area, optvalue) == 156);
static_assert(offsetof(rdb_sql_area, elemsize) == 190 && offsetof(rdb_sql_area, attrkind) == 191);
static_assert(offsetof(rdb_sql_area, sqliasda2) == 192);
static_assert(offsetof(rdb_sql_area, setvars) == 204);
static_assert(offsetof(rdb_sql_area, prpcrcls) == 217 && offsetof(rdb_sql_area, termbyte) == 219);
static_assert(offsetof(rdb_sql_area, sqlstate) == 222);
static_assert(offsetof(rdb_sql_area, result) == 227 && offsetof(rdb_sql_area, trcword) == 232);
static_assert(offsetof(rdb_sql_area, srvversion) == 236 && offsetof(rdb_sql_area, declkind) == 272);
static_assert(offsetof(rdb_sql_area, cnctattr) == 273);
static_assert(offsetof(rdb_sql_area, name1) == 306 && offsetof(rdb_sql_area, name2) == 340);
static_assert(offsetof(rdb_sql_area, version) == 370);
static_assert(offsetof(rdb_sql_area, srvinfbuf) == 376 && offsetof(rdb_sql_area, srvinfitem) == 380);
static_assert(offsetof(rdb_sql_area, arycount) == 396 && offsetof(rdb_sql_area, arymax) == 398);
static_assert(offsetof(rdb_sql_area, extstmtname) == 420);
static_assert(offsetof(rdb_sql_area, extcursname) == 424);
static_assert(offsetof(rdb_sql_area, name49a) == 428 && offsetof(rdb_sql_area, name49b) == 432);
static_assert(offsetof(rdb_sql_area, sqlcsna1) == 440 && offsetof(rdb_sql_area, sqlcsna2) == 444);
static_assert(offsetof(rdb_sql_area, namepair) == 448);
static_assert(offsetof(rdb_odbc_buf, ctxhandle) == 292 && offsetof(rdb_odbc_buf, nameport) == 296);
static_assert(offsetof(rdb_odbc_buf, host) == 300 && offsetof(rdb_odbc_buf, statcache) == 366);
static_assert(offsetof(rdb_odbc_buf, paramflag) == 368);
static_assert(offsetof(rdb_odbc_buf, parampointer) == 372);
static_assert(offsetof(rdb_odbc_buf, escape) == 378 && offsetof(rdb_odbc_buf, cnctreply) == 380);
static_assert(offsetof(rdb_odbc_buf, optD) == 381 && offsetof(rdb_odbc_buf, inifile) == 384);
static_assert(offsetof(rdb_odbc_buf, optU) == 388 && offsetof(rdb_odbc_buf, gdataopt) == 389);
static_assert(offsetof(rdb_odbc_buf, rowsleft) == 390 && offsetof(rdb_odbc_buf, wrnskip) == 392);
#endif

namespace {


}  // namespace

void clt_global_init_odbc(clt_global_data* ctx) {
  memset(ctx, 0, sizeof(*ctx));
  ctx->tact_state[0] = CLT_TACT_STATE_INITIAL[0];
  ctx->tact_state[1] = CLT_TACT_STATE_INITIAL[1];
  ctx->runtime.rpc.rebuild_connect = clt_rebuild_connect;
}

void clt_refuse_second_call(rdb_sql_area* area, const char* module, int32_t line) {
  // The report reads the running call's control block for its settings.
  clt_abort_exclusion looking;
  clt_report(area, module, line, CLT_SQL_OTHER_SQL_EXECUTING, CLT_SQLSTATE_DEFAULT,
             CLT_MSG_OTHER_SQL_EXECUTING);
}

int32_t p_rdb_exsql(rdb_sql_area* area) {
  if (!area || !area->sqlca) return CLT_RC_BAD_ARGUMENT;
  if (!clt_take_context(&clt_global)) {
    clt_refuse_second_call(area, "CLTLIBMN", __LINE__);
    // The running request fails with -725 too once its exchange returns;
    // only a request of this export, and only while it runs.
    clt_abort_exclusion looking;
    if (clt_cur() == &clt_global && clt_call_running_get(&clt_global) != 0) clt_refused_call_put(&clt_global, 1);
    return CLT_RC_CALL_RUNNING;
  }
  // A refusal that sees this call running marks this call: its mark
  // comes after the clearing.
  clt_refused_call_put(&clt_global, 0);
  clt_call_running_put(&clt_global, 1);
  int32_t result = clt_dispatch(area);
  {
    // No refusal marks between its look and its mark: a refusal of this
    // call never marks the next one.
    clt_abort_exclusion ending;
    clt_call_running_put(&clt_global, 0);
    clt_refused_call_put(&clt_global, 0);
  }
  clt_release_context();
  return result;
}
