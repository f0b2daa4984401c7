#include "CLTRPCSS.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "zk_bytes.h"
#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTENV.h"
#include "CLTFRAME.h"
#include "zk_loghook.h"
#include "CLTMEM.h"
#include "zk_codes.h"
#include "zk_seam.h"
#include "CLTTACT.h"
#include "CLTTRCDT.h"
#include "CLTUTL.h"
#include "CLTUTLEV.h"

clt_rpc_name_services clt_rpc_nam_svc{};

namespace {

// Without a name service a lookup fails as an unexpected answer would.
int32_t name_open(int32_t flags) {
  return clt_rpc_nam_svc.open != nullptr ? clt_rpc_nam_svc.open(flags) : NAM_E_UNEXPECTED;
}

void name_close(int32_t flags) {
  if (clt_rpc_nam_svc.close != nullptr) clt_rpc_nam_svc.close(flags);
}

int32_t name_lookup(const char* service, const char* group, nam_address* addr, uint8_t* info, int32_t flags) {
  if (clt_rpc_nam_svc.lookup == nullptr) return NAM_E_UNEXPECTED;
  return clt_rpc_nam_svc.lookup(service, group, addr, info, flags);
}

int32_t name_indirect_lookup(const char* name, const char* group, const char* service, void* reserved,
                             nam_address* addr, uint8_t* info, void* reserved2) {
  if (clt_rpc_nam_svc.indirect_lookup == nullptr) return NAM_E_UNEXPECTED;
  return clt_rpc_nam_svc.indirect_lookup(name, group, service, reserved, addr, info, reserved2);
}

constexpr const char* kModule = "CLTRPCSS";
constexpr const char* kMsgParam = "KFPZ02404-E Parameter error, func=%s, item=%s\n";
constexpr const char* kMsgInvalid = "KFPZ02411-E Invalid message received, IPaddr=%lx, port=%u, inf=%s:%d\n";
constexpr const char* kMsgInfo = "KFPZ03000-I Error information, type=%s, inf=%s\n";

constexpr char kSessEye[8] = "##vrpcx";
constexpr char kBsessEye[8] = "##vrpcb";
constexpr char kSqlPrefix[] = "p_f_sqa";
constexpr char kConnectFunction[] = "p_f_sqa_cconnect";
constexpr char kSqlService[] = "_pdscd";
constexpr char kServerMark[] = "Marlo70";

constexpr uint32_t kFrameMax = CLT_FRAME_BODY_MAX;
constexpr int32_t kMsgKindError = 8;
constexpr uint32_t kShortMark = 0x40300;
constexpr uint32_t kAddrFamilyField = 0x1000000;
constexpr uint16_t kFamily4096 = 4096;
constexpr uint16_t kFamilyShm = 8;
constexpr uint16_t kNoLookupPort = 0xFFFF;
constexpr int32_t kConnectWaitDefault = 300;
constexpr int32_t kMillisPerSecond = 1000;
constexpr int32_t kBusyLogCode = -356;
constexpr int32_t kRecvWaitMax = 65535;

// Message header fields.
constexpr uint32_t kHdrService = 0;
constexpr uint32_t kHdrKind = 4;
constexpr uint32_t kHdrId = 16;
constexpr uint32_t kHdrSegment = 20;
constexpr uint32_t kHdrOffset = 24;
constexpr uint32_t kHdrTotal = 28;
constexpr uint32_t kHdrLength = 32;
constexpr uint32_t kHdrForm = 36;
constexpr uint32_t kHdrOrder = 40;
constexpr uint32_t kHdrCnct = 48;
constexpr uint32_t kHdrNblock = 56;
constexpr uint32_t kShortOrder = 8;
constexpr uint32_t kShortOne = 12;
constexpr uint8_t kSegmentLast = 0x80;
constexpr uint32_t kSegmentMark = 1;
constexpr uint32_t kRequestKind = 0x10;
constexpr uint32_t kFormNormal = 0x10100;
constexpr uint32_t kOrderRequest = 0x102;
constexpr uint32_t kShortKind = 0x20;

// Routing prefix and call header fields.
constexpr uint32_t kRoutePort = 32;
constexpr uint32_t kRouteKind = 34;
constexpr uint32_t kRouteFound = 38;
constexpr uint32_t kRouteWord = 40;
constexpr uint32_t kRouteOne = 44;
constexpr uint32_t kRouteThree = 45;
constexpr uint32_t kRouteLength = 48;
constexpr uint32_t kRouteWordValue = 112;
constexpr uint32_t kCallWord0 = 0x30039;
constexpr uint32_t kCallWord1 = 0x10100;
constexpr uint32_t kCallName = 8;
constexpr uint32_t kCallCapacity = 44;
constexpr uint32_t kCallFlags = 52;
constexpr uint32_t kCallSeq = 56;
constexpr uint32_t kCallAddr = 60;
constexpr uint32_t kCallExt = 76;
constexpr uint32_t kCallPid = 236;
constexpr uint32_t kCallWatch = 240;
constexpr uint32_t kCallN = 244;
constexpr uint32_t kCall2 = 245;
constexpr uint32_t kCallReqcode = 246;
constexpr uint32_t kCallGrp = 247;
constexpr uint32_t kCallExtPresent = 248;
constexpr uint32_t kExtWord = 0x10100;
constexpr uint32_t kExtWait = 13;
constexpr uint32_t kExtBits = 14;
constexpr uint8_t kExtBitQueuing = 1;
constexpr uint8_t kExtBitLoopback = 2;
constexpr uint8_t kExtBitShm = 4;
constexpr uint16_t kKindConnect = 0x0100;
constexpr uint16_t kKindConnectApp = 0x1000;
constexpr uint16_t kKindConnectNoFes = 0x0110;
constexpr uint8_t kFoundByName = 0;
constexpr uint8_t kFoundFixed = 1;
constexpr uint8_t kFoundFixedType1 = 2;

// Compact call block fields.
constexpr uint32_t kCompactName = 40;
constexpr uint32_t kCompactCapacity = 72;
constexpr uint32_t kCompactFlags = 80;
constexpr uint32_t kCompactSeq = 84;

// Reply header words.
constexpr int kWordService = 0;
constexpr int kWordId = 4;
constexpr int kWordShortMark = 9;
constexpr int kWordShortSeq = 10;
constexpr int kWordShortStatus = 11;
constexpr int kWordShortValue = 12;
constexpr int kWordShortWait = 13;
constexpr int kWordSeq = 24;
constexpr int kWordStatus = 25;
constexpr int kWordValue = 54;
constexpr int kWordWait = 58;
constexpr uint32_t kMarkOffset = 236;
constexpr uint32_t kShmAnswer = 64;
constexpr uint32_t kShmObject = 66;
constexpr uint16_t kShmAccepted = 8;
constexpr int kSavedWords[CLT_REPLY_VALUES] = {24, 54, 10, 4, 1};

// Control-block bits and feature bits.
constexpr uint32_t kCallRunning = 1u << 16;
constexpr uint32_t kCallDone = 1u << 17;
constexpr uint8_t kFeatureOneFrame = 0x02;
constexpr uint8_t kFeatureKeep = 0x04;
constexpr int32_t kRdmReplyOk = 100;

// Module-trace events.
constexpr uint32_t kEvOpen = 0x180001;
constexpr uint32_t kEvClose = 0x180002;
constexpr uint32_t kEvCall = 0x180003;
constexpr uint16_t kPhaseEntry = 1;
constexpr uint16_t kPhaseExit = 2;

// Fields in the client's order: little-endian on the wire.
uint32_t word(const uint8_t* header, int n) { return get_be32(header + 4 * n); }

// A server number: big-endian unless the server uses the client's order.
int32_t server_word(const clt_main* main, const uint8_t* p) {
  return static_cast<int32_t>(main != nullptr && main->byteorder != 0 ? get_le32(p) : get_be32(p));
}

clt_rpc_ctx no_call() { return clt_rpc_ctx{}; }
clt_rpc_locator g_locator = no_call;
// Settings of the running call, refreshed by every clt_rpc_cur.
thread_local clt_rpc_env t_env;

unsigned long addr_of(const sockaddr_in* a) { return a != nullptr ? a->sin_addr.s_addr : 0; }
unsigned port_of(const sockaddr_in* a) { return a != nullptr ? a->sin_port : 0; }

void mdl(uint32_t event, uint16_t phase, const char* name, int32_t result) {
  clt_com_ctx com = clt_com_cur();
  if (com.call == nullptr || com.call->mdl_trace_on == 0) return;
  uint32_t words[3] = {};
  memcpy(words, name, std::min<size_t>(strlen(name), sizeof words[0] * 2));
  if (phase == kPhaseExit) words[2] = static_cast<uint32_t>(result);
  clt_trc_mdl(event, phase, words);
}

int32_t traced(uint32_t event, const char* name, int32_t result) {
  mdl(event, kPhaseExit, name, result);
  return result;
}

uint32_t piece_total(const com_piece* pieces, int32_t count) {
  uint32_t n = 0;
  for (int32_t i = 0; i < count; ++i) n += pieces[i].len;
  return n;
}

uint32_t millis_now() {
  clt_timeb now{};
  clt_get_timeb(&now);
  return now.milliseconds;
}

int32_t wait_of(int32_t seconds) { return seconds == 0 ? -1 : seconds; }

int32_t connect_wait(const clt_rpc_env* env) {
  const int32_t w = env != nullptr ? env->connectwaittime : 0;
  return w == 0 ? kConnectWaitDefault : w;
}

void session_free(clt_rpc_call* call) {
  if (call->sess != nullptr) cltmem_free(call->sess, kModule, __LINE__);
  call->sess = nullptr;
}

}  // namespace

