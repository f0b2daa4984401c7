#include "CLTLIBCT.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>

#include "CLTABORT.h"
#include "CLTCNTL.h"
#include "CLTENV.h"
#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTSQLAN.h"
#include "CLTSQLDA.h"
#include "CLTTRC.h"
#include "zk_seam.h"
#include "zk_wiring.h"
#include "CLTUTL.h"
#include "clt_blkf_plan.h"
#include "clt_cnv.h"
#include "clt_rcnct_trc.h"
#include "clt_reconnect.h"
#include "zk_codes.h"
#include "zk_build.h"

namespace {

constexpr char kModule[] = "CLTLIBCT";
constexpr char kIdleRequest[] = "    ";
constexpr size_t kCodeSize = 4;

constexpr int32_t kResultWarning = 100;

// Layout versions of the request area.
constexpr int16_t kLayoutMultiValue = 0x0503;
constexpr int16_t kLayoutArrays = 0x0700;
constexpr int16_t kArrayRows = 2;  // an array statement carries at least two rows
constexpr int16_t kLayoutExtendedNames = 0x0702;
constexpr int16_t kLayoutCharsetNames = 0x0802;
constexpr int16_t kLayoutInvalid = 0x2000;

constexpr int32_t kStmtKeep = 256;
constexpr uint8_t kYes = 'Y';
constexpr uint8_t kNo = 'N';
constexpr uint8_t kTermBlanks = 2;
constexpr int32_t kTrcModeAll = 1;
constexpr int32_t kTaapinfModeOn = 1;
constexpr int32_t kErrSkipCodes = 10;
constexpr uint32_t kStatusRunning = 1;
constexpr uint32_t kStatusEnded = 2;
constexpr uint16_t kKindOdbc = 2;
constexpr uint16_t kKindNoReconnect3 = 3;
constexpr int16_t kConnectByCaller = 0;
constexpr int16_t kConnectAutomatic = 1;
constexpr int16_t kPhaseAutomatic = 2;
constexpr int16_t kConnectFrontEndCancel = 3;
// The server's reconnect advice, and none while no reply gave one.
constexpr uint16_t kAdviceAllowed = 0;
constexpr uint16_t kAdviceRefusedOnce = 1;
constexpr uint16_t kAdviceRefused = 2;
constexpr uint16_t kAdviceNone = 0xFFFF;
// Failures of the link that the server's side reports, besides -722 and -731.
constexpr int32_t kSqlLink719 = -719;
constexpr int32_t kSqlLink721 = -721;
constexpr int32_t kSqlLink727 = -727;
constexpr int32_t kCloseWithMessage = 0;  // the closing message only to a connected server
constexpr int32_t kCloseWithoutMessage = 1;

struct request_code {
  char code[5];
  clt_function function;
  bool library;  // keeps the statement text out of the trace copy
};

constexpr request_code kRequestCodes[] = {
    {"FETC", CLT_FC_FETC, false}, {"AUI2", CLT_FC_AUI2, false}, {"SET ", CLT_FC_SET, false},
    {"OPEN", CLT_FC_OPEN, false}, {"OPN2", CLT_FC_OPN2, false}, {"CLOS", CLT_FC_CLOS, false},
    {"AUX ", CLT_FC_AUX, false},  {"AUXI", CLT_FC_AUXI, false}, {"DESC", CLT_FC_DESC, false},
    {"CMIT", CLT_FC_CMIT, false}, {"ROLL", CLT_FC_ROLL, false}, {"CPRP", CLT_FC_CPRP, false},
    {"CNCT", CLT_FC_CNCT, false}, {"DISC", CLT_FC_DISC, false}, {"SOPT", CLT_FC_SOPT, false},
    {"SINF", CLT_FC_SINF, false}, {"OPNR", CLT_FC_OPNR, false}, {"AUXO", CLT_FC_AUXO, false},
    {"HVAR", CLT_FC_HVAR, false}, {"CALL", CLT_FC_CALL, false}, {"GETD", CLT_FC_GETD, false},
    {"DIST", CLT_FC_DIST, false}, {"TSCM", CLT_FC_TSCM, false}, {"TSRL", CLT_FC_TSRL, false},
    {"TSPR", CLT_FC_TSPR, false}, {"DISR", CLT_FC_DISR, false}, {"RNCN", CLT_FC_RNCN, false},
    {"RNDS", CLT_FC_RNDS, false}, {"RNSC", CLT_FC_RNSC, false}, {"DEST", CLT_FC_DEST, false},
    {"SAUH", CLT_FC_SAUH, false}, {"TRC2", CLT_FC_TRC2, false}, {"RSDC", CLT_FC_RSDC, false},
    {"RSFT", CLT_FC_RSFT, false}, {"RSCL", CLT_FC_RSCL, false}, {"JARI", CLT_FC_JARI, true},
    {"JARR", CLT_FC_JARR, true},  {"JARU", CLT_FC_JARU, true},  {"RENV", CLT_FC_RENV, false},
    {"AUI3", CLT_FC_AUI3, false}, {"EUTL", CLT_FC_EUTL, false}, {"ALCR", CLT_FC_ALCR, false},
    {"DSET", CLT_FC_DSET, false}, {"CLIN", CLT_FC_CLIN, true},  {"CLRP", CLT_FC_CLRP, true},
    {"CLRM", CLT_FC_CLRM, true},
};

// The -563 message as UCS-2 callers read it: UTF-16, little-endian.
constexpr size_t kNotConnectedUtf16Length = 2 * (sizeof(CLT_MSG_NOT_CONNECTED) - 1);

// Connection-status line of the error log.
constexpr char kClientVersion[] = "08-04";
constexpr char kPlatform[] = "PC";
constexpr char kOtherByteOrder[] = "WS";
constexpr char kLibType[] = "WIN_32";
#define CLT_LOG_ERROR_INFO "KFPZ03000-I Error information, type=%s, inf=%s\n"
constexpr char kTypeConnectStatus[] = "CONNECT STATUS";
constexpr char kTypeSqlStream[] = "SQL STREAM";
constexpr size_t kStatusTextSize = 128;

struct dispatch_call {
  rdb_sql_area* area;
  rdb_odbc_buf* odbc;  // null for embedded SQL
  bool odbc_variant;
  bool lists_suspended = false;
  SQLDA* saved_input = nullptr;
  SQLDA* saved_output = nullptr;
};

bool in(int32_t value, std::initializer_list<int32_t> set) {
  for (int32_t v : set) {
    if (v == value) return true;
  }
  return false;
}

// Clamped message length: a caller's SQLCA may hold anything.
size_t message_length(const SQLCA* sqlca) {
  if (sqlca->sqlerrml < 0) return 0;
  size_t n = static_cast<size_t>(sqlca->sqlerrml);
  return n < sizeof(sqlca->sqlerrmc) ? n : sizeof(sqlca->sqlerrmc);
}

bool begins_kf(const SQLCA* sqlca) {
  return sqlca->sqlerrml >= 2 && sqlca->sqlerrmc[0] == 'K' && sqlca->sqlerrmc[1] == 'F';
}

int32_t result_of(int32_t sqlcode) {
  if (sqlcode == 0) return 0;
  return sqlcode > 0 ? kResultWarning : CLT_RC_ERROR;
}

const request_code* find_request(const char* code) {
  for (const request_code& r : kRequestCodes) {
    if (memcmp(r.code, code, kCodeSize) == 0) return &r;
  }
  return nullptr;
}

bool ucs2_mode(const clt_main* main) {
  return clt_cnv_ucs2_mode(static_cast<uint8_t>(clt_env_get(main, clt_setting::cltcnvmode)));
}

void keep_text(clt_main* main, const char* text, int32_t length) {
  if (length <= kStmtKeep) {
    memcpy(main->stmt_text, text, static_cast<size_t>(length));
    main->stmt_text[length] = '\0';
    main->stmt_length = length;
  } else {
    memcpy(main->stmt_text, text, kStmtKeep - 1);
    main->stmt_text[kStmtKeep - 1] = ' ';
    main->stmt_text[kStmtKeep] = '\0';
    main->stmt_length = kStmtKeep;
  }
}

// Keeps the head of the statement for the traces; -1 on a bad length.
int32_t keep_statement(clt_main* main, rdb_sql_area* area) {
  // A refused or text-less request must not show the previous statement.
  main->stmt_length = 0;
  main->stmt_text[0] = '\0';
  if (!area->sqltext || main->lib_install) return 0;
  int32_t length = area->sqltext->length;
  if (length < 0) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_SQL_LENGTH, CLT_SQLSTATE_DEFAULT,
                      CLT_MSG_SQL_LENGTH);
  }
  if (!ucs2_mode(main)) {
    keep_text(main, area->sqltext->text, length);
    return 0;
  }
  // A head cut inside a character keeps the characters before it.
  char converted[kStmtKeep];
  int32_t room = kStmtKeep;
  int32_t converted_length = 0;
  uint32_t replaced = 0;
  if (clt_cnv_convert(CLT_CNV_SLOT_CLIENT, &length, area->sqltext->text, &room, converted, &converted_length,
                      &replaced, CLT_CNV_STORE) >= 0) {
    keep_text(main, converted, converted_length);
  }
  return 0;
}

