#include "CLTSQLEX.h"

#include <arpa/inet.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTENV.h"
#include "zk_codes.h"
#include "CLTCOMCTX.h"
#include "CLTMEM.h"
#include "CLTRPCPR.h"
#include "CLTRPCSS.h"
#include "zk_seam.h"
#include "CLTSQLAN.h"
#include "CLTSQLBR.h"
#include "CLTSQLBS.h"
#include "CLTSQLSC.h"
#include "CLTUTL.h"
#include "CLTUTLEV.h"
#include "clt_cnv.h"
#include "clt_rcnct_trc.h"
#include "clt_req_statement.h"
#include "cltsqlbf.h"
#include "cltsqlsl.h"
#include "cltsqlef.h"
#include "clt_shm_exec.h"
#include "clt_blkf_plan.h"
#include "zk_reply_routes.h"

clt_exec_services clt_exec_svc{};

uint32_t clt_server32(const clt_main* main, const uint8_t* p) {
  uint32_t v;
  memcpy(&v, p, sizeof v);
  return main->byteorder != 0 ? v : ntohl(v);
}

namespace {

constexpr const char* kModule = "CLTSQLEX";
constexpr char kSqlstateSuccess[] = "00000";
constexpr const char* kLogClientInfo = "KFPZ02445-I Client information, Type=%s, Inf=%s\n";

// Transport failures after which CONNECT tries the next host.
constexpr int32_t kSqlNextHost[] = {CLT_SQL_CLIENT_ERROR, CLT_SQL_COMM_SERVER_DOWN, CLT_SQL_COMM_FAILED,
                                    CLT_SQL_SERVER_REASON, CLT_SQL_TIME_OVER};

constexpr char kCodeConnect[] = "CNCT";
constexpr char kCodeDisconnect[] = "DISC";
constexpr size_t kCodeSize = 4;

constexpr int16_t kSrvTypeClientOrder = 1;  // "PC": the server uses the client's byte order
constexpr int16_t kSrvTypeSecond = 2;
constexpr uint32_t kProtocolReqcode = 2;
constexpr uint8_t kFeatureLevel8 = 0x01;
constexpr uint32_t kLevelFeature = 8;
constexpr uint32_t kLevelExtErrlog = 21;
constexpr int32_t kExtErrlogSize = 65536;
constexpr char kDirectFrom[] = "07-02";
constexpr size_t kDirectCompare = 5;
constexpr char kYes = 'Y';
constexpr char kBlank = ' ';
constexpr char kFailed = 'F';
constexpr uint16_t kRequestMark = 1;

// Call-progress bits of the first flag word, read by the cancel logic.
struct progress_bits {
  uint32_t started;
  uint32_t ended;
};
constexpr progress_bits kProgressGeneral{0x1000, 0x2000};
constexpr progress_bits kProgressClose{0x100000, 0x200000};
constexpr progress_bits kProgressFetch{0x4000, 0x8000};

// CONNECT reply: body directory, status part and connection information.
constexpr uint32_t kBodyTotal = 0;
constexpr uint32_t kBodyStatus = 8;
constexpr uint32_t kBodySqlca = 12;
constexpr uint32_t kBodyCnctInfo = 28;
constexpr uint32_t kBodyDirectory = 32;
constexpr uint32_t kStatusSize = 30;       // through the server attribute byte
constexpr uint32_t kSqlstateSize = 5;
constexpr uint32_t kStatusResult = 5;
constexpr uint32_t kStatusVersion = 6;     // a refusing server's version
constexpr uint32_t kStatusAttr = 29;       // and its attribute byte
constexpr int32_t kSqlNoVersion = -984;    // a refusal that carries no version
constexpr uint32_t kCnctAttr = 22;
constexpr uint32_t kCnctStdSqlstate = 36;
constexpr uint32_t kLevelStdSqlstate = 26;
constexpr uint16_t kTrnModeArea = 1;
constexpr uint16_t kTrnModeOdbc = 2;
constexpr uint16_t kTrnModeNoWait = 3;
// The DISCONNECT reply's extension part.
constexpr uint32_t kDiscTraceArea = 336;
constexpr uint32_t kDiscExtTrace = 0;
constexpr uint32_t kDiscExtSqltrc = 4;
constexpr uint32_t kDiscExtErrlog = 8;
constexpr uint32_t kLevelDiscExt = 13;
constexpr uint32_t kLevelBlockUpkeep = 13;  // OPEN-family replies may release block-fetch buffers
constexpr uint32_t kLevelDiscSqltrc = 20;
constexpr uint32_t kLevelDiscErrlog = 21;
constexpr uint32_t kCnctCodeSet = 0;
constexpr uint32_t kCnctVersion = 2;
constexpr uint32_t kCnctPid = 12;
constexpr uint32_t kCnctSpace = 20;       // national space, 2 bytes in the server's code
constexpr uint32_t kCnctExtErrlog = 23;
constexpr uint32_t kCnctLevel = 24;
constexpr uint32_t kCnctRead = kCnctLevel + sizeof(uint32_t);  // the fields taken here
constexpr uint32_t kCnctDiscArea = 28;
constexpr uint32_t kLevelDiscArea = 17;
constexpr uint32_t kCnctTypeList = 32;
constexpr uint32_t kLevelTypeList = 24;


struct code_name {
  const char* code;
  const char* name;
};
constexpr code_name kCodeSetNames[] = {
    {"1j", "SJIS"},   {"2c", "CHINESE"},       {"2h", "KOREAN"}, {"2j", "UJIS"},   {"3h", "EUC-HJ KOREAN"},
    {"3j", "EUC-HJ"}, {"5u", "UTF-8"},         {"0a", "LANG-C"}, {"0b", "LANG-C"}, {"6g", "CHINESE-GB18030"},
};
constexpr char kCodeSetUnknown[] = "UNKNOWN";
// The server code set that each UCS-2 mode needs, and the mode's name.
constexpr code_name kUcs2Modes[] = {{"5u", "UCS2_UTF8"}, {"2j", "UCS2_UJIS"}, {"3j", "UCS2_HJ"}};
struct auto_mode {
  const char* code;
  uint8_t mode;
};
constexpr auto_mode kAutoModes[] = {{"3j", CLT_CNV_EUCHJ}, {"2j", CLT_CNV_UJIS}, {"5u", CLT_CNV_UTF8}};
constexpr char kClientSjis[] = "1j";
// Modes that keep the national space as the server sends it.
constexpr uint8_t kSpaceKept[] = {CLT_CNV_NOUSE, CLT_CNV_AUTO, CLT_CNV_UTF8_TXT, CLT_CNV_UTF8MS_TXT,
                                  CLT_CNV_UCS2_UTF8, CLT_CNV_UCS2_UJIS, CLT_CNV_UCS2_HJ};

constexpr int32_t kWaitOneSecond = 1000;
constexpr int32_t kWaitNone = 0;
constexpr int32_t kWaitFailed = -1;
constexpr int32_t kWaitConnected = -2;
constexpr uint16_t kWaitStateRunning = 2;
constexpr uint16_t kWaitStateRefresh = 1;
constexpr uint16_t kReasonMaxUsers = 3;
constexpr size_t kInfSize = 64;
constexpr int32_t kEnvValueSize = 1048;

struct connection {
  clt_global_data* ctx;
  clt_main* main;
  clt_env* env;
  clt_com_conn* com;
  clt_rpc_conn* rpc;
};

connection current() {
  clt_global_data* ctx = clt_cur();
  clt_main* main = ctx->main;
  return connection{ctx, main, clt_main_env(main), clt_main_com(main), clt_main_rpc(main)};
}

int32_t report_client(rdb_sql_area* area, int32_t line) {
  return clt_report(area, kModule, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, kModule, line);
}

// An inconsistent reply: the link failed.
int32_t report_reply(const connection& c, rdb_sql_area* area, int32_t line) {
  c.rpc->failure_mark = kFailed;
  return clt_report(area, kModule, line, CLT_SQL_SERVER_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_SERVER_ERROR, kModule, line);
}

uint16_t server16(const clt_main* main, const uint8_t* p) {
  uint16_t v;
  memcpy(&v, p, sizeof v);
  return main->byteorder != 0 ? v : ntohs(v);
}

// server level >= n on the level word read unsigned.
bool level_at_least(const clt_main* main, uint32_t n) {
  return clt_srv_level_at_least(static_cast<uint32_t>(main->srv_level), n);
}

// Steps 3 to 7 of the frame: the variables bound and checked, the request
// and reply buffers in place.
int32_t prepare(const connection& c, rdb_sql_area* area) {
  if (clt_exec_svc.bind_input == nullptr) return report_client(area, __LINE__);
  if (clt_exec_svc.bind_input(area) != 0) return -1;
  c.ctx->runtime.cur_req = c.ctx->runtime.req_buf;
  if (c.ctx->runtime.cur_req == nullptr) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                      CLT_MEMORY_AREA_PROCESS, c.com->req_buf_size);
  }
  if (clt_exec_svc.sqlda_check == nullptr) return report_client(area, __LINE__);
  if (clt_exec_svc.sqlda_check(area) != 0) return -1;
  clt_com_call& call = c.ctx->runtime.com;
  call.reply_cur = call.reply_buf;
  if (call.reply_cur == nullptr) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                      CLT_MEMORY_AREA_PROCESS, c.com->reply_buf_size);
  }
  clt_shm_place(c.com->req_len, c.com->reply_len, &c.ctx->runtime.cur_req, &call.reply_cur);
  return 0;
}