int32_t pd_clt_sess_open(int32_t flags) {
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (ctx.call == nullptr) return PD_E_SETUP;
  if (ctx.call->bsess != nullptr) return PD_E_STATE;
  if (flags != 0) return PD_E_PARAM;
  auto* b = static_cast<pd_clt_bsess*>(cltmem_alloc(sizeof(pd_clt_bsess), 0, kModule, __LINE__));
  if (b == nullptr) return PD_E_SETUP;
  memset(b, 0, sizeof *b);
  memcpy(b->eyecatcher, kBsessEye, sizeof kBsessEye);
  b->session_id = millis_now();
  b->reply_wait = ctx.env != nullptr ? wait_of(ctx.env->cwaittime) : -1;
  ctx.call->bsess = b;
  if (clt_tact_open(0, 0) != 0) {
    cltmem_free(b, kModule, __LINE__);
    ctx.call->bsess = nullptr;
    return PD_E_SETUP;
  }
  sockaddr_in own{};
  if (clt_tact_getaddr(&own, 0) == 0) {
    b->client_addr = own.sin_addr.s_addr;
    b->client_port = own.sin_port;
  }
  return 0;
}

int32_t pd_clt_sess_close(int32_t flags) {
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (flags != 0) return PD_E_PARAM;
  if (ctx.call == nullptr || ctx.call->bsess == nullptr) return PD_E_STATE;
  clt_tact_close(0, 0);
  cltmem_free(ctx.call->bsess, kModule, __LINE__);
  ctx.call->bsess = nullptr;
  return 0;
}

namespace {

// Frees the staging buffer when the session allocated it.
void free_staging(clt_rpc_call* call) {
  if (call->staging == nullptr) return;
  clt_com_ctx com = clt_com_cur();
  if (com.call != nullptr && com.call->staging == call->staging) com.call->staging = nullptr;
  cltmem_free(call->staging, kModule, __LINE__);
  call->staging = nullptr;
}

// Whether a message goes in one frame: its frame body (header and data)
// must fit, or, over a kept connection whose request may go in the
// request-code form, what follows the first piece (that form leaves the
// first piece out).
bool fits_one_frame(uint32_t header_len, uint32_t data_len, uint32_t after_first, bool kept) {
  if (header_len + data_len <= kFrameMax) return true;
  if (!kept || after_first > kFrameMax) return false;
  clt_com_ctx com = clt_com_cur();
  if (com.conn == nullptr) return false;
  const uint8_t saved = com.conn->features;
  com.conn->features |= kFeatureOneFrame | kFeatureKeep;
  const bool reqcode = clt_frame_reqcode_form(com.conn, com.main != nullptr ? com.main->funccode : 0, 0);
  com.conn->features = saved;
  return reqcode;
}

void set_features(uint8_t bits, bool on) {
  clt_com_ctx com = clt_com_cur();
  if (com.conn == nullptr) return;
  if (on) {
    com.conn->features |= bits;
  } else {
    com.conn->features &= static_cast<uint8_t>(~bits);
  }
}

int32_t tact_send(sockaddr_in* peer, com_piece* pieces, int32_t count, int32_t tflags, uint32_t expect) {
  clt_tact_req req{peer, count, pieces, 0, 0};
  const int32_t rc = clt_tact_send(&req, tflags);
  if (rc != 0) return pd_clt_tsend_code(rc);
  return req.len_out < expect ? PD_E_NETWORK : 0;
}

// Error code of a server error reply: the first word of its data.
int32_t error_code_of(const clt_main* main, const uint8_t* data) {
  return pd_clt_server_code(server_word(main, data));
}

void keep_order(clt_main* main, const uint8_t* header, bool short_form) {
  if (main == nullptr) return;
  const uint8_t byte = short_form ? header[kShortOrder + 1] : header[kHdrOrder + 1];
  main->byteorder = (byte & 1) != 0 ? 1 : 0;
}

void fes_lost(clt_rpc_conn* conn, int32_t code) {
  if (conn == nullptr) return;
  conn->fes_lost = 1;
  if (conn->fes_lost_reason == 0) conn->fes_lost_reason = code == -2472 ? 1 : code == -2474 ? 3 : 4;
}

// The first word of a reply's data, which follows the message header in
// the first piece or starts the second; false when the reply holds none.
bool first_data_word(const com_piece* pieces, int32_t count, uint32_t header_len, const uint8_t** word_at) {
  if (pieces[0].len >= header_len + sizeof(uint32_t)) {
    *word_at = pieces[0].addr + header_len;
    return true;
  }
  if (pieces[0].len == header_len && count > 1 && pieces[1].len >= sizeof(uint32_t)) {
    *word_at = pieces[1].addr;
    return true;
  }
  return false;
}

bool is_fes_lost_code(int32_t code) { return code == -2472 || code == -2474 || code == -2475; }

int32_t lookup_code(int32_t rc) {
  switch (rc) {
    case NAM_E_FES_LOST: return PD_E_FES_LOST;
    case NAM_E_CANCELLED: return PD_E_CANCELLED;
    case NAM_E_NOT_REGISTERED: return PD_E_FES_NOT_UP;
    case NAM_E_NOT_UP: return PD_E_NOT_UP;
    case NAM_E_NETWORK: return PD_E_NETWORK;
    case NAM_E_RESOURCE:
    case NAM_E_MEMORY: return PD_E_MEMORY;
    default: return PD_E_UNEXPECTED;
  }
}

bool reply_short(const uint8_t* header) { return word(header, kWordShortMark) == kShortMark; }

// The reply header of the call; true when it belongs to the call. An error reply carries its error code where the
// sequence number stands, so only its service code can be checked.
bool reply_matches(const pd_clt_sess* s, const uint8_t* header, uint32_t len, const sockaddr_in* peer, bool error) {
  const bool short_form = len >= PD_REPLY_SHORT_SIZE && reply_short(header);
  const uint32_t need = short_form ? PD_REPLY_SHORT_SIZE : PD_REPLY_HEADER_SIZE;
  const int seq_word = short_form ? kWordShortSeq : kWordSeq;
  if (len >= need && word(header, kWordService) == PD_SVC_REPLY &&
      (error || get_le32(header + 4 * seq_word) == s->last_seq)) {
    return true;
  }
  clt_errlog_msg(kMsgInvalid, addr_of(peer), port_of(peer), kModule, __LINE__);
  return false;
}

// The seconds the server asks to wait, also with its error replies.
void keep_retry_wait(clt_rpc_conn* conn, const uint8_t* header, bool short_form) {
  if (conn == nullptr) return;
  if (!short_form) {
    const uint32_t wait = word(header, kWordWait);
    if (memcmp(header + kMarkOffset, kServerMark, strlen(kServerMark)) != 0) {
      conn->retry_wait = 0;
    } else if (wait != 0) {
      conn->retry_wait = wait;
    }
  } else if (word(header, kWordShortWait) != 0) {
    conn->retry_wait = word(header, kWordShortWait);
  }
}

void take_reply_values(clt_rpc_ctx& ctx, const uint8_t* header, bool short_form) {
  clt_rpc_conn* conn = ctx.conn;
  clt_com_ctx com = clt_com_cur();
  int value_word = kWordShortValue;
  keep_retry_wait(conn, header, short_form);
  if (!short_form) {
    value_word = kWordValue;
    if (com.conn != nullptr) {
      for (int i = 0; i < CLT_REPLY_VALUES; ++i) memcpy(&com.conn->reply_values[i], header + 4 * kSavedWords[i], 4);
    }
  }
  const uint32_t value = word(header, value_word);
  if (conn != nullptr && value != 0) conn->value = static_cast<int32_t>(value);
}

}  // namespace

