#include "cltrdsql.h"

#include <string.h>

#include <initializer_list>

#include "CLTCNTL.h"
#include "CLTCOMCTX.h"
#include "CLTSQLDA.h"
#include "CLTTRCDT.h"
#include "CLTTRCEL.h"
#include "CLTUTL.h"
#include "cltrdana.h"
#include "cltrdbuf.h"
#include "cltrdmsg.h"
#include "cltrdtcp.h"
#include "zk_bytes.h"
#include "zk_packet.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "cltrdsql";
constexpr int16_t kSecondProtocol = 2;
constexpr char kYes = 'Y';
constexpr char kNo = 'N';
// The error log's line of a list whose sqld is refused.
constexpr int32_t kErrlogSqld = 2;

// Reply kinds.
constexpr uint16_t kReplyNormal = 2001;
constexpr uint16_t kReplyRemote = 2002;
constexpr uint32_t kReplyKind = 4;
constexpr uint32_t kReplyErrorAt = 12;
constexpr uint32_t kErrorTextAt = 6;
constexpr uint32_t kNoBlock = 0xFFFFFFFF;
constexpr size_t kRemoteTextMax = 254;

// Where the commit and rollback packet is built in the receive buffer.
constexpr uint32_t kEndPacketAt = 20;

// The CONNECT reply packet: the block with the server version and the
// level word, from the packet.
constexpr uint32_t kPkInfoAt = 28;
constexpr uint32_t kInfoVersion = 2;
constexpr uint32_t kInfoLevel = 24;
constexpr char kOldVersion[] = "27-00";
constexpr size_t kVersionCompare = 5;
constexpr int32_t kOldLevelWord = -12;
// The server block.
constexpr uint32_t kSrvNumber = 2;
constexpr uint32_t kSrvPid = 4;
constexpr uint32_t kSrvName = 8;

// Request header words that say a statement carries output variables.
constexpr uint32_t kReqSecondPart = 20;
constexpr uint32_t kReqFourthPart = 28;

struct link_parts {
  clt_main* main;
  clt_env* env;
  clt_rd_link* link;
};

link_parts current() {
  clt_com_ctx com = clt_com_cur();
  if (com.main == nullptr || com.conn == nullptr || com.env == nullptr) return link_parts{};
  return link_parts{com.main, com.env, &com.conn->rd};
}

int32_t refuse(rdb_sql_area* area, int32_t line) {
  if (area != nullptr) {
    clt_report(area, kModule, line, CLT_SQL_CLIENT_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_CLIENT_ERROR, kModule, line);
  }
  return CLT_RD_E_REPORTED;
}

