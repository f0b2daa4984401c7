#include "cltrdana.h"

#include <string.h>

#include "CLTSQLDA.h"
#include "zk_bytes.h"

namespace {

constexpr uint32_t kPrefix = 20;
constexpr uint32_t kToBlock1 = 8;
constexpr uint32_t kB1ToBlock2 = 4;
constexpr uint32_t kB1Size = 6;
constexpr uint32_t kB2ToBlock3 = 12;
constexpr uint32_t kB2ToServer = 16;
constexpr uint32_t kB2Implicit = 25;
constexpr uint32_t kB2Size = 26;
constexpr uint32_t kB3ToPacket = 32;
constexpr uint32_t kB3ServerFlag = 40;
constexpr uint32_t kB3TrnByte = 41;
constexpr uint32_t kB3Size = 42;
constexpr uint32_t kServerSize = 16;
constexpr uint32_t kOffsetLow = 1;
constexpr uint32_t kOffsetHigh = 65534;
constexpr uint32_t kWord = 4;

// Packet parts.
constexpr uint32_t kPkStatusAt = 8;
constexpr uint32_t kPkSqlcaAt = 12;
constexpr uint32_t kPkDataAt = 16;
constexpr uint32_t kStatusFlags = 7;
constexpr uint32_t kSqlcaCode = 12;
constexpr uint32_t kDaSqln = 12;
constexpr uint32_t kDaSqld = 14;
constexpr uint32_t kDaEntries = 16;
constexpr uint32_t kEntry = 16;
constexpr uint32_t kEntryCode = 1;
constexpr uint32_t kEntryCount = 2;
constexpr uint32_t kEntryLength = 4;
constexpr int16_t kCountFloor = -1;

enum check : int32_t {
  kCheckPrefix = 1,
  kCheckBlock1,
  kCheckBlock2,
  kCheckBlock3,
  kCheckServer,
  kCheckPacketAt,
  kCheckPacket,
  kCheckPacketLength,
  kCheckSqlca,
  kCheckData,
  kCheckColumns,
};

// The block an offset at `at` leads to from `base`; false when the
// offset is outside 1 to 65534 or the block's `size` bytes are not there.
bool follow(const uint8_t* reply, uint32_t received, uint32_t at, uint32_t base, uint32_t size, uint32_t* block) {
  if (uint64_t{at} + sizeof(uint16_t) > received) return false;
  const uint32_t off = get_be16(reply + at);
  if (off < kOffsetLow || off > kOffsetHigh) return false;
  const uint64_t b = uint64_t{base} + off;
  if (b + size > received) return false;
  *block = static_cast<uint32_t>(b);
  return true;
}

// The transaction table: for each server byte 0 to 5 and kept state 0 to
// 3, the new state and the status byte.
struct trn_cell {
  uint8_t state;
  uint8_t byte;
};
constexpr uint8_t kSp = ' ';
constexpr uint8_t kB8 = 8;
constexpr uint8_t kB16 = 16;
constexpr trn_cell kTrn[6][4] = {
    {{0, 0}, {0, 0}, {0, 0}, {0, 0}},
    {{1, kSp}, {1, kSp}, {1, kSp}, {1, kSp}},
    {{2, kSp}, {1, kSp}, {2, kSp}, {2, kSp}},
    {{3, kB8}, {1, kSp}, {2, kSp}, {3, kB8}},
    {{3, kB16}, {1, kSp}, {2, kSp}, {3, kB16}},
    {{3, kB16}, {1, kSp}, {3, kB16}, {3, kB16}},
};

// Contribution rules of the sums.
enum class sum_rule { none, var_l2, var_l, var_nl2, var_nl, var_lob, fix_l, fix_dec, fix_n4, fix_n3, fix_nl, fix_n8, fix_n2, fix_lob };
struct code_rule {
  uint8_t code;
  sum_rule rule;
};
constexpr code_rule kRules[] = {
    {0x30, sum_rule::var_l2},  {0xA0, sum_rule::var_l2},  {0xA8, sum_rule::var_l2},  {0xC0, sum_rule::var_l2},
    {0xC8, sum_rule::var_l2},  {0xA4, sum_rule::var_l},   {0xC4, sum_rule::var_l},   {0xB0, sum_rule::var_nl2},
    {0xB8, sum_rule::var_nl2}, {0xB4, sum_rule::var_nl},  {0x98, sum_rule::var_lob}, {0x44, sum_rule::fix_l},
    {0x94, sum_rule::fix_l},   {0x9A, sum_rule::fix_l},   {0x9E, sum_rule::fix_l},   {0x64, sum_rule::fix_dec},
    {0x6E, sum_rule::fix_dec}, {0xE4, sum_rule::fix_dec}, {0xE6, sum_rule::fix_dec}, {0xEA, sum_rule::fix_dec},
    {0x70, sum_rule::fix_n4},  {0xE2, sum_rule::fix_n4},  {0xF0, sum_rule::fix_n4},  {0x78, sum_rule::fix_n3},
    {0x7C, sum_rule::fix_nl},  {0xE0, sum_rule::fix_n8},  {0xF4, sum_rule::fix_n2},  {0x90, sum_rule::fix_lob},
    {0x92, sum_rule::fix_lob},
};
// Nullable codes whose indicator is a word.
constexpr uint8_t kWordIndicators[] = {0x91, 0x93, 0x95, 0x99, 0x9B, 0x9F};
constexpr uint32_t kArrayHead = 4;
constexpr uint32_t kLobHead = 8;
constexpr uint32_t kShortIndicator = 2;
constexpr uint32_t kWordIndicator = 4;
constexpr uint32_t kCoded4 = 4;
constexpr uint32_t kCoded3 = 3;
constexpr uint32_t kInt64 = 8;
constexpr uint32_t kInt16 = 2;
constexpr uint32_t kNational = 2;

sum_rule rule_of(uint8_t code) {
  const uint8_t even = static_cast<uint8_t>(code & ~1u);
  for (const code_rule& r : kRules) {
    if (r.code == even) return r.rule;
  }
  return sum_rule::none;
}

enum sum_slot : int { kVar = 0, kFix = 1, kInd = 2 };

// One variable's contribution: the slot it adds to and the amount.
uint32_t contribution(const SQLVAR& v, sum_rule rule, uint32_t n, int* slot) {
  const uint32_t l = static_cast<uint16_t>(v.len.s.sqllen);
  const bool many = n >= static_cast<uint32_t>(CLT_MULTIPLE);
  const uint32_t d = v.len.d.sqlprcsn / 2u + 1;
  *slot = kFix;
  switch (rule) {
    case sum_rule::var_l2: *slot = kVar; return many ? (l + 2) * n + kArrayHead : l + 2;
    case sum_rule::var_l: *slot = kVar; return many ? l * n + kArrayHead : l;
    case sum_rule::var_nl2: *slot = kVar; return many ? kArrayHead + kNational * n * (l + 1) : kNational + kNational * l;
    case sum_rule::var_nl: *slot = kVar; return many ? kArrayHead + kNational * n * l : kNational * l;
    case sum_rule::var_lob: *slot = kVar; return v.len.sqllen32 + kLobHead;
    case sum_rule::fix_l: return l;
    case sum_rule::fix_dec: return many ? d * n + kArrayHead : d;
    case sum_rule::fix_n4: return many ? kCoded4 * n + kArrayHead : l;
    case sum_rule::fix_n3: return many ? kCoded3 * n + kArrayHead : l;
    case sum_rule::fix_nl: return many ? l * n + kArrayHead : l;
    case sum_rule::fix_n8: return many ? kInt64 * n + kArrayHead : l;
    case sum_rule::fix_n2: return many ? kInt16 * n + kArrayHead : l;
    case sum_rule::fix_lob: return v.len.sqllen32 + kLobHead;
    case sum_rule::none: break;
  }
  return 0;
}

uint32_t indicator(uint8_t code, uint32_t n, bool array_fetch) {
  for (uint8_t w : kWordIndicators) {
    if (w == code) return kWordIndicator;
  }
  if (array_fetch || n < static_cast<uint32_t>(CLT_MULTIPLE)) return kShortIndicator;
  return kShortIndicator * n + kArrayHead;
}

}  // namespace