// Steps 8 and 9: the request as its header gives its length, one exchange.
// The reply capacity is the reply size that the checks computed.
int32_t exchange(const connection& c, rdb_sql_area* area) {
  uint8_t* request = c.ctx->runtime.cur_req;
  uint32_t length = clt_server32(c.main, request + offsetof(clt_req_header, total));
  c.com->reply_capacity = c.com->reply_len;
  return clt_shm_exchange(request, &length, c.ctx->runtime.com.reply_cur, &c.com->reply_capacity, area);
}

// The end of every request: both current pointers cleared, the area's
// mode byte blank.
void clear_current(const connection& c, rdb_sql_area* area) {
  c.ctx->runtime.cur_req = nullptr;
  c.ctx->runtime.com.reply_cur = nullptr;
  area->mode = kBlank;
}

const char* code_set_name(const char* code) {
  for (const code_name& n : kCodeSetNames) {
    if (memcmp(n.code, code, 2) == 0) return n.name;
  }
  return kCodeSetUnknown;
}

// The DISCONNECT of a connection that CONNECT refuses, under its own
// function and request code.
void disconnect_refused(const connection& c, rdb_sql_area* area) {
  c.main->funccode = CLT_FC_DISC;
  memcpy(area->reqcode, kCodeDisconnect, kCodeSize);
  clt_runtime(clt_runtime_op::exec_disconnect, area);
  c.main->funccode = CLT_FC_CNCT;
  memcpy(area->reqcode, kCodeConnect, kCodeSize);
}

// The server's code set against the conversion mode; AUTO takes the mode
// of the server's code set. -1 on a mismatch, after DISCONNECT.
int32_t check_code_set(const connection& c, rdb_sql_area* area, const char* server_code) {
  uint8_t mode = c.env->pdcltcnvmode;
  if (clt_cnv_ucs2_mode(mode)) {
    const code_name& need = kUcs2Modes[mode - CLT_CNV_UCS2_UTF8];
    if (memcmp(server_code, need.code, 2) != 0) {
      disconnect_refused(c, area);
      return clt_report(area, kModule, __LINE__, CLT_SQL_CODE_SET, CLT_SQLSTATE_DEFAULT, CLT_MSG_CODE_SET,
                        code_set_name(server_code), need.name);
    }
    return 0;
  }
  if (mode != CLT_CNV_AUTO) return 0;
  const char* client = c.env->rdcltcode;
  const bool client_sjis = (client[0] == '\0' && client[1] == '\0') || memcmp(client, kClientSjis, 2) == 0;
  uint8_t resolved = CLT_CNV_NOUSE;
  for (const auto_mode& m : kAutoModes) {
    if (client_sjis && memcmp(server_code, m.code, 2) == 0) resolved = m.mode;
  }
  c.env->pdcltcnvmode = resolved;
  return 0;
}

// The conversion slots for the mode that CONNECT settled, the server's
// national space in the client's code, and the external-character library.
void set_up_conversion(const connection& c, const uint8_t* space) {
  const uint8_t mode = c.env->pdcltcnvmode;
  clt_cnv_setup(c.env, mode);
  c.ctx->msgconv = clt_cnv_ucs2_mode(mode) ? kYes : 0;
  memcpy(c.main->national_space, space, sizeof c.main->national_space);
  if (std::find(std::begin(kSpaceKept), std::end(kSpaceKept), mode) == std::end(kSpaceKept)) {
    int32_t length = sizeof c.main->national_space;
    int32_t room = sizeof c.main->national_space;
    int32_t out = 0;
    uint32_t replaced = 0;
    clt_cnv_convert_env(*c.env, CLT_CNV_SLOT_SERVER, &length, reinterpret_cast<const char*>(space), &room,
                        reinterpret_cast<char*>(c.main->national_space), &out, &replaced, CLT_CNV_STORE);
  }
  clt_cnv_load_user(c.env);
}

// The directory of a CONNECT or DISCONNECT reply: total length, status
// and SQLCA parts given, the status part of `status_size` bytes within
// what arrived. *limit receives the bytes of the reply that may be read.
int32_t check_directory(const connection& c, rdb_sql_area* area, uint32_t received, uint32_t status_size,
                        uint32_t* limit) {
  const uint8_t* reply = c.ctx->runtime.com.reply_cur;
  if (reply == nullptr || received < kBodyDirectory) return report_reply(c, area, __LINE__);
  const uint32_t total = clt_server32(c.main, reply + kBodyTotal);
  const uint32_t status = clt_server32(c.main, reply + kBodyStatus);
  const uint32_t sqlca_at = clt_server32(c.main, reply + kBodySqlca);
  if (total == 0 || status == 0 || sqlca_at == 0) return report_reply(c, area, __LINE__);
  // Parts that would lie outside what arrived are refused, never read.
  *limit = std::min(total, received);
  if (status > *limit || *limit - status < status_size) return report_reply(c, area, __LINE__);
  return 0;
}