void clt_rpc_settings(clt_rpc_env* out) {
  *out = clt_rpc_env{};
  out->service_group = "";
  clt_com_ctx com = clt_com_cur();
  const clt_env* e = com.env;
  if (e == nullptr) return;
  out->cwaittime = e->pdcwaittime;
  out->connectwaittime = e->pdconnectwaittime;
  out->calcmdwaittime = e->pdcalcmdwaittime;
  out->nblock_wait = static_cast<uint16_t>(e->pdnblockwaittime);
  int32_t port = 0;
  if (e->pdserviceport[0] != '\0' && clt_env_num_part(e->pdserviceport, &port) == 0) {
    out->service_port = static_cast<uint16_t>(port);
  }
  out->service_group = e->pdservicegrp;
  if (e->pdfeshost[0] != '\0' && clt_env_host_part(e->pdfeshost, out->fes_host) == 0 &&
      clt_env_port_part(e->pdfeshost, &port) == 0) {
    out->fes_port = static_cast<uint16_t>(port);
  }
  if (e->pdhost[0] != '\0' && clt_env_host_part(e->pdhost, out->host) != 0) out->host[0] = '\0';
  out->name_port = e->nameport_cur != 0 ? e->nameport_cur : e->pdnameport;
  out->cache = e->pdcache;
  out->opt_no_4096 = e->opt_p;
  out->opt_no_reqcode = e->opt_r;
  out->opt_busy_wait = e->opt_x;
  out->cnctrtycount = e->pdcnctrtycount;
  out->cnctrtywaittime = e->pdcnctrtywaittime;
  out->swatchtime = e->pdswatchtime;
  out->cltgrp = static_cast<uint8_t>(e->pdcltgrp);
  out->hatrnqueuing = e->pdhatrnqueuing;
  out->ipc = e->pdipc;
  out->sendmemsize = e->pdsendmemsize;
  out->recvmemsize = e->pdrecvmemsize;
  out->srvtype = static_cast<uint16_t>(e->pdsrvtype);
  out->tcpconopt = static_cast<char>(e->pdtcpconopt);
}

clt_rpc_ctx clt_rpc_parts(void) {
  clt_rpc_ctx ctx = g_locator();
  ctx.main = nullptr;
  ctx.env = nullptr;
  return ctx;
}

clt_rpc_ctx clt_rpc_cur(void) {
  clt_rpc_ctx ctx = clt_rpc_parts();
  const clt_com_ctx com = clt_com_cur();
  ctx.main = com.main;
  clt_rpc_settings(&t_env);
  ctx.env = com.env != nullptr ? &t_env : nullptr;
  return ctx;
}

clt_rpc_locator clt_rpc_set_locator(clt_rpc_locator locator) {
  clt_rpc_locator old = g_locator;
  g_locator = locator != nullptr ? locator : no_call;
  return old;
}

int32_t pd_clt_server_code(int32_t code) {
  return code <= -300 && code >= -399 ? code - 2100 : code;
}

int32_t pd_clt_tsend_code(int32_t rc) {
  switch (rc) {
    case CLT_TACT_E_CANCELLED: return PD_E_CANCELLED;
    case CLT_TACT_E_ZERO: return PD_E_PROCESS_DOWN;
    case CLT_TACT_E_TIMEOUT:
    case CLT_TACT_E_REFUSED: return PD_E_REFUSED;
    case CLT_TACT_E_NETWORK: return PD_E_NETWORK;
    case CLT_TACT_E_NOENTRY:
    case CLT_TACT_E_NOTABLE:
    case CLT_TACT_E_SOCKETS:
    case CLT_TACT_E_NOBUFS: return PD_E_MEMORY;
    default: return PD_E_UNEXPECTED;
  }
}

int32_t pd_clt_trecv_code(int32_t rc) {
  switch (rc) {
    case CLT_TACT_E_CANCELLED: return PD_E_CANCELLED;
    case CLT_TACT_E_PROTOCOL: return PD_E_PROTOCOL;
    case CLT_TACT_E_ZERO: return PD_E_PROCESS_DOWN;
    case CLT_TACT_E_TRUNCATED: return PD_E_TRUNCATED;
    case CLT_TACT_E_TIMEOUT: return PD_E_TIMEOUT;
    case CLT_TACT_E_NETWORK: return PD_E_NETWORK;
    case CLT_TACT_E_NOENTRY:
    case CLT_TACT_E_NOTABLE:
    case CLT_TACT_E_SOCKETS:
    case CLT_TACT_E_NOBUFS: return PD_E_MEMORY;
    default: return PD_E_UNEXPECTED;
  }
}

int32_t pd_clt_status_map(int32_t status) {
  switch (status) {
    case 0: return 0;
    case -897: return -2420;
    case -894: {
      clt_rpc_ctx ctx = clt_rpc_cur();
      if (ctx.conn != nullptr) ctx.conn->busy = 1;
      return PD_E_BUSY_STATUS;
    }
    case -893: return -2432;
    case -892: return -2431;
    case -889:
    case -840: return PD_E_FES_NOT_UP;
    case -888:
    case -839:
    case -836: return PD_E_NOT_UP;
    case -880:
    case -865:
    case -816:
    case -810: return -2416;
    case -879: return -2465;
    case -832:
    case -831:
    case -830: return -2417;
    case -821: return -2412;
    case -805: return PD_E_NETWORK;
    default: break;
  }
  if (status >= -399 && status <= -300) return status - 2100;
  return PD_E_UNEXPECTED;
}

void pd_clt_build_header(uint8_t* h, uint32_t service, uint32_t msg_id, uint16_t nblock_wait) {
  memset(h, 0, PD_MSG_HEADER_SIZE);
  put_be32(h + kHdrService, service);
  put_be32(h + kHdrKind, kRequestKind);
  put_le32(h + kHdrId, msg_id);
  put_be32(h + kHdrLength, PD_MSG_HEADER_SIZE);
  put_be32(h + kHdrForm, kFormNormal);
  put_be32(h + kHdrOrder, kOrderRequest);
  put_be32(h + kHdrNblock, nblock_wait);
}

void pd_clt_build_short(uint8_t* h, uint32_t service, uint32_t msg_id) {
  memset(h, 0, PD_MSG_SHORT_SIZE);
  put_be32(h + kHdrService, service);
  put_be32(h + kHdrKind, kShortKind);
  put_be32(h + kShortOrder, kOrderRequest);
  put_be32(h + kShortOne, 1);
  put_le32(h + kHdrId, msg_id);
  put_be32(h + kHdrLength, PD_MSG_SHORT_SIZE);
  put_be32(h + kHdrForm, kShortMark);
}

namespace {
int32_t session_open(int32_t flags);
}  // namespace

int32_t pd_clt_open(int32_t flags) {
  clt_trc_open_rpcsoc();
  const int32_t rc = session_open(flags);
  clt_trc_rpc(CLT_RPC_TRC_ID, CLT_RPC_TRC_OPEN, static_cast<uint32_t>(rc), nullptr, 0, 0);
  if (rc != 0) clt_trc_close_rpcsoc();
  return rc;
}

