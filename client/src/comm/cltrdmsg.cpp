#include "cltrdmsg.h"

#include <string.h>

#include "zk_bytes.h"
#include "zk_packet.h"
#include "zk_codes.h"

namespace {

// Prefix.
constexpr uint32_t kPrefixKind = 4;
constexpr uint32_t kPrefixBlock1 = 8;
constexpr uint32_t kPrefixNone = 12;
constexpr uint32_t kBlock1 = 20;
// Block 1, from the message start.
constexpr uint32_t kB1RecvSize = 20;
constexpr uint32_t kB1ToBlock2 = 28;
constexpr uint32_t kB1Marker = 33;
constexpr uint32_t kB1Addr = 36;
constexpr uint32_t kB1None = 40;
constexpr uint32_t kBlock2 = 48;
// Block 2.
constexpr uint32_t kB2Size = 40;
constexpr uint32_t kB2Tag = 48;
constexpr uint32_t kB2Length = 52;
constexpr uint32_t kB2One = 56;
constexpr uint32_t kB2ToHrh = 60;
constexpr uint32_t kB2None = 62;
constexpr uint32_t kB2ToId = 64;
constexpr uint32_t kB2Statement = 66;
constexpr uint32_t kB2HrhLength = 68;
constexpr uint32_t kB2Flag1 = 72;
constexpr uint32_t kB2Flag2 = 74;
constexpr uint32_t kB2ToHrhConnect = 200;
// Identification block of the connect message.
constexpr uint32_t kIdentity = 88;
constexpr uint32_t kIdAuthLength = 90;
constexpr uint32_t kIdNone = 92;
constexpr uint32_t kIdTag = 96;
constexpr uint32_t kIdVersion = 128;
constexpr uint32_t kIdFour = 132;
constexpr uint32_t kIdToNode = 136;
constexpr uint32_t kIdNodeLength = 138;
constexpr uint32_t kIdNodeNone = 140;
constexpr uint32_t kIdAuth = 152;
constexpr uint32_t kIdNode = 216;
constexpr uint32_t kIdNodeField = 32;
constexpr uint8_t kIdFourValue = 4;
constexpr char kClientTag[] = "Marlo Client";
constexpr char kIdVersionLead = '2';
constexpr uint32_t kHrhConnect = 248;
constexpr uint32_t kHrhOthers = 88;
// "*HRH" block, from its start.
constexpr uint32_t kHrhSize = 64;
constexpr uint32_t kHrhOne = 4;
constexpr uint32_t kHrhLength = 8;
constexpr uint32_t kHrhVersion = 12;
constexpr uint32_t kHrhToEnd = 28;
constexpr uint32_t kHrhToRequest = 32;
constexpr uint32_t kHrhToSizes = 44;
constexpr uint32_t kHrhToService = 48;
// Size block.
constexpr uint32_t kSizeBlock = 16;
// The CONNECT request: where the body's authorization id lies.
constexpr uint32_t kReqBody = 52;
constexpr uint32_t kReqAuth = kReqBody + 38;
constexpr uint32_t kReqCode = kReqBody + 4;
constexpr uint32_t kReqOpnrA = kReqBody + 8;
constexpr uint32_t kReqOpnrB = kReqBody + 42;
constexpr uint16_t kNone16 = 0xFFFF;
constexpr uint32_t kNone32 = 0xFFFFFFFF;
constexpr uint32_t kAlign = 4;
constexpr uint32_t kServiceTail = 2;
constexpr char kOpnr[] = "OPNR";
constexpr char kOpen[] = "OPEN";
constexpr char kDisc[] = "DISC";
constexpr size_t kCodeSize = 4;
constexpr uint8_t kComplement = 0xFF;

// Packets.
constexpr uint32_t kPkStatusAt = 8;
constexpr uint32_t kPkSqlcaAt = 12;
constexpr uint32_t kPkStatus = 36;
constexpr uint32_t kPkResult = 41;
constexpr uint32_t kPkFlags = 43;
constexpr uint32_t kPkSqlca = 56;
constexpr uint32_t kPkIdEnd = 63;
constexpr uint32_t kPkMsgAt = 64;
constexpr uint32_t kPkCode = 68;
constexpr uint32_t kPkPad = 98;
constexpr uint32_t kPkSource = 100;
constexpr uint32_t kPkSourceSize = 10;
constexpr uint32_t kPkLine = 112;
constexpr uint32_t kPkMsgLength = 124;
constexpr uint32_t kPkMsg = 126;
constexpr uint32_t kPkMsgFromSqlca = kPkMsgLength - kPkSqlca;
constexpr uint32_t kPkMsgRoom = CLT_RD_PACKET_SIZE - kPkMsg;
constexpr char kSqlcaId[] = "SQLCA   ";
constexpr char kErrorSource[] = "cltrdsql.c";
constexpr char kStateOk[] = "00000";
constexpr char kStateError[] = "R0000";
constexpr uint8_t kStatusEnded = 16;
constexpr int32_t kRemoteError = -874;

uint32_t align4(uint32_t n) { return (n + kAlign - 1) / kAlign * kAlign; }

// DCSERVICE goes when it has 1 to 31 characters.
constexpr size_t kServiceMax = 31;
size_t service_length(const clt_rd_msg_base& b) {
  if (b.dcservice == nullptr) return 0;
  const size_t n = strnlen(b.dcservice, kServiceMax + 1);
  return n <= kServiceMax ? n : 0;
}

// Prefix and block 1; the message length is written last.
void put_head(uint8_t* out, uint16_t kind, const clt_rd_msg_base& b, bool large, bool marked) {
  put_be16(out + kPrefixKind, kind);
  put_be16(out + kPrefixBlock1, kBlock1);
  put_be32(out + kPrefixNone, kNone32);
  put_be32(out + kB1RecvSize, b.recv_size);
  put_be16(out + kB1ToBlock2, large ? static_cast<uint16_t>(kBlock2 - kBlock1) : kNone16);
  out[kB1Marker] = marked ? 1 : 0;
  memcpy(out + kB1Addr, b.client_addr, sizeof(uint32_t));
  put_be32(out + kB1None, kNone32);
}

void put_block2(uint8_t* out, const clt_rd_msg_base& b, uint16_t to_hrh, uint16_t to_id, uint16_t statement) {
  memcpy(out + kB2Tag, "*XRD", kCodeSize);
  put_be32(out + kB2Length, kB2Size);
  put_be32(out + kB2One, 1);
  put_be16(out + kB2ToHrh, to_hrh);
  put_be16(out + kB2None, kNone16);
  put_be16(out + kB2ToId, to_id);
  put_be16(out + kB2Statement, statement);
  out[kB2Flag1] = b.link_flag[0];
  out[kB2Flag2] = b.link_flag[1];
}

// The "*HRH" block at hrh, the size block, the request and the DCSERVICE
// block; returns the message length and completes the length fields.
uint32_t put_tail(uint8_t* out, uint32_t hrh, const clt_rd_msg_base& b, const uint32_t* sums, const uint8_t* request,
                  uint32_t request_len) {
  uint8_t* h = out + hrh;
  memcpy(h, "*HRH", kCodeSize);
  put_be32(h + kHrhOne, 1);
  put_be32(h + kHrhLength, kHrhSize);
  memcpy(h + kHrhVersion, CLT_RD_VERSION_DIGITS, kCodeSize);
  uint32_t at = hrh + kHrhSize;
  if (sums != nullptr) {
    put_be32(out + at, kSizeBlock);
    for (uint32_t i = 0; i < 3; ++i) put_be32(out + at + sizeof(uint32_t) * (i + 1), sums[i]);
    put_be32(h + kHrhToSizes, kHrhSize);
    at += kSizeBlock;
  }
  put_be32(h + kHrhToRequest, at - hrh);
  memcpy(out + at, request, request_len);
  at += request_len;
  uint32_t to_end = kHrhSize + request_len;
  const uint16_t n = static_cast<uint16_t>(service_length(b));
  if (n != 0) {
    at = align4(at);
    put_be32(h + kHrhToService, at - hrh);
    clt_pkt::packet(out + at, b.client_order ? 1 : 0).u16(0, n);
    memcpy(out + at + sizeof n, b.dcservice, n);
    to_end = at - hrh + static_cast<uint32_t>(sizeof n) + n;
    at += static_cast<uint32_t>(sizeof n) + align4(n) + kServiceTail;
  }
  put_be32(h + kHrhToEnd, to_end);
  put_be32(out + kB2HrhLength, at - hrh);
  put_be32(out, at);
  return at;
}

}  // namespace