int32_t clt_rd_map_reply(const uint8_t* reply, uint32_t received, clt_rd_reply_map* map) {
  *map = clt_rd_reply_map{};
  if (received < kPrefix) return kCheckPrefix;
  uint32_t b1 = 0;
  uint32_t b2 = 0;
  uint32_t b3 = 0;
  if (!follow(reply, received, kToBlock1, 0, kB1Size, &b1)) return kCheckBlock1;
  if (!follow(reply, received, b1 + kB1ToBlock2, b1, kB2Size, &b2)) return kCheckBlock2;
  if (!follow(reply, received, b2 + kB2ToBlock3, b2, kB3Size, &b3)) return kCheckBlock3;
  const uint32_t to_server = get_be16(reply + b2 + kB2ToServer);
  if (to_server != 0 && !follow(reply, received, b2 + kB2ToServer, b2, kServerSize, &map->server)) return kCheckServer;
  const uint32_t to_packet = get_be32(reply + b3 + kB3ToPacket);
  if (to_packet == 0) return kCheckPacketAt;
  const uint64_t packet = uint64_t{b3} + to_packet;
  if (packet + kWord > received) return kCheckPacket;
  const uint32_t length = get_be32(reply + packet);
  if (length == 0 || packet + length > received) return kCheckPacketLength;
  map->block2 = b2;
  map->block3 = b3;
  map->packet = static_cast<uint32_t>(packet);
  map->packet_len = length;
  map->implicit_commit = reply[b2 + kB2Implicit];
  map->server_flag = static_cast<char>(reply[b3 + kB3ServerFlag]);
  map->trn_byte = reply[b3 + kB3TrnByte];
  return 0;
}