namespace {

int32_t session_open(int32_t flags) {
  mdl(kEvOpen, kPhaseEntry, "pd_open", 0);
  clt_rpc_ctx ctx = clt_rpc_cur();
  clt_com_ctx com = clt_com_cur();
  if (ctx.call == nullptr || com.call == nullptr) return traced(kEvOpen, "pd_open", PD_E_SETUP);
  if (ctx.call->sess != nullptr) return traced(kEvOpen, "pd_open", PD_E_STATE);
  if (com.call->staging == nullptr) {
    com.call->staging = static_cast<uint8_t*>(cltmem_alloc(COM_STAGING_SIZE, 0, kModule, __LINE__));
    ctx.call->staging = com.call->staging;
    if (com.call->staging == nullptr) {
      clt_errlog_msg(PD_LOG_MEMORY, static_cast<unsigned long>(COM_STAGING_SIZE), kModule, __LINE__);
      return traced(kEvOpen, "pd_open", COM_E_NOBUFS);
    }
  }
  if (com_startup() != 0) {
    free_staging(ctx.call);
    return traced(kEvOpen, "pd_open", PD_E_SETUP);
  }
  if (flags != 0) {
    clt_errlog_msg(kMsgParam, "pd_clt_open", "flags");
    com_cleanup();
    free_staging(ctx.call);
    return traced(kEvOpen, "pd_open", PD_E_PARAM);
  }
  int32_t rc = 0;
  auto* s = static_cast<pd_clt_sess*>(cltmem_alloc(sizeof(pd_clt_sess), 0, kModule, __LINE__));
  if (s == nullptr) {
    rc = PD_E_SETUP;
  } else {
    memset(s, 0, sizeof *s);
    memcpy(s->eyecatcher, kSessEye, sizeof kSessEye);
    s->session_id = millis_now();
    s->reply_wait = ctx.env != nullptr ? wait_of(ctx.env->cwaittime) : -1;
    ctx.call->sess = s;
    rc = pd_clt_sess_open(0) != 0 ? PD_E_SETUP : 0;
    if (rc == 0) {
      const int32_t nam = name_open(0);
      if (nam != 0) {
        rc = nam == NAM_E_NOT_UP ? PD_E_NOT_UP : PD_E_SETUP;
        pd_clt_sess_close(0);
      }
    }
    if (rc == 0) {
      sockaddr_in own{};
      if (clt_tact_getaddr(&own, 0) != 0) {
        name_close(0);
        pd_clt_sess_close(0);
        rc = PD_E_SETUP;
      } else {
        memcpy(s->addr_record, &own.sin_addr.s_addr, 4);
        put_le16(s->addr_record + 4, AF_INET);
        memcpy(s->addr_record + 6, &own.sin_port, 2);
        put_le32(s->addr_record + 8, kAddrFamilyField);
      }
    }
    if (rc != 0) session_free(ctx.call);
  }
  if (rc != 0) {
    com_cleanup();
    free_staging(ctx.call);
  }
  return traced(kEvOpen, "pd_open", rc);
}

}  // namespace

int32_t pd_clt_close_session(int32_t flags) {
  mdl(kEvClose, kPhaseEntry, "pd_close", 0);
  if (flags != 0 && flags != 1) {
    clt_errlog_msg(kMsgParam, "pd_clt_close", "flags");
    return traced(kEvClose, "pd_close", PD_E_PARAM);
  }
  clt_rpc_ctx ctx = clt_rpc_cur();
  clt_com_ctx com = clt_com_cur();
  if (ctx.conn != nullptr) ctx.conn->direct = 0;
  if (ctx.call == nullptr || ctx.call->sess == nullptr) return traced(kEvClose, "pd_close", PD_E_STATE);
  pd_clt_sess* s = ctx.call->sess;
  if (flags == 0 && ctx.main != nullptr && ctx.main->connected != 0 && (s->kept & 1) != 0) {
    if (com.call != nullptr) com.call->session_end = 1;
    pd_clt_send_msg(&s->server, nullptr, 0, PD_SEND_CLOSING | PD_SEND_KEEP);
    if (com.call != nullptr) com.call->session_end = 0;
    ctx.main->connected = 0;
  }
  name_close(0);
  pd_clt_sess_close(0);
  session_free(ctx.call);
  com_cleanup();
  free_staging(ctx.call);
  clt_trc_close_rpcsoc();
  return traced(kEvClose, "pd_close", 0);
}

int32_t pd_clt_call_check(const char* group, const char* service, const uint8_t* in, const uint32_t* in_len,
                          const uint8_t* out, const uint32_t* out_len, int32_t flags) {
  const char* item = nullptr;
  if (group == nullptr || strnlen(group, PD_NAME_SIZE) >= PD_NAME_SIZE) {
    item = "group";
  } else if (service == nullptr || strnlen(service, PD_NAME_SIZE) >= PD_NAME_SIZE) {
    item = "service";
  } else if (in == nullptr) {
    item = "in";
  } else if (in_len == nullptr || *in_len == 0) {
    item = "in_len";
  } else if ((flags & PD_CALL_NO_REPLY) == 0 && out == nullptr) {
    item = "out";
  } else if ((flags & PD_CALL_NO_REPLY) == 0 && (out_len == nullptr || *out_len == 0)) {
    item = "out_len";
  } else if (flags != 0 && flags != 1 && flags != 4 && flags != 5) {
    item = "flags";
  }
  if (item == nullptr) return 0;
  clt_errlog_msg(kMsgParam, "pd_clt_call", item);
  return PD_E_PARAM;
}