uint32_t clt_rd_control_message(uint8_t* out, uint16_t kind, const clt_rd_msg_base& b) {
  memset(out, 0, CLT_RD_CONTROL_SIZE);
  put_head(out, kind, b, false, kind == CLT_RD_KIND_DISCONNECT_END);
  put_be32(out, CLT_RD_CONTROL_SIZE);
  return CLT_RD_CONTROL_SIZE;
}

uint32_t clt_rd_connect_message(uint8_t* out, const clt_rd_msg_base& b, const char* node, uint16_t node_len,
                                const uint8_t* request, uint32_t request_len) {
  memset(out, 0, kHrhConnect + kHrhSize);
  put_head(out, CLT_RD_KIND_CONNECT, b, true, true);
  put_block2(out, b, kB2ToHrhConnect, kIdentity - kBlock2, 0);
  uint8_t* id = out + kIdentity;
  put_be16(id, static_cast<uint16_t>(kIdAuth - kIdentity));
  // The request builder stored the identifier complemented.
  uint8_t* auth = out + kIdAuth;
  uint16_t auth_len = 0;
  for (uint32_t i = 0; i < CLT_RD_AUTH_SIZE; ++i) {
    auth[i] = request_len >= kReqAuth + CLT_RD_AUTH_SIZE ? static_cast<uint8_t>(request[kReqAuth + i] ^ kComplement) : ' ';
    if (auth[i] != ' ') auth_len = static_cast<uint16_t>(i + 1);
  }
  put_be16(out + kIdAuthLength, auth_len);
  put_be16(out + kIdNone, kNone16);
  memcpy(out + kIdTag, kClientTag, sizeof kClientTag);
  out[kIdVersion] = static_cast<uint8_t>(kIdVersionLead);
  memcpy(out + kIdVersion + 1, CLT_RD_VERSION_DIGITS + 1, kCodeSize - 1);
  out[kIdFour] = kIdFourValue;
  put_be16(out + kIdToNode, static_cast<uint16_t>(kIdNode - kIdentity));
  const uint16_t n = node_len <= CLT_RD_NODE_MAX ? node_len : static_cast<uint16_t>(CLT_RD_NODE_MAX);
  put_be16(out + kIdNodeLength, n);
  put_be16(out + kIdNodeNone, kNone16);
  memset(out + kIdNode, ' ', kIdNodeField);
  if (node != nullptr) memcpy(out + kIdNode, node, n);
  return put_tail(out, kHrhConnect, b, nullptr, request, request_len);
}