// The status part's SQLSTATE and result byte into the area, the SQLCA
// part into the caller's.
int32_t take_status(const connection& c, rdb_sql_area* area, uint32_t limit) {
  const uint8_t* reply = c.ctx->runtime.com.reply_cur;
  const uint8_t* status = reply + clt_server32(c.main, reply + kBodyStatus);
  memcpy(area->sqlstate, status, kSqlstateSize);
  area->result = status[kStatusResult];
  if (clt_reply_complete(area->sqlca, reply, limit) != 0) return report_reply(c, area, __LINE__);
  return 0;
}

// The type list of the CONNECT reply: an i16 count and 80-byte entries.
// The count and each entry's u16 at 0, 32 and 64 (the two name lengths
// and the pad length) are kept in client order; the pad bytes after
// them as received. -1 after -729, when the connection is left again.
int32_t keep_type_list(const connection& c, rdb_sql_area* area, uint32_t limit, uint64_t at) {
  constexpr uint32_t kEntry = 80;
  constexpr uint32_t kSwapped[] = {0, 32, 64};
  const uint8_t* reply = c.ctx->runtime.com.reply_cur;
  if (at + sizeof(uint16_t) > limit) return report_reply(c, area, __LINE__);
  const uint16_t count = server16(c.main, reply + at);
  const uint32_t size = kEntry * count + sizeof count;
  if (at + size > limit) return report_reply(c, area, __LINE__);
  clt_reply_conn* kept = clt_main_reply(c.main);
  if (kept->type_list != nullptr) cltmem_free(kept->type_list, kModule, __LINE__);
  kept->type_list = static_cast<uint8_t*>(cltmem_alloc(size, 0, kModule, __LINE__));
  if (kept->type_list == nullptr) {
    disconnect_refused(c, area);
    return clt_report(area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                      CLT_MEMORY_AREA_PROCESS, size);
  }
  memcpy(kept->type_list, reply + at, size);
  memcpy(kept->type_list, &count, sizeof count);
  for (uint32_t e = 0; e < count; ++e) {
    uint8_t* entry = kept->type_list + sizeof count + kEntry * e;
    for (uint32_t field : kSwapped) {
      const uint16_t v = server16(c.main, entry + field);
      memcpy(entry + field, &v, sizeof v);
    }
  }
  return 0;
}

// Steps 10 to 22 of one attempt: what the CONNECT reply says.
//
// The server's SQLCA part has the compact form of the reply analysis
// (message by offset, warning bits); a refusing server's SQLCA is taken
// from it by the same analysis, not copied as an SQLCA image.
int32_t take_reply(const connection& c, rdb_sql_area* area, uint32_t received) {
  uint32_t limit = 0;
  if (check_directory(c, area, received, kStatusSize, &limit) != 0) return -1;
  const uint8_t* reply = c.ctx->runtime.com.reply_cur;
  c.main->connected = 1;
  if (take_status(c, area, limit) != 0) return -1;
  if (area->sqlca->SQLCODE < 0) {
    if (area->sqlca->SQLCODE != kSqlNoVersion) {
      const uint8_t* status = reply + clt_server32(c.main, reply + kBodyStatus);
      memcpy(area->srvversion, status + kStatusVersion, sizeof area->srvversion);
      c.main->srv_attr = status[kStatusAttr];
    }
    return 0;
  }

  const uint32_t info_at = clt_server32(c.main, reply + kBodyCnctInfo);
  if (info_at == 0 || info_at > limit || limit - info_at < kCnctRead) return report_reply(c, area, __LINE__);
  const uint8_t* info = reply + info_at;
  memcpy(c.main->srv_codeset, info + kCnctCodeSet, sizeof c.main->srv_codeset);
  memcpy(c.main->srv_version, info + kCnctVersion, sizeof c.main->srv_version);
  memcpy(area->srvversion, info + kCnctVersion, sizeof area->srvversion);
  c.main->srv_attr = info[kCnctAttr];
  c.main->srv_level = static_cast<int32_t>(clt_server32(c.main, info + kCnctLevel));
  if (level_at_least(c.main, kLevelFeature)) c.com->features |= kFeatureLevel8;
  if (level_at_least(c.main, kLevelExtErrlog) && c.env->pduapexerloguse == '\0' && info[kCnctExtErrlog] == kYes &&
      c.env->uaperlog_given != kYes) {
    c.env->pduaperlog = kExtErrlogSize;
  }
  // The DISCONNECT of a refused code set sizes its reply with this.
  const bool second = c.env->pdsrvtype == kSrvTypeSecond;
  c.main->disc_area_size = 0;
  if (!second && level_at_least(c.main, kLevelDiscArea)) {
    if (limit - info_at < kCnctDiscArea + sizeof(uint32_t)) return report_reply(c, area, __LINE__);
    c.main->disc_area_size = clt_server32(c.main, info + kCnctDiscArea);
  }
  if (level_at_least(c.main, kLevelTypeList)) {
    if (limit - info_at < kCnctTypeList + sizeof(uint32_t)) return report_reply(c, area, __LINE__);
    const uint32_t list = clt_server32(c.main, info + kCnctTypeList);
    if (list != 0 && keep_type_list(c, area, limit, uint64_t{info_at} + list) != 0) return -1;
  }
  if (check_code_set(c, area, reinterpret_cast<const char*>(info + kCnctCodeSet)) != 0) return -1;
  // The server's answer to PDSTANDARDSQLSTATE; an older server leaves it 0.
  if (level_at_least(c.main, kLevelStdSqlstate)) {
    if (limit - info_at <= kCnctStdSqlstate) return report_reply(c, area, __LINE__);
    c.main->std_sqlstate = info[kCnctStdSqlstate];
  }
  set_up_conversion(c, info + kCnctSpace);
  if (!second) c.main->srv_pid = clt_server32(c.main, info + kCnctPid);
  const bool direct_off = c.env->opt_p == kYes || c.env->pdipc == kYes || second;
  if (!direct_off && memcmp(c.main->srv_version, kDirectFrom, kDirectCompare) >= 0) c.rpc->direct = kYes;
  return 0;
}

// Steps 2 to 22 of one attempt.
int32_t attempt(const connection& c, rdb_sql_area* area) {
  if (c.main->session_open == 0 && clt_open_link(area) != 0) return -1;
  clt_shm_connect_begin(c.env->pdipc == kYes);
  if (prepare(c, area) != 0) return -1;
  // The request leaves the DCSERVICE element out on connections of kind 1 and 3.
  clt_main_req(c.main)->conn_attr = static_cast<uint16_t>(c.main->kind);
  if (clt_req_connect() != 0) return -1;
  if (exchange(c, area) != 0) return -1;
  if (take_reply(c, area, c.com->reply_capacity) != 0) return -1;
  return clt_shm_connect_end(area);
}