void apply_layout_gates(rdb_sql_area* area) {
  int16_t version = area->version;
  if (version < kLayoutExtendedNames || version > kLayoutInvalid) {
    area->extstmtname = nullptr;
    area->extcursname = nullptr;
    area->name49a = nullptr;
    area->name49b = nullptr;
    if (version < kLayoutMultiValue || version > kLayoutInvalid) area->version = 0;
  }
  if (area->version < kLayoutCharsetNames) {
    area->sqlcsna1 = nullptr;
    area->sqlcsna2 = nullptr;
  }
}

void fill_odbc_after_first_call(clt_main* main, rdb_odbc_buf* odbc) {
  main->kind = kKindOdbc;
  if (!odbc) return;
  odbc->statcache = static_cast<uint16_t>(clt_env_get(main, clt_setting::odbstatcache));
  odbc->escape = static_cast<uint16_t>(clt_env_get(main, clt_setting::odbescape));
  odbc->optD = static_cast<uint8_t>(clt_env_get(main, clt_setting::optionletter, 'D'));
  odbc->optU = static_cast<uint8_t>(clt_env_get(main, clt_setting::optionletter, 'U'));
  odbc->gdataopt = static_cast<uint8_t>(clt_env_get(main, clt_setting::gdataopt));
  odbc->wrnskip = static_cast<uint8_t>(clt_env_get(main, clt_setting::odbcwrnskip));
}

// Per-request resets and timing before the request is looked at.
void reset_request_state(clt_global_data* ctx, clt_main* main, rdb_sql_area* area) {
  if (clt_env_get(main, clt_setting::trcmode) == kTrcModeAll) {
    memset(main->reqtrc, 0, sizeof(main->reqtrc));
  }

  main->build_date = zk_build_date;
  clt_cancellable_put(main, 1);
  main->reqstatus = kStatusRunning;
  main->wrtln_pending = kNo;
  main->rcnct_start = 0;
  clt_clear_maintenance_state(main);
  main->maint_wait_limit = 0;
  main->srvtrc_pending = 0;
  ctx->transfer_flag = 0;
  if (main->rcnct_trc) clt_trace(clt_trace_op::rcnct_trc_reset, area);
  main->lib_install = 0;
  if (ctx->sqltrc_block) clt_trace(clt_trace_op::sqltrc_start, area);

  if (clt_env_get(main, clt_setting::taapinfmode) == kTaapinfModeOn && main->cnct_time_sec == 0 &&
      main->cnct_time_msec == 0) {
    clt_timeb now;
    if (!ctx->sqltrc_block || clt_sqltrc_start_time(&now.seconds, &now.milliseconds) != 0) {
      clt_get_timeb(&now);
    }
    main->cnct_time_sec = now.seconds;
    main->cnct_time_msec = now.milliseconds;
  }
}

// Start of a request; false when it goes straight to the completion.
bool start_request(dispatch_call& call) {
  clt_global_data* ctx = clt_cur();
  rdb_sql_area* area = call.area;
  clt_reqcode_put(ctx, area->reqcode);
  if (ctx->main) {
    ctx->main->area = area;
  } else {
    int32_t rc = call.odbc_variant ? clt_first_call_init_odbc(area, call.odbc)
                                   : clt_first_call_init(area);
    if (rc != 0) return false;
    clt_main* created = ctx->main;
    if (clt_env_get(created, clt_setting::sqltrace) != 0 ||
        clt_env_get(created, clt_setting::trcctl_size) != 0) {
      clt_trace(clt_trace_op::sqltrc_open, area);
    }
    if (clt_env_get(created, clt_setting::rctrace) != 0) {
      clt_trace(clt_trace_op::rcnct_trc_open, area);
    }
    if (call.odbc_variant) fill_odbc_after_first_call(created, call.odbc);
  }
  clt_main* main = ctx->main;
  reset_request_state(ctx, main, area);
  apply_layout_gates(area);

  const request_code* request = find_request(area->reqcode);
  main->funccode = request ? request->function : CLT_FC_NONE;
  if (!request) {
    clt_report(area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT,
               CLT_MSG_CLIENT_ERROR, kModule, static_cast<int32_t>(__LINE__));
    return false;
  }
  if (request->library) main->lib_install = 1;
  if (keep_statement(main, area) != 0) return false;

  int32_t fc = main->funccode;
  // An array statement may register an array for its per-row result
  // counts the way a describe registers its per-column array; the reply
  // analysis fills it and ends the registration.
  const bool array_statement =
      in(fc, {CLT_FC_AUI2, CLT_FC_AUX}) && area->version >= kLayoutArrays && area->arycount >= kArrayRows;
  if (call.odbc_variant) {
    if (call.odbc && (array_statement || in(fc, {CLT_FC_SET, CLT_FC_DESC, CLT_FC_HVAR}))) {
      main->param_flag = call.odbc->paramflag;
      main->param_pointer = call.odbc->parampointer;
    } else {
      main->param_flag = 0;
      main->param_pointer = nullptr;
    }
    main->rows_left = 0;
  } else if (!array_statement && !in(fc, {CLT_FC_SET, CLT_FC_DESC, CLT_FC_HVAR, CLT_FC_RSDC})) {
    main->param_flag = 0;
    main->param_pointer = nullptr;
  }
  clt_main_req(main)->array_result = array_statement && main->param_flag != 0 && main->param_pointer != nullptr;

  // Old precompiled AUXI requests carry no variable lists.
  if (!call.odbc_variant && fc == CLT_FC_AUXI && area->version < kLayoutExtendedNames) {
    call.lists_suspended = true;
    call.saved_input = area->sqliasda;
    call.saved_output = area->sqliasda2;
    area->sqliasda = nullptr;
    area->sqliasda2 = nullptr;
  }
  if (call.odbc_variant || (fc != CLT_FC_AUI2 && fc != CLT_FC_AUX)) {
    main->aryins_flag = 0;
    main->aryins_word = 0;
  }
  if (call.odbc_variant || fc != CLT_FC_TRC2) ++main->reqcounter;
  main->icnct_phase = 0;
  clt_free_request_buffers(main);
  return true;
}

