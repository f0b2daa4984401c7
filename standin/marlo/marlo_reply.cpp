#include "marlo_reply.h"

#include <string.h>

#include <algorithm>

namespace marlo {

namespace {

constexpr uint32_t kDirectory = 36;
constexpr uint32_t kStatus = 32;
constexpr uint32_t kSqlca = 60;
constexpr uint32_t kStatusSlot = 8;
constexpr uint32_t kSqlcaSlot = 12;
constexpr uint32_t kCaMessage = 8;
constexpr uint32_t kCaCode = 12;
constexpr uint32_t kCaErrd = 16;
constexpr uint32_t kCaKind = kCaErrd + 4 * 4 + 2;
constexpr uint32_t kCaWarnings = 40;
constexpr uint32_t kCaSource = 44;
constexpr uint32_t kCaLine = 56;
constexpr size_t kSqlstate = 5;
constexpr size_t kMessageMax = 0xFFFF;

void align4(std::vector<uint8_t>* b) { b->resize((b->size() + 3) & ~size_t{3}, 0); }

}  // namespace

void part_builder::add(uint32_t slot, const std::vector<uint8_t>& part) {
  align4(&bytes_);
  o_.put32(bytes_.data() + slot, static_cast<uint32_t>(bytes_.size()));
  bytes_.insert(bytes_.end(), part.begin(), part.end());
}

std::vector<uint8_t> encode_reply(const reply& r, const byte_order& o) {
  const size_t message = std::min(r.message.size(), kMessageMax);
  const uint32_t status = static_cast<uint32_t>(std::max<size_t>(kStatus, r.server_info.size()));
  std::vector<uint8_t> b(kDirectory + status + kSqlca + (message != 0 ? 2 + message : 0), 0);
  o.put32(b.data() + kStatusSlot, kDirectory);
  o.put32(b.data() + kSqlcaSlot, kDirectory + status);
  uint8_t* st = b.data() + kDirectory;
  std::copy(r.server_info.begin(), r.server_info.end(), st);
  memcpy(st, r.sqlstate.data(), std::min(r.sqlstate.size(), kSqlstate));
  st[5] = r.result;
  st[6] = r.status.hold;
  st[7] = r.status.flags7;
  st[16] = r.status.flags16;
  uint8_t* ca = b.data() + kDirectory + status;
  memcpy(ca, "SQLCA  S", 8);
  ca[7] = static_cast<uint8_t>(r.mark);
  o.put32(ca + kCaCode, static_cast<uint32_t>(r.sqlcode));
  for (int i = 0; i < 6; ++i) o.put32(ca + kCaErrd + 4 * i, static_cast<uint32_t>(r.errd[i]));
  o.put16(ca + kCaKind, r.statement_kind);
  memcpy(ca + kCaWarnings, r.warnings, sizeof r.warnings);
  memcpy(ca + kCaSource, "MARLOSRV  ", 10);
  o.put32(ca + kCaLine, 1);
  if (message != 0) {
    o.put32(ca + kCaMessage, kSqlca);
    o.put16(ca + kSqlca, static_cast<uint16_t>(message));
    memcpy(ca + kSqlca + 2, r.message.data(), message);
  }
  for (const auto& [slot, part] : r.parts) {
    align4(&b);
    o.put32(b.data() + slot, static_cast<uint32_t>(b.size()));
    b.insert(b.end(), part.begin(), part.end());
  }
  o.put32(b.data(), static_cast<uint32_t>(b.size()));
  return b;
}

}  // namespace marlo