uint32_t server32(const clt_main* main, const uint8_t* p) {
  if (main->byteorder == 0) return get_be32(p);
  uint32_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

uint16_t server16(const clt_main* main, const uint8_t* p) {
  if (main->byteorder == 0) return get_be16(p);
  uint16_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

clt_rd_msg_base base_of(const link_parts& p) {
  clt_rd_msg_base b{};
  b.recv_size = p.link->recv.size;
  b.client_addr = p.link->client_addr;
  b.link_flag[0] = p.link->link_flag[0];
  b.link_flag[1] = p.link->link_flag[1];
  b.dcservice = p.env->pdtp1service == kYes ? p.env->dcservice : nullptr;
  b.client_order = p.main->byteorder != 0;
  return b;
}

// Sends the message in the send buffer and receives the reply.
int32_t exchange(const link_parts& p, uint32_t length, uint32_t* received, rdb_sql_area* area) {
  const int32_t rc = clt_rd_tcp_send(p.link->socket, p.link->send.data, length);
  if (rc != 0) return rc;
  const bool long_wait = p.link->greeted == 0 || p.main->funccode == CLT_FC_CNCT;
  const clt_rd_wait wait{long_wait ? CLT_RD_GREETING_WAIT : static_cast<uint32_t>(p.env->pdcwaittime), p.main};
  return clt_rd_tcp_recv(p.link->socket, p.link->recv.data, p.link->recv.size, wait, received, area);
}

// The reply kind: 0 for a normal reply; a remote error fills the SQLCA
// and builds its packet at the start of the receive buffer.
int32_t remote_msg(const link_parts& p, uint32_t received, rdb_sql_area* area, const uint8_t** packet,
                   uint32_t* packet_len) {
  const uint8_t* r = p.link->recv.data;
  if (received < kReplyErrorAt + sizeof(uint32_t)) return refuse(area, __LINE__);
  const uint16_t kind = get_be16(r + kReplyKind);
  if (kind == kReplyNormal) return 0;
  const uint32_t error_at = get_be32(r + kReplyErrorAt);
  if (kind != kReplyRemote || error_at == 0 || error_at == kNoBlock) return refuse(area, __LINE__);
  if (uint64_t{error_at} + kErrorTextAt + sizeof(uint16_t) > received) return refuse(area, __LINE__);
  const uint64_t text_at = uint64_t{error_at} + get_be16(r + error_at + kErrorTextAt);
  if (text_at >= received) return refuse(area, __LINE__);
  // The text ends at its NUL, at 254 bytes or at the end of the reply.
  char text[kRemoteTextMax + 1] = {};
  const size_t room = received - static_cast<size_t>(text_at);
  memcpy(text, r + text_at, strnlen(reinterpret_cast<const char*>(r + text_at), room < kRemoteTextMax ? room : kRemoteTextMax));
  clt_report(area, kModule, __LINE__, CLT_SQL_RD_REMOTE_ERROR, CLT_SQLSTATE_DEFAULT, CLT_MSG_RD_REMOTE_ERROR, text);
  clt_rd_error_packet(p.link->recv.data, *area->sqlca, __LINE__);
  *packet = p.link->recv.data;
  *packet_len = CLT_RD_PACKET_SIZE;
  return CLT_RD_E_REPORTED;
}

// Send, receive, check the kind and walk to the reply packet.
int32_t converse(const link_parts& p, uint32_t length, rdb_sql_area* area, const uint8_t** packet,
                 uint32_t* packet_len, clt_rd_reply_map* map) {
  uint32_t received = 0;
  int32_t rc = exchange(p, length, &received, area);
  if (rc != 0) return rc;
  if (p.main->funccode == CLT_FC_CNCT) p.main->connected = 1;
  rc = remote_msg(p, received, area, packet, packet_len);
  if (rc != 0 || map == nullptr) return rc;
  if (clt_rd_map_reply(p.link->recv.data, received, map) != 0) return refuse(area, __LINE__);
  *packet = p.link->recv.data + map->packet;
  *packet_len = map->packet_len;
  return 0;
}

int32_t op_connect(const link_parts& p, const uint8_t* request, uint32_t request_len, rdb_sql_area* area,
                   const uint8_t** packet, uint32_t* packet_len) {
  const uint32_t length =
      clt_rd_connect_message(p.link->send.data, base_of(p), p.env->rdnode, p.env->rdnode_len, request, request_len);
  clt_rd_reply_map map{};
  const int32_t rc = converse(p, length, area, packet, packet_len, &map);
  if (rc != 0) return rc;
  p.main->connected = 1;
  p.main->session_open = 1;
  p.link->server_flag = map.server_flag == kYes ? kYes : kNo;
  uint8_t* pk = p.link->recv.data + map.packet;
  if (map.packet_len >= kPkInfoAt + sizeof(uint32_t)) {
    const uint32_t info = server32(p.main, pk + kPkInfoAt);
    if (info != 0 && uint64_t{info} + kInfoLevel + sizeof(uint32_t) <= map.packet_len &&
        memcmp(pk + info + kInfoVersion, kOldVersion, kVersionCompare) <= 0) {
      clt_pkt::packet(pk + info, p.main->byteorder).i32(kInfoLevel, kOldLevelWord);
    }
  }
  const uint8_t* srv = map.server != 0 ? p.link->recv.data + map.server : nullptr;
  memset(p.link->server_name, 0, sizeof p.link->server_name);
  if (srv != nullptr && server32(p.main, srv + kSrvPid) != 0) {
    p.main->cnct_number = server16(p.main, srv + kSrvNumber);
    p.main->srv_pid = server32(p.main, srv + kSrvPid);
    size_t n = CLT_RD_SERVER_NAME_SIZE;
    while (n > 0 && (srv[kSrvName + n - 1] == ' ' || srv[kSrvName + n - 1] == '\0')) --n;
    memcpy(p.link->server_name, srv + kSrvName, n);
  } else {
    p.main->cnct_number = 0;
    p.main->srv_pid = 0;
  }
  return 0;
}

int32_t op_end(const link_parts& p, bool commit, rdb_sql_area* area, const uint8_t** packet, uint32_t* packet_len) {
  const uint32_t length =
      clt_rd_control_message(p.link->send.data, commit ? CLT_RD_KIND_COMMIT : CLT_RD_KIND_ROLLBACK, base_of(p));
  const int32_t rc = converse(p, length, area, packet, packet_len, nullptr);
  if (rc != 0) return rc;
  uint8_t* pk = p.link->recv.data + kEndPacketAt;
  clt_rd_commit_packet(pk, clt_rd_end_status(commit, p.link->trn_state));
  *packet = pk;
  *packet_len = CLT_RD_PACKET_SIZE;
  return 0;
}

int32_t op_disconnect(const link_parts& p, const uint8_t* request, uint32_t request_len, rdb_sql_area* area,
                      const uint8_t** packet, uint32_t* packet_len) {
  const bool as_disc = p.main->funccode == CLT_FC_DISR;
  uint32_t length = clt_rd_disconnect_message(p.link->send.data, base_of(p), request, request_len, as_disc);
  clt_rd_reply_map map{};
  const uint8_t* reply = nullptr;
  uint32_t reply_len = 0;
  int32_t rc = converse(p, length, area, &reply, &reply_len, &map);
  if (rc != 0) {
    *packet = reply;
    *packet_len = reply_len;
    return rc;
  }
  // The end-of-disconnect reply comes into the same buffer.
  if (clt_rd_prepare_third(p.link, reply_len, area) != 0) return CLT_RD_E_REPORTED;
  memcpy(p.link->third.data, reply, reply_len);
  length = clt_rd_control_message(p.link->send.data, CLT_RD_KIND_DISCONNECT_END, base_of(p));
  rc = converse(p, length, area, packet, packet_len, nullptr);
  if (rc != 0) return rc;
  p.main->connected = 0;
  *packet = p.link->third.data;
  *packet_len = reply_len;
  return 0;
}

bool one_of(int32_t fc, std::initializer_list<int32_t> codes) {
  for (int32_t c : codes) {
    if (c == fc) return true;
  }
  return false;
}

bool word_set(const uint8_t* request, uint32_t request_len, uint32_t at) {
  if (request_len < at + sizeof(uint32_t)) return false;
  uint32_t v;
  memcpy(&v, request + at, sizeof v);
  return v != 0;
}

bool size_block_due(int32_t fc, const uint8_t* request, uint32_t request_len) {
  if (fc == CLT_FC_FETC) return word_set(request, request_len, kReqSecondPart);
  if (fc == CLT_FC_AUXI) return word_set(request, request_len, kReqFourthPart);
  return one_of(fc, {CLT_FC_AUI2, CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_GETD, CLT_FC_AUI3});
}

// The size sums of the statement's output variables into the link block.
int32_t put_vars(const link_parts& p, rdb_sql_area* area) {
  memset(p.link->sums, 0, sizeof p.link->sums);
  const int32_t fc = p.main->funccode;
  const SQLDA* da = nullptr;
  if (one_of(fc, {CLT_FC_FETC, CLT_FC_AUI2, CLT_FC_DESC, CLT_FC_HVAR})) da = area->sqliasda;
  if (one_of(fc, {CLT_FC_AUXI, CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_GETD, CLT_FC_DEST, CLT_FC_AUI3})) da = area->sqliasda2;
  if (da == nullptr || !one_of(fc, {CLT_FC_FETC, CLT_FC_AUI2, CLT_FC_AUXI, CLT_FC_AUXO, CLT_FC_CALL, CLT_FC_GETD, CLT_FC_AUI3})) {
    return 0;
  }
  int32_t count = da->sqld;
  if (fc == CLT_FC_AUI2 && da->sqld >= 1 && area->outcount >= 1) count = area->outcount;
  if (count < 1) return 0;
  if (da->sqld < 0 || da->sqld > CLT_SQLDA_MAX_VARS || da->sqld > da->sqln) {
    clt_report(area, kModule, __LINE__, CLT_SQL_VARIABLE_COUNT, CLT_SQLSTATE_VAR_COUNT, CLT_MSG_VARIABLE_COUNT);
    clt_errlog_sqlda(kErrlogSqld, da);
    return CLT_RD_E_REPORTED;
  }
  const int32_t array_count = fc == CLT_FC_FETC ? area->fetchrows : 0;
  const clt_rd_sum_result r = clt_rd_sum_vars(*da, count, array_count, p.link->sums);
  switch (r.fault) {
    case clt_rd_var_fault::none: return 0;
    case clt_rd_var_fault::address:
      clt_report(area, kModule, __LINE__, CLT_SQL_VARIABLE_ADDRESS, CLT_SQLSTATE_DEFAULT, CLT_MSG_VARIABLE_ADDRESS, r.number);
      return CLT_RD_E_REPORTED;
    case clt_rd_var_fault::count:
    case clt_rd_var_fault::type: {
      clt_report(area, kModule, __LINE__, CLT_SQL_VARIABLE_TYPE, CLT_SQLSTATE_OUT_VAR, CLT_MSG_VARIABLE_TYPE, r.number,
                 "(into)");
      const int32_t kind = r.fault == clt_rd_var_fault::count ? CLT_VAR_LENGTH : CLT_VAR_TYPE;
      clt_errlog_sqlvar(kind, r.number, &da->sqlvar[r.number - 1]);
      return CLT_RD_E_REPORTED;
    }
  }
  return 0;
}

// After a statement's reply: describe replies fixed up, and what a
// COMMIT frees when the server ended the transaction itself.
int32_t take_reply(const link_parts& p, uint8_t* packet, uint32_t packet_len, rdb_sql_area* area) {
  const int32_t fc = p.main->funccode;
  if ((fc == CLT_FC_DESC || fc == CLT_FC_HVAR) && clt_rd_fix_describe(packet, packet_len) != 0) {
    return refuse(area, __LINE__);
  }
  // A FETCH's block-fetch entry may hold the very buffer this reply goes
  // into: what the implicit commit frees waits for a request that fetches
  // nothing.
  if (p.link->implicit_commit != 0) p.link->release_pending = 1;
  if (p.link->release_pending == 0 || fc == CLT_FC_FETC || fc == CLT_FC_RSFT) return 0;
  p.link->release_pending = 0;
  if (p.main->blkf_list != nullptr && clt_runtime(clt_runtime_op::blkf_free_unheld, area) != 0) return CLT_RD_E_REPORTED;
  if (p.main->loc_list != nullptr && clt_runtime(clt_runtime_op::loc_free_closed, area) != 0) return CLT_RD_E_REPORTED;
  clt_free_request_buffers(p.main);
  clt_main_reply(p.main)->sqlca_mark = ' ';
  return 0;
}

int32_t op_statement(const link_parts& p, const uint8_t* request, uint32_t request_len, rdb_sql_area* area,
                     const uint8_t** packet, uint32_t* packet_len) {
  p.link->implicit_commit = 0;
  const int32_t fc = p.main->funccode;
  const uint32_t* sums = nullptr;
  if (size_block_due(fc, request, request_len)) {
    if (put_vars(p, area) != 0) return CLT_RD_E_REPORTED;
    sums = p.link->sums;
  }
  const uint32_t length = clt_rd_statement_message(p.link->send.data, base_of(p), sums, fc, request, request_len);
  clt_rd_reply_map map{};
  const int32_t rc = converse(p, length, area, packet, packet_len, &map);
  if (rc != 0) return rc;
  p.link->implicit_commit = map.implicit_commit;
  uint8_t* pk = p.link->recv.data + map.packet;
  const uint32_t flags_at = clt_rd_status_flags_at(pk, map.packet_len);
  if (flags_at == 0) return refuse(area, __LINE__);
  uint8_t next = 0;
  uint8_t status = 0;
  if (clt_rd_trn_step(p.link->trn_state, map.trn_byte, &next, &status)) {
    p.link->trn_state = next;
    pk[flags_at] = status;
  }
  return take_reply(p, pk, map.packet_len, area);
}

}  // namespace

int32_t clt_rd_open(rdb_sql_area* area) {
  const link_parts p = current();
  if (p.link == nullptr) {
    refuse(area, __LINE__);
    return -1;
  }
  if (p.link->open != 0) return 0;
  clt_trc_open_rpcsoc();
  if (clt_rd_prepare_buffers(p.link, 0, 0, area) != 0) return -1;
  int32_t rc = clt_rd_tcp_connect(p.link, p.env->pdhost, p.env->nameport_cur);
  if (rc != 0) {
    clt_rd_free_link_buffers(p.link);
    p.main->connected = 0;
    if (rc == -1) {
      return clt_report(area, kModule, __LINE__, CLT_SQL_COMM_FAILED, CLT_SQLSTATE_DEFAULT, CLT_MSG_COMM_FAILED, "INIT ERROR");
    }
    return rc;
  }
  p.main->session_open = 1;
  uint32_t received = 0;
  const clt_rd_wait wait{CLT_RD_GREETING_WAIT, p.main};
  rc = clt_rd_tcp_recv(p.link->socket, p.link->recv.data, p.link->recv.size, wait, &received, area);
  if (rc == 0) p.link->greeted = 1;
  if (rc != 0) {
    p.main->connected = 0;
    if (rc == CLT_RD_E_REPORTED) return -1;
    if (rc == CLT_RD_E_CANCELLED) {
      // The connection manager hears of nothing on this protocol.
      if (p.main->blkf_list != nullptr) clt_runtime(clt_runtime_op::blkf_free_all, area);
      clt_free_request_buffers(p.main);
      return clt_report(area, kModule, __LINE__, CLT_SQL_FES_CANCELED, CLT_SQLSTATE_DEFAULT, "%s", CLT_MSG_FES_CANCELED);
    }
    return rc;
  }
  p.main->connected = 1;
  p.link->open = 1;
  return 0;
}

int32_t clt_rd_exec(uint8_t* request, uint32_t* request_len, uint8_t* reply, uint32_t* reply_len, rdb_sql_area* area) {
  const link_parts p = current();
  if (p.link == nullptr || p.link->open == 0) return refuse(area, __LINE__);
  p.link->link_flag[0] = 1;
  p.link->link_flag[1] = 1;
  if (clt_rd_prepare_buffers(p.link, *request_len, *reply_len, area) != 0) return CLT_RD_E_REPORTED;
  const uint8_t* packet = nullptr;
  uint32_t packet_len = 0;
  int32_t rc = 0;
  switch (p.main->funccode) {
    case CLT_FC_CMIT: rc = op_end(p, true, area, &packet, &packet_len); break;
    case CLT_FC_ROLL: rc = op_end(p, false, area, &packet, &packet_len); break;
    case CLT_FC_CNCT: rc = op_connect(p, request, *request_len, area, &packet, &packet_len); break;
    case CLT_FC_DISC:
    case CLT_FC_DISR:
      // Disconnect only once the transaction has ended as asked.
      rc = op_end(p, p.main->funccode == CLT_FC_DISC, area, &packet, &packet_len);
      if (rc == 0) rc = op_disconnect(p, request, *request_len, area, &packet, &packet_len);
      break;
    default: rc = op_statement(p, request, *request_len, area, &packet, &packet_len); break;
  }
  if (packet != nullptr) {
    // A packet larger than the caller can take is refused, not cut.
    if (packet_len > *reply_len) return refuse(area, __LINE__);
    memcpy(reply, packet, packet_len);
    *reply_len = packet_len;
  }
  return rc;
}

int32_t clt_rd_close(rdb_sql_area*) {
  const link_parts p = current();
  if (p.link == nullptr) return 0;
  if (p.main->session_open == 1) clt_rd_tcp_close(p.link->socket);
  p.main->session_open = 0;
  p.main->connected = 0;
  p.link->open = 0;
  p.link->greeted = 0;
  return 0;
}

void clt_rd_free_buffers(rdb_sql_area*) {
  const link_parts p = current();
  if (p.link != nullptr) clt_rd_free_link_buffers(p.link);
}

void clt_rd_release() {
  const link_parts p = current();
  if (p.link == nullptr || p.env->pdsrvtype != kSecondProtocol) return;
  clt_rd_close(nullptr);
  clt_rd_free_link_buffers(p.link);
}