int32_t report_not_connected(rdb_sql_area* area) {
  return clt_report(area, kModule, __LINE__, CLT_SQL_NOT_CONNECTED, CLT_SQLSTATE_DEFAULT,
                    CLT_MSG_NOT_CONNECTED);
}

// Failures of the link after which the request may run again on a new
// connection.
bool link_lost(int32_t sqlcode) {
  return in(sqlcode, {CLT_SQL_COMM_SERVER_DOWN, kSqlLink721, kSqlLink719, CLT_SQL_SYSCALL, kSqlLink727});
}

// Reconnection is for connections of kind 0 and 2 whose last request
// did not forbid a repetition.
bool may_reconnect(const clt_main* main) {
  return (main->kind == 0 || main->kind == kKindOdbc) && main->no_reconnect != kYes;
}

bool auto_reconnect_on(const clt_main* main) { return clt_env_get(main, clt_setting::autoreconnect) == kYes; }

// The statement router; the reply's reconnect advice is kept in the
// context, where it outlives the connection.
int32_t run_statement(clt_global_data* ctx, rdb_sql_area* area) {
  clt_reply_conn* reply = clt_main_reply(ctx->main);
  reply->reconnect_state = kAdviceNone;
  int32_t rc = clt_exec_statement(area);
  if (ctx->main == nullptr) return rc;
  reply = clt_main_reply(ctx->main);
  if (reply->reconnect_state != kAdviceNone) ctx->reconnect_advice = reply->reconnect_state;
  clt_take_maintenance_state(ctx->main);
  return rc;
}

// A -735 that the server's front end gave, not the one the caller's own
// p_rdb_abort produced: an aborted request leaves the connection ended, so
// its DISCONNECT sends nothing and no new connection is made for it.
bool front_end_cancelled(const clt_main* main, const SQLCA* sqlca) {
  // p_rdb_abort sets the mark from its own thread.
  return sqlca->SQLCODE == CLT_SQL_FES_CANCELED && __atomic_load_n(&main->cancel_recorded, __ATOMIC_SEQ_CST) == 0 &&
         may_reconnect(main);
}

// A reconnection that the server's front end forced: connect again, log
// the new server and report the cancel.
int32_t front_end_cancel(clt_main* main, rdb_sql_area* area) {
  main->icnct_mode = kConnectFrontEndCancel;
  main->icnct_phase = kPhaseAutomatic;
  clt_runtime(clt_runtime_op::connect_entry, area);
  clt_trace(clt_trace_op::errlog_uap, area);
  clt_log_server_changed();
  return clt_report(area, kModule, __LINE__, CLT_SQL_FES_CANCELED, CLT_SQLSTATE_DEFAULT, CLT_MSG_FES_CANCELED);
}

// After a reconnection the request runs once more, and a front-end
// cancel of that run connects again.
int32_t run_again(clt_global_data* ctx, rdb_sql_area* area) {
  int32_t rc = run_statement(ctx, area);
  if (front_end_cancelled(ctx->main, area->sqlca)) return front_end_cancel(ctx->main, area);
  return rc;
}

void save_sqlca(clt_main* main, const SQLCA* sqlca) {
  if (main->saved_sqlca_set != 0) return;
  main->saved_sqlca = *sqlca;
  main->saved_sqlca_set = 1;
}

int32_t route_connect(clt_main* main, rdb_sql_area* area) {
  if (main->connected) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_ALREADY_CONNECTED, CLT_SQLSTATE_DEFAULT,
                      CLT_MSG_ALREADY_CONNECTED);
  }
  main->icnct_mode = kConnectByCaller;
  int32_t rc = clt_runtime(clt_runtime_op::connect_entry, area);
  clt_take_maintenance_state(main);
  SQLCA* sqlca = area->sqlca;
  bool kind_ok = main->kind == 0 || main->kind == kKindOdbc;
  if (sqlca->SQLCODE < 0 && link_lost(sqlca->SQLCODE) && kind_ok && main->in_maintenance == 0 &&
      auto_reconnect_on(main)) {
    rc = clt_reconnect_auto(area, sqlca);
  }
  if ((main->in_maintenance != 0 || sqlca->SQLCODE == CLT_SQL_MAINTENANCE) && kind_ok) {
    save_sqlca(main, sqlca);
    rc = clt_reconnect_maint(area, sqlca);
  }
  return rc;
}

int32_t route_connected(clt_global_data* ctx, rdb_sql_area* area) {
  clt_main* main = ctx->main;
  SQLCA* sqlca = area->sqlca;
  int32_t rc = run_statement(ctx, area);
  if (link_lost(sqlca->SQLCODE) && may_reconnect(main) && main->in_maintenance == 0 &&
      auto_reconnect_on(main)) {
    if (ctx->reconnect_advice == kAdviceRefusedOnce) {
      ctx->reconnect_advice = kAdviceAllowed;
    } else if (ctx->reconnect_advice == kAdviceAllowed && clt_reconnect_auto(area, sqlca) == 0) {
      return run_again(ctx, area);
    }
  }
  if (sqlca->SQLCODE < 0 && may_reconnect(main) &&
      (main->in_maintenance != 0 ||
       (sqlca->SQLCODE == CLT_SQL_MAINTENANCE && ctx->reconnect_advice != kAdviceRefused))) {
    save_sqlca(main, sqlca);
    clt_rcnct_blk* trc = clt_rcnct_cur();
    if (trc != nullptr) trc->result = CLT_RCNCT_RESULT_FAILED;
    clt_drop_link(main, area);
    if (clt_reconnect_maint(area, sqlca) != 0) return -1;
    rc = run_statement(ctx, area);
  }
  if (front_end_cancelled(main, sqlca)) return front_end_cancel(main, area);
  return rc;
}

// A connection lost under an earlier request reconnects when the
// settings allow it.
int32_t route_lost(clt_global_data* ctx, rdb_sql_area* area) {
  clt_main* main = ctx->main;
  if (!ctx->connected_before || !may_reconnect(main) || !auto_reconnect_on(main) ||
      ctx->reconnect_advice == kAdviceRefused) {
    return report_not_connected(area);
  }
  clt_rcnct_blk* trc = clt_rcnct_cur();
  if (trc != nullptr && ctx->saved_identity[0] != 0) memcpy(trc->old_server, ctx->saved_identity, sizeof trc->old_server);
  if (clt_reconnect_auto(area, area->sqlca) != 0) {
    // No try at all leaves nothing in the SQLCA: the request was refused.
    return area->sqlca->SQLCODE < 0 ? -1 : report_not_connected(area);
  }
  return run_again(ctx, area);
}

// Routing by the connection state.
int32_t route(dispatch_call& call) {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  rdb_sql_area* area = call.area;
  int32_t fc = main->funccode;
  if (fc == CLT_FC_CNCT) return route_connect(main, area);
  if (main->connected) return route_connected(ctx, area);
  if (call.odbc_variant &&
      (main->kind == CLT_KIND_EMBEDDED_MARKED || main->kind == kKindNoReconnect3)) {
    return report_not_connected(area);
  }
  if (!call.odbc_variant && !in(fc, {CLT_FC_DISC, CLT_FC_DISR, CLT_FC_SAUH}) &&
      !ctx->connected_before && clt_env_get(main, clt_setting::autoconnect) == kYes) {
    main->icnct_mode = kConnectAutomatic;
    main->icnct_phase = kPhaseAutomatic;
    if (clt_runtime(clt_runtime_op::connect_entry, area) != 0 || area->sqlca->SQLCODE < 0) return -1;
    int32_t rc = run_statement(ctx, area);
    if (rc != 0 && !main->connected && ctx->connected_before && may_reconnect(main) && auto_reconnect_on(main) &&
        clt_reconnect_auto(area, area->sqlca) == 0) {
      return run_again(ctx, area);
    }
    return rc;
  }
  if (!in(fc, {CLT_FC_DISC, CLT_FC_DISR})) return route_lost(ctx, area);
  return clt_exec_statement(area);
}

