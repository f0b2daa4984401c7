#include "clt_reconnect.h"

#include <arpa/inet.h>
#include <stdio.h>
#include <string.h>

#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTSQLSC.h"
#include "CLTUTL.h"
#include "clt_rcnct_trc.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "CLTLIBCT";
constexpr char kLogClientInfo[] = "KFPZ02445-I Client information, Type=%s, Inf=%s\n";
constexpr char kLogErrorInfo[] = "KFPZ03000-I Error information, type=%s, inf=%s\n";
constexpr char kTypeReconnect[] = "Reconnect";
constexpr char kTypeServerInfo[] = "SERVER INFO";
constexpr char kCodeConnect[] = "CNCT";
constexpr size_t kCodeSize = 4;
constexpr size_t kInfSize = 128;
constexpr size_t kServerChangedSize = 1024;
constexpr uint32_t kMillisPerSecond = 1000;
constexpr int16_t kModeReconnect = 4;
constexpr int16_t kPhaseReconnect = 3;
constexpr uint16_t kStateRetried = 1;
constexpr uint16_t kStateMaxUsers = 2;
constexpr char kTaapinfByConnection = '1';

uint32_t now_seconds() {
  clt_timeb now{};
  clt_get_timeb(&now);
  return now.seconds;
}

// Common start of both loops.
void start_series(clt_main* main) {
  clt_timeb now{};
  clt_get_timeb(&now);
  clt_rcnct_blk* trc = clt_rcnct_cur();
  if (trc != nullptr && trc->start_sec == 0) {
    trc->start_sec = now.seconds;
    trc->start_msec = now.milliseconds;
  }
  if (clt_main_env(main)->pdtaapinfmode == kTaapinfByConnection) {
    main->cnct_time_sec = trc != nullptr ? trc->start_sec : now.seconds;
    main->cnct_time_msec = trc != nullptr ? trc->start_msec : now.milliseconds;
  }
  if (main->rcnct_start == 0) main->rcnct_start = now.seconds;
  main->icnct_phase = kPhaseReconnect;
}

// The CONNECT step on a fresh link; true when it ran and connected.
bool connect_again(clt_main* main, rdb_sql_area* area, SQLCA* sqlca) {
  main->icnct_mode = kModeReconnect;
  clt_main_req(main)->connect_kind = kModeReconnect;
  clt_drop_link(main, area);
  clt_reset_sqlca(sqlca);
  return clt_runtime(clt_runtime_op::connect_entry, area) == 0 && sqlca->SQLCODE == 0;
}

void end_series(clt_main* main, char result) {
  clt_rcnct_blk* trc = clt_rcnct_cur();
  if (trc == nullptr) return;
  clt_timeb now{};
  clt_get_timeb(&now);
  trc->end_sec = now.seconds;
  trc->end_msec = now.milliseconds;
  trc->result = result;
  if (result == CLT_RCNCT_RESULT_OK) {
    clt_rcnct_server_text(trc->new_server, clt_main_env(main)->pdservicegrp, main->cnct_number, main->srv_pid);
  }
}

void forget_saved_sqlca(clt_main* main) {
  main->maint_code = 0;
  main->saved_sqlca_set = 0;
  memset(&main->saved_sqlca, 0, sizeof main->saved_sqlca);
}

bool is_connect(const rdb_sql_area* area) { return memcmp(area->reqcode, kCodeConnect, kCodeSize) == 0; }

int32_t report_time_over(rdb_sql_area* area) {
  return clt_report(area, kModule, __LINE__, CLT_SQL_TIME_OVER, CLT_SQLSTATE_DEFAULT, "%s", CLT_MSG_TIME_OVER);
}

}  // namespace

void clt_drop_link(clt_main* main, rdb_sql_area* area) {
  if (main->session_open != 0) clt_close_link(area);
  main->session_open = 0;
  main->connected = 0;
}

void clt_take_maintenance_state(clt_main* main) {
  const clt_rpc_conn* rpc = clt_main_rpc(main);
  if (rpc->fes_lost == 0) return;
  main->in_maintenance = rpc->fes_lost;
  main->maint_code = rpc->fes_lost_reason;
  main->maint_time[0] = rpc->retry_wait;
  main->maint_time[1] = 0;
}

void clt_clear_maintenance_state(clt_main* main) {
  clt_rpc_conn* rpc = clt_main_rpc(main);
  rpc->fes_lost = 0;
  rpc->fes_lost_reason = 0;
  main->in_maintenance = 0;
  main->maint_time[0] = main->maint_time[1] = 0;
}