namespace {

struct exchange_args {
  const char* group;
  const char* service;
  uint8_t* request;
  uint32_t request_len;
  uint32_t capacity;
  int32_t flags;
  bool compact;
};

// The routing prefix and call header of a call in the normal form.
void build_call_block(clt_rpc_ctx& ctx, pd_clt_sess* s, const exchange_args& a) {
  uint8_t* b = s->call_block;
  memset(b, 0, PD_CALL_BLOCK_SIZE);
  strncpy(reinterpret_cast<char*>(b), a.group, PD_NAME_SIZE - 1);
  uint16_t kind = 0;
  if (strcmp(a.service, kConnectFunction) == 0 && ctx.conn != nullptr) {
    kind = ctx.conn->fes_not_found != 0 ? kKindConnectNoFes
           : ctx.conn->app_section != 0 ? kKindConnectApp
                                        : kKindConnect;
  }
  put_le16(b + kRouteKind, kind);
  put_le32(b + kRouteWord, kRouteWordValue);
  b[kRouteOne] = 1;
  b[kRouteThree] = 3;
  put_be32(b + kRouteLength, PD_CALL_HEADER_SIZE + a.request_len);
  uint8_t* h = b + PD_ROUTE_SIZE;
  put_be32(h, kCallWord0);
  put_be32(h + 4, kCallWord1);
  strncpy(reinterpret_cast<char*>(h + kCallName), a.service, PD_NAME_SIZE - 1);
  put_be32(h + kCallCapacity, a.capacity);
  put_be32(h + kCallFlags, static_cast<uint32_t>(a.flags));
  s->last_seq = s->session_id << 16 | (++s->call_counter & 0xFFFF);
  put_le32(h + kCallSeq, s->last_seq);
  memcpy(h + kCallAddr, s->addr_record, PD_ADDR_RECORD_SIZE);
  const clt_rpc_env* env = ctx.env;
  put_be32(h + kCallPid, ctx.main != nullptr ? ctx.main->clt_pid : 0);
  put_be32(h + kCallWatch, env != nullptr ? static_cast<uint32_t>(env->swatchtime) : 0);
  h[kCallN] = 'N';
  h[kCall2] = '2';
  h[kCallReqcode] = env != nullptr && env->opt_no_reqcode == 'Y' ? 0 : 'Y';
  h[kCallGrp] = env != nullptr ? env->cltgrp : 0;
}

void build_compact(pd_clt_sess* s, const exchange_args& a) {
  uint8_t* b = s->call_block;
  memset(b, 0, PD_COMPACT_SIZE);
  strncpy(reinterpret_cast<char*>(b + kCompactName), a.service, PD_NAME_SIZE - 1);
  put_be32(b + kCompactCapacity, a.capacity);
  put_be32(b + kCompactFlags, static_cast<uint32_t>(a.flags));
  put_le32(b + kCompactSeq, s->last_seq);
  clt_com_ctx com = clt_com_cur();
  if (com.conn != nullptr) com.conn->reply_capacity = a.capacity;
}

// Where a call in the normal form goes: found through the name service,
// or the fixed front end of PDSERVICEPORT.
int32_t find_server(clt_rpc_ctx& ctx, const exchange_args& a, sockaddr_in* peer, exchange_args& use) {
  uint8_t* route = ctx.call->sess->call_block;
  clt_com_ctx com = clt_com_cur();
  const clt_rpc_env* env = ctx.env;
  if (env == nullptr || env->service_port == 0) {
    uint8_t info[NAM_INFO_SIZE] = {};
    nam_address found{};
    // The entry asked for is the call's group, without a group of its own.
    int32_t rc = name_indirect_lookup(a.group, nullptr, kSqlService, nullptr, &found, info, nullptr);
    if (rc != 0) {
      clt_errlog_msg(kMsgInfo, "INNER OPERATION", "nam_indirect_lookup");
      if (ctx.conn != nullptr && ctx.conn->busy != 0) return PD_E_BUSY;
      return lookup_code(rc);
    }
    *peer = sockaddr_in{};
    peer->sin_family = AF_INET;
    peer->sin_port = found.port;
    peer->sin_addr.s_addr = found.addr;
    memcpy(route + kRoutePort, info + NAM_INFO_PORT, 2);
    route[kRouteFound] = kFoundByName;
    if (strcmp(a.service, kConnectFunction) == 0 && ctx.call->rebuild_connect != nullptr) {
      uint32_t len = use.request_len;
      if (ctx.call->rebuild_connect(use.request, &len) != 0) return PD_E_UNEXPECTED;
      use.request_len = len;
      put_be32(route + kRouteLength, PD_CALL_HEADER_SIZE + len);
    }
    return 0;
  }
  if (ctx.call->nam == nullptr) return PD_E_MEMORY;
  clt_env* cenv = com.env;
  if (cenv->pdfeshost[0] == '\0') snprintf(cenv->pdfeshost, sizeof cenv->pdfeshost, "%s", env->host);
  char fes_host[sizeof cenv->pdfeshost] = {};
  uint32_t addr = 0;
  if (clt_env_host_part(cenv->pdfeshost, fes_host) != 0 || com_hostaddr(fes_host, &addr) != 0) {
    clt_errlog_msg(PD_LOG_ENV, "PDHOST", "NET ENVIRONMENT");
    return PD_E_UNEXPECTED;
  }
  *peer = sockaddr_in{};
  peer->sin_family = AF_INET;
  peer->sin_port = htons(env->service_port);
  peer->sin_addr.s_addr = addr;
  put_le16(route + kRoutePort, kNoLookupPort);
  route[kRouteFound] = env->srvtype == 1 ? kFoundFixedType1 : kFoundFixed;
  return 0;
}

// Offers the shared-memory channel when the server runs on this host.
void offer_channel(clt_rpc_ctx& ctx, const sockaddr_in& peer, bool* offered) {
  uint8_t* h = ctx.call->sess->call_block + PD_ROUTE_SIZE;
  uint8_t* ext = h + kCallExt;
  const clt_rpc_env* env = ctx.env;
  *offered = false;
  const bool loopback = (ntohl(peer.sin_addr.s_addr) >> 24) == 127;
  if (ctx.conn != nullptr && ctx.conn->shm_wanted != 0) {
    if (clt_bind_test(peer.sin_addr.s_addr) == 0) {
      put_le16(h + kCallAddr + 4, kFamilyShm);
      put_le32(ext, kExtWord);
      put_be32(ext + 4, env != nullptr ? env->sendmemsize : 0);
      put_be32(ext + 8, env != nullptr ? env->recvmemsize : 0);
      ext[kExtWait] = static_cast<uint8_t>(env != nullptr ? env->nblock_wait : 0);
      ext[kExtBits] = static_cast<uint8_t>(ext[kExtBits] | kExtBitQueuing | kExtBitShm);
      put_be32(h + kCallExtPresent, 1);
      *offered = true;
    } else {
      ctx.conn->shm_wanted = 0;
    }
  }
  if (loopback) {
    ext[kExtBits] = static_cast<uint8_t>(ext[kExtBits] | kExtBitLoopback);
    put_be32(h + kCallExtPresent, 1);
  }
}

int32_t pd_clt_exchange(clt_rpc_ctx& ctx, exchange_args& a, uint8_t* out, uint32_t* out_len) {
  pd_clt_sess* s = ctx.call->sess;
  const clt_rpc_env* env = ctx.env;
  const bool keep = (a.flags & PD_CALL_KEEP) != 0;
  const int32_t send_flags = PD_SEND_ONLY | (keep ? PD_SEND_KEEP : 0);
  sockaddr_in peer{};
  com_piece send[2];
  int32_t wait;
  bool offered = false;
  uint32_t service;
  if (a.compact) {
    peer = s->server;
    service = PD_SVC_KEPT;
    build_compact(s, a);
    send[0] = com_piece{s->call_block, PD_COMPACT_SIZE};
    const bool long_wait = ctx.conn != nullptr && ctx.conn->long_wait != 0;
    wait = long_wait ? wait_of(env != nullptr ? env->calcmdwaittime : 0) : s->reply_wait;
  } else {
    service = PD_SVC_SQL;
    build_call_block(ctx, s, a);
    int32_t rc = find_server(ctx, a, &peer, a);
    if (rc != 0) return rc;
    uint8_t* h = s->call_block + PD_ROUTE_SIZE;
    if (env == nullptr || env->opt_no_4096 != 'Y') put_le16(h + kCallAddr + 4, kFamily4096);
    offer_channel(ctx, peer, &offered);
    send[0] = com_piece{s->call_block, PD_CALL_BLOCK_SIZE};
    wait = connect_wait(env);
  }
  send[1] = com_piece{a.request, a.request_len};
  int32_t rc = pd_clt_send(&peer, service, send, 2, nullptr, 0, send_flags);
  if (rc != 0) {
    clt_errlog_msg(kMsgInfo, "INNER OPERATION", "scd_send");
    return rc;
  }
  if ((a.flags & PD_CALL_NO_REPLY) != 0) return 0;

  const uint32_t header_len = a.compact ? PD_REPLY_SHORT_SIZE : PD_REPLY_HEADER_SIZE;
  uint8_t* header = s->reply_header;
  bool first = true;
  // Replies of other calls and further segments count against the same wait.
  const com_reply_deadline deadline(clt_com_cur().call, wait);
  for (;;) {
    com_piece reply[2] = {{header, header_len}, {out, *out_len}};
    sockaddr_in from{};
    rc = pd_clt_recv(&from, reply, 2, wait, a.compact ? PD_SEND_KEEP : 0);
    if (rc != 0 && rc != PD_E_TRUNCATED && rc != PD_E_SERVER_ERROR) {
      if (first) clt_errlog_msg(kMsgInfo, "INNER OPERATION", "scd_recv");
      return rc;
    }
    first = false;
    if (!reply_matches(s, header, reply[0].len, &from, rc == PD_E_SERVER_ERROR)) continue;
    const bool short_form = reply_short(header);
    if (rc == PD_E_SERVER_ERROR) {
      const int seq_word = short_form ? kWordShortSeq : kWordSeq;
      const int32_t code = error_code_of(ctx.main, header + 4 * seq_word);
      clt_errlog_msg(PD_LOG_REPLIED, static_cast<long>(code), addr_of(&from), port_of(&from), kModule, __LINE__);
      if (code == PD_E_BUSY) {
        if (ctx.conn != nullptr) ctx.conn->busy = 1;
        return PD_E_BUSY;
      }
      if (is_fes_lost_code(code)) {
        fes_lost(ctx.conn, code);
        keep_retry_wait(ctx.conn, header, short_form);
        return PD_E_FES_LOST;
      }
      return PD_E_SERVER_ERROR;
    }
    const uint32_t body_len = reply[1].len;
    if (keep) {
      if ((s->kept & 1) == 0) {
        s->kept |= 1;
        s->server = from;
      }
      if (ctx.call->bsess != nullptr) ctx.call->bsess->saved_id = get_le32(header + 4 * kWordId);
    } else {
      s->kept = 0;
    }
    if (offered && ctx.conn != nullptr) {
      if (get_be16(header + kShmAnswer) != kShmAccepted) ctx.conn->shm_wanted = 0;
      memcpy(&ctx.conn->shm_object, header + kShmObject, 2);
    }
    take_reply_values(ctx, header, short_form);
    *out_len = body_len;
    const int32_t status = static_cast<int32_t>(word(header, short_form ? kWordShortStatus : kWordStatus));
    const int32_t mapped = pd_clt_status_map(status);
    if (mapped != 0) return mapped;
    return rc == PD_E_TRUNCATED ? PD_E_TRUNCATED : 0;
  }
}

}  // namespace

namespace {

// The RPC-trace record of a call: names, lengths and the first bytes of
// request and reply.
void trace_call(const char* group, const char* service, const uint8_t* in, const uint32_t* in_len,
                const uint8_t* out, const uint32_t* out_len, int32_t flags, int32_t rc) {
  if (clt_trc_rpc_on() == 0) return;
  uint8_t block[CLT_RPC_CALL_BLOCK_SIZE];
  clt_trc_rpc_call_block(block, group != nullptr ? group : "", service != nullptr ? service : "", in,
                         in_len != nullptr ? *in_len : 0, out, out_len != nullptr ? *out_len : 0, flags);
  clt_trc_rpc(CLT_RPC_TRC_ID, CLT_RPC_TRC_CALL, static_cast<uint32_t>(rc), block, sizeof block, 0);
}

}  // namespace