// The end of every executor, on every path: the function code back,
// the session closed after a failure.
void finish(const connection& c, rdb_sql_area* area, int32_t saved_func, int32_t rc) {
  c.main->funccode = saved_func;
  const int32_t sqlcode = area->sqlca->SQLCODE;
  if (sqlcode < 0 && c.main->session_open != 0) {
    clt_close_link(area);
    c.main->session_open = 0;
    c.main->connected = 0;
  }
  if (c.env->pdipc == kYes && (sqlcode < 0 || c.com->shm_channel != 1)) {
    if (clt_link_svc.shm_close_peer != nullptr) clt_link_svc.shm_close_peer();
    if (clt_link_svc.shm_close_own != nullptr) clt_link_svc.shm_close_own();
  }
  if (sqlcode >= 0 && rc == 0) {
    c.ctx->connected_before = 1;
    clt_rcnct_note_server(c.env->pdservicegrp, c.main->cnct_number, c.main->srv_pid);
  }
  clear_current(c, area);
}

bool next_host_code(int32_t sqlcode) {
  return std::find(std::begin(kSqlNextHost), std::end(kSqlNextHost), sqlcode) != std::end(kSqlNextHost);
}

// A setting text cut to its field, always ended.
template <size_t N>
void set_text(char (&field)[N], const char* text) {
  const size_t length = strnlen(text, N - 1);
  memcpy(field, text, length);
  field[length] = '\0';
}

void set_service_port(clt_env* env, int32_t port) {
  if (port == 0) {
    env->pdserviceport[0] = '\0';
  } else {
    snprintf(env->pdserviceport, sizeof env->pdserviceport, "%d", static_cast<int>(port));
  }
}

void set_loopback(const connection& c, const char* host) { c.com->loopback = clt_chk_loopback(host) == 0 ? 1 : 0; }

// The rest of a comma-separated list after its first item; null at its end.
const char* next_item(const char* list) {
  const char* comma = strchr(list, ',');
  return comma != nullptr ? comma + 1 : nullptr;
}

// The current front-end host with the port of its name server, which is
// also the current port; the RPC session reads both from this text.
void set_front_end(const connection& c, const char* host, uint16_t port) {
  if (host[0] == '\0') {
    c.env->pdfeshost[0] = '\0';
  } else {
    snprintf(c.env->pdfeshost, sizeof c.env->pdfeshost, "%s:%u", host, static_cast<unsigned>(port));
  }
  c.env->nameport_cur = port;
  set_loopback(c, host);
}

void fresh_front_end(const connection& c) {
  c.env->pdfeshost[0] = '\0';
  c.env->nameport_cur = c.env->pdnameport;
}

// Attempts again at once while the server refuses for too many users
// (up to PDRETRYCOUNT attempts in all) or answered busy (not counted).
int32_t retry(const connection& c, rdb_sql_area* area, int32_t rc, bool first_group_only, bool fresh_host) {
  int32_t attempts = 1;
  for (;;) {
    if (first_group_only && c.com->fes_group_index != 0) return rc;
    const bool busy = c.rpc->busy != 0;
    const bool max_users = area->sqlca->SQLCODE == CLT_SQL_MAX_USERS && attempts < c.env->pdretrycount;
    if (!busy && !max_users) return rc;
    if (busy) {
      ++c.rpc->busy_retries;
      c.rpc->busy = 0;
    } else {
      ++attempts;
    }
    if (fresh_host) fresh_front_end(c);
    clt_reset_sqlca(area->sqlca);
    rc = clt_exec_connect(area);
  }
}

int32_t by_front_end_groups(const connection& c, rdb_sql_area* area, const char* groups) {
  for (const char* item = groups; item != nullptr; item = next_item(item)) {
    char host[sizeof c.env->pdfeshost] = {};
    char group[sizeof c.env->pdservicegrp] = {};
    int32_t port = 0;
    if (clt_env_grp_part(item, host, group, &port) != 0) {
      c.com->fes_group_index = 0;
      return clt_report(area, kModule, __LINE__, CLT_SQL_ENV_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_ENV_ERROR, "PDFESGRP",
                        "INVALID CHAR");
    }
    set_front_end(c, host, c.env->pdnameport);
    set_text(c.env->pdservicegrp, group);
    set_service_port(c.env, port);
    clt_reset_sqlca(area->sqlca);
    if (retry(c, area, clt_exec_connect(area), true, false) == 0) {
      c.com->fes_group_index = 0;
      return 0;
    }
    ++c.com->fes_group_index;
  }
  return -1;
}

int32_t by_front_end_hosts(const connection& c, rdb_sql_area* area, const char* hosts, const char* ports) {
  int32_t remembered = 0;
  const char* port_item = ports;
  for (const char* item = hosts; item != nullptr; item = next_item(item)) {
    char host[sizeof c.env->pdfeshost] = {};
    if (clt_env_host_part(item, host) != 0) host[0] = '\0';
    int32_t port = 0;
    set_front_end(c, host, clt_env_port_part(item, &port) == 0 ? static_cast<uint16_t>(port) : c.env->pdnameport);
    int32_t number = 0;
    if (port_item != nullptr && clt_env_num_part(port_item, &number) == 0) remembered = number;
    set_service_port(c.env, remembered);
    if (port_item != nullptr) port_item = next_item(port_item);

    clt_reset_sqlca(area->sqlca);
    int32_t rc = clt_exec_connect(area);
    if (clt_connect_retry_wait(area, area->sqlca, 0) != kWaitNone) return 0;
    if (retry(c, area, rc, false, false) == 0) return 0;
    if (!next_host_code(area->sqlca->SQLCODE)) return -1;
  }
  return -1;
}

int32_t by_host_list(const connection& c, rdb_sql_area* area, const char* hosts, const char* ports) {
  int32_t first_port = 0;
  const char* port_item = ports;
  for (const char* item = hosts; item != nullptr; item = next_item(item)) {
    char host[sizeof c.env->pdhost] = {};
    if (clt_env_list_head(item, host) != 0) host[0] = '\0';
    set_text(c.env->pdhost, host);
    set_loopback(c, host);
    fresh_front_end(c);
    int32_t number = 0;
    const bool numbered = port_item != nullptr && clt_env_num_part(port_item, &number) == 0;
    if (item == hosts) first_port = numbered ? number : 0;
    set_service_port(c.env, numbered ? number : first_port);
    if (port_item != nullptr) port_item = next_item(port_item);

    int32_t rc = clt_exec_connect(area);
    const int32_t waited = clt_connect_retry_wait(area, area->sqlca, 1);
    if (waited == kWaitConnected) return 0;
    rc = waited == kWaitNone ? retry(c, area, rc, false, true) : -1;
    if (rc == 0) return 0;
    if (!next_host_code(area->sqlca->SQLCODE)) return -1;
  }
  return -1;
}