int32_t clt_reconnect_auto(rdb_sql_area* area, SQLCA* sqlca) {
  clt_main* main = clt_cur_main();
  const clt_env* env = clt_main_env(main);
  start_series(main);
  char inf[kInfSize];
  snprintf(inf, sizeof inf, "AUTO_RECONNECT,number=%d,interval=%d", env->pdrccount, env->pdrcinterval);
  clt_errlog_msg(kLogClientInfo, kTypeReconnect, inf);
  const uint32_t interval_ms = env->pdrcinterval > 0 ? static_cast<uint32_t>(env->pdrcinterval) * kMillisPerSecond : 0;
  for (int32_t tries = 0; tries < env->pdrccount; ++tries) {
    clt_sleep_ms(interval_ms);
    if (env->pdcwaittime != 0 && now_seconds() - main->rcnct_start >= static_cast<uint32_t>(env->pdcwaittime)) {
      report_time_over(area);
      break;
    }
    if (connect_again(main, area, sqlca)) {
      clt_clear_maintenance_state(main);
      forget_saved_sqlca(main);
      end_series(main, CLT_RCNCT_RESULT_OK);
      return 0;
    }
    clt_take_maintenance_state(main);
  }
  if (main->in_maintenance != 0) main->maint_state = kStateRetried;
  end_series(main, CLT_RCNCT_RESULT_FAILED);
  return -1;
}

int32_t clt_reconnect_maint(rdb_sql_area* area, SQLCA* sqlca) {
  clt_main* main = clt_cur_main();
  const clt_env* env = clt_main_env(main);
  start_series(main);
  const uint32_t cwait = env->pdcwaittime > 0 ? static_cast<uint32_t>(env->pdcwaittime) : 0;
  if (main->maint_wait_limit == 0) {
    main->maint_wait_limit = main->maint_time[0] != 0 ? main->maint_time[0] : main->maint_time[1];
    if (!is_connect(area) && cwait != 0 && main->maint_wait_limit > cwait) main->maint_wait_limit = cwait;
  } else if (main->maint_state == kStateMaxUsers) {
    main->maint_wait_limit = main->maint_time[0];
  }
  main->maint_state = kStateRetried;
  main->icnct_mode = kModeReconnect;
  char inf[kInfSize];
  snprintf(inf, sizeof inf, "MAINTENANCE,time=%d", static_cast<int>(main->maint_wait_limit));
  clt_errlog_msg(kLogClientInfo, kTypeReconnect, inf);
  for (;;) {
    clt_sleep_ms(kMillisPerSecond);
    if (now_seconds() - main->rcnct_start >= main->maint_wait_limit) break;
    if (connect_again(main, area, sqlca)) {
      forget_saved_sqlca(main);
      end_series(main, CLT_RCNCT_RESULT_OK);
      return 0;
    }
    clt_take_maintenance_state(main);
  }
  if (cwait != 0 && main->maint_wait_limit >= cwait && !is_connect(area)) {
    report_time_over(area);
  } else if (main->saved_sqlca_set != 0 && main->saved_sqlca.SQLCODE == CLT_SQL_MAINTENANCE) {
    *sqlca = main->saved_sqlca;
  } else {
    clt_report(area, kModule, __LINE__, CLT_SQL_MAINTENANCE, CLT_SQLSTATE_DEFAULT, CLT_MSG_MAINTENANCE,
               static_cast<int>(main->maint_code));
  }
  forget_saved_sqlca(main);
  end_series(main, CLT_RCNCT_RESULT_FAILED);
  return -1;
}

void clt_log_server_changed(void) {
  clt_main* main = clt_cur_main();
  const clt_env* env = clt_main_env(main);
  const bool connected = main->connected != 0;
  char inf[kServerChangedSize];
  snprintf(inf, sizeof inf, "Server changed to host(%s) port(%u) svg(%s) cnctno(%ld) svrpid(%ld)",
           connected ? env->pdfeshost : "", connected ? static_cast<unsigned>(ntohs(main->srv_port)) : 0u,
           connected ? env->pdservicegrp : "", connected ? static_cast<long>(main->cnct_number) : 0L,
           connected ? static_cast<long>(main->srv_pid) : 0L);
  clt_errlog_msg(kLogErrorInfo, kTypeServerInfo, inf);
}