int32_t pd_clt_call(const char* group, const char* service, uint8_t* in, uint32_t* in_len, uint8_t* out,
                    uint32_t* out_len, int32_t flags) {
  mdl(kEvCall, kPhaseEntry, "pd_call", 0);
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (ctx.conn != nullptr) ctx.conn->state = (ctx.conn->state | kCallRunning) & ~kCallDone;
  auto finish = [&](int32_t rc) {
    if (ctx.conn != nullptr) ctx.conn->state |= kCallDone;
    trace_call(group, service, in, in_len, out, out_len, flags, rc);
    return traced(kEvCall, "pd_call", rc);
  };
  if (ctx.call == nullptr || ctx.call->sess == nullptr) return finish(PD_E_STATE);
  if (ctx.call->bsess == nullptr) return finish(PD_E_MEMORY);
  int32_t rc = pd_clt_call_check(group, service, in, in_len, out, out_len, flags);
  if (rc != 0) return finish(rc);
  char group_copy[PD_NAME_SIZE] = {};
  char service_copy[PD_NAME_SIZE] = {};
  strncpy(group_copy, group, PD_NAME_SIZE - 1);
  strncpy(service_copy, service, PD_NAME_SIZE - 1);
  if (strncmp(service_copy, kSqlPrefix, strlen(kSqlPrefix)) != 0 && ctx.main != nullptr) ctx.main->funccode = 0;
  const bool want_reply = (flags & PD_CALL_NO_REPLY) == 0;
  exchange_args a{group_copy, service_copy, in, *in_len, want_reply ? *out_len : 0, flags,
                  (ctx.call->sess->kept & 1) != 0};
  uint32_t len = want_reply ? *out_len : 0;
  rc = pd_clt_exchange(ctx, a, out, &len);
  if (rc == PD_E_REFUSED) {
    a.compact = (ctx.call->sess->kept & 1) != 0;
    len = want_reply ? *out_len : 0;
    rc = pd_clt_exchange(ctx, a, out, &len);
    if (rc == PD_E_REFUSED) rc = PD_E_NOT_UP;
  }
  if (rc == 0) *in_len = a.request_len;
  if (rc == 0 && want_reply) *out_len = len;
  return finish(rc);
}

int32_t pd_clt_send(sockaddr_in* peer, uint32_t service, com_piece* pieces, int32_t count, com_piece* reply,
                    int32_t reply_count, int32_t flags) {
  constexpr int32_t kKnownFlags = PD_SEND_ONLY | PD_SEND_KEEP | PD_SEND_NO_CLOSE;
  const bool send_only = (flags & PD_SEND_ONLY) != 0;
  if ((flags & ~kKnownFlags) != 0 || count >= PD_SEND_PIECES_MAX + 1 || count <= 0 || peer == nullptr ||
      pieces == nullptr || (!send_only && (reply == nullptr || reply_count <= 0 || reply_count > PD_SEND_PIECES_MAX))) {
    return PD_E_PARAM;
  }
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (ctx.call == nullptr || ctx.call->bsess == nullptr) return PD_E_UNEXPECTED;
  pd_clt_bsess* b = ctx.call->bsess;
  const bool short_form = (b->kept & 1) != 0 && service >= PD_SVC_SHORT_LOW && service < PD_SVC_SHORT_HIGH;
  com_piece list[PD_SEND_PIECES_MAX + 1];
  int32_t n = 0;
  uint32_t msg_id = 0;
  // A receive shrinks the pieces to what arrived; a skipped reply or a
  // resend after a busy one must find their whole room again.
  uint32_t room[PD_SEND_PIECES_MAX] = {};
  for (int32_t i = 0; !send_only && i < reply_count; ++i) room[i] = reply[i].len;
  for (;;) {
    if (short_form) {
      // The short header goes into the first 40 bytes of the caller's first piece.
      if (pieces[0].len < PD_MSG_SHORT_SIZE) return PD_E_PARAM;
      msg_id = b->saved_id;
      pd_clt_build_short(pieces[0].addr, service, msg_id);
      n = 0;
      for (int32_t i = 0; i < count; ++i) list[n++] = pieces[i];
    } else {
      msg_id = b->session_id << 16 | (++b->msg_counter & 0xFFFF);
      pd_clt_build_header(b->header, service, msg_id, ctx.env != nullptr ? ctx.env->nblock_wait : 0);
      list[0] = com_piece{b->header, PD_MSG_HEADER_SIZE};
      n = 1;
      for (int32_t i = 0; i < count; ++i) list[n++] = pieces[i];
    }
    if ((flags & PD_SEND_KEEP) != 0) set_features(kFeatureKeep, true);
    int32_t rc = pd_clt_send_msg(peer, list, n, flags & (PD_SEND_KEEP | PD_SEND_NO_CLOSE));
    if ((flags & PD_SEND_KEEP) != 0) {
      set_features(kFeatureKeep, false);
      if (rc == 0) b->kept |= 1;
    }
    if (rc == PD_E_PARAM || rc == PD_E_STATE) return PD_E_UNEXPECTED;
    if (rc != 0) return rc;
    if (send_only) return 0;

    const com_reply_deadline deadline(clt_com_cur().call, b->reply_wait);
    for (;;) {
      for (int32_t i = 0; i < reply_count; ++i) reply[i].len = room[i];
      sockaddr_in from{};
      rc = pd_clt_recv(&from, reply, reply_count, b->reply_wait, flags & PD_SEND_KEEP);
      if (rc == PD_E_PARAM || rc == PD_E_STATE) return PD_E_UNEXPECTED;
      if (rc != 0 && rc != PD_E_TRUNCATED && rc != PD_E_SERVER_ERROR) return rc;
      const uint8_t* h = reply[0].addr;
      const bool got_short = reply[0].len >= PD_MSG_SHORT_SIZE && get_be32(h + kHdrForm) == kShortMark;
      const uint32_t hlen = got_short ? PD_MSG_SHORT_SIZE : PD_MSG_HEADER_SIZE;
      if (reply[0].len < hlen || get_le32(h + kHdrId) != msg_id || get_be32(h + kHdrService) != service) {
        clt_errlog_msg(kMsgInvalid, addr_of(&from), port_of(&from), kModule, __LINE__);
        continue;
      }
      if (rc != PD_E_SERVER_ERROR) return rc;
      // The error code is the first word of the reply data.
      const uint8_t* code_at = nullptr;
      if (!first_data_word(reply, reply_count, hlen, &code_at)) return PD_E_UNEXPECTED;
      const int32_t code = error_code_of(ctx.main, code_at);
      if (ctx.env != nullptr && ctx.env->opt_busy_wait == 'Y') {
        if (code == PD_E_BUSY) continue;
        return code;
      }
      if (code != PD_E_BUSY) {
        clt_errlog_msg(PD_LOG_REPLIED, static_cast<long>(code), addr_of(&from), port_of(&from), kModule, __LINE__);
        return PD_E_UNEXPECTED;
      }
      const int32_t limit = ctx.env != nullptr ? ctx.env->cnctrtycount : 0;
      if (limit == 0 || ctx.conn == nullptr || ctx.conn->busy_retries >= limit) {
        clt_errlog_msg(PD_LOG_REPLIED, static_cast<long>(kBusyLogCode), addr_of(&from), port_of(&from), kModule,
                       __LINE__);
        return PD_E_BUSY;
      }
      clt_sleep_ms(static_cast<uint32_t>(ctx.env->cnctrtywaittime * kMillisPerSecond));
      ++ctx.conn->busy_retries;
      break;  // send the whole message again
    }
  }
}