// Steps 1 to 6 of the entry: the current host, front end, service group
// and port as the settings give them now.
void refresh_settings(const connection& c) {
  clt_env* env = c.env;
  set_text(env->pdhost, clt_text(c.main, CLT_TEXT_HOST));
  char value[kEnvValueSize];
  const char* file = env->own_ini_file;
  set_text(env->pdfeshost, clt_getenv_str("PDFESHOST", value, sizeof value, file) > 0 ? value : "");
  set_text(env->pdservicegrp, clt_getenv_str("PDSERVICEGRP", value, sizeof value, file) > 0 ? value : "");
  set_text(env->pdserviceport, clt_getenv_str("PDSERVICEPORT", value, sizeof value, file) > 0 ? value : "");
  env->nameport_cur = env->pdnameport;
  const bool no_port = env->pdserviceport[0] == '\0';
  if ((env->pdfeshost[0] == '\0' || env->pdservicegrp[0] == '\0') && no_port) {
    env->pdfeshost[0] = '\0';
    env->pdservicegrp[0] = '\0';
  } else if (!no_port && env->pdservicegrp[0] == '\0') {
    env->pdfeshost[0] = '\0';
    env->pdserviceport[0] = '\0';
  }
  c.main->byteorder = env->pdsrvtype == kSrvTypeClientOrder ? 1 : 0;
  clt_row_plan_free(clt_main_reply(c.main));
  c.com->protocol = kProtocolReqcode;
  c.com->features = 0;
  clt_main_reply(c.main)->sqlca_mark = ' ';
  c.com->fes_group_index = 0;
  c.rpc->busy_retries = 0;
}

int32_t run_entry(const connection& c, rdb_sql_area* area) {
  refresh_settings(c);
  // Working copies: the attempts rewrite the settings' current fields.
  char hosts[sizeof c.env->pdhost];
  char fes[sizeof c.env->pdfeshost];
  char ports[sizeof c.env->pdserviceport];
  char groups[sizeof c.env->pdfesgrp];
  set_text(hosts, c.env->pdhost);
  set_text(fes, c.env->pdfeshost);
  set_text(ports, c.env->pdserviceport);
  set_text(groups, c.env->pdfesgrp);
  const char* port_list = ports[0] != '\0' ? ports : nullptr;
  if (groups[0] != '\0') return by_front_end_groups(c, area, groups);
  if (fes[0] != '\0') return by_front_end_hosts(c, area, fes, port_list);
  return by_host_list(c, area, hosts, port_list);
}

// The seconds the server asks to wait, bounded by PDCWAITTIME outside
// CONNECT itself.
void refresh_wait_limit(const connection& c) {
  const uint32_t server_wait = c.rpc->retry_wait;
  const uint32_t cwait = static_cast<uint32_t>(c.env->pdcwaittime);
  if (c.main->maint_wait_limit == 0 && server_wait != 0) {
    const bool bounded = cwait != 0 && c.main->funccode != CLT_FC_CNCT;
    c.main->maint_wait_limit = bounded ? std::min(server_wait, cwait) : server_wait;
  } else if (c.main->maint_wait_limit != 0 && c.main->maint_state == kWaitStateRefresh) {
    c.main->maint_wait_limit = server_wait;
  }
}

void end_wait(const connection& c) {
  c.main->maint_state = 0;
  c.main->saved_sqlca_set = 0;
  memset(&c.main->saved_sqlca, 0, sizeof c.main->saved_sqlca);
}

uint32_t now_seconds() {
  clt_timeb now{};
  clt_get_timeb(&now);
  return now.seconds;
}

// Frees the per-statement blocks that the previous reply left.
void free_work_blocks(const connection& c) { clt_reply_free_work(clt_main_reply(c.main)); }

int32_t report_completed(const connection& c, rdb_sql_area* area) {
  clt_msg_token token;
  if (c.env->pdsrvtype == kSrvTypeSecond) {
    clt_set_msg("%s", &token, 0, CLT_MSG_COMPLETED_SECOND);
  } else {
    clt_set_msg(CLT_MSG_COMPLETED, &token, 0);
  }
  clt_reset_sqlca(area->sqlca);
  clt_set_sqlca(area->sqlca, kModule, __LINE__, 0, 0, 0, 0, &token, nullptr);
  clt_set_sqlstate(area, kSqlstateSuccess);
  return 0;
}

// A block of `size` bytes at `pos` of the reply into a new block of the
// connection; -1 after reporting no memory.
int32_t keep_reply_block(const connection& c, rdb_sql_area* area, uint8_t** slot, uint32_t pos, uint32_t size) {
  *slot = static_cast<uint8_t*>(cltmem_alloc(size, 0, kModule, __LINE__));
  if (*slot == nullptr) {
    return clt_report(area, kModule, __LINE__, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                      CLT_MEMORY_AREA_PROCESS, size);
  }
  memcpy(*slot, c.ctx->runtime.com.reply_cur + pos, size);
  return 0;
}

// The DISCONNECT reply's extension part: the trace area, the
// length-prefixed trace block and the error-log text.
int32_t keep_disconnect_blocks(const connection& c, rdb_sql_area* area, uint32_t limit) {
  clt_reply_conn* reply = clt_main_reply(c.main);
  if (reply->disc_trace != nullptr) cltmem_free(reply->disc_trace, kModule, __LINE__);
  reply->disc_trace = nullptr;
  const uint8_t* body = c.ctx->runtime.com.reply_cur;
  if (!level_at_least(c.main, kLevelDiscExt) || limit < kBodyDirectory) return 0;
  const uint32_t ext = clt_server32(c.main, body + kBodyCnctInfo);
  if (ext == 0) return 0;
  // Every block lies within what arrived, or the reply is refused.
  auto block_at = [&](uint32_t field, uint32_t* pos) {
    if (ext > limit || limit - ext < field + sizeof(uint32_t)) return false;
    *pos = clt_server32(c.main, body + ext + field);
    return *pos == 0 || (*pos <= limit - ext && (*pos += ext, true));
  };
  uint32_t pos = 0;
  if (!block_at(kDiscExtTrace, &pos)) return report_reply(c, area, __LINE__);
  const uint32_t size = level_at_least(c.main, kLevelDiscArea) ? c.main->disc_area_size : kDiscTraceArea;
  if (pos != 0 && size != 0) {
    if (limit - pos < size) return report_reply(c, area, __LINE__);
    if (keep_reply_block(c, area, &reply->disc_trace, pos, size) != 0) return -1;
  }
  if (level_at_least(c.main, kLevelDiscSqltrc)) {
    if (!block_at(kDiscExtSqltrc, &pos)) return report_reply(c, area, __LINE__);
    if (pos != 0) {
      if (limit - pos < sizeof(uint32_t)) return report_reply(c, area, __LINE__);
      const uint32_t length = clt_server32(c.main, body + pos);
      if (limit - pos - sizeof(uint32_t) < length) return report_reply(c, area, __LINE__);
      if (reply->sqltrc != nullptr) cltmem_free(reply->sqltrc, kModule, __LINE__);
      reply->sqltrc = nullptr;
      if (keep_reply_block(c, area, &reply->sqltrc, pos, length + sizeof(uint32_t)) != 0) return -1;
    }
  }
  if (level_at_least(c.main, kLevelDiscErrlog)) {
    if (!block_at(kDiscExtErrlog, &pos)) return report_reply(c, area, __LINE__);
    if (pos != 0 && clt_reply_keep_errlog(reply, body + pos, limit - pos) != 0) return report_reply(c, area, __LINE__);
  }
  return 0;
}

