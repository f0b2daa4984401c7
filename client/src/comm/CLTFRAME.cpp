#include "CLTFRAME.h"

#include <netinet/in.h>
#include <string.h>

#include "zk_bytes.h"
#include "CLTCOMCTX.h"
#include "zk_codes.h"
#include "zk_seam.h"

namespace {

constexpr const char* kModule = "CLTFRAME";
constexpr const char* kMsgProtocol = CLT_MSG_PROTOCOL_ERROR;
constexpr const char* kMsgSize = "KFPZ02421-E Invalid size, received size=%lu, size in head=%ld, IPaddr=%lx, port=%d\n";

constexpr uint8_t kReqcodeOverride = 0xAD;
constexpr uint8_t kKindLowBits = 0x07;
constexpr uint8_t kFeaturesForReqcode = 0x07;
constexpr uint32_t kProtocolReqcode = 2;
constexpr uint32_t kReplyWord0 = 0x36000300;
constexpr uint32_t kReplyWord9 = 0x30400;
// Words of the local reply header that take the five reply values, in order.
constexpr int kReplyValueWords[CLT_REPLY_VALUES] = {10, 12, 2, 4, 1};

// Frame request codes by function code; 0 = none.
constexpr uint8_t kReqcodes[] = {
    0,    0x80, 0x81, 0x86, 0x8A, 0x82, 0x83, 0x84, 0x85, 0x8E,  //  0- 9
    0x87, 0x91, 0x88, 0x89, 0x90, 0xA1, 0xA2, 0x8B, 0x8D, 0x8F,  // 10-19
    0x8C, 0x92, 0x94, 0x95, 0x96, 0x97, 0x98, 0,    0,    0,     // 20-29
    0x90, 0x9E, 0x9F, 0xA0, 0x93, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,  // 30-39
    0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0,    0xAE, 0xAF, 0xB0, 0xB1,  // 40-49
    0xB2, 0xB6, 0xB7, 0xB8, 0xB9,                                // 50-54
};
constexpr int32_t kReqcodeCount = static_cast<int32_t>(sizeof kReqcodes);



unsigned long addr_of(const sockaddr_in* a) { return a != nullptr ? a->sin_addr.s_addr : 0; }
int port_of(const sockaddr_in* a) { return a != nullptr ? a->sin_port : 0; }

int32_t protocol_error(const sockaddr_in* a, const char* reason, int32_t result) {
  clt_errlog_msg(kMsgProtocol, addr_of(a), port_of(a), reason);
  return result;
}

}  // namespace

int32_t clt_rpc_reqcode(int32_t func_code, uint16_t override_word) {
  if (override_word == 1) return kReqcodeOverride;
  if (func_code < 0 || func_code >= kReqcodeCount || kReqcodes[func_code] == 0) return -1;
  return kReqcodes[func_code];
}

bool clt_frame_reqcode_form(const clt_com_conn* conn, int32_t func_code, uint32_t mode) {
  return conn != nullptr && conn->no_reqcode != 'Y' &&
         (conn->features & kFeaturesForReqcode) == kFeaturesForReqcode && conn->protocol == kProtocolReqcode &&
         (mode & CLT_TACT_MODE_CLOSING) == 0 && clt_rpc_reqcode(func_code, conn->reqcode_override) != -1;
}

void clt_frame_build(clt_frame_header* header, uint16_t session_port, bool close_after, uint8_t kind,
                     uint32_t body_len, uint32_t reply_cap) {
  header->session_port = session_port;
  header->flags = close_after ? (CLT_FRAME_FLAG_BASE | CLT_FRAME_FLAG_CLOSE) : CLT_FRAME_FLAG_BASE;
  header->kind = kind;
  put_be32(header->body_len, body_len);
  put_be32(header->reply_cap, reply_cap);
}

uint32_t clt_frame_body_len(const clt_frame_header* header) { return get_be32(header->body_len); }

int32_t clt_frame_check_header(const clt_frame_header* header, int32_t received, const sockaddr_in* recv_addr,
                               uint32_t* body_len) {
  if (received <= 0) return protocol_error(recv_addr, "SIZE ZERO", CLT_FRAME_E_ZERO);
  if (received < CLT_FRAME_HEADER_SIZE) return protocol_error(recv_addr, "SIZE SHORT", CLT_FRAME_E_SHORT);
  if (received > CLT_FRAME_HEADER_SIZE) return protocol_error(recv_addr, "SIZE OVER", CLT_FRAME_E_SHORT);
  const uint32_t len = clt_frame_body_len(header);
  const uint8_t kind = header->kind;
  if ((kind & CLT_FRAME_KIND_REQCODE) == 0 && (kind & kKindLowBits) != 0) {
    return protocol_error(recv_addr, "INF2 ERROR", CLT_FRAME_E_KIND);
  }
  // A length of 2 GB or more is no length a peer sends: it reads as
  // negative, as the size message prints it.
  if ((kind == 0 || (kind & CLT_FRAME_KIND_REQCODE) != 0) && static_cast<int32_t>(len) < 1) {
    return protocol_error(recv_addr, "INF2 ERROR", CLT_FRAME_E_SHORT);
  }
  *body_len = len;
  return 0;
}

int32_t clt_rpc_reply_header(const clt_com_conn* conn, const com_piece* first) {
  if (first->len < CLT_REPLY_HEADER_SIZE) {
    clt_errlog_msg(CLT_LOG_CLIENT_ERROR, "UNEXPECT", kModule, __LINE__);
    return CLT_FRAME_E_REPLY_HEADER;
  }
  uint32_t words[CLT_REPLY_HEADER_SIZE / sizeof(uint32_t)] = {};
  words[0] = kReplyWord0;
  words[9] = kReplyWord9;
  for (int i = 0; i < CLT_REPLY_VALUES; ++i) words[kReplyValueWords[i]] = conn->reply_values[i];
  memcpy(first->addr, words, sizeof words);
  return 0;
}

int32_t clt_frame_check_size(uint8_t kind, int32_t received, uint32_t body_len, uint32_t first_piece_len,
                             bool truncated, const sockaddr_in* recv_addr, uint32_t* len_out) {
  if (received >= 0 && static_cast<uint32_t>(received) == body_len) {
    *len_out = body_len + ((kind & CLT_FRAME_KIND_REQCODE) != 0 ? first_piece_len : 0);
    return 0;
  }
  if (received > 0 && truncated) {
    *len_out = static_cast<uint32_t>(received);
    return CLT_FRAME_E_TRUNCATED;
  }
  clt_errlog_msg(kMsgSize, static_cast<unsigned long>(static_cast<uint32_t>(received)),
                 static_cast<long>(static_cast<int32_t>(body_len)), addr_of(recv_addr), port_of(recv_addr));
  *len_out = 0;
  return CLT_FRAME_E_SIZE;
}