int32_t pd_clt_send_msg(sockaddr_in* peer, com_piece* pieces, int32_t count, int32_t flags) {
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (ctx.call == nullptr || ctx.call->bsess == nullptr) return PD_E_STATE;
  const bool kept = (ctx.call->bsess->kept & 1) != 0;
  const bool closing = (flags & PD_SEND_CLOSING) != 0;
  if (closing) {
    return tact_send(peer, nullptr, 0, kept ? CLT_TACT_FLAG_CLOSING : CLT_TACT_FLAG_CLOSING | CLT_TACT_FLAG_CLOSE, 0);
  }
  if (count <= 0 || pieces == nullptr || pieces[0].len < PD_MSG_SHORT_SIZE) return PD_E_PARAM;
  uint8_t* header = pieces[0].addr;
  const bool short_form = get_be32(header + kHdrForm) == kShortMark;
  const uint32_t hlen = short_form ? PD_MSG_SHORT_SIZE : PD_MSG_HEADER_SIZE;
  const uint32_t total = piece_total(pieces, count);
  if (total < hlen) return PD_E_PARAM;
  const uint32_t data_len = total - hlen;
  const int32_t last_flags = kept ? 0 : ((flags & PD_SEND_NO_CLOSE) != 0 ? 0 : CLT_TACT_FLAG_CLOSE);
  put_be32(header + kHdrSegment, 0);
  put_be32(header + kHdrOffset, 0);
  put_be32(header + kHdrTotal, data_len);
  if (fits_one_frame(hlen, data_len, total - pieces[0].len, kept)) {
    set_features(kFeatureOneFrame, true);
    // In the request-code form the transport leaves the first piece out.
    clt_com_ctx com = clt_com_cur();
    const bool reqcode = com.conn != nullptr &&
                         clt_frame_reqcode_form(com.conn, com.main != nullptr ? com.main->funccode : 0, 0);
    int32_t rc = tact_send(peer, pieces, count, last_flags, reqcode ? total - pieces[0].len : total);
    set_features(kFeatureOneFrame, false);
    return rc;
  }
  // Segments: a copy of the header, then at most a frame's worth of data.
  uint8_t seg_header[PD_MSG_HEADER_SIZE];
  memcpy(seg_header, header, hlen);
  const uint32_t room = kFrameMax - hlen;
  int32_t piece = 0;
  uint32_t in_piece = hlen;  // the header lies at the start of the first piece or is the first piece
  if (pieces[0].len == hlen) {
    piece = 1;
    in_piece = 0;
  }
  uint32_t sent = 0;
  while (sent < data_len) {
    const uint32_t chunk = std::min(room, data_len - sent);
    const bool last = sent + chunk == data_len;
    put_be32(seg_header + kHdrSegment, kSegmentMark);
    if (last) seg_header[kHdrSegment] = kSegmentLast;
    put_be32(seg_header + kHdrOffset, sent);
    put_be32(seg_header + kHdrTotal, data_len);
    com_piece list[CLT_TACT_PIECES - 1];
    int32_t n = 0;
    list[n++] = com_piece{seg_header, hlen};
    uint32_t need = chunk;
    while (need > 0 && piece < count) {
      const uint32_t avail = pieces[piece].len - in_piece;
      if (avail == 0) {
        ++piece;
        in_piece = 0;
        continue;
      }
      if (n == CLT_TACT_PIECES - 1) return PD_E_PARAM;
      const uint32_t take = std::min(avail, need);
      list[n++] = com_piece{pieces[piece].addr + in_piece, take};
      in_piece += take;
      need -= take;
    }
    const int32_t tflags = last ? last_flags : 0;
    int32_t rc = tact_send(peer, list, n, tflags, chunk + hlen);
    if (rc != 0) return rc;
    sent += chunk;
  }
  return 0;
}

namespace {

// Grows the connection's reply buffer for the next segment of a reply of
// total_data bytes; the bytes already received are kept.
int32_t grow_reply(com_piece* pieces, int32_t count, uint32_t total_data, uint32_t received_in_buffer) {
  clt_com_ctx com = clt_com_cur();
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (count < 2 || com.call == nullptr || com.call->reply_may_grow == 0) return 0;
  if (com.call->reply_buf == nullptr || pieces[1].addr != com.call->reply_buf) return 0;
  if (ctx.main != nullptr &&
      (strncmp(ctx.main->srv_version, "04", 2) == 0 || strncmp(ctx.main->srv_version, "05", 2) == 0)) {
    return 0;
  }
  // Room for the next segment's data, grown as segments arrive: a first
  // segment may announce a total that never comes.
  const uint64_t need = std::min<uint64_t>(total_data, static_cast<uint64_t>(received_in_buffer) + CLT_FRAME_BODY_MAX);
  if (pieces[1].len >= need) return 0;
  const uint32_t size = clt_grow_size(pieces[1].len, need, clt_round_step(total_data));
  auto* grown = static_cast<uint8_t*>(cltmem_alloc(size, 0, kModule, __LINE__));
  if (grown == nullptr) {
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, "MEMORY", kModule, __LINE__);
    return PD_E_MEMORY;
  }
  memcpy(grown, pieces[1].addr, std::min(received_in_buffer, pieces[1].len));
  cltmem_free(com.call->reply_buf, kModule, __LINE__);
  com.call->reply_buf = grown;
  com.call->reply_cur = grown;
  if (com.conn != nullptr) com.conn->reply_buf_size = size;
  pieces[1] = com_piece{grown, size};
  return 0;
}

}  // namespace

int32_t pd_clt_recv(sockaddr_in* peer, com_piece* pieces, int32_t count, int32_t wait, int32_t flags) {
  if (count <= 0 || count > PD_RECV_PIECES_MAX || pieces == nullptr || wait < -1 || wait > kRecvWaitMax ||
      (flags != 0 && flags != PD_SEND_KEEP)) {
    return PD_E_PARAM;
  }
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (ctx.call == nullptr || ctx.call->bsess == nullptr) return PD_E_STATE;
  const bool kept = (ctx.call->bsess->kept & 1) != 0 || flags == PD_SEND_KEEP;
  const int32_t tflags = kept ? 0 : CLT_TACT_FLAG_CLOSE;
  uint32_t capacity[PD_RECV_PIECES_MAX];
  for (int32_t i = 0; i < count; ++i) capacity[i] = pieces[i].len;

  const uint8_t* placed[PD_RECV_PIECES_MAX];
  for (int32_t i = 0; i < count; ++i) placed[i] = pieces[i].addr;

  sockaddr_in from{};
  clt_tact_req req{&from, count, pieces, wait, 0};
  int32_t rc = clt_tact_recv(&req, tflags);
  if (rc != 0 && rc != CLT_TACT_E_TRUNCATED) return pd_clt_trecv_code(rc);
  // A piece the transport moved into a bigger buffer has that buffer's room.
  for (int32_t i = 0; i < count; ++i) {
    if (pieces[i].addr != placed[i]) capacity[i] = pieces[i].len;
  }
  if (peer != nullptr) *peer = from;
  bool truncated = rc == CLT_TACT_E_TRUNCATED;
  uint32_t received = req.len_out;
  if (received < PD_MSG_SHORT_SIZE || pieces[0].len < PD_MSG_SHORT_SIZE) return PD_E_NETWORK;
  const uint8_t* header = pieces[0].addr;
  const bool short_form = get_be32(header + kHdrForm) == kShortMark;
  const uint32_t hlen = short_form ? PD_MSG_SHORT_SIZE : PD_MSG_HEADER_SIZE;
  if (received < hlen || pieces[0].len < hlen) return PD_E_NETWORK;
  keep_order(ctx.main, header, short_form);
  const uint32_t cnct = short_form ? 0 : get_be32(header + kHdrCnct);
  if (cnct != 0 && ctx.main != nullptr) ctx.main->cnct_number = cnct;
  const int32_t kind = static_cast<int32_t>(get_be32(header + kHdrKind));
  const uint32_t msg_id = get_le32(header + kHdrId);
  const bool segmented = get_be32(header + kHdrSegment) != 0;

  // Lengths given back per piece: what the bytes so far filled.
  auto write_back = [&](uint32_t total) {
    for (int32_t i = 0; i < count; ++i) {
      const uint32_t take = std::min(total, capacity[i]);
      pieces[i].len = take;
      total -= take;
    }
  };
  if (!segmented) {
    write_back(received);
    if (truncated) return PD_E_TRUNCATED;
    return kind == kMsgKindError ? PD_E_SERVER_ERROR : 0;
  }
  const uint32_t total_data = get_be32(header + kHdrTotal);
  if (get_be32(header + kHdrOffset) != 0 || clt_round_step(total_data) > UINT32_MAX) {
    clt_errlog_msg(kMsgInvalid, addr_of(&from), port_of(&from), kModule, __LINE__);
    return PD_E_NETWORK;
  }
  bool last = (header[kHdrSegment] & kSegmentLast) != 0;
  uint32_t data = received - hlen;
  pd_clt_bsess* b = ctx.call->bsess;
  while (!last) {
    if (truncated) return PD_E_TRUNCATED;
    if (count >= 2) {
      const uint32_t held = hlen + data;
      rc = grow_reply(pieces, count, total_data, held > capacity[0] ? held - capacity[0] : 0);
      if (rc != 0) return rc;
      capacity[1] = pieces[1].len;
    }
    // Pieces after the bytes received so far, behind a header of their own.
    com_piece rest[PD_RECV_PIECES_MAX + 1];
    int32_t n = 0;
    rest[n++] = com_piece{b->recv_header, hlen};
    uint32_t skip = hlen + data;
    for (int32_t i = 0; i < count && n <= PD_RECV_PIECES_MAX; ++i) {
      if (skip >= capacity[i]) {
        skip -= capacity[i];
        continue;
      }
      rest[n++] = com_piece{pieces[i].addr + skip, capacity[i] - skip};
      skip = 0;
    }
    if (n == 1) return PD_E_TRUNCATED;
    clt_tact_req seg{&from, n, rest, wait, 0};
    rc = clt_tact_recv(&seg, tflags);
    if (rc != 0 && rc != CLT_TACT_E_TRUNCATED) return pd_clt_trecv_code(rc);
    truncated = rc == CLT_TACT_E_TRUNCATED;
    const uint8_t* sh = b->recv_header;
    if (seg.len_out < hlen || get_be32(sh + kHdrSegment) == 0 || get_le32(sh + kHdrId) != msg_id ||
        get_be32(sh + kHdrOffset) != data) {
      clt_errlog_msg(kMsgInvalid, addr_of(&from), port_of(&from), kModule, __LINE__);
      return PD_E_NETWORK;
    }
    keep_order(ctx.main, sh, short_form);
    data += seg.len_out - hlen;
    last = (sh[kHdrSegment] & kSegmentLast) != 0;
    if (last && get_be32(sh + kHdrTotal) != data) {
      clt_errlog_msg(kMsgInvalid, addr_of(&from), port_of(&from), kModule, __LINE__);
      return PD_E_NETWORK;
    }
  }
  write_back(hlen + data);
  if (truncated) return PD_E_TRUNCATED;
  return kind == kMsgKindError ? PD_E_SERVER_ERROR : 0;
}