uint32_t clt_rd_disconnect_message(uint8_t* out, const clt_rd_msg_base& b, const uint8_t* request,
                                   uint32_t request_len, bool as_disc) {
  memset(out, 0, kHrhOthers + kHrhSize);
  put_head(out, CLT_RD_KIND_DISCONNECT, b, true, false);
  put_block2(out, b, kHrhOthers - kBlock2, kNone16, 0);
  const uint32_t length = put_tail(out, kHrhOthers, b, nullptr, request, request_len);
  const uint32_t code = kHrhOthers + kHrhSize + kReqCode;
  if (as_disc && request_len >= kReqCode + kCodeSize) memcpy(out + code, kDisc, kCodeSize);
  return length;
}

uint32_t clt_rd_statement_message(uint8_t* out, const clt_rd_msg_base& b, const uint32_t* sums, int32_t func_code,
                                  const uint8_t* request, uint32_t request_len) {
  memset(out, 0, kHrhOthers + kHrhSize + kSizeBlock);
  put_head(out, CLT_RD_KIND_STATEMENT, b, true, true);
  put_block2(out, b, kHrhOthers - kBlock2, kNone16, kNone16);
  const uint32_t length = put_tail(out, kHrhOthers, b, sums, request, request_len);
  uint8_t* packet = out + kHrhOthers + kHrhSize + (sums != nullptr ? kSizeBlock : 0);
  if (func_code == CLT_FC_OPNR && request_len >= kReqOpnrB + sizeof(uint16_t) &&
      memcmp(packet + kReqOpnrA, packet + kReqOpnrB, sizeof(uint16_t)) == 0 && memcmp(packet + kReqCode, kOpnr, kCodeSize) == 0) {
    memcpy(packet + kReqCode, kOpen, kCodeSize);
    memset(packet + kReqOpnrB, 0, sizeof(uint16_t));
  }
  return length;
}

