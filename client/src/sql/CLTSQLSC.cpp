#include "CLTSQLSC.h"

#include <arpa/inet.h>
#include <stdio.h>
#include <string.h>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTCOMD.h"
#include "CLTENV.h"
#include "zk_loghook.h"
#include "CLTMEM.h"
#include "zk_codes.h"
#include "CLTRPCSS.h"
#include "zk_seam.h"
#include "CLTSQLDR.h"
#include "CLTTACT.h"
#include "CLTUTL.h"
#include "cltsqlsl.h"
#include "CLTUTLEV.h"
#include "zk_result_rows.h"

clt_link_services clt_link_svc{};

namespace {

constexpr const char* kModule = "CLTSQLSC";

constexpr char kRdmService[] = "_pdrdm";
constexpr uint16_t kSecondProtocol = 2;
constexpr int32_t kFlagsCall = 4;
constexpr int32_t kFlagsDisconnect = 0;
constexpr int32_t kMillisPerSecond = 1000;
constexpr uint8_t kReasonTimeout = 1;
constexpr uint8_t kReasonCancel = 0;
constexpr int32_t kNoticeFlags = 8;
constexpr int32_t kNoticeRetryFlags = 0x108;
constexpr int32_t kNoticeRefused = -5403;
constexpr uint32_t kHostNameSize = 523;
constexpr char kReasonUnbuilt[] = "NOT SUPPORTED";

// Call-progress bits.
constexpr uint32_t kCallStarted = 0x40;
constexpr uint32_t kCallEnded = 0x80;
constexpr uint32_t kSecondWordCleared = 0x0F;

// Function codes that the notice leaves alone.

// Notice fields.
constexpr uint32_t kNoticeFes = 0;
constexpr uint32_t kNoticeGroup = 65;
constexpr uint32_t kNoticeReason = 98;
constexpr uint32_t kNoticeCnct = 100;
constexpr uint32_t kNoticeHost = 104;
constexpr uint32_t kNoticeApname = 169;
constexpr uint32_t kNoticePid = 200;
constexpr uint32_t kNoticeWait = 208;
constexpr uint32_t kNoticeStatus = 212;
constexpr uint32_t kNoticeFesSize = 65;
constexpr uint32_t kNoticeGroupSize = 33;
constexpr uint32_t kNoticeApnameSize = 31;

const char* const kFunctions[] = {
    nullptr,                 "p_f_sqa_cfetch",        "p_f_sqa_cauxi2",        "p_f_sqa_csetup",
    "p_f_sqa_copen",         "p_f_sqa_copen2",        "p_f_sqa_cclose",        "p_f_sqa_caux",
    "p_f_sqa_cauxi",         "p_f_sqa_cdescribe",     "p_f_sqa_ccommit",       "p_f_sqa_crollback",
    "p_f_sqa_cprepare",      "p_f_sqa_cconnect",      "p_f_sqa_cdisconnect",   "p_f_sqa_csetopt",
    "p_f_sqa_csvrinf",       "p_f_sqa_copenr",        "p_f_sqa_cauxo",         "p_f_sqa_chvar",
    "p_f_sqa_ccall",         "p_f_sqa_cgetd",         "p_f_sqa_ctran_discon",  "p_f_sqa_ctran_check",
    "p_f_sqa_ctrns_commit",  "p_f_sqa_ctrns_rollbk",  "p_f_sqa_ctrns_xaprep",  nullptr,
    nullptr,                 nullptr,                 "p_f_sqa_cdisconnect",   "p_f_sqa_ccnct_rdnode",
    "p_f_sqa_cdisc_rdnode",  "p_f_sqa_cset_connect",  "p_f_sqa_ctran_start",   "p_f_sqa_cdesc_type",
    "p_f_sqa_cset_session",  "p_f_sqa_ctran_check2",  "p_f_sqa_cresult_desc", "p_f_sqa_cresult_fetc",
    "p_f_sqa_cresult_clos",  "p_f_sqa_cjar_install",  "p_f_sqa_cjar_replace",  "p_f_sqa_cjar_uninst",
    "p_f_sqa_crenv",         nullptr,                 "p_f_sqa_cauxi3",        "p_f_sqa_cexecute_utl",
    "p_f_sqa_cerrorlog",     "p_f_sqa_calcr",         "p_f_sqa_cdset",         "p_f_sqa_cccmd",
    "p_f_sqa_clib_install",  "p_f_sqa_clib_replace",  "p_f_sqa_clib_uninst",
};
constexpr int32_t kFunctionCount = static_cast<int32_t>(sizeof kFunctions / sizeof kFunctions[0]);

// How an exchange result is reported.
constexpr clt_result_row kResults[] = {
    {-2404, clt_report_kind::comm723, "CLIENT MEMORY"},     {-2406, clt_report_kind::comm723, "NETWORK"},
    {-2418, clt_report_kind::comm723, "NETWORK"},           {-2407, clt_report_kind::time_over, nullptr},
    {-2409, clt_report_kind::comm723, "Marlo DATA ERROR"},  {-2410, clt_report_kind::comm723, "FES(SDS) NOT UP"},
    {-2411, clt_report_kind::comm723, "FES(SDS) NOT UP"},   {-2412, clt_report_kind::comm723, "FES(SDS) CLOSE"},
    {-2413, clt_report_kind::comm723, "FES(SDS) CLOSE"},    {-2415, clt_report_kind::comm723, "Marlo NOT UP"},
    {-2416, clt_report_kind::comm723, "Marlo SYSTEM ERROR"}, {-2417, clt_report_kind::comm723, "Marlo MEMORY"},
    {-2419, clt_report_kind::comm722, "INVALID DATA"},      {-2420, clt_report_kind::comm723, "Marlo INITIALIZE"},
    {-2430, clt_report_kind::comm722, "SERVER PROCESS DOWN"}, {-2431, clt_report_kind::max_users, nullptr},
    {-2432, clt_report_kind::marlo, "SHUTDOWN"},            {-2433, clt_report_kind::comm723, "Marlo BUSY"},
    {-2456, clt_report_kind::comm723, "Marlo BUSY"},        {-2465, clt_report_kind::comm723, "INVALID SERVER TYPE"},
    {-2498, clt_report_kind::maintenance, nullptr},         {-2499, clt_report_kind::cancelled, nullptr},
};

struct call_parts {
  clt_rpc_ctx rpc;
  clt_com_ctx com;
};

call_parts parts() { return call_parts{clt_rpc_cur(), clt_com_cur()}; }

bool second_protocol(const clt_com_ctx& com) { return com.env != nullptr && com.env->pdsrvtype == kSecondProtocol; }

int32_t client_error(rdb_sql_area* area, int32_t line) {
  return clt_report(area, kModule, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, kModule, line);
}

// The mark another thread's refused call sets under the context lock.
bool collision() {
  clt_global_data* ctx = clt_cur();
  std::lock_guard<std::mutex> looking(clt_context_lock());
  return ctx != nullptr && clt_refused_call_get(ctx) != 0;
}

void put_server32(const clt_main* main, uint8_t* p, uint32_t v) {
  if (main != nullptr && main->byteorder != 0) {
    memcpy(p, &v, sizeof v);
  } else {
    const uint32_t be = htonl(v);
    memcpy(p, &be, sizeof be);
  }
}

int32_t get_server32(const clt_main* main, const uint8_t* p) {
  uint32_t v;
  memcpy(&v, p, sizeof v);
  return static_cast<int32_t>(main != nullptr && main->byteorder != 0 ? v : ntohl(v));
}

// A NUL-terminated text cut to its field.
void put_text(uint8_t* field, size_t size, const char* text) {
  const size_t n = strnlen(text, size - 1);
  memcpy(field, text, n);
  field[n] = '\0';
}

int32_t notify(uint8_t reason);

// Reports one exchange result into the SQLCA; returns -1.
int32_t report_result(const call_parts& p, rdb_sql_area* area, int32_t rc) {
  const clt_env* env = p.com.env;
  const clt_result_row* row = clt_result_row_of(kResults, rc);
  if (row == nullptr) return client_error(area, __LINE__);
  const bool rd_net = (rc == -2406 || rc == -2418) && second_protocol(p.com) && env->pdrdneterr722 == 1;
  if (rd_net) return clt_report(area, kModule, __LINE__, CLT_SQL_COMM_SERVER_DOWN, CLT_SQLSTATE_DEFAULT, CLT_MSG_COMM_SERVER_DOWN, "SERVER PROCESS DOWN");
  if (row->kind == clt_report_kind::time_over) notify(kReasonTimeout);
  if (row->kind == clt_report_kind::cancelled) {
    if (p.com.main != nullptr) {
      if (p.com.main->blkf_list != nullptr) clt_blkf_free_all(area);
      if (p.com.main->loc_list != nullptr) clt_loc_free_all(area);
      clt_free_request_buffers(p.com.main);
    }
    notify(kReasonCancel);
  }
  return clt_report_row(area, kModule, __LINE__, *row, p.rpc.conn);
}

// The host name of the client, or the address of the transport session.
void client_host(char* out, size_t size) {
  char name[kHostNameSize + 1] = {};
  int32_t err = 0;
  com_wsa_args a;
  a.buf = name;
  a.len = kHostNameSize;
  clt_com_ctx com = clt_com_cur();
  const bool trace = com.call != nullptr && com.call->soc_trace_on != 0;
  if (trace) clt_trc_soc(CLT_SOC_GETHOSTNAME, 1, 0, -1, 0, 0, nullptr, 0);
  const int32_t rc = com_wsa_call(COM_WSA_GETHOSTNAME, &err, a);
  if (trace) clt_trc_soc(CLT_SOC_GETHOSTNAME, 2, err, -1, 0, 0, nullptr, 0);
  if (rc >= 0 && name[0] != '\0') {
    snprintf(out, size, "%s", name);
    return;
  }
  sockaddr_in own{};
  clt_tact_getaddr(&own, 0);
  const uint8_t* b = reinterpret_cast<const uint8_t*>(&own.sin_addr.s_addr);
  snprintf(out, size, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
}

int32_t notify(uint8_t reason) {
  call_parts p = parts();
  clt_main* main = p.com.main;
  clt_env* env = p.com.env;
  if (main == nullptr || env == nullptr) return -1;
  if (main->funccode == CLT_FC_CNCT || main->funccode == CLT_FC_DISC || main->funccode == CLT_FC_DISR) {
    return -1;
  }
  if (second_protocol(p.com)) return 0;
  uint8_t notice[CLT_RDM_NOTICE_SIZE];
  clt_rdm_notice_build(notice, reason);
  env->pdfeshost[0] = '\0';
  if (main->cnct_number == 0 || main->clt_pid == 0) return -1;
  if (main->session_open != 0) {
    pd_clt_close_session(1);
    main->connected = 0;
    main->session_open = 0;
  }
  // The hosts of the list in turn; each one becomes the current host.
  char original[sizeof env->pdhost];
  char list[sizeof env->pdhost];
  snprintf(original, sizeof original, "%s", env->pdhost);
  snprintf(list, sizeof list, "%s", env->pdhost);
  int32_t rc = -1;
  char* save = nullptr;
  for (char* host = strtok_r(list, ",", &save); host != nullptr; host = strtok_r(nullptr, ",", &save)) {
    snprintf(env->pdhost, sizeof env->pdhost, "%s", host);
    if (p.com.conn != nullptr) {
      p.com.conn->loopback = clt_chk_loopback(host) == 0 ? 1 : 0;
      p.com.conn->connect_no_retry = 'N';
    }
    if (pd_clt_open(0) != 0) {
      if (p.com.conn != nullptr) p.com.conn->connect_no_retry = 'Y';
      snprintf(env->pdhost, sizeof env->pdhost, "%s", original);
      return -1;
    }
    main->session_open = 1;
    // The answer comes into a buffer of its own: the notice goes to the next host unchanged.
    uint8_t answer[CLT_RDM_NOTICE_SIZE] = {};
    com_piece out{notice, CLT_RDM_NOTICE_SIZE};
    com_piece in{answer, CLT_RDM_NOTICE_SIZE};
    rc = pd_clt_svc_call(kRdmService, CLT_RDM_NOTICE_CODE, &out, 1, &in, 1, kNoticeFlags);
    if (rc == PD_E_UNEXPECTED) rc = pd_clt_svc_call(kRdmService, CLT_RDM_NOTICE_CODE, &out, 1, &in, 1, kNoticeRetryFlags);
    if (rc == 0 && get_server32(main, answer + kNoticeStatus) != kNoticeRefused) break;
    pd_clt_close_session(0);
    main->session_open = 0;
    rc = -1;
  }
  if (p.com.conn != nullptr) p.com.conn->connect_no_retry = 'Y';
  snprintf(env->pdhost, sizeof env->pdhost, "%s", original);
  if (main->session_open != 0) {
    pd_clt_close_session(0);
    main->session_open = 0;
  }
  return rc == 0 ? 0 : -1;
}

}  // namespace

const char* clt_server_function(int32_t func_code) {
  if (func_code < 0 || func_code >= kFunctionCount) return nullptr;
  return kFunctions[func_code];
}

void clt_rdm_notice_build(uint8_t* notice, uint8_t reason) {
  call_parts p = parts();
  const clt_main* main = p.com.main;
  const clt_env* env = p.com.env;
  memset(notice, 0, CLT_RDM_NOTICE_SIZE);
  if (env != nullptr) {
    put_text(notice + kNoticeFes, kNoticeFesSize, env->pdfeshost);
    put_text(notice + kNoticeGroup, kNoticeGroupSize, env->pdservicegrp);
    put_text(notice + kNoticeApname, kNoticeApnameSize, env->pdcltapname);
    put_server32(main, notice + kNoticeWait, static_cast<uint32_t>(env->pdcwaittime));
  }
  notice[kNoticeReason] = reason;
  if (main != nullptr) {
    put_server32(main, notice + kNoticeCnct, main->cnct_number);
    put_server32(main, notice + kNoticePid, main->clt_pid);
  }
  client_host(reinterpret_cast<char*>(notice + kNoticeHost), kNoticeFesSize);
}

int32_t clt_report_exchange(rdb_sql_area* area, int32_t rc) { return report_result(parts(), area, rc); }

int32_t clt_rdm_notify(void) { return notify(kReasonTimeout); }

int32_t clt_rdm_notify_alt(void) { return notify(kReasonCancel); }

int32_t clt_call_server(uint8_t* request, uint32_t* request_len, uint8_t* reply, uint32_t* reply_len,
                        rdb_sql_area* area) {
  call_parts p = parts();
  clt_main* main = p.com.main;
  clt_rpc_conn* conn = p.rpc.conn;
  if (main == nullptr || conn == nullptr) return client_error(area, __LINE__);
  conn->progress[0] = (conn->progress[0] & ~kCallEnded) | kCallStarted;
  conn->progress[1] &= ~kSecondWordCleared;
  auto end = [&](int32_t result) {
    conn->progress[0] |= kCallEnded;
    return result;
  };
  if (collision()) {
    return end(clt_report(area, kModule, __LINE__, CLT_SQL_OTHER_SQL_EXECUTING, CLT_SQLSTATE_DEFAULT, "%s", CLT_MSG_OTHER_SQL_EXECUTING));
  }
  int32_t rc;
  const bool rd = second_protocol(p.com);
  if (rd) {
    if (clt_link_svc.rd_exec == nullptr) return end(client_error(area, __LINE__));
    rc = clt_link_svc.rd_exec(request, request_len, reply, reply_len, area);
  } else {
    if (main->session_open == 0) return end(client_error(area, __LINE__));
    const char* function = clt_server_function(main->funccode);
    if (function == nullptr) return end(client_error(area, __LINE__));
    if (conn->direct == 'Y') {
      rc = clt_send_direct(request, request_len, reply, reply_len, area);
    } else {
      const int32_t flags =
          main->funccode == CLT_FC_DISC || main->funccode == CLT_FC_DISR ? kFlagsDisconnect : kFlagsCall;
      const char* group = p.com.env != nullptr ? p.com.env->pdservicegrp : "";
      rc = pd_clt_call(group, function, request, request_len, reply, reply_len, flags);
    }
    if (conn->busy != 0) {
      // Only the CONNECT entry attempts again on a new link; any other
      // request reports the busy server below.
      const int32_t limit = p.com.env != nullptr ? p.com.env->pdcnctrtycount : 0;
      if (main->funccode == CLT_FC_CNCT && limit != 0 && conn->busy_retries < limit) {
        clt_sleep_ms(static_cast<uint32_t>(p.com.env->pdcnctrtywaittime * kMillisPerSecond));
        clt_set_sqlstate(area, CLT_SQLSTATE_DEFAULT);
        main->connected = 0;
        if (main->session_open != 0) {
          clt_close_link(area);
          main->session_open = 0;
        }
        return end(-1);
      }
      conn->busy = 0;
    }
  }
  if (collision()) {
    clt_report(area, kModule, __LINE__, CLT_SQL_OTHER_SQL_EXECUTING, CLT_SQLSTATE_DEFAULT, "%s", CLT_MSG_OTHER_SQL_EXECUTING);
    // The exchange itself went well: the link stays for the next call.
    if (rc == 0) {
      main->connected = 1;
      return end(-1);
    }
  } else if (rc == 0) {
    main->connected = 1;
    return end(0);
  } else if (rc == -2466 && rd) {
    // The second protocol has reported it already.
    main->connected = 0;
  } else {
    report_result(p, area, rc);
    main->connected = 0;
  }
  if (main->session_open != 0) {
    clt_close_link(area);
    main->session_open = 0;
  }
  return end(-1);
}

int32_t clt_open_link(rdb_sql_area* area) {
  call_parts p = parts();
  clt_main* main = p.com.main;
  const clt_env* env = p.com.env;
  if (main == nullptr || env == nullptr || p.rpc.conn == nullptr) return client_error(area, __LINE__);
  if (second_protocol(p.com)) {
    // A library built without the second protocol names the setting that
    // asked for it.
    if (clt_link_svc.rd_open == nullptr) {
      return clt_report(area, kModule, __LINE__, CLT_SQL_ENV_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_ENV_ERROR, "PDSRVTYPE",
                        kReasonUnbuilt);
    }
    // The link open reports what the protocol's open left to it.
    const int32_t rc = clt_link_svc.rd_open(area);
    if (rc == 0 || rc == -1) return rc;
    main->connected = 0;
    return report_result(p, area, rc);
  }
  if (main->session_open != 0) return 0;
  const int32_t rc = pd_clt_open(0);
  if (rc == PD_E_SETUP) return clt_report(area, kModule, __LINE__, CLT_SQL_COMM_FAILED, CLT_SQLSTATE_DEFAULT, CLT_MSG_COMM_FAILED, "INIT ERROR");
  if (rc == PD_E_NOT_UP) return clt_report(area, kModule, __LINE__, CLT_SQL_COMM_FAILED, CLT_SQLSTATE_DEFAULT, CLT_MSG_COMM_FAILED, "Marlo NOT UP");
  if (rc != 0) return client_error(area, __LINE__);
  main->session_open = 1;
  const bool fixed = (env->pdfeshost[0] != '\0' && env->pdservicegrp[0] != '\0') ||
                     (env->pdservicegrp[0] != '\0' && env->pdserviceport[0] != '\0' && atoi(env->pdserviceport) != 0);
  if (fixed) {
    p.rpc.conn->fes_looked_up = 0;
    return 0;
  }
  const int32_t fes = clt_link_svc.get_fes != nullptr ? clt_link_svc.get_fes() : client_error(area, __LINE__);
  if (fes != 0) {
    clt_close_link(area);
    return -1;
  }
  p.rpc.conn->fes_looked_up = 1;
  return 0;
}

int32_t clt_close_link(rdb_sql_area* area) {
  call_parts p = parts();
  clt_main* main = p.com.main;
  if (main == nullptr) return 0;
  if (second_protocol(p.com)) {
    if (clt_link_svc.rd_close != nullptr) clt_link_svc.rd_close(area);
    if (clt_link_svc.rd_free_buffers != nullptr) clt_link_svc.rd_free_buffers(area);
    main->session_open = 0;
    return 0;
  }
  if (p.com.conn != nullptr && p.com.conn->shm_channel == 1) {
    if (clt_link_svc.shm_close_peer != nullptr) clt_link_svc.shm_close_peer();
    if (clt_link_svc.shm_close_own != nullptr) clt_link_svc.shm_close_own();
  }
  if (main->session_open != 0) {
    clt_rpc_conn* conn = p.rpc.conn;
    if (conn != nullptr && conn->failure_mark == 'F') {
      pd_clt_close_session(1);
      conn->failure_mark = 0;
    } else {
      pd_clt_close_session(0);
    }
    main->session_open = 0;
  }
  return 0;
}