namespace {

// The peer of the connection-state and named services.
int32_t service_peer(clt_rpc_ctx& ctx, const char* service, int32_t flags, sockaddr_in* peer, bool log_inner) {
  if (ctx.env != nullptr && ctx.env->host[0] != '\0' && (flags & PD_SVC_OWN_LOOKUP) == 0) {
    uint32_t addr = 0;
    if (com_hostaddr(ctx.env->host, &addr) != 0) {
      clt_errlog_msg(PD_LOG_ENV, "PDHOST", "NET ENVIRONMENT");
      return PD_E_UNEXPECTED;
    }
    *peer = sockaddr_in{};
    peer->sin_family = AF_INET;
    peer->sin_port = htons(ctx.env != nullptr ? ctx.env->name_port : 0);
    peer->sin_addr.s_addr = addr;
    return 0;
  }
  nam_address found{};
  uint8_t info[NAM_INFO_SIZE];
  int32_t rc = name_lookup(service, nullptr, &found, info, 0);
  if (rc != 0) {
    if (log_inner) clt_errlog_msg(kMsgInfo, "INNER OPERATION", "nam_lookup");
    return lookup_code(rc == NAM_E_FES_LOST ? NAM_E_UNEXPECTED : rc);
  }
  *peer = sockaddr_in{};
  peer->sin_family = AF_INET;
  peer->sin_port = found.port;
  peer->sin_addr.s_addr = found.addr;
  return 0;
}

bool passes(int32_t rc, bool with_busy) {
  switch (rc) {
    case 0:
    case PD_E_CANCELLED:
    case PD_E_UNEXPECTED:
    case PD_E_REFUSED:
    case PD_E_FES_NOT_UP:
    case -2408:
    case PD_E_NETWORK:
    case PD_E_MEMORY:
    case PD_E_STATE:
    case PD_E_PARAM: return true;
    case PD_E_BUSY: return with_busy;
    default: return false;
  }
}

int32_t service_result(clt_rpc_ctx& ctx, int32_t rc, bool rdm) {
  if (passes(rc, rdm)) return rc;
  if (rdm && (is_fes_lost_code(rc) || rc == PD_E_FES_LOST)) {
    fes_lost(ctx.conn, rc);
    return PD_E_FES_LOST;
  }
  clt_errlog_msg(CLT_LOG_CLIENT_ERROR, "UNEXPECT", kModule, __LINE__);
  return PD_E_UNEXPECTED;
}

int32_t service_call(const char* service, uint32_t code, com_piece* out, int32_t out_count, com_piece* in,
                     int32_t in_count, int32_t flags, bool rdm) {
  clt_rpc_ctx ctx = clt_rpc_cur();
  if (ctx.call == nullptr || ctx.call->bsess == nullptr) return PD_E_STATE;
  sockaddr_in peer{};
  int32_t rc = service_peer(ctx, service, flags, &peer, rdm);
  if (rc != 0) return rc;
  const int32_t keep_open = ctx.env != nullptr && ctx.env->tcpconopt != 0 ? PD_SEND_NO_CLOSE : 0;
  const bool ask = (flags & PD_SVC_ASK) != 0;
  if (ask && !rdm) {
    // Its one caller, the connection-end notice, relies on this flag
    // sending without waiting for a reply.
    rc = pd_clt_send(&peer, code, out, out_count, nullptr, 0, PD_SEND_ONLY | keep_open);
    return service_result(ctx, rc, rdm);
  }
  if (ask) {
    rc = pd_clt_send(&peer, PD_SVC_STATE_ASK, out, out_count, in, in_count, keep_open);
    if (rc != 0) {
      clt_errlog_msg(kMsgInfo, "INNER OPERATION", "rdm_send");
      return service_result(ctx, rc, rdm);
    }
    if (in_count >= 2 && in[1].len >= 8 && get_be32(in[1].addr + 4) == kRdmReplyOk && ctx.conn != nullptr) {
      ctx.conn->fes_state = 'Y';
    }
    return 0;
  }
  rc = pd_clt_send(&peer, rdm ? PD_SVC_STATE : code, out, out_count, nullptr, 0, PD_SEND_ONLY | keep_open);
  if (rc != 0) {
    if (rdm) clt_errlog_msg(kMsgInfo, "INNER OPERATION", "rdm_send");
    return service_result(ctx, rc, rdm);
  }
  const int32_t wait = rdm ? connect_wait(ctx.env) : wait_of(ctx.env != nullptr ? ctx.env->cwaittime : 0);
  sockaddr_in from{};
  rc = pd_clt_recv(&from, in, in_count, wait, 0);
  if (rc == PD_E_SERVER_ERROR) {
    const uint8_t* code_at = nullptr;
    const int32_t code_value = first_data_word(in, in_count, PD_MSG_HEADER_SIZE, &code_at)
                                   ? error_code_of(ctx.main, code_at)
                                   : PD_E_UNEXPECTED;
    clt_errlog_msg(PD_LOG_REPLIED, static_cast<long>(code_value), addr_of(&from), port_of(&from), kModule, __LINE__);
    if (code_value == PD_E_BUSY) return PD_E_BUSY;
    if (is_fes_lost_code(code_value)) {
      fes_lost(ctx.conn, code_value);
      return PD_E_FES_LOST;
    }
    return PD_E_SERVER_ERROR;
  }
  if (rc != 0) {
    if (rdm) clt_errlog_msg(kMsgInfo, "INNER OPERATION", "rdm_recv");
    return service_result(ctx, rc, rdm);
  }
  if (in[0].len < 4 || get_be32(in[0].addr) != PD_SVC_STATE) {
    clt_errlog_msg(kMsgInvalid, addr_of(&from), port_of(&from), kModule, __LINE__);
  }
  return 0;
}

}  // namespace

int32_t pd_clt_rdm_call(const char* service, com_piece* out, int32_t out_count, com_piece* in, int32_t in_count,
                        int32_t flags) {
  return service_call(service, PD_SVC_STATE, out, out_count, in, in_count, flags, true);
}

int32_t pd_clt_svc_call(const char* service, uint32_t code, com_piece* out, int32_t out_count, com_piece* in,
                        int32_t in_count, int32_t flags) {
  return service_call(service, code, out, out_count, in, in_count, flags, false);
}