bool clt_rd_trn_step(uint8_t state, uint8_t s, uint8_t* next, uint8_t* status_byte) {
  constexpr uint8_t kRows = sizeof kTrn / sizeof kTrn[0];
  constexpr uint8_t kStates = sizeof kTrn[0] / sizeof kTrn[0][0];
  if (s >= kRows || state >= kStates) return false;
  *next = kTrn[s][state].state;
  *status_byte = kTrn[s][state].byte;
  return true;
}

uint32_t clt_rd_status_flags_at(const uint8_t* packet, uint32_t length) {
  if (length < kPkStatusAt + kWord) return 0;
  const uint32_t status = get_be32(packet + kPkStatusAt);
  if (status == 0 || uint64_t{status} + kStatusFlags >= length) return 0;
  return status + kStatusFlags;
}

int32_t clt_rd_fix_describe(uint8_t* packet, uint32_t length) {
  if (length < kPkDataAt + kWord) return kCheckSqlca;
  const uint32_t sqlca = get_be32(packet + kPkSqlcaAt);
  if (sqlca == 0 || uint64_t{sqlca} + kSqlcaCode + kWord > length) return kCheckSqlca;
  if (static_cast<int32_t>(get_be32(packet + sqlca + kSqlcaCode)) < 0) return 0;
  const uint32_t part = get_be32(packet + kPkDataAt);
  if (part == 0 || uint64_t{part} + kDaEntries > length) return kCheckData;
  const int16_t sqln = static_cast<int16_t>(get_be16(packet + part + kDaSqln));
  const int16_t sqld = static_cast<int16_t>(get_be16(packet + part + kDaSqld));
  if (sqld < 1 || sqld > sqln) return 0;
  if (uint64_t{part} + kDaEntries + uint64_t{kEntry} * static_cast<uint32_t>(sqld) > length) return kCheckColumns;
  for (int32_t i = 0; i < sqld; ++i) {
    uint8_t* e = packet + part + kDaEntries + kEntry * static_cast<uint32_t>(i);
    if (static_cast<int16_t>(get_be16(e + kEntryCount)) >= kCountFloor) continue;
    put_be16(e + kEntryCount, 1);
    e[kEntryCode] = 0;
    put_be16(e + kEntryLength, 0);
  }
  return 0;
}

clt_rd_sum_result clt_rd_sum_vars(const SQLDA& da, int32_t count, int32_t array_count, uint32_t* sums) {
  uint32_t s[3] = {};
  const bool array_fetch = array_count > 1;
  for (int32_t i = 0; i < count; ++i) {
    const SQLVAR& v = da.sqlvar[i];
    const int32_t number = i + 1;
    if (v.SQLDATA == nullptr) return {clt_rd_var_fault::address, number};
    if (v.XDIM < 1 || v.XDIM > CLT_XDIM_MAX) return {clt_rd_var_fault::count, number};
    const bool nullable = (v.sqlcod & 1u) != 0;
    if (nullable && v.SQLIND == nullptr) return {clt_rd_var_fault::address, number};
    const sum_rule rule = rule_of(v.sqlcod);
    if (rule == sum_rule::none) return {clt_rd_var_fault::type, number};
    const uint32_t n = static_cast<uint32_t>(v.XDIM);
    int slot = kFix;
    const uint32_t add = contribution(v, rule, n, &slot);
    s[slot] += add;
    if (nullable) s[kInd] += indicator(v.sqlcod, n, array_fetch);
  }
  for (int k = 0; k < 3; ++k) sums[k] = array_fetch ? s[k] * static_cast<uint32_t>(array_count) : s[k];
  return {clt_rd_var_fault::none, 0};
}