// The DISCONNECT exchange: the reply must name its status and SQLCA parts.
int32_t disconnect_exchange(const connection& c, rdb_sql_area* area) {
  if (prepare(c, area) != 0) return -1;
  if (clt_req_control() != 0) return -1;
  if (exchange(c, area) != 0) return -1;
  uint32_t limit = 0;
  if (check_directory(c, area, c.com->reply_capacity, kStatusResult + 1, &limit) != 0) return -1;
  if (take_status(c, area, limit) != 0) return -1;
  return keep_disconnect_blocks(c, area, limit);
}

void progress_start(const connection& c, progress_bits bits) {
  c.rpc->progress[0] = (c.rpc->progress[0] & ~bits.ended) | bits.started;
}

// The end of the general and CLOSE executors on every path: a cancelled
// request leaves the connection for DISCONNECT to end without a word.
int32_t finish_statement(const connection& c, rdb_sql_area* area, progress_bits bits, int32_t rc) {
  if (area->sqlca->SQLCODE == CLT_SQL_FES_CANCELED) c.ctx->runtime.cancelled = 1;
  clear_current(c, area);
  c.rpc->progress[0] |= bits.ended;
  return rc;
}

}  // namespace

int32_t clt_exec_runtime(clt_runtime_op which, rdb_sql_area* area) {
  switch (which) {
    case clt_runtime_op::loc_find: return clt_loc_find(area);
    case clt_runtime_op::loc_free_ext: return clt_loc_free_ext(area);
    case clt_runtime_op::loc_add: return clt_loc_add(area);
    case clt_runtime_op::loc_bind_cursor: return clt_loc_bind_cursor(area);
    case clt_runtime_op::loc_store_vars: return clt_loc_store_vars(area);
    case clt_runtime_op::loc_release: return clt_loc_release(area);
    case clt_runtime_op::loc_free_unheld: return clt_loc_free_unheld(area);
    case clt_runtime_op::loc_free_closed: return clt_loc_free_closed(area);
    case clt_runtime_op::loc_free_same_name: return clt_loc_free_same_name(clt_loc_current());
    case clt_runtime_op::loc_free_all: return clt_loc_free_all(area);
    case clt_runtime_op::blkf_free_all: return clt_blkf_free_every(area);
    case clt_runtime_op::blkf_free_unheld: return clt_blkf_free_unheld(area);
    case clt_runtime_op::blkf_find: return clt_blkf_find(area);
    case clt_runtime_op::blkf_release: return clt_blkf_release(area);
    case clt_runtime_op::close_cleanup: return clt_close_cleanup(area);
    case clt_runtime_op::connect_entry: return clt_exec_connect_entry(area);
    case clt_runtime_op::exec_disconnect: return clt_exec_disconnect(area);
    case clt_runtime_op::exec_transact: return clt_exec_transact(area);
    case clt_runtime_op::exec_general: return clt_exec_general(area);
    case clt_runtime_op::exec_close: return clt_exec_close(area);
    case clt_runtime_op::exec_array: return clt_exec_array(area);
    case clt_runtime_op::exec_fetch: return clt_exec_fetch(area);
    // Executors built elsewhere; until then a request for one fails as a
    // client error.
    default: return report_client(area, __LINE__);
  }
}

int32_t clt_exec_frame(rdb_sql_area* area, clt_exec_builder build, clt_exec_analysis analyse) {
  const connection c = current();
  int32_t rc = prepare(c, area);
  if (rc == 0) rc = build();
  if (rc == 0) rc = exchange(c, area);
  if (rc == 0) rc = analyse(c.ctx->runtime.com.reply_cur, c.com->reply_capacity, area);
  clear_current(c, area);
  return rc == 0 ? 0 : -1;
}

int32_t clt_exec_prepare(rdb_sql_area* area) { return prepare(current(), area); }

int32_t clt_exec_send(rdb_sql_area* area, uint32_t length, const uint8_t** reply, uint32_t* received) {
  const connection c = current();
  c.com->reply_capacity = c.com->reply_len;
  const int32_t rc = clt_shm_exchange(c.ctx->runtime.cur_req, &length, c.ctx->runtime.com.reply_cur,
                                      &c.com->reply_capacity, area);
  *reply = c.ctx->runtime.com.reply_cur;
  *received = c.com->reply_capacity;
  return rc;
}

void clt_exec_clear(rdb_sql_area* area) { clear_current(current(), area); }

int32_t clt_exec_disconnect(rdb_sql_area* area) {
  const connection c = current();
  const char saved_direct = c.rpc->direct;
  // DISCONNECT always goes by RPC.
  c.rpc->direct = 0;
  clt_blkf_free_every(area);
  clt_loc_free_all(area);
  free_work_blocks(c);
  int32_t rc = 0;
  // The control block's flag, not the context's byte: that one is set
  // only when CONNECT ends, and a CONNECT that refuses the server's code
  // set still takes its leave of the server.
  if (c.ctx->runtime.cancelled != 0 || c.main->connected == 0 || c.main->session_open == 0) {
    report_completed(c, area);
  } else {
    rc = disconnect_exchange(c, area);
  }
  if (rc == 0) {
    c.rpc->direct = saved_direct;
    c.main->connected = 0;
    c.ctx->connected_before = 0;
    c.ctx->runtime.cancelled = 0;
  }
  // The connection ends whatever the server answered: a link left open
  // would outlive the control block.
  if (c.main->session_open != 0) clt_close_link(area);
  clear_current(c, area);
  c.ctx->msgconv = 0;
  clt_cnv_release_user(c.env);
  return rc;
}

int32_t clt_exec_transact(rdb_sql_area* area) {
  const connection c = current();
  // COMMIT keeps the blocks of held cursors; the other transaction
  // requests end every cursor.
  if (c.main->funccode == CLT_FC_CMIT) {
    if (clt_blkf_configured(c.main, c.env)) clt_blkf_free_unheld(area);
  } else {
    clt_blkf_free_every(area);
  }
  free_work_blocks(c);
  clt_main_reply(c.main)->sqlca_mark = ' ';
  return clt_exec_frame(area, clt_req_control, clt_reply_analyse);
}