bool skipped_code(const clt_main* main, int32_t sqlcode) {
  for (int32_t i = 0; i < kErrSkipCodes; ++i) {
    int32_t code = clt_env_get(main, clt_setting::errskipcode, i);
    if (code == 0) return false;
    if (code == sqlcode) return true;
  }
  return false;
}

// Client messages of a UCS-2 connection go back in the client's code.
void convert_message(clt_main* main, rdb_sql_area* area) {
  SQLCA* sqlca = area->sqlca;
  size_t length = message_length(sqlca);
  memcpy(main->msg_copy, sqlca->sqlerrmc, length);
  main->msg_copy_length = static_cast<uint16_t>(length);
  if (sqlca->SQLCODE == CLT_SQL_NOT_CONNECTED) {
    static_assert(kNotConnectedUtf16Length <= sizeof(sqlca->sqlerrmc));
    const char* text = CLT_MSG_NOT_CONNECTED;
    for (size_t i = 0; i < kNotConnectedUtf16Length / 2; ++i) {
      sqlca->sqlerrmc[2 * i] = text[i];
      sqlca->sqlerrmc[2 * i + 1] = '\0';
    }
    sqlca->sqlerrml = static_cast<int16_t>(kNotConnectedUtf16Length);
    return;
  }
  char converted[CLT_MSG_TEXT_SIZE + 2];
  memset(converted, ' ', sizeof(converted));
  int32_t source_length = static_cast<int32_t>(length);
  int32_t room = static_cast<int32_t>(sizeof(converted));
  int32_t converted_length = 0;
  uint32_t replaced = 0;
  if (clt_cnv_convert(CLT_CNV_SLOT_SERVER, &source_length, main->msg_copy, &room, converted, &converted_length,
                      &replaced, CLT_CNV_STORE) < 0) {
    return;  // the message stays as the client wrote it
  }
  // The field holds 254 bytes, less than the conversion buffer.
  size_t kept = static_cast<size_t>(converted_length) < sizeof(sqlca->sqlerrmc)
                    ? static_cast<size_t>(converted_length)
                    : sizeof(sqlca->sqlerrmc);
  memcpy(sqlca->sqlerrmc, converted, kept);
  sqlca->sqlerrml = static_cast<int16_t>(kept);
}

void log_connect_status(const clt_main* main) {
  char version[CLT_SERVER_VERSION_SIZE + 1];
  memcpy(version, main->srv_version, CLT_SERVER_VERSION_SIZE);
  size_t n = CLT_SERVER_VERSION_SIZE;
  while (n > 0 && (version[n - 1] == ' ' || version[n - 1] == '\0')) --n;
  version[n] = '\0';
  char inf[kStatusTextSize];
  snprintf(inf, sizeof(inf), "CLT=%s(%s):%s SVR=%s:%s LIBTYPE=%s", kClientVersion, zk_build_date,
           kPlatform, version, main->byteorder ? kPlatform : kOtherByteOrder, kLibType);
  clt_errlog_msg(CLT_LOG_ERROR_INFO, kTypeConnectStatus, inf);
}

void report_error_to_logs(clt_global_data* ctx, rdb_sql_area* area) {
  clt_main* main = ctx->main;
  if (ctx->msgconv == kYes && begins_kf(area->sqlca)) convert_message(main, area);
  log_connect_status(main);
  if (main->stmt_length > 0) clt_errlog_msg(CLT_LOG_ERROR_INFO, kTypeSqlStream, main->stmt_text);
  if (clt_env_get(main, clt_setting::optionletter, 'E') != kYes) {
    clt_trace(clt_trace_op::trc_stream_dump, area);
  }
}

bool ends_connection(const clt_global_data* ctx, int32_t sqlcode) {
  const clt_main* main = ctx->main;
  if (!main || sqlcode == CLT_SQL_NO_END) return false;
  const char* code = ctx->reqcode;
  bool disconnect = memcmp(code, "DISC", kCodeSize) == 0 || memcmp(code, "DISR", kCodeSize) == 0 ||
                    memcmp(code, "DIST", kCodeSize) == 0;
  bool failed_connect =
      memcmp(code, "CNCT", kCodeSize) == 0 && sqlcode < 0 && sqlcode != CLT_SQL_ALREADY_CONNECTED;
  return disconnect || failed_connect || (sqlcode < 0 && !main->connected) ||
         sqlcode == CLT_SQL_SESSION_LOST;
}

void end_connection(clt_global_data* ctx, rdb_sql_area* area, int32_t sqlcode) {
  clt_main* main = ctx->main;
  if (sqlcode == CLT_SQL_SESSION_LOST && main->session_open) {
    // The server has ended the session; nothing is left to say goodbye to.
    pd_clt_close(kCloseWithoutMessage);
    main->session_open = 0;
    main->connected = 0;
    ctx->connected_before = 0;
  }
  clt_trace(clt_trace_op::sqltrc_close, area);
  // The server in use is kept for the trace of the next reconnection; a
  // caller's disconnect forgets it.
  bool disconnect = memcmp(ctx->reqcode, "DISC", kCodeSize) == 0 ||
                    memcmp(ctx->reqcode, "DISR", kCodeSize) == 0 ||
                    memcmp(ctx->reqcode, "DIST", kCodeSize) == 0;
  const clt_rcnct_blk* trc = clt_rcnct_cur();
  static_assert(sizeof ctx->saved_identity == CLT_RCNCT_SERVER_SIZE, "the saved identity is a server text");
  if (!disconnect && ctx->connected_before && trc != nullptr && trc->old_server[0] != '\0') {
    memcpy(ctx->saved_identity, trc->old_server, sizeof ctx->saved_identity);
  } else {
    ctx->saved_identity[0] = 0;
  }
  clt_trace(clt_trace_op::rcnct_trc_close, area);
  main->reqstatus |= kStatusEnded;
  clt_last_call_term(area);
}

// Ends the message text with zero bytes, or blanks when the caller asks.
void finish_message_text(rdb_sql_area* area) {
  SQLCA* sqlca = area->sqlca;
  constexpr int32_t kField = sizeof(sqlca->sqlerrmc);
  int32_t length = static_cast<int32_t>(message_length(sqlca));
  if (area->termbyte == kTermBlanks) {
    if (length < kField) memset(sqlca->sqlerrmc + length, ' ', static_cast<size_t>(kField - length));
  } else if (!begins_kf(sqlca)) {
    if (length <= kField - 2) {
      sqlca->sqlerrmc[length] = sqlca->sqlerrmc[length + 1] = '\0';
    } else if (length >= kField) {
      sqlca->sqlerrmc[kField - 2] = sqlca->sqlerrmc[kField - 1] = '\0';
    }
  } else if (length < kField) {
    sqlca->sqlerrmc[length] = '\0';
  } else {
    sqlca->sqlerrmc[kField - 1] = '\0';
  }
}