uint8_t clt_rd_end_status(bool commit, uint8_t trn_state) {
  constexpr uint8_t kStateAlone = 1;
  constexpr uint8_t kStateKept = 2;
  constexpr uint8_t kStateEnded = 3;
  switch (trn_state) {
    case kStateAlone: return ' ';
    case kStateKept: return commit ? ' ' : kStatusEnded;
    case kStateEnded: return kStatusEnded;
    default: return 0;
  }
}

void clt_rd_commit_packet(uint8_t* out, uint8_t status_byte) {
  memset(out, 0, CLT_RD_PACKET_SIZE);
  put_be32(out, CLT_RD_PACKET_SIZE);
  put_be32(out + kPkStatusAt, kPkStatus);
  put_be32(out + kPkSqlcaAt, kPkSqlca);
  memcpy(out + kPkStatus, kStateOk, sizeof kStateOk - 1);
  out[kPkResult] = ' ';
  out[kPkFlags] = status_byte;
  memcpy(out + kPkSqlca, kSqlcaId, sizeof kSqlcaId - 1);
  memset(out + kPkSource, ' ', kPkSourceSize);
}

void clt_rd_error_packet(uint8_t* out, const SQLCA& sqlca, uint32_t position) {
  memset(out, 0, CLT_RD_PACKET_SIZE);
  put_be32(out, CLT_RD_PACKET_SIZE);
  put_be32(out + kPkStatusAt, kPkStatus);
  put_be32(out + kPkSqlcaAt, kPkSqlca);
  memcpy(out + kPkStatus, kStateError, sizeof kStateError - 1);
  out[kPkResult] = ' ';
  memcpy(out + kPkSqlca, kSqlcaId, sizeof kSqlcaId - 1);
  out[kPkIdEnd] = ' ';
  put_be32(out + kPkMsgAt, kPkMsgFromSqlca);
  put_be32(out + kPkCode, static_cast<uint32_t>(kRemoteError));
  memset(out + kPkPad, ' ', sizeof(uint16_t));
  memcpy(out + kPkSource, kErrorSource, kPkSourceSize);
  memcpy(out + kPkLine, &position, sizeof position);
  uint16_t n = sqlca.sqlerrml > 0 ? static_cast<uint16_t>(sqlca.sqlerrml) : 0;
  if (n > kPkMsgRoom) n = static_cast<uint16_t>(kPkMsgRoom);
  put_be16(out + kPkMsgLength, n);
  memcpy(out + kPkMsg, sqlca.sqlerrmc, n);
}