namespace {

constexpr int32_t kBlockUpkeepCodes[] = {CLT_FC_AUI2, CLT_FC_AUX,  CLT_FC_AUXI,
                                         CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_AUI3};
constexpr int32_t kListUpkeepCodes[] = {CLT_FC_FETC, CLT_FC_AUI2, CLT_FC_AUX,  CLT_FC_AUXI,
                                        CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_AUI3};

template <size_t N>
bool one_of(const int32_t (&codes)[N], int32_t fc) {
  return std::find(std::begin(codes), std::end(codes), fc) != std::end(codes);
}

// The statements after whose replies the server may ask for the
// block-fetch buffers and the statement-list entries to go: its flags
// say what a COMMIT or a ROLLBACK would have released.
int32_t analyse_with_upkeep(const uint8_t* body, uint32_t received, rdb_sql_area* area) {
  if (clt_reply_analyse(body, received, area) != 0) return -1;
  clt_main* main = clt_cur_main();
  const clt_env* env = clt_main_env(main);
  uint8_t flags = 0;
  if (!clt_reply_status(body, received, CLT_STATUS_FLAGS, &flags)) return 0;
  if (main->blkf_list != nullptr && clt_blkf_configured(main, env) && level_at_least(main, kLevelBlockUpkeep) &&
      one_of(kBlockUpkeepCodes, main->funccode)) {
    if ((flags & CLT_STATUS_FREE_UNHELD) != 0) {
      if (clt_blkf_free_unheld(area) != 0) return -1;
    } else if ((flags & CLT_STATUS_FREE_ALL) != 0 && clt_blkf_free_every(area) != 0) {
      return -1;
    }
  }
  if (main->loc_list != nullptr && clt_cursor_list_kept(main, env) && one_of(kListUpkeepCodes, main->funccode)) {
    if ((flags & CLT_STATUS_FREE_UNHELD) != 0) return clt_loc_free_closed(area);
    if ((flags & CLT_STATUS_FREE_ALL) != 0) return clt_loc_free_unheld(area);
  }
  return 0;
}

}  // namespace

int32_t clt_exec_general(rdb_sql_area* area) {
  const connection c = current();
  progress_start(c, kProgressGeneral);
  // Only the length-prefixed trace block: the others stay for the
  // statements that follow.
  clt_reply_conn* reply = clt_main_reply(c.main);
  if (reply->sqltrc != nullptr) cltmem_free(reply->sqltrc, kModule, __LINE__);
  reply->sqltrc = nullptr;
  const int32_t rc = clt_exec_frame(area, clt_req_statement, analyse_with_upkeep);
  return finish_statement(c, area, kProgressGeneral, rc);
}

int32_t clt_exec_close(rdb_sql_area* area) {
  const connection c = current();
  progress_start(c, kProgressClose);
  if (clt_blkf_configured(c.main, c.env)) clt_blkf_release(area);
  free_work_blocks(c);
  const int32_t rc = clt_exec_frame(area, clt_req_statement, clt_reply_analyse);
  return finish_statement(c, area, kProgressClose, rc);
}

namespace {

constexpr int32_t kSqlNoRowsEnd = 110;
// What a block's reply needs in the channel's reply section beyond the block.
constexpr uint32_t kBlockReplyMargin = 256;
constexpr uint32_t kBodyExt = 28;
// Extension words that a replayed analysis of a kept block must not take
// again, and the server levels from which each is there.
constexpr uint32_t kExtTraceBlock = 4;
constexpr uint32_t kExtApinf = 8;
constexpr uint32_t kExtSqltrc = 20;
constexpr uint32_t kExtSqltrcCtl = 32;
constexpr uint32_t kLevelExtWords = 13;
constexpr uint32_t kLevelSqltrcCtl = 20;

// Whether the FETCH is served from the cursor's kept block: rows are
// left, or the block ended the rows (100, 110 once used up) or with an
// error.
bool served_from_block(const clt_blkf_entry* e) {
  const bool rows_left = e->next_row >= 1 && e->next_row < e->rows;
  const bool used_up = e->next_row >= e->rows;
  return rows_left || (used_up && e->block_sqlcode == kSqlNoRowsEnd) || e->block_sqlcode == CLT_SQL_NO_ROWS ||
         e->block_sqlcode < 0;
}

int32_t no_memory(rdb_sql_area* area, int32_t line, uint32_t size) {
  return clt_report(area, kModule, line, CLT_SQL_NO_MEMORY, CLT_SQLSTATE_DEFAULT, CLT_MSG_NO_MEMORY,
                    CLT_MEMORY_AREA_PROCESS, size);
}

// A new block: the request, its reply straight into the entry's buffer,
// the analysis that delivers the block's first row.
int32_t fetch_block(const connection& c, rdb_sql_area* area, clt_blkf_entry* e) {
  if (clt_exec_svc.bind_input == nullptr) return report_client(area, __LINE__);
  if (clt_exec_svc.bind_input(area) != 0) return -1;
  clt_global_runtime& rt = c.ctx->runtime;
  rt.cur_req = rt.req_buf;
  if (rt.cur_req == nullptr) return no_memory(area, __LINE__, c.com->req_buf_size);
  if (e->block == nullptr) return no_memory(area, __LINE__, e->reply_buf_size);
  uint8_t* channel_reply = nullptr;
  clt_shm_place(c.com->req_len, e->reply_buf_size + kBlockReplyMargin, &rt.cur_req, &channel_reply);
  if (clt_req_statement() != 0) return -1;
  const clt_reply_conn* reply = clt_main_reply(c.main);
  // Nothing of the block before carries over: a block the analysis
  // refuses leaves no rows to serve.
  clt_row_plan_forget(c.main, e);
  e->next_row = 0;
  e->rows = 0;
  e->block_sqlcode = 0;
  e->block_counter = 0;
  e->row_record = nullptr;
  e->sqlda_form = reply->descriptor_form == 1 ? 0 : 1;
  e->sqlca_mark = reply->sqlca_mark;
  uint32_t length = clt_server32(c.main, rt.cur_req + offsetof(clt_req_header, total));
  clt_com_call& call = rt.com;
  call.reply_cur = channel_reply != nullptr ? channel_reply : e->block;
  c.com->reply_capacity = e->reply_buf_size;
  if (clt_shm_exchange(rt.cur_req, &length, call.reply_cur, &c.com->reply_capacity, area) != 0) return -1;
  if (channel_reply != nullptr) {
    // The block stays with the cursor: out of the section into its buffer.
    if (c.com->reply_capacity > e->reply_buf_size) {
      auto* larger = static_cast<uint8_t*>(cltmem_alloc(c.com->reply_capacity, 0, kModule, __LINE__));
      if (larger == nullptr) return no_memory(area, __LINE__, c.com->reply_capacity);
      cltmem_free(e->block, kModule, __LINE__);
      e->block = larger;
      e->reply_buf_size = c.com->reply_capacity;
    }
    memcpy(e->block, channel_reply, c.com->reply_capacity);
    call.reply_cur = e->block;
  } else if (call.reply_cur != e->block && call.reply_cur != nullptr && call.reply_cur == call.reply_buf) {
    // A reply longer than the entry's buffer came in a larger buffer that
    // replaced the connection's: the entry takes that one over.
    cltmem_free(e->block, kModule, __LINE__);
    e->block = call.reply_buf;
    e->reply_buf_size = c.com->reply_buf_size;
    call.reply_buf = nullptr;
    c.com->reply_buf_size = 0;
  }
  return clt_reply_analyse(e->block, c.com->reply_capacity, area);
}

// The next row of the kept block. A row with a completion report of its
// own takes only what changes from row to row; the block's last row, and
// every row under the statement list, which follows each reply, the
// analysis again, without the extension data it took with the first row.
int32_t serve_block(const connection& c, rdb_sql_area* area, clt_blkf_entry* e) {
  clt_main_reply(c.main)->desc_changed = 0;
  if (e->block == nullptr) return no_memory(area, __LINE__, e->reply_buf_size);
  c.ctx->runtime.com.reply_cur = e->block;
  const uint32_t total = std::min(clt_server32(c.main, e->block + kBodyTotal), e->reply_buf_size);
  const bool reported_row = e->next_row + 1 < e->rows && e->block_sqlcode >= 0;
  if (reported_row && !clt_cursor_list_kept(c.main, c.env)) {
    if (clt_row_plan_serve(c.main, area, e, total)) return 0;
    clt_reply_route route{};
    const int32_t rc = clt_reply_analyse_row(e->block, total, area, e->block_sqlcode, &route);
    // The shipped converter of column arrays settled what the block's
    // later rows can take by plan.
    if (rc == 0 && route == clt_reply_route::block && clt_reply_svc.convert == clt_col_convert) {
      clt_row_plan_keep(c.main, area, e, total);
    }
    if (rc != CLT_REPLY_ROW_FULL) return rc;
  }
  const uint32_t ext = total >= kBodyDirectory ? clt_server32(c.main, e->block + kBodyExt) : 0;
  if (level_at_least(c.main, kLevelExtWords) && ext != 0) {
    const bool cursor_list = clt_cursor_list_kept(c.main, c.env);
    const struct {
      uint32_t at;
      bool cleared;
    } words[] = {{kExtTraceBlock, true},
                 {kExtSqltrcCtl, level_at_least(c.main, kLevelSqltrcCtl)},
                 {kExtSqltrc, cursor_list},
                 {kExtApinf, cursor_list}};
    for (const auto& w : words) {
      if (w.cleared && ext <= total && total - ext >= w.at + sizeof(uint32_t)) {
        memset(e->block + ext + w.at, 0, sizeof(uint32_t));
      }
    }
  }
  return clt_reply_analyse(e->block, total, area);
}

}  // namespace