int32_t complete_request(dispatch_call& call) {
  clt_global_data* ctx = clt_cur();
  rdb_sql_area* area = call.area;
  clt_main* main = ctx->main;
  if (main) {
    main->param_flag = 0;
    main->param_pointer = nullptr;
    main->aryins_flag = 0;
    main->aryins_word = 0;
  }
  if (call.lists_suspended) {
    area->sqliasda = call.saved_input;
    area->sqliasda2 = call.saved_output;
  }
  if (main && (main->srvtrc_active || main->srvtrc_pending)) clt_trace(clt_trace_op::srvtrc_window, area);
  // As one word: the library's compare of four bytes is a call.
  static_assert(kCodeSize == sizeof(uint32_t));
  uint32_t code = 0;
  uint32_t trace = 0;
  memcpy(&code, ctx->reqcode, kCodeSize);
  memcpy(&trace, "TRC2", kCodeSize);
  const bool trc2 = code == trace;
  if (ctx->sqltrc_block && main && (call.odbc_variant || !trc2)) {
    clt_make_trc_names();
    // The SQL trace writes the end time with the record.
    clt_trace(clt_trace_op::sqltrc_write, area);
    main->srvtrc_first = 0;
  }
  if (main) {
    // Each writer checks that its record is due.
    if (main->rcnct_trc) clt_trace(clt_trace_op::rcnct_trc_write, area);
    if (main->wrtln_pending == kYes) clt_trace(clt_trace_op::wrtln_write, area);
    if (clt_main_reply(main)->apinf) clt_trace(clt_trace_op::apinf_write, area);
  }
  int32_t sqlcode = area->sqlca->SQLCODE;
  if (!skipped_code(main, sqlcode)) {
    if (sqlcode < 0 && main) report_error_to_logs(ctx, area);
    clt_trace(clt_trace_op::errlog_uap, area);
  }
  if (main) main->reqstatus |= kStatusEnded;
  if (call.odbc_variant && call.odbc && main && sqlcode >= 0) {
    call.odbc->cnctreply = main->cnct_reply;
    call.odbc->rowsleft = main->rows_left;
  }
  if (ends_connection(ctx, sqlcode)) end_connection(ctx, area, sqlcode);
  finish_message_text(area);
  main = ctx->main;
  if (main) {
    // p_rdb_abort reads and sets these from its own thread.
    clt_cancellable_put(main, 0);
    clt_com_cancel_set(main, 0);
    __atomic_store_n(&main->cancel_recorded, 0, __ATOMIC_SEQ_CST);
    main->reqstatus |= kStatusEnded;
  }
  clt_reqcode_put(ctx, kIdleRequest);
  area->optvalue = 0;
  return result_of(area->sqlca->SQLCODE);
}

int32_t dispatch(dispatch_call& call) {
  // Nothing of the caller's last request may pass for this one's outcome.
  clt_reset_sqlca(call.area->sqlca);
  if (start_request(call) && route(call) != 0 && call.area->sqlca->SQLCODE >= 0) {
    // A failure that reported nothing is still a failure.
    clt_report(call.area, kModule, __LINE__, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT,
               CLT_MSG_CLIENT_ERROR, kModule, static_cast<int32_t>(__LINE__));
  }
  return complete_request(call);
}

// Report levels of the trace-control file.
constexpr int32_t kLevelUap = 1;
constexpr int32_t kLevelOptimizer = 4;
constexpr int32_t kLevelResult = 16;
constexpr int32_t kLongSqlTextSize = 2000000;

// Steps 4 to 8 of the first call: the trace-control file and what its
// levels change in the settings.
void apply_trace_control(clt_main* main, bool long_text_rule) {
  if (clt_text(main, CLT_TEXT_TRCPATH)[0] == '\0') return;
  clt_trcctl_read();
  int32_t level = clt_env_get(main, clt_setting::trcctl_level);
  if (level & (kLevelOptimizer | kLevelResult)) clt_env_put(main, clt_setting::ipc, 'N');
  if (main->kind == CLT_KIND_EMBEDDED_MARKED && clt_env_get(main, clt_setting::trcctl_size) != 0) {
    if (level == kLevelUap) clt_env_put(main, clt_setting::trcctl_size, 0);
    level &= ~kLevelUap;
    clt_env_put(main, clt_setting::trcctl_level, level);
  }
  if (long_text_rule && (level & kLevelOptimizer) &&
      clt_env_get(main, clt_setting::sqltextsize_given) == 1) {
    clt_env_put(main, clt_setting::sqltextsize, kLongSqlTextSize);
  }
  if (clt_env_get(main, clt_setting::trcctl_keepopen) == 1) {
    main->kept_fd[CLT_TRCNAME_CTL1] = CLT_FD_CLOSED;
    main->kept_fd[CLT_TRCNAME_CTL2] = CLT_FD_CLOSED;
  }
}

int32_t first_call(rdb_sql_area* area, const rdb_odbc_buf* odbc, bool odbc_variant) {
  clt_global_data* ctx = clt_cur();
  if (ctx->main) return 0;
  zk_wire_services();
  if (clt_main_create(area) != 0) return -1;
  int32_t read = (odbc_variant && odbc) ? clt_read_env_odbc(odbc) : clt_read_env();
  if (read != 0) return -1;
  // Option letter R lives with the connection, where the frame reads it.
  clt_main_com(ctx->main)->no_reqcode = clt_main_env(ctx->main)->opt_r;
  clt_errlog_open();
  clt_trc_open_buf();
  clt_trc_open_mdl();
  apply_trace_control(ctx->main, !odbc_variant);
  return 0;
}

}  // namespace

int32_t clt_first_call_init(rdb_sql_area* area) { return first_call(area, nullptr, false); }

int32_t clt_first_call_init_odbc(rdb_sql_area* area, const rdb_odbc_buf* odbc) {
  return first_call(area, odbc, true);
}

void clt_last_call_term(rdb_sql_area* area) {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  if (main) {
    if (main->blkf_list) clt_blkf_free_all(area);
    if (main->loc_list) clt_runtime(clt_runtime_op::loc_free_all, area);
  }
  clt_trc_close_rpcsoc();
  clt_trc_close_buf();
  clt_trc_close_mdl();
  clt_errlog_close();
  if (main) {
    for (char*& name : main->trc_names) {
      if (name) {
        cltmem_free(name, "CLTCNTL", __LINE__);
        name = nullptr;
      }
    }
  }
  ctx->trcctl_dir = nullptr;
  clt_main_free();
}

void clt_main_free() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  if (main && main->session_open) {
    // The session lives in the context: left open it would outlive the
    // block and refuse every later CONNECT.
    pd_clt_close(kCloseWithMessage);
    main->session_open = 0;
    main->connected = 0;
  }
  // A connection that ends other than by the completion steps still
  // closes its kept trace files and frees the trace's buffer.
  if (main && ctx->sqltrc_block) clt_trace(clt_trace_op::sqltrc_close, main->area);
  clt_req_free_buffers();
  if (main) {
    clt_free_request_buffers(main);
    clt_reply_free(clt_main_reply(main));
    clt_row_plan_free(clt_main_reply(main));
    // A connection that ends without DISCONNECT still lets its library go.
    clt_cnv_release_user(clt_main_env(main));
    // p_rdb_get_CltInf takes this buffer from the run-time allocator.
    free(main->srvinf);
    main->srvinf = nullptr;
  }
  {
    clt_abort_exclusion freeing;  // p_rdb_abort never writes into a freed block
    ctx->main = nullptr;
    if (ctx->main_alloc) {
      cltmem_free(ctx->main_alloc, "CLTCNTL", __LINE__);
      ctx->main_alloc = nullptr;
    }
  }
  // The trace directory pointed into the freed block.
  ctx->trc_dir = nullptr;
}

int32_t clt_dispatch(rdb_sql_area* area) {
  dispatch_call call{area, nullptr, false};
  return dispatch(call);
}

int32_t clt_dispatch_odbc(rdb_sql_area* area, rdb_odbc_buf* odbc) {
  dispatch_call call{area, odbc, true};
  return dispatch(call);
}

// Statement routing and the server feature gates.
namespace {

constexpr int32_t kLocBindFailed = -20;

constexpr int32_t kMaxArrayElements = 30000;
constexpr int32_t kMaxArrayInsertAui2 = 4096;
constexpr int32_t kMaxBinaryLength = 32000;
constexpr int32_t kBinaryLengthUnit = 4;
constexpr uint8_t kRowInterface = 'S';
constexpr uint8_t kDescribeToo = 'Y';
constexpr int32_t kCursorLevel1 = '1';
constexpr int32_t kCursorLevel2 = '2';
constexpr int32_t kSrvTypeSecondProtocol = 2;
constexpr int32_t kBlockFetchOn = 1;  // PDBLKF above this uses block fetch
constexpr size_t kWarnSummary = 0;
constexpr size_t kWarnBlockFetchEnd = 6;  // the flag at +310
constexpr char kSqlstateSuccess[] = "00000";
constexpr char kSecondProtocolCompleted[] = "JXZ2000I . R. PROCESSING OF SQL COMPLETED";

// Server levels: "level n" is a raw level word of -n or below; a level
// not reported yet (0) passes.
constexpr int32_t kLevelArrayFetch = 9;
constexpr int32_t kLevelTypeOption = 10;
constexpr int32_t kLevelSessionAuth = 12;
constexpr int32_t kLevelJar = 14;
constexpr int32_t kLevelSetRelease = 15;
constexpr int32_t kLevelArrayInsert = 19;
constexpr int32_t kLevelBigBlocks = 21;
constexpr int32_t kLevelExtendedNames = 23;
// Level word -24: the complement level 23 at which the statement list
// and the executors keep the list.
constexpr int32_t kLevelCursorList = 24;
constexpr int32_t kLevelCcmd = 25;
constexpr int32_t kLevelClib = 26;

bool at_level(const clt_main* main, int32_t level) {
  return main->srv_level == 0 || main->srv_level <= -level;
}

enum class feature { ext_cursor, ext_statement, type_option, describe, request, array_count, output_list };

struct feature_gate {
  std::initializer_list<int32_t> functions;
  feature used;
  const char* token;
  int32_t level;
};

const feature_gate kGates[] = {
    {{CLT_FC_FETC, CLT_FC_RSFT, CLT_FC_CLOS, CLT_FC_RSCL, CLT_FC_DESC, CLT_FC_AUI2, CLT_FC_OPEN},
     feature::ext_cursor, "EXTENDED CURSOR NAME", kLevelExtendedNames},
    {{CLT_FC_SET, CLT_FC_DESC, CLT_FC_HVAR, CLT_FC_DEST, CLT_FC_AUX, CLT_FC_AUXO},
     feature::ext_statement, "EXTENDED STATEMENT NAME", kLevelExtendedNames},
    {{CLT_FC_SET}, feature::type_option, "TYPE OPTION", kLevelTypeOption},
    {{CLT_FC_SET}, feature::describe, "DESCRIBE", kLevelExtendedNames},
    {{CLT_FC_DEST}, feature::request, "DESCRIBE TYPE", kLevelTypeOption},
    {{CLT_FC_SAUH}, feature::request, "SET SESSION AUTHORIZATION", kLevelSessionAuth},
    {{CLT_FC_JARI, CLT_FC_JARR, CLT_FC_JARU}, feature::request, "JAR", kLevelJar},
    {{CLT_FC_CLIN, CLT_FC_CLRP, CLT_FC_CLRM}, feature::request, "CLIB", kLevelClib},
    {{CLT_FC_AUI3}, feature::request, "SET", kLevelBigBlocks},
    {{CLT_FC_EUTL}, feature::request, "EXECUTE UTL", kLevelBigBlocks},
    {{CLT_FC_ALCR}, feature::request, "ALLOCATE CURSOR", kLevelExtendedNames},
    {{CLT_FC_DSET}, feature::request, "DEALLOCATE PREPARE", kLevelExtendedNames},
    {{CLT_FC_AUI2, CLT_FC_AUX}, feature::array_count, "ARRAY INSERT", kLevelArrayInsert},
    {{CLT_FC_AUXI}, feature::output_list, "SINGLE ROW SELECT", kLevelExtendedNames},
};

bool uses(const rdb_sql_area* area, feature f) {
  switch (f) {
    case feature::ext_cursor:
      return area->version >= kLayoutExtendedNames && area->extcursname;
    case feature::ext_statement:
      return area->version >= kLayoutExtendedNames && area->extstmtname;
    case feature::type_option:
      return area->attrkind != 0;
    case feature::describe:
      return area->setvars == kDescribeToo && area->version >= kLayoutExtendedNames;
    case feature::request:
      return true;
    case feature::array_count:
      return area->arycount != 0 && area->version >= kLayoutArrays;
    case feature::output_list:
      return area->sqliasda2 != nullptr;
  }
  return false;
}

// The highest level a gate asks for: a server at it passes every gate.
const int32_t kHighestGateLevel =
    std::max_element(std::begin(kGates), std::end(kGates), [](const feature_gate& a, const feature_gate& b) {
      return a.level < b.level;
    })->level;

int32_t check_gates(const clt_main* main, rdb_sql_area* area) {
  if (at_level(main, kHighestGateLevel)) return 0;
  // The level first: a server at the gate's level ends its test there.
  for (const feature_gate& gate : kGates) {
    if (!at_level(main, gate.level) && in(main->funccode, gate.functions) && uses(area, gate.used)) {
      return clt_report(area, kModule, __LINE__, CLT_SQL_NOT_SUPPORTED, CLT_SQLSTATE_DEFAULT,
                        CLT_MSG_NOT_SUPPORTED, gate.token);
    }
  }
  return 0;
}

// Variables of a descriptor list in use, never more than it holds.
int32_t variables_in(const SQLDA* da) {
  if (!da || da->sqld < 0 || da->sqln < 0) return 0;
  return da->sqld < da->sqln ? da->sqld : da->sqln;
}

bool is_long_binary(uint8_t code) { return code == 0x90 || code == 0x91; }

bool is_refused_in_arrays(uint8_t code) {
  switch (code) {
    case 0x92: case 0x93: case 0x94: case 0x95: case 0x98: case 0x99: case 0x9E: case 0x9F:
      return true;
    default:
      return false;
  }
}

// Array host variables: long binaries in units of 4 (at most 32000 when
// `limit_length`), no large objects, no repetition values.
int32_t check_array_variables(rdb_sql_area* area, const SQLDA* da, bool limit_length,
                              const char* role, const char* default_state) {
  int32_t count = variables_in(da);
  for (int32_t i = 0; i < count; ++i) {
    const SQLVAR& var = da->sqlvar[i];
    int32_t length = clt_var_len(var);
    bool bad = is_refused_in_arrays(var.sqlcod) || var.XDIM > 1 ||
               (is_long_binary(var.sqlcod) &&
                (length % kBinaryLengthUnit != 0 || (limit_length && length > kMaxBinaryLength)));
    if (bad) {
      return clt_report(area, kModule, __LINE__, CLT_SQL_VARIABLE_TYPE, default_state, CLT_MSG_VARIABLE_TYPE,
                        i + 1, role);
    }
  }
  return 0;
}

bool single_values(const SQLDA* da) {
  int32_t count = variables_in(da);
  for (int32_t i = 0; i < count; ++i) {
    if (da->sqlvar[i].XDIM != 1) return false;
  }
  return true;
}

int32_t check_old_layout(rdb_sql_area* area, int32_t fc) {
  if (area->version >= kLayoutMultiValue) return 0;
  bool outputs_too = in(fc, {CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_GETD});
  if (single_values(area->sqliasda) && (!outputs_too || single_values(area->sqliasda2))) return 0;
  return clt_report(area, kModule, __LINE__, CLT_SQL_MULTI_VALUE, CLT_SQLSTATE_DEFAULT,
                    CLT_MSG_MULTI_VALUE);
}

int32_t report_element_count(rdb_sql_area* area) {
  return clt_report(area, kModule, __LINE__, CLT_SQL_ELEMENT_COUNT, CLT_SQLSTATE_DEFAULT,
                    CLT_MSG_ELEMENT_COUNT);
}

int32_t check_array_insert(clt_main* main, rdb_sql_area* area, int32_t fc) {
  if (!in(fc, {CLT_FC_AUI2, CLT_FC_AUX}) || area->version < kLayoutArrays || area->arymax == 0) {
    return 0;
  }
  int32_t limit = fc == CLT_FC_AUX ? kMaxArrayElements : kMaxArrayInsertAui2;
  int32_t count = area->arycount;
  if (count <= 0 || count > limit || (area->arymax > 0 && count > area->arymax)) {
    return report_element_count(area);
  }
  if (check_array_variables(area, area->sqliasda, true, "(using)", CLT_SQLSTATE_VAR_TYPE) != 0) {
    return -1;
  }
  main->ary_checked = kYes;
  return 0;
}

bool cursor_list_on(const clt_main* main) {
  int32_t level = clt_env_get(main, clt_setting::cursorlvl);
  return (level == kCursorLevel1 || level == kCursorLevel2) && at_level(main, kLevelCursorList);
}

bool cursor_level2(const clt_main* main) {
  return clt_env_get(main, clt_setting::cursorlvl) == kCursorLevel2;
}

// Answers a cursor request without the server.
int32_t complete_locally(const clt_main* main, rdb_sql_area* area) {
  clt_msg_token token;
  if (clt_env_get(main, clt_setting::srvtype) == kSrvTypeSecondProtocol) {
    clt_set_msg("%s", &token, 0, kSecondProtocolCompleted);
  } else {
    clt_set_msg(CLT_MSG_COMPLETED, &token, 0);
  }
  clt_reset_sqlca(area->sqlca);
  clt_set_sqlca(area->sqlca, kModule, __LINE__, 0, 0, 0, 0, &token, nullptr);
  clt_set_sqlstate(area, kSqlstateSuccess);
  return 0;
}

bool block_fetch_wanted(const clt_main* main) {
  return clt_env_get(main, clt_setting::blkf) > kBlockFetchOn ||
         (clt_env_get(main, clt_setting::blkbuffsize) >= 1 && at_level(main, kLevelBigBlocks));
}

int32_t general(rdb_sql_area* area) { return clt_runtime(clt_runtime_op::exec_general, area); }

// Outcome of the cursor-list handling of an OPEN.
enum class open_outcome { send, answered, failed };

open_outcome open_with_cursor_list(clt_main* main, rdb_sql_area* area, int32_t fc) {
  if (fc == CLT_FC_OPNR) {
    int32_t bound = clt_runtime(clt_runtime_op::loc_bind_cursor, area);
    if (bound == kLocBindFailed) return open_outcome::failed;
    if (bound != 0) return open_outcome::send;
  } else if (clt_runtime(clt_runtime_op::loc_find, area) != 0) {
    if (fc == CLT_FC_OPEN) return open_outcome::send;
    if (clt_runtime(clt_runtime_op::loc_add, area) != 0) return open_outcome::failed;
  }
  if (clt_runtime(clt_runtime_op::close_cleanup, area) != 0) return open_outcome::failed;
  int32_t state = clt_loc_state(main);
  if (state != CLT_LOC_NONE && (state & CLT_LOC_OPEN) && !(state & CLT_LOC_CLOSE_PENDING)) {
    if (!cursor_level2(main)) return open_outcome::send;
    clt_report(area, kModule, __LINE__, CLT_SQL_CURSOR_OPEN, CLT_SQLSTATE_DEFAULT, CLT_MSG_CURSOR_OPEN);
    return open_outcome::failed;
  }
  if (clt_runtime(clt_runtime_op::loc_store_vars, area) != 0) return open_outcome::failed;
  clt_loc_mark_open(main);
  if (!cursor_level2(main)) return open_outcome::send;
  complete_locally(main, area);
  return open_outcome::answered;
}

int32_t route_open_group(clt_main* main, rdb_sql_area* area, int32_t fc) {
  if (check_old_layout(area, fc) != 0 || check_array_insert(main, area, fc) != 0) return -1;
  if (cursor_list_on(main) && in(fc, {CLT_FC_OPEN, CLT_FC_OPN2, CLT_FC_OPNR})) {
    open_outcome outcome = open_with_cursor_list(main, area, fc);
    if (outcome == open_outcome::failed) return -1;
    if (outcome == open_outcome::answered) return 0;
  }
  if (general(area) != 0) return -1;
  // The reply's finished flag: the statement continues with CCMD.
  clt_reply_conn* reply = clt_main_reply(main);
  if (reply->finished == kYes && at_level(main, kLevelCcmd)) {
    int32_t rc = clt_runtime(clt_runtime_op::exec_ccmd, area);
    reply->finished = 0;
    if (rc != 0) return -1;
  }
  return 0;
}

// 1 when the CLOSE was answered locally, 0 to send it, -1 on failure.
int32_t close_with_cursor_list(clt_main* main, rdb_sql_area* area, bool* release_after) {
  if (clt_runtime(clt_runtime_op::loc_find, area) != 0) return 0;
  // Locally when the server has delivered the end of the rows, or when
  // the OPEN has not yet reached it (the first FETCH carries it).
  int32_t state = clt_loc_state(main);
  bool open_not_sent = (state & CLT_LOC_OPEN) && (state & CLT_LOC_OPEN_PENDING);
  if (state != CLT_LOC_NONE &&
      ((state & CLT_LOC_CLOSE_PENDING) || (cursor_level2(main) && open_not_sent))) {
    if (clt_runtime(clt_runtime_op::loc_release, area) != 0) return -1;
    complete_locally(main, area);
    return clt_runtime(clt_runtime_op::close_cleanup, area) == 0 ? 1 : -1;
  }
  *release_after = true;
  return 0;
}

int32_t route_close(clt_main* main, rdb_sql_area* area, int32_t fc) {
  bool release_after = false;
  if (fc == CLT_FC_CLOS && cursor_list_on(main)) {
    int32_t local = close_with_cursor_list(main, area, &release_after);
    if (local != 0) return local < 0 ? -1 : 0;
  }
  if (clt_runtime(clt_runtime_op::exec_close, area) != 0) return -1;
  if (release_after && clt_runtime(clt_runtime_op::loc_release, area) != 0) return -1;
  return 0;
}

int32_t route_set(clt_main* main, rdb_sql_area* area) {
  bool release_wanted = area->prpcrcls == kYes ||
                        (area->prpcrcls != kNo && clt_env_get(main, clt_setting::prpcrcls) == kYes);
  if (at_level(main, kLevelSetRelease) && release_wanted && main->blkf_list &&
      block_fetch_wanted(main) && clt_runtime(clt_runtime_op::blkf_release, area) != 0) {
    return -1;
  }
  return general(area);
}

int32_t route_transaction(clt_main* main, rdb_sql_area* area, int32_t fc) {
  if (clt_runtime(clt_runtime_op::exec_transact, area) != 0) return -1;
  if (!cursor_list_on(main)) return 0;
  clt_runtime_op free_op = in(fc, {CLT_FC_ROLL, CLT_FC_TSRL}) ? clt_runtime_op::loc_free_unheld
                                                              : clt_runtime_op::loc_free_closed;
  return clt_runtime(free_op, area) == 0 ? 0 : -1;
}

int32_t route_deallocate(clt_main* main, rdb_sql_area* area) {
  if (general(area) != 0) return -1;
  if (!cursor_list_on(main) || clt_runtime(clt_runtime_op::loc_find, area) != 0) return 0;
  if ((clt_loc_state(main) & CLT_LOC_OTHER_SECTIONS) &&
      clt_runtime(clt_runtime_op::loc_free_same_name, area) != 0) {
    return -1;
  }
  if (area->extstmtname && clt_runtime(clt_runtime_op::loc_free_ext, area) != 0) return -1;
  return clt_runtime(clt_runtime_op::loc_release, area) == 0 ? 0 : -1;
}

int32_t check_fetch(clt_main* main, rdb_sql_area* area, int32_t fc) {
  if (fc == CLT_FC_FETC && cursor_level2(main) && cursor_list_on(main) &&
      clt_runtime(clt_runtime_op::loc_find, area) == 0) {
    int32_t state = clt_loc_state(main);
    if (state != CLT_LOC_NONE && !(state & CLT_LOC_OPEN)) {
      return clt_report(area, kModule, __LINE__, CLT_SQL_CURSOR_NOT_OPEN, CLT_SQLSTATE_DEFAULT,
                        CLT_MSG_CURSOR_NOT_OPEN);
    }
  }
  if (area->fetchrows != 0) {
    bool limit_length = !at_level(main, kLevelBigBlocks);
    if (check_array_variables(area, area->sqliasda, limit_length, "(into)",
                              CLT_SQLSTATE_OUT_VAR) != 0) {
      return -1;
    }
    if (area->fetchrows < 0 || area->fetchrows > kMaxArrayElements) return report_element_count(area);
  }
  return check_old_layout(area, fc);
}

bool into_list_prevents_block_fetch(const clt_main* main, const SQLDA* into) {
  bool long_binaries_allowed =
      clt_env_get(main, clt_setting::binaryblkf) == kYes && at_level(main, kLevelBigBlocks);
  int32_t count = variables_in(into);
  for (int32_t i = 0; i < count; ++i) {
    const SQLVAR& var = into->sqlvar[i];
    switch (var.sqlcod) {
      case 0x92: case 0x93: case 0x98: case 0x99:
        return true;
      default:
        break;
    }
    if (is_long_binary(var.sqlcod) && clt_var_len(var) > kMaxBinaryLength && !long_binaries_allowed) {
      return true;
    }
  }
  return false;
}

int32_t execute_fetch(clt_main* main, rdb_sql_area* area) {
  if (at_level(main, kLevelArrayFetch)) return clt_runtime(clt_runtime_op::exec_array, area);
  main->fetch_state[0] = 0;
  main->fetch_state[1] = 1;
  main->fetch_state[2] = 1;
  if (!block_fetch_wanted(main)) return general(area);
  bool no_block_fetch = area->blkf_perm1 == 0 || area->blkf_perm2 == 0 || area->fetchrows != 0 ||
                        into_list_prevents_block_fetch(main, area->sqliasda);
  main->blkf_flag = no_block_fetch ? 1 : 0;
  if (!no_block_fetch) return clt_runtime(clt_runtime_op::exec_fetch, area);
  if (area->fetchrows == 0) return general(area);
  // The find always succeeds; an entry it made current is the cursor's block.
  if (clt_runtime(clt_runtime_op::blkf_find, area) != 0) return -1;
  if (main->blkf_current != nullptr) return report_element_count(area);
  return general(area);
}

int32_t route(clt_main* main, rdb_sql_area* area) {
  int32_t fc = main->funccode;
  switch (fc) {
    case CLT_FC_FETC:
    case CLT_FC_RSFT:
      if (check_fetch(main, area, fc) != 0) return -1;
      return execute_fetch(main, area);
    case CLT_FC_AUI2: case CLT_FC_OPEN: case CLT_FC_OPN2: case CLT_FC_AUX: case CLT_FC_AUXI:
    case CLT_FC_OPNR: case CLT_FC_AUXO: case CLT_FC_CALL: case CLT_FC_GETD:
      return route_open_group(main, area, fc);
    case CLT_FC_SET:
      return route_set(main, area);
    case CLT_FC_CLOS:
    case CLT_FC_RSCL:
      return route_close(main, area, fc);
    case CLT_FC_CMIT: case CLT_FC_ROLL: case CLT_FC_CPRP: case CLT_FC_TSCM: case CLT_FC_TSRL:
    case CLT_FC_TSPR:
      return route_transaction(main, area, fc);
    case CLT_FC_DISC: case CLT_FC_DIST: case CLT_FC_DISR:
      return clt_runtime(clt_runtime_op::exec_disconnect, area);
    case CLT_FC_SOPT:
      return clt_runtime(clt_runtime_op::exec_setopt, area);
    case CLT_FC_SINF:
      return clt_runtime(clt_runtime_op::exec_srvinf, area);
    case CLT_FC_RNCN: case CLT_FC_RNDS: case CLT_FC_RNSC:
      return clt_runtime(clt_runtime_op::exec_rdnode, area);
    case CLT_FC_SAUH:
      return clt_runtime(clt_runtime_op::exec_session_auth, area);
    case CLT_FC_JARI: case CLT_FC_JARR: case CLT_FC_JARU: case CLT_FC_CLIN: case CLT_FC_CLRP:
    case CLT_FC_CLRM:
      return clt_runtime(clt_runtime_op::exec_jar, area);
    case CLT_FC_EUTL:
      return clt_runtime(clt_runtime_op::exec_execute_utl, area);
    case CLT_FC_DSET:
      return route_deallocate(main, area);
    default:
      return general(area);
  }
}

}  // namespace

int32_t clt_exec_statement(rdb_sql_area* area) {
  clt_main* main = clt_cur_main();
  main->blkf_flag = 0;
  main->ary_checked = kNo;
  if (area->rowif == kRowInterface && main->byteorder == 0) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_INVALID_PART, CLT_SQLSTATE_DEFAULT,
                      CLT_MSG_INVALID_PART, "ROW");
  }
  if (check_gates(main, area) != 0) return -1;
  if (route(main, area) != 0) return -1;
  // Both warnings say the server ended the transaction: what a ROLLBACK
  // releases goes. Without them the lists stay as they are.
  const char* warn = area->sqlca->sqlwarn;
  if (warn[kWarnSummary] != 'W' || warn[kWarnBlockFetchEnd] != 'W') return 0;
  if (block_fetch_wanted(main) && clt_blkf_free_all(area) != 0) return -1;
  if (cursor_list_on(main) && main->loc_list && clt_runtime(clt_runtime_op::loc_free_unheld, area) != 0) {
    return -1;
  }
  return 0;
}