int32_t clt_exec_fetch(rdb_sql_area* area) {
  const connection c = current();
  progress_start(c, kProgressFetch);
  int32_t rc = clt_blkf_find(area);
  if (rc == 0 && c.main->blkf_current == nullptr) rc = clt_blkf_add(area);
  auto* e = static_cast<clt_blkf_entry*>(c.main->blkf_current);
  if (rc == 0 && e == nullptr) rc = no_memory(area, __LINE__, static_cast<uint32_t>(sizeof(clt_blkf_entry)));
  if (rc == 0) rc = served_from_block(e) ? serve_block(c, area, e) : fetch_block(c, area, e);
  // With the statement list the server has closed a cursor whose rows
  // ended: its block goes with it, and the CLOSE completes here.
  if (rc == 0 && c.main->blkf_current != nullptr && clt_cursor_list_kept(c.main, c.env) &&
      area->sqlca->SQLCODE == CLT_SQL_NO_ROWS) {
    rc = clt_blkf_release(area);
  }
  return finish_statement(c, area, kProgressFetch, rc == 0 ? 0 : -1);
}

int32_t clt_exec_connect(rdb_sql_area* area) {
  const connection c = current();
  // The kept rows' plans took the connection's settings of the last CONNECT.
  clt_row_plan_free(clt_main_reply(c.main));
  const int32_t saved_func = c.main->funccode;
  c.main->funccode = CLT_FC_CNCT;
  if (c.main->kind == CLT_KIND_ODBC) {
    c.main->trn_mode = kTrnModeOdbc;
  } else if (area->mode == kYes) {
    c.main->trn_mode = kTrnModeArea;
  }
  const int32_t rc = attempt(c, area) == 0 ? 0 : -1;
  finish(c, area, saved_func, rc);
  return rc;
}

int32_t clt_exec_connect_entry(rdb_sql_area* area) {
  const connection c = current();
  if (run_entry(c, area) != 0) return -1;
  for (clt_audit_item& item : c.ctx->audit) {
    if (item.length != CLT_AUDIT_NULL_LENGTH) item.set = kRequestMark;
  }
  if (c.ctx->audit_long.length != CLT_AUDIT_NULL_LENGTH) c.ctx->audit_long.set = kRequestMark;
  return 0;
}

int32_t clt_connect_retry_wait(rdb_sql_area* area, SQLCA* sqlca, int32_t mode) {
  const connection c = current();
  if (sqlca->SQLCODE == CLT_SQL_MAX_USERS) refresh_wait_limit(c);
  const uint32_t limit = c.main->maint_wait_limit;
  if (sqlca->SQLCODE != CLT_SQL_MAX_USERS || limit == 0 || c.main->trn_mode == kTrnModeArea ||
      c.main->trn_mode == kTrnModeNoWait || c.env->pdhatrnqueuing == 'N') {
    return kWaitNone;
  }
  if (c.main->rcnct_start == 0) c.main->rcnct_start = now_seconds();
  clt_main_req(c.main)->connect_reason = kReasonMaxUsers;
  c.main->maint_state = kWaitStateRunning;
  char inf[kInfSize];
  snprintf(inf, sizeof inf, "MAX_USERS_OVER,time=%d", static_cast<int>(limit));
  clt_errlog_msg(kLogClientInfo, "Reconnect", inf);
  for (;;) {
    if (now_seconds() - c.main->rcnct_start >= limit) {
      if (limit != static_cast<uint32_t>(c.env->pdcwaittime)) return kWaitFailed;
      clt_report(area, kModule, __LINE__, CLT_SQL_TIME_OVER, CLT_SQLSTATE_DEFAULT, "%s", CLT_MSG_TIME_OVER);
      end_wait(c);
      return kWaitFailed;
    }
    if (mode == 1) fresh_front_end(c);
    const int32_t rc = clt_exec_connect(area);
    if (rc == 0 && sqlca->SQLCODE == 0) {
      end_wait(c);
      return kWaitConnected;
    }
    if (sqlca->SQLCODE != CLT_SQL_MAX_USERS) return kWaitFailed;
    clt_sleep_ms(kWaitOneSecond);
  }
}

int32_t clt_rebuild_connect(uint8_t* request, uint32_t* length) {
  clt_global_data* ctx = clt_cur();
  if (ctx == nullptr || ctx->main == nullptr) return -1;
  uint8_t* saved = ctx->runtime.cur_req;
  ctx->runtime.cur_req = request;
  const int32_t rc = clt_req_connect();
  if (rc == 0) *length = clt_server32(ctx->main, request + offsetof(clt_req_header, total));
  ctx->runtime.cur_req = saved;
  return rc;
}
